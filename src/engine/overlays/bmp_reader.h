// BMP files for the watermark picture. FreeImage refuses the 16- and 32-bit
// files whose pixels are laid out by bit masks in a V4 or V5 header, which
// is how most tools write a BMP with alpha; those, and the other
// uncompressed 16-, 24- and 32-bit files, are read here. Palette and
// run-length files are left to FreeImage.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>

namespace dravik {

struct BmpHeader {
    int64_t width = 0;
    int64_t height = 0;   // rows, always positive
    bool topDown = false; // rows stored from the top (a negative height in the file)
    unsigned bitsPerPixel = 0;
    unsigned compression = 0;
    uint32_t pixelOffset = 0;
    int64_t rowBytes = 0; // stored row, padded to 4 bytes
    // Channel masks (red, green, blue, alpha) for 16 and 32 bits; alpha 0:
    // the file has no alpha channel.
    uint32_t masks[4] = {};
    // True when ReadBmpRows decodes the pixels (else FreeImage must).
    bool decodedHere = false;
};

// Reads and checks the file and information headers from the start of
// `file` (`fileSize` bytes): a known header size, a sane size of at most
// `maxPixels`, a known depth, masks that are runs of bits, and for
// uncompressed pixels a file long enough to hold them (a truncated one would
// otherwise load with garbage rows). Empty when the file fails any of these.
std::optional<BmpHeader> ReadBmpHeader(FILE* file, int64_t fileSize, int64_t maxPixels);

// Decodes the rows [first, end) counted from the top of a header with
// decodedHere, handing each to `row` as 8-bit RGBA. Alpha comes from the
// alpha mask; a file whose alpha is 0 everywhere is taken to leave the
// channel unused (many writers do) and comes out opaque. False on a read
// error.
bool ReadBmpRows(FILE* file, const BmpHeader& header, int64_t first, int64_t end,
                 const std::function<void(int64_t y, const uint8_t* rgba)>& row);

} // namespace dravik
