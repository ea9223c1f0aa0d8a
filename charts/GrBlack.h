// Black-Nichols chart: open-loop gain (dB) against open-loop phase (degrees), with its grid,
// the Nichols iso-gain and iso-phase contours, the critical point and the loci of the functions.
#pragma once

#include <string>
#include <vector>

#include "charts/Axes.h"
#include "plot/MDGraph.h"

class TFctTransfert;
class TTableCsv;
class TContoursNichols;

// One Nichols contour and its label. Iso-gain rows: v closed-loop gain (dB), n..m closed-loop
// phases swept (degrees), ptxt the phase of the label. Iso-phase rows: v closed-loop phase
// (degrees), n..m closed-loop gains swept (dB), ptxt the gain of the label. ptxt >= 1e10: no
// label.
struct T_CRB {
  double v;
  double n;
  double m;
  double ptxt;
  double px;  // horizontal justification of the label
  double py;  // vertical justification of the label
  const char* txt;
  double rot;  // degrees added to the label's angle
};

constexpr int kNbIsoGain = 59;
constexpr int kNbIsoPhase = 40;
extern const T_CRB mdb[kNbIsoGain];
extern const T_CRB mph[kNbIsoPhase];

class GrBlack {
 public:
  TMDGraph* G = nullptr;  // device holder, not owned
  int CloseErr = 0;  // what closing the drawing returned: not 0 when its file was not written whole

  // Draws the whole chart.
  void Trace();
  // Rectangular grid: phase lines every dp degrees, gain lines every dm dB, with labels.
  void quadrill(double dp, double dm);
  // Every iso-gain and iso-phase contour with its label.
  void nichols();
  // The label of a contour where it overlaps no label placed before (moved along the contour,
  // or left out), on a white ground.
  void affgain(const T_CRB* c);
  void affphase(const T_CRB* c);
  // Locus of h in its current loop mode, with frequency marks; false when an evaluation failed.
  bool TraceFctTransfert(TFctTransfert* h);
  // Puts the numbers of the chart's loci in t: the frequencies, then the phase (degrees) and
  // gain (dB) of each function in each loop mode drawn, each announced by the line Trace prints
  // for its locus (grid and contours are not computed); false when an evaluation failed.
  bool Table(TTableCsv* t);

  // Angular frequencies of the locus points, from the settings.
  static std::vector<double> Frequences();
  // Phase (degrees) and gain (dB) of h in its current loop mode at each frequency of w; false
  // when an evaluation failed, the points before it being kept.
  static bool Lieu(TFctTransfert* h, const std::vector<double>& w, std::vector<double>* phase,
                   std::vector<double>* gain);

 private:
  static constexpr int kEssais = 12;  // places tried on either side of a contour label's own
  // Prints texte at the pen's position (slot 0) at ang degrees, thin, and keeps its box.
  void Etiquette(const std::string& texte, double ang);
  // fmt formatted with v, in texte_.
  const char* Texte(const char* fmt, double v);
  bool PlaceSurContour(const T_CRB* c, double t, double dt, double pas, double tn, double tm,
                       bool (*point)(const T_CRB*, double, double*, double*), bool diagnostic);
  TContoursNichols* contours_ = nullptr;  // points computed ahead by Trace, not owned
  std::vector<TBoite> places_;            // boxes of the labels placed so far
  char texte_[64] = {};
};
