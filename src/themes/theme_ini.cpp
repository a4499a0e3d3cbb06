#include "themes/theme_ini.h"

#include <cstdint>

namespace dravik {
namespace {

std::string LowerAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

void AppendReplacement(std::string& out) {
    out += "\xEF\xBF\xBD";
}

} // namespace

std::string IniValue(std::string_view text, std::string_view group, std::string_view key) {
    constexpr std::string_view kLineBreak = "\r\n";
    const std::string lower = LowerAscii(text);
    const size_t g = lower.find("[" + LowerAscii(group) + "]");
    if (g == std::string::npos)
        return {};
    size_t e = lower.find('[', g + 1);
    if (e == std::string::npos)
        e = lower.size();
    const size_t k = lower.find(std::string(kLineBreak) + LowerAscii(key), g);
    if (k == std::string::npos || k >= e)
        return {};

    size_t lineEnd = text.find(kLineBreak, k + kLineBreak.size());
    if (lineEnd == std::string_view::npos)
        lineEnd = text.size();
    const std::string_view line = text.substr(k, lineEnd - k);
    const size_t firstEquals = line.find('=');
    if (firstEquals == std::string_view::npos)
        return {};
    const size_t secondEquals = line.find('=', firstEquals + 1);
    const size_t valueEnd = secondEquals == std::string_view::npos ? line.size() : secondEquals;
    const std::string_view raw = line.substr(firstEquals + 1, valueEnd - firstEquals - 1);

    std::string value;
    value.reserve(raw.size());
    for (char c : raw) {
        if (c != '\t' && c != '\r' && c != '\n')
            value += c;
    }
    const size_t first = value.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const size_t last = value.find_last_not_of(' ');
    return value.substr(first, last - first + 1);
}

std::string Utf8Text(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        size_t length = 0;
        uint32_t cp = 0;
        uint32_t minimum = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2;
            cp = lead & 0x1F;
            minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            cp = lead & 0x0F;
            minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            cp = lead & 0x07;
            minimum = 0x10000;
        }
        bool valid = length > 0 && i + length <= bytes.size();
        for (size_t n = 1; valid && n < length; ++n) {
            const auto next = static_cast<unsigned char>(bytes[i + n]);
            valid = (next & 0xC0) == 0x80;
            cp = (cp << 6) | (next & 0x3F);
        }
        // Overlong forms and surrogates are as invalid as a missing byte.
        if (valid && (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)))
            valid = false;
        if (valid) {
            out.append(bytes.substr(i, length));
            i += length;
        } else {
            AppendReplacement(out);
            ++i;
        }
    }
    return out;
}

} // namespace dravik
