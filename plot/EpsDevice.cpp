// Encapsulated PostScript output device on an A4 landscape page, 400 units per centimetre.
#include "plot/EpsDevice.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

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
  dash_native = true;  // dashed lines are stroked with setdash
}

C_EPS::~C_EPS() {}

void C_EPS::tr_init() {
  ps_x = ps_y = 0;
  width = 0.25;
  width_mm_ = 0.25;
  dash_ = written_dash_ = DashPattern();
  ps_pen = 1;
  ps_pen1 = -1;
  lw_val_ = -1;
  reducer_ = PolylineReducer();
  tampon_.Debut();
  char buf[160];
  tampon_.Ajoute("%!PS-Adobe-3.0 EPSF-3.0\r\n");
  const double k = 72 / 2.54;
  std::snprintf(buf, sizeof buf, "%%%%BoundingBox: %.5G %.5G %.5G %.5G\r\n", bdxn * k, bdyn * k,
                bdxm * k, bdym * k);
  tampon_.Ajoute(buf);
  // One unit is 1/400 cm; round caps and joins, as the other file devices draw; m and l are
  // moveto and lineto, the two words of nearly every line.
  tampon_.Ajoute(
      "0.0709 0.0709 scale\r\n1 setlinecap 1 setlinejoin\r\n/m {moveto} bind def\r\n"
      "/l {lineto} bind def\r\n");
}

// The pen goes up before a pen change (PLUME): the polyline ends with the pen it was drawn in.
void C_EPS::tr_pen(int p) {
  end_polyline();
  ps_pen = p;
}

// A polyline starts with its colour, its width and its start point, and is stroked when the
// pen goes up; the pen-up moves themselves write nothing.
void C_EPS::tr_move(int dx, int dy, int st) {
  const int x0 = ps_x, y0 = ps_y;
  ps_x += dx;
  ps_y += dy;
  if (st == 0) {
    end_polyline();
    return;
  }
  if (!reducer_.Active()) {
    wr_col();
    wr_width();
    wr_dash();
    last_x_ = x0;
    last_y_ = y0;
    char* p = TTampon::PutInt(tampon_.Place(32), x0);
    *p++ = ' ';
    p = TTampon::PutInt(p, y0);
    std::memcpy(p, " m\n", 3);
    tampon_.Avance(p + 3);
    reducer_.Begin(x0, y0);
  }
  reducer_.Step(dx, dy);
  if (!reducer_.Points().empty()) take_points();
}

void C_EPS::take_points() {
  std::vector<PolylineReducer::Point>& pts = reducer_.Points();
  if (dash_.Dashed()) {  // the pattern runs on along the points kept, as they are stroked
    for (const PolylineReducer::Point& q : pts) {
      dash_.Advance(last_x_, last_y_, q.x, q.y);
      last_x_ = q.x;
      last_y_ = q.y;
    }
  }
  for (const PolylineReducer::Point& q : pts) {
    // Two numbers of at most 11 bytes, a space and a word of 3: written in place in the block.
    char* p = TTampon::PutInt(tampon_.Place(32), q.x);
    *p++ = ' ';
    p = TTampon::PutInt(p, q.y);
    std::memcpy(p, " l\n", 3);
    tampon_.Avance(p + 3);
  }
  pts.clear();
}

void C_EPS::end_polyline() {
  if (!reducer_.Active()) return;
  reducer_.End();
  take_points();
  tampon_.Ajoute("stroke\r\n");
}

// A width of w millimetres is 40 w units (400 units a centimetre), to the nearest unit as in the
// metafile; the width in force when a polyline starts is the one it is stroked with.
void C_EPS::wr_width() {
  const double w = std::floor(width_mm_ * 40 + 0.5);
  if (w == lw_val_) return;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%G setlinewidth\r\n", w);
  tampon_.Ajoute(buf);
  lw_val_ = w;
}

void C_EPS::tr_close() {
  end_polyline();
  tampon_.Vide();
}

void C_EPS::tr_size(int, int) {}

// The width comes from the device call, not from the kernel's state: a replayed recording
// (plot/Recording.h) sends the calls without changing that state until its end.
void C_EPS::tr_width(double mm) { width_mm_ = mm; }

// The polyline being drawn keeps the pattern it began with; the next one takes the new one.
void C_EPS::tr_dash(int n, const double* len, bool restart) {
  end_polyline();
  dash_.Set(n, len, restart);
}

// The pattern and the phase of the polyline that starts, when they are not the ones in force:
// "[d1 b1 ...] phase setdash" in device units, "[] 0 setdash" back to solid lines.
void C_EPS::wr_dash() {
  if (dash_.SameAs(written_dash_)) return;
  written_dash_ = dash_;
  if (!dash_.Dashed()) {
    tampon_.Ajoute("[] 0 setdash\r\n");
    return;
  }
  char buf[32 * DashPattern::kMax + 64];
  int k = std::snprintf(buf, sizeof buf, "[");
  for (int i = 0; i < dash_.Count(); ++i)
    k += std::snprintf(buf + k, sizeof buf - k, i == 0 ? "%.6G" : " %.6G", dash_.Lengths()[i]);
  std::snprintf(buf + k, sizeof buf - k, "] %.6G setdash\r\n", dash_.Phase());
  tampon_.Ajoute(buf);
}

void C_EPS::wr_col() {
  if (ps_pen == ps_pen1) return;
  const unsigned char* c = ps_pen >= 0 && ps_pen < 16 ? kPsColors[ps_pen] : kPsColors[1];
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3G %.3G %.3G setrgbcolor\r\n", c[0] / 255.0, c[1] / 255.0,
                c[2] / 255.0);
  tampon_.Ajoute(buf);
  ps_pen1 = ps_pen;
}
