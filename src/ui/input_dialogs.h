// The ways the user fills the input list from the window (files, a folder,
// a list file) and writes it out again, each import and the export with its
// small progress dialog.
#pragma once

#include "engine/format_tables.h"
#include "inputs/progress_state.h"
#include "ui/main_window_hooks.h"
#include "ui/window_context.h"

#include <QDialog>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class QCloseEvent;
class QProgressBar;
class QTimer;

namespace dravik {

// One entry of a file dialog's type list.
struct FileTypeFilter {
    std::string description;
    std::vector<std::string> patterns; // "*.pic"
};

// The type list of the input file dialog: every accepted extension first,
// then one entry per distinct description of `table` holding the accepted
// extensions that carry it (descriptions without one are left out, they
// would only offer an empty choice), then every file.
std::vector<FileTypeFilter> InputFileFilters(const std::vector<InputFormat>& table,
                                             const std::vector<std::string>& accepted,
                                             const std::string& allSupportedText,
                                             const std::string& allFilesText);

// The type list of list files: text files, then every file.
std::vector<FileTypeFilter> ListFileFilters(const std::string& textFilesText,
                                            const std::string& allFilesText);

// The filter string a Qt file dialog takes: "Name (*.a *.b);;...". The last
// entry of every file is written "(*)": on Linux many files have no dot.
std::string FileDialogFilter(const std::vector<FileTypeFilter>& filters);

// What the dialogs ask of the desktop's file choosers. Tests install their
// own answers so that no native dialog opens. An empty answer is a cancel.
class FileChoosers {
  public:
    virtual ~FileChoosers() = default;
    virtual std::vector<std::string> openFiles(QWidget* parent, const std::string& title,
                                               const std::string& start,
                                               const std::string& filter) = 0;
    virtual std::string openFile(QWidget* parent, const std::string& title,
                                 const std::string& suggested, const std::string& filter) = 0;
    virtual std::string saveFile(QWidget* parent, const std::string& title,
                                 const std::string& suggested, const std::string& filter) = 0;
    virtual std::string folder(QWidget* parent, const std::string& title,
                               const std::string& start) = 0;
};

// Installs the choosers the functions below use; nullptr restores Qt's own
// dialogs. The caller keeps ownership.
void SetFileChoosers(FileChoosers* choosers);

// The multi-file dialog; adds the chosen files. True when one was added.
bool SelectInputFiles(QWidget* mainWindow, WindowContext& ctx, MainWindowHooks& hooks);
// The folder dialog, then the folder import. True when a folder was imported.
bool SelectInputFolder(QWidget* mainWindow, WindowContext& ctx, MainWindowHooks& hooks);
// The list-file dialog, then the list import. True when a file was chosen.
bool ImportListFile(QWidget* mainWindow, WindowContext& ctx, MainWindowHooks& hooks);
// The save dialog, then the export. True when the export ran.
bool ExportInputList(QWidget* mainWindow, WindowContext& ctx, MainWindowHooks& hooks);

// The texts one progress dialog shows, as (group, key) of the text table
// except where noted.
struct ListProgressTexts {
    std::string titleKey;    // "Dialog"
    std::string breakKey;    // "Msg", the question of the close box
    std::string completeKey; // "Msg", %s1% = the result count
    std::string stoppedKey;  // "Msg"
};

// The 300 x 40 dialog that runs one import or export on a worker thread and
// follows it with a bar. The worker publishes its progress in the
// ProgressState and hands every row it adds to the observer it is given;
// the dialog passes those rows to the hooks on the GUI thread, in order.
// The worker thread never outlives the dialog.
class ListProgressDialog : public QDialog {
    Q_OBJECT
  public:
    using Work = std::function<void(ProgressState&, InputObserver&)>;

    ListProgressDialog(QWidget* mainWindow, MainWindowHooks& hooks, ProgressState& progress,
                       ListProgressTexts texts, int maximum, Work work);
    ~ListProgressDialog() override;

    // Disables the main window, starts the worker and returns once the
    // dialog has closed and the worker has ended.
    void run();

    QProgressBar* bar() const { return bar_; }
    // True between the start of the worker and the moment it has ended.
    bool workerRunning() const { return started_ && !finished_; }

    // After the status text, before the dialog closes by itself.
    static constexpr int kCloseDelayMs = 700;
    static constexpr int kPollMs = 15;

    // Esc and the close box: while the worker runs they ask whether to
    // stop it instead of closing.
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    class RowHandover;

    void poll();
    void drainRows(size_t limit);
    void finish();
    void askBreak();
    void joinWorker();

    MainWindowHooks& hooks_;
    QWidget* mainWindow_;
    ProgressState& progress_;
    ListProgressTexts texts_;
    Work work_;
    std::unique_ptr<RowHandover> rows_;
    QProgressBar* bar_ = nullptr;
    QTimer* pollTimer_ = nullptr;
    std::thread worker_;
    std::atomic<bool> workerDone_{false};
    bool started_ = false;
    bool finished_ = false;
    bool asking_ = false;
    int64_t shownIndex_ = 0;
};

} // namespace dravik
