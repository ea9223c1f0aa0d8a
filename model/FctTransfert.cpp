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

// Two doubles side by side (the values at two frequencies), and the masks of their lanes. Each
// lane takes the operations of one frequency in the same order as alone: the same bits.
typedef double Double2 __attribute__((vector_size(16)));
typedef long long Long2 __attribute__((vector_size(16)));
typedef int Int4 __attribute__((vector_size(16)));

// The lanes of v in the order of the constant indices that follow (GCC and clang name the
// builtin differently and take the indices in different forms).
#if defined(__clang__)
#define LANES(v, ...) __builtin_shufflevector(v, v, __VA_ARGS__)
#else
#define LANES(v, ...) __builtin_shuffle(v, decltype(v){__VA_ARGS__})
#endif

// a in the lanes where the mask is set, b elsewhere.
inline Double2 Choix(Long2 masque, Double2 a, Double2 b) {
  return reinterpret_cast<Double2>((masque & reinterpret_cast<Long2>(a)) |
                                   (~masque & reinterpret_cast<Long2>(b)));
}
constexpr long long kSigne = static_cast<long long>(0x8000000000000000ULL);
inline Double2 Abs(Double2 v) {
  return reinterpret_cast<Double2>(reinterpret_cast<Long2>(v) & ~Long2{kSigne, kSigne});
}

// Whether each lane's sign bit is set (the sign of a zero too), as a mask.
inline Long2 Negatif(Double2 v) {
  const Int4 n = reinterpret_cast<Int4>(v) < 0;  // read in the upper half of each lane
  return reinterpret_cast<Long2>(LANES(n, 1, 1, 3, 3));
}

// atan2(y, x) within 7e-4 rad, without a call: the ratio of the smaller to the larger part
// (in [0, 1]) through an odd polynomial, then moved to its octant. Only ever used to choose a
// multiple of 2 pi.
inline Double2 AngleApproche(Double2 y, Double2 x) {
  const Double2 ax = Abs(x), ay = Abs(y);
  const Long2 raide = ay > ax;
  const Double2 grand = Choix(raide, ay, ax), petit = Choix(raide, ax, ay);
  const Double2 t = Choix(grand > 0, petit / grand, Double2{0, 0}), t2 = t * t;
  Double2 a = t * (0.995354 + t2 * (-0.288679 + t2 * 0.079331));
  a = Choix(raide, kPi / 2 - a, a);
  // The signs of zeros count as for atan2: atan2(-0, -1) = -pi.
  a = Choix(Negatif(x), kPi - a, a);
  // The sign of y put on it.
  const Long2 signe = {kSigne, kSigne};
  return reinterpret_cast<Double2>((reinterpret_cast<Long2>(a) & ~signe) |
                                   (reinterpret_cast<Long2>(y) & signe));
}

// Running product r + j i of complex factors at two frequencies, with each one's scale 2^e
// apart: kept within [2^-150, 2^150] in size by exact powers of two, so that no product of
// factors (each below 2^400), nor the quotient of two products, overflows or vanishes.
//
// The sum of the factors' principal angles (each in [-pi, pi], the sign of a zero counting as
// for atan2) is the product's own angle plus the whole turns it counts in tours: a factor of
// angle in [0, pi] (its imaginary part not negative) takes the product past pi, one turn more,
// when it moves it from the upper half-plane to the lower one; a factor of negative angle takes
// it past -pi, one turn less, when it moves it from the lower half-plane to the upper one.
// Near the positive real axis, where a wrong side would cost a turn, the side is exact: the
// imaginary part of the product is then a sum of two terms of the same sign. Near the negative
// one, either side gives an angle near pi, the same to within rounding.
struct TProduit {
  Double2 r = {1, 1}, i = {0, 0};
  Long2 tours = {0, 0};
  Long2 bas = {0, 0};  // the product lies in the lower half-plane (its sign bit)
  int e[2] = {0, 0};
  // Times a + j b, whose sign bits are those of negatif.
  inline void Fois(Double2 a, Double2 b, Long2 negatif) {
    const Double2 t = r * a - i * b;
    i = r * b + i * a;
    r = t;
    const Long2 apres = Negatif(i);
    tours -= ~negatif & ~bas & apres;  // a mask is -1 where it is set
    tours += negatif & bas & ~apres;
    bas = apres;
    const Double2 m = Abs(r) + Abs(i);
    const Long2 hors = (m > 0x1p150) | (m < 0x1p-150);
    const Long2 unDes = hors | LANES(hors, 1, 0);  // either lane, in each
    if (__builtin_expect(unDes[0] != 0, 0)) Echelle(hors);
  }
  // Brings the size of the lanes out of range near 1 (the signs stay).
  void Echelle(Long2 hors) {
    for (int l = 0; l < 2; ++l) {
      if (hors[l] == 0) continue;
      int k;
      std::frexp(std::fabs(r[l]) + std::fabs(i[l]), &k);
      r[l] = std::ldexp(r[l], -k);
      i[l] = std::ldexp(i[l], -k);
      e[l] += k;
    }
  }
  // The sum of the factors' angles, to within 7e-4 rad.
  Double2 Angle() const {
    return AngleApproche(i, r) + 2 * kPi * __builtin_convertvector(tours, Double2);
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
  const double ws[2] = {w, w};
  TComplexP y[2];
  Produit2(ws, y, 1, RacinesMax());
  return y[0];
}

void TFctTransfert::ValuesBOProduit(const double* w, size_t n, TComplexP* y) const {
  size_t k = 0;
  const double reels = RacinesMax();
  for (; k + 2 <= n; k += 2) Produit2(w + k, y + k, 2, reels);
  if (k < n) {
    const double ws[2] = {w[k], w[k]};
    TComplexP y2[2];
    Produit2(ws, y2, 1, reels);
    y[k] = y2[0];
  }
}

double TFctTransfert::RacinesMax() const {
  double reels = 0;
  for (int k = 0; k < nbz; ++k) reels = std::fabs(z[k]) > reels ? std::fabs(z[k]) : reels;
  for (int k = 0; k < nbp; ++k) reels = std::fabs(p[k]) > reels ? std::fabs(p[k]) : reels;
  return reels;
}

void TFctTransfert::Produit2(const double* ws, TComplexP* y, int lanes, double reels) const {
  const Double2 w = {ws[0], ws[1]};
  TProduit n, d;
  const double ph0 = g < 0 ? -kPi : 0.0;
  Double2 taille = {reels, reels};  // the largest part of a factor
  const Long2 wnegatif = Negatif(w);
  for (int k = 0; k < nbz; ++k) n.Fois(-Double2{z[k], z[k]}, w, wnegatif);
  for (int k = 0; k < nbp; ++k) d.Fois(-Double2{p[k], p[k]}, w, wnegatif);
  for (int k = 0; k < nbpc; ++k) {
    const Double2 re = pc[k].c - pc[k].a * w * w, im = pc[k].b * w;
    d.Fois(re, im, Negatif(im));
    const Double2 t = Abs(re) + Abs(im);
    taille = Choix(t > taille, t, taille);
  }
  for (int k = 0; k < nbzc; ++k) {
    const Double2 re = zc[k].c - zc[k].a * w * w, im = zc[k].b * w;
    n.Fois(re, im, Negatif(im));
    const Double2 t = Abs(re) + Abs(im);
    taille = Choix(t > taille, t, taille);
  }
  // The sum of the factors' angles, approximate: it chooses the turn of the exact angle.
  const Double2 ph = ph0 + (n.Angle() - d.Angle());
  // n / d as n conj(d) / |d|^2, each within 2^150 in size.
  const Double2 qr = n.r * d.r + n.i * d.i, qi = n.i * d.r - n.r * d.i;
  const Double2 d2 = d.r * d.r + d.i * d.i;
  for (int l = 0; l < lanes; ++l) {
    double m = std::fabs(g) * std::hypot(qr[l], qi[l]) / d2[l];
    if (n.e[l] != d.e[l]) m = std::ldexp(m, n.e[l] - d.e[l]);
    // A zero, huge or not finite factor, or a modulus out of range: the angle of the product
    // is not known, or the modulus would lose digits; the factors are taken one by one.
    if (!(taille[l] + ws[l] < kFacteurMax) || !(d2[l] > 0) || !(qr[l] != 0 || qi[l] != 0) ||
        !(m > 0) || !std::isfinite(m)) {
      y[l] = ValueBO(ws[l]);
      continue;
    }
    double arg = std::atan2(qi[l], qr[l]) + ph0;
    arg += 2 * kPi * std::round((ph[l] - arg) / (2 * kPi));
    // The delay's phase -w tau, exact, after the branch of the factors is chosen.
    if (Retard != 0.0) arg -= ws[l] * Retard;
    y[l] = {m, arg};
  }
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
  Deroule(&FirstCorrec, &PdtPhase, &OffstPhase, &y->p);
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
