// The About box (window 8) and the converter search dialog (window 6): two small modal
// windows over the main window that only hand links to the desktop.
#pragma once

#include "ui/window_context.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace dravik {

class AboutDialog : public QDialog {
    Q_OBJECT
  public:
    AboutDialog(const ImageSlots& slots, QWidget* mainWindow);

    QLabel* versionLine() const { return version_; }
    QLabel* homePageLink() const { return homePage_; }
    QLabel* supportLink() const { return support_; }
    QPushButton* okButton() const { return ok_; }

  private:
    QLabel* version_ = nullptr;
    QLabel* homePage_ = nullptr;
    QLabel* support_ = nullptr;
    QPushButton* ok_ = nullptr;
};

class ConverterSearchDialog : public QDialog {
    Q_OBJECT
  public:
    ConverterSearchDialog(AppState& state, QWidget* mainWindow);

    // The Search button and Enter: opens the search page and closes, or warns and stays.
    void search();

    QLineEdit* fromField() const { return from_; }
    QLineEdit* toField() const { return to_; }
    QPushButton* searchButton() const { return search_; }

  private:
    AppState& state_;
    QLineEdit* from_ = nullptr;
    QLineEdit* to_ = nullptr;
    QPushButton* search_ = nullptr;
};

// Open the dialog window-modal over mainWindow (deleted when closed) and return it.
AboutDialog* ShowAbout(const ImageSlots& slots, QWidget* mainWindow);
ConverterSearchDialog* ShowConverterSearch(AppState& state, QWidget* mainWindow);

} // namespace dravik
