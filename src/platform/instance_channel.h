// Requests from a later start to the running instance, over a local socket
// beside the lock file. Each connection carries one batch of messages, one
// line each: a word naming the request and, for requests that need one, a
// blank and an argument ("RAISE", "OPEN <path>"). A path may hold any byte
// but NUL, so the argument travels percent-encoded: "%", control bytes and
// DEL become "%XX"; blanks and non-ASCII bytes go as they are.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dravik {

struct InstanceMessage {
    std::string verb;     // upper-case word, "RAISE"
    std::string argument; // decoded; may be empty
    bool operator==(const InstanceMessage&) const = default;
};

inline constexpr const char kRaiseRequest[] = "RAISE";
inline constexpr const char kOpenRequest[] = "OPEN"; // argument: an absolute path

// The line sent for a message, "\n" included; empty when the verb is no
// upper-case word.
std::string FormatInstanceMessage(const InstanceMessage& message);
// A received line (with or without its "\n"); empty when it is no message
// (a raw line break or a broken "%" escape included).
std::optional<InstanceMessage> ParseInstanceMessage(std::string_view line);

// A received batch: the messages of its lines in order (a last line may lack
// its "\n"); nothing at all when any line is no message or is too long.
std::vector<InstanceMessage> ParseInstanceBatch(std::string_view batch);

// Sends the messages, in order, as one batch to the instance listening on
// `path`. False when nobody listens there or the batch could not be written
// with a second's patience for each stall.
bool SendInstanceMessages(const std::string& path, std::span<const InstanceMessage> messages);
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
    // Takes one waiting connection and reads its batch to the end. Never
    // blocks for long: a client that stalls for a second, sends nothing, too
    // much, or a line that is no message gives no messages at all.
    std::vector<InstanceMessage> accept();

  private:
    int fd_ = -1;
    std::string path_;
};

} // namespace dravik
