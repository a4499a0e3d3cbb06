// Writing code points as UTF-8, for the readers that decode other encodings.
#pragma once

#include <cstdint>
#include <string>

namespace dravik {

// Appends one code point (at most U+10FFFF) in UTF-8.
void AppendUtf8(std::string& out, uint32_t codePoint);

} // namespace dravik
