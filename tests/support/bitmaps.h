// Small pictures and comparisons shared by the engine's pixel tests.
#pragma once

#include "engine/bitmap.h"
#include "engine/colour_text.h"

#include <cstring>

namespace dravik::test {

// A picture of one colour (the alpha byte only at 32 bits).
inline Bitmap Solid(int w, int h, Rgba c, int bpp = 24) {
    Bitmap b(
        FreeImage_Allocate(w, h, bpp, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK));
    const int step = bpp / 8;
    for (int y = 0; y < h; ++y) {
        BYTE* p = FreeImage_GetScanLine(b.get(), y);
        for (int x = 0; x < w; ++x, p += step) {
            p[FI_RGBA_RED] = c.r;
            p[FI_RGBA_GREEN] = c.g;
            p[FI_RGBA_BLUE] = c.b;
            if (bpp == 32)
                p[FI_RGBA_ALPHA] = c.a;
        }
    }
    return b;
}

// Same size, depth and scanline bytes.
inline bool SameBits(const Bitmap& a, const Bitmap& b) {
    if (a.width() != b.width() || a.height() != b.height() || a.bpp() != b.bpp())
        return false;
    const unsigned line = FreeImage_GetLine(a.get());
    for (unsigned y = 0; y < a.height(); ++y) {
        if (std::memcmp(FreeImage_GetScanLine(a.get(), y), FreeImage_GetScanLine(b.get(), y),
                        line) != 0)
            return false;
    }
    return true;
}

} // namespace dravik::test
