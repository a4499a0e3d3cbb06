// Requests of later starts as the running window reads them from its
// socket: any local process of the user can write there.

#include "platform/instance_channel.h"

#include <cstdlib>
#include <string>
#include <string_view>

using namespace dravik;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view batch(reinterpret_cast<const char*>(data), size);
    const std::vector<InstanceMessage> messages = ParseInstanceBatch(batch);
    // What was read is sent again unchanged: every message formats to one
    // line that reads back as itself, whatever bytes its path holds.
    std::string again;
    for (const InstanceMessage& message : messages) {
        const std::string line = FormatInstanceMessage(message);
        if (line.empty() || line.find('\n') != line.size() - 1)
            std::abort();
        if (ParseInstanceMessage(line) != message)
            std::abort();
        again += line;
    }
    if (ParseInstanceBatch(again) != messages)
        std::abort();
    return 0;
}
