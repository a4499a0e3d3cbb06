#include "pict/region.h"

#include <algorithm>

namespace dravik::pict {
namespace {

int Word(std::span<const uint8_t> d, size_t at) {
    return static_cast<int16_t>(static_cast<uint16_t>((d[at] << 8) | d[at + 1]));
}

// The columns where inside and outside swap on one row turn the previous
// row's edges on and off: an edge listed in both cancels out.
std::vector<int> ToggleEdges(const std::vector<int>& current, std::vector<int> change) {
    std::sort(change.begin(), change.end());
    std::vector<int> out;
    out.reserve(current.size() + change.size());
    size_t i = 0, j = 0;
    while (i < current.size() || j < change.size()) {
        if (j == change.size() || (i < current.size() && current[i] < change[j])) {
            out.push_back(current[i++]);
        } else if (i == current.size() || change[j] < current[i]) {
            out.push_back(change[j++]);
        } else {
            ++i;
            ++j;
        }
    }
    // Two equal edges in one list cancel too.
    std::vector<int> clean;
    for (int x : out) {
        if (!clean.empty() && clean.back() == x)
            clean.pop_back();
        else
            clean.push_back(x);
    }
    return clean;
}

} // namespace

Rect Rect::intersect(const Rect& o) const {
    Rect r{std::max(top, o.top), std::max(left, o.left), std::min(bottom, o.bottom),
           std::min(right, o.right)};
    if (r.empty())
        return {};
    return r;
}

Region Region::FromRect(const Rect& rect) {
    Region r;
    if (rect.empty())
        return r;
    r.bounds_ = rect;
    r.bands_.push_back({rect.top, {rect.left, rect.right}});
    return r;
}

std::optional<Region> Region::FromData(std::span<const uint8_t> data) {
    if (data.size() < 10)
        return std::nullopt;
    Rect bounds{Word(data, 2), Word(data, 4), Word(data, 6), Word(data, 8)};
    if (data.size() == 10)
        return FromRect(bounds);
    Region r;
    r.bounds_ = bounds;
    if (bounds.empty())
        return r;
    std::vector<int> current;
    size_t at = 10;
    int lastTop = INT32_MIN;
    while (true) {
        if (at + 2 > data.size())
            return std::nullopt;
        int y = Word(data, at);
        at += 2;
        if (y == 0x7FFF)
            break;
        if (y < lastTop)
            return std::nullopt;
        std::vector<int> change;
        while (true) {
            if (at + 2 > data.size())
                return std::nullopt;
            int x = Word(data, at);
            at += 2;
            if (x == 0x7FFF)
                break;
            change.push_back(x);
        }
        current = ToggleEdges(current, std::move(change));
        if (current.size() % 2 != 0)
            current.pop_back();
        if (!r.bands_.empty() && r.bands_.back().top == y)
            r.bands_.back().xs = current;
        else
            r.bands_.push_back({y, current});
        lastTop = y;
    }
    // Bands of nothing at the end add nothing; an empty region has no band.
    while (!r.bands_.empty() && r.bands_.back().xs.empty() && r.bands_.size() == 1)
        r.bands_.pop_back();
    return r;
}

bool Region::isRectangular() const {
    return bands_.size() == 1 && bands_.front().xs.size() == 2 &&
           bands_.front().top == bounds_.top && bands_.front().xs[0] == bounds_.left &&
           bands_.front().xs[1] == bounds_.right;
}

std::span<const int> Region::rowSpans(int y) const {
    if (y < bounds_.top || y >= bounds_.bottom || bands_.empty() || y < bands_.front().top)
        return {};
    auto it = std::upper_bound(bands_.begin(), bands_.end(), y,
                               [](int row, const Band& b) { return row < b.top; });
    return (it - 1)->xs;
}

Region Region::offset(int dh, int dv) const {
    Region r = *this;
    r.bounds_ = bounds_.offset(dh, dv);
    for (Band& b : r.bands_) {
        b.top += dv;
        for (int& x : b.xs)
            x += dh;
    }
    return r;
}

void IntersectSpans(std::span<const int> a, std::span<const int> b, std::vector<int>& out) {
    out.clear();
    size_t i = 0, j = 0;
    while (i + 1 < a.size() && j + 1 < b.size()) {
        int lo = std::max(a[i], b[j]);
        int hi = std::min(a[i + 1], b[j + 1]);
        if (lo < hi) {
            out.push_back(lo);
            out.push_back(hi);
        }
        if (a[i + 1] < b[j + 1])
            i += 2;
        else
            j += 2;
    }
}

} // namespace dravik::pict
