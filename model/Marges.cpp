// Gain and phase margins from the frequency-response searches.
#include "model/Marges.h"

#include <cmath>
#include <vector>

#include "model/FctTransfert.h"

namespace {
constexpr double kRadToDeg = 180 / 3.141592653589793;
}  // namespace

TEtatMarge MargeGain(TFctTransfert* f, double* mg, double* w) {
  *mg = *w = NAN;
  double tau;
  if (!f->RetardGlobal(&tau) || tau != 0) {
    // A delay's phase falls through -180 degrees turn after turn: every one of those counts.
    TFctTransfert::TCroise x;
    if (!f->CroisementPhaseModulo(-180, &x)) return MargeIndeterminee;
    *mg = -TFctTransfert::dB(x.y);
    *w = x.w;
    return std::isfinite(*mg) ? MargeTrouvee : MargeSansValeur;
  }
  std::vector<TFctTransfert::TCroise> c;
  if (!f->CroisementsPhase(-180, &c)) return MargeIndeterminee;
  for (const auto& x : c) {
    const double g = TFctTransfert::dB(x.y);
    if (std::isfinite(g) && !(std::fabs(g) >= std::fabs(*mg))) {
      *mg = -g;
      *w = x.w;
    }
  }
  return std::isfinite(*mg) ? MargeTrouvee : MargeSansValeur;
}

TEtatMarge MargePhase(TFctTransfert* f, double* mp, double* w) {
  *mp = *w = NAN;
  std::vector<TFctTransfert::TCroise> c;
  if (!f->CroisementsModule(0, &c)) return MargeIndeterminee;
  for (const auto& x : c) {
    const double m = kRadToDeg * x.y.p + 180;
    if (!(std::fabs(m) >= std::fabs(*mp))) {
      *mp = m;
      *w = x.w;
    }
  }
  return std::isfinite(*mp) ? MargeTrouvee : MargeSansValeur;
}
