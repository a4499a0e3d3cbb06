// Picture coordinates to canvas pixels and back.
#pragma once

#include <algorithm>
#include <cstdint>

namespace dravik::pict {

inline int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}
inline int64_t CeilDiv(int64_t a, int64_t b) {
    return -FloorDiv(-a, b);
}

// Picture coordinates to canvas pixels and back; the identity plus an
// offset unless the canvas was made smaller or larger than the area.
struct Axis {
    int64_t origin; // the area's first coordinate
    int64_t span;   // the area's length in picture units
    int64_t pixels; // the canvas's length

    // Most canvases are the area at 72 dpi: a division per span and row
    // would then cost more than the drawing itself.
    bool identity() const { return pixels == span; }
    static int Clamp(int64_t v) {
        return static_cast<int>(std::clamp<int64_t>(v, -(int64_t{1} << 30), int64_t{1} << 30));
    }
    int toCanvas(int64_t p) const {
        return Clamp(identity() ? p - origin : FloorDiv((p - origin) * pixels, span));
    }
    // The first canvas pixel whose picture coordinate is at least p.
    int firstAtOrAfter(int64_t p) const {
        return Clamp(identity() ? p - origin : CeilDiv((p - origin) * pixels, span));
    }
    int64_t toPicture(int64_t c) const {
        return identity() ? origin + c : origin + FloorDiv(c * span, pixels);
    }
};

} // namespace dravik::pict
