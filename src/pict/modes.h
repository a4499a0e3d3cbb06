// QuickDraw's transfer modes on RGB pixels, for raster copies and for
// patterns alike.
#pragma once

#include "pict/raster.h"

namespace dravik::pict {

enum Mode {
    kSrcCopy = 0,
    kSrcOr,
    kSrcXor,
    kSrcBic,
    kNotSrcCopy,
    kNotSrcOr,
    kNotSrcXor,
    kNotSrcBic,
    kBlend = 32,
    kAddPin,
    kAddOver,
    kSubPin,
    kTransparent,
    kAddMax,
    kSubOver,
    kAdMin,
};

// The pattern modes are the source modes plus this.
constexpr int kPatternModes = 8;

// True for the boolean modes (0-7) and the arithmetic ones (32-39).
inline bool KnownMode(int mode) {
    return (mode >= kSrcCopy && mode <= kNotSrcBic) || (mode >= kBlend && mode <= kAdMin);
}

// Combines n source pixels with the canvas. `ink` is set for 1-bit sources
// (bitmaps and patterns): their boolean modes paint with the port's colours
// where the bit says so.
void Transfer(int mode, uint8_t* d, const uint8_t* s, const uint8_t* ink, int n, bool pixMap,
              const PortState& port);

} // namespace dravik::pict
