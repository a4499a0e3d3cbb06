#include "pict/paint.h"

#include "pict/axis.h"
#include "pict/modes.h"

namespace dravik::pict {

bool PaintCoverage(const Coverage& shape, const Pattern& pattern, int mode, const PortState& port,
                   const RasterTarget& target, DrawBudget& budget) {
    if (shape.rows.empty())
        return false;
    const Axis ax{target.area.left, target.area.width(), target.width};
    const Axis ay{target.area.top, target.area.height(), target.height};
    const int y0 = std::max(0, ay.firstAtOrAfter(shape.top));
    const int y1 = std::min(target.height, ay.firstAtOrAfter(shape.bottom()));
    const bool pixels = !pattern.pixels.empty() && pattern.width > 0 && pattern.height > 0;
    RegionRows clipRows(port.clip);
    std::vector<int> spans, clipSpans;
    std::vector<uint8_t> rgb, ink;
    bool drew = false;
    for (int cy = y0; cy < y1; ++cy) {
        const int64_t py = ay.toPicture(cy);
        if (!budget.take(1))
            return drew;
        auto own = shape.at(static_cast<int>(py));
        if (own.empty())
            continue;
        IntersectSpans(own, clipRows.spans(static_cast<int>(py)), clipSpans);
        uint8_t* line = target.rgb + static_cast<size_t>(cy) * target.width * 3;
        for (size_t k = 0; k + 1 < clipSpans.size(); k += 2) {
            const int a = std::max(0, ax.firstAtOrAfter(clipSpans[k]));
            const int b = std::min(target.width, ax.firstAtOrAfter(clipSpans[k + 1]));
            if (a >= b)
                continue;
            if (!budget.take(b - a))
                return drew;
            const size_t n = static_cast<size_t>(b - a);
            rgb.resize(n * 3);
            ink.resize(n);
            for (size_t i = 0; i < n; ++i) {
                const int cx = a + static_cast<int>(i);
                Rgb c;
                if (pixels) {
                    c = pattern.pixels[static_cast<size_t>(cy % pattern.height) * pattern.width +
                                       static_cast<size_t>(cx % pattern.width)];
                } else {
                    ink[i] = (pattern.bits[cy & 7] >> (7 - (cx & 7))) & 1;
                    c = ink[i] ? port.fore : port.back;
                }
                rgb[3 * i] = c.r;
                rgb[3 * i + 1] = c.g;
                rgb[3 * i + 2] = c.b;
            }
            Transfer(mode, line + static_cast<size_t>(a) * 3, rgb.data(),
                     pixels ? nullptr : ink.data(), b - a, pixels, port);
            drew = true;
        }
    }
    return drew;
}

} // namespace dravik::pict
