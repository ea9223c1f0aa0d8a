// Nyquist chart through a recording device, against closed forms: the critical point and the
// unit circle at their true places, the locus of 1/(s+1) on its circle with arrows along
// increasing frequency, and the infinite arcs of 1/(s(s^2+4)) on the page round the right and
// the left half-planes.
#include "charts/TrNyquist.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "model/Param.h"
#include "tests/charts/Recorder.h"

namespace {

constexpr double kPi = 3.141592653589793;

class NyquistChartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Param.Reset();
    Param.ColorBode1 = 5;  // grid: grey
    Param.ColorBode2 = 13;
  }
  void TearDown() override { Param.Reset(); }
  C_REC* Run() {
    holder_ = RecHolder(GrEMF, &rec_);
    chart_.Trace(holder_.get());
    // The square viewport of 17 cm, window +-L in both directions.
    carte_ = Carte{1, 18, 5.5, 22.5, -chart_.L, chart_.L, -chart_.L, chart_.L};
    return rec_;
  }
  // User point of a device vertex.
  std::complex<double> U(double x, double y) const { return {carte_.X(x), carte_.Y(y)}; }
  TrNyquist chart_;
  Carte carte_{};
  std::unique_ptr<TMDGraph> holder_;
  C_REC* rec_ = nullptr;
};

TEST_F(NyquistChartTest, CriticalPointUnitCircleAndLocusOfAFirstOrderLag) {
  double poles[] = {-1};
  Param.AddFctTransfert("H", 1, nullptr, 0, poles, 1, nullptr, 0, nullptr, 0)->Color = 4;
  C_REC* rec = Run();
  ASSERT_TRUE(rec->closed);
  // The square marker of the critical point, black, centred on -1.
  const auto m = rec->OfPen(1);
  ASSERT_EQ(m.size(), 4u);
  std::complex<double> c = 0;
  for (const auto& s : m) c += U(s.x0, s.y0) / 4.0;
  EXPECT_NEAR(c.real(), -1, 1e-3 * chart_.L);
  EXPECT_NEAR(c.imag(), 0, 1e-3 * chart_.L);
  // The unit circle: grid vertices at radius 1 all round.
  int quadrants[4] = {};
  for (const auto& s : rec->OfPen(5)) {
    const auto z = U(s.x0, s.y0);
    if (std::fabs(std::abs(z) - 1) < 2e-3 * chart_.L) {
      const double a = std::arg(z);
      ++quadrants[static_cast<int>(std::floor((a + kPi) / (kPi / 2))) & 3];
    }
  }
  for (int q : quadrants) EXPECT_GT(q, 10);
  // 1/(1 + jw) runs on the circle |z - 1/2| = 1/2: every vertex of the locus and of its mirror
  // image lies on it, except the arrow heads.
  const auto curve = rec->OfPen(4);
  size_t on = 0, heads = 0, upper = 0, lower = 0;
  for (const auto& s : curve) {
    const double len = s.Len() / 400;  // cm
    if (std::fabs(len - std::hypot(0.35, 0.12)) < 0.01) ++heads;
    const auto z = U(s.x1, s.y1);
    if (std::fabs(std::abs(z - 0.5) - 0.5) < 2e-3 * chart_.L) {
      ++on;
      (z.imag() > 0 ? upper : lower) += 1;
    }
  }
  // The mirror image is dotted: a dot every quarter centimetre or so along its 4 cm.
  EXPECT_GT(upper, 10u);
  EXPECT_GT(lower, 100u);
  EXPECT_GT(on, curve.size() * 8 / 10);
  // Two arrows on the locus and two on its mirror image, each with two flanks of 0.37 cm.
  EXPECT_EQ(heads, 8u);
  // Each arrow points the way the locus goes as w increases: clockwise round 1/2 (dH/dw =
  // -j/(1 + jw)^2), on the mirror image too. The tip is the end of the second back flank.
  for (size_t i = 0; i + 3 < curve.size(); ++i) {
    const auto& a = curve[i];
    const auto& b = curve[i + 3];
    if (std::fabs(a.Len() / 400 - std::hypot(0.35, 0.12)) > 0.01 || b.x1 != a.x0 || b.y1 != a.y0)
      continue;
    const auto tip = U(a.x0, a.y0), back = U(a.x1, a.y1);
    const auto dir = tip - back;
    const auto r = tip - 0.5;
    // Clockwise: the direction turns negatively from the radius.
    EXPECT_LT((std::conj(r) * dir).imag(), 0) << tip;
  }
}

TEST_F(NyquistChartTest, InfiniteArcsOnThePage) {
  double poles[] = {0};
  double polesC[] = {1, 0, 4};
  Param.AddFctTransfert("H", 1, nullptr, 0, poles, 1, nullptr, 0, polesC, 1)->Color = 2;
  C_REC* rec = Run();
  const double R = chart_.R;
  bool right = false, left = false;
  for (const auto& s : rec->OfPen(2)) {
    for (const auto& z : {U(s.x0, s.y0), U(s.x1, s.y1)}) {
      // On the page, inside the window.
      EXPECT_LE(std::fabs(z.real()), chart_.L * 1.001);
      EXPECT_LE(std::fabs(z.imag()), chart_.L * 1.001);
      if (std::fabs(std::abs(z) - 2 * R) < 0.01 * R) {
        right = right || std::fabs(std::arg(z)) < 0.05;
        left = left || std::fabs(std::fabs(std::arg(z)) - kPi) < 0.05;
      }
    }
  }
  // The pole at 0 turns the image by 180 degrees through the right, the pole at 2j through the
  // left (the locus runs down the imaginary axis to -j inf below w = 2, and comes back from
  // +j inf above).
  EXPECT_TRUE(right);
  EXPECT_TRUE(left);
}

}  // namespace
