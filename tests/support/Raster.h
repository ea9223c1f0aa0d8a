// Test helpers for chart pictures: PDF, SVG and PNG files read back as pixels through other
// programs (pdftoppm, rsvg-convert) or libpng, and a comparison of two renderings that forgives
// line widths but not a misplaced, missing or recoloured line.
#pragma once

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/Ghostscript.h"

namespace raster_test {

using gs_test::Image;

using gs_test::ReadPpm;

// Reads a PNG file laid on a white background.
inline bool ReadPng(const std::string& path, Image* img) {
  cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
  if (cairo_surface_status(png) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(png);
    return false;
  }
  img->w = cairo_image_surface_get_width(png);
  img->h = cairo_image_surface_get_height(png);
  cairo_surface_t* flat = cairo_image_surface_create(CAIRO_FORMAT_RGB24, img->w, img->h);
  cairo_t* cr = cairo_create(flat);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_set_source_surface(cr, png, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_flush(flat);
  const unsigned char* data = cairo_image_surface_get_data(flat);
  const int stride = cairo_image_surface_get_stride(flat);
  img->rgb.resize(static_cast<size_t>(img->w) * img->h * 3);
  for (int y = 0; y < img->h; ++y) {
    const auto* px = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
    for (int x = 0; x < img->w; ++x) {
      unsigned char* o = &img->rgb[3 * (static_cast<size_t>(y) * img->w + x)];
      o[0] = static_cast<unsigned char>(px[x] >> 16);
      o[1] = static_cast<unsigned char>(px[x] >> 8);
      o[2] = static_cast<unsigned char>(px[x]);
    }
  }
  cairo_surface_destroy(flat);
  cairo_surface_destroy(png);
  return img->w > 0 && img->h > 0;
}

// Renders the first page of a PDF file with poppler at dpi.
inline bool RenderPdf(const std::string& pdf, int dpi, Image* img) {
  const std::string base = pdf + ".render";
  if (gs_test::RunCommand("pdftoppm -singlefile -r " + std::to_string(dpi) + " '" + pdf + "' '" +
                          base + "' >/dev/null 2>&1") != 0)
    return false;
  const bool ok = ReadPpm(base + ".ppm", img);
  std::remove((base + ".ppm").c_str());
  return ok;
}

// Renders an SVG file with librsvg at dpi.
inline bool RenderSvg(const std::string& svg, int dpi, Image* img) {
  const std::string png = svg + ".render.png";
  const std::string d = std::to_string(dpi);
  if (gs_test::RunCommand("rsvg-convert -d " + d + " -p " + d + " -o '" + png + "' '" + svg +
                          "' >/dev/null 2>&1") != 0)
    return false;
  const bool ok = ReadPng(png, img);
  std::remove(png.c_str());
  return ok;
}

// Averages blocks of f x f pixels (a picture at f times the resolution of the others).
inline Image Shrink(const Image& in, int f) {
  Image out;
  out.w = in.w / f;
  out.h = in.h / f;
  out.rgb.resize(static_cast<size_t>(out.w) * out.h * 3);
  for (int y = 0; y < out.h; ++y)
    for (int x = 0; x < out.w; ++x)
      for (int c = 0; c < 3; ++c) {
        int s = 0;
        for (int j = 0; j < f; ++j)
          for (int i = 0; i < f; ++i) s += in.At(x * f + i, y * f + j)[c];
        out.rgb[3 * (static_cast<size_t>(y) * out.w + x) + c] =
            static_cast<unsigned char>((s + f * f / 2) / (f * f));
      }
  return out;
}

// How far a pixel is from white in its darkest channel, 0 to 255.
inline int Ink(const unsigned char* p) { return 255 - std::min({p[0], p[1], p[2]}); }

// Two inked pixels have the same colour when their departures from white point the same way:
// a line's colour blended with the white page keeps that direction at any coverage.
inline bool SameHue(const unsigned char* a, const unsigned char* b) {
  double va[3], vb[3], na = 0, nb = 0, dot = 0;
  for (int c = 0; c < 3; ++c) {
    va[c] = 255.0 - a[c];
    vb[c] = 255.0 - b[c];
    na += va[c] * va[c];
    nb += vb[c] * vb[c];
    dot += va[c] * vb[c];
  }
  return dot > 0.97 * std::sqrt(na * nb);
}

struct Difference {
  size_t inked = 0;       // clearly inked pixels of the first picture
  size_t missing = 0;     // inked pixels of either picture with no inked pixel near in the other
  size_t recoloured = 0;  // inked pixels of either picture with ink near, but none of their hue
};

// Every clearly inked pixel of each picture must have, within r pixels in the other, an inked
// pixel, and one of the same hue. Line widths up to about r pixels and anti-aliasing do not
// count; a line moved by more than r or a missing label counts as missing, a line drawn in
// another colour as recoloured (as do, in small numbers, the crossings of lines, which each
// program blends in its own way).
inline Difference Compare(const Image& a, const Image& b, int r, int threshold = 96) {
  Difference d;
  const int w = std::min(a.w, b.w), h = std::min(a.h, b.h);
  auto check = [&](const Image& p, const Image& q, size_t* inked) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const unsigned char* px = p.At(x, y);
        if (Ink(px) < threshold) continue;
        if (inked) ++*inked;
        bool ink = false, hue = false;
        for (int j = std::max(0, y - r); j <= std::min(h - 1, y + r) && !hue; ++j)
          for (int i = std::max(0, x - r); i <= std::min(w - 1, x + r) && !hue; ++i) {
            const unsigned char* qx = q.At(i, j);
            if (Ink(qx) < threshold / 3) continue;
            ink = true;
            hue = SameHue(px, qx);
          }
        d.missing += !ink;
        d.recoloured += ink && !hue;
      }
  };
  check(a, b, &d.inked);
  check(b, a, nullptr);
  return d;
}

}  // namespace raster_test
