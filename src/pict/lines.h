// QuickDraw's lines: the pen rectangle, hanging below and to the right of
// the pen location, swept from one point to the other, with no antialiasing.
#pragma once

#include "pict/coverage.h"

namespace dravik::pict {

// Adds the pixels the pen (penWidth x penHeight) covers on its way from a
// to b, both ends included, on the rows of the builder that `visible` shows.
void AddLine(CoverageBuilder& into, Point a, Point b, int penWidth, int penHeight,
             const Rect& visible);

} // namespace dravik::pict
