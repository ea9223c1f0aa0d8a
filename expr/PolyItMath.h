// Rational fraction of a transfer function, built from its factors or by evaluating its
// expression symbolically over the fractions of the functions it names.
#pragma once

#include <vector>

#include "expr/ItMath.h"
#include "expr/Poly.h"

class TFctTransfert;
class PolyTItMath;

class TQuotPolyH : public TQuotPoly {
 public:
  int Err = 0;  // 0, or the expression error number; Num and Den are then undefined

  // Open-loop fraction of f. With b, f is marked under evaluation while it is built, so that
  // a reference to f in its own expression ends with error 13.
  TQuotPolyH(TFctTransfert* f, bool b) : TQuotPolyH(f, b, 0) {}
  // Same, for a reference met profondeur levels deep inside an enclosing expression whose
  // outermost evaluation is *haut (null: this fraction starts an evaluation of its own).
  TQuotPolyH(TFctTransfert* f, bool b, unsigned profondeur, PolyTItMath* haut = nullptr);
};

// Fixed stack of ten fractions held by value.
class TPolyPileT {
 public:
  static constexpr unsigned Taille = 10;
  TQuotPoly Pile[Taille];
  unsigned Niveau = 0;

  bool Push(const TQuotPoly* q);
  bool Push(const TQuotPoly& q) { return Push(&q); }
  bool Pop(TQuotPoly* q);
  bool Read(TQuotPoly* q, unsigned short niveau) const;
};

class PolyTItMath {
 public:
  using Valeur = TQuotPoly;        // value of a term
  using PileValeurs = TPolyPileT;  // stack of the operands awaiting an operator

  // Highest degree of a numerator or denominator: beyond it an expression or a function is
  // too complex to simulate (error 1), and products of such polynomials would take long.
  static constexpr unsigned DegreMax = 1000;

  // A function already referenced in one evaluation: its fraction is the same each time, so
  // a further reference reuses it, and counts the references and the nesting that building it
  // again would make (the limits then end the evaluation exactly where they did).
  struct TDejaVu {
    TFctTransfert* f;
    TQuotPoly y;               // its fraction
    unsigned long references;  // references its building made, its own included
    unsigned profondeur;       // deepest level its building reached, from the reference's
  };

  int ErrNo = 0;
  unsigned Profondeur = 0;          // nesting depth, including the enclosing evaluations
  unsigned long References = 0;     // references made by this evaluation and its nested ones
  PolyTItMath* Racine = nullptr;    // the outermost evaluation, when nested
  unsigned ProfondeurAtteinte = 0;  // deepest level reached (kept by the outermost evaluation)
  std::vector<TDejaVu> DejaVus;     // functions referenced so far (kept by the outermost one)

  PolyTItMath() = default;
  explicit PolyTItMath(unsigned profondeur) : Profondeur(profondeur) {}

  int ItMath(const char** s, TQuotPoly* y);
  const char* ErrMsg() const;

  int ItMath_(const char** s, TQuotPoly* y);
  int LectTerme(const char** s, TQuotPoly* y);
  int LectNombre(const char** s, TQuotPoly* y);
  int LectReference(const char* nom, TQuotPoly* y);
  int LectOp(const char** s, char* op);
  static int Priorite(char op);
  int Operation(const TQuotPoly& a, char op, const TQuotPoly& b, TQuotPoly* r);
  int ExecFonc(const char* nom, TQuotPoly* y);
  static void ReadSymb(const char** s, char* nsymb, unsigned sz);
  static void PasseSep(const char** s);
  // Changes the sign of a term as 0 - y, which keeps the larger degree in the numerator.
  static void Oppose(TQuotPoly* y);

  // The outermost evaluation, which keeps what the whole evaluation shares.
  PolyTItMath& Haut() { return Racine != nullptr ? *Racine : *this; }
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
