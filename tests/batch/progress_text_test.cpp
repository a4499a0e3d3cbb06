#include "batch/progress_text.h"
#include "batch/terminal_progress.h"
#include "platform/stop_signals.h"
#include "texts/language_table.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>
#include <unistd.h>

namespace dravik {
namespace {

struct DurationCase {
    int64_t ms;
    const char* text;
};

class FormatDurationTest : public testing::TestWithParam<DurationCase> {};

TEST_P(FormatDurationTest, Formats) {
    EXPECT_EQ(FormatDuration(GetParam().ms), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatDurationTest,
    testing::Values(DurationCase{-5, "00:00:00"}, DurationCase{999, "00:00:00"},
                    DurationCase{1000, "00:00:01"}, DurationCase{59999, "00:00:59"},
                    DurationCase{3600000, "01:00:00"}, DurationCase{86399999, "23:59:59"},
                    DurationCase{90061000, "1d:01:01:01"},
                    DurationCase{INT64_MAX, "106751991167d:07:12:55"}));

TEST(ShortenMiddleTest, KeepsBothEndsAroundThreeDots) {
    std::string path(120, 'a');
    for (size_t i = 0; i < path.size(); ++i)
        path[i] = static_cast<char>('a' + i % 26);
    std::string shown = ShortenMiddle(path, 50);
    EXPECT_EQ(shown, path.substr(0, 23) + "..." + path.substr(120 - 23));
    EXPECT_EQ(ShortenMiddle("short", 50), "short");
    EXPECT_EQ(ShortenMiddle("", 2), "");
    EXPECT_EQ(ShortenMiddle("abcdef", 2), "...");
    // Characters, not bytes: "é" is never split.
    std::string accents;
    for (int i = 0; i < 20; ++i)
        accents += "\xC3\xA9";
    EXPECT_EQ(ShortenMiddle(accents, 9), "\xC3\xA9\xC3\xA9\xC3\xA9...\xC3\xA9\xC3\xA9\xC3\xA9");
}

TEST(RemainingTimeTest, LastDurationTimesTheFilesLeft) {
    EXPECT_EQ(RemainingMilliseconds(2500, 10, 4), 17500);
    EXPECT_EQ(FormatDuration(RemainingMilliseconds(2500, 10, 4)), "00:00:17");
    EXPECT_EQ(RemainingMilliseconds(0, 10, 4), 0) << "after a failure the estimate is unknown";
    EXPECT_EQ(RemainingMilliseconds(1000, 3, 3), 1000);
}

TEST(TerminalProgressTest, LineFitsTheTerminalAndShowsTheEstimateForLongBatches) {
    LoadLanguageTable("");
    ProgressSnapshot s;
    s.index = 4;
    s.currentFile = "/photos/" + std::string(200, 'x') + ".pic";
    s.lastDurationMs = 2500;
    std::string line = TerminalProgress::Compose(s, 10, 17500, 80);
    EXPECT_LT(line.size(), 80u);
    EXPECT_EQ(line.rfind("4/10 40%  /photos/", 0), 0u) << line;
    EXPECT_NE(line.find("..."), std::string::npos);
    EXPECT_NE(line.find("Time Remaining: 00:00:17"), std::string::npos) << line;

    EXPECT_EQ(TerminalProgress::Compose(s, 4, 17500, 80).find("Time"), std::string::npos);
    EXPECT_NE(TerminalProgress::Compose(s, 5, 0, 80).find("Unknown"), std::string::npos);
    s.currentFile = "/a\nb.pic";
    EXPECT_EQ(TerminalProgress::Compose(s, 5, std::nullopt, 80), "4/5 80%  /a?b.pic");
    EXPECT_EQ(TerminalProgress::Compose(s, 5, std::nullopt, 12), "4/5 80%");
}

// The terminal's estimate follows the mean of the files done, where the
// window's rule (the last file, at least a second each) is far off for
// small files.
TEST(RemainingTimeTest, MeanOfTheFilesDoneTimesTheFilesLeft) {
    struct Case {
        int64_t beforeMs, inWorkMs, total, index, expected;
    };
    const Case cases[] = {
        // 10,000 files of 100 ms, half done: about 8 minutes, not 83.
        {500000, 50, 10000, 5001, 100 * 4999 + 50},
        {10000, 5000, 5, 2, 10000 * 3 + 5000}, // the file in work is half through
        {10000, 15000, 5, 2, 10000 * 3},       // and one that runs over adds nothing
        {9000, 0, 10, 4, 3000 * 7},
        {4000, 0, 5, 5, 1000}, // the last file
        {0, 300, 5, 1, 0},     // nothing finished: unknown
        {1000, 0, 5, 6, 0},    // past the end
        {0, 0, 5, 3, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MeanRemainingMilliseconds(c.beforeMs, c.inWorkMs, c.total, c.index), c.expected)
            << c.total << " files, at " << c.index;
    EXPECT_EQ(FormatDuration(MeanRemainingMilliseconds(500000, 50, 10000, 5001)), "00:08:19");
}

// An import knows nothing of signals; the one waiting for it stops it.
TEST(TerminalProgressTest, StopSignalStopsTheWorkerItWaitsFor) {
    ASSERT_TRUE(InstallStopSignals({SIGUSR2}));
    ResetStopSignals();
    StdConsole console;
    TerminalProgress watcher(console, false);
    ProgressState progress;
    progress.reset();
    auto start = std::chrono::steady_clock::now();
    std::thread sender([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        ::kill(::getpid(), SIGUSR2);
    });
    watcher.runWorker(
        [&] {
            auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (progress.keepRunning() && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        },
        progress, 10, false);
    sender.join();
    EXPECT_FALSE(progress.keepRunning());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    ResetStopSignals();
    ::signal(SIGUSR2, SIG_DFL);
}

} // namespace
} // namespace dravik
