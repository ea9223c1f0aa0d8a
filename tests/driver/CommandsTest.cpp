// Checks the global commands: for each script line, the console bytes and the whole
// resulting settings (an error changes nothing), plus creation of functions and chart commands.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "model/Param.h"
#include "tests/driver/SettingsSnapshot.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/ScriptCapture.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;
const char* const kBadEnd = "Fin de ligne incorrecte (extra paramètre ?)\n";

class CommandsTest : public ::testing::Test {
 protected:
  void SetUp() override { Param.Reset(); }
  void TearDown() override { Param.Reset(); }
};

struct Case {
  const char* line;
  const char* echo;                      // console text on success, null for an error
  const char* error;                     // message after the header, null on success
  std::function<void(T_Param&)> change;  // expected change of the defaults (success only)
};

const Case kCases[] = {
    {"OpenLoop=0", "OpenLoop=0\n", nullptr, [](T_Param& p) { p.CBBO = false; }},
    {"openloop = 0 ; off", "OpenLoop=0\n", nullptr, [](T_Param& p) { p.CBBO = false; }},
    {"OPENLOOP=7", "OpenLoop=1\n", nullptr, [](T_Param&) {}},
    {"ClosedLoop=7", "ClosedLoop=1\n", nullptr, [](T_Param& p) { p.CBBF = true; }},
    {"ClosedLoop=-1", "ClosedLoop=1\n", nullptr, [](T_Param& p) { p.CBBF = true; }},
    {"EchBlack=0", "EchBlack=0\n", nullptr, [](T_Param& p) { p.CBEchBlack = false; }},
    {"Nichols=0", "Nichols=0\n", nullptr, [](T_Param& p) { p.CBNichols = false; }},
    {"Couleurs=0", "Couleurs=0\n", nullptr, [](T_Param& p) { p.CBCouleurs = false; }},
    {"Legende=1", "Legende=1\n", nullptr, [](T_Param& p) { p.CBLegende = true; }},
    {"legende = 0", "Legende=0\n", nullptr, [](T_Param&) {}},
    {"MARGES = 3", "Marges=1\n", nullptr, [](T_Param& p) { p.CBMarges = true; }},
    {"Marges=oui", nullptr, "Paramètre invalide !\n", nullptr},
    {"Legende", nullptr, "'=' manquant !\n", nullptr},
    {"Legende=1 1", nullptr, kBadEnd, nullptr},
    {"ClosedLoop", nullptr, "'=' manquant !\n", nullptr},
    {"ClosedLoop=oui", nullptr, "Paramètre invalide !\n", nullptr},
    {"ClosedLoop=1 2", nullptr, kBadEnd, nullptr},
    {"CouleurBlack = rouge", "Couleur des graduations de Black : rouge\n", nullptr,
     [](T_Param& p) { p.ColorBlack = 4; }},
    {"CouleurNichols=VertClair", "Couleur des courbes de Nichols : VertClair\n", nullptr,
     [](T_Param& p) { p.ColorNichols = 11; }},
    {"CouleurBodePrinc=noir", "Couleur des graduations principales de Bode : noir\n", nullptr,
     [](T_Param& p) { p.ColorBode1 = 1; }},
    {"CouleurBodeSec=Jaune", "Couleur des graduations secondaires de Bode : Jaune\n", nullptr,
     [](T_Param& p) { p.ColorBode2 = 9; }},
    {"CouleurTempPrinc=violet",
     "Couleur des graduations principales de la simulation temporelle : violet\n", nullptr,
     [](T_Param& p) { p.ColorTemp1 = 7; }},
    {"CouleurTempSec=MARRON",
     "Couleur des graduations secondaires de la simulation temporelle : MARRON\n", nullptr,
     [](T_Param& p) { p.ColorTemp2 = 8; }},
    {"CouleurInput=gris", "Couleur de l'entrée de la simulation temporelle : gris\n", nullptr,
     [](T_Param& p) { p.ColorInput = 5; }},
    {"CouleurInput=rose", nullptr, "Couleur 'rose' inconnue !\n", nullptr},
    {"CouleurBlack", nullptr, "'=' manquant !\n", nullptr},
    {"Wmin = 0.01", "Wmin=0.01\n", nullptr, [](T_Param& p) { p.EdWn = 0.01; }},
    {"Wmin=1e-10", "Wmin=1E-10\n", nullptr, [](T_Param& p) { p.EdWn = 1e-10; }},
    {"Wmin=9e-11", nullptr, "Valeur de Wmin impossible !\n", nullptr},
    {"Wmin=-1", nullptr, "Valeur de Wmin impossible !\n", nullptr},
    {"Wmin=1,2", nullptr, "Nombre de paramètres incorrect !\n", nullptr},
    {"Wmin=", nullptr, "Paramètre invalide !\n", nullptr},
    {"Fmin=1", "Fmin=1\n", nullptr, [](T_Param& p) { p.EdWn = kTwoPi; }},
    {"Fmin=0.5", "Fmin=0.5\n", nullptr, [](T_Param& p) { p.EdWn = 3.141592653589793; }},
    {"Fmin=9e-11", nullptr, "Valeur de Fmin impossible !\n", nullptr},
    {"Wmax=100", "Wmax=100\n", nullptr, [](T_Param& p) { p.EdWm = 100; }},
    {"Wmax=1e10", "Wmax=1E+10\n", nullptr, [](T_Param& p) { p.EdWm = 1e10; }},
    {"Wmax=2e10", nullptr, "Valeur de Wmax impossible !\n", nullptr},
    {"Fmax=2", "Fmax=2\n", nullptr, [](T_Param& p) { p.EdWm = 12.566370614359172; }},
    {"Fmax=1e10", "Fmax=1E+10\n", nullptr, [](T_Param& p) { p.EdWm = 62831853071.79586; }},
    {"Fmax=1.1e10", nullptr, "Valeur de Fmax impossible !\n", nullptr},
    {"Fmax=1,2", nullptr, "Nombre de paramètres incorrect !\n", nullptr},
    {"NBP=10", "NBP=10\n", nullptr, [](T_Param& p) { p.EdNBP = 10; }},
    {"NBP = 10000", "NBP=10000\n", nullptr, [](T_Param& p) { p.EdNBP = 10000; }},
    {"NBP=9", nullptr, "Nombre de points invalide !\n", nullptr},
    {"NBP=10001", nullptr, "Nombre de points invalide !\n", nullptr},
    {"NBP=-1", nullptr, "Nombre de points invalide !\n", nullptr},
    {"NBP=100.5", nullptr, kBadEnd, nullptr},
    {"EpCourbe=0.01", "Epaisseur Courbe=0.01\n", nullptr, [](T_Param& p) { p.EpCourbe = 0.01; }},
    {"EpCourbe=10", "Epaisseur Courbe=10\n", nullptr, [](T_Param& p) { p.EpCourbe = 10; }},
    {"EpCourbe=0.005", nullptr, "Epaisseur trop faible (0.005) !\n", nullptr},
    {"EpCourbe=12", nullptr, "Epaisseur trop importante (12) !\n", nullptr},
    {"EpCourbe=1,2", nullptr, "Nombre de paramètres incorrect !\n", nullptr},
    {"EpBlack=2", "Epaisseur Black=2\n", nullptr, [](T_Param& p) { p.EpBlack = 2; }},
    {"EpNichols=0.3", "Epaisseur Nichols=0.3\n", nullptr, [](T_Param& p) { p.EpNichols = 0.3; }},
    {"EpBodePrinc=0.5", "Epaisseur Bode (princ.)=0.5\n", nullptr,
     [](T_Param& p) { p.EpBod1 = 0.5; }},
    {"EpBodeSec=0.6", "Epaisseur Bode (sec.)=0.6\n", nullptr, [](T_Param& p) { p.EpBod2 = 0.6; }},
    {"EpTempPrinc=0.7", "Epaisseur Temporel (princ.)=0.7\n", nullptr,
     [](T_Param& p) { p.EpTemp1 = 0.7; }},
    {"EpTempSec=0.8", "Epaisseur Temporel (sec.)=0.8\n", nullptr,
     [](T_Param& p) { p.EpTemp2 = 0.8; }},
    {"EpTempSec=11", nullptr, "Epaisseur trop importante (11) !\n", nullptr},
    {"EpBlack=0.001", nullptr, "Epaisseur trop faible (0.001) !\n", nullptr},
    {"Input=0", "Simulation temporelle avec entrée en Impulsion\n", nullptr,
     [](T_Param& p) { p.RBInput = 0; }},
    {"Input=1", "Simulation temporelle avec entrée en Echelon\n", nullptr, [](T_Param&) {}},
    {"Input=2", "Simulation temporelle avec entrée en Rampe\n", nullptr,
     [](T_Param& p) { p.RBInput = 2; }},
    {"Input=3", "Simulation temporelle avec entrée en Parabole\n", nullptr,
     [](T_Param& p) { p.RBInput = 3; }},
    {"Input=4", nullptr, "Entrée invalide !\n", nullptr},
    {"TempTfin=0.001", "Durée de simulation temporelle = 0.001 sec.\n", nullptr,
     [](T_Param& p) { p.EdTFin = 0.001; }},
    {"TempTfin=1000", "Durée de simulation temporelle = 1000 sec.\n", nullptr,
     [](T_Param& p) { p.EdTFin = 1000; }},
    {"TempTfin=0.0005", nullptr, "Durée de simulation trop faible (0.0005) !\n", nullptr},
    {"TempTfin=1001", nullptr, "Durée de simulation trop forte (1001) !\n", nullptr},
    {"TempDt=1e-7", "Pas de simulation temporelle = 1E-07 sec.\n", nullptr,
     [](T_Param& p) { p.EdDt = 1e-7; }},
    {"TempDt=0.001", "Pas de simulation temporelle = 0.001 sec.\n", nullptr,
     [](T_Param& p) { p.EdDt = 0.001; }},
    {"TempDt=0.002", nullptr, "Pas de simulation trop fort (0.002) !\n", nullptr},
    {"TempDt=5e-8", nullptr, "Pas de simulation trop faible (5E-08) !\n", nullptr},
    {"fct = H", "Fonction 'H' créée.\n", nullptr, [](T_Param& p) { p.NbFctTransfert = 1; }},
    {"fct=_g2 ; comment", "Fonction '_g2' créée.\n", nullptr,
     [](T_Param& p) { p.NbFctTransfert = 1; }},
    {"fct H", nullptr, "'=' manquant !\n", nullptr},
    {"fct =", nullptr, "Nom de fonction manquant !\n", nullptr},
    {"fct = 1H", nullptr, "Nom de fonction manquant !\n", nullptr},
    {"fct = H G", nullptr, kBadEnd, nullptr},
    {"BodeGP SCR", nullptr, "'(' manquante !\n", nullptr},
    {"Black(GIF)", nullptr, "Périphérique 'GIF' inconnu !\n", nullptr},
    {"BodeG()", nullptr, "Nom de périphérique manquant !\n", nullptr},
    {"BodeP(EPS)", nullptr, "',' manquante !\n", nullptr},
    {"BodeP(EPS, x.eps)", nullptr, "Nom de fichier invalide !\n", nullptr},
    {"BodeG(EMF, \"\")", nullptr, "Nom de fichier ???\n", nullptr},
    {"Temporel(SCR, \"a\")", nullptr, "')' manquante !\n", nullptr},
    {"Black(SCR) x", nullptr, kBadEnd, nullptr},
};

TEST_F(CommandsTest, EachLineEchoesAndSetsOrReportsAndChangesNothing) {
  for (const Case& c : kCases) {
    Param.Reset();
    T_Param expected;
    if (c.change) c.change(expected);
    std::string line = std::string(c.line) + "\n";
    std::string out = RunScriptText(line);
    if (c.error == nullptr) {
      EXPECT_EQ(out, c.echo) << c.line;
    } else {
      EXPECT_EQ(out, ErrorHeader(1, line) + c.error) << c.line;
    }
    EXPECT_EQ(SettingsOf(Param), SettingsOf(expected)) << c.line;
  }
}

TEST_F(CommandsTest, CommandNumberOutsideTheTableIsReported) {
  iTPrm it(static_cast<FILE*>(nullptr));
  it.SetLine("Zoom=2\n", 4);
  it.ReadNomSymb();
  it.cmde = iTPrm::kNbCmde;
  testing::internal::CaptureStdout();
  it.ExecCmde();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            ErrorHeader(4, "Zoom=2\n") + "Commande Zoom inconnue\n");
  EXPECT_EQ(SettingsOf(Param), SettingsOf(T_Param()));
}

TEST_F(CommandsTest, ErrorKeepsEarlierSettings) {
  std::string out = RunScriptText("Wmin=5\nEpBlack=2\nWmin=0\nEpBlack=20\nNBP=2\n");
  EXPECT_EQ(out, "Wmin=5\nEpaisseur Black=2\n" + ErrorHeader(3, "Wmin=0\n") +
                     "Valeur de Wmin impossible !\n" + ErrorHeader(4, "EpBlack=20\n") +
                     "Epaisseur trop importante (20) !\n" + ErrorHeader(5, "NBP=2\n") +
                     "Nombre de points invalide !\n");
  EXPECT_EQ(Param.EdWn, 5.0);
  EXPECT_EQ(Param.EpBlack, 2.0);
  EXPECT_EQ(Param.EdNBP, 400);
}

TEST_F(CommandsTest, FunctionCreation) {
  std::string out = RunScriptText("fct = H\nfct = h\nfct=G\n");
  EXPECT_EQ(out, "Fonction 'H' créée.\n" + ErrorHeader(2, "fct = h\n") +
                     "Nom de fonction 'h' déjà défini !\nFonction 'G' créée.\n");
  ASSERT_EQ(Param.GetNbFctTransfert(), 2u);
  TFctTransfert* h = Param.GetFctTransfert(0);
  EXPECT_STREQ(h->Nom, "H");
  EXPECT_EQ(h->g, 1.0);
  EXPECT_TRUE(h->Checked);
  EXPECT_EQ(h->nbp + h->nbz + h->nbpc + h->nbzc, 0);
  EXPECT_STREQ(Param.GetFctTransfert(1)->Nom, "G");
}

TEST_F(CommandsTest, AtMost100Functions) {
  std::string script;
  for (int i = 0; i <= 100; ++i) script += "fct = F" + std::to_string(i) + "\n";
  std::string out = RunScriptText(script);
  std::string last =
      ErrorHeader(101, "fct = F100\n") + "La fonction 'F100' n'a pas pu être définie !\n";
  ASSERT_GE(out.size(), last.size());
  EXPECT_EQ(out.substr(out.size() - last.size()), last);
  EXPECT_EQ(out.find("Fonction 'F99' créée.\n") != std::string::npos, true);
  EXPECT_EQ(Param.GetNbFctTransfert(), 100u);
}

// A chart prints its title line first; what the drawing itself prints follows it.
TEST_F(CommandsTest, ChartCommandsCheckTheFrequencyRangeAndPrintTheirTitle) {
  using ::testing::StartsWith;
  ScratchDir dir;
  auto file = [&](const char* name) { return "\"" + dir.path() + "/" + name + "\")\n"; };
  EXPECT_THAT(RunScriptText("BodeG(EPS, " + file("g.eps")), StartsWith("Tracé de Bode (Gain)\n"));
  EXPECT_EQ(Param.RBBode, RBBodeGain);

  std::string out = RunScriptText("Wmin=100\nWmax=10\nBodeGP(SCR)\nBlack(SCR)\nBodeP(SCR)\n");
  EXPECT_EQ(out, "Wmin=100\nWmax=10\n" + ErrorHeader(3, "BodeGP(SCR)\n") +
                     "Etendue de fréquences incorrecte !\n" + ErrorHeader(4, "Black(SCR)\n") +
                     "Etendue de fréquences incorrecte !\n" + ErrorHeader(5, "BodeP(SCR)\n") +
                     "Etendue de fréquences incorrecte !\n");
  EXPECT_EQ(Param.RBBode, RBBodeGain);  // a refused Bode command leaves the panels alone

  // The time response does not depend on the frequency range.
  EXPECT_THAT(RunScriptText("Temporel(EPS, " + file("t.eps")),
              StartsWith("Tracé simulation temporelle\n"));
  // Nor does the root locus.
  EXPECT_THAT(RunScriptText("evans(EPS, " + file("e.eps")), StartsWith("Tracé du lieu d'Evans\n"));

  EXPECT_EQ(RunScriptText("Wmax=100\n"), "Wmax=100\n");
  EXPECT_EQ(Param.EdWn, Param.EdWm);  // equal bounds are no range either
  EXPECT_EQ(RunScriptText("BodeGP(SCR)\n"),
            ErrorHeader(1, "BodeGP(SCR)\n") + "Etendue de fréquences incorrecte !\n");

  EXPECT_EQ(RunScriptText("Wmax=1000\n"), "Wmax=1000\n");
  EXPECT_THAT(RunScriptText("BodeP(EPS, " + file("p.eps")), StartsWith("Tracé de Bode (Phase)\n"));
  EXPECT_EQ(Param.RBBode, RBBodePhase);
  EXPECT_THAT(RunScriptText("Black(eps, " + file("b.eps")), StartsWith("Tracé de Black\n"));
  EXPECT_EQ(Param.RBBode, RBBodePhase);
  EXPECT_THAT(RunScriptText("BodeGP(Emf, " + file("gp.emf")),
              StartsWith("Tracé de Bode (Gain+Phase)\n"));
  EXPECT_EQ(Param.RBBode, RBBodeGainPhase);
}

}  // namespace
