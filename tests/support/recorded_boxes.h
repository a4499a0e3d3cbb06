// Message boxes that record what they were asked to show, for tests with and without widgets.
#pragma once

#include "texts/message_boxes.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace dravik::test {

struct Box {
    std::string kind, title, text;
    bool operator==(const Box&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Box& box) {
    return out << box.kind << " [" << box.title << "] " << box.text;
}

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
