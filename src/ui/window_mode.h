// The window side of the program, entered when no command-line work is to
// be done.
#pragma once

#include <string>

namespace dravik {

// True when Qt can open a window here (a display, or a platform chosen
// through QT_QPA_PLATFORM).
bool WindowSystemAvailable();

// Runs the main window until it is closed; returns the exit code.
int RunWindowMode(int& argc, char** argv, const std::string& title);

// Shows the uninstall prompt until it is left; returns the exit code.
int RunUninstallPrompt(int& argc, char** argv);

} // namespace dravik
