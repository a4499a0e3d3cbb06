// Message boxes shown with Qt, for code that only knows the MessageBoxes
// interface.
#pragma once

#include "texts/message_boxes.h"

class QWidget;

namespace dravik {

class QtMessageBoxes : public MessageBoxes {
  public:
    // Boxes are owned by the window that is active when they open.
    void warning(const std::string& title, const std::string& text) override;
    void error(const std::string& title, const std::string& text) override;
    void info(const std::string& title, const std::string& text) override;
    bool askWarning(const std::string& title, const std::string& text) override;
    bool askQuestion(const std::string& title, const std::string& text) override;
};

} // namespace dravik
