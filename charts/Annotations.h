// Annotations drawn inside a chart's frame: labels beside marked points (the margins) and the
// legend box that names each drawn curve with a sample of its pen and line style.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "charts/Axes.h"
#include "plot/MDGraph.h"

// The frame of the current viewport, in absolute centimetres.
struct TCadre {
  double xn, xm, yn, ym;
};
TCadre CadreCourant(TR_INFO* G);

// Prints texte (text slot 0, hauteur cm high, thin) beside the user point (x, y) of the current
// window: right of it, else left of it, else above or below, the first place whose box stands
// within the frame and is free in places; the label goes on a white ground and its box into
// places. False (nothing drawn) when no place fits. Slot 0 and the pen position are left as
// they were.
bool EtiquetteRepere(TR_INFO* G, double x, double y, const char* texte, double hauteur,
                     TEtiquettes* places);

// The legend of a chart. Once the viewport of the curves is set, the chart starts it (Prepare),
// shows it every curve it draws (Note, Coupe) and the labels it placed inside the frame
// (NoteBoite), names its curves (Ajoute) and last draws it (Trace) in the corner of the frame
// that the curves and labels use least. The curves are noted on a grid of small cells, so that
// neither the entries nor the size of the box need be known while they are drawn.
class TLegende {
 public:
  // One line of the legend: its text, the curve's pen and width (mm), its line style (solid
  // when tiret is 0, else the dashes of Tirets(tiret, blanc)) and the marker its curve carries
  // (-1: none).
  struct TEntree {
    std::string texte;
    int plume;
    double ep;
    double tiret, blanc;
    int marque = -1;
  };
  // Corners, in the order they are preferred when they are equally free.
  enum TCoin { HautDroit = 0, HautGauche = 1, BasDroit = 2, BasGauche = 3 };

  static constexpr double kHauteur = 0.3;  // text height, cm
  static constexpr double kLigne = 0.5;    // line spacing, cm
  static constexpr double kMarge = 0.2;    // inner margin, and gap to the frame, cm
  static constexpr double kEchantillon = 1.2;  // length of a line sample, cm
  static constexpr double kPasMarques = 2.5;    // markers along a curve, cm apart
  static constexpr double kTailleMarque = 0.25;  // cm

  // The marker of each curve of pens plumes (one a function), in order: where two functions
  // share a pen (every one of them in black and white), each function of a shared pen gets its
  // own marker, so that the legend tells them apart; -1 for the others.
  static std::vector<int> Marques(const std::vector<int>& plumes);

  void Ajoute(const TEntree& e) { entrees_.push_back(e); }
  size_t Entrees() const { return entrees_.size(); }
  // Takes the frame of the current viewport and forgets what was noted.
  void Prepare(TR_INFO* G);
  // Notes the points (x[i], y[i]) of the current window, drawn as a polyline continuing the
  // last point noted; a point that is not finite breaks the line.
  void Note(TR_INFO* G, const double* x, const double* y, size_t n);
  // The next point noted starts a new line.
  void Coupe() { suite_ = false; }
  // The next point noted starts a new curve, which carries marker marque (-1: none) every
  // kPasMarques cm along it, the first one decalage cm from its start.
  void Courbe(int marque, double decalage);
  // Draws the markers of the curve noted since Courbe (solid, kTailleMarque cm, in the pen in
  // force), those that fall whole inside the frame; the marker setting is restored.
  void TraceMarques(TR_INFO* G);
  // Notes a label placed inside the frame.
  void NoteBoite(const TBoite& b);
  // Measures the entries and chooses the legend's box: of the corners whose box overlaps no
  // label noted, the one that covers the least of the curves (cm of line, counted by whole
  // cells), the first of the order above on a tie; when every corner overlaps a label, the place
  // along the frame's edges, 0.25 cm apart, that overlaps none and covers the least of the
  // curves; when there is none, the corner that overlaps the fewest labels.
  void Place(TR_INFO* G);
  // Cm of curve in the box of corner c, and labels it overlaps.
  double Occupation(int c) const { return occupe_[c]; }
  int Etiquettes(int c) const { return chevauche_[c]; }
  // The corner chosen by Place, or -1 when the box lies along an edge.
  int Coin() const { return coin_; }
  // The box of corner c, and the box chosen, in absolute centimetres.
  TCadre Boite(int c) const { return boites_[c]; }
  TCadre Choisie() const { return choisie_; }
  // Places the legend and draws it in its box, which then goes into places when places is not
  // null (unless it overlaps a label there): white ground, thin black frame, and for each entry a
  // sample of the line in its pen, width and style, then its text. Pens are used only in
  // colour (couleurs); the pen, width, line style and window in force are restored (the line
  // style as solid).
  void Trace(TR_INFO* G, bool couleurs, TEtiquettes* places = nullptr);
  // Notes every label of places (those inside the frame are the ones that count).
  void NoteEtiquettes(const TEtiquettes& places) {
    for (const TBoite& b : places.Boites()) NoteBoite(b);
  }

 private:
  static constexpr double kCellule = 0.25;  // side of a cell, cm
  std::vector<TEntree> entrees_;
  TCadre cadre_ = {};
  int nx_ = 0, ny_ = 0;          // cells across and up the frame
  std::vector<double> cellules_;  // cm of curve in each cell, row after row
  std::vector<TBoite> etiquettes_;
  TCadre boites_[4] = {};
  double occupe_[4] = {};
  int chevauche_[4] = {};
  int coin_ = 0;
  TCadre choisie_ = {};
  // Cm of curve and labels noted in the box r.
  double Encre(const TCadre& r) const;
  int Chevauche(const TCadre& r) const;
  bool suite_ = false;
  double px_ = 0, py_ = 0;  // last point noted, absolute cm
  int marque_ = -1;         // marker of the curve being noted
  double prochaine_ = 0;    // cm of the curve left before its next marker
  std::vector<double> marques_;  // markers to draw, x and y in absolute cm
};
