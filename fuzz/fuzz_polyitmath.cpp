// libFuzzer target: the rational-fraction expression evaluator on arbitrary expression texts,
// and the time simulator built from the resulting fraction.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "expr/PolyItMath.h"
#include "fuzz/FuzzRegistry.h"
#include "sim/SimTemp.h"
#include "sim/TrTemp.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (std::freopen("/dev/null", "w", stdout) == nullptr) abort();
  FuzzRegistry();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  {
    const char* s = text.c_str();
    TQuotPoly y;
    PolyTItMath m;
    int r = m.ItMath(&s, &y);
    if (r < 0 || r >= TItMath::NbErr || r != m.ErrNo) abort();
    if (s < text.c_str() || s > text.c_str() + text.size()) abort();
    (void)m.ErrMsg();
  }
  TFctTransfert* x = FuzzRegistry();
  x->ChangeExpression(text.c_str());
  TrTemp chart;
  SimTemp* sim = chart.TempFromH(x);
  if (x->EnCalcul) abort();  // the guard must be released on every path
  if (sim != nullptr) {
    sim->Dt = 1e-3;
    for (int fct = 0; fct < 3; ++fct) {
      sim->SetFctU(fct);
      sim->Init();
      sim->ModeBO();
      for (int i = 0; i < 50; ++i) sim->NextY();
      sim->Init();
      sim->ModeBF();
      for (int i = 0; i < 50; ++i) sim->NextY();
    }
    delete sim;
  }
  return 0;
}
