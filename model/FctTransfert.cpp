// Transfer-function record: building the description and evaluating it at s = jw.
#include "model/FctTransfert.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "expr/ItMath.h"
#include "model/Limits.h"

namespace {

constexpr double kPi = 3.141592653589793;

char* CopyString(const char* s) {
  if (s == nullptr) return nullptr;
  size_t n = std::strlen(s) + 1;
  char* r = new char[n];
  std::memcpy(r, s, n);
  return r;
}

// Appends one entry to an owned array of n entries. The storage holds the smallest power of
// two of entries not below n, so it is full only when n is 0 or a power of two: then it moves
// to twice the room, and n additions copy fewer than 2n entries in all.
template <class T>
void Append(T*& a, int& n, const T& v) {
  if ((n & (n - 1)) == 0) {
    T* na = new T[n == 0 ? 1 : 2 * static_cast<size_t>(n)];
    for (int i = 0; i < n; ++i) na[i] = a[i];
    delete[] a;
    a = na;
  }
  a[n] = v;
  ++n;
}

// atan2(y, x) within 2e-6 rad, without a call: the ratio of the smaller to the larger part
// (in [0, 1]) through an odd polynomial, then moved to its octant. Only ever used to choose a
// multiple of 2 pi.
inline double AngleApproche(double y, double x) {
  const double ax = std::fabs(x), ay = std::fabs(y);
  const bool raide = ay > ax;
  const double grand = raide ? ay : ax, petit = raide ? ax : ay;
  const double t = grand > 0 ? petit / grand : 0.0, t2 = t * t;
  double a = t * (0.99997726 +
                  t2 * (-0.33262347 + t2 * (0.19354346 + t2 * (-0.11643287 +
                                                                t2 * (0.05265332 - t2 * 0.01172120)))));
  a = raide ? kPi / 2 - a : a;
  // The signs of zeros count as for atan2: atan2(-0, -1) = -pi.
  a = std::signbit(x) ? kPi - a : a;
  return std::copysign(a, y);
}

// Running product r + j i of complex factors, with its scale 2^e apart: kept within [2^-150,
// 2^150] in size by exact powers of two, so that no product of factors (each below 2^400), nor
// the quotient of two products, overflows or vanishes.
struct TProduit {
  double r = 1, i = 0;
  int e = 0;
  inline void Fois(double a, double b) {
    const double t = r * a - i * b;
    i = r * b + i * a;
    r = t;
    const double m = std::fabs(r) + std::fabs(i);
    if (__builtin_expect(m > 0x1p150 || m < 0x1p-150, 0)) Echelle();
  }
  // Brings the size near 1.
  void Echelle() {
    int k;
    std::frexp(std::fabs(r) + std::fabs(i), &k);
    r = std::ldexp(r, -k);
    i = std::ldexp(i, -k);
    e += k;
  }
};

// Largest part of a factor the product takes: beyond, one product could overflow.
constexpr double kFacteurMax = 0x1p400;

}  // namespace

TFctTransfert::TFctTransfert(const char* n) : Nom(CopyString(n)) {}

TFctTransfert::TFctTransfert(const TFctTransfert& f)
    : Checked(f.Checked), Color(f.Color), g(f.g), Retard(f.Retard) {
  AppendFactors(f);
  Nom = CopyString(f.Nom);
  Expression = CopyString(f.Expression);
}

TFctTransfert::~TFctTransfert() {
  delete[] z;
  delete[] p;
  delete[] pc;
  delete[] zc;
  delete[] Nom;
  delete[] Expression;
}

void TFctTransfert::InitValue(bool Correc) {
  CorrecPhase = Correc;
  FirstCorrec = true;
  // Delays that no single factor gathers are unwrapped with the rest.
  double tau = 0.0;
  RetardCorrec = Correc && RetardGlobal(&tau) ? tau : 0.0;
}

void TFctTransfert::Clear() {
  delete[] z;
  delete[] p;
  delete[] pc;
  delete[] zc;
  delete[] Expression;
  z = p = nullptr;
  pc = zc = nullptr;
  Expression = nullptr;
  nbz = nbp = nbpc = nbzc = 0;
  Integrat = false;
  ModeBF = false;
  g = 1.0;
  Retard = 0.0;
}

void TFctTransfert::ClearAll() {
  Clear();
  delete[] Nom;
  Nom = nullptr;
}

void TFctTransfert::Rename(const char* n) {
  char* c = CopyString(n);
  delete[] Nom;
  Nom = c;
}

void TFctTransfert::ChangeExpression(const char* n) {
  char* c = CopyString(n);
  delete[] Expression;
  Expression = c;
}

void TFctTransfert::AddPole(double np) {
  Append(p, nbp, np);
  if (np == 0.0) Integrat = true;
}

void TFctTransfert::AddZero(double nz) { Append(z, nbz, nz); }

void TFctTransfert::AddPoleC(double a, double b, double c) {
  Append(pc, nbpc, Tpc{a, b, c});
  if (c == 0.0) Integrat = true;
}

void TFctTransfert::AddZeroC(double a, double b, double c) { Append(zc, nbzc, Tpc{a, b, c}); }

void TFctTransfert::AppendFactors(const TFctTransfert& f) {
  for (int i = 0; i < f.nbz; ++i) AddZero(f.z[i]);
  for (int i = 0; i < f.nbp; ++i) AddPole(f.p[i]);
  for (int i = 0; i < f.nbpc; ++i) AddPoleC(f.pc[i].a, f.pc[i].b, f.pc[i].c);
  for (int i = 0; i < f.nbzc; ++i) AddZeroC(f.zc[i].a, f.zc[i].b, f.zc[i].c);
}

TFctTransfert& TFctTransfert::operator*=(const TFctTransfert& f) {
  if (&f == this) {  // squaring: copy first, the adders reallocate our arrays
    TFctTransfert copy(f);
    return *this *= copy;
  }
  g *= f.g;
  Retard += f.Retard;  // e^(-a s) e^(-b s) = e^(-(a + b) s)
  AppendFactors(f);
  return *this;
}

TFctTransfert& TFctTransfert::operator=(const TFctTransfert& f) {
  if (&f == this) return *this;
  Clear();
  g = f.g;
  Retard = f.Retard;
  AppendFactors(f);
  return *this;
}

TComplexP TFctTransfert::ValueBO(double w) const {
  double m = std::fabs(g);
  double ph = g < 0 ? -kPi : 0.0;
  for (int i = 0; i < nbz; ++i) {
    m *= std::hypot(w, z[i]);
    ph += std::atan2(w, -z[i]);
  }
  for (int i = 0; i < nbp; ++i) {
    m /= std::hypot(w, p[i]);
    ph -= std::atan2(w, -p[i]);
  }
  for (int i = 0; i < nbpc; ++i) {
    double re = pc[i].c - pc[i].a * w * w, im = pc[i].b * w;
    m /= std::hypot(im, re);
    ph -= std::atan2(im, re);
  }
  for (int i = 0; i < nbzc; ++i) {
    double re = zc[i].c - zc[i].a * w * w, im = zc[i].b * w;
    m *= std::hypot(im, re);
    ph += std::atan2(im, re);
  }
  // Hundreds of factors can overflow (or underflow) the running product although the modulus
  // itself is an ordinary number: it is then formed again with its binary exponent apart.
  if ((!std::isfinite(m) || m == 0) && g != 0) m = ModuleEchelonne(w);
  // The delay leaves the modulus and adds -w tau to the continuous phase.
  if (Retard != 0.0) ph -= w * Retard;
  return {m, ph};
}

TComplexP TFctTransfert::ValueBOProduit(double w) const {
  TProduit n, d;
  double ph = g < 0 ? -kPi : 0.0;  // the factors' angles, approximate
  double taille = 0;               // the largest part of a factor
  for (int k = 0; k < nbz; ++k) {
    n.Fois(-z[k], w);
    ph += AngleApproche(w, -z[k]);
    taille = std::fabs(z[k]) > taille ? std::fabs(z[k]) : taille;
  }
  for (int k = 0; k < nbp; ++k) {
    d.Fois(-p[k], w);
    ph -= AngleApproche(w, -p[k]);
    taille = std::fabs(p[k]) > taille ? std::fabs(p[k]) : taille;
  }
  for (int k = 0; k < nbpc; ++k) {
    const double re = pc[k].c - pc[k].a * w * w, im = pc[k].b * w;
    d.Fois(re, im);
    ph -= AngleApproche(im, re);
    taille = std::fabs(re) + std::fabs(im) > taille ? std::fabs(re) + std::fabs(im) : taille;
  }
  for (int k = 0; k < nbzc; ++k) {
    const double re = zc[k].c - zc[k].a * w * w, im = zc[k].b * w;
    n.Fois(re, im);
    ph += AngleApproche(im, re);
    taille = std::fabs(re) + std::fabs(im) > taille ? std::fabs(re) + std::fabs(im) : taille;
  }
  // n / d as n conj(d) / |d|^2, each within 2^150 in size.
  const double qr = n.r * d.r + n.i * d.i, qi = n.i * d.r - n.r * d.i;
  const double d2 = d.r * d.r + d.i * d.i;
  double m = std::fabs(g) * std::hypot(qr, qi) / d2;
  if (n.e != d.e) m = std::ldexp(m, n.e - d.e);
  // A zero, huge or not finite factor, or a modulus out of range: the angle of the product
  // is not known, or the modulus would lose digits; the factors are taken one by one.
  if (!(taille + w < kFacteurMax) || !(d2 > 0) || !(qr != 0 || qi != 0) || !(m > 0) ||
      !std::isfinite(m))
    return ValueBO(w);
  double arg = std::atan2(qi, qr) + (g < 0 ? -kPi : 0.0);
  arg += 2 * kPi * std::round((ph - arg) / (2 * kPi));
  // The delay's phase -w tau, exact, after the branch of the factors is chosen.
  if (Retard != 0.0) arg -= w * Retard;
  return {m, arg};
}

double TFctTransfert::ModuleEchelonne(double w) const {
  TProduitEchelonne m;
  m.Multiplie(std::fabs(g));
  for (int i = 0; i < nbz; ++i) m.Multiplie(std::hypot(w, z[i]));
  for (int i = 0; i < nbp; ++i) m.Divise(std::hypot(w, p[i]));
  for (int i = 0; i < nbpc; ++i) m.Divise(std::hypot(pc[i].b * w, pc[i].c - pc[i].a * w * w));
  for (int i = 0; i < nbzc; ++i) m.Multiplie(std::hypot(zc[i].b * w, zc[i].c - zc[i].a * w * w));
  return m.Valeur();
}

TComplexP TFctTransfert::ToBF(TComplexP y) {
  const double cs = std::cos(y.p), sn = std::sin(y.p);
  double a, b;  // real and imaginary parts of y/(1 + y)
  if (y.m > 1) {
    // As 1/(1 + 1/y), which neither overflows nor loses the result for a huge (even infinite)
    // modulus.
    const double u = 1 / y.m, qr = 1 + u * cs, qi = -u * sn;
    const double d = qr * qr + qi * qi;
    a = qr / d;
    b = -qi / d;
  } else {
    // |1 + y|^2 from its two parts: expanded as 1 + 2m cos + m^2 it cancels to rounding (or
    // to 0) where 1 + y vanishes, as at low frequency when H(0) = -1.
    const double m = y.m, d = (1 + m * cs) * (1 + m * cs) + (m * sn) * (m * sn);
    a = (m * m + m * cs) / d;
    b = m * sn / d;
  }
  double ph = std::atan2(b, a);
  if (ph > 0) ph -= 2 * kPi;
  return {std::hypot(a, b), ph};
}

double TFctTransfert::dB(TComplexP y) { return 20 * std::log10(y.m); }

double TFctTransfert::Deg(TComplexP y) { return y.p * 180 / kPi; }

void TFctTransfert::CorrectionPhase(TComplexP* y) {
  if (!CorrecPhase) return;
  if (FirstCorrec) {
    PdtPhase = y->p;
    FirstCorrec = false;
    OffstPhase = 0;
    return;
  }
  y->p += OffstPhase;
  // A non-finite phase would never come within pi of the previous one.
  if (std::isfinite(y->p) && std::isfinite(PdtPhase)) {
    while (std::fabs(y->p - PdtPhase) > kPi) {
      if (PdtPhase > y->p) {
        y->p += 2 * kPi;
        OffstPhase += 2 * kPi;
      } else {
        y->p -= 2 * kPi;
        OffstPhase -= 2 * kPi;
      }
    }
  }
  PdtPhase = y->p;
}

void TFctTransfert::CorrectionPhase(double w, TComplexP* y) {
  if (RetardCorrec == 0.0) {
    CorrectionPhase(y);
    return;
  }
  y->p += w * RetardCorrec;
  CorrectionPhase(y);
  y->p -= w * RetardCorrec;
}

int TFctTransfert::Value_(double w, TComplexP* y, bool produit) {
  if (Expression != nullptr) return TItMath(w).ValeurFonction(this, y);
  *y = produit ? ValueBOProduit(w) : ValueBO(w);
  return 0;
}

bool TFctTransfert::Value(double w, TComplexP* y, bool produit) {
  EnCalcul = true;
  int r = Value_(w, y, produit);
  if (r != 0) {
    std::printf("Erreur : %s\n", TItMath::ErrMsg(r));
    EnCalcul = false;
    return false;
  }
  if (ModeBF) *y = ToBF(*y);
  CorrectionPhase(w, y);
  EnCalcul = false;
  return true;
}
