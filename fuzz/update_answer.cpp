// The update check: what a server answers, read from the bytes the socket
// delivered, and the verdict on it. The update address (from the
// environment) goes through the address splitter too.

#include "update/http_get.h"
#include "update/update_check.h"

#include <cstdlib>

using namespace dravik;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string received(reinterpret_cast<const char*>(data), size);
    const std::string text = HttpAnswerText(received);
    if (text.size() > 3)
        std::abort();
    (void)UpdateAnswerVersion(text);
    (void)JudgeUpdateAnswer(text);

    if (std::optional<UrlParts> parts = SplitUpdateUrl(received)) {
        if (parts->host.empty() || !parts->path.starts_with("/") || parts->port < 1 ||
            parts->port > 65535)
            std::abort();
        (void)UpdateRequestText(*parts, "");
    }
    return 0;
}
