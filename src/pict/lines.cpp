#include "pict/lines.h"

#include "pict/axis.h"

#include <algorithm>

namespace dravik::pict {
namespace {

// t * num / den rounded to the nearest integer, halves upwards, for t
// stepping by one from a start, without a division per step: the quotient
// and remainder of 2 t num + den by 2 den are carried along. Needs
// |num| <= |den|, as along a line's longer axis.
class RoundedSteps {
  public:
    RoundedSteps(int64_t t, int64_t num, int64_t den) {
        if (den < 0) {
            num = -num;
            den = -den;
        }
        twoDen_ = 2 * den;
        twoNum_ = 2 * num;
        q_ = FloorDiv(2 * t * num + den, twoDen_);
        r_ = 2 * t * num + den - q_ * twoDen_;
    }
    int64_t value() const { return q_; }
    void step(bool forwards) {
        r_ += forwards ? twoNum_ : -twoNum_;
        if (r_ >= twoDen_) {
            r_ -= twoDen_;
            ++q_;
        } else if (r_ < 0) {
            r_ += twoDen_;
            --q_;
        }
    }

  private:
    int64_t twoDen_, twoNum_, q_, r_;
};

} // namespace

void AddLine(CoverageBuilder& into, Point a, Point b, int penWidth, int penHeight,
             const Rect& visible) {
    if (penWidth <= 0 || penHeight <= 0)
        return;
    const int64_t dx = int64_t{b.h} - a.h, dy = int64_t{b.v} - a.v;
    // The pixels the pen's corner passes through, as a range of columns per
    // row; only rows and columns whose pen rectangle can show are visited.
    const int64_t firstRow = int64_t{visible.top} - penHeight + 1;
    const int64_t lastRow = int64_t{visible.bottom} - 1;
    std::vector<std::pair<int64_t, int64_t>> cols; // per path row from rowTop
    int64_t rowTop = 0;
    auto visit = [&](int64_t x, int64_t y) {
        if (y < firstRow || y > lastRow)
            return;
        if (cols.empty())
            rowTop = y;
        if (y < rowTop) // the walk below goes down the rows
            return;
        const size_t i = static_cast<size_t>(y - rowTop);
        if (i >= cols.size())
            cols.resize(i + 1, {x, x});
        cols[i].first = std::min(cols[i].first, x);
        cols[i].second = std::max(cols[i].second, x);
    };
    if (std::abs(dx) >= std::abs(dy)) {
        const int64_t x0 =
            std::max<int64_t>(std::min(a.h, b.h), int64_t{visible.left} - penWidth + 1);
        const int64_t x1 = std::min<int64_t>(std::max(a.h, b.h), int64_t{visible.right} - 1);
        // Walked in the direction that goes down the rows.
        const bool backwards = (dx < 0) != (dy < 0) && dy != 0;
        if (dx == 0) { // a single point
            if (x0 <= x1)
                visit(x0, a.v);
        } else if (x0 <= x1) {
            const int64_t first = backwards ? x1 : x0;
            RoundedSteps y(first - a.h, dy, dx);
            for (int64_t i = x0; i <= x1; ++i, y.step(!backwards))
                visit(backwards ? x1 - (i - x0) : i, a.v + y.value());
        }
    } else {
        const int64_t y0 = std::max<int64_t>(std::min(a.v, b.v), firstRow);
        const int64_t y1 = std::min<int64_t>(std::max(a.v, b.v), lastRow);
        if (y0 <= y1) {
            RoundedSteps x(y0 - a.v, dx, dy);
            for (int64_t y = y0; y <= y1; ++y, x.step(true))
                visit(a.h + x.value(), y);
        }
    }
    if (cols.empty())
        return;
    // Row y shows the pen from the path rows y-penHeight+1..y; along a line
    // the columns move one way only, so the two ends of that range bound it.
    const int64_t rowBottom = rowTop + static_cast<int64_t>(cols.size()) - 1;
    const int64_t yEnd = std::min<int64_t>(rowBottom + penHeight - 1, lastRow);
    for (int64_t y = std::max<int64_t>(rowTop, visible.top); y <= yEnd; ++y) {
        const auto& lo = cols[static_cast<size_t>(std::max(y - penHeight + 1, rowTop) - rowTop)];
        const auto& hi = cols[static_cast<size_t>(std::min(y, rowBottom) - rowTop)];
        const int64_t left = std::min(lo.first, hi.first);
        const int64_t right = std::max(lo.second, hi.second) + penWidth;
        into.add(static_cast<int>(y), static_cast<int>(std::max<int64_t>(left, INT32_MIN / 2)),
                 static_cast<int>(std::min<int64_t>(right, INT32_MAX / 2)));
    }
}

} // namespace dravik::pict
