// Theme archives: a zip read through libarchive, its theme.cfg, and every
// picture the config names, as the window loads a theme at start-up.

#include "themes/theme_archive.h"
#include "fuzz_support.h"
#include "platform/temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

using namespace dravik;

namespace {

constexpr const char* kKey = "fuzz";

// A program folder whose gfx/fuzz.zip is the memory file the input goes to.
struct ThemeFolder {
    PrivateTempFolder folder;
    fuzz::MemoryFile archive{"theme.zip"};

    ThemeFolder() {
        if (!folder.ok())
            std::abort();
        const std::string gfx = folder.path() + "gfx";
        std::filesystem::create_directory(gfx);
        const std::string link = gfx + "/" + kKey + ".zip";
        if (::symlink(archive.path().c_str(), link.c_str()) != 0)
            std::abort();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ThemeFolder theme;
    theme.archive.rewrite(data, size);
    (void)ThemeDisplayName(theme.folder.path(), kKey);

    ImageSlots slots;
    std::string key = kKey;
    const int sizeIndex = static_cast<int>(size % 5);
    const ThemeLoadResult result =
        LoadThemeImages(slots, theme.folder.path(), key, sizeIndex, {}, true, true, true);
    if (result.slotsLoaded != slots.filledCount())
        std::abort();
    return 0;
}
