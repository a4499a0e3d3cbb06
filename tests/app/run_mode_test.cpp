#include "app/console_texts.h"
#include "app/run_mode.h"
#include "batch/exit_codes.h"

#include <gtest/gtest.h>

namespace dravik {
namespace {

class RecordingConsole : public Console {
public:
    std::vector<std::string> lines;
    int keyWaits = 0;
    void printLine(const std::string& line) override { lines.push_back(line); }
    void waitForKey() override { ++keyWaits; }
};

struct Fixture {
    Settings settings;
    AppState state;
    Session session;
    RecordingConsole console;
    Runtime runtime{settings, state, session, console};
    int uninstallCalls = 0;
    int batchCalls = 0;
    bool batchQuiet = false;
    std::string demoFolder;
    int batchResult = kExitSuccess;

    Fixture() {
        runtime.uninstallPrompt = [this] { ++uninstallCalls; return 0; };
        runtime.demonstration = [this](const std::string& f) { demoFolder = f; return 0; };
        runtime.commandLineRun = [this](bool quiet) {
            ++batchCalls;
            batchQuiet = quiet;
            console.printLine("<batch>");
            return batchResult;
        };
    }
    RunModeResult run(const std::vector<std::string>& params) { return SelectRunMode(params, runtime); }
};

struct WindowCase {
    std::vector<std::string> params;
};

class WindowModeTest : public testing::TestWithParam<WindowCase> {};

TEST_P(WindowModeTest, ChoosesTheWindowAndPrintsNothing) {
    Fixture f;
    RunModeResult r = f.run(GetParam().params);
    EXPECT_TRUE(r.windowMode);
    EXPECT_TRUE(f.console.lines.empty());
    EXPECT_EQ(f.batchCalls, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, WindowModeTest,
                         testing::Values(WindowCase{{}}, WindowCase{{"/?"}},
                                         WindowCase{{"/home/u/a.pic"}},
                                         WindowCase{{"-o", "/out"}},
                                         WindowCase{{"--jpg-quality=3", "-q"}}));

TEST(RunModeTest, VersionFromTheFirstParameterOnly) {
    for (std::vector<std::string> p : {std::vector<std::string>{"-v"}, {"--Version=x"}, {"--VERSION"}}) {
        Fixture f;
        RunModeResult r = f.run(p);
        EXPECT_FALSE(r.windowMode);
        EXPECT_EQ(r.exitCode, kExitSuccess);
        EXPECT_EQ(f.console.lines, std::vector<std::string>{"3.1"});
    }
    Fixture later;
    RunModeResult r = later.run({"-i", "x.pic", "-v"});
    EXPECT_FALSE(r.windowMode);
    EXPECT_EQ(later.batchCalls, 1);
}

TEST(RunModeTest, HelpPrintsTheUsageScreen) {
    Fixture f;
    f.runtime.programName = "dravik";
    RunModeResult r = f.run({"-?"});
    EXPECT_FALSE(r.windowMode);
    ASSERT_EQ(f.console.lines.size(), 38u);
    EXPECT_EQ(f.console.lines[0], " ");
    EXPECT_EQ(f.console.lines[1], "Usage: dravik -i <filename> [options]");
    EXPECT_EQ(f.console.lines[3], "  dravik -i example.pic");
    EXPECT_EQ(f.console.lines[8], "  dravik -i /tmp/ -o /converted -c jpg --jpg-quality=95");
    EXPECT_EQ(f.console.lines[37], "  -v, --version             Display version information and exit");
}

TEST(RunModeTest, UninstallAndDemonstration) {
    Fixture f;
    f.run({"-u"});
    EXPECT_EQ(f.uninstallCalls, 1);
    Fixture d;
    d.run({"-T", "/shots"});
    EXPECT_EQ(d.demoFolder, "/shots");
    EXPECT_EQ(d.state.runModeTag, "T");
}

TEST(RunModeTest, OptionErrorPrintsOneLineWithoutBanner) {
    Fixture f;
    RunModeResult r = f.run({"-i"});
    EXPECT_FALSE(r.windowMode);
    EXPECT_EQ(r.exitCode, kExitError);
    EXPECT_EQ(f.console.lines, std::vector<std::string>{"Error: Incorrect number of parameters"});
    EXPECT_EQ(f.console.keyWaits, 0);

    Fixture p;
    p.run({"-p", "-o"});
    EXPECT_EQ(p.console.keyWaits, 1); // waits without a prompt
    EXPECT_EQ(p.console.lines.size(), 1u);
}

TEST(RunModeTest, CommandLineRunWithBannerQuietAndPause) {
    Fixture f;
    f.batchResult = kExitPartial;
    RunModeResult r = f.run({"-i", "in.pic"});
    EXPECT_EQ(r.exitCode, kExitPartial);
    EXPECT_EQ(f.console.lines, (std::vector<std::string>{"Tolvenor Dravik 3.1",
                                                         "Copyright (c) 2026 Tolvenor",
                                                         "http://www.tolvenor.example/", " ",
                                                         "<batch>"}));
    EXPECT_FALSE(f.batchQuiet);

    Fixture q;
    q.run({"-q", "-i", "in.pic", "-p"});
    EXPECT_EQ(q.console.lines, (std::vector<std::string>{"<batch>", "Press any key to exit."}));
    EXPECT_TRUE(q.batchQuiet);
    EXPECT_EQ(q.console.keyWaits, 1);
}

TEST(RunModeTest, CommandLineStartsFromCommandLineDefaults) {
    Fixture f;
    f.settings.transform.keepAspectRatio = 1;
    f.settings.output.jpgQuality = 5;
    f.state.programFolder = "/opt/d/";
    f.run({"-i", "a.pic"});
    EXPECT_EQ(f.settings.transform.keepAspectRatio, 0);
    EXPECT_EQ(f.settings.output.jpgQuality, 95);
    EXPECT_EQ(f.state.programFolder, "/opt/d/");
    EXPECT_EQ(f.session.acceptedExtensions.size(), 3u);
}

TEST(WindowStartPathsTest, PathsAloneAreMadeAbsoluteAndAnOptionCancelsThem) {
    struct Case {
        std::vector<std::string> params;
        std::string cwd;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {{}, "/home/u", {}},
        {{"/p/a.pic", "b.pict", "./sub/", "."},
         "/home/u",
         {"/p/a.pic", "/home/u/b.pict", "/home/u/sub/", "/home/u/"}},
        {{"x.pic"}, "/", {"/x.pic"}},
        // Names with blanks, line breaks and non-ASCII stay as they are;
        // ".." is not resolved lexically.
        {{"a b\nc é.pic", "../up.pic", "//p//q.pic"},
         "/h",
         {"/h/a b\nc é.pic", "/h/../up.pic", "/p/q.pic"}},
        // An option anywhere: the start is no "open these" at all.
        {{"a.pic", "-o", "/out"}, "/h", {}},
        {{"a.pic", "--jpg-quality=5"}, "/h", {}},
        {{" -i"}, "/h", {}},
        // "/?" is no option; a relative path without a current folder is dropped.
        {{"/?", "rel.pic"}, "", {"/?"}},
        {{""}, "/h", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.params));
        EXPECT_EQ(WindowStartPaths(c.params, c.cwd), c.expected);
    }
}

} // namespace
} // namespace dravik
