// The pixels a shape covers, the way QuickDraw's regions hold them, but
// expanded into spans per row and kept only for the rows that can show:
// what lines, shapes and the verbs work on.
#pragma once

#include "pict/operations.h"

#include <span>
#include <utility>
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

// Sorted, disjoint [x0, x1) spans per picture row from `top` on. The spans
// of all rows share one array: a shape of thousands of rows costs two
// allocations, not one per row.
class Coverage {
  public:
    int top = 0;

    size_t rowCount() const { return ends_.size(); }
    int bottom() const { return top + static_cast<int>(ends_.size()); }
    // The spans of row top + i as x0, x1, x0, x1, ...
    std::span<const int> row(size_t i) const {
        const size_t from = i == 0 ? 0 : ends_[i - 1];
        return std::span<const int>(xs_).subspan(from, ends_[i] - from);
    }
    std::span<const int> at(int y) const {
        if (y < top || y >= bottom())
            return {};
        return row(static_cast<size_t>(y - top));
    }
    bool empty() const { return xs_.empty(); }

    // Rows are added top to bottom, each after the last.
    void addRow(std::span<const int> spans) {
        xs_.insert(xs_.end(), spans.begin(), spans.end());
        ends_.push_back(xs_.size());
    }
    void addRow(int x0, int x1) {
        if (x0 < x1)
            xs_.insert(xs_.end(), {x0, x1});
        ends_.push_back(xs_.size());
    }
    void addEmptyRows(size_t n) { ends_.resize(ends_.size() + n, xs_.size()); }
    void reserve(size_t rows, size_t spans) {
        ends_.reserve(rows);
        xs_.reserve(2 * spans);
    }

  private:
    friend class CoverageBuilder;
    std::vector<int> xs_;
    std::vector<size_t> ends_; // where each row's spans end in xs_
};

// Collects spans in any order for the rows top..bottom-1 (others are
// dropped), then merges the overlapping and touching ones.
class CoverageBuilder {
  public:
    CoverageBuilder(int top, int bottom);
    void add(int y, int x0, int x1);
    Coverage finish();

  private:
    struct Span {
        int y, x0, x1;
    };
    int top_, bottom_;
    std::vector<Span> spans_;
};

// The rows top..bottom-1 that `visible` shows, as [first, last).
std::pair<int, int> VisibleRows(int top, int bottom, const Rect& visible);
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
