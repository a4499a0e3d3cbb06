#include "pict/coverage.h"

#include <algorithm>

namespace dravik::pict {
namespace {

void Merge(std::vector<int>& spans) {
    if (spans.size() <= 2)
        return;
    std::vector<std::pair<int, int>> pairs;
    pairs.reserve(spans.size() / 2);
    for (size_t i = 0; i + 1 < spans.size(); i += 2)
        pairs.emplace_back(spans[i], spans[i + 1]);
    std::sort(pairs.begin(), pairs.end());
    spans.clear();
    for (const auto& [a, b] : pairs) {
        if (!spans.empty() && a <= spans.back())
            spans.back() = std::max(spans.back(), b);
        else
            spans.insert(spans.end(), {a, b});
    }
}

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

bool Coverage::empty() const {
    return std::all_of(rows.begin(), rows.end(), [](const auto& r) { return r.empty(); });
}

CoverageBuilder::CoverageBuilder(int top, int bottom) {
    c_.top = top;
    c_.rows.resize(static_cast<size_t>(std::max(0, bottom - top)));
}

void CoverageBuilder::add(int y, int x0, int x1) {
    if (y < c_.top || y >= c_.bottom() || x0 >= x1)
        return;
    c_.rows[static_cast<size_t>(y - c_.top)].insert(c_.rows[static_cast<size_t>(y - c_.top)].end(),
                                                    {x0, x1});
}

Coverage CoverageBuilder::finish() {
    for (auto& row : c_.rows)
        Merge(row);
    return std::move(c_);
}

CoverageBuilder BuilderFor(int top, int bottom, const Rect& visible) {
    const int t = std::max(top, visible.top);
    const int b = std::min(bottom, visible.bottom);
    return CoverageBuilder(t, std::max(t, b));
}

Coverage RectCoverage(const Rect& r, const Rect& visible) {
    if (r.empty())
        return {};
    CoverageBuilder b = BuilderFor(r.top, r.bottom, visible);
    Coverage c = b.finish();
    for (auto& row : c.rows)
        row = {r.left, r.right};
    return c;
}

Coverage RegionCoverage(const Region& region, const Rect& visible, DrawBudget& budget) {
    const Rect& bounds = region.bounds();
    Coverage c = BuilderFor(bounds.top, bounds.bottom, visible).finish();
    RegionRows rows(region);
    for (size_t i = 0; i < c.rows.size(); ++i) {
        auto spans = rows.spans(c.top + static_cast<int>(i));
        if (!budget.take(static_cast<int64_t>(spans.size()) + 1))
            return {};
        c.rows[i].assign(spans.begin(), spans.end());
    }
    return c;
}

Coverage Subtract(const Coverage& a, const Coverage& b) {
    Coverage c;
    c.top = a.top;
    c.rows.resize(a.rows.size());
    for (size_t i = 0; i < a.rows.size(); ++i)
        SubtractSpans(a.rows[i], b.at(a.top + static_cast<int>(i)), c.rows[i]);
    return c;
}

Coverage InsetCoverage(const Coverage& a, int dh, int dv, DrawBudget& budget) {
    if (2 * static_cast<int64_t>(dv) >= static_cast<int64_t>(a.rows.size()))
        return {};
    Coverage narrow = a;
    for (auto& row : narrow.rows) {
        std::vector<int> kept;
        for (size_t i = 0; i + 1 < row.size(); i += 2)
            if (row[i + 1] - row[i] > 2 * dh)
                kept.insert(kept.end(), {row[i] + dh, row[i + 1] - dh});
        row.swap(kept);
    }
    if (dv <= 0)
        return narrow;
    // A row stays where the rows dv above and below it are inside too.
    Coverage c;
    c.top = a.top;
    c.rows.resize(a.rows.size());
    std::vector<int> scratch;
    for (size_t i = 0; i < a.rows.size(); ++i) {
        const int y = a.top + static_cast<int>(i);
        if (y - dv < a.top || y + dv >= a.bottom())
            continue;
        if (!budget.take(2 * static_cast<int64_t>(dv) + 1))
            return {};
        std::vector<int> kept = narrow.rows[i];
        for (int k = y - dv; k <= y + dv && !kept.empty(); ++k) {
            IntersectSpans(kept, narrow.at(k), scratch);
            kept.swap(scratch);
        }
        c.rows[i] = std::move(kept);
    }
    return c;
}

} // namespace dravik::pict
