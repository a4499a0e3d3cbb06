// Hands a picture drawn by our PICT reader to the image steps in the form
// the converter's Targa would have had: 8-bit grey when every pixel is grey,
// 24-bit colour otherwise.
#pragma once

#include "engine/bitmap.h"
#include "pict/pict_reader.h"

namespace dravik {

Bitmap BitmapFromPicture(const pict::PictPicture& picture);

// True when every pixel of the bitmap has the same colour: what a loader
// gives for a picture it could not draw (all black, all white).
bool IsBlankBitmap(const Bitmap& bitmap);

} // namespace dravik
