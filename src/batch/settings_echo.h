// The checks a command-line batch makes of its settings before it starts,
// with the detailed run's echo of every setting that takes part.
#pragma once

#include "platform/console.h"
#include "settings/app_state.h"
#include "settings/settings.h"

#include <string>

namespace dravik {

// The parts of the echo, in the order a run prints them. The watermark's
// font and picture are checked between the two.
enum class EchoPart {
    Formats,       // input format, then the conversion format with its checks
    Operations,    // rotation to watermark, with the checks of resize and colour
    Naming,        // file name mask, time stamp, subfolders
};

// Prints the part's lines to `echo` (when not null) and returns the first
// error line's text without "Error: ", or "" when the part passes.
std::string EchoAndCheck(EchoPart part, const Settings& settings, const AppState& state,
                         Console* echo);

} // namespace dravik
