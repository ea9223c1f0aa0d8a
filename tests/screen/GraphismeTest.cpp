// Tests of the screen layer: size checks, coordinate conversions, pen moves, the missing-display
// path and, under the private X server of screen_window.sh, real windows.
#include <allegro5/allegro_color.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "screen/Graphisme.h"
#include "tests/support/ScreenTest.h"

// Xlib's macros (None, Bool, ...) must come after the test framework's headers.
#include <allegro5/allegro_x.h>

namespace {

// Keeps the layer's global drawing state from leaking between tests.
class ScreenLayer : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = CURRENT; }
  void TearDown() override { CURRENT = saved_; }
  // The geometry of the screen device's window: 503 x 703 asked, Xmax 502, Ymax 702.
  static void DeviceWindow() {
    CURRENT.Xmax = 502;
    CURRENT.Ymax = 702;
    UserCoord(0, 1000, 0, 1000);
  }
  T_CURRENT saved_;
};

TEST(ScreenLayerState, StartsWithTheDocumentedDefaults) {
  EXPECT_EQ(CURRENT.p.x, 0.0);
  EXPECT_EQ(CURRENT.p.y, 0.0);
  EXPECT_EQ(CURRENT.col.r + CURRENT.col.g + CURRENT.col.b + CURRENT.col.a, 0.0f);
  EXPECT_EQ(CURRENT.ep, 1.0f);
  EXPECT_EQ(GetXmax(), 775);
  EXPECT_EQ(GetYmax(), 525);
  EXPECT_EQ(CURRENT.UXmin, -1550.0);
  EXPECT_EQ(CURRENT.UXmax, 1550.0);
  EXPECT_EQ(CURRENT.UYmin, -50.0);
  EXPECT_EQ(CURRENT.UYmax, 2050.0);
  EXPECT_EQ(FPS, 20.0f);
  EXPECT_EQ(al_context.al, nullptr);
  EXPECT_EQ(al_context.event_queue, nullptr);
}

TEST_F(ScreenLayer, BadSizesAreRefusedBeforeAnythingIsInstalled) {
  struct {
    unsigned w, h;
  } bad[] = {{0, 100}, {100, 0}, {2001, 100}, {100, 2001}, {1, 100}, {100, 1}, {4000000000u, 5}};
  for (auto s : bad) {
    EXPECT_EQ(InitGraph(s.w, s.h), -1) << s.w << "x" << s.h;
    EXPECT_EQ(al_context.al, nullptr);
  }
  EXPECT_EQ(GetXmax(), saved_.Xmax);  // a refused size changes nothing
}

TEST_F(ScreenLayer, UserToPixelConversions) {
  DeviceWindow();
  // Hand values: floor(x * 502 / 1000 + 0.5) and floor(y * 702 / 1000 + 0.5).
  EXPECT_EQ(ToUserX(500), 251);
  EXPECT_EQ(ToUserX(0), 0);
  EXPECT_EQ(ToUserX(1000), 502);
  EXPECT_EQ(ToUserX(1), 1);      // 0.502 rounds up
  EXPECT_EQ(ToUserX(-1), -1);    // -0.502 rounds down
  EXPECT_EQ(ToUserY(250), 176);  // 175.5 rounds up
  EXPECT_EQ(ToUserY(1000), 702);
  EXPECT_DOUBLE_EQ(ToScreenX(251), 500.0);
  EXPECT_DOUBLE_EQ(ToScreenX(502), 1000.0);
  // ToScreenY takes a display row, counted downward from the top.
  EXPECT_DOUBLE_EQ(ToScreenY(702), 0.0);
  EXPECT_DOUBLE_EQ(ToScreenY(0), 1000.0);
  EXPECT_DOUBLE_EQ(ToScreenY(351), 500.0);
  for (int x = 0; x <= 502; x += 17) EXPECT_EQ(ToUserX(ToScreenX(x)), x);

  UserCoord(-10, 10, 100, 200);
  EXPECT_EQ(ToUserX(0), 251);
  EXPECT_EQ(ToUserY(150), 351);
}

TEST_F(ScreenLayer, DegenerateUserWindowDoesNotOverflow) {
  DeviceWindow();
  UserCoord(5, 5, 5, 5);
  int x = ToUserX(7), y = ToUserY(3), z = ToUserX(5);  // +inf, -inf and NaN before rounding
  EXPECT_GT(x, 1000000);
  EXPECT_LT(y, -1000000);
  EXPECT_EQ(z, 0);
}

TEST(ScreenLayerGeometry, RotateTurnsCounterClockwiseInDegrees) {
  struct {
    T_GrPOINT org, p;
    double ang;
    T_GrPOINT want;
  } cases[] = {
      {{0, 0}, {1, 0}, 90, {0, 1}},
      {{0, 0}, {1, 0}, -90, {0, -1}},
      {{1, 1}, {2, 1}, 180, {0, 1}},
      {{3, 4}, {3, 4}, 37, {3, 4}},
      {{0, 0}, {2, 0}, 60, {1, 1.7320508075688772}},
      {{10, 0}, {10, 5}, 360, {10, 5}},
  };
  for (auto& c : cases) {
    T_GrPOINT p = c.p;
    Rotate(&c.org, &p, c.ang);
    EXPECT_NEAR(p.x, c.want.x, 1e-12) << c.ang;
    EXPECT_NEAR(p.y, c.want.y, 1e-12) << c.ang;
  }
}

TEST(ScreenLayerGeometry, IsInRectCountsTheBorderAsInside) {
  T_GrRect r = {10, 20, -5, 5};
  struct {
    int x, y;
    bool in;
  } cases[] = {{10, -5, true}, {20, 5, true},  {15, 0, true},   {10, 5, true},
               {9, 0, false},  {21, 0, false}, {15, -6, false}, {15, 6, false}};
  for (auto c : cases) EXPECT_EQ(IsInRect(c.x, c.y, &r), c.in) << c.x << "," << c.y;
}

TEST_F(ScreenLayer, PenMovesTurnYDownward) {
  DeviceWindow();
  AlMoveTo(0, 0);  // bottom-left: display row Ymax
  EXPECT_EQ(CURRENT.p.x, 0.0);
  EXPECT_EQ(CURRENT.p.y, 702.0);
  AlLineTo(40, 2);
  EXPECT_EQ(CURRENT.p.x, 40.0);
  EXPECT_EQ(CURRENT.p.y, 700.0);
  AlPutPixel(3, 702);
  EXPECT_EQ(CURRENT.p.x, 3.0);
  EXPECT_EQ(CURRENT.p.y, 0.0);
  AlCircle(100, 100, 10);  // leaves the pen alone
  EXPECT_EQ(CURRENT.p.x, 3.0);

  T_GrPOINT q = {7.9, -3.9};  // truncated toward zero
  AlMoveToP(&q);
  EXPECT_EQ(CURRENT.p.x, 7.0);
  EXPECT_EQ(CURRENT.p.y, 705.0);

  MOVETO(500, 500);
  EXPECT_EQ(CURRENT.p.x, 251.0);
  EXPECT_EQ(CURRENT.p.y, 702.0 - 351.0);
  T_GrPOINT u = {1000, 0};
  LINETOP(&u);
  EXPECT_EQ(CURRENT.p.x, 502.0);
  EXPECT_EQ(CURRENT.p.y, 702.0);
}

TEST_F(ScreenLayer, ShapesEndWhereTheyShould) {
  DeviceWindow();
  // A box returns its pen to the centre; the axis-parallel box ends on its first corner.
  DRAWBOXXY(500, 500, 100, 50, 30);
  EXPECT_EQ(CURRENT.p.x, 251.0);
  EXPECT_EQ(CURRENT.p.y, 351.0);
  DRAWBOXD(100, 200, 800, 900);
  EXPECT_EQ(CURRENT.p.x, 50.0);           // floor(50.2 + 0.5)
  EXPECT_EQ(CURRENT.p.y, 702.0 - 562.0);  // floor(561.6 + 0.5)
  // The triangle's first vertex is (-base/2, -h/3) from the centre; the pen ends back on it.
  // Base 300: vertex (350, 500 - 86.60) in user units, pixel (176, 290).
  DRAWEQUILATERALXY(500, 500, 300, 0);
  EXPECT_EQ(CURRENT.p.x, 176.0);
  EXPECT_EQ(CURRENT.p.y, 702.0 - 290.0);
  T_GrRect r = {100, 301, 0, 40};  // centre on integer halves: (200, 20), pixel (100, 14)
  DRAWRECT(&r);
  EXPECT_EQ(CURRENT.p.x, 100.0);
  EXPECT_EQ(CURRENT.p.y, 702.0 - 14.0);
  CIRCLEXY(100, 100, 50);  // leaves the pen alone
  EXPECT_EQ(CURRENT.p.x, 100.0);
}

TEST_F(ScreenLayer, SettersStoreColourAndThickness) {
  ALLEGRO_COLOR red = al_map_rgb(255, 0, 0);
  AlSetColor(red);
  EXPECT_EQ(CURRENT.col.r, 1.0f);
  EXPECT_EQ(CURRENT.col.g, 0.0f);
  AlSetEp(2.5);
  EXPECT_EQ(CURRENT.ep, 2.5f);
}

// Without a display the window cannot be created: one message, no wait, nothing left open.
TEST_F(ScreenLayer, MissingDisplayFailsCleanly) {
  SKIP_UNLESS_NO_DISPLAY();
  testing::internal::CaptureStdout();
  auto t0 = std::chrono::steady_clock::now();
  int rc = InitGraph(503, 703);
  AlMoveTo(1, 1);
  AlLineTo(100, 100);
  CIRCLEXY(500, 500, 10);
  DRAWBOXD(1, 2, 3, 4);
  CloseGraph();
  double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(out, "Echec create display\n");
  EXPECT_EQ(al_context.al, nullptr);
  EXPECT_EQ(al_context.event_queue, nullptr);
  EXPECT_LT(secs, 5.0);
}

// --- Under the private X server (screen_window.sh) ---

TEST_F(ScreenLayer, WindowLargestSize) {
  SKIP_UNLESS_WINDOW_TESTS();
  testing::internal::CaptureStdout();
  ASSERT_EQ(InitGraph(2000, 2000), 0);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "Create display Ok\nInit primitives Ok\n");
  EXPECT_EQ(GetXmax(), 1999);
  EXPECT_EQ(GetYmax(), 1999);
  EXPECT_EQ(al_get_display_width(al_context.al), 1999);
  EXPECT_EQ(al_get_display_height(al_context.al), 1999);
  EXPECT_NE(al_context.timer, nullptr);
  EXPECT_NE(al_context.timerT, nullptr);
  EXPECT_NE(al_context.timerT_queue, nullptr);
  // The user window is reset to 0..1000.
  EXPECT_EQ(CURRENT.UXmin, 0.0);
  EXPECT_EQ(CURRENT.UXmax, 1000.0);
  EXPECT_EQ(CURRENT.UYmax, 1000.0);
  // A second window is refused while one is open; the first stays.
  ALLEGRO_DISPLAY* first = al_context.al;
  EXPECT_EQ(InitGraph(503, 703), -1);
  EXPECT_EQ(al_context.al, first);
  al_destroy_context();
  EXPECT_EQ(al_context.al, nullptr);
  EXPECT_EQ(al_context.timer, nullptr);
  // Closed: a new window can be opened again.
  testing::internal::CaptureStdout();
  EXPECT_EQ(InitGraph(503, 703), 0);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(al_get_display_width(al_context.al), 502);
  EXPECT_EQ(al_get_display_height(al_context.al), 702);
  al_destroy_context();
}

// Draws known shapes and waits for the space bar; screen_window.sh checks the screenshot
// (see the pixel table there) and presses the key.
TEST_F(ScreenLayer, WindowDrawAndWait) {
  SKIP_UNLESS_WINDOW_TESTS();
  ASSERT_EQ(InitGraph(503, 703), 0);
  AlSetEp(1);
  AlSetColor(al_color_name("red"));
  AlMoveTo(51, 51);
  AlLineTo(251, 51);
  AlSetColor(al_color_name("blue"));
  AlMoveTo(401, 101);
  AlLineTo(401, 401);
  AlSetColor(al_color_name("green"));
  CIRCLEXY(500, 500, 100);
  AlSetColor(al_color_name("magenta"));
  AlPutPixel(400, 600);
  AlSetColor(al_color_name("yellow"));
  DRAWBOXD(100, 200, 800, 900);
  auto t0 = std::chrono::steady_clock::now();
  CloseGraph();
  double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_EQ(al_context.al, nullptr);
  EXPECT_EQ(al_context.event_queue, nullptr);
  EXPECT_GT(secs, 0.2);  // it did wait for the key
}

// Opens a window and waits; the close box (the window manager's WM_DELETE_WINDOW message,
// sent here by a second X connection) ends the wait without any key.
TEST_F(ScreenLayer, WindowCloseBoxEndsWait) {
  SKIP_UNLESS_WINDOW_TESTS();
  testing::internal::CaptureStdout();
  ASSERT_EQ(InitGraph(303, 203), 0);
  XID win = al_get_x_window_id(al_context.al);
  std::thread closer([win] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(screen_test::SendCloseBox(win));
  });
  auto t0 = std::chrono::steady_clock::now();
  CloseGraph();
  double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  closer.join();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(al_context.al, nullptr);
  EXPECT_GT(secs, 0.4);
  EXPECT_LT(secs, 10.0);
  EXPECT_NE(out.find("Taper <ESPACE>...\n"), std::string::npos) << out;
}

// The script holds the space bar down before the wait starts: one press must be consumed
// completely, so the wait ends only when the key is released.
TEST_F(ScreenLayer, WindowHeldKeyEndsWaitOnRelease) {
  SKIP_UNLESS_WINDOW_TESTS();
  ASSERT_EQ(InitGraph(303, 203), 0);
  bool down = false;
  for (int i = 0; i < 2000 && !down; i++) {  // at most 20 s
    al_get_keyboard_state(&k_state);
    down = al_key_down(&k_state, ALLEGRO_KEY_SPACE);
    al_rest(0.01);
  }
  ASSERT_TRUE(down) << "the space bar never went down";
  CloseGraph();
  al_get_keyboard_state(&k_state);
  EXPECT_FALSE(al_key_down(&k_state, ALLEGRO_KEY_SPACE));
  EXPECT_EQ(al_context.al, nullptr);
}

}  // namespace
