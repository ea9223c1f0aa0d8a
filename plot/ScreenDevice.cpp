// Screen output device over the screen layer: pen moves become window lines, pens become the
// sixteen named colours, and closing the drawing waits for the space bar.
#include "plot/ScreenDevice.h"

#include "screen/Allegro.h"
#include "screen/Graphisme.h"

namespace {
// Colour names of the pen numbers 0 to 15, in the order of TRColors.
const char* const kPenColours[16] = {
    "white", "black",  "blue",      "green",      "red",  "gray",      "cyan",      "magenta",
    "brown", "yellow", "lightblue", "lightgreen", "pink", "lightgrey", "lightcyan", "violet"};

// Allegro's entry points, loaded by the window the constructor opens (InitGraph).
const TAllegro* Al() { return AllegroCharge(); }
}  // namespace

C_SCR::C_SCR() {
  fenetre = InitGraph(503, 703) == 0;
  wn_absx = wn_absy = 1;
  plume_max = 15;
  u_par_cmx = u_par_cmy = 50;
  NomFichier = nullptr;
  tr_xmax = 10;
  tr_ymax = 14;
  if (fenetre) AlMoveTo(1, 1);
}

C_SCR::~C_SCR() {
  if (fenetre) al_destroy_context();
}

void C_SCR::tr_init() {
  wn_absx = wn_absy = 1;
  tr_xmax = 500 / u_par_cmx;
  tr_ymax = 700 / u_par_cmy;
  // Without Allegro (it could not be loaded) nothing is drawn and the pens keep no colour.
  if (const TAllegro* a = Al())
    for (int i = 0; i < 16; i++) col[i] = a->al_color_name(kPenColours[i]);
}

void C_SCR::tr_move(int dx, int dy, int statut) {
  wn_absx += dx;
  wn_absy += dy;
  if (!fenetre) return;
  if (statut)
    AlLineTo(wn_absx, wn_absy);
  else
    AlMoveTo(wn_absx, wn_absy);
}

void C_SCR::tr_pen(int _pen) {
  if (fenetre && _pen >= 0 && _pen < 16) AlSetColor(col[_pen]);
}

void C_SCR::tr_close() {
  if (!fenetre) return;
  Al()->al_flip_display();
  CloseGraph();
  fenetre = false;
}

void C_SCR::tr_size(int, int) {}

void C_SCR::tr_width(double mm) {
  if (fenetre) AlSetEp((u_par_cmx + u_par_cmy) * 0.5 * 0.1 * mm);
}
