// Stand-ins for the main window in widget tests (and, through recorded_boxes.h, the message
// boxes).
#pragma once

#include "support/recorded_boxes.h"
#include "ui/main_window_hooks.h"
#include "ui/window_context.h"

#include <QWidget>

#include <string>
#include <vector>

namespace dravik::test {

// What a window or dialog works on, with no installed themes and a program folder that
// does not exist.
struct WindowParts {
    Settings settings;
    AppState state;
    Session session;
    ImageSlots slots;
    InstalledThemes themes;
    WindowContext ctx{settings, state, session, slots, themes, "/nonexistent/"};
};

// A real widget stands for the main window, so that disabling it has the
// effect on its dialogs that the real window's has.
class FakeWindow : public MainWindowHooks {
  public:
    QWidget widget;
    std::string folderText;
    std::vector<std::string> statusTexts;
    std::vector<bool> enabledCalls;
    int refreshes = 0;

    void addRow(const std::string&) override {}
    InputObserver* rowObserver() override { return nullptr; }
    void refreshOutFolderList() override { ++refreshes; }
    std::string outputFolderText() const override { return folderText; }
    void setStatusText(const std::string& text) override { statusTexts.push_back(text); }
    void setWindowEnabled(bool enabled) override {
        enabledCalls.push_back(enabled);
        widget.setEnabled(enabled);
    }
    int rowCount() const override { return 0; }
    std::vector<std::string> rows() const override { return {}; }
};

} // namespace dravik::test
