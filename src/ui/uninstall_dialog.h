// The small window that offers to visit the uninstall page.
#pragma once

#include <QWidget>

#include <functional>

class QCheckBox;
class QPushButton;

namespace dravik {

class UninstallDialog : public QWidget {
    Q_OBJECT
  public:
    // openUrl is called with the page when the user goes on with the box
    // checked; tests pass a recorder instead of a browser.
    explicit UninstallDialog(std::function<void(const QString&)> openUrl,
                             QWidget* parent = nullptr);

    QCheckBox* checkBox() const { return check_; }
    QPushButton* nextButton() const { return next_; }

  private:
    void onNext();

    std::function<void(const QString&)> openUrl_;
    QCheckBox* check_;
    QPushButton* next_;
};

} // namespace dravik
