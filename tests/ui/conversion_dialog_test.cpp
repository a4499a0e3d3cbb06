#include "ui/conversion_dialog.h"
#include "ui/conversion_progress_dialog.h"

#include "platform/paths.h"
#include "settings/settings.h"
#include "support/pict_writer.h"
#include "support/temp_dir.h"
#include "support/ui_fakes.h"
#include "texts/language_table.h"
#include "texts/message_boxes.h"
#include "ui/main_window_hooks.h"
#include "ui/window_context.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace dravik {
namespace {

using namespace std::chrono_literals;
using test::TempDir;

using test::Box;
using test::FakeWindow;
using test::RecordedBoxes;

size_t JpegsIn(const std::string& folder) {
    size_t n = 0;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".jpg") == 0)
                ++n;
        }
        closedir(d);
    }
    return n;
}

class ConversionTest : public testing::Test {
  public:
    TempDir dir;
    Settings settings;
    AppState state;
    Session session;
    ImageSlots slots;
    InstalledThemes themes;
    WindowContext ctx{settings, state, session, slots, themes, ProgramFolder()};
    FakeWindow window;
    RecordedBoxes boxes;
    std::string out;

    void SetUp() override {
        LoadLanguageTable("");
        ApplyDefaults(settings, false, {});
        state.programFolder = ProgramFolder();
        out = dir.path() + "out";
        mkdir(out.c_str(), 0755);
    }

    void addPicts(int n, int width = 4, int height = 3) {
        for (int i = 0; i < n; ++i) {
            std::string name = "pic" + std::to_string(i) + ".pic";
            session.inputs.add(dir.write(name, test::MakeSolidPict(width, height, {200, 40, 10})),
                               "");
        }
    }
};

// --- The start checks ---------------------------------------------------

struct StartCheckCase {
    const char* name;
    std::function<void(ConversionTest&)> arrange;
    std::string message;
    bool stoppedStatus;
};

class StartCheckTest : public ConversionTest, public testing::WithParamInterface<StartCheckCase> {};

TEST_P(StartCheckTest, RefusesWithItsWarning) {
    const StartCheckCase& c = GetParam();
    addPicts(1);
    window.folderText = out;
    c.arrange(*this);
    const std::string historyBefore = settings.file.recentOutFolders;

    StartWindowedConversion(&window.widget, ctx, window);

    std::string message = c.message;
    if (size_t at = message.find("<tmp>"); at != std::string::npos)
        message.replace(at, 5, dir.path());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, "warning");
    EXPECT_EQ(boxes.shown[0].title, "Warning");
    EXPECT_EQ(boxes.shown[0].text, message);
    std::vector<std::string> status{"Preparing..."};
    if (c.stoppedStatus)
        status.push_back("Conversion stopped");
    EXPECT_EQ(window.statusTexts, status);
    EXPECT_TRUE(window.enabledCalls.empty());
    EXPECT_EQ(settings.file.recentOutFolders, historyBefore);
    EXPECT_EQ(JpegsIn(out), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    InOrder, StartCheckTest,
    testing::Values(
        StartCheckCase{"EmptyInputListComesFirst",
                       [](ConversionTest& t) {
                           t.session.inputs.clear();
                           t.window.folderText = "";
                       },
                       "No input file(s) found. Please, add valid file(s) and try again!", true},
        StartCheckCase{"BlankOutputFolder", [](ConversionTest& t) { t.window.folderText = "   "; },
                       "The output folder's field is empty. Please, select existed output folder "
                       "and try again!",
                       true},
        StartCheckCase{
            "MissingOutputFolderWithSlashAdded",
            [](ConversionTest& t) { t.window.folderText = " " + t.dir.path() + "gone "; },
            "The following output folder is invalid or doesn't exist:\r\n<tmp>gone/"
            "\r\n\r\nPlease, correct the output path and try again!",
            true},
        StartCheckCase{"ResizeWidthZeroBeforeHeight",
                       [](ConversionTest& t) {
                           t.settings.transform.doImageResize = 1;
                           t.settings.transform.imageWidth = 0;
                           t.settings.transform.imageHeight = 0;
                       },
                       "Invalid resize width value!", true},
        StartCheckCase{"ResizeHeightZero",
                       [](ConversionTest& t) {
                           t.settings.transform.doImageResize = 1;
                           t.settings.transform.imageWidth = 10;
                           t.settings.transform.imageHeight = 0;
                       },
                       "Invalid resize height value!", true},
        StartCheckCase{"UnknownWatermarkFont",
                       [](ConversionTest& t) {
                           t.settings.watermark.doWatermark = 1;
                           t.settings.watermark.font = "Qzxv Nonexistent Sans";
                       },
                       "Unable to load selected font for a watermark: Qzxv Nonexistent Sans",
                       false},
        StartCheckCase{"EmptyWatermarkImage",
                       [](ConversionTest& t) {
                           t.settings.watermark.doWatermark = 2;
                           t.settings.watermark.image = "";
                       },
                       "Selected watermark image is invalid/empty!", false},
        StartCheckCase{"ZeroByteWatermarkImage",
                       [](ConversionTest& t) {
                           t.settings.watermark.doWatermark = 2;
                           t.settings.watermark.image = t.dir.write("mark.png", "");
                       },
                       "Unable to load selected file as a watermark image: <tmp>mark.png", false},
        // A file that is there but is no picture would leave every output unmarked.
        StartCheckCase{"TextFileAsWatermarkImage",
                       [](ConversionTest& t) {
                           t.settings.watermark.doWatermark = 2;
                           t.settings.watermark.image = t.dir.write("notes.png", "some words\n");
                       },
                       "Unable to load selected file as a watermark image: <tmp>notes.png", false}),
    [](const testing::TestParamInfo<StartCheckCase>& info) {
        return std::string(info.param.name);
    });

// --- The progress dialog, driven step by step ------------------------------

// Stands in for the conversion worker: holds until released or stopped,
// then leaves its count.
class HeldWork {
  public:
    explicit HeldWork(ProgressState& progress) : progress_(progress) {}
    void operator()() {
        while (!release && progress_.keepRunning())
            std::this_thread::sleep_for(1ms);
        progress_.setCount(count);
    }
    std::atomic<bool> release{false};
    std::atomic<int64_t> count{0};

  private:
    ProgressState& progress_;
};

bool WaitForEnd(ConversionProgressDialog& dialog) {
    auto deadline = std::chrono::steady_clock::now() + 3s;
    while (dialog.workerRunning() && std::chrono::steady_clock::now() < deadline)
        QTest::qWait(5);
    return !dialog.workerRunning();
}

TEST(ConversionProgressDialogTest, TimeLabelOnlyFromFiveFiles) {
    LoadLanguageTable("");
    for (int total : {4, 5}) {
        SCOPED_TRACE(total);
        FakeWindow window;
        ProgressState progress;
        HeldWork work(progress);
        ConversionProgressDialog dialog(nullptr, window, progress, total, std::ref(work));
        EXPECT_EQ(dialog.size(), QSize(300, 130));
        EXPECT_EQ(dialog.windowTitle(), "Converting");
        EXPECT_EQ(dialog.button()->text(), "OK");
        EXPECT_FALSE(dialog.button()->isEnabled());
        EXPECT_EQ(dialog.progressBar()->maximum(), total + 1);
        EXPECT_EQ(dialog.timeLabel()->isHidden(), total == 4);
        EXPECT_EQ(dialog.progressBar()->y(), total == 4 ? 50 : 60);

        dialog.start();
        progress.begin(1, "/in/a.pic", 0);
        dialog.poll();
        EXPECT_EQ(dialog.windowTitle(), "Converting (1/" + QString::number(total) + ")");
        EXPECT_EQ(dialog.fileLabel()->text(), "/in/a.pic");
        EXPECT_EQ(dialog.timeLabel()->text(), "Time Remaining: Unknown");
        EXPECT_EQ(dialog.progressBar()->value(), 1);
    }
}

TEST(ConversionProgressDialogTest, EstimateFromTheLastFileThenTheOutcome) {
    LoadLanguageTable("");
    FakeWindow window;
    ProgressState progress;
    HeldWork work(progress);
    ConversionProgressDialog dialog(nullptr, window, progress, 10, std::ref(work));
    dialog.start();

    progress.begin(4, "/in/d.pic", 2500);
    dialog.poll();
    EXPECT_EQ(dialog.windowTitle(), "Converting (4/10)");
    EXPECT_EQ(dialog.timeLabel()->text(), "Time Remaining: 00:00:17");
    EXPECT_EQ(dialog.progressBar()->value(), 4);

    // Nothing changes while the same file is in work.
    progress.begin(4, "/in/other.pic", 90000);
    dialog.poll();
    EXPECT_EQ(dialog.fileLabel()->text(), "/in/d.pic");
    EXPECT_EQ(dialog.timeLabel()->text(), "Time Remaining: 00:00:17");

    // A path too long for the label keeps its head and tail.
    const std::string longPath = "/" + std::string(60, 'h') + "/" + std::string(58, 't') + ".pic";
    progress.begin(5, longPath, 0);
    dialog.poll();
    const std::string shown = dialog.fileLabel()->text().toStdString();
    const size_t half = static_cast<size_t>(dialog.charactersPerLine() - 3) / 2;
    EXPECT_EQ(shown, longPath.substr(0, half) + "..." + longPath.substr(longPath.size() - half));
    // A failed file leaves the last estimate standing.
    EXPECT_EQ(dialog.timeLabel()->text(), "Time Remaining: 00:00:17");

    work.count = 3;
    work.release = true;
    ASSERT_TRUE(WaitForEnd(dialog));
    EXPECT_EQ(dialog.windowTitle(), "Conversion complete (5/10)");
    EXPECT_EQ(dialog.fileLabel()->text(), "Files converted: 3 of 10");
    EXPECT_EQ(dialog.timeLabel()->text(), "Time Remaining: 00:00:00");
    EXPECT_EQ(dialog.progressBar()->value(), 11);
    EXPECT_TRUE(dialog.button()->isEnabled());
    EXPECT_EQ(window.statusTexts, std::vector<std::string>{"Conversion complete"});
}

TEST(ConversionProgressDialogTest, ClosingWithAWorkerStillRunningStopsAndJoinsIt) {
    LoadLanguageTable("");
    FakeWindow window;
    ProgressState progress;
    HeldWork work(progress);
    {
        ConversionProgressDialog dialog(nullptr, window, progress, 3, std::ref(work));
        dialog.start();
    }
    // Destroyed without an answer: the worker was told to stop and is gone.
    EXPECT_FALSE(progress.keepRunning());
}

// --- Whole runs through the Convert command --------------------------------

// Drives the modal dialog from inside its own event loop.
class DialogDriver {
  public:
    // `whileRunning` is called once, as soon as the first file shows.
    explicit DialogDriver(std::function<void(ConversionProgressDialog&)> whileRunning = {})
        : whileRunning_(std::move(whileRunning)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { step(); });
        timer_.start(5);
    }
    QString title, fileText, timeText;
    bool timeHidden = false;
    int barValue = -1;
    bool sawDialog = false;

  private:
    void step() {
        auto* dialog = qobject_cast<ConversionProgressDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        sawDialog = true;
        // A dialog that cannot be worked must fail the test, not hang it.
        if (std::chrono::steady_clock::now() > deadline_) {
            dialog->done(QDialog::Rejected);
            return;
        }
        if (whileRunning_ && dialog->workerRunning() && dialog->progressBar()->value() >= 1) {
            auto once = std::move(whileRunning_);
            whileRunning_ = nullptr;
            once(*dialog);
            return;
        }
        if (!dialog->button()->isEnabled())
            return;
        title = dialog->windowTitle();
        fileText = dialog->fileLabel()->text();
        timeText = dialog->timeLabel()->text();
        timeHidden = dialog->timeLabel()->isHidden();
        barValue = dialog->progressBar()->value();
        QTest::mouseClick(dialog->button(), Qt::LeftButton);
    }

    std::function<void(ConversionProgressDialog&)> whileRunning_;
    std::chrono::steady_clock::time_point deadline_ = std::chrono::steady_clock::now() + 5s;
    QTimer timer_;
};

TEST_F(ConversionTest, TwoPicturesEndToEnd) {
    addPicts(2);
    settings.file.recentOutFolders = "/old/";
    window.folderText = " " + out + " ";
    DialogDriver driver;

    StartWindowedConversion(&window.widget, ctx, window);

    EXPECT_TRUE(driver.sawDialog);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(JpegsIn(out), 2u);
    EXPECT_EQ(driver.title, "Conversion complete (2/2)");
    EXPECT_EQ(driver.fileText, "Files converted: 2 of 2");
    EXPECT_TRUE(driver.timeHidden);
    EXPECT_EQ(driver.barValue, 3);
    EXPECT_EQ(window.statusTexts,
              (std::vector<std::string>{"Preparing...", "Converting...", "Conversion complete"}));
    EXPECT_EQ(window.enabledCalls, (std::vector<bool>{false, true}));
    EXPECT_EQ(settings.file.recentOutFolders, out + "/\t/old/");
    EXPECT_EQ(window.refreshes, 1);
    EXPECT_EQ(state.currentOutputFolder, out + "/");
}

// Enough files, and large enough ones (the program reads pictures in
// process, in a moment), that the run is still going when the question comes.
constexpr int kBreakFiles = 40;
constexpr int kBreakWidth = 400;
constexpr int kBreakHeight = 300;

TEST_F(ConversionTest, BreakQuestionPausesAndNoLetsTheRunFinish) {
    addPicts(kBreakFiles, kBreakWidth, kBreakHeight);
    window.folderText = out;
    size_t duringQuestion = 0;
    size_t laterInQuestion = 0;
    boxes.answer = [&] {
        std::this_thread::sleep_for(150ms); // the file in work finishes
        duringQuestion = JpegsIn(out);
        std::this_thread::sleep_for(250ms);
        laterInQuestion = JpegsIn(out);
        return false;
    };
    DialogDriver driver([](ConversionProgressDialog& dialog) { dialog.close(); });

    StartWindowedConversion(&window.widget, ctx, window);

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, "askWarning");
    EXPECT_EQ(boxes.shown[0].title, "Warning");
    EXPECT_EQ(boxes.shown[0].text, "Do you want to break the conversion?");
    EXPECT_EQ(laterInQuestion, duringQuestion) << "the worker went on during the question";
    EXPECT_LT(laterInQuestion, static_cast<size_t>(kBreakFiles));
    EXPECT_EQ(JpegsIn(out), static_cast<size_t>(kBreakFiles));
    const std::string total = std::to_string(kBreakFiles);
    EXPECT_EQ(driver.title.toStdString(), "Conversion complete (" + total + "/" + total + ")");
    EXPECT_EQ(driver.fileText.toStdString(), "Files converted: " + total + " of " + total);
    EXPECT_EQ(driver.timeText, "Time Remaining: 00:00:00");
    EXPECT_EQ(window.statusTexts.back(), "Conversion complete");
}

TEST_F(ConversionTest, BreakQuestionYesStopsAfterTheFileInWork) {
    addPicts(kBreakFiles, kBreakWidth, kBreakHeight);
    window.folderText = out;
    size_t atAnswer = 0;
    boxes.answer = [&] {
        std::this_thread::sleep_for(200ms);
        atAnswer = JpegsIn(out);
        return true;
    };
    DialogDriver driver([](ConversionProgressDialog& dialog) { dialog.close(); });

    StartWindowedConversion(&window.widget, ctx, window);

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(JpegsIn(out), atAnswer) << "a file was begun after the answer";
    EXPECT_LT(atAnswer, static_cast<size_t>(kBreakFiles));
    EXPECT_GE(atAnswer, 1u);
    EXPECT_EQ(driver.title.toStdString(), "Conversion stopped (" + std::to_string(atAnswer) + "/" +
                                              std::to_string(kBreakFiles) + ")");
    EXPECT_EQ(driver.fileText, "Conversion stopped");
    EXPECT_EQ(window.statusTexts.back(), "Conversion stopped");
    EXPECT_EQ(window.enabledCalls, (std::vector<bool>{false, true}));
}

} // namespace
} // namespace dravik
