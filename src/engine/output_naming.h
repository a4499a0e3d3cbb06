// Output file names: the filename mask with its placeholders (%filename%,
// %ext%, %yyyy%, %n% ...) expanded for the file in work, and the full output
// path built from it. The placeholder values also feed the text watermark.
#pragma once

#include "settings/app_state.h"
#include "settings/settings.h"

#include <ctime>
#include <span>
#include <string>
#include <string_view>

namespace dravik {

// Every placeholder, lower case, in the order in which a mask expands them.
// The order matters: a value that contains a later placeholder is expanded
// again, one that contains an earlier placeholder is left as it is.
std::span<const char* const> Placeholders();

// The name without its last extension. The extension starts at the last "."
// unless a blank, "/" or "\" comes after it, or the "." opens the name (as in
// ".profile"); such names come back whole. "name." gives "name".
std::string NameWithoutExtension(std::string_view fileName);

// The value of one placeholder (matched without regard to ASCII case) for the
// file in work; date and time fields are taken from `now`. Empty for text that
// is no placeholder.
std::string PlaceholderValue(std::string_view placeholder, const AppState& state,
                             const std::tm& now);

// Text with every occurrence of the placeholder (any ASCII case) replaced by
// its value. Inserted values are not searched again for the same placeholder.
// Without `now` the local clock is read when the first occurrence is found.
// Text that is no placeholder leaves the text unchanged.
std::string ExpandPlaceholder(std::string_view text, std::string_view placeholder,
                              const AppState& state, const std::tm* now = nullptr);

// The output file name: the mask lowered, "%filename%.%ext%" when empty, then
// every placeholder in the order of Placeholders(). No extension is added
// beyond what the mask names. Without `now` the local clock is read once for
// the whole mask, so a name made at midnight cannot mix two dates.
std::string ExpandFileMask(const Settings& settings, const AppState& state,
                           const std::tm* now = nullptr);

// Output folder, then the input's subfolder when subfolders are kept, then the
// expanded mask. A "/" produced by the mask names a further folder, which has
// to exist already.
std::string MakeOutputPath(const Settings& settings, const AppState& state,
                           const std::tm* now = nullptr);

} // namespace dravik
