// Time-response chart: ranges, corrections of the duration and step, axes and curve points
// checked against closed forms through a recording device.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "model/Param.h"
#include "sim/TrTemp.h"
#include "tests/charts/Recorder.h"

namespace {

class TempTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Param.Reset();
    Param.EdTFin = 5;
    Param.EdDt = 0.001;
    Param.CBShowInput = false;
  }
  void TearDown() override { Param.Reset(); }
  void AddFirstOrder(int color = 8) {
    double poles[] = {-1};
    Param.AddFctTransfert("F", 1, nullptr, 0, poles, 1, nullptr, 0, nullptr, 0)->Color = color;
  }
  C_REC* Run(TrTemp* t) {
    holder_ = RecHolder(GrEMF, &rec_);
    testing::internal::CaptureStdout();
    t->Trace(holder_.get());
    out_ = testing::internal::GetCapturedStdout();
    return rec_;
  }
  std::unique_ptr<TMDGraph> holder_;
  C_REC* rec_ = nullptr;
  std::string out_;
};

// Step response of 1/(s+1) over 5 s: from 0 up to 1 - e^-5 = 0.99326 at 5 s.
TEST_F(TempTest, FirstOrderStep) {
  AddFirstOrder();
  TrTemp t;
  C_REC* rec = Run(&t);
  EXPECT_EQ(t.Yn, 0);
  EXPECT_NEAR(t.Ym, 1 - std::exp(-5.0), 1e-4);
  ASSERT_TRUE(rec->closed);
  // Viewport 2..18 x 1..27.5 cm (page 19 x 28) onto 0..5 s and Yn..Ym.
  Carte c{2, 18, 1, 27.5, 0, 5, t.Yn, t.Ym};
  auto curve = rec->OfPen(8);
  ASSERT_GT(curve.size(), 1000u);
  const auto& last = curve.back();
  EXPECT_NEAR(c.X(last.x1), 5, 0.002);
  EXPECT_NEAR(c.Y(last.y1), 0.993, 0.001);
  for (double tt : {0.5, 1.0, 2.0}) {
    double best = 1e9, y = 0;
    for (const auto& s : curve)
      if (std::fabs(c.X(s.x1) - tt) < best) best = std::fabs(c.X(s.x1) - tt), y = c.Y(s.y1);
    EXPECT_NEAR(y, 1 - std::exp(-tt), 1e-3) << tt;
  }
}

// Showing the step input raises the top of the range to 1; the impulse is never counted.
TEST_F(TempTest, InputInRange) {
  AddFirstOrder();
  Param.CBShowInput = true;
  TrTemp a;
  Run(&a);
  EXPECT_EQ(a.Ym, 1);
  Param.RBInput = 0;  // impulse: response e^-t, peak 1 at t = 0+
  TrTemp b;
  C_REC* rec = Run(&b);
  EXPECT_LT(b.Ym, 1.001);
  EXPECT_GT(b.Ym, 0.99);
  // The impulse (1/Dt = 1000 high) is cut at the frame's top, 27.5 cm, and an arrow head there
  // (0.4 cm high, 0.15 cm each side) points up; nothing of the input leaves the frame.
  const auto input = rec->OfPen(Param.ColorInput);
  ASSERT_FALSE(input.empty());
  int outside = 0;
  double tip = 0;  // the right side of the head ends 0.15 cm right of the tip and 0.4 cm below
  for (const auto& s : input) {
    for (double x : {s.x0, s.x1}) outside += x < 2 * 400 - 1 || x > 18 * 400 + 1;
    for (double y : {s.y0, s.y1}) outside += y < 1 * 400 - 1 || y > 27.5 * 400 + 1;
    if (std::fabs(s.y0 - 27.5 * 400) <= 1 && std::fabs(s.y1 - 27.1 * 400) <= 1)
      tip = std::max(tip, s.x1 - s.x0);
  }
  EXPECT_EQ(outside, 0);
  EXPECT_NEAR(tip, 0.15 * 400, 2);
  // The parabola t^2/2 reaches 12.5 at 5 s; the response of 1/(s+1) is t^2/2 - t + 1 - e^-t.
  Param.RBInput = 3;
  TrTemp p;
  rec = Run(&p);
  EXPECT_NEAR(p.Ym, 12.5, 0.01);
  EXPECT_EQ(p.Yn, 0);
  Carte c{2, 18, 1, 27.5, 0, 5, p.Yn, p.Ym};
  for (int pen : {Param.ColorInput, 8}) {
    const auto curve = rec->OfPen(pen);
    ASSERT_GT(curve.size(), 1000u) << pen;
    for (double tt : {1.0, 2.0, 4.0}) {
      // The curve read at tt on the line of the nearest segment (the input is dashed).
      double y = NAN, best = 1e9;
      for (const auto& s : curve) {
        const double x0 = c.X(s.x0), x1 = c.X(s.x1);
        if (!(x1 > x0) || std::fabs((x0 + x1) / 2 - tt) >= best) continue;
        best = std::fabs((x0 + x1) / 2 - tt);
        y = c.Y(s.y0) + (tt - x0) / (x1 - x0) * (c.Y(s.y1) - c.Y(s.y0));
      }
      const double exact = pen == 8 ? tt * tt / 2 - tt + 1 - std::exp(-tt) : tt * tt / 2;
      // Within a device unit and the one-step lag of the drawn input, far from a ramp's t.
      EXPECT_NEAR(y, exact, 0.01 * (1 + exact)) << pen << " " << tt;
    }
  }
}

TEST_F(TempTest, Widths) {
  AddFirstOrder();
  Param.CBShowInput = true;
  Param.CBBF = true;
  Param.EpTemp1 = 0.6;
  Param.EpTemp2 = 0.2;
  Param.EpCourbe = 1.5;
  TrTemp t;
  C_REC* rec = Run(&t);
  EXPECT_TRUE(AllWidths(*rec, Param.ColorTemp1, 0.6));
  EXPECT_TRUE(AllWidths(*rec, Param.ColorTemp2, 0.2));
  EXPECT_TRUE(AllWidths(*rec, Param.ColorInput, 1.5));
  EXPECT_TRUE(AllWidths(*rec, 8, 1.5));
}

// Closed loop of 1/(s+1) is 1/(s+2): final value 0.5.
TEST_F(TempTest, ClosedLoop) {
  AddFirstOrder();
  Param.CBBO = false;
  Param.CBBF = true;
  Param.EdTFin = 10;
  TrTemp t;
  Run(&t);
  EXPECT_NEAR(t.Ym, 0.5, 1e-4);
}

TEST_F(TempTest, DurationAndStepCorrections) {
  struct {
    double tfin, dt, tm, dtu;
  } cases[] = {
      {0, 0.001, 1, 0.001}, {-4, 0.001, 1, 0.001}, {10, 1e-9, 10, 1e-4}, {2, 0.01, 2, 0.01}};
  for (const auto& c : cases) {
    Param.EdTFin = c.tfin;
    Param.EdDt = c.dt;
    TrTemp t;
    Run(&t);
    EXPECT_EQ(t.Tm, c.tm) << c.tfin;
    EXPECT_NEAR(t.Dt, c.dtu, 1e-15) << c.tfin;
  }
}

// Nothing to draw: the range is widened to -0.1..0.1 and only the axes appear.
TEST_F(TempTest, EmptyRegistry) {
  TrTemp t;
  C_REC* rec = Run(&t);
  EXPECT_EQ(t.Yn, -0.1);
  EXPECT_EQ(t.Ym, 0.1);
  EXPECT_TRUE(rec->closed);
  EXPECT_FALSE(rec->OfPen(Param.ColorTemp1).empty());
}

// A flat response gets a 10 % band: a pure gain of 2 (biproper, order 0) gives 1.8..2.2 once
// the step is on from t = 0.
TEST_F(TempTest, FlatResponseBand) {
  Param.AddFctTransfert("K", 2, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  TrTemp t;
  Run(&t);
  EXPECT_NEAR(t.Yn, 1.8, 1e-12);
  EXPECT_NEAR(t.Ym, 2.2, 1e-12);
}

// Time axis over 0..5 s on a 16 cm frame: 1.2 * 5 / 16 = 0.375 rounds to a line every 0.4 s.
TEST_F(TempTest, TimeAxisLines) {
  Param.ColorTemp1 = 7;
  TrTemp t;
  C_REC* rec = Run(&t);
  Carte c{2, 18, 1, 27.5, 0, 5, t.Yn, t.Ym};
  std::vector<double> ts;
  for (const auto& s : rec->OfPen(7))
    if (std::fabs(s.x0 - s.x1) <= 1 && std::fabs(s.y0 - s.y1) > 26 * 400) ts.push_back(c.X(s.x0));
  ASSERT_EQ(ts.size(), 13u);  // 0, 0.4, ... 4.8
  std::sort(ts.begin(), ts.end());
  for (size_t i = 0; i < ts.size(); ++i) EXPECT_NEAR(ts[i], 0.4 * i, 0.001);
}

// More zeros than poles: the simulator is inactive and the curve is a flat line at 0, in the
// middle of the widened -0.1..0.1 range.
TEST_F(TempTest, ImproperFunctionFlatZero) {
  double zeros[] = {-1, -2}, poles[] = {-3};
  Param.AddFctTransfert("I", 1, zeros, 2, poles, 1, nullptr, 0, nullptr, 0)->Color = 8;
  TrTemp t;
  C_REC* rec = Run(&t);
  EXPECT_EQ(t.Yn, -0.1);
  EXPECT_EQ(t.Ym, 0.1);
  auto curve = rec->OfPen(8);
  ASSERT_FALSE(curve.empty());
  for (const auto& s : curve) {
    EXPECT_NEAR(s.y0, (1 + 26.5 / 2) * 400, 1);
    EXPECT_NEAR(s.y1, (1 + 26.5 / 2) * 400, 1);
  }
}

// Samples beyond the memory bound: the loops cheap to step (orders up to 8 without delay) are
// not kept by the range pass but stepped again, a function ahead, while the chart draws, and so
// are the others that do not fit. Every segment must be the one that the kept samples give, for
// paired and single loops, an order-10 function, a delayed one and an improper one, and more
// functions than the two buffers in turn.
TEST_F(TempTest, CurvesSteppedAgainAreTheKeptOnes) {
  double p1[] = {-1}, p10[] = {-1, -2, -3, -4, -5, -6, -7, -8, -9, -10}, z2[] = {-1, -2};
  double pc[] = {1, 0.6, 4}, z1[] = {-3};
  Param.AddFctTransfert("A", 1, nullptr, 0, p1, 1, nullptr, 0, nullptr, 0)->Color = 2;
  Param.AddFctTransfert("B", 3e6, nullptr, 0, p10, 10, nullptr, 0, nullptr, 0)->Color = 3;
  Param.AddFctTransfert("C", 4, nullptr, 0, nullptr, 0, nullptr, 0, pc, 1)->Color = 4;
  Param.AddFctTransfert("D", 2, z1, 1, p1, 1, nullptr, 0, nullptr, 0)->Color = 6;  // biproper
  TFctTransfert* e = Param.AddFctTransfert("E", 2, nullptr, 0, p1, 1, nullptr, 0, pc, 1);
  e->Color = 7;
  e->Retard = 0.3;
  Param.AddFctTransfert("I", 1, z2, 2, p1, 1, nullptr, 0, nullptr, 0)->Color = 8;  // improper
  Param.AddFctTransfert("G", 5, nullptr, 0, p1, 1, nullptr, 0, pc, 1)->Color = 9;
  struct {
    int input;
    bool bo, bf, show;
  } cases[] = {{1, true, true, true}, {0, true, true, false}, {2, true, false, true},
               {3, false, true, false}};
  for (const auto& c : cases) {
    Param.RBInput = c.input;
    Param.CBBO = c.bo;
    Param.CBBF = c.bf;
    Param.CBShowInput = c.show;
    std::vector<C_REC::Seg> drawn[2];
    for (int repris = 0; repris < 2; ++repris) {
      TrTemp t;
      // Everything kept, or a bound too small for any curve.
      ASSERT_TRUE(repris == 1 ? t.Calcule(1000, true) : t.Calcule(SIZE_MAX, true));
      C_REC* rec = nullptr;
      auto g = RecHolder(GrEMF, &rec);
      ASSERT_EQ(rec->TRINIT(), 0);
      rec->BOUNDS(0, 19, 0, 28);
      double xn, yn;
      rec->GET_BOUNDS(&xn, &t.txm, &yn, &t.tym);
      rec->VWPORTA(2, t.txm - 1, 1, t.tym - 0.5);
      t.Temporel(rec);
      rec->TRCLOSE();
      drawn[repris] = rec->segs;
    }
    ASSERT_GT(drawn[0].size(), 3000u) << c.input;
    ASSERT_EQ(drawn[0].size(), drawn[1].size()) << c.input;
    for (size_t k = 0; k < drawn[0].size(); ++k) {
      const C_REC::Seg &a = drawn[0][k], &b = drawn[1][k];
      ASSERT_TRUE(a.x0 == b.x0 && a.y0 == b.y0 && a.x1 == b.x1 && a.y1 == b.y1 && a.pen == b.pen &&
                  a.w == b.w)
          << "input " << c.input << ", segment " << k;
    }
  }
}

TEST(TempCarrondi, ThresholdIncluded) {
  TrTemp t;
  EXPECT_EQ(t.carrondi(1e-100), 0);
  EXPECT_EQ(t.carrondi(0), 0);
  EXPECT_NEAR(t.carrondi(0.375), 0.4, 1e-15);
  EXPECT_NEAR(t.carrondi(-0.0033), -0.003, 1e-15);
}

TEST(TempNull, NoDevice) {
  TrTemp t;
  t.Trace(nullptr);
  TMDGraph none(GrErr);
  t.Trace(&none);
  SUCCEED();
}

}  // namespace
