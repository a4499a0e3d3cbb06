// What the window leaves in the settings when it closes. No widgets here.
#pragma once

#include "settings/settings.h"

namespace dravik {

enum class WindowShowState { Normal, Maximized, Minimized };

struct WindowPlacement {
    WindowShowState state = WindowShowState::Normal;
    int x = 0; // outer position
    int y = 0;
    int width = 0; // inner size
    int height = 0;
};

// Keeps the normal position and size through a maximized close, so the next
// start can restore the old size when the user un-maximizes; a minimized
// close records nothing, since the minimized geometry is useless on start.
void RecordPlacement(Settings& settings, const WindowPlacement& placement);

// Everything the settings need before they are saved at exit: the placement
// and, with the history switched off, an empty history.
void FinishWindowSettings(Settings& settings, const WindowPlacement& placement);

} // namespace dravik
