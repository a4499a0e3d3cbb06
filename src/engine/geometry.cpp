#include "engine/geometry.h"

#include "engine/colour_text.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <string>

namespace dravik {
namespace {

RGBQUAD backgroundOf(const std::string& text) {
    const Rgba c = ParseColorText(text, 0);
    RGBQUAD colour{};
    colour.rgbRed = c.r;
    colour.rgbGreen = c.g;
    colour.rgbBlue = c.b;
    return colour;
}

// Out-of-range doubles would make the conversion undefined; clamping keeps
// the sign, which is all the callers look at for sizes no picture can have.
int clampToInt(double value) {
    if (!(value > static_cast<double>(INT_MIN)))
        return INT_MIN;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    return static_cast<int>(value);
}

// Done by hand rather than with std::nearbyint, whose result depends on the
// thread's floating-point rounding mode.
double roundHalfToEven(double value) {
    const double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction > 0.5)
        return lower + 1.0;
    if (fraction < 0.5)
        return lower;
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

// Unit 0 is pixels, unit 1 percent of the current side; other units give
// 0, which means "no resize".
int targetSide(int32_t value, uint8_t unit, int side) {
    switch (unit) {
    case 0:
        return value;
    case 1:
        return clampToInt(roundHalfToEven(value / 100.0 * side));
    default:
        return 0;
    }
}

FREE_IMAGE_FILTER filterOf(uint8_t algorithm) {
    switch (algorithm) {
    case 0:
        return FILTER_BOX;
    case 1:
        return FILTER_BILINEAR;
    case 2:
        return FILTER_BSPLINE;
    case 3:
        return FILTER_BICUBIC;
    case 4:
        return FILTER_CATMULLROM;
    case 5:
        return FILTER_LANCZOS3;
    default:
        return FILTER_BICUBIC;
    }
}

bool withinResizeLimits(int width, int height) {
    if (width < 1 || height < 1 || width > kMaxResizeSide || height > kMaxResizeSide)
        return false;
    return static_cast<long long>(width) * height <= kMaxResizePixels;
}

} // namespace

Bitmap RotateBitmap(Bitmap in, int width, int height, const Settings& settings) {
    const Settings::Transform& t = settings.transform;
    if (!in || t.doImageRotation == 0 || t.imageRotation <= 0 || t.imageRotation >= 360)
        return in;
    // Below 24 bits FreeImage would read the background as a palette index,
    // turns 1- and 4-bit pictures by right angles only and 16-bit ones not
    // at all; deeper pictures come down too, so that the RGB background
    // means the same for every input.
    const unsigned bpp = in.bpp();
    if (bpp <= 16 || bpp > 32)
        in = Converted(std::move(in), FreeImage_ConvertTo24Bits);
    if (!in)
        return in;

    const double angle = t.imageRotation;
    switch (t.imageRotationType) {
    case 0: {
        const RGBQUAD background = backgroundOf(t.imageRotationBackColor);
        return Converted(std::move(in),
                         [&](FIBITMAP* dib) { return FreeImage_Rotate(dib, angle, &background); });
    }
    case 1: {
        const double centreX = width / 2.0;
        const double centreY = height / 2.0;
        return Converted(std::move(in), [&](FIBITMAP* dib) {
            return FreeImage_RotateEx(dib, angle, 0.0, 0.0, centreX, centreY, FALSE);
        });
    }
    default:
        return in;
    }
}

ResizeTarget ComputeResize(int width, int height, const Settings& settings) {
    const Settings::Transform& t = settings.transform;
    if (t.doImageResize == 0 || width <= 0 || height <= 0)
        return {};
    const int tw = targetSide(t.imageWidth, t.imageWidthUnit, width);
    const int th = targetSide(t.imageHeight, t.imageHeightUnit, height);
    if (tw <= 0 || th <= 0)
        return {};
    if (tw == width && th == height)
        return {};
    // Large images only: a picture smaller than the target in both sides is
    // kept; reaching the target in one side is enough to resize.
    if (t.imageResizeType == 1 && width < tw && height < th)
        return {};
    if (t.keepAspectRatio == 0)
        return {true, tw, th};

    // The longer side's target alone decides; the ratio is >= 1, so the
    // shorter side never exceeds that target and the cast cannot overflow.
    if (width >= height) {
        const float ratio = static_cast<float>(width) / static_cast<float>(height);
        return {true, tw, static_cast<int>(std::round(tw / static_cast<double>(ratio)))};
    }
    const float ratio = static_cast<float>(height) / static_cast<float>(width);
    return {true, static_cast<int>(std::round(th / static_cast<double>(ratio))), th};
}

Bitmap RescaleBitmap(Bitmap in, int width, int height, const Settings& settings) {
    if (!in)
        return in;
    const ResizeTarget target = ComputeResize(width, height, settings);
    if (!target.resize)
        return in;
    if (!withinResizeLimits(target.width, target.height))
        return {};
    const FREE_IMAGE_FILTER filter = filterOf(settings.transform.imageResizeAlgorithm);
    return Converted(std::move(in), [&](FIBITMAP* dib) {
        return FreeImage_Rescale(dib, target.width, target.height, filter);
    });
}

void FlipBitmap(Bitmap& bitmap, const Settings& settings) {
    if (!bitmap)
        return;
    // A flip FreeImage cannot do leaves the picture as it was; there is no
    // new bitmap that could be missing.
    if (settings.transform.doImageFlipHorizontal != 0)
        FreeImage_FlipHorizontal(bitmap.get());
    if (settings.transform.doImageFlipVertical != 0)
        FreeImage_FlipVertical(bitmap.get());
}

} // namespace dravik
