// HP-GL output device: relative moves become absolute PU/PD coordinate lists in plotter units.
#include "plot/HpglDevice.h"

#include <cstdio>

C_HPGLA4::C_HPGLA4(const char* nomfic, bool Rt) : Rot(Rt), nom_(nomfic ? nomfic : "") {
  plume_max = 16;
  u_par_cmx = u_par_cmy = 400;
  tr_xmax = Rt ? 21.0 : 29.7;
  tr_ymax = Rt ? 29.7 : 21.0;
  NomFichier = nom_.data();
}

C_HPGLA4::~C_HPGLA4() {}

void C_HPGLA4::tr_init() {
  hp_x = 0;
  hp_y = Rot ? 7700 : 0;
  hp_stat_ = 0;
  hp_pts_ = 0;
  tampon_.Debut();
  char buf[64];
  std::snprintf(buf, sizeof buf, "\rIN;PA%u,%u;VS10;\r\n", 0u, static_cast<unsigned>(hp_y));
  tampon_.Ajoute(buf);
}

void C_HPGLA4::tr_pen(int pen) {
  if (hp_stat_ != 0) {
    tampon_.Ajoute(";\r\n");
    hp_stat_ = 0;
  }
  char buf[24];
  std::snprintf(buf, sizeof buf, "SP%d;\r\n", pen);
  tampon_.Ajoute(buf);
}

void C_HPGLA4::tr_move(int dx, int dy, int st) {
  if (Rot) {
    // Portrait: plotter x follows the page's y, plotter y is 7700 minus the page's x.
    hp_x += dy;
    hp_y -= dx;
  } else {
    hp_x += dx;
    hp_y += dy;
  }
  const char* lead;
  if (hp_stat_ == 0) {
    lead = st ? "PD" : "PU";
    hp_pts_ = 0;
  } else {
    if (hp_stat_ == 1)
      lead = st ? "PD" : ",";
    else
      lead = st ? "," : "PU";
    ++hp_pts_;
  }
  // The command letters or comma, then the absolute pair, in place in the block.
  char* p = tampon_.Place(32);
  while (*lead) *p++ = *lead++;
  p = TTampon::PutInt(p, hp_x);
  *p++ = ',';
  p = TTampon::PutInt(p, hp_y);
  tampon_.Avance(p);
  hp_stat_ = st ? 2 : 1;
  if (NB_PTS > 0 && hp_pts_ >= NB_PTS - 1) {
    tampon_.Ajoute(";\r\n");
    hp_stat_ = 0;
  }
}

void C_HPGLA4::tr_close() {
  if (hp_stat_ != 0) {
    tampon_.Ajoute(";\r\n");
    hp_stat_ = 0;
  }
  tampon_.Vide();
}

void C_HPGLA4::tr_size(int, int) {}

void C_HPGLA4::tr_width(double) {}
