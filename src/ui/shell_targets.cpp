#include "ui/shell_targets.h"

#include "settings/product.h"

#include <sys/stat.h>

namespace dravik {
namespace {

bool IsFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsContinuationByte(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

} // namespace

std::string PercentEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                           (c >= 'a' && c <= 'z') || c == '-' || c == '.' || c == '_' || c == '~';
        if (plain) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

std::string SupportMailLink() {
    return std::string("mailto:") + kSupportAddress;
}

std::string FeedbackMailLink() {
    const std::string subject = MakeTitleText(kProgramTitle, kProgramVersion) + " Feedback";
    return SupportMailLink() + "?subject=" + PercentEncode(subject);
}

std::string CleanSearchExtension(std::string_view field) {
    // Count characters, not bytes, so that a field of accented letters is cut where the
    // user sees it cut; only ASCII letters and digits survive the cleaning anyway.
    std::string cleaned;
    int characters = 0;
    for (size_t i = 0; i < field.size(); ++i) {
        const auto c = static_cast<unsigned char>(field[i]);
        if (!IsContinuationByte(c) && ++characters > 12)
            break;
        if (c >= 'A' && c <= 'Z')
            cleaned += static_cast<char>(c - 'A' + 'a');
        else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            cleaned += static_cast<char>(c);
    }
    return cleaned;
}

std::string ConverterSearchUrl(std::string_view from, std::string_view to) {
    std::string url = kConverterSearchUrl;
    url.append(from).append("-").append(to).append("/");
    return url;
}

std::string ManualPath(const std::string& programFolder) {
    const std::string beside = programFolder + kManualFile;
    if (IsFile(beside))
        return beside;
    constexpr std::string_view kBin = "bin/";
    if (programFolder.size() >= kBin.size() &&
        programFolder.compare(programFolder.size() - kBin.size(), kBin.size(), kBin) == 0) {
        const std::string installed = programFolder.substr(0, programFolder.size() - kBin.size()) +
                                      "share/doc/dravik/" + kManualFile;
        if (IsFile(installed))
            return installed;
    }
    return beside;
}

} // namespace dravik
