// Speed of the time simulator (Runge-Kutta steps per second by order) and of the whole
// properties report of a fourth-order loop at default settings.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#include "bench/Quiet.h"
#include "driver/Report.h"
#include "model/FctTransfert.h"
#include "model/Param.h"
#include "plot/MDGraph.h"
#include "sim/SimTemp.h"
#include "sim/TrTemp.h"

// Counts every allocation so that the step loop can be shown to allocate nothing. The
// replacement operators pair malloc with free, which g++ cannot see through.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
static long g_allocations = 0;
void* operator new(std::size_t n) {
  ++g_allocations;
  if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

// Denominator of (s + 1)^n without its leading 1, constant term first.
std::vector<double> BinomialDenominator(int n) {
  std::vector<double> c(n + 1, 0.0);
  c[0] = 1.0;
  for (int k = 0; k < n; ++k)
    for (int i = k + 1; i > 0; --i) c[i] += c[i - 1];
  c.pop_back();
  return c;
}

void BM_RungeKuttaSteps(benchmark::State& state) {
  const int order = static_cast<int>(state.range(0));
  std::vector<double> a = BinomialDenominator(order);
  const double b[] = {1.0};
  SimTemp s(a.data(), static_cast<short>(order), b, 1);
  s.Dt = 1e-4;
  s.ModeBF();
  constexpr int kStepsPerRun = 100000;
  long allocations = 0;
  for (auto _ : state) {
    s.Init();
    long before = g_allocations;
    double sum = 0.0;
    for (int i = 0; i < kStepsPerRun; ++i) sum += s.NextY();
    allocations += g_allocations - before;
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kStepsPerRun);
  state.counters["steps/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kStepsPerRun, benchmark::Counter::kIsRate);
  state.counters["allocs_in_loop"] = static_cast<double>(allocations);
}
BENCHMARK(BM_RungeKuttaSteps)->Arg(1)->Arg(2)->Arg(4)->Arg(8);

// Steps s by blocks of 1024 outputs, 100 blocks a run from its initial state, and reports the
// steps per second.
void StepsByBlocks(benchmark::State& state, SimTemp* s) {
  constexpr size_t kStepsPerRun = 100 * 1024;
  std::vector<double> ys(1024);
  for (auto _ : state) {
    s->Init();
    for (size_t done = 0; done < kStepsPerRun;) done += s->NextYs(1e300, ys.data(), nullptr, 1024);
    benchmark::DoNotOptimize(ys.data());
  }
  state.counters["steps/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kStepsPerRun, benchmark::Counter::kIsRate);
}

// The same steps by blocks of 1024 outputs, as the report and the time chart run them.
void BM_RungeKuttaBlocks(benchmark::State& state) {
  const int order = static_cast<int>(state.range(0));
  std::vector<double> a = BinomialDenominator(order);
  const double b[] = {1.0};
  SimTemp s(a.data(), static_cast<short>(order), b, 1);
  s.Dt = 1e-4;
  s.ModeBF();
  StepsByBlocks(state, &s);
}
BENCHMARK(BM_RungeKuttaBlocks)->Arg(0)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Arg(12)->Arg(16)->Arg(20);

// Closed loop of 1/(s+1)^n by blocks, without and with a delay of 0.5 s before it (the delay
// equation read back from the past outputs): steps per second of each, side by side.
void BM_DelayedClosedLoopBlocks(benchmark::State& state) {
  const int order = static_cast<int>(state.range(0));
  std::vector<double> a = BinomialDenominator(order);
  const double b[] = {1.0};
  SimTemp s(a.data(), static_cast<short>(order), b, 1);
  s.Dt = 1e-4;
  s.Retard = state.range(1) != 0 ? 0.5 : 0.0;
  s.ModeBF();
  StepsByBlocks(state, &s);
}
BENCHMARK(BM_DelayedClosedLoopBlocks)->ArgsProduct({{1, 4, 8}, {0, 1}});

// Open and closed loop of the same function stepped side by side, as the time chart runs them:
// steps/s counts the steps of both.
void BM_RungeKuttaPairs(benchmark::State& state) {
  const int order = static_cast<int>(state.range(0));
  std::vector<double> a = BinomialDenominator(order);
  const double b[] = {1.0};
  SimTemp bo(a.data(), static_cast<short>(order), b, 1);
  SimTemp bf(a.data(), static_cast<short>(order), b, 1);
  bo.Dt = bf.Dt = 1e-4;
  bf.ModeBF();
  constexpr size_t kStepsPerRun = 100 * 1024;
  std::vector<double> ys(1024), yf(1024), ts(1024);
  for (auto _ : state) {
    bo.Init();
    bf.Init();
    for (size_t done = 0; done < kStepsPerRun;)
      done += SimTemp::NextYsPaire(&bo, &bf, 1e300, ys.data(), yf.data(), ts.data(), 1024);
    benchmark::DoNotOptimize(ys.data());
    benchmark::DoNotOptimize(yf.data());
  }
  state.counters["steps/s"] = benchmark::Counter(
      2.0 * static_cast<double>(state.iterations()) * kStepsPerRun, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RungeKuttaPairs)->Arg(1)->Arg(4)->Arg(8);

// Steps of the impulse response of 2/((s+1)(s+2)) from 1 s (Arg 0) and from 720 s (Arg 1),
// where the decayed state lies below the smallest normal double: the cost of a step should not
// depend on it.
void BM_DecayedSteps(benchmark::State& state) {
  const double a[] = {2.0, 3.0}, b[] = {2.0};
  SimTemp s(a, 2, b, 1);
  s.SetFctU(SimTemp::S_Impulsion);
  s.Dt = 1e-4;
  std::vector<double> ys(1024);
  const double debut = state.range(0) != 0 ? 720.0 : 1.0;
  while (s.T < debut) s.NextYs(debut, ys.data(), nullptr, 1024);
  constexpr size_t kStepsPerRun = 100 * 1024;
  for (auto _ : state) {
    for (size_t done = 0; done < kStepsPerRun;) done += s.NextYs(1e300, ys.data(), nullptr, 1024);
    benchmark::DoNotOptimize(ys.data());
  }
  state.counters["steps/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kStepsPerRun, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecayedSteps)->Arg(0)->Arg(1);

// The whole report of 4/((s+1)(s+2)(s+3)(s+4)) at default settings: frequency searches and
// two step responses of 300 000 steps each. Standard output goes to /dev/null meanwhile.
void BM_PropertiesReport(benchmark::State& state) {
  Param.Reset();
  TFctTransfert* f = Param.AddFctTransfert("H", 4 * 24.0);
  for (double p : {-1.0, -2.0, -3.0, -4.0}) f->AddPole(p);
  {
    SortieMuette muette;
    for (auto _ : state) AffProp(f);
  }
  Param.Reset();
}
BENCHMARK(BM_PropertiesReport)->Unit(benchmark::kMillisecond);

// The report of 2/((s+1)(s+2)) simulated over 1000 s at the default step: two step responses of
// ten million steps each.
void BM_PropertiesReport1000s(benchmark::State& state) {
  Param.Reset();
  Param.EdTFin = 1000;
  TFctTransfert* f = Param.AddFctTransfert("H", 2);
  for (double p : {-1.0, -2.0}) f->AddPole(p);
  {
    SortieMuette muette;
    for (auto _ : state) AffProp(f);
  }
  Param.Reset();
}
BENCHMARK(BM_PropertiesReport1000s)->Unit(benchmark::kMillisecond);

// The time chart of 20 fourth-order functions (two real poles and a damped pair each), open and
// closed loop, at default settings: 40 curves of 100 000 samples, to EPS or EMF.
void TimeChartRegistry() {
  Param.Reset();
  for (int i = 0; i < 20; ++i) {
    char nom[16];
    std::snprintf(nom, sizeof nom, "F%d", i);
    double poles[] = {-0.5 - 0.1 * i, -5.0 - i};
    double pc[] = {1, 0.4 + 0.05 * i, 4.0 + i};
    Param.AddFctTransfert(nom, 2.0 + i, nullptr, 0, poles, 2, nullptr, 0, pc, 1);
  }
  Param.CBBO = Param.CBBF = true;
}
void TimeChart(benchmark::State& state, GrType type, const char* file) {
  TimeChartRegistry();
  for (auto _ : state) {
    TMDGraph g(type, file);
    TrTemp t;
    t.Trace(&g);
  }
  std::remove(file);
  Param.Reset();
}
void BM_TimeChart20EPS(benchmark::State& state) {
  TimeChart(state, GrPS, "/tmp/corvane_bench_time.eps");
}
void BM_TimeChart20EMF(benchmark::State& state) {
  TimeChart(state, GrEMF, "/tmp/corvane_bench_time.emf");
}
// The time chart to EPS drawn as Trace draws it, by its three ways (Arg): 0 the samples kept by
// the range pass for the drawing (what Trace does while they fit in 64 MB), 1 the loops stepped
// again while they are drawn (what it does with the cheap loops beyond), 2 the bound: the same
// curves stepped once while they are drawn, their value range being known beforehand (found
// outside the timing), without a range pass.
void BM_TimeChart20EPSWays(benchmark::State& state) {
  TimeChartRegistry();
  const char* file = "/tmp/corvane_bench_time_ways.eps";
  const int way = static_cast<int>(state.range(0));
  TrTemp range;
  range.Calcule(0, true);
  for (auto _ : state) {
    TMDGraph g(GrPS, file);
    TrTemp t;
    if (way == 2) {
      t.Tm = range.Tm;
      t.Dt = range.Dt;
      t.Yn = range.Yn;
      t.Ym = range.Ym;
    } else {
      t.Calcule(way == 1 ? 0 : 64u << 17, true);  // 64 MB of doubles, as Trace keeps at most
    }
    g.Gr->BOUNDS(0, 19, 0, 28);
    g.Gr->TRINIT();
    double xn, yn;
    g.Gr->GET_BOUNDS(&xn, &t.txm, &yn, &t.tym);
    g.Gr->VWPORTA(2, t.txm - 1, 1, t.tym - 0.5);
    t.Temporel(g.Gr);
    g.Gr->TRCLOSE();
  }
  std::remove(file);
  Param.Reset();
}
// Wall time: the chart simulates on a second core where there is one.
BENCHMARK(BM_TimeChart20EPS)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TimeChart20EPSWays)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TimeChart20EMF)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
