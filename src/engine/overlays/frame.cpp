#include "engine/overlays/frame.h"

#include "engine/overlays/canvas.h"

#include <algorithm>
#include <cstdint>

namespace dravik {
namespace {

// Widths beyond this are far outside any picture cairo can draw; clamping
// keeps the path coordinates inside cairo's fixed-point range.
constexpr int64_t kMaxFrameWidth = 4'000'000;

struct FrameGeometry {
    double w, h;       // canvas size
    double l, r, t, b; // band widths
    Rgba left, right, top, bottom;
};

void Box(cairo_t* cr, double x, double y, double w, double h, Rgba color) {
    cairo_rectangle(cr, x, y, w, h);
    SetSourceColor(cr, color);
    cairo_fill(cr);
}

// A band is a closed figure of one move and three relative lines.
void Band(cairo_t* cr, double x0, double y0, const double (&steps)[3][2], Rgba color) {
    cairo_move_to(cr, x0, y0);
    for (const auto& step : steps)
        cairo_rel_line_to(cr, step[0], step[1]);
    cairo_close_path(cr);
    SetSourceColor(cr, color);
    cairo_fill(cr);
}

// Fills the eight pieces in their fixed order: the corner boxes first, then
// the bands, each band overlapping the corner of its neighbour on the
// diagonal so that the corners come out mitred.
void PaintFrame(cairo_t* cr, const FrameGeometry& g) {
    // Where widths overlap (wider than the picture) the bands cross
    // themselves; alternate filling keeps such a bow tie's halves filled.
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    Box(cr, 0, 0, g.l, g.t, g.top);
    Box(cr, g.w - g.r, 0, g.r, g.t, g.right);
    Box(cr, g.w - g.r, g.h - g.b, g.r, g.b, g.bottom);
    Box(cr, 0, g.h - g.b, g.l, g.b, g.left);
    Band(cr, 0, 0, {{g.w, 0}, {-g.r, g.t}, {-(g.w - g.r - g.l), 0}}, g.top);
    Band(cr, g.w, 0, {{0, g.h}, {-g.r, -g.b}, {0, -(g.h - g.b - g.t)}}, g.right);
    Band(cr, g.w, g.h, {{-g.w, 0}, {g.l, -g.b}, {g.w - g.r - g.l, 0}}, g.bottom);
    Band(cr, 0, g.h, {{0, -g.h}, {g.l, g.t}, {0, g.h - g.b - g.t}}, g.left);
}

struct Rect {
    int x, y, w, h;
};

// The rectangles along the edges outside which every frame pixel is
// transparent. No band reaches past its own width from its edge, so the
// inner rectangle between the four widths stays clear.
std::vector<Rect> EdgeRects(int w, int h, int64_t l, int64_t r, int64_t t, int64_t b) {
    const int top = static_cast<int>(std::clamp<int64_t>(t, 0, h));
    const int bottom = static_cast<int>(std::clamp<int64_t>(h - std::max<int64_t>(b, 0), top, h));
    const int left = static_cast<int>(std::clamp<int64_t>(l, 0, w));
    const int right = static_cast<int>(std::clamp<int64_t>(w - std::max<int64_t>(r, 0), left, w));
    std::vector<Rect> rects;
    auto add = [&rects](int x, int y, int rw, int rh) {
        if (rw > 0 && rh > 0)
            rects.push_back({x, y, rw, rh});
    };
    add(0, 0, w, top);
    add(0, bottom, w, h - bottom);
    add(0, top, left, bottom - top);
    add(right, top, w - right, bottom - top);
    return rects;
}

std::vector<FrameCache::Piece> RenderFrame(int w, int h, const Settings& settings) {
    const Settings::Frame& f = settings.frame;
    auto width = [](int32_t v) { return std::clamp<int64_t>(v, -kMaxFrameWidth, kMaxFrameWidth); };
    const int64_t l = width(f.solidLeft), r = width(f.solidRight);
    const int64_t t = width(f.solidTop), b = width(f.solidBottom);
    const FrameGeometry g{static_cast<double>(w),
                          static_cast<double>(h),
                          static_cast<double>(l),
                          static_cast<double>(r),
                          static_cast<double>(t),
                          static_cast<double>(b),
                          ParseColorText(f.solidLeftColor, 255),
                          ParseColorText(f.solidRightColor, 255),
                          ParseColorText(f.solidTopColor, 255),
                          ParseColorText(f.solidBottomColor, 255)};
    const double opacity = ClampOpacity(f.solidOpacity) / 255.0;

    std::vector<FrameCache::Piece> pieces;
    for (const Rect& rect : EdgeRects(w, h, l, r, t, b)) {
        Surface surface = Surface::Create(rect.w, rect.h);
        Context cr(surface);
        if (!cr)
            return {};
        cairo_translate(cr.get(), -rect.x, -rect.y);
        // The frame is drawn opaque first and laid on with one constant
        // alpha, so the antialiased diagonals do not show through each other.
        cairo_push_group(cr.get());
        PaintFrame(cr.get(), g);
        cairo_pop_group_to_source(cr.get());
        cairo_paint_with_alpha(cr.get(), opacity);
        if (!cr.ok())
            return {};
        Bitmap overlay = SurfaceToBitmap(surface);
        if (!overlay)
            return {};
        pieces.push_back({std::move(overlay), rect.x, rect.y});
    }
    return pieces;
}

} // namespace

std::shared_ptr<const FrameCache::Pieces> FrameCache::piecesFor(int width, int height,
                                                                const Settings& settings) {
    std::lock_guard lock(mutex_);
    if (!pieces_ || width != width_ || height != height_) {
        pieces_ = std::make_shared<const Pieces>(RenderFrame(width, height, settings));
        width_ = width;
        height_ = height;
    }
    return pieces_;
}

Bitmap DrawFrame(Bitmap in, int width, int height, const Settings& settings, FrameCache* cache) {
    if (settings.frame.doFrame == 0 || !in)
        return in;
    bool ok = false;
    Bitmap picture = ToPicture24(std::move(in), &ok);
    if (!ok || settings.frame.doFrame != 1 || width <= 0 || height <= 0)
        return picture;

    FrameCache local;
    FrameCache& pieces = cache != nullptr ? *cache : local;
    const std::shared_ptr<const FrameCache::Pieces> list =
        pieces.piecesFor(width, height, settings);
    if (list->empty())
        return picture;
    // Composite on a copy so that a piece failing half-way leaves the
    // picture without any frame rather than with part of one.
    Bitmap framed(FreeImage_Clone(picture.get()));
    if (!framed)
        return picture;
    for (const auto& piece : *list) {
        if (!CompositeOver(framed, piece.overlay, piece.x, piece.y))
            return picture;
    }
    return framed;
}

} // namespace dravik
