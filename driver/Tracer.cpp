// Chart dispatch: each chart command draws its chart on a fresh device of the kind it asked
// for, which is released when the chart is done. A chart file that could not be written whole
// is reported and does not stay behind.
#include "driver/Tracer.h"

#include <sys/stat.h>

#include <cstdio>

#include "charts/GrBlack.h"
#include "charts/TrBode.h"
#include "sim/TrTemp.h"

namespace {

// Reports the file nf as not written, and removes it when it is a plain file: a device, a
// pipe or a symbolic link named by the script is left as it is.
void WriteFailed(const char* nf) {
  std::printf("Erreur : écriture du fichier %s impossible !\n", nf);
  struct stat st;
  if (lstat(nf, &st) == 0 && S_ISREG(st.st_mode)) std::remove(nf);
}

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
