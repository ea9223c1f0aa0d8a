// The compiled-in stroke font: table layout and character set, well-formed glyph programs,
// vertical extents, auxiliary moves and the composition of accented letters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "tests/support/MoveRecorder.h"

namespace {

using Seg = MoveRecorder::Seg;

std::vector<int> ExpectedCodes() {
  std::vector<int> c = {0x01, 0x02, 0x03, 0x04, 0x0A, 0x0B};
  for (int i = 0x20; i <= 0x7F; ++i) c.push_back(i);
  for (int i = 0x80; i <= 0x8F; ++i) c.push_back(i);
  for (int i : {0x91, 0x92, 0x93, 0x94, 0x96, 0x97, 0xB7, 0xBD, 0xD4, 0xD5}) c.push_back(i);
  for (int i = 0xDC; i <= 0xFE; ++i) c.push_back(i);
  return c;
}

const FORME* Find(int code) {
  for (int i = 1; i < 164; ++i)
    if (POLICE[i].code == code) return &POLICE[i];
  return nullptr;
}

// Walks a program command by command; returns false on a truncated operand. Collects the codes
// of the sub-glyphs it draws.
bool Parse(const FORME& g, std::vector<int>* subs, unsigned char* last) {
  const unsigned char* p = g.p;
  unsigned int n = g.lng, i = 0;
  auto need = [&](unsigned int k) { return i + k <= n; };
  while (i < n) {
    unsigned char c = p[i++];
    *last = c;
    switch (c) {
      case 3:
      case 4:
        if (!need(1)) return false;
        if (c == 3 && p[i] == 0) return false;  // a division by zero
        i += 1;
        break;
      case 7:
        if (!need(1)) return false;
        subs->push_back(p[i]);
        i += 1;
        break;
      case 8:
      case 10:
        if (!need(2)) return false;
        i += 2;
        break;
      case 9:
        for (;;) {
          if (!need(2)) return false;
          bool end = p[i] == 0 && p[i + 1] == 0;
          i += 2;
          if (end) break;
        }
        break;
      case 11:
        if (!need(5)) return false;
        i += 5;
        break;
      case 12:
        if (!need(3)) return false;
        i += 3;
        break;
      case 13:
        for (;;) {
          if (!need(3)) return false;
          bool end = p[i] == 0 && p[i + 1] == 0;
          i += 3;
          if (end) break;
        }
        break;
      default:
        break;
    }
  }
  return true;
}

TEST(Font, HeaderAndCharacterSet) {
  EXPECT_EQ(POLICE[0].code, 164);
  ASSERT_EQ(POLICE[0].lng, 4u);
  EXPECT_EQ(POLICE[0].p[0], 21);
  EXPECT_EQ(POLICE[0].p[1], 7);
  EXPECT_EQ(POLICE[0].p[2], 2);
  EXPECT_EQ(POLICE[0].p[3], 0);
  std::vector<int> codes;
  for (int i = 1; i < 164; ++i) codes.push_back(POLICE[i].code);
  EXPECT_TRUE(std::is_sorted(codes.begin(), codes.end()));
  EXPECT_EQ(std::set<int>(codes.begin(), codes.end()).size(), 163u);
  EXPECT_EQ(codes, ExpectedCodes());
}

TEST(Font, EveryProgramParsesAndItsSubGlyphsExistWithoutCycles) {
  std::function<bool(int, std::vector<int>&)> acyclic = [&](int code, std::vector<int>& path) {
    if (std::find(path.begin(), path.end(), code) != path.end()) return false;
    path.push_back(code);
    std::vector<int> subs;
    unsigned char last;
    Parse(*Find(code), &subs, &last);
    for (int s : subs)
      if (Find(s) == nullptr || !acyclic(s, path)) return false;
    path.pop_back();
    return true;
  };
  for (int i = 1; i < 164; ++i) {
    const FORME& g = POLICE[i];
    ASSERT_GE(g.lng, 3u) << int(g.code);
    std::vector<int> subs;
    unsigned char last = 0xFF;
    EXPECT_TRUE(Parse(g, &subs, &last)) << int(g.code);
    EXPECT_EQ(last, 0) << int(g.code);  // every program ends with the end command
    for (int s : subs) EXPECT_NE(Find(s), nullptr) << int(g.code) << " uses " << s;
    std::vector<int> path;
    EXPECT_TRUE(acyclic(g.code, path)) << int(g.code);
  }
}

// Draws glyph `code` itself (no character mapping) through a table holding the font plus a
// glyph 0x05 whose program is "draw `code`".
struct GlyphFixture : ::testing::Test {
  MoveRecorder dev;
  std::vector<FORME> table;
  unsigned char header[4] = {21, 7, 2, 0};
  unsigned char prog[3] = {7, 0, 0};
  void SetUp() override {
    ASSERT_EQ(dev.TRINIT(), 0);
    ASSERT_EQ(dev.CADDEFTXTA(0.28, 0, 0), 0);  // 4 device units per font unit
    dev.SETPRT(-1);
    table.assign(1, FORME{165, 4, header});
    for (int i = 1; i < 164; ++i) table.push_back(POLICE[i]);
    table.push_back(FORME{0x05, 3, prog});
    dev.CADPOL[0].F = table.data();
  }
  // Segments of glyph `code` drawn from (4000, 4000), relative to that point, device units.
  std::vector<Seg> Glyph(int code) {
    prog[1] = static_cast<unsigned char>(code);
    dev.MOVEA(10, 10);
    dev.Clear();
    dev.CADPUT('\x05', 0);
    return dev.Normalised(4000, 4000);
  }
  static MoveRecorder::Box BoxOf(const std::vector<Seg>& v) {
    MoveRecorder::Box b{1 << 30, -(1 << 30), 1 << 30, -(1 << 30), v.empty()};
    for (const Seg& s : v) {
      b.xn = std::min({b.xn, s.x0, s.x1});
      b.xm = std::max({b.xm, s.x0, s.x1});
      b.yn = std::min({b.yn, s.y0, s.y1});
      b.ym = std::max({b.ym, s.y0, s.y1});
    }
    return b;
  }
};

// Accented capitals carry their accent above the 21-unit cap line.
const std::set<int> kAccentedCapitals = {0x8E, 0x8F, 0xE0, 0xE2, 0xE5, 0xE9, 0xEA, 0xEB};

TEST_F(GlyphFixture, GlyphsStayWithinTheAscentAndDescent) {
  const std::set<int> blank = {0x0A, 0x20, 0xB7, 0xBD, 0xD4, 0xD5};
  for (int code : ExpectedCodes()) {
    std::vector<Seg> s = Glyph(code);
    const double adv = (dev.BNx - 4000) / 4;
    if (blank.count(code)) {
      EXPECT_TRUE(s.empty()) << code;
      continue;
    }
    ASSERT_FALSE(s.empty()) << code;
    MoveRecorder::Box b = BoxOf(s);
    const double top = kAccentedCapitals.count(code) ? 28 : 21;
    EXPECT_GE(b.yn / 4.0, -7 - 0.25) << code;
    EXPECT_LE(b.ym / 4.0, top + 0.25) << code;
    // The ink lies between the start and a little past the advance point.
    EXPECT_GT(adv, 0) << code;
    EXPECT_GE(b.xn / 4.0, -1) << code;
    EXPECT_LE(b.xm / 4.0, adv + 1) << code;
    EXPECT_NEAR(dev.BNy, 4000, 1e-9) << code;  // the pen ends back on the baseline
  }
}

TEST_F(GlyphFixture, AuxiliaryGlyphsOnlyMoveVertically) {
  struct {
    int code;
    double dy;  // font units
  } cases[] = {{0xD5, 7}, {0xD4, -7}, {0xBD, 10.5}, {0xB7, -10.5}, {0x0A, -34}};
  for (const auto& c : cases) {
    EXPECT_TRUE(Glyph(c.code).empty());
    EXPECT_NEAR(dev.BNx, 4000, 1e-9) << c.code;
    EXPECT_NEAR(dev.BNy - 4000, c.dy * 4, 1e-9) << c.code;
  }
  Glyph(0x20);
  EXPECT_NEAR(dev.BNx - 4000, 21 * 4, 1e-9);
}

TEST_F(GlyphFixture, AccentedLettersAreTheirBaseLetterWithTheAccentAbove) {
  struct {
    int code, base, accent;
  } cases[] = {
      {0x81, 'u', 1},  {0x82, 'e', 4}, {0x83, 'a', 2}, {0x84, 'a', 1},  {0x85, 'a', 3},
      {0x88, 'e', 2},  {0x89, 'e', 1}, {0x8A, 'e', 3}, {0x8B, 0x0B, 1}, {0x8C, 0x0B, 2},
      {0x8D, 0x0B, 3}, {0x8E, 'A', 1}, {0x93, 'o', 2}, {0x94, 'o', 1},  {0x96, 'u', 2},
      {0x97, 'u', 3},  {0xE0, 'O', 4}, {0xE2, 'O', 2}, {0xE5, 'O', 1},  {0xE9, 'U', 4},
      {0xEA, 'U', 2},  {0xEB, 'U', 3}, {0xEC, 'y', 4},
  };
  for (const auto& c : cases) {
    std::vector<Seg> base = Glyph(c.base);
    const double base_adv = dev.BNx;
    MoveRecorder::Box bb = BoxOf(base);
    MoveRecorder::Box ba = BoxOf(Glyph(c.accent));
    std::vector<Seg> all = Glyph(c.code);
    EXPECT_NEAR(dev.BNx, base_adv, 1e-6) << c.code;  // same advance as the base letter
    // Every stroke of the base is there (within the rounding of one device unit)...
    std::vector<Seg> extra = all;
    for (const Seg& s : base) {
      auto it = std::find_if(extra.begin(), extra.end(), [&](const Seg& t) {
        return std::abs(t.x0 - s.x0) <= 1 && std::abs(t.y0 - s.y0) <= 1 &&
               std::abs(t.x1 - s.x1) <= 1 && std::abs(t.y1 - s.y1) <= 1;
      });
      ASSERT_NE(it, extra.end()) << c.code;
      extra.erase(it);
    }
    // ...and the rest is the accent: its size, above the letter, centred over it.
    MoveRecorder::Box be = BoxOf(extra);
    ASSERT_FALSE(be.empty) << c.code;
    EXPECT_NEAR(be.xm - be.xn, ba.xm - ba.xn, 1) << c.code;
    EXPECT_NEAR(be.ym - be.yn, ba.ym - ba.yn, 1) << c.code;
    const bool capital = kAccentedCapitals.count(c.code) != 0;
    const double top = (capital ? 21 : 14) * 4;
    EXPECT_GT(be.yn, top) << c.code;
    EXPECT_NEAR((be.xn + be.xm) / 2.0, (bb.xn + bb.xm) / 2.0, 4) << c.code;
  }
}

TEST_F(GlyphFixture, MarkedAndBuiltGlyphsContainTheirBase) {
  // a ring, A ring, c cedilla, o tilde, plus-minus (0xF1 is drawn by 0x80) and the spacing
  // accents, each drawn from another glyph.
  struct {
    int code, base;
  } cases[] = {{0x86, 'a'},  {0x8F, 'A'},  {0x87, 'c'},  {0xE4, 'o'},
               {0xF1, 0x80}, {0xEF, 0x04}, {0xF9, 0x01}, {0xF0, '-'}};
  for (const auto& c : cases) {
    std::vector<Seg> base = Glyph(c.base);
    std::vector<Seg> all = Glyph(c.code);
    for (const Seg& s : base) {
      bool found = std::any_of(all.begin(), all.end(), [&](const Seg& t) {
        return std::abs(t.x0 - s.x0) <= 1 && std::abs(t.y0 - s.y0) <= 1 &&
               std::abs(t.x1 - s.x1) <= 1 && std::abs(t.y1 - s.y1) <= 1;
      });
      EXPECT_TRUE(found) << c.code;
    }
  }
}

TEST_F(GlyphFixture, DigitsAndCapitalsShareTheBaselineAndCapLine) {
  for (int code : {'0', '1', '5', 'E', 'H', 'M', 'T'}) {
    MoveRecorder::Box b = BoxOf(Glyph(code));
    EXPECT_EQ(b.yn, 0) << code;
    EXPECT_EQ(b.ym, 84) << code;
  }
  // Descenders reach the 7-unit line.
  for (int code : {'g', 'p', 'q', 'y'}) EXPECT_EQ(BoxOf(Glyph(code)).yn, -28) << code;
}

}  // namespace

namespace {

// The reference programs of the space and of "A": run through the interpreter they draw
// exactly what the font's own glyphs draw, and advance by 21 and 20 units.
TEST_F(GlyphFixture, ReferenceProgramsOfSpaceAndADrawLikeTheFont) {
  const unsigned char space[] = {0x02, 0x08, 0x15, 0x00, 0x0E, 0x08, 0xEB, 0xE2, 0x00};
  const unsigned char a[] = {0x02, 0x0E, 0x08, 0xF6, 0xEB, 0x0E, 0x05, 0x08, 0x0A, 0x15, 0x01, 0x08,
                             0xF9, 0xEB, 0x02, 0x08, 0x07, 0x15, 0x01, 0x08, 0x07, 0xEB, 0x02, 0x08,
                             0xF9, 0x12, 0x01, 0x08, 0x06, 0xEE, 0x02, 0x08, 0xF5, 0x06, 0x01, 0x90,
                             0x02, 0x08, 0xF3, 0xFA, 0x01, 0x60, 0x02, 0x60, 0x01, 0x60, 0x02, 0x08,
                             0x01, 0x00, 0x0E, 0x06, 0x0E, 0x08, 0x0A, 0xF7, 0x00};
  std::vector<Seg> font_a = Glyph('A');
  const double font_a_adv = dev.BNx - 4000;
  Glyph(' ');
  const double font_space_adv = dev.BNx - 4000;
  // A table whose only glyphs are the two reference programs.
  FORME ref[3] = {{3, 4, header}, {0x20, sizeof space, space}, {0x41, sizeof a, a}};
  dev.CADPOL[0].F = ref;
  dev.MOVEA(10, 10);
  dev.Clear();
  dev.CADPUT(' ', 0);
  EXPECT_TRUE(dev.Drawn().empty());
  EXPECT_DOUBLE_EQ(dev.BNx - 4000, 21 * 4);
  EXPECT_DOUBLE_EQ(font_space_adv, 21 * 4);
  dev.MOVEA(10, 10);
  dev.Clear();
  dev.CADPUT('A', 0);
  EXPECT_DOUBLE_EQ(dev.BNx - 4000, 20 * 4);
  EXPECT_DOUBLE_EQ(font_a_adv, 20 * 4);
  // The same strokes, once the font's longer strokes are cut where the reference's are.
  std::vector<Seg> ref_a = dev.Normalised(4000, 4000);
  auto total = [](const std::vector<Seg>& v) {
    double len = 0;
    for (const Seg& s : v) len += std::hypot(s.x1 - s.x0, s.y1 - s.y0);
    return len;
  };
  EXPECT_NEAR(total(font_a), total(ref_a), 1e-9);
  EXPECT_EQ(BoxOf(font_a).xn, BoxOf(ref_a).xn);
  EXPECT_EQ(BoxOf(font_a).xm, BoxOf(ref_a).xm);
  EXPECT_EQ(BoxOf(font_a).ym, BoxOf(ref_a).ym);
  dev.CADPOL[0].F = table.data();
}

}  // namespace

namespace {

// Hershey glyphs of a .jhf file: per glyph, the advance and the total stroke length.
struct HersheyGlyph {
  int advance;
  double length;
};

std::vector<HersheyGlyph> ReadJhf(const char* path) {
  std::ifstream f(path);
  std::string all((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>()), d;
  for (char c : all)
    if (c != '\n' && c != '\r') d += c;
  std::vector<HersheyGlyph> out;
  size_t i = 0;
  while (i + 8 <= d.size()) {
    int n = std::stoi(d.substr(i + 5, 3));
    const char* b = d.c_str() + i + 8;
    HersheyGlyph g{b[1] - b[0], 0};
    bool have = false;
    int px = 0, py = 0;
    for (int k = 1; k < n; ++k) {
      char x = b[2 * k], y = b[2 * k + 1];
      if (x == ' ' && y == 'R') {
        have = false;
        continue;
      }
      if (have) g.length += std::hypot(x - px, y - py);
      px = x;
      py = y;
      have = true;
    }
    out.push_back(g);
    i += 8 + 2 * n;
  }
  return out;
}

// Printable ASCII glyphs carry the Hershey complex roman strokes: same advance, same total
// stroke length (7/8 of it for the tall brackets and bars, scaled to fit the 28-unit span).
TEST_F(GlyphFixture, AsciiGlyphsAreTheHersheyComplexRomanOnes) {
  const char* path = "/usr/share/hershey-fonts/timesr.jhf";
  if (!std::ifstream(path)) GTEST_SKIP() << "hershey-fonts-data is not installed";
  std::vector<HersheyGlyph> h = ReadJhf(path);
  ASSERT_GE(h.size(), 95u);
  for (int c = 0x21; c < 0x7F; ++c) {
    std::vector<Seg> s = Glyph(c);
    double len = 0;
    for (const Seg& g : s) len += std::hypot(g.x1 - g.x0, g.y1 - g.y0) / 4;
    const HersheyGlyph& ref = h[c - 32];
    const bool fitted = std::fabs(len - ref.length * 7 / 8) < std::fabs(len - ref.length);
    const double k = fitted ? 7.0 / 8 : 1.0;
    EXPECT_NEAR(len, ref.length * k, 0.02 * ref.length) << char(c);
    EXPECT_NEAR((dev.BNx - 4000) / 4, ref.advance * k, 0.3) << char(c);
  }
}

}  // namespace
