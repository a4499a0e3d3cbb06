// Drawing surfaces for the overlays (frame, watermark) and their way into
// FreeImage. The overlays are drawn with cairo on premultiplied ARGB32
// surfaces; FreeImage composites straight (non-premultiplied) BGRA bitmaps,
// so every hand-over goes through SurfaceToBitmap.
#pragma once

#include "engine/bitmap.h"
#include "engine/colour_text.h"

#include <cairo.h>

#include <cstdint>
#include <string>

namespace dravik {

// Clamps an opacity setting into 0..255.
uint8_t ClampOpacity(int32_t value);

// One transparent ARGB32 image surface. Empty (operator bool false) when the
// size is not positive, exceeds what cairo can address, or cairo fails to
// allocate it.
class Surface {
  public:
    Surface() = default;
    static Surface Create(int width, int height);
    ~Surface();
    Surface(Surface&& other) noexcept;
    Surface& operator=(Surface&& other) noexcept;
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    explicit operator bool() const { return surface_ != nullptr; }
    cairo_surface_t* get() const { return surface_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // Pixels as cairo keeps them: native-endian premultiplied 0xAARRGGBB,
    // rows top-down. Call flush() before reading what cairo drew and
    // markDirty() after writing into it.
    uint8_t* data() const;
    int stride() const;
    void flush() const;
    void markDirty() const;

  private:
    cairo_surface_t* surface_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

// One cairo drawing context on a surface. Empty when cairo refuses it.
class Context {
  public:
    explicit Context(const Surface& surface);
    ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    explicit operator bool() const { return cr_ != nullptr; }
    cairo_t* get() const { return cr_; }
    // True while every drawing call so far has succeeded.
    bool ok() const;

  private:
    cairo_t* cr_ = nullptr;
};

// Sets a solid source colour with straight alpha.
void SetSourceColor(cairo_t* cr, Rgba color);

// Copies the surface into a new 32-bit FreeImage bitmap of the same size:
// un-premultiplied, FreeImage's byte order (BGRA on little-endian hosts)
// and bottom-up rows. Null when the surface is empty or in error.
Bitmap SurfaceToBitmap(const Surface& surface);

// Composites a 32-bit overlay over the 24-bit picture with its top-left
// corner at (x, y), in place, with FreeImage_Composite's arithmetic. Only
// the covered rectangle is composited: FreeImage leaves a background pixel
// untouched under a fully transparent one, so this equals compositing a
// whole-picture canvas that is transparent elsewhere. False (picture
// unchanged) when the overlay does not lie wholly inside the picture or
// FreeImage fails.
bool CompositeOver(Bitmap& picture, const Bitmap& overlay, int x, int y);

// The picture as a 24-bit bitmap, which is what the overlays composite onto.
// A picture that already is one is handed back as it is; otherwise it is
// converted. When FreeImage cannot convert it (some high-precision types),
// the original comes back and *ok is false, so that no overlay is drawn but
// the picture is not lost.
Bitmap ToPicture24(Bitmap in, bool* ok);

} // namespace dravik
