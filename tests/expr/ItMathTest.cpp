// Complex expression evaluator: precedence, signs, every error number, references to registered
// functions checked against closed forms, names of any length, constant parts computed once,
// cycles and deep nesting.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>

#include "expr/ItMath.h"
#include "tests/support/Registre.h"

namespace {

constexpr double kPi = 3.141592653589793;

struct Cas {
  const char* texte;
  int err;        // expected error number
  double re, im;  // expected value when err == 0
};

int Eval(const std::string& t, TComplex* y, double w = 1.0) {
  TItMath m(w);
  const char* s = t.c_str();
  return m.ItMath(&s, y);
}

class ItMathTest : public RegistreTest {};

TEST_F(ItMathTest, ConstantsPrecedenceAndErrors) {
  const Cas cas[] = {
      {"1+2*3", 0, 7, 0},
      {"(1+2)*3", 0, 9, 0},
      {"2^3^2", 0, 64, 0},
      {"8/2/2", 0, 2, 0},
      {"10-4-3", 0, 3, 0},
      {"-2^2", 0, 4, 0},
      {"2*-3", 0, -6, 0},
      {"+5", 0, 5, 0},
      {"  1 +\t2\r\n", 0, 3, 0},
      {"2^-1", 0, 0.5, 0},
      {"1+2*3^2-4/2", 0, 17, 0},
      {"exp(-1)", 0, 0.36787944117144233, 0},
      {"sqrt (4)", 0, 2, 0},
      {"sqrt(16)+log10(1000)*fabs(-2)", 0, 10, 0},
      {"floor(2.7)+ceil(0.2)", 0, 3, 0},
      {"sin(0)+cos(0)+tan(0)+atan(1)*4", 0, 1 + kPi, 0},
      {"asin(1)+acos(1)", 0, kPi / 2, 0},
      {"sinh(0)+cosh(0)+tanh(0)+log(1)", 0, 1, 0},
      {"exp(-1000)", 0, 0, 0},  // underflow to zero is not an error
      {"tanh(1000)", 0, 1, 0},
      {"_x1", 10, 0, 0},
      {"caf\u00e9", 10, 0, 0},  // the name ends before the accented letter: "caf"
      {"1.5e2", 0, 150, 0},
      {".5", 0, 0.5, 0},
      {"(-8)^(1/3)", 0, 1, std::sqrt(3.0)},
      {"2 3", 7, 0, 0},
      {"2+", 7, 0, 0},
      {"", 7, 0, 0},
      {"- 2", 7, 0, 0},
      {"--2", 7, 0, 0},
      {"2)", 7, 0, 0},
      {"2 # 3", 7, 0, 0},
      {"(1+2", 6, 0, 0},
      {"sqrt(4", 6, 0, 0},
      {"nosuch(2)", 8, 0, 0},
      {"Sqrt(4)", 8, 0, 0},
      {"sqrt(-1)", 9, 0, 0},
      {"log(0)", 9, 0, 0},
      {"log10(-1)", 9, 0, 0},
      {"asin(1.5)", 9, 0, 0},
      {"acos(-2)", 9, 0, 0},
      {"tan(1.5707963267948966)", 9, 0, 0},
      {"exp(1000)", 9, 0, 0},
      {"cosh(1000)", 9, 0, 0},
      {"sinh(-1000)", 9, 0, 0},
      {"10^400", 9, 0, 0},
      {"1e400", 9, 0, 0},
      {"1/0", 3, 0, 0},
      {"1/(2-2)", 3, 0, 0},
      {"0^-1", 3, 0, 0},
      {".", 5, 0, 0},
      {".e3", 5, 0, 0},
      {"unknown", 10, 0, 0},
      {"2*unknown+1", 10, 0, 0},
      // G = 1/(s+1) and P = s at w = 1: G = (1 - j)/2, G/(1+G) = 1/(2 + j) = (2 - j)/5.
      {"G/(1+G)", 0, 0.4, -0.2},
      {"-G*2+P", 0, -1, 2},
      {"(G+G)/2-G", 0, 0, 0},
      {"sin(P)", 12, 0, 0},
      {"P^P", 12, 0, 0},
      {"G/(G-G)+unknown", 3, 0, 0},
      {"G+unknown/0", 10, 0, 0},
      {"nosuch(1/0)", 3, 0, 0},
      {"X", 13, 0, 0},
      // Constant parts beside references: folded once in the parsed form, with the same value
      // and, where a constant part fails, the same error in the same order.
      {"(1+2)*G+(3-1)", 0, 3.5, -1.5},
      {"(-8)^(1/3)*G", 0, 1.3660254037844386, 0.3660254037844386},
      {"-(-8)^(1/3)*G", 0, 1, -1},  // the sign belongs to the term: 8^(1/3) * G
      {"G*(2*3)/(4^0.5)", 0, 1.5, -1.5},
      {"((((2))))*sqrt(4)*G", 0, 2, -2},
      {"unknown+1/0", 10, 0, 0},
      {"G+1/0", 3, 0, 0},
      {"sqrt(-1)+unknown", 9, 0, 0},
      {"(2+3)*unknown", 10, 0, 0},
      {"G*(1/(2-2)+3)", 3, 0, 0},
      {"exp(1000)-exp(1000)+G", 9, 0, 0},
  };
  Poles("G", 1, {-1});
  Param.AddFctTransfert("P", 1)->AddZero(0);
  TFctTransfert* x = Expr("X", "1");
  for (const Cas& c : cas) {
    // X is defined by the text too: the parsed form it keeps (under evaluation, as Value marks
    // it) gives the same error, or bit for bit the same value.
    x->ChangeExpression(c.texte);
    TComplex y(-99, -99);
    int e = Eval(c.texte, &y);
    EXPECT_EQ(e, c.err) << c.texte;
    TComplexP p{-99, -99};
    x->EnCalcul = true;
    EXPECT_EQ(x->Value_(1, &p), e) << c.texte;
    x->EnCalcul = false;
    if (c.err == 0 && e == 0) {
      EXPECT_NEAR(y.Re, c.re, 1e-12 * (1 + std::fabs(c.re))) << c.texte;
      EXPECT_NEAR(y.Im, c.im, 1e-12 * (1 + std::fabs(c.im))) << c.texte;
      EXPECT_EQ(p.m, y.Module()) << c.texte;
      EXPECT_EQ(p.p, std::atan2(y.Im, y.Re)) << c.texte;
    }
  }
}

// The parsed form computes each constant part once, when the text is read: what is left to do
// at each frequency is one value per constant part, the references and the operations on them.
TEST_F(ItMathTest, ConstantPartsAreComputedWhenTheTextIsRead) {
  const struct {
    const char* texte;
    size_t steps;  // steps other than levels of nesting, the end included
  } cas[] = {
      {"(1+2)*G+(3-1)", 6},                     // 3, G, *, 2, +, end
      {"2*3*4*G", 4},                           // 24, G, *, end
      {"G*2*3", 6},                             // (G*2)*3: no constant part but the numbers
      {"-sqrt(4)^(1/2)", 2},                    // one value
      {"G+1/0", 6},                             // G, 1, 0, /, +, end: the division stays
      {"(1+1+1+1+1+1+1+1+1+1)/10*G", 4},        // 1, G, *, end
  };
  for (const auto& c : cas) {
    const TFormule f(c.texte);
    size_t steps = 0;
    for (const TFormule::TPas& p : f.pas) steps += p.code != TFormule::Niveau;
    EXPECT_EQ(steps, c.steps) << c.texte;
  }
}

TEST_F(ItMathTest, ErrNoFollowsResultAndTextIsConsumed) {
  TItMath m(1.0);
  const char* t = "1+1";
  TComplex y;
  EXPECT_EQ(m.ItMath(&t, &y), 0);
  EXPECT_EQ(m.ErrNo, 0);
  EXPECT_EQ(*t, '\0');
  const char* u = "1/0";
  EXPECT_EQ(m.ItMath(&u, &y), 3);
  EXPECT_EQ(m.ErrNo, 3);
}

TEST_F(ItMathTest, MessagesOfEveryErrorNumber) {
  const char* msg[] = {
      "Pas d'erreur",
      "Manque de mémoire. Expression trop complexe",
      "Erreur interne (bogue)",
      "Division par zéro",
      "Opérateur manquant",
      "Terme invalide (erreur de syntaxe?)",
      "Parenthèse ) manquante",
      "Erreur de syntaxe",
      "Fonction inconnue",
      "Dépassement de capacité (abscisse hors domaine)",
      "Nom de symbole inconnu",
      "Symbole non défini",
      "Fonction d'un nombre imaginaire non supportée",
      "Calcul récursif impossible",
  };
  TItMath m;
  for (int i = 0; i < 14; ++i) {
    m.ErrNo = i;
    EXPECT_STREQ(m.ErrMsg(), msg[i]) << i;
  }
  for (int i : {14, 100, -1}) {
    m.ErrNo = i;
    EXPECT_STREQ(m.ErrMsg(), "Erreur inconnue");
  }
  // Windows-1252 bytes: "é" is one byte 0xE9.
  m.ErrNo = 3;
  EXPECT_EQ(std::string(m.ErrMsg()).find('\xE9'), 14u);
}

TEST_F(ItMathTest, InternalOperationsReportTheirOwnErrors) {
  TItMath m(1.0);
  TComplex r;
  EXPECT_EQ(m.Operation(TComplex(1, 0), '%', TComplex(1, 0), &r), 2);
  EXPECT_EQ(m.Operation(TComplex(1, 0), '^', TComplex(1, 1), &r), 12);
  EXPECT_EQ(m.Operation(TComplex(1, 0), '/', TComplex(1e-201, 0), &r), 3);
  const char* s = "  )";
  char op = 0;
  EXPECT_EQ(m.LectOp(&s, &op), 4);
  EXPECT_EQ(*s, ')');  // left on the character after the blanks
  const char* t = " *x";
  EXPECT_EQ(m.LectOp(&t, &op), 0);
  EXPECT_EQ(op, '*');
  EXPECT_EQ(*t, 'x');
  const int prio[][2] = {{'+', 1}, {'-', 1}, {'*', 2}, {'/', 2}, {'^', 3}, {'(', 0}, {'a', 0}};
  for (auto& p : prio) EXPECT_EQ(TItMath::Priorite(static_cast<char>(p[0])), p[1]);
  TComplex z(2, 1e-9);
  EXPECT_EQ(m.ExecFonc("sqrt", &z), 12);
  TComplex q(4, 1e-11);
  EXPECT_EQ(m.ExecFonc("sqrt", &q), 0);
  EXPECT_DOUBLE_EQ(q.Re, 2);
}

TEST_F(ItMathTest, DomainTests) {
  EXPECT_FALSE(TItMath::DomLog(0));
  EXPECT_TRUE(TItMath::DomLog(1e-300));
  EXPECT_TRUE(TItMath::DomAsin(-1));
  EXPECT_TRUE(TItMath::DomAsin(1));
  EXPECT_FALSE(TItMath::DomAsin(1.0000001));
  EXPECT_TRUE(TItMath::DomSqrt(0));
  EXPECT_FALSE(TItMath::DomSqrt(-1e-300));
  EXPECT_FALSE(TItMath::DomTan(1.5707963267948966));
  EXPECT_FALSE(TItMath::DomTan(-1.5707963267948966));
  EXPECT_FALSE(TItMath::DomTan(3 * 1.5707963267948966));
  EXPECT_TRUE(TItMath::DomTan(kPi));
  EXPECT_TRUE(TItMath::DomTan(0));
  EXPECT_TRUE(TItMath::DomTanh(50));
  // The hook-free detection: a failing library call is reported, a good one is not.
  double v;
  EXPECT_FALSE(AppelMath([](double x) { return std::log(x); }, -1, &v));
  EXPECT_FALSE(E_Math);
  EXPECT_TRUE(AppelMath([](double x) { return std::log(x); }, 1, &v));
  EXPECT_TRUE(E_Math);
  EXPECT_FALSE(AppelMath([](double x) { return std::exp(x); }, 800, &v));
}

TEST_F(ItMathTest, NamesOfAnyLengthMatchWhole) {
  // Functions named by 127, 128 and 1017 letters (the longest a script line can create): each
  // name reaches its own function only, and a name one letter longer reaches none.
  Poles(std::string(127, 'a').c_str(), 3, {});
  Poles(std::string(128, 'a').c_str(), 5, {});
  Poles(std::string(1017, 'a').c_str(), 7, {});
  const struct {
    size_t letters;
    int err;
    double re;
  } names[] = {{126, 10, 0}, {127, 0, 3}, {128, 0, 5}, {200, 10, 0}, {1017, 0, 7}, {1018, 10, 0}};
  TFctTransfert* x = Expr("X", "1");
  for (const auto& n : names) {
    const std::string text = std::string(n.letters, 'a') + "*2";
    TComplex y;
    EXPECT_EQ(Eval(text, &y), n.err) << n.letters;
    if (n.err == 0) {
      EXPECT_EQ(y.Re, 2 * n.re) << n.letters;
    }
    x->ChangeExpression(text.c_str());  // the parsed form, as charts evaluate it
    TComplexP p{0, 0};
    EXPECT_EQ(x->Value_(1, &p), n.err) << n.letters;
    if (n.err == 0) {
      EXPECT_EQ(p.m, 2 * n.re) << n.letters;
    }
  }
  TComplex y;
  char buf[4];
  const char* s = "abcdef+";
  TItMath::ReadSymb(&s, buf, sizeof buf);
  EXPECT_STREQ(buf, "abc");
  EXPECT_EQ(*s, '+');
  const char* d = "9ab";
  TItMath::ReadSymb(&d, buf, sizeof buf);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(*d, '9');
}

TEST_F(ItMathTest, ReferencesUseTheOpenLoopResponse) {
  TFctTransfert* g = Poles("G", 1, {-1});
  g->ModeBF = true;  // a referenced function is always read in open loop
  TFctTransfert* p = Param.AddFctTransfert("P", 1);
  p->AddZero(0);
  for (double w : {0.1, 1.0, 3.0, 50.0}) {
    TComplex y;
    ASSERT_EQ(Eval("G/(1+G)", &y, w), 0);
    // Closed loop of 1/(s+1) is 1/(s+2).
    std::complex<double> bf = 1.0 / std::complex<double>(2, w);
    EXPECT_NEAR(y.Re, bf.real(), 1e-15);
    EXPECT_NEAR(y.Im, bf.imag(), 1e-15);
    ASSERT_EQ(Eval("P", &y, w), 0);
    EXPECT_NEAR(y.Re, 0, 1e-15 * w);
    EXPECT_NEAR(y.Im, w, 1e-15 * w);
  }
  EXPECT_FALSE(g->ModeBF);
  TComplex y;
  EXPECT_EQ(Eval("sin(P)", &y), 12);
  EXPECT_EQ(Eval("G^P", &y), 12);
  EXPECT_EQ(Eval("fabs(G*G)", &y, 1.0), 12);
  EXPECT_EQ(Eval("sqrt(P*P)", &y, 2.0), 9);  // (2j)^2 = -4
}

TEST_F(ItMathTest, ValuePrintsTheEvaluatorMessage) {
  TFctTransfert* f = Expr("F", "1/(G-G)");
  Poles("G", 1, {-1});
  TComplexP y{7, 7};
  testing::internal::CaptureStdout();
  EXPECT_FALSE(f->Value(1, &y));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Erreur : Division par zéro\n");
  EXPECT_EQ(y.m, 7);
  EXPECT_EQ(y.p, 7);
  EXPECT_FALSE(f->EnCalcul);
  EXPECT_EQ(f->Value_(1, &y), 3);
}

TEST_F(ItMathTest, CyclesEndWithRecursionError) {
  // Self reference, a cycle below the top function, and a two-function cycle below it.
  Expr("A", "A+1");
  Expr("B", "2*B");
  Expr("C", "1+B");
  Expr("D", "E");
  Expr("E", "(D)");
  Expr("F", "3*D");
  for (const char* n : {"A", "B", "C", "D", "E", "F"}) {
    TFctTransfert* f = FctLF(n);
    TComplexP y;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(f->Value(1, &y)) << n;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Erreur : Calcul récursif impossible\n");
    EXPECT_EQ(f->Value_(1, &y), 13) << n;
  }
  for (unsigned i = 0; i < Param.NbFctTransfert; ++i) EXPECT_FALSE(Param.fct[i]->EnCalcul);
}

TEST_F(ItMathTest, SharedReferencesAreNotCycles) {
  Poles("D", 2, {-1});
  Expr("B", "D+1");
  Expr("C", "D*D");
  TFctTransfert* a = Expr("A", "B*C+D");
  TComplexP y;
  ASSERT_TRUE(a->Value(2, &y));
  std::complex<double> s(0, 2), d = 2.0 / (s + 1.0), v = (d + 1.0) * d * d + d;
  EXPECT_NEAR(y.m, std::abs(v), 1e-14);
  EXPECT_NEAR(y.p, std::arg(v), 1e-14);
}

TEST_F(ItMathTest, DeepNestingEndsWithResultOrError) {
  auto nest = [](int n, const char* core) {
    return std::string(n, '(') + core + std::string(n, ')');
  };
  TComplex y;
  EXPECT_EQ(Eval(nest(1000, "2"), &y), 0);
  EXPECT_EQ(y.Re, 2);
  EXPECT_EQ(Eval(std::string(1000, '(') + "1", &y), 6);
  std::string signes;
  for (int i = 0; i < 500; ++i) signes += "-(";
  EXPECT_EQ(Eval(signes + "1" + std::string(500, ')'), &y), 0);
  EXPECT_EQ(y.Re, 1);
  EXPECT_EQ(Eval(nest(TItMath::ProfondeurMax - 1, "3"), &y), 0);
  EXPECT_EQ(Eval(nest(TItMath::ProfondeurMax, "3"), &y), 1);
  EXPECT_EQ(Eval(nest(100000, "3"), &y), 1);
  EXPECT_EQ(Eval(nest(5000, "sqrt(4)"), &y), 1);
  // Nesting through a chain of references counts as a whole.
  std::string prev;
  for (int i = 0; i < 12; ++i) {
    std::string n = "N" + std::to_string(i);
    Expr(n.c_str(), nest(400, prev.empty() ? "1" : prev.c_str()).c_str());
    prev = n;
  }
  TComplexP r;
  EXPECT_EQ(FctLF("N3")->Value_(1, &r), 0);
  EXPECT_EQ(FctLF("N11")->Value_(1, &r), 1);
  // N3 reaches 4 x 401 levels below its reference; met again under k more parentheses it
  // reaches 1 + k + 1604, which is over the limit from k = 396 on.
  EXPECT_EQ(Eval("N3+" + nest(395, "N3"), &y), 0);
  EXPECT_EQ(y.Re, 2);
  EXPECT_EQ(Eval("N3+" + nest(396, "N3"), &y), 1);
  EXPECT_EQ(Eval(nest(396, "N3") + "+N3", &y), 1);
}

TEST(TPileTest, StackOrderGrowthAndSixteenBitLimit) {
  TPileT p;
  TComplex x;
  EXPECT_FALSE(p.Pop(&x));
  EXPECT_FALSE(p.Read(&x, 0));
  EXPECT_EQ(p.Pile, nullptr);
  for (int i = 0; i < 25; ++i) ASSERT_TRUE(p.Push(TComplex(i, -i)));
  EXPECT_EQ(p.NbMax, 30);
  EXPECT_TRUE(p.Read(&x, 0));
  EXPECT_EQ(x.Re, 24);
  EXPECT_TRUE(p.Read(&x, 24));
  EXPECT_EQ(x.Im, 0);
  EXPECT_FALSE(p.Read(&x, 25));
  for (int i = 24; i >= 0; --i) {
    ASSERT_TRUE(p.Pop(&x));
    EXPECT_EQ(x.Re, i);
    EXPECT_EQ(x.Im, -i);
  }
  EXPECT_FALSE(p.Pop(&x));
  TPileOp o;
  for (unsigned i = 0; i < 65535; ++i) ASSERT_TRUE(o.Push(static_cast<char>('a' + i % 26)));
  EXPECT_EQ(o.Ptr, 65535);
  EXPECT_FALSE(o.Push('z'));  // the 65536th element does not fit the 16-bit counter
  EXPECT_EQ(o.Ptr, 65535);
  char c;
  ASSERT_TRUE(o.Pop(&c));
  EXPECT_EQ(c, static_cast<char>('a' + 65534 % 26));
  ASSERT_TRUE(o.Push('z'));
  EXPECT_FALSE(o.Push('z'));
}

}  // namespace
