// The modification time given to a written output file: left as written,
// copied from the input, or a fixed time chosen by the user.
#pragma once

#include "settings/settings.h"

#include <string>

namespace dravik {

// Applies Advanced/File Timestamp to the output: 0 leaves it, 1 copies the
// input's modification time to the nanosecond, 2 sets the custom time (local
// wall-clock seconds, so it shows as entered in the local zone). Only the
// modification time changes. Unknown modes do nothing. Returns false when the
// time could not be read or set; the caller treats that as harmless, so
// nothing is reported here.
bool ApplyFileTimestamp(const std::string& inputPath, const std::string& outputPath,
                        const Settings& settings);

} // namespace dravik
