// Speed of the plotting kernel: one million DRAW calls (or points of DRAWS) through clipping, rounding, the move
// queue and a file device (EPS, EMF), in nanoseconds per segment.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

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

// A dense curve as the time chart draws it: a million samples across the window, ten or so to a
// device unit, computed beforehand and handed to DRAWS by blocks of 1024.
void DrawsMillion(TR_INFO& d) {
  static std::vector<double> xs, ys;
  if (xs.empty()) {
    for (int i = 1; i <= kSegments; ++i) {
      xs.push_back(i * (1000.0 / kSegments));
      ys.push_back(std::sin(i * 1e-5));
    }
  }
  d.TRINIT();
  d.WINDOW(0, 1000, -1.1, 1.1);
  d.MOVE(0, 0);
  for (size_t i = 0; i < xs.size(); i += 1024) {
    const size_t n = xs.size() - i < 1024 ? xs.size() - i : 1024;
    d.DRAWS(n, xs.data() + i, ys.data() + i);
  }
  d.TRCLOSE();
}

template <class Device, void (*Draw)(TR_INFO&) = DrawMillion>
void BM_Draw(benchmark::State& state, const char* ext) {
  const std::string path = TempPath(ext);
  double wall_ns = 0, cpu_ns = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    const std::clock_t c0 = std::clock();
    Device d(path.c_str());
    Draw(d);
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
void BM_DrawsEps(benchmark::State& state) { BM_Draw<C_EPS, DrawsMillion>(state, ".eps"); }

}  // namespace

BENCHMARK(BM_DrawEps)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DrawEmf)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DrawsEps)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_MAIN();
