// Speed of the plotting kernel: one million DRAW calls through clipping, rounding, the move
// queue and a file device (EPS, EMF), in nanoseconds per segment.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "plot/EmfDevice.h"
#include "plot/EpsDevice.h"

namespace {

constexpr int kSegments = 1000000;

std::string TempPath(const char* ext) {
  static std::string dir;
  if (dir.empty()) {
    char tmpl[] = "/tmp/corvane_bench_XXXXXX";
    if (mkdtemp(tmpl)) dir = tmpl;
  }
  return dir + "/plot" + ext;
}

// A polyline sweeping across the window, every point fractional so rounding and residues work.
void DrawMillion(TR_INFO& d) {
  d.TRINIT();
  d.WINDOW(0, 1000, -1.1, 1.1);
  d.MOVE(0, 0);
  for (int i = 1; i <= kSegments; ++i) {
    const double x = (i % 10000) * 0.1 + 0.037;
    d.DRAW(x, std::sin(i * 0.01));
  }
  d.TRCLOSE();
}

template <class Device>
void BM_Draw(benchmark::State& state, const char* ext) {
  const std::string path = TempPath(ext);
  double wall_ns = 0, cpu_ns = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    const std::clock_t c0 = std::clock();
    Device d(path.c_str());
    DrawMillion(d);
    cpu_ns += (std::clock() - c0) * 1e9 / CLOCKS_PER_SEC;
    wall_ns +=
        std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count();
  }
  const double n = static_cast<double>(state.iterations()) * kSegments;
  state.counters["wall_ns_per_segment"] = wall_ns / n;
  state.counters["cpu_ns_per_segment"] = cpu_ns / n;
  std::remove(path.c_str());
}

void BM_DrawEps(benchmark::State& state) { BM_Draw<C_EPS>(state, ".eps"); }
void BM_DrawEmf(benchmark::State& state) { BM_Draw<C_EMF>(state, ".emf"); }

}  // namespace

BENCHMARK(BM_DrawEps)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DrawEmf)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
