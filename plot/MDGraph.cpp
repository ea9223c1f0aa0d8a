// The device holder: creates the output device of one chart and destroys it.
#include "plot/MDGraph.h"

#include "plot/EmfDevice.h"
#include "plot/EpsDevice.h"
#include "plot/HpglDevice.h"

TMDGraph::TMDGraph(GrType t, const char* nf) {
  if (!nf && t != GrScr) return;  // a file device needs a file name
  switch (t) {
    case GrScr:
      // The screen device is created here once the screen module provides it.
      return;
    case GrHPGL:
      Gr = new C_HPGLA4(nf, false);
      break;
    case GrHPGLr:
      Gr = new C_HPGLA4(nf, true);
      break;
    case GrPS:
      Gr = new C_EPS(nf);
      break;
    case GrEMF:
      Gr = new C_EMF(nf);
      break;
    default:
      return;
  }
  Type = t;
}

TMDGraph::TMDGraph(GrType t) {
  if (t == GrScr) {
    // The screen device is created here once the screen module provides it.
  }
}

TMDGraph::~TMDGraph() { delete Gr; }
