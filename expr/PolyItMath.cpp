// Symbolic evaluation of an expression to one rational fraction in s, for the time simulation.
#include "expr/PolyItMath.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <utility>

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

class TNiveau {
 public:
  explicit TNiveau(unsigned& p) : p_(p) { ++p_; }
  ~TNiveau() { --p_; }
  TNiveau(const TNiveau&) = delete;
  TNiveau& operator=(const TNiveau&) = delete;

 private:
  unsigned& p_;
};

}  // namespace

TQuotPolyH::TQuotPolyH(TFctTransfert* f, bool b, unsigned profondeur,
                       unsigned long* references) {
  if (f == nullptr) {
    Err = 10;
    return;
  }
  if (b) f->EnCalcul = true;
  if (f->Expression != nullptr) {
    PolyTItMath m(profondeur);
    m.Partage = references;
    TQuotPoly q;
    const char* t = f->Expression;
    Err = m.ItMath(&t, &q);
    if (Err == 0) {
      Num = std::move(q.Num);
      Den = std::move(q.Den);
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

// sep := { " " | TAB | CR | LF }
void PolyTItMath::PasseSep(const char** s) { TItMath::PasseSep(s); }

// name := ( letter | "_" ) { letter | digit | "_" }; only the first sz - 1 characters are kept.
void PolyTItMath::ReadSymb(const char** s, char* nsymb, unsigned sz) {
  TItMath::ReadSymb(s, nsymb, sz);
}

// text := expression [sep] end
int PolyTItMath::ItMath(const char** s, TQuotPoly* y) {
  if (s == nullptr || *s == nullptr || y == nullptr) return Err(7);
  int r = ItMath_(s, y);
  if (r != 0) return Err(r);
  PasseSep(s);
  if (**s != '\0') return Err(7);
  return Err(0);
}

int PolyTItMath::Reduit(TPolyPileT& vals, TPileOp& ops) {
  TQuotPoly a, b, r;
  char o;
  if (!vals.Pop(&b) || !vals.Pop(&a) || !ops.Pop(&o)) return Err(2);
  int e = Operation(a, o, b, &r);
  if (e != 0) return e;
  if (!vals.Push(&r)) return Err(1);
  return 0;
}

// expression := term { operator term }, equal priorities associating to the left
int PolyTItMath::ItMath_(const char** s, TQuotPoly* y) {
  TNiveau niveau(Profondeur);
  if (Profondeur > TItMath::ProfondeurMax) return Err(1);
  int e = LectTerme(s, y);
  if (e != 0) return Err(e);
  char op;
  if (LectOp(s, &op) != 0) return Err(0);
  TPolyPileT vals;
  TPileOp ops;
  if (!vals.Push(y) || !ops.Push(op)) return Err(1);
  for (;;) {
    TQuotPoly t;
    e = LectTerme(s, &t);
    if (e != 0) return Err(e);
    if (!vals.Push(&t)) return Err(1);
    char n;
    if (LectOp(s, &n) != 0) {
      while (ops.Ptr > 0) {
        e = Reduit(vals, ops);
        if (e != 0) return Err(e);
      }
      if (!vals.Pop(y)) return Err(2);
      return Err(0);
    }
    if (!ops.Push(n)) return Err(1);
    char below;
    while (ops.Ptr >= 2 && ops.Read(&below, 1) && Priorite(n) <= Priorite(below)) {
      ops.Pop(&n);
      e = Reduit(vals, ops);
      if (e != 0) return Err(e);
      if (!ops.Push(n)) return Err(1);
    }
  }
}

// term := [sep] [ "-" | "+" ] ( "(" expression ")" | number | name [sep] "(" expression ")"
//         | name )
int PolyTItMath::LectTerme(const char** s, TQuotPoly* y) {
  PasseSep(s);
  bool neg = false;
  if (**s == '-') {
    neg = true;
    ++*s;
  } else if (**s == '+') {
    ++*s;
  }
  int e;
  if (**s == '(') {
    ++*s;
    e = ItMath_(s, y);
    if (e != 0) return Err(e);
    if (**s != ')') return Err(6);
    ++*s;
  } else if (std::isdigit(static_cast<unsigned char>(**s)) || **s == '.') {
    e = LectNombre(s, y);
    if (e != 0) return e;
  } else {
    char nom[128];
    ReadSymb(s, nom, sizeof nom);
    if (nom[0] == '\0') return Err(7);
    PasseSep(s);
    if (**s == '(') {
      ++*s;
      e = ItMath_(s, y);
      if (e != 0) return Err(e);
      if (**s != ')') return Err(6);
      ++*s;
      e = ExecFonc(nom, y);
    } else {
      e = LectReference(nom, y);
    }
    if (e != 0) return Err(e);
  }
  if (neg) *y = TQuotPoly(0.0) - *y;  // keeps the larger degree in the numerator
  return Err(0);
}

// number := ( digit | "." ) ..., decimal digits with optional fraction and exponent (strtod)
int PolyTItMath::LectNombre(const char** s, TQuotPoly* y) {
  char* fin = nullptr;
  double v = std::strtod(*s, &fin);
  if (fin == *s) return Err(5);
  *s = fin;
  if (!std::isfinite(v)) return Err(9);  // a literal beyond the range of doubles
  *y = v;
  return Err(0);
}

// reference := name, a registered function replaced by its open-loop fraction
int PolyTItMath::LectReference(const char* nom, TQuotPoly* y) {
  TFctTransfert* f = FctLF(nom);
  if (f == nullptr) return Err(10);
  if (f->EnCalcul) return Err(13);
  if (++Compte() > TItMath::ReferencesMax) return Err(1);
  f->ModeBF = false;
  // Built with the guard on, so that a cycle back to f at any depth ends with 13.
  TQuotPolyH q(f, true, Profondeur, &Compte());
  if (q.Err != 0) return Err(q.Err);
  *y = std::move(static_cast<TQuotPoly&>(q));
  return Err(0);
}

// operator := [sep] ( "+" | "-" | "*" | "/" | "^" ); "^" is read but has no operation here
int PolyTItMath::LectOp(const char** s, char* op) {
  PasseSep(s);
  char c = **s;
  if (c == '+' || c == '-' || c == '*' || c == '/' || c == '^') {
    *op = c;
    ++*s;
    return Err(0);
  }
  return Err(4);
}

int PolyTItMath::Priorite(char op) {
  switch (op) {
    case '+':
    case '-':
      return 1;
    case '*':
    case '/':
      return 2;
    default:
      return 0;
  }
}

int PolyTItMath::Operation(const TQuotPoly& a, char op, const TQuotPoly& b, TQuotPoly* r) {
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
  // Operands are at most DegreMax, so the result is at most twice that before this test.
  if (r->Num.Deg > DegreMax || r->Den.Deg > DegreMax) return Err(1);
  return Err(0);
}

// call := name [sep] "(" expression ")", the argument being a constant fraction
int PolyTItMath::ExecFonc(const char* nom, TQuotPoly* y) {
  const TItMath::TFonc* f = TItMath::ChercheFonc(nom);
  if (f == nullptr) return Err(8);
  if (!y->Num.IsDefined() || !y->Den.IsDefined() || y->Num.Deg != 0 || y->Den.Deg != 0)
    return Err(12);
  double d = y->Den.Valeur(1);
  if (d == 0) return Err(3);
  double v = y->Num.Valeur(1) / d;
  if (f->Dom != nullptr && !f->Dom(v)) return Err(9);
  double r;
  bool ok = AppelMath(f->f, v, &r);
  *y = r;
  if (!ok) return Err(9);
  return Err(0);
}
