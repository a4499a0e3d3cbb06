#include "settings/tokens.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace dravik {
namespace {

std::vector<std::string> tokensOf(int set) {
    std::vector<std::string> tokens;
    for (const TokenPair& pair : TokenSet(set)) {
        tokens.emplace_back(pair.token);
    }
    return tokens;
}

std::string lowered(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// --- The words of every set, in order --------------------------------------------------------

struct SetListing {
    int set;
    std::vector<std::string> tokens;
};

class TokenSetListing : public ::testing::TestWithParam<SetListing> {};

TEST_P(TokenSetListing, HoldsTheWordsInOrderStartingAtIndexZero) {
    const SetListing& expected = GetParam();
    EXPECT_EQ(tokensOf(expected.set), expected.tokens);
    ASSERT_FALSE(TokenSet(expected.set).empty());
    EXPECT_EQ(TokenSet(expected.set).front().index, 0);
}

INSTANTIATE_TEST_SUITE_P(
    AllSets, TokenSetListing,
    ::testing::Values(
        SetListing{0, {"AUTO", "BGRA", "RGBA"}},
        SetListing{1, {"AUTO", "8", "16", "24", "48HS", "48"}},
        SetListing{2, {"ALL", "FIRST", "MIDDLE", "LAST", "RANDOM"}},
        SetListing{3, {"NONE", "LINEAR", "AL", "DRR", "GD"}},
        SetListing{4,
                   {"NONE", "RLE", "ZIP", "PIZ", "PXR24", "B44", "ZLIB1", "ZLIB6", "ZLIB9",
                    "CCITTFAX3", "CCITTFAX4", "PACKBITS", "DEFLATE", "ADOBEDEFLATE", "LZW", "JPEG",
                    "LOGLUV"}},
        SetListing{5, {"AUTO", "EXACT"}}, SetListing{6, {"RGB", "CMYK", "LAB"}},
        SetListing{7, {"NONE", "LOW", "MEDIUM", "HIGH"}},
        SetListing{8, {"STANDARD", "SIMPLE", "OPTIMIZED", "PROGRESSIVE"}},
        SetListing{9, {"SIMPLE", "ADVANCED"}}, SetListing{10, {"PIXELS", "PERCENT"}},
        SetListing{11, {"ALLIMAGES", "LARGEIMAGES"}},
        SetListing{12, {"BOX", "BILINEAR", "BSPLINE", "BICUBIC", "CATMULLROM", "LANCZOS"}},
        SetListing{13, {"FS", "BAYER4", "BAYER8", "BAYER16", "CLUSTER6", "CLUSTER8", "CLUSTER16"}},
        SetListing{14, {"NONE", "SOLID"}}, SetListing{15, {"NONE", "TEXT", "IMAGE"}},
        SetListing{16, {"REGULAR", "BOLD", "ITALIC", "BOLDITALIC"}},
        SetListing{17, {"NONE", "UNDERLINE", "STRIKETHROUGHT"}},
        SetListing{18, {"LEFT", "CENTER", "RIGHT"}}, SetListing{19, {"IMAGE", "FRAME"}},
        SetListing{20,
                   {"TOPLEFT", "TOPCENTER", "TOPRIGHT", "MIDDLELEFT", "MIDDLECENTER", "MIDDLERIGHT",
                    "BOTTOMLEFT", "BOTTOMCENTER", "BOTTOMRIGHT"}},
        SetListing{21, {"FIXED"}}, SetListing{22, {"CURRENT", "ORIGINAL", "CUSTOM"}}),
    [](const ::testing::TestParamInfo<SetListing>& info) {
        return "Set" + std::to_string(info.param.set);
    });

TEST(TokenSetTest, EverySetNumberIsCoveredAndNoneBeyond) {
    int covered = 0;
    for (int set = 0; set < kTokenSetCount; ++set) {
        covered += TokenSet(set).empty() ? 0 : 1;
    }
    EXPECT_EQ(covered, 23);
    for (int set : {-1, -23, 23, 24, 1000}) {
        EXPECT_TRUE(TokenSet(set).empty()) << "set " << set;
    }
}

TEST(TokenSetTest, WordsAreUpperCaseAndIndicesNonNegative) {
    for (int set = 0; set < kTokenSetCount; ++set) {
        for (const TokenPair& pair : TokenSet(set)) {
            const std::string token = pair.token;
            EXPECT_FALSE(token.empty()) << "set " << set;
            for (char c : token) {
                EXPECT_TRUE((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
                    << "set " << set << " token " << token;
            }
            EXPECT_GE(pair.index, 0) << "set " << set << " token " << token;
        }
    }
}

// Outside the shared compression set the stored index is simply the position of the word.
TEST(TokenSetTest, IndicesCountUpFromZeroOutsideTheCompressionSet) {
    for (int set = 0; set < kTokenSetCount; ++set) {
        if (set == 4) {
            continue;
        }
        int32_t position = 0;
        for (const TokenPair& pair : TokenSet(set)) {
            EXPECT_EQ(pair.index, position) << "set " << set << " token " << pair.token;
            ++position;
        }
    }
}

TEST(TokenSetTest, CompressionIndices) {
    const std::vector<int32_t> expected = {0, 1, 1, 2, 3, 4, 1, 2, 3, 1, 2, 3, 4, 5, 6, 7, 8};
    std::vector<int32_t> actual;
    for (const TokenPair& pair : TokenSet(4)) {
        actual.push_back(pair.index);
    }
    EXPECT_EQ(actual, expected);
}

// --- Word to index ---------------------------------------------------------------------------

struct ParseCase {
    int set;
    std::string value;
    int32_t expected;
};

class TokenToIndexTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(TokenToIndexTest, GivesTheIndexOfTheMatchingWord) {
    const ParseCase& c = GetParam();
    EXPECT_EQ(TokenToIndex(c.value, c.set), c.expected)
        << "set " << c.set << " value '" << c.value << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TokenToIndexTest,
    ::testing::Values(
        // Letter case does not matter.
        ParseCase{12, "bicubic", 3}, ParseCase{12, "Lanczos", 5}, ParseCase{12, "LANCZOS", 5},
        ParseCase{20, "bottomRight", 8},
        // Blanks are the caller's to trim; left in place they prevent a match.
        ParseCase{12, " LANCZOS", 0}, ParseCase{12, "LANCZOS ", 0},
        // Whole words only, no prefixes or extensions.
        ParseCase{12, "LANCZ", 0}, ParseCase{12, "LANCZOSX", 0}, ParseCase{12, "", 0},
        // Numeric-looking words are compared as text.
        ParseCase{1, "48HS", 4}, ParseCase{1, "48hs", 4}, ParseCase{1, "48", 5},
        ParseCase{1, "32", 0}, ParseCase{1, "8", 1}, ParseCase{1, "16", 2}, ParseCase{1, "24", 3},
        ParseCase{1, "08", 0}, ParseCase{1, "48H", 0},
        // Any compression word is accepted, whichever format it is meant for.
        ParseCase{4, "ZLIB6", 2}, ParseCase{4, "zlib6", 2}, ParseCase{4, "LZW", 6},
        ParseCase{4, "PIZ", 2}, ParseCase{4, "RLE", 1}, ParseCase{4, "LOGLUV", 8},
        ParseCase{4, "ZLIB", 0},
        // The accepted spelling keeps its final T; the plain word is unknown.
        ParseCase{17, "STRIKETHROUGHT", 2}, ParseCase{17, "STRIKETHROUGH", 0},
        ParseCase{3, "AL", 2}, ParseCase{3, "DRR", 3}, ParseCase{3, "gd", 4},
        // A single-mode set gives 0 for anything.
        ParseCase{21, "FIXED", 0}, ParseCase{21, "PERCENT", 0}, ParseCase{21, "1", 0},
        // A word from another set is not known here.
        ParseCase{12, "BOTTOMRIGHT", 0}, ParseCase{22, "CUSTOM", 2},
        // Unknown set numbers.
        ParseCase{-1, "AUTO", 0}, ParseCase{23, "BGRA", 0}, ParseCase{1000, "LANCZOS", 0}));

// --- Index to word ---------------------------------------------------------------------------

struct EchoCase {
    int set;
    int32_t index;
    std::string format;
    std::string expected;
};

class IndexToTokenTest : public ::testing::TestWithParam<EchoCase> {};

TEST_P(IndexToTokenTest, GivesTheFirstWordWithTheIndex) {
    const EchoCase& c = GetParam();
    EXPECT_EQ(IndexToToken(c.set, c.index, c.format), c.expected)
        << "set " << c.set << " index " << c.index << " format '" << c.format << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IndexToTokenTest,
    ::testing::Values(
        EchoCase{4, 2, "png", "ZLIB6"}, EchoCase{4, 4, "tiff", "DEFLATE"},
        EchoCase{4, 2, "bmp", ""}, EchoCase{4, 2, "tga", ""}, EchoCase{4, 1, "tga", "RLE"},
        EchoCase{4, 1, "exr", "ZIP"}, EchoCase{4, 4, "exr", "B44"}, EchoCase{4, 5, "exr", ""},
        EchoCase{4, 1, "png", "ZLIB1"}, EchoCase{4, 4, "png", ""}, EchoCase{4, 8, "tiff", "LOGLUV"},
        EchoCase{4, 9, "tiff", ""}, EchoCase{4, 0, "exr", "NONE"}, EchoCase{4, 2, "PNG", "ZLIB6"},
        // Without a known format the whole set is searched and its first match wins.
        EchoCase{4, 1, "", "RLE"}, EchoCase{4, 2, "", "PIZ"}, EchoCase{4, 8, "", "LOGLUV"},
        EchoCase{4, 2, "jpg", "PIZ"}, EchoCase{4, 9, "", ""},
        // The format only matters for the compression set.
        EchoCase{12, 5, "png", "LANCZOS"}, EchoCase{20, 8, "", "BOTTOMRIGHT"},
        EchoCase{21, 0, "", "FIXED"}, EchoCase{21, 1, "", ""},
        // Indices and sets that do not exist.
        EchoCase{12, 6, "", ""}, EchoCase{12, -1, "", ""}, EchoCase{0, -5, "", ""},
        EchoCase{4, -1, "png", ""}, EchoCase{-1, 0, "", ""}, EchoCase{23, 0, "", ""},
        EchoCase{1000, 1, "", ""}));

// Every word of the plain sets survives the trip to its index and back, in any letter case.
TEST(TokenRoundTripTest, EveryPlainSetWordComesBack) {
    for (int set = 0; set < kTokenSetCount; ++set) {
        if (set == 4) {
            continue;
        }
        for (const TokenPair& pair : TokenSet(set)) {
            const int32_t index = TokenToIndex(pair.token, set);
            EXPECT_EQ(index, pair.index) << "set " << set << " token " << pair.token;
            EXPECT_EQ(TokenToIndex(lowered(pair.token), set), pair.index)
                << "set " << set << " token " << pair.token;
            EXPECT_EQ(IndexToToken(set, index), pair.token) << "set " << set;
        }
    }
}

struct CompressionGroupCase {
    std::string format;
    std::vector<std::string> tokens; // position is the index
};

class CompressionGroupTest : public ::testing::TestWithParam<CompressionGroupCase> {};

// Each format's echo walks its own words, and each of them reads back to the same index.
TEST_P(CompressionGroupTest, EchoesTheFormatsOwnWords) {
    const CompressionGroupCase& c = GetParam();
    const auto count = static_cast<int32_t>(c.tokens.size());
    for (int32_t index = 0; index < count; ++index) {
        const std::string token = IndexToToken(4, index, c.format);
        EXPECT_EQ(token, c.tokens[static_cast<size_t>(index)]) << "index " << index;
        EXPECT_EQ(TokenToIndex(token, 4), index) << "token " << token;
    }
    EXPECT_EQ(IndexToToken(4, count, c.format), "");
}

INSTANTIATE_TEST_SUITE_P(
    Formats, CompressionGroupTest,
    ::testing::Values(CompressionGroupCase{"bmp", {"NONE", "RLE"}},
                      CompressionGroupCase{"tga", {"NONE", "RLE"}},
                      CompressionGroupCase{"exr", {"NONE", "ZIP", "PIZ", "PXR24", "B44"}},
                      CompressionGroupCase{"png", {"NONE", "ZLIB1", "ZLIB6", "ZLIB9"}},
                      CompressionGroupCase{"tiff",
                                           {"NONE", "CCITTFAX3", "CCITTFAX4", "PACKBITS", "DEFLATE",
                                            "ADOBEDEFLATE", "LZW", "JPEG", "LOGLUV"}}),
    [](const ::testing::TestParamInfo<CompressionGroupCase>& info) { return info.param.format; });

TEST(IsTokenTest, KnowsTheWordsOfASetInAnyCase) {
    int set = -1;
    for (int n = 0; n < kTokenSetCount && set < 0; ++n) {
        if (IsToken("LANCZOS", n))
            set = n;
    }
    ASSERT_GE(set, 0);
    EXPECT_TRUE(IsToken("lanczos", set));
    EXPECT_TRUE(IsToken("Box", set));
    EXPECT_FALSE(IsToken("LANCOZ", set));
    EXPECT_FALSE(IsToken("", set));
    EXPECT_FALSE(IsToken(" BOX", set)) << "values arrive trimmed";
    EXPECT_FALSE(IsToken("BOX", kTokenSetCount));
    EXPECT_EQ(TokenToIndex("LANCOZ", set), 0);
}

} // namespace
} // namespace dravik
