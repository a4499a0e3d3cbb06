// 'tga ': a Truevision TGA file, uncompressed or run-length coded, with
// colour-mapped (8 or 16-bit indices), true-colour (15, 16, 24 or 32 bits)
// or grey (8 or 16 bits) pixels. The alpha is ignored, as QuickDraw did.
#include "pict/codecs/codecs.h"

#include <algorithm>

namespace dravik::pict {
namespace {

constexpr size_t kHeaderSize = 18;

enum class Kind { Mapped, True, Grey };

// One colour of `bits` bits in TGA's little-endian B, G, R order.
uint32_t ColourAt(const uint8_t* p, int bits) {
    if (bits == 15 || bits == 16)
        return Rgb555(p[0] | p[1] << 8);
    return static_cast<uint32_t>(p[2]) << 16 | p[1] << 8 | p[0];
}

} // namespace

CodecOutcome DecodeTga(const CodecInput& in) {
    const std::span<const uint8_t> d = in.data;
    if (d.size() < kHeaderSize)
        return CodecError("TGA: the data is shorter than a TGA header");
    const size_t idLength = d[0];
    const int mapType = d[1], type = d[2];
    const size_t mapFirst = d[3] | d[4] << 8, mapLength = d[5] | d[6] << 8;
    const int mapBits = d[7];
    const int width = d[12] | d[13] << 8, height = d[14] | d[15] << 8;
    const int bits = d[16], descriptor = d[17];
    const bool rle = type >= 9;
    const Kind kind = type % 8 == 1 ? Kind::Mapped : type % 8 == 2 ? Kind::True : Kind::Grey;
    if (type != 1 && type != 2 && type != 3 && type != 9 && type != 10 && type != 11)
        return CodecError("TGA: image type " + std::to_string(type));
    const bool bitsOk = kind == Kind::Mapped ? bits == 8 || bits == 16
                        : kind == Kind::True ? bits == 15 || bits == 16 || bits == 24 || bits == 32
                                             : bits == 8 || bits == 16;
    if (!bitsOk)
        return CodecError("TGA: " + std::to_string(bits) + "-bit pixels");
    if (width == 0 || height == 0)
        return CodecError("TGA: the image has no size");
    if (static_cast<int64_t>(width) * height > in.maxPixels)
        return CodecTooLarge(width, height);

    size_t at = kHeaderSize + idLength;
    std::vector<uint32_t> map;
    if (mapType == 1) {
        if (mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32)
            return CodecError("TGA: " + std::to_string(mapBits) + "-bit colour map entries");
        const size_t entry = static_cast<size_t>(mapBits + 7) / 8;
        if (at > d.size() || mapLength * entry > d.size() - at)
            return CodecError("TGA: the colour map runs past the data");
        for (size_t i = 0; i < mapLength; ++i)
            map.push_back(ColourAt(d.data() + at + i * entry, mapBits));
        at += mapLength * entry;
    }
    if (kind == Kind::Mapped && map.empty())
        return CodecError("TGA: a colour-mapped image without its map");

    const size_t bpp = static_cast<size_t>(bits + 7) / 8;
    auto colour = [&](const uint8_t* p) -> uint32_t {
        if (kind == Kind::True)
            return ColourAt(p, bits);
        if (kind == Kind::Grey) // a 16-bit grey pixel is grey, then alpha
            return uint32_t{p[0]} * 0x010101u;
        const size_t index = bpp == 1 ? p[0] : static_cast<size_t>(p[0] | p[1] << 8);
        return index >= mapFirst && index - mapFirst < map.size() ? map[index - mapFirst] : 0;
    };

    const size_t w = static_cast<size_t>(width), h = static_cast<size_t>(height);
    const bool topFirst = (descriptor & 0x20) != 0, rightFirst = (descriptor & 0x10) != 0;
    CodecOutcome out;
    out.image.width = width;
    out.image.height = height;
    out.image.rgb.resize(w * h * 3);
    // The pixels in file order, placed by the descriptor's corner.
    size_t n = 0;
    auto place = [&](uint32_t c) {
        const size_t fy = n / w, fx = n % w;
        const size_t y = topFirst ? fy : h - 1 - fy, x = rightFirst ? w - 1 - fx : fx;
        PutRgb(out.image.rgb.data() + (y * w + x) * 3, c);
        ++n;
    };
    const size_t total = w * h;
    if (!rle) {
        if (at > d.size() || (d.size() - at) / bpp < total)
            return CodecError("TGA: the data holds fewer pixels than the image");
        for (size_t i = 0; i < total; ++i)
            place(colour(d.data() + at + i * bpp));
    } else {
        // Packets may run on from one row into the next.
        while (n < total) {
            if (at >= d.size())
                return CodecError("TGA: the data holds fewer pixels than the image");
            const uint8_t head = d[at++];
            const size_t count = std::min<size_t>((head & 0x7F) + 1u, total - n);
            const bool run = (head & 0x80) != 0;
            const size_t need = run ? bpp : count * bpp;
            if (d.size() - at < need)
                return CodecError("TGA: the data holds fewer pixels than the image");
            for (size_t k = 0; k < count; ++k)
                place(colour(d.data() + at + (run ? 0 : k * bpp)));
            at += need;
        }
    }
    out.ok = true;
    return out;
}

} // namespace dravik::pict
