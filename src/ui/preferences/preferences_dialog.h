// dravik_ui_preferences: the preferences dialog, its pages and choosers, and the colour and font
// lists behind them. Qt; used by dravik_ui, and reaches the window only through WindowContext.
//
// Window 1: the preferences. Built and filled anew on every opening so that edits never
// survive a Cancel; OK and Defaults store, save config.ini and tell the main window what to
// refresh.
#pragma once

#include "ui/preferences/preferences_rows.h"
#include "ui/window_context.h"

#include <QDialog>
#include <QIcon>

#include <array>
#include <functional>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace dravik {

inline constexpr int kPreferencesSections = 9;

class PreferencesDialog : public QDialog {
    Q_OBJECT
  public:
    // applyInterfaceChanges gets the refresh level (0 none, 1 theme, 2 icon size).
    PreferencesDialog(WindowContext& ctx, QWidget* mainWindow, const QIcon& formatIcon,
                      std::function<void(int)> applyInterfaceChanges);
    ~PreferencesDialog() override;

    // Every control from the settings, every rule once, the section stored in the state shown
    // (and the stored section reset to 0).
    void fillPreferences();
    void showSection(int section);
    int currentSection() const { return section_; }

    void pressOk();
    void pressDefaults();

    PreferencesRows& rows() { return rows_; }
    QTreeWidget* sectionList() const { return list_; }
    QLabel* sectionTitle() const { return title_; }
    QWidget* page(int section) const;

  protected:
    // Esc in an open drop-down list: closes the list, not the dialog.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Refresh level for a theme key and icon size against the settings as they are now.
    int refreshLevel(const std::string& theme, int size) const;
    void selectedInterface(std::string& theme, int& size) const;
    void finish(int level);

    WindowContext& ctx_;
    std::function<void(int)> apply_;
    PreferencesRows rows_;
    QTreeWidget* list_ = nullptr;
    QLabel* title_ = nullptr;
    std::array<QWidget*, kPreferencesSections> pages_{};
    int section_ = 0;
};

// Saves config.ini to settings.configPath; when that fails, says so in a
// warning box naming the path (the old file is left as it was). False on
// failure.
bool SaveWindowSettings(const Settings& settings);

// Opens the dialog over mainWindow (modal, deleted when closed) and returns it.
PreferencesDialog* OpenPreferences(WindowContext& ctx, QWidget* mainWindow,
                                   const QIcon& formatIcon,
                                   std::function<void(int)> applyInterfaceChanges);

} // namespace dravik
