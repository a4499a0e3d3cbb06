// Where the controls go, without a window.
#include "settings/config_file.h"
#include "ui/main_window_layout.h"
#include "ui/main_window_placement.h"

#include <gtest/gtest.h>

namespace dravik {
namespace {

// The reference window's frame, menu, toolbar and status bar take 121 of
// its 330 pixels; at that size the layout must land on the coordinates the
// controls are created with.
TEST(MainWindowLayout, DefaultSizeReproducesTheCreatedControls) {
    const MainWindowLayout created = CreationLayout(330, 40);
    MainWindowLayout laid = LayoutMainWindow(510, 330, 20, 40, 61);
    // Two values differ from creation in the reference too: the panel is
    // laid out 10 above the status bar (one less than created) and the
    // column takes the list's width less its scroll bar.
    EXPECT_EQ(laid.panel.height, 199);
    EXPECT_EQ(laid.columnWidth, 350);
    laid.panel.height = created.panel.height;
    laid.columnWidth = created.columnWidth;
    EXPECT_EQ(laid, created);
}

struct LayoutCase {
    int width, height, menu, toolbar, status;
    ControlRect panel, list;
    int column;
    ControlRect folderLabel, folderList, folderButton, formatLabel, formatList, formatButton,
        convert;
};

class MainWindowLayoutSizes : public testing::TestWithParam<LayoutCase> {};

TEST_P(MainWindowLayoutSizes, ControlsFollowTheWindow) {
    const LayoutCase& c = GetParam();
    const MainWindowLayout l = LayoutMainWindow(c.width, c.height, c.menu, c.toolbar, c.status);
    EXPECT_EQ(l.panel, c.panel);
    EXPECT_EQ(l.list, c.list);
    EXPECT_EQ(l.columnWidth, c.column);
    EXPECT_EQ(l.folderLabel, c.folderLabel);
    EXPECT_EQ(l.folderList, c.folderList);
    EXPECT_EQ(l.folderButton, c.folderButton);
    EXPECT_EQ(l.formatLabel, c.formatLabel);
    EXPECT_EQ(l.formatList, c.formatList);
    EXPECT_EQ(l.formatButton, c.formatButton);
    EXPECT_EQ(l.convertButton, c.convert);
}

INSTANTIATE_TEST_SUITE_P(Sizes, MainWindowLayoutSizes,
                         testing::Values(
                             // 800 x 600 with bars of 21, 40 and 22: 517 pixels for the panel area.
                             LayoutCase{800,
                                        600,
                                        21,
                                        40,
                                        22,
                                        {0, 40, 800, 507},
                                        {10, 10, 670, 408},
                                        640,
                                        {10, 423, 380, 20},
                                        {10, 438, 670, 21},
                                        {686, 437, 24, 24},
                                        {10, 463, 380, 20},
                                        {10, 478, 670, 21},
                                        {686, 477, 24, 24},
                                        {690, 10, 100, 100}},
                             // Thinner bars at the minimum size leave the list taller.
                             LayoutCase{510,
                                        330,
                                        25,
                                        42,
                                        24,
                                        {0, 42, 510, 229},
                                        {10, 10, 380, 130},
                                        350,
                                        {10, 145, 380, 20},
                                        {10, 160, 380, 21},
                                        {396, 159, 24, 24},
                                        {10, 185, 380, 20},
                                        {10, 200, 380, 21},
                                        {396, 199, 24, 24},
                                        {400, 10, 100, 100}}));

Settings StoredPlacement() {
    Settings s;
    s.general.saveWindowPosition = 1;
    s.window = {0, 100, 120, 510, 330};
    s.advanced.outFoldersHistory = 1;
    s.file.recentOutFolders = "/a/\t/b/";
    return s;
}

TEST(WindowPlacementRules, EachShowStateKeepsWhatTheNextStartNeeds) {
    struct Case {
        const char* name;
        WindowPlacement closing;
        Settings::Window expected;
    };
    const Case cases[] = {
        {"normal", {WindowShowState::Normal, 30, 40, 700, 500}, {0, 30, 40, 700, 500}},
        {"maximized", {WindowShowState::Maximized, 0, 0, 1920, 1050}, {1, 100, 120, 510, 330}},
        {"minimized",
         {WindowShowState::Minimized, -32000, -32000, 160, 28},
         {0, 100, 120, 510, 330}},
    };
    for (const Case& c : cases) {
        Settings s = StoredPlacement();
        FinishWindowSettings(s, c.closing);
        EXPECT_EQ(s.window.isMaximized, c.expected.isMaximized) << c.name;
        EXPECT_EQ(s.window.x, c.expected.x) << c.name;
        EXPECT_EQ(s.window.y, c.expected.y) << c.name;
        EXPECT_EQ(s.window.width, c.expected.width) << c.name;
        EXPECT_EQ(s.window.height, c.expected.height) << c.name;
        EXPECT_EQ(s.file.recentOutFolders, "/a/\t/b/") << c.name;
    }
}

TEST(WindowPlacementRules, MaximizedAfterMinimizedStillRestoresTheOldSize) {
    Settings s = StoredPlacement();
    s.window.isMaximized = 1;
    FinishWindowSettings(s, {WindowShowState::Minimized, 0, 0, 10, 10});
    EXPECT_EQ(s.window.isMaximized, 1);
    FinishWindowSettings(s, {WindowShowState::Normal, 5, 6, 600, 400});
    EXPECT_EQ(s.window.isMaximized, 0);
    EXPECT_EQ(s.window.width, 600);
}

TEST(WindowPlacementRules, HistoryOffIsEmptiedAtExit) {
    Settings s = StoredPlacement();
    s.advanced.outFoldersHistory = 0;
    FinishWindowSettings(s, {WindowShowState::Normal, 1, 2, 510, 330});
    EXPECT_EQ(s.file.recentOutFolders, "");
}

TEST(WindowPlacementRules, SavedWindowGroupFollowsSaveWindowPosition) {
    Settings s = StoredPlacement();
    FinishWindowSettings(s, {WindowShowState::Normal, 77, 88, 640, 480});
    auto windowGroup = [](const std::string& text) {
        const size_t start = text.find("[Window]\r\n");
        const size_t end = text.find('[', start + 1);
        return start == std::string::npos ? std::string("missing")
                                          : text.substr(start, end - start);
    };
    EXPECT_NE(windowGroup(ConfigText(s)).find("X = 77"), std::string::npos);
    s.general.saveWindowPosition = 0;
    EXPECT_EQ(windowGroup(ConfigText(s)), "[Window]\r\n; \r\n");
}

} // namespace
} // namespace dravik
