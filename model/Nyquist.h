// Nyquist criterion and Nyquist locus. The Nyquist contour is the imaginary axis followed upward,
// turning round each pole of H on the axis by a small half-circle on its right, and closed by the
// half-circle of infinite radius on the right. N counts the clockwise turns of the image of that
// contour round -1; with P the poles of H in the right half-plane, Z = N + P is the number of
// closed-loop poles (roots of 1 + H) there.
#pragma once

#include <functional>
#include <vector>

#include "model/Complex.h"

class TFctTransfert;

// A pole of H on the imaginary axis, s = j*w with w >= 0 (the pole -j*w goes with it), of order
// ordre.
struct TAxisPole {
  double w;
  int ordre;
};

// What the encirclement count needs to know of H besides its frequency response.
struct TNyquistContour {
  std::vector<TAxisPole> poles;  // poles on the imaginary axis, w >= 0, each w once
  // Degree of the numerator minus that of the denominator when above 0: the half-circle at
  // infinity then maps to an infinite arc too.
  int excesInfini = 0;
  // The axis is followed from wBas to wHaut: below wBas and above wHaut the response must be
  // close to its limit (its value at 0 or at infinity, or its poles' arcs).
  double wBas = 1e-6;
  double wHaut = 1e6;
  // Frequencies near which the response changes fast (poles and zeros, lightly damped ones); the
  // count samples there first. May be empty.
  std::vector<double> marques;
};

// H(jw) for w > 0 (any representation: factors, expression, with or without a delay). False
// when it cannot be evaluated.
using TAxisResponse = std::function<bool(double w, TComplex* h)>;

struct TEncirclements {
  int N = 0;                // clockwise turns round -1 (counter-clockwise ones count negative)
  bool parMoinsUn = false;  // the image passes through -1 (1 + H vanishes on the contour)
};

// Counts the clockwise encirclements of -1 by the image of the whole Nyquist contour of h, from
// its frequency response and its imaginary-axis poles (H real for real s, so the negative
// frequencies are the mirror image). False when the response fails or the count does not come
// out whole (then *r says nothing).
bool CountEncirclements(const TAxisResponse& h, const TNyquistContour& c, TEncirclements* r);

// The Nyquist criterion of a function, open loop, from its fraction and its response.
struct TNyquistCriterion {
  bool rationnel = false;  // false: H is not a rational function (its N, P, Z are unknown)
  bool ok = false;         // the fraction's roots and the count are known
  bool parMoinsUn = false;  // 1 + H has a root on the imaginary axis (to a relative 1e-9)
  int P = 0;               // open-loop poles with a positive real part
  int N = 0;               // clockwise encirclements of -1 (from the response)
  int Z = 0;               // N + P
  int ZRacines = 0;        // roots of den + num with a positive real part
  bool accord = true;      // the count and the roots agree (Z == ZRacines, same parMoinsUn)
};

// Contour of f (its axis poles, degree excess, axis range and marks) from its fraction. For a
// function described by its factors the axis poles are exact; for an expression they are the
// roots of its simplified fraction within a relative 1e-9 of the axis. False when f is not a
// rational function or its fraction cannot be solved.
bool NyquistContourOf(TFctTransfert* f, TNyquistContour* c);

// P, N, Z for f (its open loop; f's loop mode and unwrapping are left as they were found).
void NyquistCriterionOf(TFctTransfert* f, TNyquistCriterion* r);

// Radial compression of the chart: moduli up to R are kept, larger ones map to R(2 - R/m), which
// reaches 2R at infinity (continuous with slope 1 at R).
double CompressModulus(double m, double R);
TComplex CompressPoint(const TComplex& h, double R);

// One point of a locus: frequency and open-loop value H(jw).
struct TLocusPoint {
  double w;
  TComplex h;
};

// The Nyquist locus of f for positive frequencies: branches in increasing w between the axis
// poles (a branch ends just before a pole and the next starts just after it), on [1e-6, 1e6]
// rad/s with at least nbp points, refined where the compressed image (radius R) moves fast.
struct TNyquistLocus {
  std::vector<std::vector<TLocusPoint>> branches;
  std::vector<TAxisPole> poles;  // the axis poles the branches go round (empty: not rational)
  double R = 1;                  // compression radius chosen for the chart
};

// Fills l; false when an evaluation failed (the error is printed by the evaluation).
bool NyquistLocusOf(TFctTransfert* f, int nbp, TNyquistLocus* l);
