// Checks the PostScript device: exact bytes of small drawings, widths in millimetres, Ghostscript validity, and pixel
// positions and colours of a rendered drawing.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "plot/EmfDevice.h"
#include "plot/EpsDevice.h"
#include "plot/HpglDevice.h"
#include "tests/support/EmfCheck.h"
#include "tests/support/Ghostscript.h"
#include "tests/support/ReadFile.h"

namespace {

const char kHeader[] =
    "%!PS-Adobe-3.0 EPSF-3.0\r\n"
    "%%BoundingBox: 0 0 841.89 595.28\r\n"
    "0.0709 0.0709 scale\r\n1 setlinecap 1 setlinejoin\r\n/m {moveto} bind def\r\n"
    "/l {lineto} bind def\r\n";

size_t Count(const std::string& s, const std::string& what) {
  size_t n = 0;
  for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) ++n;
  return n;
}

TEST(EpsDevice, EmptyDrawingBytes) {
  const std::string path = TestFilePath(".eps");
  C_EPS d(path.c_str());
  ASSERT_EQ(d.TRINIT(), 0);
  ASSERT_EQ(d.TRCLOSE(), 0);
  // Nothing drawn: no colour, no width, no stroke.
  EXPECT_EQ(ReadFile(path), std::string(kHeader));
  EXPECT_EQ(gs_test::GhostscriptCheck(path), 0);
}

TEST(EpsDevice, TwoPolylinesBytes) {
  const std::string path = TestFilePath(".eps");
  C_EPS d(path.c_str());
  ASSERT_EQ(d.TRINIT(), 0);
  d.MOVEA(1, 1);
  d.DRAWA(2, 1);
  d.DRAWA(2, 2);
  d.MOVEA(3, 3);
  d.DRAWA(4, 3);
  ASSERT_EQ(d.TRCLOSE(), 0);
  // The opening width, 0.2 mm, is 8 units of 1/400 cm, written once, before the first path;
  // the pen-up moves write nothing.
  const std::string want = std::string(kHeader) +
                           "0 0 0 setrgbcolor\r\n8 setlinewidth\r\n"
                           "400 400 m\n800 400 l\n800 800 l\nstroke\r\n"
                           "1200 1200 m\n1600 1200 l\nstroke\r\n";
  EXPECT_EQ(ReadFile(path), want);
  EXPECT_EQ(gs_test::GhostscriptCheck(path), 0);
}

// Dashed polylines carry their pattern in device units and the phase their line reached: 400
// units drawn of a pattern of 240 leave the next polyline 160 into it. Back to solid lines, the
// pattern is cleared; a dot pattern (a drawn element of 0.4 units) is written with dashes of no
// length, which the round caps make dots, its length added to the blank; an odd list is written
// twice over, as the kernel reads it.
TEST(EpsDevice, DashedPolylinesBytes) {
  const std::string path = TestFilePath(".eps");
  C_EPS d(path.c_str());
  ASSERT_EQ(d.TRINIT(), 0);
  ASSERT_EQ(d.SETLIN(1, 1.0), 0);  // 0.3 cm and 0.3 cm
  d.MOVEA(1, 1);
  d.DRAWA(2, 1);
  d.MOVEA(3, 3);
  d.DRAWA(3.25, 3);
  d.SETLIN(0, 1.0);
  d.MOVEA(1, 4);
  d.DRAWA(2, 4);
  const double points[2] = {0.001, 0.18}, trois[3] = {0.1, 0.2, 0.3};
  d.USERLINE(2, points);
  d.MOVEA(1, 5);
  d.DRAWA(2, 5);
  d.USERLINE(3, trois);
  d.MOVEA(1, 6);
  d.DRAWA(2, 6);
  ASSERT_EQ(d.TRCLOSE(), 0);
  const std::string want = std::string(kHeader) +
                           "0 0 0 setrgbcolor\r\n8 setlinewidth\r\n[120 120] 0 setdash\r\n"
                           "400 400 m\n800 400 l\nstroke\r\n[120 120] 160 setdash\r\n"
                           "1200 1200 m\n1300 1200 l\nstroke\r\n[] 0 setdash\r\n"
                           "400 1600 m\n800 1600 l\nstroke\r\n[0 72.4] 0 setdash\r\n"
                           "400 2000 m\n800 2000 l\nstroke\r\n[40 80 120 40 80 120] 0 setdash\r\n"
                           "400 2400 m\n800 2400 l\nstroke\r\n";
  EXPECT_EQ(ReadFile(path), want);
  EXPECT_EQ(gs_test::GhostscriptCheck(path), 0);
}

TEST(EpsDevice, ColoursAreWrittenOnceAndPenSixteenIsBlack) {
  const std::string path = TestFilePath(".eps");
  C_EPS d(path.c_str());
  ASSERT_EQ(d.TRINIT(), 0);
  d.PLUME(2);
  for (int i = 0; i < 3; ++i) {
    d.MOVEA(1 + i, 1);
    d.DRAWA(1 + i, 5);
  }
  d.PLUME(16);
  d.MOVEA(10, 1);
  d.DRAWA(10, 5);
  d.PLUME(12);
  d.MOVEA(11, 1);
  d.DRAWA(11, 5);
  ASSERT_EQ(d.TRCLOSE(), 0);
  const std::string s = ReadFile(path);
  EXPECT_EQ(Count(s, "0 0 0.753 setrgbcolor\r\n"), 1u);  // pen 2: 192/255
  EXPECT_EQ(Count(s, "0 0 0 setrgbcolor\r\n"), 1u);      // pen 16
  EXPECT_EQ(Count(s, "1 0 0 setrgbcolor\r\n"), 1u);      // pen 12: bright red
  EXPECT_EQ(s.find("showpage"), std::string::npos);
  EXPECT_EQ(s.compare(0, sizeof kHeader - 1, kHeader), 0);
  EXPECT_EQ(s.substr(s.size() - 8), "stroke\r\n");
  EXPECT_EQ(gs_test::GhostscriptCheck(path), 0);
}

TEST(EpsDevice, ScaledBoundsGiveTheBoundingBoxInPoints) {
  const std::string path = TestFilePath(".eps");
  C_EPS d(path.c_str());
  d.BOUNDS(1, 11, 2, 12.7);
  ASSERT_EQ(d.TRINIT(), 0);
  d.TRCLOSE();
  // 1 cm = 28.3465 pt; 11 cm = 311.811; 2 cm = 56.6929; 12.7 cm = 360 pt.
  EXPECT_NE(ReadFile(path).find("%%BoundingBox: 28.346 56.693 311.81 360\r\n"), std::string::npos);
  EXPECT_EQ(gs_test::GhostscriptCheck(path), 0);
}

// A thick red line low on the left and a thick blue one high on the right, rendered at 96 dpi:
// one device unit is 0.0709 pt, 0.0945 pixel; y grows upward on the page, downward in the image.
TEST(EpsDevice, RenderedPixelsAreWhereAndWhatTheyShouldBe) {
  const std::string path = TestFilePath(".eps");
  C_EPS d(path.c_str());
  ASSERT_EQ(d.TRINIT(), 0);
  d.LINEWIDTH(10);  // 10 mm wide
  d.MOVEA(0.5, 0.5);
  d.DRAWA(0.6, 0.5);
  d.PLUME(4);  // (192, 0, 0)
  d.MOVEA(2, 3);
  d.DRAWA(10, 3);
  d.PLUME(2);  // (0, 0, 192)
  d.MOVEA(18, 17);
  d.DRAWA(26, 17);
  ASSERT_EQ(d.TRCLOSE(), 0);
  ASSERT_EQ(gs_test::GhostscriptCheck(path), 0);
  gs_test::Image img;
  ASSERT_TRUE(gs_test::RenderEps(path, 96, &img));
  EXPECT_NEAR(img.w, 1123, 1);
  EXPECT_NEAR(img.h, 794, 1);
  const double px_per_unit = 0.0709 / 72 * 96;
  auto pixel = [&](double xcm, double ycm) {
    int x = static_cast<int>(xcm * 400 * px_per_unit);
    int y = img.h - 1 - static_cast<int>(ycm * 400 * px_per_unit);
    return img.At(x, y);
  };
  auto expect_rgb = [&](double xcm, double ycm, int r, int g, int b) {
    const unsigned char* p = pixel(xcm, ycm);
    EXPECT_NEAR(p[0], r, 8) << xcm << "," << ycm;
    EXPECT_NEAR(p[1], g, 8) << xcm << "," << ycm;
    EXPECT_NEAR(p[2], b, 8) << xcm << "," << ycm;
  };
  expect_rgb(6, 3, 192, 0, 0);       // middle of the red line
  expect_rgb(22, 17, 0, 0, 192);     // middle of the blue line
  expect_rgb(6, 18, 255, 255, 255);  // where the red line would be if y were flipped
  expect_rgb(22, 4, 255, 255, 255);  // where the blue line would be if y were flipped
  expect_rgb(6, 5, 255, 255, 255);   // well above the red line
  expect_rgb(12, 3, 255, 255, 255);  // past the red line's end
}

// The file devices write in large blocks: a drawing several blocks long comes out whole, every
// point in order across the block boundaries, and a write that fails (a full disk) makes the
// close fail, for a drawing of a few bytes as for one of several blocks.
TEST(FileDevices, LargeDrawingsWholeAndWriteFailuresReported) {
  const int n = 90000;  // about 1 MB of PostScript, a metafile record of 360 kB
  auto draw = [n](TR_INFO& d) {
    d.WINDOW(0, 1, 0, 1);
    d.MOVEA(0.5, 0.5);
    // A zigzag: no point lies on the segment of its neighbours, so that none is left out.
    for (int i = 1; i <= n; ++i)
      d.DRAWA(0.5 + (i % 1000) * 0.01, 0.5 + (i % 2) * 0.5 + (i % 7) * 0.25);
  };
  const std::string eps = TestFilePath(".eps"), emf = TestFilePath(".emf");
  {
    C_EPS d(eps.c_str());
    ASSERT_EQ(d.TRINIT(), 0);
    draw(d);
    ASSERT_EQ(d.TRCLOSE(), 0);
  }
  std::istringstream in(ReadFile(eps));
  std::string line;
  int k = 0, x, y;
  char kw[16];
  while (std::getline(in, line))
    if (std::sscanf(line.c_str(), "%d %d %15s", &x, &y, kw) == 3 && std::string(kw) == "l") {
      ++k;
      ASSERT_EQ(x, 200 + (k % 1000) * 4) << k;
      ASSERT_EQ(y, 200 + (k % 2) * 200 + (k % 7) * 100) << k;
    }
  EXPECT_EQ(k, n);
  {
    C_EMF d(emf.c_str());
    ASSERT_EQ(d.TRINIT(), 0);
    draw(d);
    ASSERT_EQ(d.TRCLOSE(), 0);
  }
  std::string why;
  EXPECT_TRUE(CheckEmfFile(emf, &why)) << why;
  std::vector<emf_test::Record> recs;
  ASSERT_TRUE(emf_test::ReadEmfRecords(emf, &recs, &why));
  // One polyline of 16-bit points: the start, then every point drawn.
  k = -1;
  for (const auto& r : recs)
    if (r.type == U_EMR_POLYLINE16) {
      ASSERT_EQ(k, -1);
      ASSERT_EQ(r.w[6], static_cast<uint32_t>(n + 1));
      for (k = 0; k <= n; ++k) {
        const uint32_t p = r.w[7 + k];
        ASSERT_EQ(p & 0xFFFF, 200u + (k % 1000) * 4) << k;
        ASSERT_EQ(p >> 16, 20000u - 200 - (k % 2) * 200 - (k % 7) * 100) << k;
      }
      --k;
    }
  EXPECT_EQ(k, n);

  for (int big = 0; big < 2; ++big) {
    std::unique_ptr<TR_INFO> devs[3] = {std::make_unique<C_EPS>("/dev/full"),
                                        std::make_unique<C_EMF>("/dev/full"),
                                        std::make_unique<C_HPGLA4>("/dev/full", false)};
    for (auto& d : devs) {
      ASSERT_EQ(d->TRINIT(), 0);
      if (big) draw(*d);
      EXPECT_EQ(d->TRCLOSE(), 1) << big;
    }
  }
}

}  // namespace
