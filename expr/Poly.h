// Polynomials in the Laplace variable s (constant term first) and rational fractions of two of
// them, with exact algebra and no cancellation of common factors.
#pragma once

class TPoly {
 public:
  double* Coef = nullptr;  // Deg + 1 coefficients, Coef[i] of s^i; null when undefined
  unsigned Deg = 0;

  TPoly() = default;
  TPoly(const TPoly& p);
  TPoly(TPoly&& p) noexcept;
  explicit TPoly(double v);
  // Degree n with n + 1 coefficients set to 0, for the caller to fill.
  explicit TPoly(unsigned n);
  TPoly(const double* c, unsigned n);
  ~TPoly();

  TPoly& operator=(const TPoly& p);
  TPoly& operator=(TPoly&& p) noexcept;
  TPoly& operator=(double v);

  void PolyLoad(const double* c, unsigned n);
  double Valeur(double x) const;

  // An undefined operand gives an undefined result.
  TPoly operator*(const TPoly& b) const;
  TPoly operator+(const TPoly& b) const;
  TPoly operator-(const TPoly& b) const;

  unsigned OrdrePoly() const { return Deg; }
  bool IsDefined() const { return Coef != nullptr; }
  double operator[](unsigned i) const { return Coef[i]; }
  double& operator[](unsigned i) { return Coef[i]; }
  // True when the polynomial is defined and every coefficient is exactly zero.
  bool IsZero() const;
};

class TQuotPoly {
 public:
  TPoly Num;
  TPoly Den;
  // The fraction stands for Num/Den e^(-Retard s); RetardMixte: its terms carry delays that no
  // single factor gathers (Retard is then meaningless). Set by the expression evaluator.
  double Retard = 0.0;
  bool RetardMixte = false;

  TQuotPoly() = default;
  explicit TQuotPoly(double v) : Num(v), Den(1.0) {}
  TQuotPoly(const TPoly& n, const TPoly& d) : Num(n), Den(d) {}
  TQuotPoly(const TQuotPoly& q) = default;
  TQuotPoly(TQuotPoly&& q) noexcept = default;
  ~TQuotPoly() = default;

  void DefNum(const TPoly* p) { Num = *p; }
  void DefDen(const TPoly* p) { Den = *p; }

  TQuotPoly& operator=(const TQuotPoly& q);
  TQuotPoly& operator=(TQuotPoly&& q) noexcept = default;
  TQuotPoly& operator=(double v);

  TQuotPoly operator*(const TQuotPoly& q) const;
  TQuotPoly operator/(const TQuotPoly& q) const;
  TQuotPoly operator+(const TQuotPoly& q) const;
  TQuotPoly operator-(const TQuotPoly& q) const;

  // Cancels the roots that Num and Den have in common: a root of Num within tol times its
  // modulus of a root of Den (real with real, complex pair with complex pair). Each polynomial
  // is divided by its own factor of the pair, after its zero leading coefficients are left out;
  // a fraction with no common root, or of degree above 200, is left as it is. Returns the
  // number of roots cancelled.
  unsigned Simplifie(double tol);
  // Divides every coefficient by the leading coefficient of Den, making Den monic. Returns
  // false, changing nothing, when that coefficient is zero or not finite or Den is undefined.
  bool Normalise();
  // Text "[ +aX^0 +bX^1 ...  ] / [ ...  ]" in a buffer valid until the next call; a
  // polynomial whose terms would not fit in its share of the buffer ends with "... ".
  const char* AffPoly() const;

  TPoly& Numerateur() { return Num; }
  TPoly& Denominateur() { return Den; }
  const TPoly& Numerateur() const { return Num; }
  const TPoly& Denominateur() const { return Den; }
  double Valeur(double x) const { return Num.Valeur(x) / Den.Valeur(x); }
};
