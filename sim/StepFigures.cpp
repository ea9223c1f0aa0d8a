// Figures of a step response measured as its samples come.
#include "sim/StepFigures.h"

void TStepFigures::Init(double yfin, double pc, double bruit, double decalage) {
  decalage_ = decalage;
  negatif_ = yfin < 0;
  ym_ = std::fmax((1 + pc / 100) * yfin, (1 - pc / 100) * yfin);
  yn_ = std::fmin((1 + pc / 100) * yfin, (1 - pc / 100) * yfin);
  ym5_ = std::fmax(1.05 * yfin, 0.95 * yfin);
  yn5_ = std::fmin(1.05 * yfin, 0.95 * yfin);
  inv_ = 1 / yfin;
  bruit_ = bruit;
  // A response that never leaves a band settles at once; the zero response before a delay does
  // leave it when 0 is outside.
  tr = !(0 <= ym_ && 0 >= yn_) && decalage > 0 ? decalage : 0;
  tr5 = !(0 <= ym5_ && 0 >= yn5_) && decalage > 0 ? decalage : 0;
  dep = negatif_ ? 1e38 : -1e38;
  tdep = 0;
  t10 = t90 = NAN;
  rMin = 0;
  aRebours = false;
  dernier = 0;
  montee_ = 0;
  bouge_ = false;
  rPrec_ = tPrec_ = 0;
}
