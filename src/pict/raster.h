// CopyBits as pictures record it: unpacks the source rows one at a time,
// scales the source rectangle to the destination rectangle (nearest pixel),
// and combines source and canvas through the transfer mode, inside the clip
// region and the operation's mask region.
#pragma once

#include "pict/colour_profile.h"
#include "pict/operations.h"

namespace dravik::pict {

// The graphics port's state that drawing depends on.
struct PortState {
    Region clip; // in canvas-independent picture coordinates, origin applied
    int originH = 0;
    int originV = 0;
    Rgb fore{0, 0, 0};
    Rgb back{255, 255, 255};
    Rgb opColour{0, 0, 0};
    // The picture's colour profile while it applies: pixel images are
    // converted through it to sRGB.
    const IccToSrgb* colourMatch = nullptr;
};

// The canvas and the picture area it shows.
struct RasterTarget {
    uint8_t* rgb;
    int width;
    int height;
    Rect area;
};

struct RasterNotes {
    bool drewPixels = false;
    bool unknownMode = false;
};

RasterNotes DrawRaster(const RasterOp& op, std::span<const uint8_t> bytes, const PortState& port,
                       const RasterTarget& target);

// Unpacks one PackBits row into `out` (its size is the row's unpacked
// length); `unit` is 1 for bytes, 2 for 16-bit pixels. Missing bytes are
// left zero, surplus ones dropped. Returns the bytes consumed.
size_t UnpackBitsRow(std::span<const uint8_t> in, int unit, std::span<uint8_t> out);

} // namespace dravik::pict
