// Stand-ins for the main window and the message boxes in widget tests.
#pragma once

#include "ui/main_window_hooks.h"
#include "ui/message_boxes.h"
#include "ui/window_context.h"

#include <QWidget>

#include <functional>
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

struct Box {
    std::string kind, title, text;
};

// Installed for the lifetime of a test; questions get `answer`.
class RecordedBoxes : public MessageBoxes {
  public:
    std::vector<Box> shown;
    std::function<bool()> answer = [] { return false; };

    RecordedBoxes() { SetMessageBoxes(this); }
    ~RecordedBoxes() override { SetMessageBoxes(nullptr); }
    void warning(const std::string& t, const std::string& s) override {
        shown.push_back({"warning", t, s});
    }
    void error(const std::string& t, const std::string& s) override {
        shown.push_back({"error", t, s});
    }
    void info(const std::string& t, const std::string& s) override {
        shown.push_back({"info", t, s});
    }
    bool askWarning(const std::string& t, const std::string& s) override {
        shown.push_back({"askWarning", t, s});
        return answer();
    }
    bool askQuestion(const std::string& t, const std::string& s) override {
        shown.push_back({"askQuestion", t, s});
        return answer();
    }
};

} // namespace dravik::test
