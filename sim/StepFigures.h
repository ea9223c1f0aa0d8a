// Figures of a step response measured sample by sample as the simulator produces them: the
// last times outside two bands round the final value, the peak, the 10-90 % rise and the
// undershoot. The simulator feeds it from inside its step loop (SimTemp::NextYsMesure), so the
// samples are read while they are made, with no second pass over stored outputs.
#pragma once

#include <cmath>

class TStepFigures {
 public:
  // Starts a measure round the signed final value yfin, with bands of +-pc % and +-5 %; a move
  // of the response over bruit times yfin is a move (below, rounding). decalage is added to the
  // simulator's times (an open loop stepped without its delay).
  void Init(double yfin, double pc, double bruit, double decalage);

  // One output y at the simulator's time t.
  void Ajoute(double y, double t) {
    t += decalage_;
    // Written so that a sample that is not finite counts as outside both bands.
    if (!(y <= ym_ && y >= yn_)) tr = t;
    if (!(y <= ym5_ && y >= yn5_)) tr5 = t;
    if (negatif_ ? y < dep : y > dep) {
      dep = y;
      tdep = t;
    }
    // The response as a fraction of its final value: the first times it reaches 10 % and 90 %
    // (between the samples that straddle each level), whether its first move above rounding
    // goes the wrong way, and its lowest value.
    const double r = y * inv_;
    if (montee_ == 0 && r >= 0.1) {
      t10 = Atteint(0.1, r, t);
      montee_ = 1;
    }
    if (montee_ == 1 && r >= 0.9) {
      t90 = Atteint(0.9, r, t);
      montee_ = 2;
    }
    if (!bouge_ && std::fabs(r) > bruit_) {
      bouge_ = true;
      aRebours = r < 0;
    }
    if (r < rMin) rMin = r;
    rPrec_ = r;
    tPrec_ = t;
    dernier = t;
  }

  double tr = 0;       // last time outside the +-pc % band; 0 when never outside
  double tr5 = 0;      // the same for +-5 %
  double dep = 0;      // peak value (towards the sign of yfin)
  double tdep = 0;     // first time the peak was reached
  double t10 = NAN;    // first time the response reaches 10 % of yfin (not a number: never)
  double t90 = NAN;    // the same for 90 %
  double rMin = 0;     // lowest value over yfin, 0 or below
  bool aRebours = false;  // the first move above rounding goes the wrong way
  double dernier = 0;  // time of the last sample, delay included

 private:
  // Time where the level is crossed between the previous sample and this one.
  double Atteint(double niveau, double r, double t) const {
    return r == rPrec_ ? t : tPrec_ + (niveau - rPrec_) / (r - rPrec_) * (t - tPrec_);
  }

  double decalage_ = 0;
  bool negatif_ = false;
  double ym_ = 0, yn_ = 0, ym5_ = 0, yn5_ = 0;  // bounds of the two bands
  double inv_ = 1, bruit_ = 0;
  int montee_ = 0;  // levels reached: 0, 1 (10 %) or 2 (90 %)
  bool bouge_ = false;
  double rPrec_ = 0, tPrec_ = 0;
};
