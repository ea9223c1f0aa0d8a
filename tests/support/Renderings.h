// Test helpers comparing two renderings of the same chart made by different readers: each
// picture is reduced to its ink (the pixels darker than the paper by a threshold in some colour
// channel), the ink is blurred by a small square (a dilation), the second picture is placed on
// the first by the scale and shift that line their ink up best, and the share of each picture's
// ink that falls where the other has none, even blurred, is measured.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/Ghostscript.h"

namespace render_test {

// Ink of one picture: a flag per pixel, and the same blurred by `rayon` pixels.
struct Encre {
  int w = 0, h = 0;
  std::vector<unsigned char> nette, floue;  // index y * w + x
  size_t total = 0;                         // inked pixels
  struct Point {
    int x, y;
  };
  std::vector<Point> points;  // the inked pixels
  struct Boite {
    int x0, y0, x1, y1;
  } boite{0, 0, 0, 0};  // box around the ink
  bool Floue(int x, int y) const {
    return x >= 0 && y >= 0 && x < w && y < h && floue[static_cast<size_t>(y) * w + x];
  }
};

inline Encre Encrage(const gs_test::Image& img, int seuil, int rayon) {
  Encre e;
  e.w = img.w;
  e.h = img.h;
  const size_t n = static_cast<size_t>(img.w) * img.h;
  e.nette.assign(n, 0);
  e.floue.assign(n, 0);
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x) {
      const unsigned char* p = img.At(x, y);
      if (255 - std::min({p[0], p[1], p[2]}) < seuil) continue;
      e.nette[static_cast<size_t>(y) * img.w + x] = 1;
      if (e.points.empty()) e.boite = {x, y, x, y};
      e.points.push_back({x, y});
      e.boite.x0 = std::min(e.boite.x0, x);
      e.boite.x1 = std::max(e.boite.x1, x);
      e.boite.y1 = y;
      ++e.total;
    }
  // Square blur, separable: along the rows into tmp, then along the columns.
  std::vector<unsigned char> tmp(n, 0);
  for (const auto& p : e.points)
    for (int d = -rayon; d <= rayon; ++d)
      if (p.x + d >= 0 && p.x + d < img.w) tmp[static_cast<size_t>(p.y) * img.w + p.x + d] = 1;
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x)
      if (tmp[static_cast<size_t>(y) * img.w + x])
        for (int d = -rayon; d <= rayon; ++d)
          if (y + d >= 0 && y + d < img.h) e.floue[static_cast<size_t>(y + d) * img.w + x] = 1;
  return e;
}

struct Ecart {
  double manque_a = 1;  // share of a's ink with no blurred ink of b at its place
  double manque_b = 1;  // share of b's ink with no blurred ink of a at its place
  int dx = 0, dy = 0;   // shift of b against a, in b's pixels
  double echelle = 1;   // scale of b against a
  double Pire() const { return std::max(manque_a, manque_b); }
};

// Compares picture b with picture a, rendered at the same resolution: b may have another page
// size and may be scaled (a reader that fits the picture to its page), so b is placed on a by
// the scale and shift that line up the boxes around their ink, then by the scale (0.1 % steps)
// and shift (whole pixels) near those that leave the least ink unmatched.
inline Ecart Compare(const gs_test::Image& a, const gs_test::Image& b, int seuil = 40,
                     int rayon = 2) {
  const Encre ea = Encrage(a, seuil, rayon), eb = Encrage(b, seuil, rayon);
  Ecart best;
  if (ea.total == 0 || eb.total == 0) return best;
  const Encre::Boite ba = ea.boite, bb = eb.boite;
  const double s0 = static_cast<double>(bb.x1 - bb.x0 + bb.y1 - bb.y0) /
                    std::max(1, ba.x1 - ba.x0 + ba.y1 - ba.y0);
  // Share of unmatched ink for scale s and shift (dx, dy), on every pas-th point.
  auto ecart = [&](double s, int dx, int dy, size_t pas) {
    size_t ma = 0, mb = 0, na = 0, nb = 0;
    for (size_t i = 0; i < ea.points.size(); i += pas, ++na) {
      const auto& p = ea.points[i];
      const int x = bb.x0 + static_cast<int>(std::lround((p.x - ba.x0) * s)) + dx;
      const int y = bb.y0 + static_cast<int>(std::lround((p.y - ba.y0) * s)) + dy;
      ma += !eb.Floue(x, y);
    }
    for (size_t i = 0; i < eb.points.size(); i += pas, ++nb) {
      const auto& p = eb.points[i];
      const int x = ba.x0 + static_cast<int>(std::lround((p.x - dx - bb.x0) / s));
      const int y = ba.y0 + static_cast<int>(std::lround((p.y - dy - bb.y0) / s));
      mb += !ea.Floue(x, y);
    }
    return Ecart{static_cast<double>(ma) / na, static_cast<double>(mb) / nb, dx, dy};
  };
  double sbest = s0;
  for (int k = -5; k <= 5; ++k) {
    const double s = s0 * (1 + 0.001 * k);
    for (int dy = -2; dy <= 2; ++dy)
      for (int dx = -2; dx <= 2; ++dx) {
        const Ecart e = ecart(s, dx, dy, 13);
        if (e.Pire() < best.Pire()) best = e, sbest = s;
      }
  }
  best = Ecart{};
  for (int dy = -3; dy <= 3; ++dy)
    for (int dx = -3; dx <= 3; ++dx) {
      const Ecart e = ecart(sbest, dx, dy, 1);
      if (e.Pire() < best.Pire()) best = e;
    }
  best.echelle = sbest;
  return best;
}

// A PNG file read through ImageMagick, flattened on white paper.
inline bool ReadPng(const std::string& png, gs_test::Image* img) {
  const std::string ppm = png + ".ppm";
  if (gs_test::RunCommand("timeout 60 convert '" + png +
                          "' -background white -flatten -depth 8 'ppm:" + ppm +
                          "' >/dev/null 2>&1") != 0)
    return false;
  const bool ok = gs_test::ReadPpm(ppm, img);
  std::remove(ppm.c_str());
  return ok;
}

}  // namespace render_test
