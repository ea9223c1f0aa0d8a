// Black-Nichols chart: grid lines, the singular end of the 0 dB contour, loci and frequency
// marks checked against closed forms through a recording device.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>

#include "charts/GrBlack.h"
#include "model/Param.h"
#include "tests/charts/Recorder.h"
#include "tests/support/ReadFile.h"
#include "tests/support/RecordingDevice.h"
#include "tests/support/ScratchDir.h"

namespace {

double GainRef(double w) {
  return 20 * std::log10(10 / std::sqrt(1 + w * w) / std::sqrt(100 + w * w));
}
double PhaseRef(double w) { return -(std::atan(w) + std::atan(w / 10)) * 180 / M_PI; }

// Chart window and viewport of the Black plane on a file page.
const Carte kPlan{1.5, 17.5, 0.3, 26.5, -220, 0, -28, 36};

class BlackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Param.Reset();
    Param.RBFrequence = false;
    Param.EdWn = 0.01;
    Param.EdWm = 100;
    Param.EdNBP = 401;
    Param.CBEchBlack = false;
    Param.CBNichols = false;
  }
  void TearDown() override { Param.Reset(); }
  void AddH() {
    double poles[] = {-1, -10};
    Param.AddFctTransfert("H", 10, nullptr, 0, poles, 2, nullptr, 0, nullptr, 0)->Color = 4;
  }
  C_REC* Run() {
    holder_ = RecHolder(GrEMF, &rec_);
    GrBlack b;
    b.G = holder_.get();
    testing::internal::CaptureStdout();
    b.Trace();
    out_ = testing::internal::GetCapturedStdout();
    return rec_;
  }
  std::unique_ptr<TMDGraph> holder_;
  C_REC* rec_ = nullptr;
  std::string out_;
};

// Distance from device point (X, Y) to the nearest vertex of the segments.
double Nearest(const std::vector<C_REC::Seg>& s, double X, double Y) {
  double d = 1e300;
  for (const auto& g : s)
    d = std::min({d, std::hypot(g.x0 - X, g.y0 - Y), std::hypot(g.x1 - X, g.y1 - Y)});
  return d;
}

TEST_F(BlackTest, GridLinesAndConsole) {
  Param.CBEchBlack = true;
  Param.ColorBlack = 5;
  C_REC* rec = Run();
  EXPECT_EQ(out_, "Tracé quadrillage de Black...\n");
  int vert = 0, horiz = 0;
  for (const auto& s : rec->OfPen(5)) {
    double len = s.Len();
    if (std::fabs(s.x0 - s.x1) <= 1 && len > 26.2 * 400) {
      EXPECT_NEAR(std::remainder(kPlan.X(s.x0), 10), 0, 0.04);  // every 10 degrees, 1 unit
      ++vert;
    }
    if (std::fabs(s.y0 - s.y1) <= 1 && len > 16 * 400) {
      EXPECT_NEAR(std::remainder(kPlan.Y(s.y0), 2), 0, 0.01);  // every 2 dB, 1 unit
      ++horiz;
    }
  }
  EXPECT_EQ(vert, 23);   // -220 ... 0
  EXPECT_EQ(horiz, 33);  // -28 ... 36
  // Each gain line's label, left of the frame, reads back as its value; that of 36 dB, at the
  // top corner, would stand 0.5 mm from the "-220°" label above it, and is left out.
  const auto labels = ReadValueLabels(*rec, 5, kPlan, 16 * 400, 1.4 * 400, "dB", 0.3, 2);
  EXPECT_EQ(labels.size(), 33u);
  for (const auto& l : labels) {
    if (std::fabs(l.line - 36) < 0.01)
      EXPECT_TRUE(std::isnan(l.read));
    else
      EXPECT_NEAR(l.read, l.line, 0.04) << l.line;
  }
}

// The critical point carries a square marker of 0.3 cm centred on (-180 deg, 0 dB).
TEST_F(BlackTest, CriticalPointMarker) {
  C_REC* rec = Run();
  auto m = rec->OfPen(1);
  ASSERT_EQ(m.size(), 4u);
  double cx = 0, cy = 0;
  for (const auto& s : m) cx += s.x0 / 4, cy += s.y0 / 4;
  EXPECT_NEAR(kPlan.X(cx), -180, 0.01);
  EXPECT_NEAR(kPlan.Y(cy), 0, 0.01);
  for (const auto& s : m) EXPECT_NEAR(s.Len(), 2 * 0.707 * 0.3 / 2 * 400, 2);  // side 2 x 0.707 c
}

// The open-loop locus of 10/((s+1)(s+10)) passes through its points at 0.1, 1 and 10 rad/s.
TEST_F(BlackTest, LocusThroughOpenLoopPoints) {
  AddH();
  C_REC* rec = Run();
  EXPECT_EQ(out_, "Tracé BO de la fonction H...\n");
  auto locus = rec->OfPen(4);
  ASSERT_GT(locus.size(), 300u);
  for (double w : {0.1, 1.0, 10.0})
    EXPECT_LT(Nearest(locus, kPlan.DevX(PhaseRef(w)), kPlan.DevY(GainRef(w))), 1.5) << w;
}

// Closed loop: 10/(s^2+11s+20) at 1 rad/s is 10/(19+11j).
TEST_F(BlackTest, ClosedLocus) {
  AddH();
  Param.CBBO = false;
  Param.CBBF = true;
  Param.CBPointill = false;  // solid, so that the point checked never falls in a gap
  C_REC* rec = Run();
  EXPECT_EQ(out_, "Tracé BF de la fonction H...\n");
  double g = 20 * std::log10(10 / std::hypot(19, 11)), p = -std::atan2(11, 19) * 180 / M_PI;
  EXPECT_LT(Nearest(rec->OfPen(4), kPlan.DevX(p), kPlan.DevY(g)), 1.5);
}

// Both loci of H run below -28 dB past about 25 rad/s: with the grid drawn first (which writes
// its labels outside the frame), every piece of them stays inside the frame, and the locus
// still reaches the frame's lower edge.
TEST_F(BlackTest, LociClippedToTheFrame) {
  AddH();
  Param.CBEchBlack = true;
  Param.CBBF = true;
  C_REC* rec = Run();
  const auto loci = rec->OfPen(4);
  ASSERT_GT(loci.size(), 50u);
  int outside = 0;
  double lowest = 1e9;
  for (const auto& s : loci) {
    for (double x : {s.x0, s.x1}) outside += x < 1.5 * 400 - 1 || x > 17.5 * 400 + 1;
    for (double y : {s.y0, s.y1}) outside += y < 0.3 * 400 - 1 || y > 26.5 * 400 + 1;
    lowest = std::min({lowest, s.y0, s.y1});
  }
  EXPECT_EQ(outside, 0);
  EXPECT_NEAR(lowest, 0.3 * 400, 1);
}

// The labels of the grid and of the Nichols contours, read back from the drawing: each label is
// drawn on a white ground (white strokes side by side over the label's height, drawn just
// before it),
// every stroke of a label lies on its ground, no two grounds overlap (separating axes of the
// oriented rectangles), and no grid or contour line is drawn once the labels begin, so none
// crosses one. Without placement, -12, -14, -16 and -18 degrees were stacked near
// (-130 degrees, +12 dB).
TEST_F(BlackTest, LabelsDoNotOverlapAndNoLineCrossesThem) {
  Param.CBEchBlack = Param.CBNichols = true;
  Param.ColorBlack = 5;
  Param.ColorNichols = 6;
  C_REC* rec = Run();
  struct Sol {
    double cx, cy, ux, uy, l, h;  // device units
  };
  std::vector<Sol> sols;
  size_t labels = 0, lines_after = 0, off = 0;
  bool blanc = false;  // the last stroke was white
  Sol premier{};       // the first band of the last ground
  double vn = 0, vm = 0;  // the extent of the last ground across its first band
  const double thin = 0.2;  // labels: 25.4 / 72 of the 0.4 mm contours, but at least 0.2 mm
  for (const auto& g : rec->segs) {
    const bool label = std::fabs(g.w - thin) < 1e-9;
    if (g.pen == 0) {
      const double len = g.Len(), h = g.w * 40 / 2;  // half the width, in device units
      const Sol bande{(g.x0 + g.x1) / 2, (g.y0 + g.y1) / 2, len > 0 ? (g.x1 - g.x0) / len : 1,
                      len > 0 ? (g.y1 - g.y0) / len : 0, len / 2 + h, h};
      if (blanc) {
        // The next band of the same ground, alongside the first: the ground runs across the
        // bands from the lowest to the highest (one more band may lie over the middle ones).
        const double v =
            -(bande.cx - premier.cx) * premier.uy + (bande.cy - premier.cy) * premier.ux;
        vn = std::min(vn, v - h);
        vm = std::max(vm, v + h);
        Sol& b = sols.back();
        b.cx = premier.cx - (vn + vm) / 2 * premier.uy;
        b.cy = premier.cy + (vn + vm) / 2 * premier.ux;
        b.h = (vm - vn) / 2;
      } else {
        sols.push_back(bande);
        premier = bande;
        vn = -h;
        vm = h;
      }
      blanc = true;
      continue;
    }
    blanc = false;
    if (label && !sols.empty()) {
      // Both ends on the last ground, within a unit.
      ++labels;
      const Sol& b = sols.back();
      for (auto [x, y] : {std::pair{g.x0, g.y0}, std::pair{g.x1, g.y1}}) {
        const double u = (x - b.cx) * b.ux + (y - b.cy) * b.uy;
        const double v = -(x - b.cx) * b.uy + (y - b.cy) * b.ux;
        off += std::fabs(u) > b.l + 1 || std::fabs(v) > b.h + 1;
      }
    } else if (!sols.empty() && (g.pen == 5 || g.pen == 6)) {
      ++lines_after;
    }
  }
  // Most of the 99 contours' labels (the grid's, outside the frame, need no ground).
  EXPECT_GE(sols.size(), 90u);
  EXPECT_GT(labels, 1000u);
  EXPECT_EQ(off, 0u);
  EXPECT_EQ(lines_after, 0u);
  auto extent = [](const Sol& r, double nx, double ny) {
    return r.l * std::fabs(r.ux * nx + r.uy * ny) + r.h * std::fabs(-r.uy * nx + r.ux * ny);
  };
  size_t overlaps = 0;
  for (size_t i = 0; i < sols.size(); ++i)
    for (size_t j = i + 1; j < sols.size(); ++j) {
      const Sol &a = sols[i], &b = sols[j];
      bool separated = false;
      for (auto [nx, ny] : {std::pair{a.ux, a.uy}, std::pair{-a.uy, a.ux}, std::pair{b.ux, b.uy},
                            std::pair{-b.uy, b.ux}})
        separated = separated || std::fabs((b.cx - a.cx) * nx + (b.cy - a.cy) * ny) >=
                                     extent(a, nx, ny) + extent(b, nx, ny) - 2;
      overlaps += !separated;
    }
  EXPECT_EQ(overlaps, 0u);
}

// Frequency marks: at 1 rad/s a 0.4 cm tick centred on the locus, perpendicular to it.
TEST_F(BlackTest, FrequencyMarks) {
  AddH();
  Param.CBGraduationsChecked = Param.CBGraduationsEnabled = true;
  C_REC* rec = Run();
  double X = kPlan.DevX(PhaseRef(1)), Y = kPlan.DevY(GainRef(1));
  // Locus direction at 1 rad/s from the derivatives of the closed forms, in device units.
  double dph = -(1 / 2.0 + 10 / 101.0) * 180 / M_PI;
  double dg = 20 / std::log(10.0) * -(1 / 2.0 + 1 / 101.0);
  double dx = dph * 16 * 400 / 220, dy = dg * 26.2 * 400 / 64;
  int found = 0, decades = 0;
  for (const auto& s : rec->OfPen(4)) {
    if (std::fabs(s.Len() - 160) < 3) ++decades;
    if (std::hypot((s.x0 + s.x1) / 2 - X, (s.y0 + s.y1) / 2 - Y) < 2 && s.Len() > 150) {
      double cosang = ((s.x1 - s.x0) * dx + (s.y1 - s.y0) * dy) / s.Len() / std::hypot(dx, dy);
      EXPECT_LT(std::fabs(cosang), 0.02);
      ++found;
    }
  }
  EXPECT_EQ(found, 1);
  EXPECT_EQ(decades, 4);  // 0.01, 0.1, 1, 10 rad/s; at 100 rad/s the locus is below -28 dB
}

// A pure gain does not move: its ticks have no direction and stand vertical, 0.4 cm at each of
// the five decades 0.01 ... 100 rad/s and 0.2 cm at the 4 x 8 other marks, all at 6 dB, 0 deg.
TEST_F(BlackTest, StillLocusVerticalTicks) {
  Param.AddFctTransfert("K", 2, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0)->Color = 4;
  Param.CBGraduationsChecked = Param.CBGraduationsEnabled = true;
  C_REC* rec = Run();
  int big = 0, small = 0;
  for (const auto& s : rec->OfPen(4)) {
    if (s.Len() < 1) continue;
    EXPECT_LE(std::fabs(s.x1 - s.x0), 1);
    EXPECT_NEAR(kPlan.X((s.x0 + s.x1) / 2), 0, 0.04);
    EXPECT_NEAR(kPlan.Y((s.y0 + s.y1) / 2), 20 * std::log10(2.0), 0.01);
    if (std::fabs(s.Len() - 160) <= 2) ++big;
    if (std::fabs(s.Len() - 80) <= 2) ++small;
  }
  EXPECT_EQ(big, 5);
  EXPECT_EQ(small, 32);
}

// The 0 dB contour rises towards infinite gain near -90 degrees and stops one step before the
// singular closed-loop phase 0: its highest point is the one at -210/1999 degrees.
TEST(Nichols, ZeroDbContourEndsBeforeZero) {
  Param.Reset();
  Param.CBCouleurs = false;
  C_REC rec;
  ASSERT_EQ(rec.TRINIT(), 0);
  rec.BOUNDS(0, 19, 0, 28);
  rec.VWPORTA(1, 18, 1, 27);
  rec.WINDOW(-91, -89.9, 30, 60);
  TMDGraph h(GrErr);
  h.Gr = &rec;
  GrBlack b;
  b.G = &h;
  b.nichols();
  h.Gr = nullptr;
  rec.TRCLOSE();
  Carte c{1, 18, 1, 27, -91, -89.9, 30, 60};
  double phi = -210.0 / 1999 * M_PI / 180;  // last closed-loop phase swept
  double want_g = -20 * std::log10(2 * std::sin(-phi / 2));
  double want_p = -90 + phi / 2 * 180 / M_PI;
  double top = -1e9, top_x = 0;
  for (const auto& s : rec.segs) {
    if (s.y0 > top) top = s.y0, top_x = s.x0;
    if (s.y1 > top) top = s.y1, top_x = s.x1;
  }
  EXPECT_NEAR(c.Y(top), want_g, 0.01);
  EXPECT_NEAR(c.X(top_x), want_p, 0.001);
  EXPECT_LT(c.Y(top), 59);  // never reaches the top edge
}

TEST_F(BlackTest, Widths) {
  AddH();
  Param.CBEchBlack = Param.CBNichols = true;
  Param.ColorBlack = 5;
  Param.ColorNichols = 6;
  Param.EpBlack = 0.3;
  Param.EpNichols = 0.5;
  Param.EpCourbe = 1.5;
  C_REC* rec = Run();
  EXPECT_TRUE(AllWidths(*rec, 1, 0.4));  // the critical-point marker
  EXPECT_TRUE(AllWidths(*rec, 5, 0.3));
  EXPECT_TRUE(AllWidths(*rec, 6, 0.5));
  EXPECT_TRUE(AllWidths(*rec, 4, 1.5));
}

TEST_F(BlackTest, PointCounts) {
  // 1/(s+1) from 0.5 to 2 rad/s stays inside the plane and moves by several device units per
  // point: every segment reaches the device.
  double poles[] = {-1};
  Param.AddFctTransfert("F", 1, nullptr, 0, poles, 1, nullptr, 0, nullptr, 0)->Color = 4;
  Param.EdWn = 0.5;
  Param.EdWm = 2;
  Param.CBPointill = false;
  struct {
    int asked;
    size_t segs;
  } cases[] = {{1, 199}, {0, 199}, {2, 1}, {50, 49}};
  for (const auto& c : cases) {
    Param.EdNBP = c.asked;
    EXPECT_EQ(Run()->OfPen(4).size(), c.segs) << c.asked;
  }
}

TEST_F(BlackTest, EmptyRegistryStillCloses) {
  Param.CBNichols = true;
  C_REC* rec = Run();
  EXPECT_EQ(out_.rfind("Tracé courbes Nichols...\n", 0), 0u);
  EXPECT_TRUE(rec->closed);
  EXPECT_GT(rec->segs.size(), 10000u);
}

// Charts drawing their contours from a cache that earlier charts filled give, call for call, the
// segments, pens, widths and console lines of the same chart drawn alone; a chart whose pens or
// width differ from every kept drawing draws its own, and so does one whose grid is wider (the
// labels keep further from the frame's edges).
TEST_F(BlackTest, CachedContoursAsDrawnAlone) {
  AddH();
  Param.CBEchBlack = Param.CBNichols = true;
  struct {
    bool couleurs;
    int couleur;
    double epaisseur;
    double grille = 0.4;
  } rows[] = {{true, 6, 0.5},  {true, 6, 0.5}, {false, 6, 0.5}, {true, 3, 0.5},
              {true, 3, 0.25}, {true, 6, 0.5}, {false, 6, 0.5}, {true, 6, 0.5, 2}};
  TCacheNichols cache;
  for (const auto& r : rows) {
    Param.CBCouleurs = r.couleurs;
    Param.ColorNichols = r.couleur;
    Param.EpNichols = r.epaisseur;
    Param.EpBlack = r.grille;
    const std::vector<C_REC::Seg> seul = Run()->segs;
    const std::string ditSeul = out_;
    C_REC* rec;
    holder_ = RecHolder(GrEMF, &rec);
    GrBlack b;
    b.G = holder_.get();
    b.Cache = &cache;
    testing::internal::CaptureStdout();
    b.Trace();
    const std::string dit = testing::internal::GetCapturedStdout();
    EXPECT_EQ(dit, ditSeul) << r.couleur;
    ASSERT_EQ(rec->segs.size(), seul.size()) << r.couleur;
    for (size_t i = 0; i < seul.size(); ++i) {
      const C_REC::Seg &a = rec->segs[i], &e = seul[i];
      ASSERT_TRUE(a.x0 == e.x0 && a.y0 == e.y0 && a.x1 == e.x1 && a.y1 == e.y1 && a.pen == e.pen &&
                  a.w == e.w)
          << r.couleur << " " << i;
    }
  }
}

// The contours and their labels drawn by pieces that a context without device records and the
// chart's device replays, on this thread alone or with a second core's help, give each file
// device the bytes, and the console the lines, of the drawing in place; a device at the screen's
// scale gets the same calls, one for one. Then the cache that a drawing by pieces filled gives a
// second chart the bytes of the first.
TEST_F(BlackTest, ContoursByPiecesAsInPlace) {
  AddH();
  Param.CBEchBlack = Param.CBNichols = Param.CBCouleurs = true;
  Param.CBBF = true;
  Param.CBPointill = true;
  ScratchDir dir;
  const GrBlack::Facon facons[] = {GrBlack::kEnPlace, GrBlack::kParPieces, GrBlack::kDeuxCoeurs};
  struct {
    GrType t;
    const char* ext;
  } fichiers[] = {{GrPS, ".eps"}, {GrEMF, ".emf"}, {GrPDF, ".pdf"}, {GrSVG, ".svg"}, {GrPNG, ".png"}};
  for (const auto& f : fichiers) {
    std::string ref, refDit;
    TCacheNichols cache;
    for (int essai = 0; essai < 4; ++essai) {
      // In place, by pieces on one core, on two; then from the cache the last one filled.
      const GrBlack::Facon facon = facons[std::min(essai, 2)];
      const std::string nom = dir.path() + "/b" + std::to_string(essai) + f.ext;
      std::string dit;
      {
        TMDGraph g(f.t, nom.c_str());
        GrBlack b;
        b.G = &g;
        b.Contours = facon;
        if (essai >= 2) b.Cache = &cache;
        testing::internal::CaptureStdout();
        b.Trace();
        dit = testing::internal::GetCapturedStdout();
        ASSERT_EQ(b.CloseErr, 0) << f.ext;
      }
      const std::string octets = ReadFile(nom);
      if (essai == 0) {
        ref = octets;
        refDit = dit;
        ASSERT_GT(ref.size(), 10000u) << f.ext;
        continue;
      }
      EXPECT_TRUE(octets == ref) << f.ext << " " << essai;
      EXPECT_EQ(dit, refDit) << f.ext << " " << essai;
    }
  }
  std::vector<RecordingDevice::Call> ref;
  for (GrBlack::Facon facon : facons) {
    auto g = std::make_unique<TMDGraph>(GrErr);
    auto* d = new RecordingDevice(50, 50, 10, 14, 15);
    g->Gr = d;
    g->Type = GrScr;
    GrBlack b;
    b.G = g.get();
    b.Contours = facon;
    testing::internal::CaptureStdout();
    b.Trace();
    testing::internal::GetCapturedStdout();
    if (facon == GrBlack::kEnPlace) {
      ref = d->calls;
      ASSERT_GT(ref.size(), 5000u);
      continue;
    }
    ASSERT_EQ(d->calls.size(), ref.size()) << facon;
    for (size_t i = 0; i < ref.size(); ++i) {
      const RecordingDevice::Call &a = d->calls[i], &e = ref[i];
      ASSERT_TRUE(a.kind == e.kind && a.a == e.a && a.b == e.b && a.c == e.c && a.mm == e.mm)
          << facon << " " << i;
    }
  }
}

TEST(BlackTables, Rows) {
  EXPECT_EQ(mdb[20].v, 0);
  EXPECT_EQ(mdb[20].n, -210);
  EXPECT_EQ(mdb[20].ptxt, -1.25);
  EXPECT_STREQ(mdb[0].txt, "dB ");
  EXPECT_STREQ(mdb[19].txt, "dB");
  EXPECT_EQ(mdb[58].v, -23);
  EXPECT_EQ(mdb[38].v, -3.5);
  EXPECT_EQ(mdb[38].n, -60);
  for (const T_CRB& c : mdb) EXPECT_EQ(c.m, c.v >= 0 ? 0 : -1e-5) << c.v;
  EXPECT_EQ(mph[17].v, -20);
  EXPECT_EQ(mph[17].m, 8);
  EXPECT_EQ(mph[16].ptxt, 1.25);
  EXPECT_EQ(mph[12].ptxt, -2.25);
  EXPECT_EQ(mph[36].rot, -180);
  EXPECT_EQ(mph[35].rot, 0);
  EXPECT_EQ(mph[39].v, -210);
}

}  // namespace

// Margins of 2/(s(s+1)(s+2)) marked with Marges: the locus meets -180 degrees at
// -20 log10(3) dB (gain margin 9.54 dB at sqrt(2) rad/s) and 0 dB at 90 - atan(wc) - atan(wc/2)
// degrees from -180 (wc the root of 2 = wc sqrt(1 + wc^2) sqrt(4 + wc^2)); each point is joined
// to the critical point by a segment half the locus's width, and marked. Without Marges, none.
// The contours' points built into the program are the ones CalculeContour computes here, bit for
// bit; and each is what its row says: the closed-loop value T = H / (1 + H) of the open-loop point
// H it stands for has the row's gain (iso-gain) or phase (iso-phase), and the swept parameter
// runs evenly from n to m (the closed-loop phase of an iso-gain contour, the closed-loop gain of
// an iso-phase one). Points missing: only the singular closed-loop value 1 of the 0 dB contour.
TEST(BlackTables, ContourPoints) {
  std::vector<double> calcul(2 * kPointsContour);
  int manquants = 0;
  for (int i = 0; i < kNbContours; ++i) {
    const double* table = PointsContour(i);
    CalculeContour(i, calcul.data(), calcul.data() + kPointsContour);
    ASSERT_EQ(std::memcmp(table, calcul.data(), calcul.size() * sizeof(double)), 0) << i;
    const bool iso_gain = i < kNbIsoGain;
    const T_CRB& c = iso_gain ? mdb[i] : mph[i - kNbIsoGain];
    for (int k = 0; k < kPointsContour; ++k) {
      const double x = table[k], y = table[kPointsContour + k];
      if (std::isnan(x) || std::isnan(y)) {
        ++manquants;
        continue;
      }
      const std::complex<double> h = std::polar(std::pow(10.0, y / 20), x * M_PI / 180);
      const std::complex<double> t = h / (1.0 + h);
      const double gain = 20 * std::log10(std::abs(t)), phase = std::arg(t) * 180 / M_PI;
      const double param = c.n + (c.m - c.n) * k / (kPointsContour - 1);
      // Phases compared modulo 360 degrees.
      auto ecart = [](double a, double b) { return std::remainder(a - b, 360.0); };
      if (iso_gain) {
        ASSERT_NEAR(gain, c.v, 1e-6) << i << " " << k;
        ASSERT_NEAR(ecart(phase, param), 0, 1e-6) << i << " " << k;
      } else {
        ASSERT_NEAR(ecart(phase, c.v), 0, 1e-6) << i << " " << k;
        ASSERT_NEAR(gain, param, 1e-6) << i << " " << k;
      }
    }
  }
  EXPECT_EQ(manquants, 1);
  EXPECT_TRUE(std::isnan(PointsContour(20)[kPointsContour - 1]));  // 0 dB at 0 degrees
}

TEST_F(BlackTest, MarginsJoinedToTheCriticalPoint) {
  double lo = 0.1, hi = 10;
  for (int i = 0; i < 200; ++i) {
    const double m = std::sqrt(lo * hi);
    (2 / (m * std::sqrt(1 + m * m) * std::sqrt(4 + m * m)) > 1 ? lo : hi) = m;
  }
  const double mp = 90 - (std::atan(lo) + std::atan(lo / 2)) * 180 / M_PI;
  const double mg = 20 * std::log10(3.0);
  for (bool marges : {true, false}) {
    Param.Reset();
    SetUp();
    Param.CBMarges = marges;
    double poles[] = {0, -1, -2};
    Param.AddFctTransfert("H", 2, nullptr, 0, poles, 3, nullptr, 0, nullptr, 0)->Color = 4;
    C_REC* rec = Run();
    std::vector<C_REC::Seg> v, hz;
    int marque = 0;
    for (const auto& s : rec->OfPen(4)) {
      if (std::fabs(s.w - 0.5) > 1e-12) continue;
      if (s.Len() > 100 && std::fabs(s.x0 - s.x1) <= 1) v.push_back(s);
      if (s.Len() > 100 && std::fabs(s.y0 - s.y1) <= 1) hz.push_back(s);
      if (s.Len() > 10 && s.Len() < 100) ++marque;
    }
    if (!marges) {
      EXPECT_TRUE(v.empty() && hz.empty());
      EXPECT_EQ(marque, 0);
      continue;
    }
    ASSERT_EQ(v.size(), 1u);
    ASSERT_EQ(hz.size(), 1u);
    EXPECT_NEAR(kPlan.X(v[0].x0), -180, 0.05);
    EXPECT_NEAR(kPlan.Y(std::max(v[0].y0, v[0].y1)), 0, 0.05);
    EXPECT_NEAR(kPlan.Y(std::min(v[0].y0, v[0].y1)), -mg, 0.05);
    EXPECT_NEAR(kPlan.Y(hz[0].y0), 0, 0.05);
    EXPECT_NEAR(kPlan.X(std::min(hz[0].x0, hz[0].x1)), -180, 0.05);
    EXPECT_NEAR(kPlan.X(std::max(hz[0].x0, hz[0].x1)), -180 + mp, 0.05);
    EXPECT_EQ(marque, 16);  // two octagons
  }
}
