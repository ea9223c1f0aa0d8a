// Properties report of one transfer function ("prop" command): frequency-domain figures and
// step-response figures, in open loop and then in unity-feedback closed loop.
#pragma once

class TFctTransfert;

// Time-domain performance of a step response.
struct TPerfTemp {
  double tr5;   // last time outside the +-5 % band around yfin (s); 0 when never outside
  double dep;   // peak value of the response
  double tdep;  // first time the peak was reached (s)
  double yfin;  // final value, signed: the exact value at 0 (or the response at 1e-10 rad/s)
  double tmontee;  // rise time from 10 % to 90 % of yfin (s); not a number when not reached
  double depneg;   // undershoot: the lowest value over -yfin when the response first moves the
                   // wrong way, 0 otherwise
};

// Prints the report of f; leaves f in closed-loop mode unless the open loop cannot be evaluated.
void AffProp(TFctTransfert* f);

// Simulates the step response of f in its current mode and measures it; true when the
// response settles inside +-pc % of its final value before the end of the simulation, with
// the pc % response time in *tr (0 when the response never leaves the band).
bool TempsReponseDep(double pc, TFctTransfert* f, double* tr, TPerfTemp* p);
