// Cost of evaluating expression-defined functions: one frequency sweep, a phase search, the
// construction of the rational fraction, and a sweep of deeply nested expressions.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "expr/PolyItMath.h"
#include "model/Param.h"

namespace {

TFctTransfert* Setup() {
  Param.Reset();
  Param.AddFctTransfert("G1", 2)->AddPole(-1);
  TFctTransfert* g2 = Param.AddFctTransfert("G2", 1);
  g2->AddZero(-3);
  g2->AddPoleC(1, 0.5, 4);
  TFctTransfert* e = Param.AddFctTransfert("E", 1);
  e->ChangeExpression("G1*G2/(1+G1*G2)");
  return e;
}

// One chart curve: 400 points over six decades.
void BM_SweepExpression(benchmark::State& st) {
  TFctTransfert* e = Setup();
  for (auto _ : st) {
    e->InitValue(true);
    TComplexP y;
    for (int k = 0; k < 400; ++k) e->Value(std::pow(10.0, -3 + 6.0 * k / 399), &y);
    benchmark::DoNotOptimize(y);
  }
  Param.Reset();
}
BENCHMARK(BM_SweepExpression);

void BM_SearchPhaseExpression(benchmark::State& st) {
  TFctTransfert* e = Setup();
  for (auto _ : st) {
    double w;
    benchmark::DoNotOptimize(e->SearchPhase(-90, &w));
  }
  Param.Reset();
}
BENCHMARK(BM_SearchPhaseExpression);

void BM_FractionOfExpression(benchmark::State& st) {
  TFctTransfert* e = Setup();
  for (auto _ : st) {
    TQuotPolyH q(e, true);
    benchmark::DoNotOptimize(q.Err);
  }
  Param.Reset();
}
BENCHMARK(BM_FractionOfExpression);

// E_k = "(E_k-1+E_k-1)/2" up to depth 12 over a third-order function: 8190 references per
// evaluation, 25 of them distinct; one curve of 10 000 points.
void BM_NestedExpressionSweep(benchmark::State& st) {
  Param.Reset();
  TFctTransfert* e = Param.AddFctTransfert("E0", 4);
  for (double p : {-1.0, -2.0, -5.0}) e->AddPole(p);
  for (int k = 1; k <= 12; ++k) {
    std::string n = "E" + std::to_string(k), prev = "E" + std::to_string(k - 1);
    e = Param.AddFctTransfert(n.c_str(), 1);
    e->ChangeExpression(("(" + prev + "+" + prev + ")/2").c_str());
  }
  for (auto _ : st) {
    e->InitValue(true);
    TComplexP y;
    for (int k = 0; k < 10000; ++k) e->Value(1e-3 * std::pow(10.0, k * 6.0 / 9999), &y);
    benchmark::DoNotOptimize(y);
  }
  Param.Reset();
}
BENCHMARK(BM_NestedExpressionSweep)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
