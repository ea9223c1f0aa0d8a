// Black-Nichols chart: open-loop gain (dB) against open-loop phase (degrees), with its grid,
// the Nichols iso-gain and iso-phase contours, the critical point and the loci of the functions.
#pragma once

#include <string>
#include <vector>

#include "charts/Annotations.h"
#include "charts/Axes.h"
#include "charts/Nichols.h"
#include "plot/MDGraph.h"
#include "plot/Recording.h"

class TFctTransfert;
class TTableCsv;

// Nichols contours already drawn, kept as the device calls they made (and the lines they
// printed) for the next Black charts that draw them from the same kernel state with the same
// pen settings: those replay the calls instead of computing and drawing the contours again.
class TCacheNichols {
 public:
  // One drawing of the contours: the device calls, the lines printed, the label boxes placed
  // before (part of what it fits) and after, the pen settings and the page's scale.
  struct Entree {
    TRecording dessin;
    std::string texte;
    TEtiquettes placesAvant, placesApres;
    bool couleurs = false;
    int couleur = 0;
    double epaisseur = 0, u_cmx = 0, u_cmy = 0, mul = 0;
    double grille = 0;  // width (mm) of the grid whose frame the labels kept clear of; -1: none
  };
  // The drawing that fits g in its current state, the pen settings, the grid (grille as in
  // Entree) and the labels placed, or null.
  const Entree* Trouve(const TR_INFO& g, bool couleurs, int couleur, double grille,
                       const TEtiquettes& places) const;
  // Keeps a drawing, the oldest going when kEntrees are kept.
  void Ajoute(Entree e);

 private:
  static constexpr size_t kEntrees = 4;  // some 0.4 MB each
  std::vector<Entree> entrees_;
};

class GrBlack {
 public:
  TMDGraph* G = nullptr;  // device holder, not owned
  TCacheNichols* Cache = nullptr;  // contours drawn by earlier charts, kept there; not owned
  int CloseErr = 0;  // what closing the drawing returned: not 0 when its file was not written whole
  TEtiquettes Etiquettes;  // the labels placed on the page by the last Trace
  // How the contours and their labels are drawn: in place, or by pieces that a context whose
  // device does nothing records and the chart's device replays, on this thread alone or with a
  // second core's help when there is one (else in place). The same bytes every way.
  enum Facon { kEnPlace, kParPieces, kDeuxCoeurs };
  Facon Contours = kDeuxCoeurs;

  // Draws the whole chart.
  void Trace();
  // Rectangular grid: phase lines every dp degrees, gain lines every dm dB, with labels.
  void quadrill(double dp, double dm);
  // Every iso-gain and iso-phase contour with its label; replayed from Cache when it fits.
  void nichols();
  // The same, computed and drawn.
  void dessine();
  // Contour i (of mdb, then mph) drawn on g.
  static void Contour(TR_INFO* g, int i);
  // The labels of contours de to a - 1, drawn on g (the chart's context or one that records
  // for it).
  void EtiquettesContours(TR_INFO* g, int de, int a);
  // Every contour and its label by pieces (Contours), on a second core with deux_coeurs.
  void ParPieces(bool deux_coeurs);
  // The label of a contour where it overlaps no label placed before (moved along the contour,
  // or left out), on a white ground.
  void affgain(TR_INFO* g, const T_CRB* c);
  void affphase(TR_INFO* g, const T_CRB* c);
  // Locus of h in its current loop mode, with frequency marks; false when an evaluation failed.
  bool TraceFctTransfert(TFctTransfert* h);
  // Marks on the open-loop locus of h (its points phase/gain at the frequencies w) the
  // margins the properties report finds: the point at -180 degrees with the gain margin, the
  // point at 0 dB with the phase margin, each joined to the critical point (when the locus
  // meets it on the same turn) and labelled with its value.
  void TraceMarges(TFctTransfert* h, const std::vector<double>& w,
                   const std::vector<double>& phase);
  // Puts the numbers of the chart's loci in t: the frequencies, then the phase (degrees) and
  // gain (dB) of each function in each loop mode drawn, each announced by the line Trace prints
  // for its locus (grid and contours are not computed); false when an evaluation failed.
  bool Table(TTableCsv* t);

  // Angular frequencies of the locus points, from the settings.
  static std::vector<double> Frequences();
  // Phase (degrees) and gain (dB) of h in its current loop mode at each frequency of w; false
  // when an evaluation failed, the points before it being kept. With produit, as Value gives
  // them with its produit (the same to within rounding, for the drawing).
  static bool Lieu(TFctTransfert* h, const std::vector<double>& w, std::vector<double>* phase,
                   std::vector<double>* gain, bool produit = false);

 private:
  static constexpr int kEssais = 12;  // places tried on either side of a contour label's own
  // Prints texte at the pen's position (slot 0) at ang degrees, thin, and keeps its box; left
  // out where its box would overlap one placed before or leave the page.
  void Etiquette(const std::string& texte, double ang);
  // fmt formatted with v, in texte_.
  const char* Texte(const char* fmt, double v);
  // The shift (cm) that brings the box b of a contour's label inside the grid's frame, clear of
  // its edges and their ticks, when it lies across them; false when it cannot stand there.
  bool HorsDuBord(TR_INFO* g, const TBoite& b, double* dx, double* dy) const;
  bool PlaceSurContour(TR_INFO* g, const T_CRB* c, double t, double dt, double pas, double tn,
                       double tm, bool (*point)(const T_CRB*, double, double*, double*),
                       bool diagnostic);
  TLegende* legende_ = nullptr;           // the legend being filled while set, not owned
  int marque_ = -1;                       // marker of the loci being drawn (-1: none)
  double decalage_ = 0;                   // cm along them to their first marker
  char texte_[64] = {};
  std::string* dit_ = nullptr;  // the contours' printed lines go there too while set
  std::string lignes_;          // the lines the contours' labels print, printed once drawn
};
