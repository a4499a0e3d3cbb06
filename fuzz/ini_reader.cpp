// config.ini and profile files: the ini syntax, every setting loaded with the
// migration of older files, and the [CLI] group of a profile.

#include "batch/option_scan.h"
#include "fuzz_support.h"
#include "settings/config_file.h"
#include "settings/ini_file.h"

#include <cstdlib>

using namespace dravik;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::MemoryFile file("config.ini");
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    IniFile ini = IniFile::Parse(bytes);
    for (const char* group : {"", "General", "Input", "Output", "CLI"}) {
        if (!ini.selectGroup(group))
            continue;
        for (const IniFile::Entry& entry : ini.entries()) {
            (void)ini.readString(entry.first, "");
            (void)ini.readInteger(entry.first, 0);
            (void)ini.readFloat(entry.first, 0.0);
        }
    }

    file.rewrite(data, size);
    Settings profile;
    ApplyDefaults(profile, true, {});
    std::vector<std::string> warnings;
    (void)LoadProfile(file.path(), profile, &warnings);

    const DefaultsContext context{1920, 1080, 0};
    Settings loaded;
    LoadConfig(loaded, file.path(), context);
    // Whatever was loaded saves and loads back unchanged; a value the reader
    // takes but the writer cannot write back would drift on every save.
    const std::string saved = ConfigText(loaded);
    file.rewrite(reinterpret_cast<const uint8_t*>(saved.data()), saved.size());
    Settings reloaded;
    LoadConfig(reloaded, file.path(), context);
    if (ConfigText(reloaded) != saved)
        std::abort();
    return 0;
}
