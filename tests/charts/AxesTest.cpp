// The labels of every chart of every example script, and of charts whose ranges crowd their
// labels: no two label boxes the chart placed intersect, each lies whole on the page, nothing
// is drawn outside the chart's frames (and the outward ticks along them) but inside a label box
// (a label drawn without its box, or past its place, shows there), and no grid line crosses a
// label's ink unless a white ground drawn after it covers it there.
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
  return std::fabs(dx * b.ux + dy * b.uy) <= b.l + e &&
         std::fabs(-dx * b.uy + dy * b.ux) <= b.h + e;
}

// Distance (cm) from (x, y) to segment s (device units, 400 per cm).
double Distance(const C_REC::Seg& s, double x, double y) {
  const double ax = s.x0 / 400, ay = s.y0 / 400, dx = s.x1 / 400 - ax, dy = s.y1 / 400 - ay;
  const double d2 = dx * dx + dy * dy;
  const double t = d2 > 0 ? std::clamp(((x - ax) * dx + (y - ay) * dy) / d2, 0.0, 1.0) : 0.0;
  return std::hypot(ax + t * dx - x, ay + t * dy - y);
}

// The grid lines cross no label: every stroke of a grid's width that runs through the ink of a
// label (its box less the margin and 0.1 mm) is covered there, at 9 points along it, by a white
// stroke drawn after it. A label's box is one that holds a stroke of a label's width; the grids
// are drawn 0.75, 0.5 and 0.25 mm wide, their labels 0.2646 and 0.2 mm (kTraits), the curves
// 1.5 mm and may cross labels. Returns how many grid strokes ran through a label's ink.
size_t GrillesSousEtiquettes(const C_REC& rec, const std::vector<TBoite>& boites) {
  auto est = [](double w, std::initializer_list<double> l) {
    for (double v : l)
      if (std::fabs(w - v) < 1e-9) return true;
    return false;
  };
  std::vector<size_t> fins, grilles, blancs;  // indices of the strokes of each kind
  for (size_t i = 0; i < rec.segs.size(); ++i) {
    const C_REC::Seg& g = rec.segs[i];
    if (g.pen == 0 && std::fabs(g.w - 0.4) > 1e-9)
      blancs.push_back(i);
    else if (est(g.w, {0.75 * 25.4 / 72, 0.2}))
      fins.push_back(i);
    else if (g.pen != 0 && est(g.w, {0.75, 0.5, 0.25}))
      grilles.push_back(i);
  }
  size_t croisees = 0;
  for (const TBoite& b : boites) {
    const double ex = b.l * std::fabs(b.ux) + b.h * std::fabs(b.uy);
    const double ey = b.l * std::fabs(b.uy) + b.h * std::fabs(b.ux);
    auto loin = [&](const C_REC::Seg& g) {
      return std::max(g.x0, g.x1) / 400 < b.cx - ex || std::min(g.x0, g.x1) / 400 > b.cx + ex ||
             std::max(g.y0, g.y1) / 400 < b.cy - ey || std::min(g.y0, g.y1) / 400 > b.cy + ey;
    };
    bool etiquette = false;
    for (size_t k = 0; !etiquette && k < fins.size(); ++k) {
      const C_REC::Seg& g = rec.segs[fins[k]];
      etiquette = !loin(g) && DansBoite(b, g.x0 / 400, g.y0 / 400, 0) &&
                  DansBoite(b, g.x1 / 400, g.y1 / 400, 0);
    }
    if (!etiquette) continue;
    const double L = b.l - kMargeEtiquette - 0.01, H = b.h - kMargeEtiquette - 0.01;
    for (size_t i : grilles) {
      const C_REC::Seg& g = rec.segs[i];
      if (loin(g)) continue;
      // The part of g within the ink, in the box's own axes (Liang-Barsky).
      const double px = g.x0 / 400 - b.cx, py = g.y0 / 400 - b.cy;
      const double qx = (g.x1 - g.x0) / 400, qy = (g.y1 - g.y0) / 400;
      const double s0 = px * b.ux + py * b.uy, ds = qx * b.ux + qy * b.uy;
      const double t0 = -px * b.uy + py * b.ux, dt = -qx * b.uy + qy * b.ux;
      double u0 = 0, u1 = 1;
      bool dedans = true;
      for (const auto& c : {std::make_pair(-ds, s0 + L), std::make_pair(ds, L - s0),
                            std::make_pair(-dt, t0 + H), std::make_pair(dt, H - t0)}) {
        if (c.first == 0)
          dedans = dedans && c.second >= 0;
        else if (c.first < 0)
          u0 = std::max(u0, c.second / c.first);
        else
          u1 = std::min(u1, c.second / c.first);
      }
      if (!dedans || u0 >= u1) continue;
      ++croisees;
      for (int k = 0; k <= 8; ++k) {
        const double u = u0 + (u1 - u0) * k / 8;
        const double x = g.x0 / 400 + u * qx, y = g.y0 / 400 + u * qy;
        bool couvert = false;
        for (size_t j : blancs)
          couvert =
              couvert || (j > i && Distance(rec.segs[j], x, y) <= rec.segs[j].w / 20 + 1.0 / 400);
        EXPECT_TRUE(couvert) << "grid line through the label at " << b.cx << ", " << b.cy
                             << " shows at " << x << ", " << y;
        if (!couvert) return croisees;
      }
    }
  }
  return croisees;
}

// The frames stay whole: no white ground drawn after the frame's edge or its ticks (the strokes
// of the main grid's widths, 0.75 and 0.5 mm in kTraits, with both ends within 0.16 cm of one
// edge) touches their ink at 9 points along each. Returns how many such strokes there are.
size_t BordsEntiers(const C_REC& rec, const std::vector<Cadre>& cadres) {
  std::vector<size_t> bords, blancs;
  const double e = 0.16 + 1.0 / 400;
  for (size_t i = 0; i < rec.segs.size(); ++i) {
    const C_REC::Seg& g = rec.segs[i];
    if (g.pen == 0 && std::fabs(g.w - 0.4) > 1e-9) {
      blancs.push_back(i);
      continue;
    }
    if (g.pen == 0 || (std::fabs(g.w - 0.75) > 1e-9 && std::fabs(g.w - 0.5) > 1e-9)) continue;
    const double x0 = g.x0 / 400, y0 = g.y0 / 400, x1 = g.x1 / 400, y1 = g.y1 / 400;
    auto pres = [&](double a, double b, double v) {
      return std::fabs(a - v) <= e && std::fabs(b - v) <= e;
    };
    for (const Cadre& c : cadres) {
      const bool dansX = std::min(x0, x1) >= c.x0 - e && std::max(x0, x1) <= c.x1 + e;
      const bool dansY = std::min(y0, y1) >= c.y0 - e && std::max(y0, y1) <= c.y1 + e;
      if ((dansY && (pres(x0, x1, c.x0) || pres(x0, x1, c.x1))) ||
          (dansX && (pres(y0, y1, c.y0) || pres(y0, y1, c.y1)))) {
        bords.push_back(i);
        break;
      }
    }
  }
  for (size_t i : bords) {
    const C_REC::Seg& g = rec.segs[i];
    for (int k = 0; k <= 8; ++k) {
      const double x = (g.x0 + (g.x1 - g.x0) * k / 8) / 400;
      const double y = (g.y0 + (g.y1 - g.y0) * k / 8) / 400;
      for (size_t j : blancs) {
        if (j < i) continue;
        const double d = Distance(rec.segs[j], x, y);
        if (d < (rec.segs[j].w + g.w) / 20 - 1.0 / 400) {
          ADD_FAILURE() << "a white ground cuts the frame at " << x << ", " << y;
          return bords.size();
        }
      }
    }
  }
  return bords.size();
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

// Draws the chart kind k on a recorder, as the chart command draws it, and checks its labels;
// with grilles, the widths are those of kTraits, and no grid line may cross a label.
size_t Verifie(const std::string& k, const std::string& ou, bool grilles) {
  SCOPED_TRACE(ou + ": " + k);
  C_REC* rec = nullptr;
  auto holder = RecHolder(GrPS, &rec);
  TEtiquettes places;
  // The frames of each chart (cm): one panel, or two for Bode gain and phase.
  const Cadre plein{2, 18, 1, 27.5};
  std::vector<Cadre> cadres = {plein};
  // Draws chart c, whose Trace takes the holder, and keeps its label boxes.
  auto trace = [&](auto&& c) {
    c.Trace(holder.get());
    places = c.Etiquettes;
  };
  testing::internal::CaptureStdout();  // the Black chart's progress lines
  if (k == "black") {
    GrBlack b;
    b.G = holder.get();
    b.Trace();
    places = b.Etiquettes;
    cadres = {{1.5, 17.5, 0.3, 26.5}};
  } else if (k == "nyquist") {
    trace(TrNyquist());
    cadres = {{1, 18, 5.5, 22.5}};
  } else if (k == "evans") {
    trace(TrEvans());
  } else if (k == "temporel") {
    trace(TrTemp());
  } else {
    Param.RBBode = k == "bodegp" ? RBBodeGainPhase : k == "bodeg" ? RBBodeGain : RBBodePhase;
    trace(TrBode());
    if (k == "bodegp") cadres = {{2, 18, 15, 27.5}, {2, 18, 1, 13.5}};
  }
  testing::internal::GetCapturedStdout();
  EXPECT_TRUE(rec->closed);
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
  if (grilles) {
    const size_t bords = BordsEntiers(*rec, cadres);
    if (k == "black") {
      EXPECT_GT(bords, 400u);  // four edges and their ticks
    }
  }
  return grilles ? GrillesSousEtiquettes(*rec, b) : 0;
}

// Every element of the charts in a width of its own.
const char kTraits[] =
    "EpCourbe = 1.5\nEpBlack = 0.5\nEpNichols = 0.25\nEpBodePrinc = 0.75\nEpBodeSec = 0.25\n"
    "EpTempPrinc = 0.75\nEpTempSec = 0.25\n";

// Runs the script text line by line, each chart line checked instead of drawn to its file, and
// again after the lines of kTraits; returns how many grid strokes ran through a label.
size_t Script(const std::string& texte, const std::string& nom) {
  size_t croisees = 0;
  for (bool grilles : {false, true}) {
    Param.Reset();
    std::istringstream in(grilles ? kTraits + texte : texte);
    std::string l, dernier;
    // Line numbers of the script itself.
    int n = grilles ? -static_cast<int>(std::count(kTraits, kTraits + sizeof kTraits, '\n')) : 0;
    while (std::getline(in, l)) {
      ++n;
      const std::string k = Graphe(l);
      if (k == "csv") continue;
      if (!k.empty()) {
        // The same chart again (on another device) is the same drawing: checked once.
        if (k != dernier) croisees += Verifie(k, nom + ":" + std::to_string(n), grilles);
        dernier = k;
        continue;
      }
      dernier.clear();
      testing::internal::CaptureStdout();
      Ligne(l);
      testing::internal::GetCapturedStdout();
    }
  }
  Param.Reset();
  return croisees;
}

TEST(Etiquettes, EveryExampleChartKeepsItsLabelsApartOnThePageAndDrawsOnlyLabelsOutside) {
  size_t scripts = 0, croisees = 0;
  for (const auto& e : std::filesystem::directory_iterator(CORVANE_SOURCE_DIR "/examples")) {
    if (e.path().extension() != ".txt") continue;
    std::ifstream f(e.path());
    std::stringstream t;
    t << f.rdbuf();
    croisees += Script(t.str(), e.path().filename().string());
    ++scripts;
  }
  EXPECT_GT(scripts, 10u);
  EXPECT_GT(croisees, 10u);  // the circles of the Nyquist chart, the Evans grid, the contours
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
  EXPECT_TRUE(p.Libre(&rec, {1, 1, 1, 0, 1 + m, 0.2 + m}));      // ink from x = 0 to 2
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
