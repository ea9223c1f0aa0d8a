// Root locus against closed forms worked by hand (asymptotes, separation points, imaginary-axis
// crossings by Routh's table, stable gain ranges), and its branches against the equation they
// follow: every point a root, short chords, each chord along the tangent ds/dk = -N/(D' + kN').
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "expr/LieuEvans.h"
#include "expr/Roots.h"

namespace {

using Cx = std::complex<double>;
const double kInf = INFINITY;
const double r3 = std::sqrt(3.0), r6 = std::sqrt(6.0), r7 = std::sqrt(7.0);

TPoly P(const std::vector<double>& c) { return TPoly(c.data(), static_cast<unsigned>(c.size() - 1)); }

Cx Val(const std::vector<double>& c, Cx s) {
  Cx v = 0;
  for (size_t i = c.size(); i-- > 0;) v = v * s + c[i];
  return v;
}

std::vector<double> Derivee(const std::vector<double>& c) {
  std::vector<double> d;
  for (size_t i = 1; i < c.size(); ++i) d.push_back(i * c[i]);
  return d;
}

struct Sep {
  double s, k;
  bool arrivee;
};
struct Cas {
  const char* nom;
  std::vector<double> num, den;  // constant term first
  double centre;
  std::vector<double> angles;  // degrees
  std::vector<Sep> separations;
  std::vector<std::pair<double, double>> croisements;  // w, k
  std::vector<std::pair<double, double>> stables;      // kmin, kmax
};

// Hand calculations: separations from N D' - D N' = 0 and k = -D/N there; crossings from
// Routh's table (row s^1 vanishing, auxiliary polynomial of row s^2); stable ranges from the
// signs of the first column.
const Cas kCas[] = {
    // 1/(s(s+1)(s+2)): 3s^2 + 6s + 2 = 0; s^3 + 3s^2 + 2s + k: 3*2 = k, 3s^2 + 6 = 0.
    {"1/(s(s+1)(s+2))", {1}, {0, 2, 3, 1}, -1, {60, 180, 300},
     {{-1 + 1 / r3, 2 / (3 * r3), false}}, {{std::sqrt(2.0), 6}}, {{0, 6}}},
    // 1/((s+1)(s+2)): 2s + 3 = 0, k = 1/4; s^2 + 3s + 2 + k always stable.
    {"1/((s+1)(s+2))", {1}, {2, 3, 1}, -1.5, {90, 270}, {{-1.5, 0.25, false}}, {}, {{0, kInf}}},
    // (s+3)/(s(s+1)): s^2 + 6s + 3 = 0, s = -3 -+ sqrt(6), k = 5 +- 2 sqrt(6) (break-in to
    // the left of the zero); s^2 + (1+k)s + 3k always stable.
    {"(s+3)/(s(s+1))", {3, 1}, {0, 1, 1}, 2, {180},
     {{-3 + r6, 5 - 2 * r6, false}, {-3 - r6, 5 + 2 * r6, true}}, {}, {{0, kInf}}},
    // 10(s+2)/((s-1)(s+5)): s^2 + (4+10k)s - 5 + 20k, stable for k > 1/4, the crossing at s = 0.
    {"10(s+2)/((s-1)(s+5))", {20, 10}, {-5, 4, 1}, -2, {180}, {}, {{0, 0.25}}, {{0.25, kInf}}},
    // (s^2+s+5)/(s^3+s^2+s+0.5): s^3 + (1+k)s^2 + (1+k)s + 0.5 + 5k, row s^1 vanishes for
    // k^2 - 3k + 0.5 = 0: stable below (3 - sqrt 7)/2 and above (3 + sqrt 7)/2, crossings at
    // w^2 = 1 + k.
    {"(s^2+s+5)/(s^3+s^2+s+0.5)", {5, 1, 1}, {0.5, 1, 1, 1}, 0, {180}, {},
     {{std::sqrt(1 + (3 - r7) / 2), (3 - r7) / 2}, {std::sqrt(1 + (3 + r7) / 2), (3 + r7) / 2}},
     {{0, (3 - r7) / 2}, {(3 + r7) / 2, kInf}}},
};

// Whether D + k N has every root in the left half-plane, by the root solver.
bool Stable(const Cas& c, double k) {
  std::vector<double> p(std::max(c.num.size(), c.den.size()), 0.0);
  for (size_t i = 0; i < c.den.size(); ++i) p[i] += c.den[i];
  for (size_t i = 0; i < c.num.size(); ++i) p[i] += k * c.num[i];
  std::vector<TComplex> r;
  EXPECT_TRUE(PolyRoots(P(p), r));
  for (const TComplex& z : r)
    if (!(z.Re < 0)) return false;
  return true;
}

TEST(LieuEvans, ExactPointsAgainstHandCalculations) {
  for (const Cas& c : kCas) {
    SCOPED_TRACE(c.nom);
    TLieuEvans l;
    ASSERT_TRUE(l.Calcule(P(c.num), P(c.den)));
    EXPECT_EQ(l.Poles.size(), c.den.size() - 1);
    EXPECT_EQ(l.Zeros.size(), c.num.size() - 1);
    EXPECT_NEAR(l.Centre, c.centre, 1e-12);
    ASSERT_EQ(l.Angles.size(), c.angles.size());
    for (size_t i = 0; i < c.angles.size(); ++i)
      EXPECT_NEAR(l.Angles[i] * 180 / M_PI, c.angles[i], 1e-9);
    ASSERT_EQ(l.Separations.size(), c.separations.size());
    for (const Sep& e : c.separations) {
      bool vu = false;
      for (const auto& s : l.Separations) {
        if (std::fabs(s.s.Re - e.s) > 1e-9 * (1 + std::fabs(e.s))) continue;
        vu = true;
        EXPECT_EQ(s.s.Im, 0);
        EXPECT_NEAR(s.k, e.k, 1e-9 * e.k);
        EXPECT_EQ(s.Arrivee, e.arrivee) << e.s;
      }
      EXPECT_TRUE(vu) << e.s;
    }
    ASSERT_EQ(l.Croisements.size(), c.croisements.size());
    for (size_t i = 0; i < c.croisements.size(); ++i) {
      EXPECT_EQ(l.Croisements[i].s.Re, 0);
      EXPECT_NEAR(l.Croisements[i].s.Im, c.croisements[i].first, 1e-9);
      EXPECT_NEAR(l.Croisements[i].k, c.croisements[i].second, 1e-9 * c.croisements[i].second);
    }
    ASSERT_EQ(l.Stabilite.size(), c.stables.size());
    for (size_t i = 0; i < c.stables.size(); ++i) {
      const auto& g = l.Stabilite[i];
      EXPECT_NEAR(g.kmin, c.stables[i].first, 1e-9 * c.stables[i].first);
      if (std::isinf(c.stables[i].second)) {
        EXPECT_TRUE(std::isinf(g.kmax));
      } else {
        EXPECT_NEAR(g.kmax, c.stables[i].second, 1e-9 * c.stables[i].second);
      }
      // The root solver agrees on both sides of every end: stable inside, not outside.
      for (double e : {g.kmin, g.kmax}) {
        if (!(e > 0) || std::isinf(e)) continue;
        const bool bas = e == g.kmin;
        EXPECT_EQ(Stable(c, e * (1 + 1e-6)), bas) << e;
        EXPECT_EQ(Stable(c, e * (1 - 1e-6)), !bas) << e;
      }
    }
  }
}

// The branches of the table's loci and of an order-8 loop whose two pairs of complex poles lie
// close together (their branches pass near each other), with the view and chord of a chart.
TEST(LieuEvans, BranchesFollowTheRootsContinuously) {
  std::vector<Cas> cas(std::begin(kCas), std::end(kCas));
  // (s+3)(s+7)/((s+1)(s+1.05)(s^2+0.2s+4)(s^2+0.25s+4.2)(s+6)(s+8))
  std::vector<double> den = {1};
  for (std::vector<double> f : std::vector<std::vector<double>>{
           {1, 1}, {1.05, 1}, {4, 0.2, 1}, {4.2, 0.25, 1}, {6, 1}, {8, 1}}) {
    std::vector<double> r(den.size() + f.size() - 1, 0.0);
    for (size_t i = 0; i < den.size(); ++i)
      for (size_t j = 0; j < f.size(); ++j) r[i + j] += den[i] * f[j];
    den = r;
  }
  cas.push_back({"ordre 8", {21, 10, 1}, den, 0, {}, {}, {}, {}});
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    TLieuEvans l;
    ASSERT_TRUE(l.Calcule(P(c.num), P(c.den)));
    const double xn = -10, xm = 4, yn = -10, ym = 10, corde = 0.01;
    std::vector<TLieuEvans::TBranche> b;
    l.Branches(xn, xm, yn, ym, corde, &b);
    ASSERT_FALSE(b.empty());
    auto dedans = [&](const TComplex& s) {
      return s.Re >= xn && s.Re <= xm && s.Im >= yn && s.Im <= ym;
    };
    const std::vector<double> dd = Derivee(c.den), dn = Derivee(c.num);
    // Points where the tangent is not defined: poles, zeros, separation points.
    std::vector<Cx> singuliers;
    for (const auto& s : l.Poles) singuliers.emplace_back(s.Re, s.Im);
    for (const auto& s : l.Zeros) singuliers.emplace_back(s.Re, s.Im);
    for (const auto& s : l.Separations) singuliers.emplace_back(s.s.Re, s.s.Im);
    size_t depart = 0, tangentes = 0;
    for (const auto& br : b) {
      depart += br.front().k == 0;
      for (size_t i = 0; i < br.size(); ++i) {
        const Cx s(br[i].s.Re, br[i].s.Im);
        const double k = br[i].k;
        if (std::isfinite(k)) {
          // Backward error: against the sum of the terms' moduli.
          double m = 0;
          for (size_t j = 0; j < c.den.size(); ++j) m += std::fabs(c.den[j]) * std::pow(std::abs(s), j);
          for (size_t j = 0; j < c.num.size(); ++j) m += k * std::fabs(c.num[j]) * std::pow(std::abs(s), j);
          EXPECT_LE(std::abs(Val(c.den, s) + k * Val(c.num, s)), 1e-12 * m) << s << " k=" << k;
        }
        if (i == 0) continue;
        EXPECT_GE(k, br[i - 1].k);
        const Cx a(br[i - 1].s.Re, br[i - 1].s.Im);
        if (!dedans(br[i - 1].s) && !dedans(br[i].s)) continue;
        EXPECT_LE(std::abs(s - a), corde * (1 + 1e-9)) << a << " -> " << s;
        // Along the tangent, away from where it turns or is not defined.
        double loin = INFINITY;
        for (const Cx& z : singuliers) loin = std::min(loin, std::abs(a - z));
        if (loin < 5 * corde || !std::isfinite(k) || std::abs(s - a) < corde / 100) continue;
        const Cx v = -Val(c.num, a) / (Val(dd, a) + br[i - 1].k * Val(dn, a));
        const double angle = std::fabs(std::arg((s - a) / v)) * 180 / M_PI;
        EXPECT_LT(angle, 20) << a << " -> " << s;
        ++tangentes;
      }
    }
    EXPECT_EQ(depart, c.den.size() - 1);  // one branch leaves each pole
    EXPECT_GT(tangentes, 100u);
    // The exact points are points of the branches.
    auto sur = [&](const TComplex& p) {
      for (const auto& br : b)
        for (const auto& q : br)
          if (std::hypot(q.s.Re - p.Re, q.s.Im - p.Im) <= 1e-6) return true;
      return false;
    };
    for (const auto& s : l.Separations) EXPECT_TRUE(sur(s.s)) << s.s.Re << " " << s.s.Im;
    for (const auto& x : l.Croisements) {
      EXPECT_TRUE(sur(x.s)) << x.s.Im;
      EXPECT_TRUE(sur(TComplex(x.s.Re, -x.s.Im))) << x.s.Im;
    }
  }
}

}  // namespace

namespace {

// Degenerate loci end, stay finite and keep their closed forms: roots of (s+1)^n + k lie on a
// circle of radius k^(1/n) round -1 and first cross the axis at k = 1/cos(pi/n)^n; a 50-fold pole
// comes out of the solver blurred, and its branches stop where their work runs out.
TEST(LieuEvans, DegenerateLociEndAndStayFinite) {
  auto puissance = [](int n) {  // (s+1)^n
    std::vector<double> c = {1};
    for (int i = 0; i < n; ++i) {
      std::vector<double> r(c.size() + 1, 0.0);
      for (size_t j = 0; j < c.size(); ++j) {
        r[j] += c[j];
        r[j + 1] += c[j];
      }
      c = r;
    }
    return c;
  };
  const struct {
    const char* nom;
    std::vector<double> num, den;
    size_t stables;  // number of stable ranges
    double kmax;     // upper end of the first one (NaN: not checked, inf: none)
  } cas[] = {
      {"(s+1)^-4", {1}, puissance(4), 1, 4},
      {"(s+1)^-50", {1}, puissance(50), 1, std::pow(std::cos(M_PI / 50), -50)},
      {"1/s^2", {1}, {0, 0, 1}, 0, NAN},  // roots +-j sqrt k: never strictly stable
      {"0/(s+1)", {0}, {1, 1}, 1, INFINITY},
      {"(s+1)(s+2)", {2, 3, 1}, {1}, 1, INFINITY},
      {"3", {3}, {1}, 1, INFINITY},
      {"(s^2+1)/(s^2+4)", {1, 0, 1}, {4, 0, 1}, 0, NAN},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(c.nom);
    TLieuEvans l;
    ASSERT_TRUE(l.Calcule(P(c.num), P(c.den)));
    ASSERT_EQ(l.Stabilite.size(), c.stables);
    if (c.stables > 0 && !std::isnan(c.kmax)) {
      EXPECT_EQ(l.Stabilite[0].kmin, 0);
      if (std::isinf(c.kmax)) {
        EXPECT_TRUE(std::isinf(l.Stabilite[0].kmax));
      } else {
        EXPECT_NEAR(l.Stabilite[0].kmax, c.kmax, 1e-6 * c.kmax);
      }
    }
    std::vector<TLieuEvans::TBranche> b;
    l.Branches(-4, 2, -3, 3, 0.01, &b);
    for (const auto& br : b)
      for (const auto& p : br)
        EXPECT_TRUE(std::isfinite(p.s.Re) && std::isfinite(p.s.Im)) << p.k;
  }
}

}  // namespace
