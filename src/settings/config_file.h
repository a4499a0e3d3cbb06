// config.ini: where the window keeps its settings between runs, how they
// are read (bringing older files up to date) and how they are written.
#pragma once

#include "settings/settings.h"

#include <string>

namespace dravik {

// The version a written file carries in General/CFG.
inline constexpr int32_t kConfigVersion = 19;

// $XDG_CONFIG_HOME (else ~/.config) + "/Tolvenor/dravik/config.ini". The two
// last folders are created when missing; a failure shows only in that the
// file can then be neither read nor written.
std::string ConfigPath();

// Fills every setting from the file, with the defaults of a missing file or
// key (in the window's flavour), then migrates an older file. Never fails:
// what cannot be read takes its default.
void LoadConfig(Settings& settings, const std::string& path, const DefaultsContext& context);

// The bytes SaveConfig writes.
std::string ConfigText(const Settings& settings);

// Replaces the file with ConfigText(settings). The new text is written to a
// temporary file beside it, synced and renamed over the old one, so a failed
// save leaves the old file whole. False when it could not be saved.
bool SaveConfig(const Settings& settings, const std::string& path);

} // namespace dravik
