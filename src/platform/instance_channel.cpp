#include "platform/instance_channel.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace dravik {
namespace {

// A message is one short line; anything longer is not ours.
constexpr size_t kMaxMessage = 4096;
constexpr int kTimeoutMs = 1000;

bool MakeAddress(const std::string& path, sockaddr_un* address) {
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address->sun_path)
        return false;
    std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
    return true;
}

class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

bool WaitFor(int fd, short events) {
    pollfd p{fd, events, 0};
    int rc = 0;
    do {
        rc = ::poll(&p, 1, kTimeoutMs);
    } while (rc < 0 && errno == EINTR);
    return rc > 0;
}

} // namespace

std::string FormatInstanceMessage(const InstanceMessage& message) {
    if (message.verb.empty() || message.verb.find_first_of(" \r\n") != std::string::npos ||
        message.argument.find_first_of("\r\n") != std::string::npos)
        return {};
    std::string line = message.verb;
    if (!message.argument.empty())
        line += " " + message.argument;
    return line + "\n";
}

std::optional<InstanceMessage> ParseInstanceMessage(std::string_view line) {
    if (!line.empty() && line.back() == '\n')
        line.remove_suffix(1);
    if (line.empty() || line.find_first_of("\r\n") != std::string_view::npos)
        return std::nullopt;
    const size_t blank = line.find(' ');
    InstanceMessage message;
    message.verb = std::string(line.substr(0, blank));
    if (blank != std::string_view::npos)
        message.argument = std::string(line.substr(blank + 1));
    if (message.verb.empty())
        return std::nullopt;
    for (char c : message.verb) {
        if (c < 'A' || c > 'Z')
            return std::nullopt;
    }
    return message;
}

bool SendInstanceMessage(const std::string& path, const InstanceMessage& message) {
    const std::string line = FormatInstanceMessage(message);
    sockaddr_un address{};
    if (line.empty() || !MakeAddress(path, &address))
        return false;
    Fd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (socket.get() < 0)
        return false;
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        // A full backlog: the instance is busy; give it a moment.
        if (errno != EAGAIN && errno != EINPROGRESS)
            return false;
        if (!WaitFor(socket.get(), POLLOUT))
            return false;
        int error = 0;
        socklen_t size = sizeof error;
        if (::getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0)
            return false;
    }
    size_t sent = 0;
    while (sent < line.size()) {
        const ssize_t n =
            ::send(socket.get(), line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            if (!WaitFor(socket.get(), POLLOUT))
                return false;
        } else {
            return false;
        }
    }
    return true;
}

InstanceListener::~InstanceListener() {
    close();
}

bool InstanceListener::listen(const std::string& path) {
    close();
    sockaddr_un address{};
    if (!MakeAddress(path, &address))
        return false;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode))
        ::unlink(path.c_str());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 8) != 0) {
        ::close(fd);
        return false;
    }
    ::chmod(path.c_str(), 0600);
    fd_ = fd;
    path_ = path;
    return true;
}

void InstanceListener::close() {
    if (fd_ < 0)
        return;
    ::close(fd_);
    ::unlink(path_.c_str());
    fd_ = -1;
    path_.clear();
}

std::optional<InstanceMessage> InstanceListener::accept() {
    if (fd_ < 0)
        return std::nullopt;
    Fd client(::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
    if (client.get() < 0)
        return std::nullopt;
    std::string line;
    char buffer[256];
    bool closed = false;
    while (!closed && line.find('\n') == std::string::npos && line.size() <= kMaxMessage) {
        const ssize_t n = ::read(client.get(), buffer, sizeof buffer);
        if (n > 0) {
            line.append(buffer, static_cast<size_t>(n));
        } else if (n == 0) {
            closed = true; // the sender is done: what came is the message
        } else if (errno == EINTR) {
            continue;
        } else if (errno != EAGAIN || !WaitFor(client.get(), POLLIN)) {
            return std::nullopt;
        }
    }
    const size_t end = std::min(line.find('\n'), line.size());
    if (end > kMaxMessage || (end == line.size() && !closed))
        return std::nullopt;
    return ParseInstanceMessage(std::string_view(line).substr(0, end));
}

} // namespace dravik
