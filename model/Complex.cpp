// Complex arithmetic that is not inline: division and real power.
#include "model/Complex.h"

TComplex TComplex::operator/(const TComplex& c) const {
  TComplex t = TComplex(c.Re, -c.Im) * *this;
  double m2 = c.Module();
  m2 *= m2;
  return {t.Re / m2, t.Im / m2};
}

TComplex TComplex::operator^(double x) const {
  double r = std::pow(Module(), x);
  double theta = std::atan2(Im, Re) * x;
  return {r * std::cos(theta), r * std::sin(theta)};
}
