#include "settings/product.h"

namespace dravik {

std::string FormatVersion(int number) {
    std::string digits = std::to_string(number);
    std::string result;
    for (size_t i = 0; i < digits.size(); ++i) {
        result += digits[i];
        if ((i == 0 || i == 1) && i + 1 < digits.size())
            result += '.';
    }
    if (!result.empty() && result.back() == '0')
        result = result.substr(0, 3);
    return result;
}

std::string MakeTitleText(const std::string& title, int number) {
    return title + " " + FormatVersion(number);
}

std::string ConsoleNoticeText() {
    std::string text = kNoticeText;
    const std::string copyright = "\xC2\xA9";
    for (size_t at = text.find(copyright); at != std::string::npos; at = text.find(copyright, at))
        text.replace(at, copyright.size(), "(c)");
    return text;
}

} // namespace dravik
