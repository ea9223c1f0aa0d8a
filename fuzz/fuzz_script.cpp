// libFuzzer target: the whole interpreter on arbitrary bytes taken as a parameter script, run
// inside a private folder so that the chart files it names land there.
#include <errno.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "driver/Interpreter.h"
#include "model/Param.h"

namespace {

std::string g_dir;     // private folder of the runs, also the working folder
bool g_inRun = false;  // a script is being run: files opened for writing stay in g_dir
int g_written = 0;     // files opened for writing by the current input
// What one input may cost: every simulation at most kFuzzSteps steps, every frequency chart at
// most kFuzzPoints points, at most kFuzzFiles chart files. Each figure is far above what the
// code paths need to be reached, and keeps a script input some ten times faster.
constexpr double kFuzzSteps = 1000;
constexpr int kFuzzPoints = 100;
constexpr int kFuzzFiles = 2;
constexpr int kFuzzSeconds = 3;

// Settings that only make an input slower are brought back within the bounds above before
// each line, so that a line that raises them counts from the next one on. The Nichols
// contours are the same for every input (their own tests cover them): they stay off.
void BoundSettings() {
  if (Param.EdTFin / Param.EdDt > kFuzzSteps) Param.EdDt = Param.EdTFin / kFuzzSteps;
  if (Param.EdNBP > kFuzzPoints) Param.EdNBP = kFuzzPoints;
  Param.CBNichols = false;
}

}  // namespace

// Every fopen of the program goes through here (linked with --wrap=fopen). While a script
// runs, a file opened for writing keeps only its last path component, so that a name such as
// "../x" or "/tmp/x" cannot leave the private folder; beyond kFuzzFiles such files a chart
// finds its file cannot be opened.
extern "C" FILE* __real_fopen(const char* path, const char* mode);
extern "C" FILE* __wrap_fopen(const char* path, const char* mode) {
  if (!g_inRun || path == nullptr || mode == nullptr || mode[0] == 'r') {
    return __real_fopen(path, mode);
  }
  const char* base = std::strrchr(path, '/');
  base = base == nullptr ? path : base + 1;
  if (*base == '\0' || std::strcmp(base, ".") == 0 || std::strcmp(base, "..") == 0) {
    base = "out";
  }
  if (++g_written > kFuzzFiles) {
    errno = EACCES;
    return nullptr;
  }
  return __real_fopen(base, mode);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string tmpl = std::filesystem::temp_directory_path().string() + "/fuzz-script-XXXXXX";
  if (mkdtemp(&tmpl[0]) == nullptr || chdir(tmpl.c_str()) != 0) abort();
  g_dir = tmpl;
  std::atexit([] {  // the private folder goes with the fuzzer
    std::error_code ec;
    std::filesystem::remove_all(g_dir, ec);
  });
  if (std::freopen("/dev/null", "w", stdout) == nullptr) abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // No screen: every "scr" (any letter case) is spoilt, so no script can open a window.
  std::string text(reinterpret_cast<const char*>(data), size);
  for (size_t i = 0; i + 3 <= text.size(); ++i) {
    if ((text[i] | 0x20) == 's' && (text[i + 1] | 0x20) == 'c' && (text[i + 2] | 0x20) == 'r') {
      text[i] = '#';
    }
  }
  const std::string script = g_dir + "/script.txt";
  FILE* f = std::fopen(script.c_str(), "wb");
  if (f == nullptr) abort();
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);

  g_inRun = true;
  g_written = 0;
  {
    iTPrm interpreter(script.c_str());
    const auto start = std::chrono::steady_clock::now();
    BoundSettings();
    while (interpreter.ExecNextCmde()) {
      BoundSettings();
      // Many charts in one input add up; the rest of a script that has run for kFuzzSeconds is
      // left out, so that only a single command taking too long can reach the time limit.
      if (std::chrono::steady_clock::now() - start > std::chrono::seconds(kFuzzSeconds)) break;
    }
  }
  g_inRun = false;

  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(g_dir, ec)) {
    std::filesystem::remove_all(entry.path(), ec);
  }
  Param.Reset();
  return 0;
}
