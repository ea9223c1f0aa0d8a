// Time-domain simulator: classical fourth-order Runge-Kutta integration of N(s)/D(s) in
// companion form, driven by a unit step, a unit ramp, a short unit-area impulse or the parabola
// t^2/2.
#pragma once

#include <cstddef>
#include <vector>

class TStepFigures;

class SimTemp {
 public:
  // Test inputs, as selected by SetFctU.
  enum TypFct { S_Echelon = 0, S_Rampe = 1, S_Impulsion = 2, S_Parabole = 3 };

  // Coefficients in ascending powers of s; the leading 1 of the monic denominator is implicit.
  // All ten arrays are consecutive slices of one block owned through A (null: inactive).
  double* A = nullptr;   // denominator in use (open or closed loop), NbA entries
  double* B = nullptr;   // numerator in use, NbB entries
  double* A0 = nullptr;  // open-loop denominator as received
  double* B0 = nullptr;  // open-loop numerator as received
  short NbA = 0;         // order of the system
  short NbB = 0;         // number of numerator coefficients (at most NbA + 1)
  double* X = nullptr;   // state: an internal signal z and its first NbA - 1 derivatives
  double* F1 = nullptr;  // the four Runge-Kutta slopes
  double* F2 = nullptr;
  double* F3 = nullptr;
  double* F4 = nullptr;
  double* tmpX = nullptr;                               // state of the current Runge-Kutta stage
  double (SimTemp::*FctU)(double) = &SimTemp::Echelon;  // input signal u(t)
  bool FInit = true;  // right after Init: the next step has length 0
  int TypeSignal = S_Echelon;
  double T = 0.0;    // time of the last computed output (s)
  double Dt = 1e-6;  // nominal time step (s)
  // Pure delay tau (s) before N/D: the open loop is driven by u(t - tau), the closed loop by the
  // error e(t - tau) = u(t - tau) - y(t - tau), read back from the outputs already computed.
  // Set before the first step; 0: none.
  double Retard = 0.0;

  // Input-only simulator (no system), used to walk the test signal.
  SimTemp();
  // Simulator of b(s)/(s^nba + a(s)); the arrays are copied.
  SimTemp(const double* a, short nba, const double* b, short nbb);
  ~SimTemp();
  SimTemp(const SimTemp&) = delete;
  SimTemp& operator=(const SimTemp&) = delete;

  // Replaces the system; an improper one (nbb > nba + 1) leaves the simulator inactive.
  void NewCoefs(const double* a, short nba, const double* b, short nbb);
  // Restarts at t = 0 with a zero state; input, Dt and loop mode are kept.
  void Init();
  // 1: ramp, 2: impulse, 3: parabola, anything else: step.
  void SetFctU(int Fct);

  double Echelon(double t);
  double Rampe(double t);
  double Impulsion(double t);
  double Parabole(double t);
  double ValU();

  // Open loop N/D, or unity-feedback closed loop N/(D + N); the state is not reset.
  void ModeBO();
  void ModeBF();

  // State derivative at time t.
  void FctF(double* dX, const double* x, double t);
  // Length of the next step: 0 right after Init, and a shortened step that ends exactly on
  // the end of the impulse.
  double ValDt();
  // Advances time only (input-only walks).
  void NextT();
  // One integration step; returns the output at the new time (0 when inactive, time still moves).
  double NextY();
  // Steps as NextY does, at least once, then again while T < tFin, at most n times; writes the
  // outputs to y and the times after each step to t (either may be null) and returns the count.
  // The same operations in the same order as n calls of NextY, so the same values.
  size_t NextYs(double tFin, double* y, double* t, size_t n);
  // NextYs on a and b together, two steps for about the time of one, with the same values as
  // each would give on its own; t gets the times, shared. Both must be at the same time with the
  // same step, input, order (1 to 16) and numerator length, and step by Runge-Kutta: otherwise
  // nothing moves and the result is 0.
  static size_t NextYsPaire(SimTemp* a, SimTemp* b, double tFin, double* ya, double* yb,
                            double* t, size_t n);
  // NextYs handing each output and its time to m instead of arrays: with the step input the
  // figures are read inside the step loop; the other inputs and the delayed loops step by
  // blocks that m then reads.
  size_t NextYsMesure(double tFin, TStepFigures* m, size_t n);
  // NextYsPaire with each lane's outputs handed to its measure (ma, mb), the step input only:
  // 0 (nothing moves) when the two cannot step together or the input is another.
  static size_t NextYsMesurePaire(SimTemp* a, SimTemp* b, double tFin, TStepFigures* ma,
                                  TStepFigures* mb, size_t n);
  // Processor cost of one step at Dt, in units of about 6.6 ns on a 2.3 GHz core: 3.3 + order / 6
  // for the unrolled Runge-Kutta loops of orders 1 to 8, order + 2 above, order^2 / 8 + 2 when
  // the loop is stepped exactly (a full transition matrix). The report bounds its work with it:
  // the figure stays that of the arrays above order 8 (an upper bound for the loops of orders 9
  // to 16 now unrolled too), so that the steps it chooses do not move.
  double StepCost();

 private:
  double Input(double t) { return FctU == nullptr ? 0.0 : (this->*FctU)(t); }
  void ReleaseBlock();
  // The steps of simulators sharing order, numerator length, input, step and time, one per lane
  // of V (double: one, a pair of doubles: two). Each output goes to sortie(k, y, t): the k-th
  // output of the call, the lanes' values in y, at time t (output arrays, or measures).
  template <int N, class V, class U, class S>
  static size_t Steps(SimTemp* const* sims, double tFin, S sortie, size_t n, U u);
  template <class V, class U, class S>
  static size_t StepsOfOrder(SimTemp* const* sims, double tFin, S sortie, size_t n, U u);
  template <class U, class S>
  size_t StepsOfBlock(double tFin, S sortie, size_t n, U u);
  // ordre: the input is constant over a step (0), linear (1, the ramp) or quadratic (2, the
  // parabola).
  template <class U, class S>
  size_t StepsExact(double tFin, S sortie, size_t n, U u, int ordre);
  // Whether a and b can step together (NextYsPaire), preparing both.
  static bool Appariables(SimTemp* a, SimTemp* b);
  // Chooses between Runge-Kutta and the exact discretisation for the poles in use and Dt.
  void Prepare();
  // Transition of the state over a step h with an input u0 + u1 (t - T) (+ u2 (t - T)^2 / 2
  // with parabole): the n x n matrix (rows first), then the columns of u0, u1 (and u2).
  void Discretise(double h, std::vector<double>& d, bool parabole) const;

  // One past output of a delayed loop: time, value and slope.
  struct TPasse {
    double t, y, d;
  };
  // The steps of a delayed loop (Runge-Kutta on the open-loop coefficients), split where the
  // delayed input or error is not smooth.
  size_t StepsRetard(double tFin, double* y, double* t, size_t n);
  // One Runge-Kutta step of the delayed loop from ta to tb, where its input is smooth (uc: see
  // EntreeRetard); the output and its slope at tb in *fin.
  void PasRetard(double ta, double tb, double uc, TPasse* fin);
  // Output and slope at t from the state and the delayed input v, of slope dv, at t.
  TPasse Sortie(double t, double v, double dv);
  // Delayed input v(t) and its slope: u(t - tau), less y(t - tau) in closed loop. uc: the input
  // held over the current step (step and impulse), or NAN to evaluate it at t - tau.
  double EntreeRetard(double t, double uc, double* pente);
  // The past output at t1, t1 + h/2 and t1 + h and its slope at t1 + h, when all three lie
  // between the same two past outputs at or after the last one read; false otherwise.
  bool TroisPasses(double t1, double h, double* y1, double* y2, double* y4, double* d4);
  // Output of the closed loop at time tq from the past outputs (cubic Hermite), 0 before 0.
  double Passe(double tq, double* pente);

  bool boucleFermee_ = false;     // ModeBF was chosen last
  std::vector<TPasse> passe_;     // past outputs of a delayed loop, in time order
  size_t curseur_ = 0;            // passe_[curseur_] is at or before the last time read
  bool provisoire_ = false;       // prov_ stands for the end of the step being made
  TPasse prov_{0, 0, 0};
  std::vector<double> ruptures_;  // times where the delayed input is not smooth
  bool prepared_ = false;     // exact_ and disc_ fit the coefficients in use, dtExact_ and the input
  bool exact_ = false;        // a pole too fast for Runge-Kutta at Dt: exact steps instead
  double dtExact_ = 0.0;      // the step of disc_
  std::vector<double> disc_;  // the transition over dtExact_
};
