// Polynomial roots through Eigen's companion-matrix solver.
#include "expr/Roots.h"

#include <cmath>
#include <unsupported/Eigen/Polynomials>

bool PolyRoots(const TPoly& p, std::vector<TComplex>& roots) {
  roots.clear();
  if (!p.IsDefined()) return false;
  for (unsigned i = 0; i <= p.Deg; ++i)
    if (!std::isfinite(p.Coef[i])) return false;
  int top = static_cast<int>(p.Deg);
  while (top >= 0 && p.Coef[top] == 0.0) --top;
  if (top < 0) return false;
  // Exact roots at the origin: the low-order coefficients that vanish.
  int low = 0;
  while (p.Coef[low] == 0.0) ++low;
  roots.assign(low, TComplex(0.0, 0.0));
  const int n = top - low;
  if (n == 0) return true;
  if (n == 1) {
    roots.emplace_back(-p.Coef[low] / p.Coef[top], 0.0);
    return true;
  }
  Eigen::VectorXd c(n + 1);
  for (int i = 0; i <= n; ++i) c[i] = p.Coef[low + i];
  Eigen::PolynomialSolver<double, Eigen::Dynamic> solver;
  solver.compute(c);
  for (const auto& r : solver.roots()) roots.emplace_back(r.real(), r.imag());
  return true;
}
