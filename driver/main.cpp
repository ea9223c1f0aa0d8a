// Program entry: title line, then the script named on the command line, line by line, then
// the final pause. The exit status is always 0.
#include <cstdio>

#include "driver/Console.h"
#include "driver/Interpreter.h"

int main(int argc, char** argv) {
  Utf8Terminal console;
  std::printf("Corvane\n");
  if (argc > 1) {
    iTPrm script(argv[1]);
    while (script.ExecNextCmde()) {
    }
  }
  FinalPause();
  return 0;
}
