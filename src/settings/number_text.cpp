#include "settings/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace dravik {
namespace {

bool StartsWithNoCase(std::string_view text, std::string_view word) {
    if (text.size() < word.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i) {
        char a = text[i];
        if (a >= 'a' && a <= 'z')
            a = static_cast<char>(a - 32);
        char b = word[i];
        if (b >= 'a' && b <= 'z')
            b = static_cast<char>(b - 32);
        if (a != b)
            return false;
    }
    return true;
}

int DigitValue(char c, int base) {
    int v = -1;
    if (c >= '0' && c <= '9')
        v = c - '0';
    else if (c >= 'a' && c <= 'f')
        v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        v = c - 'A' + 10;
    return v < base ? v : -1;
}

} // namespace

namespace {

// Where a read stopped, and whether there was anything to read at all.
struct Scan {
    size_t end = 0;
    bool found = false;
};

bool OnlyBlanksFrom(std::string_view text, size_t from) {
    for (size_t i = from; i < text.size(); ++i) {
        if (text[i] != ' ' && text[i] != '\t')
            return false;
    }
    return true;
}

int32_t ReadIntegerIn(std::string_view text, bool prefixes, Scan* scan = nullptr) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (prefixes && i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (prefixes && i < text.size() && text[i] == '%') {
        base = 2;
        ++i;
    }
    // Accumulate the magnitude with a ceiling so that no digit string can
    // overflow; the result saturates at the 32-bit range.
    constexpr int64_t kCeiling = int64_t{1} << 32;
    int64_t magnitude = 0;
    const size_t firstDigit = i;
    for (; i < text.size(); ++i) {
        int d = DigitValue(text[i], base);
        if (d < 0)
            break;
        magnitude = magnitude * base + d;
        if (magnitude > kCeiling)
            magnitude = kCeiling;
    }
    if (scan != nullptr) {
        scan->end = i;
        scan->found = i > firstDigit;
    }
    int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

} // namespace

int32_t ReadInteger(std::string_view text) {
    return ReadIntegerIn(text, true);
}

bool IsWholeInteger(std::string_view text) {
    Scan scan;
    ReadIntegerIn(text, true, &scan);
    return scan.found && OnlyBlanksFrom(text, scan.end);
}

int32_t ReadDecimalInteger(std::string_view text) {
    return ReadIntegerIn(text, false);
}

namespace {

double ScanFloat(std::string_view text, Scan& scan) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    std::string_view rest = text.substr(i);
    for (std::string_view word : {"+Infinity", "Infinity", "-Infinity", "NaN"}) {
        if (StartsWithNoCase(rest, word)) {
            scan.end = i + word.size();
            scan.found = true;
            if (word == "NaN")
                return std::numeric_limits<double>::quiet_NaN();
            return word[0] == '-' ? -std::numeric_limits<double>::infinity()
                                  : std::numeric_limits<double>::infinity();
        }
    }

    // Take the longest prefix of the form [sign] digits [. digits] [e [sign] digits].
    size_t n = 0;
    bool negative = false;
    if (n < rest.size() && (rest[n] == '+' || rest[n] == '-')) {
        negative = rest[n] == '-';
        ++n;
    }
    size_t start = n;
    size_t digits = 0;
    while (n < rest.size() && rest[n] >= '0' && rest[n] <= '9') {
        ++n;
        ++digits;
    }
    if (n < rest.size() && rest[n] == '.') {
        ++n;
        while (n < rest.size() && rest[n] >= '0' && rest[n] <= '9') {
            ++n;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    scan.found = true;
    if (n < rest.size() && (rest[n] == 'e' || rest[n] == 'E')) {
        size_t e = n + 1;
        if (e < rest.size() && (rest[e] == '+' || rest[e] == '-'))
            ++e;
        if (e < rest.size() && rest[e] >= '0' && rest[e] <= '9') {
            while (e < rest.size() && rest[e] >= '0' && rest[e] <= '9')
                ++e;
            n = e;
        }
    }
    scan.end = i + n;
    double value = 0.0;
    auto [ptr, ec] = std::from_chars(rest.data() + start, rest.data() + n, value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        // Too small gives 0, too large gives infinity, as a user would expect.
        bool tiny = false;
        for (size_t k = start; k < n; ++k) {
            if (rest[k] == 'e' || rest[k] == 'E') {
                tiny = k + 1 < n && rest[k + 1] == '-';
                break;
            }
        }
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    } else if (ec != std::errc()) {
        return 0.0;
    }
    return negative ? -value : value;
}

} // namespace

double ReadFloat(std::string_view text) {
    Scan scan;
    return ScanFloat(text, scan);
}

bool IsWholeFloat(std::string_view text) {
    Scan scan;
    ScanFloat(text, scan);
    return scan.found && OnlyBlanksFrom(text, scan.end);
}

std::string FormatFloat6(double value) {
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value > 0 ? "+Infinity" : "-Infinity";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.6f", value);
    return buffer;
}

} // namespace dravik
