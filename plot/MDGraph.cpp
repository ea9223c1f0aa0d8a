// The device holder: creates the output device of one chart and destroys it.
#include "plot/MDGraph.h"

#include "plot/CairoDevice.h"
#include "plot/EmfDevice.h"
#include "plot/EpsDevice.h"
#include "plot/HpglDevice.h"
#include "plot/ScreenDevice.h"

TMDGraph::TMDGraph(GrType t, const char* nf) {
  if (!nf && t != GrScr) return;  // a file device needs a file name
  switch (t) {
    case GrScr:
      Gr = new C_SCR;  // the file name is not used
      break;
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
    case GrPDF:
      Gr = new C_CAIRO(nf, C_CAIRO::Pdf);
      break;
    case GrSVG:
      Gr = new C_CAIRO(nf, C_CAIRO::Svg);
      break;
    case GrPNG:
      Gr = new C_CAIRO(nf, C_CAIRO::Png);
      break;
    default:
      return;
  }
  Type = t;
}

TMDGraph::TMDGraph(GrType t) {
  if (t == GrScr) {
    Gr = new C_SCR;
    Type = GrScr;
  }
}

TMDGraph::~TMDGraph() { delete Gr; }
