// Runs the built program on scripts at the limits of a line: the most values and triples a
// line may carry, lines of 1023 characters and longer (up to a 10 MB comment), long names and
// texts, and a thousand lines of errors. Each must give the program's own messages, exit 0 and stay
// quick.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/support/RunCorvane.h"
#include "tests/support/ScratchDir.h"

namespace {

const std::string kTitle = "Corvane\n";
const std::string kPause = "Appuyez sur une touche pour continuer...\n";

// "v1, v2, ..., vn" for the values -1 ... -n, with the given separator.
std::string Values(int n, const std::string& sep) {
  std::string s;
  for (int i = 1; i <= n; ++i) s += (i > 1 ? sep : "") + std::to_string(-i);
  return s;
}

// "{1,2,3}, {4,5,6}, ..." for n triples of consecutive integers, with the given separator.
std::string Triples(int n, const std::string& sep) {
  std::string s;
  for (int i = 0; i < n; ++i) {
    s += (i > 0 ? sep : "") + std::string("{") + std::to_string(3 * i + 1) + "," +
         std::to_string(3 * i + 2) + "," + std::to_string(3 * i + 3) + "}";
  }
  return s;
}

CorvaneRun RunScript(const ScratchDir& dir, const std::string& script) {
  return RunCorvane({dir.Write("limits.txt", script)}, dir.path());
}

TEST(LimitsTest, OneHundredTwentyValuesAndFortyTriplesPerLine) {
  ScratchDir dir;
  const std::string p120 = "H.pole = " + Values(120, ", ") + "\n";
  const std::string p121 = "H.zero = " + Values(121, ", ") + "\n";
  const std::string t40 = "H.poleC = " + Triples(40, ", ") + "\n";
  const std::string t41 = "H.zeroC = " + Triples(41, ", ") + "\n";
  CorvaneRun r = RunScript(dir, "fct = H\n" + p120 + p121 + t40 + t41 + "H.gain = 3\n");
  EXPECT_EQ(r.out, kTitle + "Fonction 'H' créée.\n" + "Ajout poles de 'H' = " + Values(120, ", ") +
                       "\n" + "Erreur à la ligne 3 : " + p121 + "Trop de paramètres !\n" +
                       "Ajout poles de 'H' = " + Triples(40, ", ") + "\n" +
                       "Erreur à la ligne 5 : " + t41 + "Trop de paramètres !\n" +
                       "Gain de 'H' = 3\n" + kPause);
  EXPECT_EQ(r.status, 0);
}

TEST(LimitsTest, TooManyValuesForAGlobalSettingOrAGain) {
  ScratchDir dir;
  const std::string w = "Wmin = " + Values(121, ",") + "\n";
  const std::string g = "H.gain = " + Values(121, ",") + "\n";
  CorvaneRun r = RunScript(dir, "fct = H\n" + w + g);
  EXPECT_EQ(r.out, kTitle + "Fonction 'H' créée.\n" + "Erreur à la ligne 2 : " + w +
                       "Trop de paramètres !\n" + "Erreur à la ligne 3 : " + g +
                       "Trop de paramètres !\n" + kPause);
}

// A line of 1023 characters is an ordinary line, line end included; a longer one is one line
// all the same: a command line gets one message and runs no part of itself, a comment line
// (even of 10 MB) is skipped silently, and the lines after keep their numbers.
TEST(LimitsTest, LinesOf1023CharactersAndLonger) {
  ScratchDir dir;
  const std::string comment1022 = ";" + std::string(1021, 'c');
  const std::string comment1023 = ";" + std::string(1022, 'c');
  const std::string comment10M = ";" + std::string(10 << 20, 'c');
  std::string gain = "H.gain = 5";
  gain += std::string(1023 - gain.size(), ' ');  // a valid command of exactly 1023 characters
  std::string two = "H.gain = 7";
  two += std::string(1023 - two.size(), ' ');
  two += "H.gain = 8";                                // a 1033-character line: nothing of it runs
  std::string wide = "H.pole = " + Values(400, ",");  // a 2000-character command line
  wide.resize(2000, ' ');
  CorvaneRun r = RunScript(dir, "fct = H\n" + comment1022 + "\nH.gain = x\n" + comment1023 +
                                    "\nH.gain = y\n" + gain + "\n" + two + "\nH.gain = z\n" +
                                    comment10M + "\n" + wide + "\nH.gain = t\n");
  EXPECT_EQ(r.out, kTitle + "Fonction 'H' créée.\n" +
                       "Erreur à la ligne 3 : H.gain = x\nParamètre invalide !\n" +
                       "Erreur à la ligne 5 : H.gain = y\nParamètre invalide !\n" +
                       "Gain de 'H' = 5\n" + "Erreur à la ligne 7 : " + two.substr(0, 1023) +
                       "\nLigne trop longue !\n" +
                       "Erreur à la ligne 8 : H.gain = z\nParamètre invalide !\n" +
                       "Erreur à la ligne 10 : " + wide.substr(0, 1023) + "\nLigne trop longue !\n" +
                       "Erreur à la ligne 11 : H.gain = t\nParamètre invalide !\n" + kPause);
  EXPECT_EQ(r.status, 0);
}

TEST(LimitsTest, ALongLineOfOneWordIsOneLine) {
  ScratchDir dir;
  const std::string word(3000, 'x');
  CorvaneRun r = RunScript(dir, word + "\nH\n");
  EXPECT_EQ(r.out, kTitle + "Erreur à la ligne 1 : " + word.substr(0, 1023) +
                       "\nLigne trop longue !\n" +
                       "Erreur à la ligne 2 : H\nFonction 'H' indéfinie !\n" + kPause);
  EXPECT_EQ(r.status, 0);
}

TEST(LimitsTest, AThousandLinesOfErrors) {
  ScratchDir dir;
  std::string script = "fct = H\n", expected = kTitle + "Fonction 'H' créée.\n";
  const char* bad[] = {"H.gain = x",    "H.pole = 1,,2", "H.poleC = {1, 2}",   "NBP = 9",
                       "Nope.gain = 1", "Black(XYZ)",    "H.Couleur = ORANGE", "fct = h"};
  const char* msg[] = {"Paramètre invalide !\n",        "Paramètre invalide !\n",
                       "Paramètre manquant !\n",        "Nombre de points invalide !\n",
                       "Fonction 'Nope' indéfinie !\n", "Périphérique 'XYZ' inconnu !\n",
                       "Couleur 'ORANGE' inconnue !\n", "Nom de fonction 'h' déjà défini !\n"};
  for (int i = 0; i < 1000; ++i) {
    script += std::string(bad[i % 8]) + "\n";
    expected +=
        "Erreur à la ligne " + std::to_string(i + 2) + " : " + bad[i % 8] + "\n" + msg[i % 8];
  }
  script += "H.gain = 2\n";  // the script goes on, with its settings untouched
  expected += "Gain de 'H' = 2\n" + kPause;
  CorvaneRun r = RunScript(dir, script);
  EXPECT_EQ(r.out, expected);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0);
}

// A 400-character function name and a 580-character expression (one line together) reach
// the echoes, the report and every chart kind without trouble.
TEST(LimitsTest, LongNamesAndExpressionsReachReportsAndCharts) {
  ScratchDir dir;
  const std::string name = "F" + std::string(399, 'n');
  std::string expr = "G";
  while (expr.size() < 580) expr += "*1+G";
  CorvaneRun r =
      RunScript(dir, "fct = G\nG.pole = -1\nfct = " + name + "\n" + name + ".exp = \"" + expr +
                         "\"\n" + "NBP = 20\nTempTfin = 2\nTempDt = 0.001\n" + name +
                         ".prop()\nBodeGP(EPS, \"b.eps\")\nBlack(EMF, \"k.emf\")\n" +
                         "Temporel(EPS, \"" + std::string(200, 't') + ".eps\")\n");
  EXPECT_THAT(r.out, ::testing::HasSubstr("Fonction '" + name + "' créée.\n"));
  EXPECT_THAT(r.out, ::testing::HasSubstr("Fonction " + name + " = \"" + expr + "\"\n"));
  EXPECT_THAT(r.out, ::testing::HasSubstr("Fonction de transfert  " + name + "\n"));
  // No error message (the report's steady-state lines start with "Erreur" too).
  EXPECT_THAT(r.out, ::testing::Not(::testing::HasSubstr("Erreur :")));
  EXPECT_THAT(r.out, ::testing::Not(::testing::HasSubstr("Erreur à")));
  EXPECT_THAT(r.out, ::testing::EndsWith(kPause));
  EXPECT_EQ(r.status, 0);
  for (const std::string& f :
       {std::string("b.eps"), std::string("k.emf"), std::string(200, 't') + ".eps"}) {
    std::ifstream in(dir.path() + "/" + f, std::ios::binary | std::ios::ate);
    EXPECT_GT(static_cast<long>(in.tellg()), 1000) << f;
  }
}

}  // namespace
