// Standard message boxes, reachable from code that must not depend on the widget toolkit.
#pragma once

#include <string>

namespace dravik {

// Implemented by the window layer; every box is modal and owned by the active window.
class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    virtual void warning(const std::string& title, const std::string& text) = 0;
    virtual void error(const std::string& title, const std::string& text) = 0;
    virtual void info(const std::string& title, const std::string& text) = 0;
    // Yes/No with a warning icon; true only for Yes.
    virtual bool askWarning(const std::string& title, const std::string& text) = 0;
    // Yes/No with a question icon; true only for Yes.
    virtual bool askQuestion(const std::string& title, const std::string& text) = 0;
};

// Installs the boxes used by the functions below; the caller keeps ownership and uninstalls
// (nullptr) before destroying them. Without boxes nothing is shown and every question is
// answered No, which is what a run without windows needs.
void SetMessageBoxes(MessageBoxes* boxes);

// Titled GetText("Msg", "Warning").
void ShowWarning(const std::string& text);
// Titled GetText("Msg", "Error").
void ShowError(const std::string& text);
void ShowInfo(const std::string& title, const std::string& text);
// Yes/No with a warning icon, titled GetText("Msg", "Warning").
bool AskWarningQuestion(const std::string& text);
// Yes/No with a question icon, titled by the "Msg" text of titleKey.
bool AskQuestion(const std::string& titleKey, const std::string& text);

// Asks whether every setting should go back to its default; true on Yes.
bool ConfirmResetToDefaults();

} // namespace dravik
