// The complex and the fraction evaluators read the same grammar: on texts of constants without
// "^" both give the same error number, the same value and the same stop position.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "expr/ItMath.h"
#include "expr/PolyItMath.h"
#include "tests/support/Registre.h"

namespace {

class GrammarTest : public RegistreTest {};

TEST_F(GrammarTest, BothEvaluatorsAgreeOnConstantTexts) {
  struct Cas {
    const char* texte;
    int err;
    double valeur;  // hand value when err == 0
  };
  const Cas cas[] = {
      {"1+2*3", 0, 7},
      {"2*3+4*5", 0, 26},
      {"1-2-3", 0, -4},
      {"12/4/3", 0, 1},
      {"-(2-5)", 0, 3},
      {"-3*-3", 0, 9},
      {"2*(3+4)/7", 0, 2},
      {"((((1))))", 0, 1},
      {"sqrt(9)-1", 0, 2},
      {"sqrt ( 9 )", 0, 3},
      {"-sqrt(4)*2", 0, -4},
      {" 1 + 1 ", 0, 2},
      {"fabs(1-3)*+2", 0, 4},
      {"+-1", 7, 0},
      {"", 7, 0},
      {" ", 7, 0},
      {"1 +", 7, 0},
      {"1 2", 7, 0},
      {"(1))", 7, 0},
      {"1+()", 7, 0},
      {"(2", 6, 0},
      {"sqrt(4", 6, 0},
      {"sqrt(4 5)", 6, 0},
      {"abs(1)", 8, 0},
      {"1/(1-1)", 3, 0},
      {"log(-1)", 9, 0},
      {"x", 10, 0},
      {"2*y+1", 10, 0},
      {".", 5, 0},
      {"2*.", 5, 0},
      {"1e999*0", 9, 0},
      {"(1+(2*x))", 10, 0},
  };
  for (const Cas& c : cas) {
    TItMath m(1.0);
    PolyTItMath q;
    const char* s1 = c.texte;
    const char* s2 = c.texte;
    TComplex y;
    TQuotPoly f;
    EXPECT_EQ(m.ItMath(&s1, &y), c.err) << c.texte;
    EXPECT_EQ(q.ItMath(&s2, &f), c.err) << c.texte;
    EXPECT_EQ(m.ErrNo, c.err) << c.texte;
    EXPECT_EQ(q.ErrNo, c.err) << c.texte;
    EXPECT_EQ(s1 - c.texte, s2 - c.texte) << c.texte;  // both stopped at the same character
    if (c.err != 0) continue;
    EXPECT_DOUBLE_EQ(y.Re, c.valeur) << c.texte;
    EXPECT_EQ(y.Im, 0.0) << c.texte;
    ASSERT_EQ(f.Num.OrdrePoly(), 0u) << c.texte;
    ASSERT_EQ(f.Den.OrdrePoly(), 0u) << c.texte;
    EXPECT_DOUBLE_EQ(f.Num[0] / f.Den[0], c.valeur) << c.texte;
  }
}

TEST_F(GrammarTest, MissingTextOrResultIsASyntaxError) {
  const char* texte = "1";
  const char* rien = nullptr;
  TComplex y;
  TQuotPoly f;
  TItMath m(1.0);
  PolyTItMath q;
  EXPECT_EQ(m.ItMath(nullptr, &y), 7);
  EXPECT_EQ(m.ItMath(&rien, &y), 7);
  EXPECT_EQ(m.ItMath(&texte, nullptr), 7);
  EXPECT_EQ(q.ItMath(nullptr, &f), 7);
  EXPECT_EQ(q.ItMath(&rien, &f), 7);
  EXPECT_EQ(q.ItMath(&texte, nullptr), 7);
  EXPECT_EQ(q.ErrNo, 7);
}

// A negated reference: the fraction is -2 / (s + 1) at every s, and the complex value at w is
// the opposite of the response.
TEST_F(GrammarTest, NegatedReferenceInBothEvaluators) {
  Poles("G", 2, {-1});  // 2 / (s + 1)
  TQuotPoly f;
  PolyTItMath q;
  const char* s = "-G";
  ASSERT_EQ(q.ItMath(&s, &f), 0);
  for (double x : {0.0, 1.0, 3.0, -2.0})
    EXPECT_DOUBLE_EQ(f.Num.Valeur(x) / f.Den.Valeur(x), -2 / (x + 1)) << x;
  TItMath m(1.0);  // 2 / (j + 1) = 1 - j, so -G = -1 + j
  TComplex y;
  const char* t = "-G";
  ASSERT_EQ(m.ItMath(&t, &y), 0);
  EXPECT_NEAR(y.Re, -1, 1e-12);
  EXPECT_NEAR(y.Im, 1, 1e-12);
}

}  // namespace
