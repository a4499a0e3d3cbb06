#include "platform/stop_signals.h"

#include <gtest/gtest.h>

#include <csignal>
#include <poll.h>

namespace dravik {
namespace {

bool Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1;
}

TEST(StopSignalsTest, KeepsTheFirstSignalAndWakesThePipe) {
    ASSERT_TRUE(InstallStopSignals({SIGTERM, SIGHUP}));
    ResetStopSignals();
    EXPECT_EQ(CaughtStopSignal(), 0);
    EXPECT_FALSE(Readable(StopSignalFd()));

    ::raise(SIGTERM);
    ::raise(SIGHUP);
    EXPECT_EQ(CaughtStopSignal(), SIGTERM);
    EXPECT_TRUE(Readable(StopSignalFd()));

    ResetStopSignals();
    EXPECT_EQ(CaughtStopSignal(), 0);
    EXPECT_FALSE(Readable(StopSignalFd()));
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGHUP, SIG_DFL);
}

TEST(StopSignalsTest, SignalsIgnoredAtStartStayIgnored) {
    ::signal(SIGHUP, SIG_IGN);
    ::signal(SIGTERM, SIG_DFL);
    ASSERT_TRUE(InstallStopSignalsUnlessIgnored({SIGTERM, SIGHUP}));
    ResetStopSignals();
    ::raise(SIGHUP); // ignored: nothing happens
    EXPECT_EQ(CaughtStopSignal(), 0);
    ::raise(SIGTERM);
    EXPECT_EQ(CaughtStopSignal(), SIGTERM);
    ResetStopSignals();
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGHUP, SIG_DFL);
}

} // namespace
} // namespace dravik
