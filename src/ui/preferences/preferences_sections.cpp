// The sections of the preferences dialog other than Frame and Watermark, as row tables.
#include "ui/preferences/preferences_sections.h"

#include "engine/format_tables.h"
#include "settings/settings_schema.h"
#include "texts/language_table.h"

#include <QComboBox>
#include <QScrollArea>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace dravik {
namespace {

const std::vector<const char*> kFrameLoading = {"All Frames", "First Frame", "Middle Frame",
                                                "Last Frame", "Random Frame"};

// The language list has a single entry and always stores "en"; a language's name is shown in
// that language, so it is not a translated text.
const RowHooks kLanguageHooks = {
    [](QWidget* page, QRect geometry, PreferencesRow&) -> QWidget* {
        auto* combo = new QComboBox(page);
        combo->setGeometry(geometry);
        combo->addItem(QStringLiteral("English"));
        return combo;
    },
    [](PreferencesRow& row, const Settings&) { row.combo->setCurrentIndex(0); },
    [](const PreferencesRow&, Settings& settings) { settings.general.language = "en"; },
    {},
};

const RowDescription kGeneralRows[] = {
    WithHooks({"Language", RowKind::Custom, "General", "Language"}, kLanguageHooks),
    {"Check for Updates", RowKind::DropDown, "General", "Update Range",
     {"Every day", "Every week", "Every month", "Every 3 months", "Every 6 months", "Never"}},
    {"Save window position", RowKind::CheckBox, "General", "Save Window Position"},
};

// The theme list shows display names but stores keys; the keys are sorted without case and a
// theme with an empty display name is installed but not offered.
std::vector<std::pair<std::string, std::string>> ThemeChoices(const InstalledThemes& themes) {
    std::vector<std::pair<std::string, std::string>> sorted(themes.begin(), themes.end());
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
        return QString::fromStdString(a.first).compare(QString::fromStdString(b.first),
                                                        Qt::CaseInsensitive) < 0;
    });
    std::erase_if(sorted, [](const auto& theme) { return theme.second.empty(); });
    return sorted;
}

const RowHooks kThemeHooks = {
    {},
    [](PreferencesRow& row, const Settings& settings) {
        const int found = row.combo->findData(QString::fromStdString(settings.interface.uiTheme));
        row.combo->setCurrentIndex(found >= 0 ? found : 0);
    },
    [](const PreferencesRow& row, Settings& settings) {
        if (row.combo->currentData().isValid())
            settings.interface.uiTheme = row.combo->currentData().toString().toStdString();
    },
    {},
};

const RowDescription kInterfaceRows[] = {
    {"UI Size", RowKind::DropDown, "Interface", "UI Size",
     {"Small", "Medium", "Large", "Extra Large", "Huge"}},
};

struct SubPageRows {
    const char* format; // lower case extension
    std::vector<RowDescription> rows;
};

const std::vector<SubPageRows>& InputSubPages() {
    static const std::vector<SubPageRows> pages = {
        {"dds", {{"Load As", RowKind::DropDown, "Input", "DDS Load As", {"Auto", "BGRA", "RGBA"}}}},
        {"gif", {{"Frame Loading", RowKind::DropDown, "Input", "GIF Frame Loading", kFrameLoading}}},
        {"ico", {{"Frame Loading", RowKind::DropDown, "Input", "ICO Frame Loading", kFrameLoading}}},
        {"psd", {{"Color Mode", RowKind::DropDown, "Input", "PSD Color Mode", {"RGB", "CMYK", "LAB"}}}},
        {"raw",
         {{"Load As", RowKind::DropDown, "Input", "RAW Load As",
           {"Auto", "RGB8", "RGB16", "RGB24", "RGB48HS", "RGB48"}},
          {"Header Size", RowKind::Number, "Input", "RAW Header Size", {"Bytes"}},
          {"Image Width", RowKind::Number, "Input", "RAW Image Width", {"Pixels"}},
          {"Image Height", RowKind::Number, "Input", "RAW Image Height", {"Pixels"}},
          {"Tone Mapping", RowKind::DropDown, "Input", "RAW Tone Mapping",
           {"None", "Linear", "Adaptive Logarithmic", "DR Reduction", "Gradient Domain"}}}},
        {"tiff", {{"Frame Loading", RowKind::DropDown, "Input", "TIFF Frame Loading", kFrameLoading}}},
    };
    return pages;
}

const std::vector<SubPageRows>& OutputExtraRows() {
    static const std::vector<SubPageRows> rows = {
        {"bmp",
         {{"Compression", RowKind::DropDown, "Output", "BMP Compression", {"None", "RLE"}},
          {"Color Table", RowKind::DropDown, "Output", "BMP Color Table", {"Auto", "Exact"}}}},
        {"exr",
         {{"Compression", RowKind::DropDown, "Output", "EXR Compression",
           {"None", "ZIP", "PIZ", "PXR24", "B44"}}}},
        {"jpg",
         {{"Image Quality", RowKind::Track, "Output", "JPG Quality", {}, 1, 100},
          {"Chroma Subsampling", RowKind::DropDown, "Output", "JPG Chroma",
           {"None", "Low", "Medium", "High"}},
          {"Save As", RowKind::DropDown, "Output", "JPG Save As",
           {"Baseline Standard", "Baseline Simple", "Baseline Optimized", "Progressive"}}}},
        {"pcx", {{"Compression", RowKind::DropDown, nullptr, nullptr, {"RLE"}}}},
        {"png",
         {{"Compression", RowKind::DropDown, "Output", "PNG Compression",
           {"None", "ZLIB1", "ZLIB6", "ZLIB9"}},
          {"Interlaced", RowKind::CheckBox, "Output", "PNG Interlaced"}}},
        {"tga", {{"Compression", RowKind::DropDown, "Output", "TGA Compression", {"None", "RLE"}}}},
        {"tiff",
         {{"Compression", RowKind::DropDown, "Output", "TIFF Compression",
           {"None", "CCITTFAX3", "CCITTFAX4", "PACKBITS", "DEFLATE", "ADOBEDEFLATE", "LZW",
            "JPEG", "LOGLUV"}},
          {"Color Mode", RowKind::DropDown, "Output", "TIFF Color Mode", {"RGB", "CMYK"}}}},
        {"webp", {{"Image Quality", RowKind::Track, "Output", "WEBP Quality", {}, 1, 100}}},
    };
    return rows;
}

// The first rows of Input and Output list the primary formats; each item's data is its index
// in the primary list, which is what OK maps back to an extension.
void FillFormatList(PreferencesRow& row, const std::vector<std::string>& primary,
                    const std::string& current) {
    int selected = 0;
    for (int i = 0; i < row.combo->count(); ++i) {
        const size_t entry = static_cast<size_t>(row.combo->itemData(i).toInt());
        if (entry < primary.size() && primary[entry] == current)
            selected = i;
    }
    row.combo->setCurrentIndex(row.combo->count() > 0 ? selected : -1);
}

std::string StoredFormat(const PreferencesRow& row, const std::vector<std::string>& primary,
                         const std::string& fallback) {
    if (row.combo->currentIndex() < 0)
        return fallback;
    const size_t entry = static_cast<size_t>(row.combo->currentData().toInt());
    return entry < primary.size() ? primary[entry] : fallback;
}

int PositionOf(const std::vector<std::string>& primary, const std::string& format) {
    int position = 0;
    for (size_t i = 0; i < primary.size() && i < 128; ++i) {
        if (primary[i].empty())
            continue;
        if (primary[i] == format)
            return position;
        ++position;
    }
    return -2; // never a list position: the sub-page stays hidden
}

// Sub-pages hang off the format list: each is shown while its format is selected.
void AddSubPage(PreferencesPageContext& context, QWidget* page, const char* listRow,
                const std::vector<std::string>& primary, const std::string& format,
                std::span<const RowDescription> rows, int firstRow, const RowDescription* first = nullptr) {
    auto* sub = new QWidget(page);
    sub->setGeometry(kSubPageArea);
    if (first != nullptr)
        context.rows.add(sub, 0, *first);
    context.rows.addAll(sub, rows, firstRow);
    const std::string name = std::string(listRow) + " " + format;
    context.rows.addTarget(name, sub);
    context.rows.addRule({listRow, {PositionOf(primary, format)}, RuleEffect::Show, {name}});
}

const RowDescription kTransformRows[] = {
    {"Image Rotation", RowKind::CheckBox, "Transform", "Do Image Rotation"},
    {"Rotation Type", RowKind::DropDown, "Transform", "Image Rotation Type",
     {"Simple Rotation", "Advanced Rotation"}},
    {"Rotation Angle", RowKind::Track, "Transform", "Image Rotation", {}, 0, 360},
    {"Background Color", RowKind::Swatch, "Transform", "Image Rotation Back Color"},
    {"Image Resize", RowKind::CheckBox, "Transform", "Do Image Resize"},
    {"Image Width", RowKind::Number, "Transform", "Image Width", {"Pixels", "Percent"}, 0, 0,
     TrackScale::Plain, "Transform", "Image Width Unit"},
    {"Image Height", RowKind::Number, "Transform", "Image Height", {"Pixels", "Percent"}, 0, 0,
     TrackScale::Plain, "Transform", "Image Height Unit"},
    {"Keep Aspect Ratio", RowKind::CheckBox, "Transform", "Keep Aspect Ratio"},
    {"Resize Type", RowKind::DropDown, "Transform", "Image Resize Type",
     {"All Images", "Large Images"}},
    {"Resize Algorithm", RowKind::DropDown, "Transform", "Image Resize Algorithm",
     {"Box", "Bilinear", "Bspline", "Bicubic", "Catmullrom", "Lanczos"}},
    {"Image Flip Horizontal", RowKind::CheckBox, "Transform", "Do Image Flip Horizontal"},
    {"Image Flip Vertical", RowKind::CheckBox, "Transform", "Do Image Flip Vertical"},
};

const RowDescription kAdjustmentRows[] = {
    {"Image Brightness", RowKind::Track, "Adjustment", "Image Brightness", {}, 0, 200,
     TrackScale::Offset100},
    {"Image Contrast", RowKind::Track, "Adjustment", "Image Contrast", {}, 0, 200,
     TrackScale::Offset100},
    {"Image Gamma", RowKind::Track, "Adjustment", "Image Gamma", {}, 1, 999,
     TrackScale::Hundredths},
    {"Image Invert", RowKind::CheckBox, "Adjustment", "Image Invert"},
    {"Image Greyscale", RowKind::CheckBox, "Adjustment", "Do Image Greyscale"},
    {"Image Threshold", RowKind::CheckBox, "Adjustment", "Do Image Threshold"},
    {"Threshold Level", RowKind::Track, "Adjustment", "Image Threshold", {}, 0, 255},
    {"Image Dither", RowKind::CheckBox, "Adjustment", "Do Image Dither"},
    {"Dither Algorithm", RowKind::DropDown, "Adjustment", "Image Dither Algorithm",
     {"FS", "Bayer4", "Bayer8", "Bayer16", "Cluster6", "Cluster8", "Cluster16"}},
};

const RowDescription kAdvancedRows[] = {
    {"Filename Mask", RowKind::Text, "Advanced", "Filename Mask"},
    {"File Timestamp", RowKind::DropDown, "Advanced", "File Timestamp",
     {"Current", "Original", "Custom"}},
    {"Custom Timestamp", RowKind::DateTime, "Advanced", "Custom Timestamp"},
    {"Out Folders History", RowKind::DropDown, "Advanced", "Out Folders History",
     {"Clean On Exit", "Keep Folders"}},
    {"Out Folders Number", RowKind::Track, "Advanced", "Out Folders Number", {}, 1, 50},
    {"Keep Subfolders", RowKind::CheckBox, "Advanced", "Keep Subfolders"},
};

const RowRule kImageRules[] = {
    {"Transform/Do Image Rotation", {1}, RuleEffect::Enable,
     {"Transform/Image Rotation Type", "Transform/Image Rotation",
      "Transform/Image Rotation Back Color"}},
    {"Transform/Do Image Resize", {1}, RuleEffect::Enable,
     {"Transform/Image Width", "Transform/Image Height", "Transform/Keep Aspect Ratio",
      "Transform/Image Resize Type", "Transform/Image Resize Algorithm"}},
    {"Adjustment/Do Image Threshold", {1}, RuleEffect::Enable, {"Adjustment/Image Threshold"}},
    {"Adjustment/Do Image Dither", {1}, RuleEffect::Enable, {"Adjustment/Image Dither Algorithm"}},
    {"Advanced/File Timestamp", {2}, RuleEffect::Enable, {"Advanced/Custom Timestamp"}},
    // RGB8 and RGB16 are headerless pictures that need their size; the 48-bit ones are HDR.
    {"Input/RAW Load As", {1, 2}, RuleEffect::Enable,
     {"Input/RAW Header Size", "Input/RAW Image Width", "Input/RAW Image Height"}},
    {"Input/RAW Load As", {4, 5}, RuleEffect::Enable, {"Input/RAW Tone Mapping"}},
};

void AddRulesOf(PreferencesPageContext& context, const std::string& group) {
    for (const RowRule& rule : kImageRules)
        if (rule.controller.rfind(group + "/", 0) == 0)
            context.rows.addRule(rule);
}

QWidget* PlainPage(PreferencesPageContext& context) {
    auto* page = new QWidget(context.parent);
    page->setGeometry(kPageArea);
    return page;
}

} // namespace

QWidget* BuildGeneralPage(PreferencesPageContext& context) {
    QWidget* page = PlainPage(context);
    context.rows.addAll(page, kGeneralRows);
    return page;
}

QWidget* BuildInterfacePage(PreferencesPageContext& context) {
    QWidget* page = PlainPage(context);
    const auto themes = ThemeChoices(context.window.themes);
    PreferencesRow& theme = context.rows.add(
        page, 0,
        WithHooks({"UI Theme", RowKind::DropDown, "Interface", "UI Theme"}, kThemeHooks));
    if (themes.empty())
        theme.combo->addItem(QString::fromStdString(GetText("Preferences", "None")));
    for (const auto& [key, name] : themes)
        theme.combo->addItem(QString::fromStdString(name), QString::fromStdString(key));
    context.rows.addAll(page, kInterfaceRows, 1);
    return page;
}

// Row 0 of the Input and Output pages: the format drop-down, one item per primary format
// (upper case, its index as data), filled and stored through hooks.
void AddFormatList(PreferencesPageContext& context, QWidget* page, const char* label,
                   const char* group, const std::vector<std::string>& primary,
                   const RowHooks& hooks) {
    PreferencesRow& list =
        context.rows.add(page, 0, WithHooks({label, RowKind::DropDown, group, "Format"}, hooks));
    for (size_t i = 0; i < primary.size() && i < 128; ++i)
        if (!primary[i].empty())
            list.combo->addItem(context.formatIcon, QString::fromStdString(primary[i]).toUpper(),
                                static_cast<int>(i));
}

QWidget* BuildInputPage(PreferencesPageContext& context) {
    QWidget* page = PlainPage(context);
    static const RowHooks hooks = {
        {},
        [](PreferencesRow& row, const Settings& settings) {
            FillFormatList(row, PrimaryInputFormats(), settings.input.format);
        },
        [](const PreferencesRow& row, Settings& settings) {
            settings.input.format =
                StoredFormat(row, PrimaryInputFormats(), settings.input.format);
        },
        {},
    };
    const std::vector<std::string>& primary = PrimaryInputFormats();
    AddFormatList(context, page, "Input Format", "Input", primary, hooks);
    for (const SubPageRows& sub : InputSubPages())
        AddSubPage(context, page, "Input/Format", primary, sub.format, sub.rows, 0);
    AddRulesOf(context, "Input");
    return page;
}

QWidget* BuildOutputPage(PreferencesPageContext& context) {
    QWidget* page = PlainPage(context);
    static const RowHooks hooks = {
        {},
        [](PreferencesRow& row, const Settings& settings) {
            FillFormatList(row, PrimaryOutputFormats(), settings.output.format);
        },
        [](const PreferencesRow& row, Settings& settings) {
            settings.output.format =
                StoredFormat(row, PrimaryOutputFormats(), settings.output.format);
        },
        {},
    };
    const std::vector<std::string>& primary = PrimaryOutputFormats();
    AddFormatList(context, page, "Output Format", "Output", primary, hooks);
    for (const OutputFormat& format : OutputFormats()) {
        std::string upper = format.extension;
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const SettingField* depth = FindSetting("Output", upper + " BPP");
        // The schema's own strings outlive every dialog, so the row may point at them.
        RowDescription depthRow = {"Bits Per Pixel", RowKind::DepthList,
                                   depth != nullptr ? depth->group : nullptr,
                                   depth != nullptr ? depth->key : nullptr};
        depthRow.format = format.extension.c_str();
        std::span<const RowDescription> extra;
        for (const SubPageRows& rows : OutputExtraRows())
            if (format.extension == rows.format)
                extra = rows.rows;
        AddSubPage(context, page, "Output/Format", primary, format.extension, extra, 1, &depthRow);
    }
    return page;
}

QWidget* BuildTransformPage(PreferencesPageContext& context) {
    QScrollArea* page = MakeScrollPage(context.parent, kPageArea, QSize(420, 375));
    context.rows.addAll(page->widget(), kTransformRows);
    AddRulesOf(context, "Transform");
    return page;
}

QWidget* BuildAdjustmentPage(PreferencesPageContext& context) {
    QScrollArea* page = MakeScrollPage(context.parent, kPageArea, QSize(420, 285));
    context.rows.addAll(page->widget(), kAdjustmentRows);
    AddRulesOf(context, "Adjustment");
    return page;
}

QWidget* BuildAdvancedPage(PreferencesPageContext& context) {
    QWidget* page = PlainPage(context);
    context.rows.addAll(page, kAdvancedRows);
    AddRulesOf(context, "Advanced");
    return page;
}

} // namespace dravik
