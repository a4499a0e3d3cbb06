// theme.cfg as the theme loader reads it: every lookup the loader makes, and
// one of the input's own choosing when it holds two NULs (group, key, text).

#include "fuzz_support.h"
#include "themes/image_slots.h"
#include "themes/theme_ini.h"

#include <cstdlib>

using namespace dravik;

namespace {

void Check(const std::string& value) {
    // Values come out without line ends or tabs, trimmed of spaces.
    if (value.find_first_of("\t\r\n") != std::string::npos)
        std::abort();
    if (!value.empty() && (value.front() == ' ' || value.back() == ' '))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = Utf8Text(bytes);
    if (!fuzz::IsUtf8(text))
        std::abort();
    Check(IniValue(text, "Theme", "Name"));
    for (const SlotName& name : LargeButtonSlots())
        Check(IniValue(text, "Buttons", name.name));
    for (const SlotName& name : SmallIconSlots())
        Check(IniValue(text, "Icons", name.name));

    const std::vector<std::string> pieces = fuzz::SplitAtNul(data, size);
    if (pieces.size() >= 3)
        Check(IniValue(pieces[2], pieces[0], pieces[1]));
    return 0;
}
