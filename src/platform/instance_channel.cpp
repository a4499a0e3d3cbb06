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

// A line holds one path at most (PATH_MAX bytes, three times that when
// every byte is escaped); a batch holds the paths a file manager passes for
// one selection. Anything longer is not ours.
constexpr size_t kMaxLine = 64 * 1024;
constexpr size_t kMaxBatch = 16 * 1024 * 1024;
constexpr int kTimeoutMs = 1000;

bool Escaped(unsigned char c) {
    return c == '%' || c < 0x20 || c == 0x7F;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<std::string> Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        const int high = HexValue(text[i + 1]);
        const int low = HexValue(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

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
    if (message.verb.empty())
        return {};
    for (char c : message.verb) {
        if (c < 'A' || c > 'Z')
            return {};
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string line = message.verb;
    if (!message.argument.empty()) {
        line += ' ';
        for (char c : message.argument) {
            const auto byte = static_cast<unsigned char>(c);
            if (Escaped(byte)) {
                line += '%';
                line += kHex[byte >> 4];
                line += kHex[byte & 0x0F];
            } else {
                line += c;
            }
        }
    }
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
    if (blank != std::string_view::npos) {
        std::optional<std::string> argument = Unescape(line.substr(blank + 1));
        if (!argument)
            return std::nullopt;
        message.argument = std::move(*argument);
    }
    if (message.verb.empty())
        return std::nullopt;
    for (char c : message.verb) {
        if (c < 'A' || c > 'Z')
            return std::nullopt;
    }
    return message;
}

std::vector<InstanceMessage> ParseInstanceBatch(std::string_view batch) {
    std::vector<InstanceMessage> messages;
    while (!batch.empty()) {
        const size_t end = std::min(batch.find('\n'), batch.size());
        if (end > kMaxLine)
            return {};
        std::optional<InstanceMessage> message = ParseInstanceMessage(batch.substr(0, end));
        if (!message)
            return {};
        messages.push_back(std::move(*message));
        batch.remove_prefix(std::min(end + 1, batch.size()));
    }
    return messages;
}

bool SendInstanceMessage(const std::string& path, const InstanceMessage& message) {
    return SendInstanceMessages(path, std::span<const InstanceMessage>(&message, 1));
}

bool SendInstanceMessages(const std::string& path, std::span<const InstanceMessage> messages) {
    std::string line; // the whole batch
    for (const InstanceMessage& message : messages) {
        const std::string one = FormatInstanceMessage(message);
        if (one.empty())
            return false;
        line += one;
    }
    sockaddr_un address{};
    if (line.empty() || line.size() > kMaxBatch || !MakeAddress(path, &address))
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

std::vector<InstanceMessage> InstanceListener::accept() {
    if (fd_ < 0)
        return {};
    Fd client(::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
    if (client.get() < 0)
        return {};
    std::string batch;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(client.get(), buffer, sizeof buffer);
        if (n > 0) {
            batch.append(buffer, static_cast<size_t>(n));
            if (batch.size() > kMaxBatch)
                return {};
        } else if (n == 0) {
            break; // the sender is done: what came is the batch
        } else if (errno == EINTR) {
            continue;
        } else if (errno != EAGAIN || !WaitFor(client.get(), POLLIN)) {
            return {};
        }
    }
    return ParseInstanceBatch(batch);
}

} // namespace dravik
