#include "engine/colour.h"

#include <cmath>

namespace dravik {
namespace {

// Each FreeImage colour function takes only some depths; outside
// lowest..highest bits per pixel the bitmap goes through 24 bits, which all
// of them take.
Bitmap within(Bitmap in, unsigned lowest, unsigned highest) {
    const unsigned bpp = in.bpp();
    if (!in || (bpp >= lowest && bpp <= highest))
        return in;
    return Converted(std::move(in), FreeImage_ConvertTo24Bits);
}

FREE_IMAGE_DITHER ditherOf(uint8_t algorithm) {
    switch (algorithm) {
    case 1:
        return FID_BAYER4x4;
    case 2:
        return FID_BAYER8x8;
    case 3:
        return FID_BAYER16x16;
    case 4:
        return FID_CLUSTER6x6;
    case 5:
        return FID_CLUSTER8x8;
    case 6:
        return FID_CLUSTER16x16;
    default:
        return FID_FS;
    }
}

} // namespace

Bitmap AdjustBitmapColors(Bitmap in, const Settings& settings) {
    const Settings::Adjustment& a = settings.adjustment;
    if (!in || a.doImageColorCorrection == 0)
        return in;
    in = within(std::move(in), 8, 32);
    if (!in)
        return in;
    // FreeImage already skips a gamma of 0 or less, but an infinite one would
    // run through its curve and turn every pixel white or black, and NaN is
    // only skipped by the accident of failed comparisons. A gamma that is not
    // a finite number is therefore left out, which keeps the other
    // corrections.
    const double gamma = std::isfinite(a.imageGamma) ? static_cast<double>(a.imageGamma) : 1.0;
    // FALSE means FreeImage changed nothing (all values neutral, or a layout
    // it does not adjust); the picture is still good to hand on.
    FreeImage_AdjustColors(in.get(), static_cast<double>(a.imageBrightness),
                           static_cast<double>(a.imageContrast), gamma,
                           a.imageInvert != 0 ? TRUE : FALSE);
    return in;
}

Bitmap GreyscaleBitmap(Bitmap in, const Settings& settings) {
    if (!in || settings.adjustment.doImageGreyscale == 0)
        return in;
    return Converted(within(std::move(in), 1, 32), FreeImage_ConvertToGreyscale);
}

Bitmap ThresholdBitmap(Bitmap in, const Settings& settings) {
    if (!in || settings.adjustment.doImageThreshold == 0)
        return in;
    // Only the low byte counts, also for negative settings (two's complement).
    const BYTE level = static_cast<BYTE>(static_cast<uint32_t>(settings.adjustment.imageThreshold));
    return Converted(within(std::move(in), 4, 32),
                     [level](FIBITMAP* dib) { return FreeImage_Threshold(dib, level); });
}

Bitmap DitherBitmap(Bitmap in, const Settings& settings) {
    if (!in || settings.adjustment.doImageDither == 0)
        return in;
    const FREE_IMAGE_DITHER algorithm = ditherOf(settings.adjustment.imageDitherAlgorithm);
    return Converted(within(std::move(in), 4, 32),
                     [algorithm](FIBITMAP* dib) { return FreeImage_Dither(dib, algorithm); });
}

} // namespace dravik
