// Chart dispatch: one chart of a given kind drawn on a new device of a given kind.
#pragma once

#include "plot/MDGraph.h"

class TCacheNichols;

enum TrType { TraceBlack = 0, TraceBode = 1, TraceTemp = 2, TraceNyquist = 3, TraceEvans = 4 };

// Draws one chart of kind tr on a new device of kind x; nf is the file name of a file
// device (EMF, EPS, PDF, SVG, PNG, CSV) and the empty string for the screen. The kind CSV
// draws nothing: the numbers the chart computes are written to nf as a CSV table. A file that
// cannot be written whole (full disk, write or close error) gets "Erreur : écriture du fichier %s impossible !" and
// is removed when it is a regular file. A Black chart replays its Nichols contours from nichols
// when they fit, and keeps them there (null: no cache).
void Tracer(GrType x, TrType tr, const char* nf, TCacheNichols* nichols = nullptr);
