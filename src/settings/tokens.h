// The upper-case words that stand for enumerated settings on the command line
// and in profile files, and their conversion to and from the stored indices.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace dravik {

struct TokenPair {
    const char* token;
    int32_t index;
};

inline constexpr int kTokenSetCount = 23;

// The pairs of one set in their fixed order; an empty span for a set number
// outside 0..kTokenSetCount-1.
std::span<const TokenPair> TokenSet(int set);

// The index of the first token of the set equal to the value, compared without
// regard to ASCII letter case. The value must already be trimmed: blanks are
// part of the comparison. An unknown token or set gives 0, the set's first
// entry, without complaint.
int32_t TokenToIndex(std::string_view value, int set);

// True when the value (trimmed) is one of the set's tokens, in any ASCII
// letter case: false is what TokenToIndex takes silently as the first entry.
bool IsToken(std::string_view value, int set);

// The first token of the set carrying the index, or "" when there is none.
// Set 4 shares its indices among several output formats, so for it the
// format ("bmp", "tga", "exr", "png", "tiff", any letter case) selects the
// group to search; any other format searches the whole set.
std::string IndexToToken(int set, int32_t index, std::string_view format = {});

} // namespace dravik
