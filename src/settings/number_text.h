// Reading and writing the numbers of option values, profiles and config.ini.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dravik {

// A signed integer: leading blanks and tabs skipped, an optional sign, then
// decimal digits, or "$" and hexadecimal digits, or "%" and binary digits;
// reading stops at the first other character. No digits read as 0. Values
// beyond 32 bits saturate.
int32_t ReadInteger(std::string_view text);

// True when ReadInteger takes the whole text: digits were found and nothing
// but blanks follows them ("85" and "$FF" are, "85x", "" and "x" are not).
bool IsWholeInteger(std::string_view text);

// The same in decimal only, as config.ini stores integers: "$10" reads as 0.
int32_t ReadDecimalInteger(std::string_view text);

// A decimal number ("1.5", "-2", "3e2"); "+Infinity", "-Infinity" and
// "NaN" are read as those values. Anything else reads as 0.
double ReadFloat(std::string_view text);

// True when ReadFloat takes the whole text (blanks at the end aside).
bool IsWholeFloat(std::string_view text);

// Six decimals, as config.ini stores the gamma; infinities and NaN use the
// words ReadFloat understands.
std::string FormatFloat6(double value);

} // namespace dravik
