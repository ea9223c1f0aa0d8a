// Test device for the charts: records every drawn segment (device units, 400 per cm) with its
// pen and line width, and maps device points back to user coordinates for a known viewport and
// window.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
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

// Every segment of pen p was drawn with width w (mm), the strokes of labels with 25.4 / 72 w but
// at least 0.2 mm (thin, so that no text looks bold); at least one with w itself.
inline bool AllWidths(const C_REC& r, int p, double w) {
  auto s = r.OfPen(p);
  bool plein = false;
  for (const auto& g : s) {
    plein = plein || std::fabs(g.w - w) <= 1e-12;
    if (std::fabs(g.w - w) > 1e-12 && std::fabs(g.w - std::max(w * 25.4 / 72, 0.2)) > 1e-12) return false;
  }
  return plein;
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

// The strokes of a text drawn alone by the kernel with text slot 0 at height h (cm), angle 0 and
// justification (tx, ty), moved so that the first stroke starts at (0, 0).
inline std::vector<C_REC::Seg> TextStrokes(const std::string& text, double h, double tx,
                                           double ty) {
  C_REC r;
  r.TRINIT();
  r.CADDEFTXTA(h, 0, 0);
  r.CADPOSTXT(tx, ty, 0);
  r.MOVEA(10, 10);
  r.CADPRINTF(0, "%s", text.c_str());
  r.TRFLUSH();
  std::vector<C_REC::Seg> s = r.segs;
  if (!s.empty()) {
    const double x = s[0].x0, y = s[0].y0;
    for (auto& g : s) g.x0 -= x, g.x1 -= x, g.y0 -= y, g.y1 -= y;
  }
  return s;
}

// Reads back a label from its strokes s (in drawing order): the text whose strokes have the
// same shape (within 2 device units) among the value v printed with 1 to 8 significant digits
// and followed by unit; returns the value of that text, or NaN when none is drawn.
inline double ReadLabel(const std::vector<C_REC::Seg>& s, double v, const std::string& unit,
                        double h, double tx, double ty) {
  if (s.empty()) return NAN;
  for (int p = 1; p <= 8; ++p) {
    char b[64];
    std::snprintf(b, sizeof b, "%.*G", p, v);
    const auto t = TextStrokes(b + unit, h, tx, ty);
    bool same = t.size() == s.size();
    for (size_t i = 0; same && i < t.size(); ++i)
      same = std::fabs(s[i].x0 - s[0].x0 - t[i].x0) <= 2 &&
             std::fabs(s[i].y0 - s[0].y0 - t[i].y0) <= 2 &&
             std::fabs(s[i].x1 - s[0].x0 - t[i].x1) <= 2 &&
             std::fabs(s[i].y1 - s[0].y0 - t[i].y1) <= 2;
    if (same) return std::strtod(b, nullptr);
  }
  return NAN;
}

// The labels of the horizontal major lines of pen p (longer than lmin device units, lines step
// apart): for each line, its value through map c and the strokes of pen p left of x = xmax
// (device units) within half a text height h (cm) of it, read back with ReadLabel.
struct LabelLu {
  double line, read;
  double left;  // leftmost x of the label's strokes, device units
};
inline std::vector<LabelLu> ReadValueLabels(const C_REC& r, int p, const Carte& c, double lmin,
                                            double xmax, const std::string& unit, double h,
                                            double step) {
  std::vector<LabelLu> out;
  const auto s = r.OfPen(p);
  for (const auto& l : s) {
    if (std::fabs(l.y0 - l.y1) > 1 || std::fabs(l.x0 - l.x1) < lmin) continue;
    std::vector<C_REC::Seg> t;
    double left = 1e300;
    for (const auto& g : s)
      if (g.Len() < 400 && std::max(g.x0, g.x1) < xmax && std::fabs(g.y0 - l.y0) <= h * 200 &&
          std::fabs(g.y1 - l.y0) <= h * 200) {
        t.push_back(g);
        left = std::min({left, g.x0, g.x1});
      }
    double v = c.Y(l.y0);
    if (std::fabs(v) < 0.01 * step) v = 0;
    out.push_back({v, ReadLabel(t, v, unit, h, 1, 0.5), left});
  }
  return out;
}
