// The pixels a shape covers, the way QuickDraw's regions hold them, but
// expanded into spans per row and kept only for the rows that can show:
// what lines, shapes and the verbs work on.
#pragma once

#include "pict/operations.h"

#include <span>
#include <vector>

namespace dravik::pict {

// Work left for drawing, in units of about one span or pixel; shapes stop
// being built once it runs out, and the picture is then refused.
struct DrawBudget {
    int64_t left = 0;
    bool take(int64_t n) {
        left -= n;
        return left >= 0;
    }
    bool spent() const { return left < 0; }
};

// Sorted, disjoint [x0, x1) spans per picture row from `top` on.
struct Coverage {
    int top = 0;
    std::vector<std::vector<int>> rows;

    int bottom() const { return top + static_cast<int>(rows.size()); }
    std::span<const int> at(int y) const {
        if (y < top || y >= bottom())
            return {};
        return rows[static_cast<size_t>(y - top)];
    }
    bool empty() const;
};

// Collects spans in any order for the rows top..bottom-1 (others are
// dropped), then merges the overlapping and touching ones.
class CoverageBuilder {
  public:
    CoverageBuilder(int top, int bottom);
    void add(int y, int x0, int x1);
    Coverage finish();

  private:
    Coverage c_;
};

// The rows of `visible` that also lie in rows top..bottom-1, as a builder.
CoverageBuilder BuilderFor(int top, int bottom, const Rect& visible);

Coverage RectCoverage(const Rect& r, const Rect& visible);
Coverage RegionCoverage(const Region& region, const Rect& visible, DrawBudget& budget);
// What a covers and b does not.
Coverage Subtract(const Coverage& a, const Coverage& b);
// QuickDraw's InsetRgn: what stays inside when the shape shrinks by dh on
// the left and right and dv at the top and bottom.
Coverage InsetCoverage(const Coverage& a, int dh, int dv, DrawBudget& budget);

} // namespace dravik::pict
