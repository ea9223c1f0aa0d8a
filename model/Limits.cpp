// Limits of a transfer function at s = 0 and at infinity from its structure. The coefficients
// are multiplied as mantissas and binary exponents kept apart, so that a function of hundreds
// of factors whose products overflow still gives its exact ratio.
#include "model/Limits.h"

#include <cmath>

#include "expr/PolyItMath.h"
#include "model/FctTransfert.h"

namespace {

// The end term c s^n of one factor: the lowest power at 0, the highest at infinity.
void TermeReel(double r, bool bZero, int* n, double* c) {
  // The factor s - r of a root r.
  if (bZero && r != 0) {
    *n = 0;
    *c = -r;
  } else {
    *n = 1;
    *c = 1;
  }
}

// The same for a s^2 + b s + c; false when the factor is identically 0.
bool TermeQuadratique(const TFctTransfert::Tpc& q, bool bZero, int* n, double* c) {
  const double coef[3] = {q.c, q.b, q.a};
  for (int k = 0; k < 3; ++k) {
    const int i = bZero ? k : 2 - k;
    if (coef[i] != 0) {
      *n = i;
      *c = coef[i];
      return true;
    }
  }
  return false;
}

bool TermeFacteurs(const TFctTransfert& f, bool bZero, TTerme* t) {
  if (f.g == 0 || !std::isfinite(f.g)) return false;
  TProduitEchelonne k;
  k.Multiplie(f.g);
  int n = 0, ni;
  double c;
  for (int i = 0; i < f.nbz; ++i) {
    TermeReel(f.z[i], bZero, &ni, &c);
    n += ni;
    k.Multiplie(c);
  }
  for (int i = 0; i < f.nbp; ++i) {
    TermeReel(f.p[i], bZero, &ni, &c);
    n -= ni;
    k.Divise(c);
  }
  for (int i = 0; i < f.nbzc; ++i) {
    if (!TermeQuadratique(f.zc[i], bZero, &ni, &c)) return false;
    n += ni;
    k.Multiplie(c);
  }
  for (int i = 0; i < f.nbpc; ++i) {
    if (!TermeQuadratique(f.pc[i], bZero, &ni, &c)) return false;
    n -= ni;
    k.Divise(c);
  }
  *t = {n, k.Valeur()};
  return std::isfinite(t->k) && t->k != 0;
}

// Index of the lowest (bZero) or highest non-zero coefficient of p, -1 for a zero polynomial.
int Extreme(const TPoly& p, bool bZero) {
  if (bZero) {
    for (unsigned i = 0; i <= p.Deg; ++i)
      if (p.Coef[i] != 0) return static_cast<int>(i);
    return -1;
  }
  for (unsigned i = p.Deg + 1u; i-- > 0;)
    if (p.Coef[i] != 0) return static_cast<int>(i);
  return -1;
}

}  // namespace

bool OpenLoopTerm(TFctTransfert* f, bool bZero, TTerme* t) {
  if (f == nullptr) return false;
  if (f->Expression == nullptr) return TermeFacteurs(*f, bZero, t);
  TQuotPolyH q(f, true);
  if (q.Err != 0 || !q.Num.IsDefined() || !q.Den.IsDefined()) return false;
  const int in = Extreme(q.Num, bZero), id = Extreme(q.Den, bZero);
  if (in < 0 || id < 0) return false;
  *t = {in - id, q.Num.Coef[in] / q.Den.Coef[id]};
  return std::isfinite(t->k) && t->k != 0;
}

bool ClosedLoopTerm(const TTerme& open, bool bZero, TTerme* t) {
  const bool infini = bZero ? open.n < 0 : open.n > 0;
  if (infini) {
    *t = {0, 1.0};
  } else if (open.n != 0) {
    *t = open;
  } else {
    if (open.k == -1) return false;
    *t = {0, open.k / (1 + open.k)};
  }
  return true;
}
