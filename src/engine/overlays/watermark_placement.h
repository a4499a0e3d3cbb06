// Rotating, fitting and placing a watermark: the rotated overlay rendered
// from its Source, cut to the available area and placed at one of nine
// anchor positions, then laid on the picture as FreeImage_Paste would.
#pragma once

#include "engine/bitmap.h"
#include "engine/overlays/watermark_source.h"
#include "settings/settings.h"

#include <cstdint>
#include <optional>

namespace dravik::watermark_parts {

struct Rotation {
    double c = 1, s = 0;
    bool exact = true; // a multiple of 90 degrees: pixels map one to one
};

// The rotation for a setting; none unless strictly between 0 and 360.
std::optional<Rotation> RotationFor(int32_t degrees);

// The size of the rotated canvas: the bounding box of the turned rectangle.
void RotatedSize(const Rotation& r, int64_t w, int64_t h, int64_t* rw, int64_t* rh);

// The top-left fw x fh of the (rotated) watermark as a 32-bit bitmap.
Bitmap RenderOverlay(Source& source, const std::optional<Rotation>& rotation, int64_t rw,
                     int64_t rh, int64_t fw, int64_t fh);

struct Anchor {
    int32_t ox = 0, oy = 0;
    uint8_t boundary = 0, position = 0;
    int32_t rotation = 0;
};

Anchor TextAnchor(const Settings::Watermark& wm);
Anchor PictureAnchor(const Settings::Watermark& wm);

struct Placement {
    int64_t x = 0, y = 0, w = 0, h = 0;
};

// Cuts a w x h watermark to the available area less the offsets and places
// it. Empty when it is cut to nothing or would not lie wholly inside the
// W x H picture, in which case it is left out.
std::optional<Placement> Place(int64_t w, int64_t h, int width, int height,
                               const Settings& settings, const Anchor& a);

// The overlay as FreeImage_Paste at alpha 255 onto a zeroed canvas gives it.
Bitmap AsPasted(const Bitmap& overlay);

} // namespace dravik::watermark_parts
