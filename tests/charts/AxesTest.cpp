// The labels of every chart of every example script, and of charts whose ranges crowd their
// labels: no two label boxes the chart placed intersect, each lies whole on the page, and
// nothing is drawn outside the chart's frames (and the outward ticks along them) but inside a
// label box: a label drawn without its box, or past its place, shows there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "charts/Axes.h"
#include "charts/GrBlack.h"
#include "charts/TrBode.h"
#include "charts/TrEvans.h"
#include "charts/TrNyquist.h"
#include "driver/Interpreter.h"
#include "model/Param.h"
#include "sim/TrTemp.h"
#include "tests/charts/Recorder.h"

namespace {

// A frame of a chart, centimetres.
struct Cadre {
  double x0, x1, y0, y1;
};

// Whether (x, y) (cm) lies in b, to within e cm.
bool DansBoite(const TBoite& b, double x, double y, double e) {
  const double dx = x - b.cx, dy = y - b.cy;
  return std::fabs(dx * b.ux + dy * b.uy) <= b.l + e && std::fabs(-dx * b.uy + dy * b.ux) <= b.h + e;
}

// Runs one script line through the interpreter (its settings and functions go to Param).
void Ligne(const std::string& l) {
  std::string copie = l + "\n";
  FILE* f = fmemopen(&copie[0], copie.size(), "r");
  iTPrm it(f);
  while (it.ExecNextCmde()) {
  }
}

// The chart kind a chart line asks for (its first word), "csv" for a table (neither drawn nor
// written here), or "" for another line.
std::string Graphe(const std::string& l) {
  size_t i = 0;
  while (i < l.size() && std::isspace(static_cast<unsigned char>(l[i]))) ++i;
  size_t j = i;
  while (j < l.size() && std::isalpha(static_cast<unsigned char>(l[j]))) ++j;
  std::string mot = l.substr(i, j - i);
  for (char& c : mot) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string reste = l.substr(j);
  for (char& c : reste) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const char* k : {"black", "bodegp", "bodeg", "bodep", "temporel", "nyquist", "evans"})
    if (mot == k) return reste.find("CSV") != std::string::npos ? "csv" : mot;
  return "";
}

// Draws the chart kind k on a recorder, as the chart command draws it, and checks its labels.
void Verifie(const std::string& k, const std::string& ou) {
  SCOPED_TRACE(ou + ": " + k);
  C_REC* rec = nullptr;
  auto holder = RecHolder(GrPS, &rec);
  TEtiquettes places;
  std::vector<Cadre> cadres;
  testing::internal::CaptureStdout();  // the Black chart's progress lines
  if (k == "black") {
    GrBlack b;
    b.G = holder.get();
    b.Trace();
    places = b.Etiquettes;
    cadres = {{1.5, 17.5, 0.3, 26.5}};
  } else if (k == "nyquist") {
    TrNyquist n;
    n.Trace(holder.get());
    places = n.Etiquettes;
    cadres = {{1, 18, 5.5, 22.5}};
  } else if (k == "evans") {
    TrEvans e;
    e.Trace(holder.get());
    places = e.Etiquettes;
    cadres = {{2, 18, 1, 27.5}};
  } else if (k == "temporel") {
    TrTemp t;
    t.Trace(holder.get());
    places = t.Etiquettes;
    cadres = {{2, 18, 1, 27.5}};
  } else {
    Param.RBBode = k == "bodegp" ? RBBodeGainPhase : k == "bodeg" ? RBBodeGain : RBBodePhase;
    TrBode b;
    b.Trace(holder.get());
    places = b.Etiquettes;
    if (k == "bodegp")
      cadres = {{2, 18, 15, 27.5}, {2, 18, 1, 13.5}};
    else
      cadres = {{2, 18, 1, 27.5}};
  }
  testing::internal::GetCapturedStdout();
  ASSERT_TRUE(rec->closed);
  const std::vector<TBoite>& b = places.Boites();
  EXPECT_GT(b.size(), 4u);
  for (size_t i = 0; i < b.size(); ++i) {
    // Whole on the page (19 x 28 cm), the margin apart.
    const double ex = b[i].l * std::fabs(b[i].ux) + b[i].h * std::fabs(b[i].uy) - kMargeEtiquette;
    const double ey = b[i].l * std::fabs(b[i].uy) + b[i].h * std::fabs(b[i].ux) - kMargeEtiquette;
    EXPECT_TRUE(b[i].cx - ex >= -1e-9 && b[i].cx + ex <= 19 + 1e-9 && b[i].cy - ey >= -1e-9 &&
                b[i].cy + ey <= 28 + 1e-9)
        << "label " << i << " at " << b[i].cx << ", " << b[i].cy;
    for (size_t j = 0; j < i; ++j)
      EXPECT_FALSE(Chevauchent(b[i], b[j]))
          << "labels " << j << " and " << i << " at " << b[i].cx << ", " << b[i].cy;
  }
  // Every stroke end outside the frames, and outside the band of the ticks that stand out of
  // them (0.15 cm), lies in a label box.
  size_t dehors = 0;
  for (const C_REC::Seg& s : rec->segs) {
    for (const auto& p : {std::make_pair(s.x0, s.y0), std::make_pair(s.x1, s.y1)}) {
      const double x = p.first / 400, y = p.second / 400, e = 0.15 + 1.0 / 400;
      bool ok = false;
      for (const Cadre& c : cadres)
        ok = ok || (x >= c.x0 - e && x <= c.x1 + e && y >= c.y0 - e && y <= c.y1 + e);
      for (size_t i = 0; !ok && i < b.size(); ++i) ok = DansBoite(b[i], x, y, 1.0 / 400);
      if (!ok && ++dehors <= 3) ADD_FAILURE() << "drawn outside at " << x << ", " << y;
    }
  }
  EXPECT_EQ(dehors, 0u);
}

// Runs the script text line by line, each chart line checked instead of drawn to its file.
void Script(const std::string& texte, const std::string& nom) {
  Param.Reset();
  std::istringstream in(texte);
  std::string l;
  int n = 0;
  while (std::getline(in, l)) {
    ++n;
    const std::string k = Graphe(l);
    if (k == "csv") continue;
    if (!k.empty()) {
      Verifie(k, nom + ":" + std::to_string(n));
      continue;
    }
    testing::internal::CaptureStdout();
    Ligne(l);
    testing::internal::GetCapturedStdout();
  }
  Param.Reset();
}

TEST(Etiquettes, EveryExampleChartKeepsItsLabelsApartOnThePageAndDrawsOnlyLabelsOutside) {
  size_t scripts = 0;
  for (const auto& e : std::filesystem::directory_iterator(CORVANE_SOURCE_DIR "/examples")) {
    if (e.path().extension() != ".txt") continue;
    std::ifstream f(e.path());
    std::stringstream t;
    t << f.rdbuf();
    Script(t.str(), e.path().filename().string());
    ++scripts;
  }
  EXPECT_GT(scripts, 10u);
}

// Ranges that crowd the labels: 18 decades on 16 cm (frequency labels wider than a decade,
// so that some must be left out), ends that are not decades, a time axis cut short.
TEST(Etiquettes, CrowdedRangesLeaveLabelsOutRatherThanOverlapThem) {
  const char* const kScripts[] = {
      "fct = H\nH.gain = 10\nH.pole = -1, -10\nWmin = 1e-9\nWmax = 1e9\nBodeGP(EPS, \"a.eps\")\n"
      "Black(EPS, \"a.eps\")\n",
      "fct = H\nH.gain = 3\nH.pole = -0.5, -4\nWmin = 0.02\nWmax = 62.8\nBodeG(EPS, \"a.eps\")\n"
      "BodeP(EPS, \"a.eps\")\nEvans(EPS, \"a.eps\")\n",
      "fct = H\nH.gain = 2000\nH.pole = -1, -2, -3\nNyquist(EPS, \"a.eps\")\n"
      "TempTfin = 0.37\nTemporel(EPS, \"a.eps\")\n",
  };
  for (const char* s : kScripts) Script(s, "crowded");
}

// The registry itself: a box touching the page edge, or overlapping one placed, is not free.
TEST(Etiquettes, ABoxIsFreeOnlyOnThePageAndClearOfThosePlaced) {
  C_REC rec;
  rec.BOUNDS(0, 19, 0, 28);
  ASSERT_EQ(rec.TRINIT(), 0);
  TEtiquettes p;
  const double m = kMargeEtiquette;
  EXPECT_TRUE(p.Libre(&rec, {1, 1, 1, 0, 1 + m, 0.2 + m}));    // ink from x = 0 to 2
  EXPECT_FALSE(p.Libre(&rec, {1, 1, 1, 0, 1.01 + m, 0.2 + m}));  // past x = 0
  p.Ajoute({5, 5, 1, 0, 1, 0.5});
  EXPECT_FALSE(p.Libre(&rec, {6.9, 5, 1, 0, 1, 0.5}));
  EXPECT_TRUE(p.Libre(&rec, {7.01, 5, 1, 0, 1, 0.5}));
  // Turned by 45 degrees, its corner towards the box placed: clear while the corner is.
  const double c = std::sqrt(0.5);
  EXPECT_TRUE(p.Libre(&rec, {6 + c + 0.01, 5, c, c, 0.5, 0.5}));
  EXPECT_FALSE(p.Libre(&rec, {6 + c - 0.01, 5, c, c, 0.5, 0.5}));
  rec.TRCLOSE();
}

}  // namespace
