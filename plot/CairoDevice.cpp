// PDF, SVG and PNG output device, written through the file that TRINIT opened. Polylines are
// stroked with round joins and caps, in the pen colours of the PostScript device. The PNG
// picture is drawn by cairo and written by libpng. The PDF and SVG files are written here, as
// text: cairo formats every coordinate with printf and deflates the PDF at its default level,
// which made those charts slower than the EPS of the same chart; here each coordinate is an
// integer of the kernel and one transform puts the page in points. The libraries (cairo, libpng,
// zlib for the PDF stream) are loaded by the first PDF or PNG page (plot/CairoLib.h); when they
// cannot be, nothing is drawn and closing reports the file as not written.
#include "plot/CairoDevice.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <csetjmp>
#include <cstdarg>
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

// Drawing text gathered before it goes to the file (or to the deflated stream).
constexpr size_t kBodyChunk = 1 << 16;

// zlib's fastest level: the page's text is made of repeated digits, spaces and operators, which
// the fast level packs nearly as well as the default one in a fraction of the time.
constexpr int kDeflateLevel = 1;

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

// The PDF page's content stream, deflated as it is written.
struct C_CAIRO::Deflate {
  const TCairoLib& lib;
  z_stream z{};
  bool ok;
  unsigned char out[1 << 15];
  explicit Deflate(const TCairoLib& l)
      : lib(l), ok(l.deflateInit_(&z, kDeflateLevel, ZLIB_VERSION, sizeof z) == Z_OK) {}
  ~Deflate() {
    if (ok) lib.deflateEnd(&z);
  }
};

C_CAIRO::C_CAIRO(const char* nomfic, Format f) : format(f), nom_(nomfic ? nomfic : "") {
  plume_max = 16;
  u_par_cmx = u_par_cmy = 400;
  tr_xmax = 29.7;
  tr_ymax = 21.0;
  NomFichier = nom_.data();
  dash_native = true;  // dashed lines are stroked with the format's dash pattern
  width_flush = true;  // a change of width strokes the path: every queued move goes first
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
  z_.reset();
  body_.clear();
  open_ = false;
}

void C_CAIRO::tr_init() {
  release();
  cr_x = cr_y = 0;
  cr_pen = 1;
  cr_width = 0.2;
  drawing_ = false;
  dash_ = path_dash_ = set_dash_ = DashPattern();
  reducer_ = PolylineReducer();
  written_ = 0;
  write_ok_ = true;
  set_pen_ = -1;
  set_width_ = -1;
}

bool C_CAIRO::open_page() {
  const double wcm = bdxm - bdxn, hcm = bdym - bdyn;
  const double k = format == Png ? kPngDpi / 2.54 : kPointsPerCm;  // page units per centimetre
  double w = wcm * k, h = hcm * k;
  if (format != Png) return open_ = open_text_page(w, h, k);
  lib_ = CairoLib();
  if (lib_ == nullptr) return false;
  const TCairoLib& L = *lib_;
  // cairo refuses pictures past 32767 pixels a side (the file is then reported not written).
  w = std::min(std::floor(w + 0.5), 32768.0);
  h = std::min(std::floor(h + 0.5), 32768.0);
  surface_ =
      L.cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(w), static_cast<int>(h));
  cr_ = L.cairo_create(surface_);
  L.cairo_set_source_rgb(cr_, 1, 1, 1);
  L.cairo_paint(cr_);
  // Device units, y up from the lower-left corner of the bounds.
  L.cairo_translate(cr_, 0, h);
  L.cairo_scale(cr_, k / u_cmx, -k / u_cmy);
  L.cairo_translate(cr_, -bdxn * u_cmx, -bdyn * u_cmy);
  L.cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
  L.cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
  return open_ = true;
}

// The page w x h points, k points per centimetre. Paths are written in device units, under one
// transform to points: y up from the lower-left corner of the bounds in the PDF, down from the
// upper-left corner in the SVG.
bool C_CAIRO::open_text_page(double w, double h, double k) {
  const double sx = k / u_cmx, sy = k / u_cmy, tx = 0.0 - bdxn * k;
  if (format == Svg) {
    put_rawf(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%fpt\" height=\"%fpt\" "
        "viewBox=\"0 0 %f %f\" version=\"1.1\">\n"
        "<g fill=\"none\" stroke-linecap=\"round\" stroke-linejoin=\"round\" "
        "transform=\"matrix(%.10g 0 0 %.10g %.10g %.10g)\">\n",
        w, h, w, h, sx, -sy, tx, h + bdyn * k);
    body_.reserve(kBodyChunk + 512);
    return true;
  }
  lib_ = CairoLib();
  if (lib_ == nullptr) return false;
  z_ = std::make_unique<Deflate>(*lib_);
  if (!z_->ok) return false;
  body_.reserve(kBodyChunk + 512);
  // Catalog, page tree, page, then the page's stream, its length coming after it.
  put_raw("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n", 15);
  offsets_[0] = written_;
  put_rawf("1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
  offsets_[1] = written_;
  put_rawf("2 0 obj\n<< /Type /Pages /Kids [3 0 R] /Count 1 >>\nendobj\n");
  offsets_[2] = written_;
  put_rawf(
      "3 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %f %f] /Resources << >> "
      "/Contents 4 0 R >>\nendobj\n",
      w, h);
  offsets_[3] = written_;
  put_rawf("4 0 obj\n<< /Length 5 0 R /Filter /FlateDecode >>\nstream\n");
  stream_ = written_;
  putf("%.10g 0 0 %.10g %.10g %.10g cm\n1 J 1 j\n", sx, sy, tx, -bdyn * k);
  return true;
}

bool C_CAIRO::close_text_page() {
  if (format == Svg) {
    put("</g>\n</svg>\n", 12);
    drain(false);
    return write_ok_;
  }
  if (!drain(true)) return false;
  const long length = written_ - stream_;
  put_rawf("\nendstream\nendobj\n");
  offsets_[4] = written_;
  put_rawf("5 0 obj\n%ld\nendobj\n", length);
  offsets_[5] = written_;
  put_rawf("6 0 obj\n<< /Creator (Corvane) /Producer (Corvane) >>\nendobj\n");
  const long xref = written_;
  put_rawf("xref\n0 7\n0000000000 65535 f \n");
  for (long o : offsets_) put_rawf("%010ld 00000 n \n", o);
  put_rawf("trailer\n<< /Size 7 /Root 1 0 R /Info 6 0 R >>\nstartxref\n%ld\n%%%%EOF\n", xref);
  return write_ok_;
}

void C_CAIRO::put_raw(const char* s, size_t n) {
  if (mute_ || n == 0) return;
  if (tr_out == nullptr || std::fwrite(s, 1, n, tr_out) != n) write_ok_ = false;
  written_ += static_cast<long>(n);
}

namespace {

// One formatted line into buf (512 bytes: the longest line written is the SVG header); its length.
size_t Formate(char (&buf)[512], const char* fmt, va_list ap) {
  const int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
  return n > 0 ? std::min(static_cast<size_t>(n), sizeof buf - 1) : 0;
}

}  // namespace

void C_CAIRO::put_rawf(const char* fmt, ...) {
  char buf[512];
  va_list ap;
  va_start(ap, fmt);
  const size_t n = Formate(buf, fmt, ap);
  va_end(ap);
  put_raw(buf, n);
}

void C_CAIRO::putf(const char* fmt, ...) {
  char buf[512];
  va_list ap;
  va_start(ap, fmt);
  const size_t n = Formate(buf, fmt, ap);
  va_end(ap);
  if (n > 0) put(buf, n);
}

void C_CAIRO::put_int(int v) {
  char buf[16];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  put(buf, static_cast<size_t>(r.ptr - buf));
}

bool C_CAIRO::drain(bool end) {
  if (format == Svg) {
    put_raw(body_.data(), body_.size());
    body_.clear();
    return write_ok_;
  }
  if (!z_ || !z_->ok) return false;
  z_stream& z = z_->z;
  z.next_in = reinterpret_cast<Bytef*>(body_.data());
  z.avail_in = static_cast<uInt>(body_.size());
  int rc;
  do {
    z.next_out = z_->out;
    z.avail_out = sizeof z_->out;
    rc = lib_->deflate(&z, end ? Z_FINISH : Z_NO_FLUSH);
    if (rc == Z_STREAM_ERROR) return false;
    put_raw(reinterpret_cast<const char*>(z_->out), sizeof z_->out - z.avail_out);
  } while (z.avail_out == 0 || (end && rc != Z_STREAM_END));
  body_.clear();
  return write_ok_;
}

void C_CAIRO::path_move(int x, int y) {
  if (format == Png) {
    lib_->cairo_move_to(cr_, x, y);
    return;
  }
  if (!drawing_) {  // the first polyline of a pen, width and dash pattern: they go first
    const unsigned char* c = cr_pen >= 0 && cr_pen < 16 ? kColors[cr_pen] : kColors[1];
    const double lw = cr_width * 0.1 * u_cmx;
    if (format == Svg) {
      putf("<path stroke=\"#%02x%02x%02x\" stroke-width=\"%.6g\" ", c[0], c[1], c[2], lw);
      if (path_dash_.Dashed()) {
        put("stroke-dasharray=\"", 18);
        put_lengths(path_dash_, ',');
        putf("\" stroke-dashoffset=\"%.6g\" ", path_dash_.Phase());
      }
      put("d=\"", 3);
    } else {
      if (cr_pen != set_pen_) putf("%.6g %.6g %.6g RG\n", c[0] / 255.0, c[1] / 255.0, c[2] / 255.0);
      if (lw != set_width_) putf("%.6g w\n", lw);
      if (!path_dash_.SameAs(set_dash_)) {  // "[d1 b1 ...] phase d", or "[] 0 d"
        put('[');
        if (path_dash_.Dashed()) put_lengths(path_dash_, ' ');
        putf("] %.6g d\n", path_dash_.Dashed() ? path_dash_.Phase() : 0.0);
        set_dash_ = path_dash_;
      }
      set_pen_ = cr_pen;
      set_width_ = lw;
    }
  }
  if (format == Svg) put('M');
  put_int(x);
  put(' ');
  put_int(y);
  if (format == Pdf) put(" m\n", 3);
}

void C_CAIRO::path_line(int x, int y) {
  if (format == Png) {
    lib_->cairo_line_to(cr_, x, y);
    return;
  }
  if (format == Svg) put('L');
  put_int(x);
  put(' ');
  put_int(y);
  if (format == Pdf) put(" l\n", 3);
  if (body_.size() >= kBodyChunk) drain(false);  // a long path goes on by pieces
}

void C_CAIRO::stroke() {
  end_polyline();
  if (!drawing_) return;
  drawing_ = false;
  if (format != Png) {
    if (format == Svg)
      put("\"/>\n", 4);
    else
      put("S\n", 2);
    return;
  }
  const unsigned char* c = cr_pen >= 0 && cr_pen < 16 ? kColors[cr_pen] : kColors[1];
  lib_->cairo_set_source_rgb(cr_, c[0] / 255.0, c[1] / 255.0, c[2] / 255.0);
  lib_->cairo_set_line_width(cr_, cr_width * 0.1 * u_cmx);
  if (!path_dash_.SameAs(set_dash_)) {
    if (path_dash_.Dashed())
      lib_->cairo_set_dash(cr_, path_dash_.Lengths(), path_dash_.Count(), path_dash_.Phase());
    else
      lib_->cairo_set_dash(cr_, nullptr, 0, 0);
    set_dash_ = path_dash_;
  }
  lib_->cairo_stroke(cr_);
}

// The points the reducer kept go to the path.
void C_CAIRO::take_points() {
  std::vector<PolylineReducer::Point>& pts = reducer_.Points();
  if (dash_.Dashed()) {  // the pattern runs on along the points kept, as they are stroked
    for (const PolylineReducer::Point& p : pts) {
      dash_.Advance(last_x_, last_y_, p.x, p.y);
      last_x_ = p.x;
      last_y_ = p.y;
    }
  }
  for (const PolylineReducer::Point& p : pts) path_line(p.x, p.y);
  pts.clear();
}

void C_CAIRO::put_lengths(const DashPattern& d, char sep) {
  for (int i = 0; i < d.Count(); ++i) {
    if (i > 0) put(sep);
    putf("%.6g", d.Lengths()[i]);
  }
}

void C_CAIRO::end_polyline() {
  if (!reducer_.Active()) return;
  reducer_.End();
  take_points();
}

// Every polyline of one pen and width goes into one path, stroked when the pen or the width
// changes; along a polyline, the points within one unit of a longer segment are left out
// (plot/PolylineReducer.h).
void C_CAIRO::tr_move(int dx, int dy, int st) {
  if (!open_ && !open_page()) return;
  const int x0 = cr_x, y0 = cr_y;
  cr_x += dx;
  cr_y += dy;
  if (st == 0) {
    end_polyline();
    return;
  }
  if (!reducer_.Active()) {
    // A dashed polyline starts where the pattern stands now: the path is stroked first when the
    // pattern it was begun in stood elsewhere (each polyline of a path starts at the path's
    // phase). Solid polylines share one path.
    if (drawing_ && !dash_.SameAs(path_dash_)) stroke();
    if (!drawing_) path_dash_ = dash_;
    path_move(x0, y0);
    reducer_.Begin(x0, y0);
    last_x_ = x0;
    last_y_ = y0;
    drawing_ = true;
  }
  reducer_.Step(dx, dy);
  if (!reducer_.Points().empty()) take_points();
}

void C_CAIRO::tr_pen(int pen) {
  if (open_) stroke();
  cr_pen = pen;
}

void C_CAIRO::tr_width(double mm) {
  // Moves still queued were drawn before this width was set (the kernel sends them first,
  // width_flush): they keep the old one.
  if (open_) stroke();
  cr_width = mm;
}

// The path drawn so far is stroked in the pattern it was begun in; the next takes the new one.
void C_CAIRO::tr_dash(int n, const double* len, bool restart) {
  if (open_) stroke();
  dash_.Set(n, len, restart);
}

void C_CAIRO::tr_close() {
  if (!open_ && !open_page()) {
    tr_fail = true;  // the libraries could not be loaded: the file stays empty
    release();
    return;
  }
  stroke();
  if (format == Png) {
    lib_->cairo_surface_flush(surface_);
    if (!write_png()) tr_fail = true;
  } else if (!close_text_page()) {
    tr_fail = true;
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
