#include "engine/depth.h"

#include <gtest/gtest.h>

#include <string>

namespace dravik {
namespace {

// Strongly coloured bands, so that a greyscale result and a colour palette
// are told apart.
Bitmap Colourful() {
    Bitmap b(FreeImage_Allocate(16, 16, 24));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            RGBQUAD c{.rgbBlue = static_cast<BYTE>(x < 8 ? 255 : 0),
                      .rgbGreen = static_cast<BYTE>(255 - y * 16),
                      .rgbRed = static_cast<BYTE>(x * 16),
                      .rgbReserved = 0};
            FreeImage_SetPixelColor(b.get(), x, y, &c);
        }
    return b;
}

// ---- Automatic depth ---------------------------------------------------------

struct AutoCase {
    const char* extension;
    int32_t input;
    int32_t expected;
};

class ChooseAutoBitDepthTest : public testing::TestWithParam<AutoCase> {};

TEST_P(ChooseAutoBitDepthTest, PicksTheFirstAllowedDepthThatHoldsTheInput) {
    const AutoCase& c = GetParam();
    EXPECT_EQ(ChooseAutoBitDepth(c.extension, c.input), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ChooseAutoBitDepthTest,
                         testing::Values(AutoCase{"jpg", 1, 8}, AutoCase{"jpg", 8, 8},
                                         AutoCase{"jpg", 9, 24}, AutoCase{"jpg", 32, 24},
                                         AutoCase{"png", 1, 1}, AutoCase{"png", 16, 24},
                                         AutoCase{"png", 48, 48}, AutoCase{"png", 64, 48},
                                         AutoCase{"exr", 1, 96}, AutoCase{"exr", 128, 96},
                                         AutoCase{"tiff", 0, 1}, AutoCase{"gif", 24, 8},
                                         AutoCase{"xyz", 24, 0}, AutoCase{"", 8, 0}));

// ---- Reduction ---------------------------------------------------------------

struct ReduceCase {
    const char* name;
    const char* extension;
    int32_t depth;
    unsigned bpp;
    FREE_IMAGE_TYPE type;
};

class ReduceBitDepthTest : public testing::TestWithParam<ReduceCase> {};

TEST_P(ReduceBitDepthTest, ConvertsToTheOutputDepth) {
    const ReduceCase& c = GetParam();
    AppState state;
    state.outputExtension = c.extension;
    state.outputBitDepth = c.depth;
    Bitmap out = ReduceBitDepth(Colourful(), state);
    ASSERT_TRUE(out);
    EXPECT_EQ(out.bpp(), c.bpp);
    EXPECT_EQ(FreeImage_GetImageType(out.get()), c.type);
    EXPECT_EQ(out.width(), 16u);
}

INSTANTIATE_TEST_SUITE_P(Depths, ReduceBitDepthTest,
                         testing::Values(ReduceCase{"Float", "exr", 96, 96, FIT_RGBF},
                                         ReduceCase{"Rgb16", "png", 48, 48, FIT_RGB16},
                                         ReduceCase{"Rgba", "png", 32, 32, FIT_BITMAP},
                                         ReduceCase{"Nibble", "bmp", 4, 4, FIT_BITMAP},
                                         ReduceCase{"OneBit", "png", 1, 1, FIT_BITMAP}),
                         [](const testing::TestParamInfo<ReduceCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(ReduceBitDepth, EightBitsAreGreyForJpegFamiliesAndAPaletteElsewhere) {
    const struct {
        const char* extension;
        FREE_IMAGE_COLOR_TYPE type;
    } cases[] = {{"jpg", FIC_MINISBLACK}, {"j2k", FIC_MINISBLACK}, {"jp2", FIC_MINISBLACK},
                 {"jxr", FIC_MINISBLACK}, {"png", FIC_PALETTE},    {"gif", FIC_PALETTE},
                 {"bmp", FIC_PALETTE}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extension);
        AppState state;
        state.outputExtension = c.extension;
        state.outputBitDepth = 8;
        Bitmap out = ReduceBitDepth(Colourful(), state);
        ASSERT_TRUE(out);
        EXPECT_EQ(out.bpp(), 8u);
        EXPECT_EQ(FreeImage_GetColorType(out.get()), c.type);
    }
}

TEST(ReduceBitDepth, PaletteFromDeeperInputsKeepsColours) {
    for (FIBITMAP* (*make)(FIBITMAP*) : {FreeImage_ConvertTo32Bits, FreeImage_ConvertToRGB16}) {
        AppState state;
        state.outputExtension = "png";
        state.outputBitDepth = 8;
        Bitmap out = ReduceBitDepth(Bitmap(make(Colourful().get())), state);
        ASSERT_TRUE(out);
        EXPECT_EQ(FreeImage_GetColorType(out.get()), FIC_PALETTE);
        BYTE index = 0;
        FreeImage_GetPixelIndex(out.get(), 0, 15, &index);
        const RGBQUAD top = FreeImage_GetPalette(out.get())[index];
        // Top left: full blue, no red, no green.
        EXPECT_GT(top.rgbBlue, 200);
        EXPECT_LT(top.rgbRed, 40);
        EXPECT_LT(top.rgbGreen, 40);
    }
}

TEST(ReduceBitDepth, SixteenBitsUseTheLayoutOfTheFormat) {
    const struct {
        const char* extension;
        unsigned greenMask;
    } cases[] = {{"tga", FI16_555_GREEN_MASK},
                 {"ico", FI16_555_GREEN_MASK},
                 {"bmp", FI16_565_GREEN_MASK},
                 {"jxr", FI16_565_GREEN_MASK}};
    for (const auto& c : cases) {
        for (FIBITMAP* (*make)(FIBITMAP*) : {FreeImage_Clone, FreeImage_ConvertToRGB16}) {
            SCOPED_TRACE(c.extension);
            AppState state;
            state.outputExtension = c.extension;
            state.outputBitDepth = 16;
            Bitmap out = ReduceBitDepth(Bitmap(make(Colourful().get())), state);
            ASSERT_TRUE(out);
            EXPECT_EQ(out.bpp(), 16u);
            EXPECT_EQ(FreeImage_GetGreenMask(out.get()), c.greenMask);
        }
    }
}

TEST(ReduceBitDepth, MatchingDepthHandsTheSameBitmapOn) {
    AppState state;
    state.outputExtension = "jpg";
    state.outputBitDepth = 24;
    Bitmap in = Colourful();
    FIBITMAP* raw = in.get();
    EXPECT_EQ(ReduceBitDepth(std::move(in), state).get(), raw);
}

TEST(ReduceBitDepth, DepthsNoFormatUsesGiveNoBitmap) {
    for (int32_t depth : {7, 0, -1, 64, 128, INT32_MAX}) {
        SCOPED_TRACE(depth);
        AppState state;
        state.outputExtension = "png";
        state.outputBitDepth = depth;
        EXPECT_FALSE(ReduceBitDepth(Colourful(), state));
    }
}

TEST(ReduceBitDepth, AutomaticDepthFollowsTheLoadedDepth) {
    // Loaded with 24 bits, thresholded to 1 bit since: JPEG still gets 24.
    AppState state;
    state.outputExtension = "jpg";
    state.autoBitDepth = 1;
    state.inputBitDepth = 24;
    state.outputBitDepth = 8; // left over from the previous file
    Bitmap oneBit(FreeImage_Threshold(Colourful().get(), 128));
    Bitmap out = ReduceBitDepth(std::move(oneBit), state);
    EXPECT_EQ(state.outputBitDepth, 24);
    ASSERT_TRUE(out);
    EXPECT_EQ(out.bpp(), 24u);

    state.inputBitDepth = 32;
    EXPECT_EQ(ReduceBitDepth(Bitmap(FreeImage_ConvertTo32Bits(Colourful().get())), state).bpp(),
              24u);
}

TEST(ReduceBitDepth, NullStaysNull) {
    AppState state;
    state.outputExtension = "png";
    state.outputBitDepth = 24;
    EXPECT_FALSE(ReduceBitDepth(Bitmap(), state));
}

} // namespace
} // namespace dravik
