#include "settings/settings_schema.h"

#include "settings/ini_file.h"
#include "settings/number_text.h"
#include "settings/product.h"

#include <array>
#include <cstdio>

namespace dravik {
namespace {

using K = FieldKind;
using R = DefaultRule;

#define FIELD(group, member) [](Settings& s) -> FieldRef { return &s.group.member; }

constexpr const char* kColorList = "000000,FFFFFF,FF0000,FF8000,FFFF00,008000,00FFFF,0000FF,8000FF";

// clang-format off
const SettingField kSchema[] = {
    // group, key, kind, field, default, format, token set, trim, rule, load default
    {"General", "CFG", K::Int32, FIELD(general, cfg), "19", nullptr, -1, false, R::Fixed, "0"},
    {"General", "Language", K::String, FIELD(general, language), "en"},
    {"General", "Update Range", K::Int32Enum, FIELD(general, updateRange), "2"},
    {"General", "Update Date", K::Timestamp, FIELD(general, updateDate), "0", nullptr, -1, false, R::Now},
    {"General", "Save Window Position", K::Flag, FIELD(general, saveWindowPosition), "1"},

    {"Window", "IsMaximized", K::Flag, FIELD(window, isMaximized), "0"},
    {"Window", "X", K::Int32, FIELD(window, x), "100", nullptr, -1, false, R::CentredX, "100"},
    {"Window", "Y", K::Int32, FIELD(window, y), "100", nullptr, -1, false, R::CentredY, "100"},
    {"Window", "Width", K::Int32, FIELD(window, width), "510"},
    {"Window", "Height", K::Int32, FIELD(window, height), "330"},

    {"Interface", "UI Theme", K::String, FIELD(interface, uiTheme), "handdrawn"},
    {"Interface", "UI Size", K::Int32Enum, FIELD(interface, uiSize), "2"},

    {"Input", "Format", K::String, FIELD(input, format), "pic"},
    {"Input", "DDS Load As", K::Int32Enum, FIELD(input, ddsLoadAs), "0", "dds", 0},
    {"Input", "GIF Frame Loading", K::Int32Enum, FIELD(input, gifFrameLoading), "0", "gif", 2},
    {"Input", "ICO Frame Loading", K::Int32Enum, FIELD(input, icoFrameLoading), "0", "ico", 2},
    {"Input", "TIFF Frame Loading", K::Int32Enum, FIELD(input, tiffFrameLoading), "0", "tiff", 2},
    {"Input", "PSD Color Mode", K::Int32Enum, FIELD(input, psdColorMode), "0", "psd", 6},
    {"Input", "RAW Load As", K::Int32Enum, FIELD(input, rawLoadAs), "0", "raw", 1},
    {"Input", "RAW Header Size", K::Int32, FIELD(input, rawHeaderSize), "0", "raw"},
    {"Input", "RAW Image Width", K::Int32, FIELD(input, rawImageWidth), "0", "raw"},
    {"Input", "RAW Image Height", K::Int32, FIELD(input, rawImageHeight), "0", "raw"},
    {"Input", "RAW Tone Mapping", K::Int32Enum, FIELD(input, rawToneMapping), "2", "raw", 3},

    {"Output", "Format", K::String, FIELD(output, format), "jpg"},
    {"Output", "BMP BPP", K::Int32, FIELD(output, bmpBpp), "0", "bmp"},
    {"Output", "BMP Compression", K::Int32Enum, FIELD(output, bmpCompression), "0", "bmp", 4},
    {"Output", "BMP Color Table", K::Int32Enum, FIELD(output, bmpColorTable), "0", "bmp", 5},
    {"Output", "DDS BPP", K::Int32, FIELD(output, ddsBpp), "0", "dds"},
    {"Output", "EXR BPP", K::Int32, FIELD(output, exrBpp), "0", "exr"},
    {"Output", "EXR Compression", K::Int32Enum, FIELD(output, exrCompression), "0", "exr", 4},
    {"Output", "GIF BPP", K::Int32, FIELD(output, gifBpp), "0", "gif"},
    {"Output", "HDR BPP", K::Int32, FIELD(output, hdrBpp), "0", "hdr"},
    {"Output", "ICO BPP", K::Int32, FIELD(output, icoBpp), "0", "ico"},
    {"Output", "J2K BPP", K::Int32, FIELD(output, j2kBpp), "0", "j2k"},
    {"Output", "JNG BPP", K::Int32, FIELD(output, jngBpp), "0", "jng"},
    {"Output", "JP2 BPP", K::Int32, FIELD(output, jp2Bpp), "0", "jp2"},
    {"Output", "JPG BPP", K::Int32, FIELD(output, jpgBpp), "0", "jpg"},
    {"Output", "JPG Quality", K::Int32, FIELD(output, jpgQuality), "95", "jpg"},
    {"Output", "JPG Chroma", K::Int32Enum, FIELD(output, jpgChroma), "0", "jpg", 7},
    {"Output", "JPG Save As", K::Int32Enum, FIELD(output, jpgSaveAs), "0", "jpg", 8},
    {"Output", "JXR BPP", K::Int32, FIELD(output, jxrBpp), "0", "jxr"},
    {"Output", "PBM BPP", K::Int32, FIELD(output, pbmBpp), "0", "pbm"},
    {"Output", "PCX BPP", K::Int32, FIELD(output, pcxBpp), "0", "pcx"},
    {"Output", "PFM BPP", K::Int32, FIELD(output, pfmBpp), "0", "pfm"},
    {"Output", "PGM BPP", K::Int32, FIELD(output, pgmBpp), "0", "pgm"},
    {"Output", "PNG BPP", K::Int32, FIELD(output, pngBpp), "0", "png"},
    {"Output", "PNG Compression", K::Int32Enum, FIELD(output, pngCompression), "0", "png", 4},
    {"Output", "PNG Interlaced", K::Flag, FIELD(output, pngInterlaced), "0", "png"},
    {"Output", "PPM BPP", K::Int32, FIELD(output, ppmBpp), "0", "ppm"},
    {"Output", "PSD BPP", K::Int32, FIELD(output, psdBpp), "0", "psd"},
    {"Output", "TGA BPP", K::Int32, FIELD(output, tgaBpp), "0", "tga"},
    {"Output", "TGA Compression", K::Int32Enum, FIELD(output, tgaCompression), "0", "tga", 4},
    {"Output", "TIFF BPP", K::Int32, FIELD(output, tiffBpp), "0", "tiff"},
    {"Output", "TIFF Compression", K::Int32Enum, FIELD(output, tiffCompression), "0", "tiff", 4},
    {"Output", "TIFF Color Mode", K::Int32Enum, FIELD(output, tiffColorMode), "0", "tiff", 6},
    {"Output", "WBMP BPP", K::Int32, FIELD(output, wbmpBpp), "0", "wbmp"},
    {"Output", "WEBP BPP", K::Int32, FIELD(output, webpBpp), "0", "webp"},
    {"Output", "WEBP Quality", K::Int32, FIELD(output, webpQuality), "100", "webp"},
    {"Output", "XPM BPP", K::Int32, FIELD(output, xpmBpp), "0", "xpm"},

    {"Transform", "Do Image Rotation", K::Flag, FIELD(transform, doImageRotation), "0"},
    {"Transform", "Image Rotation Type", K::ByteEnum, FIELD(transform, imageRotationType), "0", nullptr, 9},
    {"Transform", "Image Rotation", K::Int32, FIELD(transform, imageRotation), "0"},
    {"Transform", "Image Rotation Back Color", K::Color, FIELD(transform, imageRotationBackColor), "000000", nullptr, -1, true},
    {"Transform", "Do Image Resize", K::Flag, FIELD(transform, doImageResize), "0"},
    {"Transform", "Image Width", K::Int32, FIELD(transform, imageWidth), "0"},
    {"Transform", "Image Width Unit", K::ByteEnum, FIELD(transform, imageWidthUnit), "0", nullptr, 10},
    {"Transform", "Image Height", K::Int32, FIELD(transform, imageHeight), "0"},
    {"Transform", "Image Height Unit", K::ByteEnum, FIELD(transform, imageHeightUnit), "0", nullptr, 10},
    {"Transform", "Keep Aspect Ratio", K::Flag, FIELD(transform, keepAspectRatio), "1", nullptr, -1, false, R::AspectByMode, "1"},
    {"Transform", "Image Resize Type", K::ByteEnum, FIELD(transform, imageResizeType), "0", nullptr, 11},
    {"Transform", "Image Resize Algorithm", K::ByteEnum, FIELD(transform, imageResizeAlgorithm), "3", nullptr, 12},
    {"Transform", "Do Image Flip Horizontal", K::Flag, FIELD(transform, doImageFlipHorizontal), "0"},
    {"Transform", "Do Image Flip Vertical", K::Flag, FIELD(transform, doImageFlipVertical), "0"},

    {"Adjustment", "Do Image Color Correction", K::Flag, FIELD(adjustment, doImageColorCorrection), "0"},
    {"Adjustment", "Image Brightness", K::Int32, FIELD(adjustment, imageBrightness), "0"},
    {"Adjustment", "Image Contrast", K::Int32, FIELD(adjustment, imageContrast), "0"},
    {"Adjustment", "Image Gamma", K::Float, FIELD(adjustment, imageGamma), "1.0"},
    {"Adjustment", "Image Invert", K::Flag, FIELD(adjustment, imageInvert), "0"},
    {"Adjustment", "Do Image Greyscale", K::Flag, FIELD(adjustment, doImageGreyscale), "0"},
    {"Adjustment", "Do Image Threshold", K::Flag, FIELD(adjustment, doImageThreshold), "0"},
    {"Adjustment", "Image Threshold", K::Int32, FIELD(adjustment, imageThreshold), "0"},
    {"Adjustment", "Do Image Dither", K::Flag, FIELD(adjustment, doImageDither), "0"},
    {"Adjustment", "Image Dither Algorithm", K::ByteEnum, FIELD(adjustment, imageDitherAlgorithm), "0", nullptr, 13},

    {"Frame", "Do Frame", K::ByteEnum, FIELD(frame, doFrame), "0", nullptr, 14},
    {"Frame", "Solid Left", K::Int32, FIELD(frame, solidLeft), "0"},
    {"Frame", "Solid Right", K::Int32, FIELD(frame, solidRight), "0"},
    {"Frame", "Solid Top", K::Int32, FIELD(frame, solidTop), "0"},
    {"Frame", "Solid Bottom", K::Int32, FIELD(frame, solidBottom), "0"},
    {"Frame", "Solid Left Color", K::Color, FIELD(frame, solidLeftColor), "000000", nullptr, -1, true},
    {"Frame", "Solid Right Color", K::Color, FIELD(frame, solidRightColor), "000000", nullptr, -1, true},
    {"Frame", "Solid Top Color", K::Color, FIELD(frame, solidTopColor), "000000", nullptr, -1, true},
    {"Frame", "Solid Bottom Color", K::Color, FIELD(frame, solidBottomColor), "000000", nullptr, -1, true},
    {"Frame", "Solid Opacity", K::Int32, FIELD(frame, solidOpacity), "255"},

    {"Watermark", "Do Watermark", K::ByteEnum, FIELD(watermark, doWatermark), "0", nullptr, 15},
    {"Watermark", "Text", K::String, FIELD(watermark, text), kNoticeText, nullptr, -1, true},
    {"Watermark", "Fonts", K::String, FIELD(watermark, fonts), "Arial,Tahoma,Verdana", nullptr, -1, true},
    {"Watermark", "Font", K::String, FIELD(watermark, font), "Arial", nullptr, -1, true},
    {"Watermark", "Font Size", K::Int32, FIELD(watermark, fontSize), "14"},
    {"Watermark", "Font Leading", K::Int32, FIELD(watermark, fontLeading), "0"},
    {"Watermark", "Font Colors", K::String, FIELD(watermark, fontColors), kColorList, nullptr, -1, true},
    {"Watermark", "Font Color", K::Color, FIELD(watermark, fontColor), "FFFFFF", nullptr, -1, true},
    {"Watermark", "Font Style", K::ByteEnum, FIELD(watermark, fontStyle), "0", nullptr, 16},
    {"Watermark", "Font Effect", K::ByteEnum, FIELD(watermark, fontEffect), "0", nullptr, 17},
    {"Watermark", "Text Antialiasing", K::Flag, FIELD(watermark, textAntialiasing), "0"},
    {"Watermark", "Text Alignment", K::ByteEnum, FIELD(watermark, textAlignment), "0", nullptr, 18},
    {"Watermark", "Text Padding", K::Int32, FIELD(watermark, textPadding), "0"},
    {"Watermark", "Text Opacity", K::Int32, FIELD(watermark, textOpacity), "255"},
    {"Watermark", "Back Colors", K::String, FIELD(watermark, backColors), kColorList, nullptr, -1, true},
    {"Watermark", "Back Color", K::Color, FIELD(watermark, backColor), "000000", nullptr, -1, true},
    {"Watermark", "Back Opacity", K::Int32, FIELD(watermark, backOpacity), "1"},
    {"Watermark", "Text Boundary", K::ByteEnum, FIELD(watermark, textBoundary), "0", nullptr, 19},
    {"Watermark", "Text Position", K::ByteEnum, FIELD(watermark, textPosition), "8", nullptr, 20},
    {"Watermark", "Text X Offset", K::Int32, FIELD(watermark, textXOffset), "10"},
    {"Watermark", "Text Y Offset", K::Int32, FIELD(watermark, textYOffset), "10"},
    {"Watermark", "Text Rotation", K::Int32, FIELD(watermark, textRotation), "0"},
    {"Watermark", "Text Size", K::ByteEnum, FIELD(watermark, textSize), "0", nullptr, 21},
    {"Watermark", "Text Scale", K::Int32, FIELD(watermark, textScale), "10"},
    {"Watermark", "Image", K::String, FIELD(watermark, image), "", nullptr, -1, true},
    {"Watermark", "Image Greyscale", K::Flag, FIELD(watermark, imageGreyscale), "0"},
    {"Watermark", "Image Opacity", K::Int32, FIELD(watermark, imageOpacity), "255"},
    {"Watermark", "Image Boundary", K::ByteEnum, FIELD(watermark, imageBoundary), "0", nullptr, 19},
    {"Watermark", "Image Position", K::ByteEnum, FIELD(watermark, imagePosition), "8", nullptr, 20},
    {"Watermark", "Image X Offset", K::Int32, FIELD(watermark, imageXOffset), "10"},
    {"Watermark", "Image Y Offset", K::Int32, FIELD(watermark, imageYOffset), "10"},
    {"Watermark", "Image Rotation", K::Int32, FIELD(watermark, imageRotation), "0"},
    {"Watermark", "Image Size", K::ByteEnum, FIELD(watermark, imageSize), "0", nullptr, 21},
    {"Watermark", "Image Scale", K::Int32, FIELD(watermark, imageScale), "10"},

    {"Advanced", "Filename Mask", K::String, FIELD(advanced, filenameMask), "%filename%.%ext%", nullptr, -1, true},
    {"Advanced", "File Timestamp", K::ByteEnum, FIELD(advanced, fileTimestamp), "0", nullptr, 22},
    {"Advanced", "Custom Timestamp", K::Timestamp, FIELD(advanced, customTimestamp), "0", nullptr, -1, false, R::Now},
    {"Advanced", "Out Folders History", K::ByteEnum, FIELD(advanced, outFoldersHistory), "1"},
    {"Advanced", "Out Folders Number", K::Byte, FIELD(advanced, outFoldersNumber), "5"},
    {"Advanced", "Keep Subfolders", K::Flag, FIELD(advanced, keepSubfolders), "1"},

    {"File", "Recent Out Folders", K::String, FIELD(file, recentOutFolders), ""},
};
// clang-format on

#undef FIELD

} // namespace

std::span<const SettingField> SettingsSchema() { return kSchema; }

const SettingField* FindSetting(std::string_view group, std::string_view key) {
    for (const SettingField& f : kSchema) {
        if (EqualsIgnoreCase(f.group, group) && EqualsIgnoreCase(f.key, key))
            return &f;
    }
    return nullptr;
}

bool AssignFieldInt(const SettingField& field, Settings& settings, int64_t value) {
    FieldRef ref = field.ref(settings);
    if (auto* p = std::get_if<int32_t*>(&ref)) {
        **p = static_cast<int32_t>(value);
        return true;
    }
    if (auto* p = std::get_if<uint8_t*>(&ref)) {
        **p = static_cast<uint8_t>(value & 0xFF);
        return true;
    }
    return false;
}

void AssignFieldText(const SettingField& field, Settings& settings, std::string_view text) {
    FieldRef ref = field.ref(settings);
    if (auto* p = std::get_if<std::string*>(&ref)) {
        **p = std::string(text);
    } else if (auto* f = std::get_if<float*>(&ref)) {
        **f = static_cast<float>(ReadFloat(text));
    } else {
        AssignFieldInt(field, settings, ReadInteger(text));
    }
}

int64_t FieldInt(const SettingField& field, const Settings& settings) {
    FieldRef ref = field.ref(const_cast<Settings&>(settings));
    if (auto* p = std::get_if<int32_t*>(&ref))
        return **p;
    if (auto* p = std::get_if<uint8_t*>(&ref))
        return **p;
    return 0;
}

std::string FieldText(const SettingField& field, const Settings& settings) {
    FieldRef ref = field.ref(const_cast<Settings&>(settings));
    if (auto* p = std::get_if<std::string*>(&ref))
        return **p;
    if (auto* f = std::get_if<float*>(&ref))
        return FormatFloat6(**f);
    return std::to_string(FieldInt(field, settings));
}

} // namespace dravik
