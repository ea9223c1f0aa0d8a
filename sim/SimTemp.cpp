// Time-domain simulator: one block for every array, companion-form state derivative and the
// classical fourth-order Runge-Kutta step.
#include "sim/SimTemp.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <unsupported/Eigen/MatrixFunctions>
#include <vector>
#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include "expr/Poly.h"
#include "expr/Roots.h"
#include "model/Complex.h"
#include "sim/StepFigures.h"

namespace {

constexpr double kImpulseWidth = 1e-6;  // the impulse is a rectangle of area 1
constexpr double kImpulseLevel = 1e6;
// Largest |p| Dt integrated by Runge-Kutta. At 0.25 its error on the step response of a single
// pole stays near 1e-5; beyond, it grows fast (a tenth at 2) and past 2.79 the steps diverge.
constexpr double kPasRaide = 0.25;
// Highest order whose poles are checked: beyond, finding them and the exponential of the
// system would take longer than the simulation itself, and Runge-Kutta is used as it is.
constexpr int kOrdreExactMax = 50;
// Highest order with its own step loop, whose trip counts are known at compile time.
constexpr int kOrdreRegistres = 16;

// While it lives, the processor takes results and operands below the smallest normal double
// (about 2.2e-308) as zero, and restores its previous mode when it goes. A decayed state entry
// would otherwise reach that range after some 700 time constants, where each operation costs
// the processor a hundred cycles and more; the outputs lose only values below 1e-300.
class NoSubnormals {
 public:
#if defined(__SSE__)
  NoSubnormals() : avant_(_mm_getcsr()) { _mm_setcsr(avant_ | kFtzDaz); }
  ~NoSubnormals() { _mm_setcsr(avant_); }

 private:
  static constexpr unsigned kFtzDaz = 0x8040;  // flush to zero (bit 15), denormals are zero (6)
  unsigned avant_;
#else
  NoSubnormals() {}
#endif
  NoSubnormals(const NoSubnormals&) = delete;
  NoSubnormals& operator=(const NoSubnormals&) = delete;
};

}  // namespace

SimTemp::SimTemp() { Init(); }

SimTemp::SimTemp(const double* a, short nba, const double* b, short nbb) {
  NewCoefs(a, nba, b, nbb);
  Init();
}

SimTemp::~SimTemp() { ReleaseBlock(); }

void SimTemp::ReleaseBlock() {
  delete[] A;
  A = B = A0 = B0 = X = F1 = F2 = F3 = F4 = tmpX = nullptr;
}

void SimTemp::NewCoefs(const double* a, short nba, const double* b, short nbb) {
  ReleaseBlock();
  prepared_ = false;
  NbA = nba;
  NbB = nbb;
  if (nba < 0 || nbb < 0 || nbb > nba + 1) return;  // improper: stays inactive
  const size_t na = static_cast<size_t>(nba);
  const size_t nb = static_cast<size_t>(nbb);
  A = new double[8 * na + 2 * nb];
  A0 = A + na;
  X = A0 + na;
  F1 = X + na;
  F2 = F1 + na;
  F3 = F2 + na;
  F4 = F3 + na;
  tmpX = F4 + na;
  B = tmpX + na;
  B0 = B + nb;
  for (size_t i = 0; i < na; ++i) A[i] = A0[i] = a[i];
  for (size_t i = 0; i < nb; ++i) B[i] = B0[i] = b[i];
  Init();
}

void SimTemp::Init() {
  FInit = true;
  T = 0.0;
  passe_.clear();
  curseur_ = 0;
  provisoire_ = false;
  if (A == nullptr) return;
  for (int i = 0; i < NbA; ++i) X[i] = 0.0;
}

void SimTemp::SetFctU(int Fct) {
  // The exact steps of the parabola carry one more input column.
  if ((Fct == S_Parabole) != (TypeSignal == S_Parabole)) prepared_ = false;
  switch (Fct) {
    case S_Rampe:
      FctU = &SimTemp::Rampe;
      TypeSignal = S_Rampe;
      break;
    case S_Impulsion:
      FctU = &SimTemp::Impulsion;
      TypeSignal = S_Impulsion;
      break;
    case S_Parabole:
      FctU = &SimTemp::Parabole;
      TypeSignal = S_Parabole;
      break;
    default:
      FctU = &SimTemp::Echelon;
      TypeSignal = S_Echelon;
      break;
  }
}

double SimTemp::Echelon(double t) { return t < 0.0 ? 0.0 : 1.0; }

double SimTemp::Rampe(double t) { return t < 0.0 ? 0.0 : t; }

double SimTemp::Impulsion(double t) { return t >= 0.0 && t < kImpulseWidth ? kImpulseLevel : 0.0; }

double SimTemp::Parabole(double t) { return t < 0.0 ? 0.0 : 0.5 * t * t; }

double SimTemp::ValU() { return Input(T); }

void SimTemp::ModeBO() {
  boucleFermee_ = false;
  if (A == nullptr) return;
  prepared_ = false;
  for (int i = 0; i < NbA; ++i) A[i] = A0[i];
  for (int i = 0; i < NbB; ++i) B[i] = B0[i];
}

void SimTemp::ModeBF() {
  boucleFermee_ = true;
  if (A == nullptr) return;
  prepared_ = false;
  if (NbB <= NbA) {
    // Strictly proper: D + N keeps the monic leading term.
    for (int i = 0; i < NbA; ++i) A[i] = A0[i] + (i < NbB ? B0[i] : 0.0);
    for (int i = 0; i < NbB; ++i) B[i] = B0[i];
    return;
  }
  // Biproper: D + N has the leading coefficient k, divided out to keep D monic.
  const double k = 1.0 + B0[NbB - 1];
  if (k == 0.0) {
    // N/(D + N) is then improper: like any improper function, its response is held at 0.
    for (int i = 0; i < NbA; ++i) A[i] = A0[i];
    for (int i = 0; i < NbB; ++i) B[i] = 0.0;
    return;
  }
  for (int i = 0; i < NbA; ++i) {
    A[i] = (A0[i] + B0[i]) / k;
    B[i] = B0[i] / k;
  }
  B[NbB - 1] = B0[NbB - 1] / k;
}

void SimTemp::FctF(double* dX, const double* x, double t) {
  const int n = NbA;
  if (n <= 0) return;
  double s = Input(t);
  for (int i = 0; i < n; ++i) s -= A[i] * x[i];
  for (int i = 0; i + 1 < n; ++i) dX[i] = x[i + 1];
  dX[n - 1] = s;
}

double SimTemp::ValDt() {
  if (FInit) return 0.0;
  if (TypeSignal == S_Impulsion && T < kImpulseWidth && T + Dt >= kImpulseWidth) {
    return kImpulseWidth - T;
  }
  return Dt;
}

void SimTemp::NextT() {
  T += ValDt();
  FInit = false;
}

namespace {

// The test inputs, inlined into the step loop.
struct UEchelon {
  double operator()(double t) const { return t < 0.0 ? 0.0 : 1.0; }
};
struct URampe {
  double operator()(double t) const { return t < 0.0 ? 0.0 : t; }
};
struct UImpulsion {
  double operator()(double t) const { return t >= 0.0 && t < kImpulseWidth ? kImpulseLevel : 0.0; }
};
struct UParabole {
  double operator()(double t) const { return t < 0.0 ? 0.0 : 0.5 * t * t; }
};

}  // namespace

namespace {

// The largest double below t, as std::nextafter(t, -infinity) gives it; inline for t > 0.
inline double Precedent(double t) {
  if (!(t > 0.0)) return std::nextafter(t, -std::numeric_limits<double>::infinity());
  uint64_t bits;
  std::memcpy(&bits, &t, sizeof bits);
  --bits;
  std::memcpy(&t, &bits, sizeof t);
  return t;
}

// Lanes of the step loop: one simulator in doubles, or two side by side in the halves of a
// vector register, where each half is computed exactly as the scalar operation computes it.
typedef double Double2 __attribute__((vector_size(16)));
template <class V>
struct TVoies;
template <>
struct TVoies<double> {
  static constexpr int L = 1;
  static double Diffuse(double v) { return v; }
  static double De(const double* v) { return v[0]; }
  static double Voie(double v, int) { return v; }
};
template <>
struct TVoies<Double2> {
  static constexpr int L = 2;
  static Double2 Diffuse(double v) { return Double2{v, v}; }
  static Double2 De(const double* v) { return Double2{v[0], v[1]}; }
  static double Voie(Double2 v, int l) { return v[l]; }
};

// Where the step loops put their outputs: L output arrays (null: not kept) and the times.
template <int L>
struct TTableaux {
  double* const* y;
  double* t;
  template <class V>
  void operator()(size_t k, V v, double tv) const {
    for (int l = 0; l < L; ++l) {
      if (y[l] != nullptr) y[l][k] = TVoies<V>::Voie(v, l);
    }
    if (t != nullptr) t[k] = tv;
  }
};

// Or the measures of L step responses, which read each output as it is made.
template <int L>
struct TMesures {
  TStepFigures* const* m;
  template <class V>
  void operator()(size_t, V v, double tv) const {
    for (int l = 0; l < L; ++l) m[l]->Ajoute(TVoies<V>::Voie(v, l), tv);
  }
};

}  // namespace

double SimTemp::NextY() {
  double y = 0.0;
  NextYs(0.0, &y, nullptr, 1);
  return y;
}

size_t SimTemp::NextYs(double tFin, double* y, double* t, size_t n) {
  if (n == 0) return 0;
  if (A == nullptr) {
    // An inactive simulator still moves in time, so that loops run to their end over a zero
    // output.
    size_t k = 0;
    do {
      NextT();
      if (y != nullptr) y[k] = 0.0;
      if (t != nullptr) t[k] = T;
      ++k;
    } while (k < n && T < tFin);
    return k;
  }
  if (Retard > 0.0) return StepsRetard(tFin, y, t, n);
  if (!prepared_ || !(Dt == dtExact_)) Prepare();
  const NoSubnormals noSubnormals;
  double* const ys[1] = {y};
  const TTableaux<1> sortie{ys, t};
  if (exact_) {
    if (FctU == &SimTemp::Echelon) return StepsExact(tFin, sortie, n, UEchelon(), 0);
    if (FctU == &SimTemp::Rampe) return StepsExact(tFin, sortie, n, URampe(), 1);
    if (FctU == &SimTemp::Impulsion) return StepsExact(tFin, sortie, n, UImpulsion(), 0);
    if (FctU == &SimTemp::Parabole) return StepsExact(tFin, sortie, n, UParabole(), 2);
    return StepsExact(
        tFin, sortie, n, [this](double v) { return Input(v); }, 0);
  }
  SimTemp* const self[1] = {this};
  if (FctU == &SimTemp::Echelon) return StepsOfOrder<double>(self, tFin, sortie, n, UEchelon());
  if (FctU == &SimTemp::Rampe) return StepsOfOrder<double>(self, tFin, sortie, n, URampe());
  if (FctU == &SimTemp::Impulsion)
    return StepsOfOrder<double>(self, tFin, sortie, n, UImpulsion());
  if (FctU == &SimTemp::Parabole) return StepsOfOrder<double>(self, tFin, sortie, n, UParabole());
  return StepsOfOrder<double>(self, tFin, sortie, n, [this](double v) { return Input(v); });
}

size_t SimTemp::NextYsMesure(double tFin, TStepFigures* m, size_t n) {
  if (n == 0) return 0;
  if (A == nullptr || Retard > 0.0 || FctU != &SimTemp::Echelon) {
    // By blocks, read once made.
    constexpr size_t kBloc = 1024;
    double ys[kBloc], ts[kBloc];
    const size_t k = NextYs(tFin, ys, ts, n < kBloc ? n : kBloc);
    for (size_t j = 0; j < k; ++j) m->Ajoute(ys[j], ts[j]);
    return k;
  }
  if (!prepared_ || !(Dt == dtExact_)) Prepare();
  const NoSubnormals noSubnormals;
  TStepFigures* const ms[1] = {m};
  const TMesures<1> sortie{ms};
  if (exact_) return StepsExact(tFin, sortie, n, UEchelon(), 0);
  SimTemp* const self[1] = {this};
  return StepsOfOrder<double>(self, tFin, sortie, n, UEchelon());
}

bool SimTemp::Appariables(SimTemp* a, SimTemp* b) {
  if (a->A == nullptr || b->A == nullptr) return false;
  if (a->Retard > 0.0 || b->Retard > 0.0) return false;
  if (a->NbA != b->NbA || a->NbA < 1 || a->NbA > kOrdreRegistres || a->NbB != b->NbB)
    return false;
  if (!(a->Dt == b->Dt) || !(a->T == b->T) || a->FInit != b->FInit ||
      a->TypeSignal != b->TypeSignal || a->FctU != b->FctU)
    return false;
  for (SimTemp* s : {a, b}) {
    if (!s->prepared_ || !(s->Dt == s->dtExact_)) s->Prepare();
    if (s->exact_) return false;
  }
  return true;
}

size_t SimTemp::NextYsPaire(SimTemp* a, SimTemp* b, double tFin, double* ya, double* yb,
                            double* t, size_t n) {
  if (n == 0 || !Appariables(a, b)) return 0;
  SimTemp* const sims[2] = {a, b};
  double* const ys[2] = {ya, yb};
  const TTableaux<2> sortie{ys, t};
  const NoSubnormals noSubnormals;
  if (a->FctU == &SimTemp::Echelon)
    return StepsOfOrder<Double2>(sims, tFin, sortie, n, UEchelon());
  if (a->FctU == &SimTemp::Rampe) return StepsOfOrder<Double2>(sims, tFin, sortie, n, URampe());
  if (a->FctU == &SimTemp::Impulsion)
    return StepsOfOrder<Double2>(sims, tFin, sortie, n, UImpulsion());
  if (a->FctU == &SimTemp::Parabole)
    return StepsOfOrder<Double2>(sims, tFin, sortie, n, UParabole());
  return 0;
}

size_t SimTemp::NextYsMesurePaire(SimTemp* a, SimTemp* b, double tFin, TStepFigures* ma,
                                  TStepFigures* mb, size_t n) {
  if (n == 0 || a->FctU != &SimTemp::Echelon || !Appariables(a, b)) return 0;
  SimTemp* const sims[2] = {a, b};
  TStepFigures* const ms[2] = {ma, mb};
  const TMesures<2> sortie{ms};
  const NoSubnormals noSubnormals;
  return StepsOfOrder<Double2>(sims, tFin, sortie, n, UEchelon());
}


// The Runge-Kutta steps of an order N known at compile time, for the simulators of the lanes of
// V, which share their order, numerator length, input, step and time. Companion form: every slope
// is the next state entry, except the last one.
template <int N, class V, class U, class S>
size_t SimTemp::Steps(SimTemp* const* sims, double tFin, S sortie, size_t cnt, U u) {
  static_assert(N > 0, "orders beyond the registers run on the block's arrays");
  using W = TVoies<V>;
  constexpr int L = W::L;
  const SimTemp& s0 = *sims[0];
  // Every loop below has the constant trip count N and is unrolled, so that the state, the
  // coefficients and the stages stay in registers for the whole block of steps.
  constexpr int n = N;
  V x[n], a[n], b[n + 1];
  const int nbb = s0.NbB;
#pragma GCC unroll 16
  for (int i = 0; i < n; ++i) {
    double xv[L], av[L];
    for (int l = 0; l < L; ++l) {
      xv[l] = sims[l]->X[i];
      av[l] = sims[l]->A[i];
    }
    x[i] = W::De(xv);
    a[i] = W::De(av);
  }
#pragma GCC unroll 17
  for (int i = 0; i < n + 1; ++i) {
    double bv[L];
    for (int l = 0; l < L; ++l) bv[l] = i < nbb ? sims[l]->B[i] : 0.0;
    b[i] = W::De(bv);
  }
  const int m = nbb < n ? nbb : n;
  const bool direct = nbb > n;
  const bool impulse = s0.TypeSignal == S_Impulsion;
  const double dt = s0.Dt;
  const double dt2 = 0.5 * dt;
  const double dt6 = dt / 6.0;
  double tNow = s0.T;
  bool first = s0.FInit;
  size_t k = 0;
  do {
    double h = dt, h2 = dt2, h6 = dt6;
    if (first || (impulse && tNow < kImpulseWidth && tNow + dt >= kImpulseWidth)) {
      h = first ? 0.0 : kImpulseWidth - tNow;
      h2 = 0.5 * h;
      h6 = h / 6.0;
    }
    const double tMid = tNow + h2;
    const double tEnd = tNow + h;
    // With the impulse, the last stage sees the input just before the end of the step, so that
    // the step ending on the end of the rectangle integrates the whole of its level.
    const double tLast = impulse && h > 0.0 ? Precedent(tEnd) : tEnd;
    const V uMid = W::Diffuse(u(tMid));
    // Stage slopes: f_j[i] = v_j[i + 1] below the last entry, the last one is s_j.
    V s1 = W::Diffuse(u(tNow));
#pragma GCC unroll 16
    for (int i = 0; i < n; ++i) s1 -= a[i] * x[i];
    V v2[n], v3[n], v4[n];
#pragma GCC unroll 16
    for (int i = 0; i < n; ++i) v2[i] = x[i] + h2 * (i + 1 < n ? x[i + 1] : s1);
    V s2 = uMid;
#pragma GCC unroll 16
    for (int i = 0; i < n; ++i) s2 -= a[i] * v2[i];
#pragma GCC unroll 16
    for (int i = 0; i < n; ++i) v3[i] = x[i] + h2 * (i + 1 < n ? v2[i + 1] : s2);
    V s3 = uMid;
#pragma GCC unroll 16
    for (int i = 0; i < n; ++i) s3 -= a[i] * v3[i];
#pragma GCC unroll 16
    for (int i = 0; i < n; ++i) v4[i] = x[i] + h * (i + 1 < n ? v3[i + 1] : s3);
    V s4 = W::Diffuse(u(tLast));
#pragma GCC unroll 16
    for (int i = 0; i < n; ++i) s4 -= a[i] * v4[i];
#pragma GCC unroll 16
    for (int i = 0; i < n; ++i) {
      const bool last = i + 1 == n;
      const V f1 = last ? s1 : x[i + 1 < n ? i + 1 : i];
      const V f2 = last ? s2 : v2[i + 1 < n ? i + 1 : i];
      const V f3 = last ? s3 : v3[i + 1 < n ? i + 1 : i];
      const V f4 = last ? s4 : v4[i + 1 < n ? i + 1 : i];
      x[i] += h6 * (f1 + 2.0 * f2 + 2.0 * f3 + f4);
    }
    first = false;
    tNow = tEnd;

    // Output at the new time: N applied to z, with the direct term of a biproper function.
    V y = W::Diffuse(0.0);
#pragma GCC unroll 16
    for (int i = 0; i < n; ++i) {
      if (i < m) y += b[i] * x[i];
    }
    if (direct) {
      V z = W::Diffuse(u(tNow));
#pragma GCC unroll 16
      for (int i = 0; i < n; ++i) z -= a[i] * x[i];
      y += b[n] * z;
    }
    sortie(k, y, tNow);
    ++k;
  } while (k < cnt && tNow < tFin);
  for (int l = 0; l < L; ++l) {
#pragma GCC unroll 16
    for (int i = 0; i < n; ++i) sims[l]->X[i] = W::Voie(x[i], l);
    sims[l]->FInit = first;
    sims[l]->T = tNow;
  }
  return k;
}

template <class V, class U, class S>
size_t SimTemp::StepsOfOrder(SimTemp* const* sims, double tFin, S sortie, size_t n, U u) {
  // Orders up to 16 get their own loop, with the state and the coefficients in registers as far
  // as they go.
  switch (sims[0]->NbA) {
    case 1:
      return Steps<1, V>(sims, tFin, sortie, n, u);
    case 2:
      return Steps<2, V>(sims, tFin, sortie, n, u);
    case 3:
      return Steps<3, V>(sims, tFin, sortie, n, u);
    case 4:
      return Steps<4, V>(sims, tFin, sortie, n, u);
    case 5:
      return Steps<5, V>(sims, tFin, sortie, n, u);
    case 6:
      return Steps<6, V>(sims, tFin, sortie, n, u);
    case 7:
      return Steps<7, V>(sims, tFin, sortie, n, u);
    case 8:
      return Steps<8, V>(sims, tFin, sortie, n, u);
    case 9:
      return Steps<9, V>(sims, tFin, sortie, n, u);
    case 10:
      return Steps<10, V>(sims, tFin, sortie, n, u);
    case 11:
      return Steps<11, V>(sims, tFin, sortie, n, u);
    case 12:
      return Steps<12, V>(sims, tFin, sortie, n, u);
    case 13:
      return Steps<13, V>(sims, tFin, sortie, n, u);
    case 14:
      return Steps<14, V>(sims, tFin, sortie, n, u);
    case 15:
      return Steps<15, V>(sims, tFin, sortie, n, u);
    case 16:
      return Steps<16, V>(sims, tFin, sortie, n, u);
    default:
      // Only a single lane comes here (pairs are of order 16 at most).
      return sims[0]->StepsOfBlock(tFin, sortie, n, u);
  }
}

// The same steps for any order, on the arrays of the block.
template <class U, class S>
size_t SimTemp::StepsOfBlock(double tFin, S sortie, size_t cnt, U u) {
  const int n = NbA;
  double* x = X;
  double* a = A;
  double* b = B;
  double* f1 = F1;
  double* f2 = F2;
  double* f3 = F3;
  double* f4 = F4;
  double* tmp = tmpX;
  const int nbb = NbB;
  const int m = nbb < n ? nbb : n;
  const bool direct = nbb > n;
  const bool impulse = TypeSignal == S_Impulsion;
  const double dt = Dt;
  double tNow = T;
  bool first = FInit;
  // The last slope of a stage: the input less the weighted state.
  auto slope = [&](const double* v, double tv) {
    double s = u(tv);
    for (int i = 0; i < n; ++i) s -= a[i] * v[i];
    return s;
  };
  size_t k = 0;
  do {
    double h;
    if (first) {
      h = 0.0;
    } else if (impulse && tNow < kImpulseWidth && tNow + dt >= kImpulseWidth) {
      h = kImpulseWidth - tNow;
    } else {
      h = dt;
    }
    const double h2 = 0.5 * h;
    const double tEnd = tNow + h;
    const double tLast = impulse && h > 0.0 ? Precedent(tEnd) : tEnd;
    if (n > 0) {
      const double tMid = tNow + h2;
      f1[n - 1] = slope(x, tNow);
      for (int i = 0; i + 1 < n; ++i) f1[i] = x[i + 1];
      for (int i = 0; i < n; ++i) tmp[i] = x[i] + h2 * f1[i];
      f2[n - 1] = slope(tmp, tMid);
      for (int i = 0; i + 1 < n; ++i) f2[i] = tmp[i + 1];
      for (int i = 0; i < n; ++i) tmp[i] = x[i] + h2 * f2[i];
      f3[n - 1] = slope(tmp, tMid);
      for (int i = 0; i + 1 < n; ++i) f3[i] = tmp[i + 1];
      for (int i = 0; i < n; ++i) tmp[i] = x[i] + h * f3[i];
      f4[n - 1] = slope(tmp, tLast);
      for (int i = 0; i + 1 < n; ++i) f4[i] = tmp[i + 1];
      const double h6 = h / 6.0;
      for (int i = 0; i < n; ++i) x[i] += h6 * (f1[i] + 2.0 * f2[i] + 2.0 * f3[i] + f4[i]);
    }
    first = false;
    tNow = tEnd;

    // Output at the new time: N applied to z, with the direct term of a biproper function.
    double y = 0.0;
    for (int i = 0; i < m; ++i) y += b[i] * x[i];
    if (direct) y += b[nbb - 1] * slope(x, tNow);
    sortie(k, y, tNow);
    ++k;
  } while (k < cnt && tNow < tFin);
  FInit = first;
  T = tNow;
  return k;
}

double SimTemp::StepCost() {
  const double n = NbA > 0 ? NbA : 0;
  // Delayed: Runge-Kutta on the block's arrays, and the past outputs read three times a step.
  if (Retard > 0.0) return n + 6;
  if (!prepared_ || !(Dt == dtExact_)) Prepare();
  if (exact_) return std::fmax(n + 2, n * n / 8 + 2);
  return n <= 8 ? 3.3 + n / 6 : n + 2;
}

void SimTemp::Prepare() {
  prepared_ = true;
  dtExact_ = Dt;
  exact_ = false;
  disc_.clear();
  if (A == nullptr || NbA <= 0 || NbA > kOrdreExactMax || !(Dt > 0)) return;
  // Poles in use: the roots of the monic denominator.
  TPoly d(static_cast<unsigned>(NbA));
  for (int i = 0; i < NbA; ++i) d.Coef[i] = A[i];
  d.Coef[NbA] = 1.0;
  std::vector<TComplex> poles;
  if (!PolyRoots(d, poles)) return;
  double fastest = 0.0;
  for (const TComplex& p : poles) fastest = std::fmax(fastest, p.Module());
  if (!(fastest * Dt > kPasRaide)) return;
  exact_ = true;
  Discretise(Dt, disc_, TypeSignal == S_Parabole);
}

void SimTemp::Discretise(double h, std::vector<double>& d, bool parabole) const {
  // The state with the input and its slope appended, u' = v and v' = 0 (v' = w and w' = 0 for
  // the parabola), evolves by the exponential of this matrix; long double keeps the transition
  // accurate for stiff loops.
  const int n = NbA, k = parabole ? 3 : 2;
  using Matrice = Eigen::Matrix<long double, Eigen::Dynamic, Eigen::Dynamic>;
  Matrice m = Matrice::Zero(n + k, n + k);
  for (int i = 0; i + 1 < n; ++i) m(i, i + 1) = 1;
  for (int j = 0; j < n; ++j) m(n - 1, j) = -static_cast<long double>(A[j]);
  m(n - 1, n) = 1;
  for (int i = n; i + 1 < n + k; ++i) m(i, i + 1) = 1;
  const Matrice e = (m * static_cast<long double>(h)).exp();
  const size_t nn = static_cast<size_t>(n);
  d.assign(nn * nn + k * nn, 0.0);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) d[i * nn + j] = static_cast<double>(e(i, j));
    for (int c = 0; c < k; ++c) d[nn * nn + c * nn + i] = static_cast<double>(e(i, n + c));
  }
}

// Exact steps for a loop whose fastest pole is out of reach of Runge-Kutta at Dt: the input is
// constant (step, impulse) or linear with the given slope (ramp) over every step, so the state
// moves by the transition of the step. Outputs and times as the Runge-Kutta steps give them.
template <class U, class S>
size_t SimTemp::StepsExact(double tFin, S sortie, size_t cnt, U u, int ordre) {
  const int n = NbA;
  const size_t nn = static_cast<size_t>(n);
  const int nbb = NbB;
  const int m = nbb < n ? nbb : n;
  const bool impulse = TypeSignal == S_Impulsion;
  const double dt = Dt;
  std::vector<double> other;
  double tNow = T;
  bool first = FInit;
  size_t k = 0;
  do {
    double h;
    if (first) {
      h = 0.0;
    } else if (impulse && tNow < kImpulseWidth && tNow + dt >= kImpulseWidth) {
      h = kImpulseWidth - tNow;
    } else {
      h = dt;
    }
    if (h > 0.0) {
      const double* d = disc_.data();
      if (h != dtExact_) {
        Discretise(h, other, ordre == 2);
        d = other.data();
      }
      // The input and its derivatives at the start of the step.
      const bool parti = tNow >= 0.0;
      const double u0 = u(tNow);
      const double u1 = parti && ordre == 1 ? 1.0 : (parti && ordre == 2 ? tNow : 0.0);
      const double u2 = parti && ordre == 2 ? 1.0 : 0.0;
      for (size_t i = 0; i < nn; ++i) {
        double s = d[nn * nn + i] * u0 + d[nn * nn + nn + i] * u1;
        if (ordre == 2) s += d[nn * nn + 2 * nn + i] * u2;
        for (size_t j = 0; j < nn; ++j) s += d[i * nn + j] * X[j];
        tmpX[i] = s;
      }
      for (size_t i = 0; i < nn; ++i) X[i] = tmpX[i];
    }
    first = false;
    tNow += h;
    double y = 0.0;
    for (int i = 0; i < m; ++i) y += B[i] * X[i];
    if (nbb > n) {
      double zn = u(tNow);
      for (int i = 0; i < n; ++i) zn -= A[i] * X[i];
      y += B[nbb - 1] * zn;
    }
    sortie(k, y, tNow);
    ++k;
  } while (k < cnt && tNow < tFin);
  FInit = first;
  T = tNow;
  return k;
}

// Delayed loops. The open-loop state model N/D (the coefficients as received) is driven by
// v(t) = u(t - tau) - y(t - tau) in closed loop (u(t - tau) in open loop). The outputs are kept
// with their slopes, so that y(t - tau) between two of them is the cubic through both values and
// slopes, as accurate as the Runge-Kutta steps; where tau is shorter than the step, the step
// is made twice, the second time reading the end of the first. The steps are split at the
// times where v jumps or bends (tau, 2 tau, ..., and the end of the delayed impulse), so that
// no step straddles one.

double SimTemp::Passe(double tq, double* pente) {
  *pente = 0.0;
  if (!(tq >= 0.0) || passe_.empty()) return 0.0;
  const TPasse* a;
  const TPasse* b;
  if (tq >= passe_.back().t) {
    a = &passe_.back();
    if (!provisoire_ || !(prov_.t > a->t)) {
      // Beyond what is known and no end of step yet: along the last slope.
      *pente = a->d;
      return a->y + a->d * (tq - a->t);
    }
    b = &prov_;
  } else {
    if (curseur_ >= passe_.size() || passe_[curseur_].t > tq) curseur_ = 0;
    while (curseur_ + 1 < passe_.size() && passe_[curseur_ + 1].t <= tq) ++curseur_;
    a = &passe_[curseur_];
    b = &passe_[curseur_ + 1];
  }
  const double h = b->t - a->t;
  if (!(h > 0.0)) {
    *pente = b->d;
    return b->y;
  }
  const double s = (tq - a->t) / h, s2 = s * s, s3 = s2 * s;
  const double h00 = 2 * s3 - 3 * s2 + 1, h10 = s3 - 2 * s2 + s, h01 = -2 * s3 + 3 * s2,
               h11 = s3 - s2;
  *pente = ((6 * s2 - 6 * s) * (a->y - b->y)) / h + (3 * s2 - 4 * s + 1) * a->d +
           (3 * s2 - 2 * s) * b->d;
  return h00 * a->y + h10 * h * a->d + h01 * b->y + h11 * h * b->d;
}

inline bool SimTemp::TroisPasses(double t1, double h, double* y1, double* y2, double* y4, double* d4) {
  const double t4 = t1 + h;
  if (!(t1 >= 0.0) || passe_.size() < 2 || !(t4 <= passe_.back().t)) return false;
  if (curseur_ + 1 >= passe_.size()) return false;
  // The times of the steps and of the past outputs are sums of the same steps, rounded apart:
  // a reading a rounding error outside two past outputs is still theirs.
  const double marge = 1e-6 * h;
  while (curseur_ + 2 < passe_.size() && passe_[curseur_ + 1].t <= t1 + marge) ++curseur_;
  const TPasse& a = passe_[curseur_];
  const TPasse& b = passe_[curseur_ + 1];
  const double l = b.t - a.t;
  if (!(l > 0.0) || !(t1 >= a.t - marge) || !(t4 <= b.t + marge)) return false;
  // The cubic through both values and slopes, c0 + c1 q + c2 q^2 + c3 q^3 over q in [0, 1], at
  // the three stage times.
  const double il = 1 / l, dy = b.y - a.y, ha = l * a.d, hb = l * b.d;
  const double c1 = ha, c2 = 3 * dy - 2 * ha - hb, c3 = -2 * dy + ha + hb;
  auto valeur = [&](double q) { return a.y + q * (c1 + q * (c2 + q * c3)); };
  const double q1 = (t1 - a.t) * il, q2 = q1 + 0.5 * h * il, q4 = q1 + h * il;
  *y1 = valeur(q1);
  *y2 = valeur(q2);
  *y4 = valeur(q4);
  *d4 = (c1 + q4 * (2 * c2 + q4 * 3 * c3)) * il;
  return true;
}

double SimTemp::EntreeRetard(double t, double uc, double* pente) {
  const double td = t - Retard;
  double v = std::isnan(uc) ? Input(td) : uc;
  *pente = TypeSignal == S_Rampe && td >= 0.0 ? 1.0 : 0.0;
  if (boucleFermee_) {
    double dy;
    v -= Passe(td, &dy);
    *pente -= dy;
  }
  return v;
}

namespace {

// One Runge-Kutta step of the companion form of order N from the state x (kept in registers
// meanwhile), with the last slope's input v1 at the start, v2 at the middle, v4 at the end; then
// the output and its slope at the end (b: the nbb numerator coefficients, dv4 the slope of v4).
template <int N>
void PasCompagnon(double* xs, const double* __restrict a, const double* __restrict b, int nbb,
                  double h, double v1, double v2, double v4, double dv4, double* y, double* d) {
  constexpr int n = N;
  double x[n], f1[n], f2[n], f3[n], f4[n], t[n];
#pragma GCC unroll 8
  for (int i = 0; i < n; ++i) x[i] = xs[i];
  const double h2 = 0.5 * h;
  auto slope = [&](const double* v, double vt) {
    double s = vt;
#pragma GCC unroll 8
    for (int i = 0; i < n; ++i) s -= a[i] * v[i];
    return s;
  };
#pragma GCC unroll 8
  for (int i = 0; i + 1 < n; ++i) f1[i] = x[i + 1];
  f1[n - 1] = slope(x, v1);
#pragma GCC unroll 8
  for (int i = 0; i < n; ++i) t[i] = x[i] + h2 * f1[i];
#pragma GCC unroll 8
  for (int i = 0; i + 1 < n; ++i) f2[i] = t[i + 1];
  f2[n - 1] = slope(t, v2);
#pragma GCC unroll 8
  for (int i = 0; i < n; ++i) t[i] = x[i] + h2 * f2[i];
#pragma GCC unroll 8
  for (int i = 0; i + 1 < n; ++i) f3[i] = t[i + 1];
  f3[n - 1] = slope(t, v2);
#pragma GCC unroll 8
  for (int i = 0; i < n; ++i) t[i] = x[i] + h * f3[i];
#pragma GCC unroll 8
  for (int i = 0; i + 1 < n; ++i) f4[i] = t[i + 1];
  f4[n - 1] = slope(t, v4);
  const double h6 = h / 6.0;
#pragma GCC unroll 8
  for (int i = 0; i < n; ++i) x[i] += h6 * (f1[i] + 2.0 * f2[i] + 2.0 * f3[i] + f4[i]);
  // N applied to z and to its derivative, with the direct term.
  const double zn = slope(x, v4);  // z^(n)
  double yy = 0.0, dd = 0.0;
  const int m = nbb < n ? nbb : n;
#pragma GCC unroll 8
  for (int i = 0; i < n; ++i) {
    if (i < m) {
      yy += b[i] * x[i];
      dd += b[i] * (i + 1 < n ? x[i + 1] : zn);
    }
  }
  if (nbb > n) {
    double zn1 = dv4;  // z^(n+1)
#pragma GCC unroll 8
    for (int j = 0; j < n; ++j) zn1 -= a[j] * (j + 1 < n ? x[j + 1] : zn);
    yy += b[n] * zn;
    dd += b[n] * zn1;
  }
#pragma GCC unroll 8
  for (int i = 0; i < n; ++i) xs[i] = x[i];
  *y = yy;
  *d = dd;
}

}  // namespace

void SimTemp::PasRetard(double ta, double tb, double uc, TPasse* fin) {
  const int n = NbA;
  const double h = tb - ta;
  double dv, dv4, v1, v2, v4;
  double y1, y2, y4, d4;
  if (boucleFermee_ && !std::isnan(uc) && TroisPasses(ta - Retard, h, &y1, &y2, &y4, &d4)) {
    // The usual case, all three read between the same two past outputs.
    v1 = uc - y1;
    v2 = uc - y2;
    v4 = uc - y4;
    dv4 = -d4;
  } else {
    v1 = EntreeRetard(ta, uc, &dv);
    v2 = EntreeRetard(ta + 0.5 * h, uc, &dv);
    v4 = EntreeRetard(tb, uc, &dv4);
  }
  if (h > 0.0 && n >= 1 && n <= 8) {
    double y, d;
    switch (n) {
      case 1: PasCompagnon<1>(X, A0, B0, NbB, h, v1, v2, v4, dv4, &y, &d); break;
      case 2: PasCompagnon<2>(X, A0, B0, NbB, h, v1, v2, v4, dv4, &y, &d); break;
      case 3: PasCompagnon<3>(X, A0, B0, NbB, h, v1, v2, v4, dv4, &y, &d); break;
      case 4: PasCompagnon<4>(X, A0, B0, NbB, h, v1, v2, v4, dv4, &y, &d); break;
      case 5: PasCompagnon<5>(X, A0, B0, NbB, h, v1, v2, v4, dv4, &y, &d); break;
      case 6: PasCompagnon<6>(X, A0, B0, NbB, h, v1, v2, v4, dv4, &y, &d); break;
      case 7: PasCompagnon<7>(X, A0, B0, NbB, h, v1, v2, v4, dv4, &y, &d); break;
      default: PasCompagnon<8>(X, A0, B0, NbB, h, v1, v2, v4, dv4, &y, &d); break;
    }
    *fin = {tb, y, d};
    return;
  }
  if (n > 0 && h > 0.0) {
    // Other orders, on the block's arrays.
    const double h2 = 0.5 * h;
    auto slope = [&](const double* v, double vt) {
      double s = vt;
      for (int i = 0; i < n; ++i) s -= A0[i] * v[i];
      return s;
    };
    F1[n - 1] = slope(X, v1);
    for (int i = 0; i + 1 < n; ++i) F1[i] = X[i + 1];
    for (int i = 0; i < n; ++i) tmpX[i] = X[i] + h2 * F1[i];
    F2[n - 1] = slope(tmpX, v2);
    for (int i = 0; i + 1 < n; ++i) F2[i] = tmpX[i + 1];
    for (int i = 0; i < n; ++i) tmpX[i] = X[i] + h2 * F2[i];
    F3[n - 1] = slope(tmpX, v2);
    for (int i = 0; i + 1 < n; ++i) F3[i] = tmpX[i + 1];
    for (int i = 0; i < n; ++i) tmpX[i] = X[i] + h * F3[i];
    F4[n - 1] = slope(tmpX, v4);
    for (int i = 0; i + 1 < n; ++i) F4[i] = tmpX[i + 1];
    const double h6 = h / 6.0;
    for (int i = 0; i < n; ++i) X[i] += h6 * (F1[i] + 2.0 * F2[i] + 2.0 * F3[i] + F4[i]);
  }
  // The input at tb is the one the last stage read (from the outputs known then).
  *fin = Sortie(tb, v4, dv4);
}

SimTemp::TPasse SimTemp::Sortie(double t, double v, double dv) {
  const int n = NbA;
  const int nbb = NbB;
  const int m = nbb < n ? nbb : n;
  // N applied to z and to its derivative, with the direct term.
  double zn = v;  // z^(n)
  const double* __restrict a0 = A0;
  const double* __restrict x = X;
  for (int i = 0; i < n; ++i) zn -= a0[i] * x[i];
  double y = 0.0, d = 0.0;
  for (int i = 0; i < m; ++i) {
    y += B0[i] * X[i];
    d += B0[i] * (i + 1 < n ? X[i + 1] : zn);
  }
  if (nbb > n) {
    double zn1 = dv;  // z^(n+1)
    for (int i = 0; i < n; ++i) zn1 -= A0[i] * (i + 1 < n ? X[i + 1] : zn);
    y += B0[nbb - 1] * zn;
    d += B0[nbb - 1] * zn1;
  }
  return {t, y, d};
}

size_t SimTemp::StepsRetard(double tFin, double* ys, double* ts, size_t cnt) {
  if (FInit) {
    // Split times: where u(t - tau) jumps or bends, and in closed loop where that reaches the
    // output again, a few delays on (each pass through N/D smooths it by one order).
    ruptures_.clear();
    const int fois = boucleFermee_ ? 4 : 1;
    for (int j = 1; j <= fois; ++j) {
      ruptures_.push_back(j * Retard);
      if (TypeSignal == S_Impulsion) ruptures_.push_back(j * Retard + kImpulseWidth);
    }
  }
  const int n = NbA;
  std::vector<double> x0(static_cast<size_t>(n > 0 ? n : 0));
  double tNow = T;
  bool first = FInit;
  size_t k = 0;
  do {
    // The times of the undelayed steps, so that every curve of a chart shares its times.
    double h = first ? 0.0 : Dt;
    if (!first && TypeSignal == S_Impulsion && tNow < kImpulseWidth && tNow + Dt >= kImpulseWidth)
      h = kImpulseWidth - tNow;
    const double tEnd = tNow + h;
    TPasse fin{tEnd, 0.0, 0.0};
    if (first) {
      PasRetard(tNow, tNow, Input(tNow - Retard), &fin);
    } else {
      double ta = tNow;
      while (ta < tEnd) {
        double tb = tEnd;
        bool rupture = false;
        if (ta <= ruptures_.back()) {
          for (double r : ruptures_) {
            if (r > ta && r < tb) tb = r;
            rupture = rupture || r == ta;
          }
        }
        // Step and impulse are constant between two split times: their value inside the step.
        const double uc = TypeSignal == S_Rampe ? NAN : Input(0.5 * (ta + tb) - Retard);
        // Where the input jumps or bends, the output's slope (and value, with a direct term)
        // after it starts the next piece of the past outputs.
        if (rupture && boucleFermee_) {
          double dv;
          const double v = EntreeRetard(ta, uc, &dv);
          passe_.push_back(Sortie(ta, v, dv));
        }
        if (boucleFermee_ && (passe_.empty() || tb - Retard > passe_.back().t)) {
          // The delayed output is not known up to tb yet: a first step along the last slope
          // gives the end, which the step made again reads.
          for (int i = 0; i < n; ++i) x0[i] = X[i];
          provisoire_ = false;
          PasRetard(ta, tb, uc, &prov_);
          for (int i = 0; i < n; ++i) X[i] = x0[i];
          provisoire_ = true;
        }
        PasRetard(ta, tb, uc, &fin);
        provisoire_ = false;
        if (boucleFermee_) passe_.push_back(fin);
        ta = tb;
      }
    }
    if (first && boucleFermee_) passe_.push_back(fin);
    first = false;
    tNow = tEnd;
    // Outputs older than the delay are no longer read: dropped by halves.
    if (curseur_ > 4096 && 2 * curseur_ > passe_.size()) {
      passe_.erase(passe_.begin(), passe_.begin() + static_cast<std::ptrdiff_t>(curseur_));
      curseur_ = 0;
    }
    if (ys != nullptr) ys[k] = fin.y;
    if (ts != nullptr) ts[k] = tNow;
    ++k;
  } while (k < cnt && tNow < tFin);
  FInit = false;
  T = tNow;
  return k;
}
