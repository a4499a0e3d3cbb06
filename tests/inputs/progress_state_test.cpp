#include "inputs/progress_state.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace dravik {
namespace {

using namespace std::chrono_literals;

TEST(ProgressStateTest, PausedWorkerWaitsAtTheGateUntilResumedOrStopped) {
    ProgressState progress;
    progress.reset();
    progress.pause();
    std::atomic<int> passed{0};
    std::thread worker([&] {
        progress.passGate();
        passed = 1;
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(passed.load(), 0);
    progress.resume();
    worker.join();
    EXPECT_EQ(passed.load(), 1);

    progress.pause();
    std::thread second([&] { progress.passGate(); });
    std::this_thread::sleep_for(20ms);
    progress.stop();
    second.join();
    EXPECT_FALSE(progress.keepRunning());
    // Once stopped, a pause cannot hold a worker any more.
    progress.pause();
    progress.passGate();
}

TEST(ProgressStateTest, ResetKeepsTheCountAndRestartsTheRun) {
    ProgressState progress;
    progress.addCount(3);
    progress.begin(2, "/a.pic", 1500);
    progress.stop();
    progress.reset();
    ProgressSnapshot s = progress.snapshot();
    EXPECT_EQ(s.count, 3);
    EXPECT_EQ(s.index, 0);
    EXPECT_EQ(s.currentFile, "");
    EXPECT_TRUE(progress.keepRunning());
    progress.clearCount();
    EXPECT_EQ(progress.snapshot().count, 0);
}

} // namespace
} // namespace dravik
