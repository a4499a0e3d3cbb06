#include "engine/overlays/watermark_placement.h"

#include "engine/overlays/canvas.h"

#include <algorithm>
#include <cmath>

namespace dravik::watermark_parts {
namespace {

// Canvas coordinates to rotated-canvas coordinates: a counter-clockwise turn
// (as seen, rows running down) about the canvas centre, which lands on the
// centre of the rotated canvas.
cairo_matrix_t CanvasToRotated(const Rotation& r, int64_t w, int64_t h, int64_t rw, int64_t rh) {
    const double cx = static_cast<double>(w) / 2, cy = static_cast<double>(h) / 2;
    const double rcx = static_cast<double>(rw) / 2, rcy = static_cast<double>(rh) / 2;
    cairo_matrix_t m;
    cairo_matrix_init(&m, r.c, -r.s, r.s, r.c, rcx - r.c * cx - r.s * cy,
                      rcy + r.s * cx - r.c * cy);
    return m;
}

// The canvas part that lands in the rotated canvas's top-left fw x fh,
// with a little room for the interpolation at its edges.
Rect CanvasPartFor(const cairo_matrix_t& toRotated, int64_t fw, int64_t fh, int64_t w, int64_t h) {
    cairo_matrix_t back = toRotated;
    if (cairo_matrix_invert(&back) != CAIRO_STATUS_SUCCESS)
        return Rect{};
    double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
    const double cornersX[] = {0, static_cast<double>(fw)};
    const double cornersY[] = {0, static_cast<double>(fh)};
    for (double cxr : cornersX) {
        for (double cyr : cornersY) {
            double x = cxr, y = cyr;
            cairo_matrix_transform_point(&back, &x, &y);
            x0 = std::min(x0, x), y0 = std::min(y0, y);
            x1 = std::max(x1, x), y1 = std::max(y1, y);
        }
    }
    const int64_t left = static_cast<int64_t>(std::floor(x0)) - 2;
    const int64_t top = static_cast<int64_t>(std::floor(y0)) - 2;
    const int64_t right = static_cast<int64_t>(std::ceil(x1)) + 2;
    const int64_t bottom = static_cast<int64_t>(std::ceil(y1)) + 2;
    return Intersect(Rect{left, top, right - left, bottom - top}, Rect{0, 0, w, h});
}

} // namespace

// The rotation for a setting; none unless strictly between 0 and 360.
std::optional<Rotation> RotationFor(int32_t degrees) {
    if (degrees <= 0 || degrees >= 360)
        return std::nullopt;
    switch (degrees) {
    case 90:
        return Rotation{0, 1, true};
    case 180:
        return Rotation{-1, 0, true};
    case 270:
        return Rotation{0, -1, true};
    default: {
        const double radians = degrees * M_PI / 180.0;
        return Rotation{std::cos(radians), std::sin(radians), false};
    }
    }
}

// The size of the rotated canvas: the bounding box of the turned rectangle.
void RotatedSize(const Rotation& r, int64_t w, int64_t h, int64_t* rw, int64_t* rh) {
    if (r.exact) {
        const bool quarter = r.c == 0;
        *rw = quarter ? h : w;
        *rh = quarter ? w : h;
        return;
    }
    const double c = std::fabs(r.c), s = std::fabs(r.s);
    *rw = static_cast<int64_t>(
        std::ceil(c * static_cast<double>(w) + s * static_cast<double>(h) - 1e-6));
    *rh = static_cast<int64_t>(
        std::ceil(s * static_cast<double>(w) + c * static_cast<double>(h) - 1e-6));
}

// The top-left fw x fh of the (rotated) watermark as a 32-bit bitmap.
Bitmap RenderOverlay(Source& source, const std::optional<Rotation>& rotation, int64_t rw,
                     int64_t rh, int64_t fw, int64_t fh) {
    Surface target = Surface::Create(static_cast<int>(fw), static_cast<int>(fh));
    if (!target)
        return Bitmap();
    if (!rotation) {
        Context cr(target);
        if (!cr || !source.paint(cr.get(), Rect{0, 0, fw, fh}) || !cr.ok())
            return Bitmap();
        return SurfaceToBitmap(target);
    }
    const cairo_matrix_t toRotated =
        CanvasToRotated(*rotation, source.width(), source.height(), rw, rh);
    const Rect part = CanvasPartFor(toRotated, fw, fh, source.width(), source.height());
    if (!part.empty()) {
        Surface canvas = Surface::Create(static_cast<int>(part.w), static_cast<int>(part.h));
        Context pc(canvas);
        if (!pc)
            return Bitmap();
        cairo_translate(pc.get(), static_cast<double>(-part.x), static_cast<double>(-part.y));
        if (!source.paint(pc.get(), part) || !pc.ok())
            return Bitmap();
        Context tc(target);
        if (!tc)
            return Bitmap();
        cairo_set_matrix(tc.get(), &toRotated);
        cairo_set_source_surface(tc.get(), canvas.get(), static_cast<double>(part.x),
                                 static_cast<double>(part.y));
        cairo_pattern_set_filter(cairo_get_source(tc.get()),
                                 rotation->exact ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_BILINEAR);
        cairo_paint(tc.get());
        if (!tc.ok())
            return Bitmap();
    }
    return SurfaceToBitmap(target);
}

Anchor TextAnchor(const Settings::Watermark& wm) {
    return Anchor{wm.textXOffset, wm.textYOffset, wm.textBoundary, wm.textPosition,
                  wm.textRotation};
}

Anchor PictureAnchor(const Settings::Watermark& wm) {
    return Anchor{wm.imageXOffset, wm.imageYOffset, wm.imageBoundary, wm.imagePosition,
                  wm.imageRotation};
}

// Cuts a w x h watermark to the available area less the offsets and places
// it. Empty when it is cut to nothing or would not lie wholly inside the
// W x H picture, in which case it is left out.
std::optional<Placement> Place(int64_t w, int64_t h, int width, int height,
                               const Settings& settings, const Anchor& a) {
    const Settings::Frame& f = settings.frame;
    const bool insideFrame = f.doFrame != 0 && a.boundary == 1;
    int64_t aw = width, ah = height;
    if (insideFrame) {
        aw -= static_cast<int64_t>(f.solidLeft) + f.solidRight;
        ah -= static_cast<int64_t>(f.solidTop) + f.solidBottom;
    }
    const int64_t ox = a.ox, oy = a.oy;
    bool cut = false;
    if (w + ox > aw) {
        w = aw - ox;
        cut = true;
    }
    if (h + oy > ah) {
        h = ah - oy;
        cut = true;
    }
    if (cut && (w <= 0 || h <= 0))
        return std::nullopt;

    // Integer division truncates toward zero, as C++'s does.
    const int64_t centreX = (aw - w) / 2, centreY = (ah - h) / 2;
    const int64_t rightX = aw - w - ox, bottomY = ah - h - oy;
    int64_t x = 0, y = 0;
    switch (a.position) {
    case 0:
        x = ox, y = oy;
        break;
    case 1:
        x = centreX, y = oy;
        break;
    case 2:
        x = rightX, y = oy;
        break;
    case 3:
        x = ox, y = centreY;
        break;
    case 4:
        x = centreX, y = centreY;
        break;
    case 5:
        x = rightX, y = centreY;
        break;
    case 6:
        x = ox, y = bottomY;
        break;
    case 7:
        x = centreX, y = bottomY;
        break;
    case 8:
        x = rightX, y = bottomY;
        break;
    default:
        break;
    }
    if (insideFrame) {
        x += f.solidLeft;
        y += f.solidTop;
    }
    if (x < 0 || y < 0 || x + w > width || y + h > height)
        return std::nullopt;
    return Placement{x, y, w, h};
}

// The watermark reaches the picture through FreeImage_Paste at alpha 255
// onto a zeroed canvas, which scales every channel by 255/256. The same
// paste onto a zeroed bitmap of the watermark's size gives the same pixels
// without a picture-sized canvas.
Bitmap AsPasted(const Bitmap& overlay) {
    if (!overlay)
        return Bitmap();
    Bitmap canvas(FreeImage_Allocate(static_cast<int>(overlay.width()),
                                     static_cast<int>(overlay.height()), 32, FI_RGBA_RED_MASK,
                                     FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK));
    if (!canvas || !FreeImage_Paste(canvas.get(), overlay.get(), 0, 0, 255))
        return Bitmap();
    return canvas;
}

} // namespace dravik::watermark_parts
