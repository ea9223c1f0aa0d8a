// Checks the vector pipeline: clipping, rounding residue, dash cutting, the move queue and its
// optimiser, line-style settings and byte output, through a device that records its calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "plot/Recording.h"
#include "tests/support/RecordingDevice.h"

namespace {

struct Pt {
  int x, y, st;
  bool operator==(const Pt& o) const { return x == o.x && y == o.y && st == o.st; }
};
std::ostream& operator<<(std::ostream& os, const Pt& p) {
  return os << "(" << p.x << "," << p.y << (p.st ? ",down)" : ",up)");
}

// Absolute positions reached by the recorded moves, from the origin.
std::vector<Pt> Path(const RecordingDevice& d) {
  std::vector<Pt> p;
  int x = 0, y = 0;
  for (const auto& m : d.Moves()) {
    x += m.a;
    y += m.b;
    p.push_back({x, y, m.c});
  }
  return p;
}

// A device where one user unit is one device unit over the whole page, the origin untouched.
void OpenUnitWindow(RecordingDevice* d) {
  d->Open();
  d->WINDOW(0, 11880, 0, 8400);
}

// Clipping to a 400..800 square window in device units.
void OpenClipSquare(RecordingDevice* d) {
  d->Open();
  d->VWPORTA(1, 2, 1, 2);
  d->WINDOW(400, 800, 400, 800);
}

TEST(PipelineClip, InsideToOutsideIsCutAndReentryStartsWithAMove) {
  RecordingDevice d;
  OpenClipSquare(&d);
  d.MOVE(500, 500);
  d.DRAW(1000, 600);  // leaves through x = 800 at y = 560
  d.DRAW(600, 700);   // comes back through x = 800 at y = 650
  d.TRFLUSH();
  const std::vector<Pt> want = {{500, 500, 0}, {800, 560, 1}, {800, 650, 0}, {600, 700, 1}};
  EXPECT_EQ(Path(d), want);
}

TEST(PipelineClip, BothEndsOutsideIsDroppedButThePositionMoves) {
  RecordingDevice d;
  OpenClipSquare(&d);
  d.MOVE(500, 500);
  d.MOVE(300, 300);
  d.DRAW(900, 900);  // crosses the square, both ends outside
  d.TRFLUSH();
  // The move out stops at the corner it crosses; the crossing draw sends nothing.
  const std::vector<Pt> want = {{400, 400, 0}};
  EXPECT_EQ(Path(d), want);
  double x, y;
  d.GET_POS(&x, &y);
  EXPECT_NEAR(x, 900, 1e-9);
  EXPECT_NEAR(y, 900, 1e-9);
}

TEST(PipelineClip, EdgesAreInsideAndNoClippingModeDrawsEverything) {
  RecordingDevice d;
  OpenClipSquare(&d);
  d.MOVE(400, 400);
  d.DRAW(800, 800);  // corner to corner, on the rectangle
  d.SETPRT(-1);
  d.DRAW(1200, 300);
  d.TRFLUSH();
  const std::vector<Pt> want = {{400, 400, 0}, {800, 800, 1}, {1200, 300, 1}};
  EXPECT_EQ(Path(d), want);
}

TEST(PipelineClip, PointClippingTable) {
  RecordingDevice d;
  d.Open();
  d.prt = 0;
  d.prtxn = 0, d.prtxm = 10, d.prtyn = 0, d.prtym = 10;
  struct Row {
    double x, y, dx, dy;  // point and segment direction
    double ex, ey;        // expected clipped point
    int in;
  };
  const Row rows[] = {
      {5, 5, 1, 1, 5, 5, 1},        // inside
      {15, 5, 10, 0, 10, 5, 0},     // right of the rectangle, horizontal segment
      {-5, 5, 10, 5, 0, 7.5, 0},    // left, slope 1/2: y = 5 + 5 * 0.5
      {5, 15, 0, 10, 5, 10, 0},     // above, vertical segment
      {5, -4, 2, 8, 6, 0, 0},       // below: x = 5 + 2 * 4 / 8
      {15, 15, 10, 10, 10, 10, 0},  // corner
      {14, 13, 2, 1, 8, 10, 0},     // right, then above: y = 11 at x = 10, so x = 8 at y = 10
      {10, 10, 3, 4, 10, 10, 1},    // on the corner itself
  };
  for (const Row& r : rows) {
    double x = r.x, y = r.y;
    int in = -1;
    d.bninwd(&x, &y, r.dx, r.dy, &in);
    EXPECT_NEAR(x, r.ex, 1e-12) << r.x << "," << r.y;
    EXPECT_NEAR(y, r.ey, 1e-12) << r.x << "," << r.y;
    EXPECT_EQ(in, r.in) << r.x << "," << r.y;
  }
}

TEST(PipelineResidue, TenThirdsOfAUnitSumToThree) {
  RecordingDevice d;
  OpenUnitWindow(&d);
  double sum = 0;
  for (int i = 1; i <= 10; ++i) {
    d.DRAW(0.3 * i, 0);
    d.TRFLUSH();
    sum = 0;
    for (const auto& m : d.Moves()) sum += m.a;
    EXPECT_LE(std::fabs(sum - 0.3 * i), 0.5 + 1e-9) << i;
  }
  EXPECT_EQ(sum, 3);
}

TEST(PipelineResidue, ARandomWalkNeverDriftsMoreThanHalfAUnit) {
  RecordingDevice d;
  OpenUnitWindow(&d);
  d.MOVE(5000, 4000);
  unsigned s = 12345;
  auto next = [&s] {
    s = s * 1103515245u + 12345u;
    return ((s >> 8) % 20001) / 1000.0 - 10.0;  // -10 .. 10 in thousandths
  };
  double x = 5000, y = 4000;
  long sx = 0, sy = 0;
  size_t seen = 0;
  for (int i = 0; i < 2000; ++i) {
    x += next();
    y += next();
    if (i % 3 == 0)
      d.MOVE(x, y);
    else
      d.DRAW(x, y);
    d.TRFLUSH();
    const auto moves = d.Moves();
    for (; seen < moves.size(); ++seen) sx += moves[seen].a, sy += moves[seen].b;
    ASSERT_LE(std::fabs(sx - x), 0.5 + 1e-9) << i;
    ASSERT_LE(std::fabs(sy - y), 0.5 + 1e-9) << i;
  }
}

TEST(PipelineDash, StyleOneOnA400UnitDeviceAlternates120Units) {
  RecordingDevice d;
  OpenUnitWindow(&d);
  ASSERT_EQ(d.SETLIN(1, 1.0), 0);
  d.DRAW(1000, 0);
  d.DRAW(1000, 300);  // the pattern runs on across the vertex: 80 drawn left of the first dash
  d.TRFLUSH();
  const std::vector<Pt> want = {{120, 0, 1},  {240, 0, 0},   {360, 0, 1},    {480, 0, 0},
                                {600, 0, 1},  {720, 0, 0},   {840, 0, 1},    {960, 0, 0},
                                {1000, 0, 1}, {1000, 80, 1}, {1000, 200, 0}, {1000, 300, 1}};
  EXPECT_EQ(Path(d), want);
}

TEST(PipelineDash, DiagonalDashesFollowTheDirectionAndEndOnTarget) {
  RecordingDevice d;
  OpenUnitWindow(&d);
  d.SETLIN(1, 1.0);
  d.DRAW(300, 400);  // 500 long: 120-unit pieces are (72, 96)
  d.TRFLUSH();
  const std::vector<Pt> want = {
      {72, 96, 1}, {144, 192, 0}, {216, 288, 1}, {288, 384, 0}, {300, 400, 1}};
  EXPECT_EQ(Path(d), want);
}

// First pattern period of every style at size 1 on a 400-unit device, lengths in device units.
TEST(PipelineDash, EveryPredefinedStyle) {
  const std::vector<std::vector<int>> styles = {
      {},
      {120, 120},
      {120, 40},
      {240, 80, 32, 80},
      {240, 40, 20, 40, 20, 40},
      {40, 120},
      {200, 32, 80, 32, 80, 32},
      {40, 32, 80, 32, 40, 32, 200, 32},
      {200, 40},
      {40, 200},
      {240, 40, 20, 40, 20, 40, 20, 40},
      {32, 36, 120, 32, 120, 36},
  };
  for (int t = 0; t < 12; ++t) {
    RecordingDevice d;
    OpenUnitWindow(&d);
    ASSERT_EQ(d.SETLIN(t, 1.0), 0);
    d.DRAW(10000, 0);
    d.TRFLUSH();
    const auto moves = d.Moves();
    int total = 0;
    for (const auto& m : moves) total += m.a;
    EXPECT_EQ(total, 10000) << t;
    if (t == 0) {
      ASSERT_EQ(moves.size(), 1u);
      continue;
    }
    const auto& want = styles[t];
    ASSERT_GE(moves.size(), want.size()) << t;
    for (size_t i = 0; i < want.size(); ++i) {
      EXPECT_EQ(moves[i].a, want[i]) << "type " << t << " element " << i;
      EXPECT_EQ(moves[i].c, i % 2 == 0 ? 1 : 0) << "type " << t << " element " << i;
    }
  }
}

// The pattern is laid along the curve, not along its rounded moves: a slope of 1/2 drawn in
// 0.3-unit steps (each move (0, 0), (1, 0) or (1, 1) once rounded, which add up 6 % longer) is
// cut into dashes and gaps each 120 units long end to end, to the unit, for 50 periods.
TEST(PipelineDash, DashesOfShortMovesKeepTheirLengthAlongTheCurve) {
  RecordingDevice d;
  OpenUnitWindow(&d);
  d.SETLIN(1, 1.0);
  d.MOVE(100, 100);
  const double ux = 2 / std::sqrt(5.0), uy = 1 / std::sqrt(5.0);
  for (int i = 1; i <= 40000; ++i) d.DRAW(100 + 0.3 * i * ux, 100 + 0.3 * i * uy);
  d.TRFLUSH();
  // The ends of the runs of drawn and of blank moves.
  std::vector<std::pair<int, int>> ends;
  int x = 0, y = 0, st = -1;
  for (const auto& m : d.Moves()) {
    if (m.c != st && (m.a != 0 || m.b != 0)) ends.push_back({x, y}), st = m.c;
    x += m.a;
    y += m.b;
  }
  ASSERT_GT(ends.size(), 100u);
  for (size_t i = 2; i < 100; ++i)
    EXPECT_NEAR(std::hypot(ends[i].first - ends[i - 1].first, ends[i].second - ends[i - 1].second),
                120, 1.5)
        << i;
}

// A device that draws its own dashes gets every move whole and the pattern by tr_dash: the new
// pattern after the moves drawn in the old one, started afresh by each setting; text and
// markers drawn solid in between, the pattern coming back where it was; nothing said between
// two solid settings. A recording of the calls replays them, patterns included.
TEST(PipelineDash, DeviceDrawingItsOwnDashes) {
  RecordingDevice d;
  d.dash_native = true;
  OpenUnitWindow(&d);
  d.SETLIN(0, 1.0);
  d.SETLIN(1, 1.0);
  d.DRAW(1000, 0);
  d.PLOT(500, 500);
  d.DRAW(1000, 300);
  d.CADPUTS("A", 0);
  const double tirets[3] = {0.1, 0.2, 0.05};
  d.USERLINE(3, tirets);
  d.DRAW(0, 0);
  d.SETLIN(0, 1.0);
  d.TRFLUSH();
  // Drawn moves before each pattern call, and the calls.
  std::vector<std::string> seen;
  for (const auto& c : d.calls) {
    if (c.kind == RecordingDevice::kDash)
      seen.push_back("dash " + std::to_string(c.a) + (c.b ? " restart" : ""));
    else if (c.kind == RecordingDevice::kMove && c.c == 1 && c.a == 1000 && c.b == 0)
      seen.push_back("line");
  }
  const std::vector<std::string> want = {"dash 2 restart", "line", "dash 1", "dash 2",
                                         "dash 1", "dash 2", "dash 3 restart", "dash 1 restart"};
  EXPECT_EQ(seen, want);
  ASSERT_EQ(d.dashes.size(), 7u);
  const std::vector<double> want0 = {120, 120}, want5 = {40, 80, 20};
  ASSERT_EQ(d.dashes[0].size(), 2u);
  ASSERT_EQ(d.dashes[5].size(), 3u);
  for (size_t i = 0; i < 2; ++i) EXPECT_NEAR(d.dashes[0][i], want0[i], 1e-4);
  for (size_t i = 0; i < 3; ++i) EXPECT_NEAR(d.dashes[5][i], want5[i], 1e-9);
  // The dashed moves are whole: from the marker at (500, 500) to (1000, 300) in one move.
  size_t whole = 0;
  for (const auto& c : d.calls)
    whole += c.kind == RecordingDevice::kMove && c.a == 500 && c.b == -200 && c.c == 1;
  EXPECT_EQ(whole, 1u);

  RecordingDevice a, b;
  for (RecordingDevice* g : {&a, &b}) {
    g->dash_native = true;
    OpenUnitWindow(g);
  }
  TRecording rec;
  ASSERT_TRUE(rec.Begin(&a));
  a.USERLINE(3, tirets);
  a.DRAW(100, 100);
  a.SETLIN(0, 1.0);
  // Draws on either side of the recording's short moves (127 units along each axis at most), a
  // pen-up move, a pen and a width.
  const int pas[][2] = {{127, -127}, {-127, 127}, {128, 0}, {0, -128}, {-128, 5}, {3, 200}};
  double x = 1000, y = 1000;
  a.MOVE(x, y);
  for (const auto& d : pas) a.DRAW(x += d[0], y += d[1]);
  a.MOVE(50, 60);
  a.PLUME(3);
  a.LINEWIDTH(0.7);
  a.DRAW(51, 61);
  a.TRFLUSH();
  rec.End(&a);
  for (const auto& d : pas) {
    size_t vus = 0;
    for (const auto& c : a.calls)
      vus += c.kind == RecordingDevice::kMove && c.a == d[0] && c.b == d[1] && c.c == 1;
    EXPECT_EQ(vus, 1u) << d[0] << " " << d[1];
  }
  rec.Replay(&b);
  ASSERT_EQ(b.calls.size(), a.calls.size());
  for (size_t i = 0; i < a.calls.size(); ++i)
    EXPECT_TRUE(a.calls[i].kind == b.calls[i].kind && a.calls[i].a == b.calls[i].a &&
                a.calls[i].b == b.calls[i].b && a.calls[i].c == b.calls[i].c)
        << i;
  EXPECT_EQ(b.dashes, a.dashes);
}

TEST(PipelineDash, LineStyleChecksAndQueries) {
  RecordingDevice d;
  d.Open();
  const double good[2] = {0.5, 0.2}, zero[2] = {0.5, 0}, neg[2] = {-1, 1};
  const double eleven[11] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  EXPECT_EQ(d.SETLIN(12, 1.0), 3);
  EXPECT_EQ(d.SETLIN(-1, 1.0), 3);
  EXPECT_EQ(d.SETLIN(1, 0.01), 3);
  EXPECT_EQ(d.USERLINE(0, good), 3);
  EXPECT_EQ(d.USERLINE(11, eleven), 3);
  EXPECT_EQ(d.USERLINE(2, zero), 3);
  EXPECT_EQ(d.USERLINE(2, neg), 3);
  int t;
  double s;
  ASSERT_EQ(d.SETLIN(3, 0.5), 0);
  d.GET_LIN(&t, &s);
  EXPECT_EQ(t, 3);
  EXPECT_EQ(s, 0.0);
  d.SETLIN(2, 2.7);
  d.GET_LIN(&t, &s);
  EXPECT_EQ(t, 2);
  EXPECT_EQ(s, 2.0);
  EXPECT_NEAR(d.trc[0], 0.3 * 2.7 * 400, 1e-4);
  ASSERT_EQ(d.USERLINE(2, good), 0);
  d.GET_LIN(&t, &s);
  EXPECT_EQ(t, -1);
  EXPECT_EQ(s, 1.0);
  EXPECT_EQ(d.trc[1], 0.2 * 400);
  EXPECT_EQ(d.nbsg, 2);
}

TEST(PipelineDash, TooFineUserPatternStillReachesTheTarget) {
  RecordingDevice d;
  OpenUnitWindow(&d);
  const double fine[2] = {1e-9, 1e-9};
  ASSERT_EQ(d.USERLINE(2, fine), 0);
  d.DRAW(300, 200);
  d.TRFLUSH();
  const auto p = Path(d);
  ASSERT_FALSE(p.empty());
  EXPECT_EQ(p.back().x, 300);
  EXPECT_EQ(p.back().y, 200);
}

TEST(PipelineQueue, TwoPenUpMovesMergeAndThreeMergeOnlyPairwise) {
  RecordingDevice d;
  OpenUnitWindow(&d);
  d.MOVE(100, 100);
  d.MOVE(200, 300);
  d.DRAW(300, 300);
  d.TRFLUSH();
  std::vector<Pt> want = {{200, 300, 0}, {300, 300, 1}};
  EXPECT_EQ(Path(d), want);
  d.calls.clear();
  d.MOVE(400, 300);
  d.MOVE(500, 300);
  d.MOVE(600, 300);
  d.TRFLUSH();
  ASSERT_EQ(d.Moves().size(), 2u);  // one pass merges the first two only
  EXPECT_EQ(d.Moves()[0].a + d.Moves()[1].a, 300);
}

TEST(PipelineQueue, PenupThenPendwDoesNotBreakALine) {
  RecordingDevice d;
  OpenUnitWindow(&d);
  d.DRAW(100, 0);
  d.PENUP();
  d.DRAW(200, 0);
  d.TRFLUSH();
  std::vector<Pt> want = {{100, 0, 1}, {200, 0, 1}};
  EXPECT_EQ(Path(d), want);
  d.calls.clear();
  d.DRAW(300, 0);
  d.PENUP();
  d.PENDW();
  d.DRAW(400, 0);
  d.TRFLUSH();
  for (const auto& m : d.Moves()) EXPECT_EQ(m.c, 1);
}

TEST(PipelineQueue, AtMostFiveMovesWait) {
  RecordingDevice d;
  OpenUnitWindow(&d);
  for (int i = 1; i <= 12; ++i) {
    d.DRAW(10 * i, 0);
    EXPECT_EQ(d.Moves().size(), static_cast<size_t>(i > 5 ? i - 5 : 0)) << i;
    EXPECT_LE(d.nbfifo, 5);
  }
}

TEST(PipelineQueue, DelfRemovesOneEntry) {
  RecordingDevice d;
  d.Open();
  for (int i = 0; i < 4; ++i) d.fifo[i] = {i, i, 1};
  d.nbfifo = 4;
  d.bn_delf(1);
  ASSERT_EQ(d.nbfifo, 3);
  EXPECT_EQ(d.fifo[0].dx, 0);
  EXPECT_EQ(d.fifo[1].dx, 2);
  EXPECT_EQ(d.fifo[2].dx, 3);
  d.nbfifo = 0;
  d.bn_delf(0);
  EXPECT_EQ(d.nbfifo, 0);
}

TEST(PipelineInput, NonFiniteAndHugePointsAreSafe) {
  RecordingDevice d;
  OpenUnitWindow(&d);
  d.SETPRT(-1);
  d.DRAW(NAN, 5);
  d.DRAW(INFINITY, 5);
  d.DRAW(1e300, 5);
  d.DRAW(100, 5);
  d.TRFLUSH();
  const auto p = Path(d);
  ASSERT_FALSE(p.empty());
  EXPECT_EQ(p.back().x, 100);
  EXPECT_EQ(p.back().y, 5);
}

// DRAWS over an array gives the moves of DRAW to each point in turn, and leaves the pen as DRAW
// does: a walk that leaves and re-enters the clipping square, crosses a block boundary, meets a
// non-finite value and a far jump, with clipping on or off, solid or dashed. So does DRAWS of the
// moves PrepareDraws made ahead, by pieces of 100 points (the points it leaves drawn by plain
// DRAWS), and with moves prepared in another window, which it must not use.
TEST(PipelineInput, DrawsGivesTheMovesOfDrawForEachPoint) {
  std::vector<double> xs, ys;
  unsigned s = 987;
  auto next = [&s] {
    s = s * 1103515245u + 12345u;
    return ((s >> 8) % 20001) / 1000.0 - 10.0;
  };
  double x = 600, y = 600;
  for (int i = 0; i < 1500; ++i) {
    const double pas = i % 50 == 0 ? 40 : 0.05;  // small steps give moves of zero length
    x += pas * next();
    y += pas * next();
    xs.push_back(x);
    ys.push_back(i == 700 ? NAN : i == 900 ? 2e4 : y);
  }
  xs.end()[-2] = ys.end()[-2] = 600;  // the last segment inside, so the block leaves the pen
  xs.back() = ys.back() = 601;
  for (int clip = 0; clip < 2; ++clip) {
    for (int dash = 0; dash < 2; ++dash) {
      RecordingDevice one, all, ahead;
      for (RecordingDevice* d : {&one, &all, &ahead}) {
        OpenClipSquare(d);
        d->SETPRT(clip ? 0 : -1);
        if (dash) d->SETLIN(1, 0.2);
        d->MOVE(xs[0], ys[0]);
      }
      for (size_t i = 1; i < xs.size(); ++i) one.DRAW(xs[i], ys[i]);
      all.DRAWS(xs.size() - 1, xs.data() + 1, ys.data() + 1);
      const TR_INFO::DrawsFrame f = ahead.FrameOfDraws();
      TR_INFO::DrawsFrame other = f;
      other.u[1] += 1;  // another window
      std::vector<TR_INFO::DrawsStep> steps(100);
      size_t prepared = 0;
      for (size_t i = 1, piece = 0; i < xs.size(); i += 100, ++piece) {
        const size_t m = std::min<size_t>(100, xs.size() - i);
        const TR_INFO::DrawsFrame& g = piece % 3 == 2 ? other : f;
        const size_t k = TR_INFO::PrepareDraws(g, m, xs.data() + i, ys.data() + i, steps.data());
        ahead.DRAWS(k, xs.data() + i, ys.data() + i, g, steps.data());
        ahead.DRAWS(m - k, xs.data() + i + k, ys.data() + i + k);
        if (&g == &f) prepared += k;
      }
      // Clipping on and solid lines: most pieces prepared; else none.
      if (clip && !dash)
        EXPECT_GT(prepared, 300u);
      else
        EXPECT_EQ(prepared, 0u);
      for (RecordingDevice* d : {&one, &all, &ahead}) {
        d->PENUP();  // sends a lift only if the pen is down
        d->TRFLUSH();
      }
      const std::vector<Pt> p = Path(one);
      EXPECT_GT(p.size(), 300u);
      EXPECT_EQ(Path(all), p) << "clip " << clip << " dash " << dash;
      EXPECT_EQ(Path(ahead), p) << "clip " << clip << " dash " << dash;
    }
  }
}

TEST(PipelineOutput, BnsendWritesRewindsAndIgnoresNoFile) {
  RecordingDevice d;
  d.bnsend("ignored", 0);  // no file: nothing happens
  FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  d.tr_out = f;
  d.bnsend("abcdef", 0);
  d.bnsend("gh\0ij", 5);
  d.bnsend(nullptr, -1);
  d.bnsend("XY", 2);
  d.tr_out = nullptr;
  std::fseek(f, 0, SEEK_END);
  long n = std::ftell(f);
  std::rewind(f);
  std::string s(static_cast<size_t>(n), '\0');
  ASSERT_EQ(std::fread(&s[0], 1, s.size(), f), s.size());
  std::fclose(f);
  EXPECT_EQ(s, std::string("XYcdefgh\0ij", 11));
}

}  // namespace
