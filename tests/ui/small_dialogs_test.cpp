// The About box, the converter search, the shell links of the main window and the update
// check as the window runs it, on the offscreen platform.
#include "ui/about_dialog.h"
#include "ui/main_window.h"
#include "ui/shell_links.h"
#include "ui/update_checker.h"

#include "settings/settings.h"
#include "support/loopback.h"
#include "support/ui_fakes.h"
#include "texts/language_table.h"
#include "themes/image_slots.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <mutex>

namespace dravik {
namespace {

using test::Box;
using test::FakeWindow;
using test::RecordedBoxes;

constexpr int64_t kDay = 86400;

// Records what would have been opened instead of starting a browser.
class RecordedShell {
  public:
    RecordedShell() {
        SetShellOpener([this](const std::string& target) { opened.push_back(target); });
    }
    ~RecordedShell() { SetShellOpener({}); }
    std::vector<std::string> opened;
};

class SmallDialogsTest : public testing::Test, public test::WindowParts {
  public:
    void SetUp() override {
        LoadLanguageTable("");
        ApplyDefaults(settings, false, {});
        RegisterBuiltinImages(slots);
    }

    RecordedBoxes boxes;
    RecordedShell shell;
    QWidget mainWindow;
};

void ClickLink(QLabel* link) {
    // What a click on the anchor emits; the target comes from the dialog, not the text.
    Q_EMIT link->linkActivated("#");
}

TEST_F(SmallDialogsTest, AboutShowsTheVersionAndItsLinksOpenWithoutClosingIt) {
    QPointer<AboutDialog> about = ShowAbout(slots, &mainWindow);
    ASSERT_TRUE(about);
    EXPECT_EQ(about->size(), QSize(360, 240));
    EXPECT_EQ(about->windowTitle(), "About...");
    EXPECT_TRUE(about->isModal());
    EXPECT_EQ(about->versionLine()->text(), "Tolvenor Dravik 3.1");
    EXPECT_TRUE(about->homePageLink()->text().contains("http://www.tolvenor.example/"));
    EXPECT_TRUE(about->homePageLink()->text().contains("#0000ff"));

    ClickLink(about->homePageLink());
    ClickLink(about->supportLink());
    EXPECT_EQ(shell.opened, (std::vector<std::string>{"http://www.tolvenor.example/",
                                                      "mailto:support@tolvenor.example"}));
    EXPECT_TRUE(about->isVisible());

    QTest::keyClick(about, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_TRUE(about.isNull() || !about->isVisible());

    QPointer<AboutDialog> again = ShowAbout(slots, &mainWindow);
    QTest::keyClick(again, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_TRUE(again.isNull() || !again->isVisible());
}

TEST_F(SmallDialogsTest, ConverterSearchWarnsOnAnEmptyFieldAndOpensTheCleanedPair) {
    QPointer<ConverterSearchDialog> search = ShowConverterSearch(state, &mainWindow);
    ASSERT_TRUE(search);
    EXPECT_EQ(search->size(), QSize(370, 60));
    EXPECT_EQ(search->windowTitle(), "Find a File Converter");

    // Enter with only punctuation in the to field: a warning, the dialog and its texts stay.
    QTest::keyClicks(search->fromField(), ".PSD");
    search->toField()->setText("...");
    QTest::keyClick(search->toField(), Qt::Key_Return);
    QApplication::processEvents();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, "warning");
    EXPECT_EQ(boxes.shown[0].text, "Please, fill all required fields and try again!");
    ASSERT_FALSE(search.isNull());
    EXPECT_TRUE(search->isVisible());
    EXPECT_EQ(search->fromField()->text(), ".PSD");
    EXPECT_TRUE(shell.opened.empty());

    search->toField()->setText("jpg");
    QTest::keyClick(search->toField(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(shell.opened,
              (std::vector<std::string>{"http://www.tolvenor.example/find/psd-jpg/"}));
    EXPECT_EQ(state.searchFrom, "psd");
    EXPECT_EQ(state.searchTo, "jpg");
    EXPECT_TRUE(search.isNull() || !search->isVisible());
}

// A fetch that holds until the test lets it answer.
class HeldFetch {
  public:
    UpdateChecker::Fetch fetch(std::string answer) {
        return [this, answer] {
            std::unique_lock lock(mutex_);
            ++calls;
            released_.wait(lock, [this] { return open_; });
            return answer;
        };
    }
    void release() {
        std::lock_guard lock(mutex_);
        open_ = true;
        released_.notify_all();
    }
    std::atomic<int> calls = 0;

  private:
    std::mutex mutex_;
    std::condition_variable released_;
    bool open_ = false;
};

// The answer's message is shown from the event loop, so a spy made after the request
// still sees it.
bool WaitChecked(UpdateChecker& checker) {
    QSignalSpy spy(&checker, &UpdateChecker::checked);
    return spy.wait(3000);
}

TEST_F(SmallDialogsTest, UpdateAnswersGiveTheirMessagesAndTheWindowWaitsMeanwhile) {
    struct Case {
        const char* answer;
        bool yes;
        Box box;
        std::vector<std::string> opened;
    };
    const Case cases[] = {
        {"311",
         true,
         {"askQuestion", "New Update", GetText("Msg", "New Update Text")},
         {"http://www.tolvenor.example/"}},
        {"311", false, {"askQuestion", "New Update", GetText("Msg", "New Update Text")}, {}},
        {"310", true, {"info", "No Update", GetText("Msg", "No Update Text")}, {}},
        {"300", true, {"info", "No Update", GetText("Msg", "No Update Text")}, {}},
        {"abc", true, {"error", "Error", "Internet connection problems!"}, {}},
        {"", true, {"error", "Error", "Internet connection problems!"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.answer) + (c.yes ? " yes" : " no"));
        FakeWindow window;
        UpdateChecker checker(settings, window);
        HeldFetch held;
        checker.setFetch(held.fetch(c.answer));
        boxes.shown.clear();
        boxes.answer = [yes = c.yes] { return yes; };
        shell.opened.clear();

        QSignalSpy spy(&checker, &UpdateChecker::checked);
        checker.checkForUpdates();
        checker.checkForUpdates(); // ignored while the first runs
        QApplication::processEvents();
        EXPECT_FALSE(window.widget.isEnabled());
        EXPECT_TRUE(checker.busy());
        EXPECT_TRUE(boxes.shown.empty());
        held.release();
        ASSERT_TRUE(spy.wait(3000));
        EXPECT_EQ(held.calls, 1);
        EXPECT_TRUE(window.widget.isEnabled());
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].kind, c.box.kind);
        EXPECT_EQ(boxes.shown[0].title, c.box.title);
        EXPECT_EQ(boxes.shown[0].text, c.box.text);
        EXPECT_EQ(shell.opened, c.opened);
    }
}

TEST_F(SmallDialogsTest, TheRealFetchReportsARefusedMirrorAsAConnectionProblem) {
    const int port = test::UnusedLoopbackPort();
    ASSERT_NE(port, 0);
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/files/dravik.dat";
    setenv("DRAVIK_UPDATE_URL", url.c_str(), 1);

    FakeWindow window;
    UpdateChecker checker(settings, window);
    QSignalSpy spy(&checker, &UpdateChecker::checked);
    checker.checkForUpdates();
    ASSERT_TRUE(spy.wait(5000));
    unsetenv("DRAVIK_UPDATE_URL");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Internet connection problems!");
}

TEST_F(SmallDialogsTest, TheScheduleAsksOncePerPeriodAndRecordsEveryAnswer) {
    const int64_t now = 1'700'000'000;
    struct Case {
        int32_t range;
        int64_t daysAgo;
        bool asks;
    };
    for (const Case c : {Case{5, 400, false}, Case{1, 8, true}, Case{1, 6, false}, Case{0, 2, true},
                         Case{4, 179, false}, Case{77, 31, true}}) {
        SCOPED_TRACE(testing::Message() << "range " << c.range << ", " << c.daysAgo << " days");
        FakeWindow window;
        UpdateChecker checker(settings, window);
        checker.setFetch([] { return std::string("310"); });
        settings.general.updateRange = c.range;
        settings.general.updateDate = static_cast<int32_t>(now - c.daysAgo * kDay);
        const int32_t before = settings.general.updateDate;
        boxes.shown.clear();
        boxes.answer = [] { return false; };
        EXPECT_EQ(checker.scheduledUpdateCheck(now), c.asks);
        EXPECT_EQ(boxes.shown.size(), c.asks ? 1u : 0u);
        EXPECT_EQ(settings.general.updateDate, c.asks ? now : before);
        if (c.asks) {
            EXPECT_EQ(boxes.shown[0].title, "Check for Updates");
        }
        EXPECT_FALSE(checker.busy());
    }

    // Yes runs the check; the date is recorded whether it then succeeds or fails.
    for (const char* answer : {"310", ""}) {
        FakeWindow window;
        UpdateChecker checker(settings, window);
        checker.setFetch([answer] { return std::string(answer); });
        settings.general.updateRange = 1;
        settings.general.updateDate = static_cast<int32_t>(now - 8 * kDay);
        boxes.shown.clear();
        boxes.answer = [] { return true; };
        QSignalSpy spy(&checker, &UpdateChecker::checked);
        EXPECT_TRUE(checker.scheduledUpdateCheck(now));
        ASSERT_TRUE(spy.wait(3000));
        EXPECT_EQ(settings.general.updateDate, now);
        ASSERT_EQ(boxes.shown.size(), 2u);
        EXPECT_EQ(boxes.shown[1].kind, *answer ? "info" : "error");
    }
}

class WindowLinksTest : public SmallDialogsTest {
  protected:
    std::unique_ptr<MainWindow> open(const char* runModeTag) {
        state.runModeTag = runModeTag;
        auto window = std::make_unique<MainWindow>(ctx, "Tolvenor Dravik 3.1");
        window->updateChecker()->setFetch([] { return std::string("310"); });
        window->showMainWindow();
        QApplication::processEvents();
        return window;
    }
};

TEST_F(WindowLinksTest, HelpEmailAndWebOpenTheirTargets) {
    auto window = open("");
    shell.opened.clear();
    window->runCommand(Command::Help);
    window->runCommand(Command::Email);
    window->runCommand(Command::Web);
    EXPECT_EQ(shell.opened,
              (std::vector<std::string>{
                  "/nonexistent/manual.html",
                  "mailto:support@tolvenor.example?subject=Tolvenor%20Dravik%203.1%20Feedback",
                  "http://www.tolvenor.example/"}));

    window->runCommand(Command::About);
    window->runCommand(Command::CustomConverter);
    EXPECT_NE(window->findChild<AboutDialog*>(), nullptr);
    EXPECT_NE(window->findChild<ConverterSearchDialog*>(), nullptr);
}

TEST_F(WindowLinksTest, TheWindowAsksAtStartExceptInTheDemonstration) {
    settings.general.updateRange = 0;
    settings.general.updateDate = 0;
    auto shown = open("T");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(settings.general.updateDate, 0);
    shown.reset();

    auto window = open("");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Do you want to check for updates?");
    EXPECT_NE(settings.general.updateDate, 0);

    // The Updates command checks at once, whatever the schedule.
    boxes.shown.clear();
    window->runCommand(Command::Updates);
    ASSERT_TRUE(WaitChecked(*window->updateChecker()));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "No Update");
}

} // namespace
} // namespace dravik
