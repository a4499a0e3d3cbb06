// Walks the opcodes of a picture. Every opcode's size comes from Inside
// Macintosh's table, reserved ranges included, so an opcode this reader
// knows nothing about is stepped over rather than derailing the walk.
#include "pict/byte_reader.h"
#include "pict/comments.h"
#include "pict/operations.h"
#include "pict/quicktime.h"
#include "pict/raster.h"
#include "pict/text_parse.h"

#include <algorithm>
#include <cstdio>

namespace dravik::pict {
namespace {

enum class Size {
    Fixed,      // `fixed` bytes
    WordLength, // a 16-bit count, then that many bytes
    LongLength, // a 32-bit count, then that many bytes
    Shape,      // polygons and regions: a size word that counts itself
    LongText,   // point, count byte, text
    DHText,     // one offset byte, count byte, text
    DHDVText,   // two offset bytes, count byte, text
    LongComment,
    PixPat,
    Raster,
    End,
};

enum class Effect { None, Reserved, Vector, Text, QuickTime };

struct OpcodeInfo {
    std::string name;
    Size size;
    int fixed;
    Effect effect;
};

OpcodeInfo Info(uint16_t op) {
    using S = Size;
    using E = Effect;
    // The shape verbs come in fives (frame, paint, erase, invert, fill),
    // each followed by three reserved opcodes of the same size.
    if (op >= 0x30 && op < 0x90) {
        static const char* const kShapes[] = {"Rect", "RRect", "Oval", "Arc", "Poly", "Rgn"};
        static const char* const kVerbs[] = {"frame", "paint", "erase", "invert", "fill"};
        static const char* const kSameVerbs[] = {"frameSame", "paintSame", "eraseSame",
                                                 "invertSame", "fillSame"};
        static const int kSizes[] = {8, 8, 8, 12, 0, 0};
        static const int kSameSizes[] = {0, 0, 0, 4, 0, 0};
        int shape = (op - 0x30) / 16;
        int verb = (op - 0x30) % 16;
        bool variable = shape >= 4;
        if (verb < 5)
            return {std::string(kVerbs[verb]) + kShapes[shape], variable ? S::Shape : S::Fixed,
                    kSizes[shape], E::Vector};
        if (verb < 8)
            return {"reserved", variable ? S::Shape : S::Fixed, kSizes[shape], E::Reserved};
        if (verb < 13)
            return {std::string(kSameVerbs[verb - 8]) + kShapes[shape], S::Fixed, kSameSizes[shape],
                    E::Vector};
        return {"reserved", S::Fixed, kSameSizes[shape], E::Reserved};
    }
    switch (op) {
    case 0x00:
        return {"NOP", S::Fixed, 0, E::None};
    case 0x01:
        return {"Clip", S::Shape, 0, E::None};
    case 0x02:
        return {"BkPat", S::Fixed, 8, E::None};
    case 0x03:
        return {"TxFont", S::Fixed, 2, E::None};
    case 0x04:
        return {"TxFace", S::Fixed, 1, E::None};
    case 0x05:
        return {"TxMode", S::Fixed, 2, E::None};
    case 0x06:
        return {"SpExtra", S::Fixed, 4, E::None};
    case 0x07:
        return {"PnSize", S::Fixed, 4, E::None};
    case 0x08:
        return {"PnMode", S::Fixed, 2, E::None};
    case 0x09:
        return {"PnPat", S::Fixed, 8, E::None};
    case 0x0A:
        return {"FillPat", S::Fixed, 8, E::None};
    case 0x0B:
        return {"OvSize", S::Fixed, 4, E::None};
    case 0x0C:
        return {"Origin", S::Fixed, 4, E::None};
    case 0x0D:
        return {"TxSize", S::Fixed, 2, E::None};
    case 0x0E:
        return {"FgColor", S::Fixed, 4, E::None};
    case 0x0F:
        return {"BkColor", S::Fixed, 4, E::None};
    case 0x10:
        return {"TxRatio", S::Fixed, 8, E::None};
    case 0x11:
        return {"VersionOp", S::Fixed, 2, E::None};
    case 0x12:
        return {"BkPixPat", S::PixPat, 0, E::None};
    case 0x13:
        return {"PnPixPat", S::PixPat, 0, E::None};
    case 0x14:
        return {"FillPixPat", S::PixPat, 0, E::None};
    case 0x15:
        return {"PnLocHFrac", S::Fixed, 2, E::None};
    case 0x16:
        return {"ChExtra", S::Fixed, 2, E::None};
    case 0x17:
    case 0x18:
    case 0x19:
        return {"reserved", S::Fixed, 0, E::Reserved};
    case 0x1A:
        return {"RGBFgCol", S::Fixed, 6, E::None};
    case 0x1B:
        return {"RGBBkCol", S::Fixed, 6, E::None};
    case 0x1C:
        return {"HiliteMode", S::Fixed, 0, E::None};
    case 0x1D:
        return {"HiliteColor", S::Fixed, 6, E::None};
    case 0x1E:
        return {"DefHilite", S::Fixed, 0, E::None};
    case 0x1F:
        return {"OpColor", S::Fixed, 6, E::None};
    case 0x20:
        return {"Line", S::Fixed, 8, E::Vector};
    case 0x21:
        return {"LineFrom", S::Fixed, 4, E::Vector};
    case 0x22:
        return {"ShortLine", S::Fixed, 6, E::Vector};
    case 0x23:
        return {"ShortLineFrom", S::Fixed, 2, E::Vector};
    case 0x28:
        return {"LongText", S::LongText, 0, E::Text};
    case 0x29:
        return {"DHText", S::DHText, 0, E::Text};
    case 0x2A:
        return {"DVText", S::DHText, 0, E::Text};
    case 0x2B:
        return {"DHDVText", S::DHDVText, 0, E::Text};
    case 0x2C:
        return {"fontName", S::WordLength, 0, E::None};
    case 0x2D:
        return {"lineJustify", S::WordLength, 0, E::None};
    case 0x2E:
        return {"glyphState", S::WordLength, 0, E::None};
    case 0x90:
        return {"BitsRect", S::Raster, 0, E::None};
    case 0x91:
        return {"BitsRgn", S::Raster, 0, E::None};
    case 0x98:
        return {"PackBitsRect", S::Raster, 0, E::None};
    case 0x99:
        return {"PackBitsRgn", S::Raster, 0, E::None};
    case 0x9A:
        return {"DirectBitsRect", S::Raster, 0, E::None};
    case 0x9B:
        return {"DirectBitsRgn", S::Raster, 0, E::None};
    case 0xA0:
        return {"ShortComment", S::Fixed, 2, E::None};
    case 0xA1:
        return {"LongComment", S::LongComment, 0, E::None};
    case 0xFF:
        return {"OpEndPic", S::End, 0, E::None};
    case 0x0C00:
        return {"HeaderOp", S::Fixed, 24, E::None};
    case 0x8200:
        return {"CompressedQuickTime", S::LongLength, 0, E::QuickTime};
    case 0x8201:
        return {"UncompressedQuickTime", S::LongLength, 0, E::QuickTime};
    default:
        break;
    }
    if (op <= 0x2F) // 0x24-0x27, 0x2F
        return {"reserved", S::WordLength, 0, E::Reserved};
    if (op <= 0xAF) // 0x92-0x97, 0x9C-0x9F, 0xA2-0xAF
        return {"reserved", S::WordLength, 0, E::Reserved};
    if (op <= 0xCF)
        return {"reserved", S::Fixed, 0, E::Reserved};
    if (op <= 0xFE)
        return {"reserved", S::LongLength, 0, E::Reserved};
    if (op <= 0x7FFF)
        return {"reserved", S::Fixed, 2 * (op >> 8), E::Reserved};
    if (op <= 0x80FF)
        return {"reserved", S::Fixed, 0, E::Reserved};
    return {"reserved", S::LongLength, 0, E::Reserved};
}

Point ReadPoint(ByteReader& r) {
    Point p;
    p.v = r.s16();
    p.h = r.s16();
    return p;
}

// QuickDraw's 16-bit channels, to the nearest 8-bit level.
uint8_t To8(uint16_t v) {
    return static_cast<uint8_t>((v * 255u + 32767u) / 65535u);
}

Rgb ReadRgb(ByteReader& r) {
    Rgb c;
    c.r = To8(r.u16());
    c.g = To8(r.u16());
    c.b = To8(r.u16());
    return c;
}

// The eight colours of the original QuickDraw, named by their plane bits.
std::optional<Rgb> OldStyleColour(uint32_t value) {
    switch (value) {
    case 30:
        return Rgb{255, 255, 255};
    case 33:
        return Rgb{0, 0, 0};
    case 69:
        return Rgb{252, 243, 5};
    case 137:
        return Rgb{242, 8, 132};
    case 205:
        return Rgb{221, 8, 6};
    case 273:
        return Rgb{2, 171, 234};
    case 341:
        return Rgb{0, 128, 17};
    case 409:
        return Rgb{0, 0, 212};
    default:
        return std::nullopt;
    }
}

// The shape and verb of the opcodes 0x30-0x8F; none for the reserved ones.
std::optional<ShapeOp> ShapeVerb(uint16_t op) {
    if (op < 0x30 || op >= 0x90)
        return std::nullopt;
    const int verb = (op - 0x30) % 16;
    if ((verb >= 5 && verb < 8) || verb >= 13)
        return std::nullopt;
    ShapeOp s;
    s.kind = static_cast<ShapeOp::Kind>((op - 0x30) / 16);
    s.same = verb >= 8;
    s.verb = static_cast<ShapeOp::Verb>(verb % 8);
    return s;
}

// How the pixel rows of a raster opcode are laid out in the file.
struct RowLayout {
    bool packed = false;
    bool countIsWord = false;
    size_t rawRowBytes = 0; // unpacked rows: bytes per row
};

RowLayout LayoutOf(const RasterOp& op, uint16_t opcode) {
    RowLayout l;
    const bool bitsRect = opcode == 0x90 || opcode == 0x91;
    l.rawRowBytes = static_cast<size_t>(op.rowBytes);
    if (bitsRect || op.rowBytes < 8)
        return l;
    if (op.pixMap && op.pixelSize == 32 && op.packType == 2) {
        l.rawRowBytes = static_cast<size_t>(op.bounds.width()) * 3;
        return l;
    }
    if (op.pixMap && op.packType == 1)
        return l;
    l.packed = true;
    l.countIsWord = op.rowBytes > 250;
    return l;
}

// Reads a PixMap record as pictures store it (no base address).
bool ReadPixMap(ByteReader& r, RasterOp& op) {
    r.u16(); // pmVersion
    op.packType = r.u16();
    r.u32(); // packSize
    op.hRes = r.fixed();
    r.fixed(); // vRes
    r.u16();   // pixelType
    op.pixelSize = r.u16();
    op.cmpCount = r.u16();
    r.u16(); // cmpSize
    r.u32(); // planeBytes
    r.u32(); // pmTable
    r.u32(); // pmReserved
    return !r.failed();
}

// Reads a colour table into op.colours. With the device flag set the
// entries are indexed by position, else by their value field.
bool ReadColourTable(ByteReader& r, RasterOp& op) {
    r.u32(); // seed
    const bool device = (r.u16() & 0x8000) != 0;
    const int count = static_cast<int16_t>(r.u16()) + 1;
    if (r.failed() || count < 0)
        return false;
    const size_t slots = op.pixelSize <= 8 ? size_t{1} << op.pixelSize : 0;
    op.colours.assign(slots, Rgb{});
    for (int i = 0; i < count; ++i) {
        const uint16_t value = r.u16();
        const Rgb c = ReadRgb(r);
        if (r.failed())
            return false;
        const size_t index = device ? static_cast<size_t>(i) : value;
        if (index < slots)
            op.colours[index] = c;
    }
    return true;
}

// Sizes the pixel rows that follow a raster or pattern record.
bool SkipRows(ByteReader& r, const RowLayout& layout, int rows) {
    for (int y = 0; y < rows; ++y) {
        if (!layout.packed) {
            if (!r.skip(layout.rawRowBytes))
                return false;
            continue;
        }
        const size_t count = layout.countIsWord ? r.u16() : r.u8();
        if (!r.skip(count))
            return false;
    }
    return true;
}

// The colours of a type 1 pixel pattern's rows. Patterns beyond 64x64 or
// deeper than 8 bits keep their 1-bit pattern instead.
void DecodePixelPattern(const RasterOp& pat, const RowLayout& layout, std::span<const uint8_t> rows,
                        Pattern& out) {
    const int w = pat.bounds.width(), h = pat.bounds.height();
    const int d = pat.pixelSize;
    if (w < 1 || h < 1 || w > 64 || h > 64 || !(d == 1 || d == 2 || d == 4 || d == 8))
        return;
    const size_t rowLength =
        std::max<size_t>(layout.rawRowBytes, (static_cast<size_t>(w) * d + 7) / 8);
    std::vector<uint8_t> row(rowLength);
    std::vector<Rgb> pixels;
    size_t at = 0;
    for (int y = 0; y < h; ++y) {
        std::fill(row.begin(), row.end(), 0);
        if (layout.packed) {
            const size_t countBytes = layout.countIsWord ? 2 : 1;
            if (rows.size() - at < countBytes)
                return;
            size_t count = rows[at];
            if (countBytes == 2)
                count = (count << 8) | rows[at + 1];
            at += countBytes;
            count = std::min(count, rows.size() - at);
            UnpackBitsRow(rows.subspan(at, count), 1, row);
            at += count;
        } else {
            const size_t n = std::min(layout.rawRowBytes, rows.size() - at);
            std::copy_n(rows.begin() + static_cast<ptrdiff_t>(at), std::min(n, row.size()),
                        row.begin());
            at += n;
        }
        for (int x = 0; x < w; ++x) {
            const size_t bit = static_cast<size_t>(x) * d;
            const unsigned idx = (row[bit >> 3] >> (8 - d - (bit & 7))) & ((1u << d) - 1);
            pixels.push_back(idx < pat.colours.size() ? pat.colours[idx] : Rgb{});
        }
    }
    out.width = w;
    out.height = h;
    out.pixels = std::move(pixels);
}

struct Walker {
    std::span<const uint8_t> bytes;
    const PictLimits& limits;
    ParsedPict& out;
    ByteReader r;
    bool afterQuickTime = false; // a QuickTime image came earlier
    PostScriptText postScriptText;

    bool damaged(size_t at, const std::string& why) {
        out.failure = PictFailure{PictFailureKind::Damaged, at, {}, why};
        return false;
    }

    bool readRaster(uint16_t opcode, size_t at, RasterOp& op) {
        const bool direct = opcode == 0x9A || opcode == 0x9B;
        const bool withMask = opcode == 0x91 || opcode == 0x99 || opcode == 0x9B;
        if (direct)
            r.u32(); // base address, always 0x000000FF
        const uint16_t rowBytes = r.u16();
        op.pixMap = direct || (out.header.version >= 2 && (rowBytes & 0x8000) != 0);
        op.rowBytes = rowBytes & (out.header.version >= 2 ? 0x3FFF : 0x7FFF);
        op.bounds = ReadRect(r);
        if (op.pixMap) {
            if (!ReadPixMap(r, op))
                return damaged(at, "a pixel map runs past the end of the data");
            const int ps = op.pixelSize;
            const bool indexed = ps == 1 || ps == 2 || ps == 4 || ps == 8;
            if (direct ? ps != 16 && ps != 32 : !indexed)
                return damaged(at, "a pixel map has " + std::to_string(ps) + "-bit pixels");
            if (!direct && !ReadColourTable(r, op))
                return damaged(at, "a colour table runs past the end of the data");
            if (ps == 16 && op.packType != 1)
                op.packType = 3;
            if (ps == 32 && op.packType != 1 && op.packType != 2)
                op.packType = 4;
            if (ps == 32 && (op.cmpCount < 3 || op.cmpCount > 4))
                op.cmpCount = op.cmpCount < 3 ? 3 : 4;
        }
        op.src = ReadRect(r);
        op.dst = ReadRect(r);
        op.mode = r.u16();
        if (withMask) {
            const uint16_t size = r.peek16();
            auto data = r.take(size);
            if (r.failed())
                return damaged(at, "a mask region runs past the end of the data");
            op.mask = Region::FromData(data);
            if (!op.mask)
                return damaged(at, "a mask region is malformed or too complex");
        }
        if (r.failed())
            return damaged(at, "a raster record runs past the end of the data");
        if (op.bounds.height() < 0 || op.bounds.width() < 0)
            return damaged(at, "a raster record has upside-down bounds");
        op.packed = LayoutOf(op, opcode).packed;
        op.rowLength = LayoutOf(op, opcode).rawRowBytes;
        op.dataOffset = r.pos();
        if (!SkipRows(r, LayoutOf(op, opcode), op.bounds.height()))
            return damaged(at, "pixel rows run past the end of the data");
        op.dataSize = r.pos() - op.dataOffset;
        return true;
    }

    // A polygon (size, bounds, points) or a region, as the verbs carry them.
    static bool readShapeData(ShapeOp& shape, std::span<const uint8_t> data) {
        if (shape.kind == ShapeOp::Region) {
            shape.region = Region::FromData(data);
            if (shape.region)
                shape.rect = shape.region->bounds();
            return shape.region.has_value();
        }
        if (data.size() < 10)
            return false;
        ByteReader d(data, 2);
        shape.rect = ReadRect(d);
        shape.points.reserve((data.size() - 10) / 4);
        while (d.left() >= 4)
            shape.points.push_back(ReadPoint(d));
        return true;
    }

    // BkPixPat, PnPixPat and FillPixPat: the 1-bit pattern, then a pixel
    // map with its colour table and rows (type 1) or one RGB colour (type 2).
    bool readPixPat(uint16_t opcode, size_t at, Operation& op) {
        PatternOp p;
        p.which = opcode == 0x12   ? PatternOp::Back
                  : opcode == 0x13 ? PatternOp::Pen
                                   : PatternOp::Fill;
        const uint16_t type = r.u16();
        for (uint8_t& b : p.pattern.bits)
            b = r.u8();
        if (type == 1) {
            RasterOp pat;
            const uint16_t rowBytes = r.u16();
            pat.pixMap = true;
            pat.rowBytes = rowBytes & 0x3FFF;
            pat.bounds = ReadRect(r);
            ReadPixMap(r, pat);
            const int depth = pat.pixelSize;
            if (pat.pixelSize > 8)
                pat.pixelSize = 8; // only the table's size matters here
            if (!ReadColourTable(r, pat))
                return damaged(at, "a pixel pattern runs past the end of the data");
            pat.packType = 0;
            const RowLayout layout = LayoutOf(pat, 0x98);
            const size_t rowsAt = r.pos();
            if (pat.bounds.height() < 0 || !SkipRows(r, layout, pat.bounds.height()))
                return damaged(at, "a pixel pattern runs past the end of the data");
            pat.pixelSize = depth;
            DecodePixelPattern(pat, layout, bytes.subspan(rowsAt, r.pos() - rowsAt), p.pattern);
        } else if (type == 2) {
            p.pattern.width = p.pattern.height = 1;
            p.pattern.pixels = {ReadRgb(r)};
        }
        if (r.failed())
            return damaged(at, "a pattern runs past the end of the data");
        op.data = std::move(p);
        return true;
    }

    // Reads the data of one opcode into op. False ends the walk.
    bool readData(uint16_t opcode, size_t at, Operation& op) {
        const OpcodeInfo info = Info(opcode);
        const int version = out.header.version;
        switch (info.size) {
        case Size::End:
            op.data = EndOp{};
            return true;
        case Size::Raster: {
            RasterOp raster;
            if (!readRaster(opcode, at, raster))
                return false;
            op.data = std::move(raster);
            return true;
        }
        case Size::Fixed: {
            int n = info.fixed;
            if (opcode == 0x11 && version == 1)
                n = 1;
            if (!r.has(static_cast<size_t>(n))) {
                if (info.effect == Effect::Vector)
                    return damaged(at, info.name + " runs past the end of the data");
                break;
            }
            ByteReader d(r.take(static_cast<size_t>(n)));
            if (auto shape = ShapeVerb(opcode)) {
                if (!shape->same)
                    shape->rect = ReadRect(d);
                if (shape->kind == ShapeOp::Arc) {
                    shape->startAngle = d.s16();
                    shape->arcAngle = d.s16();
                }
                op.data = std::move(*shape);
                return true;
            }
            switch (opcode) {
            case 0x07:
            case 0x0B: {
                PenOp p;
                p.which = opcode == 0x07 ? PenOp::Size : PenOp::OvalSize;
                p.v = d.s16();
                p.h = d.s16();
                // After a QuickTime image, a pen height of 0x00AE announces
                // the fallback for machines without QuickTime (the
                // "QuickTime and a ... decompressor" notice): the pen width
                // is the number of its bytes, which are passed over.
                if (opcode == 0x07 && afterQuickTime && p.v == 0x00AE) {
                    r.skip(std::min<size_t>(static_cast<uint16_t>(p.h), r.left()));
                    op.data = SkipOp{};
                    return true;
                }
                op.data = p;
                return true;
            }
            case 0x08:
            case 0x15:
                op.data = PenOp{opcode == 0x08 ? PenOp::Mode : PenOp::LocationFraction, d.u16(), 0};
                return true;
            case 0x02:
            case 0x09:
            case 0x0A: {
                PatternOp p;
                p.which = opcode == 0x02   ? PatternOp::Back
                          : opcode == 0x09 ? PatternOp::Pen
                                           : PatternOp::Fill;
                for (uint8_t& b : p.pattern.bits)
                    b = d.u8();
                op.data = std::move(p);
                return true;
            }
            case 0x20:
            case 0x21:
            case 0x22:
            case 0x23: {
                LineOp line;
                if (opcode == 0x20 || opcode == 0x22)
                    line.start = ReadPoint(d);
                if (opcode == 0x20 || opcode == 0x21) {
                    line.end = ReadPoint(d);
                } else {
                    line.relative = true;
                    line.end.h = static_cast<int8_t>(d.u8());
                    line.end.v = static_cast<int8_t>(d.u8());
                }
                op.data = line;
                return true;
            }
            case 0x0C: {
                OriginOp o;
                o.dv = d.s16();
                o.dh = d.s16();
                op.data = o;
                return true;
            }
            case 0x0E:
            case 0x0F: {
                ColourOp c;
                c.which = opcode == 0x0E ? ColourOp::Fore : ColourOp::Back;
                auto colour = OldStyleColour(d.u32());
                c.known = colour.has_value();
                c.colour = colour.value_or(opcode == 0x0E ? Rgb{0, 0, 0} : Rgb{255, 255, 255});
                op.data = c;
                return true;
            }
            case 0x1A:
            case 0x1B:
            case 0x1F: {
                ColourOp c;
                c.which = opcode == 0x1A   ? ColourOp::Fore
                          : opcode == 0x1B ? ColourOp::Back
                                           : ColourOp::Operand;
                c.colour = ReadRgb(d);
                op.data = c;
                return true;
            }
            case 0xA0: {
                CommentOp c;
                c.kind = d.u16();
                op.data = c;
                return true;
            }
            case 0x0C00:
                readHeaderOp(d);
                return true;
            default:
                if (auto text = ReadTextState(opcode, d.bytes())) {
                    op.data = std::move(*text);
                    return true;
                }
                break;
            }
            break;
        }
        case Size::WordLength: {
            auto data = r.take(r.u16());
            if (auto text = ReadTextState(opcode, data); text && !r.failed()) {
                op.data = std::move(*text);
                return true;
            }
            break;
        }
        case Size::LongLength: {
            const uint32_t length = r.u32();
            const size_t base = r.pos();
            auto data = r.take(length);
            if (info.effect == Effect::QuickTime && !r.failed())
                return readQuickTime(opcode, at, data, base, op);
            break;
        }
        case Size::Shape: {
            const uint16_t size = r.peek16();
            if (size < 2)
                return damaged(at, "a shape has a size below its own size word");
            auto data = r.take(size);
            if (opcode == 0x01 && !r.failed()) {
                auto region = Region::FromData(data);
                if (!region)
                    return damaged(at, "a clip region is malformed or too complex");
                op.data = ClipOp{std::move(*region)};
                return true;
            }
            auto shape = ShapeVerb(opcode);
            if (shape && !r.failed()) {
                if (!readShapeData(*shape, data))
                    return damaged(at, "a polygon or region shape is malformed or too complex");
                op.data = std::move(*shape);
                return true;
            }
            break;
        }
        case Size::LongText:
        case Size::DHText:
        case Size::DHDVText: {
            TextOp text = ReadTextRun(opcode, r);
            if (r.failed())
                break;
            op.data = std::move(text);
            return true;
        }
        case Size::LongComment: {
            CommentOp c;
            c.kind = r.u16();
            c.size = r.u16();
            c.dataOffset = r.pos();
            r.skip(c.size);
            op.data = c;
            if (r.failed())
                break;
            return true;
        }
        case Size::PixPat:
            return readPixPat(opcode, at, op);
        }
        if (r.failed())
            return damaged(at, info.name + " runs past the end of the data");
        switch (info.effect) {
        case Effect::Vector: // every drawing opcode returned its operation above
            break;
        case Effect::Text: // the runs returned their operation above
            break;
        case Effect::QuickTime: // readQuickTime has read it
            break;
        case Effect::Reserved: {
            char note[40];
            std::snprintf(note, sizeof note, "reserved opcode 0x%04X", opcode);
            op.data = SkipOp{note};
            break;
        }
        case Effect::None:
            break;
        }
        return true;
    }

    bool readQuickTime(uint16_t opcode, size_t at, std::span<const uint8_t> data, size_t base,
                       Operation& op) {
        QuickTimeOp qt;
        std::string why;
        bool tooLarge = false;
        if (!ParseQuickTime(data, base, opcode == 0x8200, limits.maxCanvasPixels, qt, why,
                            tooLarge)) {
            out.failure = PictFailure{
                tooLarge ? PictFailureKind::TooLarge : PictFailureKind::Damaged, at, {}, why};
            out.failure->codec = qt.codec;
            out.failure->noHandOver = true;
            if (tooLarge) { // the image is what is too large, not the picture around it
                out.failure->width = qt.width;
                out.failure->height = qt.height;
            }
            return false;
        }
        afterQuickTime = true;
        op.data = std::move(qt);
        return true;
    }

    void readHeaderOp(ByteReader& d) {
        const int16_t kind = d.s16();
        if (kind != -2)
            return;
        d.u16();
        const double h = d.fixed();
        const double v = d.fixed();
        const Rect source = ReadRect(d);
        out.header.extended = true;
        if (h > 0 && v > 0 && !source.empty()) {
            out.header.hRes = h;
            out.header.vRes = v;
            out.header.source = source;
        }
    }

    void walk() {
        const size_t start = out.header.start;
        const bool words = out.header.version >= 2;
        while (true) {
            if (words && (r.pos() - start) % 2 != 0)
                r.skip(1);
            if (r.left() < (words ? 2u : 1u))
                return; // the data ends between opcodes: the walk is over
            if (out.operations.size() >= limits.maxOperations) {
                out.failure = PictFailure{PictFailureKind::TooLarge,
                                          r.pos(),
                                          {},
                                          "more than " + std::to_string(limits.maxOperations) +
                                              " operations"};
                return;
            }
            Operation op;
            op.offset = r.pos();
            op.opcode = words ? r.u16() : r.u8();
            const size_t dataStart = r.pos();
            if (!readData(op.opcode, op.offset, op))
                return;
            op.size = r.pos() - dataStart;
            if (const auto* comment = std::get_if<CommentOp>(&op.data))
                postScriptText.see(comment->kind);
            else if (postScriptText.active() && op.opcode >= 0x28 && op.opcode <= 0x2B)
                op.data = SkipOp{}; // LongText ... DHDVText holding PostScript code
            const bool end = std::holds_alternative<EndOp>(op.data);
            out.operations.push_back(std::move(op));
            if (end)
                return;
        }
    }
};

// A picture starts with its size word, its frame and the version opcode,
// either at the beginning of the data or after a 512-byte preamble.
std::optional<PictHeader> FindHeader(std::span<const uint8_t> bytes) {
    for (size_t start : {size_t{512}, size_t{0}}) {
        if (bytes.size() < start + 12)
            continue;
        const uint8_t* p = bytes.data() + start;
        int version = 0;
        if (p[10] == 0x11 && p[11] == 0x01)
            version = 1;
        else if (bytes.size() >= start + 14 && p[10] == 0x00 && p[11] == 0x11 && p[12] == 0x02 &&
                 p[13] == 0xFF)
            version = 2;
        if (version == 0)
            continue;
        ByteReader r(bytes, start + 2);
        PictHeader h;
        h.start = start;
        h.version = version;
        h.frame = ReadRect(r);
        if (h.frame.empty())
            continue;
        h.source = h.frame;
        return h;
    }
    return std::nullopt;
}

} // namespace

ParsedPict ParsePict(std::span<const uint8_t> bytes, const PictLimits& limits) {
    ParsedPict out;
    auto header = FindHeader(bytes);
    if (!header) {
        out.failure = PictFailure{PictFailureKind::NotPict,
                                  0,
                                  {},
                                  "no picture frame and version opcode at byte 0 or 512"};
        return out;
    }
    out.header = *header;
    Walker w{bytes, limits, out, ByteReader(bytes, header->start + 10), false, {}};
    w.walk();
    return out;
}

std::string OpcodeName(uint16_t opcode, int /*version*/) {
    return Info(opcode).name;
}

} // namespace dravik::pict
