// Screen output device: draws the plotting kernel's moves into the window of the screen layer,
// 50 pixels per centimetre on a 10 x 14 cm page.
#pragma once

#include <allegro5/allegro.h>

#include "plot/TrInfo.h"

class C_SCR : public TR_INFO {
 public:
  int wn_absx = 1, wn_absy = 1;  // absolute pen position in window pixels
  ALLEGRO_COLOR col[16] = {};    // colour of each pen number
  // True while this device's window is open. False when the window could not be opened: the
  // device then draws nothing and its close does not wait.
  bool fenetre = false;

  C_SCR();
  // Closes the window without waiting if the drawing was never closed.
  ~C_SCR() override;

  void tr_init() override;
  void tr_move(int dx, int dy, int statut) override;
  void tr_pen(int _pen) override;
  void tr_close() override;
  void tr_size(int dx, int dy) override;
  void tr_width(double mm) override;
};
