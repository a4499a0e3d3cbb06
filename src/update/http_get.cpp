#include "update/http_get.h"

#include "platform/tcp_socket.h"

#include <array>
#include <chrono>
#include <cstring>

namespace dravik {
namespace {

constexpr size_t kBufferSize = 2048;
constexpr const char* kDefaultUserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; en)";

std::optional<int> ReadPort(const std::string& text) {
    if (text.empty() || text.size() > 5)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535)
        return std::nullopt;
    return value;
}

// A bracketed IPv6 literal keeps its brackets in the Host line; the resolver
// wants the address alone.
std::string ResolvableHost(const std::string& host) {
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        return host.substr(1, host.size() - 2);
    return host;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The text between the end of the headers and the next blank line, if any.
std::string_view BodyOf(std::string_view response) {
    size_t start = response.find("\r\n\r\n");
    if (start == std::string_view::npos)
        return {};
    start += 4;
    size_t end = response.find("\r\n\r\n", start);
    return response.substr(start,
                           end == std::string_view::npos ? std::string_view::npos : end - start);
}

std::string TrimmedPrefix(std::string_view text, size_t count) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;
    return std::string(text.substr(first, std::min(count, last - first)));
}

} // namespace

std::optional<UrlParts> SplitUpdateUrl(const std::string& url) {
    size_t schemeEnd = url.find("://");
    std::string rest = schemeEnd == std::string::npos ? url : url.substr(schemeEnd + 3);
    size_t authorityEnd = rest.find_first_of("/?#");
    std::string authority = rest.substr(0, authorityEnd);
    std::string pathPart = authorityEnd == std::string::npos ? "" : rest.substr(authorityEnd);
    if (!pathPart.empty() && pathPart.front() == '/')
        pathPart.erase(0, 1);

    size_t at = authority.rfind('@');
    if (at != std::string::npos)
        authority.erase(0, at + 1);

    UrlParts parts;
    parts.path = "/" + pathPart;
    size_t colon = std::string::npos;
    if (!authority.empty() && authority.front() == '[') {
        size_t close = authority.find(']');
        if (close == std::string::npos)
            return std::nullopt;
        if (close + 1 < authority.size()) {
            if (authority[close + 1] != ':')
                return std::nullopt;
            colon = close + 1;
        }
    } else {
        colon = authority.find(':');
    }
    parts.host = authority.substr(0, colon);
    if (colon != std::string::npos) {
        auto port = ReadPort(authority.substr(colon + 1));
        if (!port)
            return std::nullopt;
        parts.port = *port;
    }
    if (parts.host.empty())
        return std::nullopt;
    return parts;
}

std::string UpdateRequestText(const UrlParts& parts, const std::string& userAgent) {
    return "GET " + parts.path + " HTTP/1.0\r\n" + "Host: " + parts.host + "\r\n" +
           "Accept: */*\r\n" + "User-Agent: " + userAgent + "\r\n" + "Connection: close\r\n\r\n";
}

std::string HttpAnswerText(std::string_view received) {
    // The answer is read as text: a NUL ends it.
    const std::string_view response = received.substr(0, received.find('\0'));
    return TrimmedPrefix(BodyOf(response), 3);
}

std::string HttpGetText(const std::string& url, const std::string& userAgent) {
    return HttpGetText(url, userAgent, HttpLimits{});
}

std::string HttpGetText(const std::string& url, const std::string& userAgent,
                        const HttpLimits& limits) {
    if (url.empty())
        return {};
    auto parts = SplitUpdateUrl(url);
    if (!parts)
        return {};
    const std::string agent = userAgent.empty() ? kDefaultUserAgent : userAgent;
    const auto limit = std::chrono::milliseconds(limits.totalMs);

    std::array<char, kBufferSize> buffer{};
    {
        NetDeadline connectDeadline = NetClock::now() + limit;
        SocketFd socket = ConnectTcp(ResolvableHost(parts->host), parts->port, connectDeadline);
        if (!socket.valid())
            return {};
        if (!SendAll(socket, UpdateRequestText(*parts, agent), connectDeadline))
            return {};

        // Chunks are joined one after the other until the buffer is full: a
        // server that writes its headers and its body separately (most do)
        // would otherwise leave only the body, and a good answer would read
        // as a failed one.
        const NetDeadline answerDeadline = NetClock::now() + limit;
        size_t filled = 0;
        for (;;) {
            WaitResult waited = WaitReadable(socket, limits.waitStepMs);
            if (waited == WaitResult::Failed)
                break;
            if (waited == WaitResult::Readable) {
                ssize_t n = Receive(socket, buffer.data(), buffer.size());
                while (n > 0) {
                    filled += static_cast<size_t>(n);
                    if (filled == buffer.size())
                        break;
                    // A peer that sends a little and then keeps the line open
                    // (or trickles on) must not hold us past the limit.
                    if (NetClock::now() >= answerDeadline ||
                        WaitReadable(socket, MillisecondsLeft(answerDeadline)) !=
                            WaitResult::Readable)
                        break;
                    n = Receive(socket, buffer.data() + filled, buffer.size() - filled);
                }
                break;
            }
            if (NetClock::now() > answerDeadline)
                break;
        }
    }

    return HttpAnswerText(std::string_view(buffer.data(), buffer.size()));
}

} // namespace dravik
