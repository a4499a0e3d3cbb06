// The window side of the program, entered when no command-line work is to
// be done.
#pragma once

#include "inputs/session.h"
#include "settings/app_state.h"
#include "settings/settings.h"

#include <functional>
#include <string>

namespace dravik {

// True when Qt can open a window here (a display, or a platform chosen
// through QT_QPA_PLATFORM).
bool WindowSystemAvailable();

struct WindowModeParts {
    Settings& settings;
    AppState& state;
    Session& session;
    DefaultsContext defaults;
    std::string title;
    // Runs once the settings are saved, so a new start can follow at once.
    std::function<void()> releaseInstance;
};

// Loads config.ini, texts and pictures, runs the main window until it is
// closed, stores the placement and saves config.ini. Returns the exit code.
int RunWindowMode(int& argc, char** argv, WindowModeParts& parts);

// Builds the window with a fixed sample list and saves two pictures of it,
// dravik1.jpg and the 180-pixel wide dravik1x.jpg, into `folder`. Nothing
// is written when the folder does not exist. Returns the exit code.
int RunDemonstration(int& argc, char** argv, WindowModeParts& parts, const std::string& folder);

// Shows the uninstall prompt until it is left; returns the exit code.
int RunUninstallPrompt(int& argc, char** argv);

} // namespace dravik
