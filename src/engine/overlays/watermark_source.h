// What the parts of the watermark share: rectangles, worked out in 64 bits
// because settings may hold any int32 for sizes and positions, and the
// Source a watermark is drawn from. Used only inside engine/overlays.
#pragma once

#include <cairo.h>

#include <algorithm>
#include <cstdint>

namespace dravik::watermark_parts {

struct Rect {
    int64_t x = 0, y = 0, w = 0, h = 0;
    bool empty() const { return w <= 0 || h <= 0; }
    bool contains(const Rect& o) const {
        return o.x >= x && o.y >= y && o.x + o.w <= x + w && o.y + o.h <= y + h;
    }
};

inline Rect Intersect(const Rect& a, const Rect& b) {
    const int64_t x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
    const int64_t x1 = std::min(a.x + a.w, b.x + b.w), y1 = std::min(a.y + a.h, b.y + b.h);
    return Rect{x0, y0, std::max<int64_t>(0, x1 - x0), std::max<int64_t>(0, y1 - y0)};
}

inline Rect Union(const Rect& a, const Rect& b) {
    const int64_t x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
    const int64_t x1 = std::max(a.x + a.w, b.x + b.w), y1 = std::max(a.y + a.h, b.y + b.h);
    return Rect{x0, y0, x1 - x0, y1 - y0};
}

// Fills the part of r that lies inside `limit`; cairo's fixed-point
// coordinates cannot take the far-off rectangles that extreme settings give.
inline void FillRect(cairo_t* cr, const Rect& r, const Rect& limit) {
    const Rect part = Intersect(r, limit);
    if (part.empty())
        return;
    cairo_rectangle(cr, static_cast<double>(part.x), static_cast<double>(part.y),
                    static_cast<double>(part.w), static_cast<double>(part.h));
    cairo_fill(cr);
}

// What a watermark is drawn from: a canvas of a fixed size whose parts can
// be painted on demand, so that only the part that will show is rasterised.
class Source {
  public:
    virtual ~Source() = default;
    virtual int64_t width() const = 0;
    virtual int64_t height() const = 0;
    // Paints the part `region` of the canvas onto cr, which is set up in
    // canvas coordinates over a transparent surface covering `region`.
    // False when drawing failed.
    virtual bool paint(cairo_t* cr, const Rect& region) = 0;
};

} // namespace dravik::watermark_parts
