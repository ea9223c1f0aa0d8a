// Checks the EMF device: every file read back with libUEMF, header counts and bounds, record
// contents of small drawings, frame, pen widths and colours.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "plot/EmfDevice.h"
#include "tests/support/EmfCheck.h"
#include "tests/support/ReadFile.h"

namespace {

using emf_test::Record;

std::vector<Record> ReadChecked(const std::string& path) {
  std::string why;
  EXPECT_TRUE(CheckEmfFile(path, &why)) << why;
  std::vector<Record> recs;
  EXPECT_TRUE(emf_test::ReadEmfRecords(path, &recs, &why)) << why;
  return recs;
}

// Index of the first record of type t at or after i, or the record count.
size_t Find(const std::vector<Record>& r, uint32_t t, size_t i = 0) {
  while (i < r.size() && r[i].type != t) ++i;
  return i;
}

TEST(EmfDevice, EmptyDrawingIsAValidMetafile) {
  const std::string path = TestFilePath(".emf");
  C_EMF d(path.c_str());
  ASSERT_EQ(d.TRINIT(), 0);
  ASSERT_EQ(d.TRCLOSE(), 0);
  const auto recs = ReadChecked(path);
  // Header, five mapping records, the origin and the end of file: the pen and width changes of
  // the opening and closing write nothing, no line being drawn with them.
  EXPECT_EQ(recs.size(), 8u);
  EXPECT_EQ(ReadFile(path).size(), 224u);
  const Record& h = recs[0];
  EXPECT_EQ(h.w[2], 0xFFFFFFFFu);  // nothing drawn: bounds stay empty
  EXPECT_EQ(h.w[3], 0xFFFFFFFFu);
  EXPECT_EQ(h.w[4], 0u);
  EXPECT_EQ(h.w[5], 0u);
  EXPECT_EQ(h.w[11], 0x10000u);
  EXPECT_EQ(h.w[14], 2u);
  EXPECT_EQ(h.w[15], 12u);
  EXPECT_EQ(h.w[16], 88u);
  EXPECT_EQ(h.w[18], 20000u);
  EXPECT_EQ(h.w[20], 500u);
  const std::string bytes = ReadFile(path);
  EXPECT_EQ(bytes.substr(88, 24), std::string("v\0a\0n\0t\0r\0e\0l\0E\0M\0F\0\0\0\0\0", 24));
  EXPECT_EQ(bytes.substr(40, 4), " EMF");
  const uint32_t mapping[5][4] = {
      {17, 12, 8, 0}, {10, 16, 0, 0}, {9, 16, 1, 1}, {12, 16, 0, 0}, {11, 16, 1, 1}};
  for (int i = 0; i < 5; ++i)
    for (size_t k = 0; k < recs[1 + i].w.size(); ++k)
      EXPECT_EQ(recs[1 + i].w[k], mapping[i][k]) << i << "," << k;
}

TEST(EmfDevice, LineFromOriginIsOnePolylineWithItsPenAndBounds) {
  const std::string path = TestFilePath(".emf");
  C_EMF d(path.c_str());
  ASSERT_EQ(d.TRINIT(), 0);
  d.DRAWA(1, 1);  // (0, 0) to (400, 400) device units
  ASSERT_EQ(d.TRCLOSE(), 0);
  const auto r = ReadChecked(path);
  const size_t l = Find(r, U_EMR_POLYLINE16);
  ASSERT_EQ(l, 9u);  // after the header, the mapping, the origin and the pen
  EXPECT_EQ(r[l - 2].type, static_cast<uint32_t>(U_EMR_CREATEPEN));
  EXPECT_EQ(r[l - 1].type, static_cast<uint32_t>(U_EMR_SELECTOBJECT));
  // Bounds, count, then the points (x in the low half of each word, y flipped: 20000 - y).
  const std::vector<uint32_t> want = {87, 36, 0, 19600, 400, 20000, 2, 20000u << 16, 19600u << 16 | 400};
  EXPECT_EQ(r[l].w, want);
  ASSERT_EQ(r.size(), l + 4);
  EXPECT_EQ(r[l + 1].w[2], 0x80000007u);  // stock black pen selected back
  EXPECT_EQ(r[l + 2].type, static_cast<uint32_t>(U_EMR_DELETEOBJECT));
}

TEST(EmfDevice, FrameFromBounds) {
  const std::string path = TestFilePath(".emf");
  C_EMF d(path.c_str());
  ASSERT_EQ(d.TRINIT(), 0);
  // Clip to 100..400 units so that the return to the origin stops inside x 100..400 too.
  d.VWPORTA(0.25, 1, 0.25, 1);
  d.MOVEA(0.25, 0.5);
  d.DRAWA(1, 0.5);
  ASSERT_EQ(d.TRCLOSE(), 0);
  const auto r = ReadChecked(path);
  const Record& h = r[0];
  EXPECT_EQ(h.w[2], 100u);
  EXPECT_EQ(h.w[4], 400u);
  EXPECT_EQ(h.w[6], 245u);   // 100 x 2.5 - 5 hundredths of a millimetre
  EXPECT_EQ(h.w[8], 1005u);  // 400 x 2.5 + 5
  EXPECT_EQ(h.w[3], 19800u);
  EXPECT_EQ(h.w[5], 19900u);  // the return to the origin is cut at y = 100
  EXPECT_EQ(h.w[7], 49495u);
  EXPECT_EQ(h.w[9], 49755u);
}

TEST(EmfDevice, PenWidthAndColours) {
  const std::string path = TestFilePath(".emf");
  C_EMF d(path.c_str());
  ASSERT_EQ(d.TRINIT(), 0);
  EXPECT_EQ(d.PLUME(17), 3);
  d.LINEWIDTH(0.5);
  d.PLUME(4);
  d.MOVEA(1, 1);
  d.DRAWA(2, 2);
  d.PLUME(16);
  d.MOVEA(3, 1);
  d.DRAWA(4, 2);
  ASSERT_EQ(d.TRCLOSE(), 0);
  const auto r = ReadChecked(path);
  // One pen for each of the two lines (the colour changes); none for the unknown pen 17.
  std::vector<const Record*> pens;
  for (size_t i = Find(r, U_EMR_CREATEPEN); i < r.size(); i = Find(r, U_EMR_CREATEPEN, i + 1))
    pens.push_back(&r[i]);
  ASSERT_EQ(pens.size(), 2u);
  for (const Record* p : pens) {
    const auto* cp = reinterpret_cast<const U_EMRCREATEPEN*>(p->w.data());
    EXPECT_EQ(cp->lopn.lopnWidth.x, 20);  // 0.5 mm at 40 units per mm
    EXPECT_EQ(cp->lopn.lopnStyle, 0u);
  }
  const auto* red = reinterpret_cast<const U_EMRCREATEPEN*>(pens[0]->w.data());
  EXPECT_EQ(red->lopn.lopnColor.Red, 192);
  EXPECT_EQ(red->lopn.lopnColor.Green, 0);
  EXPECT_EQ(red->lopn.lopnColor.Blue, 0);
  const auto* black = reinterpret_cast<const U_EMRCREATEPEN*>(pens[1]->w.data());
  EXPECT_EQ(black->lopn.lopnColor.Red, 0);
  EXPECT_EQ(black->lopn.lopnColor.Green, 0);
  EXPECT_EQ(black->lopn.lopnColor.Blue, 0);
}

// A width change takes effect at the next polyline: the one being drawn keeps the width it
// started with, as a PostScript path does.
TEST(EmfDevice, WidthChangeAppliesFromTheNextPath) {
  const std::string path = TestFilePath(".emf");
  C_EMF d(path.c_str());
  ASSERT_EQ(d.TRINIT(), 0);
  d.LINEWIDTH(0.5);
  d.MOVEA(1, 1);
  d.DRAWA(2, 1);
  d.TRFLUSH();
  d.LINEWIDTH(1);
  d.DRAWA(2, 2);
  d.MOVEA(3, 3);
  d.DRAWA(4, 3);
  ASSERT_EQ(d.TRCLOSE(), 0);
  const auto r = ReadChecked(path);
  std::vector<std::pair<int, size_t>> paths;  // pen width, points
  int w = 0;
  for (const Record& rec : r) {
    if (rec.type == U_EMR_CREATEPEN)
      w = reinterpret_cast<const U_EMRCREATEPEN*>(rec.w.data())->lopn.lopnWidth.x;
    if (rec.type == U_EMR_POLYLINE16) paths.emplace_back(w, rec.w[6]);
  }
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_EQ(paths[0], std::make_pair(20, size_t(3)));
  EXPECT_EQ(paths[1], std::make_pair(40, size_t(2)));
}

TEST(EmfDevice, ManyPolylinesAndDashesKeepTheirLayout) {
  const std::string path = TestFilePath(".emf");
  C_EMF d(path.c_str());
  ASSERT_EQ(d.TRINIT(), 0);
  d.WINDOW(0, 10, 0, 10);
  d.SETLIN(3, 0.5);
  for (int i = 0; i < 50; ++i) {
    d.PLUME(i % 16);
    d.MOVE(i * 0.2, 0);
    d.DRAW(10 - i * 0.2, 10);
    d.DRAW(5, 5);
  }
  ASSERT_EQ(d.TRCLOSE(), 0);
  const auto r = ReadChecked(path);
  size_t lines = 0;
  for (const auto& rec : r) lines += rec.type == U_EMR_POLYLINE16 ? rec.w[6] - 1 : 0;
  EXPECT_GT(lines, 100u);
}

TEST(EmfDevice, ReopenedFileIsRewrittenWhole) {
  const std::string path = TestFilePath(".emf");
  C_EMF d(path.c_str());
  ASSERT_EQ(d.TRINIT(), 0);
  for (int i = 0; i < 30; ++i) d.DRAWA(i, i % 2);
  ASSERT_EQ(d.TRCLOSE(), 0);
  ASSERT_EQ(d.TRINIT(), 0);
  ASSERT_EQ(d.TRCLOSE(), 0);
  const auto r = ReadChecked(path);
  EXPECT_EQ(r.size(), 8u);
}

}  // namespace
