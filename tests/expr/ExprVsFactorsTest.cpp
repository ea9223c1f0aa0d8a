// Functions defined by expressions against the same functions built from factors, over many
// frequencies, and the unwrapped phase of an expression along a sweep.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "tests/support/Registre.h"

namespace {

constexpr double kPi = 3.141592653589793;

class ExprVsFactorsTest : public RegistreTest {};

std::complex<double> Cart(TComplexP y) { return std::polar(y.m, y.p); }

TEST_F(ExprVsFactorsTest, SameResponseAtManyFrequencies) {
  Poles("K", 5, {});
  Poles("G1", 1, {-1});
  TFctTransfert* g2 = Poles("G2", 1, {});
  g2->AddZero(-3);
  g2->AddPoleC(1, 0.5, 4);
  TFctTransfert* s = Param.AddFctTransfert("S", 1);
  s->AddZero(0);
  struct Paire {
    const char* expr;
    TFctTransfert* fact;
  };
  TFctTransfert* f1 = Poles("F1", 5, {-1});  // 5 (s+3) / ((s+1)(s^2+0.5s+4))
  f1->AddZero(-3);
  f1->AddPoleC(1, 0.5, 4);
  TFctTransfert* f2 = Poles("F2", 2, {-1, -1});  // 2 (s+1)^4 / (s+1)^2 = 2 (s+1)^2
  f2->AddZero(-1);
  f2->AddZero(-1);
  f2->AddZero(-1);
  f2->AddZero(-1);
  TFctTransfert* f3 = Poles("F3", -0.5, {-2});  // -0.5 (s^2 + 0.2 s + 9) / (s+2)
  f3->AddZeroC(1, 0.2, 9);
  const Paire paires[] = {
      {"K*G1*G2", f1},
      {"5*G2/(1/G1)", f1},
      {"2*(S*S+2*S+1)", f2},
      {"2*(S+1)^2", f2},
      {"-(S*S+0.2*S+9)/(2*S+4)", f3},
  };
  int n = 0;
  for (const Paire& p : paires) {
    TFctTransfert* e = Expr(("E" + std::to_string(n++)).c_str(), p.expr);
    for (int k = 0; k <= 200; ++k) {
      double w = std::pow(10.0, -3 + 6.0 * k / 200);
      TComplexP a, b;
      ASSERT_TRUE(e->Value(w, &a)) << p.expr;
      ASSERT_TRUE(p.fact->Value(w, &b)) << p.expr;
      std::complex<double> x = Cart(a), y = Cart(b);
      EXPECT_NEAR(std::abs(x - y), 0, 1e-12 * std::abs(y)) << p.expr << " w=" << w;
    }
  }
}

TEST_F(ExprVsFactorsTest, ClosedLoopWrittenByHandEqualsTheClosedLoop) {
  TFctTransfert* g = Poles("G", 1, {-1});
  TFctTransfert* e = Expr("B", "G/(1+G)");
  for (double w : {0.01, 0.5, 1.0, 4.0, 100.0}) {
    TComplexP a, b;
    ASSERT_TRUE(e->Value(w, &a));
    g->ModeBF = true;
    ASSERT_TRUE(g->Value(w, &b));
    EXPECT_NEAR(std::abs(Cart(a) - Cart(b)), 0, 1e-14);
    EXPECT_NEAR(a.m, 1 / std::hypot(w, 2.0), 1e-15);
  }
}

TEST_F(ExprVsFactorsTest, UnwrappedPhaseOfACubeFallsContinuously) {
  Poles("G", 1, {-1});
  TFctTransfert* e = Expr("E", "G*G*G");
  for (bool correc : {true, false}) {
    e->InitValue(correc);
    double first = 0, prev = 0, last = 0;
    int sauts = 0;
    for (int k = 0; k <= 300; ++k) {
      double w = 0.1 * std::pow(1000.0, k / 300.0);
      TComplexP y;
      ASSERT_TRUE(e->Value(w, &y));
      if (k == 0) first = y.p;
      if (k > 0 && std::fabs(y.p - prev) > 0.1) {
        ++sauts;
        EXPECT_NEAR(y.p - prev, 2 * kPi, 0.1);
      }
      if (correc) {
        EXPECT_NEAR(y.p, -3 * std::atan(w), 1e-12);
      }
      prev = last = y.p;
    }
    EXPECT_NEAR(first, -3 * std::atan(0.1), 1e-12);
    EXPECT_NEAR(first, -0.30, 0.005);
    if (correc) {
      EXPECT_EQ(sauts, 0);
      EXPECT_NEAR(last, -3 * std::atan(100.0), 1e-12);
      EXPECT_NEAR(last, -4.68, 0.005);
    } else {
      EXPECT_EQ(sauts, 1);  // the raw phase jumps once by +2 pi where it crosses -pi
      EXPECT_NEAR(last, 2 * kPi - 3 * std::atan(100.0), 1e-12);
    }
  }
}

}  // namespace
