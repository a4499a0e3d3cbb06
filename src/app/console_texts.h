// Texts of the console modes that are not UI texts: the usage screen and the
// fixed lines around a command-line run.
#pragma once

#include <string>
#include <vector>

namespace dravik {

inline constexpr const char* kErrorPrefix = "Error: ";
inline constexpr const char* kPressAnyKey = "Press any key to exit.";
inline constexpr const char* kNoDisplay =
    "dravik: cannot open a window: no display available (set DISPLAY, or run with "
    "QT_QPA_PLATFORM=offscreen)";

// The 38 lines of the help screen with the program name and the example
// extensions filled in.
std::vector<std::string> UsageLines(const std::string& programName);

} // namespace dravik
