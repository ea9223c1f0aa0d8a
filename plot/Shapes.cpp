// Shapes and markers of the plotting kernel: window frame, rectangles, arrowheads, arcs and
// circles drawn as polygons, the twelve point markers, and extent measurement.
#include <cmath>

#include "plot/TrInfo.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kEps = 1e-10;
// Smallest chord angle: bounds the number of chords of a huge arc (about 100000 per turn).
constexpr double kMinStep = 6.3e-5;

// One marker step: offset in units of c (half the marker size), or in device units for the dot.
struct MarkStep {
  double kx, ky;
  int pen;
};

struct Marker {
  int n;
  bool unit;  // offsets in device units rather than in units of c
  MarkStep s[13];
};

const Marker kMarkers[12] = {
    // 0 dot: a plus of one device unit
    {4, true, {{0, 1, 0}, {0, -1, 1}, {-1, 0, 0}, {1, 0, 1}}},
    // 1 diagonal cross
    {4, false, {{0.707, 0.707, 0}, {-0.707, -0.707, 1}, {-0.707, 0.707, 0}, {0.707, -0.707, 1}}},
    // 2 upright cross
    {4, false, {{0, 1, 0}, {0, -1, 1}, {-1, 0, 0}, {1, 0, 1}}},
    // 3 triangle, point up
    {4, false, {{0, 1, 0}, {0.866, -0.5, 1}, {-0.866, -0.5, 1}, {0, 1, 1}}},
    // 4 square
    {5,
     false,
     {{0.707, 0.707, 0},
      {0.707, -0.707, 1},
      {-0.707, -0.707, 1},
      {-0.707, 0.707, 1},
      {0.707, 0.707, 1}}},
    // 5 octagon
    {9,
     false,
     {{0, 1, 0},
      {0.707, 0.707, 1},
      {1, 0, 1},
      {0.707, -0.707, 1},
      {0, -1, 1},
      {-0.707, -0.707, 1},
      {-1, 0, 1},
      {-0.707, 0.707, 1},
      {0, 1, 1}}},
    // 6 triangle, point down
    {4, false, {{-0.866, 0.5, 0}, {0.866, 0.5, 1}, {0, -1, 1}, {-0.866, 0.5, 1}}},
    // 7 four-pointed star
    {9,
     false,
     {{-0.707, 0.707, 0},
      {0, 0.5, 1},
      {0.707, 0.707, 1},
      {0.5, 0, 1},
      {0.707, -0.707, 1},
      {0, -0.5, 1},
      {-0.707, -0.707, 1},
      {-0.5, 0, 1},
      {-0.707, 0.707, 1}}},
    // 8 diamond
    {5, false, {{0, 1, 0}, {1, 0, 1}, {0, -1, 1}, {-1, 0, 1}, {0, 1, 1}}},
    // 9 four-bladed fan, every blade drawn from the point
    {12,
     false,
     {{-0.866, 0.5, 1},
      {-0.5, 0.866, 1},
      {0, 0, 1},
      {0.5, 0.866, 1},
      {0.866, 0.5, 1},
      {0, 0, 1},
      {0.866, -0.5, 1},
      {0.5, -0.866, 1},
      {0, 0, 1},
      {-0.5, -0.866, 1},
      {-0.866, -0.5, 1},
      {0, 0, 1}}},
    // 10 upright rectangle
    {5,
     false,
     {{-0.5, 0.866, 0}, {0.5, 0.866, 1}, {0.5, -0.866, 1}, {-0.5, -0.866, 1}, {-0.5, 0.866, 1}}},
    // 11 lying rectangle
    {5,
     false,
     {{-0.866, 0.5, 0}, {0.866, 0.5, 1}, {0.866, -0.5, 1}, {-0.866, -0.5, 1}, {-0.866, 0.5, 1}}},
};

// Chord angle for a radius r in user units: each chord strays about one device unit from the
// circle.
double arc_step(const TR_INFO& t, double r) {
  double R = std::fabs(r * (t.wdxm - t.wdxn) / (t.xmax - t.xmin));
  double step = std::acos(R / (R + 1));
  return step > kMinStep ? step : kMinStep;
}

}  // namespace

int TR_INFO::TRWIND() {
  if (!flags.ok) return bn_break(2, "TRWIND");
  MOVE(xmin, ymin);
  DRAW(xmin, ymax);
  DRAW(xmax, ymax);
  DRAW(xmax, ymin);
  DRAW(xmin, ymin);
  PENUP();
  return 0;
}

int TR_INFO::TRECT(double largeur, double hauteur, double ang) {
  if (!flags.ok) return bn_break(2, "TRECT");
  double a = CVANG(ang * kPi / 180), c = std::cos(a), s = std::sin(a);
  RDRAW(largeur * c, largeur * s);
  RDRAW(-hauteur * s, hauteur * c);
  RDRAW(-largeur * c, -largeur * s);
  RDRAW(hauteur * s, -hauteur * c);
  PENUP();
  return 0;
}

int TR_INFO::FLECHE(double l, double h, double l1, double ang) {
  if (!flags.ok) return bn_break(2, "FLECHE");
  const double k = u_cm * mul;
  l *= k;
  h *= k;
  l1 *= k;
  const double a = CVANG(ang * kPi / 180), c = std::cos(a), s = std::sin(a);
  const double x0 = BNx, y0 = BNy;
  const double pts[4][2] = {{-l, -h}, {-l + l1, 0}, {-l, h}, {0, 0}};
  const int nb = solid_begin();  // the head is drawn solid
  for (const auto& p : pts) bmove(x0 + p[0] * c - p[1] * s, y0 + p[0] * s + p[1] * c, 1);
  PENUP();
  solid_end(nb);
  return 0;
}

int TR_INFO::ARC(double x0, double _y0, double ang) {
  if (!flags.ok) return bn_break(2, "ARC");
  if (!std::isfinite(x0) || !std::isfinite(_y0) || !std::isfinite(ang)) return bn_break(3, "ARC");
  const double xc = xusr(BNx), yc = yusr(BNy);
  const double r = std::hypot(x0 - xc, _y0 - yc);
  const double t = ang * kPi / 180;
  if (std::fabs(t) < kEps || std::fabs(r) < kEps) return 0;
  const double sweep = CVANG(t), step = arc_step(*this, r);
  double q = (xc - x0) / r;
  q = q > 1 ? 1 : (q < -1 ? -1 : q);
  double a1 = std::acos(q);
  if (yc < _y0) a1 = -a1;
  const double a2 = a1 + sweep;
  if (sweep > 0) {
    for (double a = a1; a < a2; a += step) DRAW(x0 + r * std::cos(a), _y0 + r * std::sin(a));
  } else {
    for (double a = a1; a > a2; a -= step) DRAW(x0 + r * std::cos(a), _y0 + r * std::sin(a));
  }
  DRAW(x0 + r * std::cos(a2), _y0 + r * std::sin(a2));
  PENUP();
  return 0;
}

int TR_INFO::ARCR(double dx, double dy, double ang) {
  if (!flags.ok) return bn_break(2, "ARCR");
  return ARC(xusr(BNx) + dx, yusr(BNy) + dy, ang);
}

int TR_INFO::ARC1(double r, double ang1, double ang2) {
  if (!flags.ok) return bn_break(2, "ARC1");
  if (!(r >= 0) || !std::isfinite(r) || !std::isfinite(ang1) || !std::isfinite(ang2))
    return bn_break(3, "ARC1");
  const double a1 = CVANG(ang1 * kPi / 180);
  double a2 = CVANG(ang2 * kPi / 180);
  while (a1 > a2) a2 += 2 * kPi;
  if (std::fabs(a2 - a1) < kEps || std::fabs(r) < kEps) return 0;
  const double xc = xusr(BNx), yc = yusr(BNy), step = arc_step(*this, r);
  MOVE(xc + r * std::cos(a1), yc + r * std::sin(a1));
  for (double a = a1; a < a2; a += step) DRAW(xc + r * std::cos(a), yc + r * std::sin(a));
  DRAW(xc + r * std::cos(a2), yc + r * std::sin(a2));
  MOVE(xc, yc);
  return 0;
}

int TR_INFO::CIRCLE(double r) {
  if (!flags.ok) return bn_break(2, "CIRCLE");
  if (!(r >= 0) || !std::isfinite(r)) return bn_break(3, "CIRCLE");
  if (std::fabs(r) < kEps) {
    PENDW();
    PENUP();
    return 0;
  }
  const double xc = xusr(BNx), yc = yusr(BNy), step = arc_step(*this, r);
  MOVE(xc + r, yc);
  for (double a = 0; a < 6.283; a += step) DRAW(xc + r * std::cos(a), yc + r * std::sin(a));
  DRAW(xc + r, yc);
  MOVE(xc, yc);
  return 0;
}

int TR_INFO::MKSIZE(double s) {
  if (!flags.ok) return bn_break(2, "MKSIZE");
  if (!(s >= 0.05) || !std::isfinite(s)) return bn_break(3, "MKSIZE");
  mksz = s * u_cm * mul;
  return 0;
}

int TR_INFO::MKTYPE(int t) {
  if (!flags.ok) return bn_break(2, "MKTYPE");
  if (t < 0 || t > 11) return bn_break(3, "MKTYPE");
  mktp = t;
  return 0;
}

int TR_INFO::SETMRK(int t, double s) {
  if (!flags.ok) return bn_break(2, "SETMRK");
  MKTYPE(t);
  MKSIZE(s * mul);
  return 0;
}

int TR_INFO::GET_MRK(int* t, double* s) {
  if (!flags.ok) return bn_break(2, "GET_MRK");
  *t = mktp;
  *s = mksz / u_cm / mul;
  return 0;
}

int TR_INFO::PLOT(double x, double y) {
  if (!flags.ok) return bn_break(2, "PLOT");
  const double X = xdev(x), Y = ydev(y);
  const int nb = solid_begin();  // markers are drawn solid
  const double c = 0.5 * mksz;
  const Marker& m = kMarkers[mktp >= 0 && mktp <= 11 ? mktp : 0];
  bmove(X, Y, 0);
  for (int i = 0; i < m.n; ++i) {
    const MarkStep& st = m.s[i];
    double dx = m.unit ? st.kx : static_cast<float>(st.kx * c);
    double dy = m.unit ? st.ky : static_cast<float>(st.ky * c);
    bmove(X + dx, Y + dy, st.pen);
  }
  bmove(X, Y, 0);
  solid_end(nb);
  return 0;
}

int TR_INFO::INIT_MES() {
  if (!flags.ok) return bn_break(2, "INIT_MES");
  if (flags.mes_) return bn_break(8, "INIT_MES");
  flags.mes_ = 1;
  mes_xn = mes_yn = 1e38;
  mes_xm = mes_ym = -1e38;
  mes_rx = errx;
  mes_ry = erry;
  mes_px = posx;
  mes_py = posy;
  mes_pen = pen;
  return 0;
}

int TR_INFO::RES_MES(double* xn, double* xm, double* _yn, double* ym) {
  if (!flags.ok) return bn_break(2, "RES_MES");
  if (!flags.mes_) return bn_break(7, "RES_MES");
  flags.mes_ = 0;
  *xn = xusr(mes_xn);
  *xm = xusr(mes_xm);
  *_yn = yusr(mes_yn);
  *ym = yusr(mes_ym);
  errx = mes_rx;
  erry = mes_ry;
  posx = mes_px;
  posy = mes_py;
  pen = static_cast<int>(mes_pen);
  return 0;
}
