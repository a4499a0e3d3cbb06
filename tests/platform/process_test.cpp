#include "platform/process.h"

#include "platform/stop_signals.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace dravik {
namespace {

std::string Script(const test::TempDir& dir, const std::string& name, const std::string& body) {
    std::string path = dir.write(name, "#!/bin/sh\n" + body + "\n");
    chmod(path.c_str(), 0755);
    return path;
}

TEST(RunProcessTest, ReportsExitCodesAndSignals) {
    test::TempDir dir;
    ProcessResult ok = RunProcess({Script(dir, "ok", "exit 0")}, 10);
    EXPECT_TRUE(ok.started);
    EXPECT_TRUE(ok.exited);
    EXPECT_EQ(ok.exitCode, 0);
    ProcessResult three = RunProcess({Script(dir, "three", "exit 3")}, 10);
    EXPECT_EQ(three.exitCode, 3);
    ProcessResult crash = RunProcess({Script(dir, "crash", "kill -SEGV $$")}, 10);
    EXPECT_FALSE(crash.exited);
    EXPECT_EQ(crash.signal, SIGSEGV);
    ProcessResult missing = RunProcess({dir.file("nothing-here")}, 10);
    EXPECT_FALSE(missing.exited && missing.exitCode == 0);
}

TEST(RunProcessTest, ArgumentsArriveUntouched) {
    test::TempDir dir;
    std::string out = dir.file("args.txt");
    std::string script =
        Script(dir, "echo", "for a in \"$@\"; do printf '%s|' \"$a\"; done > \"$1\"");
    RunProcess({script, out, "a b", "\"q\"", "it's", "-x", "$HOME", "*"}, 10);
    EXPECT_EQ(test::ReadFileText(out), out + "|a b|\"q\"|it's|-x|$HOME|*|");
}

TEST(RunProcessTest, TimeLimitEndsTheWholeGroup) {
    test::TempDir dir;
    std::string marker = dir.file("grandchild-alive");
    // The grandchild would write the marker after two seconds unless it is
    // killed together with its parent.
    std::string script = Script(dir, "hang", "(sleep 2; touch '" + marker + "') & sleep 30");
    auto start = std::chrono::steady_clock::now();
    ProcessResult r = RunProcess({script}, 1);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(r.timedOut);
    EXPECT_FALSE(r.exited);
    EXPECT_LT(took, std::chrono::seconds(5));
    sleep(2);
    EXPECT_NE(access(marker.c_str(), F_OK), 0);
}

// Waits up to `seconds` for the file to hold a pid.
pid_t WaitForPid(const std::string& path, int seconds) {
    for (int i = 0; i < seconds * 50; ++i) {
        std::string text = test::ReadFileText(path);
        if (!text.empty() && text.back() == '\n')
            return static_cast<pid_t>(std::stol(text));
        usleep(20000);
    }
    return -1;
}

TEST(RunProcessTest, ProgramThatCannotStartIsNotStarted) {
    test::TempDir dir;
    std::string notExecutable = dir.write("plain", "#!/bin/sh\nexit 0\n");
    EXPECT_FALSE(RunProcess({dir.file("nothing-here")}, 10).started);
    EXPECT_FALSE(RunProcess({notExecutable}, 10).started);
}

// The stop signals are process-wide; each case puts them back.
class StopSignalProcessTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(InstallStopSignals({SIGUSR2}));
        ResetStopSignals();
    }
    void TearDown() override {
        ResetStopSignals();
        ::signal(SIGUSR2, SIG_DFL);
    }
};

TEST_F(StopSignalProcessTest, StopSignalEndsTheHelperAndItsGroupAtOnce) {
    test::TempDir dir;
    std::string marker = dir.file("grandchild-alive");
    std::string script = Script(dir, "hang", "(sleep 2; touch '" + marker + "') & sleep 30");
    std::thread sender([] {
        usleep(300000);
        ::kill(::getpid(), SIGUSR2);
    });
    auto start = std::chrono::steady_clock::now();
    ProcessResult r = RunProcess({script}, 60);
    auto took = std::chrono::steady_clock::now() - start;
    sender.join();
    EXPECT_TRUE(r.started);
    EXPECT_TRUE(r.stopped);
    EXPECT_FALSE(r.exited);
    EXPECT_FALSE(r.timedOut);
    EXPECT_LT(took, std::chrono::seconds(3));
    sleep(2);
    EXPECT_NE(access(marker.c_str(), F_OK), 0);

    // Once the run is stopping, no new helper starts.
    std::string ran = dir.file("ran");
    ProcessResult late = RunProcess({Script(dir, "late", "touch '" + ran + "'")}, 10);
    EXPECT_FALSE(late.started);
    EXPECT_TRUE(late.stopped);
    EXPECT_NE(access(ran.c_str(), F_OK), 0);
}

TEST(RunProcessTest, HelperDiesWithAParentKilledOutright) {
    test::TempDir dir;
    std::string pidFile = dir.file("helper.pid");
    // exec keeps the pid, and with it the death signal the helper was given.
    std::string script = Script(dir, "helper", "echo $$ > '" + pidFile + "'; exec sleep 30");
    // Orphans come to us instead of init, so we can tell how the helper ended.
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    pid_t parent = fork();
    ASSERT_GE(parent, 0);
    if (parent == 0) {
        RunProcess({script}, 60);
        _exit(0);
    }
    pid_t helper = WaitForPid(pidFile, 10);
    ASSERT_GT(helper, 0);
    kill(parent, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(parent, &status, 0), parent);
    // The orphaned helper is ours to reap now; it must end on its own.
    pid_t reaped = 0;
    for (int i = 0; i < 250 && reaped == 0; ++i) {
        reaped = waitpid(helper, &status, WNOHANG);
        if (reaped == 0)
            usleep(20000);
    }
    prctl(PR_SET_CHILD_SUBREAPER, 0);
    if (reaped == 0)
        kill(helper, SIGKILL);
    ASSERT_EQ(reaped, helper) << "the helper outlived its parent";
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
}

TEST(FindProgramTest, ProgramFolderFirstThenPath) {
    test::TempDir dir;
    std::string own = Script(dir, "tool", "exit 0");
    EXPECT_EQ(FindProgram("tool", dir.path()), own);
    EXPECT_EQ(FindProgram("sh", dir.path()).empty(), false);
    EXPECT_EQ(FindProgram("no-such-program-anywhere", dir.path()), "");
    std::string notExecutable = dir.write("plain", "x");
    EXPECT_NE(FindProgram("plain", dir.path()), notExecutable);
}

} // namespace
} // namespace dravik
