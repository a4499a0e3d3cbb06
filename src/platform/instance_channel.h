// Requests from a later start to the running instance, over a local socket
// beside the lock file. Each connection carries one message: a line of text,
// a word naming the request and, for requests that need one, a blank and an
// argument ("RAISE" today; "OPEN <path>" fits the same shape).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dravik {

struct InstanceMessage {
    std::string verb;     // upper-case word, "RAISE"
    std::string argument; // the rest of the line after one blank; may be empty
    bool operator==(const InstanceMessage&) const = default;
};

inline constexpr const char kRaiseRequest[] = "RAISE";

// The line sent for a message, "\n" included. Line breaks in the argument
// would end the message early, so they are not allowed (empty result).
std::string FormatInstanceMessage(const InstanceMessage& message);
// A received line (with or without its "\n"); empty when it is no message.
std::optional<InstanceMessage> ParseInstanceMessage(std::string_view line);

// Sends one message to the instance listening on `path`. False when nobody
// listens there or the message could not be written within a second.
bool SendInstanceMessage(const std::string& path, const InstanceMessage& message);

// The running instance's end: a listening socket, removed again when the
// object goes. Only the holder of the lock may listen, so a socket file
// already at the path is left over from a crash and is replaced.
class InstanceListener {
  public:
    InstanceListener() = default;
    ~InstanceListener();
    InstanceListener(const InstanceListener&) = delete;
    InstanceListener& operator=(const InstanceListener&) = delete;

    bool listen(const std::string& path);
    void close();
    // Readable when a request is waiting; -1 when not listening.
    int fd() const { return fd_; }
    // Takes one waiting connection and reads its message. Never blocks for
    // long: a client that sends nothing or too much gives no message.
    std::optional<InstanceMessage> accept();

  private:
    int fd_ = -1;
    std::string path_;
};

} // namespace dravik
