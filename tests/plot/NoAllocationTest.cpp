// Checks that drawing through the kernel allocates no memory: every operator new is counted.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "plot/TrInfo.h"

namespace {
std::atomic<long> g_allocations{0};
}  // namespace

// The sanitizers bring their own allocator; the count runs in the plain build only.
#if !defined(__SANITIZE_ADDRESS__)
#define CORVANE_COUNT_ALLOCATIONS 1
namespace {
__attribute__((noinline)) void Release(void* p) { std::free(p); }
}  // namespace

void* operator new(std::size_t n) {
  ++g_allocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
#endif

namespace {

// A device that receives the moves and does nothing with them.
class SinkDevice : public TR_INFO {
 public:
  SinkDevice() {
    u_par_cmx = u_par_cmy = 400;
    tr_xmax = 29.7;
    tr_ymax = 21;
    plume_max = 16;
  }
  void tr_move(int, int, int st) override { drawn += st != 0; }
  long drawn = 0;
};

TEST(NoAllocation, DrawingPensStylesAndClippingAllocateNothing) {
#ifndef CORVANE_COUNT_ALLOCATIONS
  GTEST_SKIP() << "allocations are not counted under the sanitizers";
#endif
  SinkDevice d;
  ASSERT_EQ(d.TRINIT(), 0);
  d.WINDOW(0, 100, 0, 100);
  d.VWPORT(0.1, 0.9, 0.1, 0.9);
  const long before = g_allocations.load();
  for (int i = 0; i < 20000; ++i) {
    if (i % 1000 == 0) {
      d.PLUME(i / 1000 % 16);
      d.SETLIN(i / 1000 % 12, 0.5);
    }
    if (i % 7 == 0)
      d.MOVE(i % 130 - 15, i % 110 - 5);
    else
      d.DRAW(i % 120 - 10, (i * 7) % 115 - 8);
  }
  d.TRCLOSE();
  EXPECT_EQ(g_allocations.load() - before, 0);
  EXPECT_GT(d.drawn, 10000);  // the loop really drew
}

}  // namespace
