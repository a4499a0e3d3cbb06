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

// A failed outcome.
CodecOutcome CodecError(std::string why);
CodecOutcome CodecTooLarge(int64_t width, int64_t height);

} // namespace dravik::pict
