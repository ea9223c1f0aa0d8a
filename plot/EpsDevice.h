// Encapsulated PostScript output device: relative moves become absolute moveto/lineto paths.
#pragma once

#include <string>

#include "plot/Tampon.h"
#include "plot/TrInfo.h"

class C_EPS : public TR_INFO {
 public:
  int ps_stat_ = 0;  // 0 closed, 1 last output a move, 2 last output a draw, 3 pen just selected
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
  TTampon tampon_{this};  // the file's bytes, written out in large blocks
  double lw_val_ = 0;     // line width of the last width line formatted
  char lw_txt_[64] = {};  // that line
  size_t lw_len_ = 0;     // its length, 0 for none
  std::string nom_;       // owned copy of the file name, NomFichier points into it
};
