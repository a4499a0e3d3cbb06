// Draws parsed operations onto a canvas, the way QuickDraw would have drawn
// the picture into a port the size of its frame.
#pragma once

#include "pict/operations.h"

namespace dravik::pict {

// Where the picture's coordinates land on the canvas: `area` (the frame, or
// the extended header's source rectangle) covers the whole canvas.
struct CanvasGeometry {
    Rect area;
    int width = 0;
    int height = 0;
    double resolution = 72;
};

// The canvas size for a picture: its frame at 72 dpi, or its source
// rectangle at the native resolution of an extended header, lowered until it
// holds at most maxPixels.
CanvasGeometry ChooseGeometry(const PictHeader& header, int64_t maxPixels);

struct DrawOutcome {
    PictPicture picture;
    bool drewSomething = false;
    std::vector<std::string> skipped;
    // A QuickTime image could not be decoded: the picture is not drawn.
    std::optional<PictFailure> failure;
    bool overBudget = false;  // drawing stopped: the shapes cost more than maxWork
    bool textLeftOut = false; // some text had no font to be drawn with
};

// Draws every operation onto a white canvas. The raster operations read
// their rows from `bytes`, the data the operations were parsed from.
// Content the reader does not draw (FeatureOp) is passed over and noted.
// QuickTime images larger than maxImagePixels are not decoded.
DrawOutcome DrawOperations(const ParsedPict& parsed, std::span<const uint8_t> bytes,
                           const CanvasGeometry& geometry, int64_t maxWork = INT64_MAX,
                           int64_t maxImagePixels = PictLimits{}.maxCanvasPixels);

} // namespace dravik::pict
