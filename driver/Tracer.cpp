// Chart dispatch: each chart command draws its chart on a fresh device of the kind it asked
// for, which is released when the chart is done. A chart file that could not be written whole
// is reported; the device has already removed what it wrote, and a previous file of that name
// is left as it was.
#include "driver/Tracer.h"

#include <cstdio>

#include "charts/GrBlack.h"
#include "charts/TableCsv.h"
#include "charts/TrBode.h"
#include "charts/TrEvans.h"
#include "charts/TrNyquist.h"
#include "sim/TrTemp.h"

namespace {

// Reports the file nf as not written.
void WriteFailed(const char* nf) { std::printf("Erreur : écriture du fichier %s impossible !\n", nf); }

// Computes the chart of kind tr and writes its numbers to the CSV file nf. The file is written
// whole or not at all (an earlier file of that name stays as it was).
void TracerCsv(TrType tr, const char* nf) {
  TTableCsv t;
  TrBode bode;
  GrBlack black;
  TrTemp temp;
  TrNyquist nyquist;
  TrEvans evans;
  bool calcule = false;
  switch (tr) {
    case TraceBlack:
      calcule = black.Table(&t);
      break;
    case TraceBode:
      calcule = bode.Table(&t);
      break;
    case TraceTemp:
      calcule = temp.Table(&t);
      break;
    case TraceNyquist:
      calcule = nyquist.Table(&t);
      break;
    case TraceEvans:
      evans.Table(&t);
      calcule = true;
      break;
    default:
      return;
  }
  if (!calcule) return;
  switch (t.Ecrit(nf)) {
    case TTableCsv::ErrOuverture:
      std::printf("Le fichier %s ne peut être ouvert !\n", nf);
      break;
    case TTableCsv::ErrEcriture:
      WriteFailed(nf);
      break;
    default:
      break;
  }
}

}  // namespace

void Tracer(GrType x, TrType tr, const char* nf, TCacheNichols* nichols) {
  if (x == GrCSV) {
    if (nf != nullptr && *nf != '\0') TracerCsv(tr, nf);
    return;
  }
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
      case TraceEvans: {
        TrEvans e;
        e.Trace(&g);
        closeErr = e.CloseErr;
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
