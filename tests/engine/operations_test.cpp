#include "engine/colour.h"
#include "engine/depth.h"
#include "engine/geometry.h"

#include <gtest/gtest.h>

#include <limits>

namespace dravik {
namespace {

Settings Defaults() {
    Settings s;
    ApplyDefaults(s, true, {});
    return s;
}

Bitmap Solid(int w, int h, int bpp, BYTE grey) {
    Bitmap b(FreeImage_Allocate(w, h, bpp));
    if (bpp >= 24) {
        RGBQUAD c{grey, grey, grey, 255};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                FreeImage_SetPixelColor(b.get(), x, y, &c);
    }
    return b;
}

struct ResizeCase {
    int w, h, tw, th;
    uint8_t unit, type, keep;
    bool resize;
    int rw, rh;
};

class ResizeTest : public testing::TestWithParam<ResizeCase> {};

TEST_P(ResizeTest, TargetSize) {
    const ResizeCase& c = GetParam();
    Settings s = Defaults();
    s.transform.doImageResize = 1;
    s.transform.imageWidth = c.tw;
    s.transform.imageHeight = c.th;
    s.transform.imageWidthUnit = c.unit;
    s.transform.imageHeightUnit = c.unit;
    s.transform.imageResizeType = c.type;
    s.transform.keepAspectRatio = c.keep;
    ResizeTarget r = ComputeResize(c.w, c.h, s);
    EXPECT_EQ(r.resize, c.resize);
    if (c.resize) {
        EXPECT_EQ(r.width, c.rw);
        EXPECT_EQ(r.height, c.rh);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResizeTest,
    testing::Values(ResizeCase{4000, 3000, 800, 800, 0, 0, 1, true, 800, 600},
                    ResizeCase{3000, 4000, 800, 600, 0, 0, 1, true, 450, 600},
                    ResizeCase{1000, 1000, 500, 300, 0, 0, 1, true, 500, 500},
                    ResizeCase{640, 480, 800, 600, 0, 1, 0, false, 0, 0},
                    ResizeCase{1000, 480, 800, 600, 0, 1, 0, true, 800, 600},
                    ResizeCase{1001, 100, 50, 50, 1, 0, 0, true, 500, 50},
                    ResizeCase{1003, 100, 50, 50, 1, 0, 0, true, 502, 50},
                    ResizeCase{800, 600, 0, 600, 0, 0, 1, false, 0, 0},
                    ResizeCase{800, 600, 800, 600, 0, 0, 0, false, 0, 0},
                    ResizeCase{800, 600, 10, 10, 7, 0, 0, false, 0, 0}));

TEST(GeometryTest, RotationLimitsAndDepth) {
    Settings s = Defaults();
    s.transform.doImageRotation = 1;
    for (int angle : {0, 360, -90}) {
        s.transform.imageRotation = angle;
        Bitmap out = RotateBitmap(Solid(10, 4, 8, 0), 10, 4, s);
        EXPECT_EQ(out.bpp(), 8u) << angle;
    }
    s.transform.imageRotation = 90;
    Bitmap turned = RotateBitmap(Solid(10, 4, 8, 0), 10, 4, s);
    EXPECT_EQ(turned.bpp(), 24u);
    EXPECT_EQ(turned.width(), 4u);
    EXPECT_EQ(turned.height(), 10u);
    s.transform.imageRotation = 45;
    s.transform.imageRotationBackColor = "FF0000";
    Bitmap tilted = RotateBitmap(Solid(20, 20, 24, 255), 20, 20, s);
    RGBQUAD corner{};
    FreeImage_GetPixelColor(tilted.get(), 0, 0, &corner);
    EXPECT_EQ(corner.rgbRed, 255);
    EXPECT_EQ(corner.rgbGreen, 0);
}

TEST(GeometryTest, FlipMirrorsAndHugeTargetsFail) {
    Settings s = Defaults();
    Bitmap b = Solid(4, 2, 24, 0);
    RGBQUAD white{255, 255, 255, 255};
    FreeImage_SetPixelColor(b.get(), 0, 0, &white);
    s.transform.doImageFlipHorizontal = 1;
    FlipBitmap(b, s);
    RGBQUAD c{};
    FreeImage_GetPixelColor(b.get(), 3, 0, &c);
    EXPECT_EQ(c.rgbRed, 255);
    s.transform.doImageResize = 1;
    s.transform.imageWidth = 2000000000;
    s.transform.imageHeight = 2000000000;
    EXPECT_FALSE(RescaleBitmap(Solid(4, 2, 24, 0), 4, 2, s));
    s.transform.imageWidth = 8;
    s.transform.imageHeight = 6;
    Bitmap r = RescaleBitmap(Solid(4, 2, 24, 0), 4, 2, s);
    EXPECT_EQ(r.width(), 8u);
    EXPECT_EQ(r.height(), 6u);
}

TEST(ColourTest, ThresholdUsesTheLowByteAndGivesOneBit) {
    Settings s = Defaults();
    s.adjustment.doImageThreshold = 1;
    s.adjustment.imageThreshold = 300; // 44
    Bitmap dark = ThresholdBitmap(Solid(4, 4, 24, 43), s);
    Bitmap light = ThresholdBitmap(Solid(4, 4, 24, 45), s);
    ASSERT_EQ(dark.bpp(), 1u);
    BYTE d = 9, l = 9;
    FreeImage_GetPixelIndex(dark.get(), 1, 1, &d);
    FreeImage_GetPixelIndex(light.get(), 1, 1, &l);
    EXPECT_EQ(d, 0);
    EXPECT_EQ(l, 1);
}

TEST(ColourTest, InvertGreyscaleDither) {
    Settings s = Defaults();
    s.adjustment.doImageColorCorrection = 1;
    s.adjustment.imageInvert = 1;
    Bitmap inv = AdjustBitmapColors(Solid(4, 4, 24, 10), s);
    RGBQUAD c{};
    FreeImage_GetPixelColor(inv.get(), 0, 0, &c);
    EXPECT_EQ(c.rgbRed, 245);
    s.adjustment.imageGamma = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(AdjustBitmapColors(Solid(4, 4, 1, 0), s).bpp(), 24u);
    s.adjustment.doImageGreyscale = 1;
    EXPECT_EQ(GreyscaleBitmap(Solid(4, 4, 24, 10), s).bpp(), 8u);
    s.adjustment.doImageDither = 1;
    s.adjustment.imageDitherAlgorithm = 200;
    EXPECT_EQ(DitherBitmap(Solid(4, 4, 24, 10), s).bpp(), 1u);
}

TEST(DepthTest, AutomaticDepths) {
    EXPECT_EQ(ChooseAutoBitDepth("jpg", 1), 8);
    EXPECT_EQ(ChooseAutoBitDepth("jpg", 32), 24);
    EXPECT_EQ(ChooseAutoBitDepth("png", 16), 24);
    EXPECT_EQ(ChooseAutoBitDepth("png", 64), 48);
    EXPECT_EQ(ChooseAutoBitDepth("exr", 8), 96);
    EXPECT_EQ(ChooseAutoBitDepth("nope", 8), 0);
}

TEST(DepthTest, ReductionsByFormat) {
    AppState st;
    st.autoBitDepth = 0;
    st.outputExtension = "jpg";
    st.outputBitDepth = 8;
    Bitmap grey = ReduceBitDepth(Solid(4, 4, 24, 100), st);
    EXPECT_EQ(FreeImage_GetColorType(grey.get()), FIC_MINISBLACK);
    st.outputExtension = "png";
    Bitmap colourful(FreeImage_Allocate(4, 4, 24));
    for (int i = 0; i < 16; ++i) {
        RGBQUAD c{static_cast<BYTE>(i * 16), 0, static_cast<BYTE>(255 - i * 16), 0};
        FreeImage_SetPixelColor(colourful.get(), i % 4, i / 4, &c);
    }
    Bitmap pal = ReduceBitDepth(std::move(colourful), st);
    EXPECT_EQ(FreeImage_GetColorType(pal.get()), FIC_PALETTE);
    st.outputExtension = "tga";
    st.outputBitDepth = 16;
    EXPECT_EQ(FreeImage_GetGreenMask(ReduceBitDepth(Solid(4, 4, 24, 1), st).get()),
              unsigned{FI16_555_GREEN_MASK});
    st.outputExtension = "bmp";
    EXPECT_EQ(FreeImage_GetGreenMask(ReduceBitDepth(Solid(4, 4, 24, 1), st).get()),
              unsigned{FI16_565_GREEN_MASK});
    st.outputBitDepth = 7;
    EXPECT_FALSE(ReduceBitDepth(Solid(4, 4, 24, 1), st));
    st.autoBitDepth = 1;
    st.outputExtension = "jpg";
    st.inputBitDepth = 24;
    Bitmap thresholded(FreeImage_Allocate(4, 4, 1));
    EXPECT_EQ(ReduceBitDepth(std::move(thresholded), st).bpp(), 24u);
    EXPECT_FALSE(ReduceBitDepth(Bitmap(), st));
}

} // namespace
} // namespace dravik
