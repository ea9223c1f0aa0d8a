// Writes the points of every Nichols contour (charts/Nichols.h), contour after contour, the
// phases then the gains of each, as the doubles of this machine: the build runs it once and the
// program takes the file in as its table of contour points.
//
//   nichols_points FILE
#include <cstdio>
#include <vector>

#include "charts/Nichols.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: nichols_points FILE\n");
    return 2;
  }
  std::vector<double> pts(static_cast<size_t>(2 * kPointsContour) * kNbContours);
  for (int i = 0; i < kNbContours; ++i) {
    double* x = pts.data() + static_cast<size_t>(2 * kPointsContour) * i;
    CalculeContour(i, x, x + kPointsContour);
  }
  std::FILE* f = std::fopen(argv[1], "wb");
  if (f == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  const bool ok = std::fwrite(pts.data(), sizeof(double), pts.size(), f) == pts.size();
  if (std::fclose(f) != 0 || !ok) {
    std::fprintf(stderr, "nichols_points: %s not written whole\n", argv[1]);
    std::remove(argv[1]);
    return 1;
  }
  return 0;
}
