// Point reduction of the file devices (see the header).
#include "plot/PolylineReducer.h"

#include <cmath>

void PolylineReducer::Begin(int x, int y) {
  x_ = seg_x_ = x;
  y_ = seg_y_ = y;
  gathered_ = cone_ = empty_ = stepping_ = false;
  far2_ = 0;
  joined_ = true;
  length_ = false;
}

void PolylineReducer::Step(int dx, int dy) {
  // Steps repeated up to here end where this move starts.
  if (stepping_ && (dx != step_dx_ || dy != step_dy_)) RunStep();
  x_ += dx;
  y_ += dy;
  if (dx == 0 && dy == 0) return;
  if (stepping_) {  // the same step again
    ++steps_;
    return;
  }
  stepping_ = true;
  step_dx_ = dx;
  step_dy_ = dy;
  steps_ = 1;
}

void PolylineReducer::End() {
  if (!joined_) return;
  RunStep();
  Flush();
  if (!length_) out_.push_back(Point{seg_x_, seg_y_});  // a lone point: a dot, with round caps
  joined_ = false;
}

void PolylineReducer::Flush() {
  if (!gathered_) return;
  seg_x_ = last_x_;
  seg_y_ = last_y_;
  out_.push_back(Point{seg_x_, seg_y_});
  gathered_ = false;
  cone_ = empty_ = false;
  far2_ = 0;
  length_ = true;
}

// A segment from the start of the run to (x, y) passes within kTolerance of every point
// gathered when its direction lies inside the cone of directions that all of them allow, and
// it reaches as far as the farthest of them (to within kTolerance).
// The tests are combined without branches: along a curve their outcomes follow no pattern a
// processor could guess.
__attribute__((always_inline)) inline bool PolylineReducer::Fits(int x, int y) const {
  if (empty_) return false;
  const double px = x - seg_x_, py = y - seg_y_;
  const bool hors = (lo_x_ * py - lo_y_ * px < 0) | (px * hi_y_ - py * hi_x_ < 0);
  return !(cone_ & hors) & (px * px + py * py + kTolerance * kTolerance >= far2_);
}

// Narrows the cone to the directions whose line passes within kTolerance of (x, y): those
// between the two tangents from the start of the run to the circle of that radius around it.
// The square root stays: points of the kernel's grid often lie exactly one unit off a segment,
// and a cone narrowed by a cheaper bound of it, even 1 % too small, breaks the curves of a
// Bode chart into a fifth more segments. Each edge is replaced, or not, by a selection without
// a branch (the same values, chosen by masks).
__attribute__((always_inline)) inline void PolylineReducer::Add(int x, int y) {
  const double px = x - seg_x_, py = y - seg_y_, d2 = px * px + py * py;
  last_x_ = x;
  last_y_ = y;
  gathered_ = true;
  if (d2 <= kTolerance * kTolerance) return;
  far2_ = d2 > far2_ ? d2 : far2_;
  const double e = std::sqrt(d2 - kTolerance * kTolerance), t = kTolerance;
  const double lx = px * e + py * t, ly = py * e - px * t;  // turned clockwise
  const double hx = px * e - py * t, hy = py * e + px * t;  // turned counter-clockwise
  if (!cone_) {
    lo_x_ = lx, lo_y_ = ly, hi_x_ = hx, hi_y_ = hy;
    cone_ = true;
    return;
  }
  typedef double Double2 __attribute__((vector_size(16)));
  typedef long long Long2 __attribute__((vector_size(16)));
  const double cl = lo_x_ * ly - lo_y_ * lx, ch = hx * hi_y_ - hy * hi_x_;
  const Long2 ml = Double2{cl, cl} > 0, mh = Double2{ch, ch} > 0;
  const Long2 lo = reinterpret_cast<Long2>(Double2{lo_x_, lo_y_});
  const Long2 hi = reinterpret_cast<Long2>(Double2{hi_x_, hi_y_});
  const Double2 nlo = reinterpret_cast<Double2>(
      (reinterpret_cast<Long2>(Double2{lx, ly}) & ml) | (lo & ~ml));
  const Double2 nhi = reinterpret_cast<Double2>(
      (reinterpret_cast<Long2>(Double2{hx, hy}) & mh) | (hi & ~mh));
  lo_x_ = nlo[0], lo_y_ = nlo[1], hi_x_ = nhi[0], hi_y_ = nhi[1];
  empty_ = empty_ | (lo_x_ * hi_y_ - lo_y_ * hi_x_ < 0);
}

// Repeated steps, ending at the current position, draw a straight line, on which any segment
// that passes within kTolerance of its two ends passes within kTolerance of every point: when
// the segment to its end fits, its end alone is gathered. Otherwise its points are taken one
// by one, to end the segment at the last one that fits.
__attribute__((always_inline)) inline void PolylineReducer::RunStep() {
  if (!stepping_) return;
  stepping_ = false;
  const bool fits = !gathered_ || Fits(x_, y_);
  if (fits || steps_ == 1) {
    if (!fits) Flush();  // the last point ends a segment
    Add(x_, y_);
    return;
  }
  int x = x_ - steps_ * step_dx_, y = y_ - steps_ * step_dy_;
  for (int i = 0; i < steps_; ++i) {
    x += step_dx_;
    y += step_dy_;
    if (gathered_ && !Fits(x, y)) Flush();
    Add(x, y);
  }
}
