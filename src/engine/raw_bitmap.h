// An uncompressed hand-over of a decoded bitmap between the isolated
// decoder process and the program: header, palette, scanlines as FreeImage
// keeps them. The reader trusts nothing it reads.
#pragma once

#include "engine/bitmap.h"

#include <string>

namespace dravik {

bool WriteRawBitmap(FIBITMAP* dib, const std::string& path);

// Null when the file is missing, short, inconsistent or too large.
Bitmap ReadRawBitmap(const std::string& path);

} // namespace dravik
