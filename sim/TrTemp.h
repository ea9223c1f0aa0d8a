// Time-response chart of the registered functions, and the conversion of a transfer function
// into a ready-to-run time simulator.
#pragma once

#include <cstddef>
#include <vector>

#include "charts/Axes.h"
#include "sim/SimTemp.h"

// Test input choices of the setting RBInput.
enum { RBImpulsion = 0, RBEchelon = 1, RBRampe = 2, RBParabole = 3 };

class TFctTransfert;
class TMDGraph;
class TR_INFO;
class TTableCsv;

class TrTemp {
 public:
  double txm = 0.0;  // width of the drawing area (cm)
  double tym = 0.0;  // height of the drawing area (cm)
  double Tn = 0.0;   // start of the time axis (s)
  double Tm;         // end of the time axis (s)
  double Yn = 0.0;   // lowest value shown
  double Ym = 0.0;   // highest value shown
  double Dt;         // integration step (s)
  bool Init = true;  // Trace draws only when set
  int Err = 0;       // error number of the last TempFromH (0: none)
  int CloseErr = 0;  // what closing the drawing returned: not 0 when its file was not written whole
  TEtiquettes Etiquettes;  // the labels placed on the page by the last Trace
  // Set by TempFromH when the delays of h's expression gather into no single factor e^(-tau s)
  // (or into a prediction): h then has no time response.
  bool RetardNonRationnel = false;

  // Time step and duration from the global settings.
  TrTemp();

  // New simulator of h's open-loop fraction and its delay, owned by the caller; null with Err set
  // when the fraction cannot be built, null with RetardNonRationnel set when its delays cannot
  // be simulated. An improper fraction gives an inactive simulator, not an error.
  SimTemp* TempFromH(TFctTransfert* h);

  // Computes the ranges and draws the chart through G's device.
  void Trace(TMDGraph* G);
  // Simulates the curves of the chart and finds its value range, keeping the samples of the
  // curves while they hold at most garde values in all; with repris, when they would not all
  // fit, the samples of the loops cheap to step are not kept (Temporel steps them again). False
  // (the error printed) when a simulator could not be built.
  bool Calcule(size_t garde, bool repris);
  // Simulates the chart and puts its numbers in t: the sample times, the input at each, then
  // the samples of each function in each loop mode drawn; false when a simulator could not be
  // built.
  bool Table(TTableCsv* t);
  // Axes, grid and curves into the viewport set by Trace; always true.
  bool Temporel(TR_INFO* G);
  // Rounds x to a nice value of table t (szt entries; 0 selects the default table).
  double carrondi(double x, const double* t = nullptr, size_t szt = 0);

 private:
  // Samples of the range pass, drawn again by Temporel: per registry entry and loop (2i open,
  // 2i + 1 closed; empty when not kept), and the sample times, the same for every curve.
  std::vector<std::vector<double>> echantillons_;
  std::vector<double> temps_;
};
