#include "engine/overlays/canvas.h"

#include <algorithm>
#include <utility>

namespace dravik {
namespace {

// cairo's image surfaces address at most this many pixels per side.
constexpr int kMaxSurfaceSide = 32767;

} // namespace

uint8_t ClampOpacity(int32_t value) {
    return static_cast<uint8_t>(std::clamp<int32_t>(value, 0, 255));
}

Surface Surface::Create(int width, int height) {
    Surface s;
    if (width <= 0 || height <= 0 || width > kMaxSurfaceSide || height > kMaxSurfaceSide)
        return s;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return s;
    }
    s.surface_ = surface;
    s.width_ = width;
    s.height_ = height;
    return s;
}

Surface::~Surface() {
    if (surface_ != nullptr)
        cairo_surface_destroy(surface_);
}

Surface::Surface(Surface&& other) noexcept
    : surface_(std::exchange(other.surface_, nullptr)), width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)) {}

Surface& Surface::operator=(Surface&& other) noexcept {
    if (this != &other) {
        if (surface_ != nullptr)
            cairo_surface_destroy(surface_);
        surface_ = std::exchange(other.surface_, nullptr);
        width_ = std::exchange(other.width_, 0);
        height_ = std::exchange(other.height_, 0);
    }
    return *this;
}

uint8_t* Surface::data() const {
    return surface_ ? cairo_image_surface_get_data(surface_) : nullptr;
}

int Surface::stride() const {
    return surface_ ? cairo_image_surface_get_stride(surface_) : 0;
}

void Surface::flush() const {
    if (surface_ != nullptr)
        cairo_surface_flush(surface_);
}

void Surface::markDirty() const {
    if (surface_ != nullptr)
        cairo_surface_mark_dirty(surface_);
}

Context::Context(const Surface& surface) {
    if (!surface)
        return;
    cairo_t* cr = cairo_create(surface.get());
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(cr);
        return;
    }
    cr_ = cr;
}

Context::~Context() {
    if (cr_ != nullptr)
        cairo_destroy(cr_);
}

bool Context::ok() const {
    return cr_ != nullptr && cairo_status(cr_) == CAIRO_STATUS_SUCCESS;
}

void SetSourceColor(cairo_t* cr, Rgba color) {
    cairo_set_source_rgba(cr, color.r / 255.0, color.g / 255.0, color.b / 255.0, color.a / 255.0);
}

Bitmap SurfaceToBitmap(const Surface& surface) {
    if (!surface || cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return Bitmap();
    surface.flush();
    const int w = surface.width();
    const int h = surface.height();
    Bitmap out(
        FreeImage_Allocate(w, h, 32, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK));
    if (!out)
        return out;
    const uint8_t* src = surface.data();
    const int stride = surface.stride();
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(src + static_cast<size_t>(y) * stride);
        // FreeImage keeps the bottom row first.
        BYTE* dst = FreeImage_GetScanLine(out.get(), h - 1 - y);
        for (int x = 0; x < w; ++x, dst += 4) {
            const uint32_t p = row[x];
            const unsigned a = p >> 24;
            if (a == 0) {
                dst[FI_RGBA_RED] = dst[FI_RGBA_GREEN] = dst[FI_RGBA_BLUE] = 0;
                dst[FI_RGBA_ALPHA] = 0;
                continue;
            }
            auto straight = [a](unsigned c) {
                return static_cast<BYTE>(std::min(255u, (c * 255 + a / 2) / a));
            };
            dst[FI_RGBA_RED] = straight((p >> 16) & 0xFF);
            dst[FI_RGBA_GREEN] = straight((p >> 8) & 0xFF);
            dst[FI_RGBA_BLUE] = straight(p & 0xFF);
            dst[FI_RGBA_ALPHA] = static_cast<BYTE>(a);
        }
    }
    return out;
}

bool CompositeOver(Bitmap& picture, const Bitmap& overlay, int x, int y) {
    if (!picture || !overlay || picture.bpp() != 24 || overlay.bpp() != 32)
        return false;
    const long long w = overlay.width();
    const long long h = overlay.height();
    if (x < 0 || y < 0 || x + w > picture.width() || y + h > picture.height())
        return false;
    const int right = static_cast<int>(x + w);
    const int bottom = static_cast<int>(y + h);
    Bitmap under(FreeImage_Copy(picture.get(), x, y, right, bottom));
    if (!under)
        return false;
    Bitmap blended(FreeImage_Composite(overlay.get(), FALSE, nullptr, under.get()));
    if (!blended)
        return false;
    // 256 copies without blending: the blend has been done above.
    return FreeImage_Paste(picture.get(), blended.get(), x, y, 256) != 0;
}

Bitmap ToPicture24(Bitmap in, bool* ok) {
    *ok = false;
    if (!in)
        return in;
    if (FreeImage_GetImageType(in.get()) == FIT_BITMAP && in.bpp() == 24) {
        *ok = true;
        return in;
    }
    Bitmap converted(FreeImage_ConvertTo24Bits(in.get()));
    if (!converted)
        return in;
    *ok = true;
    return converted;
}

} // namespace dravik
