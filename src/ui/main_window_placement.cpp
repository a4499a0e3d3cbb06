#include "ui/main_window_placement.h"

namespace dravik {

void RecordPlacement(Settings& settings, const WindowPlacement& placement) {
    switch (placement.state) {
    case WindowShowState::Minimized:
        return;
    case WindowShowState::Maximized:
        settings.window.isMaximized = 1;
        return;
    case WindowShowState::Normal:
        settings.window.isMaximized = 0;
        settings.window.x = placement.x;
        settings.window.y = placement.y;
        settings.window.width = placement.width;
        settings.window.height = placement.height;
        return;
    }
}

void FinishWindowSettings(Settings& settings, const WindowPlacement& placement) {
    RecordPlacement(settings, placement);
    if (settings.advanced.outFoldersHistory == 0)
        settings.file.recentOutFolders.clear();
}

} // namespace dravik
