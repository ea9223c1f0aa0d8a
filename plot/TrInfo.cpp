// The plotting context: opening and closing, page/viewport/window, the move and draw families,
// pens, line width, queries and the error mechanism.
#include "plot/TrInfo.h"

#include <strings.h>

#include <cmath>
#include <cstdlib>

namespace {
constexpr double kEps = 1e-10;
}  // namespace

const char* const TR_INFO::TRmesg[11] = {
    "",
    "Erreur ouverture/fermeture periphérique.",
    "Initialisation non effectuée.",
    "Paramètre(s) invalide(s).",
    "Format de la police de caractères incorrect.",
    "Police de caractères non trouvée.",
    "Espace mémoire insuffisant.",
    "Initialisation mesure non effectuée.",
    "Mesure en cours.",
    "Périphérique non sélectionné",
    "Erreur inconnue.",
};

TR_INFO::TR_INFO() { flags = Flags{}; }

TR_INFO::~TR_INFO() {}

void TR_INFO::tr_init() {}
void TR_INFO::tr_move(int, int, int) {}
void TR_INFO::tr_pen(int) {}
void TR_INFO::tr_close() {}
void TR_INFO::tr_size(int, int) {}
void TR_INFO::tr_width(double) {}
void TR_INFO::tr_dash(int, const double*, bool) {}

int TR_INFO::bn_break(int err, const char* F) {
  if (err < 0 || err > 10) err = 10;
  if (!flags.brk) return err;
  // Stop-on-error mode: finish the output file, report, and end the program.
  if (flags.ok && !flags.close) TRCLOSE();
  std::printf("fonction %s :\n%s", F, TRmesg[err]);
  std::fflush(stdout);
  std::exit(1);
}

// ---- Opening, closing and modes ----

int TR_INFO::TRINIT() {
  if (flags.ok) return bn_break(1, "TRINIT");
  tr_out = nullptr;
  tr_fail = false;
  if (NomFichier) {
    tr_out = tr_file.Open(NomFichier);
    if (!tr_out) return bn_break(1, "TRINIT");
  }
  prt = 1;
  pen = 0;
  pl_1 = 0;
  posx = posy = errx = erry = BNx = BNy = 0;
  flags.ok = 1;
  flags.close = 0;
  if (!flags.mul) mul = 1;
  plm_ = 0;
  nbfifo = 0;
  u_cmx = u_par_cmx;
  u_cmy = u_par_cmy;
  u_cm = u_cmx > u_cmy ? u_cmx : u_cmy;
  if (!flags.bounds) BOUNDS(0, tr_xmax, 0, tr_ymax);
  tr_init();
  PLUME(1);
  LINEWIDTH(0.2);
  PENUP();
  MKTYPE(0);
  MKSIZE(0.1);
  txty = txtx = txsn = 0;
  txcn = 1;
  txlg = 0.25 * u_cmx;
  txhi = 0.4 * u_cmy;
  SETLIN(0, 1.0);
  WRTLINE(0, 0);
  TXTSZ.mes = 0;
  for (int i = 0; i < 3; ++i) {
    CADPOL[i].F = POLICE;
    CADDEFTXTA(0.25 + 0.1 * i, 0, i);
    CADPOSTXT(0, 0, i);
  }
  return 0;
}

int TR_INFO::TRCLOSE() {
  flags.close = 1;
  if (!flags.ok) return bn_break(2, "TRCLOSE");
  PLUME(0);
  prt = 0;
  bmove(0, 0, 0);
  flags.ok = 0;
  flags.mul = 0;
  flags.bounds = 0;
  bn_flush();
  tr_close();
  if (tr_out) {
    // The file takes its name only when every block was written (a failed block leaves the
    // stream's error flag) and the close succeeded; otherwise what was written is removed.
    tr_out = nullptr;
    bool written = false;
    if (tr_fail)
      tr_file.Discard();
    else
      written = tr_file.Commit();
    if (!written) return bn_break(1, "TRCLOSE");
  }
  return 0;
}

int TR_INFO::SETBRK(int m) {
  flags.brk = m != 0;
  return 0;
}

int TR_INFO::SETDIROUT(int m) {
  flags.direct_out = m != 0;
  return 0;
}

int TR_INFO::SETMUL(double m) {
  if (!(m >= 0.05) || !std::isfinite(m)) return bn_break(3, "SETMUL");
  mul = m;
  flags.mul = 1;
  return 0;
}

// ---- Page, viewport, window, clipping ----

int TR_INFO::BOUNDS(double xn, double xm, double yn, double ym) {
  if (!(xn < xm && yn < ym) || !std::isfinite(xn) || !std::isfinite(xm) || !std::isfinite(yn) ||
      !std::isfinite(ym))
    return bn_break(3, "BOUNDS");
  if (!flags.ok) {
    u_cmx = u_par_cmx;
    u_cmy = u_par_cmy;
    u_cm = u_cmx > u_cmy ? u_cmx : u_cmy;
    if (!flags.mul) mul = 1;
  }
  flags.bounds = 1;
  bdxn = xn * mul;
  bdxm = xm * mul;
  bdyn = yn * mul;
  bdym = ym * mul;
  prtxn = bdxn * u_cmx;
  prtxm = bdxm * u_cmx;
  prtyn = bdyn * u_cmy;
  prtym = bdym * u_cmy;
  double w = prtxm - prtxn, h = prtym - prtyn;
  tr_size(w < 2e9 ? static_cast<int>(w) : 2000000000, h < 2e9 ? static_cast<int>(h) : 2000000000);
  VWPORT(0, 1, 0, 1);
  WINDOW(xn, xm, yn, ym);
  return 0;
}

int TR_INFO::VWPORT(double xn, double xm, double _yn, double ym) {
  if (!(0 <= xn && xn < xm && xm <= 1 && 0 <= _yn && _yn < ym && ym <= 1))
    return bn_break(3, "VWPORT");
  wdxn = (bdxn + xn * (bdxm - bdxn)) * u_cmx;
  wdxm = (bdxn + xm * (bdxm - bdxn)) * u_cmx;
  wdyn = (bdyn + _yn * (bdym - bdyn)) * u_cmy;
  wdym = (bdyn + ym * (bdym - bdyn)) * u_cmy;
  if (prt == 1) {
    prtxn = wdxn;
    prtxm = wdxm;
    prtyn = wdyn;
    prtym = wdym;
  }
  return 0;
}

int TR_INFO::VWPORTA(double xn, double xm, double _yn, double ym) {
  if (!flags.ok) return bn_break(2, "VWPORTA");
  xn *= mul;
  xm *= mul;
  _yn *= mul;
  ym *= mul;
  if (!(bdxn <= xn && xn < xm && xm <= bdxm && bdyn <= _yn && _yn < ym && ym <= bdym))
    return bn_break(3, "VWPORTA");
  wdxn = xn * u_cmx;
  wdxm = xm * u_cmx;
  wdyn = _yn * u_cmy;
  wdym = ym * u_cmy;
  if (prt == 1) {
    prtxn = wdxn;
    prtxm = wdxm;
    prtyn = wdyn;
    prtym = wdym;
  }
  return 0;
}

int TR_INFO::WINDOW(double xn, double xm, double yn, double ym) {
  // Non-finite limits are refused too: they would turn every later point into NaN.
  if (!(std::fabs(xn - xm) >= kEps) || !(std::fabs(yn - ym) >= kEps) || !std::isfinite(xm - xn) ||
      !std::isfinite(ym - yn))
    return bn_break(3, "WINDOW");
  xmin = xn;
  xmax = xm;
  ymin = yn;
  ymax = ym;
  return 0;
}

int TR_INFO::SETPRT(int m) {
  if (!flags.ok) return bn_break(2, "SETPRT");
  if (m < -1 || m > 1) return bn_break(3, "SETPRT");
  prt = m;
  if (m == 1) {
    prtxn = wdxn;
    prtxm = wdxm;
    prtyn = wdyn;
    prtym = wdym;
  } else if (m == 0) {
    prtxn = bdxn * u_cmx;
    prtxm = bdxm * u_cmx;
    prtyn = bdyn * u_cmy;
    prtym = bdym * u_cmy;
  }
  return 0;
}

// ---- Moves and draws: each computes a device target and hands it to the clipping move ----

int TR_INFO::MOVE(double x, double y) {
  if (!flags.ok) return bn_break(2, "MOVE");
  bmove(xdev(x), ydev(y), 0);
  return 0;
}

int TR_INFO::DRAW(double x, double y) {
  if (!flags.ok) return bn_break(2, "DRAW");
  bmove(xdev(x), ydev(y), 1);
  return 0;
}

int TR_INFO::MOVEA(double x, double y) {
  if (!flags.ok) return bn_break(2, "MOVEA");
  bmove(x * mul * u_cmx, y * mul * u_cmy, 0);
  return 0;
}

int TR_INFO::DRAWA(double x, double y) {
  if (!flags.ok) return bn_break(2, "DRAWA");
  bmove(x * mul * u_cmx, y * mul * u_cmy, 1);
  return 0;
}

int TR_INFO::RMOVE(double x, double y) {
  if (!flags.ok) return bn_break(2, "RMOVE");
  bmove(BNx + dxdev(x), BNy + dydev(y), 0);
  return 0;
}

int TR_INFO::RDRAW(double x, double y) {
  if (!flags.ok) return bn_break(2, "RDRAW");
  bmove(BNx + dxdev(x), BNy + dydev(y), 1);
  return 0;
}

int TR_INFO::XMOVE(double x) {
  if (!flags.ok) return bn_break(2, "XMOVE");
  bmove(xdev(x), BNy, 0);
  return 0;
}

int TR_INFO::XDRAW(double x) {
  if (!flags.ok) return bn_break(2, "XDRAW");
  bmove(xdev(x), BNy, 1);
  return 0;
}

int TR_INFO::YMOVE(double y) {
  if (!flags.ok) return bn_break(2, "YMOVE");
  bmove(BNx, ydev(y), 0);
  return 0;
}

int TR_INFO::YDRAW(double y) {
  if (!flags.ok) return bn_break(2, "YDRAW");
  bmove(BNx, ydev(y), 1);
  return 0;
}

int TR_INFO::XRMOVE(double x) {
  if (!flags.ok) return bn_break(2, "XRMOVE");
  bmove(BNx + dxdev(x), BNy, 0);
  return 0;
}

int TR_INFO::XRDRAW(double x) {
  if (!flags.ok) return bn_break(2, "XRDRAW");
  bmove(BNx + dxdev(x), BNy, 1);
  return 0;
}

int TR_INFO::YRMOVE(double y) {
  if (!flags.ok) return bn_break(2, "YRMOVE");
  bmove(BNx, BNy + dydev(y), 0);
  return 0;
}

int TR_INFO::YRDRAW(double y) {
  if (!flags.ok) return bn_break(2, "YRDRAW");
  bmove(BNx, BNy + dydev(y), 1);
  return 0;
}

// ---- Pen and width ----

int TR_INFO::PENUP() {
  if (!flags.ok) return bn_break(2, "PENUP");
  if (pen == 0 || flags.mes_) return 0;
  bnwrt(0, 0, 0);
  pen = 0;
  return 0;
}

int TR_INFO::PENDW() {
  if (!flags.ok) return bn_break(2, "PENDW");
  if (pen == 1 || flags.mes_) return 0;
  bnwrt(0, 0, 1);
  pen = 1;
  return 0;
}

int TR_INFO::PLUME(int plum) {
  if (!flags.ok) return bn_break(2, "PLUME");
  if (plum < 0 || plum > plume_max) return bn_break(3, "PLUME");
  PENUP();
  if (plum != plm_) {
    plm_ = plum;
    bn_flush();
    out_pen(plum);
  }
  return 0;
}

int TR_INFO::LINEWIDTH(double wmm) {
  if (!flags.ok) return bn_break(2, "LINEWIDTH");
  if (!(wmm > 0 && wmm <= 10)) return bn_break(3, "LINEWIDTH");
  // The queued moves up to the last drawn one go out first, so that the paths already begun
  // keep the width they began with; the pen-up moves queued after them stay, and reach the
  // device after the change: they start the next path, which takes the new width (the
  // PostScript device writes it when a pen-up move ends a drawn path).
  bn_flush_drawn();
  if (width_flush) bn_flush();
  width = wmm;
  out_width(wmm * mul);
  return 0;
}

int TR_INFO::TRFLUSH() {
  if (!flags.ok) return bn_break(2, "TRFLUSH");
  bn_flush();
  return 0;
}

// ---- Queries ----

int TR_INFO::GET_BOUNDS(double* xn, double* xm, double* yn, double* ym) {
  if (!flags.ok) {
    *xn = 0;
    *xm = tr_xmax;
    *yn = 0;
    *ym = tr_ymax;
    return 0;
  }
  *xn = bdxn / mul;
  *xm = bdxm / mul;
  *yn = bdyn / mul;
  *ym = bdym / mul;
  return 0;
}

int TR_INFO::GET_VWPORT(double* xn, double* xm, double* yn, double* ym) {
  if (!flags.ok) return bn_break(2, "GET_VWPORT");
  *xn = (wdxn / u_cmx - bdxn) / (bdxm - bdxn);
  *xm = (wdxm / u_cmx - bdxn) / (bdxm - bdxn);
  *yn = (wdyn / u_cmy - bdyn) / (bdym - bdyn);
  *ym = (wdym / u_cmy - bdyn) / (bdym - bdyn);
  return 0;
}

int TR_INFO::GET_VWPORTA(double* xn, double* xm, double* yn, double* ym) {
  if (!flags.ok) return bn_break(2, "GET_VWPORTA");
  *xn = wdxn / u_cmx / mul;
  *xm = wdxm / u_cmx / mul;
  *yn = wdyn / u_cmy / mul;
  *ym = wdym / u_cmy / mul;
  return 0;
}

int TR_INFO::GET_WINDOW(double* xn, double* xm, double* yn, double* ym) {
  if (!flags.ok) return bn_break(2, "GET_WINDOW");
  *xn = xmin;
  *xm = xmax;
  *yn = ymin;
  *ym = ymax;
  return 0;
}

int TR_INFO::GET_POS(double* x, double* y) {
  if (!flags.ok) return bn_break(2, "GET_POS");
  *x = xusr(BNx);
  *y = yusr(BNy);
  return 0;
}

int TR_INFO::GET_POSA(double* x, double* y) {
  if (!flags.ok) return bn_break(2, "GET_POSA");
  *x = BNx / u_cmx / mul;
  *y = BNy / u_cmy / mul;
  return 0;
}

int TR_INFO::GET_PLMAX(int* pmax) {
  if (!flags.ok) return bn_break(2, "GET_PLMAX");
  *pmax = plume_max;
  return 0;
}

int TR_INFO::GET_LINEWIDTH(double* wmm) {
  if (!flags.ok) return bn_break(2, "GET_LINEWIDTH");
  *wmm = width;
  return 0;
}

int TR_INFO::GET_PLNAME(const char* nom) {
  static const char* const kNames[16] = {
      "BLANC",      "NOIR",      "BLEU",           "VERT",       "ROUGE",     "GRIS",
      "TURQUOISE",  "VIOLET",    "MARRON",         "JAUNE",      "BLEUCLAIR", "VERTCLAIR",
      "ROUGECLAIR", "GRISCLAIR", "TURQUOISECLAIR", "VIOLETCLAIR"};
  if (!nom) return -1;
  for (int i = 0; i < 16; ++i)
    if (strcasecmp(nom, kNames[i]) == 0) return i;
  return -1;
}

int TR_INFO::TRERR(int n) {
  if (n == 0) return 0;
  if (n < 0 || n > 10) n = 10;
  std::puts(TRmesg[n]);
  return 0;
}

double TR_INFO::CVANG(double x) {
  double s = std::sin(x), c = std::cos(x), y;
  if (std::fabs(c) >= kEps) {
    y = std::atan((s / c) / u_cmx * u_cmy);
    if (c < 0) y += M_PI;
  } else {
    y = s > 0 ? M_PI / 2 : -M_PI / 2;
  }
  if (!std::isfinite(x)) return y;
  while (y > 0 && x < 0) y -= 2 * M_PI;
  while (y < 0 && x > 0) y += 2 * M_PI;
  return y;
}
