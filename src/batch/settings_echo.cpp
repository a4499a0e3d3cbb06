#include "batch/settings_echo.h"

#include "batch/output_checks.h"
#include "settings/settings_schema.h"
#include "settings/tokens.h"

#include <cstdio>
#include <string_view>

namespace dravik {

namespace {

enum class Show {
    Number,
    Token,
    Text,
    Gamma,      // two decimals
    WithUnit,   // number, a blank, the unit token of `second`
    Pair,       // first "/" second
};

enum class Check {
    None,
    NonZero,
    Range,      // low to high
    GammaRange, // 0.01 to 9.99 as single-precision values
};

struct EchoRow {
    EchoPart part;
    const char* label;
    const char* group;
    const char* key;
    Show show = Show::Number;
    const char* second = nullptr;
    // Printed only when this key of the same group holds `whenValue` (-1:
    // anything but 0).
    const char* when = nullptr;
    int whenValue = -1;
    Check check = Check::None;
    int low = 0;
    int high = 0;
    const char* error = nullptr;
};

constexpr EchoPart O = EchoPart::Operations;
constexpr EchoPart N = EchoPart::Naming;

// clang-format off
constexpr EchoRow kRows[] = {
    {O, "Image Rotation Type: ", "Transform", "Image Rotation Type", Show::Token, nullptr, "Do Image Rotation"},
    {O, "Image Rotation: ", "Transform", "Image Rotation", Show::Number, nullptr, "Do Image Rotation"},
    {O, "Image Rotation Back Color: ", "Transform", "Image Rotation Back Color", Show::Text, nullptr, "Do Image Rotation"},
    {O, "Width: ", "Transform", "Image Width", Show::WithUnit, "Image Width Unit", "Do Image Resize", -1, Check::NonZero, 0, 0, "Invalid width value"},
    {O, "Height: ", "Transform", "Image Height", Show::WithUnit, "Image Height Unit", "Do Image Resize", -1, Check::NonZero, 0, 0, "Invalid height value"},
    {O, "Keep Aspect Ratio: ", "Transform", "Keep Aspect Ratio", Show::Number, nullptr, "Do Image Resize"},
    {O, "Image Resize Type: ", "Transform", "Image Resize Type", Show::Token, nullptr, "Do Image Resize"},
    {O, "Image Resize Algorithm: ", "Transform", "Image Resize Algorithm", Show::Token, nullptr, "Do Image Resize"},
    {O, "Flip Horizontal: ", "Transform", "Do Image Flip Horizontal"},
    {O, "Flip Vertical: ", "Transform", "Do Image Flip Vertical"},
    {O, "Brightness: ", "Adjustment", "Image Brightness", Show::Number, nullptr, "Do Image Color Correction", -1, Check::Range, -100, 100, "Invalid brightness value"},
    {O, "Contrast: ", "Adjustment", "Image Contrast", Show::Number, nullptr, "Do Image Color Correction", -1, Check::Range, -100, 100, "Invalid contrast value"},
    {O, "Gamma: ", "Adjustment", "Image Gamma", Show::Gamma, nullptr, "Do Image Color Correction", -1, Check::GammaRange, 0, 0, "Invalid gamma value"},
    {O, "Invert: ", "Adjustment", "Image Invert", Show::Number, nullptr, "Do Image Color Correction"},
    {O, "Greyscale: ", "Adjustment", "Do Image Greyscale"},
    {O, "Image Threshold: ", "Adjustment", "Image Threshold", Show::Number, nullptr, "Do Image Threshold"},
    {O, "Image Dithering Algorithm: ", "Adjustment", "Image Dither Algorithm", Show::Token, nullptr, "Do Image Dither"},
    {O, "Frame: ", "Frame", "Do Frame", Show::Token},
    {O, "Frame left: ", "Frame", "Solid Left", Show::Number, nullptr, "Do Frame"},
    {O, "Frame right: ", "Frame", "Solid Right", Show::Number, nullptr, "Do Frame"},
    {O, "Frame top: ", "Frame", "Solid Top", Show::Number, nullptr, "Do Frame"},
    {O, "Frame bottom: ", "Frame", "Solid Bottom", Show::Number, nullptr, "Do Frame"},
    {O, "Frame left color: ", "Frame", "Solid Left Color", Show::Text, nullptr, "Do Frame"},
    {O, "Frame right color: ", "Frame", "Solid Right Color", Show::Text, nullptr, "Do Frame"},
    {O, "Frame top color: ", "Frame", "Solid Top Color", Show::Text, nullptr, "Do Frame"},
    {O, "Frame bottom color: ", "Frame", "Solid Bottom Color", Show::Text, nullptr, "Do Frame"},
    {O, "Frame opacity: ", "Frame", "Solid Opacity", Show::Number, nullptr, "Do Frame"},
    {O, "Watermark: ", "Watermark", "Do Watermark", Show::Token},
    {O, "Watermark text: ", "Watermark", "Text", Show::Text, nullptr, "Do Watermark", 1},
    {O, "Watermark font: ", "Watermark", "Font", Show::Text, nullptr, "Do Watermark", 1},
    {O, "Watermark font size: ", "Watermark", "Font Size", Show::Number, nullptr, "Do Watermark", 1},
    {O, "Watermark font leading: ", "Watermark", "Font Leading", Show::Number, nullptr, "Do Watermark", 1},
    {O, "Watermark font color: ", "Watermark", "Font Color", Show::Text, nullptr, "Do Watermark", 1},
    {O, "Watermark font style: ", "Watermark", "Font Style", Show::Token, nullptr, "Do Watermark", 1},
    {O, "Watermark font effect: ", "Watermark", "Font Effect", Show::Token, nullptr, "Do Watermark", 1},
    {O, "Watermark text antialiasing: ", "Watermark", "Text Antialiasing", Show::Number, nullptr, "Do Watermark", 1},
    {O, "Watermark text alignment: ", "Watermark", "Text Alignment", Show::Token, nullptr, "Do Watermark", 1},
    {O, "Watermark text padding: ", "Watermark", "Text Padding", Show::Number, nullptr, "Do Watermark", 1},
    {O, "Watermark text opacity: ", "Watermark", "Text Opacity", Show::Number, nullptr, "Do Watermark", 1},
    {O, "Watermark background color: ", "Watermark", "Back Color", Show::Text, nullptr, "Do Watermark", 1},
    {O, "Watermark background opacity: ", "Watermark", "Back Opacity", Show::Number, nullptr, "Do Watermark", 1},
    {O, "Watermark boundary: ", "Watermark", "Text Boundary", Show::Token, nullptr, "Do Watermark", 1},
    {O, "Watermark position: ", "Watermark", "Text Position", Show::Token, nullptr, "Do Watermark", 1},
    {O, "Watermark offset (x/y): ", "Watermark", "Text X Offset", Show::Pair, "Text Y Offset", "Do Watermark", 1},
    {O, "Watermark rotation: ", "Watermark", "Text Rotation", Show::Number, nullptr, "Do Watermark", 1},
    {O, "Watermark size/mode: ", "Watermark", "Text Size", Show::Token, nullptr, "Do Watermark", 1},
    {O, "Watermark image: ", "Watermark", "Image", Show::Text, nullptr, "Do Watermark", 2},
    {O, "Watermark greyscale: ", "Watermark", "Image Greyscale", Show::Number, nullptr, "Do Watermark", 2},
    {O, "Watermark opacity: ", "Watermark", "Image Opacity", Show::Number, nullptr, "Do Watermark", 2},
    {O, "Watermark boundary: ", "Watermark", "Image Boundary", Show::Token, nullptr, "Do Watermark", 2},
    {O, "Watermark position: ", "Watermark", "Image Position", Show::Token, nullptr, "Do Watermark", 2},
    {O, "Watermark offset (x/y): ", "Watermark", "Image X Offset", Show::Pair, "Image Y Offset", "Do Watermark", 2},
    {O, "Watermark rotation: ", "Watermark", "Image Rotation", Show::Number, nullptr, "Do Watermark", 2},
    {O, "Watermark size/mode: ", "Watermark", "Image Size", Show::Token, nullptr, "Do Watermark", 2},
    {N, "Filename Mask: ", "Advanced", "Filename Mask", Show::Text},
    {N, "File Timestamp: ", "Advanced", "File Timestamp", Show::Token},
    {N, "Custom Timestamp: ", "Advanced", "Custom Timestamp", Show::Number, nullptr, "File Timestamp", 2},
    {N, "Keep Subfolders: ", "Advanced", "Keep Subfolders"},
};
// clang-format on

// The conversion formats' keys whose echo label is not the key itself.
constexpr std::pair<std::string_view, std::string_view> kOutputLabels[] = {
    {"JPG Chroma", "JPG Chroma Subsampling"},
};

// The formats whose quality is checked, with the key that holds it.
constexpr std::string_view kQualityKey = " Quality";

const SettingField& Field(const char* group, const char* key) {
    // The rows above name schema keys; a typo is a programming error that
    // every test run finds at once.
    const SettingField* field = FindSetting(group, key);
    if (field == nullptr)
        std::abort();
    return *field;
}

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

std::string ValueText(const SettingField& field, const Settings& settings) {
    if (field.tokenSet >= 0) {
        return IndexToToken(field.tokenSet, static_cast<int32_t>(FieldInt(field, settings)),
                            field.format != nullptr ? field.format : "");
    }
    if (field.kind == FieldKind::String || field.kind == FieldKind::Color)
        return FieldText(field, settings);
    return std::to_string(FieldInt(field, settings));
}

std::string RowText(const EchoRow& row, const Settings& settings) {
    const SettingField& field = Field(row.group, row.key);
    switch (row.show) {
    case Show::Number:
        return std::to_string(FieldInt(field, settings));
    case Show::Token:
    case Show::Text:
        return ValueText(field, settings);
    case Show::Gamma: {
        char text[64];
        std::snprintf(text, sizeof text, "%.2f", static_cast<double>(settings.adjustment.imageGamma));
        return text;
    }
    case Show::WithUnit:
        return std::to_string(FieldInt(field, settings)) + " " +
               ValueText(Field(row.group, row.second), settings);
    case Show::Pair:
        return std::to_string(FieldInt(field, settings)) + "/" +
               std::to_string(FieldInt(Field(row.group, row.second), settings));
    }
    return {};
}

bool RowApplies(const EchoRow& row, const Settings& settings) {
    if (row.when == nullptr)
        return true;
    int64_t value = FieldInt(Field(row.group, row.when), settings);
    return row.whenValue < 0 ? value != 0 : value == row.whenValue;
}

bool RowPasses(const EchoRow& row, const Settings& settings) {
    switch (row.check) {
    case Check::None:
        return true;
    case Check::NonZero:
        return FieldInt(Field(row.group, row.key), settings) != 0;
    case Check::Range: {
        int64_t value = FieldInt(Field(row.group, row.key), settings);
        return value >= row.low && value <= row.high;
    }
    case Check::GammaRange: {
        float gamma = settings.adjustment.imageGamma;
        return gamma >= 0.01f && gamma <= 9.99f;
    }
    }
    return true;
}

void Print(Console* echo, const std::string& line) {
    if (echo != nullptr)
        echo->printLine(line);
}

// The input format's own settings, each under its key.
void EchoInputFormat(const Settings& settings, const AppState& state, Console* echo) {
    for (const SettingField& field : SettingsSchema()) {
        if (std::string_view(field.group) == "Input" && field.format != nullptr &&
            state.inputFormat == field.format)
            Print(echo, std::string(field.key) + ": " + ValueText(field, settings));
    }
}

// The conversion format's settings: the lines first, then the checks.
std::string EchoOutputFormat(const Settings& settings, const AppState& state, Console* echo) {
    const std::string& ext = state.conversionExtension;
    const SettingField* depth = nullptr;
    const SettingField* quality = nullptr;
    for (const SettingField& field : SettingsSchema()) {
        if (std::string_view(field.group) != "Output" || field.format == nullptr || ext != field.format)
            continue;
        std::string_view key = field.key;
        std::string label(key);
        for (const auto& [from, to] : kOutputLabels) {
            if (key == from)
                label = to;
        }
        Print(echo, label + ": " + ValueText(field, settings));
        if (key == Upper(ext) + " BPP")
            depth = &field;
        if (key == Upper(ext) + std::string(kQualityKey))
            quality = &field;
    }
    if (depth != nullptr && !IsAllowedBitDepth(ext, static_cast<int>(FieldInt(*depth, settings))))
        return "Invalid " + ext + "-bpp value";
    if (quality != nullptr) {
        int64_t value = FieldInt(*quality, settings);
        if (value < 1 || value > 100)
            return "Invalid " + ext + "-quality value";
    }
    return {};
}

} // namespace

std::string EchoAndCheck(EchoPart part, const Settings& settings, const AppState& state,
                         Console* echo) {
    if (part == EchoPart::Formats) {
        EchoInputFormat(settings, state, echo);
        return EchoOutputFormat(settings, state, echo);
    }
    for (const EchoRow& row : kRows) {
        if (row.part != part || !RowApplies(row, settings))
            continue;
        Print(echo, row.label + RowText(row, settings));
        if (!RowPasses(row, settings))
            return row.error;
    }
    return {};
}

} // namespace dravik
