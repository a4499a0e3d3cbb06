#include "batch/option_table.h"

#include <cstring>

namespace dravik {
namespace {

using V = OptionKind;
using A = OptionAction;

// Helpers that keep each row on one line.
constexpr OptionSpec Int(const char* name, const char* group, const char* key) {
    return {name, nullptr, V::Integer, A::Setting, group, key};
}
constexpr OptionSpec Tok(const char* name, int set, const char* group, const char* key) {
    return {name, nullptr, V::Token, A::Setting, group, key, set};
}
constexpr OptionSpec Str(const char* name, const char* group, const char* key) {
    return {name, nullptr, V::StringJoined, A::Setting, group, key};
}
constexpr OptionSpec Switch(const char* name, const char* group, const char* key, int value = 1) {
    return {name, nullptr, V::Switch, A::Setting, group, key, -1, value};
}
// An option whose value also switches a feature on.
constexpr OptionSpec On(OptionSpec option, const char* group, const char* key, int value = 1) {
    option.onGroup = group;
    option.onKey = key;
    option.onValue = value;
    return option;
}
constexpr OptionSpec CliOnly(const char* name, const char* shortName, V value, A action) {
    OptionSpec option{name, shortName, value, action};
    option.inProfile = false;
    return option;
}

// clang-format off
const OptionSpec kOptions[] = {
    CliOnly("--INPUT", "-I", V::StringJoined, A::Input),
    CliOnly("--OUTPUT", "-O", V::StringJoined, A::Output),
    CliOnly("--CONVERSION", "-C", V::Unquoted, A::Conversion),

    Tok("--DDS-LOAD-AS", 0, "Input", "DDS Load As"),
    Tok("--GIF-FRAME-LOADING", 2, "Input", "GIF Frame Loading"),
    Tok("--ICO-FRAME-LOADING", 2, "Input", "ICO Frame Loading"),
    Tok("--PSD-COLOR-MODE", 6, "Input", "PSD Color Mode"),
    Tok("--RAW-LOAD-AS", 1, "Input", "RAW Load As"),
    Int("--RAW-HEADER-SIZE", "Input", "RAW Header Size"),
    Int("--RAW-WIDTH", "Input", "RAW Image Width"),
    Int("--RAW-HEIGHT", "Input", "RAW Image Height"),
    Tok("--RAW-TONE-MAPPING", 3, "Input", "RAW Tone Mapping"),
    Tok("--TIFF-FRAME-LOADING", 2, "Input", "TIFF Frame Loading"),

    Int("--BMP-BPP", "Output", "BMP BPP"),
    Tok("--BMP-COMPRESSION", 4, "Output", "BMP Compression"),
    Tok("--BMP-COLOR-TABLE", 5, "Output", "BMP Color Table"),
    Int("--DDS-BPP", "Output", "DDS BPP"),
    Int("--EXR-BPP", "Output", "EXR BPP"),
    Tok("--EXR-COMPRESSION", 4, "Output", "EXR Compression"),
    Int("--GIF-BPP", "Output", "GIF BPP"),
    Int("--HDR-BPP", "Output", "HDR BPP"),
    Int("--ICO-BPP", "Output", "ICO BPP"),
    Int("--J2K-BPP", "Output", "J2K BPP"),
    Int("--JNG-BPP", "Output", "JNG BPP"),
    Int("--JP2-BPP", "Output", "JP2 BPP"),
    Int("--JPG-BPP", "Output", "JPG BPP"),
    Int("--JPG-QUALITY", "Output", "JPG Quality"),
    Tok("--JPG-CHROMA", 7, "Output", "JPG Chroma"),
    Tok("--JPG-SAVE-AS", 8, "Output", "JPG Save As"),
    Int("--JXR-BPP", "Output", "JXR BPP"),
    Int("--PBM-BPP", "Output", "PBM BPP"),
    Int("--PCX-BPP", "Output", "PCX BPP"),
    Int("--PFM-BPP", "Output", "PFM BPP"),
    Int("--PGM-BPP", "Output", "PGM BPP"),
    Int("--PNG-BPP", "Output", "PNG BPP"),
    Tok("--PNG-COMPRESSION", 4, "Output", "PNG Compression"),
    Switch("--PNG-INTERLACED", "Output", "PNG Interlaced"),
    Int("--PPM-BPP", "Output", "PPM BPP"),
    Int("--PSD-BPP", "Output", "PSD BPP"),
    Int("--TGA-BPP", "Output", "TGA BPP"),
    Tok("--TGA-COMPRESSION", 4, "Output", "TGA Compression"),
    Int("--TIFF-BPP", "Output", "TIFF BPP"),
    Tok("--TIFF-COMPRESSION", 4, "Output", "TIFF Compression"),
    Tok("--TIFF-COLOR-MODE", 6, "Output", "TIFF Color Mode"),
    Int("--WBMP-BPP", "Output", "WBMP BPP"),
    Int("--WEBP-BPP", "Output", "WEBP BPP"),
    Int("--WEBP-QUALITY", "Output", "WEBP Quality"),
    Int("--XPM-BPP", "Output", "XPM BPP"),

    Tok("--ROTATION-TYPE", 9, "Transform", "Image Rotation Type"),
    On(Int("--ROTATION", "Transform", "Image Rotation"), "Transform", "Do Image Rotation"),
    Str("--ROTATION-BACK-COLOR", "Transform", "Image Rotation Back Color"),
    On(Int("--WIDTH", "Transform", "Image Width"), "Transform", "Do Image Resize"),
    Tok("--WIDTH-UNIT", 10, "Transform", "Image Width Unit"),
    On(Int("--HEIGHT", "Transform", "Image Height"), "Transform", "Do Image Resize"),
    Tok("--HEIGHT-UNIT", 10, "Transform", "Image Height Unit"),
    Switch("--KEEP-ASPECT-RATIO", "Transform", "Keep Aspect Ratio"),
    Tok("--RESIZE-TYPE", 11, "Transform", "Image Resize Type"),
    Tok("--RESIZE-ALGORITHM", 12, "Transform", "Image Resize Algorithm"),
    Switch("--FLIP-HORIZONTAL", "Transform", "Do Image Flip Horizontal"),
    Switch("--FLIP-VERTICAL", "Transform", "Do Image Flip Vertical"),

    On(Int("--BRIGHTNESS", "Adjustment", "Image Brightness"), "Adjustment", "Do Image Color Correction"),
    On(Int("--CONTRAST", "Adjustment", "Image Contrast"), "Adjustment", "Do Image Color Correction"),
    On(OptionSpec{"--GAMMA", nullptr, V::Float, A::Setting, "Adjustment", "Image Gamma"},
       "Adjustment", "Do Image Color Correction"),
    On(Switch("--INVERT", "Adjustment", "Image Invert"), "Adjustment", "Do Image Color Correction"),
    Switch("--GREYSCALE", "Adjustment", "Do Image Greyscale"),
    On(Int("--THRESHOLD", "Adjustment", "Image Threshold"), "Adjustment", "Do Image Threshold"),
    On(Tok("--DITHER", 13, "Adjustment", "Image Dither Algorithm"), "Adjustment", "Do Image Dither"),

    On(Int("--FR-SOLID-LEFT", "Frame", "Solid Left"), "Frame", "Do Frame"),
    On(Int("--FR-SOLID-RIGHT", "Frame", "Solid Right"), "Frame", "Do Frame"),
    On(Int("--FR-SOLID-TOP", "Frame", "Solid Top"), "Frame", "Do Frame"),
    On(Int("--FR-SOLID-BOTTOM", "Frame", "Solid Bottom"), "Frame", "Do Frame"),
    Str("--FR-SOLID-LEFT-COLOR", "Frame", "Solid Left Color"),
    Str("--FR-SOLID-RIGHT-COLOR", "Frame", "Solid Right Color"),
    Str("--FR-SOLID-TOP-COLOR", "Frame", "Solid Top Color"),
    Str("--FR-SOLID-BOTTOM-COLOR", "Frame", "Solid Bottom Color"),
    // Profiles have always called this key --WM-SOLID-OPACITY; stored
    // profiles rely on that name.
    [] { OptionSpec s = Int("--FR-SOLID-OPACITY", "Frame", "Solid Opacity");
         s.profileKey = "--WM-SOLID-OPACITY"; return s; }(),

    On(Str("--WM-TEXT", "Watermark", "Text"), "Watermark", "Do Watermark", 1),
    Str("--WM-FONT", "Watermark", "Font"),
    Int("--WM-FONT-SIZE", "Watermark", "Font Size"),
    Int("--WM-FONT-LEADING", "Watermark", "Font Leading"),
    Str("--WM-FONT-COLOR", "Watermark", "Font Color"),
    Tok("--WM-FONT-STYLE", 16, "Watermark", "Font Style"),
    Tok("--WM-FONT-EFFECT", 17, "Watermark", "Font Effect"),
    Switch("--WM-TEXT-ANTIALIASING", "Watermark", "Text Antialiasing"),
    Tok("--WM-TEXT-ALIGNMENT", 18, "Watermark", "Text Alignment"),
    Int("--WM-TEXT-PADDING", "Watermark", "Text Padding"),
    Int("--WM-TEXT-OPACITY", "Watermark", "Text Opacity"),
    Str("--WM-BACK-COLOR", "Watermark", "Back Color"),
    Int("--WM-BACK-OPACITY", "Watermark", "Back Opacity"),
    Tok("--WM-TEXT-BOUNDARY", 19, "Watermark", "Text Boundary"),
    Tok("--WM-TEXT-POSITION", 20, "Watermark", "Text Position"),
    Int("--WM-TEXT-X-OFFSET", "Watermark", "Text X Offset"),
    Int("--WM-TEXT-Y-OFFSET", "Watermark", "Text Y Offset"),
    Int("--WM-TEXT-ROTATION", "Watermark", "Text Rotation"),
    Tok("--WM-TEXT-SIZE", 21, "Watermark", "Text Size"),
    On(Str("--WM-IMAGE", "Watermark", "Image"), "Watermark", "Do Watermark", 2),
    Switch("--WM-IMAGE-GREYSCALE", "Watermark", "Image Greyscale"),
    Int("--WM-IMAGE-OPACITY", "Watermark", "Image Opacity"),
    Tok("--WM-IMAGE-BOUNDARY", 19, "Watermark", "Image Boundary"),
    Tok("--WM-IMAGE-POSITION", 20, "Watermark", "Image Position"),
    Int("--WM-IMAGE-X-OFFSET", "Watermark", "Image X Offset"),
    Int("--WM-IMAGE-Y-OFFSET", "Watermark", "Image Y Offset"),
    Int("--WM-IMAGE-ROTATION", "Watermark", "Image Rotation"),
    Tok("--WM-IMAGE-SIZE", 21, "Watermark", "Image Size"),

    Str("--FILENAME-MASK", "Advanced", "Filename Mask"),
    Tok("--FILE-TIMESTAMP", 22, "Advanced", "File Timestamp"),
    Int("--FILE-TIMESTAMP-CUSTOM", "Advanced", "Custom Timestamp"),
    Switch("--NO-SUBFOLDERS", "Advanced", "Keep Subfolders", 0),

    CliOnly("--PROFILE", nullptr, V::StringJoined, A::Profile),
    CliOnly("--DEBUG", "-D", V::Switch, A::Debug),
    CliOnly("--QUIET", "-Q", V::Switch, A::Quiet),
    CliOnly("--PAUSE", "-P", V::Switch, A::Pause),
};
// clang-format on

} // namespace

std::span<const OptionSpec> OptionTable() {
    return kOptions;
}

const OptionSpec* FindOption(const char* upperName) {
    for (const OptionSpec& o : kOptions) {
        if (std::strcmp(o.name, upperName) == 0 ||
            (o.shortName != nullptr && std::strcmp(o.shortName, upperName) == 0))
            return &o;
    }
    return nullptr;
}

const OptionSpec* FindProfileOption(const char* upperKey) {
    for (const OptionSpec& o : kOptions) {
        if (!o.inProfile)
            continue;
        const char* key = o.profileKey != nullptr ? o.profileKey : o.name;
        if (std::strcmp(key, upperKey) == 0)
            return &o;
    }
    return nullptr;
}

} // namespace dravik
