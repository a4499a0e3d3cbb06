// The decoders of QuickTime's still-image codecs, each through the library
// made for it. A decoder either gives the whole image or says why not.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace dravik::pict {

struct DecodedImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb; // rows top first, R, G, B
    std::vector<uint8_t> icc; // the colour profile the data carried, if any
};

struct CodecInput {
    std::string codec; // four characters
    int width = 0, height = 0;
    int depth = 0; // 1-32, 33-40 for greys
    int clutId = -1;
    std::span<const uint8_t> description; // the whole image description
    std::span<const uint8_t> data;
    int64_t maxPixels = 0;
};

struct CodecOutcome {
    bool ok = false;
    DecodedImage image;
    std::string error;
    bool tooLarge = false; // the image exceeds maxPixels
};

// True when a decoder for the codec is built in.
bool CodecSupported(const std::string& codec);

CodecOutcome DecodeImage(const CodecInput& input);

// The decoders, one per library (codecs/*.cpp).
CodecOutcome DecodeJpeg(const CodecInput& input);
CodecOutcome DecodePng(const CodecInput& input);
CodecOutcome DecodeTiff(const CodecInput& input);
CodecOutcome DecodeRaw(const CodecInput& input);
CodecOutcome DecodeBmp(const CodecInput& input); // 'WRLE'
CodecOutcome DecodeGif(const CodecInput& input);
CodecOutcome DecodeTga(const CodecInput& input);
bool AvcodecDecodes(const std::string& codec);
CodecOutcome DecodeWithAvcodec(const CodecInput& input);

// The colours of a palette-based image of depth <= 8 (or a grey depth
// 33-40): the colour table after the description when clutId is 0, else the
// Macintosh standard table the ID names (-1: the depth's default).
std::vector<uint32_t> PaletteFor(const CodecInput& input); // 0xRRGGBB each

// Pixel helpers of the hand-written decoders.
// Pixel x of a row of `depth`-bit indices (1, 2, 4 or 8), high bits first.
inline unsigned PackedIndex(const uint8_t* row, size_t x, int depth) {
    const size_t bit = x * static_cast<size_t>(depth);
    return (row[bit / 8] >> (8 - depth - static_cast<int>(bit % 8))) & ((1u << depth) - 1);
}
// A 5-5-5 pixel (red in bits 10-14) as 0xRRGGBB, each channel's bits
// repeated so that 31 becomes 255.
inline uint32_t Rgb555(unsigned v) {
    auto five = [](unsigned f) { return (f << 3) | (f >> 2); };
    return five(v >> 10 & 31) << 16 | five(v >> 5 & 31) << 8 | five(v & 31);
}
inline void PutRgb(uint8_t* o, uint32_t c) {
    o[0] = static_cast<uint8_t>(c >> 16);
    o[1] = static_cast<uint8_t>(c >> 8);
    o[2] = static_cast<uint8_t>(c);
}

// A failed outcome.
CodecOutcome CodecError(std::string why);
CodecOutcome CodecTooLarge(int64_t width, int64_t height);

} // namespace dravik::pict
