// Speed of the properties report of an order-8 loop with a lightly damped pair, split into its
// frequency-domain searches, its two step responses and its stable gain range and closed-loop
// poles, for the function written with factors and as an expression; and the reports set beside
// GNU Octave and Scilab. bench/report_process.sh times the whole process.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "bench/Quiet.h"
#include "driver/Report.h"
#include "expr/LieuEvans.h"
#include "expr/PolyItMath.h"
#include "expr/Roots.h"
#include "model/FctTransfert.h"
#include "model/Nyquist.h"
#include "model/Param.h"

namespace {

// 3/((s+1)(s+2)(s+5)(s+0.5)(s^2+0.04s+0.2)(s^2+0.4s+4)), or the same product of one-factor
// functions written as an expression.
TFctTransfert* Loop(bool expression) {
  Param.Reset();
  TFctTransfert* f = Param.AddFctTransfert("H", 3);
  for (double p : {-1.0, -2.0, -5.0, -0.5}) f->AddPole(p);
  f->AddPoleC(1, 0.04, 0.2);
  f->AddPoleC(1, 0.4, 4);
  if (!expression) return f;
  const char* names[] = {"P1", "P2", "P3", "P4"};
  const double poles[] = {-1.0, -2.0, -5.0, -0.5};
  for (int i = 0; i < 4; ++i) Param.AddFctTransfert(names[i], 1)->AddPole(poles[i]);
  Param.AddFctTransfert("Q1", 1)->AddPoleC(1, 0.04, 0.2);
  Param.AddFctTransfert("Q2", 1)->AddPoleC(1, 0.4, 4);
  TFctTransfert* e = Param.AddFctTransfert("E", 1);
  e->ChangeExpression("3*P1*P2*P3*P4*Q1*Q2");
  return e;
}

// Runs body with standard output sent to /dev/null.
template <class F>
void Quiet(F body) {
  SortieMuette muette;
  body();
}

void BM_ReportOrder8(benchmark::State& state) {
  TFctTransfert* f = Loop(state.range(0) != 0);
  Quiet([&] {
    for (auto _ : state) AffProp(f);
  });
  Param.Reset();
}
BENCHMARK(BM_ReportOrder8)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The Nyquist criterion line alone: the roots of the fraction and of den + num, and the count of
// the turns round -1 from the frequency response.
void BM_NyquistCriterionOrder8(benchmark::State& state) {
  TFctTransfert* f = Loop(state.range(0) != 0);
  TNyquistCriterion c;
  for (auto _ : state) {
    NyquistCriterionOf(f, &c);
    benchmark::DoNotOptimize(c.Z);
  }
  Param.Reset();
}
BENCHMARK(BM_NyquistCriterionOrder8)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Every search of the report: margins, bandwidths, maximum gains and the three phase lines.
void BM_SearchesOrder8(benchmark::State& state) {
  TFctTransfert* f = Loop(state.range(0) != 0);
  std::vector<TFctTransfert::TCroise> c;
  double w;
  for (auto _ : state) {
    f->ModeBF = false;
    f->CroisementsModule(-5.5, &c);
    f->CroisementsPhase(-180, &c);
    f->CroisementsModule(0, &c);
    f->SearchdBMax(&w);
    for (double ph : {-135.0, -130.0, -120.0}) f->CroisementsPhase(ph, &c);
    f->ModeBF = true;
    f->CroisementsModule(-10.4, &c);
    f->SearchdBMax(&w);
    benchmark::DoNotOptimize(c.data());
  }
  Param.Reset();
}
BENCHMARK(BM_SearchesOrder8)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The two step responses of the report (open and closed loop).
void BM_StepResponsesOrder8(benchmark::State& state) {
  TFctTransfert* f = Loop(false);
  double tr;
  TPerfTemp perf;
  for (auto _ : state) {
    f->ModeBF = false;
    benchmark::DoNotOptimize(TempsReponseDep(2, f, &tr, &perf));
    f->ModeBF = true;
    benchmark::DoNotOptimize(TempsReponseDep(2, f, &tr, &perf));
  }
  Param.Reset();
}
BENCHMARK(BM_StepResponsesOrder8)->Unit(benchmark::kMillisecond);

// What the closed-loop lines of the stable gain range and of the poles add to the report: the
// fraction, the crossings and separation points with the check of each gain range, and the
// roots of den + num.
void BM_GainRangeAndPolesOrder8(benchmark::State& state) {
  TFctTransfert* f = Loop(state.range(0) != 0);
  std::vector<TComplex> poles;
  for (auto _ : state) {
    TQuotPolyH q(f, true);
    if (f->Expression != nullptr) q.Simplifie(1e-6);
    TLieuEvans lieu;
    benchmark::DoNotOptimize(lieu.Calcule(q.Num, q.Den));
    benchmark::DoNotOptimize(PolyRoots(q.Den + q.Num, poles));
  }
  Param.Reset();
}
BENCHMARK(BM_GainRangeAndPolesOrder8)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The loops set beside GNU Octave and Scilab (tools/bench-report-vs-octave.sh), both of whose
// loops settle within the 30 s simulated: order 8,
// 0.3/((s+1)(s+2)(s+5)(s+0.5)(s^2+0.4s+0.2)(s^2+0.4s+4)), and order 16, the same with four
// more real poles and two more pairs, gain 300.
void BM_ReportPeers(benchmark::State& state) {
  Param.Reset();
  const bool seize = state.range(0) == 16;
  TFctTransfert* f = Param.AddFctTransfert("H", seize ? 300 : 0.3);
  for (double p : {-1.0, -2.0, -5.0, -0.5}) f->AddPole(p);
  f->AddPoleC(1, 0.4, 0.2);
  f->AddPoleC(1, 0.4, 4);
  if (seize) {
    for (double p : {-1.5, -3.0, -4.0, -6.0}) f->AddPole(p);
    f->AddPoleC(1, 0.6, 1);
    f->AddPoleC(1, 0.8, 9);
  }
  Quiet([&] {
    for (auto _ : state) AffProp(f);
  });
  Param.Reset();
}
BENCHMARK(BM_ReportPeers)->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
