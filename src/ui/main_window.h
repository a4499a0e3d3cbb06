// dravik_ui: the Qt window: main window, dialogs, message boxes, window start-up; the
// preferences are ui/preferences. Only the window and app may use Qt, and nothing below the
// window includes ui/.
//
// Window 0: the input list, the output folder and format choosers, the
// Convert button, menus, toolbar and status bar, and the list commands.
#pragma once

#include "ui/main_window_commands.h"
#include "ui/main_window_hooks.h"
#include "ui/main_window_placement.h"
#include "ui/window_context.h"

#include <QMainWindow>
#include <QTreeWidget>

#include <memory>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QMenu;
class QShortcut;
class QToolBar;
class QToolButton;

namespace dravik {

class QueuedRowObserver;
class UpdateChecker;

// The list view reports every user event it sees, so the window can add the
// list shortcuts on the first one. Copy, Select All and Delete keys are left
// to those shortcuts: before the first event they must do nothing.
class InputListView : public QTreeWidget {
    Q_OBJECT
  public:
    enum EventType {
        LeftClick = 0,
        RightClick = 1,
        LeftDoubleClick = 2,
        RightDoubleClick = 3,
        OtherEvent = 4
    };
    using QTreeWidget::QTreeWidget;

  Q_SIGNALS:
    void reported(int type, QPoint globalPos);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

class MainWindow : public QMainWindow, public MainWindowHooks {
    Q_OBJECT
  public:
    // Builds the window hidden, at the stored placement.
    MainWindow(WindowContext& ctx, const std::string& title);
    ~MainWindow() override;

    // Finishes start-up and shows the window.
    void showMainWindow();

    void runCommand(Command command);

    void clearList();
    void copySelection();
    void selectAllRows();
    void deleteSelectedRows();
    void chooseOutputFolder();
    void showAddChooser();
    // Paths in the order they were dropped: folders are imported, files added.
    void dropPaths(const std::vector<std::string>& paths);

    void buildMenus();
    void buildToolbar();
    void buildSideButtons();
    // level 1: theme changed, 2: icon size changed.
    void applyInterfaceChanges(int level);
    void layoutMainWindow();

    // Puts a folder into the output folder list as its shown entry, without
    // touching the history (the demonstration pictures want a fixed one).
    void showOutputFolder(const std::string& folder);

    WindowPlacement placement() const;

    // MainWindowHooks
    void addRow(const std::string& path) override;
    InputObserver* rowObserver() override;
    void refreshOutFolderList() override;
    std::string outputFolderText() const override;
    void setStatusText(const std::string& text) override;
    void setWindowEnabled(bool enabled) override;
    int rowCount() const override;
    std::vector<std::string> rows() const override;

    InputListView* listView() const { return list_; }
    QComboBox* outFolderList() const { return outFolders_; }
    QComboBox* formatList() const { return formats_; }
    QString statusText() const;
    // How often interface changes reloaded theme pictures; tests tell a full reload from none.
    int themeLoads() const { return themeLoads_; }
    UpdateChecker* updateChecker() const { return updates_; }

  Q_SIGNALS:
    // After every command has run; tests wait on it.
    void commandDone(int command);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void createControls();
    void fillFormatList();
    void addWindowShortcut(const QKeySequence& keys, Command command);
    void onListEvent(int type, QPoint globalPos);
    void importDroppedFolder(const std::string& folder);
    bool listHasFocus() const;
    void postLayout();
    void showAbout();
    void showConverterSearch();
    void openManual();
    void openFeedbackMail();
    void openHomePage();
    void checkForUpdates();
    void openPreferences();
    void openFormatOptions(); // the preferences, at the Output section
    void closeFromCommand();
    void importListFile();
    void exportInputList();
    void startConversion();

    WindowContext& ctx_;
    std::unique_ptr<QueuedRowObserver> rowObserver_;
    UpdateChecker* updates_ = nullptr;
    QMenu* contextMenu_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    QWidget* panel_ = nullptr;
    InputListView* list_ = nullptr;
    QLabel* folderLabel_ = nullptr;
    QComboBox* outFolders_ = nullptr;
    QToolButton* folderButton_ = nullptr;
    QLabel* formatLabel_ = nullptr;
    QComboBox* formats_ = nullptr;
    QToolButton* formatButton_ = nullptr;
    QToolButton* convertButton_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    std::vector<QShortcut*> shortcuts_;
    bool listShortcutsAdded_ = false;
    int themeLoads_ = 0;
};

} // namespace dravik
