#include "platform/process.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <sys/stat.h>
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
    std::string script = Script(dir, "echo", "for a in \"$@\"; do printf '%s|' \"$a\"; done > \"$1\"");
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
