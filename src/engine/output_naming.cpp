#include "engine/output_naming.h"

#include "platform/paths.h"

#include <glib.h>

#include <cstdio>
#include <iterator>
#include <optional>

namespace dravik {
namespace {

// Same order as kPlaceholders; the switch in valueOf relies on it.
enum Placeholder : int {
    kFilename,
    kFilenameUpper,
    kFilenameLower,
    kFilenameTitle,
    kExt,
    kExtUpper,
    kExtTitle,
    kYear,
    kMonth,
    kDay,
    kHour,
    kMinute,
    kSecond,
    kBitDepth,
    kWidth,
    kHeight,
    kFrame,
    kRandom,
    kCounter,
    kPlaceholderCount
};

constexpr const char* kPlaceholders[] = {
    "%filename%", "%filename[u]%", "%filename[l]%", "%filename[t]%", "%ext%",
    "%ext[u]%",   "%ext[t]%",      "%yyyy%",        "%mm%",          "%dd%",
    "%hh%",       "%ii%",          "%ss%",          "%bpp%",         "%width%",
    "%height%",   "%frame%",       "%rnd%",         "%n%",
};
static_assert(std::size(kPlaceholders) == kPlaceholderCount);

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
char asciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

size_t findIgnoringCase(std::string_view text, std::string_view needle, size_t from) {
    if (needle.empty() || text.size() < needle.size())
        return std::string_view::npos;
    for (size_t i = from; i + needle.size() <= text.size(); ++i) {
        if (equalsIgnoringCase(text.substr(i, needle.size()), needle))
            return i;
    }
    return std::string_view::npos;
}

bool isUtf8(std::string_view text) {
    return g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr) != FALSE;
}

// File names on Linux are bytes, not necessarily UTF-8; GLib's case mapping
// would misread such names, so they get plain ASCII case mapping instead.
std::string changeCase(std::string_view text, bool upper) {
    if (text.empty())
        return {};
    if (!isUtf8(text)) {
        std::string result(text);
        for (char& c : result)
            c = upper ? asciiUpper(c) : asciiLower(c);
        return result;
    }
    const auto size = static_cast<gssize>(text.size());
    gchar* mapped = upper ? g_utf8_strup(text.data(), size) : g_utf8_strdown(text.data(), size);
    std::string result(mapped);
    g_free(mapped);
    return result;
}

std::string toUpper(std::string_view text) {
    return changeCase(text, true);
}
std::string toLower(std::string_view text) {
    return changeCase(text, false);
}

// First character upper, the rest lower; "character" means a whole UTF-8
// sequence, so "élan" becomes "Élan" rather than a broken byte.
std::string toTitle(std::string_view text) {
    if (text.empty())
        return {};
    size_t firstLength = 1;
    if (isUtf8(text))
        firstLength = static_cast<size_t>(g_utf8_next_char(text.data()) - text.data());
    return toUpper(text.substr(0, firstLength)) + toLower(text.substr(firstLength));
}

// At least `width` digits, zero-filled; longer numbers stay whole so that
// distinct counters always give distinct names.
std::string padded(int32_t value, int width) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*d", width, static_cast<int>(value));
    return buffer;
}

std::optional<int> indexOf(std::string_view placeholder) {
    for (int i = 0; i < kPlaceholderCount; ++i) {
        if (equalsIgnoringCase(placeholder, kPlaceholders[i]))
            return i;
    }
    return std::nullopt;
}

std::string valueOf(int index, const AppState& state, const std::tm& now) {
    auto fileName = [&state] { return NameWithoutExtension(FileNamePart(state.currentInput)); };
    switch (index) {
    case kFilename:
        return fileName();
    case kFilenameUpper:
        return toUpper(fileName());
    case kFilenameLower:
        return toLower(fileName());
    case kFilenameTitle:
        return toTitle(fileName());
    case kExt:
        return state.outputExtension;
    case kExtUpper:
        return toUpper(state.outputExtension);
    case kExtTitle:
        return toTitle(state.outputExtension);
    case kYear:
        return padded(now.tm_year + 1900, 4);
    case kMonth:
        return padded(now.tm_mon + 1, 2);
    case kDay:
        return padded(now.tm_mday, 2);
    case kHour:
        return padded(now.tm_hour, 2);
    case kMinute:
        return padded(now.tm_min, 2);
    case kSecond:
        return padded(now.tm_sec, 2);
    case kBitDepth:
        return std::to_string(state.outputBitDepth);
    case kWidth:
        return std::to_string(state.resultWidth);
    case kHeight:
        return std::to_string(state.resultHeight);
    case kFrame:
        return std::to_string(state.frameNumber);
    case kRandom:
        return padded(state.randomNumber, 5);
    case kCounter:
        return padded(state.fileCounter, 5);
    default:
        return {};
    }
}

std::tm localNow() {
    std::time_t seconds = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr)
        return std::tm{};
    return local;
}

} // namespace

std::span<const char* const> Placeholders() {
    return kPlaceholders;
}

std::string NameWithoutExtension(std::string_view fileName) {
    for (size_t i = fileName.size(); i-- > 0;) {
        const char c = fileName[i];
        if (c == ' ' || c == '/' || c == '\\')
            break;
        if (c != '.')
            continue;
        // A leading dot marks a hidden file, not an extension.
        const bool opensName = i == 0 || fileName[i - 1] == '/' || fileName[i - 1] == '\\';
        if (opensName)
            break;
        return std::string(fileName.substr(0, i));
    }
    return std::string(fileName);
}

std::string PlaceholderValue(std::string_view placeholder, const AppState& state,
                             const std::tm& now) {
    std::optional<int> index = indexOf(placeholder);
    return index ? valueOf(*index, state, now) : std::string();
}

std::string ExpandPlaceholder(std::string_view text, std::string_view placeholder,
                              const AppState& state, const std::tm* now) {
    std::optional<int> index = indexOf(placeholder);
    if (!index)
        return std::string(text);

    std::string result;
    std::optional<std::string> value; // computed at the first hit only
    size_t pos = 0;
    for (size_t hit; (hit = findIgnoringCase(text, placeholder, pos)) != std::string_view::npos;) {
        if (!value)
            value =
                now != nullptr ? valueOf(*index, state, *now) : valueOf(*index, state, localNow());
        result.append(text.substr(pos, hit - pos));
        result += *value;
        pos = hit + placeholder.size();
    }
    result.append(text.substr(pos));
    return result;
}

std::string ExpandFileMask(const Settings& settings, const AppState& state, const std::tm* now) {
    std::string mask = toLower(settings.advanced.filenameMask);
    if (mask.empty())
        mask = "%filename%.%ext%";

    const std::tm clock = now != nullptr ? *now : localNow();
    for (const char* placeholder : kPlaceholders)
        mask = ExpandPlaceholder(mask, placeholder, state, &clock);
    return mask;
}

std::string MakeOutputPath(const Settings& settings, const AppState& state, const std::tm* now) {
    std::string path = state.outputFolder;
    if (settings.advanced.keepSubfolders != 0)
        path += state.currentSubfolder;
    path += ExpandFileMask(settings, state, now);
    return path;
}

} // namespace dravik
