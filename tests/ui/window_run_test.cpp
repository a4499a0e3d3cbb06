// The window run as the real start-up makes it: config.ini found through
// $XDG_CONFIG_HOME, saved by the preferences and at the end, stop signals
// and requests of later starts.
#include "platform/instance_channel.h"
#include "platform/local_time.h"
#include "platform/stop_signals.h"
#include "settings/config_file.h"
#include "support/pict_writer.h"
#include "support/recorded_boxes.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "ui/main_window.h"
#include "ui/preferences/preferences_dialog.h"
#include "ui/window_mode.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dravik {
namespace {

using test::Box;
using test::ReadFileText;
using test::RecordedBoxes;
using test::TempDir;

class WindowRunTest : public testing::Test {
  protected:
    void SetUp() override {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        savedConfigHome_ = old == nullptr ? "" : old;
        ::setenv("XDG_CONFIG_HOME", (dir.path() + "home").c_str(), 1);
        // Defaults dated now, as at a real start: no update check falls due.
        parts.defaults.now = LocalTimestampNow();
    }
    void TearDown() override {
        if (savedConfigHome_.empty())
            ::unsetenv("XDG_CONFIG_HOME");
        else
            ::setenv("XDG_CONFIG_HOME", savedConfigHome_.c_str(), 1);
    }

    std::string configFile() const { return dir.path() + "home/Tolvenor/dravik/config.ini"; }
    Settings onDisk() const {
        Settings read;
        LoadConfig(read, configFile(), {});
        return read;
    }
    PreferencesDialog* openPreferences(WindowRun& run) {
        // A dialog closed before is deleted later: let that happen first.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        run.window().runCommand(Command::Preferences);
        return run.window().findChild<PreferencesDialog*>();
    }

    TempDir dir;
    RecordedBoxes boxes;
    Settings settings;
    AppState state;
    Session session;
    int released = 0;
    WindowModeParts parts{
        settings, state, session, {}, "Tolvenor Dravik 3.1", [this] { ++released; }, ""};

  private:
    std::string savedConfigHome_;
};

TEST_F(WindowRunTest, PreferencesOkAndDefaultsSaveBeforeTheWindowCloses) {
    WindowRun run(parts);
    run.window().showMainWindow();
    EXPECT_EQ(settings.configPath, configFile());

    PreferencesDialog* dialog = openPreferences(run);
    ASSERT_NE(dialog, nullptr);
    dialog->rows().find("Advanced/Filename Mask")->field->setText("saved-on-ok");
    dialog->findChild<QPushButton*>("okButton")->click();
    EXPECT_EQ(onDisk().advanced.filenameMask, "saved-on-ok");

    boxes.answer = [] { return true; };
    dialog = openPreferences(run);
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QPushButton*>("defaultsButton")->click();
    EXPECT_EQ(onDisk().advanced.filenameMask, "%filename%.%ext%");
    EXPECT_EQ(released, 0);

    run.finish();
    EXPECT_EQ(released, 1);
    for (const Box& box : boxes.shown)
        EXPECT_NE(box.kind, "warning") << box;
}

TEST_F(WindowRunTest, AFailedSaveIsReportedOnceAndLeavesTheFileAlone) {
    // A folder where config.ini belongs: nothing can be written there, also as root.
    for (const char* folder : {"home", "home/Tolvenor", "home/Tolvenor/dravik"})
        ASSERT_EQ(::mkdir((dir.path() + folder).c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(configFile().c_str(), 0700), 0);
    WindowRun run(parts);
    run.window().showMainWindow();
    PreferencesDialog* dialog = openPreferences(run);
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QPushButton*>("okButton")->click();
    const Box expected{"warning", "Warning", "Unable to save the settings to " + configFile()};
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0], expected);

    run.finish();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1], expected);
    struct stat info {};
    ASSERT_EQ(::stat(configFile().c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
}

TEST_F(WindowRunTest, AStopSignalLeavesEveryLoopAndTheRunSavesAsOnExit) {
    ASSERT_TRUE(InstallStopSignals({SIGTERM}));
    ResetStopSignals();
    WindowRun run(parts);
    run.window().showMainWindow();
    settings.advanced.filenameMask = "changed-while-open";
    // A modal dialog is open when the signal comes: its loop ends too.
    bool dialogReturned = false;
    QTimer::singleShot(0, [&] {
        QDialog modal(&run.window());
        QTimer::singleShot(0, [] { ::raise(SIGTERM); });
        modal.exec();
        dialogReturned = true;
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    watchdog.start(10000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_TRUE(dialogReturned);
    run.finish();
    EXPECT_EQ(onDisk().advanced.filenameMask, "changed-while-open");
    EXPECT_EQ(CaughtStopSignal(), 0); // dealt with
    ::signal(SIGTERM, SIG_DFL);
}

// A signal during a conversion: the worker stops after the file in work,
// and the run still keeps the output folder in its saved history.
TEST_F(WindowRunTest, AStopSignalDuringAConversionStopsItAfterTheFileInWork) {
    ASSERT_TRUE(InstallStopSignals({SIGTERM}));
    ResetStopSignals();
    WindowRun run(parts);
    run.window().showMainWindow();
    constexpr int kInputs = 200;
    for (int i = 0; i < kInputs; ++i) {
        const std::string name = "in/p" + std::to_string(i) + ".pic";
        session.inputs.add(dir.write(name, test::MakeSolidPict(4, 3, {200, 40, 10})), "");
    }
    const std::string out = dir.path() + "out/";
    ASSERT_EQ(::mkdir(out.c_str(), 0700), 0);
    run.window().showOutputFolder(out);

    QTimer::singleShot(0, [&] {
        // Runs inside the progress dialog's loop, with the worker going.
        QTimer::singleShot(0, [] { ::raise(SIGTERM); });
        run.window().runCommand(Command::Convert);
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    watchdog.start(20000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    run.finish();

    size_t written = 0;
    for (int i = 0; i < kInputs; ++i)
        written += ::access((out + "p" + std::to_string(i) + ".jpg").c_str(), F_OK) == 0 ? 1 : 0;
    EXPECT_LT(written, static_cast<size_t>(kInputs));
    EXPECT_NE(onDisk().file.recentOutFolders.find(out), std::string::npos);
    ::signal(SIGTERM, SIG_DFL);
}

TEST_F(WindowRunTest, ARaiseRequestBringsTheWindowBack) {
    parts.channelPath = dir.file("window.sock");
    WindowRun run(parts);
    run.window().showMainWindow();
    run.window().showMinimized();
    ASSERT_TRUE(run.window().isMinimized());

    ASSERT_TRUE(SendInstanceMessage(parts.channelPath, {"OPEN", "/tmp/missing.pic"}));
    QTest::qWait(100);
    EXPECT_TRUE(run.window().isMinimized()); // an open alone does not raise

    ASSERT_TRUE(SendInstanceMessage(parts.channelPath, {kRaiseRequest, ""}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !run.window().isMinimized(); }, 5000));
    EXPECT_TRUE(run.window().isVisible());

    run.finish();
    EXPECT_FALSE(SendInstanceMessage(parts.channelPath, {kRaiseRequest, ""}));
}

// Two pictures and a folder, as a file manager's "Open with" passes them,
// plus what a drop would refuse: another extension, a missing file.
struct OpenedPaths {
    explicit OpenedPaths(const TempDir& dir) {
        const std::string pict = test::MakeSolidPict(4, 3, {10, 20, 30});
        a = dir.write("pics/a.pic", pict);
        b = dir.write("pics/new\nline é.PCT", pict);
        c = dir.write("tree/c.pict", pict);
        d = dir.write("tree/sub/d.pic", pict);
        dir.write("tree/notes.txt", "x");
        folder = dir.path() + "tree";
        paths = {a, b, folder, dir.path() + "pics/missing.pic", dir.write("pics/e.png", pict)};
    }
    std::string a, b, c, d, folder;
    std::vector<std::string> paths;
};

TEST_F(WindowRunTest, StartPathsAreAddedByTheDropRules) {
    OpenedPaths opened(dir);
    parts.startPaths = opened.paths;
    WindowRun run(parts);
    run.window().showMainWindow();
    EXPECT_TRUE(QTest::qWaitFor([&] { return run.window().rowCount() >= 4; }, 10000));
    QTest::qWait(50);
    EXPECT_EQ(run.window().rows(),
              (std::vector<std::string>{opened.a, opened.b, opened.c, opened.d}));
    // The folder is imported as a dropped one: its subfolders are kept.
    ASSERT_EQ(session.inputs.size(), 4u);
    EXPECT_EQ(session.inputs.entries()[3].subfolder, "sub/");
    run.finish();
}

// Paths that arrive while a modal dialog holds the window wait for it to close.
TEST_F(WindowRunTest, PathsWaitWhileADialogHasTheWindow) {
    OpenedPaths opened(dir);
    WindowRun run(parts);
    run.window().showMainWindow();
    size_t rowsWhileOpen = 99, pendingWhileOpen = 0;
    QTimer::singleShot(0, [&] {
        QDialog modal(&run.window());
        modal.setModal(true);
        QTimer::singleShot(0, [&] { run.openPaths({opened.a}); });
        QTimer::singleShot(300, [&] {
            rowsWhileOpen = static_cast<size_t>(run.window().rowCount());
            pendingWhileOpen = run.pendingPaths();
            modal.reject();
        });
        modal.exec();
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return run.window().rowCount() == 1; }, 5000));
    EXPECT_EQ(rowsWhileOpen, 0u);
    EXPECT_EQ(pendingWhileOpen, 1u);
    run.finish();
}

// The real executable started a second time with paths, relative ones among
// them, hands them over on the channel and ends; this window adds them.
TEST_F(WindowRunTest, ASecondStartHandsItsPathsToTheWindow) {
    OpenedPaths opened(dir);
    const std::string title = "Tolvenor Dravik 3.1";
    const int held = ::open((dir.path() + title + ".lock").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    parts.channelPath = dir.path() + title + ".sock";
    WindowRun run(parts);
    run.window().showMainWindow();
    run.window().showMinimized();

    test::ProgramEnv env;
    env.runtimeDir = dir.path();
    env.configDir = dir.path() + "home";
    env.tempDir = dir.path();
    env.workDir = dir.path() + "pics";
    env.extra["QT_QPA_PLATFORM"] = "offscreen";
    test::StartedProgram second({"a.pic", "new\nline é.PCT", opened.folder}, env);
    const test::ProgramResult r = second.wait(20);
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(QTest::qWaitFor([&] { return run.window().rowCount() >= 4; }, 10000));
    EXPECT_EQ(run.window().rows(),
              (std::vector<std::string>{opened.a, opened.b, opened.c, opened.d}));
    EXPECT_FALSE(run.window().isMinimized());
    run.finish();
    ::close(held);
}

} // namespace
} // namespace dravik
