#include "engine/save_flags.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

namespace dravik {
namespace {

Settings Defaults() {
    Settings s;
    ApplyDefaults(s, true, {});
    return s;
}

TEST(SaveFlagsTest, JpegQualityChromaAndMode) {
    Settings s = Defaults();
    EXPECT_EQ(SaveFlagsFor("jpg", s), 65631);
    s.output.jpgChroma = 2;
    s.output.jpgSaveAs = 3;
    EXPECT_EQ(SaveFlagsFor("jpg", s), 24671);
    s.output.jpgChroma = 9; // out of range: no chroma flag
    s.output.jpgSaveAs = -1;
    EXPECT_EQ(SaveFlagsFor("jpg", s), 95);
}

TEST(SaveFlagsTest, OtherFormats) {
    Settings s = Defaults();
    s.output.pngCompression = 0;
    s.output.pngInterlaced = 1;
    EXPECT_EQ(SaveFlagsFor("png", s), 768);
    s.output.pngCompression = 3;
    s.output.pngInterlaced = 0;
    EXPECT_EQ(SaveFlagsFor("png", s), PNG_Z_BEST_COMPRESSION);
    EXPECT_EQ(SaveFlagsFor("webp", s), WEBP_LOSSLESS);
    s.output.webpQuality = 99;
    EXPECT_EQ(SaveFlagsFor("webp", s), 99);
    s.output.tiffCompression = 6;
    s.output.tiffColorMode = 1;
    EXPECT_EQ(SaveFlagsFor("tiff", s), TIFF_LZW | TIFF_CMYK);
    s.output.tiffCompression = 99;
    EXPECT_EQ(SaveFlagsFor("tiff", s), TIFF_CMYK);
    s.output.bmpCompression = 1;
    EXPECT_EQ(SaveFlagsFor("bmp", s), BMP_SAVE_RLE);
    s.output.exrCompression = 2;
    EXPECT_EQ(SaveFlagsFor("exr", s), EXR_PIZ);
    s.output.tgaCompression = 1;
    EXPECT_EQ(SaveFlagsFor("tga", s), TARGA_SAVE_RLE);
    EXPECT_EQ(SaveFlagsFor("jxr", s), JXR_LOSSLESS);
    for (const char* ext : {"gif", "pbm", "ppm", "xpm", "nonsense"})
        EXPECT_EQ(SaveFlagsFor(ext, s), 0) << ext;
}

TEST(PrepareOutputFormatTest, BatchFieldsFromTheFormatRowAndTheDepthSetting) {
    Settings s = Defaults();
    AppState st;
    ASSERT_TRUE(PrepareOutputFormat("jpg", s, st));
    EXPECT_EQ(st.outputFif, FIF_JPEG);
    EXPECT_EQ(st.outputExtension, "jpg");
    EXPECT_EQ(st.outputBitDepth, 0);
    EXPECT_EQ(st.autoBitDepth, 1);
    EXPECT_EQ(st.saveFlags, 65631);
    s.output.jpgBpp = 8;
    ASSERT_TRUE(PrepareOutputFormat("jpg", s, st));
    EXPECT_EQ(st.outputBitDepth, 8);
    EXPECT_EQ(st.autoBitDepth, 0);
    EXPECT_FALSE(PrepareOutputFormat("jpeg", s, st));
}

} // namespace
} // namespace dravik
