// HP-GL output device for an A4 plotter, landscape or rotated to portrait.
#pragma once

#include <string>

#include "plot/Tampon.h"
#include "plot/TrInfo.h"

class C_HPGLA4 : public TR_INFO {
 public:
  int NB_PTS = 0;          // most coordinate pairs in one PU/PD list; 0 = no limit
  int hp_stat_ = 0;        // 0 no open list, 1 open PU list, 2 open PD list
  int hp_pts_ = 0;         // pairs appended to the open list after its first
  int hp_x = 0, hp_y = 0;  // absolute plotter position
  bool Rot = false;        // portrait output

  C_HPGLA4(const char* nomfic, bool Rt);
  ~C_HPGLA4() override;

  void tr_init() override;
  void tr_move(int dx, int dy, int st) override;
  void tr_pen(int pen) override;
  void tr_close() override;
  void tr_size(int dx, int dy) override;
  void tr_width(double mm) override;

 private:
  TTampon tampon_{this};  // the file's bytes, written out in large blocks
  std::string nom_;       // owned copy of the file name, NomFichier points into it
};
