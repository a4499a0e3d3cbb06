// A small TCP client layer over POSIX sockets. Every call that could wait
// on the network is bounded by a deadline: a dead name server, a host that
// drops SYNs or a peer that never reads must not hang the caller.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <sys/types.h>
#include <vector>

namespace dravik {

using NetClock = std::chrono::steady_clock;
using NetDeadline = NetClock::time_point;

// Milliseconds from now until the deadline, 0 once it has passed; rounded up
// so that a poll never wakes just before the deadline and spins.
int MillisecondsLeft(NetDeadline deadline);

// Owns one file descriptor and closes it when it goes.
class SocketFd {
  public:
    SocketFd() = default;
    explicit SocketFd(int fd) : fd_(fd) {}
    ~SocketFd() { reset(); }
    SocketFd(SocketFd&& other) noexcept : fd_(other.release()) {}
    SocketFd& operator=(SocketFd&& other) noexcept;
    SocketFd(const SocketFd&) = delete;
    SocketFd& operator=(const SocketFd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release();
    void reset(int fd = -1);

  private:
    int fd_ = -1;
};

struct ResolvedAddress {
    sockaddr_storage address{};
    socklen_t length = 0;
    int family = 0;
    int socketType = 0;
    int protocol = 0;
};

// The stream addresses of host:port, or nullopt when the name does not
// resolve before the deadline. The lookup itself cannot be cancelled, so a
// slow one runs on in the background and its answer is dropped.
std::optional<std::vector<ResolvedAddress>> ResolveTcp(const std::string& host, int port,
                                                       NetDeadline deadline);

// The same with the blocking lookup supplied by the caller (the system's is
// getaddrinfo); it runs on its own thread, which may outlive the call.
using HostLookup = std::function<std::optional<std::vector<ResolvedAddress>>(
    const std::string& host, const std::string& service)>;
std::optional<std::vector<ResolvedAddress>> ResolveTcp(const std::string& host, int port,
                                                       NetDeadline deadline, HostLookup lookup);

// A connected, non-blocking socket to the first address of host:port that
// answers before the deadline; an invalid one when none does.
SocketFd ConnectTcp(const std::string& host, int port, NetDeadline deadline);

// Writes all of data, or false when the peer fails or the deadline passes.
bool SendAll(const SocketFd& socket, std::string_view data, NetDeadline deadline);

enum class WaitResult { Readable, TimedOut, Failed };

// Readable also covers end of stream and a pending error: in both cases the
// next Receive returns at once (0 or -1).
WaitResult WaitReadable(const SocketFd& socket, int timeoutMs);

// One recv(): the byte count, 0 at end of stream, -1 on error (also when no
// data is waiting; call WaitReadable first).
ssize_t Receive(const SocketFd& socket, char* buffer, size_t size);

} // namespace dravik
