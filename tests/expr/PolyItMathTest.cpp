// Rational fractions of transfer functions, from factors and from expressions, checked by hand
// and against the frequency response at s = jw.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "expr/PolyItMath.h"
#include "tests/support/Registre.h"

namespace {

void ExpectPoly(const TPoly& p, std::vector<double> c) {
  ASSERT_TRUE(p.IsDefined());
  ASSERT_EQ(p.OrdrePoly(), c.size() - 1);
  for (unsigned i = 0; i < c.size(); ++i) EXPECT_DOUBLE_EQ(p[i], c[i]) << "coefficient " << i;
}

std::complex<double> At(const TPoly& p, std::complex<double> s) {
  std::complex<double> v = 0;
  for (unsigned i = p.OrdrePoly() + 1; i-- > 0;) v = v * s + p[i];
  return v;
}

int Eval(const std::string& t, TQuotPoly* y) {
  PolyTItMath m;
  const char* s = t.c_str();
  return m.ItMath(&s, y);
}

class PolyItMathTest : public RegistreTest {};

TEST_F(PolyItMathTest, FractionFromFactors) {
  TQuotPolyH k(Poles("K", 5, {}), true);
  EXPECT_EQ(k.Err, 0);
  ExpectPoly(k.Num, {5});
  ExpectPoly(k.Den, {1});
  TFctTransfert* h = Poles("H", 3, {-1, -2});
  TQuotPolyH a(h, false);
  ExpectPoly(a.Num, {3});
  ExpectPoly(a.Den, {2, 3, 1});
  h->AddPole(0);
  TQuotPolyH b(h, false);
  ExpectPoly(b.Den, {0, 2, 3, 1});
  TFctTransfert* z = Poles("Z", 4, {});
  z->AddZero(-0.5);
  z->AddZeroC(2, 0, 1);
  TQuotPolyH c(z, false);
  ExpectPoly(c.Num, {2, 4, 4, 8});
  TFctTransfert* q = Poles("Q", 2, {-1});
  q->AddPoleC(1, 0.4, 4);
  q->ModeBF = true;  // the fraction is always the open loop
  TQuotPolyH d(q, true);
  ExpectPoly(d.Num, {2});
  ExpectPoly(d.Den, {4, 4.4, 1.4, 1});
  EXPECT_FALSE(q->EnCalcul);
  // A second-order factor with a leading coefficient keeps it in the denominator.
  TFctTransfert* r = Poles("R", 1, {});
  r->AddPoleC(2, 3, 0);
  ExpectPoly(TQuotPolyH(r, false).Den, {0, 3, 2});
}

TEST_F(PolyItMathTest, ExpressionsGiveUncancelledFractions) {
  Poles("G", 1, {-1});
  struct Cas {
    const char* texte;
    std::vector<double> num, den;
  };
  const Cas cas[] = {
      {"G/(1+G)", {1, 1}, {2, 3, 1}},
      {"2*G", {2}, {1, 1}},
      {"-G", {-1, 0}, {1, 1}},
      {"exp(0)", {1}, {1}},
      {"G*G-G", {0, -1, -1}, {1, 3, 3, 1}},
      {"1+2*3", {7}, {1}},
      {"8/2/2", {8}, {4}},
      {"sqrt(4)*G", {2}, {1, 1}},
      {"+G", {1}, {1, 1}},
      {" ( G ) ", {1}, {1, 1}},
  };
  for (const Cas& c : cas) {
    TQuotPoly y;
    ASSERT_EQ(Eval(c.texte, &y), 0) << c.texte;
    ExpectPoly(y.Num, c.num);
    ExpectPoly(y.Den, c.den);
  }
}

TEST_F(PolyItMathTest, ErrorNumbers) {
  Poles("G", 1, {-1});
  TFctTransfert* p = Poles("P", 1, {});
  p->AddZero(0);
  struct Cas {
    const char* texte;
    int err;
  };
  const Cas cas[] = {
      {"sqrt(G)", 12},      {"sin(P)", 12},   {"G^2", 2},      {"2^2", 2},    {"1+2^2*3", 2},
      {"2 3", 7},           {"2+", 7},        {"--1", 7},      {"- 1", 7},    {"(1+G", 6},
      {"sqrt(4", 6},        {"nosuch(1)", 8}, {"sqrt(-1)", 9}, {"log(0)", 9}, {"exp(1000)", 9},
      {"1e999", 9},         {"unknown", 10},  {".", 5},        {"1/0", 3},    {"G/(G-G)", 3},
      {"sqrt(1/(1-1))", 3},
  };
  for (const Cas& c : cas) {
    TQuotPoly y;
    PolyTItMath m;
    const char* s = c.texte;
    EXPECT_EQ(m.ItMath(&s, &y), c.err) << c.texte;
    EXPECT_EQ(m.ErrNo, c.err) << c.texte;
  }
  PolyTItMath m;
  m.ErrNo = 13;
  EXPECT_STREQ(m.ErrMsg(), "Calcul récursif impossible");
  TQuotPoly r;
  EXPECT_EQ(m.Operation(TQuotPoly(1.0), '^', TQuotPoly(2.0), &r), 2);
  const int prio[][2] = {{'+', 1}, {'-', 1}, {'*', 2}, {'/', 2}, {'^', 0}};
  for (auto& q : prio) EXPECT_EQ(PolyTItMath::Priorite(static_cast<char>(q[0])), q[1]);
}

TEST_F(PolyItMathTest, ErrorsOfAnExpressionGoToErr) {
  TFctTransfert* f = Expr("F", "G^2");
  Poles("G", 1, {-1});
  TQuotPolyH h(f, true);
  EXPECT_EQ(h.Err, 2);
  EXPECT_FALSE(h.Num.IsDefined());
  EXPECT_FALSE(h.Den.IsDefined());
  EXPECT_FALSE(f->EnCalcul);
  f->ChangeExpression("3*G");
  TQuotPolyH g(f, true);
  EXPECT_EQ(g.Err, 0);
  ExpectPoly(g.Num, {3});
}

TEST_F(PolyItMathTest, CyclesEndWithRecursionError) {
  Expr("A", "A+1");
  Expr("B", "2*B");
  Expr("C", "1+B");
  Expr("D", "E");
  Expr("E", "(D)");
  Expr("F", "3*D");
  for (const char* n : {"A", "B", "C", "D", "E", "F"}) {
    EXPECT_EQ(TQuotPolyH(FctLF(n), true).Err, 13) << n;
    EXPECT_EQ(TQuotPolyH(FctLF(n), false).Err, 13) << n;
  }
  for (unsigned i = 0; i < Param.NbFctTransfert; ++i) EXPECT_FALSE(Param.fct[i]->EnCalcul);
  Poles("X", 2, {-1});
  TQuotPolyH s(Expr("S", "X*X+X"), true);
  EXPECT_EQ(s.Err, 0);
  ExpectPoly(s.Num, {6, 8, 2});
  ExpectPoly(s.Den, {1, 3, 3, 1});
}

TEST_F(PolyItMathTest, DeepNestingEndsWithResultOrError) {
  auto nest = [](unsigned n, const char* core) {
    return std::string(n, '(') + core + std::string(n, ')');
  };
  TQuotPoly y;
  ASSERT_EQ(Eval(nest(1000, "2"), &y), 0);
  ExpectPoly(y.Num, {2});
  EXPECT_EQ(Eval(std::string(1000, '(') + "1", &y), 6);
  EXPECT_EQ(Eval(nest(TItMath::ProfondeurMax, "2"), &y), 1);
  EXPECT_EQ(Eval(nest(100000, "2"), &y), 1);
  std::string prev;
  for (int i = 0; i < 12; ++i) {
    std::string n = "N" + std::to_string(i);
    Expr(n.c_str(), nest(400, prev.empty() ? "1" : prev.c_str()).c_str());
    prev = n;
  }
  EXPECT_EQ(TQuotPolyH(FctLF("N3"), true).Err, 0);
  EXPECT_EQ(TQuotPolyH(FctLF("N11"), true).Err, 1);
}

TEST_F(PolyItMathTest, FractionMatchesTheFrequencyResponse) {
  TFctTransfert* g1 = Poles("G1", 2, {-1, -3});
  g1->AddZero(-0.5);
  TFctTransfert* g2 = Poles("G2", 1, {});
  g2->AddPoleC(1, 0.4, 4);
  g2->AddZeroC(1, 1, 2);
  TFctTransfert* e = Expr("E", "G1*G2/(1+G1*G2)-0.5*G2+3");
  for (double w : {0.01, 0.3, 1.0, 2.0, 10.0, 300.0}) {
    TQuotPolyH q(e, true);
    ASSERT_EQ(q.Err, 0);
    std::complex<double> s(0, w), v = At(q.Num, s) / At(q.Den, s);
    TComplexP r;
    ASSERT_EQ(e->Value_(w, &r), 0);
    std::complex<double> x = std::polar(r.m, r.p);
    EXPECT_NEAR(std::abs(v - x), 0, 1e-12 * std::abs(x)) << w;
  }
}

// The delay an expression's fraction carries: products add the named functions' delays,
// quotients subtract them, the terms of a sum must share one (a zero term shares any).
TEST_F(PolyItMathTest, DelaysGatherIntoOneFactorOrNone) {
  Poles("G", 1, {-1})->Retard = 0.5;
  Poles("H", 2, {-3})->Retard = 0.25;
  Poles("K", 3, {-2});
  struct Cas {
    const char* texte;
    double retard;
    bool mixte;
  };
  const Cas cas[] = {
      {"G*H", 0.75, false},  {"G/H", 0.25, false},     {"G*K + 2*G", 0.5, false},
      {"-G", 0.5, false},    {"(G - G*K)*H", 0.75, false}, {"0*H + G", 0.5, false},
      {"K*2", 0, false},     {"H/G", -0.25, false},    {"G + H", 0, true},
      {"1 + G", 0, true},    {"G/(1 + G)", 0, true},   {"K*(G + 1)*H", 0, true},
  };
  for (const Cas& c : cas) {
    TQuotPoly q;
    ASSERT_EQ(Eval(c.texte, &q), 0) << c.texte;
    EXPECT_EQ(q.RetardMixte, c.mixte) << c.texte;
    if (!c.mixte) {
      EXPECT_DOUBLE_EQ(q.Retard, c.retard) << c.texte;
    }
  }
  // Through a function defined by an expression, which ignores its own delay.
  TFctTransfert* e = Expr("E", "G*H");
  e->Retard = 7;
  TQuotPolyH q(Expr("F", "E*K"), true);
  EXPECT_EQ(q.Err, 0);
  EXPECT_FALSE(q.RetardMixte);
  EXPECT_DOUBLE_EQ(q.Retard, 0.75);
}

TEST(TPolyPileTTest, TenFractionsByValue) {
  TPolyPileT p;
  TQuotPoly q;
  EXPECT_FALSE(p.Pop(&q));
  for (int i = 0; i < 10; ++i) {
    TQuotPoly v(static_cast<double>(i));
    ASSERT_TRUE(p.Push(&v));
    v.Num[0] = -1;  // the stack holds its own copy
  }
  TQuotPoly extra(1.0);
  EXPECT_FALSE(p.Push(&extra));
  ASSERT_TRUE(p.Read(&q, 9));
  EXPECT_EQ(q.Num[0], 0);
  EXPECT_FALSE(p.Read(&q, 10));
  for (int i = 9; i >= 0; --i) {
    ASSERT_TRUE(p.Pop(&q));
    EXPECT_EQ(q.Num[0], i);
  }
  EXPECT_FALSE(p.Pop(&q));
}

}  // namespace
