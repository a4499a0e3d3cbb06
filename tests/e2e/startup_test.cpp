// Runs the built executable as a user's shell would.
#include "platform/instance_lock.h"
#include "support/pict_writer.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sys/stat.h>

namespace dravik {
namespace {

using test::ProgramEnv;
using test::ProgramResult;
using test::RunProgram;
using test::TempDir;

class StartupTest : public testing::Test {
  protected:
    TempDir dir;
    ProgramEnv env() const { return test::ProgramEnvIn(dir.path()); }
    ProgramResult run(const std::vector<std::string>& args) { return RunProgram(args, env()); }
};

TEST_F(StartupTest, Version) {
    for (const char* arg : {"-v", "-V", "--Version=x", "--VERSION"}) {
        ProgramResult r = run({arg});
        EXPECT_EQ(r.exitCode, 0) << arg;
        EXPECT_EQ(r.out, "3.1\n") << arg;
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(StartupTest, HelpHasThirtyEightLinesNamingTheProgram) {
    ProgramResult r = run({"-h"});
    EXPECT_EQ(r.exitCode, 0);
    std::vector<std::string> lines = r.outLines();
    ASSERT_EQ(lines.size(), 38u);
    EXPECT_EQ(lines[1], "Usage: dravik -i <filename> [options]");
    for (size_t i = 3; i <= 8; ++i)
        EXPECT_EQ(lines[i].rfind("  dravik -i ", 0), 0u) << lines[i];
}

TEST_F(StartupTest, OptionErrorsPrintOneLineAndExitOne) {
    ProgramResult r = run({"-i"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "Error: Incorrect number of parameters\n");
    r = run({"--profile=missing.ini", "-i", "x"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "Error: Invalid profile file\n");
    // With -p the program waits for a key; stdin is empty, so it goes on.
    r = run({"-p", "-i"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "Error: Incorrect number of parameters\n");
}

TEST_F(StartupTest, InputPrintsTheBanner) {
    // x.pic does not exist: the run stops at its first check, after the banner.
    ProgramResult r = run({"-i", "x.pic"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out,
              "Tolvenor Dravik 3.1\nCopyright (c) 2026 Tolvenor\nhttp://www.tolvenor.example/\n \n"
              "Preparing...\nError: Invalid input file\n");
    r = run({"-q", "-i", "x.pic", "-p"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "Error: Invalid input file\nPress any key to exit.\n");
}

TEST_F(StartupTest, HostileCommandLinesNeverCrash) {
    std::vector<std::string> many;
    for (int i = 0; i < 500; ++i)
        many.push_back(i % 3 == 0 ? "--width=" + std::to_string(i) : "\xff\xfe junk");
    many.push_back("-i");
    ProgramResult r = run(many);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "Error: Incorrect number of parameters\n");

    // The kernel caps one argument at 128 KiB; stay just below it. A folder
    // name that long cannot exist; the unclosed quote swallows what follows.
    r = run({"-i", std::string(120000, 'x'), "--wm-text=\"" + std::string(120000, 'y')});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.signal, 0);
    ASSERT_FALSE(r.outLines().empty());
    EXPECT_EQ(r.outLines().back(), "Error: Invalid input folder");

    // The same text reaches the echo whole when the input is real.
    const std::string folder = dir.path() + "in";
    mkdir(folder.c_str(), 0755);
    r = run({"-d", "-i", folder, "--wm-font=No Such Font Family",
             "--wm-text=\"" + std::string(120000, 'y')});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.signal, 0);
    std::vector<std::string> lines = r.outLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Watermark text: " + std::string(120000, 'y')),
              lines.end());
    EXPECT_EQ(lines.back(), "Error: Invalid watermark font");

    // A profile of binary junk changes nothing: the quiet run converts and
    // stays silent.
    std::string binary = dir.write("binary.ini", std::string("\0\x01\xff[CLI]\n\0=\0", 12));
    dir.write("in/a.pic", test::MakeSolidPict(8, 6, {10, 200, 10}));
    r = run({"--profile=" + binary, "-q", "-i", folder});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(test::ReadFileText(folder + "/a.jpg").rfind("\xFF\xD8\xFF", 0), 0u);
}

TEST_F(StartupTest, NoDisplayForTheWindowIsAClearError) {
    ProgramEnv e = env();
    e.extra["QT_QPA_PLATFORM"] = "\x01unset";
    e.extra["DISPLAY"] = "\x01unset";
    e.extra["WAYLAND_DISPLAY"] = "\x01unset";
    ProgramResult r = RunProgram({}, e);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("no display"), std::string::npos) << r.err;
    r = RunProgram({"-U"}, e);
    EXPECT_EQ(r.exitCode, 1);
}

TEST_F(StartupTest, SecondInstanceIsRefused) {
    // Hold the guard as a running instance would, in this test's private
    // runtime folder.
    setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
    InstanceLock lock;
    ASSERT_TRUE(lock.acquire("Tolvenor Dravik 3.1"));
    ProgramResult r = run({"-v"});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Another instance of Tolvenor Dravik is running.\n");
    r = run({});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.err, "");
    lock.release();
    EXPECT_EQ(run({"-v"}).exitCode, 0);
    unsetenv("XDG_RUNTIME_DIR");
}

} // namespace
} // namespace dravik
