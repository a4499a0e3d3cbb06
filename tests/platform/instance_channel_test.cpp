#include "platform/instance_channel.h"
#include "platform/instance_lock.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace dravik {
namespace {

using test::TempDir;

bool Readable(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) == 1;
}

TEST(InstanceMessageTest, LinesAndMessagesMapBothWays) {
    struct Case {
        InstanceMessage message;
        std::string line;
    };
    const Case cases[] = {
        {{"RAISE", ""}, "RAISE\n"},
        {{"OPEN", "/home/u/a b.pic"}, "OPEN /home/u/a b.pic\n"},
        {{"OPEN", " leading blank"}, "OPEN  leading blank\n"},
        // Bytes that would break the line, and the escape byte itself.
        {{"OPEN", "/a\nRAISE"}, "OPEN /a%0ARAISE\n"},
        {{"OPEN", "/100%\r\t\x7F.pic"}, "OPEN /100%25%0D%09%7F.pic\n"},
        {{"OPEN", "/Bilder/Kälte 日本.pict"}, "OPEN /Bilder/Kälte 日本.pict\n"},
        {{"OPEN", "/x\xFF\x80"}, "OPEN /x\xFF\x80\n"}, // not UTF-8: bytes as they are
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatInstanceMessage(c.message), c.line);
        EXPECT_EQ(ParseInstanceMessage(c.line), c.message) << c.line;
    }
}

TEST(InstanceMessageTest, RefusesWhatIsNoMessage) {
    for (const char* line : {"", "\n", "raise", " RAISE", "RAISE\r", "RA1SE", "A\nB", "OPEN %",
                             "OPEN a%4", "OPEN %G0", "OPEN %%41"})
        EXPECT_FALSE(ParseInstanceMessage(line)) << line;
    EXPECT_EQ(ParseInstanceMessage("OPEN %4a%4A"), (InstanceMessage{"OPEN", "JJ"}));
    EXPECT_EQ(FormatInstanceMessage({"", "x"}), "");
    EXPECT_EQ(FormatInstanceMessage({"open", "x"}), "");
}

TEST(InstanceListenerTest, ReceivesRequestsAndRemovesItsSocket) {
    TempDir dir;
    const std::string path = dir.file("test.sock");
    EXPECT_FALSE(SendInstanceMessage(path, {kRaiseRequest, ""})); // nobody listens
    {
        InstanceListener listener;
        ASSERT_TRUE(listener.listen(path));
        EXPECT_FALSE(Readable(listener.fd(), 0));
        ASSERT_TRUE(SendInstanceMessage(path, {kRaiseRequest, ""}));
        // One batch keeps its order; a path with a line break stays one path.
        const std::vector<InstanceMessage> batch = {{kOpenRequest, "/tmp/x.pic"},
                                                    {kOpenRequest, "/tmp/two\nlines.pic"},
                                                    {kRaiseRequest, ""}};
        ASSERT_TRUE(SendInstanceMessages(path, batch));
        ASSERT_TRUE(Readable(listener.fd(), 1000));
        EXPECT_EQ(listener.accept(), (std::vector<InstanceMessage>{{kRaiseRequest, ""}}));
        EXPECT_EQ(listener.accept(), batch);
        EXPECT_TRUE(listener.accept().empty()); // nothing waiting: no block
    }
    EXPECT_NE(::access(path.c_str(), F_OK), 0);
}

TEST(InstanceListenerTest, ASilentOrNoisyClientGivesNoMessage) {
    TempDir dir;
    const std::string path = dir.file("test.sock");
    InstanceListener listener;
    ASSERT_TRUE(listener.listen(path));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    auto connectAndSend = [&](const std::string& bytes) {
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        if (!bytes.empty()) {
            EXPECT_GT(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), 0);
        }
        ::close(fd);
    };
    connectAndSend("");
    EXPECT_TRUE(listener.accept().empty());
    connectAndSend(std::string(70000, 'A'));
    EXPECT_TRUE(listener.accept().empty());
    // One bad line spoils the batch: half a request is not acted on.
    connectAndSend("OPEN /a.pic\nOPEN %ZZ\n");
    EXPECT_TRUE(listener.accept().empty());
    connectAndSend("RAISE"); // closed without a line end still counts as the line
    EXPECT_EQ(listener.accept(), (std::vector<InstanceMessage>{{kRaiseRequest, ""}}));
}

TEST(InstanceListenerTest, ReplacesASocketLeftByACrashButNoOtherFile) {
    TempDir dir;
    const std::string path = dir.file("left.sock");
    {
        InstanceListener first;
        ASSERT_TRUE(first.listen(path));
        // A crash would leave the file behind: take it over while it exists.
        InstanceListener second;
        EXPECT_TRUE(second.listen(path));
    }
    const std::string plain = dir.write("plain.sock", "keep");
    InstanceListener listener;
    EXPECT_FALSE(listener.listen(plain));
    EXPECT_EQ(test::ReadFileText(plain), "keep");
    EXPECT_FALSE(listener.listen(dir.file(std::string(200, 'x'))));
}

// The guard looks in $XDG_RUNTIME_DIR, then in the temp folder.
class InstanceLockTest : public testing::Test {
  protected:
    void SetUp() override {
        saveRuntime_ = Get("XDG_RUNTIME_DIR");
        saveTemp_ = Get("TMPDIR");
    }
    void TearDown() override {
        Put("XDG_RUNTIME_DIR", saveRuntime_);
        Put("TMPDIR", saveTemp_);
    }
    static std::string Get(const char* name) {
        const char* v = std::getenv(name);
        return v == nullptr ? std::string("\x01") : v;
    }
    static void Put(const char* name, const std::string& value) {
        if (value == "\x01")
            ::unsetenv(name);
        else
            ::setenv(name, value.c_str(), 1);
    }
    // Holds a lock the way another process would (flock locks belong to the open file).
    static int HoldElsewhere(const std::string& path) {
        int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
        return fd;
    }

    TempDir runtime, temp;
    std::string saveRuntime_, saveTemp_;
};

TEST_F(InstanceLockTest, FallsBackToTheTempFolderThenRunsUnguarded) {
    struct Case {
        std::string runtimeDir, tempDir;
        std::string expected; // the lock's folder; empty: unguarded
    };
    const std::string missing = runtime.path() + "missing/";
    const std::string aFile = runtime.write("file", "x") + "/";
    const Case cases[] = {
        {runtime.path(), temp.path(), runtime.path()},
        {missing, temp.path(), temp.path()},
        {aFile, temp.path(), temp.path()},
        {"\x01", temp.path(), temp.path()},
        {missing, aFile, ""},
    };
    for (const Case& c : cases) {
        Put("XDG_RUNTIME_DIR", c.runtimeDir);
        Put("TMPDIR", c.tempDir);
        InstanceLock lock;
        EXPECT_TRUE(lock.acquire("Tolvenor Dravik 3.1")) << c.runtimeDir;
        EXPECT_EQ(lock.held(), !c.expected.empty()) << c.runtimeDir;
        EXPECT_EQ(lock.path(), c.expected.empty() ? "" : c.expected + "Tolvenor Dravik 3.1.lock");
    }
}

TEST_F(InstanceLockTest, RefusesOnlyWhenAnotherHolderHasIt) {
    Put("XDG_RUNTIME_DIR", runtime.path() + "missing/");
    Put("TMPDIR", temp.path());
    const std::string held = InstanceLock::LockPath(temp.path(), "a/b");
    EXPECT_EQ(held, temp.path() + "a_b.lock");
    int other = HoldElsewhere(held);
    InstanceLock lock;
    EXPECT_FALSE(lock.acquire("a/b"));
    EXPECT_FALSE(lock.held());
    EXPECT_EQ(lock.channelPath(), temp.path() + "a_b.sock");
    ::close(other);
    EXPECT_TRUE(lock.acquire("a/b"));
    EXPECT_TRUE(lock.held());
}

} // namespace
} // namespace dravik
