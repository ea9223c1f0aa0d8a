// Draws every glyph of the stroke font with its code, and a line of mapped Windows-1252 text,
// to an EPS file: build/font_sheet sheet.eps, then render it with Ghostscript (see README).
#include <cstdio>
#include <vector>

#include "plot/MDGraph.h"
#include "plot/TrInfo.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: font_sheet FILE.eps\n");
    return 2;
  }
  TMDGraph g(GrPS, argv[1]);
  TR_INFO* t = g.Gr;
  if (t == nullptr || t->BOUNDS(0, 19, 0, 28) != 0 || t->TRINIT() != 0) {
    std::fprintf(stderr, "font_sheet: cannot open %s\n", argv[1]);
    return 1;
  }
  // A table of the whole font plus glyph 0x05, "draw glyph n", so that every glyph can be
  // shown by its own code, without the character mapping.
  unsigned char draw_n[3] = {7, 0, 0};
  std::vector<FORME> table(POLICE, POLICE + POLICE[0].code);
  table[0].code = static_cast<unsigned char>(table.size() + 1);
  table.push_back(FORME{0x05, 3, draw_n});

  const int cols = 12;
  const double cw = 1.5, ch = 1.7, x0 = 0.6, top = 26.8, size = 0.75;
  t->CADDEFTXTA(size, 0, 0);
  t->CADDEFTXTA(0.22, 0, 1);
  for (int i = 1; i < POLICE[0].code; ++i) {
    const int k = i - 1;
    const double x = x0 + (k % cols) * cw, y = top - (k / cols) * ch;
    // Baseline and cap line of the cell in grey, the code below.
    t->PLUME(TRCOL_GRISCLAIR);
    t->MOVE(x, y);
    t->DRAW(x + cw - 0.3, y);
    t->MOVE(x, y + size * 21 / 28);
    t->DRAW(x + cw - 0.3, y + size * 21 / 28);
    t->PLUME(TRCOL_BLEU);
    t->MOVE(x, y - 0.6);
    t->CADPRINTF(1, "%02X", POLICE[i].code);
    t->PLUME(TRCOL_NOIR);
    draw_n[1] = POLICE[i].code;
    t->CADPOL[0].F = table.data();
    t->MOVE(x, y);
    t->CADPUT('\x05', 0);
    t->CADPOL[0].F = POLICE;
  }
  // Mapped text as a chart would write it, with exponents and indices.
  t->CADDEFTXTA(0.4, 0, 0);
  t->MOVE(0.6, 3.2);
  t->CADPUTS("Gain à -135° (mp=45°) : 12,5 dB   10/E-3/N s   K/Ip/N µs ±2 ¹²³ ¾", 0);
  t->MOVE(0.6, 2.1);
  t->CADPUTS("éèêë àâä ç îï ôö ùûü æ Æ Ä Å å ß ÷ § ¶ · Ó Ô Ö Ú Û Ù ý Þ þ", 0);
  t->MOVE(0.6, 1.0);
  t->CADPUTS("Réponse indicielle : dépassement 4,3 %/RFréquence (s/E-1/N)", 0);
  return t->TRCLOSE() == 0 ? 0 : 1;
}
