#include "engine/raw_bitmap.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>

namespace dravik {
namespace {

TEST(RawBitmapTest, RoundTripKeepsDepthPaletteAndPixels) {
    test::TempDir dir;
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        Bitmap b(FreeImage_Allocate(37, 11, bpp));
        ASSERT_TRUE(b);
        BYTE* bits = FreeImage_GetBits(b.get());
        for (unsigned i = 0; i < FreeImage_GetPitch(b.get()) * 11; ++i)
            bits[i] = static_cast<BYTE>(i * 7);
        if (RGBQUAD* pal = FreeImage_GetPalette(b.get()))
            pal[1].rgbRed = 200;
        std::string path = dir.file("b" + std::to_string(bpp));
        ASSERT_TRUE(WriteRawBitmap(b.get(), path));
        Bitmap back = ReadRawBitmap(path);
        ASSERT_TRUE(back) << bpp;
        EXPECT_EQ(back.bpp(), static_cast<unsigned>(bpp));
        EXPECT_EQ(back.width(), 37u);
        EXPECT_EQ(0, std::memcmp(FreeImage_GetBits(back.get()), bits,
                                 FreeImage_GetPitch(b.get()) * 11));
        if (bpp <= 8) {
            EXPECT_EQ(FreeImage_GetPalette(back.get())[1].rgbRed, 200);
        }
    }
}

TEST(RawBitmapTest, RefusesDamagedFiles) {
    test::TempDir dir;
    Bitmap b(FreeImage_Allocate(8, 8, 24));
    std::string good = dir.file("good");
    ASSERT_TRUE(WriteRawBitmap(b.get(), good));
    std::string bytes = test::ReadFileText(good);
    EXPECT_FALSE(ReadRawBitmap(dir.write("short", bytes.substr(0, bytes.size() - 1))));
    EXPECT_FALSE(ReadRawBitmap(dir.write("empty", "")));
    EXPECT_FALSE(ReadRawBitmap(dir.file("missing")));
    std::string huge = bytes;
    uint32_t big = 1u << 30;
    std::memcpy(huge.data() + 8, &big, 4); // width
    std::memcpy(huge.data() + 12, &big, 4); // height
    EXPECT_FALSE(ReadRawBitmap(dir.write("huge", huge)));
    std::string badDepth = bytes;
    uint32_t seven = 7;
    std::memcpy(badDepth.data() + 16, &seven, 4);
    EXPECT_FALSE(ReadRawBitmap(dir.write("depth", badDepth)));
}

} // namespace
} // namespace dravik
