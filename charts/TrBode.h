// Bode chart: gain and/or phase of every checked transfer function against a logarithmic
// angular-frequency axis, in one or two stacked panels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "charts/Annotations.h"
#include "charts/Axes.h"
#include "plot/MDGraph.h"

class TTableCsv;

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
  TEtiquettes Etiquettes;  // the labels placed on the page by the last Trace

  // An allocator that leaves the doubles of a growing vector as they come: the sweeps write
  // every value of a kept curve, on the core that computes it, which then takes the first touch
  // of its memory too.
  template <class T>
  struct TSansZero : std::allocator<T> {
    template <class U>
    struct rebind {
      using other = TSansZero<U>;
    };
    TSansZero() = default;
    template <class U>
    TSansZero(const TSansZero<U>&) {}
    template <class U>
    void construct(U* p) {
      ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... A>
    void construct(U* p, A&&... a) {
      ::new (static_cast<void*>(p)) U(std::forward<A>(a)...);
    }
  };
  typedef std::vector<double, TSansZero<double>> TValeurs;

  // One curve of the chart (a function in one loop mode), in the order the range and the
  // panels meet them; its values are kept when they fit in the memory allowed to the chart.
  struct TCourbe {
    TFctTransfert* f;
    TValeurs gain;   // dB at each point, empty when not kept
    TValeurs phase;  // degrees at each point, empty when not kept
    bool bf = false;            // closed loop
  };
  // Values kept by one chart at most; the curves beyond are evaluated again for each panel.
  static constexpr size_t ValeursMax = size_t{1} << 23;
  std::vector<double> w_;   // angular frequency of each point
  std::vector<double> lw_;  // its log10, the abscissa of the point
  std::vector<TCourbe> courbes_;

  // The open-loop margins of a function, as the properties report finds them (model/Marges.h).
  struct TMarges {
    TFctTransfert* f;
    int etatGain;   // a TEtatMarge
    double mg, wg;  // gain margin (dB) and the frequency of the -180 degree crossing
    int etatPhase;
    double mp, wp;  // phase margin (degrees) and the frequency of the 0 dB crossing
  };
  std::vector<TMarges> marges_;  // filled by Trace when the margins are marked
  TLegende legende_;             // filled by Trace when the legend is drawn
  std::vector<int> marqueDe_;    // marker of each registry entry's curves (-1: none)

  // Computes the ranges, opens the device, draws one or two panels and closes the device.
  void Trace(TMDGraph* G);
  // Computes the frequencies, the curves and the extents of the chart from the settings,
  // keeping the values of the curves while they hold at most garde values in all; false when
  // an evaluation failed. With produit, a function given by its factors is evaluated as one
  // complex product a point (TFctTransfert::ValueBOProduit): the same to within rounding, for
  // the drawing; the numbers of a table take the exact sum of the factors' angles.
  bool Calcule(size_t garde, bool produit);
  // Computes the chart and puts its numbers in t: the frequencies, then the gain and/or phase
  // (the panels of the chart) of each curve; false when an evaluation failed.
  bool Table(TTableCsv* t);
  // Draws one panel into the current viewport; false when an evaluation failed.
  bool bode(TR_INFO* G, TTypeGraphe typ);
  // Fills w_ and lw_ with the nbp frequencies spread evenly in log from wn to wm.
  void Frequences();
  // Nice rounding of x through table t (szt = 0: default table).
  double carrondi(double x, const double* t = nullptr, size_t szt = 0);
  // Prints the angular-frequency label f at the current pen position, as EtiquetteDansPage
  // places it among places (none: placed whatever it overlaps).
  void afff(double f, TR_INFO* G, TEtiquettes* places = nullptr);
  // Finds the margins of every checked function's open loop, in marges_.
  void Marges();
  // Marks on one panel (gain or phase) the margins found, each by a vertical segment in the
  // function's pen from the curve to 0 dB (gain) or to -180 degrees (phase) with its value;
  // the labels go into Etiquettes, and the segments are noted in leg when it is not null.
  void TraceMarges(TR_INFO* G, bool gain, TLegende* leg);
  // Phase (degrees) the phase panel draws for f's open loop at w, from the values kept; ref
  // moved by whole turns to it (ref itself when nothing is kept).
  double PhaseTracee(const TFctTransfert* f, double w, double ref) const;
};
