// Test helper that reads back the drawn segments of a chart file, with the colour and the line
// width each is stroked with: from the PostScript that the EPS device writes (moveto, lineto,
// setrgbcolor, setlinewidth, stroke) and from the polylines of an Enhanced Metafile (y flipped
// back to the page's upward y). Coordinates are device units, 400 per centimetre.
#pragma once

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/EmfCheck.h"

namespace seg_test {

struct Seg {
  int x0, y0, x1, y1;
  unsigned rgb;  // 0xRRGGBB
  double mm;     // line width in millimetres
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
    } else if (kw == "stroke") {
      for (Seg& s : path) {
        s.rgb = rgb;
        s.mm = w / 40;
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

}  // namespace seg_test
