// The geometric steps of a conversion: rotation, resizing and flipping. Each
// reads its own switches from Settings and leaves the picture alone when
// they are off; a null bitmap is handed on as null.
#pragma once

#include "engine/bitmap.h"
#include "settings/settings.h"

namespace dravik {

// Largest picture a resize may produce. Settings may ask for any int32 size;
// past these bounds the request is refused instead of attempted, because
// FreeImage would try to allocate gigabytes for it.
inline constexpr int kMaxResizeSide = 65535;
inline constexpr long long kMaxResizePixels = 1LL << 28;

// Rotates by Transform/Image Rotation degrees when Do Image Rotation is on
// and the angle lies strictly between 0 and 360. A bitmap of 16 bits per
// pixel or fewer, or more than 32, is brought to 24 bits first. Type 0 turns
// the whole picture (the canvas grows, corners get Image Rotation Back
// Color), type 1 turns it about the centre of width x height (the size as
// loaded) within the same canvas, any other type only converts. Returns the
// new bitmap, the given one when nothing is done, or null when FreeImage
// fails.
Bitmap RotateBitmap(Bitmap in, int width, int height, const Settings& settings);

// What a resize of a width x height picture would do: whether to rescale at
// all and, if so, to which size. Pure; no limit on the size is applied here.
struct ResizeTarget {
    bool resize = false;
    int width = 0;
    int height = 0;
};
ResizeTarget ComputeResize(int width, int height, const Settings& settings);

// Rescales to the size ComputeResize gives for width x height (the current
// size), with the filter of Transform/Image Resize Algorithm (unknown values
// use bicubic). Returns the bitmap unchanged when no resize is due, the
// rescaled one otherwise, and null when FreeImage fails or the new size has
// a side below 1 or beyond kMaxResizeSide or more than kMaxResizePixels.
Bitmap RescaleBitmap(Bitmap in, int width, int height, const Settings& settings);

// Mirrors the bitmap in place: left-right when Do Image Flip Horizontal is
// on, then top-bottom when Do Image Flip Vertical is on. A null bitmap is
// left alone.
void FlipBitmap(Bitmap& bitmap, const Settings& settings);

} // namespace dravik
