// Tests of the screen device: geometry, pen colours, the missing-display path, and under the
// private X server of screen_window.sh a real drawing closed by the space bar.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>

#include "plot/MDGraph.h"
#include "plot/ScreenDevice.h"
#include "screen/Graphisme.h"
#include "tests/support/ScreenTest.h"

namespace {

// Expected colour of each pen, from the standard (CSS / X11) colour table.
struct PenColour {
  int pen;
  const char* name;
  unsigned char r, g, b;
};
const PenColour kPens[16] = {
    {TRCOL_BLANC, "white", 255, 255, 255},
    {TRCOL_NOIR, "black", 0, 0, 0},
    {TRCOL_BLEU, "blue", 0, 0, 255},
    {TRCOL_VERT, "green", 0, 128, 0},
    {TRCOL_ROUGE, "red", 255, 0, 0},
    {TRCOL_GRIS, "gray", 128, 128, 128},
    {TRCOL_TURQUOISE, "cyan", 0, 255, 255},
    {TRCOL_VIOLET, "magenta", 255, 0, 255},
    {TRCOL_MARRON, "brown", 165, 42, 42},
    {TRCOL_JAUNE, "yellow", 255, 255, 0},
    {TRCOL_BLEUCLAIR, "lightblue", 173, 216, 230},
    {TRCOL_VERTCLAIR, "lightgreen", 144, 238, 144},
    {TRCOL_ROUGECLAIR, "pink", 255, 192, 203},
    {TRCOL_GRISCLAIR, "lightgrey", 211, 211, 211},
    {TRCOL_TURQUOISECLAIR, "lightcyan", 224, 255, 255},
    {TRCOL_VIOLETCLAIR, "violet", 238, 130, 238},
};

void ExpectColour(ALLEGRO_COLOR c, const PenColour& want) {
  EXPECT_NEAR(c.r * 255, want.r, 0.5) << want.name;
  EXPECT_NEAR(c.g * 255, want.g, 0.5) << want.name;
  EXPECT_NEAR(c.b * 255, want.b, 0.5) << want.name;
  EXPECT_EQ(c.a, 1.0f) << want.name;
}

double Seconds(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

TEST(ScreenDevice, MissingDisplayDrawsNothingAndDoesNotWait) {
  SKIP_UNLESS_NO_DISPLAY();
  T_CURRENT before = CURRENT;
  testing::internal::CaptureStdout();
  auto t0 = std::chrono::steady_clock::now();
  {
    TMDGraph g(GrScr);
    ASSERT_NE(g.Gr, nullptr);
    EXPECT_EQ(g.Type, GrScr);
    auto* scr = dynamic_cast<C_SCR*>(g.Gr);
    ASSERT_NE(scr, nullptr);
    EXPECT_FALSE(scr->fenetre);
    // A whole drawing goes through without error and without touching the layer's pen.
    EXPECT_EQ(g.Gr->TRINIT(), 0);
    EXPECT_EQ(g.Gr->PLUME(4), 0);
    EXPECT_EQ(g.Gr->LINEWIDTH(2), 0);
    EXPECT_EQ(g.Gr->MOVEA(1, 1), 0);
    EXPECT_EQ(g.Gr->DRAWA(5, 6), 0);
    EXPECT_EQ(g.Gr->DRAW(2, 2), 0);
    EXPECT_EQ(g.Gr->TRCLOSE(), 0);
  }
  double secs = Seconds(t0);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "Echec create display\n");  // no prompt: nothing waits
  EXPECT_LT(secs, 5.0);
  EXPECT_EQ(al_context.al, nullptr);
  EXPECT_EQ(CURRENT.ep, before.ep);
  EXPECT_EQ(CURRENT.p.x, before.p.x);
  EXPECT_EQ(CURRENT.p.y, before.p.y);
}

TEST(ScreenDevice, GeometryAndPenColoursWithoutWindow) {
  SKIP_UNLESS_NO_DISPLAY();
  testing::internal::CaptureStdout();
  TMDGraph g(GrScr, "ignored.eps");  // the file name is not used
  testing::internal::GetCapturedStdout();
  auto* scr = dynamic_cast<C_SCR*>(g.Gr);
  ASSERT_NE(scr, nullptr);
  EXPECT_EQ(g.Type, GrScr);
  EXPECT_EQ(scr->NomFichier, nullptr);
  EXPECT_EQ(scr->plume_max, 15);
  EXPECT_EQ(scr->u_par_cmx, 50.0);
  EXPECT_EQ(scr->u_par_cmy, 50.0);
  EXPECT_EQ(scr->tr_xmax, 10.0);
  EXPECT_EQ(scr->tr_ymax, 14.0);
  EXPECT_EQ(scr->wn_absx, 1);
  EXPECT_EQ(scr->wn_absy, 1);
  ASSERT_EQ(scr->TRINIT(), 0);
  for (const PenColour& p : kPens) ExpectColour(scr->col[p.pen], p);
  EXPECT_EQ(scr->PLUME(16), 3);  // past the sixteen pens
  EXPECT_EQ(scr->PLUME(15), 0);
  // The pen position follows the relative moves even when nothing is drawn.
  scr->tr_move(10, 20, 1);
  scr->tr_move(-4, 5, 0);
  EXPECT_EQ(scr->wn_absx, 7);
  EXPECT_EQ(scr->wn_absy, 26);
  EXPECT_EQ(scr->TRCLOSE(), 0);
}

// --- Under the private X server (screen_window.sh) ---

TEST(ScreenDevice, WindowWidthAndPen) {
  SKIP_UNLESS_WINDOW_TESTS();
  testing::internal::CaptureStdout();
  {
    TMDGraph g(GrScr);
    auto* scr = dynamic_cast<C_SCR*>(g.Gr);
    ASSERT_NE(scr, nullptr);
    ASSERT_TRUE(scr->fenetre);
    EXPECT_EQ(GetXmax(), 502);
    EXPECT_EQ(GetYmax(), 702);
    EXPECT_EQ(al_get_display_width(al_context.al), 502);
    EXPECT_EQ(al_get_display_height(al_context.al), 702);
    EXPECT_EQ(CURRENT.p.x, 1.0);  // pen on pixel (1, 1)
    EXPECT_EQ(CURRENT.p.y, 701.0);
    ASSERT_EQ(scr->TRINIT(), 0);
    EXPECT_FLOAT_EQ(CURRENT.ep, 1.0f);  // TRINIT's 0.2 mm: 5 pixels per millimetre
    EXPECT_EQ(scr->LINEWIDTH(0.6), 0);
    EXPECT_FLOAT_EQ(CURRENT.ep, 3.0f);
    EXPECT_EQ(scr->LINEWIDTH(0.2), 0);
    EXPECT_FLOAT_EQ(CURRENT.ep, 1.0f);
    EXPECT_EQ(scr->PLUME(TRCOL_ROUGE), 0);
    ExpectColour(CURRENT.col, kPens[TRCOL_ROUGE]);
    EXPECT_EQ(scr->PLUME(TRCOL_VERTCLAIR), 0);
    ExpectColour(CURRENT.col, kPens[TRCOL_VERTCLAIR]);
    // A drawing never closed: the holder's end closes the window without waiting.
  }
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(al_context.al, nullptr);
  EXPECT_EQ(out, "Create display Ok\nInit primitives Ok\n");
}

// Draws known shapes through the kernel and waits for the space bar; screen_window.sh checks
// the screenshot (pixel table there) and presses the key.
TEST(ScreenDevice, WindowDrawAndWait) {
  SKIP_UNLESS_WINDOW_TESTS();
  TMDGraph g(GrScr);
  TR_INFO* gr = g.Gr;
  ASSERT_NE(gr, nullptr);
  ASSERT_EQ(gr->TRINIT(), 0);  // window: 0..10 x 0..14, in centimetres
  gr->PLUME(TRCOL_ROUGE);
  gr->MOVEA(1, 1);
  gr->DRAWA(5, 1);
  gr->PLUME(TRCOL_BLEU);
  gr->MOVEA(8, 2);
  gr->DRAWA(8, 8);
  gr->PLUME(TRCOL_VERT);
  // Circle of radius 1 cm about (5, 7) cm, as 360 chords.
  gr->MOVE(6, 7);
  for (int i = 1; i <= 360; i++)
    gr->DRAW(5 + std::cos(i * M_PI / 180), 7 + std::sin(i * M_PI / 180));
  gr->PLUME(TRCOL_VIOLET);
  gr->MOVEA(1, 9);
  gr->DRAWA(3, 9);
  gr->DRAWA(3, 11);
  gr->DRAWA(1, 11);
  gr->DRAWA(1, 9);
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(gr->TRCLOSE(), 0);
  EXPECT_GT(Seconds(t0), 0.2);  // it did wait for the key
  EXPECT_EQ(al_context.al, nullptr);
  EXPECT_FALSE(dynamic_cast<C_SCR*>(gr)->fenetre);
}

}  // namespace
