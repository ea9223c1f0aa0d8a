// Symbolic evaluation of an expression to one rational fraction in s, for the time simulation.
#include "expr/PolyItMath.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "expr/Grammar.h"
#include "model/FctTransfert.h"
#include "model/Param.h"

namespace {

// The factor s - r.
TPoly Racine(double r) {
  const double c[2] = {-r, 1};
  return TPoly(c, 1);
}

// The factor a*s^2 + b*s + c.
TPoly Facteur(const TFctTransfert::Tpc& f) {
  const double c[3] = {f.c, f.b, f.a};
  return TPoly(c, 2);
}

}  // namespace

TQuotPolyH::TQuotPolyH(TFctTransfert* f, bool b, unsigned profondeur, PolyTItMath* haut) {
  if (f == nullptr) {
    Err = 10;
    return;
  }
  if (b) f->EnCalcul = true;
  if (f->Expression != nullptr) {
    PolyTItMath m(profondeur);
    m.Racine = haut;
    TQuotPoly q;
    const char* t = f->Expression;
    Err = m.ItMath(&t, &q);
    if (Err == 0) {
      Num = std::move(q.Num);
      Den = std::move(q.Den);
      Retard = q.Retard;
      RetardMixte = q.RetardMixte;
    }
  } else if (static_cast<unsigned long>(f->nbz) + 2ul * f->nbzc > PolyTItMath::DegreMax ||
             static_cast<unsigned long>(f->nbp) + 2ul * f->nbpc > PolyTItMath::DegreMax) {
    Err = 1;  // too many factors to simulate
  } else {
    TPoly num(f->g), den(1.0);
    for (int i = 0; i < f->nbz; ++i) num = num * Racine(f->z[i]);
    for (int i = 0; i < f->nbzc; ++i) num = num * Facteur(f->zc[i]);
    for (int i = 0; i < f->nbp; ++i) den = den * Racine(f->p[i]);
    for (int i = 0; i < f->nbpc; ++i) den = den * Facteur(f->pc[i]);
    Num = std::move(num);
    Den = std::move(den);
    Retard = f->Retard;
    Err = 0;
  }
  if (b) f->EnCalcul = false;
}

bool TPolyPileT::Push(const TQuotPoly* q) {
  if (Niveau >= Taille) return false;
  Pile[Niveau++] = *q;
  return true;
}

bool TPolyPileT::Pop(TQuotPoly* q) {
  if (Niveau == 0) return false;
  *q = std::move(Pile[--Niveau]);
  return true;
}

bool TPolyPileT::Read(TQuotPoly* q, unsigned short niveau) const {
  if (Niveau < niveau + 1u) return false;
  *q = Pile[Niveau - 1 - niveau];
  return true;
}

const char* PolyTItMath::ErrMsg() const { return TItMath::ErrMsg(ErrNo); }

// Separators and names are those of the complex evaluator.
void PolyTItMath::PasseSep(const char** s) { TItMath::PasseSep(s); }

void PolyTItMath::ReadSymb(const char** s, char* nsymb, unsigned sz) {
  TItMath::ReadSymb(s, nsymb, sz);
}

int PolyTItMath::ItMath(const char** s, TQuotPoly* y) {
  return TGrammaire<PolyTItMath>::Texte(*this, s, y);
}

int PolyTItMath::ItMath_(const char** s, TQuotPoly* y) {
  return TGrammaire<PolyTItMath>::Expression(*this, s, y);
}

int PolyTItMath::LectTerme(const char** s, TQuotPoly* y) {
  return TGrammaire<PolyTItMath>::Terme(*this, s, y);
}

void PolyTItMath::Oppose(TQuotPoly* y) {
  const double retard = y->Retard;
  const bool mixte = y->RetardMixte;
  *y = TQuotPoly(0.0) - *y;
  y->Retard = retard;  // -H e^(-tau s) keeps the delay of H
  y->RetardMixte = mixte;
}

int PolyTItMath::LectNombre(const char** s, TQuotPoly* y) {
  double v;
  int e = TGrammaire<PolyTItMath>::Nombre(*this, s, &v);
  if (e == 0) *y = v;
  return e;
}

// A name stands for the registered function's open-loop fraction.
int PolyTItMath::LectReference(const char* nom, TQuotPoly* y) {
  PolyTItMath& haut = Haut();
  for (const TDejaVu& d : haut.DejaVus) {
    if (std::strcmp(d.f->Nom, nom) != 0) continue;
    // Met again: it cannot be under evaluation now, or its first building would have met the
    // cycle; only the limits can stop it.
    unsigned long& n = Compte();
    if (d.references > TItMath::ReferencesMax - n) {
      n = TItMath::ReferencesMax + 1;
      return Err(1);
    }
    n += d.references;
    if (Profondeur + d.profondeur > TItMath::ProfondeurMax) return Err(1);
    if (Profondeur + d.profondeur > haut.ProfondeurAtteinte)
      haut.ProfondeurAtteinte = Profondeur + d.profondeur;
    d.f->ModeBF = false;
    *y = d.y;
    return Err(0);
  }
  TFctTransfert* f = FctLF(nom);
  if (f == nullptr) return Err(10);
  if (f->EnCalcul) return Err(13);
  const unsigned long avant = Compte();
  if (++Compte() > TItMath::ReferencesMax) return Err(1);
  f->ModeBF = false;
  const unsigned atteinte = haut.ProfondeurAtteinte;
  haut.ProfondeurAtteinte = Profondeur;
  // Built with the guard on, so that a cycle back to f at any depth ends with 13.
  TQuotPolyH q(f, true, Profondeur, &haut);
  const unsigned profondeur = haut.ProfondeurAtteinte - Profondeur;
  if (atteinte > haut.ProfondeurAtteinte) haut.ProfondeurAtteinte = atteinte;
  if (q.Err != 0) return Err(q.Err);
  *y = std::move(static_cast<TQuotPoly&>(q));
  haut.DejaVus.push_back({f, *y, Compte() - avant, profondeur});
  return Err(0);
}

int PolyTItMath::LectOp(const char** s, char* op) {
  return TGrammaire<PolyTItMath>::Operateur(*this, s, op);
}

// "^" is read as an operator but has no operation on fractions: priority 0, error 2.
int PolyTItMath::Priorite(char op) { return op == '^' ? 0 : TItMath::Priorite(op); }

namespace {

// Degrees of numerator and denominator of a op b, as the fraction operators make them (no
// cancellation), when the four polynomials are defined; false otherwise.
bool DegresOperation(const TQuotPoly& a, char op, const TQuotPoly& b, unsigned long* num,
                     unsigned long* den) {
  if (!a.Num.IsDefined() || !a.Den.IsDefined() || !b.Num.IsDefined() || !b.Den.IsDefined())
    return false;
  const unsigned long an = a.Num.Deg, ad = a.Den.Deg, bn = b.Num.Deg, bd = b.Den.Deg;
  switch (op) {
    case '+':
    case '-':
      *num = std::max(an + bd, bn + ad);
      *den = ad + bd;
      return true;
    case '*':
      *num = an + bn;
      *den = ad + bd;
      return true;
    case '/':
      *num = an + bd;
      *den = ad + bn;
      return true;
    default:
      return false;
  }
}

// Delay of a op b: products add the delays, quotients subtract them; the terms of a sum must
// share theirs (a term that is identically zero takes the other's), else no single factor
// e^(-tau s) gathers them.
void RetardOperation(const TQuotPoly& a, char op, const TQuotPoly& b, TQuotPoly* r) {
  r->RetardMixte = a.RetardMixte || b.RetardMixte;
  switch (op) {
    case '*':
      r->Retard = a.Retard + b.Retard;
      break;
    case '/':
      r->Retard = a.Retard - b.Retard;
      break;
    default:
      if (a.Num.IsDefined() && a.Num.IsZero()) {
        r->Retard = b.Retard;
      } else if (b.Num.IsDefined() && b.Num.IsZero()) {
        r->Retard = a.Retard;
      } else {
        r->Retard = a.Retard;
        if (a.Retard != b.Retard) r->RetardMixte = true;
      }
      break;
  }
}

}  // namespace

int PolyTItMath::Operation(const TQuotPoly& a, char op, const TQuotPoly& b, TQuotPoly* r) {
  // A result beyond DegreMax is an error whatever its coefficients: known before the products.
  unsigned long num = 0, den = 0;
  if (DegresOperation(a, op, b, &num, &den) && (num > DegreMax || den > DegreMax) &&
      !(op == '/' && b.Num.IsZero()))
    return Err(1);
  switch (op) {
    case '+':
      *r = a + b;
      break;
    case '-':
      *r = a - b;
      break;
    case '*':
      *r = a * b;
      break;
    case '/':
      // A divisor whose numerator is identically zero would leave a zero denominator.
      if (b.Num.IsZero()) return Err(3);
      *r = a / b;
      break;
    default:
      return Err(2);
  }
  RetardOperation(a, op, b, r);
  // Operands are at most DegreMax, so the result is at most twice that before this test.
  if (r->Num.Deg > DegreMax || r->Den.Deg > DegreMax) return Err(1);
  return Err(0);
}

// A call applies the entry of the function table to a constant fraction.
int PolyTItMath::ExecFonc(const char* nom, TQuotPoly* y) {
  const TItMath::TFonc* f = TItMath::ChercheFonc(nom);
  if (f == nullptr) return Err(8);
  if (!y->Num.IsDefined() || !y->Den.IsDefined() || y->Num.Deg != 0 || y->Den.Deg != 0)
    return Err(12);
  double d = y->Den.Valeur(1);
  if (d == 0) return Err(3);
  double v = y->Num.Valeur(1) / d;
  if (f->Dom != nullptr && !f->Dom(v)) return Err(9);
  // A function of a delayed constant has no delay factor.
  const bool mixte = y->RetardMixte || y->Retard != 0.0;
  double r;
  bool ok = AppelMath(f->f, v, &r);
  *y = r;
  y->RetardMixte = mixte;
  if (!ok) return Err(9);
  return Err(0);
}
