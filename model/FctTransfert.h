// One named transfer function: gain, real poles and zeros, second-order factors or an
// expression over other functions; evaluated in open or unity-feedback closed loop.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "model/Complex.h"

class TFormule;

class TFctTransfert {
 public:
  // One second-order factor a*s^2 + b*s + c.
  struct Tpc {
    double a, b, c;
  };

  bool CorrecPhase = false;  // phase unwrapping enabled for Value
  double RetardCorrec = 0.0;  // delay left out of the unwrapping (set by InitValue)
  bool FirstCorrec = true;   // the next corrected value starts a new sweep
  double PdtPhase = 0.0;     // phase of the previous corrected value (rad)
  double OffstPhase = 0.0;   // multiple of 2*pi added so far by the unwrapping
  bool Checked = false;      // selected for the charts
  bool EnCalcul = false;     // an evaluation of this function is in progress
  int Color = 0;             // curve colour code
  char* Expression = nullptr;
  double g = 1.0;
  double Retard = 0.0;  // pure delay tau (s): the factor e^(-tau s); ignored by an expression
  double* z = nullptr;
  int nbz = 0;
  double* p = nullptr;
  int nbp = 0;
  Tpc* pc = nullptr;
  int nbpc = 0;
  Tpc* zc = nullptr;
  int nbzc = 0;
  char* Nom = nullptr;
  bool Integrat = false;  // a pole at 0 or a denominator factor with c = 0 was added
  bool ModeBF = false;    // Value returns the closed-loop response
  // Parsed form of Expression, made by its first evaluation; it keeps the text it was parsed
  // from, so that a changed expression is parsed again.
  std::shared_ptr<const TFormule> Formule;

  TFctTransfert() = default;
  explicit TFctTransfert(const char* n);
  TFctTransfert(const TFctTransfert& f);
  ~TFctTransfert();

  void InitValue(bool Correc);
  void Clear();
  void ClearAll();
  void Rename(const char* n);
  void ChangeExpression(const char* n);
  void SetGain(double v) { g = v; }
  // Delay of the function as a whole: its own for a function of factors; for an expression,
  // the one its named functions' delays gather into (products add, quotients subtract, the terms
  // of a sum must share theirs). False when they cannot be gathered into one factor, or when the
  // total is negative (a prediction); *tau is then 0.
  bool RetardGlobal(double* tau);
  void AddPole(double np);
  void AddZero(double nz);
  void AddPoleC(double a, double b, double c);
  void AddZeroC(double a, double b, double c);

  TComplexP ValueBO(double w) const;
  // ValueBO to within rounding, for the charts' sweeps: one complex product of the factors (one
  // modulus and one angle a point), whose angle goes to the branch of the sum of the factors'
  // angles, found from a fast approximation of each.
  TComplexP ValueBOProduit(double w) const;
  // ValueBOProduit at each of the n frequencies w, two at a time: the same values, bit for bit.
  void ValuesBOProduit(const double* w, size_t n, TComplexP* y) const;
  // With produit, a function given by its factors is evaluated by ValueBOProduit.
  int Value_(double w, TComplexP* y, bool produit = false);
  static TComplexP ToBF(TComplexP y);
  bool Value(double w, TComplexP* y, bool produit = false);
  TComplexP ValueBF(double w) const { return ToBF(ValueBO(w)); }
  static double dB(TComplexP y);
  static double Deg(TComplexP y);

  TFctTransfert& operator*=(const TFctTransfert& f);
  TFctTransfert& operator*(const TFctTransfert& f) { return *this *= f; }
  TFctTransfert& operator=(const TFctTransfert& f);

  // One crossing of a search target: its frequency, the response there (with the phase the
  // searches use) and whether the response falls through the target.
  struct TCroise {
    double w;
    TComplexP y;
    bool Descend;
  };

  // Frequency-response searches over [1e-6, 1e6] rad/s, in the current mode. The phase they
  // use is continuous in w and fixed by the poles and zeros, whatever the form of the function.
  // Every crossing of the phase target (degrees) or of the modulus target (dB), in increasing
  // frequency, each to a relative 1e-7; false when there is none.
  bool CroisementsPhase(double Phase, std::vector<TCroise>* c);
  bool CroisementsModule(double Module, std::vector<TCroise>* c);
  // Among the crossings of the phase target plus any number of turns (a delay's phase falls
  // through -180, -540, -900 degrees ...), the one whose modulus is closest to 1; false when
  // there is none. The search stops where the modulus left is too small to come closer.
  bool CroisementPhaseModulo(double Phase, TCroise* c);
  // Value at w in the current mode with the phase the searches use; prints an evaluation error
  // like Value.
  bool ValueStruct(double w, TComplexP* y);
  // Of the open loop, whatever the mode: the smallest distance |1 + H(jw)| to the critical
  // point over [1e-6, 1e6] rad/s, each local minimum refined to a relative 1e-7, with its
  // frequency; false when the response cannot be evaluated.
  bool ModulusMargin(double* m, double* w);
  // Of the open loop, whatever the mode: the least extra delay that brings a 0 dB crossing to
  // -180 degrees, the smallest (phase margin)/(crossing frequency), the margin taken in
  // [0, 360) degrees; false when no crossing has a margin above 0.
  bool DelayMargin(double* tau);
  // Lowest crossing of the target.
  bool SearchPhase(double Phase, double* w);
  bool SearchModule(double Module, double* w);
  double PenteModule(double w);
  bool SearchdBMax(double* w);

  void CorrectionPhase(TComplexP* y);
  // One step of the unwrapping of a sweep whose state is (*premier, *pdt, *offst): the phase *p
  // moved by whole turns to within pi of the one before. CorrectionPhase runs it on the
  // function's own state; a sweep computed apart (on another thread), on a state of its own.
  static void Deroule(bool* premier, double* pdt, double* offst, double* p);
  // The same correction for the value at w, leaving out the delay's phase -w tau, which is
  // exact and continuous whatever the sampling: only the rest is made continuous.
  void CorrectionPhase(double w, TComplexP* y);

 private:
  void AppendFactors(const TFctTransfert& f);
  // Modulus of the factors at w formed with its binary exponent apart, for products that
  // overflow.
  double ModuleEchelonne(double w) const;
  // The largest modulus of a real pole or zero (NaN left out): the largest part of those
  // factors at every frequency.
  double RacinesMax() const;
  // ValueBOProduit at ws[0] and ws[1] side by side, into y[0] and y[1]; lanes = 1 leaves y[1].
  // reels: RacinesMax().
  void Produit2(const double* ws, TComplexP* y, int lanes, double reels) const;
};

// In line: the charts' sweeps run it at every point.
inline void TFctTransfert::Deroule(bool* premier, double* pdt, double* offst, double* p) {
  constexpr double kPi = 3.141592653589793;
  if (*premier) {
    *pdt = *p;
    *premier = false;
    *offst = 0;
    return;
  }
  *p += *offst;
  // A non-finite phase would never come within pi of the previous one.
  if (std::isfinite(*p) && std::isfinite(*pdt)) {
    while (std::fabs(*p - *pdt) > kPi) {
      if (*pdt > *p) {
        *p += 2 * kPi;
        *offst += 2 * kPi;
      } else {
        *p -= 2 * kPi;
        *offst -= 2 * kPi;
      }
    }
  }
  *pdt = *p;
}
