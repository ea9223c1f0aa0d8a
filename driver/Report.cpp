// Properties report: static regime, bandwidth, step-response times and overshoot, margins,
// maximum gain and gains at the usual phase margins, in open and closed loop.
#include "driver/Report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "expr/LieuEvans.h"
#include "expr/PolyItMath.h"
#include "expr/Roots.h"
#include "model/FctTransfert.h"
#include "model/Nyquist.h"
#include "model/Param.h"
#include "sim/SimTemp.h"
#include "sim/TrTemp.h"

namespace {

constexpr double kRadToDeg = 180 / 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kStaticW = 1e-10;     // static regime and final value
constexpr double kSlopeW = 1e-9;       // one decade above, for the static slope
constexpr double kInfiniteGainDb = 1;  // a rise of 1 dB over that decade means an integrator
// A peak above the final value by this relative amount or less is rounding, not an overshoot.
constexpr double kOvershootNoise = 1e-8;
// Closed loops of higher degree are not checked for stability (the root solver's cost grows as
// the cube of the degree): their time lines are left out.
constexpr unsigned kMaxStabilityDegree = 200;
// Relative distance under which a root of the numerator and one of the denominator are one.
constexpr double kRootTolerance = 1e-6;
// Work of the longest step response simulated, in steps times the cost of a step: a little
// under one second of one core per loop (SimTemp::StepCost), two for a report. Only a setting that
// would take longer (1000 s at 1e-7 s is 1e10 steps) gets a coarser step; below, the figures are
// those of the step set.
constexpr double kMaxWork = 1.4e8;

double dB(const TComplexP& y) { return TFctTransfert::dB(y); }

// A gain that rounds to zero at two decimals is shown as 0.00, never as -0.00.
double Shown(double gainDb) { return std::fabs(gainDb) < 0.005 ? 0.0 : gainDb; }

// Static regime, bandwidth and step response of f in its current mode; y0 is its value at
// 1e-10 rad/s.
void StaticBlock(TFctTransfert* f, const TComplexP& y0) {
  TComplexP y1;
  if (!f->Value(kSlopeW, &y1)) return;  // no slope: finite or infinite gain is unknown
  const double g0 = dB(y0), g1 = dB(y1), phi0 = kRadToDeg * y0.p;
  // A figure that is not finite is left out, like one whose search fails.
  if (std::fabs(g0 - g1) >= kInfiniteGainDb) {
    if (std::isfinite(g1 - g0) && std::isfinite(phi0)) {
      std::printf("Régime statique : Gain infini (%.1f dB/dec)  Phase = %.2f deg\n", g1 - g0, phi0);
    }
    return;
  }
  if (!std::isfinite(g0)) return;
  if (std::isfinite(phi0)) {
    std::printf("Régime statique : Gain = %.2f dB  Phase = %.2f deg\n", Shown(g0), phi0);
  }
  // Bandwidth: the lowest frequency where the modulus falls through the static gain - 3 dB.
  std::vector<TFctTransfert::TCroise> c;
  f->CroisementsModule(g0 - 3, &c);
  for (const auto& x : c) {
    if (!x.Descend) continue;
    std::printf("Bande passante à -3dB : %.3G rad/s (%.3G Hz)\n", x.w, x.w / kTwoPi);
    break;
  }
  const double pc = 2;
  double tr;
  TPerfTemp perf;
  if (!TempsReponseDep(pc, f, &tr, &perf)) return;
  std::printf("Temps de réponse a %G%% : %G s\n", pc, tr);
  std::printf("Temps de réponse a 5%% : %G s\n", perf.tr5);
  std::printf("Valeur finale : %G\n", perf.yfin);
  if (perf.dep - perf.yfin > kOvershootNoise * std::fabs(perf.yfin) && std::isfinite(perf.dep)) {
    if (std::fabs(perf.yfin) > 1e-6) {
      std::printf("Dépassement max : %G %% ( = %G @ %Gs)\n", (perf.dep / perf.yfin - 1) * 100,
                  perf.dep, perf.tdep);
    } else {
      std::printf("Dépassement max : %G @ %Gs\n", perf.dep, perf.tdep);
    }
  }
}

// Maximum gain of f in its current mode: a resonance, or the gain at the end of the search
// interval where the modulus is largest (infinite when it still rises there).
void MaxGainBlock(TFctTransfert* f) {
  double w;
  TComplexP y;
  if (f->SearchdBMax(&w)) {
    if (f->Value(w, &y) && std::isfinite(dB(y))) {
      std::printf("Gain max : %.2f dB (%.3G rad/s)\n", Shown(dB(y)), w);
    }
    return;
  }
  TComplexP y10;
  if (!f->Value(w, &y) || !f->Value(10 * w, &y10)) return;
  const double g = dB(y), g10 = dB(y10);
  if (!std::isfinite(g)) return;
  const char* place = w > 1 ? "en hautes fréquences" : "en statique";
  if (std::fabs(g - g10) > 1) {
    std::printf("Gain max infini (%s)\n", place);
  } else {
    std::printf("Gain max : %.2f dB %s\n", Shown(g), place);
  }
}

// Gain margin: among the frequencies where the phase is -180 degrees, the one whose margin is
// closest to 0 dB.
void GainMargin(TFctTransfert* f) {
  std::vector<TFctTransfert::TCroise> c;
  if (!f->CroisementsPhase(-180, &c)) {
    std::printf("Marge de gain indéterminée\n");
    return;
  }
  double mg = NAN;
  for (const auto& x : c)
    if (std::isfinite(dB(x.y)) && !(std::fabs(dB(x.y)) >= std::fabs(mg))) mg = -dB(x.y);
  if (std::isfinite(mg)) {
    std::printf("Marge de gain : %.2f dB (%s)\n", Shown(mg), mg > 0 ? "stable" : "instable");
  }
}

// Phase margin: among the frequencies where the gain is 0 dB, the one whose 180 + phase is
// closest to 0.
void PhaseMargin(TFctTransfert* f) {
  std::vector<TFctTransfert::TCroise> c;
  if (!f->CroisementsModule(0, &c)) {
    std::printf("Marge de phase indéterminée\n");
    return;
  }
  double mp = NAN;
  for (const auto& x : c) {
    const double m = kRadToDeg * x.y.p + 180;
    if (!(std::fabs(m) >= std::fabs(mp))) mp = m;
  }
  if (std::isfinite(mp)) {
    std::printf("Marge de phase: %.2f deg (%s)\n", mp, mp >= 0 ? "stable" : "instable");
  }
}

// Gains where the open-loop phase reaches -135, -130 and -120 degrees.
void GainsAtPhases(TFctTransfert* f) {
  static const struct {
    double phase;
    const char* format;
  } kLines[] = {{-135, "Gain à -135° (mp=45°) : %.2f dB (%G)\n"},
                {-130, "Gain à -130° (mp=50°) : %.2f dB (%G)\n"},
                {-120, "Gain à -120° (mp=60°) : %.2f dB (%G)\n"}};
  // The lowest crossing of each phase.
  for (const auto& line : kLines) {
    std::vector<TFctTransfert::TCroise> c;
    if (!f->CroisementsPhase(line.phase, &c)) continue;
    const double g = dB(c.front().y);
    if (std::isfinite(g)) std::printf(line.format, Shown(g), std::pow(10, g / 20));
  }
}

// True unless every closed-loop pole, root of den + num, has a negative real part (or the
// fraction cannot be built, or is too large to solve).
bool ClosedLoopUnstable(TFctTransfert* f) {
  TQuotPolyH q(f, true);
  if (q.Err != 0 || !q.Num.IsDefined() || !q.Den.IsDefined()) return true;
  // The pairs an expression multiplies and divides by are cancelled, as for the simulation.
  if (f->Expression != nullptr) q.Simplifie(kRootTolerance);
  const TPoly d = q.Den + q.Num;
  std::vector<TComplex> poles;
  if (d.Deg > kMaxStabilityDegree || !PolyRoots(d, poles)) return true;
  for (const TComplex& p : poles)
    if (!(p.Re < 0)) return true;
  return false;
}

// True when 1 + H is identically zero (H = -1): the closed loop has no value at any frequency,
// and what the evaluation gives is rounding.
bool ClosedLoopVanishes(TFctTransfert* f) {
  TQuotPolyH q(f, true);
  return q.Err == 0 && q.Num.IsDefined() && q.Den.IsDefined() && (q.Den + q.Num).IsZero();
}

// Nyquist criterion: P open-loop poles on the right, N clockwise turns round -1 of the image of
// the contour, Z = N + P closed-loop poles on the right. Z is also counted from the roots of
// den + num: where the two disagree, the roots are trusted and the line says so.
void NyquistLine(TFctTransfert* f) {
  TNyquistCriterion c;
  NyquistCriterionOf(f, &c);
  if (!c.rationnel) {
    std::printf("Critère de Nyquist : indéterminé (fonction non rationnelle)\n");
  } else if (!c.ok) {
    std::printf("Critère de Nyquist : indéterminé\n");
  } else if (c.parMoinsUn) {
    std::printf("Critère de Nyquist : le lieu passe par -1\n");
  } else {
    std::printf("Critère de Nyquist : P = %d, N = %d, Z = %d\n", c.P, c.N, c.Z);
  }
  if (c.ok && !c.accord && !c.parMoinsUn) {
    std::printf("Critère de Nyquist : les racines de la boucle fermée donnent Z = %d, "
                "c'est ce nombre qui fait foi\n",
                c.ZRacines);
  }
}

// Closed-loop poles shown one a line at most; the others are counted.
constexpr size_t kMaxLignesPoles = 10;
// A root whose imaginary part is below this share of its modulus is real (a double real root
// comes out of the solver split by about 1e-8 of its modulus).
constexpr double kPoleReel = 1e-6;

// "%.4G" of v, with no "-0".
std::string Nombre(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%.4G", v == 0 ? 0.0 : v);
  return b;
}

// The stable gains as "a < k < b" ranges joined by " et ".
std::string TexteStabilite(const std::vector<TLieuEvans::TIntervalle>& v) {
  if (v.empty()) return "aucun";
  std::string t;
  for (const auto& i : v) {
    if (!t.empty()) t += " et ";
    const bool haut = std::isfinite(i.kmax);
    if (i.kmin == 0) {
      t += haut ? "0 < k < " + Nombre(i.kmax) : std::string("tout k > 0");
    } else {
      t += haut ? Nombre(i.kmin) + " < k < " + Nombre(i.kmax) : "k > " + Nombre(i.kmin);
    }
  }
  return t;
}

// One line per real pole or complex pair of the closed loop, the slowest (largest real part)
// first: time constant of a stable real pole, damping and natural frequency of a pair.
void LignesPoles(const std::vector<TComplex>& racines) {
  std::vector<TComplex> p;  // real poles, and the upper pole of each pair
  for (const TComplex& r : racines) {
    if (std::fabs(r.Im) <= kPoleReel * r.Module()) {
      p.emplace_back(r.Re, 0.0);
    } else if (r.Im > 0) {
      p.push_back(r);
    }
  }
  std::stable_sort(p.begin(), p.end(), [](const TComplex& a, const TComplex& b) {
    return a.Re != b.Re ? a.Re > b.Re : a.Im < b.Im;
  });
  size_t montres = 0;
  for (size_t i = 0; i < p.size() && i < kMaxLignesPoles; ++i) {
    const TComplex& s = p[i];
    std::string t = Nombre(s.Re);
    if (s.Im != 0) {
      const double wn = s.Module();
      t += " ± " + Nombre(s.Im) + "j (amortissement " + Nombre(-s.Re / wn) +
           ", pulsation propre " + Nombre(wn) + " rad/s)";
      montres += 2;
    } else {
      if (s.Re < 0) t += " (constante de temps " + Nombre(-1 / s.Re) + " s)";
      if (s.Re > 0) t += " (instable)";
      montres += 1;
    }
    std::printf("Pôles : %s\n", t.c_str());
  }
  if (montres < racines.size()) std::printf("... (%d autres pôles)\n", static_cast<int>(racines.size() - montres));
}

// The gains k of the loop D + k N for which it is stable, and its poles at k = 1 (the roots of
// den + num the stability check above uses).
void EvansBlock(TFctTransfert* f) {
  TQuotPolyH q(f, true);
  if (q.Err != 0 || !q.Num.IsDefined() || !q.Den.IsDefined()) return;
  if (f->Expression != nullptr) q.Simplifie(kRootTolerance);
  TLieuEvans lieu;
  if (!lieu.Calcule(q.Num, q.Den)) return;
  std::printf("Domaine de stabilité en gain : %s\n", TexteStabilite(lieu.Stabilite).c_str());
  const TPoly d = q.Den + q.Num;
  std::vector<TComplex> poles;
  if (d.Deg > kMaxStabilityDegree || !PolyRoots(d, poles)) return;
  LignesPoles(poles);
}

}  // namespace

bool TempsReponseDep(double pc, TFctTransfert* f, double* tr, TPerfTemp* p) {
  TComplexP y0, y1;
  if (!f->Value(kStaticW, &y0)) return false;
  if (!std::isfinite(y0.m)) return false;  // no final value to print
  if (!f->Value(kSlopeW, &y1)) return false;
  if (std::fabs(dB(y0) - dB(y1)) >= kInfiniteGainDb) return false;  // no finite final value
  if (f->ModeBF && ClosedLoopUnstable(f)) return false;

  TrTemp chart;
  std::unique_ptr<SimTemp> sim(chart.TempFromH(f));
  // An improper function gives an inactive simulator, whose time never advances: no response.
  if (!sim || sim->A == nullptr) return false;
  sim->SetFctU(SimTemp::S_Echelon);
  const double tm = Param.EdTFin;
  sim->Dt = Param.EdDt;
  // A step that cannot advance the time up to the end would never finish.
  if (!(sim->Dt > 0) || !(tm + sim->Dt > tm)) return false;
  if (f->ModeBF) {
    sim->ModeBF();
  } else {
    sim->ModeBO();
  }
  // A coarser step may switch a stiff loop to exact steps, whose cost differs: one more look.
  for (int pass = 0; pass < 2; ++pass) {
    const double cost = sim->StepCost();
    if (tm / sim->Dt * cost > kMaxWork) sim->Dt = tm * cost / kMaxWork;
  }

  p->yfin = y0.m;
  const double ym = (1 + pc / 100) * p->yfin, yn = (1 - pc / 100) * p->yfin;
  const double ym5 = 1.05 * p->yfin, yn5 = 0.95 * p->yfin;
  *tr = 0;  // a response that never leaves the band settles at once
  p->tr5 = 0;
  p->dep = -1e38;
  p->tdep = 0;
  // The samples come by blocks; each block goes on while the time is below the end.
  constexpr size_t kBlock = 1024;
  double ys[kBlock], ts[kBlock];
  double t = 0;
  do {
    const size_t k = sim->NextYs(tm, ys, ts, kBlock);
    for (size_t j = 0; j < k; ++j) {
      const double y = ys[j];
      t = ts[j];
      // Written so that a sample that is not finite counts as outside both bands.
      if (!(y <= ym && y >= yn)) *tr = t;
      if (!(y <= ym5 && y >= yn5)) p->tr5 = t;
      if (y > p->dep) {
        p->dep = y;
        p->tdep = t;
      }
    }
  } while (t < tm);
  return tm > *tr;
}

void AffProp(TFctTransfert* f) {
  if (f == nullptr) return;
  std::printf("Fonction de transfert  %s\n", f->Nom != nullptr ? f->Nom : "");
  f->ModeBF = false;
  f->InitValue(false);  // a chart drawn before leaves no unwrapping offset behind
  std::printf("\nBoucle ouverte :\n");
  TComplexP y0;
  // The static phase is the one the poles and zeros give, whatever the form of the function.
  if (!f->ValueStruct(kStaticW, &y0)) return;
  StaticBlock(f, y0);
  GainMargin(f);
  PhaseMargin(f);
  MaxGainBlock(f);
  GainsAtPhases(f);
  NyquistLine(f);

  f->ModeBF = true;
  f->InitValue(false);
  std::printf("\n*************************\n");
  std::printf("Boucle fermée :\n");
  if (ClosedLoopVanishes(f)) return;
  if (f->Value(kStaticW, &y0)) StaticBlock(f, y0);
  MaxGainBlock(f);
  // A function with a delay has no finite set of closed-loop poles: when functions carry a
  // delay, these lines are left out for it.
  EvansBlock(f);
}
