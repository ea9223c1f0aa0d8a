// cairo, libpng and zlib entry points of the PDF and PNG device, looked up when the first such
// chart is drawn: a program that writes no such chart neither loads them nor needs them.
#pragma once

#include <cairo.h>
#include <png.h>
#include <zlib.h>

// clang-format off
#define CORVANE_CAIRO_FONCTIONS(X) \
  X(cairo_image_surface_create) \
  X(cairo_image_surface_get_width) \
  X(cairo_image_surface_get_height) \
  X(cairo_image_surface_get_stride) \
  X(cairo_image_surface_get_data) \
  X(cairo_surface_flush) \
  X(cairo_surface_destroy) \
  X(cairo_create) \
  X(cairo_destroy) \
  X(cairo_set_source_rgb) \
  X(cairo_paint) \
  X(cairo_translate) \
  X(cairo_scale) \
  X(cairo_set_line_cap) \
  X(cairo_set_line_join) \
  X(cairo_set_line_width) \
  X(cairo_set_dash) \
  X(cairo_move_to) \
  X(cairo_line_to) \
  X(cairo_stroke) \
  X(png_create_write_struct) \
  X(png_create_info_struct) \
  X(png_destroy_write_struct) \
  X(png_set_longjmp_fn) \
  X(png_longjmp) \
  X(png_error) \
  X(png_get_io_ptr) \
  X(png_set_write_fn) \
  X(png_set_IHDR) \
  X(png_set_pHYs) \
  X(png_set_filter) \
  X(png_set_compression_level) \
  X(png_write_info) \
  X(png_write_row) \
  X(png_write_end) \
  X(deflateInit_) \
  X(deflate) \
  X(deflateEnd)
// clang-format on

// One pointer per entry point, named as the function it calls.
struct TCairoLib {
#define CORVANE_CAIRO_MEMBRE(nom) decltype(&::nom) nom;
  CORVANE_CAIRO_FONCTIONS(CORVANE_CAIRO_MEMBRE)
#undef CORVANE_CAIRO_MEMBRE
};

// The entry points, the libraries being loaded at the first call; null when a library or an
// entry point cannot be found (the loader's reason then goes once to the standard error stream).
const TCairoLib* CairoLib();
// The entry points when an earlier call of CairoLib() loaded them, else null; never loads.
const TCairoLib* CairoLibCharge();
