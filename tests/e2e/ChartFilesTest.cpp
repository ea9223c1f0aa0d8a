// Chart commands run through the program: every chart kind on every file device gives a file
// that Ghostscript runs (EPS) or libUEMF reads record by record (EMF); unopenable files and
// failing expressions are reported and the script goes on.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "tests/support/EmfCheck.h"
#include "tests/support/Ghostscript.h"
#include "tests/support/RunCorvane.h"
#include "tests/support/ScratchDir.h"

namespace {

bool Exists(const std::string& p) {
  struct stat st;
  return stat(p.c_str(), &st) == 0;
}

const char kLoop[] =
    "fct = H\nH.gain = 10\nH.pole = -1, -10\nH.Couleur = ROUGE\n"
    "fct = G\nG.gain = 4\nG.poleC = {1, 0.6, 4}\nG.Couleur = BLEU\n"
    "fct = E\nE.exp = \"H*G/(1+H)\"\nE.Couleur = VERT\nWmin = 0.01\nWmax = 10\n";

struct ChartCase {
  const char* name;
  const char* setup;  // settings before the chart command
  const char* cmd;    // chart command word
};

const ChartCase kCharts[] = {
    {"bodegp", "ClosedLoop = 1\n", "BodeGP"},
    {"bodeg", "", "BodeG"},
    {"bodep", "Couleurs = 0\n", "BodeP"},
    {"black", "ClosedLoop = 1\n", "Black"},
    {"black_grid", "Nichols = 0\nEchBlack = 1\n", "Black"},
    {"black_bare", "Nichols = 0\nEchBlack = 0\n", "Black"},
    {"temp_step", "ClosedLoop = 1\nTempTfin = 10\n", "Temporel"},
    {"temp_ramp", "Input = 2\nTempTfin = 5\nCouleurs = 0\n", "Temporel"},
    {"temp_impulse", "Input = 0\nTempTfin = 5\n", "Temporel"},
};

TEST(ChartFiles, EveryKindOnEveryFileDevice) {
  for (const ChartCase& c : kCharts) {
    ScratchDir dir;
    std::string script = std::string(kLoop) + c.setup + c.cmd + "(EPS, \"" + c.name + ".eps\")\n" +
                         c.cmd + "(EMF, \"" + c.name + ".emf\")\n";
    CorvaneRun r = RunCorvane({dir.Write("s.txt", script)}, dir.path());
    ASSERT_EQ(r.status, 0) << c.name;
    EXPECT_EQ(r.out.find("Erreur"), std::string::npos) << c.name << r.out;
    const std::string eps = dir.path() + "/" + c.name + ".eps";
    const std::string emf = dir.path() + "/" + c.name + ".emf";
    EXPECT_EQ(gs_test::GhostscriptCheck(eps), 0) << c.name;
    std::string why;
    EXPECT_TRUE(emf_test::CheckEmfFile(emf, &why)) << c.name << ": " << why;
    // Something was drawn: even three bare loci ink more than 0.5 % of the page.
    gs_test::Image img;
    ASSERT_TRUE(gs_test::RenderEps(eps, 20, &img)) << c.name;
    size_t ink = 0;
    for (int y = 0; y < img.h; ++y)
      for (int x = 0; x < img.w; ++x) ink += img.At(x, y)[0] < 200 || img.At(x, y)[2] < 200;
    EXPECT_GT(ink, size_t(img.w) * img.h / 200) << c.name;
  }
}

// A file that cannot be created is reported with its name; nothing is drawn and the next
// chart of the script is written.
TEST(ChartFiles, UnopenableFileReportedAndScriptGoesOn) {
  for (const char* cmd : {"BodeGP", "BodeG", "Black", "Temporel"}) {
    for (const char* dev : {"EPS", "EMF"}) {
      ScratchDir dir;
      std::string bad = dir.path() + "/no-such-folder/chart.out";
      std::string script = std::string(kLoop) + cmd + "(" + dev + ", \"" + bad + "\")\n" + cmd +
                           "(" + dev + ", \"ok.out\")\n";
      CorvaneRun r = RunCorvane({dir.Write("s.txt", script)}, dir.path());
      ASSERT_EQ(r.status, 0);
      EXPECT_NE(r.out.find("Le fichier " + bad + " ne peut être ouvert !\n"), std::string::npos)
          << cmd << " " << dev << "\n"
          << r.out;
      EXPECT_FALSE(Exists(bad));
      EXPECT_TRUE(Exists(dir.path() + "/ok.out")) << cmd << " " << dev;
    }
  }
}

// A function whose expression names an unknown function: the Bode and time charts report the
// evaluator's message and are abandoned before their file is created; the Black chart reports
// it after its progress line, stops the loci there and still completes its file.
TEST(ChartFiles, FailingExpression) {
  const std::string loop = "fct = H\nH.gain = 10\nH.pole = -1, -10\nfct = Z\nZ.exp = \"H*Q\"\n";
  const std::string msg = "Erreur : Nom de symbole inconnu\n";
  {
    ScratchDir dir;
    CorvaneRun r = RunCorvane({dir.Write("s.txt", loop + "BodeGP(EPS, \"b.eps\")\n")}, dir.path());
    EXPECT_NE(r.out.find("Tracé de Bode (Gain+Phase)\n" + msg), std::string::npos) << r.out;
    EXPECT_FALSE(Exists(dir.path() + "/b.eps"));
  }
  {
    ScratchDir dir;
    CorvaneRun r =
        RunCorvane({dir.Write("s.txt", loop + "Nichols = 0\nBlack(EPS, \"k.eps\")\n")}, dir.path());
    EXPECT_NE(r.out.find("Tracé BO de la fonction H...\nTracé BO de la fonction Z...\n" + msg),
              std::string::npos)
        << r.out;
    EXPECT_EQ(gs_test::GhostscriptCheck(dir.path() + "/k.eps"), 0);
  }
  {
    ScratchDir dir;
    CorvaneRun r =
        RunCorvane({dir.Write("s.txt", loop + "Temporel(EMF, \"t.emf\")\n")}, dir.path());
    EXPECT_NE(r.out.find("Tracé simulation temporelle\nErreur : Nom de symbole inconnu (Z)\n"),
              std::string::npos)
        << r.out;
    EXPECT_FALSE(Exists(dir.path() + "/t.emf"));
  }
}

}  // namespace
