// Root locus of a rational function N/D: the roots of D + k*N as the gain k goes from 0 to
// +infinity, with its exact points (imaginary-axis crossings, breakaway and break-in points,
// asymptotes), the gains for which every root lies in the left half-plane, and the branches
// followed by continuity for a chart. Nothing here draws.
#pragma once

#include <cstddef>
#include <limits>
#include <vector>

#include "expr/Poly.h"
#include "model/Complex.h"

class TLieuEvans {
 public:
  // A point of the locus and the gain that puts a root there.
  struct TPoint {
    TComplex s;
    double k;
  };
  // A point where branches meet: a double (or higher) root of D + k*N for some k > 0. On the
  // real axis, Arrivee tells a break-in point (branches come onto the axis: a local minimum of
  // k along it) from a breakaway point (a local maximum); off the axis it is false.
  struct TSeparation {
    TComplex s;
    double k;
    bool Arrivee;
  };
  // Gains kmin < k < kmax (kmax infinite for no upper end) for which the roots are all stable.
  struct TIntervalle {
    double kmin;
    double kmax;
  };
  // One branch: points in increasing k, each a root of D + k*N.
  using TBranche = std::vector<TPoint>;

  std::vector<TComplex> Poles;  // roots of D (the branches' starts)
  std::vector<TComplex> Zeros;  // roots of N (where finite branches end)
  // Branches going to infinity: their number n - m, the centroid of the asymptotes on the real
  // axis and their angles (radians, (2q + 1) pi / (n - m)).
  int NbAsymptotes = 0;
  double Centre = 0;
  std::vector<double> Angles;
  std::vector<TSeparation> Separations;
  // Crossings of the imaginary axis at s = j*w with w >= 0 (the conjugate crossing at -j*w is
  // implied), for k > 0, in increasing k.
  std::vector<TPoint> Croisements;
  // The stable ranges of k > 0, in increasing order; empty when no k > 0 is stable.
  std::vector<TIntervalle> Stabilite;

  // Computes everything but the branches for the fraction num/den (zero leading coefficients
  // left out). False, leaving the members empty, when either polynomial is undefined or not
  // finite, when den is identically zero, or when the degree is above DegreMax.
  bool Calcule(const TPoly& num, const TPoly& den);

  // The roots of D + k*N; false when they cannot be computed.
  bool Racines(double k, std::vector<TComplex>* r) const;

  // The branches, each followed by continuity from its pole (or from far away, for a branch
  // that comes from infinity) in steps of k chosen so that no chord between neighbouring points
  // is longer than corde, measured in the units of s, where either end lies inside the box
  // [xn, xm] x [yn, ym]; the separation points, the crossings and k = 1 are points of the
  // branches. A branch ends at its zero or once it is far beyond the box.
  void Branches(double xn, double xm, double yn, double ym, double corde,
                std::vector<TBranche>* b) const;

  static constexpr unsigned DegreMax = 200;

 private:
  std::vector<double> num_, den_;  // coefficients, constant first, leading one not zero
  std::vector<double> kcles_;      // gains that must be points of the branches
};
