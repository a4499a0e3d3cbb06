// Fetching the few characters of the update file over plain HTTP/1.0.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dravik {

struct HttpLimits {
    int totalMs = 10000; // for connecting, and again for the answer
    int waitStepMs = 20; // how long each look for incoming data may wait
};

struct UrlParts {
    std::string host;
    std::string path; // always begins with "/"
    int port = 80;
};

// Host, path and port of url. Whatever precedes "://" is dropped: the update
// file is always fetched over plain TCP. Nullopt for an empty host or a port
// that is not a number from 1 to 65535.
std::optional<UrlParts> SplitUpdateUrl(const std::string& url);

// The request line and headers, Host without the port.
std::string UpdateRequestText(const UrlParts& parts, const std::string& userAgent);

// What HttpGetText makes of the bytes a server sent: the first three
// characters of the body (cut at a NUL, ending at the next blank line),
// blanks trimmed; "" without a blank line after the headers.
std::string HttpAnswerText(std::string_view received);

// The first three characters of the answer's body, blanks trimmed; "" when
// anything fails. An empty userAgent sends a common browser's.
std::string HttpGetText(const std::string& url, const std::string& userAgent);
std::string HttpGetText(const std::string& url, const std::string& userAgent,
                        const HttpLimits& limits);

} // namespace dravik
