// Test helper that reads back the drawn segments of a chart file, with the colour and the line
// width each is stroked with: from the PostScript that the EPS device writes (moveto, lineto,
// setrgbcolor, setlinewidth, setdash, stroke) and from the polylines of an Enhanced Metafile (y
// flipped back to the page's upward y). Coordinates are device units, 400 per centimetre.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/EmfCheck.h"

namespace seg_test {

struct Seg {
  int x0, y0, x1, y1;
  unsigned rgb;      // 0xRRGGBB
  double mm;         // line width in millimetres
  double on = 1;     // part of its length a dash pattern draws (1: solid)
  bool dashed = false;
  double Len() const { return std::hypot(double(x1 - x0), double(y1 - y0)); }
  bool operator==(const Seg& o) const {
    return x0 == o.x0 && y0 == o.y0 && x1 == o.x1 && y1 == o.y1 && rgb == o.rgb;
  }
};

// The PostScript device's paths (moveto and lineto, or their short names m and l): a path's
// points are stroked with the colour and the width in force at its "stroke". Widths are written
// in device units, 40 a millimetre; the interpreter's default width, 1, stands for the paths
// stroked before any "setlinewidth".
inline bool ReadEpsSegments(const std::string& text, std::vector<Seg>* out) {
  out->clear();
  std::istringstream in(text);
  std::string line;
  std::vector<std::pair<int, int>> pts;  // current subpath
  std::vector<Seg> path;                 // drawn segments waiting for their stroke
  unsigned rgb = 0;
  double w = 1;
  double on = 1;  // drawn part of the dash pattern in force
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::vector<std::string> t;
    for (std::string word; words >> word;) t.push_back(word);
    if (t.empty()) continue;
    const std::string& kw = t.back();
    auto num = [&t](size_t i) { return std::atof(t[i].c_str()); };
    const bool move = kw == "moveto" || kw == "m", line = kw == "lineto" || kw == "l";
    if ((move || line) && t.size() == 3) {
      const int x = std::atoi(t[0].c_str()), y = std::atoi(t[1].c_str());
      if (move) {
        pts.assign(1, {x, y});
      } else {
        if (pts.empty()) return false;
        path.push_back(Seg{pts.back().first, pts.back().second, x, y, 0, 0});
        pts.push_back({x, y});
      }
    } else if (kw == "setrgbcolor" && t.size() == 4) {
      auto byte = [&num](size_t i) { return static_cast<unsigned>(std::lround(num(i) * 255)); };
      rgb = byte(0) << 16 | byte(1) << 8 | byte(2);
    } else if (kw == "setlinewidth" && t.size() == 2) {
      w = num(0);
    } else if (kw == "setdash" && t.size() >= 3) {  // "[d1 b1 ...] phase setdash"
      double drawn = 0, all = 0;
      for (size_t i = 0; i + 2 < t.size(); ++i) {
        std::string v = t[i];
        v.erase(std::remove_if(v.begin(), v.end(), [](char c) { return c == '[' || c == ']'; }),
                v.end());
        if (v.empty()) continue;
        const double d = std::atof(v.c_str());
        (i % 2 == 0 ? drawn : all) += d;
      }
      all += drawn;
      on = all > 0 ? drawn / all : 1;
    } else if (kw == "stroke") {
      for (Seg& s : path) {
        s.rgb = rgb;
        s.mm = w / 40;
        s.on = on;
        s.dashed = on < 1;
        out->push_back(s);
      }
      path.clear();
    } else if (kw == "newpath") {
      pts.clear();
    }
  }
  return path.empty();
}

// The metafile's polylines, each with the pen in force.
inline bool ReadEmfSegments(const std::string& file, std::vector<Seg>* out, std::string* why) {
  out->clear();
  std::vector<emf_test::Record> recs;
  if (!emf_test::ReadEmfRecords(file, &recs, why)) return false;
  unsigned rgb = 0;
  double mm = 0;
  for (const emf_test::Record& r : recs) {
    if (r.type == U_EMR_CREATEPEN) {
      const uint32_t c = r.w[6];  // 0x00BBGGRR
      rgb = (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
      mm = r.w[4] / 40.0;
    } else if (r.type == U_EMR_POLYLINE16 || r.type == U_EMR_POLYLINE) {
      const bool court = r.type == U_EMR_POLYLINE16;
      int x = 0, y = 0;
      for (uint32_t k = 0; k < r.w[6]; ++k) {
        int x1, y1;
        if (court) {
          x1 = static_cast<int16_t>(r.w[7 + k] & 0xFFFF);
          y1 = 20000 - static_cast<int16_t>(r.w[7 + k] >> 16);
        } else {
          x1 = static_cast<int>(r.w[7 + 2 * k]);
          y1 = 20000 - static_cast<int>(r.w[8 + 2 * k]);
        }
        if (k > 0) out->push_back(Seg{x, y, x1, y1, rgb, mm});
        x = x1;
        y = y1;
      }
    }
  }
  return true;
}

// The same drawing in a file whose dashed lines are stroked whole with a dash pattern (eps, from
// ReadEpsSegments) and in one whose dashed lines are cut into pieces (cut): the solid segments
// one for one, in the same order, colours and widths; in place of each run of dashed segments,
// the pieces that follow in cut, in its colour and width, each end within tol units of the run.
// The pieces' length over the runs' is the drawn part of the patterns (*on, what the patterns
// draw, weighted by the runs' lengths, in *want). False, with the first difference in why.
inline bool SameDrawing(const std::vector<Seg>& eps, const std::vector<Seg>& cut, int tol,
                        double* on, double* want, std::string* why) {
  size_t i = 0, j = 0;
  double pieces = 0, runs = 0, drawn = 0;
  auto dist = [](const Seg& s, double x, double y) {  // from (x, y) to segment s
    const double dx = s.x1 - s.x0, dy = s.y1 - s.y0, l2 = dx * dx + dy * dy;
    double t = l2 > 0 ? ((x - s.x0) * dx + (y - s.y0) * dy) / l2 : 0;
    t = std::max(0.0, std::min(1.0, t));
    return std::hypot(s.x0 + t * dx - x, s.y0 + t * dy - y);
  };
  while (i < eps.size()) {
    if (!eps[i].dashed) {
      if (j >= cut.size() || !(eps[i] == cut[j]) || eps[i].mm != cut[j].mm) {
        *why = "solid segment " + std::to_string(i) + " of eps against " + std::to_string(j);
        return false;
      }
      ++i, ++j;
      continue;
    }
    size_t e = i;
    while (e < eps.size() && eps[e].dashed && eps[e].rgb == eps[i].rgb && eps[e].mm == eps[i].mm)
      ++e;
    for (size_t k = i; k < e; ++k) {
      runs += eps[k].Len();
      drawn += eps[k].Len() * eps[k].on;
    }
    for (; j < cut.size() && !(e < eps.size() && cut[j] == eps[e]); ++j) {
      const Seg& c = cut[j];
      if (c.rgb != eps[i].rgb || c.mm != eps[i].mm) break;
      double d0 = 1e300, d1 = 1e300;
      for (size_t k = i; k < e; ++k) {
        d0 = std::min(d0, dist(eps[k], c.x0, c.y0));
        d1 = std::min(d1, dist(eps[k], c.x1, c.y1));
      }
      if (d0 > tol || d1 > tol) break;
      pieces += c.Len();
    }
    i = e;
  }
  if (j != cut.size()) {
    *why = "piece " + std::to_string(j) + " of " + std::to_string(cut.size()) + " left over";
    return false;
  }
  *on = runs > 0 ? pieces / runs : 1;
  *want = runs > 0 ? drawn / runs : 1;
  return true;
}

}  // namespace seg_test
