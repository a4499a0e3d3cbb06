#include "pict/codecs/codecs.h"

#include "pict/byte_reader.h"
#include "pict/mac_palettes.h"

namespace dravik::pict {

CodecOutcome CodecError(std::string why) {
    CodecOutcome out;
    out.error = std::move(why);
    return out;
}

CodecOutcome CodecTooLarge(int64_t width, int64_t height) {
    CodecOutcome out = CodecError("an image of " + std::to_string(width) + " x " +
                                  std::to_string(height) + " pixels is beyond the limits");
    out.tooLarge = true;
    return out;
}

namespace {

struct OwnDecoder {
    const char* codec;
    CodecOutcome (*decode)(const CodecInput&);
};

// The codecs read by a library of their own or by hand; libavcodec reads
// the rest.
constexpr OwnDecoder kOwnDecoders[] = {
    {"jpeg", DecodeJpeg}, {"png ", DecodePng}, {"tiff", DecodeTiff}, {"raw ", DecodeRaw},
    {"WRLE", DecodeBmp},  {"gif ", DecodeGif}, {"tga ", DecodeTga},
};

const OwnDecoder* OwnDecoderFor(const std::string& codec) {
    for (const OwnDecoder& d : kOwnDecoders)
        if (codec == d.codec)
            return &d;
    return nullptr;
}

} // namespace

bool CodecSupported(const std::string& codec) {
    return OwnDecoderFor(codec) != nullptr || AvcodecDecodes(codec);
}

CodecOutcome DecodeImage(const CodecInput& input) {
    CodecOutcome out;
    // The description's size holds for the decoders that take it on trust;
    // the others check the size their own data gives.
    if (static_cast<int64_t>(input.width) * input.height > input.maxPixels)
        return CodecTooLarge(input.width, input.height);
    if (const OwnDecoder* own = OwnDecoderFor(input.codec))
        out = own->decode(input);
    else if (AvcodecDecodes(input.codec))
        out = DecodeWithAvcodec(input);
    else
        return CodecError("no decoder for codec '" + input.codec + "'");
    if (out.ok && (out.image.width <= 0 || out.image.height <= 0 ||
                   out.image.rgb.size() != static_cast<size_t>(out.image.width) *
                                               static_cast<size_t>(out.image.height) * 3))
        return CodecError("the '" + input.codec + "' decoder gave no image");
    return out;
}

std::vector<uint32_t> PaletteFor(const CodecInput& input) {
    const int depth = input.depth > 32 ? input.depth - 32 : input.depth;
    if (depth < 1 || depth > 8)
        return {};
    std::vector<uint32_t> palette;
    if (input.clutId == 0 && input.description.size() > 86) {
        // A colour table follows the description's fixed part.
        ByteReader r(input.description, 86);
        r.u32(); // seed
        r.u16(); // flags
        const int count = static_cast<int16_t>(r.u16()) + 1;
        palette.assign(size_t{1} << depth, 0);
        for (int i = 0; i < count && !r.failed(); ++i) {
            const uint16_t index = r.u16();
            const uint32_t red = r.u16() >> 8, green = r.u16() >> 8, blue = r.u16() >> 8;
            if (!r.failed() && index < palette.size())
                palette[index] = red << 16 | green << 8 | blue;
        }
        if (!r.failed())
            return palette;
    }
    const bool grey = input.depth > 32;
    palette = MacStandardPalette(grey ? input.depth : depth);
    if (palette.empty())
        palette = MacStandardPalette(grey ? depth + 32 : depth);
    if (input.clutId > 0 && input.clutId != (grey ? input.depth : depth)) {
        auto named = MacStandardPalette(input.clutId);
        if (named.size() == palette.size())
            palette = std::move(named);
    }
    return palette;
}

} // namespace dravik::pict
