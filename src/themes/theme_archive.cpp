#include "themes/theme_archive.h"

#include "themes/theme_ini.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

namespace dravik {
namespace {

constexpr std::string_view kConfigEntry = "theme.cfg";
// Zip reading seeks from local header to local header; a small block keeps each seek cheap.
constexpr size_t kReadBlockSize = size_t{16} * 1024;

struct ArchiveFree {
    void operator()(archive* a) const { archive_read_free(a); }
};
using ArchivePtr = std::unique_ptr<archive, ArchiveFree>;

ArchivePtr OpenZip(const std::string& path) {
    ArchivePtr a(archive_read_new());
    if (!a)
        return {};
    if (archive_read_support_format_zip(a.get()) != ARCHIVE_OK)
        return {};
    if (archive_read_open_filename(a.get(), path.c_str(), kReadBlockSize) != ARCHIVE_OK)
        return {};
    return a;
}

// Warnings (an odd charset, say) still give a usable header.
bool NextHeader(archive* a, archive_entry** entry) {
    const int r = archive_read_next_header(a, entry);
    return r == ARCHIVE_OK || r == ARCHIVE_WARN;
}

std::string EntryName(archive_entry* entry) {
    if (const char* utf8 = archive_entry_pathname_utf8(entry))
        return utf8;
    if (const char* raw = archive_entry_pathname(entry))
        return raw;
    return {};
}

int64_t EntrySize(archive_entry* entry) {
    return archive_entry_size_is_set(entry) ? archive_entry_size(entry) : 0;
}

// Reads at most limit bytes of the current entry. A picture must arrive whole: then anything
// past the limit, or any complaint from libarchive (bad CRC, broken deflate data), fails.
// Otherwise the read just stops at the limit.
bool ReadEntry(archive* a, size_t limit, bool whole, std::string& out) {
    out.clear();
    char buffer[16 * 1024];
    for (;;) {
        size_t want = sizeof buffer;
        if (!whole)
            want = std::min(want, limit - out.size());
        if (want == 0)
            return true;
        const la_ssize_t n = archive_read_data(a, buffer, want);
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (out.size() + static_cast<size_t>(n) > limit)
            return false;
        out.append(buffer, static_cast<size_t>(n));
    }
}

enum class FileState { Missing, Empty, Present };

FileState Inspect(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return FileState::Missing;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size == 0)
        return FileState::Empty;
    return FileState::Present;
}

bool ContainsPngAscii(std::string_view value) {
    constexpr std::string_view kPng = ".png";
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    return std::search(value.begin(), value.end(), kPng.begin(), kPng.end(),
                       [&](char a, char b) { return lower(a) == b; }) != value.end();
}

// What pass one of an archive yields: every entry with data, and the config text.
struct ArchiveIndex {
    std::unordered_map<std::string, int64_t> sizes;
    std::string config;
};

ArchiveIndex ReadIndex(archive* a) {
    ArchiveIndex index;
    bool configSeen = false;
    archive_entry* entry = nullptr;
    while (NextHeader(a, &entry)) {
        std::string name = EntryName(entry);
        const int64_t size = EntrySize(entry);
        if (!configSeen && name == kConfigEntry) {
            configSeen = true;
            std::string bytes;
            if (!ReadEntry(a, kMaxThemeConfigBytes, false, bytes)) {
                // libarchive refuses to go on after a failed read, and without a config there is
                // nothing to load anyway.
                index.config.clear();
                return index;
            }
            index.config = Utf8Text(bytes);
        }
        if (size > 0)
            index.sizes.emplace(std::move(name), size);
    }
    return index;
}

void CollectSet(const ArchiveIndex& index, std::string_view group, std::span<const SlotName> names,
                const std::string& suffix,
                std::unordered_map<std::string, std::vector<int>>& wanted) {
    for (const SlotName& name : names) {
        const std::string value = IniValue(index.config, group, name.name);
        // A missing key names no picture, even in an archive that happens
        // to hold a "_16.png".
        if (value.empty())
            continue;
        std::string entry = ContainsPngAscii(value) ? value : value + "_" + suffix + ".png";
        const auto found = index.sizes.find(entry);
        if (found == index.sizes.end() || found->second > kMaxThemeEntryBytes)
            continue;
        wanted[std::move(entry)].push_back(name.slot);
    }
}

// Pass two reads the wanted entries in archive order. A failed read leaves libarchive unusable,
// so the archive is opened again and skipped to just past the entry that failed; every wanted
// entry is tried at most once, which bounds the reopening.
int ReadWanted(const std::string& path, std::unordered_map<std::string, std::vector<int>>& wanted,
               ImageSlots& slots) {
    int loaded = 0;
    size_t resumeAt = 0;
    bool reopen = true;
    while (reopen && !wanted.empty()) {
        reopen = false;
        ArchivePtr a = OpenZip(path);
        if (!a)
            break;
        size_t position = 0;
        archive_entry* entry = nullptr;
        while (!wanted.empty() && NextHeader(a.get(), &entry)) {
            if (position++ < resumeAt)
                continue;
            resumeAt = position;
            const int64_t size = EntrySize(entry);
            if (size <= 0 || size > kMaxThemeEntryBytes)
                continue;
            const auto found = wanted.find(EntryName(entry));
            if (found == wanted.end())
                continue;
            const std::vector<int> targets = std::move(found->second);
            wanted.erase(found);

            std::string bytes;
            if (!ReadEntry(a.get(), static_cast<size_t>(kMaxThemeEntryBytes), true, bytes)) {
                reopen = true;
                break;
            }
            PngResult decoded =
                DecodePng({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
            if (!decoded.ok())
                continue;
            for (int slot : targets) {
                if (slots.set(slot, decoded.image))
                    ++loaded;
            }
        }
    }
    return loaded;
}

} // namespace

std::string InstalledThemeFolder(const std::string& programFolder) {
    constexpr std::string_view kBin = "bin/";
    if (!programFolder.ends_with(kBin))
        return {};
    return programFolder.substr(0, programFolder.size() - kBin.size()) + "share/dravik/gfx/";
}

std::string ThemeArchivePath(const std::string& programFolder, const std::string& key) {
    std::string beside = programFolder + "gfx/" + key + ".zip";
    const std::string installed = InstalledThemeFolder(programFolder);
    std::error_code ec;
    if (installed.empty() || std::filesystem::exists(beside, ec))
        return beside;
    std::string shared = installed + key + ".zip";
    return std::filesystem::exists(shared, ec) ? shared : beside;
}

InstalledThemes ScanThemes(const std::string& programFolder) {
    constexpr std::string_view kExtension = ".zip";
    InstalledThemes themes;
    // A theme beside the program hides an installed one of the same key.
    for (const std::string& folder : {programFolder + "gfx", InstalledThemeFolder(programFolder)}) {
        if (folder.empty())
            continue;
        std::error_code ec;
        std::filesystem::directory_iterator it(folder, ec);
        for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
            std::error_code typeError;
            if (!it->is_regular_file(typeError))
                continue;
            const std::string name = it->path().filename().string();
            if (name.size() <= kExtension.size() || !name.ends_with(kExtension))
                continue;
            std::string key = name.substr(0, name.size() - kExtension.size());
            if (themes.contains(key))
                continue;
            std::string display = ThemeDisplayName(programFolder, key);
            themes.emplace(std::move(key), std::move(display));
        }
    }
    return themes;
}

std::string ThemeDisplayName(const std::string& programFolder, const std::string& key) {
    const std::string path = ThemeArchivePath(programFolder, key);
    if (Inspect(path) != FileState::Present)
        return key;
    ArchivePtr a = OpenZip(path);
    if (!a)
        return key;
    archive_entry* entry = nullptr;
    while (NextHeader(a.get(), &entry)) {
        if (EntryName(entry) != kConfigEntry)
            continue;
        std::string bytes;
        if (!ReadEntry(a.get(), kThemeNameConfigBytes, false, bytes))
            return {};
        return IniValue(Utf8Text(bytes), "Theme", "Name");
    }
    return {};
}

ThemeLoadResult LoadThemeImages(ImageSlots& slots, const std::string& programFolder,
                                std::string& theme, int sizeIndex, const InstalledThemes& installed,
                                bool loadButtons, bool loadIcons, bool loadToolbar) {
    ThemeLoadResult result;
    std::string path = ThemeArchivePath(programFolder, theme);
    FileState state = Inspect(path);
    if (state == FileState::Missing && !installed.empty()) {
        const std::string& fallback = installed.begin()->first;
        if (fallback != theme) {
            theme = fallback;
            result.themeChanged = true;
        }
        path = ThemeArchivePath(programFolder, theme);
        state = Inspect(path);
    }
    if (state == FileState::Missing) {
        result.status = ThemeArchiveStatus::Missing;
        return result;
    }
    if (state == FileState::Empty) {
        result.status = ThemeArchiveStatus::Empty;
        return result;
    }

    ArchiveIndex index;
    {
        ArchivePtr a = OpenZip(path);
        if (!a) {
            result.status = ThemeArchiveStatus::NotAnArchive;
            return result;
        }
        index = ReadIndex(a.get());
    }
    result.status = ThemeArchiveStatus::Opened;

    constexpr const char* kFixedSuffix = "16";
    std::unordered_map<std::string, std::vector<int>> wanted;
    if (loadButtons)
        CollectSet(index, "Buttons", LargeButtonSlots(), kFixedSuffix, wanted);
    if (loadIcons)
        CollectSet(index, "Icons", SmallIconSlots(), kFixedSuffix, wanted);
    if (loadToolbar)
        CollectSet(index, "Icons", ToolbarIconSlots(), std::to_string(IconPixels(sizeIndex)),
                   wanted);
    result.slotsLoaded = ReadWanted(path, wanted, slots);
    return result;
}

} // namespace dravik
