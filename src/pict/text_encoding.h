// The Macintosh's one-byte character sets, into UTF-8 for pango.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace dravik::pict {

enum class MacEncoding {
    Roman,    // MacRoman: every text font of the Roman script
    Symbol,   // the Symbol font's Greek letters and mathematical signs
    Dingbats, // Zapf Dingbats
};

// The characters as UTF-8. Control characters are dropped; a code the set
// leaves undefined becomes U+FFFD.
std::string MacToUtf8(std::span<const uint8_t> bytes, MacEncoding encoding);

// One character's code point.
char32_t MacToUnicode(uint8_t byte, MacEncoding encoding);

} // namespace dravik::pict
