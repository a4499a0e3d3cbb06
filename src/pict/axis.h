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

    int toCanvas(int64_t p) const {
        return static_cast<int>(std::clamp<int64_t>(FloorDiv((p - origin) * pixels, span),
                                                    -(int64_t{1} << 30), int64_t{1} << 30));
    }
    // The first canvas pixel whose picture coordinate is at least p.
    int firstAtOrAfter(int64_t p) const {
        return static_cast<int>(std::clamp<int64_t>(CeilDiv((p - origin) * pixels, span),
                                                    -(int64_t{1} << 30), int64_t{1} << 30));
    }
    int64_t toPicture(int64_t c) const { return origin + FloorDiv(c * span, pixels); }
};

} // namespace dravik::pict
