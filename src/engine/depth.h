// The last step before saving: bringing the picture to the bit depth the
// output format is written with.
#pragma once

#include "engine/bitmap.h"
#include "settings/app_state.h"

#include <cstdint>
#include <string_view>

namespace dravik {

// The depth automatic mode writes for a picture loaded with inputDepth bits
// per pixel: the smallest depth the extension's output format allows that
// is at least inputDepth, or its largest one when none is. 0 for an
// extension that is not an output format.
int32_t ChooseAutoBitDepth(std::string_view extension, int32_t inputDepth);

// With state.autoBitDepth on, first sets state.outputBitDepth from
// state.outputExtension and state.inputBitDepth (the depth as loaded, not
// the current one). Then returns the bitmap unchanged when it already has
// state.outputBitDepth bits per pixel, else converted to that depth: 16 bits
// as 5-5-5 for "ico" and "tga" and 5-6-5 otherwise; 8 bits by FreeImage's
// plain conversion (greyscale from true colour) for "j2k", "jp2", "jpg" and
// "jxr" and as a 256-colour palette from 24 bits otherwise; 1 bit
// by Floyd-Steinberg dithering; 4, 24, 32, 48 (RGB16) and 96 (RGBF) by
// plain conversion. Null for any other depth and when FreeImage fails.
Bitmap ReduceBitDepth(Bitmap in, AppState& state);

} // namespace dravik
