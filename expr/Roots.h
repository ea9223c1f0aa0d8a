// Roots of a real polynomial in s, for the phase of a rational function, closed-loop stability
// and the cancellation of common pole-zero pairs.
#pragma once

#include <vector>

#include "expr/Poly.h"
#include "model/Complex.h"

// Fills roots with the Deg roots of p (counted with multiplicity; roots at s = 0 are exact, from
// the vanishing low-order coefficients). Zero leading coefficients are dropped first. Returns
// false, leaving roots empty, when p is undefined, identically zero or has a non-finite
// coefficient. A constant polynomial has no root and returns true.
bool PolyRoots(const TPoly& p, std::vector<TComplex>& roots);
