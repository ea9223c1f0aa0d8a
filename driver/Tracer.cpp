// Chart dispatch: each chart command draws its chart on a fresh device of the kind it asked
// for, which is released when the chart is done. A chart file that could not be written whole
// is reported; the device has already removed what it wrote, and a previous file of that name
// is left as it was.
#include "driver/Tracer.h"

#include <cstdio>

#include "charts/GrBlack.h"
#include "charts/TrBode.h"
#include "charts/TrNyquist.h"
#include "sim/TrTemp.h"

namespace {

// Reports the file nf as not written.
void WriteFailed(const char* nf) { std::printf("Erreur : écriture du fichier %s impossible !\n", nf); }

}  // namespace

void Tracer(GrType x, TrType tr, const char* nf, TCacheNichols* nichols) {
  int closeErr = 0;
  {
    TMDGraph g(x, nf);
    switch (tr) {
      case TraceBlack: {
        GrBlack b;
        b.G = &g;
        b.Cache = nichols;
        b.Trace();
        closeErr = b.CloseErr;
        break;
      }
      case TraceBode: {
        TrBode b;
        b.Trace(&g);
        closeErr = b.CloseErr;
        break;
      }
      case TraceNyquist: {
        TrNyquist n;
        n.Trace(&g);
        closeErr = n.CloseErr;
        break;
      }
      case TraceTemp: {
        TrTemp t;
        t.Trace(&g);
        closeErr = t.CloseErr;
        break;
      }
      default:
        break;
    }
  }
  if (closeErr != 0 && nf != nullptr && *nf != '\0') WriteFailed(nf);
}
