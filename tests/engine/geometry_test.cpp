#include "engine/geometry.h"

#include "support/bitmaps.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace dravik {
namespace {

using test::SameBits;

// A picture whose every pixel differs, so that any mirroring or misplaced
// filter shows in the bytes.
Bitmap Pattern(int w, int h, int bpp = 24) {
    Bitmap b(FreeImage_Allocate(w, h, 24));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            RGBQUAD c{static_cast<BYTE>(x * 37 + y * 11), static_cast<BYTE>(x * 5 + y * 53),
                      static_cast<BYTE>((x * 19) ^ (y * 7)), 0};
            FreeImage_SetPixelColor(b.get(), x, y, &c);
        }
    if (bpp == 8)
        return Converted(std::move(b), FreeImage_ConvertTo8Bits);
    if (bpp == 32)
        return Converted(std::move(b), FreeImage_ConvertTo32Bits);
    return b;
}

RGBQUAD Pixel(const Bitmap& b, int x, int y) {
    RGBQUAD c{};
    EXPECT_TRUE(FreeImage_GetPixelColor(b.get(), x, y, &c));
    return c;
}

bool SameRgb(RGBQUAD a, RGBQUAD b) {
    return a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue;
}

// ---- Resize size computation ------------------------------------------------

struct ResizeCase {
    const char* name;
    int w, h;
    int32_t width;
    uint8_t widthUnit;
    int32_t height;
    uint8_t heightUnit;
    bool keepAspect;
    uint8_t resizeType;
    bool resize;
    int newW, newH;
};

class ComputeResizeTest : public testing::TestWithParam<ResizeCase> {};

TEST_P(ComputeResizeTest, GivesTargetSize) {
    const ResizeCase& c = GetParam();
    Settings s;
    s.transform.doImageResize = 1;
    s.transform.imageWidth = c.width;
    s.transform.imageWidthUnit = c.widthUnit;
    s.transform.imageHeight = c.height;
    s.transform.imageHeightUnit = c.heightUnit;
    s.transform.keepAspectRatio = c.keepAspect ? 1 : 0;
    s.transform.imageResizeType = c.resizeType;
    const ResizeTarget t = ComputeResize(c.w, c.h, s);
    ASSERT_EQ(t.resize, c.resize);
    if (c.resize) {
        EXPECT_EQ(t.width, c.newW);
        EXPECT_EQ(t.height, c.newH);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ComputeResizeTest,
    testing::Values(
        ResizeCase{"LandscapeKeepsAspect", 4000, 3000, 800, 0, 800, 0, true, 0, true, 800, 600},
        ResizeCase{"PortraitUsesHeightTarget", 3000, 4000, 800, 0, 600, 0, true, 0, true, 450, 600},
        ResizeCase{"SquareUsesWidthTarget", 1000, 1000, 500, 0, 300, 0, true, 0, true, 500, 500},
        ResizeCase{"AspectRoundsHalfAwayFromZero", 1000, 500, 801, 0, 1, 0, true, 0, true, 801,
                   401},
        ResizeCase{"StretchWithoutAspect", 4000, 3000, 800, 0, 800, 0, false, 0, true, 800, 800},
        ResizeCase{"LargeOnlyKeepsSmaller", 640, 480, 800, 0, 600, 0, false, 1, false, 0, 0},
        ResizeCase{"LargeOnlyResizesWider", 1000, 480, 800, 0, 600, 0, false, 1, true, 800, 600},
        ResizeCase{"LargeOnlyWiderWithAspect", 1000, 480, 800, 0, 600, 0, true, 1, true, 800, 384},
        ResizeCase{"LargeOnlyReachingOneSide", 800, 400, 800, 0, 600, 0, false, 1, true, 800, 600},
        ResizeCase{"AlwaysEnlargesSmaller", 640, 480, 800, 0, 600, 0, false, 0, true, 800, 600},
        ResizeCase{"PercentHalvesToEven", 1001, 1003, 50, 1, 50, 1, false, 0, true, 500, 502},
        ResizeCase{"PercentAndPixelsMixed", 1000, 1000, 25, 1, 300, 0, false, 0, true, 250, 300},
        ResizeCase{"ZeroWidthDoesNothing", 4000, 3000, 0, 0, 600, 0, false, 0, false, 0, 0},
        ResizeCase{"ZeroWidthWithAspect", 4000, 3000, 0, 0, 600, 0, true, 0, false, 0, 0},
        ResizeCase{"NegativeHeight", 4000, 3000, 800, 0, -600, 0, false, 0, false, 0, 0},
        ResizeCase{"NegativePercent", 4000, 3000, -50, 1, 50, 1, false, 0, false, 0, 0},
        ResizeCase{"UnknownUnit", 4000, 3000, 800, 2, 600, 0, false, 0, false, 0, 0},
        ResizeCase{"SameSizeDoesNothing", 800, 600, 800, 0, 600, 0, true, 0, false, 0, 0},
        ResizeCase{"HugePercentSaturates", 1000, 1000, INT32_MAX, 1, 100, 1, false, 0, true,
                   INT_MAX, 1000}),
    [](const testing::TestParamInfo<ResizeCase>& info) { return std::string(info.param.name); });

TEST(ComputeResize, OffOrEmptyPictureDoesNothing) {
    Settings s;
    s.transform.imageWidth = 10;
    s.transform.imageHeight = 10;
    EXPECT_FALSE(ComputeResize(100, 100, s).resize);
    s.transform.doImageResize = 1;
    s.transform.keepAspectRatio = 1;
    EXPECT_FALSE(ComputeResize(0, 100, s).resize);
    EXPECT_FALSE(ComputeResize(100, 0, s).resize);
}

// ---- Rescaling ---------------------------------------------------------------

class RescaleTest : public testing::Test {
  protected:
    Settings s;
    void SetUp() override {
        s.transform.doImageResize = 1;
        s.transform.imageWidth = 29;
        s.transform.imageHeight = 23;
    }
};

TEST_F(RescaleTest, UsesTheFilterOfTheAlgorithmSetting) {
    const struct {
        uint8_t algorithm;
        FREE_IMAGE_FILTER filter;
    } cases[] = {{0, FILTER_BOX},     {1, FILTER_BILINEAR},   {2, FILTER_BSPLINE},
                 {3, FILTER_BICUBIC}, {4, FILTER_CATMULLROM}, {5, FILTER_LANCZOS3},
                 {6, FILTER_BICUBIC}, {255, FILTER_BICUBIC}};
    const Bitmap source = Pattern(13, 11);
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.algorithm));
        s.transform.imageResizeAlgorithm = c.algorithm;
        Bitmap out = RescaleBitmap(Bitmap(FreeImage_Clone(source.get())), 13, 11, s);
        ASSERT_TRUE(out);
        EXPECT_EQ(out.width(), 29u);
        EXPECT_EQ(out.height(), 23u);
        const Bitmap expected(FreeImage_Rescale(source.get(), 29, 23, c.filter));
        EXPECT_TRUE(SameBits(out, expected));
    }
}

TEST_F(RescaleTest, NoResizeHandsTheSameBitmapOn) {
    Bitmap in = Pattern(29, 23);
    FIBITMAP* raw = in.get();
    Bitmap out = RescaleBitmap(std::move(in), 29, 23, s);
    EXPECT_EQ(out.get(), raw);
}

TEST_F(RescaleTest, RefusesAbsurdSizes) {
    const struct {
        int32_t width, height;
    } cases[] = {{100000, 10}, {10, 70000}, {40000, 40000}, {INT32_MAX, INT32_MAX}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        s.transform.imageWidth = c.width;
        s.transform.imageHeight = c.height;
        EXPECT_FALSE(RescaleBitmap(Pattern(4, 4), 4, 4, s));
    }
}

TEST_F(RescaleTest, RefusesASideRoundedToZero) {
    // 1 pixel wide keeps the aspect ratio of 3:1 at a height of 0.33 pixels.
    s.transform.keepAspectRatio = 1;
    s.transform.imageWidth = 1;
    s.transform.imageHeight = 1000;
    EXPECT_FALSE(RescaleBitmap(Pattern(30, 10), 30, 10, s));
}

TEST_F(RescaleTest, NullStaysNull) {
    EXPECT_FALSE(RescaleBitmap(Bitmap(), 13, 11, s));
}

// ---- Rotation ----------------------------------------------------------------

class RotateTest : public testing::Test {
  protected:
    Settings s;
    void SetUp() override {
        s.transform.doImageRotation = 1;
        s.transform.imageRotationBackColor = "000000";
    }
};

TEST_F(RotateTest, AnglesOutsideTheOpenRangeLeaveThePictureAlone) {
    for (int32_t angle : {0, 360, -90, 720, INT32_MIN, INT32_MAX}) {
        SCOPED_TRACE(angle);
        s.transform.imageRotation = angle;
        Bitmap in = Pattern(6, 4, 8);
        FIBITMAP* raw = in.get();
        Bitmap out = RotateBitmap(std::move(in), 6, 4, s);
        EXPECT_EQ(out.get(), raw);
        EXPECT_EQ(out.bpp(), 8u);
    }
}

TEST_F(RotateTest, SwitchOffLeavesThePictureAlone) {
    s.transform.doImageRotation = 0;
    s.transform.imageRotation = 90;
    Bitmap in = Pattern(6, 4, 8);
    FIBITMAP* raw = in.get();
    EXPECT_EQ(RotateBitmap(std::move(in), 6, 4, s).get(), raw);
}

TEST_F(RotateTest, RightAngleOfEightBitGivesTwentyFourBits) {
    s.transform.imageRotation = 90;
    Bitmap out = RotateBitmap(Pattern(6, 4, 8), 6, 4, s);
    ASSERT_TRUE(out);
    EXPECT_EQ(out.bpp(), 24u);
    EXPECT_EQ(out.width(), 4u);
    EXPECT_EQ(out.height(), 6u);
}

TEST_F(RotateTest, KeepsThirtyTwoBits) {
    s.transform.imageRotation = 359;
    Bitmap out = RotateBitmap(Pattern(6, 4, 32), 6, 4, s);
    ASSERT_TRUE(out);
    EXPECT_EQ(out.bpp(), 32u);
}

TEST_F(RotateTest, SimpleRotationFillsCornersWithTheBackgroundColour) {
    const struct {
        const char* text;
        BYTE r, g, b;
    } cases[] = {{"FF8000", 0xFF, 0x80, 0x00}, {"ff8000", 0xFF, 0x80, 0x00},
                 {"0A1B2C", 0x0A, 0x1B, 0x2C}, {"FFF", 0, 0, 0},
                 {"FF80001", 0, 0, 0},         {"GG8000", 0, 0, 0},
                 {"-F8000", 0, 0, 0},          {"", 0, 0, 0}};
    s.transform.imageRotation = 45;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        s.transform.imageRotationBackColor = c.text;
        Bitmap in(FreeImage_Allocate(20, 20, 32));
        const RGBQUAD white{255, 255, 255, 255};
        FreeImage_FillBackground(in.get(), &white);
        Bitmap out = RotateBitmap(std::move(in), 20, 20, s);
        ASSERT_TRUE(out);
        EXPECT_GT(out.width(), 20u); // the canvas grows to hold the turned picture
        const RGBQUAD corner = Pixel(out, 0, 0);
        EXPECT_EQ(corner.rgbRed, c.r);
        EXPECT_EQ(corner.rgbGreen, c.g);
        EXPECT_EQ(corner.rgbBlue, c.b);
        EXPECT_EQ(corner.rgbReserved, 0);
        EXPECT_TRUE(SameRgb(Pixel(out, out.width() / 2, out.height() / 2), white));
    }
}

// Four quadrants: red on the left, blue on the right, green added at the top.
Bitmap Quadrants(int w, int h) {
    Bitmap b(FreeImage_Allocate(w, h, 24));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            RGBQUAD c{.rgbBlue = static_cast<BYTE>(x < w / 2 ? 0 : 255),
                      .rgbGreen = static_cast<BYTE>(y < h / 2 ? 0 : 255),
                      .rgbRed = static_cast<BYTE>(x < w / 2 ? 255 : 0),
                      .rgbReserved = 0};
            FreeImage_SetPixelColor(b.get(), x, y, &c);
        }
    return b;
}

TEST_F(RotateTest, AdvancedRotationTurnsAboutTheCentreOfTheGivenSize) {
    constexpr int w = 8;
    constexpr int h = 6;
    s.transform.imageRotationType = 1;
    s.transform.imageRotation = 180;
    const Bitmap source = Quadrants(w, h);
    Bitmap out = RotateBitmap(Bitmap(FreeImage_Clone(source.get())), w, h, s);
    ASSERT_TRUE(out);
    EXPECT_EQ(out.width(), 8u);
    EXPECT_EQ(out.height(), 6u);
    EXPECT_EQ(out.bpp(), 24u);
    // Half a turn about (w/2, h/2), measured from the top-left corner, takes
    // (x, y) from (w - x, h - y); the first row and column come from outside
    // the picture and are skipped. Rows here count from the top.
    const auto fromTop = [h](const Bitmap& b, int x, int y) { return Pixel(b, x, h - 1 - y); };
    for (int y = 1; y < h; ++y)
        for (int x = 1; x < w; ++x)
            EXPECT_TRUE(SameRgb(fromTop(out, x, y), fromTop(source, w - x, h - y)))
                << x << "," << y;
}

TEST_F(RotateTest, UnknownTypeOnlyConverts) {
    s.transform.imageRotationType = 7;
    s.transform.imageRotation = 90;
    Bitmap out = RotateBitmap(Pattern(6, 4, 8), 6, 4, s);
    ASSERT_TRUE(out);
    EXPECT_EQ(out.bpp(), 24u);
    EXPECT_EQ(out.width(), 6u);
    EXPECT_EQ(out.height(), 4u);
}

TEST_F(RotateTest, NullStaysNull) {
    s.transform.imageRotation = 90;
    EXPECT_FALSE(RotateBitmap(Bitmap(), 6, 4, s));
}

// ---- Flipping ----------------------------------------------------------------

TEST(FlipBitmap, MirrorsTheChosenAxes) {
    const struct {
        bool horizontal, vertical;
    } cases[] = {{false, false}, {true, false}, {false, true}, {true, true}};
    constexpr int w = 5;
    constexpr int h = 3;
    const Bitmap original = Pattern(w, h);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.horizontal << c.vertical);
        Settings s;
        s.transform.doImageFlipHorizontal = c.horizontal ? 1 : 0;
        s.transform.doImageFlipVertical = c.vertical ? 1 : 0;
        Bitmap b(FreeImage_Clone(original.get()));
        FlipBitmap(b, s);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int fromX = c.horizontal ? w - 1 - x : x;
                const int fromY = c.vertical ? h - 1 - y : y;
                EXPECT_TRUE(SameRgb(Pixel(b, x, y), Pixel(original, fromX, fromY)))
                    << x << "," << y;
            }
    }
}

TEST(FlipBitmap, NullIsLeftAlone) {
    Settings s;
    s.transform.doImageFlipHorizontal = 1;
    s.transform.doImageFlipVertical = 1;
    Bitmap b;
    FlipBitmap(b, s);
    EXPECT_FALSE(b);
}

} // namespace
} // namespace dravik
