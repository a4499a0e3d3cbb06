// What the window and its dialogs work on: the settings, the run-time state,
// the input list and the pictures of the current theme. Built once by the
// window-mode start and passed to every window and dialog.
#pragma once

#include "inputs/session.h"
#include "settings/app_state.h"
#include "settings/settings.h"
#include "themes/image_slots.h"
#include "themes/theme_archive.h"

#include <string>

namespace dravik {

struct WindowContext {
    Settings& settings;
    AppState& state;
    Session& session;
    ImageSlots& slots;
    InstalledThemes& themes;
    std::string programFolder; // ends in "/"
};

} // namespace dravik
