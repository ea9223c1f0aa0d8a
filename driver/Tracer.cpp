// Chart dispatch: each chart command draws its chart on a fresh device of the kind it asked
// for, which is released when the chart is done.
#include "driver/Tracer.h"

#include "charts/GrBlack.h"
#include "charts/TrBode.h"
#include "sim/TrTemp.h"

void Tracer(GrType x, TrType tr, const char* nf) {
  TMDGraph g(x, nf);
  switch (tr) {
    case TraceBlack: {
      GrBlack b;
      b.G = &g;
      b.Trace();
      break;
    }
    case TraceBode: {
      TrBode b;
      b.Trace(&g);
      break;
    }
    case TraceTemp: {
      TrTemp t;
      t.Trace(&g);
      break;
    }
    default:
      break;
  }
}
