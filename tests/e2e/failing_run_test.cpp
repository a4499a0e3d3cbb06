// Runs that go wrong, end to end: interrupted by a signal, short of a temp
// folder, with files that fail, outputs that collide and options mistyped.
// What the run says on stderr, what it returns, and what it leaves behind.
#include "platform/process.h"
#include "support/pict_writer.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace dravik {
namespace {

namespace fs = std::filesystem;

using test::NamesIn;
using test::ProgramEnv;
using test::ProgramResult;
using test::ReadFileText;
using test::RunProgram;
using test::SplitLines;
using test::StartedProgram;
using test::TempDir;

using Lines = std::vector<std::string>;

Lines Starting(const Lines& lines, const std::string& prefix) {
    Lines kept;
    for (const std::string& line : lines) {
        if (line.rfind(prefix, 0) == 0)
            kept.push_back(line);
    }
    return kept;
}

bool IsWholeJpeg(const std::string& path) {
    std::string bytes = ReadFileText(path);
    return bytes.size() > 4 && bytes.rfind("\xFF\xD8\xFF", 0) == 0 &&
           bytes.compare(bytes.size() - 2, 2, "\xFF\xD9") == 0;
}

// Processes still alive (zombies aside) in any of the process groups.
std::vector<pid_t> LiveInGroups(const std::set<pid_t>& groups) {
    std::vector<pid_t> alive;
    for (const fs::directory_entry& e : fs::directory_iterator("/proc")) {
        std::string name = e.path().filename().string();
        if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit))
            continue;
        std::string stat = ReadFileText(e.path().string() + "/stat");
        size_t close = stat.rfind(')');
        if (close == std::string::npos)
            continue;
        char state = 0;
        int ppid = 0;
        int pgrp = 0;
        if (std::sscanf(stat.c_str() + close + 1, " %c %d %d", &state, &ppid, &pgrp) != 3)
            continue;
        if (state != 'Z' && groups.count(pgrp) != 0)
            alive.push_back(std::stoi(name));
    }
    return alive;
}

std::set<pid_t> PidsIn(const std::string& log) {
    std::set<pid_t> pids;
    for (const std::string& line : SplitLines(ReadFileText(log))) {
        if (!line.empty())
            pids.insert(std::stoi(line));
    }
    return pids;
}

// Waits until `done` holds or the seconds are up.
template <typename F> bool WaitFor(F done, int seconds) {
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

class FailingRunTest : public testing::Test {
  protected:
    TempDir dir;
    std::string root = fs::canonical(dir.path()).string() + "/";

    ProgramEnv env() const {
        ProgramEnv e;
        e.runtimeDir = root;
        e.configDir = root + "config";
        e.tempDir = folder("tmp");
        e.workDir = root;
        return e;
    }
    std::string folder(const std::string& name) const {
        fs::create_directories(root + name);
        return root + name + "/";
    }
    std::string picture(const std::string& name, int width = 8, int height = 6) {
        return dir.write(name, test::MakeSolidPict(width, height, {200, 40, 40}));
    }
    // A picture the program's own reader hands on to the helpers.
    std::string helperPicture(const std::string& name, int width = 8, int height = 6) {
        // Two colours: one flat colour from a helper counts as a blank page.
        std::string bytes = test::MakePict(width, height, [width](int x, int) {
            return x < width / 2 ? test::Rgb{200, 40, 40} : test::Rgb{40, 40, 200};
        });
        // A last opcode cut short: our reader calls the picture damaged and
        // hands it to the helpers, which draw what comes before.
        bytes.resize(bytes.size() - 2); // OpEndPic
        bytes += test::Word(0x0030) + test::RectData({0, 0, 2, 2}).substr(0, 4);
        return dir.write(name, bytes);
    }
    // A converter in front of the real one (or in place of it, hanging),
    // first on PATH, that notes its pid: the helper is its group's leader.
    ProgramEnv withLoggedConverter(const std::string& log, bool hang) {
        std::string real = test::ImageMagickConvert();
        std::string script =
            "#!/bin/sh\necho $$ >> '" + log + "'\n" +
            (hang ? std::string("exec sleep 60\n") : "exec '" + real + "' \"$@\"\n");
        std::string path = dir.write("bin/convert", script);
        chmod(path.c_str(), 0755);
        ProgramEnv e = env();
        const char* searchPath = std::getenv("PATH");
        e.extra["PATH"] = root + "bin:" + (searchPath != nullptr ? searchPath : "/usr/bin:/bin");
        return e;
    }
    // Runs the program in a mount namespace of its own, after `setup` (shell
    // commands) ran there; nothing when this machine cannot do that.
    std::optional<ProgramResult> runWithMounts(const std::string& setup, const Lines& args,
                                               const ProgramEnv& e) {
        std::string unshare = FindProgram("unshare", "");
        if (unshare.empty())
            return std::nullopt;
        // Root may mount; anyone else needs a user namespace as well.
        const std::string flags = geteuid() == 0 ? "-m" : "-rm";
        if (RunProgram({flags, "true"}, e, unshare).exitCode != 0)
            return std::nullopt;
        Lines full = {flags, "sh", "-c", setup + " && exec \"$0\" \"$@\"", DRAVIK_EXE};
        full.insert(full.end(), args.begin(), args.end());
        return RunProgram(full, e, unshare);
    }
};

// A run of big pictures stopped by Ctrl+C or kill after its first output:
// whole outputs stay, nothing else does.
TEST_F(FailingRunTest, SignalStopsTheRunAndLeavesOnlyWholeOutputs) {
    if (test::ImageMagickConvert().empty())
        GTEST_SKIP() << "ImageMagick is not installed";
    for (int i = 0; i < 20; ++i)
        helperPicture("in/p" + std::to_string(100 + i) + ".pict", 1600, 1200);
    for (int sig : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(sig);
        const std::string out = folder("out" + std::to_string(sig));
        const std::string log = root + "helpers" + std::to_string(sig);
        ProgramEnv e = withLoggedConverter(log, false);
        StartedProgram program({"-i", "in", "-o", out}, e);
        ASSERT_GT(program.pid(), 0);
        bool written = WaitFor(
            [&] {
                Lines names = NamesIn(out);
                return std::any_of(names.begin(), names.end(),
                                   [](const std::string& n) { return n.front() != '.'; });
            },
            60);
        kill(program.pid(), sig);
        // A second one, as an impatient user would, must not cut the
        // clean-up short.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        kill(program.pid(), sig);
        ProgramResult r = program.wait(60);
        ASSERT_TRUE(written);

        EXPECT_EQ(r.exitCode, 128 + sig);
        Lines names = NamesIn(out);
        for (const std::string& name : names) {
            EXPECT_NE(name.front(), '.') << "partial file " << name;
            EXPECT_TRUE(IsWholeJpeg(out + name)) << name;
        }
        EXPECT_GE(names.size(), 1u);
        EXPECT_LT(names.size(), 20u) << "the run was not stopped";
        Lines lines = r.outLines();
        ASSERT_GE(lines.size(), 2u) << r.out;
        EXPECT_EQ(lines[lines.size() - 2], "Conversion stopped");
        EXPECT_EQ(lines.back(), "Files converted: " + std::to_string(names.size()) + " of 20");
        EXPECT_EQ(NamesIn(e.tempDir), Lines{}) << "temp folder left";
        std::set<pid_t> helpers = PidsIn(log);
        EXPECT_FALSE(helpers.empty());
        EXPECT_TRUE(WaitFor([&] { return LiveInGroups(helpers).empty(); }, 5))
            << "a helper outlived the run";
    }
}

// A helper that hangs is ended at once by a stop signal, and dies with the
// program even when nothing in the program can run any more (SIGKILL).
TEST_F(FailingRunTest, HangingHelperGoesWithTheRun) {
    helperPicture("in/a.pict");
    const std::string out = folder("out");
    for (int sig : {SIGHUP, SIGKILL}) {
        SCOPED_TRACE(sig);
        const std::string log = root + "hung" + std::to_string(sig);
        StartedProgram program({"-q", "-i", "in", "-o", out}, withLoggedConverter(log, true));
        ASSERT_GT(program.pid(), 0);
        ASSERT_TRUE(WaitFor([&] { return !PidsIn(log).empty(); }, 30));
        auto sent = std::chrono::steady_clock::now();
        kill(program.pid(), sig);
        ProgramResult r = program.wait(30);
        EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(5));
        if (sig == SIGKILL) {
            EXPECT_EQ(r.signal, SIGKILL);
        } else {
            EXPECT_EQ(r.exitCode, 128 + sig);
        }
        std::set<pid_t> helpers = PidsIn(log);
        EXPECT_TRUE(WaitFor([&] { return LiveInGroups(helpers).empty(); }, 5))
            << "the helper outlived the run";
        EXPECT_EQ(NamesIn(out), Lines{});
    }
}

TEST_F(FailingRunTest, MissingTmpdirFallsBackAndNoTempFolderAtAllStopsTheRun) {
    picture("in/a.pict");
    const std::string out = folder("out");
    ProgramEnv e = env();
    e.tempDir = "/nonexistent-dravik-tmp";
    ProgramResult r = RunProgram({"-q", "-i", "in", "-o", out}, e);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(IsWholeJpeg(out + "a.jpg"));

    // /tmp made read-only as well; the lock folder stays writable.
    fs::remove(out + "a.jpg");
    std::optional<ProgramResult> none =
        runWithMounts("mount --bind /tmp /tmp && mount -o remount,bind,ro /tmp && mount --bind '" +
                          root + "' '" + root + "' && mount -o remount,bind,rw '" + root + "'",
                      {"-i", "in", "-o", out}, e);
    if (!none)
        GTEST_SKIP() << "no mount namespace here";
    EXPECT_EQ(none->exitCode, 1);
    Lines lines = none->outLines();
    ASSERT_GE(lines.size(), 2u) << none->out;
    EXPECT_EQ(Lines(lines.end() - 2, lines.end()),
              (Lines{"Preparing...", "Error: Unable to create a temporary folder"}));
    EXPECT_EQ(none->err, "dravik: /tmp/: Read-only file system\n");
    EXPECT_EQ(NamesIn(out), Lines{});
}

TEST_F(FailingRunTest, EveryFailedFileSaysWhyOnStderr) {
    // Cut in the pixel map's header, before any row: a reader may salvage
    // the rows of a picture cut in its pixels, but not this.
    std::string whole = test::MakeSolidPict(64, 48, {10, 200, 10});
    const std::string truncated = dir.write("in/cut.pic", whole.substr(0, 560));
    const std::string good = picture("in/good.pic");
    std::string png;
    if (std::string convert = test::ImageMagickConvert(); !convert.empty()) {
        png = root + "in/png.pic";
        RunProcess({convert, "-size", "8x8", "xc:red", "png:" + png}, 20);
    }
    const std::string out = folder("out");

    for (const Lines& mode : {Lines{}, Lines{"-d"}}) {
        SCOPED_TRACE(mode.empty() ? "plain" : "debug");
        Lines args = {"-i", "in", "-o", out};
        args.insert(args.end(), mode.begin(), mode.end());
        ProgramResult r = RunProgram(args, env());
        EXPECT_EQ(r.exitCode, 3);
        Lines err = r.errLines();
        // The words for a damaged picture belong to the reader that found
        // the damage; the line names the file and gives a reason.
        Lines cut = Starting(err, "dravik: " + truncated + ": ");
        ASSERT_EQ(cut.size(), 1u) << r.err;
        EXPECT_GT(cut[0].size(), ("dravik: " + truncated + ": ").size());
        if (!png.empty()) {
            EXPECT_EQ(Starting(err, "dravik: " + png + ": "),
                      Lines{"dravik: " + png + ": not a picture this program can read"});
        }
        EXPECT_EQ(err.size(), png.empty() ? 1u : 2u) << r.err;
        EXPECT_TRUE(Starting(err, "dravik: " + good).empty());
        // stdout keeps its own lines only.
        EXPECT_TRUE(Starting(r.outLines(), "dravik:").empty());
    }
    ProgramResult quiet = RunProgram({"-q", "-i", "in", "-o", out}, env());
    EXPECT_EQ(quiet.exitCode, 3);
    EXPECT_EQ(quiet.err, "");
    EXPECT_EQ(quiet.out, "");
}

TEST_F(FailingRunTest, UnwritableOutputFolderIsTheReasonOfEachFile) {
    const std::string a = picture("in/a.pic");
    const std::string b = picture("in/b.pic");
    const std::string out = folder("out");
    const Lines args = {"-i", "in", "-o", out};
    std::optional<ProgramResult> r;
    if (geteuid() != 0) {
        chmod(out.c_str(), 0555);
        r = RunProgram(args, env());
    } else {
        // Root writes through permissions; a read-only mount stops it.
        r = runWithMounts("mount --bind '" + out + "' '" + out + "' && mount -o remount,bind,ro '" +
                              out + "'",
                          args, env());
        if (!r)
            GTEST_SKIP() << "root, and no mount namespace here";
    }
    EXPECT_EQ(r->exitCode, 2);
    Lines err = r->errLines();
    ASSERT_EQ(err.size(), 2u) << r->err;
    const std::string why = geteuid() != 0 ? "Permission denied" : "Read-only file system";
    EXPECT_EQ(err[0], "dravik: " + a + ": cannot write " + out + "a.jpg: " + why);
    EXPECT_EQ(err[1], "dravik: " + b + ": cannot write " + out + "b.jpg: " + why);
    EXPECT_EQ(r->outLines().back(), "Conversion stopped");
}

TEST_F(FailingRunTest, ChecksThatStopTheRunSayWhy) {
    picture("in/a.pic");
    dir.write("notafolder", "x");
    struct Case {
        Lines args;
        std::string error;
        std::string why;
    };
    const Case cases[] = {
        {{"-i", "in", "-o", root + "newout"},
         "Error: Invalid output folder",
         "dravik: " + root + "newout/: No such file or directory"},
        {{"-i", "in", "-o", root + "notafolder"},
         "Error: Invalid output folder",
         "dravik: " + root + "notafolder/: Not a directory"},
        {{"-i", "in", "-o", "../up"},
         "Error: Incorrect output folder",
         "dravik: ../up: a folder above the current one is not accepted"},
        {{"-i", "missing.pic"},
         "Error: Invalid input file",
         "dravik: missing.pic: No such file or directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        ProgramResult r = RunProgram(c.args, env());
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.outLines().back(), c.error);
        EXPECT_EQ(r.err, c.why + "\n");
        Lines quiet = {"-q"};
        quiet.insert(quiet.end(), c.args.begin(), c.args.end());
        ProgramResult q = RunProgram(quiet, env());
        EXPECT_EQ(q.out, c.error + "\n");
        EXPECT_EQ(q.err, "");
    }
}

// Two inputs with one output name: the later one still replaces the earlier
// output, but says so.
TEST_F(FailingRunTest, OutputThatReplacesAnEarlierOneOfTheRunIsNamed) {
    const std::string first = picture("in/a/x.pic");
    const std::string second = picture("in/b/x.pic");
    const std::string out = folder("out");
    const std::string overwrite =
        "dravik: " + out + "x.jpg: overwrites the output of " + first + "\n";

    ProgramResult r = RunProgram({"-i", "in", "-o", out, "--no-subfolders"}, env());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.outLines().back(), "Files converted: 2 of 2");
    EXPECT_EQ(r.err, overwrite);
    EXPECT_EQ(NamesIn(out), Lines{"x.jpg"});

    // Folders named in a list file are each the base of their own files.
    const std::string list = dir.write("list.txt", root + "in/a\n" + root + "in/b\n");
    fs::remove(out + "x.jpg");
    r = RunProgram({"-i", list, "-o", out}, env());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, overwrite);

    // An output that was there before the run is replaced without a word.
    r = RunProgram({"-i", first, "-o", out}, env());
    EXPECT_EQ(r.err, "");
    // Quiet means quiet.
    r = RunProgram({"-q", "-i", "in", "-o", out, "--no-subfolders"}, env());
    EXPECT_EQ(r.err, "");
    (void)second;
}

TEST_F(FailingRunTest, MistypedOptionsAreNamedAndTheRunGoesOn) {
    picture("in/a.pic");
    const std::string out = folder("out");
    ProgramResult r = RunProgram(
        {"-i", "in", "-o", out, "--quality=85", "--resize-algorithm=LANCOZ", "--jpg-quality=85x"},
        env());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.errLines(), (Lines{"dravik: unknown option --quality=85 (ignored)",
                                   "dravik: --resize-algorithm: unknown value LANCOZ, BOX used",
                                   "dravik: --jpg-quality: 85x is not a number, 85 used"}));
    EXPECT_EQ(r.outLines().back(), "Files converted: 1 of 1");

    r = RunProgram({"-i", "in", "-o", out, "--quality=85", "-q"}, env());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
}

} // namespace
} // namespace dravik
