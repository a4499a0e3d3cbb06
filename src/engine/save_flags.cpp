#include "engine/save_flags.h"

#include "engine/format_tables.h"
#include "settings/settings_schema.h"

#include <FreeImage.h>

#include <string>

namespace dravik {
namespace {

template <size_t N>
int32_t Pick(const int32_t (&flags)[N], int32_t index) {
    return index >= 0 && static_cast<size_t>(index) < N ? flags[index] : 0;
}

} // namespace

int32_t SaveFlagsFor(std::string_view ext, const Settings& s) {
    const Settings::Output& o = s.output;
    if (ext == "bmp") {
        static const int32_t kFlags[] = {BMP_DEFAULT, BMP_SAVE_RLE};
        return Pick(kFlags, o.bmpCompression);
    }
    if (ext == "exr") {
        static const int32_t kFlags[] = {EXR_NONE, EXR_ZIP, EXR_PIZ, EXR_PXR24, EXR_B44};
        return Pick(kFlags, o.exrCompression);
    }
    if (ext == "jpg") {
        static const int32_t kChroma[] = {JPEG_SUBSAMPLING_444, JPEG_SUBSAMPLING_422,
                                          JPEG_SUBSAMPLING_420, JPEG_SUBSAMPLING_411};
        static const int32_t kMode[] = {0, JPEG_BASELINE, JPEG_OPTIMIZE, JPEG_PROGRESSIVE};
        return o.jpgQuality | Pick(kChroma, o.jpgChroma) | Pick(kMode, o.jpgSaveAs);
    }
    if (ext == "jxr")
        return JXR_LOSSLESS;
    if (ext == "png") {
        static const int32_t kFlags[] = {PNG_Z_NO_COMPRESSION, PNG_Z_BEST_SPEED,
                                         PNG_Z_DEFAULT_COMPRESSION, PNG_Z_BEST_COMPRESSION};
        return Pick(kFlags, o.pngCompression) | (o.pngInterlaced != 0 ? PNG_INTERLACED : 0);
    }
    if (ext == "tga") {
        static const int32_t kFlags[] = {TARGA_DEFAULT, TARGA_SAVE_RLE};
        return Pick(kFlags, o.tgaCompression);
    }
    if (ext == "tiff") {
        static const int32_t kFlags[] = {TIFF_NONE,    TIFF_CCITTFAX3, TIFF_CCITTFAX4,
                                         TIFF_PACKBITS, TIFF_DEFLATE, TIFF_ADOBE_DEFLATE,
                                         TIFF_LZW,     TIFF_JPEG,      TIFF_LOGLUV};
        return Pick(kFlags, o.tiffCompression) | (o.tiffColorMode == 1 ? TIFF_CMYK : 0);
    }
    if (ext == "webp")
        return o.webpQuality == 100 ? WEBP_LOSSLESS : o.webpQuality;
    return 0;
}

bool PrepareOutputFormat(std::string_view extension, const Settings& settings, AppState& state) {
    const OutputFormat* format = FindOutputFormat(extension);
    if (format == nullptr)
        return false;
    std::string key;
    for (char c : extension)
        key += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    key += " BPP";
    const SettingField* depth = FindSetting("Output", key);
    state.outputFif = format->fif;
    state.outputExtension = std::string(extension);
    state.outputBitDepth = depth != nullptr ? static_cast<int32_t>(FieldInt(*depth, settings)) : 0;
    state.autoBitDepth = state.outputBitDepth == 0 ? 1 : 0;
    state.saveFlags = SaveFlagsFor(extension, settings);
    return true;
}

} // namespace dravik
