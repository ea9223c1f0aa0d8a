// Checks the plotting context: opening and closing, page/viewport/window, move families, pens,
// widths, queries and the error numbers and reports.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "plot/EpsDevice.h"
#include "tests/support/Ghostscript.h"
#include "tests/support/ReadFile.h"
#include "tests/support/RecordingDevice.h"

namespace {

using Kind = RecordingDevice::Kind;

// Runs f in a child process; returns its exit status and what it wrote to standard output.
template <class F>
int RunInChild(F f, std::string* out) {
  int fd[2];
  if (pipe(fd) != 0) return -1;
  fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    close(fd[0]);
    dup2(fd[1], 1);
    f();
    fflush(stdout);
    _exit(0);
  }
  close(fd[1]);
  char buf[256];
  ssize_t n;
  out->clear();
  while ((n = read(fd[0], buf, sizeof buf)) > 0) out->append(buf, static_cast<size_t>(n));
  close(fd[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(TrInfoOpen, TrinitTwiceFailsAndKeepsTheContext) {
  RecordingDevice d;
  ASSERT_EQ(d.TRINIT(), 0);
  d.MOVEA(1, 2);
  const double bx = d.BNx, by = d.BNy;
  const size_t ncalls = d.calls.size();
  EXPECT_EQ(d.TRINIT(), 1);
  EXPECT_EQ(d.BNx, bx);
  EXPECT_EQ(d.BNy, by);
  EXPECT_EQ(d.calls.size(), ncalls);  // no second tr_init, nothing sent
  EXPECT_TRUE(d.flags.ok);
}

TEST(TrInfoOpen, TrinitSelectsPenOneAndDefaultWidth) {
  RecordingDevice d;
  ASSERT_EQ(d.TRINIT(), 0);
  ASSERT_GE(d.calls.size(), 4u);
  EXPECT_EQ(d.calls[0].kind, Kind::kSize);  // BOUNDS(0, 29.7, 0, 21): 11880 x 8400 units
  EXPECT_EQ(d.calls[0].a, 11880);
  EXPECT_EQ(d.calls[0].b, 8400);
  EXPECT_EQ(d.calls[1].kind, Kind::kInit);
  EXPECT_EQ(d.calls[2].kind, Kind::kPen);
  EXPECT_EQ(d.calls[2].a, 1);
  EXPECT_EQ(d.calls[3].kind, Kind::kWidth);
  EXPECT_DOUBLE_EQ(d.calls[3].mm, 0.2);
  EXPECT_EQ(d.mksz, 40);  // 0.1 cm markers
  EXPECT_EQ(d.CADPOL[1].hi, 0.35 * 400);
}

TEST(TrInfoOpen, OperationsBeforeTrinitReturnTwoAndDrawNothing) {
  RecordingDevice d;
  double a, b, c, e;
  int t;
  EXPECT_EQ(d.MOVE(1, 1), 2);
  EXPECT_EQ(d.DRAW(1, 1), 2);
  EXPECT_EQ(d.RDRAW(1, 1), 2);
  EXPECT_EQ(d.YRDRAW(1), 2);
  EXPECT_EQ(d.PLUME(1), 2);
  EXPECT_EQ(d.PENDW(), 2);
  EXPECT_EQ(d.LINEWIDTH(1), 2);
  EXPECT_EQ(d.SETPRT(0), 2);
  EXPECT_EQ(d.VWPORTA(0, 1, 0, 1), 2);
  EXPECT_EQ(d.TRFLUSH(), 2);
  EXPECT_EQ(d.SETLIN(1, 1), 2);
  EXPECT_EQ(d.GET_VWPORT(&a, &b, &c, &e), 2);
  EXPECT_EQ(d.GET_POS(&a, &b), 2);
  EXPECT_EQ(d.GET_PLMAX(&t), 2);
  EXPECT_EQ(d.GET_LINEWIDTH(&a), 2);
  EXPECT_EQ(d.TRCLOSE(), 2);
  EXPECT_TRUE(d.calls.empty());
}

TEST(TrInfoOpen, GetBoundsBeforeTrinitGivesThePage) {
  RecordingDevice d(400, 400, 21.0, 29.7);
  double xn, xm, yn, ym;
  EXPECT_EQ(d.GET_BOUNDS(&xn, &xm, &yn, &ym), 0);
  EXPECT_EQ(xn, 0);
  EXPECT_EQ(xm, 21.0);
  EXPECT_EQ(yn, 0);
  EXPECT_EQ(ym, 29.7);
}

TEST(TrInfoOpen, TrcloseSelectsPenZeroReturnsToOriginAndClosesLast) {
  RecordingDevice d;
  d.Open();
  d.MOVEA(3, 4);
  d.DRAWA(5, 1);
  ASSERT_EQ(d.TRCLOSE(), 0);
  int sx = 0, sy = 0;
  bool pen0 = false;
  for (const auto& c : d.calls) {
    if (c.kind == Kind::kMove) sx += c.a, sy += c.b;
    if (c.kind == Kind::kPen && c.a == 0) pen0 = true;
  }
  EXPECT_EQ(sx, 0);
  EXPECT_EQ(sy, 0);
  EXPECT_TRUE(pen0);
  EXPECT_EQ(d.calls.back().kind, Kind::kClose);
  EXPECT_FALSE(d.flags.ok);
  EXPECT_TRUE(d.flags.close);
  EXPECT_EQ(d.TRCLOSE(), 2);
}

TEST(TrInfoOpen, MissingFileFailsWithOne) {
  C_EPS eps("/nonexistent-dir/x.eps");
  EXPECT_EQ(eps.TRINIT(), 1);
  EXPECT_FALSE(eps.flags.ok);
}

TEST(TrInfoBreak, MoveBeforeTrinitReportsAndExitsWithOne) {
  std::string out;
  int rc = RunInChild(
      [] {
        RecordingDevice d;
        d.SETBRK(1);
        d.MOVE(1, 1);
      },
      &out);
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(out, "fonction MOVE :\nInitialisation non effectuée.");
  // The report is Windows-1252: e acute is the single byte 0xE9.
  EXPECT_NE(out.find("effectu\xE9"), std::string::npos);
}

TEST(TrInfoBreak, ErrorWhileOpenClosesTheFileFirst) {
  const std::string path = TestFilePath(".eps");
  std::string out;
  int rc = RunInChild(
      [&] {
        C_EPS d(path.c_str());
        d.SETBRK(1);
        d.TRINIT();
        d.PLUME(17);
      },
      &out);
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(out, "fonction PLUME :\nParamètre(s) invalide(s).");
  FILE* f = fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::string body;
  char buf[512];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) body.append(buf, n);
  fclose(f);
  // The whole opening, nothing drawn after it.
  ASSERT_GE(body.size(), 22u);
  EXPECT_EQ(body.substr(body.size() - 22), "/l {lineto} bind def\r\n");
  EXPECT_EQ(gs_test::GhostscriptCheck(path), 0);
}

TEST(TrInfoBreak, WithoutBrkErrorsAreSilent) {
  std::string out;
  int rc = RunInChild(
      [] {
        RecordingDevice d;
        d.MOVE(1, 1);
        d.PLUME(3);
      },
      &out);
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(out, "");
}

TEST(TrInfoWindow, ChecksAndMirrors) {
  RecordingDevice d;
  d.Open();
  EXPECT_EQ(d.WINDOW(0, 0, 0, 1), 3);
  EXPECT_EQ(d.WINDOW(0, 1, 2, 2), 3);
  EXPECT_EQ(d.WINDOW(0, 1e-10, 0, 1), 0);  // exactly the tolerance is accepted
  EXPECT_EQ(d.WINDOW(0, NAN, 0, 1), 3);
  EXPECT_EQ(d.WINDOW(1, 0, 0, 1), 0);
  d.MOVE(0.25, 0);
  EXPECT_NEAR(d.BNx, 0.75 * 11880, 1e-9);  // x mirrored across the viewport
  double xn, xm, yn, ym;
  d.GET_WINDOW(&xn, &xm, &yn, &ym);
  EXPECT_EQ(xn, 1);
  EXPECT_EQ(xm, 0);
}

TEST(TrInfoWindow, ViewportValues) {
  RecordingDevice d;
  d.Open();
  ASSERT_EQ(d.BOUNDS(0, 29.7, 0, 21), 0);
  ASSERT_EQ(d.VWPORT(0, 1, 0, 1), 0);
  EXPECT_NEAR(d.wdxn, 0, 1e-9);
  EXPECT_NEAR(d.wdxm, 11880, 1e-9);
  EXPECT_NEAR(d.wdyn, 0, 1e-9);
  EXPECT_NEAR(d.wdym, 8400, 1e-9);
  ASSERT_EQ(d.VWPORT(0.25, 0.5, 0.1, 0.6), 0);
  EXPECT_NEAR(d.wdxn, 2970, 1e-9);
  EXPECT_NEAR(d.wdxm, 5940, 1e-9);
  EXPECT_NEAR(d.wdyn, 840, 1e-9);
  EXPECT_NEAR(d.wdym, 5040, 1e-9);
  EXPECT_EQ(d.prtxn, d.wdxn);  // clipping follows the viewport in mode 1
  double xn, xm, yn, ym;
  d.GET_VWPORT(&xn, &xm, &yn, &ym);
  EXPECT_NEAR(xn, 0.25, 1e-12);
  EXPECT_NEAR(xm, 0.5, 1e-12);
  EXPECT_NEAR(yn, 0.1, 1e-12);
  EXPECT_NEAR(ym, 0.6, 1e-12);
  EXPECT_EQ(d.VWPORT(0.5, 0.25, 0, 1), 3);
  EXPECT_EQ(d.VWPORT(0, 1.1, 0, 1), 3);
  EXPECT_EQ(d.VWPORT(-0.1, 1, 0, 1), 3);
  ASSERT_EQ(d.VWPORTA(2, 10, 3, 20), 0);
  EXPECT_EQ(d.wdxn, 800);
  EXPECT_EQ(d.wdym, 8000);
  d.GET_VWPORTA(&xn, &xm, &yn, &ym);
  EXPECT_EQ(xm, 10);
  EXPECT_EQ(yn, 3);
  EXPECT_EQ(d.VWPORTA(2, 30, 3, 20), 3);
  EXPECT_EQ(d.BOUNDS(1, 1, 0, 1), 3);
}

TEST(TrInfoWindow, SetprtModes) {
  RecordingDevice d;
  d.Open();
  d.VWPORT(0.5, 1, 0.5, 1);
  EXPECT_EQ(d.SETPRT(2), 3);
  EXPECT_EQ(d.SETPRT(0), 0);
  EXPECT_NEAR(d.prtxn, 0, 1e-9);
  EXPECT_NEAR(d.prtxm, 11880, 1e-9);
  EXPECT_EQ(d.SETPRT(1), 0);
  EXPECT_NEAR(d.prtxn, 5940, 1e-9);
  EXPECT_NEAR(d.prtyn, 4200, 1e-9);
}

// Window 0..10 x 0..10 over the whole page: one user unit is 1188 by 840 device units.
TEST(TrInfoMoves, EveryMoveFamilyReachesItsTarget) {
  struct Row {
    const char* name;
    int (*op)(RecordingDevice&);
    double x, y;  // expected device position
  };
  const Row rows[] = {
      {"MOVE", [](RecordingDevice& d) { return d.MOVE(2, 3); }, 2376, 2520},
      {"DRAW", [](RecordingDevice& d) { return d.DRAW(2, 3); }, 2376, 2520},
      {"MOVEA", [](RecordingDevice& d) { return d.MOVEA(2, 3); }, 800, 1200},
      {"DRAWA", [](RecordingDevice& d) { return d.DRAWA(2, 3); }, 800, 1200},
      {"RMOVE", [](RecordingDevice& d) { return d.RMOVE(1, -1); }, 1188 + 1188, 840 - 840},
      {"RDRAW", [](RecordingDevice& d) { return d.RDRAW(1, 1); }, 2376, 1680},
      {"XMOVE", [](RecordingDevice& d) { return d.XMOVE(5); }, 5940, 840},
      {"XDRAW", [](RecordingDevice& d) { return d.XDRAW(5); }, 5940, 840},
      {"YMOVE", [](RecordingDevice& d) { return d.YMOVE(5); }, 1188, 4200},
      {"YDRAW", [](RecordingDevice& d) { return d.YDRAW(5); }, 1188, 4200},
      {"XRMOVE", [](RecordingDevice& d) { return d.XRMOVE(2); }, 3564, 840},
      {"XRDRAW", [](RecordingDevice& d) { return d.XRDRAW(-1); }, 0, 840},
      {"YRMOVE", [](RecordingDevice& d) { return d.YRMOVE(2); }, 1188, 2520},
      {"YRDRAW", [](RecordingDevice& d) { return d.YRDRAW(-1); }, 1188, 0},
  };
  for (const Row& r : rows) {
    RecordingDevice d;
    d.Open();
    d.WINDOW(0, 10, 0, 10);
    d.MOVE(1, 1);  // start at (1188, 840)
    EXPECT_EQ(r.op(d), 0) << r.name;
    EXPECT_NEAR(d.BNx, r.x, 1e-9) << r.name;
    EXPECT_NEAR(d.BNy, r.y, 1e-9) << r.name;
    double x, y;
    d.GET_POSA(&x, &y);
    EXPECT_NEAR(x, r.x / 400, 1e-12) << r.name;
    d.GET_POS(&x, &y);
    EXPECT_NEAR(x, r.x / 1188, 1e-12) << r.name;
    EXPECT_NEAR(y, r.y / 840, 1e-12) << r.name;
  }
}

TEST(TrInfoPens, PlumeRangeAndFlushBeforePen) {
  RecordingDevice d;
  d.Open();
  EXPECT_EQ(d.PLUME(0), 0);
  EXPECT_EQ(d.PLUME(16), 0);
  EXPECT_EQ(d.PLUME(17), 3);
  EXPECT_EQ(d.PLUME(-1), 3);
  d.calls.clear();
  d.MOVEA(1, 1);
  d.DRAWA(2, 1);
  EXPECT_TRUE(d.calls.empty());  // still queued
  d.PLUME(3);
  ASSERT_FALSE(d.calls.empty());
  EXPECT_EQ(d.calls.back().kind, Kind::kPen);
  EXPECT_EQ(d.calls.back().a, 3);
  int drawn = 0;
  for (const auto& c : d.calls)
    if (c.kind == Kind::kMove && c.c == 1) drawn += c.a;
  EXPECT_EQ(drawn, 400);
  d.calls.clear();
  d.PLUME(3);  // same pen: nothing
  EXPECT_TRUE(d.calls.empty());
}

TEST(TrInfoPens, LinewidthRangeAndScale) {
  RecordingDevice d;
  d.SETMUL(2);
  d.Open();
  EXPECT_EQ(d.LINEWIDTH(0), 3);
  EXPECT_EQ(d.LINEWIDTH(10.01), 3);
  EXPECT_EQ(d.LINEWIDTH(10), 0);
  ASSERT_FALSE(d.calls.empty());
  EXPECT_DOUBLE_EQ(d.calls.back().mm, 20);  // already multiplied by the scale
  double w;
  d.GET_LINEWIDTH(&w);
  EXPECT_EQ(w, 10);
}

// A width change sends the queued moves up to the last drawn one before the device hears of
// it, and keeps the pen-up moves queued after them: the path that they start takes the new
// width, the path already drawn keeps its own.
TEST(TrInfoPens, LinewidthSendsTheDrawnMovesAndKeepsTheTrailingPenUps) {
  RecordingDevice d;
  d.Open();
  d.calls.clear();
  d.MOVEA(1, 1);
  d.DRAWA(2, 1);
  d.DRAWA(2, 2);
  d.MOVEA(3, 3);
  d.MOVEA(3, 4);  // merged with the move before
  d.LINEWIDTH(0.5);
  d.DRAWA(4, 4);
  d.TRFLUSH();
  std::vector<std::pair<Kind, int>> got;  // calls, with the move's pen state
  for (const auto& c : d.calls) got.emplace_back(c.kind, c.kind == Kind::kMove ? c.c : 0);
  const std::vector<std::pair<Kind, int>> want = {{Kind::kMove, 0}, {Kind::kMove, 1},
                                                  {Kind::kMove, 1}, {Kind::kWidth, 0},
                                                  {Kind::kMove, 0}, {Kind::kMove, 1}};
  EXPECT_EQ(got, want);
  EXPECT_EQ(d.calls[4].a, 400);  // the merged pen-up move, from (2, 2) to (3, 4) cm
  EXPECT_EQ(d.calls[4].b, 800);
}

TEST(TrInfoPens, SetmulDoublesCentimetresUntilClose) {
  RecordingDevice d;
  EXPECT_EQ(d.SETMUL(0.04), 3);
  EXPECT_EQ(d.SETMUL(2), 0);
  ASSERT_EQ(d.TRINIT(), 0);
  EXPECT_NEAR(d.bdxm, 59.4, 1e-12);
  EXPECT_NEAR(d.bdym, 42, 1e-12);
  EXPECT_DOUBLE_EQ(d.calls[3].mm, 0.4);  // TRINIT's LINEWIDTH(0.2) doubled
  d.MOVEA(1, 1);
  EXPECT_EQ(d.BNx, 800);
  EXPECT_EQ(d.BNy, 800);
  double xn, xm, yn, ym;
  d.GET_BOUNDS(&xn, &xm, &yn, &ym);
  EXPECT_NEAR(xm, 29.7, 1e-12);
  d.TRCLOSE();
  ASSERT_EQ(d.TRINIT(), 0);
  EXPECT_EQ(d.mul, 1);
  EXPECT_NEAR(d.bdxm, 29.7, 1e-12);
  d.MOVEA(1, 1);
  EXPECT_EQ(d.BNx, 400);
}

TEST(TrInfoQueries, PenNamesAndPlmax) {
  RecordingDevice d;
  EXPECT_EQ(d.GET_PLNAME("vertclair"), 11);
  EXPECT_EQ(d.GET_PLNAME("BLANC"), 0);
  EXPECT_EQ(d.GET_PLNAME("VioletClair"), 15);
  EXPECT_EQ(d.GET_PLNAME("orange"), -1);
  EXPECT_EQ(d.GET_PLNAME(""), -1);
  EXPECT_EQ(d.GET_PLNAME(nullptr), -1);
  d.Open();
  int p = 0;
  EXPECT_EQ(d.GET_PLMAX(&p), 0);
  EXPECT_EQ(p, 16);
}

TEST(TrInfoQueries, TrerrMessages) {
  RecordingDevice d;
  struct Row {
    int n;
    const char* out;
  };
  const Row rows[] = {{0, ""},
                      {42, "Erreur inconnue.\n"},
                      {-3, "Erreur inconnue.\n"},
                      {2, "Initialisation non effectuée.\n"},
                      {8, "Mesure en cours.\n"},
                      {9, "Périphérique non sélectionné\n"}};
  for (const Row& r : rows) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(d.TRERR(r.n), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), r.out) << r.n;
  }
}

TEST(TrInfoQueries, CvangKeepsAnglesOnSquareUnitsAndCorrectsOthers) {
  RecordingDevice sq;
  sq.Open();
  for (double a : {0.0, 0.5, 2.5, -0.7, -2.5, 3.0}) EXPECT_NEAR(sq.CVANG(a), a, 1e-12) << a;
  EXPECT_NEAR(sq.CVANG(M_PI / 2), M_PI / 2, 1e-12);
  RecordingDevice d(400, 200);  // y units half as dense: slopes halve on the device
  d.Open();
  EXPECT_NEAR(d.CVANG(M_PI / 4), std::atan(0.5), 1e-12);
  EXPECT_NEAR(d.CVANG(3 * M_PI / 4), M_PI - std::atan(0.5), 1e-12);
  EXPECT_NEAR(d.CVANG(-M_PI / 4), -std::atan(0.5), 1e-12);
}

}  // namespace
