// Bode chart: rounding, labels, ranges, grid positions and curve points checked against hand
// calculations and closed forms through a recording device.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "charts/TrBode.h"
#include "charts/Travaux.h"
#include "model/Param.h"
#include "tests/charts/Recorder.h"

namespace {

// 20*log10 |10/((jw+1)(jw+10))| and its phase in degrees.
double GainRef(double w) {
  return 20 * std::log10(10 / std::sqrt(1 + w * w) / std::sqrt(100 + w * w));
}
double PhaseRef(double w) { return -(std::atan(w) + std::atan(w / 10)) * 180 / M_PI; }

class BodeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Param.Reset();
    Param.RBFrequence = false;
    Param.EdWn = 0.01;
    Param.EdWm = 100;
    Param.EdNBP = 401;
  }
  void TearDown() override { Param.Reset(); }
  TFctTransfert* AddH(int color = 4) {
    double poles[] = {-1, -10};
    TFctTransfert* f = Param.AddFctTransfert("H", 10, nullptr, 0, poles, 2, nullptr, 0, nullptr, 0);
    f->Color = color;
    return f;
  }
  // Nearest drawn vertex of pen p to device abscissa X: its device ordinate.
  static double YAt(const std::vector<C_REC::Seg>& s, double X) {
    double best = 1e300, y = 0;
    for (const auto& g : s) {
      if (std::fabs(g.x1 - X) < best) best = std::fabs(g.x1 - X), y = g.y1;
      if (std::fabs(g.x0 - X) < best) best = std::fabs(g.x0 - X), y = g.y0;
    }
    return y;
  }
};

TEST(Carrondi, NiceValues) {
  TrBode b;
  struct {
    double x, want;
  } cases[] = {{0, 0},      {0.7, 0.75}, {0.625, 0.75}, {23, 25},    {-0.0033, -0.003},
               {1, 1},      {10, 10},    {0.375, 0.4},  {0.14, 0.1}, {-870, -750},
               {1e-101, 0}, {2.4, 2.5},  {0.906, 1},    {3.84, 4}};
  for (const auto& c : cases)
    EXPECT_NEAR(b.carrondi(c.x), c.want, 1e-12 * (1 + std::fabs(c.want))) << c.x;
  // A caller's table: nearest entry, and the decade itself when no entry is large enough.
  const double t[] = {0.2, 0.5};
  EXPECT_NEAR(b.carrondi(0.045, t, 2), 0.05, 1e-15);
  EXPECT_NEAR(b.carrondi(0.9, t, 2), 1, 1e-15);
  // The Bode rounding keeps 1e-100 itself; the time chart's threshold includes it.
  EXPECT_NE(b.carrondi(1e-100), 0);
  EXPECT_EQ(ArrondiNet(1e-100, nullptr, 0, true), 0);
}

// A frequency label is the stroke text of its hand-written form.
TEST(Afff, Labels) {
  struct {
    double f;
    const char* text;
  } cases[] = {{2500, "2.5ks/e-1"}, {999, "999s/e-1"}, {1e6, "1Ms/e-1"}, {0.01, "0.01s/e-1"}};
  for (const auto& c : cases) {
    C_REC a, b;
    ASSERT_EQ(a.TRINIT(), 0);
    ASSERT_EQ(b.TRINIT(), 0);
    a.MOVE(0.5, 0.5);
    b.MOVE(0.5, 0.5);
    TrBode t;
    t.afff(c.f, &a);
    b.CADPRINTF(0, "%s", c.text);
    a.TRCLOSE();
    b.TRCLOSE();
    ASSERT_FALSE(a.segs.empty());
    ASSERT_EQ(a.segs.size(), b.segs.size()) << c.text;
    for (size_t i = 0; i < a.segs.size(); ++i) {
      EXPECT_EQ(a.segs[i].x0, b.segs[i].x0);
      EXPECT_EQ(a.segs[i].y1, b.segs[i].y1);
    }
  }
}

// Gain and phase panels of 10/((s+1)(s+10)): the curves pass the closed-form values.
TEST_F(BodeTest, CurvesPassClosedForm) {
  AddH();
  C_REC* rec;
  auto h = RecHolder(GrEMF, &rec);
  TrBode b;
  b.Trace(h.get());
  ASSERT_TRUE(rec->closed);
  EXPECT_NEAR(b.dBm, GainRef(0.01), 1e-9);
  EXPECT_NEAR(b.dBn, GainRef(100), 1e-9);
  EXPECT_NEAR(b.Degm, PhaseRef(0.01), 1e-9);
  EXPECT_NEAR(b.Degn, PhaseRef(100), 1e-9);
  auto curve = rec->OfPen(4);
  ASSERT_GT(curve.size(), 700u);  // two panels of 400 segments, some clipped or merged
  // Gain panel: viewport 2..18 x 15..27.5 cm; phase panel 2..18 x 1..13.5 cm.
  Carte gain{2, 18, 15, 27.5, -2, 2, GainRef(100) - 10, GainRef(0.01) + 10};
  Carte phase{2, 18, 1, 13.5, -2, 2, PhaseRef(100) - 10, PhaseRef(0.01) + 10};
  std::vector<C_REC::Seg> up, down;
  for (const auto& s : curve) (s.y0 > 14 * 400 ? up : down).push_back(s);
  for (double w : {0.1, 1.0, 10.0}) {
    EXPECT_NEAR(gain.Y(YAt(up, gain.DevX(std::log10(w)))), GainRef(w), 0.02) << w;
    EXPECT_NEAR(phase.Y(YAt(down, phase.DevX(std::log10(w)))), PhaseRef(w), 0.05) << w;
  }
  EXPECT_NEAR(gain.Y(YAt(up, gain.DevX(0))), 20 * std::log10(10 / std::sqrt(2) / std::sqrt(101)),
              0.02);
}

// Six functions 10a/((s+a)(s+10)), a = 1 .. 6, in six pens at 10 000 points: enough points for
// the curves to be computed on two cores and converted to moves on the second while the first
// draws. Every curve passes its closed form in its pen, and the extents are those of the
// highest and lowest curves at the ends of the range.
TEST_F(BodeTest, ManyCurvesOnTwoCoresPassClosedForm) {
  Param.EdNBP = 10000;
  auto gainDe = [](double a, double w) {
    return 20 * std::log10(10 * a / std::sqrt(a * a + w * w) / std::sqrt(100 + w * w));
  };
  auto phaseDe = [](double a, double w) {
    return -(std::atan(w / a) + std::atan(w / 10)) * 180 / M_PI;
  };
  for (int i = 0; i < 6; ++i) {
    double poles[] = {-(i + 1.0), -10};
    const std::string nom = "H" + std::to_string(i);
    TFctTransfert* f = Param.AddFctTransfert(nom.c_str(), 10.0 * (i + 1), nullptr, 0, poles, 2,
                                             nullptr, 0, nullptr, 0);
    f->Color = 4 + i;  // pens of no grid line
  }
  C_REC* rec;
  auto h = RecHolder(GrEMF, &rec);
  TrBode b;
  b.Trace(h.get());
  ASSERT_TRUE(rec->closed);
  EXPECT_NEAR(b.dBm, gainDe(6, 0.01), 1e-9);
  EXPECT_NEAR(b.dBn, gainDe(1, 100), 1e-9);
  EXPECT_NEAR(b.Degm, phaseDe(6, 0.01), 1e-9);
  EXPECT_NEAR(b.Degn, phaseDe(1, 100), 1e-9);
  Carte gain{2, 18, 15, 27.5, -2, 2, b.dBn - 10, b.dBm + 10};
  Carte phase{2, 18, 1, 13.5, -2, 2, b.Degn - 10, b.Degm + 10};
  for (int i = 0; i < 6; ++i) {
    std::vector<C_REC::Seg> up, down;
    for (const auto& s : rec->OfPen(4 + i)) (s.y0 > 14 * 400 ? up : down).push_back(s);
    ASSERT_GT(up.size(), 50u) << i;
    ASSERT_GT(down.size(), 50u) << i;
    for (double w : {0.03, 0.3, 3.0, 30.0}) {
      EXPECT_NEAR(gain.Y(YAt(up, gain.DevX(std::log10(w)))), gainDe(i + 1, w), 0.03) << i << " " << w;
      EXPECT_NEAR(phase.Y(YAt(down, phase.DevX(std::log10(w)))), phaseDe(i + 1, w), 0.1)
          << i << " " << w;
    }
  }
}

// Decade lines at 10 and 100 rad/s when the range 1..100 is read in hertz, with their labels
// hanging below the frame, centred on the line.
TEST_F(BodeTest, DecadeLinesAndLabels) {
  Param.RBFrequence = true;
  Param.EdWn = 1;
  Param.EdWm = 100;
  Param.RBBode = RBBodeGain;
  Param.ColorBode1 = 7;
  C_REC* rec;
  auto h = RecHolder(GrEMF, &rec);
  TrBode b;
  b.Trace(h.get());
  EXPECT_NEAR(b.wn, 2 * M_PI, 1e-12);
  EXPECT_NEAR(b.wm, 200 * M_PI, 1e-9);
  Carte c{2, 18, 1, 27.5, std::log10(2 * M_PI), std::log10(200 * M_PI), -10, 10};
  auto major = rec->OfPen(7);
  for (double dec : {10.0, 100.0}) {
    double X = c.DevX(std::log10(dec));
    int lines = 0, label = 0;
    double lxn = 1e9, lxm = -1e9;
    for (const auto& s : major) {
      if (std::fabs(s.x0 - X) <= 1 && std::fabs(s.x1 - X) <= 1 && std::fabs(s.y0 - s.y1) > 10000)
        ++lines;
      if (s.y0 < 0.85 * 400 && s.y1 < 0.85 * 400 && std::fabs((s.x0 + s.x1) / 2 - X) < 400) {
        ++label;
        lxn = std::min({lxn, s.x0, s.x1});
        lxm = std::max({lxm, s.x0, s.x1});
      }
    }
    EXPECT_EQ(lines, 1) << dec;
    EXPECT_GT(label, 5) << dec;
    EXPECT_NEAR((lxn + lxm) / 2, X, 40) << dec;  // centred within 1 mm
  }
  // The third decade value (1000) lies right of the page: nothing drawn there.
  for (const auto& s : major) EXPECT_LE(std::max(s.x0, s.x1), 19 * 400 + 1);
}

// Grid lines, decade lines and ticks only within the frequency range, whatever its ends: the
// decade lines are those of the powers of ten in the range, the intermediate lines those of
// m x 10^k (m = 2..9) in it, and nothing of the grid's pens is inked left or right of the frame
// but the labels hanging below it. Ranges of the example charts included (0.02..62.8 rad/s:
// no 100 rad/s line right of the frame; 0.03..120: no 0.02 line through the value labels).
TEST_F(BodeTest, GridOnlyWithinTheRange) {
  const struct {
    double wn, wm;
    int decades, intermediates;  // counted by hand
  } kCases[] = {
      {0.3, 1e6, 7, 7 + 6 * 8},         // 1..1e6; 0.3..0.9, then 2..9 x 10^k for k = 0..5
      {0.02, 62.8, 3, 8 + 8 + 8 + 5},   // 0.1, 1, 10; 0.02..0.09, 0.2..0.9, 2..9, 20..60
      {0.03, 120, 4, 7 + 8 + 8 + 8},    // 0.1..100; 0.03..0.09, 0.2..0.9, 2..9, 20..90
      {0.05, 0.5, 1, 5 + 4},            // 0.1; 0.05..0.09, 0.2..0.5
      {1, 100, 3, 8 + 8},               // 1, 10, 100; 2..9, 20..90
  };
  for (const auto& k : kCases) {
    Param.EdWn = k.wn;
    Param.EdWm = k.wm;
    Param.RBBode = RBBodeGain;
    Param.ColorBode1 = 7;
    Param.ColorBode2 = 9;
    C_REC* rec;
    auto h = RecHolder(GrEMF, &rec);
    TrBode b;
    b.Trace(h.get());
    int decades = 0, intermediates = 0, outside = 0;
    for (int pen : {7, 9})
      for (const auto& s : rec->OfPen(pen)) {
        const bool vertical = std::fabs(s.x0 - s.x1) <= 1 && std::fabs(s.y0 - s.y1) > 10000;
        decades += vertical && pen == 7;
        intermediates += vertical && pen == 9;
        // Minor lines and ticks within the frame's edges and their outward ticks (0.15 cm);
        // decade lines within the frame (the value labels left of it are of that pen too).
        const double xn = std::min(s.x0, s.x1), xm = std::max(s.x0, s.x1);
        if (pen == 9) outside += xn < 1.85 * 400 - 1 || xm > 18.15 * 400 + 1;
        if (vertical && pen == 7) outside += xn < 2 * 400 - 1 || xm > 18 * 400 + 1;
      }
    EXPECT_EQ(decades, k.decades) << k.wn << ".." << k.wm;
    EXPECT_EQ(intermediates, k.intermediates) << k.wn << ".." << k.wm;
    EXPECT_EQ(outside, 0) << k.wn << ".." << k.wm;
  }
}

// Empty registry: the value axis runs -10..10 with a major line every unit (21 lines, one at
// exactly 0), and no curve is drawn.
TEST_F(BodeTest, EmptyRegistryAxis) {
  Param.RBBode = RBBodeGain;
  C_REC* rec;
  auto h = RecHolder(GrEMF, &rec);
  TrBode b;
  b.Trace(h.get());
  Carte c{2, 18, 1, 27.5, -2, 2, -10, 10};
  int horiz = 0;
  bool zero = false;
  for (const auto& s : rec->OfPen(Param.ColorBode1)) {
    if (std::fabs(s.y0 - s.y1) <= 1 && std::fabs(s.x0 - s.x1) > 6000) {
      ++horiz;
      if (std::fabs(s.y0 - c.DevY(0)) <= 1) zero = true;
    }
  }
  EXPECT_EQ(horiz, 21);
  EXPECT_TRUE(zero);
  EXPECT_EQ(b.dBn, 0);
  EXPECT_EQ(b.dBm, 0);
}

// Gains from -25 to +8 dB: major lines every 2.5 dB starting at exactly 0, up to 17.5 and down
// to -35 (the axis runs from -35 to 18).
TEST(BodeAxis, StraddlingZero) {
  C_REC rec;
  ASSERT_EQ(rec.TRINIT(), 0);
  rec.BOUNDS(0, 19, 0, 28);
  rec.VWPORTA(2, 18, 1, 27.5);
  rec.SETPRT(0);  // as the charts do: lines pass the frame edges
  TraceAxeValeurs(&rec, 19, 28, -35, 18, "dB", {true, 2, 0.4, 3, 0.4}, false);
  rec.TRCLOSE();
  Carte c{2, 18, 1, 27.5, 2, 18, -35, 18};
  std::vector<double> ys;
  for (const auto& s : rec.OfPen(2))
    if (std::fabs(s.y0 - s.y1) <= 1 && std::fabs(s.x0 - s.x1) > 6000) ys.push_back(c.Y(s.y0));
  ASSERT_EQ(ys.size(), 22u);
  std::sort(ys.begin(), ys.end());
  for (size_t i = 0; i < ys.size(); ++i) EXPECT_NEAR(ys[i], -35 + 2.5 * i, 0.01);
}

// Values from -90 to -10: the rounded start -100 lies below the range; lines every 4 units
// stand only from -88 to -12, and no tick falls below the frame.
TEST(BodeAxis, NothingBelowTheRange) {
  C_REC rec;
  ASSERT_EQ(rec.TRINIT(), 0);
  rec.BOUNDS(0, 19, 0, 28);
  rec.VWPORTA(2, 18, 1, 27.5);
  rec.SETPRT(0);
  TraceAxeValeurs(&rec, 19, 28, -90, -10, "dB", {true, 2, 0.4, 3, 0.4}, false);
  rec.TRCLOSE();
  Carte c{2, 18, 1, 27.5, 2, 18, -90, -10};
  std::vector<double> ys;
  for (const auto& s : rec.OfPen(2))
    if (std::fabs(s.y0 - s.y1) <= 1 && std::fabs(s.x0 - s.x1) > 6000) ys.push_back(c.Y(s.y0));
  ASSERT_EQ(ys.size(), 20u);
  std::sort(ys.begin(), ys.end());
  for (size_t i = 0; i < ys.size(); ++i) EXPECT_NEAR(ys[i], -88 + 4.0 * i, 0.01);
  for (const auto& s : rec.OfPen(3)) EXPECT_GE(std::min(s.y0, s.y1), c.DevY(-90) - 1);
}

// Every label reads back as the value of its line, with awkward steps: gains from -140 to 20 dB
// (lines every 7.5 dB: "-112.5dB", not "-112dB"), values from 0 to 1.6 (every 0.075: "1.275",
// not "1.28"), and values from -1100 to 100 whose widest labels ("-1.05E+03") would pass the
// page's left edge and are moved inward whole.
TEST(BodeAxis, LabelsReadBackEqualTheirLines) {
  const struct {
    double yn, ym, step;
    const char* unit;
    bool zero_inclus;
  } cases[] = {{-140, 20, 7.5, "dB", false}, {0, 1.6, 0.075, "", true}, {-1100, 100, 50, "", true}};
  for (const auto& k : cases) {
    C_REC rec;
    ASSERT_EQ(rec.TRINIT(), 0);
    rec.BOUNDS(0, 19, 0, 28);
    rec.VWPORTA(2, 18, 1, 27.5);
    rec.SETPRT(0);
    rec.CADDEFTXTA(0.35, 0, 0);
    TraceAxeValeurs(&rec, 19, 28, k.yn, k.ym, k.unit, {true, 2, 0.4, 3, 0.4}, k.zero_inclus);
    rec.TRCLOSE();
    const Carte c{2, 18, 1, 27.5, 2, 18, k.yn, k.ym};
    const auto labels = ReadValueLabels(rec, 2, c, 6000, 3 * 400, k.unit, 0.35, k.step);
    EXPECT_GT(labels.size(), 15u) << k.yn;
    for (const auto& l : labels) {
      EXPECT_NEAR(l.read, l.line, 0.02 * k.step) << k.yn << ": line " << l.line;
      EXPECT_GE(l.left, 0) << k.yn << ": line " << l.line;
    }
  }
}

// A function whose colour was never set (white, the paper) is drawn in black.
TEST_F(BodeTest, UnsetColourDrawnBlack) {
  AddH(0);
  C_REC* rec;
  auto h = RecHolder(GrEMF, &rec);
  TrBode b;
  b.Trace(h.get());
  EXPECT_TRUE(rec->OfPen(0).empty());
  EXPECT_GT(rec->OfPen(1).size(), 700u);
}

// Each element gets its own width: major lines and labels, minor ticks, curves.
TEST_F(BodeTest, Widths) {
  AddH();
  Param.EpBod1 = 0.6;
  Param.EpBod2 = 0.2;
  Param.EpCourbe = 1.5;
  C_REC* rec;
  auto h = RecHolder(GrEMF, &rec);
  TrBode b;
  b.Trace(h.get());
  EXPECT_TRUE(AllWidths(*rec, Param.ColorBode1, 0.6));
  EXPECT_TRUE(AllWidths(*rec, Param.ColorBode2, 0.2));
  EXPECT_TRUE(AllWidths(*rec, 4, 1.5));
}

TEST_F(BodeTest, PointCountClamped) {
  AddH();
  Param.RBBode = RBBodeGain;
  struct {
    int asked;
    uint32_t used;
  } cases[] = {{0, 10}, {5, 10}, {10, 10}, {250000, 100000}, {-3, 100000}};
  for (const auto& c : cases) {
    Param.EdNBP = c.asked;
    C_REC* rec;
    auto h = RecHolder(GrEMF, &rec);
    TrBode b;
    b.Trace(h.get());
    EXPECT_EQ(b.nbp, c.used) << c.asked;
    if (c.used == 10) {
      EXPECT_EQ(rec->OfPen(4).size(), 9u);
    }
  }
}

TEST_F(BodeTest, RangeFallback) {
  struct {
    double wn, wm;
  } cases[] = {{100, 10}, {5, 5}, {0, 10}, {-1, 10}};
  for (const auto& c : cases) {
    Param.EdWn = c.wn;
    Param.EdWm = c.wm;
    C_REC* rec;
    auto h = RecHolder(GrEMF, &rec);
    TrBode b;
    b.Trace(h.get());
    EXPECT_EQ(b.wn, 0.01);
    EXPECT_EQ(b.wm, 1000);
  }
}

// Closed loop only: 10/((s+1)(s+10)) closes to 10/(s^2+11s+20), static gain 0.5 (-6.02 dB).
// The dashed style (0.15 cm dashes and gaps) draws about half the length of the solid curve.
TEST_F(BodeTest, ClosedLoopDashed) {
  AddH();
  Param.CBBO = false;
  Param.CBBF = true;
  Param.RBBode = RBBodeGain;
  double len[2] = {0, 0};
  for (int dashed = 0; dashed < 2; ++dashed) {
    Param.CBPointill = dashed == 1;
    C_REC* rec;
    auto h = RecHolder(GrEMF, &rec);
    TrBode b;
    b.Trace(h.get());
    EXPECT_NEAR(b.dBm, 20 * std::log10(0.5), 1e-3);
    for (const auto& s : rec->OfPen(4)) len[dashed] += s.Len();
  }
  EXPECT_GT(len[0], 16 * 400);
  EXPECT_NEAR(len[1] / len[0], 0.5, 0.05);
  EXPECT_TRUE(Param.fct[0]->ModeBF);
  // A later curve whose expression names H evaluates H in open loop: H is left so, as after
  // that curve's sweep, though both panels draw from the values of one sweep.
  Param.AddFctTransfert("A", 1)->ChangeExpression("H*2");
  C_REC* rec;
  auto h = RecHolder(GrEMF, &rec);
  TrBode b;
  b.Trace(h.get());
  EXPECT_FALSE(Param.fct[0]->ModeBF);
  EXPECT_TRUE(Param.fct[1]->ModeBF);
}

// A zero gain has no finite decibel value: the curve is left out, the axes stay finite.
TEST_F(BodeTest, ZeroGainDrawsNoCurve) {
  AddH()->g = 0;
  C_REC* rec;
  auto h = RecHolder(GrEMF, &rec);
  TrBode b;
  b.Trace(h.get());
  EXPECT_TRUE(rec->closed);
  EXPECT_TRUE(std::isfinite(b.dBn));
  EXPECT_LT(rec->OfPen(4).size(), 450u);  // the phase curve only
}

// On the screen the page is drawn at half size: a single panel, like two, stays inside the
// 10 x 14 cm window (a 28 cm wide page would put its right part outside).
TEST_F(BodeTest, ScreenPageFitsTheWindow) {
  AddH();
  for (int typ : {RBBodeGain, RBBodePhase, RBBodeGainPhase}) {
    Param.RBBode = typ;
    C_REC* rec;
    auto h = RecHolder(GrScr, &rec);
    TrBode b;
    b.Trace(h.get());
    ASSERT_FALSE(rec->segs.empty());
    double xm = 0, ym = 0;
    for (const auto& s : rec->segs)
      xm = std::max({xm, s.x0, s.x1}), ym = std::max({ym, s.y0, s.y1});
    EXPECT_LE(xm, 9.5 * 400 + 1) << typ;
    EXPECT_LE(ym, 14 * 400 + 1) << typ;
    EXPECT_GT(xm, 8.5 * 400) << typ;  // and uses its width
  }
}

TEST(BodeNull, NoDevice) {
  TrBode b;
  b.Trace(nullptr);
  TMDGraph none(GrErr);
  b.Trace(&none);
  SUCCEED();
}

}  // namespace

// The jobs a chart runs ahead: each runs once, its results are visible once Attend returns for
// it, whether the second thread or the caller ran it; a chart that stops early leaves no job
// running behind it; chained jobs never overlap.
TEST(Travaux, EachJobOnceAndDoneWhenAttended) {
  for (bool parallele : {false, true}) {
    constexpr size_t n = 3000;
    std::vector<double> v(n, -1);
    std::vector<std::atomic<int>> fois(n);
    {
      TTravaux t(
          n,
          [&](size_t i) {
            double s = 0;
            for (size_t k = 0; k <= i % 97; ++k) s += std::sqrt(static_cast<double>(i + k));
            v[i] = s;
            ++fois[i];
          },
          parallele);
      for (size_t i = 0; i < n; ++i) {
        t.Attend(i);
        double s = 0;
        for (size_t k = 0; k <= i % 97; ++k) s += std::sqrt(static_cast<double>(i + k));
        ASSERT_EQ(v[i], s) << i;
      }
    }
    for (size_t i = 0; i < n; ++i) EXPECT_EQ(fois[i], 1) << i;
    std::atomic<int> total{0};
    {
      TTravaux t(n, [&](size_t) { ++total; }, parallele);
      t.Attend(10);
      EXPECT_GE(total, 11);
    }
    EXPECT_LE(total, static_cast<int>(n));
    // With a look-ahead of 2, job i starts only once the caller has released job i - 2, so
    // that jobs filling two buffers in turn never write into the one the caller reads. Waiting
    // without help, the caller runs no job past the one it waits for.
    for (bool aide : {true, false}) {
      std::atomic<size_t> liberes{0}, attendu{0};
      std::atomic<int> trop{0}, devant{0};
      std::vector<int> tampon(2, -1);
      const std::thread::id appelant = std::this_thread::get_id();
      {
        TTravaux t(
            n,
            [&](size_t i) {
              if (i >= liberes + 2) ++trop;
              if (std::this_thread::get_id() == appelant && i > attendu) ++devant;
              double s = 0;  // some work, so that the caller often finds job i under way
              for (size_t k = 0; k < 2000; ++k) s += std::sqrt(static_cast<double>(i + k));
              tampon[i % 2] = static_cast<int>(s > 0 ? i : 0);
            },
            parallele, 2);
        for (size_t i = 0; i < n; ++i) {
          attendu = i;
          t.Attend(i, aide);
          ASSERT_EQ(tampon[i % 2], static_cast<int>(i)) << i;
          liberes = i + 1;
          t.Libere(i);
        }
      }
      EXPECT_EQ(trop, 0);
      if (!aide) {
        EXPECT_EQ(devant, 0);
      }
    }
    // Chained jobs run one at a time and in order, each finding what the one before left in
    // plain memory, whichever thread ran either, within the look-ahead.
    for (bool aide : {true, false}) {
      std::atomic<int> enCours{0}, ensemble{0}, trop{0};
      std::atomic<size_t> liberes{0};
      size_t etat = 0;  // left by job i for job i + 1, without a lock
      std::vector<size_t> vu(n, n);
      {
        TTravaux t(
            n,
            [&](size_t i) {
              if (++enCours > 1) ++ensemble;
              if (i >= liberes + 3) ++trop;
              vu[i] = etat;
              double s = 0;  // some work, so that the caller often finds job i under way
              for (size_t k = 0; k < 500; ++k) s += std::sqrt(static_cast<double>(i + k));
              etat = i + 1 + (s < 0);
              --enCours;
            },
            parallele, 3, true);
        for (size_t i = 0; i < n; ++i) {
          t.Attend(i, aide);
          ASSERT_EQ(vu[i], i) << i;
          liberes = i + 1;
          t.Libere(i);
        }
      }
      EXPECT_EQ(ensemble, 0);
      EXPECT_EQ(trop, 0);
    }
  }
}

namespace {

// Whether the strokes s (in drawing order) have the shape of texte printed h cm high.
bool SameText(const std::vector<C_REC::Seg>& s, const std::string& texte, double h) {
  const auto t = TextStrokes(texte, h, 0, 0.5);
  if (s.size() != t.size() || s.empty()) return false;
  for (size_t i = 0; i < t.size(); ++i)
    if (std::fabs(s[i].x0 - s[0].x0 - t[i].x0) > 2 || std::fabs(s[i].y0 - s[0].y0 - t[i].y0) > 2 ||
        std::fabs(s[i].x1 - s[0].x0 - t[i].x1) > 2 || std::fabs(s[i].y1 - s[0].y0 - t[i].y1) > 2)
      return false;
  return true;
}

}  // namespace

// Margins of K/(s(s+1)(s+2)) marked with Marges: the phase is -180 degrees at sqrt(2) rad/s,
// where |H| = K/6, so the gain panel has a segment there from -20 log10(6/K) dB to 0 dB; the
// gain is 0 dB at wc, the root of K = wc sqrt(1 + wc^2) sqrt(4 + wc^2), where the phase panel
// has a segment from the curve to -180 degrees, 90 - atan(wc) - atan(wc/2) degrees long. Each is
// labelled with the value the report prints (%.2f). Without Marges nothing of the kind is drawn.
TEST_F(BodeTest, MarginsAtTheClosedFormCrossings) {
  for (double K : {0.5, 2.0, 8.0}) {
    for (bool marges : {true, false}) {
      Param.Reset();
      Param.RBFrequence = false;
      Param.EdWn = 0.01;
      Param.EdWm = 100;
      Param.EdNBP = 401;
      Param.CBMarges = marges;
      double poles[] = {0, -1, -2};
      Param.AddFctTransfert("H", K, nullptr, 0, poles, 3, nullptr, 0, nullptr, 0)->Color = 4;
      const double mg = 20 * std::log10(6 / K), wg = std::sqrt(2.0);
      double lo = 1e-3, hi = 100;  // K / (w sqrt(1 + w^2) sqrt(4 + w^2)) falls through 1
      for (int i = 0; i < 200; ++i) {
        const double m = std::sqrt(lo * hi);
        (K / (m * std::sqrt(1 + m * m) * std::sqrt(4 + m * m)) > 1 ? lo : hi) = m;
      }
      const double wc = lo, mp = 90 - (std::atan(wc) + std::atan(wc / 2)) * 180 / M_PI;
      C_REC* rec;
      auto h = RecHolder(GrEMF, &rec);
      TrBode b;
      testing::internal::CaptureStdout();
      b.Trace(h.get());
      testing::internal::GetCapturedStdout();
      Carte gain{2, 18, 15, 27.5, -2, 2, b.dBn - 10, b.dBm + 10};
      Carte phase{2, 18, 1, 13.5, -2, 2, b.Degn - 10, b.Degm + 10};
      // Vertical segments of the margin width (half the curve's), and label strokes, per panel.
      std::vector<C_REC::Seg> segG, segP, txtG, txtP;
      for (const auto& s : rec->OfPen(4)) {
        const bool haut = s.y0 > 14 * 400;
        if (std::fabs(s.w - 0.5) < 1e-12 && std::fabs(s.x0 - s.x1) <= 1 && s.Len() > 4)
          (haut ? segG : segP).push_back(s);
        if (std::fabs(s.w - 0.2) < 1e-12) (haut ? txtG : txtP).push_back(s);
      }
      if (!marges) {
        EXPECT_TRUE(segG.empty() && segP.empty() && txtG.empty() && txtP.empty()) << K;
        continue;
      }
      ASSERT_EQ(segG.size(), 1u) << K;
      ASSERT_EQ(segP.size(), 1u) << K;
      const auto& g = segG[0];
      EXPECT_NEAR(gain.X(g.x0), std::log10(wg), 0.002) << K;
      EXPECT_NEAR(gain.Y(std::min(g.y0, g.y1)), std::min(-mg, 0.0), 0.15) << K;
      EXPECT_NEAR(gain.Y(std::max(g.y0, g.y1)), std::max(-mg, 0.0), 0.15) << K;
      const auto& p = segP[0];
      EXPECT_NEAR(phase.X(p.x0), std::log10(wc), 0.002) << K;
      EXPECT_NEAR(phase.Y(std::min(p.y0, p.y1)), std::min(-180 + mp, -180.0), 0.15) << K;
      EXPECT_NEAR(phase.Y(std::max(p.y0, p.y1)), std::max(-180 + mp, -180.0), 0.15) << K;
      char tg[32], tp[32];
      std::snprintf(tg, sizeof tg, "Mg=%.2fdB", mg);
      std::snprintf(tp, sizeof tp, "Mp=%.2f/eo", mp);
      EXPECT_TRUE(SameText(txtG, tg, 0.3)) << tg;
      EXPECT_TRUE(SameText(txtP, tp, 0.3)) << tp;
    }
  }
}
