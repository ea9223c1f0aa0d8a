// Encapsulated PostScript output device on an A4 landscape page, 400 units per centimetre.
#include "plot/EpsDevice.h"

#include <cstdio>
#include <cstring>

namespace {
// Pen colours as red, green, blue bytes; pen 16 (past the table) is drawn black.
const unsigned char kPsColors[16][3] = {
    {255, 255, 255}, {0, 0, 0},       {0, 0, 192},     {0, 192, 0},
    {192, 0, 0},     {96, 96, 96},    {0, 128, 128},   {128, 0, 128},
    {128, 128, 0},   {255, 255, 0},   {128, 128, 255}, {128, 255, 128},
    {255, 0, 0},     {192, 192, 192}, {64, 255, 255},  {255, 64, 255}};

// Two decimal digits of every number below 100.
constexpr char kDigits[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes v in decimal at p (at most 11 bytes); returns the end.
__attribute__((always_inline)) inline char* PutInt(char* p, int v) {
  unsigned u = v < 0 ? 0u - static_cast<unsigned>(v) : static_cast<unsigned>(v);
  if (v < 0) *p++ = '-';
  const int n = 1 + (u >= 10) + (u >= 100) + (u >= 1000) + (u >= 10000) + (u >= 100000) +
                (u >= 1000000) + (u >= 10000000) + (u >= 100000000) + (u >= 1000000000);
  char* const fin = p + n;
  char* q = fin;
  while (u >= 100) {
    const unsigned r = u % 100;
    u /= 100;
    q -= 2;
    q[0] = kDigits[2 * r];
    q[1] = kDigits[2 * r + 1];
  }
  if (u >= 10) {
    q[-2] = kDigits[2 * u];
    q[-1] = kDigits[2 * u + 1];
  } else {
    q[-1] = static_cast<char>('0' + u);
  }
  return fin;
}
}  // namespace

C_EPS::C_EPS(const char* nomfic) : nom_(nomfic ? nomfic : "") {
  plume_max = 16;
  u_par_cmx = u_par_cmy = 400;
  tr_xmax = 29.7;
  tr_ymax = 21.0;
  NomFichier = nom_.data();
}

C_EPS::~C_EPS() {}

void C_EPS::tr_init() {
  ps_x = ps_y = 0;
  ps_stat_ = 0;
  width = 0.25;
  ps_pen = 1;
  ps_pen1 = -1;
  tampon_.Debut();
  char buf[160];
  tampon_.Ajoute("%!PS-Adobe-3.0 EPSF-3.0\r\n");
  const double k = 72 / 2.54;
  std::snprintf(buf, sizeof buf, "%%%%BoundingBox: %.5G %.5G %.5G %.5G\r\n", bdxn * k, bdyn * k,
                bdxm * k, bdym * k);
  tampon_.Ajoute(buf);
  tampon_.Ajoute("0.0709 0.0709 scale\r\nnewpath\r\n0 0 moveto\r\n");
}

void C_EPS::tr_pen(int p) {
  ps_stat_ = 3;
  ps_pen = p;
}

void C_EPS::tr_move(int dx, int dy, int st) {
  ps_x += dx;
  ps_y += dy;
  if (ps_stat_ == 0) {
    ps_stat_ = st ? 2 : 1;
    return;
  }
  if (ps_stat_ == 2 && st == 0) {
    // A drawn path ends: stroke it and give the next path its line width.
    wr_col();
    tampon_.Ajoute("stroke\r\nnewpath\r\n");
    char buf[64];
    std::snprintf(buf, sizeof buf, "%G setlinewidth\r\n", width * mul / 0.0709);
    tampon_.Ajoute(buf);
  }
  // Two numbers of at most 11 bytes, a space and a keyword of 8: written in place in the block.
  char* p = PutInt(tampon_.Place(32), ps_x);
  *p++ = ' ';
  p = PutInt(p, ps_y);
  std::memcpy(p, st ? " lineto\n" : " moveto\n", 8);
  tampon_.Avance(p + 8);
  ps_stat_ = st ? 2 : 1;
}

void C_EPS::tr_close() {
  wr_col();
  tampon_.Ajoute("stroke\r\n");
  tampon_.Vide();
  ps_stat_ = 0;
}

void C_EPS::tr_size(int, int) {}

void C_EPS::tr_width(double) {}

void C_EPS::wr_col() {
  if (ps_pen == ps_pen1) return;
  const unsigned char* c = ps_pen >= 0 && ps_pen < 16 ? kPsColors[ps_pen] : kPsColors[1];
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3G %.3G %.3G setrgbcolor\r\n", c[0] / 255.0, c[1] / 255.0,
                c[2] / 255.0);
  tampon_.Ajoute(buf);
  ps_pen1 = ps_pen;
}
