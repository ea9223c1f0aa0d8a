// Root-locus chart (lieu d'Evans): for every checked function N/D, the roots of D + k*N in the
// complex plane as k goes from 0 to +infinity, with its poles, zeros, asymptotes, separation
// points, imaginary-axis crossings and closed-loop poles, on equal real and imaginary scales.
#pragma once

#include "charts/Annotations.h"
#include "charts/Axes.h"

#include <vector>

#include "expr/LieuEvans.h"
#include "plot/MDGraph.h"

class TFctTransfert;
class TTableCsv;

class TrEvans {
 public:
  int CloseErr = 0;  // what closing the drawing returned: not 0 when its file was not written whole
  TEtiquettes Etiquettes;  // the labels placed on the page by the last Trace

  // One function of the chart with its locus and its closed-loop poles (k = 1).
  struct TLieuFct {
    TFctTransfert* f;
    TLieuEvans lieu;
    std::vector<TComplex> bf;
    std::vector<TLieuEvans::TBranche> branches;  // for the view of the chart
  };

  // The locus of f from its fraction (pairs common to numerator and denominator cancelled);
  // false, after printing why, when f has none.
  static bool LieuDe(TFctTransfert* f, TLieuEvans* lieu);

  // Computes the loci of the checked functions (printing why a function has none), the view of
  // the page and the branches of each locus within it: what Trace draws.
  void Calcule();
  const std::vector<TLieuFct>& Lieux() const { return lieux_; }
  // Computes the loci and puts the points of their branches in t, one row a point in the long
  // form: the function's name, the branch's number (from 1), the gain k and the root's real
  // and imaginary parts.
  void Table(TTableCsv* t);

  // Computes the loci, opens the device, draws and closes it.
  void Trace(TMDGraph* G);

 private:
  // The part of the complex plane shown: [xn, xm] x [yn, ym], and centimetres per unit.
  double xn_ = -1, xm_ = 1, yn_ = -1, ym_ = 1, echelle_ = 1;
  double txm_ = 19, tym_ = 28;  // page width and height, centimetres
  std::vector<TLieuFct> lieux_;

  void Vue();
  void Axes(TR_INFO* G);
  // One locus; with leg, its branches are noted there, each carrying marker repere (-1: none),
  // the first one decalage cm from its start.
  void Lieu(TR_INFO* G, const TLieuFct& l, TLegende* leg, int repere, double decalage);
  void Gains(TR_INFO* G, const TLieuFct& l);
  double X(double re) const { return 2 + (re - xn_) * echelle_; }
  double Y(double im) const { return 1 + (im - yn_) * echelle_; }
};
