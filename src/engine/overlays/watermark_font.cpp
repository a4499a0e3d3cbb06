#include "engine/overlays/watermark_font.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace dravik {
namespace {

constexpr double kPointsToPixels = 96.0 / 72.0;
constexpr int kMinPoints = 1;
constexpr int kMaxPoints = 10000;

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
