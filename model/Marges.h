// Gain and phase margins of a function's open loop, found the way the properties report
// prints them, for the report and for the charts that mark them.
#pragma once

class TFctTransfert;

// What a margin search found.
enum TEtatMarge {
  MargeIndeterminee = 0,  // no crossing of the target: the report says "indéterminée"
  MargeSansValeur = 1,    // crossings, but none with a finite margin: the report says nothing
  MargeTrouvee = 2        // a finite margin, at a crossing frequency
};

// Gain margin of f in its current mode (the report puts it in open loop): among the frequencies
// where the phase is -180 degrees (plus any number of turns when f has a delay), the one whose
// gain is closest to 0 dB; *mg is minus that gain (dB), *w the frequency (rad/s).
TEtatMarge MargeGain(TFctTransfert* f, double* mg, double* w);

// Phase margin of f in its current mode: among the frequencies where the gain is 0 dB, the one
// whose 180 + phase (degrees, the phase the searches use) is closest to 0; *mp is that sum,
// *w the frequency (rad/s).
TEtatMarge MargePhase(TFctTransfert* f, double* mp, double* w);
