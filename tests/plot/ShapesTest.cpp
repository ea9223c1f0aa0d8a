// Shapes and markers: frame, rectangle, arrowhead, arcs and circles, the twelve markers and
// extent measurement, checked on the moves a recording device receives.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/support/MoveRecorder.h"

namespace {

using Seg = MoveRecorder::Seg;
constexpr double kPi = 3.14159265358979323846;

// A 400-unit device on a 29.7 x 21 cm page whose window is in centimetres: 400 units per user
// unit on both axes.
struct ShapesFixture : ::testing::Test {
  MoveRecorder dev;
  void SetUp() override {
    ASSERT_EQ(dev.TRINIT(), 0);
    dev.MOVE(10, 10);  // (4000, 4000)
    dev.Clear();
  }
};

TEST_F(ShapesFixture, MarkerTwoIsAPlusOf40UnitsForA01cmSize) {
  ASSERT_EQ(dev.MKSIZE(0.1), 0);
  EXPECT_DOUBLE_EQ(dev.mksz, 40);  // so c = 20
  ASSERT_EQ(dev.MKTYPE(2), 0);
  ASSERT_EQ(dev.PLOT(5, 5), 0);  // (2000, 2000)
  std::vector<Seg> got = dev.Normalised(2000, 2000);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0], (Seg{-20, 0, 20, 0}));
  EXPECT_EQ(got[1], (Seg{0, -20, 0, 20}));
  EXPECT_DOUBLE_EQ(dev.BNx, 2000);  // back on the point
  EXPECT_DOUBLE_EQ(dev.BNy, 2000);
}

TEST_F(ShapesFixture, MarkerShapes) {
  ASSERT_EQ(dev.MKSIZE(0.1), 0);
  // Marker 0 is one device unit whatever the size.
  dev.MKTYPE(0);
  dev.PLOT(5, 5);
  std::vector<Seg> got = dev.Normalised(2000, 2000);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0], (Seg{-1, 0, 1, 0}));
  EXPECT_EQ(got[1], (Seg{0, -1, 0, 1}));
  // Square: corners at 0.707 c = 14.14 units.
  dev.Clear();
  dev.MKTYPE(4);
  dev.PLOT(5, 5);
  got = dev.Normalised(2000, 2000);
  ASSERT_EQ(got.size(), 4u);
  for (const Seg& s : got) {
    EXPECT_EQ(std::abs(s.x0), 14);
    EXPECT_EQ(std::abs(s.y1), 14);
  }
  // Every shape is closed or drawn from the point, so the strokes' lengths match its outline.
  struct {
    int type;
    int segs;
    double length;  // in units of c
  } shapes[] = {
      {1, 2, 4 * 0.707 * std::sqrt(2.0)}, {3, 3, 3 * std::sqrt(3.0)}, {5, 8, 8 * 0.765},
      {6, 3, 3 * std::sqrt(3.0)},         {8, 4, 4 * std::sqrt(2.0)}, {9, 12, 8 + 4 * 0.5176},
      {10, 4, 2 * (1 + 1.732)},           {11, 4, 2 * (1 + 1.732)},
  };
  for (const auto& sh : shapes) {
    dev.Clear();
    dev.MKTYPE(sh.type);
    dev.PLOT(5, 5);
    got = dev.Normalised(2000, 2000);
    EXPECT_EQ(static_cast<int>(got.size()), sh.segs) << sh.type;
    double len = 0;
    for (const Seg& s : got) len += std::hypot(s.x1 - s.x0, s.y1 - s.y0);
    EXPECT_NEAR(len, sh.length * 20, 2.5 * sh.segs) << sh.type;
  }
  // The star has its points on the diagonals and its inner corners at c / 2.
  dev.Clear();
  dev.MKTYPE(7);
  dev.PLOT(5, 5);
  MoveRecorder::Box b = dev.DrawnBox();
  EXPECT_EQ(b.xm - 2000, 14);
  EXPECT_EQ(b.yn - 2000, -14);
}

TEST_F(ShapesFixture, MarkerIsSolidUnderADashedStyleAndTheStyleComesBack) {
  ASSERT_EQ(dev.MKSIZE(0.5), 0);  // c = 100
  dev.MKTYPE(8);
  dev.PLOT(5, 5);
  std::vector<Seg> solid = dev.Normalised(2000, 2000);
  ASSERT_EQ(dev.SETLIN(5, 0.1), 0);  // 4 units drawn, 12 left out
  dev.Clear();
  dev.PLOT(5, 5);
  EXPECT_EQ(dev.Normalised(2000, 2000), solid);
  dev.Clear();
  dev.MOVE(5, 5);
  dev.DRAW(6, 5);
  std::vector<Seg> d = dev.Drawn();
  EXPECT_GT(d.size(), 20u);
  EXPECT_EQ(d[0].x1 - d[0].x0, 4);
}

TEST_F(ShapesFixture, MarkerArgumentChecks) {
  EXPECT_EQ(dev.MKTYPE(12), 3);
  EXPECT_EQ(dev.MKTYPE(-1), 3);
  EXPECT_EQ(dev.MKTYPE(11), 0);
  EXPECT_EQ(dev.MKSIZE(0.04), 3);
  EXPECT_EQ(dev.MKSIZE(0.05), 0);
  int t;
  double s;
  ASSERT_EQ(dev.GET_MRK(&t, &s), 0);
  EXPECT_EQ(t, 11);
  EXPECT_NEAR(s, 0.05, 1e-12);
  // SETMRK passes no error on; a bad type leaves the type, the size is still set.
  EXPECT_EQ(dev.SETMRK(12, 0.3), 0);
  dev.GET_MRK(&t, &s);
  EXPECT_EQ(t, 11);
  EXPECT_NEAR(s, 0.3, 1e-12);
}

TEST_F(ShapesFixture, CircleZeroIsADotAndNegativeRadiusIsRefused) {
  ASSERT_EQ(dev.CIRCLE(0), 0);
  dev.Drawn();
  ASSERT_EQ(dev.moves.size(), 2u);
  EXPECT_EQ(dev.moves[0].st, 1);
  EXPECT_EQ(dev.moves[0].dx, 0);
  EXPECT_EQ(dev.moves[0].dy, 0);
  EXPECT_EQ(dev.x, 4000);
  EXPECT_EQ(dev.CIRCLE(-1), 3);
}

TEST_F(ShapesFixture, CircleStaysOnItsRadiusAndReturnsToTheCentre) {
  ASSERT_EQ(dev.CIRCLE(1), 0);  // 400 units
  std::vector<Seg> got = dev.Drawn();
  ASSERT_GT(got.size(), 30u);
  // Chords of acos(400/401): about 90 per turn, each within a unit of the circle.
  EXPECT_NEAR(static_cast<double>(got.size()), 2 * kPi / std::acos(400.0 / 401) + 1, 2);
  for (const Seg& s : got) {
    EXPECT_NEAR(std::hypot(s.x1 - 4000, s.y1 - 4000), 400, 1);
    double mx = (s.x0 + s.x1) / 2.0 - 4000, my = (s.y0 + s.y1) / 2.0 - 4000;
    EXPECT_GT(std::hypot(mx, my), 400 - 2);
  }
  EXPECT_EQ(got.back().x1, 4400);
  EXPECT_EQ(got.back().y1, 4000);
  EXPECT_DOUBLE_EQ(dev.BNx, 4000);
  EXPECT_DOUBLE_EQ(dev.BNy, 4000);
  EXPECT_EQ(dev.pen, 0);
}

TEST_F(ShapesFixture, Arc1From350To10DegreesPassesThroughZero) {
  ASSERT_EQ(dev.ARC1(1, 350, 10), 0);
  std::vector<Seg> got = dev.Drawn();
  ASSERT_FALSE(got.empty());
  for (const Seg& s : got) {
    double a = std::atan2(s.y1 - 4000, s.x1 - 4000) * 180 / kPi;
    EXPECT_LE(std::fabs(a), 10.2);
  }
  double a0 = std::atan2(got.front().y0 - 4000, got.front().x0 - 4000) * 180 / kPi;
  double a1 = std::atan2(got.back().y1 - 4000, got.back().x1 - 4000) * 180 / kPi;
  EXPECT_NEAR(a0, -10, 0.2);
  EXPECT_NEAR(a1, 10, 0.2);
  EXPECT_DOUBLE_EQ(dev.BNx, 4000);  // back at the centre, pen up
  EXPECT_EQ(dev.pen, 0);
  EXPECT_EQ(dev.ARC1(-1, 0, 90), 3);
  dev.Clear();
  EXPECT_EQ(dev.ARC1(1, 30, 30), 0);  // nothing to draw
  EXPECT_TRUE(dev.Drawn().empty());
}

TEST_F(ShapesFixture, ArcWithNegativeAngleTurnsClockwise) {
  dev.MOVE(11, 10);  // start on the circle of radius 1 around (10, 10)
  dev.Clear();
  ASSERT_EQ(dev.ARC(10, 10, -90), 0);
  std::vector<Seg> got = dev.Drawn();
  ASSERT_GT(got.size(), 3u);
  double prev = 1;
  for (const Seg& s : got) {
    double a = std::atan2(s.y1 - 4000, s.x1 - 4000);
    EXPECT_LE(a, prev + 1e-3);  // the angle only decreases
    prev = a;
  }
  EXPECT_NEAR(dev.BNx, 4000, 1e-6);
  EXPECT_NEAR(dev.BNy, 3600, 1e-6);
  EXPECT_EQ(dev.pen, 0);
  // ARCR: the same arc with the centre given relative to the current point, counter-clockwise.
  dev.MOVE(11, 10);
  dev.Clear();
  ASSERT_EQ(dev.ARCR(-1, 0, 180), 0);
  EXPECT_NEAR(dev.BNx, 3600, 1e-6);
  EXPECT_NEAR(dev.BNy, 4000, 1e-6);
  EXPECT_GT(dev.DrawnBox().ym, 4390);  // went over the top
  // A zero angle or zero radius draws nothing; non-finite angles are refused.
  dev.Clear();
  EXPECT_EQ(dev.ARC(10, 10, 0), 0);
  EXPECT_EQ(dev.ARCR(0, 0, 90), 0);
  EXPECT_TRUE(dev.Drawn().empty());
  EXPECT_EQ(dev.ARC(10, 10, INFINITY), 3);
  EXPECT_EQ(dev.ARC(NAN, 10, 10), 3);
}

TEST_F(ShapesFixture, HugeCircleEndsWithABoundedNumberOfChords) {
  // At this radius acos(R / (R + 1)) is 0; the circle lies outside the page and is clipped away.
  ASSERT_EQ(dev.CIRCLE(1e14), 0);
  EXPECT_TRUE(dev.Drawn().empty());
  ASSERT_EQ(dev.ARC1(1e14, 0, 90), 0);
  EXPECT_TRUE(dev.Drawn().empty());
}

TEST_F(ShapesFixture, FrameRectangleAndArrowhead) {
  dev.WINDOW(0, 10, 0, 5);  // 1188 x 1680 units per user unit
  ASSERT_EQ(dev.TRWIND(), 0);
  std::vector<Seg> got = dev.Normalised(0, 0);
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[0], (Seg{0, 0, 0, 8400}));
  EXPECT_EQ(got[1], (Seg{0, 0, 11880, 0}));
  EXPECT_EQ(got[2], (Seg{0, 8400, 11880, 8400}));
  EXPECT_EQ(got[3], (Seg{11880, 0, 11880, 8400}));

  dev.WINDOW(0, 29.7, 0, 21);
  dev.MOVE(10, 10);
  dev.Clear();
  ASSERT_EQ(dev.TRECT(2, 1, 90), 0);  // 800 along +y, 400 towards -x
  got = dev.Normalised(4000, 4000);
  ASSERT_EQ(got.size(), 4u);
  MoveRecorder::Box b = dev.DrawnBox();
  EXPECT_EQ(b.xn, 3600);
  EXPECT_EQ(b.xm, 4000);
  EXPECT_EQ(b.yn, 4000);
  EXPECT_EQ(b.ym, 4800);
  EXPECT_DOUBLE_EQ(dev.BNx, 4000);

  ASSERT_EQ(dev.SETLIN(1, 1.0), 0);
  dev.Clear();
  ASSERT_EQ(dev.FLECHE(0.5, 0.1, 0.1, 0), 0);  // pointing along +x: 200 long, 40 half-wide
  got = dev.Normalised(4000, 4000);
  ASSERT_EQ(got.size(), 4u);  // solid despite the dashes
  EXPECT_EQ(got[0], (Seg{-200, -40, -160, 0}));
  EXPECT_EQ(got[1], (Seg{-200, -40, 0, 0}));
  EXPECT_EQ(got[2], (Seg{-200, 40, -160, 0}));
  EXPECT_EQ(got[3], (Seg{-200, 40, 0, 0}));
  EXPECT_DOUBLE_EQ(dev.BNx, 4000);
  EXPECT_EQ(dev.nbsg, 2);  // the dashed style is back
}

TEST_F(ShapesFixture, MeasuringDrawsNothingAndReportsTheBox) {
  EXPECT_EQ(dev.RES_MES(nullptr, nullptr, nullptr, nullptr), 7);
  ASSERT_EQ(dev.INIT_MES(), 0);
  EXPECT_EQ(dev.INIT_MES(), 8);
  dev.DRAW(12, 11);
  dev.DRAW(11, 9);
  double xn, xm, yn, ym;
  ASSERT_EQ(dev.RES_MES(&xn, &xm, &yn, &ym), 0);
  EXPECT_TRUE(dev.Drawn().empty());
  EXPECT_TRUE(dev.moves.empty());
  EXPECT_NEAR(xn, 11, 1e-9);
  EXPECT_NEAR(xm, 12, 1e-9);
  EXPECT_NEAR(yn, 9, 1e-9);
  EXPECT_NEAR(ym, 11, 1e-9);
  // The exact position stays where the measured drawing ended; the output resumes from the
  // position reached before measuring.
  EXPECT_NEAR(dev.BNx, 4400, 1e-9);
  dev.DRAW(11, 10);
  std::vector<Seg> got = dev.Drawn();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], (Seg{4400, 3600, 4400, 4000}));
  ASSERT_EQ(dev.moves.size(), 2u);  // a pen-up move from where the output was, then the draw
  EXPECT_EQ(dev.moves[0].dx, 400);
  EXPECT_EQ(dev.moves[0].dy, -400);
  // Measuring nothing returns the transformed sentinels.
  ASSERT_EQ(dev.INIT_MES(), 0);
  ASSERT_EQ(dev.RES_MES(&xn, &xm, &yn, &ym), 0);
  EXPECT_NEAR(xn, 1e38 / 400, 1e25);
  EXPECT_NEAR(xm, -1e38 / 400, 1e25);
}

TEST(ShapesErrors, EveryOperationNeedsAnOpenContext) {
  MoveRecorder dev;
  double d;
  int t;
  EXPECT_EQ(dev.TRWIND(), 2);
  EXPECT_EQ(dev.TRECT(1, 1, 0), 2);
  EXPECT_EQ(dev.FLECHE(1, 1, 1, 0), 2);
  EXPECT_EQ(dev.ARC(0, 0, 10), 2);
  EXPECT_EQ(dev.ARCR(0, 0, 10), 2);
  EXPECT_EQ(dev.ARC1(1, 0, 10), 2);
  EXPECT_EQ(dev.CIRCLE(1), 2);
  EXPECT_EQ(dev.MKSIZE(1), 2);
  EXPECT_EQ(dev.MKTYPE(1), 2);
  EXPECT_EQ(dev.SETMRK(1, 1), 2);
  EXPECT_EQ(dev.GET_MRK(&t, &d), 2);
  EXPECT_EQ(dev.PLOT(0, 0), 2);
  EXPECT_EQ(dev.INIT_MES(), 2);
  EXPECT_EQ(dev.RES_MES(&d, &d, &d, &d), 2);
  EXPECT_TRUE(dev.moves.empty());
}

}  // namespace
