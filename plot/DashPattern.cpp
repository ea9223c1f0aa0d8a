// Dash pattern of a file device (see the header).
#include "plot/DashPattern.h"

#include <cmath>

void DashPattern::Set(int n, const double* len, bool restart) {
  if (n < 2) {
    if (restart) phase_ = 0;
    dashed_ = false;
    return;
  }
  if (n > kMax / 2) n = kMax / 2;
  // An odd list is run through twice, its elements drawn and blank in turn, as the kernel cuts
  // it: written out whole, it reads the same in every format.
  const int m = n % 2 == 0 ? n : 2 * n;
  double v[kMax];
  for (int i = 0; i < m; ++i) v[i] = len[i % n];
  // A drawn element under one unit is a dot, which the round caps make: it is given as a dash
  // of no length (its length going to the blank after it), which every reader draws as a dot,
  // where Ghostscript leaves out some of the shortest dashes at low resolutions.
  for (int i = 0; i < m; i += 2)
    if (v[i] < 1) {
      v[i + 1] += v[i];
      v[i] = 0;
    }
  bool same = m == n_;
  double period = 0;
  for (int i = 0; i < m; ++i) {
    same = same && len_[i] == v[i];
    len_[i] = v[i];
    period += v[i];
  }
  n_ = m;
  period_ = period;
  if (restart || !same || !(phase_ < period_)) phase_ = 0;
  dashed_ = true;
}

void DashPattern::Advance(int x0, int y0, int x1, int y1) {
  if (!dashed_) return;
  const double d = std::hypot(static_cast<double>(x1 - x0), static_cast<double>(y1 - y0));
  phase_ += d;
  if (phase_ >= period_) phase_ = std::fmod(phase_, period_);
}

bool DashPattern::SameAs(const DashPattern& o) const {
  if (dashed_ != o.dashed_) return false;
  if (!dashed_) return true;
  if (n_ != o.n_ || phase_ != o.phase_) return false;
  for (int i = 0; i < n_; ++i)
    if (len_[i] != o.len_[i]) return false;
  return true;
}
