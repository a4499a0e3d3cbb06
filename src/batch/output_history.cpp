#include "batch/output_history.h"

#include "platform/paths.h"

#include <glib.h>

#include <utility>

namespace dravik {
namespace {

constexpr char kSeparator = '\t';

// Folder names are bytes on Linux; only valid UTF-8 gets GLib's mapping,
// anything else compares by ASCII letters.
std::string UpperCase(const std::string& text) {
    if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
        gchar* mapped = g_utf8_strup(text.data(), static_cast<gssize>(text.size()));
        std::string result(mapped);
        g_free(mapped);
        return result;
    }
    std::string result = text;
    for (char& c : result)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return result;
}

std::string TrimSpaces(const std::string& text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

} // namespace

std::string OutFolderHistoryEntry(const std::string& history, int i) {
    size_t start = 0;
    for (; i > 0; --i) {
        size_t tab = history.find(kSeparator, start);
        if (tab == std::string::npos)
            return {};
        start = tab + 1;
    }
    size_t end = history.find(kSeparator, start);
    return TrimSpaces(history.substr(start, end == std::string::npos ? end : end - start));
}

void AddOutFolderToHistory(Settings& settings, const std::string& folder) {
    if (folder.empty())
        return;
    const std::string added = WithTrailingSlash(folder);
    const std::string addedUpper = UpperCase(added);
    const int limit = settings.advanced.outFoldersNumber;
    const std::string& old = settings.file.recentOutFolders;
    std::string updated = added;
    int entries = 1;
    for (int i = 0; i < limit; ++i) {
        std::string entry = OutFolderHistoryEntry(old, i);
        if (entry.empty() || entries >= limit || UpperCase(entry) == addedUpper)
            continue;
        updated += kSeparator;
        updated += entry;
        ++entries;
    }
    settings.file.recentOutFolders = std::move(updated);
}

std::optional<OutFolderListing> OutFoldersToShow(const Settings& settings,
                                                 const std::string& currentOutputFolder) {
    const std::string& history = settings.file.recentOutFolders;
    if (history.empty())
        return std::nullopt;
    OutFolderListing listing;
    int match = -1;
    for (int i = 0; i < settings.advanced.outFoldersNumber; ++i) {
        std::string entry = OutFolderHistoryEntry(history, i);
        if (entry.empty())
            continue;
        if (match < 0 && entry == currentOutputFolder)
            match = static_cast<int>(listing.folders.size());
        listing.folders.push_back(std::move(entry));
    }
    listing.selected = match < 0 ? 0 : match;
    return listing;
}

} // namespace dravik
