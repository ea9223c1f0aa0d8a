// Rational fraction of a transfer function, built from its factors or by evaluating its
// expression symbolically over the fractions of the functions it names.
#pragma once

#include "expr/ItMath.h"
#include "expr/Poly.h"

class TFctTransfert;

class TQuotPolyH : public TQuotPoly {
 public:
  int Err = 0;  // 0, or the expression error number; Num and Den are then undefined

  // Open-loop fraction of f. With b, f is marked under evaluation while it is built, so that
  // a reference to f in its own expression ends with error 13.
  TQuotPolyH(TFctTransfert* f, bool b) : TQuotPolyH(f, b, 0) {}
  // Same, for a reference met profondeur levels deep inside an enclosing expression, whose
  // count of references is *references (null: this fraction starts a count of its own).
  TQuotPolyH(TFctTransfert* f, bool b, unsigned profondeur, unsigned long* references = nullptr);
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

  int ErrNo = 0;
  unsigned Profondeur = 0;           // nesting depth, including the enclosing evaluations
  unsigned long References = 0;      // references made by this evaluation and its nested ones
  unsigned long* Partage = nullptr;  // the enclosing evaluation's counter, when nested

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

  // The counter of references shared by the whole evaluation.
  unsigned long& Compte() { return Partage != nullptr ? *Partage : References; }

 private:
  int Err(int n) { return ErrNo = n; }
};
