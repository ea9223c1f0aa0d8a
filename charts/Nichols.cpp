// Nichols contours: their rows and the arithmetic of their points. The build compiles this file
// into a small program too, which writes the points of every contour into the table that
// PointsContour reads (charts/NicholsTable.cpp).
#include "charts/Nichols.h"

#include <cmath>
#include <limits>

// clang-format off
const T_CRB mdb[kNbIsoGain] = {
    {12, -210, 0, 0, 1, 0.5, "dB ", 0},   {10, -210, 0, 0, 1, 0.5, "dB ", 0},
    {8, -210, 0, 0, 1, 0.5, "dB ", 0},    {6, -210, 0, 0, 1, 0.5, "dB ", 0},
    {5, -210, 0, 0, 1, 0.5, "dB ", 0},    {4, -210, 0, 0, 1, 0.5, "dB ", 0},
    {3, -210, 0, 0, 1, 0.5, "dB ", 0},    {2.5, -210, 0, 0, 1, 0.5, "dB ", 0},
    {2, -210, 0, 0, 1, 0.5, "dB ", 0},    {1.5, -210, 0, 0, 1, 0.5, "dB ", 0},
    {1, -210, 0, 0, 1, 0.5, "dB ", 0},
    {0.9, -25, 0, 0, 1, 0.5, "dB ", 0},   {0.8, -25, 0, 0, 1, 0.5, "dB ", 0},
    {0.7, -25, 0, 0, 1, 0.5, "dB ", 0},   {0.6, -80, 0, 0, 1, 0.5, "dB ", 0},
    {0.5, -100, 0, 0, 1, 0.5, "dB ", 0},  {0.4, -40, 0, 0, 1, 0.5, "dB ", 0},
    {0.3, -30, 0, 0, 1, 0.5, "dB ", 0},   {0.2, -50, 0, 0, 1, 0.5, "dB ", 0},
    {0.1, -30, 0, -0.8, 0.5, -0.5, "dB", 0},
    {0, -210, 0, -1.25, 0.5, -0.5, "dB", 0},
    {-0.1, -30, -1e-5, -0.9, 0.5, -0.5, "dB", 0},
    {-0.2, -80, -1e-5, -0.75, 0.5, -0.5, "dB", 0},
    {-0.3, -40, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-0.4, -80, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-0.5, -20, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-0.6, -40, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-0.7, -20, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-0.8, -60, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-0.9, -20, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-1, -210, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-1.2, -40, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-1.4, -210, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-1.6, -20, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-1.8, -20, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-2, -210, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-2.5, -60, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-3, -210, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-3.5, -60, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-4, -210, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-5, -210, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-6, -210, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-7, -210, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-8, -210, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-9, -210, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-10, -210, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-11, -210, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-12, -210, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-13, -210, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-14, -210, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-15, -210, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-16, -210, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-17, -210, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-18, -210, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-19, -210, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-20, -210, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-21, -210, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-22, -210, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
    {-23, -210, -1e-5, -0.001, -0.05, 0.5, "dB", 0},
};

const T_CRB mph[kNbIsoPhase] = {
    {-0.5, -1, 1, 0.15, 0.5, -0.2, "/eo/n", 0},
    {-1, -23, 12, 0.15, 0.5, -0.2, "/eo/n", 0},
    {-1.5, -5, 4, 0.15, 0.5, -0.2, "/eo/n", 0},
    {-2, -10, 6, 0.15, 0.5, -0.2, "/eo/n", 0},
    {-2.5, -5, 4, 0.15, 0.5, -0.2, "/eo/n", 0},
    {-3, -23, 6, 0.15, 0.5, -0.2, "/eo/n", 0},
    {-4, -5, 4, 0.15, 0.5, -0.2, "/eo/n", 0},
    {-5, -10, 12, 1.25, 0.5, -0.2, "/eo/n", 0},
    {-6, -5, 4, -2.25, 0.5, -0.2, "/eo/n", 0},
    {-7, -16, 6, 1.25, 0.5, -0.2, "/eo/n", 0},
    {-8, -10, 4, -2.25, 0.5, -0.2, "/eo/n", 0},
    {-9, -23, 12, 1.25, 0.5, -0.2, "/eo/n", 0},
    {-10, -23, 4, -2.25, 0.5, -0.2, "/eo/n", 0},
    {-12, -23, 6, 1.25, 0.5, -0.2, "/eo/n", 0},
    {-14, -23, 12, 1.25, 0.5, -0.2, "/eo/n", 0},
    {-16, -23, 8, 1.25, 0.5, -0.2, "/eo/n", 0},
    {-18, -23, 12, 1.25, 0.5, -0.2, "/eo/n", 0},
    {-20, -23, 8, -23, 0, 0.5, "/eo/n", 0},
    {-25, -23, 12, -23, 0, 0.5, "/eo/n", 0},
    {-30, -23, 12, -23, 0, 0.5, "/eo/n", 0},
    {-35, -23, 12, -23, 0, 0.5, "/eo/n", 0},
    {-40, -23, 12, -23, 0, 0.5, "/eo/n", 0},
    {-45, -23, 12, -23, 0, 0.5, "/eo/n", 0},
    {-50, -23, 12, -23, 0, 0.5, "/eo/n", 0},
    {-60, -23, 12, -23, 0, 0.5, "/eo/n", 0},
    {-70, -23, 12, -23, 0, 0.5, "/eo/n", 0},
    {-80, -23, 12, -23, 0, 0.5, "/eo/n", 0},
    {-90, -23, 12, -23, 0, 0.5, "/eo/n", 0},
    {-100, -23, 12, -23, 0, 0.5, "/eo/n", 0},
    {-110, -23, 12, -23, 0, 0.5, "/eo/n", 0},
    {-120, -23, 12, -23, 0, 0.5, "/eo/n", 0},
    {-130, -23, 12, -23, 0, 0.5, "/eo/n", 0},
    {-140, -23, 12, -23, 0, 0.5, "/eo/n", 0},
    {-150, -23, 12, -23, 0, 0.5, "/eo/n", 0},
    {-160, -23, 12, -23, 0, 0.5, "/eo/n", 0},
    {-170, -23, 12, -23, 0, 0.5, "/eo/n", 0},
    {-180, -23, 12, -23, 0, 0.5, "/eo/n", -180},
    {-190, -23, 12, -23, 0, 0.5, "/eo/n", -180},
    {-200, -23, 12, -23, 0, 0.5, "/eo/n", -180},
    {-210, -23, 12, -23, 0, 0.5, "/eo/n", -180},
};
// clang-format on
namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kRadToDeg = 57.29577951308232;

// Open-loop chart point (phase in degrees, gain in dB) of the closed-loop value F of modulus m
// (m2 its square) and phase of cosine cs and sine sn: its image H = F / (1 - F), the phase
// taken in (-360, 0]; floor > 0 bounds the open-loop modulus from below.
void PointBOc(double m, double m2, double cs, double sn, double floor, double* x, double* y) {
  double d = 1 - 2 * m * cs + m2;
  double a = (m * cs - m2) / d, b = m * sn / d;
  double ph = std::atan2(b, a);
  if (ph > 0) ph -= kTwoPi;
  double mod = std::hypot(a, b);
  if (floor > 0 && mod <= floor) mod = floor;
  *x = kRadToDeg * ph;
  *y = 20.0 * std::log10(mod);
}

}  // namespace

void CalculeContour(int i, double* xs, double* ys) {
  constexpr double kManque = std::numeric_limits<double>::quiet_NaN();
  if (i < kNbIsoGain) {
    // Along an iso-gain contour the closed-loop modulus is constant.
    const T_CRB& c = mdb[i];
    const double step = (c.m - c.n) / (kPointsContour - 1);
    const double m = std::pow(10.0, c.v / 20), m2 = m * m;
    const bool zero_db = std::fabs(c.v) < 1e-10;
    for (int k = 0; k < kPointsContour; ++k) {
      const double phi = c.n + k * step;
      double x = 0, y = 0;
      bool ok = !(zero_db && std::fabs(phi) < 1e-10);  // 1 at 0 degrees has no image
      if (ok) {
        const double ph = phi * M_PI / 180;
        PointBOc(m, m2, std::cos(ph), std::sin(ph), 1e-30, &x, &y);
        ok = std::isfinite(x) && std::isfinite(y);
      }
      xs[k] = ok ? x : kManque;
      ys[k] = ok ? y : kManque;
    }
    return;
  }
  // Along an iso-phase contour the closed-loop phase is constant.
  const T_CRB& c = mph[i - kNbIsoGain];
  const double step = (c.m - c.n) / (kPointsContour - 1);
  const double ph = c.v * M_PI / 180, cs = std::cos(ph), sn = std::sin(ph);
  for (int k = 0; k < kPointsContour; ++k) {
    const double m = std::pow(10.0, (c.n + k * step) / 20);
    double x, y;
    PointBOc(m, m * m, cs, sn, 0, &x, &y);
    const bool ok = std::isfinite(x) && std::isfinite(y);
    xs[k] = ok ? x : kManque;
    ys[k] = ok ? y : kManque;
  }
}
