// 'tiff' through libtiff, reading from the picture's bytes in memory.
#include "pict/codecs/codecs.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

namespace dravik::pict {
namespace {

struct Memory {
    std::span<const uint8_t> data;
    toff_t pos = 0;
};

tsize_t Read(thandle_t h, tdata_t buffer, tsize_t size) {
    auto* m = static_cast<Memory*>(h);
    if (size <= 0 || m->pos >= m->data.size())
        return 0;
    const size_t n = std::min<size_t>(static_cast<size_t>(size), m->data.size() - m->pos);
    std::memcpy(buffer, m->data.data() + m->pos, n);
    m->pos += n;
    return static_cast<tsize_t>(n);
}
tsize_t Write(thandle_t, tdata_t, tsize_t) {
    return 0;
}
toff_t Seek(thandle_t h, toff_t offset, int whence) {
    auto* m = static_cast<Memory*>(h);
    const toff_t base = whence == SEEK_CUR ? m->pos : whence == SEEK_END ? m->data.size() : 0;
    if (offset > UINT64_MAX - base)
        return static_cast<toff_t>(-1);
    m->pos = base + offset;
    return m->pos;
}
int Close(thandle_t) {
    return 0;
}
toff_t Size(thandle_t h) {
    return static_cast<Memory*>(h)->data.size();
}

struct TiffClose {
    void operator()(TIFF* t) const { TIFFClose(t); }
};

} // namespace

CodecOutcome DecodeTiff(const CodecInput& input) {
    static std::once_flag quiet;
    // libtiff's messages would go to stderr; the failure's reason is enough.
    std::call_once(quiet, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
    Memory memory{input.data, 0};
    std::unique_ptr<TIFF, TiffClose> tiff(
        TIFFClientOpen("payload", "rm", &memory, Read, Write, Seek, Close, Size, nullptr, nullptr));
    if (!tiff)
        return CodecError("TIFF: the data is no TIFF");
    uint32_t w = 0, h = 0;
    TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &h);
    if (w == 0 || h == 0)
        return CodecError("TIFF: the image has no size");
    if (static_cast<int64_t>(w) * h > input.maxPixels)
        return CodecTooLarge(w, h);
    std::vector<uint32_t> rgba(static_cast<size_t>(w) * h);
    if (!TIFFReadRGBAImageOriented(tiff.get(), w, h, rgba.data(), ORIENTATION_TOPLEFT, 0))
        return CodecError("TIFF: the image cannot be decoded");
    CodecOutcome out;
    uint32_t iccSize = 0;
    const uint8_t* icc = nullptr;
    if (TIFFGetField(tiff.get(), TIFFTAG_ICCPROFILE, &iccSize, &icc) && icc != nullptr)
        out.image.icc.assign(icc, icc + iccSize);
    out.image.width = static_cast<int>(w);
    out.image.height = static_cast<int>(h);
    out.image.rgb.resize(rgba.size() * 3);
    for (size_t i = 0; i < rgba.size(); ++i) {
        // libtiff hands over premultiplied colour: adding the uncovered
        // part of white composes it over the canvas.
        const uint32_t p = rgba[i];
        const unsigned white = 255 - TIFFGetA(p);
        const unsigned c[3] = {TIFFGetR(p), TIFFGetG(p), TIFFGetB(p)};
        for (int k = 0; k < 3; ++k)
            out.image.rgb[3 * i + static_cast<size_t>(k)] =
                static_cast<uint8_t>(std::min(255u, c[k] + white));
    }
    out.ok = true;
    return out;
}

} // namespace dravik::pict
