// Checks the function commands on a function H: console bytes and the resulting function
// (gain, roots, factors, colour, selection, expression); an error changes nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "model/Param.h"
#include "tests/support/ScriptCapture.h"

namespace {

const char* const kBadEnd = "Fin de ligne incorrecte (extra paramètre ?)\n";

class FunctionCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override { Param.Reset(); }
  void TearDown() override { Param.Reset(); }
};

// The state of one function in a printable line.
std::string StateOf(const TFctTransfert& h) {
  std::string s;
  char item[128];
  std::snprintf(item, sizeof item, "g=%.17g color=%d checked=%d", h.g, h.Color, h.Checked);
  s += item;
  for (int i = 0; i < h.nbz; ++i) s += " z" + std::to_string(h.z[i]);
  for (int i = 0; i < h.nbp; ++i) s += " p" + std::to_string(h.p[i]);
  for (int i = 0; i < h.nbzc; ++i) {
    std::snprintf(item, sizeof item, " zc{%g,%g,%g}", h.zc[i].a, h.zc[i].b, h.zc[i].c);
    s += item;
  }
  for (int i = 0; i < h.nbpc; ++i) {
    std::snprintf(item, sizeof item, " pc{%g,%g,%g}", h.pc[i].a, h.pc[i].b, h.pc[i].c);
    s += item;
  }
  if (h.Expression != nullptr) s += std::string(" exp=") + h.Expression;
  if (h.Retard != 0) {
    std::snprintf(item, sizeof item, " tau=%g", h.Retard);
    s += item;
  }
  return s;
}

struct Case {
  const char* line;
  const char* echo;   // console text on success
  const char* error;  // message after the header; null on success
  const char* state;  // resulting state of H
};

const char* const kFresh = "g=1 color=0 checked=1";

const Case kCases[] = {
    {"H.gain = 10", "Gain de 'H' = 10\n", nullptr, "g=10 color=0 checked=1"},
    {"h.GAIN=2.5 ; comment", "Gain de 'H' = 2.5\n", nullptr, "g=2.5 color=0 checked=1"},
    {"H . gain = 2", "Gain de 'H' = 2\n", nullptr, "g=2 color=0 checked=1"},
    {"H.gain=1e-3", "Gain de 'H' = 0.001\n", nullptr, "g=0.001 color=0 checked=1"},
    {"H.gain=1,2", nullptr, "Trop de paramètres !\n", kFresh},
    {"H.gain", nullptr, "'=' manquant !\n", kFresh},
    {"H.pole=-1", "Ajout pole de 'H' = -1\n", nullptr, "g=1 color=0 checked=1 p-1.000000"},
    {"H.pole = -1, -10", "Ajout poles de 'H' = -1, -10\n", nullptr,
     "g=1 color=0 checked=1 p-1.000000 p-10.000000"},
    {"H.zero=3", "Ajout zero de 'H' = 3\n", nullptr, "g=1 color=0 checked=1 z3.000000"},
    {"H.Zero=1,0.5,-2", "Ajout zeros de 'H' = 1, 0.5, -2\n", nullptr,
     "g=1 color=0 checked=1 z1.000000 z0.500000 z-2.000000"},
    {"H.pole=1,x", nullptr, "Paramètre invalide !\n", kFresh},
    {"H.zero=1 2", nullptr, kBadEnd, kFresh},
    {"H.poleC={1,0.5,1}", "Ajout poles de 'H' = {1,0.5,1}\n", nullptr,
     "g=1 color=0 checked=1 pc{1,0.5,1}"},
    {"H.zeroC = {1,2,3}, {4,5,6}", "Ajout zeros de 'H' = {1,2,3}, {4,5,6}\n", nullptr,
     "g=1 color=0 checked=1 zc{1,2,3} zc{4,5,6}"},
    {"H.poleC={1,2,3},{4,5}", nullptr, "Paramètre manquant !\n", kFresh},
    {"H.zeroC={1,2,3,4}", nullptr, "'}' manquante !\n", kFresh},
    {"H.Couleur = Rouge", "Couleur de 'H' définie : Rouge\n", nullptr, "g=1 color=4 checked=1"},
    {"H.couleur=bleuclair", "Couleur de 'H' définie : bleuclair\n", nullptr,
     "g=1 color=10 checked=1"},
    {"H.Couleur=rose", nullptr, "Couleur 'rose' inconnue !\n", kFresh},
    {"H.select=0", "Fonction 'H' non sélectionnée\n", nullptr, "g=1 color=0 checked=0"},
    {"H.select=5", "Fonction 'H' sélectionnée\n", nullptr, kFresh},
    {"H.select=x", nullptr, "Paramètre invalide !\n", kFresh},
    {"H.exp = \"G*(s+1)\"", "Fonction H = \"G*(s+1)\"\n", nullptr,
     "g=1 color=0 checked=1 exp=G*(s+1)"},
    {"H.exp=\"a; b\" anything", "Fonction H = \"a; b\"\n", nullptr,
     "g=1 color=0 checked=1 exp=a; b"},
    {"H.exp=\"\"", nullptr, "Expression ???\n", kFresh},
    {"H.exp=\"G", nullptr, "Expression invalide !\n", kFresh},
    {"H.exp=G", nullptr, "Expression invalide !\n", kFresh},
    {"H.exp \"G\"", nullptr, "'=' manquant !\n", kFresh},
    {"H.retard = 0.5", "Retard de 'H' = 0.5 s\n", nullptr, "g=1 color=0 checked=1 tau=0.5"},
    {"h.Retard=1e-6", "Retard de 'H' = 1E-06 s\n", nullptr, "g=1 color=0 checked=1 tau=1e-06"},
    {"H.retard=1000", "Retard de 'H' = 1000 s\n", nullptr, "g=1 color=0 checked=1 tau=1000"},
    {"H.retard = 0", "Retard de 'H' = 0 s\n", nullptr, kFresh},
    {"H.retard=1000.5", nullptr, "Retard trop fort (1000.5) !\n", kFresh},
    {"H.retard=-0.1", nullptr, "Retard négatif (-0.1) !\n", kFresh},
    {"H.retard=1,2", nullptr, "Trop de paramètres !\n", kFresh},
    {"H.retard", nullptr, "'=' manquant !\n", kFresh},
    {"H.prop", nullptr, "'(' manquante !\n", kFresh},
    {"H.prop(", nullptr, "')' manquante !\n", kFresh},
    {"H.prop( x )", nullptr, "')' manquante !\n", kFresh},
    {"H.prop() x", nullptr, kBadEnd, kFresh},
    {"H", nullptr, "'.' manquant !\n", kFresh},
    {"H gain=2", nullptr, "'.' manquant !\n", kFresh},
    {"H.", nullptr, "Paramètre manquant !\n", kFresh},
    {"H.=2", nullptr, "Paramètre manquant !\n", kFresh},
    {"H.gains=2", nullptr, "Fonction gains non implémentée !\n", kFresh},
    {"G.gain=1", nullptr, "Fonction 'G' indéfinie !\n", kFresh},
    {"1.gain=2", nullptr, "Fonction '' indéfinie !\n", kFresh},
    {"\"H\".gain=2", nullptr, "Fonction '' indéfinie !\n", kFresh},
};

TEST_F(FunctionCommandsTest, EachLineEchoesAndChangesTheFunctionOrNothing) {
  for (const Case& c : kCases) {
    Param.Reset();
    std::string line = std::string(c.line) + "\n";
    std::string out = RunScriptText("fct = H\n" + line);
    std::string expected = "Fonction 'H' créée.\n";
    expected += c.error == nullptr ? c.echo : ErrorHeader(2, line) + c.error;
    EXPECT_EQ(out, expected) << c.line;
    ASSERT_EQ(Param.GetNbFctTransfert(), 1u);
    EXPECT_EQ(StateOf(*Param.GetFctTransfert(0)), c.state) << c.line;
  }
}

TEST_F(FunctionCommandsTest, WellFormedReportLineIsNoScriptError) {
  for (const char* line : {"H.prop()\n", "h . prop ( ) ; report\n"}) {
    Param.Reset();
    std::string out = RunScriptText(std::string("fct = H\nH.pole=-1\n") + line);
    EXPECT_EQ(out.find("Erreur à la ligne"), std::string::npos) << line;
  }
}

TEST_F(FunctionCommandsTest, FactorsAccumulateAndDenominatorSetsTheIntegrator) {
  RunScriptText("fct = H\nH.pole=-1\nH.pole=0,-2\nH.poleC={1,1,0}\nH.zero=-3\n");
  TFctTransfert* h = Param.GetFctTransfert(0);
  EXPECT_EQ(StateOf(*h),
            "g=1 color=0 checked=1 z-3.000000 p-1.000000 p0.000000 p-2.000000 pc{1,1,0}");
  EXPECT_TRUE(h->Integrat);
  // A delay is set, not added; a refused one leaves the last; 0 removes it.
  RunScriptText("H.retard = 2\nH.retard = 0.5\nH.retard = -1\n");
  EXPECT_EQ(h->Retard, 0.5);
  RunScriptText("H.retard = 0\n");
  EXPECT_EQ(h->Retard, 0.0);
}

// Numerator and denominator reach degree 1000 (a factor counts two) over many lines, every
// root and factor kept in order; a line that would pass 1000 is refused whole.
TEST_F(FunctionCommandsTest, OrdersReachAThousandAndNoMore) {
  std::string script = "fct = H\n";
  for (int line = 0; line < 9; ++line) {  // 9 lines of 100 poles and 9 of 100 zeros
    for (const char* word : {"pole", "zero"}) {
      script += std::string("H.") + word + " = ";
      for (int i = 0; i < 100; ++i) script += (i > 0 ? "," : "") + std::to_string(line * 100 + i);
      script += "\n";
    }
  }
  for (int line = 0; line < 2; ++line) {  // 2 lines of 25 factors of each kind: 100 more
    for (const char* word : {"poleC", "zeroC"}) {
      script += std::string("H.") + word + " = ";
      for (int i = 0; i < 25; ++i) {
        script += (i > 0 ? ", {1," : "{1,") + std::to_string(line * 25 + i) + ",2}";
      }
      script += "\n";
    }
  }
  const std::string over[] = {"H.pole = 5\n", "H.zeroC = {1,2,3}\n"};
  const std::string refused = ErrorHeader(24, over[0]) + "Ordre trop élevé (1001) !\n" +
                              ErrorHeader(25, over[1]) + "Ordre trop élevé (1002) !\n";
  std::string out = RunScriptText(script + over[0] + over[1]);
  ASSERT_GT(out.size(), refused.size());
  EXPECT_EQ(out.substr(out.size() - refused.size()), refused);
  EXPECT_EQ(out.find("Erreur"), out.size() - refused.size());
  TFctTransfert* h = Param.GetFctTransfert(0);
  ASSERT_EQ(h->nbp, 900);
  ASSERT_EQ(h->nbz, 900);
  ASSERT_EQ(h->nbpc, 50);
  ASSERT_EQ(h->nbzc, 50);
  for (int i = 0; i < 900; ++i) {
    EXPECT_EQ(h->p[i], i);
    EXPECT_EQ(h->z[i], i);
  }
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(h->pc[i].b, i);
    EXPECT_EQ(h->zc[i].b, i);
  }
}

TEST_F(FunctionCommandsTest, NamesAreFoundRegardlessOfCaseAmongSeveral) {
  std::string out = RunScriptText("fct = Ga\nfct = Hb\nhB.gain=3\nGA.gain=4\n");
  EXPECT_EQ(out,
            "Fonction 'Ga' créée.\nFonction 'Hb' créée.\nGain de 'Hb' = 3\nGain de 'Ga' = 4\n");
  EXPECT_EQ(Param.GetFctTransfert(0)->g, 4.0);
  EXPECT_EQ(Param.GetFctTransfert(1)->g, 3.0);
}

TEST_F(FunctionCommandsTest, FunctionNamedLikeACommandWordIsTakenAsThatCommand) {
  std::string out = RunScriptText("fct = Black\nBlack.gain=2\n");
  EXPECT_EQ(out,
            "Fonction 'Black' créée.\n" + ErrorHeader(2, "Black.gain=2\n") + "'(' manquante !\n");
  EXPECT_EQ(Param.GetFctTransfert(0)->g, 1.0);
}

}  // namespace
