// Chart commands run through the program: every chart kind on every file device gives a file
// that Ghostscript runs (EPS), libUEMF reads record by record (EMF), pdfinfo, xmllint and
// pngcheck accept (PDF, SVG, PNG), and the PDF, SVG and PNG pictures show what Ghostscript shows
// of the EPS; unopenable files, the script itself, full disks and failing expressions are reported and the script goes on;
// an interrupted run or a failed rewrite never leaves part of a chart under its name, and a
// reader that leaves standard output early does not stop the charts.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <complex>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "driver/Interpreter.h"
#include "model/Param.h"
#include "sim/SimTemp.h"
#include "sim/TrTemp.h"
#include "tests/support/ChartSegments.h"
#include "tests/support/EmfCheck.h"
#include "tests/support/Ghostscript.h"
#include "tests/support/ReadFile.h"
#include "tests/support/Renderings.h"
#include "tests/support/Raster.h"
#include "tests/support/RunCorvane.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/ScriptCapture.h"

namespace {

bool Exists(const std::string& p) {
  struct stat st;
  return stat(p.c_str(), &st) == 0;
}

const char kLoop[] =
    "fct = H\nH.gain = 10\nH.pole = -1, -10\nH.Couleur = ROUGE\n"
    "fct = G\nG.gain = 4\nG.poleC = {1, 0.6, 4}\nG.Couleur = BLEU\n"
    "fct = E\nE.exp = \"H*G/(1+H)\"\nE.Couleur = VERT\nWmin = 0.01\nWmax = 10\n";

// Every element of the charts in its own colour and width, so that the width of each drawn
// segment can be checked against the element its colour names.
const char kStyles[] =
    "EpCourbe = 1.5\nEpBlack = 0.5\nEpNichols = 0.25\nEpBodePrinc = 0.75\nEpBodeSec = 0.25\n"
    "EpTempPrinc = 0.75\nEpTempSec = 0.25\nCouleurBlack = GRIS\nCouleurNichols = TURQUOISE\n"
    "CouleurBodePrinc = GRIS\nCOULEURBodeSec = GRISCLAIR\nCouleurTempPrinc = GRIS\n"
    "CouleurTempSec = GRISCLAIR\nCouleurInput = MARRON\n";

// Width (mm) that the chart gives to the element drawn in colour rgb; 0 for none.
double WidthOf(const std::string& cmd, unsigned rgb) {
  const bool black = cmd == "Black", nyquist = cmd == "Nyquist";
  switch (rgb) {
    case 0xC00000:  // the functions: red, blue, green
    case 0x0000C0:
    case 0x00C000:
    case 0x808000:  // the input of the time chart
      return 1.5;
    case 0x606060:  // major grid
      return black ? 0.5 : 0.75;
    case 0xC0C0C0:  // minor grid
      return black ? 0 : 0.25;
    case 0x008080:  // Nichols contours
      return black ? 0.25 : 0;
    case 0x000000:  // critical point
      return black || nyquist ? 0.4 : 0;
    default:
      return 0;
  }
}

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
    {"nyquist", "", "Nyquist"},
    {"nyquist_bw", "Couleurs = 0\n", "Nyquist"},
    {"evans", "", "Evans"},
};

TEST(ChartFiles, EveryKindOnEveryFileDevice) {
  size_t dashed = 0;  // dashed segments of the EPS files
  for (const ChartCase& c : kCharts) {
    ScratchDir dir;
    std::string script = std::string(kLoop) + kStyles + c.setup;
    for (const char* ext : {"eps", "emf", "pdf", "svg", "png"})
      script += std::string(c.cmd) + "(" + ext + ", \"" + c.name + "." + ext + "\")\n";
    // The same chart again: a Black chart draws its contours from those the first one kept.
    script += std::string(c.cmd) + "(eps, \"again.eps\")\n";
    CorvaneRun r = RunCorvane({dir.Write("s.txt", script)}, dir.path());
    ASSERT_EQ(r.status, 0) << c.name;
    EXPECT_EQ(r.out.find("Erreur"), std::string::npos) << c.name << r.out;
    const std::string eps = dir.path() + "/" + c.name + ".eps";
    // The same bytes: the replayed contours' labels keep their thin strokes (the EPS read the
    // width from the kernel, which a replay leaves as it was until its end, and drew them bold).
    EXPECT_TRUE(ReadFile(eps) == ReadFile(dir.path() + "/again.eps")) << c.name;
    const std::string emf = dir.path() + "/" + c.name + ".emf";
    EXPECT_EQ(gs_test::GhostscriptCheck(eps), 0) << c.name;
    std::string why;
    EXPECT_TRUE(emf_test::CheckEmfFile(emf, &why)) << c.name << ": " << why;
    const std::string base = "'" + dir.path() + "/" + c.name;
    EXPECT_EQ(gs_test::RunCommand("pdfinfo " + base + ".pdf' >/dev/null 2>&1"), 0) << c.name;
    EXPECT_EQ(gs_test::RunCommand("xmllint --noout " + base + ".svg' 2>&1"), 0) << c.name;
    EXPECT_EQ(gs_test::RunCommand("pngcheck -q " + base + ".png'"), 0) << c.name;
    // Something was drawn: even three bare loci ink more than 0.5 % of the page.
    gs_test::Image img;
    ASSERT_TRUE(gs_test::RenderEps(eps, 20, &img)) << c.name;
    size_t ink = 0;
    for (int y = 0; y < img.h; ++y)
      for (int x = 0; x < img.w; ++x) ink += img.At(x, y)[0] < 200 || img.At(x, y)[2] < 200;
    EXPECT_GT(ink, size_t(img.w) * img.h / 200) << c.name;
    // The same segments in both files, in the same order and colours (EMF y flipped back), each
    // with the width of its element, the same in millimetres in both; the dashed lines, stroked
    // whole with a dash pattern in the EPS, are cut into pieces in the EMF, which lie along them
    // (within the 2 units that the two files' point reductions may each leave) and draw what
    // the pattern draws: half of the dashed curves' length, none of the dotted lines' (their
    // dots are the round caps of pieces of no length). Cut by the length of the rounded moves,
    // the dashes of a curve of short moves came out several percent short.
    std::vector<seg_test::Seg> ps, mf;
    ASSERT_TRUE(seg_test::ReadEpsSegments(ReadFile(eps), &ps)) << c.name;
    ASSERT_TRUE(seg_test::ReadEmfSegments(emf, &mf, &why)) << c.name << ": " << why;
    double on = 1, want = 1;
    EXPECT_TRUE(seg_test::SameDrawing(ps, mf, 2, &on, &want, &why)) << c.name << ": " << why;
    EXPECT_NEAR(on, want, 0.03) << c.name;
    dashed += std::count_if(ps.begin(), ps.end(), [](const seg_test::Seg& g) { return g.dashed; });
    ASSERT_GT(mf.size(), 100u) << c.name;
    // Labels are stroked 25.4 / 72 times their element's width, at least 0.2 mm; the white
    // grounds of labels have widths of their own; each segment has the same width in both files.
    const bool colours = std::string(c.setup).find("Couleurs = 0") == std::string::npos;
    size_t bad = 0;
    for (size_t i = 0; i < mf.size(); ++i) {
      if (mf[i].rgb == 0xFFFFFF) continue;
      const double want = colours ? WidthOf(c.cmd, mf[i].rgb) : mf[i].mm;
      bad += !(want > 0);  // a colour that names no element
      // Both files hold whole units of 0.025 mm: within half of one.
      bad += std::fabs(mf[i].mm - want) > 0.0125 && std::fabs(mf[i].mm - std::max(want * 25.4 / 72, 0.2)) > 0.0125;
    }
    EXPECT_EQ(bad, 0u) << c.name;
  }
  EXPECT_GT(dashed, 1000u);  // closed loops, inputs, asymptotes and mirror images
}

// Every example chart written as EMF, opened in the readers a Debian user has (Inkscape, and
// LibreOffice Draw converting it headless), looks like Ghostscript's rendering of the same
// chart's EPS: at 96 dots per inch, with each picture's ink blurred by 2 pixels, at most
// kSeuil of either picture's ink lies where the other has none. With the former record
// layout (empty path brackets, the start point before BEGINPATH) Inkscape left out up to
// 6.9 % of the ink (the curves) and LibreOffice up to 94 % (grid lines, ticks, glyph strokes).
TEST(ChartFiles, ReadersDrawEveryExampleMetafileWhole) {
  const double kSeuil = 0.002;
  ScratchDir dir;
  std::vector<std::string> charts;
  for (const auto& f : std::filesystem::directory_iterator(CORVANE_SOURCE_DIR "/examples")) {
    if (ReadFile(f.path().string()).find("(EMF,") == std::string::npos) continue;
    CorvaneRun r = RunCorvane({f.path().string()}, dir.path());
    ASSERT_EQ(r.status, 0) << f.path();
  }
  std::string list;
  for (const auto& f : std::filesystem::directory_iterator(dir.path()))
    if (f.path().extension() == ".emf") {
      charts.push_back(f.path().stem().string());
      list += " '" + f.path().filename().string() + "'";
    }
  ASSERT_GE(charts.size(), 8u);
  // Each reader runs with a fresh home and profile, bounded in time.
  const std::string env = "cd '" + dir.path() + "' && HOME='" + dir.path() +
                          "/home' XDG_CONFIG_HOME='" + dir.path() + "/home' XDG_CACHE_HOME='" +
                          dir.path() + "/home' ";
  EXPECT_EQ(gs_test::RunCommand(env +
                                "timeout -k 10 300 inkscape --export-type=png --export-dpi=96 "
                                "--export-background=white --export-background-opacity=1" +
                                list + " >inkscape.log 2>&1"),
            0);
  EXPECT_EQ(gs_test::RunCommand(env + "timeout -k 10 300 soffice -env:UserInstallation=file://" +
                                dir.path() +
                                "/lo-profile --headless --norestore --nolockcheck --convert-to png "
                                "--outdir lo" +
                                list + " >soffice.log 2>&1"),
            0);
  for (const std::string& c : charts) {
    gs_test::Image eps;
    ASSERT_TRUE(gs_test::RenderEps(dir.path() + "/" + c + ".eps", 96, &eps)) << c;
    for (const std::string& png : {c + ".png", "lo/" + c + ".png"}) {
      gs_test::Image img;
      ASSERT_TRUE(render_test::ReadPng(dir.path() + "/" + png, &img)) << png;
      const render_test::Ecart e = render_test::Compare(eps, img);
      EXPECT_LE(e.Pire(), kSeuil) << png << ": EPS ink missing " << e.manque_a
                                  << ", reader's ink missing " << e.manque_b;
    }
  }
}

// The PDF, SVG and PNG of each chart, rendered by other programs at 75 dpi (the PNG, made at
// 150 dpi, averaged down), against Ghostscript's rendering of the EPS. Every line width is set
// to 0.3 mm so that lines are about a pixel wide in all of them. At most one inked pixel in a
// thousand may lack ink nearby in the other picture; where lines cross or lie on one another
// the programs blend colours differently, which leaves up to 3 % of the pixels without a
// neighbour of their hue (pens shifted by one colour leave more than all of them).
TEST(ChartFiles, PdfSvgPngShowWhatTheEpsShows) {
  const std::string widths =
      "EpCourbe = 0.3\nEpBlack = 0.3\nEpNichols = 0.3\nEpBodePrinc = 0.3\nEpBodeSec = 0.3\n"
      "EpTempPrinc = 0.3\nEpTempSec = 0.3\n";
  for (const ChartCase& c : kCharts) {
    ScratchDir dir;
    std::string script = std::string(kLoop) + widths + c.setup;
    for (const char* ext : {"eps", "pdf", "svg", "png"})
      script += std::string(c.cmd) + "(" + ext + ", \"c." + ext + "\")\n";
    CorvaneRun r = RunCorvane({dir.Write("s.txt", script)}, dir.path());
    ASSERT_EQ(r.status, 0) << c.name;
    ASSERT_EQ(r.out.find("Erreur"), std::string::npos) << c.name << r.out;
    const std::string base = dir.path() + "/c.";
    raster_test::Image eps, pdf, svg, png;
    ASSERT_TRUE(gs_test::RenderEps(base + "eps", 75, &eps)) << c.name;
    ASSERT_TRUE(raster_test::RenderPdf(base + "pdf", 75, &pdf)) << c.name;
    ASSERT_TRUE(raster_test::RenderSvg(base + "svg", 75, &svg)) << c.name;
    ASSERT_TRUE(raster_test::ReadPng(base + "png", &png)) << c.name;
    // The same page: 19 x 28 cm, at 150 dpi for the PNG.
    EXPECT_EQ(png.w, 1122) << c.name;
    EXPECT_EQ(png.h, 1654) << c.name;
    png = raster_test::Shrink(png, 2);
    for (const auto& [kind, img] : {std::pair<const char*, const raster_test::Image*>{"pdf", &pdf},
                                    {"svg", &svg},
                                    {"png", &png}}) {
      EXPECT_LE(std::abs(img->w - eps.w), 1) << c.name << " " << kind;
      EXPECT_LE(std::abs(img->h - eps.h), 1) << c.name << " " << kind;
      raster_test::Difference d = raster_test::Compare(eps, *img, 2);
      EXPECT_GT(d.inked, 1000u) << c.name << " " << kind;
      EXPECT_LE(d.missing, d.inked / 1000) << c.name << " " << kind << ": " << d.missing;
      EXPECT_LE(d.recoloured, d.inked / 20) << c.name << " " << kind << ": " << d.recoloured;
    }
  }
}

// Runs one script line through the interpreter, in this process (its settings and functions go
// to Param), its console lines left out.
void Ligne(const std::string& l) {
  std::string copie = l + "\n";
  FILE* f = fmemopen(&copie[0], copie.size(), "r");
  testing::internal::CaptureStdout();
  {
    iTPrm it(f);
    while (it.ExecNextCmde()) {
    }
  }
  testing::internal::GetCapturedStdout();
}

// Closed-loop curves keep their dashes in every file, at the default widths (1 mm curves): every
// chart of every example script that draws closed-loop curves, and a loop of its own, drawn as
// the script draws it but with the closed loops alone, in red, the grids and the input in other
// pens, once dashed and once solid (the setting the charts keep for it), then rendered by
// Ghostscript (EPS), Inkscape (EMF), poppler (PDF), librsvg (SVG) and read back (PNG). The
// dashed curves ink at most 75 % of what the solid ones ink: gaps over a quarter of their
// length (the examples' curves come to 57 % to 71 %). Dashes cut shorter than the round caps
// of a 1 mm pen left the Black chart's locus solid (100 %) and the Bode curves at 85 %. Every
// chart goes to all five files; Inkscape renders the EMF files in one run.
TEST(ChartFiles, DashedCurvesShowTheirGapsInEveryFile) {
  ScratchDir dir;
  std::vector<std::pair<std::string, std::string>> scripts = {
      {"loop",
       "fct = H\nH.gain = 4\nH.poleC = {1, 0.6, 4}\nH.Couleur = ROUGE\nWmin = 0.01\n"
       "Wmax = 10\nTempTfin = 10\nClosedLoop = 1\nBodeG(EPS, \"x\")\nBlack(EPS, \"x\")\n"
       "Temporel(EPS, \"x\")\n"}};
  std::vector<std::filesystem::path> exemples;
  for (const auto& f : std::filesystem::directory_iterator(CORVANE_SOURCE_DIR "/examples"))
    if (f.path().extension() == ".txt") exemples.push_back(f.path());
  std::sort(exemples.begin(), exemples.end());
  for (const auto& f : exemples) scripts.push_back({f.stem().string(), ReadFile(f.string())});
  const std::regex graphe(R"(^\s*(black|bodegp|bodeg|bodep|temporel|nyquist|evans)\s*\(\s*(\w+))",
                          std::regex::icase);
  const std::regex rapport(R"(\.\s*prop\s*\()", std::regex::icase);  // reports: not needed
  const char* exts[] = {"eps", "emf", "pdf", "svg", "png"};
  std::vector<std::string> charts;  // their file names, less the variant
  std::set<std::string> kinds;
  for (const auto& [nom, texte] : scripts) {
    Param.Reset();
    std::istringstream in(texte);
    std::string l, dernier;
    while (std::getline(in, l)) {
      std::smatch m;
      if (!std::regex_search(l, m, graphe)) {
        dernier.clear();
        if (!std::regex_search(l, rapport)) Ligne(l);
        continue;
      }
      std::string k = m[1].str(), dev = m[2].str();
      for (char& c : k) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      for (char& c : dev) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      // Only the charts of closed loops; the same chart again (on another device) is the same.
      if (dev == "csv" || k == "nyquist" || k == "evans" || !Param.CBBF || k == dernier) continue;
      dernier = k;
      kinds.insert(k);
      // The closed loops alone, each in red, and nothing else in red.
      T_Param& p = Param;
      const bool bo = p.CBBO, legende = p.CBLegende, marges = p.CBMarges, coul = p.CBCouleurs;
      const int plumes[] = {p.ColorBlack, p.ColorBode1, p.ColorTemp1, p.ColorNichols,
                            p.ColorBode2, p.ColorTemp2, p.ColorInput};
      std::vector<int> couleurs;
      for (unsigned i = 0; i < p.GetNbFctTransfert(); ++i) {
        couleurs.push_back(p.GetFctTransfert(i)->Color);
        p.GetFctTransfert(i)->Color = 4;
      }
      p.CBBO = p.CBLegende = p.CBMarges = false;
      p.CBCouleurs = true;
      p.ColorBlack = p.ColorBode1 = p.ColorTemp1 = 5;
      p.ColorNichols = p.ColorBode2 = p.ColorTemp2 = 13;
      p.ColorInput = 8;
      const std::string base = nom + "_" + std::to_string(charts.size());
      charts.push_back(base);
      for (const char* v : {"d_", "s_"}) {
        p.CBPointill = v[0] == 'd';
        for (const char* e : exts)
          Ligne(m[1].str() + "(" + e + ", \"" + dir.path() + "/" + v + base + "." + e + "\")");
      }
      p.CBBO = bo;
      p.CBLegende = legende;
      p.CBMarges = marges;
      p.CBCouleurs = coul;
      p.CBPointill = true;
      p.ColorBlack = plumes[0];
      p.ColorBode1 = plumes[1];
      p.ColorTemp1 = plumes[2];
      p.ColorNichols = plumes[3];
      p.ColorBode2 = plumes[4];
      p.ColorTemp2 = plumes[5];
      p.ColorInput = plumes[6];
      for (unsigned i = 0; i < couleurs.size(); ++i) p.GetFctTransfert(i)->Color = couleurs[i];
    }
  }
  Param.Reset();
  EXPECT_GE(kinds.size(), 4u);  // Bode (gain, both panels), Black and time charts
  EXPECT_GE(charts.size(), 15u);
  std::string list;
  for (const std::string& c : charts) list += " d_" + c + ".emf s_" + c + ".emf";
  const std::string env = "cd '" + dir.path() + "' && HOME='" + dir.path() + "/home' ";
  // In a folder of their own: Inkscape's pictures take the names of the PNG charts.
  ASSERT_EQ(gs_test::RunCommand(env + "mkdir emf && mv *.emf emf && cd emf && timeout -k 10 600 "
                                      "inkscape --export-type=png --export-dpi=75 "
                                      "--export-background=white --export-background-opacity=1" +
                                      list + " >inkscape.log 2>&1"),
            0);
  auto red = [&](const std::string& name, const char* ext, size_t* n) {
    const std::string f = dir.path() + "/" + name + "." + ext;
    raster_test::Image img;
    bool ok = std::string(ext) == "eps"   ? gs_test::RenderEps(f, 75, &img)
              : std::string(ext) == "pdf" ? raster_test::RenderPdf(f, 75, &img)
              : std::string(ext) == "svg" ? raster_test::RenderSvg(f, 75, &img)
              : std::string(ext) == "png"
                  ? raster_test::ReadPng(f, &img)
                  : raster_test::ReadPng(dir.path() + "/emf/" + name + ".png", &img);
    *n = 0;
    for (int y = 0; ok && y < img.h; ++y)
      for (int x = 0; x < img.w; ++x) {
        const unsigned char* p = img.At(x, y);
        *n += p[0] > 120 && p[1] < 100 && p[2] < 100;
      }
    return ok;
  };
  for (const std::string& c : charts)
    for (const char* e : exts) {
      size_t dashed, solid;
      ASSERT_TRUE(red("d_" + c, e, &dashed)) << c << " " << e;
      ASSERT_TRUE(red("s_" + c, e, &solid)) << c << " " << e;
      EXPECT_GT(solid, 500u) << c << " " << e;
      EXPECT_LE(dashed, solid * 3 / 4) << c << " " << e << ": " << dashed << " of " << solid;
    }
}

// A file that cannot be created is reported with its name; so is the script being run, under
// any spelling of its path or through a link, which stays as it was. Nothing is drawn and
// the next chart of the script is written.
TEST(ChartFiles, UnopenableFileReportedAndScriptGoesOn) {
  for (const char* cmd : {"BodeGP", "BodeG", "Black", "Temporel"}) {
    for (const char* dev : {"EPS", "EMF", "CSV"}) {
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
    for (const char* dev : {"EPS", "EMF", "PDF", "SVG", "PNG", "CSV"}) {
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

// A 100 KiB file system (a tmpfs, where this process may mount one): the charts too large for
// it (the Black-Nichols chart, over 190 kB in EPS and in EMF) are reported and leave no file;
// a chart that fits (a Bode chart, about 70 kB) is written whole. A CSV table too large leaves
// an earlier file of its name as it was, and no temporary file.
TEST(ChartFiles, FullFileSystemLeavesNoIncompleteFile) {
  ScratchDir dir;
  const std::string mnt = dir.path() + "/small";
  ASSERT_EQ(mkdir(mnt.c_str(), 0700), 0);
  if (mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=100k") != 0) GTEST_SKIP() << "cannot mount";
  struct Unmount {
    std::string path;
    ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
  } unmount{mnt};
  const std::string earlier = "w_rad_s\n1\n";
  dir.Write("small/e.csv", earlier);
  const std::string script = std::string(kLoop) + "NBP = 10000\nBlack(EPS, \"small/a.eps\")\n" +
                             "Black(EMF, \"small/b.emf\")\n" +
                             "BodeGP(CSV, \"small/e.csv\")\nTemporel(CSV, \"small/f.csv\")\n" +
                             "NBP = 10\nBodeG(EPS, \"small/d.eps\")\nH.gain = 1\n";
  CorvaneRun r = RunCorvane({dir.Write("s.txt", script)}, dir.path());
  ASSERT_EQ(r.status, 0);
  for (const char* f : {"small/a.eps", "small/b.emf", "small/e.csv", "small/f.csv"}) {
    EXPECT_NE(r.out.find(std::string("Erreur : écriture du fichier ") + f + " impossible !\n"),
              std::string::npos)
        << f << "\n"
        << r.out;
    if (std::string(f) != "small/e.csv") {
      EXPECT_FALSE(Exists(dir.path() + "/" + f)) << f;
    }
  }
  EXPECT_EQ(ReadFile(mnt + "/e.csv"), earlier);
  EXPECT_EQ(r.out.find("écriture du fichier small/d.eps"), std::string::npos);
  EXPECT_EQ(gs_test::GhostscriptCheck(mnt + "/d.eps"), 0);
  size_t files = 0;
  for (const auto& e : std::filesystem::directory_iterator(mnt)) files += !e.is_directory();
  EXPECT_EQ(files, 2u);  // d.eps and e.csv
  EXPECT_NE(r.out.find("Gain de 'H' = 1\n"), std::string::npos);
}

// A CSV file read back: the header's names, then each row's values (NaN for an empty field);
// false when a row has not as many fields as the header or a field is not a whole number.
struct Csv {
  std::vector<std::string> noms;
  std::vector<std::vector<double>> lignes;
  size_t Col(const std::string& nom) const {
    for (size_t j = 0; j < noms.size(); ++j)
      if (noms[j] == nom) return j;
    return noms.size();
  }
};
bool ReadCsv(const std::string& bytes, Csv* c) {
  std::istringstream in(bytes);
  std::string line;
  bool first = true;
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    size_t a = 0;
    for (size_t b; (b = line.find(',', a)) != std::string::npos; a = b + 1)
      f.push_back(line.substr(a, b - a));
    f.push_back(line.substr(a));
    if (first) {
      c->noms = f;
      first = false;
      continue;
    }
    if (f.size() != c->noms.size()) return false;
    std::vector<double> v;
    for (const std::string& x : f) {
      char* end = nullptr;
      v.push_back(x.empty() ? std::nan("") : std::strtod(x.c_str(), &end));
      if (!x.empty() && *end != '\0') return false;
    }
    c->lignes.push_back(v);
  }
  return !first && in.eof() && !bytes.empty() && bytes.back() == '\n';
}

// Same double, bit for bit, or both not finite (an empty field).
bool Meme(double a, double b) {
  return std::isfinite(a) ? std::memcmp(&a, &b, sizeof a) == 0 : !std::isfinite(b);
}

// The CSV files of the frequency charts hold, at every frequency of the range, the values of the
// function evaluated directly, to the last bit, in the columns of the panels each command draws;
// H's agree with its closed form; the Black file holds the same numbers as the Bode file, though
// the two charts compute them by different routes. The console shows the chart's lines.
TEST(ChartFiles, CsvOfFrequencyChartsHoldsTheFunctionsValues) {
  const std::string setup = std::string(kLoop) + "ClosedLoop = 1\nNBP = 57\n";
  const struct {
    const char* cmd;
    const char* header;
  } cas[] = {
      {"BodeGP",
       "w_rad_s,H_gain_dB,H_phase_deg,H_BF_gain_dB,H_BF_phase_deg,G_gain_dB,G_phase_deg,"
       "G_BF_gain_dB,G_BF_phase_deg,E_gain_dB,E_phase_deg,E_BF_gain_dB,E_BF_phase_deg"},
      {"BodeG", "w_rad_s,H_gain_dB,H_BF_gain_dB,G_gain_dB,G_BF_gain_dB,E_gain_dB,E_BF_gain_dB"},
      {"BodeP",
       "w_rad_s,H_phase_deg,H_BF_phase_deg,G_phase_deg,G_BF_phase_deg,E_phase_deg,E_BF_phase_deg"},
      {"Black",
       "w_rad_s,H_phase_deg,H_gain_dB,H_BF_phase_deg,H_BF_gain_dB,G_phase_deg,G_gain_dB,"
       "G_BF_phase_deg,G_BF_gain_dB,E_phase_deg,E_gain_dB,E_BF_phase_deg,E_BF_gain_dB"},
  };
  ScratchDir dir;
  std::string script = setup, eps = setup;
  for (const auto& c : cas) {
    script += std::string(c.cmd) + "(CSV, \"" + c.cmd + ".csv\")\n";
    eps += std::string(c.cmd) + "(EPS, \"" + c.cmd + ".eps\")\n";
  }
  CorvaneRun r = RunCorvane({dir.Write("s.txt", script)}, dir.path());
  ASSERT_EQ(r.status, 0);
  CorvaneRun re = RunCorvane({dir.Write("e.txt", eps)}, dir.path());
  // The same console lines as the pictures, but for the Black chart's grid and contours.
  std::istringstream lines(re.out);
  std::string sans, line;
  while (std::getline(lines, line))
    if (line.rfind("Tracé quadrillage", 0) != 0 && line.rfind("Tracé courbes", 0) != 0 &&
        line.rfind("ang=", 0) != 0)
      sans += line + (lines.eof() ? "" : "\n");
  EXPECT_EQ(r.out, sans);
  RunScriptText(setup);  // the same functions in this process
  Csv bode;
  ASSERT_TRUE(ReadCsv(ReadFile(dir.path() + "/BodeGP.csv"), &bode));
  for (const auto& c : cas) {
    Csv t;
    ASSERT_TRUE(ReadCsv(ReadFile(dir.path() + "/" + c.cmd + ".csv"), &t)) << c.cmd;
    EXPECT_EQ(::testing::PrintToString(t.noms),
              ::testing::PrintToString([&] {
                std::vector<std::string> n;
                std::string h = c.header;
                for (size_t a = 0, b = 0; b != std::string::npos; a = b + 1)
                  n.push_back(h.substr(a, (b = h.find(',', a)) - a));
                return n;
              }()))
        << c.cmd;
    ASSERT_EQ(t.lignes.size(), 57u) << c.cmd;
    // Frequencies spread evenly in log from 2 pi Wmin to 2 pi Wmax (the settings are in Hz).
    EXPECT_NEAR(t.lignes.front()[0], 0.02 * M_PI, 1e-15) << c.cmd;
    EXPECT_NEAR(t.lignes.back()[0], 20 * M_PI, 1e-12) << c.cmd;
    for (size_t k = 1; k < 57; ++k)
      EXPECT_NEAR(std::log10(t.lignes[k][0] / t.lignes[k - 1][0]), 3.0 / 56, 1e-14);
    for (const char* nom : {"H", "G", "E"}) {
      TFctTransfert* f = FctLF(nom);
      ASSERT_NE(f, nullptr);
      for (int bf = 0; bf < 2; ++bf) {
        const std::string col = std::string(nom) + (bf ? "_BF" : "");
        const size_t jg = t.Col(col + "_gain_dB"), jp = t.Col(col + "_phase_deg");
        f->ModeBF = bf == 1;
        f->InitValue(true);
        size_t bad = 0;
        for (const std::vector<double>& l : t.lignes) {
          TComplexP y;
          ASSERT_TRUE(f->Value(l[0], &y));
          const double g = 20.0 * std::log10(y.m), p = y.p * 180.0 / M_PI;
          bad += jg < l.size() && !Meme(l[jg], g);
          bad += jp < l.size() && !Meme(l[jp], p);
          if (std::string(nom) == "H" && !bf) {
            const double w = l[0];
            const double gh = 20 * std::log10(10 / std::sqrt(1 + w * w) / std::sqrt(100 + w * w));
            const double ph = -(std::atan(w) + std::atan(w / 10)) * 180 / M_PI;
            bad += jg < l.size() && std::fabs(l[jg] - gh) > 1e-12;
            bad += jp < l.size() && std::fabs(l[jp] - ph) > 1e-11;
          }
        }
        EXPECT_EQ(bad, 0u) << c.cmd << " " << col;
        for (const char* q : {"_gain_dB", "_phase_deg"}) {
          const size_t j = t.Col(col + q), jb = bode.Col(col + q);
          if (j == t.noms.size()) continue;
          for (size_t k = 0; k < 57; ++k)
            bad += !Meme(t.lignes[k][j], bode.lignes[k][jb]) || !Meme(t.lignes[k][0], bode.lignes[k][0]);
          EXPECT_EQ(bad, 0u) << c.cmd << " " << col << q << " against BodeGP";
        }
      }
    }
  }
  Param.Reset();
}

// The CSV file of the Nyquist chart: one block of rows a function in increasing frequency, each
// point of the locus against the closed form of H(jw); where an axis pole (G's +-2j) splits the
// locus, a row at the pole with empty fields.
TEST(ChartFiles, CsvOfNyquistChartHoldsTheLoci) {
  ScratchDir dir;
  const std::string script =
      "fct = H\nH.gain = 10\nH.pole = 0, -1, -10\nfct = G\nG.gain = 4\nG.poleC = {1, 0, 4}\n"
      "NBP = 50\nNyquist(CSV, \"n.csv\")\n";
  CorvaneRun r = RunCorvane({dir.Write("s.txt", script)}, dir.path());
  ASSERT_EQ(r.status, 0);
  Csv t;
  ASSERT_TRUE(ReadCsv(ReadFile(dir.path() + "/n.csv"), &t));
  ASSERT_EQ(::testing::PrintToString(t.noms),
            ::testing::PrintToString(std::vector<std::string>{"w_rad_s", "H_re", "H_im", "G_re",
                                                              "G_im"}));
  using C = std::complex<double>;
  const C j(0, 1);
  size_t h = 0, g = 0, bad = 0, pole = 0;
  for (size_t k = 0; k < t.lignes.size(); ++k) {
    const std::vector<double>& l = t.lignes[k];
    const double w = l[0];
    const bool estH = std::isfinite(l[1]), estG = std::isfinite(l[3]);
    bad += estH && estG;
    if (!estH && !estG) {  // the pole row, inside G's block
      pole += g > 0 && w == 2.0;
      continue;
    }
    if (k > 0 && ((estH && std::isfinite(t.lignes[k - 1][1])) || (estG && g > 0)))
      bad += !(w > t.lignes[k - 1][0]);
    const C ref = estH ? 10.0 / (j * w * (j * w + 1.0) * (j * w + 10.0)) : 4.0 / (4.0 - w * w);
    const C got(estH ? l[1] : l[3], estH ? l[2] : l[4]);
    bad += std::abs(got - ref) > 1e-11 * std::abs(ref);
    bad += estH ? g > 0 : false;  // H's block comes first
    (estH ? h : g)++;
  }
  EXPECT_EQ(bad, 0u);
  EXPECT_EQ(pole, 1u);
  EXPECT_GE(h, 50u);
  EXPECT_GE(g, 50u);
}

// The CSV file of the root locus, in long form: each row's root s and gain k satisfy
// s(s + 1)(s + 2) + 2k = 0 (H = 2/(s(s + 1)(s + 2))); three branches, which start at k = 0 on
// the poles 0, -1 and -2; the texts of the first column name the function.
TEST(ChartFiles, CsvOfEvansChartHoldsRootsOfTheLoop) {
  ScratchDir dir;
  const std::string script = "fct = H\nH.gain = 2\nH.pole = 0, -1, -2\nEvans(CSV, \"e.csv\")\n";
  CorvaneRun r = RunCorvane({dir.Write("s.txt", script)}, dir.path());
  ASSERT_EQ(r.status, 0);
  const std::string bytes = ReadFile(dir.path() + "/e.csv");
  ASSERT_EQ(bytes.compare(0, 24, "fonction,branche,k,re,im"), 0) << bytes.substr(0, 40);
  // The first column read as numbers is not; replace it by 0 and read the rest.
  std::string nombres;
  std::istringstream in(bytes);
  std::string line;
  size_t lignes = 0;
  while (std::getline(in, line)) {
    if (lignes++ > 0) {
      ASSERT_EQ(line.compare(0, 2, "H,"), 0) << line;
      line = "0" + line.substr(1);
    }
    nombres += line + "\n";
  }
  Csv t;
  ASSERT_TRUE(ReadCsv(nombres, &t));
  ASSERT_GT(t.lignes.size(), 100u);
  size_t bad = 0;
  std::vector<double> departs;
  double branches = 0;
  for (const std::vector<double>& l : t.lignes) {
    const std::complex<double> s(l[3], l[4]);
    const double k = l[2];
    const double echelle = std::pow(std::abs(s), 3) + 3 * std::norm(s) + 2 * std::abs(s) + 2 * k;
    bad += std::abs(s * (s + 1.0) * (s + 2.0) + 2 * k) > 1e-9 * echelle;
    branches = std::max(branches, l[1]);
    if (k == 0) departs.push_back(l[3]);
  }
  EXPECT_EQ(bad, 0u);
  EXPECT_EQ(branches, 3);
  std::sort(departs.begin(), departs.end());
  ASSERT_EQ(departs.size(), 3u);
  EXPECT_NEAR(departs[0], -2, 1e-12);
  EXPECT_NEAR(departs[1], -1, 1e-12);
  EXPECT_NEAR(departs[2], 0, 1e-12);
}

// The CSV file of the time chart: the sample times and every output of the simulator stepped
// on its own, to the last bit, in open and closed loop; the input; and P = 1/(s + 2) against
// its closed-form responses (closed loop 1/(s + 3)). The impulse is a rectangle of width 1e-6.
TEST(ChartFiles, CsvOfTimeChartHoldsTheSimulatorsSamples) {
  const std::string loop =
      "fct = P\nP.pole = -2\nfct = H\nH.gain = 10\nH.pole = -1, -10\nfct = E\n"
      "E.exp = \"H/(1+P)\"\nClosedLoop = 1\nTempTfin = 2\nTempDt = 0.001\n";
  const struct {
    int input;
    double (*p)(double t, double a);  // response of 1/(s + a)
    double (*u)(double t);
    double tol;
  } cas[] = {
      {1, [](double t, double a) { return (1 - std::exp(-a * t)) / a; },
       [](double) { return 1.0; }, 1e-12},
      {2, [](double t, double a) { return t / a - (1 - std::exp(-a * t)) / (a * a); },
       [](double t) { return t; }, 1e-12},
      {0, [](double t, double a) { return t < 1e-6 ? 0.0 : std::exp(-a * t); },
       [](double t) { return t < 1e-6 ? 1e6 : 0.0; }, 3e-6},
  };
  for (const auto& c : cas) {
    ScratchDir dir;
    const std::string setup = loop + "Input = " + std::to_string(c.input) + "\n";
    CorvaneRun r = RunCorvane({dir.Write("s.txt", setup + "Temporel(CSV, \"t.csv\")\n")},
                              dir.path());
    ASSERT_EQ(r.status, 0);
    Csv t;
    ASSERT_TRUE(ReadCsv(ReadFile(dir.path() + "/t.csv"), &t)) << c.input;
    EXPECT_EQ(::testing::PrintToString(t.noms),
              ::testing::PrintToString(std::vector<std::string>{"t_s", "entree", "P", "P_BF", "H",
                                                                "H_BF", "E", "E_BF"}));
    // t = 0, then steps of 1 ms (the impulse's first one cut at its end) until 2 s is reached.
    const size_t n = t.lignes.size();
    ASSERT_GE(n, 2001u) << c.input;
    EXPECT_EQ(t.lignes.front()[0], 0.0);
    EXPECT_TRUE(t.lignes[n - 2][0] < 2 && t.lignes[n - 1][0] >= 2) << t.lignes[n - 1][0];
    for (size_t k = c.input == 0 ? 3 : 2; k < n; ++k)
      EXPECT_NEAR(t.lignes[k][0] - t.lignes[k - 1][0], 0.001, 1e-12) << k;
    RunScriptText(setup);
    size_t bad = 0;
    for (unsigned i = 0; i < 3; ++i) {
      TFctTransfert* h = Param.GetFctTransfert(i);
      TrTemp tt;
      std::unique_ptr<SimTemp> st(tt.TempFromH(h));
      ASSERT_TRUE(st);
      st->SetFctU(c.input == 0 ? SimTemp::S_Impulsion
                               : c.input == 2 ? SimTemp::S_Rampe : SimTemp::S_Echelon);
      st->Dt = 0.001;
      for (int bf = 0; bf < 2; ++bf) {
        st->Init();
        if (bf) st->ModeBF(); else st->ModeBO();
        const size_t j = 2 + 2 * i + bf;
        for (const std::vector<double>& l : t.lignes) {
          const double y = st->NextY();
          bad += !Meme(l[0], st->T) || !Meme(l[j], y);
          if (i == 0) bad += std::fabs(l[j] - c.p(l[0], bf ? 3 : 2)) > c.tol;
        }
      }
    }
    for (const std::vector<double>& l : t.lignes) bad += l[1] != c.u(l[0]);
    EXPECT_EQ(bad, 0u) << c.input;
    Param.Reset();
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

// The files of a folder, by name.
std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Starts corvane on s.txt in dir, standard input /dev/null and standard output out (-1:
// /dev/null), with the file size limit fsize bytes (0: none), SIGXFSZ ignored so that writes
// beyond it fail instead. The signals the tests send or cause have their default action, even
// where the test itself runs with them ignored.
pid_t StartCorvane(const std::string& dir, int out = -1, rlim_t fsize = 0) {
  const pid_t pid = fork();
  if (pid == 0) {
    for (int sig : {SIGPIPE, SIGTERM, SIGINT, SIGHUP}) signal(sig, SIG_DFL);
    const int null = open("/dev/null", O_RDWR);
    if (null < 0 || dup2(null, 0) < 0 || dup2(out >= 0 ? out : null, 1) < 0 ||
        chdir(dir.c_str()) != 0)
      _exit(126);
    if (fsize > 0) {
      signal(SIGXFSZ, SIG_IGN);
      const rlimit lim = {fsize, fsize};
      setrlimit(RLIMIT_FSIZE, &lim);
    }
    alarm(60);
    execl(CORVANE_BIN, CORVANE_BIN, "s.txt", static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

// Exit code, or 128 + signal number.
int WaitStatus(pid_t pid) {
  int ws = 0;
  waitpid(pid, &ws, 0);
  return WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + (WIFSIGNALED(ws) ? WTERMSIG(ws) : 0);
}

// Four large charts on both kinds of file device and the numbers of one as CSV, rewritten over
// files of an earlier run.
const char* const kBig[] = {"a.eps", "b.emf", "c.eps", "d.emf", "e.csv"};
const std::string kBigScript = std::string(kLoop) + "NBP = 10000\nBodeGP(EPS, \"a.eps\")\n" +
                               "Black(EMF, \"b.emf\")\nTemporel(EPS, \"c.eps\")\n" +
                               "BodeGP(EMF, \"d.emf\")\nBodeGP(CSV, \"e.csv\")\n";

// SIGTERM, SIGINT or SIGHUP at random points of a run: every chart file holds either the
// previous bytes or the whole chart of an uninterrupted run, and no temporary file is left.
TEST(ChartFiles, InterruptedRunLeavesWholeOrPreviousFiles) {
  ScratchDir ref;
  ref.Write("s.txt", kBigScript);
  const auto t0 = std::chrono::steady_clock::now();
  ASSERT_EQ(WaitStatus(StartCorvane(ref.path())), 0);
  const auto run = std::chrono::steady_clock::now() - t0;
  std::mt19937 rng(28);
  std::uniform_int_distribution<long> at(0, std::chrono::duration_cast<std::chrono::microseconds>(run).count());
  const int sigs[] = {SIGTERM, SIGINT, SIGHUP};
  int interrupted = 0;
  for (int round = 0; round < 24; ++round) {
    ScratchDir dir;
    dir.Write("s.txt", kBigScript);
    for (const char* f : kBig) dir.Write(f, "previous\n");
    const int sig = sigs[round % 3];
    const pid_t pid = StartCorvane(dir.path());
    usleep(static_cast<useconds_t>(at(rng)));
    kill(pid, sig);
    const int status = WaitStatus(pid);
    ASSERT_TRUE(status == 0 || status == 128 + sig) << status;
    interrupted += status == 128 + sig;
    std::vector<std::string> want = {"s.txt"};
    for (const char* f : kBig) {
      want.push_back(f);
      const std::string bytes = ReadFile(dir.path() + "/" + f);
      EXPECT_TRUE(bytes == "previous\n" || bytes == ReadFile(ref.path() + "/" + f))
          << f << " round " << round << ": " << bytes.size() << " bytes";
    }
    std::sort(want.begin(), want.end());
    EXPECT_EQ(FilesIn(dir.path()), want) << "round " << round;
  }
  EXPECT_GT(interrupted, 0);
}

// A rewrite that fails (the process may write no more than 150 KiB a file) is reported, leaves
// the previous file as it was and no temporary file; a chart that fits is still written.
TEST(ChartFiles, FailedRewriteKeepsThePreviousFile) {
  ScratchDir dir;
  // The Black-Nichols chart is over 190 kB in EPS and in EMF, the small Bode chart about 70 kB;
  // the CSV table of the Bode chart at 10 000 points about 1 MB.
  dir.Write("s.txt", std::string(kLoop) + "NBP = 10000\nBlack(EPS, \"a.eps\")\n" +
                         "Black(EMF, \"b.emf\")\nBodeGP(CSV, \"c.csv\")\nNBP = 20\n" +
                         "BodeG(EPS, \"small.eps\")\n");
  dir.Write("a.eps", "previous eps\n");
  dir.Write("b.emf", "previous emf\n");
  dir.Write("c.csv", "previous csv\n");
  int out[2];
  ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
  const pid_t pid = StartCorvane(dir.path(), out[1], 150 * 1024);
  close(out[1]);
  std::string text;
  char chunk[4096];
  for (ssize_t n; (n = read(out[0], chunk, sizeof chunk)) > 0;) text.append(chunk, size_t(n));
  close(out[0]);
  ASSERT_EQ(WaitStatus(pid), 0);
  for (const char* f : {"a.eps", "b.emf", "c.csv"})
    EXPECT_NE(text.find(std::string("Erreur : écriture du fichier ") + f + " impossible !\n"),
              std::string::npos)
        << text;
  EXPECT_EQ(ReadFile(dir.path() + "/a.eps"), "previous eps\n");
  EXPECT_EQ(ReadFile(dir.path() + "/b.emf"), "previous emf\n");
  EXPECT_EQ(ReadFile(dir.path() + "/c.csv"), "previous csv\n");
  EXPECT_EQ(gs_test::GhostscriptCheck(dir.path() + "/small.eps"), 0);
  EXPECT_EQ(FilesIn(dir.path()),
            (std::vector<std::string>{"a.eps", "b.emf", "c.csv", "s.txt", "small.eps"}));
}

// Standard output closed by its reader after the first line (as "| head -1" does): the run
// goes on to its end, exits 0 and writes its twelve charts as a run to a file does.
TEST(ChartFiles, ClosedStandardOutputStopsNothing) {
  std::string script = std::string(kLoop) + "NBP = 300\n";
  const char* const cmds[] = {"BodeGP", "Black", "Temporel"};
  for (int i = 0; i < 12; ++i)
    script += std::string(cmds[i % 3]) + (i % 2 ? "(EMF, \"f" : "(EPS, \"f") +
              std::to_string(i) + "\")\n";
  ScratchDir ref, dir;
  ref.Write("s.txt", script);
  dir.Write("s.txt", script);
  ASSERT_EQ(WaitStatus(StartCorvane(ref.path())), 0);
  int out[2];
  ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
  const pid_t pid = StartCorvane(dir.path(), out[1]);
  close(out[1]);
  char c = 0;
  while (c != '\n' && read(out[0], &c, 1) == 1) {
  }
  close(out[0]);
  EXPECT_EQ(WaitStatus(pid), 0);
  for (int i = 0; i < 12; ++i) {
    const std::string f = "/f" + std::to_string(i);
    const std::string bytes = ReadFile(dir.path() + f);
    EXPECT_GT(bytes.size(), 1000u) << f;
    EXPECT_EQ(bytes, ReadFile(ref.path() + f)) << f;
  }
}

}  // namespace
