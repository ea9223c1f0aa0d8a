// PDF, SVG and PNG output device: relative moves become stroked polylines on a page the size of
// the drawing bounds, 400 units per centimetre like the other file devices. The PNG picture is
// drawn with cairo; the PDF and SVG files are written directly, in integer device units under
// one page transform.
#pragma once

#include <memory>
#include <string>

#include "plot/DashPattern.h"
#include "plot/PolylineReducer.h"
#include "plot/TrInfo.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;
struct TCairoLib;

class C_CAIRO : public TR_INFO {
 public:
  enum Format { Pdf, Svg, Png };
  static constexpr double kPngDpi = 150;  // resolution of the PNG pictures

  Format format;
  int cr_x = 0, cr_y = 0;  // absolute position in device units
  int cr_pen = 1;          // pen of the polyline being drawn
  double cr_width = 0.2;   // line width in millimetres (scale already applied)

  C_CAIRO(const char* nomfic, Format f);
  ~C_CAIRO() override;

  void tr_init() override;
  void tr_move(int dx, int dy, int st) override;
  void tr_pen(int pen) override;
  void tr_close() override;
  void tr_size(int dx, int dy) override;
  void tr_width(double mm) override;
  void tr_dash(int n, const double* len, bool restart) override;

  // Writes the bytes of the file being built; false on a write error.
  bool send_bytes(const unsigned char* data, unsigned length);

 private:
  // Creates the page from the drawing bounds in force when the first move arrives, so that
  // bounds set after TRINIT give the page its size. Loads cairo and libpng the first time;
  // false when they cannot be loaded (no page, nothing drawn).
  bool open_page();
  // Strokes the polylines drawn since the last pen or width change, in that pen and width.
  void stroke();
  // The path of the polylines being drawn: a polyline starts at (x, y), goes on to (x, y).
  void path_move(int x, int y);
  void path_line(int x, int y);
  // PDF and SVG text: the file's own lines, and the page's drawing (deflated in a PDF), kept in
  // body_ and passed on by pieces.
  void put_raw(const char* s, size_t n);
  void put_rawf(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  void put(const char* s, size_t n) { body_.append(s, n); }
  void put(char c) { body_.push_back(c); }
  void put_int(int v);
  void putf(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  // Passes body_ on to the file; at the end of the page, closes the deflated stream too.
  bool drain(bool end);
  bool open_text_page(double w, double h, double k);
  bool close_text_page();
  // Draws the points the reducer kept.
  void take_points();
  // The lengths of a dash pattern, separated by sep.
  void put_lengths(const DashPattern& d, char sep);
  // Ends the polyline being drawn (the pen goes up or the path is stroked).
  void end_polyline();
  void release();
  bool write_png();

  std::string nom_;                 // owned copy of the file name, NomFichier points into it
  const TCairoLib* lib_ = nullptr;  // cairo and libpng entry points, set by the first page
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  struct Deflate;  // the PDF page's deflated stream
  std::unique_ptr<Deflate> z_;
  bool open_ = false;     // the page is open
  std::string body_;      // drawing text not yet passed on
  long written_ = 0;      // bytes written to the file since the page began
  long offsets_[6] = {};  // where the PDF objects 1 to 6 begin
  long stream_ = 0;       // where the PDF page stream begins
  bool write_ok_ = true;  // every write of the page went through
  int set_pen_ = -1;      // pen and line width in force in the PDF page
  double set_width_ = -1;
  bool drawing_ = false;                       // drawn polylines wait to be stroked
  PolylineReducer reducer_;  // the polyline being drawn, its points reduced
  DashPattern dash_;         // pattern of the polylines that start, and its phase
  DashPattern path_dash_;    // pattern and phase of the path being drawn
  DashPattern set_dash_;     // pattern in force in the PDF page or on the cairo context
  int last_x_ = 0, last_y_ = 0;  // last point of the polyline given to the pattern
  bool mute_ = false;  // no more bytes to the file (device being destroyed)
};
