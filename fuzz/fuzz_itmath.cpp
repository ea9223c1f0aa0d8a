// libFuzzer target: the complex expression evaluator on arbitrary expression texts, directly
// and as the expression of a registered function evaluated in open and closed loop.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "expr/ItMath.h"
#include "fuzz/FuzzRegistry.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (std::freopen("/dev/null", "w", stdout) == nullptr) abort();  // Value prints its errors
  FuzzRegistry();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const double frequencies[] = {0.0, 1e-10, 1.0, 1e6};
  for (double w : frequencies) {
    const char* s = text.c_str();
    TComplex y;
    TItMath m(w);
    int r = m.ItMath(&s, &y);
    if (r < 0 || r >= TItMath::NbErr || r != m.ErrNo) abort();
    if (s < text.c_str() || s > text.c_str() + text.size()) abort();
    (void)m.ErrMsg();
  }
  TFctTransfert* x = FuzzRegistry();
  x->ChangeExpression(text.c_str());
  for (bool closed : {false, true}) {
    x->ModeBF = closed;
    x->InitValue(true);
    TComplexP y;
    for (double w : {1e-3, 0.5, 2.0, 50.0}) x->Value(w, &y);
    if (x->EnCalcul) abort();  // the guard must be released on every path
  }
  x->ModeBF = false;
  return 0;
}
