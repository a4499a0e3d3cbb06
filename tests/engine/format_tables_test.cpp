#include "engine/format_tables.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace dravik {
namespace {

TEST(FormatTablesTest, RowCounts) {
    EXPECT_EQ(InputFormats().size(), 79u);
    EXPECT_EQ(OutputFormats().size(), 20u);
}

// Building again, explicitly or through a lookup, must not add rows a second time.
TEST(FormatTablesTest, BuildingTwiceKeepsOneCopy) {
    BuildInputFormats();
    BuildOutputFormats();
    BuildInputFormats();
    BuildOutputFormats();
    ASSERT_NE(FindInputFormat("pic"), nullptr);
    EXPECT_EQ(InputFormats().size(), 79u);
    EXPECT_EQ(OutputFormats().size(), 20u);
    EXPECT_EQ(ExtensionsOfGroup("pic").size(), 3u);
}

// --- Output table ----------------------------------------------------------------------------

struct OutputCase {
    std::string extension;
    FREE_IMAGE_FORMAT fif;
    std::string description;
    std::vector<int> depths;
};

class OutputFormatRowTest : public ::testing::TestWithParam<OutputCase> {};

TEST_P(OutputFormatRowTest, MatchesTheFreeImageFormatAndDepths) {
    const OutputCase& c = GetParam();
    const OutputFormat* row = FindOutputFormat(c.extension);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->extension, c.extension);
    EXPECT_EQ(row->fif, static_cast<int32_t>(c.fif));
    EXPECT_EQ(row->description, c.description);
    EXPECT_EQ(AllowedDepths(*row), c.depths);
}

const std::vector<OutputCase> kOutputCases = {
    {"bmp", FIF_BMP, "Windows or OS/2 Bitmap", {1, 4, 8, 16, 24, 32}},
    {"exr", FIF_EXR, "ILM OpenEXR", {96}},
    {"gif", FIF_GIF, "Graphics Interchange Format", {8}},
    {"hdr", FIF_HDR, "High Dynamic Range Image", {96}},
    {"ico", FIF_ICO, "Windows Icon", {1, 4, 8, 16, 24, 32}},
    {"j2k", FIF_J2K, "JPEG-2000 Codestream", {8, 24, 32, 48}},
    {"jng", FIF_JNG, "JPEG Network Graphics", {24, 32}},
    {"jp2", FIF_JP2, "JPEG-2000 File Format", {8, 24, 32, 48}},
    {"jpg", FIF_JPEG, "JPEG File Format", {8, 24}},
    {"jxr", FIF_JXR, "JPEG XR Image Format", {1, 8, 16, 24, 32, 48, 96}},
    {"pbm", FIF_PBM, "Portable Bitmap", {1}},
    {"pfm", FIF_PFM, "Portable Floatmap", {96}},
    {"pgm", FIF_PGM, "Portable Greymap", {8}},
    {"png", FIF_PNG, "Portable Network Graphics", {1, 4, 8, 24, 32, 48}},
    {"ppm", FIF_PPM, "Portable Pixelmap", {24, 48}},
    {"tga", FIF_TARGA, "Truevision Targa", {8, 16, 24, 32}},
    {"tiff", FIF_TIFF, "Tagged Image File Format", {1, 4, 8, 24, 32, 48, 96}},
    {"wbmp", FIF_WBMP, "Wireless Bitmap", {1}},
    {"webp", FIF_WEBP, "Google WebP Image Format", {24, 32}},
    {"xpm", FIF_XPM, "X11 Pixmap Format", {24}},
};

INSTANTIATE_TEST_SUITE_P(AllRows, OutputFormatRowTest, ::testing::ValuesIn(kOutputCases),
                         [](const ::testing::TestParamInfo<OutputCase>& info) {
                             return info.param.extension;
                         });

TEST(OutputFormatsTest, TableOrderIsTheListedOrder) {
    ASSERT_EQ(OutputFormats().size(), kOutputCases.size());
    for (size_t i = 0; i < kOutputCases.size(); ++i) {
        EXPECT_EQ(OutputFormats()[i].extension, kOutputCases[i].extension) << "row " << i;
    }
}

TEST(OutputFormatsTest, JpgAndXpmDepthStrings) {
    const OutputFormat* jpg = FindOutputFormat("jpg");
    ASSERT_NE(jpg, nullptr);
    EXPECT_EQ(jpg->fif, 2);
    EXPECT_EQ(jpg->depths, "8,24");
    const OutputFormat* xpm = FindOutputFormat("xpm");
    ASSERT_NE(xpm, nullptr);
    EXPECT_EQ(xpm->depths, "24");
}

TEST(OutputFormatsTest, UnknownExtensionsHaveNoRow) {
    // Only the main extension names an output format, and keys are lower case.
    for (const char* extension : {"jpeg", "tif", "JPG", "pict", "dds", "pcx", "psd", "", ".jpg"}) {
        EXPECT_EQ(FindOutputFormat(extension), nullptr) << "'" << extension << "'";
    }
}

TEST(OutputFormatsTest, DepthsStrictlyIncreaseAndMatchTheirText) {
    for (const OutputFormat& row : OutputFormats()) {
        const std::vector<int> depths = AllowedDepths(row);
        ASSERT_FALSE(depths.empty()) << row.extension;
        std::string text;
        for (size_t i = 0; i < depths.size(); ++i) {
            if (i > 0) {
                EXPECT_LT(depths[i - 1], depths[i]) << row.extension;
                text += ',';
            }
            text += std::to_string(depths[i]);
        }
        // Nothing in the text may be dropped on the way to numbers.
        EXPECT_EQ(text, row.depths) << row.extension;
    }
}

TEST(OutputFormatsTest, AllowedDepthsReadsAnyList) {
    EXPECT_EQ(AllowedDepths(OutputFormat{0, "x", "x", "8,24"}), (std::vector<int>{8, 24}));
    EXPECT_EQ(AllowedDepths(OutputFormat{0, "x", "x", "96"}), (std::vector<int>{96}));
    EXPECT_EQ(AllowedDepths(OutputFormat{0, "x", "x", ""}), std::vector<int>{});
}

// --- Input table -----------------------------------------------------------------------------

struct InputCase {
    std::string extension;
    std::string group;
    std::string description;
};

class InputFormatRowTest : public ::testing::TestWithParam<InputCase> {};

TEST_P(InputFormatRowTest, HasItsFamilyAndDescription) {
    const InputCase& c = GetParam();
    const InputFormat* row = FindInputFormat(c.extension);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->extension, c.extension);
    EXPECT_EQ(row->group, c.group);
    EXPECT_EQ(row->description, c.description);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, InputFormatRowTest,
    ::testing::Values(
        InputCase{"pic", "pic", "Macintosh PICT"}, InputCase{"pict", "pic", "Macintosh PICT"},
        InputCase{"pct", "pic", "Macintosh PICT"},
        InputCase{"wmf", "wmf", "Windows Metafile Format"},
        InputCase{"wmz", "wmf", "Windows Metafile Format"},
        InputCase{"apm", "wmf", "Aldus Placeable Metafile"}, InputCase{"jif", "jpg", "JPEG File"},
        InputCase{"ppcd", "pcd", "Kodak PhotoCD File"},
        InputCase{"targa", "tga", "Truevision Targa"},
        InputCase{"tif", "tiff", "Tagged Image File Format"},
        InputCase{"hdri", "hdr", "High Dynamic Range File"},
        InputCase{"emz", "emf", "Enhanced Metafile Format"},
        InputCase{"dib", "bmp", "Windows or OS/2 Bitmap"},
        // A camera description covers every extension listed after it up to the next one.
        InputCase{"raw", "raw", "Camera RAW Image"}, InputCase{"raw2", "raw", "Camera RAW Image"},
        InputCase{"3fr", "raw", "Hasselblad Camera RAW Image"},
        InputCase{"srf", "raw", "Sony Camera RAW Image"},
        InputCase{"eip", "raw", "Phase One Camera RAW Image"},
        InputCase{"dc2", "raw", "Kodak Camera RAW Image"},
        InputCase{"dcs", "raw", "Kodak Camera RAW Image"},
        InputCase{"sti", "raw", "Sinar RAW Image"},
        InputCase{"nrw", "raw", "Nikon Camera RAW Image"},
        InputCase{"rwl", "raw", "Leica Camera RAW Image"}),
    [](const ::testing::TestParamInfo<InputCase>& info) { return info.param.extension; });

struct GroupCase {
    std::string group;
    std::vector<std::string> extensions;
};

class ExtensionsOfGroupTest : public ::testing::TestWithParam<GroupCase> {};

TEST_P(ExtensionsOfGroupTest, ListsTheFamilyInTableOrder) {
    EXPECT_EQ(ExtensionsOfGroup(GetParam().group), GetParam().extensions);
}

INSTANTIATE_TEST_SUITE_P(Groups, ExtensionsOfGroupTest,
                         ::testing::Values(GroupCase{"pic", {"pic", "pict", "pct"}},
                                           GroupCase{"wmf", {"wmf", "wmz", "apm"}},
                                           GroupCase{"jpg", {"jpg", "jpeg", "jpe", "jif"}},
                                           GroupCase{"dds", {"dds"}}, GroupCase{"pict", {}},
                                           GroupCase{"PIC", {}}, GroupCase{"", {}}),
                         [](const ::testing::TestParamInfo<GroupCase>& info) {
                             return "Case" + std::to_string(info.index);
                         });

TEST(InputFormatsTest, FamiliesInListedOrderEachLedByItsOwnExtension) {
    std::vector<std::string> order;
    for (const InputFormat& row : InputFormats()) {
        if (order.empty() || order.back() != row.group) {
            // A family appears as one contiguous block, opened by its own extension.
            EXPECT_EQ(row.extension, row.group);
            order.push_back(row.group);
        }
    }
    const std::vector<std::string> expected = {"bmp", "dds",  "emf", "gif", "hdr", "ico",
                                               "jpg", "pcd",  "pcx", "pic", "png", "psd",
                                               "tga", "tiff", "wmf", "raw"};
    EXPECT_EQ(order, expected);
    EXPECT_EQ(ExtensionsOfGroup("raw").size(), 48u);
}

TEST(InputFormatsTest, EveryFamilyHasItsOwnRow) {
    for (const InputFormat& row : InputFormats()) {
        const InputFormat* main = FindInputFormat(row.group);
        ASSERT_NE(main, nullptr) << row.extension << " -> " << row.group;
        EXPECT_EQ(main->group, row.group) << row.extension;
    }
}

TEST(InputFormatsTest, ExtensionsAreUniqueAndLowerCase) {
    std::set<std::string> seen;
    for (const InputFormat& row : InputFormats()) {
        EXPECT_TRUE(seen.insert(row.extension).second) << "duplicate " << row.extension;
        EXPECT_FALSE(row.extension.empty());
        for (char c : row.extension) {
            EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) << row.extension;
        }
        EXPECT_FALSE(row.description.empty()) << row.extension;
    }
    std::set<std::string> outputSeen;
    for (const OutputFormat& row : OutputFormats()) {
        EXPECT_TRUE(outputSeen.insert(row.extension).second) << "duplicate " << row.extension;
    }
}

TEST(InputFormatsTest, LookupIsExact) {
    for (const char* extension : {"PICT", "Pic", ".pic", "pic ", "", "xyz", "raw3"}) {
        EXPECT_EQ(FindInputFormat(extension), nullptr) << "'" << extension << "'";
    }
}

} // namespace
} // namespace dravik
