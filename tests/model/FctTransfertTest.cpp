// Checks the transfer-function record against closed forms: factors, loops, unwrapping, copies.
#include "model/FctTransfert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr double kPi = 3.141592653589793;

TEST(TComplex, AlgebraAndPowers) {
  TComplex a(1, 2), b(3, -1);
  TComplex q = (a * b) / b;
  EXPECT_NEAR(q.Re, 1, 1e-15);
  EXPECT_NEAR(q.Im, 2, 1e-15);
  TComplex zero = TComplex(0, 0) ^ 2.0;
  EXPECT_EQ(zero.Re, 0);
  EXPECT_EQ(zero.Im, 0);
  TComplex j2 = TComplex(0, 1) ^ 2.0;
  EXPECT_NEAR(j2.Re, -1, 1e-15);
  EXPECT_NEAR(j2.Im, 0, 1e-15);
  EXPECT_NEAR((TComplex(4, 0) ^ 0.5).Re, 2, 1e-15);
  EXPECT_DOUBLE_EQ(TComplex(3, 4).Module(), 5);
}

TEST(TFctTransfert, PureGain) {
  TFctTransfert f("K");
  f.g = -3;
  for (double w : {0.01, 1.0, 100.0}) {
    TComplexP y = f.ValueBO(w);
    EXPECT_DOUBLE_EQ(y.m, 3);
    EXPECT_DOUBLE_EQ(y.p, -kPi);
  }
  f.g = 0;
  EXPECT_EQ(f.ValueBO(1).m, 0);
}

TEST(TFctTransfert, FirstOrderLagOpenAndClosed) {
  TFctTransfert f("H");
  f.AddPole(-1);
  TComplexP y = f.ValueBO(1);
  EXPECT_NEAR(y.m, 1 / std::sqrt(2.0), 1e-15);
  EXPECT_NEAR(y.p, -kPi / 4, 1e-15);
  // Closed loop of 1/(s+1) is 1/(s+2).
  for (double w : {0.1, 1.0, 7.0}) {
    TComplexP c = f.ValueBF(w);
    EXPECT_NEAR(c.m, 1 / std::hypot(w, 2.0), 1e-14);
    EXPECT_NEAR(c.p, -std::atan2(w, 2.0), 1e-14);
  }
  f.ModeBF = true;
  TComplexP v;
  ASSERT_TRUE(f.Value(1, &v));
  EXPECT_NEAR(v.m, 1 / std::sqrt(5.0), 1e-14);
}

TEST(TFctTransfert, SecondOrderFactorsAndZeros) {
  // (s^2 + 0.2 s + 1) on top, (2 s^2 + 3 s + 4) below, zero at -0.5, evaluated at s = 2j.
  TFctTransfert f;
  f.g = 2;
  f.AddZero(-0.5);
  f.AddZeroC(1, 0.2, 1);
  f.AddPoleC(2, 3, 4);
  TComplex s(0, 2);
  TComplex num = TComplex(2, 0) * (s + TComplex(0.5, 0)) * (s * s + s * 0.2 + TComplex(1, 0));
  TComplex den = s * s * 2 + s * 3 + TComplex(4, 0);
  TComplex h = num / den;
  TComplexP y = f.ValueBO(2);
  EXPECT_NEAR(y.m, h.Module(), 1e-13);
  EXPECT_NEAR(std::remainder(y.p - h.Argument(), 2 * kPi), 0, 1e-13);
}

TEST(TFctTransfert, IntegratorFlag) {
  TFctTransfert a, b, c;
  a.AddPoleC(1, 0.2, 0);
  b.AddPoleC(1, 0.2, 1);
  c.AddZero(0);
  EXPECT_TRUE(a.Integrat);
  EXPECT_FALSE(b.Integrat);
  EXPECT_FALSE(c.Integrat);
  c.AddPole(0);
  EXPECT_TRUE(c.Integrat);
  c.Clear();
  EXPECT_FALSE(c.Integrat);
}

TEST(TFctTransfert, ClosedLoopPhaseStaysInHalfOpenInterval) {
  TFctTransfert f;
  f.AddPole(-1);
  f.AddPole(-1);
  f.AddPole(-1);
  f.g = 20;  // unstable closed loop: its phase passes through positive angles
  for (double w = 0.01; w < 100; w *= 1.3) {
    TComplexP c = TFctTransfert::ToBF(f.ValueBO(w));
    EXPECT_LE(c.p, 0);
    EXPECT_GT(c.p, -2 * kPi);
  }
}

TEST(TFctTransfert, UnwrappingKeepsClosedLoopPhaseContinuous) {
  TFctTransfert f;
  for (int i = 0; i < 4; ++i) f.AddPole(-1);
  f.g = 0.5;
  f.ModeBF = true;
  f.InitValue(true);
  TComplexP y, first;
  ASSERT_TRUE(f.Value(0.01, &first));
  TComplexP raw = TFctTransfert::ToBF(f.ValueBO(0.01));
  EXPECT_EQ(first.p, raw.p);  // the first value of a sweep is only recorded
  double prev = first.p;
  for (double w = 0.0102; w < 1000; w *= 1.02) {
    ASSERT_TRUE(f.Value(w, &y));
    EXPECT_LT(std::fabs(y.p - prev), 0.2) << w;
    prev = y.p;
  }
  // Four lags give -2*pi at high frequency, reached continuously.
  EXPECT_NEAR(prev, -2 * kPi, 0.01);
}

// The charts' product of the factors, two frequencies at a time, against the closed form of
// each function: the modulus, and the structural phase (the sum of the factors' principal
// angles, many turns for high orders), with a negative gain, integrators, zeros on the axis and
// in the right half-plane, an undamped pair whose angle jumps by pi, unstable pairs, a delay,
// and products beyond the range of a double on the way. The sweep has an odd number of points
// (the last one alone), and each point equals the product at that frequency alone, bit for bit.
TEST(TFctTransfert, ProductOfFactorsMatchesClosedForms) {
  struct Cas {
    const char* nom;
    void (*fait)(TFctTransfert*);
    TComplexP (*ref)(double);
  } cas[] = {
      {"-3/(s(s+1)(s+2))",
       [](TFctTransfert* f) {
         f->g = -3;
         for (double p : {0.0, -1.0, -2.0}) f->AddPole(p);
       },
       [](double w) -> TComplexP {
         return {3 / (w * std::sqrt(1 + w * w) * std::sqrt(4 + w * w)),
                 -kPi - kPi / 2 - std::atan(w) - std::atan(w / 2)};
       }},
      {"1/(s+1)^30",
       [](TFctTransfert* f) {
         for (int i = 0; i < 30; ++i) f->AddPole(-1);
       },
       [](double w) -> TComplexP { return {std::pow(1 + w * w, -15), -30 * std::atan(w)}; }},
      {"s(s-2)/(s+1)^2",
       [](TFctTransfert* f) {
         f->AddZero(0);
         f->AddZero(2);
         f->AddPole(-1);
         f->AddPole(-1);
       },
       [](double w) -> TComplexP {
         return {w * std::sqrt(4 + w * w) / (1 + w * w),
                 kPi / 2 + (kPi - std::atan(w / 2)) - 2 * std::atan(w)};
       }},
      {"e^(-0.5s)/(s+1)",
       [](TFctTransfert* f) {
         f->Retard = 0.5;
         f->AddPole(-1);
       },
       [](double w) -> TComplexP {
         return {1 / std::sqrt(1 + w * w), -std::atan(w) - 0.5 * w};
       }},
      {"1e180/(s+1000)^60",
       [](TFctTransfert* f) {
         f->g = 1e180;
         for (int i = 0; i < 60; ++i) f->AddPole(-1000);
       },
       [](double w) -> TComplexP {
         return {1e180 * std::pow(1e6 + w * w, -30), -60 * std::atan(w / 1000)};
       }},
      {"(s^2+9)/((s^2-s+4)(s+5))",
       [](TFctTransfert* f) {
         f->AddZeroC(1, 0, 9);
         f->AddPoleC(1, -1, 4);
         f->AddPole(-5);
       },
       [](double w) -> TComplexP {
         return {std::fabs(9 - w * w) /
                     (std::sqrt((4 - w * w) * (4 - w * w) + w * w) * std::sqrt(25 + w * w)),
                 (w < 3 ? 0 : kPi) - std::atan2(-w, 4 - w * w) - std::atan(w / 5)};
       }},
      {"(s^2-0.2s+9)^2/(s^2-0.5s+1)^3",
       [](TFctTransfert* f) {
         for (int i = 0; i < 2; ++i) f->AddZeroC(1, -0.2, 9);
         for (int i = 0; i < 3; ++i) f->AddPoleC(1, -0.5, 1);
       },
       [](double w) -> TComplexP {
         const double n = (9 - w * w) * (9 - w * w) + 0.04 * w * w;
         const double d = (1 - w * w) * (1 - w * w) + 0.25 * w * w;
         return {n / std::pow(d, 1.5),
                 2 * std::atan2(-0.2 * w, 9 - w * w) - 3 * std::atan2(-0.5 * w, 1 - w * w)};
       }},
      {"1/s^40",
       [](TFctTransfert* f) {
         for (int i = 0; i < 40; ++i) f->AddPole(0);
       },
       [](double w) -> TComplexP { return {std::pow(w, -40), -20 * kPi}; }},
  };
  constexpr size_t n = 1001;
  std::vector<double> w(n);
  for (size_t k = 0; k < n; ++k) w[k] = std::pow(10.0, -3 + 6.0 * k / (n - 1));
  for (const Cas& c : cas) {
    TFctTransfert f;
    c.fait(&f);
    std::vector<TComplexP> y(n);
    f.ValuesBOProduit(w.data(), n, y.data());
    for (size_t k = 0; k < n; ++k) {
      const TComplexP r = c.ref(w[k]), seul = f.ValueBOProduit(w[k]);
      ASSERT_NEAR(y[k].m / r.m, 1, 1e-11) << c.nom << " w=" << w[k];
      ASSERT_NEAR(y[k].p, r.p, 1e-10) << c.nom << " w=" << w[k];
      ASSERT_EQ(std::memcmp(&seul, &y[k], sizeof seul), 0) << c.nom << " w=" << w[k];
    }
  }
}

TEST(TFctTransfert, CopyAssignAndProduct) {
  TFctTransfert f("F");
  f.g = 4;
  f.AddZero(-3);
  f.AddPole(0);
  f.AddPoleC(1, 1, 1);
  f.Color = 7;
  f.Checked = true;
  f.ChangeExpression("F*F");
  TFctTransfert c(f);
  EXPECT_STREQ(c.Nom, "F");
  EXPECT_STREQ(c.Expression, "F*F");
  EXPECT_EQ(c.nbz, 1);
  EXPECT_EQ(c.nbp, 1);
  EXPECT_EQ(c.nbpc, 1);
  EXPECT_TRUE(c.Integrat);
  EXPECT_EQ(c.Color, 7);
  EXPECT_TRUE(c.Checked);
  EXPECT_FALSE(c.CorrecPhase);

  TFctTransfert a("A");
  a = f;
  EXPECT_STREQ(a.Nom, "A");
  EXPECT_EQ(a.Expression, nullptr);
  EXPECT_EQ(a.g, 4);
  EXPECT_EQ(a.Color, 0);
  a = a;
  EXPECT_EQ(a.nbp, 1);

  TFctTransfert s(a);
  s *= a;
  EXPECT_EQ(s.g, 16);
  EXPECT_EQ(s.nbp, 2);
  EXPECT_NEAR(s.ValueBO(2).m, a.ValueBO(2).m * a.ValueBO(2).m, 1e-12);
  s *= s;
  EXPECT_EQ(s.nbpc, 4);
}

TEST(TFctTransfert, RenameAndExpressionOwnership) {
  TFctTransfert f("x");
  f.Rename("longer name");
  EXPECT_STREQ(f.Nom, "longer name");
  f.Rename(nullptr);
  EXPECT_EQ(f.Nom, nullptr);
  f.ChangeExpression("G");
  f.ChangeExpression(nullptr);
  EXPECT_EQ(f.Expression, nullptr);
  f.ClearAll();
  EXPECT_EQ(f.Nom, nullptr);
}

}  // namespace
