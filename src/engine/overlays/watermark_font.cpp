#include "engine/overlays/watermark_font.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace dravik {
namespace {

constexpr double kPointsToPixels = 96.0 / 72.0;
constexpr int kMinPoints = 1;
constexpr int kMaxPoints = 10000;

bool SameFamily(const FcChar8* a, const std::string& b) {
    return FcStrCmpIgnoreCase(a, reinterpret_cast<const FcChar8*>(b.c_str())) == 0;
}

cairo_font_options_t* FontOptions(bool vector) {
    cairo_font_options_t* options = cairo_font_options_create();
    if (vector) {
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    } else {
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_NONE);
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_FULL);
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    }
    return options;
}

PangoContext* MakeContext(PangoFontMap* map, bool vector) {
    PangoContext* context = pango_font_map_create_context(map);
    cairo_font_options_t* options = FontOptions(vector);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_cairo_context_set_resolution(context, 96.0);
    return context;
}

} // namespace

namespace {

using FamilyList = std::vector<std::string>;

FcPattern* FamilyPattern(const std::string& family, bool bold, bool italic) {
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr)
        return nullptr;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    return pattern;
}

// The families of a pattern after fontconfig's configuration has worked on
// it; with `strongOnly`, only those bound strongly (same-metric aliases).
FamilyList Families(FcPattern* pattern, bool strongOnly) {
    FamilyList families;
    FcValue value;
    FcValueBinding binding;
    for (int i = 0;
         FcPatternGetWithBinding(pattern, FC_FAMILY, i, &value, &binding) == FcResultMatch; ++i) {
        if (value.type == FcTypeString && (!strongOnly || binding == FcValueBindingStrong))
            families.emplace_back(reinterpret_cast<const char*>(value.u.s));
    }
    return families;
}

// What the configuration appends after `family` when a generic family is
// already there. The generic "monospace" keeps out the catch-all that gives
// any name without a generic family the default sans-serif, so only a
// classification of the name itself (Tahoma as sans-serif, say) adds
// families.
FamilyList ClassifiedFamilies(const std::string& family) {
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr)
        return {};
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("monospace"));
    FamilyList families;
    if (FcConfigSubstitute(nullptr, pattern, FcMatchPattern))
        families = Families(pattern, false);
    FcPatternDestroy(pattern);
    if (!families.empty())
        families.erase(families.begin());
    return families;
}

bool Contains(const FamilyList& list, const FcChar8* name) {
    return std::any_of(list.begin(), list.end(),
                       [name](const std::string& a) { return SameFamily(name, a); });
}

// The stand-ins fontconfig's own configuration names for `family`: what its
// classification brings in beyond what a name it knows nothing about gets.
FamilyList ConfiguredStandIns(const std::string& family) {
    // A generic alias names no font of its own: what it expands to is the
    // fallback, not a stand-in.
    static const FamilyList kGeneric = {"sans-serif", "serif", "monospace", "cursive", "fantasy",
                                        "system-ui",  "emoji", "math",      "sans",    "mono"};
    if (Contains(kGeneric, reinterpret_cast<const FcChar8*>(family.c_str())))
        return {};
    static const std::string kUnknown = "Dravik Unknown Family 7f3e";
    const FamilyList known = ClassifiedFamilies(family);
    const FamilyList unknown = ClassifiedFamilies(kUnknown);
    FamilyList standIns;
    for (const std::string& name : known) {
        if (!Contains(unknown, reinterpret_cast<const FcChar8*>(name.c_str())))
            standIns.push_back(name);
    }
    return standIns;
}

} // namespace

std::optional<std::string> ResolveFontFamily(const std::string& requested, bool bold, bool italic) {
    if (requested.empty() || requested.find('\0') != std::string::npos)
        return std::nullopt;
    FcPattern* pattern = FamilyPattern(requested, bold, italic);
    if (pattern == nullptr)
        return std::nullopt;
    if (!FcConfigSubstitute(nullptr, pattern, FcMatchPattern)) {
        FcPatternDestroy(pattern);
        return std::nullopt;
    }
    FcDefaultSubstitute(pattern);

    // The family itself, its same-metric aliases (bound strongly to the name
    // asked for; the fallbacks appended for any name are bound weakly), and
    // the stand-ins the configuration names for it.
    FamilyList accepted = Families(pattern, true);
    accepted.push_back(requested);

    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr)
        return std::nullopt;
    std::optional<std::string> family;
    FamilyList standIns;
    bool standInsKnown = false;
    FcChar8* name = nullptr;
    for (int i = 0; !family && FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch;
         ++i) {
        if (Contains(accepted, name)) {
            family = reinterpret_cast<const char*>(name);
            continue;
        }
        if (!standInsKnown) {
            standIns = ConfiguredStandIns(requested);
            standInsKnown = true;
        }
        if (Contains(standIns, name))
            family = reinterpret_cast<const char*>(name);
    }
    FcPatternDestroy(match);
    return family;
}

std::optional<WatermarkFont> WatermarkFont::Load(const Settings& settings) {
    const Settings::Watermark& wm = settings.watermark;
    const bool bold = (wm.fontStyle & kFontBold) != 0 && wm.fontStyle <= 3;
    const bool italic = (wm.fontStyle & kFontItalic) != 0 && wm.fontStyle <= 3;
    std::optional<std::string> family = ResolveFontFamily(wm.font, bold, italic);
    if (!family)
        return std::nullopt;

    WatermarkFont font;
    font.family_ = *family;
    const int points = std::clamp<int32_t>(wm.fontSize, kMinPoints, kMaxPoints);
    font.pixelSize_ = points * kPointsToPixels;
    font.fontMap_ = pango_cairo_font_map_new();
    if (font.fontMap_ == nullptr)
        return std::nullopt;
    font.raster_ = MakeContext(font.fontMap_, false);
    font.vector_ = MakeContext(font.fontMap_, true);

    font.description_ = pango_font_description_new();
    pango_font_description_set_family(font.description_, font.family_.c_str());
    pango_font_description_set_weight(font.description_,
                                      bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(font.description_,
                                     italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_font_description_set_absolute_size(font.description_, font.pixelSize_ * PANGO_SCALE);

    font.attributes_ = pango_attr_list_new();
    if (wm.fontEffect == kFontUnderline)
        pango_attr_list_insert(font.attributes_, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    else if (wm.fontEffect == kFontStrikethrough)
        pango_attr_list_insert(font.attributes_, pango_attr_strikethrough_new(TRUE));
    return font;
}

void WatermarkFont::release() {
    if (attributes_ != nullptr)
        pango_attr_list_unref(attributes_);
    if (description_ != nullptr)
        pango_font_description_free(description_);
    if (vector_ != nullptr)
        g_object_unref(vector_);
    if (raster_ != nullptr)
        g_object_unref(raster_);
    if (fontMap_ != nullptr)
        g_object_unref(fontMap_);
    attributes_ = nullptr;
    description_ = nullptr;
    vector_ = raster_ = nullptr;
    fontMap_ = nullptr;
}

WatermarkFont::~WatermarkFont() {
    release();
}

WatermarkFont::WatermarkFont(WatermarkFont&& other) noexcept
    : family_(std::move(other.family_)), pixelSize_(other.pixelSize_),
      fontMap_(std::exchange(other.fontMap_, nullptr)),
      raster_(std::exchange(other.raster_, nullptr)),
      vector_(std::exchange(other.vector_, nullptr)),
      description_(std::exchange(other.description_, nullptr)),
      attributes_(std::exchange(other.attributes_, nullptr)) {}

WatermarkFont& WatermarkFont::operator=(WatermarkFont&& other) noexcept {
    if (this != &other) {
        release();
        family_ = std::move(other.family_);
        pixelSize_ = other.pixelSize_;
        fontMap_ = std::exchange(other.fontMap_, nullptr);
        raster_ = std::exchange(other.raster_, nullptr);
        vector_ = std::exchange(other.vector_, nullptr);
        description_ = std::exchange(other.description_, nullptr);
        attributes_ = std::exchange(other.attributes_, nullptr);
    }
    return *this;
}

} // namespace dravik
