#include "pict/paint.h"

#include "pict/axis.h"
#include "pict/modes.h"

#include <cstring>

namespace dravik::pict {
namespace {

// The pattern's colours, worked out once per shape: for each of its rows,
// `period` pixels that repeat from canvas column 0, with the ink bit of
// each for 1-bit patterns.
class PatternColours {
  public:
    PatternColours(const Pattern& pattern, const PortState& port) {
        pixels_ = !pattern.pixels.empty() && pattern.width > 0 && pattern.height > 0;
        // Pixel patterns are at most 64 x 64 (the parser keeps larger ones
        // as their 1-bit pattern).
        period_ = pixels_ ? std::min(pattern.width, 64) : 8;
        rows_ = pixels_ ? std::min(pattern.height, 64) : 8;
        rgb_.resize(static_cast<size_t>(rows_ * period_) * 3);
        ink_.resize(static_cast<size_t>(rows_ * period_));
        for (int y = 0; y < rows_; ++y)
            for (int x = 0; x < period_; ++x) {
                const size_t i = static_cast<size_t>(y * period_ + x);
                Rgb c;
                if (pixels_) {
                    c = pattern.pixels[static_cast<size_t>(y) * pattern.width + x];
                } else {
                    ink_[i] = (pattern.bits[y] >> (7 - x)) & 1;
                    c = ink_[i] ? port.fore : port.back;
                }
                rgb_[3 * i] = c.r;
                rgb_[3 * i + 1] = c.g;
                rgb_[3 * i + 2] = c.b;
            }
    }
    bool pixels() const { return pixels_; }
    int period() const { return period_; }
    // The colours of canvas row cy from column 0, one period.
    const uint8_t* rgb(int cy) const { return rgb_.data() + 3 * rowStart(cy); }
    const uint8_t* ink(int cy) const { return ink_.data() + rowStart(cy); }

  private:
    size_t rowStart(int cy) const {
        // cy is a canvas row, never negative; most patterns are 8 rows.
        const int y = (rows_ & (rows_ - 1)) == 0 ? cy & (rows_ - 1) : cy % rows_;
        return static_cast<size_t>(y * period_);
    }
    bool pixels_ = false;
    int period_ = 8, rows_ = 8;
    std::vector<uint8_t> rgb_, ink_;
};

// Copies the pattern onto n canvas pixels from column cx: the first period
// pixel by pixel, then in doubling blocks of whole periods copied from what
// is already there, so that a long span costs a few memcpy calls.
void CopyPattern(uint8_t* d, int cx, int n, const uint8_t* row, int period) {
    const int first = std::min(n, period);
    int phase = (period & (period - 1)) == 0 ? cx & (period - 1) : cx % period;
    for (int i = 0; i < first; ++i) {
        const uint8_t* c = row + 3 * phase;
        d[3 * i] = c[0];
        d[3 * i + 1] = c[1];
        d[3 * i + 2] = c[2];
        phase = phase + 1 == period ? 0 : phase + 1;
    }
    int done = first;
    while (done < n) {
        const int block = std::min(done - done % period, n - done);
        std::memcpy(d + 3 * done, d, static_cast<size_t>(block) * 3);
        done += block;
    }
}

} // namespace

bool PaintCoverage(const Coverage& shape, const Pattern& pattern, int mode, const PortState& port,
                   const RasterTarget& target, DrawBudget& budget) {
    if (shape.rowCount() == 0)
        return false;
    const Axis ax{target.area.left, target.area.width(), target.width};
    const Axis ay{target.area.top, target.area.height(), target.height};
    const int y0 = std::max(0, ay.firstAtOrAfter(shape.top));
    const int y1 = std::min(target.height, ay.firstAtOrAfter(shape.bottom()));
    RegionRows clipRows(port.clip);
    const bool clipRect = port.clip.isRectangular();
    const Rect& clipBox = port.clip.bounds();
    const PatternColours colours(pattern, port);
    std::vector<int> clipSpans;
    std::vector<uint8_t> rgb, ink;
    bool drew = false;
    for (int cy = y0; cy < y1; ++cy) {
        const int64_t py = ay.toPicture(cy);
        if (!budget.take(1))
            return drew;
        auto own = shape.at(static_cast<int>(py));
        if (own.empty())
            continue;
        if (clipRect) {
            // The usual clip, a rectangle: no region walk for it.
            if (py < clipBox.top || py >= clipBox.bottom)
                continue;
            clipSpans.clear();
            for (size_t k = 0; k + 1 < own.size(); k += 2) {
                const int x0 = std::max(own[k], clipBox.left);
                const int x1 = std::min(own[k + 1], clipBox.right);
                if (x0 < x1)
                    clipSpans.insert(clipSpans.end(), {x0, x1});
            }
        } else {
            IntersectSpans(own, clipRows.spans(static_cast<int>(py)), clipSpans);
        }
        if (clipSpans.empty())
            continue;
        const uint8_t* rowColours = colours.rgb(cy);
        uint8_t* line = target.rgb + static_cast<size_t>(cy) * target.width * 3;
        for (size_t k = 0; k + 1 < clipSpans.size(); k += 2) {
            const int a = std::max(0, ax.firstAtOrAfter(clipSpans[k]));
            const int b = std::min(target.width, ax.firstAtOrAfter(clipSpans[k + 1]));
            if (a >= b)
                continue;
            if (!budget.take(b - a))
                return drew;
            drew = true;
            uint8_t* d = line + static_cast<size_t>(a) * 3;
            if (mode == kSrcCopy) {
                CopyPattern(d, a, b - a, rowColours, colours.period());
                continue;
            }
            const size_t n = static_cast<size_t>(b - a);
            rgb.resize(n * 3);
            ink.resize(n);
            CopyPattern(rgb.data(), a, b - a, rowColours, colours.period());
            if (!colours.pixels())
                for (size_t i = 0; i < n; ++i)
                    ink[i] = colours.ink(cy)[(static_cast<size_t>(a) + i) & 7];
            Transfer(mode, d, rgb.data(), colours.pixels() ? nullptr : ink.data(), b - a,
                     colours.pixels(), port);
        }
    }
    return drew;
}

} // namespace dravik::pict
