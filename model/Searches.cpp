// Frequency-response searches over [1e-6, 1e6] rad/s: every crossing of a phase or a modulus
// target, the slope and the maximum of the modulus. The response is sampled on a grid that is
// fine around each pole and zero, every change of side between two samples is refined by
// geometric bisection, and the phase is the one fixed by the poles and zeros.
#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <vector>

#include "expr/ItMath.h"
#include "expr/PolyItMath.h"
#include "expr/Roots.h"
#include "model/FctTransfert.h"

namespace {

using Cx = std::complex<double>;

constexpr double kPi = 3.141592653589793;
constexpr double kW10 = 1e-6;       // lower end of the search interval
constexpr double kW20 = 1e6;        // upper end of the search interval
constexpr double kStaticW = 1e-10;  // start of the phase made continuous along w
constexpr double kConv = 1e-7;      // bracket fine enough when w2/w1 - 1 <= kConv
constexpr int kParDecade = 20;      // samples per decade of the regular grid
// Samples added around a root x + jy (y > 0) at y + t|x|: the phase and the modulus of a lightly
// damped pair change within a few |x| of y.
constexpr double kLargeurs[] = {-4, -2, -1, -0.5, -0.25, 0, 0.25, 0.5, 1, 2, 4};
// Beyond this degree the roots are not computed (the solver's cost grows as the cube): the
// phase is then made continuous along w.
constexpr unsigned kDegreRacines = 200;
// An interior maximum must stand above both ends by more than rounding.
constexpr double kBruitMax = 1e-9;

// Index of the highest non-zero coefficient, -1 for a zero polynomial.
int Tete(const TPoly& p) {
  int i = static_cast<int>(p.Deg);
  while (i >= 0 && p.Coef[i] == 0.0) --i;
  return i;
}

bool Fini(const TPoly& p) {
  for (unsigned i = 0; i <= p.Deg; ++i)
    if (!std::isfinite(p.Coef[i])) return false;
  return Tete(p) >= 0;
}

// Value of p and of its derivative at s (Horner).
void Horner(const TPoly& p, Cx s, Cx* v, Cx* d) {
  Cx a = 0, b = 0;
  for (unsigned i = p.Deg + 1u; i-- > 0;) {
    b = b * s + a;
    a = a * s + p.Coef[i];
  }
  *v = a;
  *d = b;
}

// False for a pair whose real part is rounding: it is taken on the imaginary axis, as the
// factor s^2 + c (b = +0) of a function described by its factors.
bool Amorti(const TComplex& c) { return std::fabs(c.Re) > 1e-12 * std::fabs(c.Im); }

// Phase of the factors whose roots are r, at s = jw: a real root r gives atan2(w, -r), a pair
// x +- jy the quadratic s^2 - 2x s + x^2 + y^2, atan2(-2x w, x^2 + y^2 - w^2), as the factors
// of a function described by its poles and zeros do.
double PhaseFacteurs(const std::vector<TComplex>& r, double w) {
  double ph = 0;
  for (const TComplex& c : r) {
    if (c.Im == 0)
      ph += std::atan2(w, -c.Re);
    else if (c.Im > 0)
      ph += std::atan2(Amorti(c) ? -2 * c.Re * w : 0.0, c.Re * c.Re + c.Im * c.Im - w * w);
  }
  return ph;
}

// Frequencies where a root x + jy makes the response change: its modulus, and for a complex
// root a few |x| on each side of y.
void Marques(double x, double y, std::vector<double>* g) {
  g->push_back(std::hypot(x, y));
  y = std::fabs(y);
  if (y == 0) return;
  for (double t : kLargeurs) g->push_back(y + t * std::fabs(x));
}

// Roots of a s^2 + b s + c, for the grid only.
void MarquesQuadratique(const TFctTransfert::Tpc& q, std::vector<double>* g) {
  if (q.a == 0) {
    if (q.b != 0) Marques(-q.c / q.b, 0, g);
    return;
  }
  const double d = q.b * q.b - 4 * q.a * q.c, x = -q.b / (2 * q.a);
  if (d < 0) {
    Marques(x, std::sqrt(-d) / (2 * std::fabs(q.a)), g);
  } else {
    Marques(x + std::sqrt(d) / (2 * q.a), 0, g);
    Marques(x - std::sqrt(d) / (2 * q.a), 0, g);
  }
}

// Response of one function in its current mode, for one search: the fraction of the mode
// (closed loop: num/(den + num)), its roots, the sampling grid, and the first evaluation error,
// printed once.
class TReponse {
 public:
  explicit TReponse(TFctTransfert* f);

  // Modulus and phase at w. The phase is the one the roots fix; without roots, the branch
  // nearest ref (no change when ref is not finite). False when the evaluation fails or gives a
  // value that is not finite.
  bool Eval(double w, double ref, TComplexP* y);
  // d ln|H| / dw, exact from the fraction; false when it is not known.
  bool PenteLn(double w, double* d) const;
  const std::vector<double>& Grille() const { return grille_; }
  // The response at w with its principal phase; false on an evaluation error.
  bool Brut(double w, TComplexP* y);
  // Moves a finite y at w to the branch of the structural phase (see Eval); false when y is
  // not finite.
  bool Branche(double w, double ref, TComplexP* y) const;

 private:
  TFctTransfert* f_;
  bool structurel_;        // open-loop factors: their phase is already the structural one
  bool fraction_ = false;  // n_ / d_ is the response of the mode
  bool racines_ = false;   // z_ and p_ hold every zero and pole
  TPoly n_, d_;
  double signe_ = 0;  // -pi when the fraction's gain is negative
  std::vector<TComplex> z_, p_;
  std::vector<double> grille_;
  bool dit_ = false;  // an evaluation error was printed
};

TReponse::TReponse(TFctTransfert* f) : f_(f), structurel_(f->Expression == nullptr && !f->ModeBF) {
  std::vector<double> marques;
  TQuotPolyH q(f, true);
  if (q.Err == 0 && q.Num.IsDefined() && q.Den.IsDefined()) {
    n_ = q.Num;
    d_ = f->ModeBF ? q.Den + q.Num : q.Den;
    fraction_ = Fini(n_) && Fini(d_);
  }
  if (structurel_) {
    for (int i = 0; i < f->nbz; ++i) Marques(f->z[i], 0, &marques);
    for (int i = 0; i < f->nbp; ++i) Marques(f->p[i], 0, &marques);
    for (int i = 0; i < f->nbzc; ++i) MarquesQuadratique(f->zc[i], &marques);
    for (int i = 0; i < f->nbpc; ++i) MarquesQuadratique(f->pc[i], &marques);
  } else if (fraction_ && n_.Deg <= kDegreRacines && d_.Deg <= kDegreRacines) {
    racines_ = PolyRoots(n_, z_) && PolyRoots(d_, p_);
    if (racines_) {
      signe_ = n_.Coef[Tete(n_)] / d_.Coef[Tete(d_)] < 0 ? -kPi : 0.0;
      for (const TComplex& r : z_) Marques(r.Re, r.Im, &marques);
      for (const TComplex& r : p_) Marques(r.Re, r.Im, &marques);
    }
  }
  const int n = 12 * kParDecade;
  for (int i = 0; i <= n; ++i) grille_.push_back(kW10 * std::pow(10.0, 12.0 * i / n));
  grille_.front() = kW10;
  grille_.back() = kW20;
  for (double w : marques)
    if (w > kW10 && w < kW20) grille_.push_back(w);
  std::sort(grille_.begin(), grille_.end());
  grille_.erase(std::unique(grille_.begin(), grille_.end()), grille_.end());
}

bool TReponse::Brut(double w, TComplexP* y) {
  f_->EnCalcul = true;
  const int r = f_->Value_(w, y);
  f_->EnCalcul = false;
  if (r != 0) {
    if (!dit_) std::printf("Erreur : %s\n", TItMath::ErrMsg(r));
    dit_ = true;
    return false;
  }
  if (f_->ModeBF) *y = TFctTransfert::ToBF(*y);
  return true;
}

bool TReponse::Eval(double w, double ref, TComplexP* y) { return Brut(w, y) && Branche(w, ref, y); }

bool TReponse::Branche(double w, double ref, TComplexP* y) const {
  if (!std::isfinite(y->m) || !std::isfinite(y->p)) return false;
  if (structurel_) return true;
  const double cible = racines_ ? signe_ + PhaseFacteurs(z_, w) - PhaseFacteurs(p_, w) : ref;
  // The evaluated phase is exact modulo 2 pi; the structure only chooses its branch.
  if (std::isfinite(cible)) y->p += 2 * kPi * std::round((cible - y->p) / (2 * kPi));
  return true;
}

bool TReponse::PenteLn(double w, double* d) const {
  if (!fraction_) return false;
  const Cx s(0, w), j(0, 1);
  Cx nv, nd, dv, dd;
  Horner(n_, s, &nv, &nd);
  Horner(d_, s, &dv, &dd);
  *d = (j * nd / nv).real() - (j * dd / dv).real();
  return std::isfinite(*d);
}

struct TEch {
  double w;
  TComplexP y;
};

// The response on the grid, skipping the samples that cannot be evaluated. Without roots the
// phase is made continuous from its value at 1e-10 rad/s.
std::vector<TEch> Echantillons(TReponse& r) {
  std::vector<TEch> e;
  TComplexP y;
  double ref = NAN;
  if (r.Eval(kStaticW, NAN, &y)) ref = y.p;
  for (double w : r.Grille()) {
    if (!r.Eval(w, ref, &y)) continue;
    ref = y.p;
    e.push_back({w, y});
  }
  return e;
}

// Every change of side of dessus between neighbouring samples, refined by geometric bisection.
template <class F>
void Croisements(TReponse& r, const std::vector<TEch>& e, F dessus,
                 std::vector<TFctTransfert::TCroise>* c) {
  c->clear();
  for (size_t i = 1; i < e.size(); ++i) {
    const bool avant = dessus(e[i - 1].y);
    if (avant == dessus(e[i].y)) continue;
    double w1 = e[i - 1].w, w2 = e[i].w;
    const double ref = e[i - 1].y.p;
    TComplexP y;
    bool ok = true;
    while (ok && w2 / w1 - 1 > kConv) {
      const double wm = std::sqrt(w1 * w2);
      ok = r.Eval(wm, ref, &y);
      if (dessus(y) == avant)
        w1 = wm;
      else
        w2 = wm;
    }
    const double w = std::sqrt(w1 * w2);
    if (ok && r.Eval(w, ref, &y)) c->push_back({w, y, avant});
  }
}

// Frequency left by a search that found nothing: the lower end when the response is at or below
// the target at the start of the interval, the upper end otherwise.
template <class F>
double Bout(const std::vector<TEch>& e, F dessus) {
  return e.empty() || !dessus(e.front().y) ? kW10 : kW20;
}

}  // namespace

bool TFctTransfert::CroisementsPhase(double Phase, std::vector<TCroise>* c) {
  const double ph = Phase * kPi / 180;
  TReponse r(this);
  Croisements(
      r, Echantillons(r), [ph](const TComplexP& y) { return y.p > ph; }, c);
  return !c->empty();
}

bool TFctTransfert::CroisementsModule(double Module, std::vector<TCroise>* c) {
  const double m = std::pow(10.0, Module / 20);
  TReponse r(this);
  Croisements(
      r, Echantillons(r), [m](const TComplexP& y) { return y.m > m; }, c);
  return !c->empty();
}

bool TFctTransfert::ValueStruct(double w, TComplexP* y) {
  TReponse r(this);
  if (!r.Brut(w, y)) return false;
  r.Branche(w, NAN, y);  // a value that is not finite keeps its phase
  return true;
}

namespace {

// Distance of H(jw) to the critical point -1.
double DistanceCritique(const TComplexP& y) {
  return std::hypot(1 + y.m * std::cos(y.p), y.m * std::sin(y.p));
}

// Golden-section search of the smallest distance to -1 between w1 and w2, on ln w, to a
// relative kConv; *d and *w receive the minimum found.
void MinimumDistance(TReponse& r, double w1, double w2, double* d, double* w) {
  const double k = 0.3819660112501051;
  auto dist = [&r](double x) {
    TComplexP y;
    return r.Eval(std::exp(x), NAN, &y) ? DistanceCritique(y) : INFINITY;
  };
  double a = std::log(w1), b = std::log(w2);
  double x1 = a + k * (b - a), x2 = b - k * (b - a);
  double d1 = dist(x1), d2 = dist(x2);
  while (std::exp(b - a) - 1 > kConv) {
    if (d1 <= d2) {
      b = x2;
      x2 = x1;
      d2 = d1;
      x1 = a + k * (b - a);
      d1 = dist(x1);
    } else {
      a = x1;
      x1 = x2;
      d1 = d2;
      x2 = b - k * (b - a);
      d2 = dist(x2);
    }
  }
  const double x = d1 <= d2 ? x1 : x2;
  *d = std::fmin(d1, d2);
  *w = std::exp(x);
}

}  // namespace

bool TFctTransfert::ModulusMargin(double* m, double* w) {
  const bool bf = ModeBF;
  ModeBF = false;
  TReponse r(this);
  const std::vector<TEch> e = Echantillons(r);
  std::vector<double> d(e.size());
  for (size_t i = 0; i < e.size(); ++i) d[i] = DistanceCritique(e[i].y);
  const double plusPetit = e.empty() ? INFINITY : *std::min_element(d.begin(), d.end());
  *m = INFINITY;
  for (size_t i = 0; i < e.size(); ++i) {
    // The first sample of each local minimum (a plateau counts once); those well above the
    // smallest sample cannot hold the minimum.
    const bool avant = i == 0 || d[i] < d[i - 1], apres = i + 1 == e.size() || d[i] <= d[i + 1];
    if (!avant || !apres || d[i] > 1.25 * plusPetit) continue;
    double dm = d[i], wm = e[i].w;
    // Refined between its neighbours; at an end of the interval the end is kept.
    if (i > 0 && i + 1 < e.size()) MinimumDistance(r, e[i - 1].w, e[i + 1].w, &dm, &wm);
    if (!(dm <= d[i])) {
      dm = d[i];
      wm = e[i].w;
    }
    if (dm < *m) {
      *m = dm;
      *w = wm;
    }
  }
  ModeBF = bf;
  return std::isfinite(*m);
}

bool TFctTransfert::DelayMargin(double* tau) {
  const bool bf = ModeBF;
  ModeBF = false;
  std::vector<TCroise> c;
  CroisementsModule(0, &c);
  ModeBF = bf;
  bool found = false;
  for (const TCroise& x : c) {
    // The extra lag that brings the phase of the crossing down to -180 degrees, modulo a turn.
    const double mp = std::fmod(x.y.p + kPi, 2 * kPi);
    const double marge = mp < 0 ? mp + 2 * kPi : mp;
    if (!(marge > 0) || !(x.w > 0)) continue;
    const double t = marge / x.w;
    if (!found || t < *tau) *tau = t;
    found = true;
  }
  return found;
}

bool TFctTransfert::SearchPhase(double Phase, double* w) {
  const double ph = Phase * kPi / 180;
  auto dessus = [ph](const TComplexP& y) { return y.p > ph; };
  TReponse r(this);
  const std::vector<TEch> e = Echantillons(r);
  std::vector<TCroise> c;
  Croisements(r, e, dessus, &c);
  CorrecPhase = false;
  FirstCorrec = true;
  *w = c.empty() ? Bout(e, dessus) : c.front().w;
  return !c.empty();
}

bool TFctTransfert::SearchModule(double Module, double* w) {
  const double m = std::pow(10.0, Module / 20);
  auto dessus = [m](const TComplexP& y) { return y.m > m; };
  TReponse r(this);
  const std::vector<TEch> e = Echantillons(r);
  std::vector<TCroise> c;
  Croisements(r, e, dessus, &c);
  *w = c.empty() ? Bout(e, dessus) : c.front().w;
  return !c.empty();
}

double TFctTransfert::PenteModule(double w) {
  TReponse r(this);
  TComplexP y;
  double d;
  if (r.PenteLn(w, &d) && r.Eval(w, NAN, &y)) return y.m * d;
  // Without a fraction: central difference of the linear modulus.
  const double dw = w / 1000;
  TComplexP y1{0, 0}, y2{0, 0};
  r.Eval(w + dw, NAN, &y1);
  r.Eval(w - dw, NAN, &y2);
  return (y1.m - y2.m) / (2 * dw);
}

bool TFctTransfert::SearchdBMax(double* w) {
  TReponse r(this);
  const std::vector<TEch> e = Echantillons(r);
  if (e.empty()) {
    *w = kW10;
    return false;
  }
  size_t im = 0;
  for (size_t i = 1; i < e.size(); ++i)
    if (e[i].y.m > e[im].y.m) im = i;
  const double bouts = std::max(e.front().y.m, e.back().y.m);
  if (im == 0 || im + 1 == e.size() || !(e[im].y.m > bouts * (1 + kBruitMax))) {
    *w = e.front().y.m >= e.back().y.m ? e.front().w : e.back().w;
    return false;
  }
  double w1 = e[im - 1].w, w2 = e[im + 1].w, d1, d2;
  if (r.PenteLn(w1, &d1) && r.PenteLn(w2, &d2) && d1 > 0 && d2 < 0) {
    // The exact slope changes sign at the peak.
    double d;
    while (w2 / w1 - 1 > kConv) {
      const double wm = std::sqrt(w1 * w2);
      if (r.PenteLn(wm, &d) && d > 0)
        w1 = wm;
      else
        w2 = wm;
    }
  } else {
    // Golden-section search on ln w, comparing moduli.
    const double k = 0.3819660112501051;
    double a = std::log(w1), b = std::log(w2);
    double x1 = a + k * (b - a), x2 = b - k * (b - a);
    TComplexP y1, y2;
    bool ok1 = r.Eval(std::exp(x1), NAN, &y1), ok2 = r.Eval(std::exp(x2), NAN, &y2);
    while (std::exp(b - a) - 1 > kConv) {
      if (!ok2 || (ok1 && y1.m >= y2.m)) {
        b = x2;
        x2 = x1;
        y2 = y1;
        ok2 = ok1;
        x1 = a + k * (b - a);
        ok1 = r.Eval(std::exp(x1), NAN, &y1);
      } else {
        a = x1;
        x1 = x2;
        y1 = y2;
        ok1 = ok2;
        x2 = b - k * (b - a);
        ok2 = r.Eval(std::exp(x2), NAN, &y2);
      }
    }
    w1 = std::exp(a);
    w2 = std::exp(b);
  }
  *w = std::sqrt(w1 * w2);
  return true;
}
