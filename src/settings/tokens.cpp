#include "settings/tokens.h"

#include <algorithm>
#include <array>

namespace dravik {

namespace {

constexpr TokenPair kDdsLoadAs[] = {{"AUTO", 0}, {"BGRA", 1}, {"RGBA", 2}};

// These are words, not numbers: "48HS" and "48" must stay distinct tokens.
constexpr TokenPair kRawLoadAs[] = {{"AUTO", 0}, {"8", 1},    {"16", 2},
                                    {"24", 3},   {"48HS", 4}, {"48", 5}};

constexpr TokenPair kFrameLoading[] = {
    {"ALL", 0}, {"FIRST", 1}, {"MIDDLE", 2}, {"LAST", 3}, {"RANDOM", 4}};

constexpr TokenPair kRawToneMapping[] = {
    {"NONE", 0}, {"LINEAR", 1}, {"AL", 2}, {"DRR", 3}, {"GD", 4}};

// Every compression word is accepted for every format, which is why the
// indices repeat; the per-format groups below undo the ambiguity when echoing.
constexpr TokenPair kCompression[] = {
    {"NONE", 0},      {"RLE", 1},      {"ZIP", 1},     {"PIZ", 2},          {"PXR24", 3},
    {"B44", 4},       {"ZLIB1", 1},    {"ZLIB6", 2},   {"ZLIB9", 3},        {"CCITTFAX3", 1},
    {"CCITTFAX4", 2}, {"PACKBITS", 3}, {"DEFLATE", 4}, {"ADOBEDEFLATE", 5}, {"LZW", 6},
    {"JPEG", 7},      {"LOGLUV", 8}};

constexpr TokenPair kBmpColorTable[] = {{"AUTO", 0}, {"EXACT", 1}};

constexpr TokenPair kColorMode[] = {{"RGB", 0}, {"CMYK", 1}, {"LAB", 2}};

constexpr TokenPair kJpgChroma[] = {{"NONE", 0}, {"LOW", 1}, {"MEDIUM", 2}, {"HIGH", 3}};

constexpr TokenPair kJpgSaveAs[] = {
    {"STANDARD", 0}, {"SIMPLE", 1}, {"OPTIMIZED", 2}, {"PROGRESSIVE", 3}};

constexpr TokenPair kRotationType[] = {{"SIMPLE", 0}, {"ADVANCED", 1}};

constexpr TokenPair kSizeUnit[] = {{"PIXELS", 0}, {"PERCENT", 1}};

constexpr TokenPair kResizeType[] = {{"ALLIMAGES", 0}, {"LARGEIMAGES", 1}};

constexpr TokenPair kResizeAlgorithm[] = {{"BOX", 0},     {"BILINEAR", 1},   {"BSPLINE", 2},
                                          {"BICUBIC", 3}, {"CATMULLROM", 4}, {"LANCZOS", 5}};

constexpr TokenPair kDitherAlgorithm[] = {{"FS", 0},       {"BAYER4", 1},   {"BAYER8", 2},
                                          {"BAYER16", 3},  {"CLUSTER6", 4}, {"CLUSTER8", 5},
                                          {"CLUSTER16", 6}};

constexpr TokenPair kFrameMode[] = {{"NONE", 0}, {"SOLID", 1}};

constexpr TokenPair kWatermarkMode[] = {{"NONE", 0}, {"TEXT", 1}, {"IMAGE", 2}};

constexpr TokenPair kFontStyle[] = {{"REGULAR", 0}, {"BOLD", 1}, {"ITALIC", 2}, {"BOLDITALIC", 3}};

// The misspelling with the final T is the accepted word; profiles carry it.
constexpr TokenPair kFontEffect[] = {{"NONE", 0}, {"UNDERLINE", 1}, {"STRIKETHROUGHT", 2}};

constexpr TokenPair kTextAlignment[] = {{"LEFT", 0}, {"CENTER", 1}, {"RIGHT", 2}};

constexpr TokenPair kBoundary[] = {{"IMAGE", 0}, {"FRAME", 1}};

constexpr TokenPair kPosition[] = {{"TOPLEFT", 0},    {"TOPCENTER", 1},    {"TOPRIGHT", 2},
                                   {"MIDDLELEFT", 3}, {"MIDDLECENTER", 4}, {"MIDDLERIGHT", 5},
                                   {"BOTTOMLEFT", 6}, {"BOTTOMCENTER", 7}, {"BOTTOMRIGHT", 8}};

// Only one size mode exists, so whatever is given selects it.
constexpr TokenPair kSizeMode[] = {{"FIXED", 0}};

constexpr TokenPair kFileTimestamp[] = {{"CURRENT", 0}, {"ORIGINAL", 1}, {"CUSTOM", 2}};

constexpr std::array<std::span<const TokenPair>, kTokenSetCount> kSets = {
    kDdsLoadAs,     kRawLoadAs,  kFrameLoading,    kRawToneMapping,  kCompression,
    kBmpColorTable, kColorMode,  kJpgChroma,       kJpgSaveAs,       kRotationType,
    kSizeUnit,      kResizeType, kResizeAlgorithm, kDitherAlgorithm, kFrameMode,
    kWatermarkMode, kFontStyle,  kFontEffect,      kTextAlignment,   kBoundary,
    kPosition,      kSizeMode,   kFileTimestamp};

constexpr int kCompressionSet = 4;

constexpr TokenPair kRleCompression[] = {{"NONE", 0}, {"RLE", 1}};

constexpr TokenPair kExrCompression[] = {
    {"NONE", 0}, {"ZIP", 1}, {"PIZ", 2}, {"PXR24", 3}, {"B44", 4}};

constexpr TokenPair kPngCompression[] = {{"NONE", 0}, {"ZLIB1", 1}, {"ZLIB6", 2}, {"ZLIB9", 3}};

constexpr TokenPair kTiffCompression[] = {{"NONE", 0},     {"CCITTFAX3", 1}, {"CCITTFAX4", 2},
                                          {"PACKBITS", 3}, {"DEFLATE", 4},   {"ADOBEDEFLATE", 5},
                                          {"LZW", 6},      {"JPEG", 7},      {"LOGLUV", 8}};

struct CompressionGroup {
    std::string_view format;
    std::span<const TokenPair> pairs;
};

constexpr CompressionGroup kCompressionGroups[] = {{"bmp", kRleCompression},
                                                   {"tga", kRleCompression},
                                                   {"exr", kExrCompression},
                                                   {"png", kPngCompression},
                                                   {"tiff", kTiffCompression}};

char upperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

std::span<const TokenPair> compressionPairsFor(std::string_view format) {
    for (const CompressionGroup& group : kCompressionGroups) {
        if (equalsIgnoringCase(group.format, format)) {
            return group.pairs;
        }
    }
    return kSets[kCompressionSet];
}

} // namespace

std::span<const TokenPair> TokenSet(int set) {
    if (set < 0 || set >= kTokenSetCount) {
        return {};
    }
    return kSets[static_cast<size_t>(set)];
}

namespace {

const TokenPair* FindToken(std::string_view value, int set) {
    std::string upper(value);
    std::ranges::transform(upper, upper.begin(), upperAscii);
    for (const TokenPair& pair : TokenSet(set)) {
        if (upper == pair.token) {
            return &pair;
        }
    }
    return nullptr;
}

} // namespace

int32_t TokenToIndex(std::string_view value, int set) {
    const TokenPair* pair = FindToken(value, set);
    return pair != nullptr ? pair->index : 0;
}

bool IsToken(std::string_view value, int set) {
    return FindToken(value, set) != nullptr;
}

std::string IndexToToken(int set, int32_t index, std::string_view format) {
    const std::span<const TokenPair> pairs =
        set == kCompressionSet ? compressionPairsFor(format) : TokenSet(set);
    for (const TokenPair& pair : pairs) {
        if (pair.index == index) {
            return pair.token;
        }
    }
    return {};
}

} // namespace dravik
