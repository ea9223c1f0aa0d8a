// Properties report of one transfer function, in open then closed loop.
#pragma once

#include "model/FctTransfert.h"

// Time-domain figures of a step response.
struct TPerfTemp {
  double tr5;   // response time at 5 % (s)
  double dep;   // peak value
  double tdep;  // time of the peak (s)
  double yfin;  // final value used for the bands
};

// Prints the properties report of f.
void AffProp(TFctTransfert* f);

// Simulates the step response of f; *tr = response time at pc %, *p = the other figures.
bool TempsReponseDep(double pc, TFctTransfert* f, double* tr, TPerfTemp* p);
