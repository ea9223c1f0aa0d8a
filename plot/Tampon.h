// Output block of the file devices: the bytes of a drawing are gathered in one large block and
// handed to the kernel's byte output only when the block is full, before a rewind and when the
// drawing is closed, so a chart costs a few large writes instead of one small write a segment.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>

#include "plot/TrInfo.h"

class TTampon {
 public:
  static constexpr size_t kTaille = 256 * 1024;

  explicit TTampon(TR_INFO* g) : g_(g) {}
  TTampon(const TTampon&) = delete;
  TTampon& operator=(const TTampon&) = delete;

  // Appends n bytes; the block is written out first when they do not fit.
  void Ajoute(const char* p, size_t n) {
    if (!bloc_) bloc_.reset(new char[kTaille]);
    if (n > kTaille - n_) {
      Vide();
      if (n > kTaille) {
        g_->bnsend(p, static_cast<int>(n));
        return;
      }
    }
    std::memcpy(bloc_.get() + n_, p, n);
    n_ += n;
  }
  void Ajoute(const char* s) { Ajoute(s, std::strlen(s)); }

  // Room for n more bytes (n <= kTaille) at the end of the block, written out first when they
  // do not fit: the caller writes its bytes there and hands their end back to Avance.
  char* Place(size_t n) {
    if (!bloc_) bloc_.reset(new char[kTaille]);
    if (n > kTaille - n_) Vide();
    return bloc_.get() + n_;
  }
  void Avance(const char* fin) { n_ = static_cast<size_t>(fin - bloc_.get()); }

  // Writes v in decimal at p (at most 11 bytes); returns the end.
  __attribute__((always_inline)) static char* PutInt(char* p, int v) {
    // Two decimal digits of every number below 100.
    static constexpr char kDigits[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    unsigned u = v < 0 ? 0u - static_cast<unsigned>(v) : static_cast<unsigned>(v);
    if (v < 0) *p++ = '-';
    // Number of digits from the bit length: about log10(2) = 1233 / 4096 digits a bit, less
    // one when u is below the power of ten reached.
    static constexpr unsigned kPow10[10] = {0,      10,      100,      1000,      10000,
                                            100000, 1000000, 10000000, 100000000, 1000000000};
    const int t = ((32 - __builtin_clz(u | 1)) * 1233) >> 12;
    const int n = t - (u < kPow10[t]) + 1;
    char* const fin = p + n;
    char* q = fin;
    while (u >= 100) {
      const unsigned r = u % 100;
      u /= 100;
      q -= 2;
      q[0] = kDigits[2 * r];
      q[1] = kDigits[2 * r + 1];
    }
    if (u >= 10) {
      q[-2] = kDigits[2 * u];
      q[-1] = kDigits[2 * u + 1];
    } else {
      q[-1] = static_cast<char>('0' + u);
    }
    return fin;
  }

  // Hands the gathered bytes to the kernel's output.
  void Vide() {
    if (n_ > 0) g_->bnsend(bloc_.get(), static_cast<int>(n_));
    n_ = 0;
  }

  // Starts a drawing: forgets the bytes of one that was never closed, and leaves the file
  // unbuffered, this block being its buffer (one system call a block).
  void Debut() {
    n_ = 0;
    if (g_->tr_out) std::setvbuf(g_->tr_out, nullptr, _IONBF, 0);
  }

 private:
  TR_INFO* g_;
  std::unique_ptr<char[]> bloc_;
  size_t n_ = 0;
};
