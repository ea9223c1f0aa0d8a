// Encapsulated PostScript output device: each drawn polyline becomes one stroked path of
// absolute moveto (m) and lineto (l) points, its points reduced (plot/PolylineReducer.h), with round caps
// and joins, the line width in millimetres and dashed lines stroked with setdash.
#pragma once

#include <string>

#include "plot/DashPattern.h"
#include "plot/PolylineReducer.h"
#include "plot/Tampon.h"
#include "plot/TrInfo.h"

class C_EPS : public TR_INFO {
 public:
  int ps_x = 0, ps_y = 0;  // absolute position in device units
  int ps_pen = 1;          // pen selected by the kernel
  int ps_pen1 = -1;        // pen whose colour was last written, -1 for none

  explicit C_EPS(const char* nomfic);
  ~C_EPS() override;

  void tr_init() override;
  void tr_move(int dx, int dy, int st) override;
  void tr_pen(int pen) override;
  void tr_close() override;
  void tr_size(int dx, int dy) override;
  void tr_width(double mm) override;
  void tr_dash(int n, const double* len, bool restart) override;
  // Writes the colour of the current pen if it is not the one last written.
  void wr_col();

 private:
  // Writes the points the reducer kept as lineto lines.
  void take_points();
  // Ends the polyline being drawn: its last points and its stroke.
  void end_polyline();
  // Writes the width of the polyline that starts, when it is not the one last written.
  void wr_width();
  // Writes the dash pattern and phase of the polyline that starts, when they change.
  void wr_dash();
  TTampon tampon_{this};      // the file's bytes, written out in large blocks
  PolylineReducer reducer_;   // the polyline being drawn
  double lw_val_ = -1;        // line width last written, in device units (-1 for none)
  double width_mm_ = 0.25;    // line width of the polylines that start, in millimetres
  DashPattern dash_;          // pattern of the polylines that start, and its phase
  DashPattern written_dash_;  // pattern in force in the file (solid at first)
  int last_x_ = 0, last_y_ = 0;  // last point of the polyline given to the pattern
  std::string nom_;           // owned copy of the file name, NomFichier points into it
};
