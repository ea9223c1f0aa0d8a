// Frequency-response searches over [1e-6, 1e6] rad/s: phase and modulus crossings, modulus
// slope and peak, all refined by geometric bisection.
#include <cmath>

#include "model/FctTransfert.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kW10 = 1e-6;              // lower end of the search interval
constexpr double kW20 = 1e6;               // upper end of the search interval
constexpr double kR = 1.2589254117941673;  // 10^(1/10): ten phase samples per decade
constexpr double kConv = 1e-7;             // bracket fine enough when w2/w1 - 1 <= kConv
constexpr double kBornePhase = 2e-6;       // bracket end still at its initial value
constexpr double kBorne = 2e-7;            // result stuck at an interval end
constexpr int kDecades = 12;               // decades 1e-6 ... 1e5 of the coarse sweep

// Calls visit(wx) for the samples of the coarse phase sweep in increasing order, 1e-6 to about
// 7.94e5, until visit returns false. The same sequence serves the sweep and its replay.
template <class F>
void Balayage(F visit) {
  double d = 1e-7;
  for (int k = 0; k < kDecades; ++k) {
    d *= 10;
    for (int i = 0; i < 10; ++i)
      if (!visit(d * std::pow(kR, i))) return;
  }
}

// True when the converged w lies within a relative kBorne of either end of the interval.
bool ABorne(double wf) { return wf / kW10 - 1 < kBorne || kW20 / wf - 1 < kBorne; }

// Geometric bisection of [w1, w2] until w2/w1 - 1 <= kConv; dessous(wm) tells that the sought
// frequency is at or below wm. *w follows each midpoint; returns the final one, also in *w.
template <class F>
double Dichotomie(double w1, double w2, double* w, F dessous) {
  do {
    double wm = std::sqrt(w1 * w2);
    *w = wm;
    if (dessous(wm))
      w2 = wm;
    else
      w1 = wm;
  } while (w2 / w1 - 1 > kConv);
  *w = std::sqrt(w1 * w2);
  return *w;
}

}  // namespace

bool TFctTransfert::SearchPhase(double Phase, double* w) {
  const double ph = Phase * kPi / 180;
  CorrecPhase = true;
  FirstCorrec = true;
  double w1 = kW10, w2 = kW20, p1 = 1e300, p2 = 1e300;
  TComplexP y{0, 0};
  Balayage([&](double wx) {
    Value(wx, &y);  // a failed evaluation leaves y as it was
    double phi = y.p;
    if (phi - ph < p1 && phi > ph) {
      p1 = phi - ph;
      w1 = wx;
    }
    if (ph - phi < p2 && phi < ph) {
      p2 = ph - phi;
      w2 = wx;
    }
    return true;
  });
  FirstCorrec = true;
  CorrecPhase = false;
  if (std::fabs(w1 / kW10 - 1) < kBornePhase) {  // no sample above the target
    *w = w1;
    return false;
  }
  if (std::fabs(w2 / kW20 - 1) < kBornePhase) {  // no sample below the target
    *w = w2;
    return false;
  }
  // Replay the sweep up to w1 so that the bisection unwraps the phase like the sweep did.
  CorrecPhase = true;
  Balayage([&](double wx) {
    if (wx >= w1) return false;
    Value(wx, &y);
    return true;
  });
  Dichotomie(w1, w2, w, [&](double wm) {
    Value(wm, &y);
    return !(y.p > ph);  // a phase that is not above the target (even NaN) moves w2
  });
  FirstCorrec = true;
  CorrecPhase = false;
  return true;
}

bool TFctTransfert::SearchModule(double Module, double* w) {
  const double m = std::pow(10.0, Module / 20);
  TComplexP y{0, 0};
  return !ABorne(Dichotomie(kW10, kW20, w, [&](double wm) {
    Value(wm, &y);
    return y.m <= m;
  }));
}

double TFctTransfert::PenteModule(double w) {
  const double dw = w / 1000;
  TComplexP y1{0, 0}, y2{0, 0};
  Value(w + dw, &y1);
  Value(w - dw, &y2);
  return (y1.m - y2.m) / (2 * dw);
}

bool TFctTransfert::SearchdBMax(double* w) {
  return !ABorne(Dichotomie(kW10, kW20, w, [&](double wm) { return PenteModule(wm) <= 0; }));
}
