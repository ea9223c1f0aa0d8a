// first cut; the text and shapes module replaces this file
// Marker settings used while opening a drawing.
#include "plot/TrInfo.h"

int TR_INFO::MKSIZE(double s) {
  if (!flags.ok) return bn_break(2, "MKSIZE");
  if (!(s >= 0.05)) return bn_break(3, "MKSIZE");
  mksz = s * u_cm * mul;
  return 0;
}

int TR_INFO::MKTYPE(int t) {
  if (!flags.ok) return bn_break(2, "MKTYPE");
  if (t < 0 || t > 11) return bn_break(3, "MKTYPE");
  mktp = t;
  return 0;
}
