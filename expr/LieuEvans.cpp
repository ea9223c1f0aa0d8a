// Root locus: the exact points from polynomial equations solved by the root solver, the
// branches by continuation in the gain with a step chosen from the roots' speed.
#include "expr/LieuEvans.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <utility>

#include "expr/Roots.h"

namespace {

using Cx = std::complex<double>;
using Coefs = std::vector<double>;  // constant term first

constexpr double kPi = 3.141592653589793;
constexpr double kInf = std::numeric_limits<double>::infinity();
// A root whose imaginary part is below this share of its modulus is real (a double real root
// comes out of the solver split by about 1e-8 of its modulus).
constexpr double kReel = 1e-7;
// Gains whose imaginary part is below this share of their modulus are real.
constexpr double kGainReel = 1e-6;
// Largest number of steps of the branches, whatever the locus.
constexpr int kPasMax = 200000;
// Work allowed to the branches of one locus, in multiply-adds: a root solve of degree n costs
// about 10 n^3, a polishing 20 n^2. Roots of high multiplicity come out of the solver so blurred
// (a 50-fold pole by half its distance to the next) that the steps would shrink without end:
// the branches stop where the work runs out (about a second), drawn as far as they came.
constexpr double kTravailMax = 2e8;
// Smallest step of log k: a step that keeps failing its checks is taken at this size.
constexpr double kPasLogMin = 1e-9;

// The coefficients of p without its zero leading ones; empty for zero or undefined.
Coefs Coupe(const TPoly& p) {
  Coefs c;
  if (!p.IsDefined()) return c;
  int top = static_cast<int>(p.Deg);
  while (top >= 0 && p.Coef[top] == 0.0) --top;
  c.assign(p.Coef, p.Coef + top + 1);
  return c;
}

int Degre(const Coefs& c) { return static_cast<int>(c.size()) - 1; }

Cx Val(const Coefs& c, Cx s) {
  Cx v = 0;
  for (size_t i = c.size(); i-- > 0;) v = v * s + c[i];
  return v;
}

double Val(const Coefs& c, double x) {
  double v = 0;
  for (size_t i = c.size(); i-- > 0;) v = v * x + c[i];
  return v;
}

Coefs Derivee(const Coefs& c) {
  Coefs d;
  for (size_t i = 1; i < c.size(); ++i) d.push_back(static_cast<double>(i) * c[i]);
  return d;
}

Coefs Produit(const Coefs& a, const Coefs& b) {
  if (a.empty() || b.empty()) return {};
  Coefs r(a.size() + b.size() - 1, 0.0);
  for (size_t i = 0; i < a.size(); ++i)
    for (size_t j = 0; j < b.size(); ++j) r[i + j] += a[i] * b[j];
  return r;
}

Coefs Difference(const Coefs& a, const Coefs& b) {
  Coefs r(std::max(a.size(), b.size()), 0.0);
  for (size_t i = 0; i < a.size(); ++i) r[i] += a[i];
  for (size_t i = 0; i < b.size(); ++i) r[i] -= b[i];
  while (!r.empty() && r.back() == 0.0) r.pop_back();
  return r;
}

// D + k*N.
Coefs Somme(const Coefs& d, const Coefs& n, double k) {
  Coefs r(std::max(d.size(), n.size()), 0.0);
  for (size_t i = 0; i < d.size(); ++i) r[i] += d[i];
  for (size_t i = 0; i < n.size(); ++i) r[i] += k * n[i];
  while (!r.empty() && r.back() == 0.0) r.pop_back();
  return r;
}

bool Racines(const Coefs& c, std::vector<TComplex>* r) {
  r->clear();
  if (c.empty()) return false;
  TPoly p(c.data(), static_cast<unsigned>(c.size() - 1));
  return PolyRoots(p, *r);
}

// Real part and imaginary part of P(j*w), as polynomials in w.
void PartiesImaginaires(const Coefs& p, Coefs* re, Coefs* im) {
  re->assign(p.size(), 0.0);
  im->assign(p.size(), 0.0);
  // j^i: 1, j, -1, -j.
  for (size_t i = 0; i < p.size(); ++i) {
    switch (i % 4) {
      case 0: (*re)[i] = p[i]; break;
      case 1: (*im)[i] = p[i]; break;
      case 2: (*re)[i] = -p[i]; break;
      default: (*im)[i] = -p[i]; break;
    }
  }
}

// A few Newton steps on the real root x of p, kept only while they reduce |p|.
double Affine(const Coefs& p, double x) {
  const Coefs d = Derivee(p);
  for (int i = 0; i < 4; ++i) {
    const double v = Val(p, x), dv = Val(d, x);
    if (!(dv != 0) || !std::isfinite(v / dv)) break;
    const double y = x - v / dv;
    if (!(std::fabs(Val(p, y)) < std::fabs(v))) break;
    x = y;
  }
  return x;
}

bool ToutStable(const std::vector<TComplex>& r) {
  for (const TComplex& z : r)
    if (!(z.Re < 0)) return false;
  return true;
}

// Pairs (i, j) of old and new roots, nearest first, each used once.
void Apparie(const std::vector<Cx>& ancien, const std::vector<Cx>& nouveau,
             std::vector<int>* vers) {
  std::vector<std::pair<double, std::pair<int, int>>> d;
  d.reserve(ancien.size() * nouveau.size());
  for (size_t i = 0; i < ancien.size(); ++i)
    for (size_t j = 0; j < nouveau.size(); ++j)
      d.push_back({std::abs(ancien[i] - nouveau[j]), {static_cast<int>(i), static_cast<int>(j)}});
  std::sort(d.begin(), d.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  vers->assign(ancien.size(), -1);
  std::vector<char> pris(nouveau.size(), 0);
  size_t reste = std::min(ancien.size(), nouveau.size());
  for (const auto& e : d) {
    if (reste == 0) break;
    const int i = e.second.first, j = e.second.second;
    if ((*vers)[i] >= 0 || pris[j]) continue;
    (*vers)[i] = j;
    pris[j] = 1;
    --reste;
  }
}

// Newton's iterations on p from each point of depart; true when each converged and the roots
// are as many as the degree of p and distinct, so that they are all its roots.
bool Polit(const Coefs& p, const std::vector<Cx>& depart, std::vector<Cx>* r) {
  if (depart.size() != p.size() - 1 || depart.empty()) return false;
  const Coefs d = Derivee(p);
  r->resize(depart.size());
  for (size_t i = 0; i < depart.size(); ++i) {
    Cx z = depart[i];
    bool converge = false;
    for (int it = 0; it < 8 && !converge; ++it) {
      const Cx dz = Val(p, z) / Val(d, z);
      if (!std::isfinite(dz.real()) || !std::isfinite(dz.imag())) return false;
      z -= dz;
      converge = std::abs(dz) <= 1e-13 * (1 + std::abs(z));
    }
    if (!converge) return false;
    (*r)[i] = z;
  }
  for (size_t i = 0; i < r->size(); ++i)
    for (size_t j = i + 1; j < r->size(); ++j)
      if (std::abs((*r)[i] - (*r)[j]) <= 1e-6 * (1 + std::abs((*r)[i]))) return false;
  return true;
}

// The box [xn, xm] x [yn, ym] and the tests of the branches against it.
struct TBoite {
  double xn, xm, yn, ym;
  bool Dedans(Cx s) const {
    return s.real() >= xn && s.real() <= xm && s.imag() >= yn && s.imag() <= ym;
  }
  // Whether the segment a-b meets the box (clipping of its parameter range, Liang-Barsky).
  bool Coupe(Cx a, Cx b) const {
    double t0 = 0, t1 = 1;
    const double dx = b.real() - a.real(), dy = b.imag() - a.imag();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.real() - xn, xm - a.real(), a.imag() - yn, ym - a.imag()};
    for (int i = 0; i < 4; ++i) {
      if (p[i] == 0) {
        if (q[i] < 0) return false;
        continue;
      }
      const double t = q[i] / p[i];
      if (p[i] < 0) {
        if (t > t1) return false;
        t0 = std::max(t0, t);
      } else {
        if (t < t0) return false;
        t1 = std::min(t1, t);
      }
    }
    return t0 <= t1;
  }
  TBoite Elargie(double f, double marge) const {
    const double cx = (xn + xm) / 2, cy = (yn + ym) / 2;
    const double hx = (xm - xn) / 2 * f + marge, hy = (ym - yn) / 2 * f + marge;
    return {cx - hx, cx + hx, cy - hy, cy + hy};
  }
};

}  // namespace

bool TLieuEvans::Calcule(const TPoly& num, const TPoly& den) {
  *this = TLieuEvans();
  Coefs n = Coupe(num), d = Coupe(den);
  if (!num.IsDefined() || d.empty()) return false;
  for (double c : n)
    if (!std::isfinite(c)) return false;
  for (double c : d)
    if (!std::isfinite(c)) return false;
  if (Degre(n) > static_cast<int>(DegreMax) || Degre(d) > static_cast<int>(DegreMax)) return false;
  num_ = n;
  den_ = d;
  ::Racines(d, &Poles);
  if (n.empty()) {
    // k has no effect: the roots are the poles for every k.
    if (ToutStable(Poles)) Stabilite.push_back({0, kInf});
    return true;
  }
  ::Racines(n, &Zeros);
  const int dn = Degre(d), dm = Degre(n);

  // Asymptotes, their centroid from the sums of the roots given by the coefficients.
  if (dn > dm) {
    NbAsymptotes = dn - dm;
    const double sp = dn >= 1 ? -d[dn - 1] / d[dn] : 0;
    const double sz = dm >= 1 ? -n[dm - 1] / n[dm] : 0;
    Centre = (sp - sz) / NbAsymptotes;
    for (int q = 0; q < NbAsymptotes; ++q) Angles.push_back((2 * q + 1) * kPi / NbAsymptotes);
  }

  // Separation points: the roots of N D' - D N' where k = -D/N is real and positive.
  const Coefs dd = Derivee(d), dnn = Derivee(n);
  const Coefs p = Difference(Produit(n, dd), Produit(d, dnn));
  std::vector<TComplex> rp;
  if (!p.empty() && ::Racines(p, &rp)) {
    const Coefs d2 = Derivee(dd), n2 = Derivee(dnn);
    for (const TComplex& r : rp) {
      Cx s(r.Re, r.Im);
      const bool reel = std::fabs(s.imag()) <= kReel * std::abs(s);
      if (reel) s = Affine(p, s.real());
      const Cx ns = Val(n, s);
      if (ns == 0.0) continue;
      const Cx k = -Val(d, s) / ns;
      if (!std::isfinite(k.real()) || !(k.real() > 0) ||
          std::fabs(k.imag()) > kGainReel * std::abs(k))
        continue;
      bool deja = false;
      for (const TSeparation& e : Separations)
        deja = deja || std::abs(Cx(e.s.Re, e.s.Im) - s) <= 1e-6 * (1 + std::abs(s));
      if (deja) continue;
      bool arrivee = false;
      if (reel) {
        const double x = s.real();
        // k'' = -(D'' N - D N'') / N^2 where k' = 0: a minimum (k'' > 0) is a break-in point.
        arrivee = Val(d2, x) * Val(n, x) - Val(d, x) * Val(n2, x) < 0;
      }
      Separations.push_back({TComplex(s.real(), s.imag()), k.real(), arrivee});
    }
  }

  // Crossings: D(jw) + k N(jw) = 0 with k and w real, so Re D Im N - Im D Re N = 0 in w.
  Coefs dr, di, nr, ni;
  PartiesImaginaires(d, &dr, &di);
  PartiesImaginaires(n, &nr, &ni);
  const Coefs q = Difference(Produit(dr, ni), Produit(di, nr));
  std::vector<TComplex> rq;
  if (!q.empty() && ::Racines(q, &rq)) {
    for (const TComplex& r : rq) {
      if (!(r.Re > 0) || std::fabs(r.Im) > kReel * std::fabs(r.Re)) continue;
      const double w = Affine(q, r.Re);
      const Cx dw = Val(d, Cx(0, w)), nw = Val(n, Cx(0, w));
      const double nn = std::norm(nw);
      if (!(nn > 0)) continue;
      const double k = -(dw * std::conj(nw)).real() / nn;
      if (!(k > 0) || !std::isfinite(k)) continue;
      if (std::abs(dw + k * nw) > 1e-6 * (std::abs(dw) + k * std::abs(nw))) continue;
      bool deja = false;
      for (const TPoint& c : Croisements)
        deja = deja || (std::fabs(c.s.Im - w) <= 1e-7 * w && std::fabs(c.k - k) <= 1e-7 * k);
      if (!deja) Croisements.push_back({TComplex(0, w), k});
    }
  }
  if (n[0] != 0) {
    const double k0 = -d[0] / n[0];
    if (k0 > 0 && std::isfinite(k0)) Croisements.push_back({TComplex(0, 0), k0});
  }
  std::sort(Croisements.begin(), Croisements.end(),
            [](const TPoint& a, const TPoint& b) { return a.k < b.k; });

  // Stability: the roots change side only where one crosses the imaginary axis, or passes
  // through infinity where the degree of D + k N drops (k = -d_n / n_n when both degrees
  // are equal); each range between those gains is checked at one inner point.
  std::vector<double> cles;
  for (const TPoint& c : Croisements) cles.push_back(c.k);
  double kinf = 0;
  if (dn == dm) {
    kinf = -d[dn] / n[dm];
    if (kinf > 0) cles.push_back(kinf);
  }
  std::sort(cles.begin(), cles.end());
  cles.erase(std::unique(cles.begin(), cles.end(),
                         [](double a, double b) { return std::fabs(a - b) <= 1e-12 * b; }),
             cles.end());
  auto stable = [&](double k) {
    std::vector<TComplex> r;
    return Racines(k, &r) && ToutStable(r);
  };
  for (size_t i = 0; i <= cles.size(); ++i) {
    const double a = i == 0 ? 0 : cles[i - 1];
    const double b = i == cles.size() ? kInf : cles[i];
    const double t = a == 0 ? (b == kInf ? 1 : b / 2) : (b == kInf ? 2 * a : std::sqrt(a * b));
    if (!stable(t)) continue;
    // Where the degree drops, the root that passes through infinity leaves the others as they
    // are: stable on both sides is stable there too, unless a root crosses the axis there.
    bool croise = false;
    for (const TPoint& c : Croisements) croise = croise || std::fabs(c.k - a) <= 1e-12 * a;
    if (!Stabilite.empty() && Stabilite.back().kmax == a && a == kinf && !croise) {
      Stabilite.back().kmax = b;
    } else {
      Stabilite.push_back({a, b});
    }
  }

  // The gains every branch passes through exactly.
  for (const TPoint& c : Croisements) kcles_.push_back(c.k);
  for (const TSeparation& s : Separations) kcles_.push_back(s.k);
  kcles_.push_back(1);
  std::sort(kcles_.begin(), kcles_.end());
  kcles_.erase(std::unique(kcles_.begin(), kcles_.end()), kcles_.end());
  return true;
}

bool TLieuEvans::Racines(double k, std::vector<TComplex>* r) const {
  r->clear();
  if (den_.empty()) return false;
  return ::Racines(Somme(den_, num_, k), r);
}

void TLieuEvans::Branches(double xn, double xm, double yn, double ym, double corde,
                          std::vector<TBranche>* b) const {
  b->clear();
  if (den_.empty() || num_.empty() || !(corde > 0) || !(xm > xn) || !(ym > yn)) return;
  const TBoite boite{xn, xm, yn, ym};
  const TBoite proche = boite.Elargie(1, corde);  // where chords are kept short
  const TBoite loin = boite.Elargie(4, 0);        // beyond it a root is not followed on paper
  const Coefs dd = Derivee(den_), dnn = Derivee(num_);
  const size_t m = static_cast<size_t>(Degre(num_));
  const double kinf = Degre(num_) == Degre(den_) ? -den_.back() / num_.back() : 0;
  const double kfin = std::max(kcles_.empty() ? 1.0 : kcles_.back(), kinf);

  // One root followed in k: its last position and the branch it draws (-1: none, while far).
  struct TSuivi {
    Cx s;
    double k;
    int branche;
  };
  std::vector<TSuivi> suivis;
  std::vector<Cx> r;
  const double n3 = std::pow(static_cast<double>(std::max(Degre(num_), Degre(den_))), 3);
  double travail = 0;
  auto racines = [&](double k) {
    travail += 10 * n3;
    std::vector<TComplex> t;
    r.clear();
    if (!Racines(k, &t)) return false;
    for (const TComplex& z : t) r.emplace_back(z.Re, z.Im);
    return true;
  };
  auto nouvelle = [&](Cx s, double k) {
    b->push_back({{TComplex(s.real(), s.imag()), k}});
    return static_cast<int>(b->size() - 1);
  };
  auto ajoute = [&](TSuivi* t, Cx s, double k) {
    const bool ici = proche.Coupe(t->s, s) || loin.Dedans(s);
    if (t->branche < 0 && ici) {
      t->branche = nouvelle(t->s, t->k);  // back from far: the far point starts the new branch
    }
    if (t->branche >= 0) (*b)[t->branche].push_back({TComplex(s.real(), s.imag()), k});
    if (!ici) t->branche = -1;
    t->s = s;
    t->k = k;
  };

  // The first gain: small enough that each root is within a quarter chord of its pole.
  double k = (kcles_.empty() ? 1.0 : kcles_.front()) * 1e-3;
  std::vector<Cx> poles;
  for (const TComplex& p : Poles) poles.emplace_back(p.Re, p.Im);
  std::vector<int> vers;
  for (int i = 0; i < 200 && travail < kTravailMax / 4; ++i, k /= 8) {
    if (!racines(k)) return;
    Apparie(poles, r, &vers);
    double ecart = 0;
    for (size_t j = 0; j < poles.size(); ++j)
      if (vers[j] >= 0 && proche.Dedans(poles[j])) ecart = std::max(ecart, std::abs(r[vers[j]] - poles[j]));
    if (ecart <= corde / 4 || k < 1e-300) break;
  }
  std::vector<char> pris(r.size(), 0);
  for (size_t j = 0; j < poles.size(); ++j) {
    TSuivi t{poles[j], 0, nouvelle(poles[j], 0)};
    if (vers[j] >= 0) {
      ajoute(&t, r[vers[j]], k);
      pris[vers[j]] = 1;
    }
    suivis.push_back(t);
  }
  for (size_t j = 0; j < r.size(); ++j) {
    if (pris[j]) continue;  // a root from infinity (more zeros than poles)
    TSuivi t{r[j], k, loin.Dedans(r[j]) ? nouvelle(r[j], k) : -1};
    suivis.push_back(t);
  }

  std::vector<Cx> prevu, ancien;
  double dlog = std::log(4.0);
  size_t cle = 0;
  for (int pas = 0; pas < kPasMax && travail < kTravailMax; ++pas) {
    while (cle < kcles_.size() && kcles_[cle] <= k) ++cle;
    // Done when every key gain is passed and each root is either at a zero or far away.
    if (k > kfin) {
      size_t aux_zeros = 0;
      bool fini = true;
      for (const TSuivi& t : suivis) {
        double dz = kInf;
        for (const TComplex& z : Zeros) dz = std::min(dz, std::abs(t.s - Cx(z.Re, z.Im)));
        if (dz <= corde * 0.02) {
          ++aux_zeros;
        } else if (loin.Dedans(t.s)) {
          fini = false;
        }
      }
      if ((fini && aux_zeros >= m) || k > 1e250) break;
    }
    // The step: each root inside the box moves about 0.7 chord, as its speed ds/dk tells.
    prevu.resize(suivis.size());
    ancien.resize(suivis.size());
    double vmax = 0;
    for (size_t i = 0; i < suivis.size(); ++i) {
      const Cx s = suivis[i].s;
      ancien[i] = s;
      const Cx v = -Val(num_, s) / (Val(dd, s) + k * Val(dnn, s));
      prevu[i] = s;
      if (std::isfinite(v.real()) && std::isfinite(v.imag())) {
        if (proche.Dedans(s)) vmax = std::max(vmax, k * std::abs(v));
        prevu[i] = v;  // speed, turned into a prediction below
      } else {
        prevu[i] = Cx(kInf, 0);
      }
    }
    if (vmax > 0) dlog = std::min(std::log(4.0), std::max(1e-15, 0.7 * corde / vmax));
    else dlog = std::log(4.0);
    for (;;) {
      double k2 = k * std::exp(dlog);
      if (cle < kcles_.size() && k2 >= kcles_[cle]) k2 = kcles_[cle];
      if (k2 == kinf) k2 = kinf * (1 + 1e-9);  // the degree drops at kinf itself
      std::vector<Cx> pred(suivis.size());
      for (size_t i = 0; i < suivis.size(); ++i) {
        const Cx v = prevu[i];
        const Cx dp = (k2 - k) * v;
        pred[i] = std::isfinite(v.real()) && std::abs(dp) <= 4 * corde ? ancien[i] + dp : ancien[i];
      }
      // Each root polished from its prediction; the solver and the nearest match take over
      // when that does not give as many distinct roots as the degree.
      travail += 20 * std::cbrt(n3) * std::cbrt(n3);
      if (Polit(Somme(den_, num_, k2), pred, &r)) {
        vers.resize(pred.size());
        for (size_t i = 0; i < vers.size(); ++i) vers[i] = static_cast<int>(i);
      } else {
        if (!racines(k2)) return;
        Apparie(pred, r, &vers);
      }
      bool bon = true;
      for (size_t i = 0; bon && i < suivis.size(); ++i) {
        if (vers[i] < 0) continue;
        const Cx a = ancien[i], c = r[vers[i]];
        if (!proche.Coupe(a, c)) continue;
        if (std::abs(c - a) > corde) bon = false;
        // The nearest other root: the match must be clearly the nearer, unless both roots
        // are so close that the paper cannot tell them apart.
        double d2 = kInf;
        size_t l2 = 0;
        for (size_t l = 0; l < r.size(); ++l) {
          if (static_cast<int>(l) == vers[i]) continue;
          const double d = std::abs(pred[i] - r[l]);
          if (d < d2) {
            d2 = d;
            l2 = l;
          }
        }
        if (d2 < kInf && std::abs(pred[i] - c) > 0.5 * d2 && std::abs(r[l2] - c) > 0.1 * corde)
          bon = false;
      }
      const bool force = dlog <= kPasLogMin || travail >= kTravailMax;
      if (!bon && !force) {
        dlog /= 3;
        continue;
      }
      std::fill(pris.begin(), pris.end(), 0);
      pris.resize(r.size(), 0);
      std::vector<TSuivi> suite;
      for (size_t i = 0; i < suivis.size(); ++i) {
        if (vers[i] < 0) {
          // Its root went to infinity (the degree dropped): the branch ends there.
          continue;
        }
        TSuivi t = suivis[i];
        if (!bon && std::abs(r[vers[i]] - t.s) > corde) t.branche = -1;  // no long chord on paper
        ajoute(&t, r[vers[i]], k2);
        pris[vers[i]] = 1;
        suite.push_back(t);
      }
      for (size_t j = 0; j < r.size(); ++j) {
        if (pris[j]) continue;
        suite.push_back({r[j], k2, loin.Dedans(r[j]) ? nouvelle(r[j], k2) : -1});
      }
      suivis.swap(suite);
      k = k2;
      break;
    }
  }
  // Roots that reached a zero end exactly on it.
  for (const TSuivi& t : suivis) {
    if (t.branche < 0) continue;
    for (const TComplex& z : Zeros)
      if (std::abs(t.s - Cx(z.Re, z.Im)) <= corde * 0.02) {
        (*b)[t.branche].push_back({z, kInf});
        break;
      }
  }
  // A branch of one point draws nothing.
  b->erase(std::remove_if(b->begin(), b->end(), [](const TBranche& x) { return x.size() < 2; }),
           b->end());
}
