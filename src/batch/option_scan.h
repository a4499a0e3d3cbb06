// Turns the command-line parameters into settings and command-line fields.
#pragma once

#include "settings/app_state.h"
#include "settings/settings.h"

#include <string>
#include <vector>

namespace dravik {

// Option name of parameter i: for "--" the part before the first "=",
// upper-cased; for "-" the whole parameter upper-cased; otherwise "".
std::string OptionName(const std::vector<std::string>& params, size_t i);

// Option value of parameter i: after the first "=" (searched from the third
// character on) of a "--" parameter, else the whole trimmed parameter.
std::string OptionValue(const std::vector<std::string>& params, size_t i);

struct ScanResult {
    std::string error; // empty when the scan went through
    bool quiet = false;
    bool pause = false;
    // Parameters skipped and values read leniently, one line each for
    // stderr: "dravik: unknown option --quality=85 (ignored)".
    std::vector<std::string> warnings;
};

// Walks every parameter once; stops at the first malformed option.
// Settings changed before an error stay changed.
ScanResult ScanOptions(const std::vector<std::string>& params, Settings& settings, AppState& state);

// Applies the [CLI] group of a profile file; false when the path is empty
// or the file cannot be opened. Values not taken as written add a line to
// `warnings` when given.
bool LoadProfile(const std::string& path, Settings& settings,
                 std::vector<std::string>* warnings = nullptr);

// Upper-cases ASCII letters only; option names and tokens are ASCII.
std::string AsciiUpper(std::string text);

// Removes blanks and tabs at both ends.
std::string TrimBlanks(const std::string& text);

} // namespace dravik
