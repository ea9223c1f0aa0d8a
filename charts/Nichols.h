// Nichols contours of the Black chart: the iso-gain and iso-phase rows with their labels, and
// the chart points along each contour, computed once when the program is built.
#pragma once

// One Nichols contour and its label. Iso-gain rows: v closed-loop gain (dB), n..m closed-loop
// phases swept (degrees), ptxt the phase of the label. Iso-phase rows: v closed-loop phase
// (degrees), n..m closed-loop gains swept (dB), ptxt the gain of the label. ptxt >= 1e10: no
// label.
struct T_CRB {
  double v;
  double n;
  double m;
  double ptxt;
  double px;  // horizontal justification of the label
  double py;  // vertical justification of the label
  const char* txt;
  double rot;  // degrees added to the label's angle
};

constexpr int kNbIsoGain = 59;
constexpr int kNbIsoPhase = 40;
constexpr int kNbContours = kNbIsoGain + kNbIsoPhase;
constexpr int kPointsContour = 2000;  // points along every contour
extern const T_CRB mdb[kNbIsoGain];
extern const T_CRB mph[kNbIsoPhase];

// Chart points (open-loop phase in degrees, gain in dB) of contour i, the iso-gain contours of
// mdb then the iso-phase contours of mph, evenly spaced in the swept parameter: kPointsContour
// phases in x, then the gains in y. A point without a finite image is NaN in both.
void CalculeContour(int i, double* x, double* y);

// The points CalculeContour gives for contour i, x then y (2 * kPointsContour values), as the
// build computed them with the same functions: a table in the program, so that a chart does not
// spend 18 ms of processor time on them.
const double* PointsContour(int i);
