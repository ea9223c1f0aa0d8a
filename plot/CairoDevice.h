// PDF, SVG and PNG output device drawn with cairo: relative moves become stroked polylines on a
// page the size of the drawing bounds, 400 units per centimetre like the other file devices.
#pragma once

#include <string>

#include "plot/TrInfo.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

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

  // Writes the bytes of the file being built; false on a write error.
  bool send_bytes(const unsigned char* data, unsigned length);

 private:
  // Creates the page from the drawing bounds in force when the first move arrives, so that
  // bounds set after TRINIT give the page its size.
  void open_page();
  // Strokes the polyline drawn since the last pen-up, with its pen's colour and width.
  void stroke();
  void release();
  bool write_png();

  std::string nom_;  // owned copy of the file name, NomFichier points into it
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  bool drawing_ = false;  // a drawn polyline waits to be stroked
  bool mute_ = false;     // no more bytes to the file (device being destroyed)
};
