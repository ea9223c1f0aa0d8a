// Checks the HP-GL device: exact bytes of small drawings in landscape and rotated portrait.
#include <gtest/gtest.h>

#include <string>

#include "plot/HpglDevice.h"
#include "tests/support/ReadFile.h"

namespace {

TEST(HpglDevice, LandscapeListsAndPenChanges) {
  const std::string path = TestFilePath(".hpgl");
  C_HPGLA4 d(path.c_str(), false);
  EXPECT_EQ(d.tr_xmax, 29.7);
  EXPECT_EQ(d.tr_ymax, 21.0);
  ASSERT_EQ(d.TRINIT(), 0);
  d.MOVEA(1, 1);
  d.DRAWA(2, 1);
  d.DRAWA(2, 2);
  d.PLUME(3);
  d.MOVEA(3, 3);
  d.DRAWA(4, 3);
  ASSERT_EQ(d.TRCLOSE(), 0);
  EXPECT_EQ(ReadFile(path),
            "\rIN;PA0,0;VS10;\r\n"
            "SP1;\r\n"
            "PU400,400PD800,400,800,800PU800,800;\r\n"
            "SP3;\r\n"
            "PU1200,1200PD1600,1200PU1600,1200;\r\n"
            "SP0;\r\n"
            "PU0,0;\r\n");
}

TEST(HpglDevice, RotatedPortraitStartsAt7700AndTurnsTheAxes) {
  const std::string path = TestFilePath(".hpgl");
  C_HPGLA4 d(path.c_str(), true);
  EXPECT_EQ(d.tr_xmax, 21.0);
  EXPECT_EQ(d.tr_ymax, 29.7);
  ASSERT_EQ(d.TRINIT(), 0);
  d.MOVEA(1, 0);  // +400 along the page's x lowers the plotter y by 400
  d.DRAWA(1, 1);  // +400 along the page's y raises the plotter x by 400
  ASSERT_EQ(d.TRCLOSE(), 0);
  EXPECT_EQ(ReadFile(path),
            "\rIN;PA0,7700;VS10;\r\n"
            "SP1;\r\n"
            "PU0,7300PD400,7300PU400,7300;\r\n"
            "SP0;\r\n"
            "PU0,7700;\r\n");
}

TEST(HpglDevice, ReopeningRestartsFromTheOrigin) {
  const std::string path = TestFilePath(".hpgl");
  C_HPGLA4 d(path.c_str(), false);
  ASSERT_EQ(d.TRINIT(), 0);
  d.DRAWA(1, 1);
  ASSERT_EQ(d.TRCLOSE(), 0);
  ASSERT_EQ(d.TRINIT(), 0);
  d.DRAWA(0.5, 0);
  ASSERT_EQ(d.TRCLOSE(), 0);
  EXPECT_EQ(ReadFile(path), "\rIN;PA0,0;VS10;\r\nSP1;\r\nPD200,0PU200,0;\r\nSP0;\r\nPU0,0;\r\n");
}

}  // namespace
