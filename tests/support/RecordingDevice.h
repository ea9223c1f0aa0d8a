// A test device that records every call the plotting kernel makes to its device operations.
#pragma once

#include <vector>

#include "plot/TrInfo.h"

class RecordingDevice : public TR_INFO {
 public:
  enum Kind { kInit, kMove, kPen, kClose, kSize, kWidth, kDash };
  struct Call {
    Kind kind;
    int a, b, c;  // move: dx, dy, st; pen: number; size: dx, dy; dash: count, restart
    double mm;    // width
  };
  std::vector<Call> calls;
  std::vector<std::vector<double>> dashes;  // the patterns of the dash calls, in order

  // A 400-unit device on an A4 landscape page, like the file devices (units may differ per axis).
  explicit RecordingDevice(double ux = 400, double uy = 400, double xmax = 29.7, double ymax = 21.0,
                           int pmax = 16) {
    u_par_cmx = ux;
    u_par_cmy = uy;
    tr_xmax = xmax;
    tr_ymax = ymax;
    plume_max = pmax;
  }
  void tr_init() override { calls.push_back({kInit, 0, 0, 0, 0}); }
  void tr_move(int dx, int dy, int st) override { calls.push_back({kMove, dx, dy, st, 0}); }
  void tr_pen(int p) override { calls.push_back({kPen, p, 0, 0, 0}); }
  void tr_close() override { calls.push_back({kClose, 0, 0, 0, 0}); }
  void tr_size(int dx, int dy) override { calls.push_back({kSize, dx, dy, 0, 0}); }
  void tr_width(double mm) override { calls.push_back({kWidth, 0, 0, 0, mm}); }
  void tr_dash(int n, const double* len, bool restart) override {
    calls.push_back({kDash, n, restart, 0, 0});
    dashes.emplace_back(len, len + n);
  }

  // Moves only, in order.
  std::vector<Call> Moves() const {
    std::vector<Call> m;
    for (const Call& c : calls)
      if (c.kind == kMove) m.push_back(c);
    return m;
  }
  // Opens the context and forgets the calls made while opening.
  int Open() {
    int rc = TRINIT();
    TRFLUSH();
    calls.clear();
    return rc;
  }
};
