// Checks the time-chart settings and the conversion of transfer functions (factors and
// expressions) into simulators: coefficient arrays, inactive and error cases, responses.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "model/FctTransfert.h"
#include "model/Param.h"
#include "sim/TrTemp.h"

namespace {

class TrTempTest : public ::testing::Test {
 protected:
  void SetUp() override { Param.Reset(); }
  void TearDown() override { Param.Reset(); }

  // Simulator of f, or null; the error number is left in chart.Err.
  std::unique_ptr<SimTemp> Convert(TFctTransfert* f) {
    return std::unique_ptr<SimTemp>(chart.TempFromH(f));
  }
  static std::vector<double> Coefs(const double* c, int n) { return {c, c + n}; }

  TrTemp chart;
};

TEST_F(TrTempTest, ConstructorTakesTheSimulationSettings) {
  EXPECT_EQ(chart.Dt, 1e-4);
  EXPECT_EQ(chart.Tm, 30.0);
  Param.EdDt = 5e-4;
  Param.EdTFin = 12.0;
  TrTemp other;
  EXPECT_EQ(other.Dt, 5e-4);
  EXPECT_EQ(other.Tm, 12.0);
  EXPECT_EQ(other.Tn, 0.0);
  EXPECT_EQ(other.Yn, 0.0);
  EXPECT_EQ(other.Ym, 0.0);
  EXPECT_EQ(other.Err, 0);
  EXPECT_TRUE(other.Init);
}

TEST_F(TrTempTest, CoefficientsOfFactorDescriptions) {
  struct Row {
    const char* what;
    double gain;
    std::vector<double> zeros, poles;
    std::vector<TFctTransfert::Tpc> polesC;
    std::vector<double> a, b;
  };
  const std::vector<Row> rows = {
      {"2/(s+1)", 2, {}, {-1}, {}, {1}, {2}},
      {"8/(4s^2+3s+2)", 8, {}, {}, {{4, 3, 2}}, {0.5, 0.75}, {2}},
      {"8/(2s^2+3s+4)", 8, {}, {}, {{2, 3, 4}}, {2, 1.5}, {4}},
      {"5", 5, {}, {}, {}, {}, {5}},
      {"3(s+0.5)/(s(s+2))", 3, {-0.5}, {0, -2}, {}, {0, 2}, {1.5, 3}},
  };
  for (const Row& r : rows) {
    TFctTransfert f("F");
    f.SetGain(r.gain);
    for (double z : r.zeros) f.AddZero(z);
    for (double p : r.poles) f.AddPole(p);
    for (auto q : r.polesC) f.AddPoleC(q.a, q.b, q.c);
    auto s = Convert(&f);
    ASSERT_NE(s, nullptr) << r.what;
    EXPECT_EQ(chart.Err, 0);
    EXPECT_EQ(s->NbA, static_cast<int>(r.a.size())) << r.what;
    EXPECT_EQ(Coefs(s->A0, s->NbA), r.a) << r.what;
    EXPECT_EQ(Coefs(s->B0, s->NbB), r.b) << r.what;
  }
}

TEST_F(TrTempTest, ImproperFunctionGivesAnInactiveSimulator) {
  TFctTransfert f("F");
  f.AddZero(-1);
  f.AddZero(-2);
  f.AddPole(-3);
  auto s = Convert(&f);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(chart.Err, 0);
  EXPECT_EQ(s->A, nullptr);
  s->Dt = 0.1;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(s->NextY(), 0.0);
}

TEST_F(TrTempTest, ExpressionMatchesFactors) {
  TFctTransfert* g = Param.AddFctTransfert("G", 1);
  g->AddPole(-1);
  TFctTransfert* f10 = Param.AddFctTransfert("F", 10);
  f10->AddPole(-10);
  TFctTransfert* h = Param.AddFctTransfert("H", 1);
  h->ChangeExpression("G*F");
  auto s = Convert(h);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(Coefs(s->A0, s->NbA), (std::vector<double>{10, 11}));
  EXPECT_EQ(Coefs(s->B0, s->NbB), (std::vector<double>{10}));
  // Step response of 10/((s+1)(s+10)): 1 - (10 e^-t - e^-10t)/9.
  s->Dt = 0.005;
  double worst = 0;
  do {
    double y = s->NextY();
    worst =
        std::fmax(worst, std::fabs(y - (1 - (10 * std::exp(-s->T) - std::exp(-10 * s->T)) / 9)));
  } while (s->T < 5);
  EXPECT_LT(worst, 1e-8);
}

TEST_F(TrTempTest, ZeroLeadingCoefficientsAreLeftOut) {
  TFctTransfert* g = Param.AddFctTransfert("G", 1);
  g->AddPole(-1);
  // (-G)/(-G) is built as (s+1)(-1 + 0s) over (s+1)(-1 + 0s): its leading coefficients are 0.
  TFctTransfert* h = Param.AddFctTransfert("H", 1);
  h->ChangeExpression("(-G)/(-G)");
  auto s = Convert(h);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->NbA, 0);  // and the root -1 they share cancels: the constant 1
  s->Dt = 0.01;
  for (int i = 0; i < 200; ++i) EXPECT_NEAR(s->NextY(), 1.0, 1e-12);
  // A denominator that vanishes altogether has no response: division by zero.
  h->ChangeExpression("G/(G-G)");
  EXPECT_EQ(Convert(h), nullptr);
  EXPECT_EQ(chart.Err, 3);
}

TEST_F(TrTempTest, ExpressionErrorsAreReported) {
  TFctTransfert* g = Param.AddFctTransfert("G", 1);
  g->AddPole(-1);
  TFctTransfert* h = Param.AddFctTransfert("H", 1);
  struct Row {
    const char* expr;
    int err;
  } rows[] = {{"G^2", 2}, {"Nope*2", 10}, {"H*G", 13}, {"sqrt(G)", 12}};
  for (Row r : rows) {
    h->ChangeExpression(r.expr);
    EXPECT_EQ(Convert(h), nullptr) << r.expr;
    EXPECT_EQ(chart.Err, r.err) << r.expr;
    EXPECT_FALSE(h->EnCalcul) << r.expr;
  }
  h->ChangeExpression("2*G");
  auto s = Convert(h);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(chart.Err, 0);
  EXPECT_EQ(Coefs(s->B0, s->NbB), (std::vector<double>{2}));
}

}  // namespace
