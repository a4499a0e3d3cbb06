#include "texts/message_boxes.h"

#include "texts/language_table.h"

#include <atomic>

namespace dravik {
namespace {

// Atomic because batch workers may report through these functions while the window layer
// installs or removes its boxes.
std::atomic<MessageBoxes*> gBoxes{nullptr};

} // namespace

void SetMessageBoxes(MessageBoxes* boxes) {
    gBoxes.store(boxes);
}

void ShowWarning(const std::string& text) {
    if (MessageBoxes* boxes = gBoxes.load())
        boxes->warning(GetText("Msg", "Warning"), text);
}

void ShowError(const std::string& text) {
    if (MessageBoxes* boxes = gBoxes.load())
        boxes->error(GetText("Msg", "Error"), text);
}

void ShowInfo(const std::string& title, const std::string& text) {
    if (MessageBoxes* boxes = gBoxes.load())
        boxes->info(title, text);
}

bool AskWarningQuestion(const std::string& text) {
    MessageBoxes* boxes = gBoxes.load();
    return boxes != nullptr && boxes->askWarning(GetText("Msg", "Warning"), text);
}

bool AskQuestion(const std::string& titleKey, const std::string& text) {
    MessageBoxes* boxes = gBoxes.load();
    return boxes != nullptr && boxes->askQuestion(GetText("Msg", titleKey), text);
}

bool ConfirmResetToDefaults() {
    return AskQuestion("Reset to Defaults", GetText("Msg", "Ask reset to defaults"));
}

} // namespace dravik
