#include "pict/text_draw.h"

#include "pict/axis.h"
#include "pict/byte_reader.h"
#include "pict/modes.h"
#include "pict/text_encoding.h"
#include "pict/text_fonts.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace dravik::pict {
namespace {

// Larger text than this em size would not fit any canvas: it is drawn at
// this size instead of asking the font engine for glyphs of a million pixels.
constexpr double kMaxEmPixels = 4000;
// Laying a run out costs about as much as painting this many pixels.
constexpr int64_t kRunCost = 20000;
// Run origins beyond this stay there: no picture coordinate goes further.
constexpr int kOriginLimit = 1 << 20;
// Extra space per character, in picture units: more would only push a run
// out of any canvas, and far more would overflow pango's coordinates.
constexpr double kMaxSpacing = 256;
// The dither flag of the text modes changes nothing on a true-colour canvas.
constexpr int kDitherFlag = 64;

enum Face {
    kBold = 1,
    kItalic = 2,
    kUnderline = 4,
    kOutline = 8,
    kShadow = 16,
    kCondense = 32,
    kExtend = 64
};

struct GObjectDeleter {
    void operator()(void* p) const { g_object_unref(p); }
};
template <typename T> using GPtr = std::unique_ptr<T, GObjectDeleter>;
struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct CairoDeleter {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};
struct DescriptionDeleter {
    void operator()(PangoFontDescription* d) const { pango_font_description_free(d); }
};
struct AttributesDeleter {
    void operator()(PangoAttrList* a) const { pango_attr_list_unref(a); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using CairoPtr = std::unique_ptr<cairo_t, CairoDeleter>;

// Pango's font maps are not shared between threads; each conversion thread
// keeps its own for as long as it runs.
PangoFontMap* ThreadFontMap() {
    struct Holder {
        GPtr<PangoFontMap> map;
    };
    thread_local Holder holder;
    if (!holder.map)
        holder.map.reset(pango_cairo_font_map_new());
    return holder.map.get();
}

uint8_t Mix(uint8_t from, uint8_t to, int amount) {
    return static_cast<uint8_t>(from + (to - from) * amount / 255);
}

Rgb MixColour(Rgb from, Rgb to, int amount) {
    return {Mix(from.r, to.r, amount), Mix(from.g, to.g, amount), Mix(from.b, to.b, amount)};
}

// The largest value within `radius` pixels (a square), rows then columns.
std::vector<uint8_t> Dilate(const std::vector<uint8_t>& in, int w, int h, int radius) {
    std::vector<uint8_t> rows(in.size()), out(in.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t m = 0;
            for (int k = std::max(0, x - radius); k <= std::min(w - 1, x + radius); ++k)
                m = std::max(m, in[static_cast<size_t>(y) * w + k]);
            rows[static_cast<size_t>(y) * w + x] = m;
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t m = 0;
            for (int k = std::max(0, y - radius); k <= std::min(h - 1, y + radius); ++k)
                m = std::max(m, rows[static_cast<size_t>(k) * w + x]);
            out[static_cast<size_t>(y) * w + x] = m;
        }
    return out;
}

// QuickDraw's outline face: the glyphs grown by a pixel, their own pixels
// left clear; shadow adds the grown glyphs again `shadow` pixels down and
// to the right.
void OutlineGlyphs(std::vector<uint8_t>& glyphs, int w, int h, int width, int shadow) {
    std::vector<uint8_t> grown = Dilate(glyphs, w, h, width);
    if (shadow > 0) {
        const std::vector<uint8_t> edge = grown;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int k = 1; k <= shadow && k <= x && k <= y; ++k) {
                    uint8_t& g = grown[static_cast<size_t>(y) * w + x];
                    g = std::max(g, edge[static_cast<size_t>(y - k) * w + (x - k)]);
                }
    }
    for (size_t i = 0; i < glyphs.size(); ++i)
        glyphs[i] = std::min<uint8_t>(grown[i], static_cast<uint8_t>(255 - glyphs[i]));
}

// The A8 surface's pixels without the row padding.
std::vector<uint8_t> Pixels(cairo_surface_t* surface, int w, int h) {
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    std::vector<uint8_t> out(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        std::copy_n(data + static_cast<ptrdiff_t>(y) * stride, w,
                    out.begin() + static_cast<ptrdiff_t>(y) * w);
    return out;
}

double Finite(double v, double limit) {
    return std::isfinite(v) ? std::clamp(v, -limit, limit) : 0;
}

} // namespace

// The layout contexts, one per kind of rendering, made when the first run
// needs them.
struct TextDrawer::Pango {
    std::array<GPtr<PangoContext>, 4> contexts;

    PangoContext* context(bool smooth, bool fractional) {
        GPtr<PangoContext>& slot = contexts[(smooth ? 1 : 0) + (fractional ? 2 : 0)];
        if (slot)
            return slot.get();
        slot.reset(pango_font_map_create_context(ThreadFontMap()));
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_antialias(options,
                                         smooth ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
        cairo_font_options_set_hint_style(options,
                                          smooth ? CAIRO_HINT_STYLE_SLIGHT : CAIRO_HINT_STYLE_FULL);
        // QuickDraw advanced by whole pixels unless the picture asked for
        // fractional widths.
        cairo_font_options_set_hint_metrics(options, fractional ? CAIRO_HINT_METRICS_OFF
                                                                : CAIRO_HINT_METRICS_ON);
        pango_cairo_context_set_font_options(slot.get(), options);
        cairo_font_options_destroy(options);
        pango_cairo_context_set_resolution(slot.get(), 72);
        pango_context_set_round_glyph_positions(slot.get(), fractional ? FALSE : TRUE);
        return slot.get();
    }
};

TextDrawer::TextDrawer(const RasterTarget& target, const PortState& port, DrawBudget& budget,
                       std::function<void(std::string)> note)
    : target_(target), port_(port), budget_(budget), note_(std::move(note)),
      pango_(std::make_unique<Pango>()) {}

TextDrawer::~TextDrawer() = default;

void TextDrawer::state(const TextStateOp& op) {
    switch (op.which) {
    case TextStateOp::Font:
        font_ = op.value;
        break;
    case TextStateOp::FontName:
        if (fontNames_.size() < 4096 || fontNames_.count(op.value) != 0)
            fontNames_[op.value] =
                MacToUtf8({reinterpret_cast<const uint8_t*>(op.name.data()), op.name.size()},
                          MacEncoding::Roman);
        break;
    case TextStateOp::Face:
        face_ = op.value;
        break;
    case TextStateOp::Size:
        size_ = op.value;
        break;
    case TextStateOp::Mode:
        mode_ = op.value;
        break;
    case TextStateOp::SpaceExtra:
        spaceExtra_ = Finite(op.amount, kMaxSpacing);
        break;
    case TextStateOp::CharExtra:
        charExtra_ = Finite(op.amount, kMaxSpacing);
        break;
    case TextStateOp::Ratio:
        std::copy(std::begin(op.ratio), std::end(op.ratio), std::begin(ratio_));
        break;
    case TextStateOp::LineJustify:
        justifySpacing_ = Finite(op.amount, kMaxSpacing);
        justifyExtra_ = Finite(op.extra, 16 * kMaxSpacing);
        break;
    case TextStateOp::GlyphState:
        fractional_ = op.value != 0;
        break;
    }
}

void TextDrawer::comment(const CommentOp& op, std::span<const uint8_t> bytes) {
    std::span<const uint8_t> data;
    if (op.dataOffset <= bytes.size() && op.size <= bytes.size() - op.dataOffset)
        data = bytes.subspan(op.dataOffset, op.size);
    ByteReader d(data);
    switch (op.kind) {
    case 150: { // TextBegin: justification, flip, angle, line spacing, a spare byte, angle again
        d.u8();
        const int flip = d.u8();
        const int angle = d.s16();
        d.u8();
        d.u8();
        const double exact = d.left() >= 4 ? d.fixed() : 0;
        text_ = Rotation{};
        text_.flip = flip <= 2 ? flip : 0;
        text_.angle = exact != 0 ? Finite(exact, 3600) : angle;
        textRotated_ = true;
        textPivot_.reset();
        break;
    }
    case 151: // TextEnd
        text_ = Rotation{};
        textRotated_ = false;
        textPivot_.reset();
        break;
    case 154: // TextCenter: from the first run's origin, vertical first
        text_.centreV = Finite(d.fixed(), 1e5);
        text_.centreH = Finite(d.fixed(), 1e5);
        textPivot_.reset();
        break;
    case 200: // RotateBegin: flip, angle
        rotate_.flip = std::clamp<int>(d.s16(), 0, 2);
        rotate_.angle = d.s16();
        rotated_ = true;
        rotatePivot_.reset();
        break;
    case 201: // RotateEnd
        rotate_ = Rotation{};
        rotated_ = false;
        rotatePivot_.reset();
        break;
    case 202: // RotateCenter, which comes before its RotateBegin
        rotate_.centreV = Finite(d.fixed(), 1e5);
        rotate_.centreH = Finite(d.fixed(), 1e5);
        rotatePivot_.reset();
        break;
    default:
        break;
    }
}

// Each new name costs fontconfig a search; a picture gets a few hundred,
// after which fonts go by their numbers alone.
const MacFont& TextDrawer::chooseFont(bool bold, bool italic) {
    constexpr size_t kMaxFonts = 256;
    const auto named = fontNames_.find(font_);
    std::string name = named != fontNames_.end() ? named->second : "";
    if (fonts_.size() >= kMaxFonts && fonts_.count({font_, name, bold, italic}) == 0)
        name.clear();
    auto key = std::make_tuple(font_, name, bold, italic);
    auto it = fonts_.find(key);
    if (it == fonts_.end())
        it = fonts_.emplace(key, ChooseMacFont(font_, name, bold, italic)).first;
    return it->second;
}

bool TextDrawer::run(const TextOp& op) {
    if (op.relative) {
        originH_ = std::clamp(originH_ + op.h, -kOriginLimit, kOriginLimit);
        originV_ = std::clamp(originV_ + op.v, -kOriginLimit, kOriginLimit);
    } else {
        originH_ = op.h;
        originV_ = op.v;
    }
    // Every run of a rotated block turns about the point its first run set.
    std::optional<std::pair<double, double>>* pivot = nullptr;
    const Rotation* rotation = nullptr;
    if (textRotated_ && (text_.angle != 0 || text_.flip != 0)) {
        rotation = &text_;
        pivot = &textPivot_;
    } else if (rotated_ && (rotate_.angle != 0 || rotate_.flip != 0)) {
        rotation = &rotate_;
        pivot = &rotatePivot_;
    }
    if (pivot != nullptr && !*pivot)
        *pivot = std::make_pair(originH_ + rotation->centreH, originV_ + rotation->centreV);
    if (op.bytes.empty() || target_.area.empty())
        return false;
    if (!budget_.take(kRunCost))
        return false;

    const bool bold = (face_ & kBold) != 0, italic = (face_ & kItalic) != 0;
    const MacFont& font = chooseFont(bold, italic);
    if (font.family.empty()) {
        leftOut_ = true;
        note_("text in " + font.name + " not drawn: no installed font stands in for it");
        return false;
    }
    if (font.script != 0)
        note_("text of script system " + std::to_string(font.script) + " drawn as MacRoman");
    const std::string text = MacToUtf8(
        {reinterpret_cast<const uint8_t*>(op.bytes.data()), op.bytes.size()}, font.encoding);
    if (text.empty())
        return false;

    // Sizes are points of the picture's 72 dpi grid; TxRatio stretches them.
    const double sx = static_cast<double>(target_.width) / target_.area.width();
    const double sy = static_cast<double>(target_.height) / target_.area.height();
    auto ratio = [](int num, int den) {
        const double r = den != 0 ? static_cast<double>(num) / den : 1;
        return r > 0 ? std::clamp(r, 1.0 / 64, 64.0) : 1.0;
    };
    const double rh = ratio(ratio_[0], ratio_[2]), rv = ratio(ratio_[1], ratio_[3]);
    const double points = size_ > 0 ? size_ : 12; // 0 is the System's size
    const double em = std::min(points * sy * rv, kMaxEmPixels);
    if (em < 0.5)
        return false;
    const double stretch = sx * rh / (sy * rv); // layout units to canvas pixels, across
    const bool smooth = em >= kSmoothTextFrom;

    GPtr<PangoLayout> layout(pango_layout_new(pango_->context(smooth, fractional_)));
    std::unique_ptr<PangoFontDescription, DescriptionDeleter> description(
        pango_font_description_new());
    pango_font_description_set_family(description.get(), font.family.c_str());
    pango_font_description_set_weight(description.get(),
                                      bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(description.get(),
                                     italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_font_description_set_absolute_size(description.get(), em * PANGO_SCALE);
    pango_layout_set_font_description(layout.get(), description.get());
    pango_layout_set_text(layout.get(), text.data(), static_cast<int>(text.size()));

    // Extra space, in picture units across: condense and extend take a
    // pixel from each character or give it one, as QuickDraw did.
    const double toLayout = sx / stretch * PANGO_SCALE;
    std::unique_ptr<PangoAttrList, AttributesDeleter> attributes(pango_attr_list_new());
    if ((face_ & kUnderline) != 0)
        pango_attr_list_insert(attributes.get(), pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    const double spacing = charExtra_ + justifySpacing_ + ((face_ & kCondense) != 0 ? -1 : 0) +
                           ((face_ & kExtend) != 0 ? 1 : 0);
    if (spacing != 0)
        pango_attr_list_insert(attributes.get(), pango_attr_letter_spacing_new(static_cast<int>(
                                                     std::lround(spacing * toLayout))));
    const auto spaces = std::count(text.begin(), text.end(), ' ');
    const double perSpace = spaceExtra_ + (spaces > 0 ? justifyExtra_ / spaces : 0);
    if (perSpace != 0) {
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] != ' ')
                continue;
            PangoAttribute* a = pango_attr_letter_spacing_new(
                static_cast<int>(std::lround((spacing + perSpace) * toLayout)));
            a->start_index = static_cast<guint>(i);
            a->end_index = static_cast<guint>(i + 1);
            pango_attr_list_insert(attributes.get(), a);
        }
    }
    pango_layout_set_attributes(layout.get(), attributes.get());

    PangoRectangle ink, logical;
    pango_layout_get_extents(layout.get(), &ink, &logical);
    const double baseline = pango_layout_get_baseline(layout.get()) / double{PANGO_SCALE};

    // Layout units to canvas pixels: the baseline origin onto the run's
    // point, stretched, then turned about the pivot.
    const double ox = (originH_ - port_.originH - target_.area.left) * sx;
    const double oy = (originV_ - port_.originV - target_.area.top) * sy;
    cairo_matrix_t m;
    cairo_matrix_init_identity(&m);
    if (rotation != nullptr) {
        const double cx = ((*pivot)->first - port_.originH - target_.area.left) * sx;
        const double cy = ((*pivot)->second - port_.originV - target_.area.top) * sy;
        cairo_matrix_translate(&m, cx, cy);
        cairo_matrix_rotate(&m, rotation->angle * M_PI / 180);
        if (rotation->flip != 0)
            cairo_matrix_scale(&m, rotation->flip == 1 ? -1 : 1, rotation->flip == 2 ? -1 : 1);
        cairo_matrix_translate(&m, -cx, -cy);
    }
    cairo_matrix_translate(&m, ox, oy);
    cairo_matrix_scale(&m, stretch, 1);
    cairo_matrix_translate(&m, 0, -baseline);

    // The canvas pixels the run can touch: its glyphs and its character box,
    // with room for the outline and shadow.
    const int pixel = std::max(1, static_cast<int>(std::lround(std::min(sx, sy))));
    const int shadow = (face_ & kShadow) != 0 ? std::max(pixel, static_cast<int>(em / 24)) : 0;
    const bool outline = (face_ & (kOutline | kShadow)) != 0;
    const double left = std::min(ink.x, logical.x) / double{PANGO_SCALE};
    const double top = std::min(ink.y, logical.y) / double{PANGO_SCALE};
    const double right =
        std::max(ink.x + ink.width, logical.x + logical.width) / double{PANGO_SCALE};
    const double bottom =
        std::max(ink.y + ink.height, logical.y + logical.height) / double{PANGO_SCALE};
    double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
    for (auto [cx, cy] : {std::pair{left, top}, {right, top}, {left, bottom}, {right, bottom}}) {
        double x = cx, y = cy;
        cairo_matrix_transform_point(&m, &x, &y);
        x0 = std::min(x0, x);
        y0 = std::min(y0, y);
        x1 = std::max(x1, x);
        y1 = std::max(y1, y);
    }
    const int margin = 2 + pixel + shadow;
    const int bx0 = std::max(0, static_cast<int>(std::floor(Finite(x0, 1e9))) - margin);
    const int by0 = std::max(0, static_cast<int>(std::floor(Finite(y0, 1e9))) - margin);
    const int bx1 = std::min(target_.width, static_cast<int>(std::ceil(Finite(x1, 1e9))) + margin);
    const int by1 = std::min(target_.height, static_cast<int>(std::ceil(Finite(y1, 1e9))) + margin);
    if (bx0 >= bx1 || by0 >= by1)
        return false;
    const int w = bx1 - bx0, h = by1 - by0;
    if (!budget_.take(int64_t{w} * h * (outline ? 4 : 1)))
        return false;

    int mode = mode_;
    if ((mode & kDitherFlag) != 0 && KnownMode(mode & ~kDitherFlag))
        mode &= ~kDitherFlag;
    if (mode >= kPatternModes && mode < 2 * kPatternModes)
        mode -= kPatternModes;
    if (!KnownMode(mode)) {
        note_("text mode " + std::to_string(mode_) + " drawn as srcOr");
        mode = kSrcOr;
    }
    // Modes other than or, xor and bic change the character box too.
    const bool boxed = mode != kSrcOr && mode != kSrcXor && mode != kSrcBic;

    auto render = [&](bool box) -> std::vector<uint8_t> {
        SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_A8, w, h));
        if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
            return {};
        CairoPtr cr(cairo_create(surface.get()));
        cairo_translate(cr.get(), -bx0, -by0);
        cairo_transform(cr.get(), &m);
        if (box) {
            cairo_set_antialias(cr.get(), CAIRO_ANTIALIAS_NONE);
            cairo_rectangle(cr.get(), logical.x / double{PANGO_SCALE},
                            logical.y / double{PANGO_SCALE}, logical.width / double{PANGO_SCALE},
                            logical.height / double{PANGO_SCALE});
            cairo_fill(cr.get());
        } else {
            cairo_move_to(cr.get(), 0, 0);
            pango_cairo_show_layout(cr.get(), layout.get());
        }
        return Pixels(surface.get(), w, h);
    };
    std::vector<uint8_t> glyphs = render(false);
    if (glyphs.empty())
        return false;
    if (outline)
        OutlineGlyphs(glyphs, w, h, pixel, shadow);
    const std::vector<uint8_t> box = boxed ? render(true) : std::vector<uint8_t>{};

    const Axis ax{target_.area.left, target_.area.width(), target_.width};
    const Axis ay{target_.area.top, target_.area.height(), target_.height};
    RegionRows clipRows(port_.clip);
    bool drew = false;
    for (int y = by0; y < by1; ++y) {
        const auto clip = clipRows.spans(static_cast<int>(ay.toPicture(y)));
        uint8_t* line = target_.rgb + static_cast<size_t>(y) * target_.width * 3;
        for (size_t k = 0; k + 1 < clip.size(); k += 2) {
            const int a = std::max(bx0, ax.firstAtOrAfter(clip[k]));
            const int b = std::min(bx1, ax.firstAtOrAfter(clip[k + 1]));
            for (int x = a; x < b; ++x) {
                const size_t i = static_cast<size_t>(y - by0) * w + (x - bx0);
                int cover = glyphs[i];
                const bool inBox = boxed && box[i] != 0;
                if (cover == 0 && !inBox)
                    continue;
                uint8_t* d = line + static_cast<size_t>(x) * 3;
                Rgb c;
                int m2 = mode;
                if (mode == kSrcCopy || mode >= kBlend) {
                    c = MixColour(port_.back, port_.fore, cover);
                } else if (mode == kNotSrcCopy) {
                    c = MixColour(port_.fore, port_.back, cover);
                    m2 = kSrcCopy;
                } else {
                    if (mode == kSrcXor || mode == kNotSrcXor)
                        cover = cover >= 128 ? 255 : 0;
                    const uint8_t grey = static_cast<uint8_t>(255 - cover);
                    c = {grey, grey, grey};
                }
                const uint8_t s[3] = {c.r, c.g, c.b};
                Transfer(m2, d, s, nullptr, 1, true, port_);
                drew = true;
            }
        }
    }
    return drew;
}

} // namespace dravik::pict
