// 'WRLE' (QuickTime's "BMP" codec): the pixel array of a Windows bitmap
// without its headers, the image description standing in for them. Rows run
// bottom-up, each padded to four bytes, colours in B, G, R order; 4- and
// 8-bit images may instead hold the bitmap's run-length coding, told apart
// by their size.
#include "pict/codecs/codecs.h"

#include <algorithm>

namespace dravik::pict {
namespace {

// BMP's RLE8 and RLE4 into pixel indices, rows bottom-up as in the file.
// Pixels the coding never reaches keep index 0; pixels it places outside
// the image are dropped. Every step reads at least two bytes, so any data
// ends the loop.
std::vector<uint8_t> UnpackRle(std::span<const uint8_t> data, int depth, size_t w, size_t h) {
    std::vector<uint8_t> index(w * h, 0);
    size_t x = 0, y = 0, i = 0;
    auto put = [&](unsigned value) {
        if (x < w && y < h)
            index[y * w + x] = static_cast<uint8_t>(value);
        ++x;
    };
    auto nibble = [](uint8_t byte, size_t k) { return k % 2 == 0 ? byte >> 4 : byte & 15; };
    while (i + 1 < data.size() && y < h) {
        const size_t count = data[i];
        const uint8_t value = data[i + 1];
        i += 2;
        if (count > 0) {
            for (size_t k = 0; k < count; ++k)
                put(depth == 8 ? value : nibble(value, k));
            continue;
        }
        if (value == 0) { // end of row
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // move by (dx, dy)
            if (i + 1 >= data.size())
                break;
            x += data[i];
            y += data[i + 1];
            i += 2;
        } else { // `value` pixels as they are, padded to a 16-bit boundary
            const size_t bytes = depth == 8 ? value : (value + 1) / 2;
            for (size_t k = 0; k < value && i + (depth == 8 ? k : k / 2) < data.size(); ++k)
                put(depth == 8 ? data[i + k] : nibble(data[i + k / 2], k));
            i += bytes + bytes % 2;
        }
    }
    return index;
}

} // namespace

CodecOutcome DecodeBmp(const CodecInput& in) {
    const int depth = in.depth > 32 ? in.depth - 32 : in.depth;
    if (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16 && depth != 24 &&
        depth != 32)
        return CodecError("WRLE: " + std::to_string(in.depth) + "-bit pixels");
    const size_t w = static_cast<size_t>(in.width), h = static_cast<size_t>(in.height);
    const size_t rowBytes = (w * static_cast<size_t>(depth) + 31) / 32 * 4;
    // Run-length data need not be shorter than plain rows: at 4 and 8 bits
    // only data of exactly the plain size is taken as plain.
    const bool packed =
        (depth == 4 || depth == 8) ? in.data.size() != rowBytes * h : in.data.size() < rowBytes * h;
    if (packed && depth != 4 && depth != 8)
        return CodecError("WRLE: the data holds fewer rows than the image");
    const std::vector<uint32_t> palette = depth <= 8 ? PaletteFor(in) : std::vector<uint32_t>();
    if (depth <= 8 && palette.size() < (size_t{1} << depth))
        return CodecError("WRLE: no colour table for the pixels");
    const std::vector<uint8_t> unpacked =
        packed ? UnpackRle(in.data, depth, w, h) : std::vector<uint8_t>();

    CodecOutcome out;
    out.image.width = in.width;
    out.image.height = in.height;
    out.image.rgb.resize(w * h * 3);
    for (size_t y = 0; y < h; ++y) {
        const size_t fileRow = h - 1 - y; // the file's first row is the bottom one
        const uint8_t* row =
            packed ? unpacked.data() + fileRow * w : in.data.data() + fileRow * rowBytes;
        uint8_t* o = out.image.rgb.data() + y * w * 3;
        for (size_t x = 0; x < w; ++x, o += 3) {
            uint32_t c = 0;
            if (packed) {
                c = palette[row[x] & ((1u << depth) - 1)];
            } else if (depth <= 8) {
                c = palette[PackedIndex(row, x, depth)];
            } else if (depth == 16) {
                c = Rgb555(row[2 * x] | row[2 * x + 1] << 8);
            } else {
                const uint8_t* p = row + x * static_cast<size_t>(depth / 8);
                c = static_cast<uint32_t>(p[2]) << 16 | p[1] << 8 | p[0];
            }
            PutRgb(o, c);
        }
    }
    out.ok = true;
    return out;
}

} // namespace dravik::pict
