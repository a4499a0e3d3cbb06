#include "engine/overlays/watermark.h"
#include "engine/overlays/watermark_font.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace dravik {
namespace {

using test::TempDir;

TEST(WatermarkFontFamily, MetricStandInsCountAsTheFontAskedFor) {
    EXPECT_EQ(ResolveFontFamily("Arial", false, false), "Liberation Sans");
    EXPECT_EQ(ResolveFontFamily("arial", true, true), "Liberation Sans");
    EXPECT_EQ(ResolveFontFamily("Times New Roman", false, false), "Liberation Serif");
    EXPECT_EQ(ResolveFontFamily("Courier New", false, true), "Liberation Mono");
}

// The default font list is "Arial,Tahoma,Verdana": every one of them must
// be usable where fontconfig's configuration names a stand-in.
TEST(WatermarkFontFamily, ClassifiedFamiliesUseTheirConfiguredStandIn) {
    for (const char* name : {"Tahoma", "Verdana", "tahoma"}) {
        for (bool bold : {false, true})
            EXPECT_EQ(ResolveFontFamily(name, bold, false), "DejaVu Sans") << name << bold;
    }
}

TEST(WatermarkFontFamily, InstalledFamiliesResolveToThemselvesInAnyCase) {
    EXPECT_EQ(ResolveFontFamily("Liberation Sans", false, false), "Liberation Sans");
    EXPECT_EQ(ResolveFontFamily("LIBERATION SERIF", true, false), "Liberation Serif");
}

TEST(WatermarkFontFamily, FallbackToAnUnrelatedFamilyIsRefused) {
    EXPECT_FALSE(ResolveFontFamily("No Such Font Family", false, false));
    EXPECT_FALSE(ResolveFontFamily("", false, false));
    EXPECT_FALSE(ResolveFontFamily(std::string("Ari\0al", 6), false, false));
    // A generic alias names no font of its own.
    EXPECT_FALSE(ResolveFontFamily("sans-serif", false, false));
}

class WatermarkFontTest : public testing::Test {
  protected:
    Settings settings;
    void SetUp() override { ApplyDefaults(settings, true, {}); }
};

TEST_F(WatermarkFontTest, LoadsTheSettingsFontInPointsAt96Dpi) {
    settings.watermark.font = "Arial";
    settings.watermark.fontSize = 15;
    std::optional<WatermarkFont> font = WatermarkFont::Load(settings);
    ASSERT_TRUE(font);
    EXPECT_EQ(font->family(), "Liberation Sans");
    EXPECT_DOUBLE_EQ(font->pixelSize(), 20.0);
    EXPECT_STREQ(pango_font_description_get_family(font->description()), "Liberation Sans");
    EXPECT_DOUBLE_EQ(pango_font_description_get_size(font->description()), 20.0 * PANGO_SCALE);
    EXPECT_TRUE(pango_font_description_get_size_is_absolute(font->description()));
}

TEST_F(WatermarkFontTest, StyleAndEffectReachTheLayout) {
    settings.watermark.font = "Arial";
    settings.watermark.fontStyle = 3;
    settings.watermark.fontEffect = 2;
    std::optional<WatermarkFont> font = WatermarkFont::Load(settings);
    ASSERT_TRUE(font);
    EXPECT_EQ(pango_font_description_get_weight(font->description()), PANGO_WEIGHT_BOLD);
    EXPECT_EQ(pango_font_description_get_style(font->description()), PANGO_STYLE_ITALIC);
    PangoAttrIterator* it = pango_attr_list_get_iterator(font->attributes());
    EXPECT_NE(pango_attr_iterator_get(it, PANGO_ATTR_STRIKETHROUGH), nullptr);
    EXPECT_EQ(pango_attr_iterator_get(it, PANGO_ATTR_UNDERLINE), nullptr);
    pango_attr_iterator_destroy(it);

    settings.watermark.fontStyle = 1;
    settings.watermark.fontEffect = 1;
    font = WatermarkFont::Load(settings);
    ASSERT_TRUE(font);
    EXPECT_EQ(pango_font_description_get_style(font->description()), PANGO_STYLE_NORMAL);
    it = pango_attr_list_get_iterator(font->attributes());
    EXPECT_NE(pango_attr_iterator_get(it, PANGO_ATTR_UNDERLINE), nullptr);
    pango_attr_iterator_destroy(it);
}

TEST_F(WatermarkFontTest, UnknownFontDoesNotLoad) {
    settings.watermark.font = "No Such Font Family";
    EXPECT_FALSE(WatermarkFont::Load(settings));
}

TEST_F(WatermarkFontTest, EveryDefaultFontLoads) {
    const std::string defaults = settings.watermark.fonts;
    EXPECT_EQ(defaults, "Arial,Tahoma,Verdana");
    size_t start = 0;
    while (start <= defaults.size()) {
        size_t comma = defaults.find(',', start);
        if (comma == std::string::npos)
            comma = defaults.size();
        settings.watermark.font = defaults.substr(start, comma - start);
        EXPECT_TRUE(WatermarkFont::Load(settings)) << settings.watermark.font;
        start = comma + 1;
    }
}

TEST_F(WatermarkFontTest, AbsurdSizesAreKeptDrawable) {
    settings.watermark.font = "Arial";
    for (int32_t size : {0, -12, INT32_MIN}) {
        settings.watermark.fontSize = size;
        std::optional<WatermarkFont> font = WatermarkFont::Load(settings);
        ASSERT_TRUE(font) << size;
        EXPECT_DOUBLE_EQ(font->pixelSize(), 96.0 / 72.0) << size;
    }
    settings.watermark.fontSize = 5000;
    EXPECT_DOUBLE_EQ(WatermarkFont::Load(settings)->pixelSize(), 5000 * 96.0 / 72.0);
    settings.watermark.fontSize = INT32_MAX;
    EXPECT_DOUBLE_EQ(WatermarkFont::Load(settings)->pixelSize(), 10000 * 96.0 / 72.0);
}

TEST(WatermarkImageCheck, NeedsANonEmptyRegularFileThatDecodes) {
    TempDir dir;
    EXPECT_FALSE(WatermarkImageUsable(""));
    EXPECT_FALSE(WatermarkImageUsable(dir.file("missing.png")));
    EXPECT_FALSE(WatermarkImageUsable(dir.write("empty.png", "")));
    EXPECT_FALSE(WatermarkImageUsable(dir.path()));
    // Present but no picture: the run would leave the watermark out.
    EXPECT_FALSE(WatermarkImageUsable(dir.write("one.png", "x")));
}

} // namespace
} // namespace dravik
