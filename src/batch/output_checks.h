// The checks a batch makes of its output format, and the output subfolders
// it creates on the way.
#pragma once

#include <string>
#include <string_view>

namespace dravik {

// True for depth 0 (chosen per file) and for the depths the extension's
// output format allows.
bool IsAllowedBitDepth(std::string_view extension, int depth);

// True when the extension is one this build writes, in exactly its letter
// case.
bool IsOfferedOutput(std::string_view extension);

// Creates `outputFolder` + `subfolder` one level at a time where missing.
// False when a level could not be created.
bool EnsureOutputSubfolder(const std::string& outputFolder, const std::string& subfolder);

} // namespace dravik
