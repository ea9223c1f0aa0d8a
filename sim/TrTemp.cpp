// Time-response chart: its settings, the conversion of a transfer function into a simulator
// of its open-loop rational fraction, the ranges, axes and curves of the chart.
#include "sim/TrTemp.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "charts/Annotations.h"
#include "charts/Axes.h"
#include "charts/TableCsv.h"
#include "charts/Travaux.h"
#include "expr/ItMath.h"
#include "expr/Poly.h"
#include "expr/PolyItMath.h"
#include "model/FctTransfert.h"
#include "model/Param.h"

namespace {

constexpr int kErrDivisionByZero = 3;  // "Division par zéro"
// Relative distance under which a root of the numerator and one of the denominator are taken as
// the same: well above the rounding of the roots of a double root (about 1e-8).
constexpr double kToleranceRacines = 1e-6;

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
  RetardNonRationnel = false;
  if (Err != 0) return nullptr;
  if (q.RetardMixte || q.Retard < 0) {
    RetardNonRationnel = true;
    return nullptr;
  }
  if (q.Num.Coef == nullptr || q.Den.Coef == nullptr) {
    Err = kErrDivisionByZero;
    return nullptr;
  }
  // An expression can multiply and divide by the same factor (U/(1+U) keeps the poles of U
  // above and below): such pairs are cancelled, else rounding would excite the root they share.
  if (h->Expression != nullptr) q.Simplifie(kToleranceRacines);
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
  SimTemp* sim = new SimTemp(a.data(), static_cast<short>(nba), b.data(), static_cast<short>(nbb));
  sim->Retard = q.Retard;
  return sim;
}

namespace {

// Input choice of the settings (impulse 0, step 1, ramp 2, parabola 3) as the simulator's input
// code.
int CodeEntree() {
  switch (Param.RBInput) {
    case RBImpulsion:
      return SimTemp::S_Impulsion;
    case RBRampe:
      return SimTemp::S_Rampe;
    case RBParabole:
      return SimTemp::S_Parabole;
    default:
      return SimTemp::S_Echelon;
  }
}

// Points of the input drawn in a row, handed to DRAWS at once.
constexpr size_t kBlockEntree = 256;

// Draws the input signal walked by sim from the origin: each time after a step is paired with
// the input value before it. An input above the frame (the impulse, 1/Dt high for one step) is
// cut at the frame's top, where an arrow head says it goes on upward.
// The points drawn are noted in leg when it is not null.
void CourbeEntree(TR_INFO* G, SimTemp* sim, double Tn, double Tm, TLegende* leg) {
  Plume(G, Param.CBCouleurs, Param.ColorInput, Param.EpCourbe);
  if (Param.CBPointill) Tirets(G, 0.3, 0.1, Param.EpCourbe);
  double wx0, wx1, wy0, wy1;
  G->GET_WINDOW(&wx0, &wx1, &wy0, &wy1);
  bool dessus = false;  // the input went above the frame
  double t_dessus = 0;
  G->MOVE(Tn, 0);
  bool down = true;
  double tp = Tn, up = 0;  // the point drawn last
  if (leg != nullptr) {
    const double zero = 0;
    leg->Courbe(-1, 0);
    leg->Note(G, &Tn, &zero, 1);
  }
  // The points drawn in a row go to DRAWS by blocks (the same moves as DRAW to each), unless
  // the legend notes each as it is drawn.
  double bt[kBlockEntree], bu[kBlockEntree];
  size_t nb = 0;
  auto vide = [&] {
    if (nb > 0) G->DRAWS(nb, bt, bu);
    nb = 0;
  };
  do {
    double u = sim->ValU();
    sim->NextT();
    if (leg != nullptr) leg->Note(G, &sim->T, &u, 1);
    if (!std::isfinite(u)) {
      down = false;
      continue;
    }
    if (u > wy1 && !dessus) {  // where the line crosses the frame's top
      dessus = true;
      t_dessus = down && up < wy1 ? tp + (wy1 - up) / (u - up) * (sim->T - tp) : sim->T;
    }
    tp = sim->T;
    up = u;
    if (down && leg == nullptr) {
      bt[nb] = sim->T;
      bu[nb] = u;
      if (++nb == kBlockEntree) vide();
    } else if (down) {
      G->DRAW(sim->T, u);
    } else {
      vide();
      G->MOVE(sim->T, u);
      down = true;
    }
  } while (Tm > sim->T);
  vide();
  if (!dessus || !(t_dessus >= wx0 && t_dessus <= wx1)) return;
  // The arrow head: 0.4 cm long, 0.3 cm wide, its tip on the frame's top.
  double vx0, vx1, vy0, vy1;
  G->GET_VWPORTA(&vx0, &vx1, &vy0, &vy1);
  const double kx = (wx1 - wx0) / (vx1 - vx0), ky = (wy1 - wy0) / (vy1 - vy0);
  G->SETLIN(0, 1);
  G->MOVE(t_dessus - 0.15 * kx, wy1 - 0.4 * ky);
  G->DRAW(t_dessus, wy1);
  G->DRAW(t_dessus + 0.15 * kx, wy1 - 0.4 * ky);
}

// Samples of one curve are drawn by blocks; values that are not finite lift the pen.
constexpr size_t kBlock = 1024;
// Below this many steps in all, a second thread costs more than it saves.
constexpr double kPasEnParallele = 2e5;

// Most memory the range pass keeps for the samples of a chart, in doubles (64 MB).
constexpr size_t kEchantillonsMax = (64u << 20) / sizeof(double);

// A loop whose step costs at most this much (SimTemp::StepCost: the Runge-Kutta loops of orders
// up to 8, without delay) steps about as fast as its samples are drawn, twice as fast paired
// with the other loop: when the samples of a chart exceed its memory bound, its samples are
// not kept by the range pass but made again, on the second core, while the chart draws the
// function before.
constexpr double kCoutRepris = 6;

// Widens [*a, *b] (*a <= *b) to the finite values of ys[0 .. k), the first met of equal values
// kept (-0 or +0). Out of line, so that the bounds stay in registers: each on its own (a value
// above *b is not below *a), two short chains.
__attribute__((noinline)) void Bornes(const double* ys, size_t k, double* a, double* b) {
  double lo = *a, hi = *b;
  for (size_t n = 0; n < k; ++n) {
    const double y = ys[n];
    if (!std::isfinite(y)) continue;
    hi = y > hi ? y : hi;
    lo = y < lo ? y : lo;
  }
  *a = lo;
  *b = hi;
}

// Samples of one curve, written in place by the stepping: its room grows without being filled
// first, and stays from one function to the next.
struct TSuite {
  std::unique_ptr<double[]> v;
  size_t n = 0, place = 0;
  // Where the next k samples go.
  double* Room(size_t k) {
    if (n + k > place) {
      const size_t p = std::max(2 * place, n + k);
      std::unique_ptr<double[]> w(new double[p]);
      if (n > 0) std::copy(v.get(), v.get() + n, w.get());
      v = std::move(w);
      place = p;
    }
    return v.get() + n;
  }
};

// Steps the loops of sim that are asked for (bo, bf) from the origin until Tm, into ys and ts
// (emptied first; one array of times a loop, or only ts[0] when both loops stepped together).
// attendus: the number of samples expected. Returns true when both loops were stepped together.
bool Pas(SimTemp* st, int code, double Tm, bool bo, bool bf, double attendus, TSuite ys[2],
         TSuite ts[2]) {
  const size_t place = static_cast<size_t>(attendus) + kBlock;
  for (int l = 0; l < 2; ++l) {
    ys[l].n = ts[l].n = 0;
    if (l == 0 ? bo : bf) ys[l].Room(place);
  }
  ts[0].Room(place);
  if (bo && bf && st->A != nullptr) {
    // The same pairing as the range pass: the same values as either loop alone.
    SimTemp sbf(st->A0, st->NbA, st->B0, st->NbB);
    sbf.SetFctU(code);
    sbf.Dt = st->Dt;
    st->Init();
    st->ModeBO();
    sbf.ModeBF();
    auto paire = [&] {
      const size_t k = SimTemp::NextYsPaire(st, &sbf, Tm, ys[0].Room(kBlock), ys[1].Room(kBlock),
                                            ts[0].Room(kBlock), kBlock);
      ys[0].n += k;
      ys[1].n += k;
      ts[0].n += k;
      return k;
    };
    if (paire() > 0) {
      while (Tm > st->T && paire() > 0) {
      }
      return true;
    }
  }
  for (int l = 0; l < 2; ++l) {
    if (l == 0 ? !bo : !bf) continue;
    ts[l].Room(place);
    st->Init();
    if (l == 0)
      st->ModeBO();
    else
      st->ModeBF();
    while (Tm > st->T) {
      const size_t k = st->NextYs(Tm, ys[l].Room(kBlock), ts[l].Room(kBlock), kBlock);
      ys[l].n += k;
      ts[l].n += k;
    }
  }
  return false;
}

// Draws the samples the range pass kept, from the origin; they are noted in leg when it is not
// null. The first prets samples are drawn from the moves TR_INFO::PrepareDraws made of them in
// frame cadre (pas), the others as they come.
void CourbeGardee(TR_INFO* G, const double* ys, const double* ts, size_t n, double Tn,
                  TLegende* leg, const TR_INFO::DrawsFrame* cadre = nullptr,
                  const TR_INFO::DrawsStep* pas = nullptr, size_t prets = 0) {
  G->MOVE(Tn, 0);
  bool down = true;
  if (prets > 0) G->DRAWS(prets, ts, ys, *cadre, pas);
  TraceFinis(G, ts + prets, ys + prets, n - prets, &down);
  if (leg != nullptr) {
    const double zero = 0;
    leg->Note(G, &Tn, &zero, 1);
    leg->Note(G, ts, ys, n);
  }
}

}  // namespace

double TrTemp::carrondi(double x, const double* t, size_t szt) {
  return ArrondiNet(x, t, szt, true);
}

bool TrTemp::Calcule(size_t garde, bool repris) {
  Tn = 0;
  if (!(Tm > 0) || !std::isfinite(Tm)) Tm = 1;
  if (!(Dt >= Tm / 100000)) Dt = Tm / 100000;
  Yn = Ym = 0;
  bool started = false;
  const int code = CodeEntree();

  // The value range covers the input (unless it is the impulse) and every curve to be drawn;
  // values that are not finite are left out so that the axis stays finite.
  if (Param.RBInput != RBImpulsion && Param.CBShowInput) {
    SimTemp in;
    in.SetFctU(code);
    in.Dt = Dt;
    do {
      double u = in.ValU();
      in.NextT();
      if (u > Ym) {
        Ym = u;
      } else if (u < Yn) {
        Yn = u;
      }
    } while (in.T < Tm);
    started = true;
  }
  // The samples are kept for the drawing while they fit in the memory bound (counted from the
  // expected number of samples, in the registry's order); the curves past it are simulated
  // again when drawn. The simulators are built first, in order, since building one can print
  // an error that ends the chart; then they run, on a second core where there is one: each
  // keeps the extent of its own values, and the extents join in the registry's order, which
  // gives the extent one pass would have found.
  echantillons_.assign(2 * static_cast<size_t>(Param.GetNbFctTransfert()), {});
  temps_.clear();
  struct TSimulation {
    unsigned i;
    std::unique_ptr<SimTemp> st;
    bool repris = false;             // stepped again when drawn rather than kept
    bool garde[2] = {false, false};  // samples kept, open and closed loop
    bool temps[2] = {false, false};  // the sample times kept with them
    bool started = false;
    double yn = 0, ym = 0;
  };
  std::vector<TSimulation> sims;
  for (unsigned i = 0; i < Param.GetNbFctTransfert(); ++i) {
    TFctTransfert* h = Param.GetFctTransfert(i);
    if (h == nullptr || !h->Checked) continue;
    h->ModeBF = false;
    std::unique_ptr<SimTemp> st(TempFromH(h));
    if (Err != 0) {
      std::printf("Erreur : %s (%s)\n", TItMath::ErrMsg(Err), h->Nom != nullptr ? h->Nom : "");
      echantillons_.clear();
      temps_.clear();
      return false;
    }
    if (RetardNonRationnel) {
      std::printf("Erreur : Retard non rationnel dans l'expression (%s)\n",
                  h->Nom != nullptr ? h->Nom : "");
    }
    if (!st) continue;
    st->SetFctU(code);
    st->Dt = Dt;
    const bool cheap = repris && st->StepCost() <= kCoutRepris;
    sims.push_back({i, std::move(st), cheap});
  }
  const double attendus = Tm / Dt + 2;
  // Loops are stepped again only when the samples of all would not fit: stepping costs more
  // processor time than keeping samples does.
  // The sample times, then every curve.
  const double tous = attendus * (1 + static_cast<double>(sims.size()) * (Param.CBBO + Param.CBBF));
  if (tous <= static_cast<double>(garde))
    for (TSimulation& s : sims) s.repris = false;
  double gardes = 0;
  bool avecTemps = false;
  for (TSimulation& s : sims) {
    if (s.repris) continue;
    for (int bf = 0; bf < 2; ++bf) {
      if (bf == 0 ? !Param.CBBO : !Param.CBBF) continue;
      s.garde[bf] = gardes + 2 * attendus <= static_cast<double>(garde);
      if (!s.garde[bf]) continue;
      gardes += attendus;
      if (!avecTemps) {
        s.temps[bf] = avecTemps = true;
        gardes += attendus;
      }
    }
  }
  // Extent of the finite values met, in the order met.
  struct TEtendue {
    bool started = false;
    double yn = 0, ym = 0;
    void Ajoute(const double* ys, size_t k) {
      size_t n = 0;
      for (; n < k && !started; ++n) {
        if (!std::isfinite(ys[n])) continue;
        yn = ym = ys[n];
        started = true;
      }
      Bornes(ys + n, k - n, &yn, &ym);
    }
  };
  auto simule = [this, &sims, attendus, code](size_t j) {
    TSimulation& s = sims[j];
    double ys[kBlock], ts[kBlock];
    TEtendue e;
    e.started = s.started;
    e.yn = s.yn;
    e.ym = s.ym;
    SimTemp* st = s.st.get();
    auto garde = [&](int bf, const double* y, size_t k) {
      if (s.garde[bf]) {
        std::vector<double>& dest = echantillons_[2 * static_cast<size_t>(s.i) + bf];
        // Room for the whole curve at once: growing by copies would move it some twenty times.
        if (dest.empty()) dest.reserve(static_cast<size_t>(attendus));
        dest.insert(dest.end(), y, y + k);
      }
      if (s.temps[bf]) {
        if (temps_.empty()) temps_.reserve(static_cast<size_t>(attendus));
        temps_.insert(temps_.end(), ts, ts + k);
      }
    };
    bool fait = false;
    if (Param.CBBO && Param.CBBF && st->A != nullptr) {
      // Both loops side by side, when the two simulators can step together; the closed loop's
      // extent is met after the open loop's, as when they run one after the other.
      SimTemp bf(st->A0, st->NbA, st->B0, st->NbB);
      bf.SetFctU(code);
      bf.Dt = st->Dt;
      st->Init();
      st->ModeBO();
      bf.ModeBF();
      double ysf[kBlock];
      TEtendue ef;
      size_t k = SimTemp::NextYsPaire(st, &bf, Tm, ys, ysf, ts, kBlock);
      fait = k > 0;
      while (k > 0) {
        e.Ajoute(ys, k);
        ef.Ajoute(ysf, k);
        garde(0, ys, k);
        garde(1, ysf, k);
        k = Tm > st->T ? SimTemp::NextYsPaire(st, &bf, Tm, ys, ysf, ts, kBlock) : 0;
      }
      if (ef.started) {
        if (!e.started) {
          e = ef;
        } else {
          if (ef.ym > e.ym) e.ym = ef.ym;
          if (ef.yn < e.yn) e.yn = ef.yn;
        }
      }
    }
    for (int bf = 0; bf < 2 && !fait; ++bf) {
      if (bf == 0 ? !Param.CBBO : !Param.CBBF) continue;
      st->Init();
      if (bf == 0)
        st->ModeBO();
      else
        st->ModeBF();
      while (Tm > st->T) {
        const size_t k = st->NextYs(Tm, ys, ts, kBlock);
        e.Ajoute(ys, k);
        garde(bf, ys, k);
      }
    }
    s.started = e.started;
    s.yn = e.yn;
    s.ym = e.ym;
    s.st.reset();  // a large simulator's matrices go as soon as its curves are done
  };
  const double pas = attendus * static_cast<double>(sims.size()) * (Param.CBBO + Param.CBBF);
  TTravaux travaux(sims.size(), simule, pas >= kPasEnParallele);
  for (size_t j = 0; j < sims.size(); ++j) {
    travaux.Attend(j);
    const TSimulation& s = sims[j];
    if (!s.started) continue;
    if (!started) {
      Yn = s.yn;
      Ym = s.ym;
      started = true;
      continue;
    }
    if (s.ym > Ym) Ym = s.ym;
    if (s.yn < Yn) Yn = s.yn;
  }
  if (Yn >= Ym) {
    if (std::fabs(Yn) <= 1e-100) {
      Yn = -0.1;
      Ym = 0.1;
    } else {
      Yn -= 0.1 * std::fabs(Yn);
      Ym += 0.1 * std::fabs(Ym);
    }
  }
  return true;
}

void TrTemp::Trace(TMDGraph* G) {
  if (G == nullptr || G->Gr == nullptr || !Init) return;
  TR_INFO* gr = G->Gr;
  // Beyond the memory bound, the loops cheap to step are stepped again as they are drawn (on
  // the second core where there is one) and the others kept while they fit.
  if (!Calcule(kEchantillonsMax, true)) return;
  Etiquettes.Vide();
  if (G->Type == GrPS) gr->BOUNDS(0, 19, 0, 28);
  if (gr->TRINIT() != 0) {
    std::printf("Le fichier %s ne peut être ouvert !\n",
                gr->NomFichier != nullptr ? gr->NomFichier : "");
    return;
  }
  if (G->Type == GrScr)
    gr->SETMUL(0.5);
  else if (G->Type != GrPS)
    gr->BOUNDS(0, 19, 0, 28);
  double xn, yn;
  gr->GET_BOUNDS(&xn, &txm, &yn, &tym);
  gr->VWPORTA(2, txm - 1, 1, tym - 0.5);
  Temporel(gr);
  CloseErr = gr->TRCLOSE();
  echantillons_.clear();
  temps_.clear();
}

bool TrTemp::Table(TTableCsv* t) {
  if (!Calcule(SIZE_MAX, false)) return false;
  const int code = CodeEntree();
  // The sample times of the curves; with no curve, the times an input-only walk meets, which
  // are the ones every simulator steps through.
  if (temps_.empty()) {
    SimTemp in;
    in.SetFctU(code);
    in.Dt = Dt;
    do {
      in.NextT();
      temps_.push_back(in.T);
    } while (Tm > in.T);
  }
  std::vector<double> entree(temps_.size());
  SimTemp in;
  in.SetFctU(code);
  for (size_t k = 0; k < temps_.size(); ++k) {
    in.T = temps_[k];
    entree[k] = in.ValU();
  }
  t->Colonne("t_s", temps_.data(), temps_.size());
  t->Colonne("entree", std::move(entree));
  for (unsigned i = 0; i < Param.GetNbFctTransfert(); ++i) {
    const TFctTransfert* h = Param.GetFctTransfert(i);
    if (h == nullptr || !h->Checked) continue;
    const std::string nom = h->Nom != nullptr ? h->Nom : "";
    for (int bf = 0; bf < 2; ++bf) {
      if (bf == 0 ? !Param.CBBO : !Param.CBBF) continue;
      const size_t k = 2 * static_cast<size_t>(i) + bf;
      if (k >= echantillons_.size() || echantillons_[k].size() != temps_.size()) continue;
      t->Colonne(bf == 1 ? nom + "_BF" : nom, echantillons_[k].data(), echantillons_[k].size());
    }
  }
  return true;
}

bool TrTemp::Temporel(TR_INFO* G) {
  const bool col = Param.CBCouleurs;
  auto pen1 = [&] { Plume(G, col, Param.ColorTemp1, Param.EpTemp1); };
  auto pen2 = [&] { Plume(G, col, Param.ColorTemp2, Param.EpTemp2); };
  G->SETPRT(0);
  G->CADDEFTXTA(0.35, 0, 0);
  G->CADPOSTXT(0.5, 1.5, 0);
  if (!col) G->PLUME(1);

  // Time axis: a full line and a label every dT, minor ticks on both edges.
  const double top = tym - 0.5;
  G->WINDOW(Tn, Tm, 1, top);
  const double dT = carrondi(1.2 * Tm / (txm - 3));
  double xa, xb, dummy;
  G->MOVE(0, tym);
  G->GET_POSA(&xa, &dummy);
  G->MOVE(dT, tym);
  G->GET_POSA(&xb, &dummy);
  const int w = xb - xa >= 0.8 ? 1 : 2;
  auto ticks = [&](double t, double y) {
    for (int j = w; j <= 9; j += w) {
      double tt = t + j * dT / 10;
      if (tt > Tm) break;
      G->MOVE(tt, y);
      G->YRDRAW(0.15);
    }
  };
  if (dT > 0 && std::isfinite(dT)) {
    for (int i = 0; i < 10000; ++i) {
      const double t = i * dT;
      if (t > Tm) break;
      pen2();
      ticks(t, top);
      pen1();
      G->MOVE(t, top + 0.15);
      G->YDRAW(0.85);
      EtiquetteValeur(G, t, dT, "", &Etiquettes);
      pen2();
      ticks(t, 1);
    }
  }

  TraceAxeValeurs(G, txm, tym, Yn, Ym, "",
                  {col, Param.ColorTemp1, Param.EpTemp1, Param.ColorTemp2, Param.EpTemp2}, true,
                  &Etiquettes);

  if (!Param.CBBO && !Param.CBBF) return true;
  G->WINDOW(Tn, Tm, Yn, Ym);
  G->SETPRT(1);  // the curves and the input stay inside the frame
  // The legend names the input and every curve in the order they are drawn: open loop solid,
  // closed loop dashed.
  TLegende legende;
  TLegende* leg = Param.CBLegende ? &legende : nullptr;
  if (leg != nullptr) legende.Prepare(G);
  const int code = CodeEntree();
  {
    SimTemp in;
    in.SetFctU(code);
    in.Dt = Dt;
    if (Param.CBShowInput) {
      CourbeEntree(G, &in, Tn, Tm, leg);
      if (leg != nullptr)
        leg->Ajoute({"Entr\xe9" "e", Param.ColorInput, Param.EpCourbe,
                     Param.CBPointill ? 0.3 : 0, 0.1});
    }
  }
  // Functions drawn in the same pen carry markers, which the legend shows.
  std::vector<int> marques(Param.GetNbFctTransfert(), -1);
  if (leg != nullptr) {
    std::vector<int> plumes;
    std::vector<unsigned> qui;
    for (unsigned i = 0; i < Param.GetNbFctTransfert(); ++i) {
      const TFctTransfert* h = Param.GetFctTransfert(i);
      if (h == nullptr || !h->Checked) continue;
      plumes.push_back(col ? PlumeCourbe(h) : 1);
      qui.push_back(i);
    }
    const std::vector<int> m = TLegende::Marques(plumes);
    for (size_t k = 0; k < qui.size(); ++k) marques[qui[k]] = m[k];
  }
  // A curve kept by the range pass of Trace is drawn from its samples; the others are stepped
  // again, a function at a time, on the second core where there is one and a function ahead of
  // the drawing, into two buffers in turn.
  auto gardee = [&](unsigned i, int bf) -> const std::vector<double>* {
    const size_t k = 2 * static_cast<size_t>(i) + bf;
    if (k >= echantillons_.size() || echantillons_[k].empty()) return nullptr;
    if (echantillons_[k].size() != temps_.size()) return nullptr;
    return &echantillons_[k];
  };
  struct TFonction {
    TFctTransfert* h;
    const std::vector<double>* garde[2];
    std::unique_ptr<SimTemp> st;  // for the loops not kept; null when both were
    int marque;                   // marker of its curves (-1: none)
  };
  std::vector<TFonction> fonctions;
  std::vector<size_t> aFaire;  // the functions with a loop to step, in order
  for (unsigned i = 0; i < Param.GetNbFctTransfert(); ++i) {
    TFctTransfert* h = Param.GetFctTransfert(i);
    if (h == nullptr || !h->Checked) continue;
    h->ModeBF = false;
    TFonction f{h, {Param.CBBO ? gardee(i, 0) : nullptr, Param.CBBF ? gardee(i, 1) : nullptr}, {},
                marques[i]};
    // The simulator is built only for what was not kept (or to tell a function to skip).
    const bool tout = (!Param.CBBO || f.garde[0] != nullptr) && (!Param.CBBF || f.garde[1] != nullptr);
    if (!tout) {
      f.st.reset(TempFromH(h));
      if (!f.st) continue;
      f.st->SetFctU(code);
      f.st->Dt = Dt;
      aFaire.push_back(fonctions.size());
    }
    fonctions.push_back(std::move(f));
  }
  struct TTampon {
    TSuite ys[2], ts[2];
    bool paire = false;  // both loops stepped together: ts[0] holds the times of both
  };
  TTampon tampons[2];
  const double attendus = Tm / Dt + 2;
  auto pas = [&](size_t j) {
    TFonction& f = fonctions[aFaire[j]];
    TTampon& t = tampons[j % 2];
    t.paire = Pas(f.st.get(), code, Tm, Param.CBBO && f.garde[0] == nullptr,
                  Param.CBBF && f.garde[1] == nullptr, attendus, t.ys, t.ts);
  };
  const double nbPas = attendus * static_cast<double>(aFaire.size()) * (Param.CBBO + Param.CBBF);
  TTravaux travaux(aFaire.size(), pas, nbPas >= kPasEnParallele, 2);
  // When every curve was kept, the second core has nothing to step: it converts the samples of
  // the next curve to device moves (TR_INFO::PrepareDraws) while this one draws the curve
  // before, which leaves here only what goes on from one point to the next, in two buffers in
  // turn.
  std::vector<const double*> gardees;  // the kept curves, in the order they are drawn
  const TR_INFO::DrawsFrame cadre = G->FrameOfDraws();
  if (aFaire.empty() && cadre.valid && temps_.size() > 1) {
    for (const TFonction& f : fonctions)
      for (int bf = 0; bf < 2; ++bf)
        if (f.garde[bf] != nullptr) gardees.push_back(f.garde[bf]->data());
    if (attendus * static_cast<double>(gardees.size()) < kPasEnParallele) gardees.clear();
  }
  std::unique_ptr<TR_INFO::DrawsStep[]> moves[2];
  size_t prets[2] = {0, 0};  // the samples PrepareDraws converted in each buffer
  if (!gardees.empty())
    for (auto& m : moves) m.reset(new TR_INFO::DrawsStep[temps_.size()]);
  auto convertit = [&](size_t c) {
    prets[c % 2] = TR_INFO::PrepareDraws(cadre, temps_.size(), temps_.data(), gardees[c],
                                           moves[c % 2].get());
  };
  TTravaux conversions(gardees.size(), convertit, true, 2);
  size_t c = 0;  // the next kept curve drawn
  // Draws the kept samples ys, from their prepared moves where they were prepared.
  auto dessineGardee = [&](const std::vector<double>* ys) {
    if (c < gardees.size() && gardees[c] == ys->data()) {
      conversions.Attend(c, false);  // the drawing is the longer: no conversion ahead here
      CourbeGardee(G, ys->data(), temps_.data(), temps_.size(), Tn, leg, &cadre,
                   moves[c % 2].get(), prets[c % 2]);
      conversions.Libere(c++);
      return;
    }
    CourbeGardee(G, ys->data(), temps_.data(), temps_.size(), Tn, leg);
  };
  bool first = true;
  int drawn = 0;  // functions drawn so far
  size_t j = 0;   // the next function stepped again
  for (TFonction& f : fonctions) {
    const TTampon* t = nullptr;
    if (f.st) {
      travaux.Attend(j);
      t = &tampons[j % 2];
    }
    G->LINEWIDTH(Param.EpCourbe);
    if (first && Param.CBShowInput) {
      // The input walked from a fresh simulator: the same times and values as st's.
      SimTemp in;
      in.SetFctU(code);
      in.Dt = Dt;
      CourbeEntree(G, &in, Tn, Tm, nullptr);
    }
    first = false;
    if (leg != nullptr) {
      const std::string nom = f.h->Nom != nullptr ? f.h->Nom : "";
      if (Param.CBBO)
        leg->Ajoute({nom + " (BO)", PlumeCourbe(f.h), Param.EpCourbe, 0, 0, f.marque});
      if (Param.CBBF)
        leg->Ajoute({nom + " (BF)", PlumeCourbe(f.h), Param.EpCourbe, Param.CBPointill ? 0.15 : 0,
                     0.15, f.marque});
    }
    const double decalage = 0.8 + 0.6 * drawn++;
    if (col) G->PLUME(PlumeCourbe(f.h));
    if (Param.CBBO) {
      if (Param.CBPointill) G->SETLIN(0, 1);
      if (leg != nullptr) leg->Courbe(f.marque, decalage);
      if (f.garde[0] != nullptr)
        dessineGardee(f.garde[0]);
      else
        CourbeGardee(G, t->ys[0].v.get(), t->ts[0].v.get(), t->ys[0].n, Tn, leg);
      if (leg != nullptr) leg->TraceMarques(G);
    }
    if (Param.CBBF) {
      if (Param.CBPointill) Tirets(G, 0.15, 0.15, Param.EpCourbe);
      if (leg != nullptr) leg->Courbe(f.marque, decalage);
      if (f.garde[1] != nullptr)
        dessineGardee(f.garde[1]);
      else
        CourbeGardee(G, t->ys[1].v.get(), (t->paire ? t->ts[0] : t->ts[1]).v.get(), t->ys[1].n, Tn,
                     leg);
      if (leg != nullptr) leg->TraceMarques(G);
      if (Param.CBPointill) G->SETLIN(0, 1);
    }
    if (f.st) travaux.Libere(j++);
  }
  if (leg != nullptr) {
    legende.NoteEtiquettes(Etiquettes);
    legende.Trace(G, col, &Etiquettes);
  }
  return true;
}
