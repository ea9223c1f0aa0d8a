// Time-response chart: its settings and the conversion of a transfer function into a
// simulator of its open-loop rational fraction.
#include "sim/TrTemp.h"

#include <limits>
#include <vector>

#include "expr/Poly.h"
#include "expr/PolyItMath.h"
#include "model/FctTransfert.h"
#include "model/Param.h"

namespace {

constexpr int kErrDivisionByZero = 3;  // "Division par zéro"

// Degree of p once its zero leading coefficients are left out; -1 when every coefficient is 0.
long EffectiveDegree(const TPoly& p) {
  long d = static_cast<long>(p.Deg);
  while (d >= 0 && p.Coef[d] == 0.0) --d;
  return d;
}

// Replaces p by the same polynomial of degree d (its higher coefficients being zero).
void Truncate(TPoly& p, long d) {
  if (d == static_cast<long>(p.Deg)) return;
  TPoly shorter(p.Coef, static_cast<unsigned>(d));
  p = shorter;
}

}  // namespace

TrTemp::TrTemp() : Tm(Param.EdTFin), Dt(Param.EdDt) {}

SimTemp* TrTemp::TempFromH(TFctTransfert* h) {
  TQuotPolyH q(h, true);
  Err = q.Err;
  if (Err != 0) return nullptr;
  if (q.Num.Coef == nullptr || q.Den.Coef == nullptr) {
    Err = kErrDivisionByZero;
    return nullptr;
  }
  // Differences of fractions can leave zero leading coefficients; dividing by one of them
  // would fill the simulator with infinities, and a zero denominator has no response at all.
  const long dDen = EffectiveDegree(q.Den);
  if (dDen < 0) {
    Err = kErrDivisionByZero;
    return nullptr;
  }
  const long dNum = EffectiveDegree(q.Num);
  Truncate(q.Den, dDen);
  Truncate(q.Num, dNum < 0 ? 0 : dNum);
  q.Normalise();

  const long nba = static_cast<long>(q.Den.Deg);
  const long nbb = static_cast<long>(q.Num.Deg) + 1;
  if (nba > std::numeric_limits<short>::max() || nbb > std::numeric_limits<short>::max()) {
    return new SimTemp();  // beyond what the simulator holds: inactive, like an improper one
  }
  std::vector<double> a(q.Den.Coef, q.Den.Coef + nba);  // the leading 1 is implicit
  std::vector<double> b(q.Num.Coef, q.Num.Coef + nbb);
  return new SimTemp(a.data(), static_cast<short>(nba), b.data(), static_cast<short>(nbb));
}
