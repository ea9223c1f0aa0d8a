// Complex numbers of the frequency responses: cartesian TComplex and polar TComplexP.
#pragma once

#include <cmath>

struct TComplex {
  double Re = 0.0;
  double Im = 0.0;

  TComplex() = default;
  TComplex(double re, double im) : Re(re), Im(im) {}

  double Module() const { return std::hypot(Re, Im); }
  double Argument() const { return std::atan2(Im, Re); }

  TComplex operator+(const TComplex& c) const { return {Re + c.Re, Im + c.Im}; }
  TComplex operator-(const TComplex& c) const { return {Re - c.Re, Im - c.Im}; }
  TComplex operator*(const TComplex& c) const {
    return {Re * c.Re - Im * c.Im, Re * c.Im + Im * c.Re};
  }
  // Divides by c through the conjugate; the caller guards against c = 0.
  TComplex operator/(const TComplex& c) const;
  // Real power: modulus raised to x, argument multiplied by x.
  TComplex operator^(double x) const;
  TComplex operator*(double v) const { return {Re * v, Im * v}; }

  TComplex& operator+=(const TComplex& c) { return *this = *this + c; }
  TComplex& operator-=(const TComplex& c) { return *this = *this - c; }
  TComplex& operator*=(const TComplex& c) { return *this = *this * c; }
  TComplex& operator*=(double v) { return *this = *this * v; }
};

// Polar form: linear modulus m, phase p in radians.
struct TComplexP {
  double m = 0.0;
  double p = 0.0;
};
