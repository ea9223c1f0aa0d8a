// first cut; the text and shapes module replaces this file
// Text slot settings used while opening a drawing.
#include <cmath>

#include "plot/TrInfo.h"

int TR_INFO::CADDEFTXTA(double hautcr, double ang, int n) {
  if (!flags.ok) return bn_break(2, "CADDEFTXTA");
  if (n < 0 || n > 2 || !(hautcr > 0)) return bn_break(3, "CADDEFTXTA");
  double a = CVANG(ang * M_PI / 180);
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

int TR_INFO::WRTLINE(double p, double t) {
  if (!flags.ok) return bn_break(2, "WRTLINE");
  if (!(p >= 0) || !(t >= 0)) return bn_break(3, "WRTLINE");
  plsz = p * u_cm * mul;
  txgs = t * u_cm * mul;
  return 0;
}
