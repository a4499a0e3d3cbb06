// QuickTime images inside pictures: reading the opcode's record and drawing
// the decoded image through its matrix.
#pragma once

#include "pict/operations.h"
#include "pict/raster.h"

namespace dravik::pict {

// Reads the data of a 0x8200 or 0x8201 opcode (after its length), which
// starts at byte `base` of the file. Every size is checked against the data
// and the image against maxPixels. On failure `why` says what was wrong and
// `tooLarge` whether the limits were the reason.
bool ParseQuickTime(std::span<const uint8_t> data, size_t base, bool compressed, int64_t maxPixels,
                    QuickTimeOp& out, std::string& why, bool& tooLarge);

struct QuickTimeDrawn {
    bool drewPixels = false;
    std::string error;     // the codec failed: why, and nothing was drawn
    bool tooLarge = false; // ... because the image exceeds the limits
    int64_t decodedPixels = 0;
    std::vector<std::string> notes; // passed over: a matte, a transfer mode, ...
    Rect destination;               // where the image landed, in port coordinates
};

// Decodes the image and draws it onto the canvas through the matrix, inside
// the clip region and the opcode's mask.
QuickTimeDrawn DrawQuickTime(const QuickTimeOp& op, std::span<const uint8_t> bytes,
                             const PortState& port, const RasterTarget& target, int64_t maxPixels);

// Where the image's source rectangle lands in port coordinates.
Rect QuickTimeDestination(const QuickTimeOp& op);

} // namespace dravik::pict
