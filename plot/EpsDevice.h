// Encapsulated PostScript output device: each drawn polyline becomes one stroked path of
// absolute moveto (m) and lineto (l) points, its points reduced (plot/PolylineReducer.h), with round caps
// and joins and the line width in millimetres.
#pragma once

#include <string>

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
  // Writes the colour of the current pen if it is not the one last written.
  void wr_col();

 private:
  // Writes the points the reducer kept as lineto lines.
  void take_points();
  // Ends the polyline being drawn: its last points and its stroke.
  void end_polyline();
  // Writes the width of the polyline that starts, when it is not the one last written.
  void wr_width();
  TTampon tampon_{this};      // the file's bytes, written out in large blocks
  PolylineReducer reducer_;   // the polyline being drawn
  double lw_val_ = -1;        // line width last written, in device units (-1 for none)
  std::string nom_;           // owned copy of the file name, NomFichier points into it
};
