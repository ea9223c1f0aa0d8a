// Polynomial and fraction algebra checked by hand: products, sums without cancellation,
// normalisation, values, deep copies and the bounded text form.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "expr/Poly.h"
#include "expr/Roots.h"

namespace {

TPoly P(std::vector<double> c) { return TPoly(c.data(), static_cast<unsigned>(c.size() - 1)); }

void ExpectPoly(const TPoly& p, std::vector<double> c) {
  ASSERT_TRUE(p.IsDefined());
  ASSERT_EQ(p.OrdrePoly(), c.size() - 1);
  for (unsigned i = 0; i < c.size(); ++i) EXPECT_DOUBLE_EQ(p[i], c[i]) << "coefficient " << i;
}

TEST(TPoly, ConstructorsAndAccessors) {
  TPoly u;
  EXPECT_FALSE(u.IsDefined());
  EXPECT_EQ(u.OrdrePoly(), 0u);
  ExpectPoly(TPoly(2.5), {2.5});
  ExpectPoly(TPoly(3u), {0, 0, 0, 0});
  TPoly q = P({1, 0.5, 3});
  q[1] = -4;
  ExpectPoly(q, {1, -4, 3});
  q.PolyLoad(std::vector<double>{7, 8}.data(), 1);
  ExpectPoly(q, {7, 8});
  q = 9.0;
  ExpectPoly(q, {9});
}

TEST(TPoly, ArithmeticWithoutCancellation) {
  ExpectPoly(P({1, 1}) * P({2, 1}), {2, 3, 1});
  ExpectPoly(P({1, 1}) - P({0, 1}), {1, 0});  // the cancelled leading term stays
  ExpectPoly(P({1, 2, 3}) + P({4}), {5, 2, 3});
  ExpectPoly(P({4}) + P({1, 2, 3}), {5, 2, 3});
  ExpectPoly(P({4}) - P({1, 2, 3}), {3, -2, -3});
  ExpectPoly(P({1, 2, 3}) - P({4}), {-3, 2, 3});
  ExpectPoly(P({1, -1}) * P({1, 1}) * P({0, 0, 1}), {0, 0, 1, 0, -1});
  EXPECT_FALSE((TPoly() * P({1})).IsDefined());
  EXPECT_FALSE((P({1}) + TPoly()).IsDefined());
}

TEST(TPoly, Value) {
  TPoly p = P({2, 3, 1});
  EXPECT_EQ(p.Valeur(1), 6);
  EXPECT_EQ(p.Valeur(2), 12);
  EXPECT_EQ(p.Valeur(-1), 0);
  EXPECT_EQ(P({5}).Valeur(1e9), 5);
}

TEST(TPoly, CopiesAreDeep) {
  TPoly a = P({1, 2});
  TPoly b(a);
  b[0] = 10;
  EXPECT_EQ(a[0], 1);
  TPoly c;
  c = a;
  c[1] = 20;
  EXPECT_EQ(a[1], 2);
  c = c;
  ExpectPoly(c, {1, 20});
  TPoly d(std::move(c));
  ExpectPoly(d, {1, 20});
  const TPoly u;
  TPoly e(u);  // copying an undefined polynomial stays undefined
  EXPECT_FALSE(e.IsDefined());
}

TEST(TQuotPoly, FractionOperations) {
  TQuotPoly a(P({1}), P({1, 1})), b(P({1}), P({2, 1}));
  TQuotPoly s = a + b;
  ExpectPoly(s.Num, {3, 2});
  ExpectPoly(s.Den, {2, 3, 1});
  TQuotPoly d = a - b;
  ExpectPoly(d.Num, {1, 0});
  ExpectPoly(d.Den, {2, 3, 1});
  TQuotPoly m = a * b;
  ExpectPoly(m.Num, {1});
  ExpectPoly(m.Den, {2, 3, 1});
  TQuotPoly q = a / b;
  ExpectPoly(q.Num, {2, 1});
  ExpectPoly(q.Den, {1, 1});
  EXPECT_DOUBLE_EQ(s.Valeur(1), 1.0 / 2 + 1.0 / 3);
  TQuotPoly c(4.0);
  ExpectPoly(c.Numerateur(), {4});
  ExpectPoly(c.Denominateur(), {1});
  c = a;
  c.Num[0] = 9;
  EXPECT_EQ(a.Num[0], 1);
  c = 2.0;
  ExpectPoly(c.Num, {2});
  ExpectPoly(c.Den, {1});
  TPoly n = P({5, 6});
  c.DefNum(&n);
  c.DefDen(&n);
  ExpectPoly(c.Num, {5, 6});
  ExpectPoly(c.Den, {5, 6});
  c = c;
  ExpectPoly(c.Num, {5, 6});
}

TEST(TQuotPoly, NormaliseMakesTheDenominatorMonic) {
  TQuotPoly f(P({2}), P({4, 2}));
  EXPECT_TRUE(f.Normalise());
  ExpectPoly(f.Num, {1});
  ExpectPoly(f.Den, {2, 1});
  TQuotPoly g(P({1, 3}), P({4, 0.4, 0.5}));
  EXPECT_TRUE(g.Normalise());
  ExpectPoly(g.Num, {2, 6});
  ExpectPoly(g.Den, {8, 0.8, 1});
  // A zero leading coefficient cannot be divided by: the fraction stays as it was.
  TQuotPoly z(P({1}), P({1, 1}) - P({0, 1}));
  EXPECT_FALSE(z.Normalise());
  ExpectPoly(z.Num, {1});
  ExpectPoly(z.Den, {1, 0});
  TQuotPoly u;
  EXPECT_FALSE(u.Normalise());
}

TEST(TQuotPoly, TextForm) {
  TQuotPoly f(P({2, 1}), P({3}));
  EXPECT_STREQ(f.AffPoly(), "[ +2X^0 +1X^1  ] / [ +3X^0  ]");
  TQuotPoly g(P({0, -0.5}), P({1.5e-7, 0, 1}));
  EXPECT_STREQ(g.AffPoly(), "[ +0X^0 -0.5X^1  ] / [ +1.5E-07X^0 +0X^1 +1X^2  ]");
}

TEST(TQuotPoly, TextFormIsBoundedForAnyDegree) {
  for (unsigned deg : {10u, 40u, 200u, 5000u}) {
    TPoly n(deg), d(deg);
    for (unsigned i = 0; i <= deg; ++i) {
      n[i] = -1.23456789e-300;
      d[i] = i;
    }
    TQuotPoly f(n, d);
    const char* t = f.AffPoly();
    size_t len = std::strlen(t);
    EXPECT_LT(len, 1024u) << deg;
    std::string s(t);
    EXPECT_EQ(s.rfind("[ -1.23457E-300X^0 ", 0), 0u) << deg;
    EXPECT_EQ(s.substr(len - 2), " ]") << deg;
    EXPECT_NE(s.find(" ] / [ +0X^0 +1X^1 "), std::string::npos) << deg;
    bool coupe = deg >= 40;
    EXPECT_EQ(s.find("... ") != std::string::npos, coupe) << deg;
  }
}

// Roots of polynomials built from known roots, with their multiplicities; s = 0 is exact.
TEST(PolyRoots, KnownRootsAndDegenerateInputs) {
  struct Row {
    std::vector<double> coef;  // constant term first
    std::vector<TComplex> roots;
  };
  const Row rows[] = {
      {{2, 3, 1}, {{-1, 0}, {-2, 0}}},                      // (s+1)(s+2)
      {{0, 0, 3, 1}, {{0, 0}, {0, 0}, {-3, 0}}},            // s^2 (s+3)
      {{5, 2, 1}, {{-1, 2}, {-1, -2}}},                     // s^2+2s+5
      {{10, 17, 8, 1, 0, 0}, {{-1, 0}, {-2, 0}, {-5, 0}}},  // zero leading coefficients
      {{-2, 1}, {{2, 0}}},                                  // s-2
      {{7}, {}},                                            // constant
  };
  for (const Row& r : rows) {
    std::vector<TComplex> got;
    ASSERT_TRUE(PolyRoots(P(r.coef), got)) << r.coef.size();
    ASSERT_EQ(got.size(), r.roots.size());
    for (const TComplex& want : r.roots) {
      bool found = false;
      for (const TComplex& z : got) found |= std::hypot(z.Re - want.Re, z.Im - want.Im) < 1e-9;
      EXPECT_TRUE(found) << want.Re << "," << want.Im;
    }
  }
  std::vector<TComplex> got;
  EXPECT_FALSE(PolyRoots(TPoly(), got));
  EXPECT_FALSE(PolyRoots(P({0, 0}), got));
  EXPECT_FALSE(PolyRoots(P({1, NAN}), got));
}

}  // namespace

namespace {

// Common roots cancelled by hand: a real pair, a complex pair, roots at 0, a fraction whose
// leading coefficients vanish, a double root; roots further apart than the tolerance stay.
TEST(TQuotPoly, SimplifieCancelsCommonRoots) {
  struct Row {
    const char* what;
    std::vector<double> num, den;
    unsigned cancelled;
    std::vector<double> numAfter, denAfter;
  };
  const std::vector<Row> rows = {
      {"2(s-1)/((s-1)(s+1))", {-2, 2}, {-1, 0, 1}, 1, {2}, {1, 1}},
      {"(s^2+s+1)(s+2)/((s^2+s+1)(s+3))", {2, 3, 3, 1}, {3, 4, 4, 1}, 2, {2, 1}, {3, 1}},
      {"3s/(s(s+4))", {0, 3}, {0, 4, 1}, 1, {3}, {4, 1}},
      {"(-(s+1) + 0s^2)/(-(s+1) + 0s^2)", {-1, -1, 0}, {-1, -1, 0}, 1, {-1}, {-1}},
      {"(s+1)^2/((s+1)^2(s+2))", {1, 2, 1}, {2, 5, 4, 1}, 2, {1}, {2, 1}},
      {"(s+1)/(s+1.001)", {1, 1}, {1.001, 1}, 0, {1, 1}, {1.001, 1}},
      {"(s+2)/((s+1)(s+3))", {2, 1}, {3, 4, 1}, 0, {2, 1}, {3, 4, 1}},
  };
  for (const Row& r : rows) {
    TQuotPoly q(TPoly(r.num.data(), static_cast<unsigned>(r.num.size() - 1)),
                TPoly(r.den.data(), static_cast<unsigned>(r.den.size() - 1)));
    EXPECT_EQ(q.Simplifie(1e-6), r.cancelled) << r.what;
    ASSERT_EQ(q.Num.Deg + 1, r.numAfter.size()) << r.what;
    ASSERT_EQ(q.Den.Deg + 1, r.denAfter.size()) << r.what;
    for (unsigned i = 0; i <= q.Num.Deg; ++i) EXPECT_NEAR(q.Num[i], r.numAfter[i], 1e-9) << r.what;
    for (unsigned i = 0; i <= q.Den.Deg; ++i) EXPECT_NEAR(q.Den[i], r.denAfter[i], 1e-9) << r.what;
  }
  TQuotPoly undefined;
  EXPECT_EQ(undefined.Simplifie(1e-6), 0u);
}

}  // namespace
