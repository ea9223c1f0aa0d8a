// Stroke text: slot settings, glyph advances and shapes, escapes, justification, direction,
// solid drawing under dashes, the character mapping and every command of the glyph interpreter.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/support/MoveRecorder.h"

namespace {

using Seg = MoveRecorder::Seg;

// A 400-unit device, opened, with slot 0 at 0.28 cm: 112 device units, 4 per font unit.
struct TextFixture : ::testing::Test {
  MoveRecorder dev;
  void SetUp() override {
    ASSERT_EQ(dev.TRINIT(), 0);
    ASSERT_EQ(dev.CADDEFTXTA(0.28, 0, 0), 0);
    dev.MOVEA(2, 2);  // (800, 800), on the device grid
    dev.Clear();
  }
  // Segments drawn by text s of slot 0 from (800, 800), relative to that point.
  std::vector<Seg> Draw(const std::string& s) {
    dev.MOVEA(2, 2);
    dev.Clear();
    dev.CADPUTS(s.c_str(), 0);
    return dev.Normalised(800, 800);
  }
  std::vector<Seg> Put(char c) {
    dev.MOVEA(2, 2);
    dev.Clear();
    dev.CADPUT(c, 0);
    return dev.Normalised(800, 800);
  }
};

TEST_F(TextFixture, HeightOf028cmIs112UnitsAndCapitalsSpan84) {
  EXPECT_DOUBLE_EQ(dev.CADPOL[0].hi, 0.28 * 400);
  Put('H');
  MoveRecorder::Box b = dev.DrawnBox();
  EXPECT_EQ(b.yn, 800);
  EXPECT_EQ(b.ym, 800 + 21 * 4);  // 21 font units of 112 / 28 device units
}

TEST_F(TextFixture, SpaceAdvances21FontUnitsWithoutDrawing) {
  EXPECT_TRUE(Put(' ').empty());
  EXPECT_DOUBLE_EQ(dev.BNx, 800 + 21 * 4);
  EXPECT_DOUBLE_EQ(dev.BNy, 800);
}

TEST_F(TextFixture, CapitalAHasTheSerifedShapeAndAdvances20) {
  std::vector<Seg> got = Put('A');
  EXPECT_DOUBLE_EQ(dev.BNx, 800 + 20 * 4);
  // Strokes of the reference program (apex, legs, inner leg, bar and the two serifs), font units.
  std::vector<Seg> ref = {{3, 0, 10, 21}, {10, 21, 17, 0}, {10, 18, 16, 0},
                          {5, 6, 14, 6},  {1, 0, 7, 0},    {13, 0, 19, 0}};
  for (Seg& s : ref) s = {s.x0 * 4, s.y0 * 4, s.x1 * 4, s.y1 * 4};
  // Every drawn piece lies on one of the reference strokes, and every stroke is covered.
  auto on = [](const Seg& r, int x, int y) {
    long cross = long(r.x1 - r.x0) * (y - r.y0) - long(r.y1 - r.y0) * (x - r.x0);
    return cross == 0 && x >= std::min(r.x0, r.x1) && x <= std::max(r.x0, r.x1) &&
           y >= std::min(r.y0, r.y1) && y <= std::max(r.y0, r.y1);
  };
  for (const Seg& g : got) {
    bool found = false;
    for (const Seg& r : ref) found = found || (on(r, g.x0, g.y0) && on(r, g.x1, g.y1));
    EXPECT_TRUE(found) << g.x0 << "," << g.y0 << " " << g.x1 << "," << g.y1;
  }
  for (const Seg& r : ref) {
    double len = 0;
    for (const Seg& g : got)
      if (on(r, g.x0, g.y0) && on(r, g.x1, g.y1)) len += std::hypot(g.x1 - g.x0, g.y1 - g.y0);
    EXPECT_NEAR(len, std::hypot(r.x1 - r.x0, r.y1 - r.y0), 1e-9);
  }
}

TEST_F(TextFixture, ExponentIsRaisedHalfAHeightAtSevenTenthsThenBackToNormal) {
  // Pieces drawn alone give the reference advances and boxes.
  Put('1');
  const double a1 = dev.BNx - 800;
  Put('0');
  const double a0 = dev.BNx - 800;
  Put('-');
  const double am = dev.BNx - 800;
  Put('3');
  const double a3 = dev.BNx - 800;
  MoveRecorder::Box b3 = dev.DrawnBox();
  Put('s');
  MoveRecorder::Box bs = dev.DrawnBox();

  dev.MOVEA(2, 2);
  dev.Clear();
  ASSERT_EQ(dev.CADPUTS("10/E-3/N s", 0), 0);
  dev.Drawn();
  const double x3 = 800 + a1 + a0 + 0.7 * am;  // origin of the raised 3
  const double y3 = 800 + 0.5 * 112;
  const double xs = x3 + 0.7 * a3 + 21 * 4;  // origin of the s after the space
  // Boxes of the segments lying right of the raised 3's origin and of the s's origin.
  MoveRecorder::Box r3{1 << 30, -(1 << 30), 1 << 30, -(1 << 30), true};
  MoveRecorder::Box rs = r3;
  for (const Seg& s : dev.segs) {
    MoveRecorder::Box& b = std::min(s.x0, s.x1) >= xs - 1 ? rs : r3;
    if (&b == &r3 && std::min(s.x0, s.x1) < x3 - 1) continue;
    b.xn = std::min({b.xn, s.x0, s.x1});
    b.xm = std::max({b.xm, s.x0, s.x1});
    b.yn = std::min({b.yn, s.y0, s.y1});
    b.ym = std::max({b.ym, s.y0, s.y1});
  }
  EXPECT_NEAR(r3.yn, y3 + 0.7 * (b3.yn - 800), 1.5);
  EXPECT_NEAR(r3.ym, y3 + 0.7 * (b3.ym - 800), 1.5);
  EXPECT_NEAR(r3.xm, x3 + 0.7 * (b3.xm - 800), 1.5);
  // The s is back on the baseline at full height.
  EXPECT_NEAR(rs.yn, bs.yn, 1);
  EXPECT_NEAR(rs.ym, bs.ym, 1);
  EXPECT_NEAR(rs.xn, xs + (bs.xn - 800), 1);
  EXPECT_DOUBLE_EQ(dev.CADPOL[0].hi, 112);  // height restored
}

TEST_F(TextFixture, IndexGoesDownAndTheLineIsLiftedToKeepItsBoxOnThePoint) {
  Put('x');
  MoveRecorder::Box bx = dev.DrawnBox();
  dev.MOVEA(2, 2);
  dev.Clear();
  dev.CADPUTS("/Ix/N", 0);
  // The line starts 56 units (half a height) higher so that its box's bottom, the lowered x,
  // sits on the point; /N then comes back up to that line.
  EXPECT_NEAR(dev.BNy, 800 + 56, 1e-9);
  MoveRecorder::Box bi = dev.DrawnBox();
  EXPECT_NEAR(bi.yn, 800, 1);
  EXPECT_NEAR(bi.ym - bi.yn, 0.7 * (bx.ym - bx.yn), 1.5);
  // A descender lifts a line the same way: the box of "g" starts 7 units below its baseline.
  Put('g');
  MoveRecorder::Box bg = dev.DrawnBox();
  std::vector<Seg> g = Draw("g");
  EXPECT_EQ(bg.yn, 800 - 28);
  EXPECT_EQ(dev.DrawnBox().yn, 800);
  EXPECT_FALSE(g.empty());
}

TEST_F(TextFixture, LineBreakWithCentringStacksCentredLines) {
  Put('a');
  const double aa = dev.BNx - 800;
  MoveRecorder::Box ba = dev.DrawnBox();
  Put('b');
  const double ab = dev.BNx - 800;
  MoveRecorder::Box bb = dev.DrawnBox();
  // Width of each line's measured box: its ink together with its start and advance points.
  const double wa = std::max<double>(aa, ba.xm - 800) - std::min<double>(0, ba.xn - 800);
  const double wb = std::max<double>(ab, bb.xm - 800) - std::min<double>(0, bb.xn - 800);

  ASSERT_EQ(dev.CADPOSTXT(0.5, 0, 0), 0);
  dev.MOVEA(2, 2);
  dev.Clear();
  ASSERT_EQ(dev.CADPUTS("a/Rb", 0), 0);
  dev.Drawn();
  MoveRecorder::Box la{1 << 30, -(1 << 30), 1 << 30, -(1 << 30), true}, lb = la;
  for (const Seg& s : dev.segs) {
    MoveRecorder::Box& b = std::min(s.y0, s.y1) > 800 - 84 ? la : lb;
    b.xn = std::min({b.xn, s.x0, s.x1});
    b.xm = std::max({b.xm, s.x0, s.x1});
    b.yn = std::min({b.yn, s.y0, s.y1});
    b.ym = std::max({b.ym, s.y0, s.y1});
  }
  // a: its box is centred on x = 800, its baseline on y = 800 (no descender).
  const double sa = 800 - wa / 2 - std::min<double>(0, ba.xn - 800);
  EXPECT_NEAR(la.xn, sa + (ba.xn - 800), 1);
  EXPECT_NEAR(la.yn, ba.yn, 1);
  // b: centred on the same x, 1.5 heights (168 units) lower.
  const double sb = 800 - wb / 2 - std::min<double>(0, bb.xn - 800);
  EXPECT_NEAR(lb.xn, sb + (bb.xn - 800), 1);
  EXPECT_NEAR(lb.yn, bb.yn - 168, 1);
}

TEST_F(TextFixture, HexEscapesDrawCodes) {
  EXPECT_EQ(Draw("/X41"), Draw("A"));
  EXPECT_EQ(Draw("/x41"), Draw("A"));
  // One digit when the next character is not a hexadecimal digit: glyph 4 (acute), then z.
  std::vector<Seg> got = Draw("/x4z");
  std::vector<Seg> acc = Put('\x04');
  const int adv = static_cast<int>(dev.BNx) - 800;
  dev.MOVEA(2, 2);
  dev.Clear();
  dev.CADPUT('\x04', 0);
  dev.CADPUT('z', 0);
  EXPECT_EQ(got, dev.Normalised(800, 800));
  EXPECT_FALSE(acc.empty());
  EXPECT_GT(adv, 0);
  // Code 0 and a missing digit draw nothing; "//" draws a slash; a final slash is ignored.
  EXPECT_TRUE(Draw("/X0").empty());
  EXPECT_TRUE(Draw("/X").empty());
  std::vector<Seg> slash = Draw("/X2F");
  EXPECT_FALSE(slash.empty());
  EXPECT_EQ(Draw("//"), slash);
  EXPECT_EQ(Draw("1/"), Draw("1"));
  // Codes of 0x80 and more go through the mapping: 0xE9 (e acute) shows glyph 0x82.
  EXPECT_EQ(Draw("/XE9"), Draw("é"));
}

TEST_F(TextFixture, MissingGlyphDrawsNothingAndDoesNotAdvance) {
  EXPECT_TRUE(Put('\x05').empty());  // no glyph 5
  EXPECT_DOUBLE_EQ(dev.BNx, 800);
  EXPECT_TRUE(Put('\xF1').empty());  // n tilde maps to 0xA4, not in the font
  EXPECT_DOUBLE_EQ(dev.BNx, 800);
}

TEST_F(TextFixture, VerticalTextRunsUpwardsAndLinesGoTowardsPlusX) {
  Put('H');
  const double adv = dev.BNx - 800;
  ASSERT_EQ(dev.CADDEFTXTA(0.28, 90, 0), 0);
  EXPECT_NEAR(dev.CADPOL[0].sn, 1, 1e-12);
  EXPECT_NEAR(dev.CADPOL[0].cn, 0, 1e-12);
  dev.MOVEA(2, 2);
  dev.Clear();
  dev.CADPUT('H', 0);
  MoveRecorder::Box b = dev.DrawnBox();
  EXPECT_NEAR(dev.BNy - 800, adv, 1e-9);  // the advance goes up
  EXPECT_NEAR(dev.BNx, 800, 1e-9);
  EXPECT_EQ(b.xm, 800);  // the letter's top points to -x
  EXPECT_EQ(b.xn, 800 - 84);
  dev.MOVEA(2, 2);
  dev.Clear();
  dev.CADPUTS("H/RH", 0);
  b = dev.DrawnBox();
  EXPECT_EQ(b.xn, 800 - 84);
  EXPECT_EQ(b.xm, 800 + 168);  // second line 1.5 heights further along +x
}

TEST_F(TextFixture, TextIsSolidUnderADashedStyleWhichStaysInForce) {
  std::vector<Seg> solid = Draw("HE");
  ASSERT_EQ(dev.SETLIN(1, 1.0), 0);
  EXPECT_EQ(Draw("HE"), solid);
  // The dashed style applies again: a 1000-unit line is cut into 120-unit dashes.
  dev.MOVEA(2, 2);
  dev.Clear();
  dev.DRAWA(4.5, 2);
  std::vector<Seg> d = dev.Drawn();
  ASSERT_GE(d.size(), 3u);
  EXPECT_EQ(d[0].x1 - d[0].x0, 120);
}

TEST_F(TextFixture, CadPutKeepsTheLineStyle) {
  std::vector<Seg> solid = Put('I');
  ASSERT_EQ(dev.SETLIN(5, 0.1), 0);  // 4-unit dots every 16 units
  std::vector<Seg> dashed = Put('I');
  EXPECT_NE(dashed, solid);
}

TEST(TextErrors, ArgumentAndStateChecks) {
  MoveRecorder dev;
  EXPECT_EQ(dev.CADPUTS("a", 0), 2);
  EXPECT_EQ(dev.CADDEFTXTA(0.3, 0, 0), 2);
  ASSERT_EQ(dev.TRINIT(), 0);
  EXPECT_EQ(dev.CADPUTS("a", 3), 3);
  EXPECT_EQ(dev.CADPUTS("a", -1), 3);
  EXPECT_EQ(dev.CADDEFTXTA(0, 0, 0), 3);
  EXPECT_EQ(dev.CADDEFTXTA(0.3, 0, 3), 3);
  EXPECT_EQ(dev.CADPOSTXT(2.5, 0, 0), 3);
  EXPECT_EQ(dev.CADPOSTXT(2, -1, 0), 0);
  EXPECT_EQ(dev.POSTXT(0, -1.5), 3);
  EXPECT_EQ(dev.DEFTXT(1, 0.5, 0), 3);
  EXPECT_EQ(dev.DEFTXT(0.5, 0, 0), 3);
  EXPECT_EQ(dev.DEFTXTA(0, 0.5, 0), 3);
  EXPECT_EQ(dev.WRTLINE(-1, 0), 3);
  EXPECT_EQ(dev.CADPUTS("", 0), 0);
  char buf[8];
  EXPECT_EQ(dev.GET_CADCODES(buf, 0, 1), 3);
  EXPECT_EQ(dev.GET_CADCODES(buf, 3, 8), 3);
}

TEST(TextSettings, TrinitSlotsDeftxtWrtlineAndQueries) {
  MoveRecorder dev;
  ASSERT_EQ(dev.TRINIT(), 0);
  for (int i = 0; i < 3; ++i) {
    EXPECT_DOUBLE_EQ(dev.CADPOL[i].hi, (0.25 + 0.1 * i) * 400);
    EXPECT_EQ(dev.CADPOL[i].F, POLICE);
  }
  // DEFTXT: a fraction of the viewport height (the whole 21 cm page here).
  ASSERT_EQ(dev.DEFTXT(0.5, 0.1, 0), 0);
  EXPECT_NEAR(dev.CADPOL[0].hi, 0.1 * 21 * 400, 1e-9);
  ASSERT_EQ(dev.DEFTXTA(1, 0.5, 30), 0);
  EXPECT_NEAR(dev.CADPOL[0].hi, 200, 1e-9);
  EXPECT_NEAR(dev.CADPOL[0].sn, 0.5, 1e-12);
  ASSERT_EQ(dev.POSTXT(1, 0.5), 0);
  EXPECT_EQ(dev.CADPOL[0].tx, 1);
  EXPECT_EQ(dev.CADPOL[0].ty, 0.5);
  ASSERT_EQ(dev.WRTLINE(0.5, 0.25), 0);
  EXPECT_DOUBLE_EQ(dev.plsz, 200);
  EXPECT_DOUBLE_EQ(dev.txgs, 100);
  // Legacy settings as TRINIT leaves them: angle 0, width 0.25 cm, height 0.4 cm.
  double l, h, a;
  ASSERT_EQ(dev.GET_TXDFA(&l, &h, &a), 0);
  EXPECT_NEAR(l, 0.25, 1e-12);
  EXPECT_NEAR(h, 0.4, 1e-12);
  EXPECT_NEAR(a, 0, 1e-12);
  dev.txsn = -1;
  dev.txcn = 0;
  dev.GET_TXDFA(&l, &h, &a);
  EXPECT_NEAR(a, 270, 1e-9);
  dev.txsn = 0.5;
  dev.txcn = -std::sqrt(0.75);
  dev.GET_TXDFA(&l, &h, &a);
  EXPECT_NEAR(a, 150, 1e-9);
  // GET_CADCODES: the entry count first, then the codes, no terminator.
  char codes[200];
  std::fill(codes, codes + 200, '\x55');
  ASSERT_EQ(dev.GET_CADCODES(codes, 1, 200), 0);
  EXPECT_EQ(static_cast<unsigned char>(codes[0]), 164);
  EXPECT_EQ(codes[1], 1);
  EXPECT_EQ(static_cast<unsigned char>(codes[163]), 0xFE);
  EXPECT_EQ(codes[164], '\x55');
  std::fill(codes, codes + 200, '\x55');
  ASSERT_EQ(dev.GET_CADCODES(codes, 0, 3), 0);
  EXPECT_EQ(codes[2], 2);
  EXPECT_EQ(codes[3], '\x55');
}

TEST_F(TextFixture, CadSizeMeasuresWithoutDrawingOrMoving) {
  dev.WINDOW(0, 10, 0, 5);  // 11880 x 8400 device units: 1188 and 1680 per user unit
  dev.MOVEA(2, 2);
  dev.Clear();
  ASSERT_EQ(dev.CADDEFTXTA(0.28, 90, 0), 0);
  double w, h;
  ASSERT_EQ(dev.GET_CADSIZE('H', 0, &w, &h), 0);
  EXPECT_TRUE(dev.Drawn().empty());
  EXPECT_DOUBLE_EQ(dev.BNx, 800);
  EXPECT_DOUBLE_EQ(dev.BNy, 800);
  EXPECT_NEAR(dev.CADPOL[0].sn, 1, 1e-12);
  // Measured horizontally: 84 units tall from the baseline, as wide as the advance of H.
  EXPECT_NEAR(h, 84.0 / 8400 * 5, 1e-12);
  ASSERT_EQ(dev.CADDEFTXTA(0.28, 0, 0), 0);
  Put('H');
  EXPECT_NEAR(w, (dev.BNx - 800) / 11880 * 10, 1e-9);
}

TEST_F(TextFixture, PrintfFormatsAndLongTextIsCut) {
  std::vector<Seg> ref = Draw("12.5dB");
  dev.MOVEA(2, 2);
  dev.Clear();
  ASSERT_EQ(dev.CADPRINTF(0, "%.1fdB", 12.5), 0);
  EXPECT_EQ(dev.Normalised(800, 800), ref);
  std::string big(1000, 'i');
  EXPECT_EQ(dev.CADPRINTF(0, "%s", big.c_str()), 0);
  EXPECT_EQ(dev.CADPUTSXY(0.5, 0.5, "i", 0), 0);
  EXPECT_EQ(dev.WRTTXT("i"), 0);
}

// ---- Interpreter commands, with a test font whose glyphs are given programs ----

// A font of glyphs c = 1..254 where glyph c draws the move (c % 16 + 1, c / 16 + 1); some codes
// are replaced by the programs under test.
struct TestFont {
  std::vector<std::vector<unsigned char>> progs;
  std::vector<FORME> table;
  unsigned char header[4] = {21, 7, 2, 0};
  TestFont() : progs(255) {
    for (int c = 1; c < 255; ++c)
      progs[c] = {1, 8, static_cast<unsigned char>(c % 16 + 1),
                  static_cast<unsigned char>(c / 16 + 1), 0};
  }
  const FORME* Build() {
    table.assign(1, FORME{255, 4, header});
    for (int c = 1; c < 255; ++c)
      table.push_back(FORME{static_cast<unsigned char>(c),
                            static_cast<unsigned int>(progs[c].size()), progs[c].data()});
    return table.data();
  }
};

struct InterpFixture : ::testing::Test {
  MoveRecorder dev;
  TestFont font;
  void SetUp() override {
    ASSERT_EQ(dev.TRINIT(), 0);
    ASSERT_EQ(dev.CADDEFTXTA(0.28, 0, 0), 0);  // 4 device units per font unit
    dev.SETPRT(-1);
  }
  // Draws glyph code c of the test font from (4000, 4000); returns the drawn segments relative
  // to that point (device units).
  std::vector<Seg> Run(unsigned char c) {
    dev.CADPOL[0].F = font.Build();
    dev.MOVEA(10, 10);
    dev.Clear();
    dev.CADPUT(static_cast<char>(c), 0);
    return dev.Normalised(4000, 4000);
  }
  // The code of the test glyph that byte b shows.
  int Shown(unsigned char b) {
    std::vector<Seg> s = Run(b);
    if (s.size() != 1) return -1;
    int lo = (s[0].x1 - s[0].x0) / 4 - 1, hi = (s[0].y1 - s[0].y0) / 4 - 1;
    return hi * 16 + lo;
  }
};

TEST_F(InterpFixture, CharacterMappingOfWindows1252) {
  // Below 0x80 the code is the character itself.
  for (int b = 1; b < 0x80; ++b) EXPECT_EQ(Shown(static_cast<unsigned char>(b)), b) << b;
  struct {
    unsigned char in, out;
  } cases[] = {
      {0xE9, 0x82}, {0xE8, 0x8A}, {0xEA, 0x88}, {0xEB, 0x89}, {0xE0, 0x85}, {0xE7, 0x87},
      {0xB0, 0xF8}, {0xB5, 0xE6}, {0xB1, 0xF1}, {0xB2, 0xFD}, {0xA0, 0x20}, {0x80, 0x80},
      {0x9F, 0x80}, {0xC4, 0x8E}, {0xDF, 0xE1}, {0xFC, 0x81}, {0xFF, 0x98}, {0xD6, 0xE5},
      {0xF7, 0xF6}, {0xA6, 0x7C}, {0xB7, 0xFA}, {0xF4, 0x93}, {0xEE, 0x8C}, {0xC9, 0x90},
  };
  for (const auto& c : cases) EXPECT_EQ(Shown(c.in), c.out) << int(c.in);
}

TEST_F(InterpFixture, VectorsFollowTheSixteenDirections) {
  const double c[16] = {1, 1, 1, 0.5, 0, -0.5, -1, -1, -1, -1, -1, -0.5, 0, 0.5, 1, 1};
  const double s[16] = {0, 0.5, 1, 1, 1, 1, 1, 0.5, 0, -0.5, -1, -1, -1, -1, -1, -0.5};
  for (int d = 0; d < 16; ++d) {
    font.progs[0x41] = {static_cast<unsigned char>(0x20 | d), 0};  // length 2
    std::vector<Seg> got = Run(0x41);
    ASSERT_EQ(got.size(), 1u) << d;
    EXPECT_EQ(dev.BNx - 4000, 8 * c[d]) << d;
    EXPECT_EQ(dev.BNy - 4000, 8 * s[d]) << d;
  }
}

TEST_F(InterpFixture, PenScaleMovesAndPairs) {
  // Pen up, move (5, 0), pen down, draw (0, 3) at a third of the scale, then (1, 0) at twice it.
  font.progs[0x41] = {2, 8, 5, 0, 1, 3, 3, 8, 0, 3, 4, 6, 8, 1, 0, 0};
  std::vector<Seg> got = Run(0x41);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0], (Seg{20, 0, 20, 4}));
  EXPECT_EQ(got[1], (Seg{20, 4, 28, 4}));
  // Pairs up to (0, 0), signed bytes.
  font.progs[0x41] = {9, 2, 0, 0xFE, 0xFF, 0, 0, 0};
  got = Run(0x41);
  EXPECT_DOUBLE_EQ(dev.BNx - 4000, 0);
  EXPECT_DOUBLE_EQ(dev.BNy - 4000, -4);
  EXPECT_EQ(got.size(), 2u);
}

TEST_F(InterpFixture, SaveRestoreAndSubGlyphs) {
  // Save, draw (3, 0), restore (pen up back), draw (0, 2).
  font.progs[0x41] = {5, 8, 3, 0, 6, 8, 0, 2, 0};
  std::vector<Seg> got = Run(0x41);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0], (Seg{0, 0, 0, 8}));
  EXPECT_EQ(got[1], (Seg{0, 0, 12, 0}));
  // Restore with nothing saved does nothing; a fifth save is ignored.
  font.progs[0x41] = {6, 5, 5, 5, 5, 8, 1, 0, 5, 6, 6, 6, 6, 6, 0};
  Run(0x41);
  EXPECT_NEAR(dev.BNx - 4000, 0, 1e-9);
  // Sub-glyph 0x82 is drawn without the mapping, with its own fresh scale.
  font.progs[0x41] = {3, 2, 7, 0x82, 8, 2, 0, 0};
  got = Run(0x41);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0], (Seg{0, 0, (0x82 % 16 + 1) * 4, (0x82 / 16 + 1) * 4}));
  EXPECT_DOUBLE_EQ(dev.BNx - 4000, (0x82 % 16 + 1) * 4 + 4);  // (2, 0) at half scale
}

TEST_F(InterpFixture, SkippedCommandsAndVerticalTextPrefix) {
  // 11 (five bytes), 12 (three), 13 (groups up to 0 0 x), 14 skips the next command.
  font.progs[0x41] = {11,   0x44, 0x44, 0x44, 0x44, 0x44, 12, 0x44, 0x44, 0x44, 13,   0x44, 0x44,
                      0x44, 0,    0,    0x44, 14,   8,    9,  9,    14,   0x44, 0x14, 0};
  std::vector<Seg> got = Run(0x41);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], (Seg{0, 0, 0, 4}));
  // A program cut inside an operand stops there.
  font.progs[0x41] = {0x10, 8, 5};
  got = Run(0x41);
  EXPECT_EQ(got.size(), 1u);
  EXPECT_DOUBLE_EQ(dev.BNx - 4000, 4);
}

TEST_F(InterpFixture, OctantArcTurnsAroundItsCentre) {
  // Radius 5 font units, start octant 0 (centre 5 units back along x), two octants: 90 degrees.
  font.progs[0x41] = {10, 5, 0x02, 0};
  std::vector<Seg> got = Run(0x41);
  ASSERT_FALSE(got.empty());
  for (const Seg& s : got) {
    EXPECT_NEAR(std::hypot(s.x1 + 20, s.y1), 20, 1.5);
    EXPECT_GE(s.y1, -1);
  }
  EXPECT_NEAR(dev.BNx - 4000, -20, 1e-6);
  EXPECT_NEAR(dev.BNy - 4000, 20, 1e-6);
  EXPECT_EQ(dev.pen, 0);
}

}  // namespace
