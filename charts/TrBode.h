// Bode chart: gain and/or phase of every checked transfer function against a logarithmic
// angular-frequency axis, in one or two stacked panels; plus the value-axis grid it shares.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plot/MDGraph.h"

// Pens and widths of a chart grid: major lines (1) and minor ticks (2).
struct TGrille {
  bool couleurs;  // false: every element stays in the black pen chosen by the caller
  int col1;
  double ep1;
  int col2;
  double ep2;
};

// Rounds x to the nearest value of table t (szt entries, 0 = the default table 0.1 ... 1.0)
// scaled to the decade of x. Values below 1e-100 in magnitude (or equal to it when
// zero_inclus) give 0.
double ArrondiNet(double x, const double* t, size_t szt, bool zero_inclus);

// Value axis of a panel whose frame runs from x = 2 to txm - 1 and from y = 1 to tym - 0.5:
// major lines with labels (format fmt), minor ticks on both edges. Sets WINDOW(2, txm - 1,
// yn, ym). zero_inclus selects the rounding threshold of ArrondiNet.
void TraceAxeValeurs(TR_INFO* G, double txm, double tym, double yn, double ym, const char* fmt,
                     const TGrille& g, bool zero_inclus);

class TFctTransfert;

// Selects line width ep and, in colour, pen col for what is drawn next. The queued moves go
// out first, so that no device gives the new width to the end of the previous element, and
// the width comes before the pen, because the PostScript device fixes the width of a path when
// the pen change ends the previous one.
void Plume(TR_INFO* G, bool couleurs, int col, double ep);

// Pen of a function's curves: its colour, except that the paper colour (white, the colour of
// a function whose colour was never set) is drawn black so that the curve shows.
int PlumeCourbe(const TFctTransfert* f);

class TrBode {
 public:
  enum TTypeGraphe { TypeGain = 0, TypePhase = 1, TypeGainPhase = 2 };

  double wn = 0, wm = 0;      // frequency range, rad/s
  double dBn = 0, dBm = 0;    // gain extent met on the curves, dB
  double Degn = 0, Degm = 0;  // phase extent met on the curves, degrees
  uint32_t nbp = 0;           // points per curve
  double txm = 0, tym = 0;    // drawing width and panel height, centimetres
  TTypeGraphe TypeGraphe = TypeGainPhase;
  int CloseErr = 0;  // what closing the drawing returned: not 0 when its file was not written whole

  // Computes the ranges, opens the device, draws one or two panels and closes the device.
  void Trace(TMDGraph* G);
  // Draws one panel into the current viewport; false when an evaluation failed.
  bool bode(TR_INFO* G, TTypeGraphe typ);
  // Nice rounding of x through table t (szt = 0: default table).
  double carrondi(double x, const double* t = nullptr, size_t szt = 0);
  // Prints the angular-frequency label f at the current pen position.
  void afff(double f, TR_INFO* G);
};
