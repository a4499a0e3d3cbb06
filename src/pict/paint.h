// Puts a shape's pixels on the canvas: the pattern, aligned to the canvas's
// pixel grid as QuickDraw aligns it to the port, combined with the canvas
// through a transfer mode, inside the clip region.
#pragma once

#include "pict/coverage.h"
#include "pict/raster.h"

namespace dravik::pict {

// `mode` is a source mode (0-7) or an arithmetic one (32-39): the pattern
// modes drop their offset before they get here. False when nothing showed.
bool PaintCoverage(const Coverage& shape, const Pattern& pattern, int mode, const PortState& port,
                   const RasterTarget& target, DrawBudget& budget);

} // namespace dravik::pict
