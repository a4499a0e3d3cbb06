#include "pict/coverage.h"

#include <algorithm>

namespace dravik::pict {
namespace {

// Keeps the parts of a that lie outside b.
void SubtractSpans(std::span<const int> a, std::span<const int> b, std::vector<int>& out) {
    out.clear();
    size_t j = 0;
    for (size_t i = 0; i + 1 < a.size(); i += 2) {
        int x = a[i];
        const int end = a[i + 1];
        while (j + 1 < b.size() && b[j + 1] <= x)
            j += 2;
        size_t k = j;
        while (x < end && k + 1 < b.size() && b[k] < end) {
            if (b[k] > x)
                out.insert(out.end(), {x, b[k]});
            x = std::max(x, b[k + 1]);
            k += 2;
        }
        if (x < end)
            out.insert(out.end(), {x, end});
    }
}

} // namespace

std::pair<int, int> VisibleRows(int top, int bottom, const Rect& visible) {
    const int t = std::max(top, visible.top);
    return {t, std::max(t, std::min(bottom, visible.bottom))};
}

CoverageBuilder::CoverageBuilder(int top, int bottom) : top_(top), bottom_(std::max(top, bottom)) {
    // Most shapes add a span or two per row: room for them up front saves
    // the copies of a growing array (within reason for a tall canvas).
    spans_.reserve(std::min<size_t>(static_cast<size_t>(bottom_ - top_), size_t{1} << 16));
}

void CoverageBuilder::add(int y, int x0, int x1) {
    if (y < top_ || y >= bottom_ || x0 >= x1)
        return;
    spans_.push_back({y, x0, x1});
}

Coverage CoverageBuilder::finish() {
    // Lines add their rows in order, one span each; other callers (the
    // edges of a framed polygon) need them sorted first.
    const bool ordered =
        std::is_sorted(spans_.begin(), spans_.end(), [](const Span& a, const Span& b) {
            return a.y < b.y || (a.y == b.y && a.x0 < b.x0);
        });
    if (!ordered)
        std::sort(spans_.begin(), spans_.end(), [](const Span& a, const Span& b) {
            return a.y < b.y || (a.y == b.y && a.x0 < b.x0);
        });
    Coverage c;
    c.top = top_;
    c.reserve(static_cast<size_t>(bottom_ - top_), spans_.size());
    int y = top_;
    for (size_t i = 0; i < spans_.size();) {
        c.addEmptyRows(static_cast<size_t>(spans_[i].y - y));
        y = spans_[i].y;
        const size_t rowStart = c.xs_.size();
        for (; i < spans_.size() && spans_[i].y == y; ++i) {
            if (c.xs_.size() > rowStart && spans_[i].x0 <= c.xs_.back())
                c.xs_.back() = std::max(c.xs_.back(), spans_[i].x1);
            else
                c.xs_.insert(c.xs_.end(), {spans_[i].x0, spans_[i].x1});
        }
        c.ends_.push_back(c.xs_.size());
        ++y;
    }
    c.addEmptyRows(static_cast<size_t>(bottom_ - y));
    spans_.clear();
    return c;
}

CoverageBuilder BuilderFor(int top, int bottom, const Rect& visible) {
    const auto [t, b] = VisibleRows(top, bottom, visible);
    return CoverageBuilder(t, b);
}

Coverage RectCoverage(const Rect& r, const Rect& visible) {
    Coverage c;
    if (r.empty())
        return c;
    const auto [t, b] = VisibleRows(r.top, r.bottom, visible);
    c.top = t;
    c.reserve(static_cast<size_t>(b - t), static_cast<size_t>(b - t));
    for (int y = t; y < b; ++y)
        c.addRow(r.left, r.right);
    return c;
}

Coverage RegionCoverage(const Region& region, const Rect& visible, DrawBudget& budget) {
    const Rect& bounds = region.bounds();
    const auto [t, b] = VisibleRows(bounds.top, bounds.bottom, visible);
    Coverage c;
    c.top = t;
    RegionRows rows(region);
    for (int y = t; y < b; ++y) {
        auto spans = rows.spans(y);
        if (!budget.take(static_cast<int64_t>(spans.size()) + 1))
            return {};
        c.addRow(spans);
    }
    return c;
}

Coverage Subtract(const Coverage& a, const Coverage& b) {
    Coverage c;
    c.top = a.top;
    std::vector<int> row;
    for (size_t i = 0; i < a.rowCount(); ++i) {
        SubtractSpans(a.row(i), b.at(a.top + static_cast<int>(i)), row);
        c.addRow(row);
    }
    return c;
}

Coverage InsetCoverage(const Coverage& a, int dh, int dv, DrawBudget& budget) {
    if (2 * static_cast<int64_t>(dv) >= static_cast<int64_t>(a.rowCount()))
        return {};
    Coverage narrow;
    narrow.top = a.top;
    std::vector<int> kept;
    for (size_t i = 0; i < a.rowCount(); ++i) {
        const auto row = a.row(i);
        kept.clear();
        for (size_t k = 0; k + 1 < row.size(); k += 2)
            if (row[k + 1] - row[k] > 2 * dh)
                kept.insert(kept.end(), {row[k] + dh, row[k + 1] - dh});
        narrow.addRow(kept);
    }
    if (dv <= 0)
        return narrow;
    // A row stays where the rows dv above and below it are inside too.
    Coverage c;
    c.top = a.top;
    std::vector<int> scratch;
    for (size_t i = 0; i < a.rowCount(); ++i) {
        const int y = a.top + static_cast<int>(i);
        if (y - dv < a.top || y + dv >= a.bottom()) {
            c.addEmptyRows(1);
            continue;
        }
        if (!budget.take(2 * static_cast<int64_t>(dv) + 1))
            return {};
        const auto own = narrow.row(i);
        kept.assign(own.begin(), own.end());
        for (int k = y - dv; k <= y + dv && !kept.empty(); ++k) {
            IntersectSpans(kept, narrow.at(k), scratch);
            kept.swap(scratch);
        }
        c.addRow(kept);
    }
    return c;
}

} // namespace dravik::pict
