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
