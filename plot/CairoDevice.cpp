// PDF, SVG and PNG output device: the kernel's moves drawn with cairo, written through the file
// that TRINIT opened. Polylines are stroked with round joins and caps, in the pen colours of the
// PostScript device. cairo and libpng are loaded by the first page (plot/CairoLib.h); when they
// cannot be, nothing is drawn and closing reports the file as not written.
#include "plot/CairoDevice.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "plot/CairoLib.h"

namespace {

// Pen colours as red, green, blue bytes (those of the PostScript device); pen 16 is black.
const unsigned char kColors[16][3] = {
    {255, 255, 255}, {0, 0, 0},       {0, 0, 192},     {0, 192, 0},
    {192, 0, 0},     {96, 96, 96},    {0, 128, 128},   {128, 0, 128},
    {128, 128, 0},   {255, 255, 0},   {128, 128, 255}, {128, 255, 128},
    {255, 0, 0},     {192, 192, 192}, {64, 255, 255},  {255, 64, 255}};

constexpr double kPointsPerCm = 72 / 2.54;

cairo_status_t WriteBytes(void* closure, const unsigned char* data, unsigned int length) {
  return static_cast<C_CAIRO*>(closure)->send_bytes(data, length) ? CAIRO_STATUS_SUCCESS
                                                                  : CAIRO_STATUS_WRITE_ERROR;
}

// libpng's callbacks run inside write_png, after the libraries were loaded.
const TCairoLib& Lib() { return *CairoLibCharge(); }

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
  auto* dev = static_cast<C_CAIRO*>(Lib().png_get_io_ptr(png));
  while (length > 0) {  // send_bytes takes an unsigned count
    const unsigned n = length > 1u << 30 ? 1u << 30 : static_cast<unsigned>(length);
    if (!dev->send_bytes(data, n)) Lib().png_error(png, "write");
    data += n;
    length -= n;
  }
}

void PngFlush(png_structp) {}

}  // namespace

C_CAIRO::C_CAIRO(const char* nomfic, Format f) : format(f), nom_(nomfic ? nomfic : "") {
  plume_max = 16;
  u_par_cmx = u_par_cmy = 400;
  tr_xmax = 29.7;
  tr_ymax = 21.0;
  NomFichier = nom_.data();
}

C_CAIRO::~C_CAIRO() {
  mute_ = true;  // a drawing never closed writes nothing more
  release();
}

bool C_CAIRO::send_bytes(const unsigned char* data, unsigned length) {
  if (mute_) return true;
  if (tr_out == nullptr) return false;
  if (length == 0) return true;
  return std::fwrite(data, 1, length, tr_out) == length;
}

void C_CAIRO::release() {
  if (cr_ != nullptr) lib_->cairo_destroy(cr_);
  if (surface_ != nullptr) lib_->cairo_surface_destroy(surface_);
  cr_ = nullptr;
  surface_ = nullptr;
}

void C_CAIRO::tr_init() {
  release();
  cr_x = cr_y = 0;
  cr_pen = 1;
  cr_width = 0.2;
  drawing_ = joined_ = gathered_ = false;
}

bool C_CAIRO::open_page() {
  lib_ = CairoLib();
  if (lib_ == nullptr) return false;
  const TCairoLib& L = *lib_;
  const double wcm = bdxm - bdxn, hcm = bdym - bdyn;
  const double k = format == Png ? kPngDpi / 2.54 : kPointsPerCm;  // page units per centimetre
  double w = wcm * k, h = hcm * k;
  switch (format) {
    case Pdf:
      surface_ = L.cairo_pdf_surface_create_for_stream(WriteBytes, this, w, h);
      L.cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_CREATOR, "Corvane");
      break;
    case Svg:
      surface_ = L.cairo_svg_surface_create_for_stream(WriteBytes, this, w, h);
      L.cairo_svg_surface_set_document_unit(surface_, CAIRO_SVG_UNIT_PT);
      break;
    case Png:
      // cairo refuses pictures past 32767 pixels a side (the file is then reported not written).
      w = std::min(std::floor(w + 0.5), 32768.0);
      h = std::min(std::floor(h + 0.5), 32768.0);
      surface_ = L.cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(w),
                                              static_cast<int>(h));
      break;
  }
  cr_ = L.cairo_create(surface_);
  if (format == Png) {
    L.cairo_set_source_rgb(cr_, 1, 1, 1);
    L.cairo_paint(cr_);
  }
  // Device units, y up from the lower-left corner of the bounds.
  L.cairo_translate(cr_, 0, h);
  L.cairo_scale(cr_, k / u_cmx, -k / u_cmy);
  L.cairo_translate(cr_, -bdxn * u_cmx, -bdyn * u_cmy);
  L.cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
  L.cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
  return true;
}

void C_CAIRO::stroke() {
  end_polyline();
  if (!drawing_) return;
  const unsigned char* c = cr_pen >= 0 && cr_pen < 16 ? kColors[cr_pen] : kColors[1];
  lib_->cairo_set_source_rgb(cr_, c[0] / 255.0, c[1] / 255.0, c[2] / 255.0);
  lib_->cairo_set_line_width(cr_, cr_width * 0.1 * u_cmx);
  lib_->cairo_stroke(cr_);
  drawing_ = false;
}

void C_CAIRO::flush_segment() {
  if (!gathered_) return;
  seg_x_ = last_x_;
  seg_y_ = last_y_;
  lib_->cairo_line_to(cr_, seg_x_, seg_y_);
  gathered_ = false;
  cone_ = empty_ = false;
  far2_ = 0;
  length_ = true;
}

void C_CAIRO::end_polyline() {
  if (!joined_) return;
  flush_segment();
  if (!length_) lib_->cairo_line_to(cr_, seg_x_, seg_y_);  // a lone point: a dot, with round caps
  joined_ = false;
}

// A segment from the start of the run to (x, y) passes within kTolerance of every point
// gathered when its direction lies inside the cone of directions that all of them allow, and
// it reaches as far as the farthest of them (to within kTolerance).
bool C_CAIRO::run_fits(int x, int y) const {
  if (empty_) return false;
  const double px = x - seg_x_, py = y - seg_y_;
  if (cone_ && (lo_x_ * py - lo_y_ * px < 0 || px * hi_y_ - py * hi_x_ < 0)) return false;
  return px * px + py * py + kTolerance * kTolerance >= far2_;
}

// Narrows the cone to the directions whose line passes within kTolerance of (x, y): those
// between the two tangents from the start of the run to the circle of that radius around it.
void C_CAIRO::run_add(int x, int y) {
  const double px = x - seg_x_, py = y - seg_y_, d2 = px * px + py * py;
  last_x_ = x;
  last_y_ = y;
  gathered_ = true;
  if (d2 <= kTolerance * kTolerance) return;
  if (d2 > far2_) far2_ = d2;
  const double e = std::sqrt(d2 - kTolerance * kTolerance), t = kTolerance;
  const double lx = px * e + py * t, ly = py * e - px * t;  // turned clockwise
  const double hx = px * e - py * t, hy = py * e + px * t;  // turned counter-clockwise
  if (!cone_) {
    lo_x_ = lx, lo_y_ = ly, hi_x_ = hx, hi_y_ = hy;
    cone_ = true;
    return;
  }
  if (lo_x_ * ly - lo_y_ * lx > 0) lo_x_ = lx, lo_y_ = ly;
  if (hx * hi_y_ - hy * hi_x_ > 0) hi_x_ = hx, hi_y_ = hy;
  if (lo_x_ * hi_y_ - lo_y_ * hi_x_ < 0) empty_ = true;
}

// Every polyline of one pen and width goes into one path, stroked when the pen or the width
// changes; along a polyline, the points that lie within kTolerance (the size of the kernel's
// own rounding) of a longer segment are left out. A dense curve of unit steps becomes a few
// long segments: the same line in far fewer drawing operations.
void C_CAIRO::tr_move(int dx, int dy, int st) {
  if (cr_ == nullptr && !open_page()) return;
  const int x0 = cr_x, y0 = cr_y;
  cr_x += dx;
  cr_y += dy;
  if (st == 0) {
    end_polyline();
    return;
  }
  if (!joined_) {
    lib_->cairo_move_to(cr_, x0, y0);
    seg_x_ = x0;
    seg_y_ = y0;
    gathered_ = cone_ = empty_ = false;
    far2_ = 0;
    joined_ = drawing_ = true;
    length_ = false;
  }
  if (dx == 0 && dy == 0) return;
  if (gathered_ && !run_fits(cr_x, cr_y)) flush_segment();  // the last point ends a segment
  run_add(cr_x, cr_y);
}

void C_CAIRO::tr_pen(int pen) {
  if (cr_ != nullptr) stroke();
  cr_pen = pen;
}

void C_CAIRO::tr_width(double mm) {
  // Moves still queued were drawn before this width was set: they keep the old one.
  bn_flush();
  if (cr_ != nullptr) stroke();
  cr_width = mm;
}

void C_CAIRO::tr_close() {
  if (cr_ == nullptr && !open_page()) {
    tr_fail = true;  // the libraries could not be loaded: the file stays empty
    return;
  }
  const TCairoLib& L = *lib_;
  stroke();
  if (format == Png) {
    L.cairo_surface_flush(surface_);
    if (!write_png()) tr_fail = true;
  } else {
    L.cairo_show_page(cr_);
    L.cairo_surface_finish(surface_);
    if (L.cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) tr_fail = true;
  }
  release();
}

void C_CAIRO::tr_size(int, int) {}

namespace {
[[noreturn]] void PngError(png_structp png, png_const_charp) {
  Lib().png_longjmp(png, 1);
  std::abort();  // not reached: the pointer's type lost the function's noreturn attribute
}
void PngWarning(png_structp, png_const_charp) {}
}  // namespace

// The picture as 8-bit RGB, with its resolution recorded so that documents size it right.
bool C_CAIRO::write_png() {
  const TCairoLib& L = *lib_;
  const int w = L.cairo_image_surface_get_width(surface_);
  const int h = L.cairo_image_surface_get_height(surface_);
  const int stride = L.cairo_image_surface_get_stride(surface_);
  const unsigned char* data = L.cairo_image_surface_get_data(surface_);
  if (data == nullptr || w <= 0 || h <= 0) return false;
  std::vector<unsigned char> row(static_cast<size_t>(w) * 3);
  // libpng's own handlers print to stderr; a failed write is reported by the chart instead.
  png_structp png = L.png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (png == nullptr) return false;
  png_infop info = L.png_create_info_struct(png);
  // png_jmpbuf() through the table: the jump buffer libpng's errors return to.
  if (info == nullptr || setjmp(*L.png_set_longjmp_fn(png, std::longjmp, sizeof(std::jmp_buf)))) {
    L.png_destroy_write_struct(&png, &info);
    return false;
  }
  L.png_set_write_fn(png, this, PngWrite, PngFlush);
  L.png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
  const png_uint_32 ppm = static_cast<png_uint_32>(std::floor(kPngDpi / 0.0254 + 0.5));
  L.png_set_pHYs(png, info, ppm, ppm, PNG_RESOLUTION_METER);
  // Mostly white charts: the Sub filter and the fastest compression keep writing quick (a
  // tenth larger than the default level, in half the time).
  L.png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  L.png_set_compression_level(png, 1);
  L.png_write_info(png, info);
  for (int y = 0; y < h; ++y) {
    const auto* px = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
    for (int x = 0; x < w; ++x) {
      row[3 * x] = static_cast<unsigned char>(px[x] >> 16);
      row[3 * x + 1] = static_cast<unsigned char>(px[x] >> 8);
      row[3 * x + 2] = static_cast<unsigned char>(px[x]);
    }
    L.png_write_row(png, row.data());
  }
  L.png_write_end(png, nullptr);
  L.png_destroy_write_struct(&png, &info);
  return true;
}
