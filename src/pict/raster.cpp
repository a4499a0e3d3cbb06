#include "pict/raster.h"

#include "pict/axis.h"
#include "pict/modes.h"

#include <algorithm>
#include <cstring>

namespace dravik::pict {
namespace {

enum class Format { Bits, Direct16, Chunky32, Rgb24, Planar32 };

struct RowShape {
    Format format = Format::Bits;
    int depth = 1;
    size_t unpackedBytes = 0; // what one row unpacks to
};

RowShape ShapeOf(const RasterOp& op) {
    RowShape s;
    const size_t width = static_cast<size_t>(op.bounds.width());
    s.unpackedBytes = op.packed ? static_cast<size_t>(op.rowBytes) : op.rowLength;
    if (!op.pixMap || op.pixelSize <= 8) {
        s.format = Format::Bits;
        s.depth = op.pixMap ? op.pixelSize : 1;
        s.unpackedBytes = std::max(s.unpackedBytes, (width * s.depth + 7) / 8);
    } else if (op.pixelSize == 16) {
        s.format = Format::Direct16;
        s.unpackedBytes = std::max(s.unpackedBytes, width * 2);
    } else if (op.packed) {
        s.format = Format::Planar32;
        s.unpackedBytes = width * static_cast<size_t>(op.cmpCount);
    } else if (op.packType == 2 && op.rowLength == width * 3) {
        s.format = Format::Rgb24;
    } else {
        s.format = Format::Chunky32;
        s.unpackedBytes = std::max(s.unpackedBytes, width * 4);
    }
    return s;
}

// Reads the rows of one raster operation in file order.
class RowReader {
  public:
    RowReader(const RasterOp& op, std::span<const uint8_t> data, const RowShape& shape)
        : op_(op), data_(data), unit_(shape.format == Format::Direct16 ? 2 : 1),
          row_(shape.unpackedBytes) {}

    // Unpacks rows up to and including `index`; false when the data ends first.
    bool advanceTo(int index) {
        while (current_ < index) {
            if (!next())
                return false;
        }
        return true;
    }
    const uint8_t* row() const { return row_.data(); }

  private:
    bool next() {
        const size_t left = data_.size() - pos_;
        if (!op_.packed) {
            const size_t n = std::min(op_.rowLength, left);
            const size_t copy = std::min(n, row_.size());
            std::memcpy(row_.data(), data_.data() + pos_, copy);
            std::fill(row_.begin() + static_cast<ptrdiff_t>(copy), row_.end(), 0);
            if (n < op_.rowLength)
                return false;
            pos_ += n;
        } else {
            const size_t countBytes = op_.rowBytes > 250 ? 2 : 1;
            if (left < countBytes)
                return false;
            size_t count = data_[pos_];
            if (countBytes == 2)
                count = (count << 8) | data_[pos_ + 1];
            pos_ += countBytes;
            if (count > data_.size() - pos_)
                return false;
            UnpackBitsRow(data_.subspan(pos_, count), unit_, row_);
            pos_ += count;
        }
        ++current_;
        return true;
    }

    const RasterOp& op_;
    std::span<const uint8_t> data_;
    int unit_;
    std::vector<uint8_t> row_;
    size_t pos_ = 0;
    int current_ = -1;
};

uint8_t Expand5(unsigned v) {
    return static_cast<uint8_t>((v << 3) | (v >> 2));
}

// Turns the source pixels that `columns` names into RGB (and, for a 1-bit
// bitmap, the ink bit that the boolean modes act on).
void SampleRow(const RasterOp& op, const RowShape& shape, const uint8_t* u,
               const std::vector<int>& columns, const PortState& port, uint8_t* rgb, uint8_t* ink) {
    const size_t n = columns.size();
    const size_t width = static_cast<size_t>(op.bounds.width());
    switch (shape.format) {
    case Format::Bits: {
        const int d = shape.depth;
        const unsigned mask = (1u << d) - 1;
        for (size_t i = 0; i < n; ++i) {
            const size_t bit = static_cast<size_t>(columns[i]) * d;
            const unsigned idx = (u[bit >> 3] >> (8 - d - (bit & 7))) & mask;
            Rgb c;
            if (ink != nullptr) {
                ink[i] = static_cast<uint8_t>(idx);
                c = idx ? port.fore : port.back;
            } else {
                c = op.colours[idx];
            }
            rgb[3 * i] = c.r;
            rgb[3 * i + 1] = c.g;
            rgb[3 * i + 2] = c.b;
        }
        break;
    }
    case Format::Direct16:
        for (size_t i = 0; i < n; ++i) {
            const size_t at = static_cast<size_t>(columns[i]) * 2;
            const unsigned v = (u[at] << 8) | u[at + 1];
            rgb[3 * i] = Expand5((v >> 10) & 31);
            rgb[3 * i + 1] = Expand5((v >> 5) & 31);
            rgb[3 * i + 2] = Expand5(v & 31);
        }
        break;
    case Format::Chunky32:
        for (size_t i = 0; i < n; ++i)
            std::memcpy(rgb + 3 * i, u + static_cast<size_t>(columns[i]) * 4 + 1, 3);
        break;
    case Format::Rgb24:
        for (size_t i = 0; i < n; ++i)
            std::memcpy(rgb + 3 * i, u + static_cast<size_t>(columns[i]) * 3, 3);
        break;
    case Format::Planar32: {
        // The alpha plane, when there is one, comes first; QuickDraw ignores it.
        const uint8_t* r = u + static_cast<size_t>(op.cmpCount - 3) * width;
        const uint8_t* g = r + width;
        const uint8_t* b = g + width;
        for (size_t i = 0; i < n; ++i) {
            const size_t x = static_cast<size_t>(columns[i]);
            rgb[3 * i] = r[x];
            rgb[3 * i + 1] = g[x];
            rgb[3 * i + 2] = b[x];
        }
        break;
    }
    }
}

// The canvas spans of a region on canvas row cy.
void RegionSpans(RegionRows& region, int64_t pictureY, const Axis& x, std::vector<int>& out) {
    out.clear();
    for (int v :
         region.spans(static_cast<int>(std::clamp<int64_t>(pictureY, INT32_MIN, INT32_MAX))))
        out.push_back(x.firstAtOrAfter(v));
}

} // namespace

size_t UnpackBitsRow(std::span<const uint8_t> in, int unit, std::span<uint8_t> out) {
    size_t i = 0, o = 0;
    const size_t u = static_cast<size_t>(unit);
    while (i < in.size() && o < out.size()) {
        const int flag = static_cast<int8_t>(in[i++]);
        if (flag >= 0) {
            const size_t n = (static_cast<size_t>(flag) + 1) * u;
            const size_t avail = std::min(n, in.size() - i);
            const size_t copy = std::min(avail, out.size() - o);
            std::memcpy(out.data() + o, in.data() + i, copy);
            i += avail;
            o += copy;
        } else if (flag != -128) {
            const size_t times = static_cast<size_t>(1 - flag);
            if (in.size() - i < u)
                break;
            for (size_t t = 0; t < times && o < out.size(); ++t)
                for (size_t k = 0; k < u && o < out.size(); ++k)
                    out[o++] = in[i + k];
            i += u;
        }
    }
    std::fill(out.begin() + static_cast<ptrdiff_t>(o), out.end(), 0);
    return i;
}

RasterNotes DrawRaster(const RasterOp& op, std::span<const uint8_t> bytes, const PortState& port,
                       const RasterTarget& target) {
    RasterNotes notes;
    int mode = op.mode & ~64; // ditherCopy draws as srcCopy
    if (!KnownMode(mode)) {
        notes.unknownMode = true;
        mode = kSrcCopy;
    }
    const Axis ax{target.area.left, target.area.width(), target.width};
    const Axis ay{target.area.top, target.area.height(), target.height};
    const Rect dst = op.dst.offset(-port.originH, -port.originV);
    const Rect src = op.src;
    if (dst.empty() || src.empty() || op.bounds.empty())
        return notes;
    // The destination on the canvas and the part of it that shows.
    const int dl = ax.toCanvas(dst.left), dr = ax.toCanvas(dst.right);
    const int dt = ay.toCanvas(dst.top), db = ay.toCanvas(dst.bottom);
    if (dr <= dl || db <= dt)
        return notes;
    const int64_t dw = dr - dl, dh = db - dt;
    const int64_t sw = src.width(), sh = src.height();
    const int64_t sx0 = src.left - op.bounds.left, sy0 = src.top - op.bounds.top;
    auto sourceX = [&](int cx) { return sx0 + FloorDiv((cx - dl) * sw, dw); };
    auto sourceY = [&](int cy) { return sy0 + FloorDiv((cy - dt) * sh, dh); };

    // Only canvas pixels whose source lies inside the bounds are drawn.
    int x0 = std::max(dl, 0), x1 = std::min(dr, target.width);
    int y0 = std::max(dt, 0), y1 = std::min(db, target.height);
    while (x0 < x1 && sourceX(x0) < 0)
        ++x0;
    while (x1 > x0 && sourceX(x1 - 1) >= op.bounds.width())
        --x1;
    while (y0 < y1 && sourceY(y0) < 0)
        ++y0;
    while (y1 > y0 && sourceY(y1 - 1) >= op.bounds.height())
        --y1;
    if (x0 >= x1 || y0 >= y1)
        return notes;

    const RowShape shape = ShapeOf(op);
    if (shape.format == Format::Bits && op.pixMap && op.colours.size() < (size_t{1} << shape.depth))
        return notes;
    std::vector<int> columns(static_cast<size_t>(x1 - x0));
    for (int cx = x0; cx < x1; ++cx)
        columns[static_cast<size_t>(cx - x0)] = static_cast<int>(sourceX(cx));
    std::vector<uint8_t> rgb(columns.size() * 3);
    std::vector<uint8_t> ink(op.pixMap ? 0 : columns.size());
    uint8_t* inkRow = op.pixMap ? nullptr : ink.data();

    // The parser checked that the rows lie within the data.
    if (op.dataOffset > bytes.size() || op.dataSize > bytes.size() - op.dataOffset)
        return notes;
    RowReader rows(op, bytes.subspan(op.dataOffset, op.dataSize), shape);
    const Region mask = op.mask ? op.mask->offset(-port.originH, -port.originV) : Region();
    RegionRows clipRows(port.clip), maskRows(mask);
    std::vector<int> spans, clipSpans, maskSpans, both;
    int sampledRow = -1;
    for (int cy = y0; cy < y1; ++cy) {
        const int sy = static_cast<int>(sourceY(cy));
        if (!rows.advanceTo(sy))
            break;
        const int64_t py = ay.toPicture(cy);
        const int bounds[2] = {x0, x1};
        RegionSpans(clipRows, py, ax, clipSpans);
        IntersectSpans(bounds, clipSpans, spans);
        if (op.mask) {
            RegionSpans(maskRows, py, ax, maskSpans);
            IntersectSpans(spans, maskSpans, both);
            spans.swap(both);
        }
        if (spans.empty())
            continue;
        if (sampledRow != sy) {
            SampleRow(op, shape, rows.row(), columns, port, rgb.data(), inkRow);
            if (port.colourMatch != nullptr && op.pixMap)
                port.colourMatch->convert(rgb.data(), columns.size());
            sampledRow = sy;
        }
        uint8_t* line = target.rgb + static_cast<size_t>(cy) * target.width * 3;
        for (size_t k = 0; k + 1 < spans.size(); k += 2) {
            const int a = spans[k], b = spans[k + 1];
            const size_t i = static_cast<size_t>(a - x0);
            Transfer(mode, line + static_cast<size_t>(a) * 3, rgb.data() + i * 3,
                     inkRow != nullptr ? inkRow + i : nullptr, b - a, op.pixMap, port);
            notes.drewPixels = true;
        }
    }
    return notes;
}

} // namespace dravik::pict
