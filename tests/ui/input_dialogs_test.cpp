#include "ui/input_dialogs.h"

#include "engine/format_tables.h"
#include "inputs/add_inputs.h"
#include "inputs/session.h"
#include "texts/language_table.h"
#include "texts/message_boxes.h"

#include "support/temp_dir.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

namespace dravik {
namespace {

using test::ReadFileText;
using test::TempDir;

// The window as the dialogs see it, recording what they do to it.
class FakeHooks : public MainWindowHooks {
  public:
    void addRow(const std::string& path) override {
        if (std::this_thread::get_id() != guiThread)
            ++offThreadRows;
        added.push_back(path);
        if (onRow)
            onRow(path);
    }
    // The dialogs hand their workers' rows over themselves.
    InputObserver* rowObserver() override { return nullptr; }
    void refreshOutFolderList() override {}
    std::string outputFolderText() const override { return {}; }
    void setStatusText(const std::string& text) override {
        status.push_back(text);
        // The dialog is still open when it reports the end.
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<ListProgressDialog*>(w);
            if (dialog != nullptr && dialog->isVisible()) {
                dialogTitle = dialog->windowTitle().toStdString();
                dialogSize = dialog->size();
                barMaximum = dialog->bar()->maximum();
                barValue = dialog->bar()->value();
                dialogEnabled = dialog->isEnabled();
            }
        }
    }
    void setWindowEnabled(bool enabled) override {
        enabledCalls.push_back(enabled);
        if (window != nullptr)
            window->setEnabled(enabled);
    }
    int rowCount() const override { return static_cast<int>(added.size()); }
    std::vector<std::string> rows() const override { return added; }

    std::thread::id guiThread = std::this_thread::get_id();
    std::vector<std::string> added;
    int offThreadRows = 0;
    std::function<void(const std::string&)> onRow;
    std::vector<std::string> status;
    std::vector<bool> enabledCalls;
    std::string dialogTitle;
    QSize dialogSize;
    int barMaximum = -1;
    int barValue = -1;
    bool dialogEnabled = false;
    QWidget* window = nullptr;
};

class FakeChoosers : public FileChoosers {
  public:
    std::vector<std::string> openFiles(QWidget*, const std::string& title, const std::string& start,
                                       const std::string& filter) override {
        record(title, start, filter);
        return files;
    }
    std::string openFile(QWidget*, const std::string& title, const std::string& suggested,
                         const std::string& filter) override {
        record(title, suggested, filter);
        return answer;
    }
    std::string saveFile(QWidget*, const std::string& title, const std::string& suggested,
                         const std::string& filter) override {
        record(title, suggested, filter);
        return answer;
    }
    std::string folder(QWidget*, const std::string& title, const std::string& start) override {
        record(title, start, {});
        return answer;
    }

    std::vector<std::string> files;
    std::string answer;
    int asked = 0;
    std::string title, start, filter;

  private:
    void record(const std::string& t, const std::string& s, const std::string& f) {
        ++asked;
        title = t;
        start = s;
        filter = f;
    }
};

class RecordingBoxes : public MessageBoxes {
  public:
    void warning(const std::string& title, const std::string& text) override {
        shown.push_back(title + ": " + text);
    }
    void error(const std::string& title, const std::string& text) override {
        shown.push_back(title + ": " + text);
    }
    void info(const std::string& title, const std::string& text) override {
        shown.push_back(title + ": " + text);
    }
    bool askWarning(const std::string& title, const std::string& text) override {
        shown.push_back(title + ": " + text);
        return onAsk ? onAsk() : false;
    }
    bool askQuestion(const std::string& title, const std::string& text) override {
        shown.push_back(title + ": " + text);
        return false;
    }

    std::vector<std::string> shown;
    std::function<bool()> onAsk;
};

class InputDialogsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        LoadLanguageTable("");
        NewSession(session, state);
        SetFileChoosers(&choosers);
        SetMessageBoxes(&boxes);
        hooks.window = &window;
    }
    void TearDown() override {
        SetFileChoosers(nullptr);
        SetMessageBoxes(nullptr);
    }

    std::vector<std::string> sessionPaths() const {
        std::vector<std::string> paths;
        for (const InputEntry& entry : session.inputs.entries())
            paths.push_back(entry.path);
        return paths;
    }

    TempDir dir;
    Settings settings;
    AppState state;
    Session session;
    ImageSlots slots;
    InstalledThemes themes;
    WindowContext ctx{settings, state, session, slots, themes, "/"};
    QWidget window;
    FakeHooks hooks;
    FakeChoosers choosers;
    RecordingBoxes boxes;
};

TEST(InputFileFiltersTest, AcceptedExtensionsFirstThenByDescriptionThenEverything) {
    LoadLanguageTable("");
    const std::vector<std::string> pict = BuildAcceptedInputExtensions();
    EXPECT_EQ(FileDialogFilter(
                  InputFileFilters(InputFormats(), pict, "All Supported Files", "All Files")),
              "All Supported Files (*.pic *.pict *.pct);;Macintosh PICT (*.pic *.pict *.pct);;"
              "All Files (*)");

    // The general engine: descriptions in table order, each with only its
    // accepted extensions, in table order too; descriptions with none are
    // not offered.
    const std::vector<std::string> mixed{"tif", "jpeg", "png", "jpg", "3fr"};
    EXPECT_EQ(FileDialogFilter(InputFileFilters(InputFormats(), mixed, "A", "B")),
              "A (*.tif *.jpeg *.png *.jpg *.3fr);;JPEG File (*.jpg *.jpeg);;"
              "Portable Network Graphics (*.png);;Tagged Image File Format (*.tif);;"
              "Hasselblad Camera RAW Image (*.3fr);;B (*)");

    EXPECT_EQ(FileDialogFilter(ListFileFilters("Text Files", "All Files")),
              "Text Files (*.txt *.lst);;All Files (*)");
}

TEST_F(InputDialogsTest, SelectInputFilesAddsTheAcceptedOnes) {
    const std::string a = dir.write("a.pic", "x");
    const std::string b = dir.write("B.PCT", "x");
    const std::string empty = dir.write("empty.pic", "");
    const std::string other = dir.write("c.png", "x");
    state.inputPath = dir.file("old/list.txt");
    choosers.files = {a, empty, other, b, a};

    EXPECT_TRUE(SelectInputFiles(&window, ctx, hooks));
    EXPECT_EQ(hooks.added, (std::vector<std::string>{a, b}));
    EXPECT_EQ(sessionPaths(), hooks.added);
    EXPECT_EQ(choosers.title, "Select Input Files");
    EXPECT_EQ(choosers.start, state.inputPath);
    EXPECT_EQ(choosers.filter, "All Supported Files (*.pic *.pict *.pct);;"
                               "Macintosh PICT (*.pic *.pict *.pct);;All Files (*)");

    // Nothing new: only duplicates and rejects.
    choosers.files = {a, other};
    EXPECT_FALSE(SelectInputFiles(&window, ctx, hooks));
    choosers.files = {};
    EXPECT_FALSE(SelectInputFiles(&window, ctx, hooks));
    EXPECT_EQ(hooks.added.size(), 2u);
}

TEST_F(InputDialogsTest, FolderImportCountsTopLevelEntriesAndHandsRowsToTheGuiThread) {
    dir.write("in/one.pic", "x");
    dir.write("in/two.pict", "x");
    dir.write("in/notes.txt", "x");
    for (int i = 0; i < 40; ++i)
        dir.write("in/a/deep/f" + std::to_string(i) + ".pic", "x");
    dir.write("in/b/x.pct", "x");
    state.inputPath = dir.file("lists/list.txt");
    choosers.answer = dir.file("in"); // the dialog gives it without a slash

    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(SelectInputFolder(&window, ctx, hooks));
    EXPECT_GE(clock.elapsed(), ListProgressDialog::kCloseDelayMs);

    EXPECT_EQ(choosers.title, "Select Input Folder");
    EXPECT_EQ(choosers.start, dir.file("lists/"));
    EXPECT_EQ(state.importFolder, dir.file("in/"));
    EXPECT_EQ(hooks.dialogTitle, "Importing");
    EXPECT_EQ(hooks.dialogSize, QSize(300, 40));
    EXPECT_TRUE(hooks.dialogEnabled); // its close box works while the window is off
    EXPECT_EQ(hooks.barMaximum, 5);   // 3 files and 2 folders, whatever they hold
    EXPECT_EQ(hooks.barValue, 5);
    EXPECT_EQ(hooks.status, (std::vector<std::string>{"Import complete, new files added: 43"}));
    EXPECT_EQ(hooks.added.size(), 43u);
    EXPECT_EQ(hooks.offThreadRows, 0);
    EXPECT_EQ(hooks.added, sessionPaths());
    EXPECT_EQ(session.inputs.entries().front().subfolder, "a/deep/");
    EXPECT_EQ(hooks.enabledCalls, (std::vector<bool>{false, true}));

    // Cancelled or not a folder: nothing runs.
    for (const std::string& answer : {std::string(), dir.file("in/one.pic")}) {
        choosers.answer = answer;
        EXPECT_FALSE(SelectInputFolder(&window, ctx, hooks));
    }
    EXPECT_EQ(hooks.status.size(), 1u);
}

TEST_F(InputDialogsTest, ListImportSkipsBlankAndMissingLinesAndTakesFolders) {
    dir.write("tree/p.pic", "x");
    dir.write("tree/sub/q.pct", "x");
    dir.write("tree/sub/r.jpg", "x");
    const std::string list = dir.write("list.txt", "\xEF\xBB\xBF  \r\n" + dir.file("missing.pic") +
                                                       "\r\n " + dir.file("tree") + " \r\n");
    state.inputPath = dir.file("before/old.txt");
    state.importFolder = dir.file("base/");
    choosers.answer = list;

    EXPECT_TRUE(ImportListFile(&window, ctx, hooks));
    EXPECT_EQ(choosers.title, "Import Input Files From A List");
    EXPECT_EQ(choosers.start, dir.file("before/list.txt"));
    EXPECT_EQ(choosers.filter, "Text Files (*.txt *.lst);;All Files (*)");
    EXPECT_EQ(state.inputPath, list);
    EXPECT_EQ(state.importFolder, dir.file("base/"));
    EXPECT_EQ(hooks.barMaximum, 3);
    EXPECT_EQ(hooks.added,
              (std::vector<std::string>{dir.file("tree/p.pic"), dir.file("tree/sub/q.pct")}));
    EXPECT_EQ(hooks.offThreadRows, 0);
    EXPECT_EQ(hooks.status, (std::vector<std::string>{"Import complete, new files added: 2"}));

    choosers.answer.clear();
    EXPECT_FALSE(ImportListFile(&window, ctx, hooks));
}

TEST_F(InputDialogsTest, ExportAppendsTxtAndAsksBeforeReplacingAFile) {
    choosers.answer = dir.file("name");
    EXPECT_FALSE(ExportInputList(&window, ctx, hooks));
    EXPECT_EQ(boxes.shown, (std::vector<std::string>{
                               "Warning: No input file(s) found. Please, add valid file(s) and "
                               "try again!"}));
    EXPECT_EQ(choosers.asked, 0);

    choosers.files = {dir.write("a.pic", "x"), dir.write("b.pic", "x")};
    ASSERT_TRUE(SelectInputFiles(&window, ctx, hooks));
    boxes.shown.clear();

    EXPECT_TRUE(ExportInputList(&window, ctx, hooks));
    EXPECT_EQ(choosers.title, "Export Input Files");
    const std::string written = dir.file("name.txt");
    const std::string expected =
        "\xEF\xBB\xBF" + dir.file("a.pic") + "\r\n" + dir.file("b.pic") + "\r\n";
    EXPECT_EQ(ReadFileText(written), expected);
    EXPECT_EQ(state.inputPath, written);
    EXPECT_EQ(hooks.dialogTitle, "Exporting");
    EXPECT_EQ(hooks.barMaximum, 2);
    EXPECT_EQ(hooks.status.back(), "Export complete, entries saved: 2");
    EXPECT_TRUE(boxes.shown.empty());

    // The suggestion follows the list just written; a No keeps the file.
    boxes.onAsk = [] { return false; };
    EXPECT_FALSE(ExportInputList(&window, ctx, hooks));
    EXPECT_EQ(choosers.start, dir.file("list.txt"));
    EXPECT_EQ(boxes.shown, (std::vector<std::string>{
                               "Warning: The file already exist. Do you want to overwrite it?"}));
    EXPECT_EQ(hooks.status.size(), 1u);

    // An empty file is replaced without asking.
    choosers.answer = dir.write("empty.lst", "");
    boxes.shown.clear();
    EXPECT_TRUE(ExportInputList(&window, ctx, hooks));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(ReadFileText(dir.file("empty.lst")), expected);
}

// A worker that takes long enough to be interrupted, and passes the gate
// between entries as the real ones do.
void SlowWork(ProgressState& progress, InputObserver& rows, int entries) {
    int added = 0;
    for (int i = 0; i < entries && progress.keepRunning(); ++i) {
        progress.passGate();
        if (!progress.keepRunning())
            break;
        progress.setIndex(i + 1);
        rows.rowAdded("/in/f" + std::to_string(i) + ".pic");
        ++added;
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    progress.addCount(added);
}

struct BreakCase {
    bool answerYes;
};

class BreakQuestionTest : public InputDialogsTest,
                          public ::testing::WithParamInterface<BreakCase> {};

TEST_P(BreakQuestionTest, PausesTheWorkerWhileAsking) {
    constexpr int kEntries = 100;
    ProgressState progress;
    progress.clearCount();
    ListProgressDialog dialog(
        &window, hooks, progress,
        {"Import Progress", "Ask break import", "Import complete", "Import is not complete"},
        kEntries, [](ProgressState& p, InputObserver& rows) { SlowWork(p, rows, kEntries); });
    bool closed = false;
    hooks.onRow = [&](const std::string&) {
        if (!closed) {
            closed = true;
            QTimer::singleShot(0, &dialog, [&] { dialog.close(); });
        }
    };
    int64_t heldAt = -1;
    bool held = false;
    boxes.onAsk = [&] {
        // The entry in work may still finish; after that nothing moves.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        heldAt = progress.snapshot().index;
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        held = progress.snapshot().index == heldAt;
        return GetParam().answerYes;
    };

    dialog.run();
    EXPECT_FALSE(dialog.workerRunning());
    EXPECT_EQ(boxes.shown, (std::vector<std::string>{"Warning: Do you want to break the import?"}));
    EXPECT_TRUE(held);
    EXPECT_EQ(hooks.offThreadRows, 0);
    if (GetParam().answerYes) {
        EXPECT_EQ(hooks.status, (std::vector<std::string>{"Import stopped"}));
        EXPECT_LT(hooks.added.size(), static_cast<size_t>(kEntries));
        // Every row added before the stop is kept.
        EXPECT_EQ(static_cast<int64_t>(hooks.added.size()), progress.snapshot().index);
    } else {
        EXPECT_EQ(hooks.status,
                  (std::vector<std::string>{"Import complete, new files added: 100"}));
        EXPECT_EQ(hooks.added.size(), static_cast<size_t>(kEntries));
        EXPECT_EQ(hooks.barValue, kEntries);
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, BreakQuestionTest,
                         ::testing::Values(BreakCase{false}, BreakCase{true}),
                         [](const auto& info) { return info.param.answerYes ? "Yes" : "No"; });

TEST_F(InputDialogsTest, EndingTheDialogFromOutsideStillWaitsForTheWorker) {
    ProgressState progress;
    progress.clearCount();
    std::atomic<bool> workerEnded{false};
    {
        ListProgressDialog dialog(
            &window, hooks, progress,
            {"Export Progress", "Ask break export", "Export complete", "Export is not complete"},
            1000, [&](ProgressState& p, InputObserver& rows) {
                SlowWork(p, rows, 1000);
                workerEnded = true;
            });
        hooks.onRow = [&](const std::string&) {
            QTimer::singleShot(0, &dialog, [&] { dialog.done(QDialog::Rejected); });
        };
        dialog.run();
        EXPECT_TRUE(workerEnded);
        EXPECT_FALSE(progress.keepRunning());
    }
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(static_cast<int64_t>(hooks.added.size()), progress.snapshot().index);
    EXPECT_EQ(hooks.enabledCalls, (std::vector<bool>{false, true}));
}

} // namespace
} // namespace dravik
