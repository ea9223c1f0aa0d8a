// Chart commands run through the program: every chart kind on every file device gives a file
// that Ghostscript runs (EPS) or libUEMF reads record by record (EMF); unopenable files, the
// script itself, full disks and failing expressions are reported and the script goes on.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "tests/support/EmfCheck.h"
#include "tests/support/Ghostscript.h"
#include "tests/support/ReadFile.h"
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

// A file that cannot be created is reported with its name; so is the script being run, under
// any spelling of its path or through a link, which stays as it was. Nothing is drawn and
// the next chart of the script is written.
TEST(ChartFiles, UnopenableFileReportedAndScriptGoesOn) {
  for (const char* cmd : {"BodeGP", "BodeG", "Black", "Temporel"}) {
    for (const char* dev : {"EPS", "EMF"}) {
      ScratchDir dir;
      const std::string leaf = dir.path().substr(dir.path().rfind('/') + 1);
      ASSERT_EQ(symlink("s.txt", (dir.path() + "/link").c_str()), 0);
      const std::string bad[] = {dir.path() + "/no-such-folder/chart.out", "s.txt",
                                 "../" + leaf + "/./s.txt", "link"};
      std::string script = std::string(kLoop) + "Nichols = 0\n";
      for (const std::string& b : bad) script += cmd + ("(" + (dev + (", \"" + b + "\")\n")));
      script += cmd + ("(" + (dev + std::string(", \"ok.out\")\n")));
      CorvaneRun r = RunCorvane({dir.Write("s.txt", script)}, dir.path());
      ASSERT_EQ(r.status, 0);
      for (const std::string& b : bad) {
        EXPECT_NE(r.out.find("Le fichier " + b + " ne peut être ouvert !\n"), std::string::npos)
            << cmd << " " << dev << "\n"
            << r.out;
      }
      EXPECT_FALSE(Exists(bad[0]));
      EXPECT_EQ(ReadFile(dir.path() + "/s.txt"), script) << cmd << " " << dev;
      EXPECT_TRUE(Exists(dir.path() + "/ok.out")) << cmd << " " << dev;
    }
  }
}

// Every write to /dev/full fails: each chart kind on each file device reports it after its
// own lines, /dev/full is still the same device afterwards, and the script goes on.
TEST(ChartFiles, WriteErrorReportedAndDeviceLeftAlone) {
  struct stat before;
  if (stat("/dev/full", &before) != 0 || !S_ISCHR(before.st_mode)) GTEST_SKIP() << "no /dev/full";
  for (const char* cmd : {"BodeGP", "Black", "Temporel"}) {
    for (const char* dev : {"EPS", "EMF"}) {
      ScratchDir dir;
      std::string script = std::string(kLoop) + "Nichols = 0\n" + cmd + "(" + dev +
                           ", \"/dev/full\")\nBodeG(EPS, \"ok.eps\")\n";
      CorvaneRun r = RunCorvane({dir.Write("s.txt", script)}, dir.path());
      ASSERT_EQ(r.status, 0);
      const size_t msg = r.out.find("Erreur : écriture du fichier /dev/full impossible !\n");
      EXPECT_NE(msg, std::string::npos) << cmd << " " << dev << "\n" << r.out;
      EXPECT_LT(msg, r.out.find("Tracé de Bode (Gain)\n")) << r.out;
      struct stat after;
      ASSERT_EQ(stat("/dev/full", &after), 0);
      EXPECT_TRUE(S_ISCHR(after.st_mode) && after.st_rdev == before.st_rdev) << cmd << " " << dev;
      EXPECT_EQ(gs_test::GhostscriptCheck(dir.path() + "/ok.eps"), 0) << cmd << " " << dev;
    }
  }
}

// A 200 KiB file system (a tmpfs, where this process may mount one): the charts too large for
// it are reported and leave no file; a chart that fits is written whole.
TEST(ChartFiles, FullFileSystemLeavesNoIncompleteFile) {
  ScratchDir dir;
  const std::string mnt = dir.path() + "/small";
  ASSERT_EQ(mkdir(mnt.c_str(), 0700), 0);
  if (mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=200k") != 0) GTEST_SKIP() << "cannot mount";
  struct Unmount {
    std::string path;
    ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
  } unmount{mnt};
  const std::string script = std::string(kLoop) + "NBP = 10000\nBodeGP(EPS, \"small/a.eps\")\n" +
                             "Black(EMF, \"small/b.emf\")\nTemporel(EPS, \"small/c.eps\")\n" +
                             "NBP = 10\nBodeG(EPS, \"small/d.eps\")\nH.gain = 1\n";
  CorvaneRun r = RunCorvane({dir.Write("s.txt", script)}, dir.path());
  ASSERT_EQ(r.status, 0);
  for (const char* f : {"small/a.eps", "small/b.emf", "small/c.eps"}) {
    EXPECT_NE(r.out.find(std::string("Erreur : écriture du fichier ") + f + " impossible !\n"),
              std::string::npos)
        << f << "\n"
        << r.out;
    EXPECT_FALSE(Exists(dir.path() + "/" + f)) << f;
  }
  EXPECT_EQ(r.out.find("écriture du fichier small/d.eps"), std::string::npos);
  EXPECT_EQ(gs_test::GhostscriptCheck(mnt + "/d.eps"), 0);
  EXPECT_NE(r.out.find("Gain de 'H' = 1\n"), std::string::npos);
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
