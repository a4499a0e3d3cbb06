// The colour steps of a conversion: colour correction, greyscale, threshold
// and dithering. Each reads its own switch from Settings and hands the
// bitmap on unchanged when it is off; a null bitmap is handed on as null.
#pragma once

#include "engine/bitmap.h"
#include "settings/settings.h"

namespace dravik {

// When Adjustment/Do Image Color Correction is on, applies Image Brightness
// and Image Contrast (percent), Image Gamma and Image Invert in place. A
// bitmap of fewer than 8 or more than 32 bits per pixel is brought to 24
// bits first, and that converted bitmap is the one handed on. A correction
// FreeImage declines (nothing to change, unsupported layout) hands the
// bitmap on as it is; only a failed depth conversion gives null.
Bitmap AdjustBitmapColors(Bitmap in, const Settings& settings);

// When Adjustment/Do Image Greyscale is on, returns an 8-bit greyscale copy;
// a bitmap of more than 32 bits per pixel is brought to 24 bits first. Null
// when FreeImage fails.
Bitmap GreyscaleBitmap(Bitmap in, const Settings& settings);

// When Adjustment/Do Image Threshold is on, returns a 1-bit picture: white
// where the grey level reaches T, the low 8 bits of Image Threshold, black
// elsewhere. A bitmap of fewer than 4 or more than 32 bits per pixel is
// brought to 24 bits first. Null when FreeImage fails.
Bitmap ThresholdBitmap(Bitmap in, const Settings& settings);

// When Adjustment/Do Image Dither is on, returns a 1-bit picture dithered
// with Image Dither Algorithm (unknown values use Floyd-Steinberg). A bitmap
// of fewer than 4 or more than 32 bits per pixel, a thresholded one among
// them, is brought to 24 bits first. Null when FreeImage fails.
Bitmap DitherBitmap(Bitmap in, const Settings& settings);

} // namespace dravik
