#include "ui/main_window_layout.h"

namespace dravik {

MainWindowLayout CreationLayout(int windowHeight, int toolbarHeight) {
    MainWindowLayout l;
    l.panel = {0, toolbarHeight, kMainWindowMinWidth, windowHeight - 130};
    l.list = {10, 10, 380, 100};
    l.columnWidth = 290;
    l.folderLabel = {10, 115, 380, 20};
    l.folderList = {10, 130, 380, 21};
    l.folderButton = {396, 129, 24, 24};
    l.formatLabel = {10, 155, 380, 20};
    l.formatList = {10, 170, 380, 21};
    l.formatButton = {396, 169, 24, 24};
    l.convertButton = {400, 10, 100, 100};
    return l;
}

MainWindowLayout LayoutMainWindow(int width, int height, int menuHeight, int toolbarHeight,
                                  int statusHeight) {
    // Only the positions and sizes that follow the window change; the rest
    // keep what they were created with.
    MainWindowLayout l = CreationLayout(height, toolbarHeight);
    const int w = width;
    const int a = height - menuHeight - toolbarHeight - statusHeight;
    l.panel = {l.panel.x, toolbarHeight, w, a - 10};
    l.list.width = w - 130;
    l.list.height = a - 109;
    l.columnWidth = w - 160;
    l.folderLabel.y = a - 94;
    l.folderList.y = a - 79;
    l.folderList.width = w - 130;
    l.folderButton = {w - 114, a - 80, 24, 24};
    l.formatLabel.y = a - 54;
    l.formatList.y = a - 39;
    l.formatList.width = w - 130;
    l.formatButton = {w - 114, a - 40, 24, 24};
    l.convertButton.x = w - 110;
    return l;
}

} // namespace dravik
