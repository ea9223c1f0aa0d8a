// The registry of transfer functions and every chart and simulation setting (one global Param).
#pragma once

#include "model/FctTransfert.h"

// Panels of the Bode chart.
enum TypeBode { RBBodeGain = 0, RBBodePhase = 1, RBBodeGainPhase = 2 };

class T_Param {
 public:
  static constexpr unsigned kMaxFct = 100;

  TFctTransfert* fct[kMaxFct] = {};
  unsigned int NbFctTransfert = 0;
  bool CBCouleurs = true;
  int ColorBlack = 1;
  int ColorNichols = 1;
  double EdWn = 0.001;
  double EdWm = 1000.0;
  bool RBFrequence = true;
  int EdNBP = 400;
  bool CBGraduationsChecked = false;
  bool CBGraduationsEnabled = false;
  bool CBEchBlack = true;
  bool CBNichols = true;
  bool CBBO = true;
  bool CBBF = false;
  bool CBPointill = true;
  double EdDt = 0.0001;
  double EdTFin = 30.0;
  int ColorTemp1 = 2;
  int ColorTemp2 = 3;
  bool CBShowInput = true;
  int ColorInput = 4;
  int RBInput = 1;
  int ColorBode1 = 2;
  int ColorBode2 = 3;
  int RBBode = RBBodeGainPhase;
  double EpCourbe = 1.0;
  double EpBlack = 0.4;
  double EpNichols = 0.4;
  double EpBod1 = 0.4;
  double EpBod2 = 0.4;
  double EpTemp1 = 0.4;
  double EpTemp2 = 0.4;
  bool CBLegende = false;  // a legend box naming each drawn curve
  bool CBMarges = false;   // the gain and phase margins marked on the Bode and Black charts

  T_Param() = default;
  ~T_Param();
  T_Param(const T_Param&) = delete;
  T_Param& operator=(const T_Param&) = delete;

  TFctTransfert* GetFctTransfert(unsigned int n) const { return n < NbFctTransfert && n < kMaxFct ? fct[n] : nullptr; }
  unsigned int GetNbFctTransfert() const { return NbFctTransfert; }
  TFctTransfert* AddFctTransfert(const char* nom, double gain);
  TFctTransfert* AddFctTransfert(const char* nom, double gain, double* zeros, unsigned int nbz,
                                 double* poles, unsigned int nbp, double* zerosC, unsigned int nbzC,
                                 double* polesC, unsigned int nbpC);
  // Deletes every function and restores the defaults (used by tests and the fuzz target).
  void Reset();
};

extern T_Param Param;

// Registered function named exactly nFct (case-sensitive), or null.
TFctTransfert* FctLF(const char* nFct);

// Polar value used by the open/closed-loop conversions of the Black chart.
struct t_complex {
  double m;
  double p;
};

// Open-loop value H/(1-H) of the closed-loop value xbf; static result, overwritten by each call.
t_complex* bo(t_complex* xbf);
// Closed-loop value H/(1+H) of the open-loop value xbo; static result.
t_complex* bf(t_complex* xbo);
