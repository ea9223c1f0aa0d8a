// Polynomial and rational-fraction algebra on coefficient arrays (constant term first).
#include "expr/Poly.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "expr/Roots.h"

namespace {

double* CopyCoef(const double* c, unsigned n) {
  if (c == nullptr) return nullptr;
  double* r = new double[n + 1u];
  std::memcpy(r, c, (n + 1u) * sizeof(double));
  return r;
}

}  // namespace

TPoly::TPoly(const TPoly& p) : Coef(CopyCoef(p.Coef, p.Deg)), Deg(p.Deg) {}

TPoly::TPoly(TPoly&& p) noexcept : Coef(p.Coef), Deg(p.Deg) {
  p.Coef = nullptr;
  p.Deg = 0;
}

TPoly::TPoly(double v) : Coef(new double[1]{v}), Deg(0) {}

TPoly::TPoly(unsigned n) : Coef(new double[n + 1u]()), Deg(n) {}

TPoly::TPoly(const double* c, unsigned n) : Coef(CopyCoef(c, n)), Deg(n) {}

TPoly::~TPoly() { delete[] Coef; }

TPoly& TPoly::operator=(const TPoly& p) {
  if (&p == this) return *this;
  double* c = CopyCoef(p.Coef, p.Deg);
  delete[] Coef;
  Coef = c;
  Deg = p.Deg;
  return *this;
}

TPoly& TPoly::operator=(TPoly&& p) noexcept {
  std::swap(Coef, p.Coef);
  std::swap(Deg, p.Deg);
  return *this;
}

TPoly& TPoly::operator=(double v) {
  double* c = new double[1]{v};
  delete[] Coef;
  Coef = c;
  Deg = 0;
  return *this;
}

void TPoly::PolyLoad(const double* c, unsigned n) {
  double* nc = CopyCoef(c, n);
  delete[] Coef;
  Coef = nc;
  Deg = n;
}

double TPoly::Valeur(double x) const {
  if (Coef == nullptr) return 0.0;
  double v = 0.0;  // Horner, highest power first
  for (unsigned i = Deg + 1u; i-- > 0;) v = v * x + Coef[i];
  return v;
}

bool TPoly::IsZero() const {
  if (Coef == nullptr) return false;
  for (unsigned i = 0; i <= Deg; ++i)
    if (Coef[i] != 0.0) return false;
  return true;
}

TPoly TPoly::operator*(const TPoly& b) const {
  if (!IsDefined() || !b.IsDefined()) return TPoly();
  TPoly r(Deg + b.Deg);
  for (unsigned i = 0; i <= Deg; ++i)
    for (unsigned j = 0; j <= b.Deg; ++j) r.Coef[i + j] += Coef[i] * b.Coef[j];
  return r;
}

TPoly TPoly::operator+(const TPoly& b) const {
  if (!IsDefined() || !b.IsDefined()) return TPoly();
  TPoly r(Deg >= b.Deg ? Deg : b.Deg);
  for (unsigned i = 0; i <= r.Deg; ++i)
    r.Coef[i] = (i <= Deg ? Coef[i] : 0.0) + (i <= b.Deg ? b.Coef[i] : 0.0);
  return r;
}

// Leading terms that cancel are kept: the degree is the larger of the two.
TPoly TPoly::operator-(const TPoly& b) const {
  if (!IsDefined() || !b.IsDefined()) return TPoly();
  TPoly r(Deg >= b.Deg ? Deg : b.Deg);
  for (unsigned i = 0; i <= r.Deg; ++i)
    r.Coef[i] = (i <= Deg ? Coef[i] : 0.0) - (i <= b.Deg ? b.Coef[i] : 0.0);
  return r;
}

TQuotPoly& TQuotPoly::operator=(const TQuotPoly& q) {
  if (&q == this) return *this;
  Num = q.Num;
  Den = q.Den;
  Retard = q.Retard;
  RetardMixte = q.RetardMixte;
  return *this;
}

TQuotPoly& TQuotPoly::operator=(double v) {
  Num = v;
  Den = 1.0;
  Retard = 0.0;
  RetardMixte = false;
  return *this;
}

TQuotPoly TQuotPoly::operator*(const TQuotPoly& q) const {
  return TQuotPoly(Num * q.Num, Den * q.Den);
}

TQuotPoly TQuotPoly::operator/(const TQuotPoly& q) const {
  return TQuotPoly(Num * q.Den, Den * q.Num);
}

TQuotPoly TQuotPoly::operator+(const TQuotPoly& q) const {
  return TQuotPoly(Num * q.Den + q.Num * Den, Den * q.Den);
}

TQuotPoly TQuotPoly::operator-(const TQuotPoly& q) const {
  return TQuotPoly(Num * q.Den - q.Num * Den, Den * q.Den);
}

bool TQuotPoly::Normalise() {
  if (!Den.IsDefined() || !Num.IsDefined()) return false;
  double d = Den.Coef[Den.Deg];
  if (d == 0.0 || !std::isfinite(d)) return false;
  for (unsigned i = 0; i <= Num.Deg; ++i) Num.Coef[i] /= d;
  for (unsigned i = 0; i <= Den.Deg; ++i) Den.Coef[i] /= d;
  Den.Coef[Den.Deg] = 1.0;
  return true;
}

namespace {

constexpr size_t kAffSize = 1024;
// Room given to the terms of one polynomial: two shares plus the brackets stay below kAffSize.
constexpr size_t kAffShare = 480;

// Appends the terms of p to buf at *pos, at most kAffShare characters, "... " when cut short.
void AffTerms(const TPoly& p, char* buf, size_t* pos) {
  if (!p.IsDefined()) return;
  size_t used = 0;
  for (unsigned i = 0; i <= p.Deg; ++i) {
    char t[64];
    int n = std::snprintf(t, sizeof t, "%+GX^%u ", p.Coef[i], i);
    if (n < 0) return;
    size_t need = static_cast<size_t>(n) + (i < p.Deg ? 4 : 0);  // keep room for "... "
    if (used + need > kAffShare) {
      std::memcpy(buf + *pos, "... ", 4);
      *pos += 4;
      return;
    }
    std::memcpy(buf + *pos, t, static_cast<size_t>(n));
    *pos += static_cast<size_t>(n);
    used += static_cast<size_t>(n);
  }
}

}  // namespace

const char* TQuotPoly::AffPoly() const {
  static char buf[kAffSize];
  size_t pos = 0;
  auto put = [&](const char* s) {
    size_t n = std::strlen(s);
    std::memcpy(buf + pos, s, n);
    pos += n;
  };
  put("[ ");
  AffTerms(Num, buf, &pos);
  put(" ] / [ ");
  AffTerms(Den, buf, &pos);
  put(" ]");
  buf[pos] = '\0';
  return buf;
}

namespace {

// p without its zero leading coefficients (at least the constant term).
void Trim(TPoly& p) {
  unsigned d = p.Deg;
  while (d > 0 && p.Coef[d] == 0.0) --d;
  if (d != p.Deg) p = TPoly(p.Coef, d);
}

// Quotient of p by the monic factor f (degree 1 or 2, constant term first), from the highest
// power down; the remainder, zero but for rounding, is dropped.
void Deflate(TPoly& p, const double* f, unsigned df) {
  if (p.Deg < df) return;
  TPoly q(p.Deg - df);
  std::vector<double> r(p.Coef, p.Coef + p.Deg + 1);
  for (unsigned k = p.Deg + 1; k-- > df;) {
    const double c = r[k];
    q.Coef[k - df] = c;
    for (unsigned j = 0; j < df; ++j) r[k - df + j] -= c * f[j];
  }
  p = std::move(q);
}

}  // namespace

unsigned TQuotPoly::Simplifie(double tol) {
  // Finding the roots of larger polynomials would take longer than everything else.
  constexpr unsigned kDegreMax = 200;
  if (Num.Deg > kDegreMax || Den.Deg > kDegreMax) return 0;
  std::vector<TComplex> rn, rd;
  if (!PolyRoots(Num, rn) || !PolyRoots(Den, rd)) return 0;
  std::vector<bool> used(rd.size(), false);
  std::vector<std::pair<TComplex, TComplex>> pairs;  // (root of Num, root of Den)
  for (const TComplex& a : rn) {
    if (a.Im < 0) continue;  // a complex pair is matched through its upper root
    int best = -1;
    double gap = 0;
    for (size_t j = 0; j < rd.size(); ++j) {
      const TComplex& b = rd[j];
      if (used[j] || b.Im < 0 || (a.Im == 0) != (b.Im == 0)) continue;
      const double g = std::hypot(a.Re - b.Re, a.Im - b.Im);
      if (g <= tol * std::fmax(a.Module(), b.Module()) && (best < 0 || g < gap)) {
        best = static_cast<int>(j);
        gap = g;
      }
    }
    if (best < 0) continue;
    used[best] = true;
    pairs.emplace_back(a, rd[best]);
  }
  if (pairs.empty()) return 0;
  Trim(Num);
  Trim(Den);
  unsigned n = 0;
  for (const auto& pr : pairs) {
    for (int side = 0; side < 2; ++side) {
      const TComplex& r = side == 0 ? pr.first : pr.second;
      TPoly& p = side == 0 ? Num : Den;
      if (r.Im == 0) {
        const double f[1] = {-r.Re};
        Deflate(p, f, 1);
      } else {
        const double f[2] = {r.Re * r.Re + r.Im * r.Im, -2 * r.Re};
        Deflate(p, f, 2);
      }
    }
    n += pr.first.Im == 0 ? 1 : 2;
  }
  return n;
}
