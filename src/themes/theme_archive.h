// Themes are zip archives in the program's gfx/ folder holding PNG pictures and a theme.cfg that
// maps each picture name to an entry. Nothing here is fatal: a broken theme leaves the pictures
// the window already has.
#pragma once

#include "themes/image_slots.h"

#include <cstdint>
#include <map>
#include <string>

namespace dravik {

// Theme key (archive file name without ".zip") to display name, sorted by key. An empty display
// name hides the theme from the preferences list but keeps it installed.
using InstalledThemes = std::map<std::string, std::string>;

// Pictures larger than this inside an archive are not read at all.
inline constexpr int64_t kMaxThemeEntryBytes = 8 * 1024 * 1024;
// theme.cfg is read up to this much when loading pictures...
inline constexpr size_t kMaxThemeConfigBytes = 64 * 1024;
// ...and only this much when just the name is wanted, which keeps listing themes quick.
inline constexpr size_t kThemeNameConfigBytes = 255;

// Where an installed program keeps its themes: <prefix>/share/dravik/gfx/ for a program
// folder <prefix>/bin/; empty for any other program folder.
std::string InstalledThemeFolder(const std::string& programFolder);

// programFolder ends in "/" (ProgramFolder() from platform/paths.h in the program). The
// archive in gfx/ beside the program, else the installed one, else (neither exists) the path
// beside the program.
std::string ThemeArchivePath(const std::string& programFolder, const std::string& key);

// Every regular file gfx/<key>.zip beside the program and in the installed theme folder, with
// its display name; beside the program wins for a key found in both. No such folder gives an
// empty table.
InstalledThemes ScanThemes(const std::string& programFolder);

// [Theme] Name from the archive's theme.cfg, possibly empty (also when the archive has no
// theme.cfg). Only when gfx/<key>.zip is missing, empty or not a zip archive is the key itself
// the name, so the user can still tell which file is broken.
std::string ThemeDisplayName(const std::string& programFolder, const std::string& key);

enum class ThemeArchiveStatus {
    Opened,       // the archive was read; pictures it has replaced their slots
    Missing,      // no such file and no installed theme to fall back to
    Empty,        // zero bytes
    NotAnArchive, // libarchive could not open it as zip
};

struct ThemeLoadResult {
    ThemeArchiveStatus status = ThemeArchiveStatus::Missing;
    // The requested theme was missing and theme now names the first installed one; the caller
    // saves it as Interface/UI Theme so the next start does not look for the missing one again.
    bool themeChanged = false;
    int slotsLoaded = 0;
};

// Loads the chosen sets from gfx/<theme>.zip into their slots; theme is Interface/UI Theme and
// sizeIndex Interface/UI Size (picks the toolbar pictures, see IconPixels). Each set is
// optional so that changing the icon size reloads only the toolbar. A picture the theme lacks,
// names badly, or whose entry is empty, over kMaxThemeEntryBytes, damaged or not a PNG libpng
// accepts leaves its slot as it was.
ThemeLoadResult LoadThemeImages(ImageSlots& slots, const std::string& programFolder,
                                std::string& theme, int sizeIndex, const InstalledThemes& installed,
                                bool loadButtons, bool loadIcons, bool loadToolbar);

} // namespace dravik
