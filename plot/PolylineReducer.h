// Point reduction of the file devices: along a drawn polyline of integer moves, the points that
// lie within one device unit (the size of the kernel's own rounding) of a longer straight piece
// are left out, and moves of zero length with them. A dense curve of unit steps becomes a few
// long segments: the same line in far fewer drawing operations.
#pragma once

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
  bool Fits(int x, int y) const;
  void Add(int x, int y);
  void Flush();
  // Gathers the end of the repeated steps that are waiting.
  void RunStep();

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
