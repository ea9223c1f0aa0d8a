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
    // The width line is formatted again only when the width changes.
    const double w = width * mul / 0.0709;
    if (!(w == lw_val_) || lw_len_ == 0) {
      const int n = std::snprintf(lw_txt_, sizeof lw_txt_, "%G setlinewidth\r\n", w);
      lw_len_ = n > 0 && static_cast<size_t>(n) < sizeof lw_txt_ ? static_cast<size_t>(n) : 0;
      lw_val_ = w;
    }
    tampon_.Ajoute(lw_txt_, lw_len_);
  }
  // Two numbers of at most 11 bytes, a space and a keyword of 8: written in place in the block.
  char* p = TTampon::PutInt(tampon_.Place(32), ps_x);
  *p++ = ' ';
  p = TTampon::PutInt(p, ps_y);
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
