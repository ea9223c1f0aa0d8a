// Evaluator of algebraic expressions over registered transfer functions: each name stands for
// that function's open-loop complex response at one angular frequency.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/Complex.h"

class TFctTransfert;

// True when the last library math call met no error (domain, pole or overflow).
extern bool E_Math;

// Calls f(x) into *y with the floating-point exception flags and errno cleared first, and sets
// E_Math from what the call reports. Returns E_Math.
bool AppelMath(double (*f)(double), double x, double* y);

// Growable stack of fixed-size elements held by value in one block; 16-bit counters, so a push
// beyond 65535 elements fails.
class TPile {
 public:
  uint16_t Sz;            // size of one element in bytes
  uint16_t PileBlk = 10;  // growth step in elements
  char* Pile = nullptr;   // owned block, null until the first push
  uint16_t Ptr = 0;       // elements on the stack
  uint16_t NbMax = 0;     // capacity in elements

  explicit TPile(uint16_t sz) : Sz(sz) {}
  ~TPile() { delete[] Pile; }
  TPile(const TPile&) = delete;
  TPile& operator=(const TPile&) = delete;

  bool PPush(const void* x);
  bool PPop(void* x);
  // Element niveau below the top (0 is the top).
  bool PRead(void* x, unsigned short niveau) const;
};

class TPileT : public TPile {
 public:
  TPileT() : TPile(sizeof(TComplex)) {}
  bool Push(const TComplex& x) { return PPush(&x); }
  bool Pop(TComplex* x) { return PPop(x); }
  bool Read(TComplex* x, unsigned short niveau) const { return PRead(x, niveau); }
};

class TPileOp : public TPile {
 public:
  TPileOp() : TPile(1) {}
  bool Push(char op) { return PPush(&op); }
  bool Pop(char* op) { return PPop(op); }
  bool Read(char* op, unsigned short niveau) const { return PRead(op, niveau); }
};

// Parsed form of an expression text: the steps of its evaluation (numbers, references, signs,
// calls, operations, levels of nesting and the error that ends the text) in the order the
// parser meets them, so that a text is parsed once and evaluated at many frequencies with the
// values and the errors of a parse at each. Constant parts are computed once, when the text is
// parsed: each becomes one Constante step.
class TFormule {
 public:
  enum TCode : uint8_t {
    Nombre,
    Reference,
    Oppose,
    Fonction,
    Operation,
    Niveau,
    Erreur,
    Fin,
    Constante
  };
  struct TPas {
    TCode code;
    char op;          // Operation: the operator
    int n;            // Reference: index in noms; Fonction: index in the function table;
                      // Niveau: the level entered; Erreur: the error number;
                      // Constante: index in constantes
    unsigned niveau;  // Reference: the level the name stands at, from the text's start
    double v;         // Nombre: the value
  };

  std::string texte;                 // the text parsed
  std::vector<TPas> pas;             // ends with Erreur or Fin
  std::vector<std::string> noms;     // the names referenced
  std::vector<TComplex> constantes;  // the values of the constant parts
  unsigned pile = 0;                 // most values pending at once

  explicit TFormule(const char* t);

 private:
  void Plie();
};

class TItMath {
 public:
  using Valeur = TComplex;     // value of a term
  using PileValeurs = TPileT;  // stack of the operands awaiting an operator
  // One entry of the table of real functions callable in an expression.
  struct TFonc {
    const char* Nom;
    double (*f)(double);
    bool (*Dom)(double);  // domain test, or null
  };
  static const TFonc Fonctions[16];
  static constexpr int NbErr = 14;
  // Deepest nesting of parentheses and function arguments, counted across the evaluations of
  // referenced functions; deeper expressions end with error 1.
  static constexpr unsigned ProfondeurMax = 2000;
  // Most references to registered functions that one evaluation may make, nested ones
  // included: functions naming each other twice over would otherwise take exponential time.
  static constexpr unsigned long ReferencesMax = 10000;

  // A function already referenced in one evaluation: at the same w its value is the same, so
  // a further reference reuses it, and counts the references and the nesting that evaluating
  // it again would make (the limits then end the evaluation exactly where they did).
  struct TDejaVu {
    TFctTransfert* f;
    TComplex y;                // its value, as the reference gives it
    unsigned long references;  // references its evaluation made, its own included
    unsigned profondeur;       // deepest level its evaluation reached, from the reference's
  };

  double w = 0.0;                   // angular frequency of the referenced functions (rad/s)
  int ErrNo = 0;                    // last error, 0 = none
  unsigned Profondeur = 0;          // current nesting depth, including the enclosing evaluations
  unsigned long References = 0;     // references made by this evaluation and its nested ones
  TItMath* Racine = nullptr;        // the outermost evaluation, when nested
  unsigned ProfondeurAtteinte = 0;  // deepest level reached (kept by the outermost evaluation)
  std::vector<TDejaVu> DejaVus;     // functions referenced so far (kept by the outermost one)

  TItMath() = default;  // only to format a message: set ErrNo, call ErrMsg
  explicit TItMath(double w_, unsigned profondeur = 0) : w(w_), Profondeur(profondeur) {}

  int ItMath(const char** s, TComplex* y);
  const char* ErrMsg() const { return ErrMsg(ErrNo); }
  static const char* ErrMsg(int n);

  // Open-loop polar value at w of f, defined by an expression, through the parsed form that f
  // keeps (made again when the text changed).
  int ValeurFonction(TFctTransfert* f, TComplexP* y);
  // Evaluates a parsed form at w, as ItMath evaluates its text.
  int Execute(const TFormule& f, TComplex* y);

  int ItMath_(const char** s, TComplex* y);
  int LectTerme(const char** s, TComplex* y);
  int LectNombre(const char** s, TComplex* y);
  int LectReference(const char* nom, TComplex* y);
  int LectOp(const char** s, char* op);
  static int Priorite(char op);
  int Operation(TComplex a, char op, TComplex b, TComplex* r);
  int ExecFonc(const char* nom, TComplex* y);
  // Applies the entry f of the function table to *y.
  int AppliqueFonc(const TFonc* f, TComplex* y);
  static void ReadSymb(const char** s, char* nsymb, unsigned sz);
  // Length of the name that starts at s (0 when none does).
  static size_t LongueurNom(const char* s);
  static void PasseSep(const char** s);
  // Changes the sign of a term: 0 - x on both parts, so a zero imaginary part stays positive.
  static void Oppose(TComplex* y);

  static bool DomLog(double x);
  static bool DomAsin(double x);
  static bool DomSqrt(double x);
  static bool DomTan(double x);
  static bool DomTanh(double x);

  // Entry of the function table named nom, or null.
  static const TFonc* ChercheFonc(const char* nom);

  // The outermost evaluation, which keeps what the whole evaluation shares.
  TItMath& Haut() { return Racine != nullptr ? *Racine : *this; }
  // The counter of references shared by the whole evaluation.
  unsigned long& Compte() { return Haut().References; }
  // Called by the grammar at each level of nesting entered.
  void NoteProfondeur() {
    unsigned& a = Haut().ProfondeurAtteinte;
    if (Profondeur > a) a = Profondeur;
  }

 private:
  int Err(int n) { return ErrNo = n; }
};
