// The English UI texts compiled into the program.
#pragma once

#include <span>

namespace dravik {

// One pair of the text block. A pair whose first string is "_GROUP_" opens the group named by
// the second string, "_END_" closes the block, and every other pair is a (key, text) entry of
// the group opened last. Strings are UTF-8.
struct TextPair {
    const char* first;
    const char* second;
};

// The built-in block, ending with its "_END_" pair. Entries stand in no particular order within
// a group; the language table sorts them when it loads.
std::span<const TextPair> BuiltinTexts();

} // namespace dravik
