// Nyquist chart: the open-loop locus H(jw) of every checked function in the complex plane, for
// positive frequencies (solid) and negative ones (its mirror image, dotted), with arrows in the
// direction of increasing w, the infinite arcs round the imaginary-axis poles, the critical
// point -1, the unit circle and graduated Re and Im axes through the origin. Moduli above R are
// compressed radially so that the whole contour stays on the page.
#pragma once

#include "charts/Annotations.h"
#include "charts/Axes.h"

#include <vector>

#include "model/Nyquist.h"
#include "plot/MDGraph.h"

class TFctTransfert;
class TTableCsv;

class TrNyquist {
 public:
  int CloseErr = 0;  // what closing the drawing returned: not 0 when its file was not written whole
  TEtiquettes Etiquettes;  // the labels placed on the page by the last Trace
  double R = 1;      // compression radius: the largest of the loci's radii
  double L = 2;      // half-width of the window (user units, compressed)

  // One function's locus, as computed before the drawing.
  struct TCourbe {
    TFctTransfert* f;
    TNyquistLocus lieu;
    int excesInfini;  // degree of num minus degree of den, when above 0
  };
  std::vector<TCourbe> courbes_;

  // Computes the loci, opens the device, draws and closes it. Nothing is drawn (and no file
  // written) when an evaluation fails.
  void Trace(TMDGraph* G);
  // Computes the loci of the checked functions and the compression radius; false when an
  // evaluation failed.
  bool Calcule();
  // Computes the loci and puts their numbers in t: every frequency of every locus and each axis
  // pole (where the loci break) in increasing order, then the real and imaginary parts of each
  // function's open-loop value, empty where that function has no point (or a pole).
  bool Table(TTableCsv* t);

 private:
  void Axes(TR_INFO* G);
  // The labels of the axes (n graduations pas apart either side, ticks t long) and of the
  // compression circle, on white grounds, placed among Etiquettes.
  void Libelles(TR_INFO* G, int n, double pas, double t);
  // The locus of c; its points are noted in leg when it is not null, and carry marker marque
  // (-1: none), the first one decalage cm along each branch.
  void Courbe(TR_INFO* G, const TCourbe& c, TLegende* leg = nullptr, int marque = -1,
              double decalage = 0);
};
