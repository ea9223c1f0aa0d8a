// Time-domain simulator: one block for every array, companion-form state derivative and the
// classical fourth-order Runge-Kutta step.
#include "sim/SimTemp.h"

#include <cmath>
#include <cstddef>
#include <limits>

namespace {

constexpr double kImpulseWidth = 1e-6;  // the impulse is a rectangle of area 1
constexpr double kImpulseLevel = 1e6;

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
  if (A == nullptr) return;
  for (int i = 0; i < NbA; ++i) X[i] = 0.0;
}

void SimTemp::SetFctU(int Fct) {
  switch (Fct) {
    case S_Rampe:
      FctU = &SimTemp::Rampe;
      TypeSignal = S_Rampe;
      break;
    case S_Impulsion:
      FctU = &SimTemp::Impulsion;
      TypeSignal = S_Impulsion;
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

double SimTemp::ValU() { return Input(T); }

void SimTemp::ModeBO() {
  if (A == nullptr) return;
  for (int i = 0; i < NbA; ++i) A[i] = A0[i];
  for (int i = 0; i < NbB; ++i) B[i] = B0[i];
}

void SimTemp::ModeBF() {
  if (A == nullptr) return;
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

double SimTemp::NextY() {
  // An inactive simulator still moves in time, so that loops run to their end over a zero output.
  if (A == nullptr) {
    NextT();
    return 0.0;
  }
  const int n = NbA;
  const double h = ValDt();
  const double h2 = 0.5 * h;
  const double tEnd = T + h;
  // With the impulse, the last stage sees the input just before the end of the step, so that
  // the step ending on the end of the rectangle integrates the whole of its level.
  const double tLast = TypeSignal == S_Impulsion && h > 0.0
                           ? std::nextafter(tEnd, -std::numeric_limits<double>::infinity())
                           : tEnd;

  FctF(F1, X, T);
  for (int i = 0; i < n; ++i) tmpX[i] = X[i] + h2 * F1[i];
  FctF(F2, tmpX, T + h2);
  for (int i = 0; i < n; ++i) tmpX[i] = X[i] + h2 * F2[i];
  FctF(F3, tmpX, T + h2);
  for (int i = 0; i < n; ++i) tmpX[i] = X[i] + h * F3[i];
  FctF(F4, tmpX, tLast);
  const double h6 = h / 6.0;
  for (int i = 0; i < n; ++i) X[i] += h6 * (F1[i] + 2.0 * F2[i] + 2.0 * F3[i] + F4[i]);

  FInit = false;
  T = tEnd;

  // Output at the new time: N applied to z, with the direct term of a biproper function.
  const int m = NbB < n ? NbB : n;
  double y = 0.0;
  for (int i = 0; i < m; ++i) y += B[i] * X[i];
  if (NbB > n) {
    double zn = Input(T);
    for (int i = 0; i < n; ++i) zn -= A[i] * X[i];
    y += B[NbB - 1] * zn;
  }
  return y;
}
