#include "engine/raw_bitmap.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>

namespace dravik {
namespace {

constexpr char kMagic[8] = {'D', 'R', 'V', 'K', 'R', 'A', 'W', '1'};
// Larger pictures than this are refused rather than read into memory.
constexpr uint64_t kMaxPixels = uint64_t{1} << 28;

struct Header {
    char magic[8];
    uint32_t width;
    uint32_t height;
    uint32_t bpp;
    uint32_t pitch;
    uint32_t colors;
    uint32_t redMask;
    uint32_t greenMask;
    uint32_t blueMask;
};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

uint32_t ExpectedPitch(uint32_t width, uint32_t bpp) {
    return static_cast<uint32_t>(((uint64_t{width} * bpp + 31) / 32) * 4);
}

} // namespace

bool WriteRawBitmap(FIBITMAP* dib, const std::string& path) {
    if (dib == nullptr || FreeImage_GetImageType(dib) != FIT_BITMAP)
        return false;
    Header h{};
    std::memcpy(h.magic, kMagic, sizeof kMagic);
    h.width = FreeImage_GetWidth(dib);
    h.height = FreeImage_GetHeight(dib);
    h.bpp = FreeImage_GetBPP(dib);
    h.pitch = FreeImage_GetPitch(dib);
    h.colors = FreeImage_GetColorsUsed(dib);
    h.redMask = FreeImage_GetRedMask(dib);
    h.greenMask = FreeImage_GetGreenMask(dib);
    h.blueMask = FreeImage_GetBlueMask(dib);
    File f(std::fopen(path.c_str(), "wb"));
    if (!f)
        return false;
    bool ok = std::fwrite(&h, sizeof h, 1, f.get()) == 1;
    if (ok && h.colors > 0)
        ok = std::fwrite(FreeImage_GetPalette(dib), sizeof(RGBQUAD), h.colors, f.get()) == h.colors;
    const BYTE* bits = FreeImage_GetBits(dib);
    if (ok && h.height > 0)
        ok = std::fwrite(bits, h.pitch, h.height, f.get()) == h.height;
    return ok && std::fflush(f.get()) == 0;
}

Bitmap ReadRawBitmap(const std::string& path) {
    File f(std::fopen(path.c_str(), "rb"));
    if (!f)
        return {};
    Header h{};
    if (std::fread(&h, sizeof h, 1, f.get()) != 1 ||
        std::memcmp(h.magic, kMagic, sizeof kMagic) != 0)
        return {};
    bool depthOk =
        h.bpp == 1 || h.bpp == 4 || h.bpp == 8 || h.bpp == 16 || h.bpp == 24 || h.bpp == 32;
    uint32_t paletteSize = h.bpp <= 8 ? (1u << h.bpp) : 0;
    if (!depthOk || h.width == 0 || h.height == 0 || uint64_t{h.width} * h.height > kMaxPixels ||
        h.pitch != ExpectedPitch(h.width, h.bpp) || h.colors != paletteSize)
        return {};
    // The header alone can promise a gigabyte of pixels; memory is set aside
    // only for what the file really holds.
    struct stat st {};
    const uint64_t needed =
        sizeof h + uint64_t{h.colors} * sizeof(RGBQUAD) + uint64_t{h.pitch} * h.height;
    if (::fstat(::fileno(f.get()), &st) != 0 || static_cast<uint64_t>(st.st_size) < needed)
        return {};
    Bitmap out(FreeImage_Allocate(static_cast<int>(h.width), static_cast<int>(h.height),
                                  static_cast<int>(h.bpp), h.redMask, h.greenMask, h.blueMask));
    if (!out || FreeImage_GetPitch(out.get()) != h.pitch)
        return {};
    if (h.colors > 0 &&
        std::fread(FreeImage_GetPalette(out.get()), sizeof(RGBQUAD), h.colors, f.get()) != h.colors)
        return {};
    if (std::fread(FreeImage_GetBits(out.get()), h.pitch, h.height, f.get()) != h.height)
        return {};
    return out;
}

} // namespace dravik
