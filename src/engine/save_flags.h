// FreeImage save flags and the batch-wide output fields for an extension.
#pragma once

#include "settings/app_state.h"
#include "settings/settings.h"

#include <cstdint>
#include <string_view>

namespace dravik {

// The flags FreeImage_Save gets for an output extension, from the Output
// settings; an enumeration outside its range adds no flag.
int32_t SaveFlagsFor(std::string_view extension, const Settings& settings);

// Fixes OutputFif, OutputExtension, OutputBitDepth, AutoBitDepth and
// SaveFlags for a batch. False when the extension has no output format.
bool PrepareOutputFormat(std::string_view extension, const Settings& settings, AppState& state);

} // namespace dravik
