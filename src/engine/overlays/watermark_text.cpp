#include "engine/overlays/watermark_text.h"
#include "engine/overlays/watermark.h"

#include "engine/format_tables.h"
#include "engine/output_naming.h"
#include "engine/overlays/canvas.h"

#include <glib.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <unordered_map>
#include <vector>

namespace dravik {
namespace watermark_parts {
namespace {

template <typename T> struct GObjectUnref {
    void operator()(T* p) const { g_object_unref(p); }
};
template <typename T> using GObjectPtr = std::unique_ptr<T, GObjectUnref<T>>;

// ---------------------------------------------------------------------------
// Placeholders.

int32_t SavedBitDepth(const AppState& state) {
    if (!state.autoBitDepth)
        return state.outputBitDepth;
    const OutputFormat* format = FindOutputFormat(state.outputExtension);
    if (format == nullptr)
        return state.outputBitDepth;
    const std::vector<int> depths = AllowedDepths(*format);
    if (depths.empty())
        return state.outputBitDepth;
    for (int depth : depths) {
        if (depth >= state.inputBitDepth)
            return depth;
    }
    return depths.back();
}

std::string AsciiLower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// ---------------------------------------------------------------------------
// Text block: the lines of the watermark text, measured and placed inside
// the text canvas.

constexpr std::string_view kLineBreak = "%eol%";
// Lines and heights never measure below this when the text has line breaks.
constexpr int64_t kMinLineExtent = 10;
// A line is cut after this many pixels' worth of em widths: pango positions
// glyphs in 32-bit units of 1/1024 pixel, and no picture is anywhere near
// as wide, so only invisible text is lost.
constexpr double kMaxLineEms = 500'000;
// Above this em size glyphs are filled as outlines instead of being
// rasterised whole into the glyph cache, which would take megabytes each.
constexpr double kOutlineFromPixels = 256;

struct Line {
    std::string text;
    int64_t x = 0, y = 0, w = 0, h = 0;
    int64_t alignWidth = 0; // vector text aligns by its own, unhinted width
};

GObjectPtr<PangoLayout> MakeLayout(const WatermarkFont& font, bool vector) {
    GObjectPtr<PangoLayout> layout(pango_layout_new(font.context(vector)));
    pango_layout_set_font_description(layout.get(), font.description());
    pango_layout_set_attributes(layout.get(), font.attributes());
    // A line is drawn as one row whatever control characters it holds.
    pango_layout_set_single_paragraph_mode(layout.get(), TRUE);
    return layout;
}

class TextBlock : public Source {
  public:
    TextBlock(const std::string& text, const WatermarkFont& font, const Settings::Watermark& wm);

    int64_t width() const override { return width_; }
    int64_t height() const override { return height_; }
    bool paint(cairo_t* cr, const Rect& region) override;

  private:
    void drawLine(cairo_t* cr, const Line& line) const;

    const WatermarkFont& font_;
    const Settings::Watermark& wm_;
    bool vector_ = false;
    std::vector<Line> lines_;
    int64_t width_ = 0, height_ = 0;
};

std::vector<std::string> SplitLines(const std::string& text) {
    const std::string lower = AsciiLower(text);
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t at = lower.find(kLineBreak); at != std::string::npos;
         at = lower.find(kLineBreak, start)) {
        lines.push_back(text.substr(start, at - start));
        start = at + kLineBreak.size();
    }
    lines.push_back(text.substr(start));
    return lines;
}

std::string ValidUtf8(const std::string& text) {
    gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    std::string out(valid);
    g_free(valid);
    return out;
}

TextBlock::TextBlock(const std::string& rawText, const WatermarkFont& font,
                     const Settings::Watermark& wm)
    : font_(font), wm_(wm), vector_(wm.textAntialiasing != 0) {
    const std::string text = ValidUtf8(rawText);
    std::vector<std::string> parts = SplitLines(text);
    const size_t maxChars =
        static_cast<size_t>(std::max(1.0, kMaxLineEms / std::max(1.0, font.pixelSize())));

    GObjectPtr<PangoLayout> raster = MakeLayout(font, false);
    GObjectPtr<PangoLayout> vector = vector_ ? MakeLayout(font, true) : nullptr;
    struct Measure {
        int64_t w, h, vw;
    };
    // Texts made of many equal lines (or many empty ones) measure each once.
    std::unordered_map<std::string, Measure> measured;

    lines_.reserve(parts.size());
    for (std::string& part : parts) {
        if (static_cast<size_t>(g_utf8_strlen(part.data(), static_cast<gssize>(part.size()))) >
            maxChars) {
            const char* end = g_utf8_offset_to_pointer(part.data(), static_cast<glong>(maxChars));
            part.resize(static_cast<size_t>(end - part.data()));
        }
        auto found = measured.find(part);
        if (found == measured.end()) {
            Measure m{};
            PangoRectangle logical;
            pango_layout_set_text(raster.get(), part.data(), static_cast<int>(part.size()));
            pango_layout_get_pixel_extents(raster.get(), nullptr, &logical);
            m.w = logical.width;
            m.h = logical.height;
            m.vw = m.w;
            if (vector) {
                pango_layout_set_text(vector.get(), part.data(), static_cast<int>(part.size()));
                pango_layout_get_extents(vector.get(), nullptr, &logical);
                m.vw = std::lround(static_cast<double>(logical.width) / PANGO_SCALE);
            }
            found = measured.emplace(part, m).first;
        }
        Line line;
        line.text = std::move(part);
        line.w = found->second.w;
        line.h = found->second.h;
        line.alignWidth = found->second.vw;
        lines_.push_back(std::move(line));
    }

    const int64_t padding = wm.textPadding;
    const int64_t breaks = static_cast<int64_t>(lines_.size()) - 1;
    if (breaks == 0) {
        width_ = lines_[0].w;
        height_ = lines_[0].h;
        lines_[0].x = padding;
        lines_[0].y = padding;
    } else {
        int64_t tw = kMinLineExtent, th = kMinLineExtent;
        for (const Line& line : lines_) {
            tw = std::max(tw, line.w);
            th = std::max(th, line.h);
        }
        const int64_t step = th + wm.fontLeading;
        width_ = tw;
        height_ = th + breaks * step;
        const int64_t canvasWidth = width_ + 2 * padding;
        int64_t y = padding;
        for (Line& line : lines_) {
            const int64_t lw = line.alignWidth;
            switch (wm.textAlignment) {
            case 0:
                line.x = padding;
                break;
            case 1: {
                // Halves round away from zero.
                const int64_t free = canvasWidth - lw;
                line.x = free >= 0 ? (free + 1) / 2 : -((-free + 1) / 2);
                break;
            }
            case 2:
                line.x = canvasWidth - lw - padding;
                break;
            default:
                line.x = 0;
                break;
            }
            line.y = y;
            y += step;
        }
    }
    width_ += 2 * padding;
    height_ += 2 * padding;
}

void TextBlock::drawLine(cairo_t* cr, const Line& line) const {
    GObjectPtr<PangoLayout> layout = MakeLayout(font_, vector_);
    pango_layout_set_text(layout.get(), line.text.data(), static_cast<int>(line.text.size()));
    cairo_move_to(cr, static_cast<double>(line.x), static_cast<double>(line.y));
    if (font_.pixelSize() <= kOutlineFromPixels) {
        pango_cairo_show_layout(cr, layout.get());
        return;
    }
    pango_cairo_layout_path(cr, layout.get());
    cairo_save(cr);
    if (!vector_)
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_fill(cr);
    cairo_restore(cr);
}

bool TextBlock::paint(cairo_t* cr, const Rect& region) {
    const Rect canvas{0, 0, width_, height_};
    const Rect area = Intersect(canvas, region);
    if (area.empty())
        return true;
    // Glyph ink may reach past a line's measured box (italics, accents).
    const int64_t margin = static_cast<int64_t>(std::ceil(font_.pixelSize())) * 2 + 2;
    const Rect near{area.x - margin, area.y - margin, area.w + 2 * margin, area.h + 2 * margin};
    auto visible = [&near](const Line& line) {
        return !Intersect(Rect{line.x, line.y, std::max<int64_t>(line.w, 1), line.h}, near).empty();
    };

    if (!vector_) {
        // Raster text: the canvas and every line's cell take the background
        // colour at its opacity, the glyphs the text colour at its own.
        const Rgba bg = ParseColorText(wm_.backColor, ClampOpacity(wm_.backOpacity));
        const Rgba fg = ParseColorText(wm_.fontColor, ClampOpacity(wm_.textOpacity));
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        SetSourceColor(cr, bg);
        FillRect(cr, canvas, area);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        for (const Line& line : lines_) {
            if (!visible(line))
                continue;
            SetSourceColor(cr, bg);
            FillRect(cr, Rect{line.x, line.y, line.w, line.h}, near);
            SetSourceColor(cr, fg);
            drawLine(cr, line);
        }
    } else {
        // Vector text: an opaque background and opaque antialiased text,
        // each laid on with its own constant opacity.
        Rgba bg = ParseColorText(wm_.backColor, ClampOpacity(wm_.backOpacity));
        SetSourceColor(cr, bg);
        FillRect(cr, canvas, area);
        cairo_push_group(cr);
        SetSourceColor(cr, ParseColorText(wm_.fontColor, 255));
        for (const Line& line : lines_) {
            if (visible(line))
                drawLine(cr, line);
        }
        cairo_pop_group_to_source(cr);
        cairo_paint_with_alpha(cr, ClampOpacity(wm_.textOpacity) / 255.0);
    }
    return cairo_status(cr) == CAIRO_STATUS_SUCCESS;
}

} // namespace

std::unique_ptr<Source> LayOutText(const std::string& text, const WatermarkFont& font,
                                   const Settings::Watermark& wm) {
    return std::make_unique<TextBlock>(text, font, wm);
}

} // namespace watermark_parts

namespace {

std::string ExpandWatermarkTextAt(const Settings& settings, const AppState& state,
                                  const std::tm& now) {
    const std::string& setting = settings.watermark.text;
    AppState values = state;
    values.outputBitDepth = watermark_parts::SavedBitDepth(state);
    const std::string lower = watermark_parts::AsciiLower(setting);
    std::string text = setting;
    for (const char* placeholder : Placeholders()) {
        if (lower.find(placeholder) != std::string::npos)
            text = ExpandPlaceholder(text, placeholder, values, &now);
    }
    return text;
}

bool HasPlaceholders(const std::string& text) {
    return std::count(text.begin(), text.end(), '%') >= 2;
}

// One reading of the clock for a whole text, so that a text made at
// midnight cannot mix two dates.
std::tm LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

} // namespace

std::string ExpandWatermarkText(const Settings& settings, const AppState& state) {
    if (!HasPlaceholders(settings.watermark.text))
        return settings.watermark.text;
    return ExpandWatermarkTextAt(settings, state, LocalNow());
}

bool WatermarkFollowsEarlierFiles(const Settings& settings, const AppState& state) {
    if (settings.watermark.doWatermark != 1 || !HasPlaceholders(settings.watermark.text))
        return false;
    // Asked of the expansion itself rather than of the setting's words, so
    // that this stays true to however placeholders are expanded.
    const std::tm now = LocalNow();
    AppState other = state;
    other.fileCounter = state.fileCounter == 1 ? 2 : 1;
    other.randomNumber = state.randomNumber == 1 ? 2 : 1;
    return ExpandWatermarkTextAt(settings, state, now) !=
           ExpandWatermarkTextAt(settings, other, now);
}

} // namespace dravik
