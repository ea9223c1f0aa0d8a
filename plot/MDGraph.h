// Output device kinds and the holder that creates and owns the device of one chart.
#pragma once

#include "plot/TrInfo.h"

enum GrType : int {
  GrErr = 0,
  GrScr = 1,
  GrHPGL = 2,
  GrHPGLr = 3,
  GrPS = 4,
  GrEMF = 5,
  GrPDF = 6,  // the cairo device's three formats
  GrSVG = 7,
  GrPNG = 8,
  GrCSV = 9  // the numbers of the chart in a CSV file: no device is drawn on
};

class TMDGraph {
 public:
  TR_INFO* Gr = nullptr;  // the device, owned; null when none was created
  GrType Type = GrErr;    // kind of the device held

  // Creates the device of kind t; file devices write to nf.
  TMDGraph(GrType t, const char* nf);
  // Only the screen can be created without a file name.
  explicit TMDGraph(GrType t);
  TMDGraph(const TMDGraph&) = delete;
  TMDGraph& operator=(const TMDGraph&) = delete;
  // Destroys the device; the chart closes the drawing (TRCLOSE) before.
  ~TMDGraph();
};
