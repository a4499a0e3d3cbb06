// The font of the text watermark, loaded once when a batch starts and
// released when it ends.
#pragma once

#include "platform/font_family.h"
#include "settings/settings.h"

#include <pango/pangocairo.h>

#include <optional>
#include <string>

namespace dravik {

// Font Style values.
inline constexpr uint8_t kFontBold = 1;
inline constexpr uint8_t kFontItalic = 2;
// Font Effect values.
inline constexpr uint8_t kFontUnderline = 1;
inline constexpr uint8_t kFontStrikethrough = 2;

class WatermarkFont {
  public:
    // Loads `Watermark/Font` in `Font Size` points (at 96 dots per inch,
    // the size raised to 1 point and capped at 10000), bold and italic from
    // `Font Style`, underline or strikethrough from `Font Effect`. Empty
    // when ResolveFontFamily refuses the name: the batch must not start.
    static std::optional<WatermarkFont> Load(const Settings& settings);

    ~WatermarkFont();
    WatermarkFont(WatermarkFont&& other) noexcept;
    WatermarkFont& operator=(WatermarkFont&& other) noexcept;
    WatermarkFont(const WatermarkFont&) = delete;
    WatermarkFont& operator=(const WatermarkFont&) = delete;

    // The family the text is drawn with.
    const std::string& family() const { return family_; }
    // Em size in pixels.
    double pixelSize() const { return pixelSize_; }
    // Layout contexts: `raster` draws without antialiasing and measures with
    // whole-pixel advances; `vector` draws antialiased with exact advances.
    PangoContext* context(bool vector) const { return vector ? vector_ : raster_; }
    const PangoFontDescription* description() const { return description_; }
    // Underline or strikethrough, applied to every line.
    PangoAttrList* attributes() const { return attributes_; }

  private:
    WatermarkFont() = default;
    void release();

    std::string family_;
    double pixelSize_ = 0;
    PangoFontMap* fontMap_ = nullptr;
    PangoContext* raster_ = nullptr;
    PangoContext* vector_ = nullptr;
    PangoFontDescription* description_ = nullptr;
    PangoAttrList* attributes_ = nullptr;
};

} // namespace dravik
