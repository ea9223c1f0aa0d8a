// Nyquist criterion against loops whose closed-loop poles are known (Routh tables by hand, GNU
// Octave's roots): P, N and Z of functions described by factors and of their twins written as
// expressions, loops through -1, a non-rational expression, a delayed loop counted from its
// response alone, and the chart's locus (compression, branches round the axis poles).
#include "model/Nyquist.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "tests/support/Registre.h"

namespace {

class NyquistTest : public RegistreTest {};

struct Row {
  const char* what;
  double gain;
  std::vector<double> zeros, poles;
  std::vector<TFctTransfert::Tpc> quadratics;
  int P, N, Z;
  bool through;  // the locus passes through -1
};

TFctTransfert* Build(const char* name, const Row& r) {
  TFctTransfert* f = Param.AddFctTransfert(name, r.gain);
  for (double z : r.zeros) f->AddZero(z);
  for (double p : r.poles) f->AddPole(p);
  for (const auto& q : r.quadratics) f->AddPoleC(q.a, q.b, q.c);
  return f;
}

// The same function as an expression: the gain times one function per factor.
TFctTransfert* Twin(const Row& r) {
  std::string e = std::to_string(r.gain);
  int k = 0;
  auto factor = [&]() {
    const std::string n = "F" + std::to_string(k++);
    e += "*" + n;
    return Param.AddFctTransfert(n.c_str(), 1);
  };
  for (double z : r.zeros) factor()->AddZero(z);
  for (double p : r.poles) factor()->AddPole(p);
  for (const auto& q : r.quadratics) factor()->AddPoleC(q.a, q.b, q.c);
  TFctTransfert* t = Param.AddFctTransfert("T", 1);
  t->ChangeExpression(e.c_str());
  return t;
}

TEST_F(NyquistTest, PNZOfKnownLoops) {
  // Closed-loop right-half-plane roots of den + K num: Routh by hand for the cubics (s+1)^3 + K:
  // unstable beyond K = 8; s^3 + 3s^2 + 2s + K beyond 6; s^3 + 4s^2 + s - 6 + K, that is
  // K/((s-1)(s+2)(s+3)), stable only for 6 < K < 10 (first column 1, 4, (10-K)/4, K-6). Octave
  // roots for K(s+1)^2/(s^3(s+20)^2): 2 for K = 100, 0 for 2000, 2 for 40000.
  const std::vector<Row> rows = {
      {"(s+1)^3, K=4", 4, {}, {-1, -1, -1}, {}, 0, 0, 0, false},
      {"(s+1)^3, K=12", 12, {}, {-1, -1, -1}, {}, 0, 2, 2, false},
      {"s(s+1)(s+2), K=3", 3, {}, {0, -1, -2}, {}, 0, 0, 0, false},
      {"s(s+1)(s+2), K=9", 9, {}, {0, -1, -2}, {}, 0, 2, 2, false},
      // s^3 + 4s + 1: no s^2 term, two roots on the right.
      {"1/(s(s^2+4))", 1, {}, {0}, {{1, 0, 4}}, 0, 2, 2, false},
      // (s^2+1)^2 + 1 = 0: s^2 = -1 +- j, two of the four roots on the right.
      {"1/(s^2+1)^2", 1, {}, {}, {{1, 0, 1}, {1, 0, 1}}, 0, 2, 2, false},
      {"1/(s^2+1)", 1, {}, {}, {{1, 0, 1}}, 0, 0, 0, true},
      {"10(s+2)/((s-1)(s+5))", 10, {-2}, {1, -5}, {}, 1, -1, 0, false},
      {"cond. stable K=100", 100, {-1, -1}, {0, 0, 0, -20, -20}, {}, 0, 2, 2, false},
      {"cond. stable K=2000", 2000, {-1, -1}, {0, 0, 0, -20, -20}, {}, 0, 0, 0, false},
      {"cond. stable K=40000", 40000, {-1, -1}, {0, 0, 0, -20, -20}, {}, 0, 2, 2, false},
      {"(s-1)(s+2)(s+3), K=3", 3, {}, {1, -2, -3}, {}, 1, 0, 1, false},
      {"(s-1)(s+2)(s+3), K=8", 8, {}, {1, -2, -3}, {}, 1, -1, 0, false},
      {"(s-1)(s+2)(s+3), K=12", 12, {}, {1, -2, -3}, {}, 1, 1, 2, false},
      // s^2 + Ks + K: stable for K > 0; K = -0.5 gives the roots 1 and -0.5.
      {"K(s+1)/s^2, K=2", 2, {-1}, {0, 0}, {}, 0, 0, 0, false},
      {"K(s+1)/s^2, K=-0.5", -0.5, {-1}, {0, 0}, {}, 0, 1, 1, false},
      {"-1/(s+1)", -1, {}, {-1}, {}, 0, 0, 0, true},
      // Improper: -0.5(s+1)^2 + s + 4 = -0.5(s^2 - 7), one root on the right; the half-circle at
      // infinity maps to an infinite arc.
      {"-0.5(s+1)^2/(s+4)", -0.5, {-1, -1}, {-4}, {}, 0, 1, 1, false},
      {"0.5(s+1)^2/(s+4)", 0.5, {-1, -1}, {-4}, {}, 0, 0, 0, false},
  };
  for (const Row& r : rows) {
    Param.Reset();
    for (TFctTransfert* f : {Build("H", r), Twin(r)}) {
      const std::string what = std::string(r.what) + (f->Expression ? " (expression)" : "");
      TNyquistCriterion c;
      NyquistCriterionOf(f, &c);
      ASSERT_TRUE(c.rationnel && c.ok) << what;
      EXPECT_EQ(c.parMoinsUn, r.through) << what;
      EXPECT_TRUE(c.accord) << what;
      if (r.through) continue;
      EXPECT_EQ(c.P, r.P) << what;
      EXPECT_EQ(c.N, r.N) << what;
      EXPECT_EQ(c.Z, r.Z) << what;
      EXPECT_EQ(c.ZRacines, r.Z) << what;
    }
  }
}

TEST_F(NyquistTest, NonRationalExpressionHasNoCriterion) {
  Poles("G", 1, {-1});
  TNyquistCriterion c;
  NyquistCriterionOf(Expr("E", "G^1.5"), &c);
  EXPECT_FALSE(c.rationnel);
  EXPECT_FALSE(c.ok);
}

// K e^{-s}/(s+1) counted from its response only: the phase reaches -180 degrees where
// w + atan(w) = pi, w* = 2.028758, where |H| = K/sqrt(1 + w*^2): the loop is stable below
// K* = 2.261826, and a pair of closed-loop poles crosses to the right above (N = 2).
TEST_F(NyquistTest, DelayedLoopFromItsResponse) {
  for (double k : {1.0, 2.2, 2.33, 5.0}) {
    auto h = [k](double w, TComplex* v) {
      const std::complex<double> s(0, w), r = k * std::exp(-s) / (s + 1.0);
      *v = TComplex(r.real(), r.imag());
      return true;
    };
    TNyquistContour c;
    c.wBas = 1e-6;
    c.wHaut = 1e5;
    TEncirclements e;
    ASSERT_TRUE(CountEncirclements(h, c, &e)) << k;
    EXPECT_FALSE(e.parMoinsUn) << k;
    EXPECT_EQ(e.N, k < 2.261826 ? 0 : 2) << k;
  }
}

// The locus of 1/(s(s^2+4)) has a branch below and above the pole at 2j, both ending near the
// compressed radius 2R (infinity); the points keep the page chord short, and the compression is
// the identity up to R, monotone above and bounded by 2R.
TEST_F(NyquistTest, LocusBranchesAndCompression) {
  TFctTransfert* f = Poles("H", 1, {0});
  f->AddPoleC(1, 0, 4);
  TNyquistLocus l;
  ASSERT_TRUE(NyquistLocusOf(f, 50, &l));
  ASSERT_EQ(l.branches.size(), 2u);
  ASSERT_EQ(l.poles.size(), 2u);
  EXPECT_EQ(l.poles[0].w, 0);
  EXPECT_EQ(l.poles[1].w, 2);
  const double R = l.R;
  EXPECT_GE(R, 1);
  size_t n = 0;
  for (const auto& b : l.branches) {
    ASSERT_GE(b.size(), 2u);
    n += b.size();
    for (size_t i = 1; i < b.size(); ++i) {
      EXPECT_LT(b[i - 1].w, b[i].w);
      EXPECT_LE((CompressPoint(b[i].h, R) - CompressPoint(b[i - 1].h, R)).Module(), 2 * R / 300 + 1e-12);
      // H(jw) = 1/(jw(4 - w^2)) is purely imaginary.
      EXPECT_NEAR(b[i].h.Im, -1 / (b[i].w * (4 - b[i].w * b[i].w)), 1e-9 * std::fabs(b[i].h.Im));
    }
  }
  EXPECT_GE(n, 50u);
  EXPECT_GT(CompressModulus(l.branches[0].back().h.Module(), R), 1.99 * R);
  EXPECT_GT(CompressModulus(l.branches[1].front().h.Module(), R), 1.99 * R);
  for (double m : {0.0, 0.5, 1.0, R}) EXPECT_EQ(CompressModulus(m, R), m);
  EXPECT_LT(CompressModulus(10 * R, R), CompressModulus(100 * R, R));
  EXPECT_LE(CompressModulus(1e300, R), 2 * R);
}

}  // namespace
