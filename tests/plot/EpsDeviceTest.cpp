// Checks the PostScript device: exact bytes of small drawings, Ghostscript validity, and pixel
// positions and colours of a rendered drawing.
#include <gtest/gtest.h>

#include <string>

#include "plot/EpsDevice.h"
#include "tests/support/Ghostscript.h"
#include "tests/support/ReadFile.h"

namespace {

const char kHeader[] =
    "%!PS-Adobe-3.0 EPSF-3.0\r\n"
    "%%BoundingBox: 0 0 841.89 595.28\r\n"
    "0.0709 0.0709 scale\r\nnewpath\r\n0 0 moveto\r\n";

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
  // Pen 0 (white) is selected by the close; its colour precedes the final stroke.
  EXPECT_EQ(ReadFile(path), std::string(kHeader) + "1 1 1 setrgbcolor\r\nstroke\r\n");
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
  // 0.2 mm / 0.0709 = 2.82087 device units of line width after each stroke.
  const std::string want = std::string(kHeader) +
                           "400 400 moveto\n800 400 lineto\n800 800 lineto\n"
                           "0 0 0 setrgbcolor\r\nstroke\r\nnewpath\r\n2.82087 setlinewidth\r\n"
                           "1200 1200 moveto\n1600 1200 lineto\n"
                           "stroke\r\nnewpath\r\n2.82087 setlinewidth\r\n"
                           "1600 1200 moveto\n0 0 moveto\n"
                           "1 1 1 setrgbcolor\r\nstroke\r\n";
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
  d.LINEWIDTH(10);  // 10 pt wide from the second path on
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

}  // namespace
