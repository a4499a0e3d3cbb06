#include "engine/picture_handover.h"

#include <cmath>
#include <cstring>

namespace dravik {

Bitmap BitmapFromPicture(const pict::PictPicture& picture) {
    const int w = picture.width, h = picture.height;
    if (w <= 0 || h <= 0 || picture.rgb.size() != static_cast<size_t>(w) * h * 3)
        return {};
    const uint8_t* rgb = picture.rgb.data();
    bool grey = true;
    for (size_t i = 0, n = static_cast<size_t>(w) * h * 3; i < n && grey; i += 3)
        grey = rgb[i] == rgb[i + 1] && rgb[i] == rgb[i + 2];
    Bitmap bitmap(FreeImage_Allocate(w, h, grey ? 8 : 24));
    if (!bitmap)
        return {};
    if (grey) {
        RGBQUAD* palette = FreeImage_GetPalette(bitmap.get());
        for (int i = 0; i < 256; ++i) {
            palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = static_cast<BYTE>(i);
            palette[i].rgbReserved = 0;
        }
    }
    // FreeImage keeps its rows bottom first.
    for (int y = 0; y < h; ++y) {
        const uint8_t* in = rgb + static_cast<size_t>(y) * w * 3;
        BYTE* out = FreeImage_GetScanLine(bitmap.get(), h - 1 - y);
        if (grey) {
            for (int x = 0; x < w; ++x)
                out[x] = in[3 * x];
        } else {
            for (int x = 0; x < w; ++x) {
                out[3 * x + FI_RGBA_RED] = in[3 * x];
                out[3 * x + FI_RGBA_GREEN] = in[3 * x + 1];
                out[3 * x + FI_RGBA_BLUE] = in[3 * x + 2];
            }
        }
    }
    const unsigned dotsPerMetre = static_cast<unsigned>(std::lround(picture.resolution / 0.0254));
    FreeImage_SetDotsPerMeterX(bitmap.get(), dotsPerMetre);
    FreeImage_SetDotsPerMeterY(bitmap.get(), dotsPerMetre);
    return bitmap;
}

bool IsBlankBitmap(const Bitmap& bitmap) {
    if (!bitmap)
        return false;
    FIBITMAP* dib = bitmap.get();
    const unsigned w = FreeImage_GetWidth(dib), h = FreeImage_GetHeight(dib);
    const unsigned bpp = FreeImage_GetBPP(dib);
    if (bpp < 8 || FreeImage_GetImageType(dib) != FIT_BITMAP)
        return false; // not a loader's output; leave it to the steps
    const unsigned bytes = w * (bpp / 8);
    const BYTE* first = FreeImage_GetScanLine(dib, 0);
    for (unsigned y = 0; y < h; ++y) {
        const BYTE* line = FreeImage_GetScanLine(dib, static_cast<int>(y));
        for (unsigned x = 0; x < bytes; x += bpp / 8) {
            if (std::memcmp(line + x, first, bpp / 8) != 0)
                return false;
        }
    }
    return true;
}

} // namespace dravik
