#include "engine/depth.h"

#include "engine/format_tables.h"

#include <initializer_list>
#include <vector>

namespace dravik {
namespace {

bool oneOf(std::string_view value, std::initializer_list<std::string_view> candidates) {
    for (std::string_view candidate : candidates)
        if (value == candidate)
            return true;
    return false;
}

Bitmap to16Bits(Bitmap in, std::string_view extension) {
    // FreeImage packs 16 bits only from ordinary bitmaps, not from 48-bit or
    // floating-point ones.
    if (in.bpp() > 32)
        in = Converted(std::move(in), FreeImage_ConvertTo24Bits);
    // Icons and Targa files store 16-bit pixels as 5-5-5.
    if (oneOf(extension, {"ico", "tga"}))
        return Converted(std::move(in), FreeImage_ConvertTo16Bits555);
    return Converted(std::move(in), FreeImage_ConvertTo16Bits565);
}

Bitmap to8Bits(Bitmap in, std::string_view extension) {
    // These writers take 8 bits only as greyscale; the others get a palette
    // that keeps the colours.
    if (oneOf(extension, {"j2k", "jp2", "jpg", "jxr"}))
        return Converted(std::move(in), FreeImage_ConvertTo8Bits);
    if (in.bpp() != 24)
        in = Converted(std::move(in), FreeImage_ConvertTo24Bits);
    return Converted(std::move(in), [](FIBITMAP* dib) {
        return FreeImage_ColorQuantizeEx(dib, FIQ_WUQUANT, 256, 0, nullptr);
    });
}

} // namespace

int32_t ChooseAutoBitDepth(std::string_view extension, int32_t inputDepth) {
    const OutputFormat* format = FindOutputFormat(extension);
    if (format == nullptr)
        return 0;
    const std::vector<int> depths = AllowedDepths(*format);
    if (depths.empty())
        return 0;
    for (int depth : depths)
        if (depth >= inputDepth)
            return depth;
    return depths.back();
}

Bitmap ReduceBitDepth(Bitmap in, AppState& state) {
    if (state.autoBitDepth != 0)
        state.outputBitDepth = ChooseAutoBitDepth(state.outputExtension, state.inputBitDepth);
    if (!in || static_cast<int32_t>(in.bpp()) == state.outputBitDepth)
        return in;

    switch (state.outputBitDepth) {
    case 96:
        return Converted(std::move(in), FreeImage_ConvertToRGBF);
    case 48:
        return Converted(std::move(in), FreeImage_ConvertToRGB16);
    case 32:
        return Converted(std::move(in), FreeImage_ConvertTo32Bits);
    case 24:
        return Converted(std::move(in), FreeImage_ConvertTo24Bits);
    case 16:
        return to16Bits(std::move(in), state.outputExtension);
    case 8:
        return to8Bits(std::move(in), state.outputExtension);
    case 4:
        return Converted(std::move(in), FreeImage_ConvertTo4Bits);
    case 1:
        return Converted(std::move(in),
                         [](FIBITMAP* dib) { return FreeImage_Dither(dib, FID_FS); });
    default:
        // No format is written with any other depth; the save must fail.
        return {};
    }
}

} // namespace dravik
