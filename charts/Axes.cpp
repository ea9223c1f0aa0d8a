// Axes helpers shared by the Bode, time-response and later charts.
#include "charts/Axes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "model/FctTransfert.h"
#include "plot/TrColors.h"

namespace {

constexpr double kDefaultTable[] = {0.1, 0.2, 0.25, 0.3, 0.4, 0.5, 0.75, 1.0};
// Upper bound on the grid lines of one axis loop, so that absurd ranges cannot stall a chart.
constexpr int kMaxLignes = 10000;

}  // namespace

bool OuvrePage(TMDGraph* G) {
  TR_INFO* gr = G->Gr;
  // The PostScript device takes its page before it opens (its bounding box).
  if (G->Type == GrPS) gr->BOUNDS(0, 19, 0, 28);
  if (gr->TRINIT() != 0) {
    std::printf("Le fichier %s ne peut être ouvert !\n",
                gr->NomFichier != nullptr ? gr->NomFichier : "");
    return false;
  }
  if (G->Type == GrScr) {
    gr->SETMUL(0.5);
    gr->BOUNDS(0, 19, 0, 28);
  } else if (G->Type != GrPS) {
    gr->BOUNDS(0, 19, 0, 28);
  }
  return true;
}

double ArrondiNet(double x, const double* t, size_t szt, bool zero_inclus) {
  double a = std::fabs(x);
  if (zero_inclus ? a <= 1e-100 : a < 1e-100) return 0.0;
  if (t == nullptr || szt == 0) {
    t = kDefaultTable;
    szt = sizeof kDefaultTable / sizeof kDefaultTable[0];
  }
  double s = x < 0 ? -1.0 : 1.0;
  double r = std::pow(10.0, std::ceil(std::log10(a)));
  double q = a / r;
  for (size_t i = 0; i < szt; ++i) {
    if (t[i] >= q) {
      if (i > 0 && t[i] + t[i - 1] > 2 * q) --i;
      return s * r * t[i];
    }
  }
  return s * r;
}

int ChiffresExacts(double v, double pas) {
  const double tol = 1e-6 * std::fabs(pas);
  char b[64];
  for (int p = 3; p < 17; ++p) {
    std::snprintf(b, sizeof b, "%.*G", p, v);
    if (std::fabs(std::strtod(b, nullptr) - v) <= tol) return p;
  }
  return 17;
}

bool EtiquetteDansPage(TR_INFO* G, const char* texte, TEtiquettes* places) {
  double x, y;
  G->GET_POS(&x, &y);
  // The text's extent, measured without clipping, in absolute centimetres.
  const int prt = G->prt;
  G->SETPRT(-1);
  G->INIT_MES();
  G->CADPRINTF(0, "%s", texte);
  double xn, xm, yn, ym;
  G->RES_MES(&xn, &xm, &yn, &ym);
  G->SETPRT(prt);
  double wx0, wx1, wy0, wy1, vx0, vx1, vy0, vy1, px0, px1, py0, py1;
  G->GET_WINDOW(&wx0, &wx1, &wy0, &wy1);
  G->GET_VWPORTA(&vx0, &vx1, &vy0, &vy1);
  G->GET_BOUNDS(&px0, &px1, &py0, &py1);
  const double kx = (vx1 - vx0) / (wx1 - wx0), ky = (vy1 - vy0) / (wy1 - wy0);
  auto cmx = [&](double u) { return vx0 + (u - wx0) * kx; };
  auto cmy = [&](double u) { return vy0 + (u - wy0) * ky; };
  // Shift (cm) that brings [a, b] inside [lo, hi], for an anchor c on the page.
  auto dedans = [](double a, double b, double c, double lo, double hi) {
    if (c < lo || c > hi || b - a > hi - lo) return 0.0;
    return a < lo ? lo - a : b > hi ? hi - b : 0.0;
  };
  const double ax = std::min(cmx(xn), cmx(xm)), bx = std::max(cmx(xn), cmx(xm));
  const double ay = std::min(cmy(yn), cmy(ym)), by = std::max(cmy(yn), cmy(ym));
  const double dx = dedans(ax, bx, cmx(x), px0, px1);
  const double dy = dedans(ay, by, cmy(y), py0, py1);
  if (places != nullptr) {
    const double m = kMargeEtiquette;
    const TBoite b{(ax + bx) / 2 + dx, (ay + by) / 2 + dy, 1, 0,
                   (bx - ax) / 2 + m,  (by - ay) / 2 + m};
    if (!places->Libre(G, b)) return false;
    places->Ajoute(b);
  }
  G->MOVE(x + dx / kx, y + dy / ky);
  TexteFin(G, texte);
  return true;
}

void TexteFin(TR_INFO* G, const char* texte) {
  double w;
  G->GET_LINEWIDTH(&w);
  G->LINEWIDTH(std::max(w * kTexteFin, kTexteMin));
  G->CADPRINTF(0, "%s", texte);
  G->LINEWIDTH(w);
}

bool Chevauchent(const TBoite& a, const TBoite& b) {
  const double dx = b.cx - a.cx, dy = b.cy - a.cy;
  // Half extent of box r along the unit axis (nx, ny).
  auto etendue = [](const TBoite& r, double nx, double ny) {
    return r.l * std::fabs(r.ux * nx + r.uy * ny) + r.h * std::fabs(-r.uy * nx + r.ux * ny);
  };
  const double axes[4][2] = {{a.ux, a.uy}, {-a.uy, a.ux}, {b.ux, b.uy}, {-b.uy, b.ux}};
  for (const auto& n : axes)
    if (std::fabs(dx * n[0] + dy * n[1]) >= etendue(a, n[0], n[1]) + etendue(b, n[0], n[1]))
      return false;
  return true;
}

namespace {
// Absolute centimetres of the user point (x, y) in the current window and viewport.
void EnCm(TR_INFO* G, double x, double y, double* ax, double* ay) {
  double wx0, wx1, wy0, wy1, vx0, vx1, vy0, vy1;
  G->GET_WINDOW(&wx0, &wx1, &wy0, &wy1);
  G->GET_VWPORTA(&vx0, &vx1, &vy0, &vy1);
  *ax = vx0 + (x - wx0) * (vx1 - vx0) / (wx1 - wx0);
  *ay = vy0 + (y - wy0) * (vy1 - vy0) / (wy1 - wy0);
}
}  // namespace

TBoite BoiteTexte(TR_INFO* G, double x, double y, const char* texte, double hauteur, double ang,
                  double marge) {
  // Measured level, without clipping, then turned about the anchor.
  const int prt = G->prt;
  G->SETPRT(-1);
  G->CADDEFTXTA(hauteur, 0, 0);
  G->MOVE(x, y);
  G->INIT_MES();
  G->CADPRINTF(0, "%s", texte);
  double xn, xm, yn, ym;
  G->RES_MES(&xn, &xm, &yn, &ym);
  G->CADDEFTXTA(hauteur, ang, 0);
  G->SETPRT(prt);
  G->MOVE(x, y);
  double ax, ay, x0, y0, x1, y1;
  EnCm(G, x, y, &ax, &ay);
  EnCm(G, xn, yn, &x0, &y0);
  EnCm(G, xm, ym, &x1, &y1);
  const double c = std::cos(ang * M_PI / 180), s = std::sin(ang * M_PI / 180);
  const double ox = (x0 + x1) / 2 - ax, oy = (y0 + y1) / 2 - ay;
  return TBoite{ax + ox * c - oy * s,           ay + ox * s + oy * c,          c, s,
                std::fabs(x1 - x0) / 2 + marge, std::fabs(y1 - y0) / 2 + marge};
}

bool TEtiquettes::Libre(TR_INFO* G, const TBoite& b) const {
  // On the page: the ink, that is the box less its margin.
  const TBoite encre{b.cx,
                     b.cy,
                     b.ux,
                     b.uy,
                     std::max(b.l - kMargeEtiquette, 0.0),
                     std::max(b.h - kMargeEtiquette, 0.0)};
  if (!BoiteDansPage(G, encre)) return false;
  for (const TBoite& p : boites_)
    if (Chevauchent(p, b)) return false;
  return true;
}

bool EtiquetteLibre(TR_INFO* G, TEtiquettes* places, double x, double y, const char* texte,
                    double hauteur, bool fond) {
  const TBoite b = BoiteTexte(G, x, y, texte, hauteur, 0, kMargeEtiquette);
  if (!places->Libre(G, b)) return false;
  places->Ajoute(b);
  if (fond) FondBlanc(G, b);
  G->MOVE(x, y);
  TexteFin(G, texte);
  return true;
}

bool BoiteDansPage(TR_INFO* G, const TBoite& b) {
  double px0, px1, py0, py1;
  G->GET_BOUNDS(&px0, &px1, &py0, &py1);
  const double ex = b.l * std::fabs(b.ux) + b.h * std::fabs(b.uy);
  const double ey = b.l * std::fabs(b.uy) + b.h * std::fabs(b.ux);
  return b.cx - ex >= px0 && b.cx + ex <= px1 && b.cy - ey >= py0 && b.cy + ey <= py1;
}

void FondBlanc(TR_INFO* G, const TBoite& b) {
  double w;
  G->GET_LINEWIDTH(&w);
  const int plume = G->plm_;
  // n bands of half height r <= the margin: the round ends of each stroke, r long, leave
  // uncovered only what lies within r of the box's ends, outside the ink.
  const int n = std::max(1, static_cast<int>(std::ceil(b.h / kMargeEtiquette - 1e-9)));
  const double r = b.h / n;
  const double d = std::max(b.l - r, 0.0);
  G->PLUME(0);
  G->LINEWIDTH(std::min(20 * r, 10.0));
  for (int i = 0; i < n; ++i) {
    const double v = -b.h + (2 * i + 1) * r;  // across the box
    const double x = b.cx - v * b.uy, y = b.cy + v * b.ux;
    G->MOVEA(x - d * b.ux, y - d * b.uy);
    G->DRAWA(x + d * b.ux, y + d * b.uy);
  }
  G->LINEWIDTH(w);
  G->PLUME(plume);
}

void EtiquetteValeur(TR_INFO* G, double v, double pas, const char* unite, TEtiquettes* places) {
  // The value of a line is a multiple of the step away from the first line: what rounding left
  // far below the step goes (no "5.55E-17" for 0, no "-0").
  const double q = std::pow(10.0, std::floor(std::log10(std::fabs(pas) * 1e-6)));
  if (std::isfinite(q) && q > 0) v = std::nearbyint(v / q) * q;
  if (v == 0) v = 0;
  char texte[96];
  std::snprintf(texte, sizeof texte, "%.*G%s", ChiffresExacts(v, pas), v, unite);
  EtiquetteDansPage(G, texte, places);
}

void TraceAxeValeurs(TR_INFO* G, double txm, double tym, double yn, double ym, const char* unite,
                     const TGrille& g, bool zero_inclus, TEtiquettes* places) {
  auto pen1 = [&] { Plume(G, g.couleurs, g.col1, g.ep1); };
  auto pen2 = [&] { Plume(G, g.couleurs, g.col2, g.ep2); };
  G->CADPOSTXT(1, 0.5, 0);
  G->WINDOW(2, txm - 1, yn, ym);
  double dy = ArrondiNet(1.2 * (ym - yn) / (tym - 1.5), nullptr, 0, zero_inclus);
  if (!std::isfinite(yn) || !std::isfinite(ym) || !std::isfinite(dy) || !(dy > 0)) return;
  double y0 = 0;
  if (yn * ym > 0) {
    y0 = ArrondiNet(yn, nullptr, 0, zero_inclus);
    if (y0 > yn) y0 -= dy;
  }
  double xa, h1, h2;
  G->MOVE(txm, y0);
  G->GET_POSA(&xa, &h1);
  G->MOVE(txm, y0 + dy);
  G->GET_POSA(&xa, &h2);
  int w = h2 - h1 >= 0.8 ? 1 : 2;

  // Minor ticks of the step above y on one edge (x0), outward or inward by XRDRAW(0.15);
  // ticks below yn are left out.
  auto ticks = [&](double y, double x0) {
    for (int j = w; j <= 9; j += w) {
      double yy = y + j * dy / 10;
      if (yy > ym) break;
      if (yy < yn) continue;
      G->MOVE(x0, yy);
      G->XRDRAW(0.15);
    }
  };
  auto major = [&](double y) {
    G->MOVE(txm - 1 + 0.15, y);
    G->XDRAW(1.85);
    EtiquetteValeur(G, y, dy, unite, places);
  };
  // One step: minor ticks on both edges, and the major line with its value inside the range.
  auto ligne = [&](double y) {
    pen2();
    ticks(y, txm - 1);
    if (y >= yn) {
      pen1();
      major(y);
      pen2();
    }
    ticks(y, 2);
  };
  // Upward from y0, which may lie below yn when the rounding of yn went down: what falls
  // below the value range would stand under the frame, so it is left out as downward.
  for (int i = 0; i < kMaxLignes; ++i) {
    double y = y0 + i * dy;
    if (y > ym) break;
    ligne(y);
  }
  for (int i = 1; i < kMaxLignes; ++i) {
    double y = y0 - i * dy;
    if (y < yn - dy) break;
    ligne(y);
  }
}

void Plume(TR_INFO* G, bool couleurs, int col, double ep) {
  G->LINEWIDTH(ep);
  if (couleurs) G->PLUME(col);
}

void Tirets(TR_INFO* G, double tiret, double blanc, double ep) {
  const double w = ep / 10;  // centimetres
  const double seg[2] = {std::max(tiret, 3 * w) * G->mul, std::max(blanc + w, 3 * w) * G->mul};
  G->USERLINE(2, seg);
}

void Pointilles(TR_INFO* G, double blanc, double ep) {
  const double w = ep / 10;  // centimetres
  // A piece of a hundredth of a millimetre: its round caps make the dot.
  const double seg[2] = {0.001 * G->mul, std::max(blanc + w, 3 * w) * G->mul};
  G->USERLINE(2, seg);
}

void TraceFinis(TR_INFO* G, const double* x, const double* y, size_t n, bool* down) {
  size_t j = 0;
  while (j < n) {
    if (!std::isfinite(y[j])) {
      *down = false;
      ++j;
    } else if (!*down) {
      G->MOVE(x[j], y[j]);
      *down = true;
      ++j;
    } else {
      size_t e = j + 1;
      while (e < n && std::isfinite(y[e])) ++e;
      G->DRAWS(e - j, x + j, y + j);
      j = e;
    }
  }
}

int PlumeCourbe(const TFctTransfert* f) { return f->Color == TRCOL_BLANC ? TRCOL_NOIR : f->Color; }
