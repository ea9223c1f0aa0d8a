// Nyquist criterion and locus: the turns of the image of the Nyquist contour round -1, counted
// from the frequency response with the half-circles round the imaginary-axis poles known in
// closed form, and the points of the locus for the chart.
#include "model/Nyquist.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "expr/ItMath.h"
#include "expr/PolyItMath.h"
#include "expr/Roots.h"
#include "model/FctTransfert.h"

namespace {

constexpr double kPi = 3.141592653589793;
// A root whose real part is below this fraction of its modulus is on the imaginary axis.
constexpr double kAxe = 1e-9;
// Two axis poles closer than this fraction of their frequency are one (a multiple root comes out
// of the solver as a small cluster).
constexpr double kMemePole = 1e-6;
// Radius of the half-circle round a pole j*w0, as a fraction of w0 (the count), and where the
// chart's branches stop short of the pole.
constexpr double kIndentation = 1e-7;
constexpr double kArretLieu = 1e-6;
constexpr int kParDecade = 20;
// Evaluations one count may use: a response that needs more is not counted.
constexpr long kMaxEvaluations = 400000;
// Relative distance under which a root of the numerator and one of the denominator of an
// expression's fraction are one (as for the closed-loop stability test of the report).
constexpr double kSimplification = 1e-6;
// Above this degree the roots are not computed.
constexpr unsigned kDegreMax = 200;
// Points of one chart locus at most, whatever the refinement asks.
constexpr size_t kMaxPointsLieu = 60000;
// Samples added around a root x + jy at |y| + t|x| (as the searches do).
constexpr double kLargeurs[] = {-4, -2, -1, -0.5, -0.25, 0, 0.25, 0.5, 1, 2, 4};

// Representative of the angle a (modulo 2 pi) nearest to cible.
double Proche(double a, double cible) { return cible + std::remainder(a - cible, 2 * kPi); }

bool SurAxe(const TComplex& r) { return std::fabs(r.Re) <= kAxe * r.Module(); }

// Frequencies where a root x + jy makes the response change.
void Marques(const TComplex& r, std::vector<double>* m) {
  m->push_back(r.Module());
  const double y = std::fabs(r.Im);
  if (y == 0) return;
  for (double t : kLargeurs) m->push_back(y + t * std::fabs(r.Re));
}

// Roots of a s^2 + b s + c (a = 0: of b s + c), exact on the axis when b = 0.
void RacinesQuadratique(const TFctTransfert::Tpc& q, std::vector<TComplex>* r) {
  if (q.a == 0) {
    if (q.b != 0) r->emplace_back(-q.c / q.b, 0.0);
    return;
  }
  const double d = q.b * q.b - 4 * q.a * q.c, x = -q.b / (2 * q.a);
  if (d < 0) {
    const double y = std::sqrt(-d) / (2 * std::fabs(q.a));
    r->emplace_back(x, y);
    r->emplace_back(x, -y);
    return;
  }
  // The root of larger modulus first, the other from the product c/a without cancellation.
  const double big = -(q.b + std::copysign(std::sqrt(d), q.b)) / (2 * q.a);
  r->emplace_back(big, 0.0);
  r->emplace_back(big != 0 ? q.c / (q.a * big) : 0.0, 0.0);
}

// The roots of a function's open loop and of its closed-loop characteristic polynomial.
struct TRacines {
  std::vector<TComplex> poles, zeros, boucle;
  bool boucleNulle = false;  // den + num is identically zero (H = -1)
  int exces = 0;             // degree of num minus degree of den
};

// A multiple root comes out of the solver as a small cluster round it (spread as the precision
// to the power one over the multiplicity): each cluster is replaced by its mean, as many times as
// it has members, which is the root to the precision of a simple one.
constexpr double kGrappe = 1e-5;
void Regroupe(std::vector<TComplex>* r) {
  std::vector<TComplex> out;
  std::vector<bool> pris(r->size(), false);
  for (size_t i = 0; i < r->size(); ++i) {
    if (pris[i]) continue;
    TComplex somme(0, 0);
    int n = 0;
    for (size_t j = i; j < r->size(); ++j) {
      if (pris[j] || ((*r)[j] - (*r)[i]).Module() > kGrappe * (*r)[i].Module()) continue;
      pris[j] = true;
      somme += (*r)[j];
      ++n;
    }
    out.insert(out.end(), static_cast<size_t>(n), somme * (1.0 / n));
  }
  *r = std::move(out);
}

int Tete(const TPoly& p) {
  int i = static_cast<int>(p.Deg);
  while (i >= 0 && p.Coef[i] == 0.0) --i;
  return i;
}

// False when f is not a rational function or its roots cannot be found.
bool RacinesDe(TFctTransfert* f, TRacines* r, bool* rationnel) {
  TQuotPolyH q(f, true);
  *rationnel = q.Err == 0 && q.Num.IsDefined() && q.Den.IsDefined();
  if (!*rationnel) return false;
  // The pairs an expression multiplies and divides by are cancelled, as for the stability test.
  if (f->Expression != nullptr) q.Simplifie(kSimplification);
  if (q.Num.Deg > kDegreMax || q.Den.Deg > kDegreMax) return false;
  const TPoly cl = q.Den + q.Num;
  if (Tete(q.Num) < 0) {
    // H = 0: no zero, the loop's roots are the poles.
  } else if (!PolyRoots(q.Num, r->zeros)) {
    return false;
  }
  if (cl.IsZero()) {
    r->boucleNulle = true;
  } else if (!PolyRoots(cl, r->boucle)) {
    return false;
  }
  Regroupe(&r->boucle);
  r->exces = Tete(q.Num) >= 0 ? Tete(q.Num) - Tete(q.Den) : 0;
  if (f->Expression == nullptr) {
    // Described by its factors: the roots come from the factors, exact on the axis.
    r->poles.clear();
    r->zeros.clear();
    for (int i = 0; i < f->nbp; ++i) r->poles.emplace_back(f->p[i], 0.0);
    for (int i = 0; i < f->nbpc; ++i) RacinesQuadratique(f->pc[i], &r->poles);
    for (int i = 0; i < f->nbz; ++i) r->zeros.emplace_back(f->z[i], 0.0);
    for (int i = 0; i < f->nbzc; ++i) RacinesQuadratique(f->zc[i], &r->zeros);
    if (f->g == 0) r->zeros.clear();
    return true;
  }
  if (!PolyRoots(q.Den, r->poles)) return false;
  Regroupe(&r->poles);
  Regroupe(&r->zeros);
  return true;
}

// Imaginary-axis poles (w >= 0) of the roots, the order of each being the poles there less the
// zeros there.
std::vector<TAxisPole> PolesAxe(const TRacines& r) {
  std::vector<TAxisPole> a;
  auto ajoute = [&a](const TComplex& c, int k) {
    if (c.Im < 0 || !SurAxe(c)) return;
    const double w = c.Im;
    for (TAxisPole& p : a) {
      if (std::fabs(p.w - w) <= kMemePole * std::fmax(p.w, w)) {
        p.ordre += k;
        return;
      }
    }
    if (k > 0) a.push_back({w, k});
  };
  for (const TComplex& c : r.poles) ajoute(c, 1);
  for (const TComplex& c : r.zeros) ajoute(c, -1);
  a.erase(std::remove_if(a.begin(), a.end(), [](const TAxisPole& p) { return p.ordre <= 0; }),
          a.end());
  std::sort(a.begin(), a.end(), [](const TAxisPole& x, const TAxisPole& y) { return x.w < y.w; });
  return a;
}

void ContourDe(const TRacines& r, TNyquistContour* c) {
  c->poles = PolesAxe(r);
  c->excesInfini = std::max(0, r.exces);
  double rmin = 1, rmax = 1;
  c->marques.clear();
  for (const auto* v : {&r.poles, &r.zeros, &r.boucle}) {
    for (const TComplex& x : *v) {
      const double m = x.Module();
      if (!(m > 0) || !std::isfinite(m)) continue;
      rmin = std::fmin(rmin, m);
      rmax = std::fmax(rmax, m);
      Marques(x, &c->marques);
    }
  }
  c->wBas = std::fmin(1e-6, 1e-4 * rmin);
  c->wHaut = std::fmax(1e6, 1e4 * rmax);
}

// The count along the axis: the change of the argument of 1 + H, sampled until two neighbouring
// values are close compared with their distance to -1.
class TDecompte {
 public:
  explicit TDecompte(const TAxisResponse& h) : h_(h) {}

  bool Eval(double w, TComplex* v) {
    if (++evaluations_ > kMaxEvaluations) return false;
    if (!h_(w, v) || !std::isfinite(v->Re) || !std::isfinite(v->Im)) return false;
    if (TComplex(1 + v->Re, v->Im).Module() <= 1e-12 * std::fmax(1.0, v->Module()))
      parMoinsUn_ = true;
    return true;
  }

  // Adds the change of arg(1 + H) from w1 (value v1) to w2 (value v2) to *acc.
  bool Segment(double w1, const TComplex& v1, double w2, const TComplex& v2, double* acc) {
    const TComplex a(1 + v1.Re, v1.Im), b(1 + v2.Re, v2.Im);
    const double corde = (v2 - v1).Module(), d = std::fmin(a.Module(), b.Module());
    if (corde <= 0.5 * d) {
      // Both values seen from -1 within 30 degrees: the change is the angle between them.
      *acc += std::atan2(a.Re * b.Im - a.Im * b.Re, a.Re * b.Re + a.Im * b.Im);
      return true;
    }
    const double m = w2 > 1.5 * w1 ? std::sqrt(w1 * w2) : w1 + (w2 - w1) / 2;
    if (!(m > w1 && m < w2)) {
      // No frequency left between them: the image runs through -1 here.
      parMoinsUn_ = true;
      *acc += std::atan2(a.Re * b.Im - a.Im * b.Re, a.Re * b.Re + a.Im * b.Im);
      return true;
    }
    TComplex vm;
    if (!Eval(m, &vm)) return false;
    return Segment(w1, v1, m, vm, acc) && Segment(m, vm, w2, v2, acc);
  }

  // Change along [w1, w2] sampled at least kParDecade per decade and at the marks; the values at
  // the ends go to *v1 and *v2.
  bool Axe(double w1, double w2, const std::vector<double>& marques, TComplex* v1, TComplex* v2,
           double* acc) {
    std::vector<double> g;
    const int n = std::max(1, static_cast<int>(std::ceil(kParDecade * std::log10(w2 / w1))));
    for (int i = 0; i <= n; ++i) g.push_back(w1 * std::pow(w2 / w1, static_cast<double>(i) / n));
    g.front() = w1;
    g.back() = w2;
    for (double w : marques)
      if (w > w1 && w < w2) g.push_back(w);
    std::sort(g.begin(), g.end());
    g.erase(std::unique(g.begin(), g.end()), g.end());
    TComplex prec;
    if (!Eval(g[0], &prec)) return false;
    *v1 = prec;
    for (size_t i = 1; i < g.size(); ++i) {
      TComplex v;
      if (!Eval(g[i], &v) || !Segment(g[i - 1], prec, g[i], v, acc)) return false;
      prec = v;
    }
    *v2 = prec;
    return true;
  }

  bool ParMoinsUn() const { return parMoinsUn_; }

 private:
  const TAxisResponse& h_;
  long evaluations_ = 0;
  bool parMoinsUn_ = false;
};

double Arg1Plus(const TComplex& v) { return std::atan2(v.Im, 1 + v.Re); }

// Change along a quarter-circle between the real axis (where 1 + H is real: argument 0 or pi)
// and the axis value v, expected near cible: the candidate nearest to it. sens: +1 from the real
// axis to v, -1 from v to the real axis. *loin: neither candidate is within 45 degrees of cible,
// as when 1 + H vanishes at that end of the axis.
double QuartDeCercle(const TComplex& v, int sens, double cible, bool* loin) {
  double best = 0, ecart = 1e300;
  for (double reel : {0.0, kPi}) {
    const double d = Proche(sens * (Arg1Plus(v) - reel), cible);
    if (std::fabs(d - cible) < ecart) {
      ecart = std::fabs(d - cible);
      best = d;
    }
  }
  if (ecart > kPi / 4) *loin = true;
  return best;
}

}  // namespace

bool CountEncirclements(const TAxisResponse& h, const TNyquistContour& c, TEncirclements* r) {
  if (!(c.wBas > 0) || !(c.wHaut > c.wBas)) return false;
  int k0 = 0;
  std::vector<TAxisPole> poles;
  for (const TAxisPole& p : c.poles) {
    if (p.w == 0)
      k0 += p.ordre;
    else if (p.w > c.wBas && p.w < c.wHaut)
      poles.push_back(p);
  }
  std::sort(poles.begin(), poles.end(),
            [](const TAxisPole& x, const TAxisPole& y) { return x.w < y.w; });
  TDecompte d(h);
  // Half of the contour, s from +0 up the axis to +j infinity and down the half-circle to the
  // real axis: the other half is its mirror image, whose change of argument is the same.
  double total = 0;
  bool loin = false;
  double w1 = c.wBas;
  TComplex fin;
  bool premier = true;
  for (size_t i = 0; i <= poles.size(); ++i) {
    const double w2 = i < poles.size() ? poles[i].w * (1 - kIndentation) : c.wHaut;
    TComplex v1, v2;
    if (w2 > w1) {
      if (!d.Axe(w1, w2, c.marques, &v1, &v2, &total)) return false;
    } else if (!d.Eval(w1, &v1)) {
      return false;
    } else {
      v2 = v1;
    }
    if (premier) {
      // The quarter of the half-circle round 0 (radius wBas when there is no pole there).
      total += QuartDeCercle(v1, 1, -k0 * kPi / 2, &loin);
      premier = false;
    } else {
      // The half-circle round the previous pole: an arc turning clockwise by ordre * 180 degrees.
      const double cible = -poles[i - 1].ordre * kPi;
      const double arc = Proche(Arg1Plus(v1) - Arg1Plus(fin), cible);
      if (std::fabs(arc - cible) > kPi / 4) loin = true;
      total += arc;
    }
    fin = v2;
    if (i < poles.size()) w1 = poles[i].w * (1 + kIndentation);
  }
  total += QuartDeCercle(fin, -1, -c.excesInfini * kPi / 2, &loin);
  const double n = -total / kPi;
  // An arc far from its limit: 1 + H vanishes at an end of the axis or by a pole.
  r->parMoinsUn = d.ParMoinsUn() || loin;
  r->N = static_cast<int>(std::lround(n));
  if (!r->parMoinsUn && std::fabs(n - r->N) > 0.05) return false;
  return true;
}

bool NyquistContourOf(TFctTransfert* f, TNyquistContour* c) {
  TRacines r;
  bool rationnel;
  if (!RacinesDe(f, &r, &rationnel)) return false;
  ContourDe(r, c);
  return true;
}

namespace {

// H(jw) of f's open loop, without message, loop mode or unwrapping.
// dire: an evaluation error is printed as Value prints it.
bool ReponseBO(TFctTransfert* f, double w, TComplex* h, bool dire) {
  TComplexP y;
  f->EnCalcul = true;
  const int e = f->Value_(w, &y);
  f->EnCalcul = false;
  if (e != 0) {
    if (dire) std::printf("Erreur : %s\n", TItMath::ErrMsg(e));
    return false;
  }
  *h = TComplex(y.m * std::cos(y.p), y.m * std::sin(y.p));
  return true;
}

}  // namespace

void NyquistCriterionOf(TFctTransfert* f, TNyquistCriterion* r) {
  *r = TNyquistCriterion();
  TRacines rac;
  if (!RacinesDe(f, &rac, &r->rationnel)) return;
  TNyquistContour c;
  ContourDe(rac, &c);
  for (const TComplex& p : rac.poles)
    if (p.Re > 0 && !SurAxe(p)) ++r->P;
  r->parMoinsUn = rac.boucleNulle;
  for (const TComplex& p : rac.boucle) {
    if (SurAxe(p))
      r->parMoinsUn = true;
    else if (p.Re > 0)
      ++r->ZRacines;
  }
  TEncirclements e;
  const bool compte = CountEncirclements(
      [f](double w, TComplex* h) { return ReponseBO(f, w, h, false); }, c, &e);
  r->ok = true;
  if (!compte) {
    r->accord = false;
    r->N = r->ZRacines - r->P;
  } else {
    r->N = e.N;
    // Through -1 there is no Z: the count only has to see it too when the roots do not.
    r->accord = r->parMoinsUn || (!e.parMoinsUn && e.N + r->P == r->ZRacines);
  }
  r->Z = r->N + r->P;
}

double CompressModulus(double m, double R) { return m <= R ? m : R * (2 - R / m); }

TComplex CompressPoint(const TComplex& h, double R) {
  const double m = h.Module();
  if (m <= R) return h;
  if (!std::isfinite(m)) return TComplex(NAN, NAN);
  const double k = CompressModulus(m, R) / m;
  return TComplex(h.Re * k, h.Im * k);
}

namespace {

// Chart radius R: the smallest of 1.5, 2 and 3 that holds the locus, 3 when none does.
double RayonCompression(const std::vector<std::vector<TLocusPoint>>& b) {
  double m = 0;
  for (const auto& br : b)
    for (const TLocusPoint& p : br) {
      const double x = p.h.Module();
      if (std::isfinite(x)) m = std::fmax(m, x);
      else m = INFINITY;
    }
  for (double r : {1.5, 2.0}) 
    if (m <= r) return r;
  return 3;
}

bool Fini(const TComplex& h) { return std::isfinite(h.Re) && std::isfinite(h.Im); }

// Inserts points between neighbours of br whose compressed images are farther apart than pas.
bool Affine(TFctTransfert* f, double R, double pas, std::vector<TLocusPoint>* br, size_t* total) {
  if (br->size() < 2) return true;
  std::vector<TLocusPoint> out(1, br->front());
  // Intervals still to look at, the leftmost last: each one that needs no point closes at its
  // right end, so the ends come out in increasing frequency.
  std::vector<std::pair<TLocusPoint, TLocusPoint>> pile;
  for (size_t i = 0; i + 1 < br->size(); ++i) {
    pile.assign(1, {(*br)[i], (*br)[i + 1]});
    while (!pile.empty()) {
      const TLocusPoint a = pile.back().first, b = pile.back().second;
      pile.pop_back();
      const double m = b.w > 1.5 * a.w ? std::sqrt(a.w * b.w) : a.w + (b.w - a.w) / 2;
      const bool coupe = *total < kMaxPointsLieu && m > a.w && m < b.w && Fini(a.h) &&
                         Fini(b.h) &&
                         (CompressPoint(b.h, R) - CompressPoint(a.h, R)).Module() > pas;
      if (!coupe) {
        out.push_back(b);
        continue;
      }
      TLocusPoint p{m, {}};
      if (!ReponseBO(f, m, &p.h, true)) return false;
      ++*total;
      pile.push_back({p, b});
      pile.push_back({a, p});
    }
  }
  *br = std::move(out);
  return true;
}

}  // namespace

bool NyquistLocusOf(TFctTransfert* f, int nbp, TNyquistLocus* l) {
  constexpr double kW1 = 1e-6, kW2 = 1e6;
  l->branches.clear();
  l->poles.clear();
  TNyquistContour c;
  if (NyquistContourOf(f, &c)) l->poles = c.poles;
  // As many points as the Bode chart allows at most, before the refinement.
  nbp = std::min(std::max(nbp, 2), 100000);
  std::vector<double> g;
  for (int i = 0; i < nbp; ++i) g.push_back(kW1 * std::pow(kW2 / kW1, static_cast<double>(i) / (nbp - 1)));
  g.front() = kW1;
  g.back() = kW2;
  for (double w : c.marques)
    if (w > kW1 && w < kW2) g.push_back(w);
  // Each pole inside the range ends a branch just before it and starts the next just after.
  std::vector<double> coupures;
  for (const TAxisPole& p : l->poles)
    if (p.w > kW1 && p.w < kW2) coupures.push_back(p.w);
  for (double w : coupures) {
    g.push_back(w * (1 - kArretLieu));
    g.push_back(w * (1 + kArretLieu));
  }
  std::sort(g.begin(), g.end());
  g.erase(std::unique(g.begin(), g.end()), g.end());
  l->branches.emplace_back();
  size_t k = 0;
  for (double w : g) {
    while (k < coupures.size() && w > coupures[k]) {
      ++k;
      l->branches.emplace_back();
    }
    // A frequency within the stop of a pole belongs to neither branch.
    bool pres = false;
    for (double p : coupures) pres = pres || std::fabs(w - p) < kArretLieu * p * 0.999;
    if (pres) continue;
    TLocusPoint p{w, {}};
    if (!ReponseBO(f, w, &p.h, true)) return false;
    l->branches.back().push_back(p);
  }
  l->R = RayonCompression(l->branches);
  // Neighbouring points no farther apart than 1/300 of the chart's half-width (2R).
  const double pas = 2 * l->R / 300;
  size_t total = g.size();
  for (auto& br : l->branches)
    if (!Affine(f, l->R, pas, &br, &total)) return false;
  return true;
}
