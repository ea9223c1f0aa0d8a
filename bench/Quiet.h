// Standard output sent to /dev/null while a benchmark runs code that prints (reports, the Black
// chart's progress lines), restored when the guard goes out of scope.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

class SortieMuette {
 public:
  SortieMuette() {
    std::fflush(stdout);
    saved_ = dup(fileno(stdout));
    null_ = open("/dev/null", O_WRONLY);
    if (null_ >= 0) dup2(null_, fileno(stdout));
  }
  ~SortieMuette() {
    std::fflush(stdout);
    if (saved_ >= 0) dup2(saved_, fileno(stdout));
    if (null_ >= 0) close(null_);
    if (saved_ >= 0) close(saved_);
  }
  SortieMuette(const SortieMuette&) = delete;
  SortieMuette& operator=(const SortieMuette&) = delete;

 private:
  int saved_ = -1, null_ = -1;
};
