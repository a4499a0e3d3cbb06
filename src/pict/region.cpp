#include "pict/region.h"

#include <algorithm>

namespace dravik::pict {
namespace {

int Word(std::span<const uint8_t> d, size_t at) {
    return static_cast<int16_t>(static_cast<uint16_t>((d[at] << 8) | d[at + 1]));
}

// The columns where inside and outside swap on one row turn the previous
// row's edges on and off: an edge listed in both cancels out.
void ToggleEdges(const std::vector<int>& current, const std::vector<int>& change,
                 std::vector<int>& out) {
    out.clear();
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
    r.rectangular_ = true;
    if (rect.empty())
        return r;
    r.bounds_ = rect;
    r.changes_.push_back({rect.top, {rect.left, rect.right}});
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
    size_t at = 10;
    int lastTop = INT32_MIN;
    // Walking the region row by row costs the edges alive on each changed
    // row; a hostile region can make that quadratic in its size. Real
    // regions (map outlines, round shapes) stay far below this.
    constexpr size_t kMostWork = 1'000'000;
    size_t work = 0;
    std::vector<int> alive, scratch;
    while (true) {
        if (at + 2 > data.size())
            return std::nullopt;
        const int y = Word(data, at);
        at += 2;
        if (y == 0x7FFF)
            break;
        if (y < lastTop)
            return std::nullopt;
        std::vector<int> xs;
        while (true) {
            if (at + 2 > data.size())
                return std::nullopt;
            const int x = Word(data, at);
            at += 2;
            if (x == 0x7FFF)
                break;
            xs.push_back(x);
        }
        std::sort(xs.begin(), xs.end());
        // The same column twice on one row swaps nothing.
        std::vector<int> clean;
        for (int x : xs) {
            if (!clean.empty() && clean.back() == x)
                clean.pop_back();
            else
                clean.push_back(x);
        }
        ToggleEdges(alive, clean, scratch);
        alive.swap(scratch);
        work += alive.size() + clean.size();
        if (work > kMostWork)
            return std::nullopt;
        r.changes_.push_back({y, std::move(clean)});
        lastTop = y;
    }
    return r;
}

Region Region::offset(int dh, int dv) const {
    Region r = *this;
    r.bounds_ = bounds_.offset(dh, dv);
    for (Change& c : r.changes_) {
        c.top += dv;
        for (int& x : c.xs)
            x += dh;
    }
    return r;
}

std::span<const int> RegionRows::spans(int y) {
    const Region& r = region_;
    if (y < lastY_) {
        next_ = 0;
        current_.clear();
    }
    lastY_ = y;
    while (next_ < r.changes_.size() && r.changes_[next_].top <= y) {
        ToggleEdges(current_, r.changes_[next_].xs, scratch_);
        current_.swap(scratch_);
        ++next_;
    }
    if (y < r.bounds_.top || y >= r.bounds_.bottom || current_.size() < 2)
        return {};
    // A malformed region may leave an edge without its partner.
    return std::span<const int>(current_).first(current_.size() & ~size_t{1});
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
