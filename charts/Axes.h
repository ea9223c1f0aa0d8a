// Axes helpers shared by the charts: nice-value rounding, the value-axis grid with its labels,
// labels kept whole on the page, pens of grids and curves, and curves with missing points.
#pragma once

#include <cstddef>
#include <vector>

#include "plot/MDGraph.h"

class TEtiquettes;

// Pens and widths of a chart grid: major lines (1) and minor ticks (2).
struct TGrille {
  bool couleurs;  // false: every element stays in the black pen chosen by the caller
  int col1;
  double ep1;
  int col2;
  double ep2;
};

// Opens the drawing of G on a page of 19 x 28 cm (half size on the screen, which fills its
// window); prints "Le fichier %s ne peut être ouvert !" and returns false when it cannot.
bool OuvrePage(TMDGraph* G);

// Rounds x to the nearest value of table t (szt entries, 0 = the default table 0.1 ... 1.0)
// scaled to the decade of x. Values below 1e-100 in magnitude (or equal to it when
// zero_inclus) give 0.
double ArrondiNet(double x, const double* t, size_t szt, bool zero_inclus);

// Value axis of a panel whose frame runs from x = 2 to txm - 1 and from y = 1 to tym - 0.5:
// major lines labelled with their value and the unit text unite, minor ticks on both edges.
// Sets WINDOW(2, txm - 1, yn, ym). zero_inclus selects the rounding threshold of ArrondiNet.
// With places, the labels are placed as EtiquetteDansPage places them.
void TraceAxeValeurs(TR_INFO* G, double txm, double tym, double yn, double ym, const char* unite,
                     const TGrille& g, bool zero_inclus, TEtiquettes* places = nullptr);

// Significant digits that print v exactly ("%.*G"): the 3 of "%.3G" when they are enough, as
// many more as v needs otherwise (up to 17); a difference below a millionth of the step pas
// between lines does not count.
int ChiffresExacts(double v, double pas);

// Label of a line at value v (lines pas apart) followed by the unit text unite, printed with
// EtiquetteDansPage.
void EtiquetteValeur(TR_INFO* G, double v, double pas, const char* unite,
                     TEtiquettes* places = nullptr);

// Prints texte with text slot 0 (level) at the current position; a text that the page edge
// would cut, its anchor being on the page, is moved inward just enough to stand whole on the
// page. With places, a text that cannot stand whole on the page, or whose box would overlap one
// of places, is left out (false), and the box of a text printed goes into places.
bool EtiquetteDansPage(TR_INFO* G, const char* texte, TEtiquettes* places = nullptr);

// Labels are stroked this many times the width of their element (the points-for-millimetres
// reading that made them look right in EPS), so that no text looks bold, but never finer than
// kTexteMin mm, below which the metafile readers' smoothing leaves their strokes too faint.
constexpr double kTexteFin = 25.4 / 72;
constexpr double kTexteMin = 0.2;

// Prints texte with text slot 0 at the current position, stroked kTexteFin times the width in
// force, or kTexteMin mm (the width in force is then restored).
void TexteFin(TR_INFO* G, const char* texte);

// An oriented rectangle on the page, in absolute centimetres: its centre, the unit direction
// of its length, its half length and half height.
struct TBoite {
  double cx, cy, ux, uy, l, h;
};

// Whether two boxes overlap (separating axes).
bool Chevauchent(const TBoite& a, const TBoite& b);

// Box of texte printed with text slot 0, hauteur cm high at ang degrees, at the user point
// (x, y) with the slot's justification, with marge cm all round; the pen moves to (x, y).
TBoite BoiteTexte(TR_INFO* G, double x, double y, const char* texte, double hauteur, double ang,
                  double marge);

// Whether the box lies whole within the page bounds.
bool BoiteDansPage(TR_INFO* G, const TBoite& b);

// The boxes of what a chart placed on its page so far that a label must not overlap: its labels,
// and the marks a label must keep clear of (a legend, a marker). A label whose box would
// overlap one of them, or leave the page, is moved or left out.
class TEtiquettes {
 public:
  // Whether b lies whole on the page and overlaps none of the boxes placed so far.
  bool Libre(TR_INFO* G, const TBoite& b) const;
  void Ajoute(const TBoite& b) { boites_.push_back(b); }
  void Vide() { boites_.clear(); }
  const std::vector<TBoite>& Boites() const { return boites_; }

 private:
  std::vector<TBoite> boites_;
};

// Margin (cm) all round the box of a label: the clear ground a label keeps from its neighbours.
constexpr double kMargeEtiquette = 0.05;

// Prints texte with text slot 0 (hauteur cm high, level) at the user point (x, y) when its box
// is free in places: on a white ground when fond (the lines drawn before do not cross it), then
// the box goes into places. False, with nothing drawn, when the box is not free.
bool EtiquetteLibre(TR_INFO* G, TEtiquettes* places, double x, double y, const char* texte,
                    double hauteur, bool fond);

// The white ground of a label, so that the lines drawn before do not cross it: white strokes
// along the box, side by side over its height, each at most 2 kMargeEtiquette wide, their round
// ends within the box's length; the box less its margin (the label's ink) is covered whole. The
// pen and the width in force are restored.
void FondBlanc(TR_INFO* G, const TBoite& b);

class TFctTransfert;

// Selects line width ep and, in colour, pen col for what is drawn next. The width comes before
// the pen, because the PostScript device fixes the width of a path when the pen change ends the
// previous one (the kernel sends the moves already drawn before it changes the width).
void Plume(TR_INFO* G, bool couleurs, int col, double ep);

// Dashes of a curve drawn ep millimetres wide: dashes of tiret and gaps of blanc centimetres,
// lengthened with the width so that the gaps stay visible between the round caps of the
// pieces: a dash at least 3 widths long, a gap at least 3 widths (2 clear, 1 for the two caps),
// and never less than blanc clear of the caps.
void Tirets(TR_INFO* G, double tiret, double blanc, double ep);
// Dots of a curve drawn ep millimetres wide: round dots one width across, with gaps of blanc
// centimetres clear between them, and at least 2 widths.
void Pointilles(TR_INFO* G, double blanc, double ep);

// Draws (x[i], y[i]) for i < n as a polyline where y is finite: a point where it is not lifts the
// pen, and the next finite one moves there. *down says whether the pen is down, on entry and on
// return, so that a curve may come in several calls. Runs of drawn points go to DRAWS.
void TraceFinis(TR_INFO* G, const double* x, const double* y, size_t n, bool* down);

// Pen of a function's curves: its colour, except that the paper colour (white, the colour of
// a function whose colour was never set) is drawn black so that the curve shows.
int PlumeCourbe(const TFctTransfert* f);
