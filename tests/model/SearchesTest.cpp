// Frequency-response searches against closed forms: phase and gain crossings, bandwidth,
// resonance peak, slopes, and the not-found results at the interval ends.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/support/Registre.h"

namespace {

constexpr double kPi = 3.141592653589793;

class SearchesTest : public RegistreTest {};

void ExpectRel(double v, double ref, double tol) { EXPECT_NEAR(v / ref, 1.0, tol) << v; }

TEST_F(SearchesTest, PhaseCrossings) {
  TFctTransfert* f = Poles("H", 10, {-1});
  double w = 0;
  EXPECT_TRUE(f->SearchPhase(-45, &w));
  ExpectRel(w, 1.0, 1e-7);
  EXPECT_FALSE(f->CorrecPhase);
  EXPECT_TRUE(f->FirstCorrec);
  EXPECT_TRUE(f->SearchPhase(-60, &w));
  ExpectRel(w, std::sqrt(3.0), 1e-7);
  EXPECT_FALSE(f->SearchPhase(-180, &w));  // never below -90 degrees
  EXPECT_EQ(w, 1e6);
  EXPECT_FALSE(f->SearchPhase(10, &w));  // negative everywhere
  EXPECT_EQ(w, 1e-6);
  EXPECT_FALSE(f->CorrecPhase);
  EXPECT_TRUE(f->FirstCorrec);
}

TEST_F(SearchesTest, PhaseCrossingBeyondMinusPiNeedsUnwrapping) {
  // Three lags: 3*atan(w) = 180 degrees at w = tan(60 degrees); 270 degrees at w = tan(90)...
  TFctTransfert* f = Poles("H", 1, {-1, -1, -1});
  double w = 0;
  EXPECT_TRUE(f->SearchPhase(-180, &w));
  ExpectRel(w, std::sqrt(3.0), 1e-7);
  EXPECT_TRUE(f->SearchPhase(-225, &w));
  ExpectRel(w, std::tan(75 * kPi / 180), 1e-7);
  // The same function written as an expression wraps its raw phase at -pi.
  Poles("G", 1, {-1});
  TFctTransfert* e = Expr("E", "G*G*G");
  EXPECT_TRUE(e->SearchPhase(-180, &w));
  ExpectRel(w, std::sqrt(3.0), 1e-7);
  EXPECT_TRUE(e->SearchPhase(-225, &w));
  ExpectRel(w, std::tan(75 * kPi / 180), 1e-7);
  // Closed loop of 1/(s+1)^3: phase of 1/((s+1)^3+1) reaches -180 at w = sqrt(3) too (the
  // denominator 1 - 3w^2 + 1 + j(3w - w^3) is real negative there).
  f->ModeBF = true;
  EXPECT_TRUE(f->SearchPhase(-180, &w));
  ExpectRel(w, std::sqrt(3.0), 1e-7);
}

TEST_F(SearchesTest, ModulusCrossings) {
  TFctTransfert* f = Poles("H", 10, {-1});
  double w = 0;
  EXPECT_TRUE(f->SearchModule(0, &w));
  ExpectRel(w, std::sqrt(99.0), 1e-7);
  EXPECT_TRUE(f->SearchModule(20 * std::log10(10 / std::sqrt(2.0)), &w));
  ExpectRel(w, 1.0, 1e-7);
  EXPECT_FALSE(f->SearchModule(40, &w));  // never reaches 100
  EXPECT_LT(w / 1e-6 - 1, 2e-7);
  EXPECT_FALSE(f->SearchModule(-400, &w));  // above the target everywhere
  EXPECT_LT(1e6 / w - 1, 2e-7);
  // Closed loop 10/(s+11): modulus 1 at w = sqrt(100 - 121)? never; 0.5 at sqrt(400 - 121).
  f->ModeBF = true;
  EXPECT_TRUE(f->SearchModule(20 * std::log10(0.5), &w));
  ExpectRel(w, std::sqrt(279.0), 1e-7);
  EXPECT_FALSE(f->SearchModule(0, &w));
}

TEST_F(SearchesTest, SlopeAndPeak) {
  TFctTransfert* f = Poles("H", 1, {-1});
  EXPECT_NEAR(f->PenteModule(1), -1 / std::sqrt(8.0), 1e-6);
  EXPECT_NEAR(f->PenteModule(3), -3 / std::pow(10.0, 1.5), 1e-6);
  double w = 0;
  EXPECT_FALSE(f->SearchdBMax(&w));
  EXPECT_LT(w / 1e-6 - 1, 2e-7);
  TFctTransfert* r = Poles("R", 1, {});
  r->AddPoleC(1, 0.2, 1);
  EXPECT_TRUE(r->SearchdBMax(&w));
  // The peak of the modulus itself, sqrt(1 - 2*0.1^2), not the point where a central difference
  // over w(1 +- 1e-3) vanishes (5e-7 below it).
  const double wd = std::sqrt(1.96 / (1.001 * 1.001 + 0.999 * 0.999));
  ExpectRel(w, std::sqrt(1 - 2 * 0.1 * 0.1), 1e-7);
  EXPECT_GT(std::fabs(w / wd - 1), 4e-7);
  // A rising modulus has its maximum at the upper end.
  TFctTransfert* z = Poles("Z", 1, {});
  z->AddZero(-1);
  EXPECT_FALSE(z->SearchdBMax(&w));
  EXPECT_LT(1e6 / w - 1, 2e-7);
}

TEST_F(SearchesTest, ExpressionDefinedFunctionsAreSearchedAlike) {
  Poles("G", 10, {-1});
  Param.AddFctTransfert("K", 1)->AddPoleC(1, 0.2, 1);
  TFctTransfert* e = Expr("E", "G*1");
  double w = 0;
  EXPECT_TRUE(e->SearchModule(0, &w));
  ExpectRel(w, std::sqrt(99.0), 1e-7);
  EXPECT_TRUE(e->SearchPhase(-45, &w));
  ExpectRel(w, 1.0, 1e-7);
  TFctTransfert* k = Expr("F", "2*K");
  EXPECT_TRUE(k->SearchdBMax(&w));
  ExpectRel(w, std::sqrt(1 - 2 * 0.1 * 0.1), 1e-7);
}

// Every crossing of a target, for the function written with factors and as an expression over
// one-factor functions: closed forms, or GNU Octave (roots of Im(N(jw) conj D(jw)) for the
// phase, of |N(jw)|^2 - |D(jw)|^2 for 0 dB) where the structural phase is the target.
TEST_F(SearchesTest, EveryCrossingOfTheTarget) {
  const double r281 = std::sqrt(281.0);
  const struct {
    double g;
    std::vector<double> zeros, poles;
    std::vector<TFctTransfert::Tpc> quadratics;
    bool phase;  // target is a phase in degrees, else a modulus in dB
    double target;
    std::vector<double> expected;  // crossings in increasing w
    std::vector<bool> falling;
  } rows[] = {
      // 2(s+1)^2/s^3: -270 + 2 atan w rises through -180 at w = 1.
      {2, {-1, -1}, {0, 0, 0}, {}, true, -180, {1}, {false}},
      // 2000(s+1)^2/(s^3 (s+20)^2): -270 + 2 atan w - 2 atan(w/20) = -180 at w^2 - 19w + 20 = 0.
      {2000,
       {-1, -1},
       {0, 0, 0, -20, -20},
       {},
       true,
       -180,
       {(19 - r281) / 2, (19 + r281) / 2},
       {false, true}},
      // 50/(s(s^2 + 0.1s + 100)): three 0 dB crossings.
      {50,
       {},
       {0},
       {{1, 0.1, 100}},
       false,
       0,
       {0.5012594062, 9.744869658, 10.23602727},
       {true, false, true}},
      // Order 8 with a lightly damped pair: -180 once (Octave's second root of the equation,
      // 2.288690797, has the phase -540); the pair takes the phase from about -200 to -380
      // between two samples of a sweep of ten points a decade.
      {3,
       {},
       {-1, -2, -5, -0.5},
       {{1, 0.04, 0.2}, {1, 0.4, 4}},
       true,
       -180,
       {0.4484359624},
       {true}},
      {3,
       {},
       {-1, -2, -5, -0.5},
       {{1, 0.04, 0.2}, {1, 0.4, 4}},
       false,
       0,
       {0.2679332194, 0.5387857808},
       {false, true}},
      // Biproper lead 2(s+1)/(s+4): the modulus rises through 0 dB at w = 2.
      {2, {-1}, {-4}, {}, false, 0, {2}, {false}},
  };
  int n = 0;
  for (const auto& r : rows) {
    Param.Reset();
    TFctTransfert* f = Param.AddFctTransfert("H", r.g);
    std::string e = std::to_string(r.g);
    auto factor = [&]() {
      TFctTransfert* x = Param.AddFctTransfert(("F" + std::to_string(n)).c_str(), 1);
      e += "*F" + std::to_string(n++);
      return x;
    };
    for (double z : r.zeros) f->AddZero(z), factor()->AddZero(z);
    for (double p : r.poles) f->AddPole(p), factor()->AddPole(p);
    for (const auto& q : r.quadratics)
      f->AddPoleC(q.a, q.b, q.c), factor()->AddPoleC(q.a, q.b, q.c);
    TFctTransfert* t = Expr("T", e.c_str());
    for (TFctTransfert* h : {f, t}) {
      std::vector<TFctTransfert::TCroise> c;
      EXPECT_TRUE(r.phase ? h->CroisementsPhase(r.target, &c) : h->CroisementsModule(r.target, &c));
      ASSERT_EQ(c.size(), r.expected.size()) << e;
      for (size_t i = 0; i < c.size(); ++i) {
        ExpectRel(c[i].w, r.expected[i], 1e-7);
        EXPECT_EQ(c[i].Descend, r.falling[i]) << e << " " << i;
        if (r.phase) {
          EXPECT_NEAR(c[i].y.p * 180 / kPi, r.target, 1e-4);
        } else {
          EXPECT_NEAR(20 * std::log10(c[i].y.m), r.target, 1e-5);
        }
      }
    }
  }
}

// K e^(-tau s)/(s(s+1)): the delay margin of the undelayed loop is (pi/2 - atan wc)/wc with
// wc^2 = (sqrt(1 + 4K^2) - 1)/2; at that delay the phase margin is 0, and a loop already
// delayed by part of it keeps the rest.
TEST_F(SearchesTest, DelayMarginCountsTheDelayAlreadyThere) {
  for (double k : {0.5, 1.0, 5.0}) {
    TFctTransfert* f = Poles("H", k, {0, -1});
    const double wc = std::sqrt((std::sqrt(1 + 4 * k * k) - 1) / 2);
    const double dm = (kPi / 2 - std::atan(wc)) / wc;
    double m = 0;
    ASSERT_TRUE(f->DelayMargin(&m)) << k;
    ExpectRel(m, dm, 1e-6);
    f->Retard = m;
    std::vector<TFctTransfert::TCroise> c;
    ASSERT_TRUE(f->CroisementsModule(0, &c)) << k;
    ASSERT_EQ(c.size(), 1u) << k;
    // The margin's error, as a delay.
    EXPECT_LT(std::fabs(c[0].y.p + kPi) / c[0].w, 1e-6 * dm) << k;
    f->Retard = 0.3 * dm;
    ASSERT_TRUE(f->DelayMargin(&m)) << k;
    ExpectRel(m, 0.7 * dm, 1e-6);
    Param.Reset();
  }
}

}  // namespace
