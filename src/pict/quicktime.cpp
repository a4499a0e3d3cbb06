#include "pict/quicktime.h"

#include "pict/byte_reader.h"
#include "pict/codecs/codecs.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace dravik::pict {
namespace {

// The image description QuickTime writes before the compressed data: its
// fixed part is 86 bytes; a colour table or extension atoms may follow.
constexpr size_t kDescriptionSize = 86;

Rect ReadRect(ByteReader& r) {
    Rect rect;
    rect.top = r.s16();
    rect.left = r.s16();
    rect.bottom = r.s16();
    rect.right = r.s16();
    return rect;
}

// The matrix's perspective column is 2.30 fixed point, the rest 16.16.
void ReadMatrix(ByteReader& r, QuickTimeOp& op) {
    op.a = r.fixed();
    op.b = r.fixed();
    r.u32(); // u
    op.c = r.fixed();
    op.d = r.fixed();
    r.u32(); // v
    op.h = r.fixed();
    op.v = r.fixed();
    r.u32(); // w
}

bool ReadDescription(ByteReader& r, size_t base, int64_t maxPixels, QuickTimeOp& op,
                     std::string& why, bool& tooLarge) {
    const size_t at = r.pos();
    const uint32_t size = r.u32();
    if (r.failed() || size < kDescriptionSize || size - 4 > r.left()) {
        why =
            "a QuickTime image description is shorter than its fixed part or runs past the opcode";
        return false;
    }
    ByteReader d(r.take(size - 4));
    char type[4];
    for (char& ch : type)
        ch = static_cast<char>(d.u8());
    op.codec.assign(type, 4);
    d.skip(24); // reserved, data reference, version, revision, vendor, qualities
    op.width = d.u16();
    op.height = d.u16();
    d.skip(8); // resolution
    uint32_t dataSize = d.u32();
    d.skip(2 + 32); // frame count, compressor name
    op.depth = d.s16();
    op.clutId = d.s16();
    op.descOffset = base + at;
    op.descSize = size;
    if (op.width <= 0 || op.height <= 0) {
        why = "a QuickTime image has no size";
        return false;
    }
    if (static_cast<int64_t>(op.width) * op.height > maxPixels) {
        why = "a QuickTime image of " + std::to_string(op.width) + " x " +
              std::to_string(op.height) + " pixels";
        tooLarge = true;
        return false;
    }
    // Some writers leave the data size 0: the data is then the rest.
    if (dataSize == 0)
        dataSize = static_cast<uint32_t>(std::min<size_t>(r.left(), UINT32_MAX));
    if (dataSize > r.left()) {
        why = "a QuickTime image's data runs past the opcode";
        return false;
    }
    op.dataOffset = base + r.pos();
    op.dataSize = dataSize;
    return true;
}

// Copies the image pixels that canvas columns [from, to) show, column[cx]
// naming each one's image column (-1: none), in runs of neighbours.
// `columns` starts at canvas column x0.
bool CopyColumns(const uint8_t* row, const std::vector<int>& columns, int x0, int from, int to,
                 uint8_t* line) {
    auto column = [&](int cx) { return columns[static_cast<size_t>(cx - x0)]; };
    bool drew = false;
    for (int cx = from; cx < to;) {
        const int first = column(cx);
        if (first < 0) {
            ++cx;
            continue;
        }
        int n = 1;
        while (cx + n < to && column(cx + n) == first + n)
            ++n;
        std::memcpy(line + static_cast<size_t>(cx) * 3, row + static_cast<size_t>(first) * 3,
                    static_cast<size_t>(n) * 3);
        cx += n;
        drew = true;
    }
    return drew;
}

// An image's own profile wins over the picture's; without either the image
// is sRGB already.
void MatchColours(DecodedImage& image, const PortState& port, std::vector<std::string>& notes) {
    std::unique_ptr<IccToSrgb> own;
    if (!image.icc.empty()) {
        std::string why;
        own = IccToSrgb::FromProfile(image.icc, why);
        if (!own)
            notes.push_back("a QuickTime image's colour profile was ignored: " + why);
    }
    const IccToSrgb* match = own ? own.get() : port.colourMatch;
    if (match != nullptr)
        match->convert(image.rgb.data(), image.rgb.size() / 3);
}

} // namespace

bool ParseQuickTime(std::span<const uint8_t> data, size_t base, bool compressed, int64_t maxPixels,
                    QuickTimeOp& op, std::string& why, bool& tooLarge) {
    ByteReader r(data);
    op.compressed = compressed;
    r.u16(); // version
    ReadMatrix(r, op);
    const uint32_t matteSize = r.u32();
    ReadRect(r); // matte rectangle
    uint32_t maskSize = 0;
    if (compressed) {
        op.mode = r.u16();
        op.srcRect = ReadRect(r);
        r.u32(); // accuracy
        maskSize = r.u32();
    }
    if (r.failed()) {
        why = "a QuickTime record runs past the opcode";
        return false;
    }
    op.matte = matteSize > 0;
    if (!r.skip(matteSize)) {
        why = "a QuickTime matte runs past the opcode";
        return false;
    }
    if (maskSize > 0) {
        auto mask = r.take(maskSize);
        if (r.failed() || !(op.mask = Region::FromData(mask))) {
            why = "a QuickTime mask region is malformed or runs past the opcode";
            return false;
        }
    }
    // An uncompressed record may hold only the matte: the image then
    // follows as ordinary opcodes.
    if (!compressed && r.left() < kDescriptionSize)
        return true;
    if (!ReadDescription(r, base, maxPixels, op, why, tooLarge))
        return false;
    if (!compressed || op.srcRect.empty())
        op.srcRect = {0, 0, op.height, op.width};
    op.supported = CodecSupported(op.codec);
    return true;
}

Rect QuickTimeDestination(const QuickTimeOp& op) {
    const Rect& s = op.srcRect;
    double x0 = 1e18, y0 = 1e18, x1 = -1e18, y1 = -1e18;
    for (int y : {s.top, s.bottom})
        for (int x : {s.left, s.right}) {
            const double px = op.a * x + op.c * y + op.h;
            const double py = op.b * x + op.d * y + op.v;
            x0 = std::min(x0, px), x1 = std::max(x1, px);
            y0 = std::min(y0, py), y1 = std::max(y1, py);
        }
    auto clampInt = [](double v) { return static_cast<int>(std::clamp(std::round(v), -1e9, 1e9)); };
    return {clampInt(y0), clampInt(x0), clampInt(y1), clampInt(x1)};
}

QuickTimeDrawn DrawQuickTime(const QuickTimeOp& op, std::span<const uint8_t> bytes,
                             const PortState& port, const RasterTarget& target, int64_t maxPixels) {
    QuickTimeDrawn out;
    out.destination = QuickTimeDestination(op);
    if (op.codec.empty())
        return out; // an uncompressed record that carried only a matte
    if (op.descOffset + op.descSize > bytes.size() || op.dataOffset + op.dataSize > bytes.size()) {
        out.error = "the QuickTime data lies outside the picture";
        return out;
    }
    CodecInput input;
    input.codec = op.codec;
    input.width = op.width;
    input.height = op.height;
    input.depth = op.depth;
    input.clutId = op.clutId;
    input.description = bytes.subspan(op.descOffset, op.descSize);
    input.data = bytes.subspan(op.dataOffset, op.dataSize);
    input.maxPixels = maxPixels;
    CodecOutcome decoded = DecodeImage(input);
    if (!decoded.ok) {
        out.error = decoded.error;
        out.tooLarge = decoded.tooLarge;
        return out;
    }
    DecodedImage& image = decoded.image;
    out.decodedPixels = static_cast<int64_t>(image.width) * image.height;
    MatchColours(image, port, out.notes);
    if (op.matte)
        out.notes.push_back("a QuickTime matte (the image is drawn whole)");
    if ((op.mode & ~64) != 0)
        out.notes.push_back("QuickTime transfer mode " + std::to_string(op.mode) +
                            " drawn as srcCopy");

    const double det = op.a * op.d - op.b * op.c;
    if (!(std::fabs(det) > 1e-9))
        return out;
    // Canvas pixel centres to image coordinates: the canvas shows `area`,
    // the port sits at its origin, the matrix's inverse leads into the image.
    const Rect& area = target.area;
    const double sx = static_cast<double>(area.width()) / target.width;
    const double sy = static_cast<double>(area.height()) / target.height;
    const Rect s = op.srcRect.intersect({0, 0, image.height, image.width});
    if (s.empty())
        return out;
    // The destination on the canvas, in device coordinates.
    const Rect dst = out.destination.offset(-port.originH, -port.originV);
    auto canvasX = [&](double p) { return (p - area.left) / sx; };
    auto canvasY = [&](double p) { return (p - area.top) / sy; };
    const int x0 = std::max(0, static_cast<int>(std::floor(std::max(-1e9, canvasX(dst.left)))));
    const int x1 =
        std::min(target.width, static_cast<int>(std::ceil(std::min(1e9, canvasX(dst.right)))));
    const int y0 = std::max(0, static_cast<int>(std::floor(std::max(-1e9, canvasY(dst.top)))));
    const int y1 =
        std::min(target.height, static_cast<int>(std::ceil(std::min(1e9, canvasY(dst.bottom)))));
    if (x0 >= x1 || y0 >= y1)
        return out;

    const double ia = op.d / det, ib = -op.b / det, ic = -op.c / det, id = op.a / det;
    const Region mask = op.mask ? op.mask->offset(-port.originH, -port.originV) : Region();
    RegionRows clipRows(port.clip), maskRows(mask);
    std::vector<int> clipSpans, maskSpans, spans, both;
    auto toCanvasSpans = [&](std::span<const int> picture, std::vector<int>& canvas) {
        canvas.clear();
        for (int v : picture)
            canvas.push_back(static_cast<int>(std::clamp(std::ceil(canvasX(v) - 0.5), -1e9, 1e9)));
    };
    // Without rotation or shear every canvas column reads one image column
    // on every row: worked out once, the rows become runs of copies.
    const bool axisAligned = op.b == 0 && op.c == 0;
    std::vector<int> columns;
    if (axisAligned)
        for (int cx = x0; cx < x1; ++cx) {
            const double ix = std::floor(ia * (area.left + (cx + 0.5) * sx + port.originH - op.h));
            columns.push_back(ix >= s.left && ix < s.right ? static_cast<int>(ix) : -1);
        }
    for (int cy = y0; cy < y1; ++cy) {
        const double py = area.top + (cy + 0.5) * sy; // device coordinates
        const int rowY = static_cast<int>(std::floor(py));
        toCanvasSpans(clipRows.spans(rowY), clipSpans);
        const int bounds[2] = {x0, x1};
        IntersectSpans(bounds, clipSpans, spans);
        if (op.mask) {
            toCanvasSpans(maskRows.spans(rowY), maskSpans);
            IntersectSpans(spans, maskSpans, both);
            spans.swap(both);
        }
        const double ly = py + port.originV - op.v;
        uint8_t* line = target.rgb + static_cast<size_t>(cy) * target.width * 3;
        if (axisAligned) {
            const double iy = std::floor(id * ly);
            if (iy < s.top || iy >= s.bottom)
                continue;
            const uint8_t* row = image.rgb.data() + static_cast<size_t>(iy) * image.width * 3;
            for (size_t k = 0; k + 1 < spans.size(); k += 2)
                out.drewPixels =
                    CopyColumns(row, columns, x0, spans[k], spans[k + 1], line) || out.drewPixels;
            continue;
        }
        for (size_t k = 0; k + 1 < spans.size(); k += 2) {
            for (int cx = spans[k]; cx < spans[k + 1]; ++cx) {
                const double lx = area.left + (cx + 0.5) * sx + port.originH - op.h;
                const double ix = std::floor(ia * lx + ic * ly);
                const double iy = std::floor(ib * lx + id * ly);
                if (ix < s.left || ix >= s.right || iy < s.top || iy >= s.bottom)
                    continue;
                const size_t at =
                    (static_cast<size_t>(iy) * image.width + static_cast<size_t>(ix)) * 3;
                std::copy_n(image.rgb.data() + at, 3, line + static_cast<size_t>(cx) * 3);
                out.drewPixels = true;
            }
        }
    }
    return out;
}

} // namespace dravik::pict
