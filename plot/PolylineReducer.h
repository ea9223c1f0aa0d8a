// Point reduction of the file devices: along a drawn polyline of integer moves, the points that
// lie within one device unit (the size of the kernel's own rounding) of a longer straight piece
// are left out, and moves of zero length with them. A dense curve of unit steps becomes a few
// long segments: the same line in far fewer drawing operations.
#pragma once

#include <cmath>
#include <vector>

class PolylineReducer {
 public:
  struct Point {
    int x, y;
  };
  static constexpr double kTolerance = 1.0;  // device units a point may lie off its segment

  // Starts a polyline at (x, y); its points then come from Step.
  void Begin(int x, int y);
  // The pen, down, moves by (dx, dy).
  void Step(int dx, int dy);
  // Ends the polyline: its last points go out; a polyline of no length gives its start again,
  // so that it is drawn as a dot.
  void End();
  bool Active() const { return joined_; }
  // The points kept so far (the start of a polyline excluded), in drawing order;
  // the caller draws them and clears the list.
  std::vector<Point>& Points() { return out_; }

 private:
  __attribute__((always_inline)) bool Fits(int x, int y) const;
  __attribute__((always_inline)) void Add(int x, int y);
  void Flush();
  // Gathers the end of the repeated steps that are waiting.
  __attribute__((always_inline)) void RunStep();

  std::vector<Point> out_;
  int x_ = 0, y_ = 0;                          // position reached
  bool joined_ = false;                        // a polyline is being drawn
  bool length_ = false;                        // it has a segment of non-zero length
  int seg_x_ = 0, seg_y_ = 0;                  // end of the last segment kept: start of the run
  int last_x_ = 0, last_y_ = 0;                // last point gathered into the run
  bool gathered_ = false;                      // the run holds a point
  bool stepping_ = false;                      // repeated steps wait to be gathered
  int step_dx_ = 0, step_dy_ = 0, steps_ = 0;  // the step repeated, how many times
  bool cone_ = false, empty_ = false;          // directions from the start that suit every point
  double lo_x_ = 0, lo_y_ = 0, hi_x_ = 0, hi_y_ = 0;  // the cone's clockwise and other edge
  double far2_ = 0;  // square of the distance of the farthest point gathered
};

// The per-move work, in line in the devices' move: a curve sends every one of its moves here.

// A segment from the start of the run to (x, y) passes within kTolerance of every point
// gathered when its direction lies inside the cone of directions that all of them allow, and
// it reaches as far as the farthest of them (to within kTolerance).
// The tests are combined without branches: along a curve their outcomes follow no pattern a
// processor could guess.
inline bool PolylineReducer::Fits(int x, int y) const {
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
inline void PolylineReducer::Add(int x, int y) {
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
inline void PolylineReducer::RunStep() {
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

inline void PolylineReducer::Step(int dx, int dy) {
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
