// QuickDraw's rectangles and regions, in picture coordinates.
#pragma once

#include <climits>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace dravik::pict {

// Coordinates lie between pixels: (top, left, bottom, right) covers the
// pixels left..right-1 of the rows top..bottom-1.
struct Rect {
    int top = 0;
    int left = 0;
    int bottom = 0;
    int right = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
    Rect offset(int dh, int dv) const { return {top + dv, left + dh, bottom + dv, right + dh}; }
    Rect intersect(const Rect& o) const;
    bool operator==(const Rect&) const = default;
};

// A region as QuickDraw stores it: for each row where the shape changes,
// the columns where inside and outside swap. Kept in that compact form (a
// region of 64 KB could otherwise expand to hundreds of megabytes of spans);
// RegionRows turns it into spans row by row.
class Region {
  public:
    Region() = default;
    static Region FromRect(const Rect& rect);
    // Decodes the data QuickDraw stores: the size word, the bounds, then for
    // each row where the shape changes its row number, the columns where
    // inside and outside swap, and 0x7FFF; a last 0x7FFF ends the region.
    // Empty when the data contradicts itself.
    static std::optional<Region> FromData(std::span<const uint8_t> data);

    const Rect& bounds() const { return bounds_; }
    bool isRectangular() const { return rectangular_; }
    Region offset(int dh, int dv) const;

  private:
    friend class RegionRows;
    struct Change {
        int top;
        std::vector<int> xs; // sorted
    };
    Rect bounds_;
    bool rectangular_ = false;
    std::vector<Change> changes_;
};

// The spans of a region's rows, for rows visited top to bottom (visiting
// an earlier row starts over from the top).
class RegionRows {
  public:
    explicit RegionRows(const Region& region) : region_(region) {}
    // The spans of row y as x0, x1, x0, x1, ... (empty outside the region).
    std::span<const int> spans(int y);

  private:
    const Region& region_;
    size_t next_ = 0;
    int lastY_ = INT32_MIN;
    std::vector<int> current_;
    std::vector<int> scratch_;
};

// Keeps the parts of spans a (sorted [x0, x1) pairs) that also lie in b.
void IntersectSpans(std::span<const int> a, std::span<const int> b, std::vector<int>& out);

} // namespace dravik::pict
