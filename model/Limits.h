// The term k s^n that the open-loop response H(s) of a function tends to as s tends to 0 or to
// infinity, read exactly off its factors (or off the fraction of its expression): the static
// gain, the class and the error constants without evaluating H at a small frequency.
#pragma once

#include <algorithm>
#include <cmath>

class TFctTransfert;

// A product of many factors kept as a mantissa times 2^e, so that products whose value would
// overflow or underflow a double on the way still give their exact ratio.
class TProduitEchelonne {
 public:
  void Multiplie(double v) { Ajoute(v, false); }
  void Divise(double v) { Ajoute(v, true); }
  // Beyond the range of a double the value is infinite or 0, as ldexp gives it.
  double Valeur() const {
    return std::ldexp(m_, static_cast<int>(std::max(-100000L, std::min(100000L, e_))));
  }

 private:
  void Ajoute(double v, bool inverse) {
    int e;
    const double f = std::frexp(v, &e);
    m_ = inverse ? m_ / f : m_ * f;
    e_ += inverse ? -e : e;
    m_ = std::frexp(m_, &e);
    e_ += e;
  }
  double m_ = 1;
  long e_ = 0;
};

// H(s) ~ k s^n: n is the number of zeros less the number of poles at that end (at 0: minus the
// class of the loop), k the limit of H(s) / s^n.
struct TTerme {
  int n;
  double k;
};

// The term of the open loop at s = 0 (bZero) or at infinity; false when the function cannot be
// built (expression error) or is identically 0, or when a factor is identically 0.
bool OpenLoopTerm(TFctTransfert* f, bool bZero, TTerme* t);

// The term of the unity-feedback closed loop H/(1 + H) at the same end, from that of the open
// loop: 1 where |H| grows without bound, H where it vanishes, k/(1 + k) where it tends to k; false
// when 1 + k is 0 (the closed loop has a pole at that end).
bool ClosedLoopTerm(const TTerme& open, bool bZero, TTerme* t);
