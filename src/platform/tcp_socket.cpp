#include "platform/tcp_socket.h"

#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <poll.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace dravik {
namespace {

// What a lookup thread hands back. The thread holds its own reference, so
// the state outlives a caller that stopped waiting.
struct LookupState {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool ok = false;
    std::vector<ResolvedAddress> addresses;
};

std::optional<std::vector<ResolvedAddress>> Lookup(const std::string& host,
                                                   const std::string& service, int extraFlags) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV | extraFlags;
    addrinfo* list = nullptr;
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &list) != 0 || list == nullptr)
        return std::nullopt;
    std::vector<ResolvedAddress> result;
    for (addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_addr == nullptr || entry->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        ResolvedAddress address;
        std::memcpy(&address.address, entry->ai_addr, entry->ai_addrlen);
        address.length = entry->ai_addrlen;
        address.family = entry->ai_family;
        address.socketType = entry->ai_socktype;
        address.protocol = entry->ai_protocol;
        result.push_back(address);
    }
    freeaddrinfo(list);
    if (result.empty())
        return std::nullopt;
    return result;
}

// poll() on one descriptor, restarted after signals with the time that is
// left. Returns the revents, 0 on timeout, -1 on failure.
int PollOne(int fd, short events, NetDeadline deadline) {
    for (;;) {
        pollfd entry{fd, events, 0};
        int ready = ::poll(&entry, 1, MillisecondsLeft(deadline));
        if (ready > 0)
            return entry.revents;
        if (ready == 0)
            return 0;
        if (errno != EINTR)
            return -1;
    }
}

SocketFd ConnectOne(const ResolvedAddress& address, NetDeadline deadline) {
    SocketFd socket(::socket(address.family, address.socketType | SOCK_NONBLOCK | SOCK_CLOEXEC,
                             address.protocol));
    if (!socket.valid())
        return {};
    const auto* target = reinterpret_cast<const sockaddr*>(&address.address);
    if (::connect(socket.get(), target, address.length) == 0)
        return socket;
    if (errno != EINPROGRESS && errno != EINTR)
        return {};
    int events = PollOne(socket.get(), POLLOUT, deadline);
    if (events <= 0)
        return {};
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0)
        return {};
    return socket;
}

} // namespace

int MillisecondsLeft(NetDeadline deadline) {
    auto left = deadline - NetClock::now();
    if (left <= NetClock::duration::zero())
        return 0;
    auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

SocketFd& SocketFd::operator=(SocketFd&& other) noexcept {
    if (this != &other)
        reset(other.release());
    return *this;
}

int SocketFd::release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
}

void SocketFd::reset(int fd) {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
}

std::optional<std::vector<ResolvedAddress>> ResolveTcp(const std::string& host, int port,
                                                       NetDeadline deadline) {
    if (host.empty() || port < 1 || port > 65535)
        return std::nullopt;
    // A literal address never asks a name server, so it needs no thread.
    if (auto numeric = Lookup(host, std::to_string(port), AI_NUMERICHOST))
        return numeric;
    return ResolveTcp(host, port, deadline,
                      [](const std::string& name, const std::string& service) {
                          return Lookup(name, service, 0);
                      });
}

std::optional<std::vector<ResolvedAddress>> ResolveTcp(const std::string& host, int port,
                                                       NetDeadline deadline, HostLookup lookup) {
    if (host.empty() || port < 1 || port > 65535 || !lookup)
        return std::nullopt;
    auto state = std::make_shared<LookupState>();
    try {
        // The thread owns copies of everything it reads and a reference to
        // the state, so it may finish long after we stopped waiting.
        std::thread([state, host, service = std::to_string(port), lookup = std::move(lookup)] {
            std::optional<std::vector<ResolvedAddress>> found;
            try {
                found = lookup(host, service);
            } catch (...) {
                found.reset();
            }
            std::lock_guard lock(state->mutex);
            state->ok = found.has_value();
            if (found)
                state->addresses = std::move(*found);
            state->finished = true;
            state->done.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return std::nullopt;
    }
    std::unique_lock lock(state->mutex);
    if (!state->done.wait_until(lock, deadline, [&] { return state->finished; }))
        return std::nullopt;
    if (!state->ok)
        return std::nullopt;
    return std::move(state->addresses);
}

SocketFd ConnectTcp(const std::string& host, int port, NetDeadline deadline) {
    auto addresses = ResolveTcp(host, port, deadline);
    if (!addresses)
        return {};
    for (const ResolvedAddress& address : *addresses) {
        if (NetClock::now() >= deadline)
            break;
        SocketFd socket = ConnectOne(address, deadline);
        if (socket.valid())
            return socket;
    }
    return {};
}

bool SendAll(const SocketFd& socket, std::string_view data, NetDeadline deadline) {
    size_t sent = 0;
    while (sent < data.size()) {
        ssize_t n = ::send(socket.get(), data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            int events = PollOne(socket.get(), POLLOUT, deadline);
            if (events <= 0 || (events & (POLLERR | POLLHUP | POLLNVAL)) != 0)
                return false;
            continue;
        }
        return false;
    }
    return true;
}

WaitResult WaitReadable(const SocketFd& socket, int timeoutMs) {
    if (!socket.valid())
        return WaitResult::Failed;
    int events =
        PollOne(socket.get(), POLLIN, NetClock::now() + std::chrono::milliseconds(timeoutMs));
    if (events < 0 || (events & POLLNVAL) != 0)
        return WaitResult::Failed;
    return events == 0 ? WaitResult::TimedOut : WaitResult::Readable;
}

ssize_t Receive(const SocketFd& socket, char* buffer, size_t size) {
    for (;;) {
        ssize_t n = ::recv(socket.get(), buffer, size, 0);
        if (n >= 0 || errno != EINTR)
            return n < 0 ? -1 : n;
    }
}

} // namespace dravik
