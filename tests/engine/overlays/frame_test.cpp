#include "engine/overlays/frame.h"

#include "engine/overlays/canvas.h"

#include "support/bitmaps.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

namespace dravik {
namespace {

using test::Solid;

// Pixel at (x, y) counted from the top.
Rgba At(const Bitmap& b, int x, int y) {
    const BYTE* p = FreeImage_GetScanLine(b.get(), static_cast<int>(b.height()) - 1 - y) + x * 3;
    return Rgba{p[FI_RGBA_RED], p[FI_RGBA_GREEN], p[FI_RGBA_BLUE], 255};
}

bool Same(Rgba a, Rgba b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

bool Near(Rgba a, Rgba b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

constexpr Rgba kGrey{90, 120, 150, 255};
constexpr Rgba kRed{255, 0, 0, 255};
constexpr Rgba kGreen{0, 255, 0, 255};
constexpr Rgba kBlue{0, 0, 255, 255};
constexpr Rgba kYellow{255, 255, 0, 255};

class FrameTest : public testing::Test {
  protected:
    Settings settings;

    void SetUp() override {
        ApplyDefaults(settings, true, {});
        Settings::Frame& f = settings.frame;
        f.doFrame = 1;
        f.solidLeft = f.solidRight = f.solidTop = f.solidBottom = 10;
        f.solidLeftColor = "FF0000";
        f.solidTopColor = "00ff00"; // either case
        f.solidRightColor = "0000FF";
        f.solidBottomColor = "FFFF00";
        f.solidOpacity = 255;
    }

    Bitmap frame(int w, int h, Rgba c = kGrey) { return DrawFrame(Solid(w, h, c), w, h, settings); }
};

TEST_F(FrameTest, TenPixelFrameCoversExactlyTheEdges) {
    Bitmap out = frame(100, 80);
    ASSERT_TRUE(out);
    EXPECT_EQ(out.width(), 100u);
    EXPECT_EQ(out.height(), 80u);
    EXPECT_EQ(out.bpp(), 24u);
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 100; ++x) {
            const bool edge = x < 10 || x >= 90 || y < 10 || y >= 70;
            const Rgba p = At(out, x, y);
            if (edge) {
                EXPECT_FALSE(Same(p, kGrey)) << x << "," << y;
            } else {
                ASSERT_TRUE(Same(p, kGrey)) << x << "," << y;
            }
        }
    }
    // Each band in its own colour, away from the mitred corners.
    EXPECT_TRUE(Same(At(out, 0, 40), kRed));
    EXPECT_TRUE(Same(At(out, 9, 40), kRed));
    EXPECT_TRUE(Same(At(out, 50, 0), kGreen));
    EXPECT_TRUE(Same(At(out, 50, 9), kGreen));
    EXPECT_TRUE(Same(At(out, 95, 40), kBlue));
    EXPECT_TRUE(Same(At(out, 50, 75), kYellow));
}

TEST_F(FrameTest, CornersAreSplitOnTheDiagonal) {
    Bitmap out = frame(100, 80);
    // Top-left: the top colour above the diagonal, the left one below.
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            if (x > y + 1) {
                EXPECT_TRUE(Same(At(out, x, y), kGreen)) << x << "," << y;
            } else if (y > x + 1) {
                EXPECT_TRUE(Same(At(out, x, y), kRed)) << x << "," << y;
            }
        }
    }
    // Bottom-right: right band above its diagonal, bottom band below.
    EXPECT_TRUE(Same(At(out, 98, 71), kBlue));
    EXPECT_TRUE(Same(At(out, 91, 78), kYellow));
}

TEST_F(FrameTest, UnevenWidthsMeetOnTheCornerBoxDiagonal) {
    settings.frame.solidLeft = 4;
    settings.frame.solidTop = 20;
    Bitmap out = frame(100, 80);
    // The diagonal runs from (0,0) to (4,20): y = 5x.
    EXPECT_TRUE(Same(At(out, 3, 2), kGreen));
    EXPECT_TRUE(Same(At(out, 1, 17), kRed));
    EXPECT_TRUE(Same(At(out, 4, 40), kGrey));
    EXPECT_TRUE(Same(At(out, 3, 40), kRed));
    EXPECT_TRUE(Same(At(out, 50, 19), kGreen));
    EXPECT_TRUE(Same(At(out, 50, 20), kGrey));
}

TEST_F(FrameTest, OpacityBlendsTheFrameWithThePicture) {
    settings.frame.solidOpacity = 128;
    Bitmap out = frame(100, 80);
    // Half red over the grey: 128/255 of the colour, the rest of the picture.
    const Rgba expected{static_cast<uint8_t>((128 * 255 + 127 * kGrey.r) / 255),
                        static_cast<uint8_t>(127 * kGrey.g / 255),
                        static_cast<uint8_t>(127 * kGrey.b / 255), 255};
    EXPECT_TRUE(Near(At(out, 5, 40), expected, 2));
    EXPECT_TRUE(Same(At(out, 50, 40), kGrey));

    settings.frame.solidOpacity = 0;
    out = frame(100, 80);
    EXPECT_TRUE(Same(At(out, 5, 40), kGrey));
    settings.frame.solidOpacity = 1000; // taken as opaque
    out = frame(100, 80);
    EXPECT_TRUE(Same(At(out, 5, 40), kRed));
}

TEST_F(FrameTest, OffOrUnknownKindDrawsNothing) {
    settings.frame.doFrame = 0;
    Bitmap eight(FreeImage_Allocate(20, 20, 8));
    FIBITMAP* before = eight.get();
    Bitmap same = DrawFrame(std::move(eight), 20, 20, settings);
    EXPECT_EQ(same.get(), before);
    EXPECT_EQ(same.bpp(), 8u);

    // Any other kind still hands on a 24-bit picture, without frame.
    settings.frame.doFrame = 2;
    Bitmap out = DrawFrame(Solid(20, 20, kGrey, 32), 20, 20, settings);
    EXPECT_EQ(out.bpp(), 24u);
    EXPECT_TRUE(Same(At(out, 0, 0), kGrey));
}

TEST_F(FrameTest, OtherDepthsAreFramedAt24Bits) {
    Bitmap out = DrawFrame(Solid(40, 30, kGrey, 32), 40, 30, settings);
    ASSERT_EQ(out.bpp(), 24u);
    EXPECT_TRUE(Same(At(out, 0, 15), kRed));
    EXPECT_TRUE(Same(At(out, 20, 15), kGrey));
}

TEST_F(FrameTest, UnusableColourTextsAreBlack) {
    settings.frame.solidLeftColor = "F00";
    settings.frame.solidTopColor = "GG0000";
    Bitmap out = frame(100, 80);
    EXPECT_TRUE(Same(At(out, 5, 40), Rgba{0, 0, 0, 255}));
    EXPECT_TRUE(Same(At(out, 50, 5), Rgba{0, 0, 0, 255}));
}

TEST_F(FrameTest, WidthsBeyondThePictureCoverIt) {
    Settings::Frame& f = settings.frame;
    for (int32_t width : {100, 1'000'000, INT32_MAX}) {
        f.solidLeft = f.solidRight = f.solidTop = f.solidBottom = width;
        Bitmap out = frame(60, 40);
        ASSERT_TRUE(out);
        EXPECT_EQ(out.width(), 60u);
        for (int y = 0; y < 40; y += 3) {
            for (int x = 0; x < 60; x += 3)
                ASSERT_FALSE(Same(At(out, x, y), kGrey)) << width << ": " << x << "," << y;
        }
    }
}

TEST_F(FrameTest, NegativeWidthsPaintNothingOnTheirSide) {
    Settings::Frame& f = settings.frame;
    f.solidLeft = -5;
    f.solidTop = -1'000'000;
    Bitmap out = frame(100, 80);
    EXPECT_TRUE(Same(At(out, 0, 40), kGrey));
    EXPECT_TRUE(Same(At(out, 50, 0), kGrey));
    EXPECT_TRUE(Same(At(out, 95, 40), kBlue));
    EXPECT_TRUE(Same(At(out, 50, 75), kYellow));

    f.solidLeft = f.solidRight = f.solidTop = f.solidBottom = INT32_MIN;
    out = frame(100, 80);
    for (int y = 0; y < 80; y += 7) {
        for (int x = 0; x < 100; x += 7)
            ASSERT_TRUE(Same(At(out, x, y), kGrey));
    }
}

TEST_F(FrameTest, CacheGivesTheSameFrameAndFollowsTheSize) {
    FrameCache cache;
    for (auto [w, h] : {std::pair{100, 80}, std::pair{100, 80}, std::pair{50, 70}}) {
        Bitmap cached = DrawFrame(Solid(w, h, kGrey), w, h, settings, &cache);
        Bitmap fresh = frame(w, h);
        ASSERT_EQ(cached.width(), static_cast<unsigned>(w));
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x)
                ASSERT_TRUE(Same(At(cached, x, y), At(fresh, x, y))) << w << ": " << x << "," << y;
        }
    }
}

} // namespace
} // namespace dravik
