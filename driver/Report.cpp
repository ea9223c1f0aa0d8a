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
#include "model/Limits.h"
#include "model/Marges.h"
#include "model/Nyquist.h"
#include "model/Param.h"
#include "sim/SimTemp.h"
#include "sim/StepFigures.h"
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

// A figure that rounds to zero at two decimals is shown as 0.00, never as -0.00.
double Shown(double x) { return std::fabs(x) < 0.005 ? 0.0 : x; }
// A figure printed with %G or %.4G: a zero is shown as 0, never as -0.
double Signed(double x) { return x + 0.0; }

// The term k s^n of f at s = 0 (bZero) or at infinity, in its current mode.
bool Term(TFctTransfert* f, bool bZero, TTerme* t) {
  TTerme open;
  if (!OpenLoopTerm(f, bZero, &open)) return false;
  if (!f->ModeBF) {
    *t = open;
    return true;
  }
  return ClosedLoopTerm(open, bZero, t);
}

// The exact value of f at s = 0 in its current mode, when it has neither pole nor zero there.
bool ExactStatic(TFctTransfert* f, double* k) {
  TTerme t;
  if (!Term(f, true, &t) || t.n != 0) return false;
  *k = t.k;
  return true;
}

// The closed loop's step response when it was stepped beside the open loop's: its final value
// and its figures, which the closed-loop lines take when they find the same final value.
struct TReponseBF {
  bool pret = false;
  double yfin = 0;
  double tr = 0;
  TPerfTemp perf{};
  bool ok = false;
};

bool Reponse(double pc, TFctTransfert* f, double* tr, TPerfTemp* p, TReponseBF* bf);

// Rise time from 10 % to 90 % of the final value, and the undershoot of a response that first
// moves the wrong way.
void RiseAndUndershoot(const TPerfTemp& perf) {
  if (std::isfinite(perf.tmontee)) {
    std::printf("Temps de montée (10-90%%) : %.5G s\n", Signed(perf.tmontee));
  }
  if (perf.depneg > kOvershootNoise && std::isfinite(perf.depneg)) {
    std::printf("Dépassement négatif : %g %%\n", perf.depneg * 100);
  }
}

// Static regime, bandwidth and step response of f in its current mode; y0 is its value at
// 1e-10 rad/s. Without a pole or a zero at 0 the gain and the phase are the exact ones at 0;
// otherwise the slope over the decade above 1e-10 rad/s tells the infinite gain.
void StaticBlock(TFctTransfert* f, const TComplexP& y0, TReponseBF* bf) {
  double k;
  double g0, phi0;
  if (ExactStatic(f, &k)) {
    g0 = 20 * std::log10(std::fabs(k));
    phi0 = k < 0 ? -180 : 0;
  } else {
    TComplexP y1;
    if (!f->Value(kSlopeW, &y1)) return;  // no slope: finite or infinite gain is unknown
    const double g1 = dB(y1);
    g0 = dB(y0);
    phi0 = kRadToDeg * y0.p;
    // A figure that is not finite is left out, like one whose search fails.
    if (std::fabs(g0 - g1) >= kInfiniteGainDb) {
      if (std::isfinite(g1 - g0) && std::isfinite(phi0)) {
        std::printf("Régime statique : Gain infini (%.1f dB/dec)  Phase = %.2f deg\n", g1 - g0,
                    Shown(phi0));
      }
      return;
    }
  }
  if (!std::isfinite(g0)) return;
  if (std::isfinite(phi0)) {
    std::printf("Régime statique : Gain = %.2f dB  Phase = %.2f deg\n", Shown(g0), Shown(phi0));
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
  if (!Reponse(pc, f, &tr, &perf, bf)) return;
  std::printf("Temps de réponse a %G%% : %G s\n", pc, tr);
  std::printf("Temps de réponse a 5%% : %G s\n", perf.tr5);
  RiseAndUndershoot(perf);
  std::printf("Valeur finale : %G\n", Signed(perf.yfin));
  const double sens = perf.yfin < 0 ? -1 : 1;
  if ((perf.dep - perf.yfin) * sens > kOvershootNoise * std::fabs(perf.yfin) &&
      std::isfinite(perf.dep)) {
    if (std::fabs(perf.yfin) > 1e-6) {
      std::printf("Dépassement max : %G %% ( = %G @ %Gs)\n", (perf.dep / perf.yfin - 1) * 100,
                  perf.dep, perf.tdep);
    } else {
      std::printf("Dépassement max : %G @ %Gs\n", perf.dep, perf.tdep);
    }
  }
}

// Maximum gain of f in its current mode: a resonance, or the gain at the end of the search
// interval where the modulus is largest. At that end the structure tells whether the modulus
// grows without bound (a pole at 0, more zeros than poles) or tends to a limit, which is then
// the figure when the modulus still changes over the last decade.
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
  double g = dB(y);
  const double g10 = dB(y10);
  if (!std::isfinite(g)) return;
  const bool statique = !(w > 1);
  const char* place = statique ? "en statique" : "en hautes fréquences";
  bool infini = std::fabs(g - g10) > 1;
  TTerme t;
  if (Term(f, statique, &t)) {
    infini = statique ? t.n < 0 : t.n > 0;
    if (t.n == 0 && (statique || std::fabs(g - g10) > 1)) g = 20 * std::log10(std::fabs(t.k));
  }
  if (infini) {
    std::printf("Gain max infini (%s)\n", place);
  } else if (std::isfinite(g)) {
    std::printf("Gain max : %.2f dB %s\n", Shown(g), place);
  }
}

// Gain margin: among the frequencies where the phase is -180 degrees, the one whose margin is
// closest to 0 dB, printed with that frequency.
void GainMargin(TFctTransfert* f) {
  double mg, w;
  switch (MargeGain(f, &mg, &w)) {
    case MargeIndeterminee:
      std::printf("Marge de gain indéterminée\n");
      break;
    case MargeTrouvee:
      std::printf("Marge de gain : %.2f dB (%s)\n", Shown(mg), mg > 0 ? "stable" : "instable");
      std::printf("  Pulsation à -180° : %.4G rad/s\n", w);
      break;
    default:
      break;
  }
}

// Phase margin: among the frequencies where the gain is 0 dB, the one whose 180 + phase is
// closest to 0, printed with that frequency.
void PhaseMargin(TFctTransfert* f) {
  double mp, w;
  switch (MargePhase(f, &mp, &w)) {
    case MargeIndeterminee:
      std::printf("Marge de phase indéterminée\n");
      break;
    case MargeTrouvee:
      std::printf("Marge de phase: %.2f deg (%s)\n", Shown(mp), mp >= 0 ? "stable" : "instable");
      std::printf("  Pulsation de coupure à 0 dB : %.4G rad/s\n", w);
      break;
    default:
      break;
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

// Stability of the closed loop from its poles, the roots of den + num: 1 when every one has a
// negative real part, 0 when one does not, -1 when the fraction cannot be built or is too large
// to solve.
int ClosedLoopStability(TFctTransfert* f) {
  double tau;
  if (!f->RetardGlobal(&tau) || tau != 0) {
    // A delayed closed loop has no polynomial: the turns of its locus round -1 tell.
    TNyquistCriterion c;
    NyquistCriterionOf(f, &c);
    if (!c.ok || c.parMoinsUn) return -1;
    return c.Z == 0 ? 1 : 0;
  }
  TQuotPolyH q(f, true);
  if (q.Err != 0 || !q.Num.IsDefined() || !q.Den.IsDefined()) return -1;
  // The pairs an expression multiplies and divides by are cancelled, as for the simulation.
  if (f->Expression != nullptr) q.Simplifie(kRootTolerance);
  const TPoly d = q.Den + q.Num;
  std::vector<TComplex> poles;
  if (d.Deg > kMaxStabilityDegree || !PolyRoots(d, poles)) return -1;
  for (const TComplex& p : poles)
    if (!(p.Re < 0)) return 0;
  return 1;
}

// True unless the closed loop is known to be stable.
bool ClosedLoopUnstable(TFctTransfert* f) { return ClosedLoopStability(f) != 1; }

// True when 1 + H is identically zero (H = -1): the closed loop has no value at any frequency,
// and what the evaluation gives is rounding.
bool ClosedLoopVanishes(TFctTransfert* f) {
  TQuotPolyH q(f, true);
  return q.Err == 0 && q.Num.IsDefined() && q.Den.IsDefined() && (q.Den + q.Num).IsZero();
}

// Modulus margin: the smallest distance of the open loop to the critical point, as a number and
// in dB, with its frequency.
void ModulusMargin(TFctTransfert* f) {
  double m, w;
  if (!f->ModulusMargin(&m, &w) || !(m > 0)) return;
  std::printf("Marge de module : %.4G (%.2f dB) à %.4G rad/s\n", m, Shown(20 * std::log10(m)), w);
}

// Delay margin: the least extra delay that destabilises a stable closed loop.
void DelayMargin(TFctTransfert* f) {
  double tau;
  if (!f->DelayMargin(&tau) || ClosedLoopUnstable(f)) return;
  std::printf("Marge de retard : %.4G s\n", tau);
}

// Class of the loop (integrators of the open loop) and the steady-state errors of the unity
// feedback loop to a step, a ramp and a parabola, from the error constants Kp, Kv and Ka: an
// input of order r (t^r / r!) leaves no error when the class exceeds r and 1/(1 + Kp), 1/Kv or
// 1/Ka when it is r; below, the constant is 0: the error of a step is 1, of the others
// infinite. The errors are left out when the stability of the closed loop is not known.
void SteadyStateErrors(TFctTransfert* f) {
  TTerme t;
  if (!OpenLoopTerm(f, true, &t)) return;
  const int classe = -t.n;
  std::printf("Classe : %d\n", classe);
  static const char* const kInputs[] = {"statique (échelon)", "de traînage (rampe)",
                                        "en accélération (parabole)"};
  const int stabilite = ClosedLoopStability(f);
  if (stabilite < 0) return;
  for (int r = 0; r < 3; ++r) {
    char valeur[32];
    if (stabilite == 0) {
      std::snprintf(valeur, sizeof valeur, "sans objet (boucle instable)");
    } else if (classe > r) {
      std::snprintf(valeur, sizeof valeur, "0");
    } else if (classe < r) {
      std::snprintf(valeur, sizeof valeur, r == 0 ? "1" : "infinie");
    } else {
      std::snprintf(valeur, sizeof valeur, "%.4G", Signed(r == 0 ? 1 / (1 + t.k) : 1 / t.k));
    }
    std::printf("Erreur %s : %s\n", kInputs[r], valeur);
  }
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
  // A delayed loop's closed loop is no fraction: its gains and poles are not those of D + k N.
  if (q.RetardMixte || q.Retard != 0) return;
  if (f->Expression != nullptr) q.Simplifie(kRootTolerance);
  TLieuEvans lieu;
  if (!lieu.Calcule(q.Num, q.Den)) return;
  std::printf("Domaine de stabilité en gain : %s\n", TexteStabilite(lieu.Stabilite).c_str());
  const TPoly d = q.Den + q.Num;
  std::vector<TComplex> poles;
  if (d.Deg > kMaxStabilityDegree || !PolyRoots(d, poles)) return;
  LignesPoles(poles);
}

// Sets sim up for the step response of the report in f's mode: false when its step cannot
// advance the time up to tm. The open loop of a delayed function is its undelayed response
// shifted by the delay: the shift goes to *decalage. A simulation that would take longer than
// kMaxWork gets a coarser step.
bool Regle(SimTemp* sim, bool boucleFermee, double tm, double* decalage) {
  sim->SetFctU(SimTemp::S_Echelon);
  sim->Dt = Param.EdDt;
  // A step that cannot advance the time up to the end would never finish.
  if (!(sim->Dt > 0) || !(tm + sim->Dt > tm)) return false;
  if (boucleFermee) {
    sim->ModeBF();
  } else {
    sim->ModeBO();
  }
  *decalage = 0;
  if (!boucleFermee && sim->Retard > 0) {
    *decalage = sim->Retard;
    sim->Retard = 0;
  }
  // A coarser step may switch a stiff loop to exact steps, whose cost differs: one more look.
  for (int pass = 0; pass < 2; ++pass) {
    const double cost = sim->StepCost();
    if (tm / sim->Dt * cost > kMaxWork) sim->Dt = tm * cost / kMaxWork;
  }
  return true;
}

// The figures of a measure done at tm; true when the response settled before the end.
bool Resultat(const TStepFigures& m, double yfin, double tm, double* tr, TPerfTemp* p) {
  p->yfin = yfin;
  *tr = m.tr;
  p->tr5 = m.tr5;
  p->dep = m.dep;
  p->tdep = m.tdep;
  p->tmontee = m.t90 - m.t10;
  p->depneg = m.aRebours ? -m.rMin : 0;
  return tm > *tr;
}

// The closed loop's final value, read off the structure, when it is known to be stable and has
// no delay: what its time lines will need, known without evaluating it (nothing printed).
bool BoucleFermeeConnue(TFctTransfert* f, double* yfin) {
  double tau;
  if (!f->RetardGlobal(&tau) || tau != 0) return false;
  TTerme open, t;
  if (!OpenLoopTerm(f, true, &open) || !ClosedLoopTerm(open, true, &t) || t.n != 0) return false;
  if (ClosedLoopStability(f) != 1) return false;
  *yfin = t.k;
  return true;
}

// The samples come by blocks; each block goes on while the time is below the end.
constexpr size_t kBlock = 1024;

// Steps the open loop sim (set up, measured by m) and a closed loop of the same coefficients
// together, when they can step side by side: each lane computes what it would alone, so the
// closed loop's figures, kept in bf, are those its own simulation would give. False, with
// nothing moved, when they cannot.
bool DeuxBoucles(double pc, TFctTransfert* f, SimTemp* sim, double tm, TStepFigures* m,
                 TReponseBF* bf) {
  double yfin;
  if (!BoucleFermeeConnue(f, &yfin)) return false;
  SimTemp s(sim->A0, sim->NbA, sim->B0, sim->NbB);
  double decalage;
  if (!Regle(&s, true, tm, &decalage)) return false;
  TStepFigures mf;
  mf.Init(yfin, pc, kOvershootNoise, 0);
  size_t k = SimTemp::NextYsMesurePaire(sim, &s, tm, m, &mf, kBlock);
  if (k == 0) return false;
  while (m->dernier < tm) {
    k = SimTemp::NextYsMesurePaire(sim, &s, tm, m, &mf, kBlock);
    if (k == 0) {
      // Cannot happen (the two stay alike); the open loop goes on alone.
      while (m->dernier < tm) sim->NextYsMesure(tm, m, kBlock);
      return true;
    }
  }
  bf->pret = true;
  bf->yfin = yfin;
  bf->ok = Resultat(mf, yfin, tm, &bf->tr, &bf->perf);
  return true;
}

// The step response of f in its current mode and its figures (TempsReponseDep). With bf, the
// open loop is stepped beside the closed loop where it can, whose figures bf keeps for the
// closed-loop lines.
bool Reponse(double pc, TFctTransfert* f, double* tr, TPerfTemp* p, TReponseBF* bf) {
  TComplexP y0, y1;
  if (!f->Value(kStaticW, &y0)) return false;
  if (!std::isfinite(y0.m)) return false;  // no final value to print
  if (!f->Value(kSlopeW, &y1)) return false;
  double yfin;
  if (!ExactStatic(f, &yfin)) {
    if (std::fabs(dB(y0) - dB(y1)) >= kInfiniteGainDb) return false;  // no finite final value
    yfin = std::cos(y0.p) < 0 ? -y0.m : y0.m;
  }
  if (f->ModeBF && ClosedLoopUnstable(f)) return false;
  if (f->ModeBF && bf != nullptr && bf->pret && bf->yfin == yfin) {
    *tr = bf->tr;
    *p = bf->perf;
    return bf->ok;
  }

  TrTemp chart;
  std::unique_ptr<SimTemp> sim(chart.TempFromH(f));
  // Told once, with the open loop's lines; the closed loop has no response either.
  if (chart.RetardNonRationnel && !f->ModeBF) {
    std::printf("Erreur : Retard non rationnel dans l'expression (%s)\n",
                f->Nom != nullptr ? f->Nom : "");
  }
  // An improper function gives an inactive simulator, whose time never advances: no response.
  if (!sim || sim->A == nullptr) return false;
  const double tm = Param.EdTFin;
  double decalage;
  if (!Regle(sim.get(), f->ModeBF, tm, &decalage)) return false;
  TStepFigures m;
  m.Init(yfin, pc, kOvershootNoise, decalage);
  if (f->ModeBF || bf == nullptr || decalage > 0 || !DeuxBoucles(pc, f, sim.get(), tm, &m, bf)) {
    do {
      sim->NextYsMesure(tm - decalage, &m, kBlock);
    } while (m.dernier < tm);
  }
  return Resultat(m, yfin, tm, tr, p);
}

}  // namespace

bool TempsReponseDep(double pc, TFctTransfert* f, double* tr, TPerfTemp* p) {
  return Reponse(pc, f, tr, p, nullptr);
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
  // The closed loop's step response, when stepped with the open loop's.
  TReponseBF bf;
  StaticBlock(f, y0, &bf);
  GainMargin(f);
  PhaseMargin(f);
  ModulusMargin(f);
  DelayMargin(f);
  MaxGainBlock(f);
  GainsAtPhases(f);
  NyquistLine(f);

  f->ModeBF = true;
  f->InitValue(false);
  std::printf("\n*************************\n");
  std::printf("Boucle fermée :\n");
  if (ClosedLoopVanishes(f)) return;
  if (f->Value(kStaticW, &y0)) StaticBlock(f, y0, &bf);
  MaxGainBlock(f);
  // A function with a delay has no finite set of closed-loop poles: when functions carry a
  // delay, these lines are left out for it.
  EvansBlock(f);
  SteadyStateErrors(f);
}
