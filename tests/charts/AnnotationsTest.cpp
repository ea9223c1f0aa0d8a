// Legend box of the Bode, Black, time, Nyquist and root-locus charts, read back from the
// segments a recording device received: inside the frame, in a corner the curves leave free
// (their ink measured from the recorded curve segments, not from the legend's own count), one
// line per drawn curve with its pen, width and line style, and markers that tell apart
// functions drawn in one pen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <set>
#include <vector>

#include "charts/GrBlack.h"
#include "charts/TrBode.h"
#include "charts/TrEvans.h"
#include "charts/TrNyquist.h"
#include "model/Param.h"
#include "sim/TrTemp.h"
#include "tests/charts/Recorder.h"

namespace {

struct Rect {
  double xn, xm, yn, ym;  // device units
};

// Length of segment s inside r (Liang-Barsky).
double InkIn(const C_REC::Seg& s, const Rect& r) {
  const double dx = s.x1 - s.x0, dy = s.y1 - s.y0;
  double t0 = 0, t1 = 1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {s.x0 - r.xn, r.xm - s.x0, s.y0 - r.yn, r.ym - s.y0};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return 0;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) t0 = std::max(t0, t);
    else t1 = std::min(t1, t);
    if (t0 > t1) return 0;
  }
  return (t1 - t0) * s.Len();
}

// The legend's frame: four consecutive segments of pen 1, 0.2 mm wide, closing an upright
// rectangle; its index in the segments is put in *at. False when there is none.
bool FindFrame(const C_REC& r, Rect* box, size_t* at) {
  for (size_t i = 0; i + 3 < r.segs.size(); ++i) {
    bool ok = true;
    for (size_t k = i; k < i + 4; ++k) {
      const auto& s = r.segs[k];
      ok = ok && s.pen == 1 && std::fabs(s.w - 0.2) < 1e-12 &&
           (std::fabs(s.x0 - s.x1) <= 1 || std::fabs(s.y0 - s.y1) <= 1) && s.Len() > 100;
    }
    if (!ok || std::hypot(r.segs[i].x0 - r.segs[i + 3].x1, r.segs[i].y0 - r.segs[i + 3].y1) > 1)
      continue;
    *box = {1e300, -1e300, 1e300, -1e300};
    for (size_t k = i; k < i + 4; ++k) {
      const auto& s = r.segs[k];
      *box = {std::min({box->xn, s.x0, s.x1}), std::max({box->xm, s.x0, s.x1}),
              std::min({box->yn, s.y0, s.y1}), std::max({box->ym, s.y0, s.y1})};
    }
    *at = i;
    return true;
  }
  return false;
}

struct Entry {
  int pen;
  bool dashed;
};

struct Row {
  const char* name;
  std::function<void()> setup;  // functions and settings, after the defaults
  std::function<void(TMDGraph*)> draw;
  Rect frame;                   // the frame of the curves, device units
  std::vector<int> curvePens;   // pens whose segments 1 mm wide are curves
  std::vector<Entry> entries;   // the legend's lines, top down
  int corner;                   // the corner expected free, counted by hand: 0 top right,
                                // 1 top left, 2 bottom right, 3 bottom left
  bool busy = true;             // a corner has more than 1 cm of curve
};

void AddLag(const char* name, double k, double pole, int color) {
  double poles[] = {pole};
  Param.AddFctTransfert(name, k, nullptr, 0, poles, 1, nullptr, 0, nullptr, 0)->Color = color;
}

void DrawBode(TMDGraph* g) {
  TrBode b;
  b.Trace(g);
}
void DrawBlack(TMDGraph* g) {
  GrBlack b;
  b.G = g;
  b.Trace();
}
void DrawTime(TMDGraph* g) {
  TrTemp t;
  t.Trace(g);
}
void DrawNyquist(TMDGraph* g) {
  TrNyquist n;
  n.Trace(g);
}
void DrawEvans(TMDGraph* g) {
  TrEvans e;
  e.Trace(g);
}

constexpr double U = 400;  // device units per cm

}  // namespace

TEST(Legend, InAFreeCornerOneLinePerCurve) {
  const Row rows[] = {
      // Gain of 1/s^3 over 0.01..100 rad/s: +120 dB down to -120 dB, and of the constant
      // 8e5 (118.06 dB): with 10 dB above and below, the constant runs 1.2 cm under the top,
      // through both upper corners; 1/s^3 runs through the lower right one too (1 cm above
      // the bottom). The lower left corner is free.
      {"bode",
       [] {
         double poles[] = {0, 0, 0};
         Param.AddFctTransfert("H", 1, nullptr, 0, poles, 3, nullptr, 0, nullptr, 0)->Color = 4;
         Param.AddFctTransfert("G", 8e5)->Color = 2;
         Param.RBBode = RBBodeGain;
       },
       DrawBode, {2 * U, 18 * U, 1 * U, 27.5 * U}, {4, 2}, {{4, false}, {2, false}}, 3},
      // 550/(s+10) on the Black chart (no grid): its open locus starts at 34.8 dB, 0 degrees,
      // and bends left through the upper right corner; the closed locus, 550/(s+560), stays
      // near 0 dB, 0 degrees. The upper left corner is free.
      {"black",
       [] {
         AddLag("H", 550, -10, 4);
         Param.CBBF = true;
         Param.CBEchBlack = false;
         Param.CBNichols = false;
       },
       DrawBlack, {1.5 * U, 17.5 * U, 0.3 * U, 26.5 * U}, {4}, {{4, false}, {4, true}}, 1},
      // Step response of 1/(s+1) over 5 s with the step drawn: the input runs along the top,
      // the output rises from the lower left; the lower right corner is free.
      {"time",
       [] {
         AddLag("F", 1, -1, 8);
         Param.EdTFin = 5;
         Param.EdDt = 0.001;
       },
       DrawTime, {2 * U, 18 * U, 1 * U, 27.5 * U}, {8, 4}, {{4, true}, {8, false}}, 2},
      // The Nyquist circle of 1/(s+1), from 1 to 0 through -j/2 (and its mirror), in the
      // middle of the square frame: every corner is free, the upper right first.
      {"nyquist", [] { AddLag("H", 1, -1, 4); }, DrawNyquist, {1 * U, 18 * U, 5.5 * U, 22.5 * U},
       {4}, {{4, false}}, 0, false},
      // The root locus of 2/(s(s+1)(s+2)), seen from -2.66 to 0.34 (the crossings at +-1.414j,
      // the closed-loop pole at -2.32, 12 % of margin, widened to the frame's shape): the
      // branches from -1 and 0 meet at -0.42 and run up and down to the right, their dotted
      // asymptotes (from -1 at +-60 degrees) leave the frame 0.16 unit (0.85 cm) from its right
      // corners, the third branch runs along the real axis, mid-height, to the left; the name
      // of the imaginary axis stands in the upper right corner too. Both left corners are
      // free: the upper one first.
      {"evans",
       [] {
         double poles[] = {0, -1, -2};
         Param.AddFctTransfert("H", 2, nullptr, 0, poles, 3, nullptr, 0, nullptr, 0)->Color = 4;
       },
       DrawEvans, {2 * U, 18 * U, 1 * U, 27.5 * U}, {4}, {{4, false}}, 1, false},
  };
  for (const Row& row : rows) {
    Param.Reset();
    Param.RBFrequence = false;
    Param.EdWn = 0.01;
    Param.EdWm = 100;
    Param.CBLegende = true;
    row.setup();
    C_REC* rec;
    auto h = RecHolder(GrEMF, &rec);
    testing::internal::CaptureStdout();
    row.draw(h.get());
    testing::internal::GetCapturedStdout();
    Rect box;
    size_t at;
    ASSERT_TRUE(FindFrame(*rec, &box, &at)) << row.name;
    EXPECT_GE(box.xn, row.frame.xn) << row.name;
    EXPECT_LE(box.xm, row.frame.xm) << row.name;
    EXPECT_GE(box.yn, row.frame.yn) << row.name;
    EXPECT_LE(box.ym, row.frame.ym) << row.name;
    // The same box in each corner of the frame, 0.2 cm in: ink of the curves drawn before it.
    const double l = box.xm - box.xn, hh = box.ym - box.yn, m = 0.2 * U;
    const Rect corners[4] = {
        {row.frame.xm - m - l, row.frame.xm - m, row.frame.ym - m - hh, row.frame.ym - m},
        {row.frame.xn + m, row.frame.xn + m + l, row.frame.ym - m - hh, row.frame.ym - m},
        {row.frame.xm - m - l, row.frame.xm - m, row.frame.yn + m, row.frame.yn + m + hh},
        {row.frame.xn + m, row.frame.xn + m + l, row.frame.yn + m, row.frame.yn + m + hh}};
    double ink[4] = {0, 0, 0, 0};
    int chosen = -1;
    for (int c = 0; c < 4; ++c) {
      if (std::fabs(corners[c].xn - box.xn) <= 2 && std::fabs(corners[c].yn - box.yn) <= 2)
        chosen = c;
      for (size_t i = 0; i < at; ++i) {
        const auto& s = rec->segs[i];
        if (std::fabs(s.w - 1) < 1e-12 &&
            std::count(row.curvePens.begin(), row.curvePens.end(), s.pen))
          ink[c] += InkIn(s, corners[c]);
      }
    }
    ASSERT_EQ(chosen, row.corner) << row.name;
    EXPECT_EQ(ink[chosen], *std::min_element(ink, ink + 4)) << row.name;
    EXPECT_EQ(ink[chosen], 0) << row.name;
    if (row.busy) {
      EXPECT_GT(*std::max_element(ink, ink + 4), U) << row.name;
    }
    // One line a curve: a sample 1.2 cm long from 0.2 cm inside the box, in the curve's pen and
    // width, solid or dashed, one line every 0.5 cm from 0.35 cm under the box's top.
    std::set<long> ys;
    for (size_t i = at + 4; i < rec->segs.size(); ++i) {
      const auto& s = rec->segs[i];
      if (std::fabs(s.w - 1) < 1e-12 && std::fabs(s.y0 - s.y1) <= 1 && s.x0 >= box.xn &&
          s.x1 <= box.xm && s.Len() > 20)
        ys.insert(std::lround(s.y0));
    }
    EXPECT_EQ(ys.size(), row.entries.size()) << row.name;
    for (size_t k = 0; k < row.entries.size(); ++k) {
      const double y = box.ym - (0.35 + 0.5 * static_cast<double>(k)) * U;
      double len = 0;
      int pieces = 0;
      for (size_t i = at + 4; i < rec->segs.size(); ++i) {
        const auto& s = rec->segs[i];
        if (s.pen != row.entries[k].pen || std::fabs(s.w - 1) > 1e-12) continue;
        if (std::fabs(s.y0 - y) > 2 || std::fabs(s.y1 - y) > 2) continue;
        if (std::min(s.x0, s.x1) < box.xn + 0.2 * U - 2 || std::max(s.x0, s.x1) > box.xn + 1.4 * U + 2)
          continue;
        len += s.Len();
        ++pieces;
      }
      if (row.entries[k].dashed) {
        EXPECT_GE(pieces, 2) << row.name << " line " << k;
        EXPECT_LE(len, 0.75 * 1.2 * U) << row.name << " line " << k;
        EXPECT_GT(len, 0.25 * 1.2 * U) << row.name << " line " << k;
      } else {
        EXPECT_NEAR(len, 1.2 * U, 2) << row.name << " line " << k;
      }
    }
  }
  Param.Reset();
}

// In black and white, the three functions of one pen carry three different markers along their
// curves, and each legend line shows its function's marker on its sample: the marker strokes
// on each line (short strokes at the sample's middle) differ in number from line to line.
TEST(Legend, MarkersTellFunctionsOfOnePenApart) {
  Param.Reset();
  Param.RBFrequence = false;
  Param.EdWn = 0.01;
  Param.EdWm = 100;
  Param.CBLegende = true;
  Param.CBCouleurs = false;
  Param.RBBode = RBBodeGain;
  AddLag("A", 1, -0.1, 2);
  AddLag("B", 1, -1, 3);
  AddLag("C", 1, -10, 4);
  C_REC* rec;
  auto h = RecHolder(GrEMF, &rec);
  DrawBode(h.get());
  Rect box;
  size_t at;
  ASSERT_TRUE(FindFrame(*rec, &box, &at));
  std::set<size_t> counts;
  for (int k = 0; k < 3; ++k) {
    const double y = box.ym - (0.35 + 0.5 * k) * U, x = box.xn + 0.8 * U;
    size_t n = 0;
    for (size_t i = at + 4; i < rec->segs.size(); ++i) {
      const auto& s = rec->segs[i];
      n += s.Len() > 5 && s.Len() < 0.25 * U && std::fabs((s.x0 + s.x1) / 2 - x) < 0.15 * U &&
           std::fabs((s.y0 + s.y1) / 2 - y) < 0.15 * U;
    }
    EXPECT_GE(n, 3u) << k;
    counts.insert(n);
  }
  EXPECT_EQ(counts.size(), 3u);
  // Along the curves too: the strokes before the legend outnumber those of the same chart
  // without legend by the markers, 2.5 cm apart along curves at least 16 cm long, of 8 + 4 + 3
  // strokes (octagon, square, triangle).
  Param.CBLegende = false;
  C_REC* plain;
  auto h2 = RecHolder(GrEMF, &plain);
  DrawBode(h2.get());
  EXPECT_GE(at, plain->segs.size() + 5 * (8 + 4 + 3));
  Param.Reset();
}
