// Cost of evaluating expression-defined functions: one frequency sweep, a phase search and
// the construction of the rational fraction.
#include <benchmark/benchmark.h>

#include <cmath>

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

}  // namespace

BENCHMARK_MAIN();
