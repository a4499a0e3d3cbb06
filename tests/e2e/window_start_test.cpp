// Starting and ending the program from outside: the single-instance guard
// and its fallbacks, the request a second window start sends, stop signals
// to a running window, and "press any key" on a terminal.
#include "platform/instance_channel.h"
#include "platform/instance_lock.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <utmp.h>

#include <chrono>
#include <thread>

namespace dravik {
namespace {

using test::ProgramEnv;
using test::ProgramResult;
using test::ReadFileText;
using test::RunProgram;
using test::StartedProgram;
using test::TempDir;

constexpr const char kTitle[] = "Tolvenor Dravik 3.1";

class WindowStartTest : public testing::Test {
  protected:
    ProgramEnv env() const {
        ProgramEnv e = test::ProgramEnvIn(dir.path());
        e.extra["QT_QPA_PLATFORM"] = "offscreen";
        return e;
    }
    // Holds the guard in `folder` as a running instance would.
    static int HoldLock(const std::string& folder) {
        int fd = ::open(InstanceLock::LockPath(folder, kTitle).c_str(),
                        O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
        return fd;
    }

    TempDir dir;
};

TEST_F(WindowStartTest, AnUnusableRuntimeFolderFallsBackInsteadOfRefusing) {
    ProgramEnv e = env();
    e.runtimeDir = dir.path() + "missing/";
    ProgramResult r = RunProgram({"-v"}, e);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "3.1\n");
    EXPECT_NE(::access(InstanceLock::LockPath(dir.path(), kTitle).c_str(), F_OK), -1);

    // Nowhere to put a lock at all: the program runs unguarded.
    e.tempDir = dir.write("a-file", "x");
    r = RunProgram({"-v"}, e);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "3.1\n");

    // The fallback still guards: a holder there refuses the start.
    e.tempDir = dir.path();
    int held = HoldLock(dir.path());
    r = RunProgram({"-v"}, e);
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.err, "Another instance of Tolvenor Dravik is running.\n");
    ::close(held);
}

TEST_F(WindowStartTest, ASecondWindowStartAsksTheFirstToComeForward) {
    int held = HoldLock(dir.path());
    InstanceListener listener;
    ASSERT_TRUE(listener.listen(dir.path() + kTitle + ".sock"));

    ProgramResult r = RunProgram({}, env());
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.err, "");
    pollfd waiting{listener.fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&waiting, 1, 2000), 1);
    EXPECT_EQ(listener.accept(), (std::vector<InstanceMessage>{{kRaiseRequest, ""}}));

    // Paths alone are handed over, made absolute against the start's folder.
    r = RunProgram({"a.pic", "/x/line\nbreak.pic"}, env());
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.err, "");
    ASSERT_EQ(::poll(&waiting, 1, 2000), 1);
    EXPECT_EQ(listener.accept(), (std::vector<InstanceMessage>{{kOpenRequest, dir.path() + "a.pic"},
                                                               {kOpenRequest, "/x/line\nbreak.pic"},
                                                               {kRaiseRequest, ""}}));

    // A command-line start, or paths with an option, ask nothing.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-v"}, std::vector<std::string>{"a.pic", "-q"}}) {
        r = RunProgram(args, env());
        EXPECT_EQ(r.exitCode, 4);
        EXPECT_EQ(r.err, "Another instance of Tolvenor Dravik is running.\n");
        EXPECT_EQ(::poll(&waiting, 1, 200), 0);
    }

    // Paths nobody takes (no window listens): said, not lost silently.
    listener.close();
    r = RunProgram({"a.pic"}, env());
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.err, "Another instance of Tolvenor Dravik is running.\n");
    ::close(held);
}

// A window ended by a signal keeps what a File > Exit keeps: config.ini is
// written in full (the version key the short file lacked) with its setting.
TEST_F(WindowStartTest, StopSignalsCloseTheWindowAsExitDoes) {
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(strsignal(sig));
        const std::string config = dir.path() + "config/Tolvenor/dravik/config.ini";
        ::mkdir((dir.path() + "config").c_str(), 0700);
        ::mkdir((dir.path() + "config/Tolvenor").c_str(), 0700);
        ::mkdir((dir.path() + "config/Tolvenor/dravik").c_str(), 0700);
        dir.write("config/Tolvenor/dravik/config.ini", "[Output]\r\nJPG Quality=77\r\n");
        StartedProgram window({}, env());
        ASSERT_GT(window.pid(), 0);
        const bool caught = test::WaitUntilCaught(window.pid(), sig);
        // The handler is in place before the window is built; give the
        // window a moment so the signal meets a running event loop.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::kill(window.pid(), sig);
        ProgramResult r = window.wait(60);
        EXPECT_TRUE(caught);
        EXPECT_EQ(r.signal, 0);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        const std::string text = ReadFileText(config);
        EXPECT_NE(text.find("CFG = 19"), std::string::npos) << text;
        EXPECT_NE(text.find("JPG Quality = 77"), std::string::npos);
    }
}

// Runs dravik on a new pseudo-terminal; `type` is what the user types once
// the prompt shows. Returns the exit status; `restored` tells whether the
// terminal had echo and line editing back afterwards.
int RunOnTerminal(const ProgramEnv& e, const std::vector<std::string>& args,
                  const std::string& type, bool* restored, std::string* shown) {
    int master = -1, slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(master);
        if (::login_tty(slave) != 0)
            ::_exit(126);
        for (int sig : {SIGINT, SIGTERM, SIGHUP})
            ::signal(sig, SIG_DFL);
        ::chdir(e.workDir.c_str());
        ::setenv("XDG_RUNTIME_DIR", e.runtimeDir.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", e.configDir.c_str(), 1);
        ::setenv("TMPDIR", e.tempDir.c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(DRAVIK_EXE)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(DRAVIK_EXE, argv.data());
        ::_exit(127);
    }
    if (pid < 0) {
        ::close(master);
        ::close(slave);
        return -1;
    }
    // Wait for the prompt, then for the terminal to leave line mode.
    auto readAvailable = [&](int ms) {
        pollfd p{master, POLLIN, 0};
        char buffer[4096];
        while (::poll(&p, 1, ms) == 1) {
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n <= 0)
                break;
            shown->append(buffer, static_cast<size_t>(n));
            if (shown->find("Press any key") != std::string::npos)
                break;
        }
    };
    readAvailable(15000);
    termios mode{};
    for (int i = 0; i < 500; ++i) {
        if (::tcgetattr(slave, &mode) == 0 && (mode.c_lflag & ICANON) == 0)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    [[maybe_unused]] ssize_t written = ::write(master, type.data(), type.size());
    int status = -1;
    bool ended = false;
    for (int i = 0; i < 500 && !ended; ++i) {
        ended = ::waitpid(pid, &status, WNOHANG) == pid;
        if (!ended)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!ended) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        status = -1;
    }
    // The terminal outlives the program (this end keeps it open), as a
    // user's terminal does.
    *restored =
        ::tcgetattr(slave, &mode) == 0 && (mode.c_lflag & (ICANON | ECHO)) == (ICANON | ECHO);
    readAvailable(0);
    ::close(master);
    ::close(slave);
    return status;
}

TEST_F(WindowStartTest, PauseTakesAnyKeyOnATerminalAndRestoresIt) {
    struct Case {
        const char* what;
        std::string type;
    };
    const Case cases[] = {{"a letter, no Enter", "z"}, {"Ctrl+C", "\x03"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bool restored = false;
        std::string shown;
        const int status =
            RunOnTerminal(env(), {"-q", "-i", "missing.pic", "-p"}, c.type, &restored, &shown);
        EXPECT_NE(shown.find("Press any key to exit."), std::string::npos) << shown;
        ASSERT_NE(status, -1) << "still waiting after the key";
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_TRUE(restored);
        // Nothing typed is echoed back.
        EXPECT_EQ(shown.find('z', shown.find("Press any key")), std::string::npos);
    }
}

} // namespace
} // namespace dravik
