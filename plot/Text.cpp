// Stroke text of the plotting kernel: font slots, the glyph program interpreter, text escapes,
// justification by measuring, and the Windows-1252 to font code mapping.
#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "plot/TrInfo.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Font code shown for each Windows-1252 byte from 0x80 (row = high nibble, column = low nibble).
const unsigned char kCarMap[128] = {
    0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80,
    0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80,
    0x20, 0xAC, 0x80, 0x9C, 0x80, 0x80, 0x7C, 0xF5, 0xF9, 0x80, 0xA6, 0xAE, 0xAA, 0xF0, 0x80, 0x80,
    0xF8, 0xF1, 0xFD, 0xFC, 0xEF, 0xE6, 0xF4, 0xFA, 0x80, 0xFB, 0xA7, 0xAF, 0xAC, 0xAB, 0xF3, 0xA8,
    0x80, 0x80, 0x80, 0x80, 0x8E, 0x8F, 0x92, 0x80, 0x80, 0x90, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80,
    0x80, 0x80, 0xD2, 0xE0, 0xE2, 0xE4, 0xE5, 0x9E, 0x9D, 0xEB, 0xE9, 0xEA, 0x80, 0xEC, 0xE7, 0xE1,
    0x85, 0xA0, 0x83, 0x80, 0x84, 0x86, 0x91, 0x87, 0x8A, 0x82, 0x88, 0x89, 0x8D, 0xA1, 0x8C, 0x8B,
    0xE5, 0xA4, 0x95, 0xE0, 0x93, 0xE4, 0x94, 0xF6, 0x9B, 0x97, 0xA3, 0x96, 0x81, 0xEC, 0xE8, 0x98,
};

// Unit displacement of the 16 vector directions (0 along the text, 4 up, 8 back, 12 down).
const double kVecC[16] = {1, 1, 1, 0.5, 0, -0.5, -1, -1, -1, -1, -1, -0.5, 0, 0.5, 1, 1};
const double kVecS[16] = {0, 0.5, 1, 1, 1, 1, 1, 0.5, 0, -0.5, -1, -1, -1, -1, -1, -0.5};

// Runs trace as a measure of what it draws with slot p unrotated: TXTSZ receives the extent,
// then the rotation of p and the pen position are put back.
template <class F>
void Mesure(TR_INFO* G, TD_INFO* p, F trace) {
  const double sn = p->sn, cn = p->cn, x0 = G->BNx, y0 = G->BNy;
  p->sn = 0;
  p->cn = 1;
  G->init_TXTSZ();
  trace();
  G->TXTSZ.mes = 0;
  p->sn = sn;
  p->cn = cn;
  G->BNx = x0;
  G->BNy = y0;
}

bool next_byte(TD_ENV* env, unsigned char* b) {
  if (env->pnbcar <= 0) return false;
  *b = *env->lp++;
  env->pnbcar--;
  return true;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

}  // namespace

// Code of the font glyph that shows character c.
static unsigned char glyph_code(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return u >= 0x80 ? kCarMap[u - 0x80] : u;
}

// Runs the program of glyph `code` (no mapping) with slot pp from the current position. The
// compiled-in table has no cycle among its sub-glyphs (checked by the font tests).
static void draw_glyph(TR_INFO* t, unsigned char code, TD_INFO* pp);

void TR_INFO::td_draw(char c, TD_INFO* pp) { draw_glyph(this, glyph_code(c), pp); }

static void draw_glyph(TR_INFO* t, unsigned char code, TD_INFO* pp) {
  if (pp == nullptr || pp->F == nullptr) return;
  const FORME* F = pp->F;
  const unsigned char* hdr = F[0].p;
  int span = hdr[0] + hdr[1];
  const FORME* g = nullptr;
  for (int i = 1; i < F[0].code; ++i) {
    if (F[i].code == code) {
      g = &F[i];
      break;
    }
  }
  if (g == nullptr || span <= 0) return;
  TD_ENV env{};
  env.ppile = 0;
  env.penst = 1;
  env.pnbcar = static_cast<int>(g->lng);
  env.exec = 1;
  env.lp = g->p;
  env.vect_sz = pp->hi / span;
  env.sn = pp->sn;
  env.cn = pp->cn;
  env.p = pp;
  while (env.pnbcar > 0) t->it_tracad_seq(&env);
}

// One displacement in font units, scaled and turned by the text direction, with pen state pen.
static void glyph_move(TR_INFO* t, TD_ENV* env, double du, double dv, int pen) {
  du *= env->vect_sz;
  dv *= env->vect_sz;
  t->bmove(t->BNx + du * env->cn - dv * env->sn, t->BNy + du * env->sn + dv * env->cn, pen);
}

void TR_INFO::it_tracad_seq(TD_ENV* env) {
  unsigned char code;
  if (!next_byte(env, &code)) return;
  bool run = env->exec != 0;
  env->exec = 1;
  unsigned char a, b;
  switch (code) {
    case 0:
      break;
    case 1:
      if (run) env->penst = 1;
      break;
    case 2:
      if (run) env->penst = 0;
      break;
    case 3:  // scale down
      if (next_byte(env, &a) && run && a != 0) env->vect_sz /= a;
      break;
    case 4:  // scale up
      if (next_byte(env, &a) && run) env->vect_sz *= a;
      break;
    case 5:  // save the position
      if (run && env->ppile < 4) {
        env->PILE[env->ppile].x = xusr(BNx);
        env->PILE[env->ppile].y = yusr(BNy);
        env->ppile++;
      }
      break;
    case 6:  // back to the last saved position, pen up
      if (run && env->ppile > 0) {
        env->ppile--;
        bmove(xdev(env->PILE[env->ppile].x), ydev(env->PILE[env->ppile].y), 0);
      }
      break;
    case 7:  // sub-glyph, looked up without the character mapping
      if (next_byte(env, &a) && run) draw_glyph(this, a, env->p);
      break;
    case 8:
      if (next_byte(env, &a) && next_byte(env, &b) && run)
        glyph_move(this, env, static_cast<signed char>(a), static_cast<signed char>(b), env->penst);
      break;
    case 9:  // moves until the pair (0, 0)
      while (next_byte(env, &a) && next_byte(env, &b)) {
        if (run)
          glyph_move(this, env, static_cast<signed char>(a), static_cast<signed char>(b),
                     env->penst);
        if (a == 0 && b == 0) break;
      }
      break;
    case 10:  // octant arc
      if (next_byte(env, &a) && next_byte(env, &b) && run) {
        int k = (b >> 4) & 7, m = b & 7;
        double R = a * env->vect_sz;
        double ck = std::cos(k * kPi / 4), sk = std::sin(k * kPi / 4);
        double cx = BNx - R * (ck * env->cn - sk * env->sn);
        double cy = BNy - R * (ck * env->sn + sk * env->cn);
        double sweep = m == 0 ? 359.9999 : 45.0 * m;
        if (b & 0x80) sweep = -sweep;  // clockwise form
        ARCR(xusr(cx) - xusr(BNx), yusr(cy) - yusr(BNy), sweep);
      }
      break;
    case 11:  // fractional arc: skipped
      for (int i = 0; i < 5 && next_byte(env, &a); ++i) {
      }
      break;
    case 12:  // skipped
      for (int i = 0; i < 3 && next_byte(env, &a); ++i) {
      }
      break;
    case 13: {  // bulge arcs: groups of three up to the group starting 0, 0
      unsigned char c;
      while (next_byte(env, &a) && next_byte(env, &b) && next_byte(env, &c)) {
        if (a == 0 && b == 0) break;
      }
      break;
    }
    case 14:  // the next command belongs to vertical text
      if (run) env->exec = 0;
      break;
    default:  // vector: length in the high nibble, direction in the low one
      if (run) {
        int len = code >> 4, d = code & 15;
        glyph_move(this, env, len * kVecC[d], len * kVecS[d], env->penst);
      }
      break;
  }
}

void TR_INFO::init_TXTSZ() {
  TXTSZ.mes = 1;
  TXTSZ.xn = TXTSZ.xm = BNx;
  TXTSZ.yn = TXTSZ.ym = BNy;
}

const char* TR_INFO::it_CADs(const char* s, TD_INFO* p) {
  const double h0 = p->hi;
  double offx = 0, offy = 0;  // sum of the exponent and index offsets since the last /N
  while (*s) {
    char c = *s++;
    if (c != '/') {
      td_draw(c, p);
      continue;
    }
    if (*s == '\0') break;  // a slash at the end is ignored
    char e = *s++;
    switch (e) {
      case 'E':
      case 'e':
      case 'I':
      case 'i': {
        double k = (e == 'E' || e == 'e') ? 0.5 : -0.5;
        double dx = -k * p->hi * p->sn, dy = k * p->hi * p->cn;
        bmove(BNx + dx, BNy + dy, 0);
        offx += dx;
        offy += dy;
        p->hi *= 0.7;
        break;
      }
      case 'N':
      case 'n':
        bmove(BNx - offx, BNy - offy, 0);
        offx = offy = 0;
        p->hi = h0;
        break;
      case 'R':
      case 'r':
        p->hi = h0;
        return s;
      case 'X':
      case 'x': {
        if (!std::isxdigit(static_cast<unsigned char>(*s))) break;
        int v = hex_value(*s++);
        if (std::isxdigit(static_cast<unsigned char>(*s))) v = v * 16 + hex_value(*s++);
        if (v != 0) td_draw(static_cast<char>(v), p);
        break;
      }
      default:
        td_draw(e, p);
        break;
    }
  }
  p->hi = h0;
  return s;
}

const char* TR_INFO::cad_line(const char* s, int n) {
  TD_INFO* p = &CADPOL[n];
  const double sn = p->sn, cn = p->cn, x0 = BNx, y0 = BNy;
  Mesure(this, p, [&] { it_CADs(s, p); });
  const double W = TXTSZ.xm - TXTSZ.xn, H = TXTSZ.ym - TXTSZ.yn;
  const double ex = TXTSZ.xn - x0, ey = TXTSZ.yn - y0;
  const double mx = W * p->tx, my = H * p->ty;
  bmove(x0 - (mx * cn - my * sn) - (ex * cn - ey * sn),
        y0 - (mx * sn + my * cn) - (ex * sn + ey * cn), 0);
  return it_CADs(s, p);
}

int TR_INFO::CADDEFTXTA(double hautcr, double ang, int n) {
  if (!flags.ok) return bn_break(2, "CADDEFTXTA");
  if (n < 0 || n > 2 || !(hautcr > 0)) return bn_break(3, "CADDEFTXTA");
  double a = CVANG(ang * kPi / 180);
  CADPOL[n].sn = std::sin(a);
  CADPOL[n].cn = std::cos(a);
  CADPOL[n].hi = hautcr * u_cmy * mul;
  return 0;
}

int TR_INFO::CADPOSTXT(double x, double y, int n) {
  if (!flags.ok) return bn_break(2, "CADPOSTXT");
  if (n < 0 || n > 2 || !(x >= -1 && x <= 2 && y >= -1 && y <= 2)) return bn_break(3, "CADPOSTXT");
  CADPOL[n].tx = x;
  CADPOL[n].ty = y;
  return 0;
}

int TR_INFO::CADPUT(char c, int x) {
  if (!flags.ok) return bn_break(2, "CADPUT");
  if (x < 0 || x > 2) return bn_break(3, "CADPUT");
  td_draw(c, &CADPOL[x]);
  return 0;
}

int TR_INFO::CADPUTS(const char* s, int n) {
  if (!flags.ok) return bn_break(2, "CADPUTS");
  if (n < 0 || n > 2) return bn_break(3, "CADPUTS");
  if (s == nullptr || *s == '\0') return 0;
  const int nb = solid_begin();  // text is always drawn solid
  double x = BNx, y = BNy;
  const char* rest = s;
  while (*rest) {
    bmove(x, y, 0);
    const TD_INFO& p = CADPOL[n];
    const double nx = x + 1.5 * p.hi * p.sn, ny = y - 1.5 * p.hi * p.cn;
    rest = cad_line(rest, n);
    x = nx;
    y = ny;
  }
  PENUP();
  solid_end(nb);
  return 0;
}

int TR_INFO::CADPUTSXY(double x, double y, const char* s, int n) {
  if (!flags.ok) return bn_break(2, "CADPUTSXY");
  if (n < 0 || n > 2) return bn_break(3, "CADPUTSXY");
  MOVE(x, y);
  return CADPUTS(s, n);
}

int TR_INFO::CADPRINTF(int n, const char* fmt, ...) {
  if (!flags.ok) return bn_break(2, "CADPRINTF");
  if (n < 0 || n > 2) return bn_break(3, "CADPRINTF");
  char buf[256];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, ap);  // longer texts are cut, never overrun
  va_end(ap);
  return CADPUTS(buf, n);
}

int TR_INFO::WRTTXT(const char* texte) {
  if (!flags.ok) return bn_break(2, "WRTTXT");
  return CADPUTS(texte, 0);
}

int TR_INFO::DEFTXT(double largcr, double hautcr, double ang) {
  if (!flags.ok) return bn_break(2, "DEFTXT");
  if (!(largcr > 0 && largcr < 1 && hautcr > 0 && hautcr < 1)) return bn_break(3, "DEFTXT");
  return CADDEFTXTA(hautcr * (wdym - wdyn) / u_cmy, ang, 0);
}

int TR_INFO::DEFTXTA(double largcr, double hautcr, double ang) {
  if (!flags.ok) return bn_break(2, "DEFTXTA");
  if (!(largcr > 0 && hautcr > 0)) return bn_break(3, "DEFTXTA");
  return CADDEFTXTA(hautcr * mul, ang, 0);
}

int TR_INFO::POSTXT(double x, double y) {
  if (!flags.ok) return bn_break(2, "POSTXT");
  if (!(x >= -1 && x <= 2 && y >= -1 && y <= 2)) return bn_break(3, "POSTXT");
  return CADPOSTXT(x, y, 0);
}

int TR_INFO::WRTLINE(double p, double t) {
  if (!flags.ok) return bn_break(2, "WRTLINE");
  if (!(p >= 0 && t >= 0)) return bn_break(3, "WRTLINE");
  plsz = p * u_cm * mul;
  txgs = t * u_cm * mul;
  return 0;
}

int TR_INFO::GET_TXDFA(double* larg, double* haut, double* ang) {
  if (!flags.ok) return bn_break(2, "GET_TXDFA");
  double a = std::asin(txsn) * 180 / kPi;
  if (txcn < 0) a = 180 - a;
  if (a < 0) a += 360;
  *ang = a;
  *larg = txlg / u_cmx / mul;
  *haut = txhi / u_cmy / mul;
  return 0;
}

int TR_INFO::GET_CADCODES(char* s, int x, unsigned int ls) {
  if (!flags.ok) return bn_break(2, "GET_CADCODES");
  if (ls <= 1 || x < 0 || x > 2 || CADPOL[x].F == nullptr) return bn_break(3, "GET_CADCODES");
  const FORME* F = CADPOL[x].F;
  unsigned int count = F[0].code;
  unsigned int n = ls < count ? ls : count;
  for (unsigned int i = 0; i < n; ++i) s[i] = static_cast<char>(F[i].code);
  return 0;
}

int TR_INFO::GET_CADSIZE(char c, int n, double* dx, double* dy) {
  if (!flags.ok) return bn_break(2, "GET_CADSIZE");
  if (n < 0 || n > 2) return bn_break(3, "GET_CADSIZE");
  TD_INFO* p = &CADPOL[n];
  Mesure(this, p, [&] { td_draw(c, p); });
  *dx = (TXTSZ.xm - TXTSZ.xn) / (wdxm - wdxn) * (xmax - xmin);
  *dy = (TXTSZ.ym - TXTSZ.yn) / (wdym - wdyn) * (ymax - ymin);
  return 0;
}
