// Root-locus chart through a recording device: the drawn branches of 1/(s(s+1)(s+2)) pass
// within one device unit of the exact crossing (j sqrt 2, k = 6) and breakaway point
// (-1 + 1/sqrt 3), placed on the page by the pole crosses; functions without a locus are
// reported once each and the others still drawn.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "charts/TrEvans.h"
#include "model/Param.h"
#include "tests/charts/Recorder.h"

namespace {

constexpr int kRouge = 4;

class EvansTest : public ::testing::Test {
 protected:
  void SetUp() override { Param.Reset(); }
  void TearDown() override { Param.Reset(); }
  C_REC* Run() {
    holder_ = RecHolder(GrEMF, &rec_);
    TrEvans e;
    testing::internal::CaptureStdout();
    e.Trace(holder_.get());
    out_ = testing::internal::GetCapturedStdout();
    return rec_;
  }
  std::unique_ptr<TMDGraph> holder_;
  C_REC* rec_ = nullptr;
  std::string out_;
};

// Distance (device units) from (x, y) to the segment s.
double Distance(const C_REC::Seg& s, double x, double y) {
  const double dx = s.x1 - s.x0, dy = s.y1 - s.y0, l2 = dx * dx + dy * dy;
  double t = l2 > 0 ? ((x - s.x0) * dx + (y - s.y0) * dy) / l2 : 0;
  t = std::max(0.0, std::min(1.0, t));
  return std::hypot(s.x0 + t * dx - x, s.y0 + t * dy - y);
}

TEST_F(EvansTest, BranchesPassThroughTheExactPoints) {
  double poles[] = {0, -1, -2};
  Param.AddFctTransfert("H", 1, nullptr, 0, poles, 3, nullptr, 0, nullptr, 0)->Color = kRouge;
  const C_REC& r = *Run();
  EXPECT_EQ(out_, "");
  const auto s = r.OfPen(kRouge);
  // The pole crosses: two diagonals 0.35 cm long (140 units) crossing at the pole.
  std::vector<std::pair<double, double>> croix;
  for (const auto& g : s) {
    if (std::fabs(std::fabs(g.x1 - g.x0) - std::fabs(g.y1 - g.y0)) > 2 || g.Len() < 130 ||
        g.Len() > 150)
      continue;
    const double x = (g.x0 + g.x1) / 2, y = (g.y0 + g.y1) / 2;
    bool vu = false;
    for (const auto& c : croix) vu = vu || std::hypot(c.first - x, c.second - y) < 2;
    if (!vu) croix.push_back({x, y});
  }
  ASSERT_EQ(croix.size(), 3u);
  std::sort(croix.begin(), croix.end());
  // Poles -2, -1, 0 from left to right on one line, evenly spaced.
  const double unite = (croix[2].first - croix[0].first) / 2, x0 = croix[2].first,
               y0 = croix[2].second;
  ASSERT_GT(unite, 100);
  EXPECT_NEAR(croix[1].first, x0 - unite, 1);
  EXPECT_NEAR(croix[0].second, y0, 1);
  EXPECT_NEAR(croix[1].second, y0, 1);
  // Branch chords: at most 0.1 cm, in the curve width.
  std::vector<C_REC::Seg> branches;
  for (const auto& g : s)
    if (g.Len() <= 41 && std::fabs(g.w - Param.EpCourbe) < 1e-9) branches.push_back(g);
  ASSERT_GT(branches.size(), 100u);
  // Same scale on both axes: the crossings at +-j sqrt 2 and the breakaway point.
  const double xs = -1 + 1 / std::sqrt(3.0);
  const struct {
    double re, im;
  } points[] = {{0, std::sqrt(2.0)}, {0, -std::sqrt(2.0)}, {xs, 0}};
  for (const auto& p : points) {
    const double X = x0 + p.re * unite, Y = y0 + p.im * unite;
    double d = 1e300;
    for (const auto& g : branches) d = std::min(d, Distance(g, X, Y));
    EXPECT_LE(d, 1.0) << p.re << " " << p.im;
  }
}

TEST_F(EvansTest, FunctionsWithoutLocusReportedOnce) {
  double poles[] = {0, -1, -2};
  Param.AddFctTransfert("H", 1, nullptr, 0, poles, 3, nullptr, 0, nullptr, 0)->Color = kRouge;
  Param.AddFctTransfert("P", 1)->ChangeExpression("H^2");
  Param.AddFctTransfert("X", 1)->ChangeExpression("H*inconnue");
  const C_REC& r = *Run();
  EXPECT_EQ(out_,
            "Erreur : lieu d'Evans impossible (fonction non rationnelle) (P)\n"
            "Erreur : Nom de symbole inconnu (X)\n");
  EXPECT_GT(r.OfPen(kRouge).size(), 100u);
  EXPECT_TRUE(r.closed);
}

}  // namespace
