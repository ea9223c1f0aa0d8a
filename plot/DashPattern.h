// Dash pattern of a file device that strokes dashes itself (PostScript setdash, PDF d, SVG
// stroke-dasharray, cairo_set_dash): the pattern the kernel gives (TR_INFO::tr_dash) as an even
// list of drawn and blank lengths, and the phase reached along the lines drawn in it, so that a
// line broken into several polylines (by the frame's clipping or a gap in the curve) goes on with
// its dashes where the last piece left them, as the kernel's cut pieces do.
#pragma once

class DashPattern {
 public:
  static constexpr int kMax = 20;  // lengths held: the kernel's 10, doubled when odd

  // Takes the kernel's pattern (n < 2: solid). The pattern starts afresh on restart, or when it
  // differs from the one held; otherwise it goes on from its phase. A solid line keeps the
  // pattern and its phase for the return of the same pattern.
  void Set(int n, const double* len, bool restart);
  bool Dashed() const { return dashed_; }
  // The lengths, drawn first (an even count), in device units.
  int Count() const { return n_; }
  const double* Lengths() const { return len_; }
  // Where a polyline beginning now starts in the pattern (0 to the pattern's length).
  double Phase() const { return phase_; }
  // A polyline drawn in the pattern went on by a segment from (x0, y0) to (x1, y1).
  void Advance(int x0, int y0, int x1, int y1);
  // Whether two patterns stroke alike: both solid, or the same lengths from the same phase.
  bool SameAs(const DashPattern& o) const;

 private:
  double len_[kMax] = {};
  int n_ = 0;
  double period_ = 0;
  double phase_ = 0;
  bool dashed_ = false;
};
