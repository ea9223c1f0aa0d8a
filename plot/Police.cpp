// first cut; the text and shapes module replaces this file
// Stroke font table: only the font header until the glyphs are added.
#include "plot/TrInfo.h"

namespace {
const unsigned char kHeader[] = {21, 7, 2, 0};
}  // namespace

const FORME POLICE[] = {{1, 4, kHeader}};
