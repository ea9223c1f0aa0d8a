// Speed of the charts: Bode (gain + phase) of 20 fourth-order functions at 10 000 points to EPS,
// EMF, PDF, SVG and PNG, of 100 such functions to EPS, PDF, SVG and CSV, Bode of 5 functions at the
// default 400 points to EPS and PNG, Black with every contour and 5 loci, time chart of 5 functions
// over 30 s, Nyquist of one order-8 function at 400 points and the root locus of an order-8
// function to EPS and PNG, and the frequency-response evaluation alone (order 4 through Value;
// order 8 factor by factor, as one product, and as products two frequencies at a time). Also
// what replacing a chart file of 1 MiB costs written in place and through a temporary file
// renamed over it: their difference is what each chart above pays for never leaving half a file
// under its name.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/Quiet.h"
#include "charts/GrBlack.h"
#include "charts/TrBode.h"
#include "charts/TrEvans.h"
#include "charts/TrNyquist.h"
#include "driver/Tracer.h"
#include "model/Param.h"
#include "plot/AtomicFile.h"
#include "sim/TrTemp.h"

namespace {

// n fourth-order functions: two real poles and one damped pair each, all different.
void Registre(int n) {
  Param.Reset();
  for (int i = 0; i < n; ++i) {
    char nom[16];
    std::snprintf(nom, sizeof nom, "F%d", i);
    double poles[] = {-0.5 - 0.1 * i, -5.0 - i};
    double pc[] = {1, 0.4 + 0.05 * i, 4.0 + i};
    TFctTransfert* f = Param.AddFctTransfert(nom, 2.0 + i, nullptr, 0, poles, 2, nullptr, 0, pc, 1);
    f->Color = 1 + i % 15;
  }
}

std::string Fichier(const char* ext) { return std::string("/tmp/corvane_bench_chart.") + ext; }

void BodeVers(benchmark::State& state, GrType t, const char* ext, int n = 20, int nbp = 10000) {
  Registre(n);
  Param.EdNBP = nbp;
  Param.RBBode = RBBodeGainPhase;
  std::string nf = Fichier(ext);
  for (auto _ : state) {
    TMDGraph g(t, nf.c_str());
    TrBode b;
    b.Trace(&g);
  }
  std::remove(nf.c_str());
  Param.Reset();
}

void BM_BodeEPS(benchmark::State& state) { BodeVers(state, GrPS, "eps"); }

// Bode (gain + phase) of 100 functions at 10 000 points to EPS, PDF and SVG.
void BM_Bode100EPS(benchmark::State& state) { BodeVers(state, GrPS, "eps", 100); }
void BM_Bode100PDF(benchmark::State& state) { BodeVers(state, GrPDF, "pdf", 100); }
void BM_Bode100SVG(benchmark::State& state) { BodeVers(state, GrSVG, "svg", 100); }
// The numbers of the same chart as a CSV table, through the chart dispatch as a script runs it.
void BM_Bode100CSV(benchmark::State& state) {
  Registre(100);
  Param.EdNBP = 10000;
  Param.RBBode = RBBodeGainPhase;
  std::string nf = Fichier("csv");
  for (auto _ : state) Tracer(GrCSV, TraceBode, nf.c_str());
  std::remove(nf.c_str());
  Param.Reset();
}
void BM_BodeEMF(benchmark::State& state) { BodeVers(state, GrEMF, "emf"); }
void BM_BodePDF(benchmark::State& state) { BodeVers(state, GrPDF, "pdf"); }
void BM_BodeSVG(benchmark::State& state) { BodeVers(state, GrSVG, "svg"); }
void BM_BodePNG(benchmark::State& state) { BodeVers(state, GrPNG, "png"); }
void BM_Bode5EPS(benchmark::State& state) { BodeVers(state, GrPS, "eps", 5, 400); }
void BM_Bode5PNG(benchmark::State& state) { BodeVers(state, GrPNG, "png", 5, 400); }

// Arg 1: the charts share one cache of Nichols contours, as the charts of one script do.
void BM_BlackEPS(benchmark::State& state) {
  Registre(5);
  Param.CBEchBlack = Param.CBNichols = true;
  Param.CBGraduationsChecked = Param.CBGraduationsEnabled = true;
  std::string nf = Fichier("eps");
  // The chart prints progress lines: send them to /dev/null while it runs.
  SortieMuette muette;
  TCacheNichols cache;
  for (auto _ : state) {
    TMDGraph g(GrPS, nf.c_str());
    GrBlack b;
    b.G = &g;
    if (state.range(0) != 0) b.Cache = &cache;
    b.Trace();
  }
  std::remove(nf.c_str());
  Param.Reset();
}

void BM_TemporelEPS(benchmark::State& state) {
  Registre(5);
  Param.EdTFin = 30;
  std::string nf = Fichier("eps");
  for (auto _ : state) {
    TMDGraph g(GrPS, nf.c_str());
    TrTemp t;
    t.Trace(&g);
  }
  std::remove(nf.c_str());
  Param.Reset();
}

// Nyquist chart of one order-8 function with a lightly damped pair at the default 400 points,
// to EPS and PNG.
void NyquistVers(benchmark::State& state, GrType t, const char* ext) {
  Param.Reset();
  double poles[] = {-1, -2, -5, -0.5};
  double pc[] = {1, 0.04, 0.2, 1, 0.4, 4};
  Param.AddFctTransfert("H", 3, nullptr, 0, poles, 4, nullptr, 0, pc, 2)->Color = 2;
  Param.EdNBP = 400;
  std::string nf = Fichier(ext);
  for (auto _ : state) {
    TMDGraph g(t, nf.c_str());
    TrNyquist n;
    n.Trace(&g);
  }
  std::remove(nf.c_str());
  Param.Reset();
}
void BM_NyquistEPS(benchmark::State& state) { NyquistVers(state, GrPS, "eps"); }
void BM_NyquistPNG(benchmark::State& state) { NyquistVers(state, GrPNG, "png"); }

// Root locus of an order-8 function with two zeros and two close pairs of complex poles,
// (s+3)(s+7)/((s+1)(s+1.05)(s+6)(s+8)(s^2+0.2s+4)(s^2+0.25s+4.2)), to EPS and to PNG.
void EvansVers(benchmark::State& state, GrType t, const char* ext) {
  Param.Reset();
  double zeros[] = {-3, -7}, poles[] = {-1, -1.05, -6, -8}, pc[] = {1, 0.2, 4, 1, 0.25, 4.2};
  Param.AddFctTransfert("H", 5, zeros, 2, poles, 4, nullptr, 0, pc, 2)->Color = 4;
  std::string nf = Fichier(ext);
  for (auto _ : state) {
    TMDGraph g(t, nf.c_str());
    TrEvans e;
    e.Trace(&g);
  }
  std::remove(nf.c_str());
  Param.Reset();
}
void BM_EvansEPS(benchmark::State& state) { EvansVers(state, GrPS, "eps"); }
void BM_EvansPNG(benchmark::State& state) { EvansVers(state, GrPNG, "png"); }

// TFctTransfert::Value over 100 fourth-order functions at 10 000 frequencies each.
void BM_Value(benchmark::State& state) {
  Registre(100);
  double sum = 0;
  for (auto _ : state) {
    for (unsigned i = 0; i < Param.GetNbFctTransfert(); ++i) {
      TFctTransfert* f = Param.GetFctTransfert(i);
      f->InitValue(true);
      for (int k = 0; k < 10000; ++k) {
        TComplexP y;
        f->Value(1e-3 * std::pow(10.0, k * 6.0 / 9999), &y);
        sum += y.m;
      }
    }
  }
  benchmark::DoNotOptimize(sum);
  Param.Reset();
}

// The open-loop response of 100 functions of order 8 (a gain, four real poles, a real zero, two
// damped pole pairs and a damped zero pair, those of tools/bode100.sh) at 10 000 frequencies:
// each factor apart (ValueBO, 0), as one product a frequency (ValueBOProduit, 1), and as one
// product two frequencies at a time (ValuesBOProduit, 2), the Bode chart's sweep.
void BM_ValueOrdre8(benchmark::State& state) {
  std::vector<TFctTransfert> fs(100);
  for (int i = 0; i < 100; ++i) {
    const double a = i % 7 + 1;
    TFctTransfert& f = fs[i];
    f.g = i % 9 + 2;
    for (double p : {-a, -(a + 2), -(i % 9 + 1) / 10.0, -(i % 5 + 4.0)}) f.AddPole(p);
    f.AddPoleC(1, (i % 8 + 2) / 10.0, a);
    f.AddPoleC(1, 1 + (i % 10) / 10.0, a + 3);
    f.AddZero(-(i % 3 + 2.0));
    f.AddZeroC(1, 2, i % 4 + 5);
  }
  std::vector<double> w(10000);
  for (int k = 0; k < 10000; ++k) w[k] = 2 * M_PI * 1e-3 * std::pow(10.0, k * 5.0 / 9999);
  std::vector<TComplexP> y(w.size());
  double sum = 0;
  for (auto _ : state) {
    for (const TFctTransfert& f : fs) {
      if (state.range(0) == 2) {
        f.ValuesBOProduit(w.data(), w.size(), y.data());
      } else {
        for (size_t k = 0; k < w.size(); ++k)
          y[k] = state.range(0) == 0 ? f.ValueBO(w[k]) : f.ValueBOProduit(w[k]);
      }
      sum += y[w.size() / 2].m;
    }
  }
  benchmark::DoNotOptimize(sum);
}

// Replaces a 1 MiB file where the charts are written, in place (fopen, fwrite, fclose) or
// through a temporary file and a rename (AtomicFile).
void ReplaceFile(benchmark::State& state, bool atomic) {
  const std::string nf = Fichier("eps");
  const std::string bytes(1 << 20, 'x');
  for (auto _ : state) {
    if (atomic) {
      AtomicFile a;
      FILE* f = a.Open(nf.c_str());
      if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() ||
          !a.Commit())
        state.SkipWithError("write failed");
    } else {
      FILE* f = std::fopen(nf.c_str(), "wb");
      if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() ||
          std::fclose(f) != 0)
        state.SkipWithError("write failed");
    }
  }
  std::remove(nf.c_str());
}
void BM_ReplaceInPlace(benchmark::State& state) { ReplaceFile(state, false); }
void BM_ReplaceByRename(benchmark::State& state) { ReplaceFile(state, true); }

}  // namespace

BENCHMARK(BM_ReplaceInPlace)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReplaceByRename)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ValueOrdre8)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BodeEPS)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bode100EPS)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bode100PDF)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bode100SVG)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bode100CSV)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BodeEMF)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BodePDF)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BodeSVG)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BodePNG)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bode5EPS)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bode5PNG)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlackEPS)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TemporelEPS)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NyquistEPS)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NyquistPNG)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EvansEPS)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EvansPNG)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Value)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
