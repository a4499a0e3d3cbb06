#include "support/pict_writer.h"

#include "platform/process.h"

#include <algorithm>
#include <cmath>

namespace dravik::test {
namespace {

// PackBits: runs of 2+ equal units become repeat records, the rest literal
// records of at most 128 units.
std::string PackBits(const std::string& row, size_t unit) {
    std::string out;
    const size_t n = row.size() / unit;
    auto at = [&](size_t i) { return row.substr(i * unit, unit); };
    size_t i = 0;
    while (i < n) {
        size_t run = 1;
        while (i + run < n && run < 128 && at(i + run) == at(i))
            ++run;
        if (run >= 2) {
            out += static_cast<char>(1 - static_cast<int>(run));
            out += at(i);
            i += run;
            continue;
        }
        size_t lit = 1;
        while (i + lit < n && lit < 128 && !(i + lit + 1 < n && at(i + lit) == at(i + lit + 1)))
            ++lit;
        out += static_cast<char>(lit - 1);
        out += row.substr(i * unit, lit * unit);
        i += lit;
    }
    return out;
}

std::string Rgb16(Rgb c) {
    return Word(c.r * 257) + Word(c.g * 257) + Word(c.b * 257);
}

} // namespace

std::string Word(int value) {
    std::string s;
    s += static_cast<char>((value >> 8) & 0xFF);
    s += static_cast<char>(value & 0xFF);
    return s;
}

std::string Long(uint32_t value) {
    return Word(static_cast<int>(value >> 16)) + Word(static_cast<int>(value & 0xFFFF));
}

std::string RectData(PictRect r) {
    return Word(r.top) + Word(r.left) + Word(r.bottom) + Word(r.right);
}

std::string RectRegionData(PictRect rect) {
    return Word(10) + RectData(rect);
}

std::string RegionData(PictRect b, const std::function<bool(int, int)>& inside) {
    auto in = [&](int x, int y) {
        return x >= b.left && x < b.right && y >= b.top && y < b.bottom && inside(x, y);
    };
    std::string body;
    for (int y = b.top; y <= b.bottom; ++y) {
        std::string xs;
        for (int x = b.left; x <= b.right; ++x) {
            bool edgeHere = in(x, y) != in(x - 1, y);
            bool edgeAbove = in(x, y - 1) != in(x - 1, y - 1);
            if (edgeHere != edgeAbove)
                xs += Word(x);
        }
        if (!xs.empty())
            body += Word(y) + xs + Word(0x7FFF);
    }
    body += Word(0x7FFF);
    return Word(static_cast<int>(10 + body.size())) + RectData(b) + body;
}

PictWriter::PictWriter(Version version, PictRect frame, bool preamble, double dpi, PictRect source)
    : version_(version), out_(preamble ? 512 : 0, '\0'), start_(out_.size()) {
    out_ += Word(0) + RectData(frame);
    if (version == V1) {
        out_ += "\x11\x01";
        return;
    }
    out_ += Word(0x0011) + Word(0x02FF);
    if (version == V2) {
        // Version 2 header: -1, then the frame in fixed point, then reserved.
        std::string h = Word(-1) + Word(-1);
        for (int v : {frame.left, frame.top, frame.right, frame.bottom})
            h += Long(static_cast<uint32_t>(v) << 16);
        op(0x0C00, h + Long(0));
    } else {
        if (source.width() == 0)
            source = frame;
        const uint32_t res = static_cast<uint32_t>(std::lround(dpi * 65536));
        op(0x0C00, Word(-2) + Word(0) + Long(res) + Long(res) + RectData(source) + Long(0));
    }
}

PictWriter& PictWriter::op(uint16_t opcode, const std::string& data) {
    if (version_ == V1) {
        out_ += static_cast<char>(opcode);
    } else {
        if ((out_.size() - start_) % 2 != 0)
            out_ += '\0';
        out_ += Word(opcode);
    }
    out_ += data;
    return *this;
}

PictWriter& PictWriter::clip(PictRect rect) {
    return op(0x0001, RectRegionData(rect));
}
PictWriter& PictWriter::clipRegion(const std::string& data) {
    return op(0x0001, data);
}
PictWriter& PictWriter::origin(int dh, int dv) {
    return op(0x000C, Word(dv) + Word(dh));
}
PictWriter& PictWriter::oldForeColour(uint32_t c) {
    return op(0x000E, Long(c));
}
PictWriter& PictWriter::oldBackColour(uint32_t c) {
    return op(0x000F, Long(c));
}
PictWriter& PictWriter::foreColour(Rgb c) {
    return op(0x001A, Rgb16(c));
}
PictWriter& PictWriter::backColour(Rgb c) {
    return op(0x001B, Rgb16(c));
}
PictWriter& PictWriter::opColour(Rgb c) {
    return op(0x001F, Rgb16(c));
}

PictWriter& PictWriter::raster(const RasterRecord& record) {
    return op(record.opcode, rasterData(record));
}

std::string PictWriter::rasterData(const RasterRecord& rec) const {
    const bool direct = rec.opcode == 0x9A || rec.opcode == 0x9B;
    const bool unpackedOpcode = rec.opcode == 0x90 || rec.opcode == 0x91;
    const bool withMask = rec.opcode == 0x91 || rec.opcode == 0x99 || rec.opcode == 0x9B;
    const int w = rec.bounds.width(), h = rec.bounds.height();
    const int depth = rec.pixMap ? rec.pixelSize : 1;
    int rowBytes = rec.rowBytes;
    if (rowBytes == 0) {
        rowBytes = (w * depth + 7) / 8;
        rowBytes += rowBytes % 2;
    }
    std::string d;
    if (direct)
        d += Long(0xFF);
    d += Word(rowBytes | (rec.pixMap ? 0x8000 : 0));
    d += RectData(rec.bounds);
    if (rec.pixMap) {
        d += Word(0) + Word(rec.packType) + Long(0) + Long(0x00480000) + Long(0x00480000);
        d += Word(direct ? 16 : 0) + Word(rec.pixelSize);
        d += Word(direct ? rec.cmpCount : 1);
        d += Word(rec.pixelSize == 16 ? 5 : rec.pixelSize == 32 ? 8 : rec.pixelSize);
        d += Long(0) + Long(0) + Long(0);
        if (!direct) {
            d += Long(0) + Word(rec.devicePalette ? 0x8000 : 0) +
                 Word(static_cast<int>(rec.palette.size()) - 1);
            for (size_t i = 0; i < rec.palette.size(); ++i)
                d += Word(rec.devicePalette ? 0 : static_cast<int>(i)) + Rgb16(rec.palette[i]);
        }
    }
    const PictRect src = rec.src.width() ? rec.src : rec.bounds;
    const PictRect dst = rec.dst.width() ? rec.dst : rec.bounds;
    d += RectData(src) + RectData(dst) + Word(rec.mode);
    if (withMask)
        d += rec.maskRegion;

    const int packType = rec.pixelSize == 16 && rec.packType == 0   ? 3
                         : rec.pixelSize == 32 && rec.packType == 0 ? 4
                                                                    : rec.packType;
    for (int y = 0; y < h; ++y) {
        auto px = [&](int x) { return rec.pixels[static_cast<size_t>(y * w + x)]; };
        std::string row;
        bool planar = false;
        if (depth <= 8) {
            row.assign(static_cast<size_t>(rowBytes), '\0');
            for (int x = 0; x < w; ++x) {
                const int bit = x * depth;
                row[static_cast<size_t>(bit / 8)] |=
                    static_cast<char>((px(x) & ((1u << depth) - 1)) << (8 - depth - bit % 8));
            }
        } else if (depth == 16) {
            row.assign(static_cast<size_t>(rowBytes), '\0');
            for (int x = 0; x < w; ++x) {
                const uint32_t c = px(x);
                const int v = static_cast<int>(((c >> 19) & 31) << 10 | ((c >> 11) & 31) << 5 |
                                               ((c >> 3) & 31));
                row.replace(static_cast<size_t>(2 * x), 2, Word(v));
            }
        } else if (packType == 2) {
            for (int x = 0; x < w; ++x)
                for (int shift : {16, 8, 0})
                    row += static_cast<char>((px(x) >> shift) & 0xFF);
        } else if (packType == 1 || rowBytes < 8) {
            row.assign(static_cast<size_t>(rowBytes), '\0');
            for (int x = 0; x < w; ++x)
                row.replace(static_cast<size_t>(4 * x), 4, Long(px(x)));
        } else {
            planar = true;
            const int first = rec.cmpCount == 4 ? 24 : 16;
            for (int shift = first; shift >= 0; shift -= 8)
                for (int x = 0; x < w; ++x)
                    row += static_cast<char>((px(x) >> shift) & 0xFF);
        }
        const bool packed =
            !unpackedOpcode && rowBytes >= 8 && !(rec.pixMap && (packType == 1 || packType == 2));
        if (!packed) {
            d += row;
            continue;
        }
        std::string p = PackBits(row, depth == 16 && !planar ? 2 : 1);
        d += rowBytes > 250 ? Word(static_cast<int>(p.size()))
                            : std::string(1, static_cast<char>(p.size()));
        d += p;
    }
    return d;
}

PictWriter& PictWriter::quickTime(const QuickTimeRecord& record) {
    const std::string data = QuickTimeData(record);
    return op(record.compressed ? 0x8200 : 0x8201, Long(static_cast<uint32_t>(data.size())) + data);
}

PictWriter& PictWriter::fallbackNotice(const std::string& opcodes) {
    op(0x0007, Word(0x00AE) + Word(static_cast<int>(opcodes.size())));
    out_ += opcodes;
    return *this;
}

std::string QuickTimeData(const QuickTimeRecord& rec) {
    auto fixed = [](double v) {
        return Long(static_cast<uint32_t>(static_cast<int32_t>(std::lround(v * 65536))));
    };
    std::string d = Word(0);
    d += fixed(rec.scaleX) + fixed(0) + Long(0);
    d += fixed(0) + fixed(rec.scaleY) + Long(0);
    d += fixed(rec.moveX) + fixed(rec.moveY) + Long(0x40000000);
    d += Long(0) + RectData({0, 0, 0, 0}); // no matte
    if (rec.compressed) {
        const PictRect src = rec.src.width() ? rec.src : PictRect{0, 0, rec.height, rec.width};
        d += Word(rec.mode) + RectData(src) + Long(0) +
             Long(static_cast<uint32_t>(rec.maskRegion.size())) + rec.maskRegion;
    }
    std::string desc =
        rec.codec.substr(0, 4) + Long(0) + Word(0) + Word(0) + Word(0) + Word(0) + "appl" +
        Long(0) + Long(0x200) + Word(rec.width) + Word(rec.height) + Long(0x00480000) +
        Long(0x00480000) +
        Long(static_cast<uint32_t>(rec.dataSizeField < 0 ? rec.data.size() : rec.dataSizeField)) +
        Word(1);
    std::string name(32, '\0');
    name[0] = 4;
    name.replace(1, 4, "test");
    desc += name + Word(rec.depth) + Word(rec.clutId) + rec.descriptionExtra;
    d += Long(static_cast<uint32_t>(desc.size() + 4)) + desc + rec.data;
    return d;
}

std::string PictWriter::finish(bool endPicture) {
    if (endPicture)
        op(version_ == V1 ? 0xFF : 0x00FF);
    return out_;
}

std::string MakePict(int width, int height, const std::function<Rgb(int, int)>& pixel) {
    RasterRecord r;
    r.opcode = 0x9A;
    r.pixelSize = 32;
    r.packType = 4;
    r.rowBytes = width * 4;
    r.bounds = {0, 0, height, width};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            Rgb c = pixel(x, y);
            r.pixels.push_back(static_cast<uint32_t>(c.r) << 16 | c.g << 8 | c.b);
        }
    PictWriter w(PictWriter::ExtendedV2, {0, 0, height, width});
    w.clip({0, 0, height, width});
    return w.raster(r).finish();
}

std::string MakeSolidPict(int width, int height, Rgb colour) {
    return MakePict(width, height, [colour](int, int) { return colour; });
}

std::string ImageMagickConvert() {
    return FindProgram("convert", "");
}

} // namespace dravik::test
