// The points of every Nichols contour, as the build computed them (the program
// tools/nichols_points.cpp writes them with charts/Nichols.cpp's CalculeContour): the file's
// bytes are taken into the program's read-only data as they are, contour after contour, the
// phases then the gains of each.
#include "charts/Nichols.h"

#ifndef CORVANE_NICHOLS_POINTS
#error "CORVANE_NICHOLS_POINTS names the file of the contours' points"
#endif

extern "C" __attribute__((visibility("hidden"))) const double corvane_points_nichols[];

asm(".pushsection .rodata.corvane_points_nichols, \"a\"\n"
    ".balign 64\n"
    ".globl corvane_points_nichols\n"
    ".hidden corvane_points_nichols\n"
    ".type corvane_points_nichols, @object\n"
    "corvane_points_nichols:\n"
    ".incbin \"" CORVANE_NICHOLS_POINTS "\"\n"
    ".size corvane_points_nichols, . - corvane_points_nichols\n"
    ".popsection\n");

const double* PointsContour(int i) {
  return corvane_points_nichols + static_cast<long>(i) * 2 * kPointsContour;
}
