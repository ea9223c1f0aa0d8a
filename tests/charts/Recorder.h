// Test device for the charts: records every drawn segment (device units, 400 per cm) with its
// pen and line width, and maps device points back to user coordinates for a known viewport and
// window.
#pragma once

#include <cmath>
#include <memory>
#include <vector>

#include "plot/MDGraph.h"

class C_REC : public TR_INFO {
 public:
  struct Seg {
    double x0, y0, x1, y1;
    int pen;
    double w;  // line width in force (mm) when the segment reached the device
    double Len() const { return std::hypot(x1 - x0, y1 - y0); }
  };
  std::vector<Seg> segs;
  int pens = 0;  // pen changes received
  bool closed = false;

  C_REC() {
    u_par_cmx = u_par_cmy = 400;
    plume_max = 16;
    tr_xmax = 21;
    tr_ymax = 29.7;
  }
  void tr_init() override { x_ = y_ = 0; }
  void tr_move(int dx, int dy, int st) override {
    if (st) segs.push_back({double(x_), double(y_), double(x_ + dx), double(y_ + dy), pen_, w_});
    x_ += dx;
    y_ += dy;
  }
  void tr_pen(int p) override {
    pen_ = p;
    ++pens;
  }
  void tr_close() override { closed = true; }
  void tr_size(int, int) override {}
  void tr_width(double mm) override { w_ = mm; }

  std::vector<Seg> OfPen(int p) const {
    std::vector<Seg> r;
    for (const Seg& s : segs)
      if (s.pen == p) r.push_back(s);
    return r;
  }

 private:
  int x_ = 0, y_ = 0, pen_ = 0;
  double w_ = 0;
};

// A holder whose device is a recorder reporting itself as kind t (the holder owns it).
inline std::unique_ptr<TMDGraph> RecHolder(GrType t, C_REC** rec) {
  auto h = std::make_unique<TMDGraph>(GrErr);
  *rec = new C_REC;
  h->Gr = *rec;
  h->Type = t;
  return h;
}

// Every segment of pen p was drawn with width w (mm).
inline bool AllWidths(const C_REC& r, int p, double w) {
  auto s = r.OfPen(p);
  for (const auto& g : s)
    if (std::fabs(g.w - w) > 1e-12) return false;
  return !s.empty();
}

// Linear map from a viewport given in centimetres (on a 400-unit device) to a user window.
struct Carte {
  double vxn, vxm, vyn, vym;  // viewport, cm
  double wxn, wxm, wyn, wym;  // window
  double X(double dev) const { return wxn + (dev / 400 - vxn) / (vxm - vxn) * (wxm - wxn); }
  double Y(double dev) const { return wyn + (dev / 400 - vyn) / (vym - vyn) * (wym - wyn); }
  double DevX(double x) const { return 400 * (vxn + (x - wxn) / (wxm - wxn) * (vxm - vxn)); }
  double DevY(double y) const { return 400 * (vyn + (y - wyn) / (wym - wyn) * (vym - vyn)); }
};
