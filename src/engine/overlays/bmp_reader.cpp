#include "engine/overlays/bmp_reader.h"

#include <bit>
#include <cstdlib>
#include <vector>

namespace dravik {
namespace {

constexpr unsigned kRgb = 0, kBitFields = 3, kAlphaBitFields = 6;
constexpr uint32_t kFileHeaderSize = 14;

uint32_t Le32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// A mask is one run of set bits (or none).
bool IsRun(uint32_t mask) {
    if (mask == 0)
        return true;
    const uint32_t shifted = mask >> std::countr_zero(mask);
    return (shifted & (shifted + 1)) == 0;
}

// One channel of a masked pixel scaled to 0..255.
struct Channel {
    explicit Channel(uint32_t mask)
        : shift(mask == 0 ? 0 : std::countr_zero(mask)), mask_(mask),
          max(mask == 0 ? 0 : (mask >> shift)) {}
    unsigned operator()(uint32_t pixel) const {
        if (max == 0)
            return 0;
        const uint64_t v = (pixel & mask_) >> shift;
        return static_cast<unsigned>((v * 255 + max / 2) / max);
    }
    int shift;
    uint32_t mask_;
    uint64_t max;
};

bool SeekRow(FILE* file, const BmpHeader& h, int64_t y) {
    const int64_t stored = h.topDown ? y : h.height - 1 - y;
    return std::fseek(file, static_cast<long>(h.pixelOffset + stored * h.rowBytes), SEEK_SET) == 0;
}

// Whether any pixel has a non-zero alpha value.
bool AlphaUsed(FILE* file, const BmpHeader& h, std::vector<uint8_t>& stored) {
    const Channel alpha(h.masks[3]);
    const unsigned bytes = h.bitsPerPixel / 8;
    for (int64_t y = 0; y < h.height; ++y) {
        if (!SeekRow(file, h, y) ||
            std::fread(stored.data(), 1, stored.size(), file) != stored.size())
            return false;
        for (int64_t x = 0; x < h.width; ++x) {
            const uint8_t* p = stored.data() + x * bytes;
            const uint32_t pixel = bytes == 4 ? Le32(p) : Le16(p);
            if (alpha(pixel) != 0)
                return true;
        }
    }
    return false;
}

} // namespace

std::optional<BmpHeader> ReadBmpHeader(FILE* file, int64_t fileSize, int64_t maxPixels) {
    uint8_t h[kFileHeaderSize + 124 + 16] = {};
    if (std::fread(h, 1, 26, file) != 26 || h[0] != 'B' || h[1] != 'M')
        return std::nullopt;
    BmpHeader out;
    out.pixelOffset = Le32(h + 10);
    const uint32_t dibSize = Le32(h + 14);
    int64_t height = 0;
    if (dibSize == 12) {
        out.width = Le16(h + 18);
        height = Le16(h + 20);
        out.bitsPerPixel = Le16(h + 24);
    } else if (dibSize == 40 || dibSize == 52 || dibSize == 56 || dibSize == 64 || dibSize == 108 ||
               dibSize == 124) {
        // The information header, and the masks that may follow a plain
        // one (three, or four for alpha bit fields).
        const size_t need = dibSize - 12;
        if (std::fread(h + 26, 1, need + 16, file) < need)
            return std::nullopt;
        out.width = static_cast<int32_t>(Le32(h + 18));
        height = static_cast<int32_t>(Le32(h + 22));
        out.bitsPerPixel = Le16(h + 28);
        out.compression = Le32(h + 30);
    } else {
        return std::nullopt;
    }
    out.topDown = height < 0;
    out.height = std::llabs(height);
    if (out.width <= 0 || out.height == 0 || out.width * out.height > maxPixels)
        return std::nullopt;
    const unsigned bpp = out.bitsPerPixel;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return std::nullopt;
    out.rowBytes = (out.width * bpp + 31) / 32 * 4;
    // OS/2 headers use the codes 3 and 4 for compressions of their own.
    const bool os2 = dibSize == 64;
    const bool masked =
        !os2 && (out.compression == kBitFields || out.compression == kAlphaBitFields);
    if (out.compression == kRgb || masked) {
        if (out.pixelOffset < kFileHeaderSize + dibSize ||
            static_cast<int64_t>(out.pixelOffset) + out.rowBytes * out.height > fileSize)
            return std::nullopt;
    }
    if (masked && bpp != 16 && bpp != 32)
        return std::nullopt;

    if (masked) {
        // Inside a V2 or later header, or just after a plain one.
        const uint8_t* m = h + kFileHeaderSize + 40;
        out.masks[0] = Le32(m);
        out.masks[1] = Le32(m + 4);
        out.masks[2] = Le32(m + 8);
        if (dibSize >= 56 || out.compression == kAlphaBitFields)
            out.masks[3] = Le32(m + 12);
        const uint32_t maskBytes = out.compression == kAlphaBitFields ? 16 : 12;
        if (dibSize == 40 && out.pixelOffset < kFileHeaderSize + dibSize + maskBytes)
            return std::nullopt; // no room for the masks
    } else if (out.compression == kRgb && bpp == 16) {
        out.masks[0] = 0x7C00, out.masks[1] = 0x03E0, out.masks[2] = 0x001F;
    } else if (out.compression == kRgb && bpp == 32) {
        // The fourth byte is "reserved"; files with alpha use it all the same.
        out.masks[0] = 0x00FF0000, out.masks[1] = 0x0000FF00, out.masks[2] = 0x000000FF;
        out.masks[3] = 0xFF000000;
    }
    for (uint32_t mask : out.masks) {
        if (!IsRun(mask))
            return std::nullopt;
    }
    if (bpp == 16) {
        for (uint32_t& mask : out.masks)
            mask &= 0xFFFF;
    }
    out.decodedHere = (out.compression == kRgb && bpp >= 16) || masked;
    return out;
}

bool ReadBmpRows(FILE* file, const BmpHeader& h, int64_t first, int64_t end,
                 const std::function<void(int64_t y, const uint8_t* rgba)>& row) {
    if (!h.decodedHere || first < 0 || end > h.height || first > end)
        return false;
    std::vector<uint8_t> stored(static_cast<size_t>(h.rowBytes));
    std::vector<uint8_t> rgba(static_cast<size_t>(h.width) * 4);
    const bool alpha = h.masks[3] != 0 && AlphaUsed(file, h, stored);
    const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]), opacity(h.masks[3]);
    const unsigned bytes = h.bitsPerPixel / 8;
    for (int64_t y = first; y < end; ++y) {
        if (!SeekRow(file, h, y) ||
            std::fread(stored.data(), 1, stored.size(), file) != stored.size())
            return false;
        uint8_t* out = rgba.data();
        const uint8_t* p = stored.data();
        for (int64_t x = 0; x < h.width; ++x, p += bytes, out += 4) {
            if (bytes == 3) {
                out[0] = p[2], out[1] = p[1], out[2] = p[0], out[3] = 255;
                continue;
            }
            const uint32_t pixel = bytes == 4 ? Le32(p) : Le16(p);
            out[0] = static_cast<uint8_t>(red(pixel));
            out[1] = static_cast<uint8_t>(green(pixel));
            out[2] = static_cast<uint8_t>(blue(pixel));
            out[3] = alpha ? static_cast<uint8_t>(opacity(pixel)) : 255;
        }
        row(y, rgba.data());
    }
    return true;
}

} // namespace dravik
