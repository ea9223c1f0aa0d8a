// Expressions at the limits of work: functions that name each other twice over (2^k
// references), fractions whose degree doubles at each level, functions with too many factors.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "expr/ItMath.h"
#include "expr/PolyItMath.h"
#include "tests/support/Registre.h"

namespace {

class ExprLimitsTest : public RegistreTest {
 protected:
  // L1 = "L0 op L0" up to Ln = "Ln-1 op Ln-1": evaluating Lk makes 2^(k+1) - 1 references.
  void Chain(char op, int n) {
    for (int i = 1; i <= n; ++i) {
      std::string prev = "L" + std::to_string(i - 1);
      Expr(("L" + std::to_string(i)).c_str(), (prev + op + prev).c_str());
    }
  }
};

TEST_F(ExprLimitsTest, ComplexEvaluatorBoundsReferencesOfNestedExpressions) {
  Poles("L0", 1, {-1});  // 1/(s+1), exactly 1 at w = 0
  Chain('*', 60);        // L60 would need 2^61 references
  struct Case {
    const char* text;
    int err;
  } cases[] = {{"L12", 0}, {"L13", 1}, {"L60", 1}, {"2*L12+L11", 1}, {"L12+L9", 0}};
  for (const Case& c : cases) {
    TItMath m(0.0);
    const char* s = c.text;
    TComplex y;
    EXPECT_EQ(m.ItMath(&s, &y), c.err) << c.text;
    if (c.err == 0) {
      EXPECT_DOUBLE_EQ(y.Re, std::string(c.text) == "L12" ? 1.0 : 2.0) << c.text;
      EXPECT_DOUBLE_EQ(y.Im, 0.0) << c.text;
    }
  }
  // Each evaluation has its own count: the budget is not used up by earlier ones.
  for (int i = 0; i < 3; ++i) {
    TComplexP y;
    EXPECT_TRUE(FctLF("L12")->Value(0.0, &y));
    EXPECT_FALSE(FctLF("L12")->EnCalcul);
  }
  // After a refused evaluation no function is left marked under evaluation.
  for (unsigned i = 0; i < Param.GetNbFctTransfert(); ++i) {
    EXPECT_FALSE(Param.GetFctTransfert(i)->EnCalcul) << i;
  }
}

TEST_F(ExprLimitsTest, FractionEvaluatorBoundsDegreeAndReferences) {
  Poles("L0", 1, {-1});
  Chain('*', 40);  // Lk = 1/(s+1)^(2^k)
  TQuotPolyH l9(FctLF("L9"), true);
  ASSERT_EQ(l9.Err, 0);
  ASSERT_EQ(l9.Den.Deg, 512u);
  EXPECT_DOUBLE_EQ(l9.Den.Coef[0], 1.0);
  EXPECT_DOUBLE_EQ(l9.Den.Coef[1], 512.0);            // binomial(512, 1)
  EXPECT_DOUBLE_EQ(l9.Den.Coef[2], 512.0 * 511 / 2);  // binomial(512, 2)
  EXPECT_DOUBLE_EQ(l9.Den.Coef[512], 1.0);
  EXPECT_EQ(TQuotPolyH(FctLF("L10"), true).Err, 1);  // degree 1024
  EXPECT_EQ(TQuotPolyH(FctLF("L40"), true).Err, 1);
  for (unsigned i = 0; i < Param.GetNbFctTransfert(); ++i) {
    EXPECT_FALSE(Param.GetFctTransfert(i)->EnCalcul) << i;
  }
}

TEST_F(ExprLimitsTest, FractionEvaluatorBoundsReferencesOfConstants) {
  Param.AddFctTransfert("L0", 1.0);  // the constant 1: degrees stay 0 however deep
  Chain('+', 50);
  TQuotPolyH l12(FctLF("L12"), true);  // 8191 references
  ASSERT_EQ(l12.Err, 0);
  ASSERT_EQ(l12.Num.Deg, 0u);
  ASSERT_EQ(l12.Den.Deg, 0u);
  EXPECT_DOUBLE_EQ(l12.Num.Coef[0] / l12.Den.Coef[0], 4096.0);
  EXPECT_EQ(TQuotPolyH(FctLF("L13"), true).Err, 1);
  EXPECT_EQ(TQuotPolyH(FctLF("L50"), true).Err, 1);
  // A function named again counts every reference that building it again would make:
  // 8191 + 1023 references fit, 8191 + 4095 or 2 x 8191 do not.
  struct Case {
    const char* name;
    const char* text;
    int err;
    double value;
  } cases[] = {{"S1", "L12+L9", 0, 4096 + 512},
               {"S2", "L9*L9+L8+L9", 0, 512 * 512 + 256 + 512},
               {"S3", "2*L12+L11", 1, 0},
               {"S4", "L12+L12", 1, 0}};
  for (const Case& c : cases) {
    TQuotPolyH q(Expr(c.name, c.text), true);
    ASSERT_EQ(q.Err, c.err) << c.text;
    if (c.err == 0) {
      EXPECT_DOUBLE_EQ(q.Num.Coef[0] / q.Den.Coef[0], c.value) << c.text;
    }
  }
}

TEST_F(ExprLimitsTest, NestingOfAFunctionNamedAgainCountsAsItsFirstOne) {
  // D nests 1001 levels: named at level 1 it reaches 1002; named again inside m parentheses,
  // at level m + 1, it reaches m + 1002, allowed up to the limit of 2000 levels.
  Param.AddFctTransfert("L0", 2.0);
  Expr("D", (std::string(1000, '(') + "L0" + std::string(1000, ')')).c_str());
  for (int m : {997, 998, 999, 1500}) {
    const bool trop = m + 1002 > static_cast<int>(TItMath::ProfondeurMax);
    const std::string t = "D+" + std::string(m, '(') + "D" + std::string(m, ')');
    TQuotPolyH q(Expr(("T" + std::to_string(m)).c_str(), t.c_str()), true);
    ASSERT_EQ(q.Err, trop ? 1 : 0) << m;
    if (!trop) {
      EXPECT_DOUBLE_EQ(q.Num.Coef[0] / q.Den.Coef[0], 4.0) << m;
    }
    // The complex evaluator draws the same line.
    TItMath c(0.0);
    const char* s = t.c_str();
    TComplex y;
    EXPECT_EQ(c.ItMath(&s, &y), trop ? 1 : 0) << m;
  }
}

TEST_F(ExprLimitsTest, FunctionWithTooManyFactorsCannotBeSimulated) {
  TFctTransfert* ok = Param.AddFctTransfert("A", 1.0);
  for (int i = 0; i < 998; ++i) ok->AddPole(-1);
  ok->AddPoleC(1, 2, 1);  // degree 1000
  TQuotPolyH a(ok, true);
  ASSERT_EQ(a.Err, 0);
  EXPECT_EQ(a.Den.Deg, 1000u);
  EXPECT_DOUBLE_EQ(a.Den.Coef[999], 1000.0);  // (s+1)^1000: binomial(1000, 999)
  ok->AddPole(-1);
  EXPECT_EQ(TQuotPolyH(ok, true).Err, 1);
  TFctTransfert* zeros = Param.AddFctTransfert("Z", 1.0);
  for (int i = 0; i < 501; ++i) zeros->AddZeroC(1, 0, 1);  // numerator degree 1002
  EXPECT_EQ(TQuotPolyH(zeros, true).Err, 1);
  EXPECT_FALSE(zeros->EnCalcul);
}

}  // namespace
