// 'raw ': uncompressed rows at 1, 2, 4 or 8 bits through a palette (or a
// grey ramp), 16 bits 5-5-5, 24 bits RGB or 32 bits ARGB (alpha ignored,
// as QuickDraw did).
#include "pict/codecs/codecs.h"

#include <algorithm>

namespace dravik::pict {

CodecOutcome DecodeRaw(const CodecInput& in) {
    const int depth = in.depth > 32 ? in.depth - 32 : in.depth;
    if (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16 && depth != 24 &&
        depth != 32)
        return CodecError("raw: " + std::to_string(in.depth) + "-bit pixels");
    const size_t w = static_cast<size_t>(in.width), h = static_cast<size_t>(in.height);
    const size_t least = (w * static_cast<size_t>(depth) + 7) / 8;
    // Writers pad the rows differently; the data's size tells by how much.
    const size_t rowBytes = std::max(least, in.data.size() / h);
    if (in.data.size() < rowBytes * (h - 1) + least)
        return CodecError("raw: the data holds fewer rows than the image");
    const std::vector<uint32_t> palette = depth <= 8 ? PaletteFor(in) : std::vector<uint32_t>();
    if (depth <= 8 && palette.size() < (size_t{1} << depth))
        return CodecError("raw: no colour table for the pixels");
    CodecOutcome out;
    out.image.width = in.width;
    out.image.height = in.height;
    out.image.rgb.resize(w * h * 3);
    uint8_t* o = out.image.rgb.data();
    for (size_t y = 0; y < h; ++y) {
        const uint8_t* row = in.data.data() + y * rowBytes;
        for (size_t x = 0; x < w; ++x, o += 3) {
            uint32_t c = 0;
            switch (depth) {
            case 16: {
                c = Rgb555(row[2 * x] << 8 | row[2 * x + 1]);
                break;
            }
            case 24:
                c = static_cast<uint32_t>(row[3 * x]) << 16 | row[3 * x + 1] << 8 | row[3 * x + 2];
                break;
            case 32:
                c = static_cast<uint32_t>(row[4 * x + 1]) << 16 | row[4 * x + 2] << 8 |
                    row[4 * x + 3];
                break;
            default:
                c = palette[PackedIndex(row, x, depth)];
            }
            PutRgb(o, c);
        }
    }
    out.ok = true;
    return out;
}

} // namespace dravik::pict
