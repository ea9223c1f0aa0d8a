// Checks the cairo device on pictures read back by libpng and poppler: page size at 150 dpi,
// white background, line widths in millimetres from the moment they are set, round caps, pen
// colours, dashes, and the page of a PDF and an SVG.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "plot/CairoDevice.h"
#include "tests/support/Raster.h"
#include "tests/support/ReadFile.h"

namespace {

using raster_test::Image;
using raster_test::Ink;

// Rows of column x whose ink reaches threshold.
int InkedRows(const Image& img, int x, int threshold) {
  int n = 0;
  for (int y = 0; y < img.h; ++y) n += Ink(img.At(x, y)) >= threshold;
  return n;
}

// A red dashed line 1 mm wide at y cm, in 5 mm dashes and 5 mm gaps, from 3 to 5.25 cm, then,
// after the pen went up, from 6 to 9.5 cm: the second piece goes on with the pattern where the
// first left it (2.25 cm drawn: a quarter of a dash), as the kernel's cut pieces do.
void DrawDashes(C_CAIRO* d, double y) {
  const double tirets[2] = {0.5, 0.5};
  d->PLUME(4);
  d->LINEWIDTH(1.0);
  d->USERLINE(2, tirets);
  d->MOVEA(3, y);
  d->DRAWA(5.25, y);
  d->MOVEA(6, y);
  d->DRAWA(9.5, y);
  d->SETLIN(0, 1);
}

// The dashes of DrawDashes on a picture of px pixels a centimetre whose lower-left corner is at
// (ox, oy) cm: ink in the dashes (3 to 3.5, 4 to 4.5, 6 to 6.25, 6.75 to 7.25, 7.75 to 8.25 cm),
// none in the middle of the gaps, clear of the round caps (5 mm gaps, 4 mm clear). A pattern
// started afresh at 6 cm would leave 6.9 cm blank and ink 6.5.
void CheckDashes(const Image& img, double px, double ox, double oy, double y) {
  const int r = static_cast<int>(img.h - (y - oy) * px);
  for (double x : {3.25, 4.25, 6.1, 6.9, 8.0})
    EXPECT_GE(Ink(img.At(static_cast<int>((x - ox) * px), r)), 128) << x;
  for (double x : {3.75, 4.75, 6.5, 7.5, 8.5})
    EXPECT_EQ(Ink(img.At(static_cast<int>((x - ox) * px), r)), 0) << x;
}

TEST(CairoDevice, PngWidthsCapsAndColours) {
  const std::string path = TestFilePath(".png");
  C_CAIRO d(path.c_str(), C_CAIRO::Png);
  ASSERT_EQ(d.TRINIT(), 0);
  // A thin line whose moves are still queued when the next width is set: it stays thin.
  d.LINEWIDTH(0.2);
  d.MOVEA(5, 5);
  d.DRAWA(15, 5);
  d.LINEWIDTH(2.0);
  d.MOVEA(5, 15);
  d.DRAWA(15, 15);
  d.PLUME(4);
  d.LINEWIDTH(1.0);
  d.MOVEA(20, 10);
  d.DRAWA(28, 10);
  DrawDashes(&d, 18);
  ASSERT_EQ(d.TRCLOSE(), 0);
  EXPECT_EQ(gs_test::RunCommand("pngcheck -q '" + path + "'"), 0);

  Image img;
  ASSERT_TRUE(raster_test::ReadPng(path, &img));
  // A4 landscape at 150 dpi: 29.7 cm and 21 cm make 1753.9 and 1240.2 pixels.
  EXPECT_EQ(img.w, 1754);
  EXPECT_EQ(img.h, 1240);
  const double px = 150 / 2.54;  // pixels per centimetre
  auto col = [&](double cm) { return static_cast<int>(cm * px); };
  auto row = [&](double cm) { return static_cast<int>(img.h - cm * px); };
  // White background outside the lines.
  for (int c = 0; c < 3; ++c) EXPECT_EQ(img.At(10, 10)[c], 255);
  // Widths: 0.2 mm is 1.2 pixels, 2 mm is 11.8 pixels (half-inked rows counted).
  EXPECT_LE(InkedRows(img, col(10), 128), 15);  // nothing else crosses x = 10 cm
  int thick = 0;
  for (int y = row(15) - 10; y <= row(15) + 10; ++y) thick += Ink(img.At(col(10), y)) >= 128;
  EXPECT_GE(thick, 11);
  EXPECT_LE(thick, 13);
  int thin = 0;
  for (int y = row(5) - 5; y <= row(5) + 5; ++y) thin += Ink(img.At(col(10), y)) >= 128;
  EXPECT_GE(thin, 1);
  EXPECT_LE(thin, 2);
  // Pen 4 in the PostScript device's red, 1 mm wide (5.9 pixels), with a round cap of 0.5 mm
  // radius past the end at 20 cm.
  const int y10 = row(10);
  int red = 0;
  for (int y = y10 - 6; y <= y10 + 6; ++y) red += Ink(img.At(col(24), y)) >= 128;
  EXPECT_GE(red, 5);
  EXPECT_LE(red, 7);
  const unsigned char* mid = img.At(col(24), y10);
  EXPECT_EQ(mid[0], 192);
  EXPECT_EQ(mid[1], 0);
  EXPECT_EQ(mid[2], 0);
  EXPECT_GE(Ink(img.At(static_cast<int>((20 - 0.03) * px), y10)), 128);  // inside the cap
  EXPECT_EQ(Ink(img.At(static_cast<int>((20 - 0.08) * px), y10)), 0);    // past it
  CheckDashes(img, px, 0, 0, 18);
  std::remove(path.c_str());
}

// A picture cairo cannot hold (600 cm at 150 dpi is 35433 pixels, past its 32767) is not
// written: closing says so, instead of leaving an empty file reported as written.
TEST(CairoDevice, PngTooWideIsReportedNotWritten) {
  const std::string path = TestFilePath(".png");
  C_CAIRO d(path.c_str(), C_CAIRO::Png);
  ASSERT_EQ(d.TRINIT(), 0);
  ASSERT_EQ(d.BOUNDS(0, 600, 0, 1), 0);
  d.MOVEA(1, 0.5);
  d.DRAWA(599, 0.5);
  EXPECT_NE(d.TRCLOSE(), 0);
  // The same device draws again once the page fits.
  ASSERT_EQ(d.TRINIT(), 0);
  ASSERT_EQ(d.BOUNDS(0, 2, 0, 1), 0);
  d.MOVEA(0.5, 0.5);
  d.DRAWA(1.5, 0.5);
  ASSERT_EQ(d.TRCLOSE(), 0);
  EXPECT_EQ(gs_test::RunCommand("pngcheck -q '" + path + "'"), 0);
  std::remove(path.c_str());
}

// Bounds that start away from the origin: the page is their size, and a line lands where it
// should, in the pen's colour, as poppler and librsvg draw the files.
TEST(CairoDevice, PdfAndSvgPages) {
  for (C_CAIRO::Format f : {C_CAIRO::Pdf, C_CAIRO::Svg}) {
    const std::string path = TestFilePath(f == C_CAIRO::Pdf ? ".pdf" : ".svg");
    C_CAIRO d(path.c_str(), f);
    // Bounds set after TRINIT, as the charts do, give the page its size.
    ASSERT_EQ(d.TRINIT(), 0);
    ASSERT_EQ(d.BOUNDS(1, 20, 2, 30), 0);
    d.MOVEA(2, 3);
    d.DRAWA(19, 29);
    // A blue line 1 mm wide from 3 to 10 cm across, 5 cm up: 2 to 9 cm and 3 cm on the page.
    d.PLUME(2);
    d.LINEWIDTH(1.0);
    d.MOVEA(3, 5);
    d.DRAWA(10, 5);
    DrawDashes(&d, 9);
    ASSERT_EQ(d.TRCLOSE(), 0);
    const std::string bytes = ReadFile(path);
    Image img;
    if (f == C_CAIRO::Pdf) {
      // 19 x 28 cm in points, as pdfinfo reads it, with no complaint (a wrong offset in the
      // cross-reference table makes poppler rebuild it, saying so).
      const std::string info = path + ".info";
      ASSERT_EQ(gs_test::RunCommand("pdfinfo '" + path + "' >'" + info + "' 2>&1"), 0);
      EXPECT_NE(ReadFile(info).find("Page size:       538.583 x 793.701 pts"), std::string::npos)
          << ReadFile(info);
      EXPECT_EQ(ReadFile(info).find("rror"), std::string::npos) << ReadFile(info);
      std::remove(info.c_str());
      ASSERT_TRUE(raster_test::RenderPdf(path, 100, &img));
    } else {
      EXPECT_EQ(gs_test::RunCommand("xmllint --noout '" + path + "'"), 0);
      EXPECT_NE(bytes.find("width=\"538.582677pt\" height=\"793.700787pt\""), std::string::npos);
      ASSERT_TRUE(raster_test::RenderSvg(path, 100, &img));
    }
    const double px = 100 / 2.54;  // pixels per centimetre
    EXPECT_LE(std::abs(img.w - 748), 1);
    EXPECT_LE(std::abs(img.h - 1102), 1);
    const int y = static_cast<int>(img.h - 3 * px);
    const unsigned char* mid = img.At(static_cast<int>(5.5 * px), y);
    EXPECT_LE(mid[0], 16);
    EXPECT_LE(mid[1], 16);
    EXPECT_GE(mid[2], 176);
    // 1 mm is 3.9 pixels: ink 1 pixel off the axis, none 4 pixels off, none 4 pixels past the
    // round end at 9 cm, ink 1 pixel inside the end at 2 cm.
    EXPECT_GE(Ink(img.At(static_cast<int>(5.5 * px), y + 1)), 128);
    EXPECT_EQ(Ink(img.At(static_cast<int>(5.5 * px), y + 4)), 0);
    EXPECT_EQ(Ink(img.At(static_cast<int>(5.5 * px), y - 4)), 0);
    EXPECT_EQ(Ink(img.At(static_cast<int>(9 * px) + 4, y)), 0);
    EXPECT_GE(Ink(img.At(static_cast<int>(2 * px) + 1, y)), 128);
    EXPECT_EQ(Ink(img.At(static_cast<int>(2 * px) - 4, y)), 0);
    CheckDashes(img, px, 1, 2, 9);
    std::remove(path.c_str());
  }
}

// The device as the kernel feeds it, with every drawn point recorded in device units.
class RecordingCairo : public C_CAIRO {
 public:
  using C_CAIRO::C_CAIRO;
  std::vector<std::pair<double, double>> drawn;
  void tr_move(int dx, int dy, int st) override {
    x_ += dx;
    y_ += dy;
    if (st) drawn.emplace_back(x_, y_);
    C_CAIRO::tr_move(dx, dy, st);
  }

 private:
  int x_ = 0, y_ = 0;
};

// Distance from p to the segment a-b.
double ToSegment(std::pair<double, double> p, std::pair<double, double> a,
                 std::pair<double, double> b) {
  const double ux = b.first - a.first, uy = b.second - a.second, l2 = ux * ux + uy * uy;
  double t = l2 > 0 ? ((p.first - a.first) * ux + (p.second - a.second) * uy) / l2 : 0;
  t = t < 0 ? 0 : (t > 1 ? 1 : t);
  return std::hypot(p.first - a.first - t * ux, p.second - a.second - t * uy);
}

// A dense curve (4000 points over 20 cm, mostly unit steps) is written as far fewer segments,
// and every point the kernel drew lies within one device unit (0.025 mm) of them.
TEST(CairoDevice, DenseCurvesKeepTheirShapeInFewerSegments) {
  const std::string path = TestFilePath(".svg");
  RecordingCairo d(path.c_str(), C_CAIRO::Svg);
  ASSERT_EQ(d.TRINIT(), 0);
  d.VWPORTA(2, 22, 2, 18);
  d.WINDOW(0, 1, -1.2, 1.2);
  d.MOVE(0, 0);
  for (int i = 1; i <= 4000; ++i) {
    const double x = i / 4000.0;
    d.DRAW(x, std::sin(12 * x) * std::exp(-2 * x));
  }
  ASSERT_EQ(d.TRCLOSE(), 0);
  const std::string svg = ReadFile(path);
  // The path's vertices: the drawing is the only path with more than a few points.
  std::vector<std::pair<double, double>> v;
  for (size_t at = svg.find(" d=\""); at != std::string::npos; at = svg.find(" d=\"", at + 1)) {
    std::vector<std::pair<double, double>> pts;
    const char* p = svg.c_str() + at + 4;
    while (*p == 'M' || *p == 'L' || *p == ' ') {
      if (*p == ' ') {
        ++p;
        continue;
      }
      char* end;
      const double x = std::strtod(p + 1, &end);
      const double y = std::strtod(end, &end);
      pts.emplace_back(x, y);
      p = end;
    }
    if (pts.size() > v.size()) v = pts;
  }
  ASSERT_GE(d.drawn.size(), 3000u);
  EXPECT_LT(v.size(), d.drawn.size() / 5);
  EXPECT_GT(v.size(), 20u);
  double worst = 0;
  for (const auto& p : d.drawn) {
    double best = 1e9;
    for (size_t i = 1; i < v.size(); ++i) best = std::min(best, ToSegment(p, v[i - 1], v[i]));
    worst = std::max(worst, best);
  }
  EXPECT_LE(worst, 1.05);  // cairo's own fixed-point rounding adds a few hundredths
  std::remove(path.c_str());
}

}  // namespace
