// Test device for the plotting kernel: records every relative move and pen change it receives
// and keeps the drawn segments in absolute device units.
#pragma once

#include <algorithm>
#include <vector>

#include "plot/TrInfo.h"

class MoveRecorder : public TR_INFO {
 public:
  struct Rec {
    int dx, dy, st;
  };
  struct Seg {
    int x0, y0, x1, y1;
  };
  struct Box {
    int xn, xm, yn, ym;
    bool empty;
  };

  std::vector<Rec> moves;
  std::vector<Seg> segs;
  std::vector<int> pens;
  int x = 0, y = 0;  // the device's own position: the sum of all moves received

  explicit MoveRecorder(double units_per_cm = 400) {
    u_par_cmx = u_par_cmy = units_per_cm;
    plume_max = 16;
    tr_xmax = 29.7;
    tr_ymax = 21;
  }

  void tr_move(int dx, int dy, int st) override {
    moves.push_back({dx, dy, st});
    if (st) segs.push_back({x, y, x + dx, y + dy});
    x += dx;
    y += dy;
  }
  void tr_pen(int p) override { pens.push_back(p); }

  // Flushes the kernel's queue, then forgets everything received so far.
  void Clear() {
    TRFLUSH();
    moves.clear();
    segs.clear();
    pens.clear();
  }

  // Flushes the queue and returns the drawn segments.
  const std::vector<Seg>& Drawn() {
    TRFLUSH();
    return segs;
  }

  // Box of the drawn segments' ends.
  Box DrawnBox() {
    Drawn();
    Box b{0, 0, 0, 0, segs.empty()};
    if (segs.empty()) return b;
    b.xn = b.xm = segs[0].x0;
    b.yn = b.ym = segs[0].y0;
    for (const Seg& s : segs) {
      b.xn = std::min({b.xn, s.x0, s.x1});
      b.xm = std::max({b.xm, s.x0, s.x1});
      b.yn = std::min({b.yn, s.y0, s.y1});
      b.ym = std::max({b.ym, s.y0, s.y1});
    }
    return b;
  }

  // Drawn segments as direction-free, sorted tuples relative to (ox, oy), zero-length ones kept.
  std::vector<Seg> Normalised(int ox, int oy) {
    Drawn();
    std::vector<Seg> out;
    for (Seg s : segs) {
      s = {s.x0 - ox, s.y0 - oy, s.x1 - ox, s.y1 - oy};
      if (s.x1 < s.x0 || (s.x1 == s.x0 && s.y1 < s.y0)) s = {s.x1, s.y1, s.x0, s.y0};
      out.push_back(s);
    }
    std::sort(out.begin(), out.end(), [](const Seg& a, const Seg& b) {
      if (a.x0 != b.x0) return a.x0 < b.x0;
      if (a.y0 != b.y0) return a.y0 < b.y0;
      if (a.x1 != b.x1) return a.x1 < b.x1;
      return a.y1 < b.y1;
    });
    return out;
  }
};

inline bool operator==(const MoveRecorder::Seg& a, const MoveRecorder::Seg& b) {
  return a.x0 == b.x0 && a.y0 == b.y0 && a.x1 == b.x1 && a.y1 == b.y1;
}
