#include "engine/colour.h"

#include "support/bitmaps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace dravik {
namespace {

using test::SameBits;

// Three columns per row (red, green, blue ramps) so that every channel and
// every row differs.
Bitmap Colourful(int w, int h) {
    Bitmap b(FreeImage_Allocate(w, h, 24));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            RGBQUAD c{static_cast<BYTE>(x * 40), static_cast<BYTE>(y * 30),
                      static_cast<BYTE>(255 - x * 20), 0};
            FreeImage_SetPixelColor(b.get(), x, y, &c);
        }
    return b;
}

Bitmap Solid(int w, int h, BYTE r, BYTE g, BYTE b) {
    Bitmap out(FreeImage_Allocate(w, h, 24));
    const RGBQUAD c{b, g, r, 0};
    FreeImage_FillBackground(out.get(), &c);
    return out;
}

// An 8-bit greyscale picture with the given levels along its one row.
Bitmap GreyRow(std::initializer_list<BYTE> levels) {
    Bitmap b(FreeImage_AllocateT(FIT_BITMAP, static_cast<int>(levels.size()), 1, 8));
    RGBQUAD* palette = FreeImage_GetPalette(b.get());
    for (int i = 0; i < 256; ++i)
        palette[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
    std::memcpy(FreeImage_GetScanLine(b.get(), 0), levels.begin(), levels.size());
    return b;
}

RGBQUAD Pixel(const Bitmap& b, int x, int y) {
    RGBQUAD c{};
    EXPECT_TRUE(FreeImage_GetPixelColor(b.get(), x, y, &c));
    return c;
}

// Colour of a pixel of a palette picture, through its palette.
RGBQUAD PaletteColour(const Bitmap& b, int x, int y) {
    BYTE index = 0;
    EXPECT_TRUE(FreeImage_GetPixelIndex(b.get(), x, y, &index));
    return FreeImage_GetPalette(b.get())[index];
}

// ---- Common behaviour of the four steps --------------------------------------

using Step = Bitmap (*)(Bitmap, const Settings&);

struct StepCase {
    const char* name;
    Step step;
    uint8_t Settings::Adjustment::*enable;
};

class ColourStepTest : public testing::TestWithParam<StepCase> {};

TEST_P(ColourStepTest, SwitchOffHandsTheSameBitmapOn) {
    Settings s;
    s.adjustment.imageInvert = 1;
    Bitmap in = Colourful(4, 4);
    FIBITMAP* raw = in.get();
    EXPECT_EQ(GetParam().step(std::move(in), s).get(), raw);
}

TEST_P(ColourStepTest, NullStaysNull) {
    Settings s;
    s.adjustment.*GetParam().enable = 1;
    s.adjustment.imageInvert = 1;
    EXPECT_FALSE(GetParam().step(Bitmap(), s));
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ColourStepTest,
    testing::Values(StepCase{"Adjust", AdjustBitmapColors,
                             &Settings::Adjustment::doImageColorCorrection},
                    StepCase{"Greyscale", GreyscaleBitmap, &Settings::Adjustment::doImageGreyscale},
                    StepCase{"Threshold", ThresholdBitmap, &Settings::Adjustment::doImageThreshold},
                    StepCase{"Dither", DitherBitmap, &Settings::Adjustment::doImageDither}),
    [](const testing::TestParamInfo<StepCase>& info) { return std::string(info.param.name); });

// ---- Colour correction -------------------------------------------------------

class AdjustTest : public testing::Test {
  protected:
    Settings s;
    void SetUp() override { s.adjustment.doImageColorCorrection = 1; }
};

TEST_F(AdjustTest, InvertInvertsEveryChannel) {
    s.adjustment.imageInvert = 1;
    Bitmap out = AdjustBitmapColors(Solid(3, 2, 10, 20, 30), s);
    ASSERT_TRUE(out);
    const RGBQUAD c = Pixel(out, 2, 1);
    EXPECT_EQ(c.rgbRed, 245);
    EXPECT_EQ(c.rgbGreen, 235);
    EXPECT_EQ(c.rgbBlue, 225);
}

TEST_F(AdjustTest, WorksInPlaceOnSupportedDepths) {
    s.adjustment.imageBrightness = 20;
    Bitmap in = Solid(3, 2, 100, 100, 100);
    FIBITMAP* raw = in.get();
    Bitmap out = AdjustBitmapColors(std::move(in), s);
    EXPECT_EQ(out.get(), raw);
    EXPECT_GT(Pixel(out, 0, 0).rgbRed, 100);
}

TEST_F(AdjustTest, LowAndHighDepthsAreAdjustedAtTwentyFourBits) {
    s.adjustment.imageInvert = 1;
    const struct {
        const char* name;
        FIBITMAP* (*make)(FIBITMAP*);
    } cases[] = {{"1 bit", [](FIBITMAP* d) { return FreeImage_Threshold(d, 128); }},
                 {"4 bits", FreeImage_ConvertTo4Bits},
                 {"48 bits", FreeImage_ConvertToRGB16}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bitmap white = Solid(3, 2, 255, 255, 255);
        Bitmap out = AdjustBitmapColors(Bitmap(c.make(white.get())), s);
        ASSERT_TRUE(out);
        EXPECT_EQ(out.bpp(), 24u);
        const RGBQUAD p = Pixel(out, 1, 1);
        EXPECT_EQ(p.rgbRed, 0);
        EXPECT_EQ(p.rgbBlue, 0);
    }
}

TEST_F(AdjustTest, EightBitsStayEightBits) {
    s.adjustment.imageInvert = 1;
    Bitmap out = AdjustBitmapColors(GreyRow({40, 200}), s);
    ASSERT_TRUE(out);
    EXPECT_EQ(out.bpp(), 8u);
    EXPECT_EQ(PaletteColour(out, 0, 0).rgbRed, 215);
    EXPECT_EQ(PaletteColour(out, 1, 0).rgbRed, 55);
}

TEST_F(AdjustTest, NeutralSettingsHandTheBitmapOn) {
    // FreeImage reports failure when there is nothing to change; that must
    // not lose the picture.
    Bitmap in = Solid(3, 2, 10, 20, 30);
    FIBITMAP* raw = in.get();
    Bitmap out = AdjustBitmapColors(std::move(in), s);
    EXPECT_EQ(out.get(), raw);
    EXPECT_EQ(Pixel(out, 0, 0).rgbGreen, 20);
}

TEST_F(AdjustTest, GammaBrightensAboveOne) {
    s.adjustment.imageGamma = 2.0f;
    Bitmap out = AdjustBitmapColors(Solid(3, 2, 64, 64, 64), s);
    ASSERT_TRUE(out);
    EXPECT_GT(Pixel(out, 0, 0).rgbRed, 100);
}

TEST_F(AdjustTest, UnusableGammaKeepsTheOtherCorrections) {
    s.adjustment.imageInvert = 1;
    for (float gamma :
         {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
          std::numeric_limits<float>::quiet_NaN(), 0.0f, -2.0f}) {
        SCOPED_TRACE(gamma);
        s.adjustment.imageGamma = gamma;
        Bitmap out = AdjustBitmapColors(Solid(3, 2, 10, 20, 30), s);
        ASSERT_TRUE(out);
        const RGBQUAD c = Pixel(out, 0, 0);
        EXPECT_EQ(c.rgbRed, 245);
        EXPECT_EQ(c.rgbGreen, 235);
        EXPECT_EQ(c.rgbBlue, 225);
    }
}

// ---- Greyscale ---------------------------------------------------------------

TEST(GreyscaleBitmap, GivesEightBitGreyFromAnyDepth) {
    Settings s;
    s.adjustment.doImageGreyscale = 1;
    const struct {
        const char* name;
        FIBITMAP* (*make)(FIBITMAP*);
    } cases[] = {{"24 bits", FreeImage_Clone},
                 {"32 bits", FreeImage_ConvertTo32Bits},
                 {"48 bits", FreeImage_ConvertToRGB16}};
    const Bitmap source = Colourful(4, 4);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bitmap out = GreyscaleBitmap(Bitmap(c.make(source.get())), s);
        ASSERT_TRUE(out);
        EXPECT_EQ(out.bpp(), 8u);
        EXPECT_EQ(FreeImage_GetColorType(out.get()), FIC_MINISBLACK);
    }
}

// ---- Threshold ---------------------------------------------------------------

TEST(ThresholdBitmap, SplitsAtTheLowByteOfTheLevel) {
    const struct {
        int32_t level;
        BYTE below, at, above;
    } cases[] = {{44, 43, 44, 45},
                 {300, 43, 44, 45},
                 {-212, 43, 44, 45},
                 {456, 199, 200, 201},
                 {256, 0, 0, 255}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level);
        Settings s;
        s.adjustment.doImageThreshold = 1;
        s.adjustment.imageThreshold = c.level;
        Bitmap out = ThresholdBitmap(GreyRow({c.below, c.at, c.above}), s);
        ASSERT_TRUE(out);
        EXPECT_EQ(out.bpp(), 1u);
        if (c.below != c.at) {
            EXPECT_EQ(PaletteColour(out, 0, 0).rgbRed, 0);
        }
        EXPECT_EQ(PaletteColour(out, 1, 0).rgbRed, 255);
        EXPECT_EQ(PaletteColour(out, 2, 0).rgbRed, 255);
    }
}

TEST(ThresholdBitmap, OneBitInputGoesThroughTwentyFourBits) {
    Settings s;
    s.adjustment.doImageThreshold = 1;
    s.adjustment.imageThreshold = 128;
    Bitmap oneBit(FreeImage_Threshold(GreyRow({0, 255}).get(), 128));
    Bitmap out = ThresholdBitmap(std::move(oneBit), s);
    ASSERT_TRUE(out);
    EXPECT_EQ(out.bpp(), 1u);
    EXPECT_EQ(PaletteColour(out, 0, 0).rgbRed, 0);
    EXPECT_EQ(PaletteColour(out, 1, 0).rgbRed, 255);
}

// ---- Dithering ---------------------------------------------------------------

TEST(DitherBitmap, UsesTheAlgorithmOfTheSetting) {
    const struct {
        uint8_t algorithm;
        FREE_IMAGE_DITHER expected;
    } cases[] = {{0, FID_FS},           {1, FID_BAYER4x4},   {2, FID_BAYER8x8},
                 {3, FID_BAYER16x16},   {4, FID_CLUSTER6x6}, {5, FID_CLUSTER8x8},
                 {6, FID_CLUSTER16x16}, {7, FID_FS},         {255, FID_FS}};
    const Bitmap source = Colourful(24, 24);
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.algorithm));
        Settings s;
        s.adjustment.doImageDither = 1;
        s.adjustment.imageDitherAlgorithm = c.algorithm;
        Bitmap out = DitherBitmap(Bitmap(FreeImage_Clone(source.get())), s);
        ASSERT_TRUE(out);
        EXPECT_EQ(out.bpp(), 1u);
        const Bitmap expected(FreeImage_Dither(source.get(), c.expected));
        EXPECT_TRUE(SameBits(out, expected));
    }
}

TEST(DitherBitmap, FollowsThresholdOnItsOneBitResult) {
    Settings s;
    s.adjustment.doImageThreshold = 1;
    s.adjustment.imageThreshold = 100;
    s.adjustment.doImageDither = 1;
    Bitmap out = DitherBitmap(ThresholdBitmap(Colourful(8, 8), s), s);
    ASSERT_TRUE(out);
    EXPECT_EQ(out.bpp(), 1u);
}

} // namespace
} // namespace dravik
