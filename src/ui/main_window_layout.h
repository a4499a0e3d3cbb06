// Where the main window's controls go for a given window size. No widgets
// here, so the arithmetic can be checked without a display.
#pragma once

namespace dravik {

struct ControlRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const ControlRect&, const ControlRect&) = default;
};

struct MainWindowLayout {
    ControlRect panel; // y is the toolbar height: the panel starts below it
    ControlRect list;
    int columnWidth = 0;
    ControlRect folderLabel;
    ControlRect folderList;
    ControlRect folderButton;
    ControlRect formatLabel;
    ControlRect formatList;
    ControlRect formatButton;
    ControlRect convertButton;
    friend bool operator==(const MainWindowLayout&, const MainWindowLayout&) = default;
};

inline constexpr int kMainWindowMinWidth = 510;
inline constexpr int kMainWindowMinHeight = 330;

// The controls as they are created, before the first resize. The panel's
// height is the window height less 130 at creation, the toolbar height is
// its y.
MainWindowLayout CreationLayout(int windowHeight, int toolbarHeight);

// Inner width and height of the window and the heights of menu bar, toolbar
// and status bar. The bottom rows keep their distance from the bottom edge
// and the right-hand buttons from the right edge; the list takes the rest.
MainWindowLayout LayoutMainWindow(int width, int height, int menuHeight, int toolbarHeight,
                                  int statusHeight);

} // namespace dravik
