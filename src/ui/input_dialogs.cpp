#include "ui/input_dialogs.h"

#include "inputs/add_inputs.h"
#include "inputs/list_file.h"
#include "inputs/list_workers.h"
#include "platform/paths.h"
#include "texts/language_table.h"
#include "texts/message_boxes.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QProgressBar>
#include <QResizeEvent>
#include <QTimer>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <limits>
#include <mutex>

namespace dravik {

namespace {

QString Text(std::string_view group, std::string_view key) {
    return QString::fromStdString(GetText(group, key));
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsNonEmptyFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && st.st_size > 0;
}

std::vector<std::string> ToStrings(const QStringList& list) {
    std::vector<std::string> out;
    out.reserve(static_cast<size_t>(list.size()));
    for (const QString& item : list)
        out.push_back(item.toStdString());
    return out;
}

class QtFileChoosers : public FileChoosers {
  public:
    std::vector<std::string> openFiles(QWidget* parent, const std::string& title,
                                       const std::string& start,
                                       const std::string& filter) override {
        return ToStrings(QFileDialog::getOpenFileNames(parent, QString::fromStdString(title),
                                                       QString::fromStdString(start),
                                                       QString::fromStdString(filter)));
    }
    std::string openFile(QWidget* parent, const std::string& title, const std::string& suggested,
                         const std::string& filter) override {
        return QFileDialog::getOpenFileName(parent, QString::fromStdString(title),
                                            QString::fromStdString(suggested),
                                            QString::fromStdString(filter))
            .toStdString();
    }
    std::string saveFile(QWidget* parent, const std::string& title, const std::string& suggested,
                         const std::string& filter) override {
        // The overwrite question comes later, once ".txt" may have been
        // appended: the dialog would otherwise ask about the wrong name.
        return QFileDialog::getSaveFileName(
                   parent, QString::fromStdString(title), QString::fromStdString(suggested),
                   QString::fromStdString(filter), nullptr, QFileDialog::DontConfirmOverwrite)
            .toStdString();
    }
    std::string folder(QWidget* parent, const std::string& title,
                       const std::string& start) override {
        return QFileDialog::getExistingDirectory(parent, QString::fromStdString(title),
                                                 QString::fromStdString(start))
            .toStdString();
    }
};

std::atomic<FileChoosers*> g_choosers{nullptr};

FileChoosers& Choosers() {
    static QtFileChoosers qtChoosers;
    FileChoosers* installed = g_choosers.load();
    return installed != nullptr ? *installed : qtChoosers;
}

// Files chosen in the dialog are added on the GUI thread, so their rows can
// go to the window at once.
class DirectRows : public InputObserver {
  public:
    explicit DirectRows(MainWindowHooks& hooks) : hooks_(hooks) {}
    void rowAdded(const std::string& path) override { hooks_.addRow(path); }

  private:
    MainWindowHooks& hooks_;
};

// The window lays itself out on a size event; posting one lets it do so
// once the additions are over.
void PostLayout(QWidget* mainWindow) {
    if (mainWindow != nullptr)
        QCoreApplication::postEvent(mainWindow,
                                    new QResizeEvent(mainWindow->size(), mainWindow->size()));
}

std::string ListFileSuggestion(const AppState& state) {
    return FolderOf(state.inputPath) + "list.txt";
}

std::string ListFileFilterText() {
    return FileDialogFilter(
        ListFileFilters(GetText("Dialog", "Text Files"), GetText("Dialog", "All Files")));
}

// No single poll hands over more rows than this, so that the bar and the
// close box stay responsive while a large tree streams in.
constexpr size_t kRowsPerPoll = 1000;

int ClampToInt(size_t n) {
    return static_cast<int>(std::min<size_t>(n, std::numeric_limits<int>::max()));
}

} // namespace

std::vector<FileTypeFilter> InputFileFilters(const std::vector<InputFormat>& table,
                                             const std::vector<std::string>& accepted,
                                             const std::string& allSupportedText,
                                             const std::string& allFilesText) {
    std::vector<FileTypeFilter> filters;
    FileTypeFilter all{allSupportedText, {}};
    for (const std::string& extension : accepted)
        all.patterns.push_back("*." + extension);
    filters.push_back(std::move(all));

    std::vector<std::string> seen;
    for (const InputFormat& row : table) {
        if (std::find(seen.begin(), seen.end(), row.description) != seen.end())
            continue;
        seen.push_back(row.description);
        FileTypeFilter entry{row.description, {}};
        for (const InputFormat& other : table) {
            if (other.description == row.description &&
                std::find(accepted.begin(), accepted.end(), other.extension) != accepted.end())
                entry.patterns.push_back("*." + other.extension);
        }
        if (!entry.patterns.empty())
            filters.push_back(std::move(entry));
    }
    filters.push_back(FileTypeFilter{allFilesText, {"*"}});
    return filters;
}

std::vector<FileTypeFilter> ListFileFilters(const std::string& textFilesText,
                                            const std::string& allFilesText) {
    return {FileTypeFilter{textFilesText, {"*.txt", "*.lst"}}, FileTypeFilter{allFilesText, {"*"}}};
}

std::string FileDialogFilter(const std::vector<FileTypeFilter>& filters) {
    std::string text;
    for (const FileTypeFilter& filter : filters) {
        if (!text.empty())
            text += ";;";
        text += filter.description + " (";
        for (size_t i = 0; i < filter.patterns.size(); ++i)
            text += (i == 0 ? "" : " ") + filter.patterns[i];
        text += ")";
    }
    return text;
}

void SetFileChoosers(FileChoosers* choosers) {
    g_choosers.store(choosers);
}

// Rows that the worker adds wait here until the GUI thread takes them.
class ListProgressDialog::RowHandover : public InputObserver {
  public:
    void rowAdded(const std::string& path) override {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.push_back(path);
    }

    std::vector<std::string> take(size_t limit) {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<std::string> out;
        if (pending_.size() <= limit) {
            out.swap(pending_);
        } else {
            out.assign(std::make_move_iterator(pending_.begin()),
                       std::make_move_iterator(pending_.begin() + static_cast<long>(limit)));
            pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(limit));
        }
        return out;
    }

  private:
    std::mutex mutex_;
    std::vector<std::string> pending_;
};

ListProgressDialog::ListProgressDialog(QWidget* mainWindow, MainWindowHooks& hooks,
                                       ProgressState& progress, ListProgressTexts texts,
                                       int maximum, Work work)
    : QDialog(mainWindow, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowCloseButtonHint),
      hooks_(hooks), mainWindow_(mainWindow), progress_(progress), texts_(std::move(texts)),
      work_(std::move(work)), rows_(std::make_unique<RowHandover>()) {
    setObjectName("listProgressDialog");
    setWindowTitle(Text("Dialog", texts_.titleKey));
    setFixedSize(300, 40);
    setWindowModality(Qt::ApplicationModal);
    bar_ = new QProgressBar(this);
    bar_->setObjectName("progressBar");
    bar_->setGeometry(10, 10, 280, 20);
    bar_->setTextVisible(false);
    // An empty range would make Qt show a busy bar instead of an empty one.
    bar_->setRange(0, maximum > 0 ? maximum : 1);
    bar_->setValue(0);
    pollTimer_ = new QTimer(this);
    connect(pollTimer_, &QTimer::timeout, this, &ListProgressDialog::poll);
}

ListProgressDialog::~ListProgressDialog() {
    joinWorker();
}

void ListProgressDialog::run() {
    if (mainWindow_ != nullptr) {
        QRect outer = mainWindow_->frameGeometry();
        move(outer.center() - QPoint(width() / 2, height() / 2));
    }
    hooks_.setWindowEnabled(false);
    // Disabling a window also disables the windows it owns; this one must
    // still take the close box.
    setEnabled(true);
    struct Reenable {
        MainWindowHooks& hooks;
        ~Reenable() { hooks.setWindowEnabled(true); }
    } reenable{hooks_};

    progress_.reset();
    workerDone_ = false;
    started_ = true;
    finished_ = false;
    worker_ = std::thread([this] {
        work_(progress_, *rows_);
        workerDone_ = true;
    });
    pollTimer_->start(kPollMs);
    exec();
    pollTimer_->stop();
    // The event loop may have been ended from outside (the application
    // quitting); the worker still stops and is waited for before its rows
    // are handed over.
    joinWorker();
    finished_ = true;
    drainRows(std::numeric_limits<size_t>::max());
    if (mainWindow_ != nullptr) {
        mainWindow_->activateWindow();
        mainWindow_->setFocus();
    }
}

void ListProgressDialog::reject() {
    if (workerRunning()) {
        askBreak();
        return;
    }
    QDialog::reject();
}

void ListProgressDialog::closeEvent(QCloseEvent* event) {
    if (workerRunning()) {
        event->ignore();
        askBreak();
        return;
    }
    QDialog::closeEvent(event);
}

void ListProgressDialog::poll() {
    drainRows(kRowsPerPoll);
    ProgressSnapshot now = progress_.snapshot();
    if (now.index > shownIndex_) {
        shownIndex_ = now.index;
        bar_->setValue(static_cast<int>(std::min<int64_t>(now.index, bar_->maximum())));
    }
    // While the break question is open the dialog waits for the answer
    // before it reports the end.
    if (workerDone_ && !finished_ && !asking_)
        finish();
}

void ListProgressDialog::drainRows(size_t limit) {
    for (const std::string& path : rows_->take(limit))
        hooks_.addRow(path);
}

void ListProgressDialog::finish() {
    joinWorker();
    finished_ = true;
    pollTimer_->stop();
    drainRows(std::numeric_limits<size_t>::max());
    ProgressSnapshot end = progress_.snapshot();
    if (!progress_.keepRunning()) {
        hooks_.setStatusText(GetText("Msg", texts_.stoppedKey));
    } else {
        hooks_.setStatusText(
            SubstituteArgs(GetText("Msg", texts_.completeKey), std::to_string(end.count)));
        bar_->setValue(bar_->maximum());
    }
    QTimer::singleShot(kCloseDelayMs, this, [this] { done(QDialog::Accepted); });
}

void ListProgressDialog::askBreak() {
    if (asking_)
        return;
    asking_ = true;
    progress_.pause();
    const bool stop = AskWarningQuestion(GetText("Msg", texts_.breakKey));
    if (stop)
        progress_.stop();
    else
        progress_.resume();
    asking_ = false;
}

void ListProgressDialog::joinWorker() {
    if (!worker_.joinable())
        return;
    if (!workerDone_)
        progress_.stop();
    worker_.join();
}

bool SelectInputFiles(QWidget* mainWindow, WindowContext& ctx, MainWindowHooks& hooks) {
    const std::string filter = FileDialogFilter(
        InputFileFilters(InputFormats(), ctx.session.acceptedExtensions,
                         GetText("Dialog", "All Supported Files"), GetText("Dialog", "All Files")));
    const std::vector<std::string> files = Choosers().openFiles(
        mainWindow, GetText("Dialog", "Select Input Files"), ctx.state.inputPath, filter);
    DirectRows direct(hooks);
    bool added = false;
    for (const std::string& file : files) {
        if (AddInputFile(ctx.session, ctx.state.importFolder, file, &direct))
            added = true;
        // Keeps the window painted through a long selection without acting
        // on the user's input halfway through it.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 2);
    }
    PostLayout(mainWindow);
    return added;
}

bool SelectInputFolder(QWidget* mainWindow, WindowContext& ctx, MainWindowHooks& hooks) {
    std::string start = ctx.state.importFolder;
    if (start.empty() && !ctx.state.inputPath.empty())
        start = FolderOf(ctx.state.inputPath);
    const std::string chosen =
        Choosers().folder(mainWindow, GetText("Dialog", "Select Input Folder"), start);
    if (!IsFolder(chosen))
        return false;
    ProgressState progress;
    progress.clearCount();
    const std::string folder = WithTrailingSlash(chosen);
    ctx.state.importFolder = folder;
    Session& session = ctx.session;
    ListProgressDialog dialog(
        mainWindow, hooks, progress,
        {"Import Progress", "Ask break import", "Import complete", "Import is not complete"},
        ClampToInt(FolderImportSize(folder)),
        [&session, folder](ProgressState& p, InputObserver& rows) {
            ImportFolderWorker(session, folder, p, &rows);
        });
    dialog.run();
    return true;
}

bool ImportListFile(QWidget* mainWindow, WindowContext& ctx, MainWindowHooks& hooks) {
    const std::string chosen =
        Choosers().openFile(mainWindow, GetText("Dialog", "Import Input Files"),
                            ListFileSuggestion(ctx.state), ListFileFilterText());
    if (chosen.empty())
        return false;
    ProgressState progress;
    progress.clearCount();
    ctx.state.inputPath = chosen;
    Session& session = ctx.session;
    const std::string base = ctx.state.importFolder;
    ListProgressDialog dialog(
        mainWindow, hooks, progress,
        {"Import Progress", "Ask break import", "Import complete", "Import is not complete"},
        ClampToInt(CountListLines(chosen)),
        [&session, chosen, base](ProgressState& p, InputObserver& rows) {
            ImportListWorker(session, chosen, base, p, &rows);
        });
    dialog.run();
    return true;
}

bool ExportInputList(QWidget* mainWindow, WindowContext& ctx, MainWindowHooks& hooks) {
    if (hooks.rowCount() == 0) {
        ShowWarning(GetText("Msg", "Empty input files"));
        return false;
    }
    std::string chosen = Choosers().saveFile(mainWindow, GetText("Dialog", "Export Input Files"),
                                             ListFileSuggestion(ctx.state), ListFileFilterText());
    if (chosen.empty())
        return false;
    if (LowerExtension(chosen).empty())
        chosen += ".txt";
    if (IsNonEmptyFile(chosen) && !AskWarningQuestion(GetText("Msg", "Ask overwrite file")))
        return false;
    ProgressState progress;
    progress.clearCount();
    ctx.state.inputPath = chosen;
    const InputList& list = ctx.session.inputs;
    ListProgressDialog dialog(
        mainWindow, hooks, progress,
        {"Export Progress", "Ask break export", "Export complete", "Export is not complete"},
        hooks.rowCount(),
        [&list, chosen](ProgressState& p, InputObserver&) { ExportListWorker(list, chosen, p); });
    dialog.run();
    return true;
}

} // namespace dravik
