#include "platform/temp_folder.h"

#include "platform/paths.h"

#include <filesystem>
#include <stdlib.h>

namespace dravik {

PrivateTempFolder::PrivateTempFolder() {
    std::string pattern = TempFolder() + "dravik-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr)
        path_ = pattern + "/";
}

PrivateTempFolder::~PrivateTempFolder() {
    if (path_.empty())
        return;
    std::error_code ec;
    // Only this run wrote here, so everything inside is ours to remove.
    std::filesystem::remove_all(path_, ec);
}

std::string PrivateTempFolder::uniquePath(const std::string& suffix) {
    return path_ + std::to_string(++counter_) + suffix;
}

} // namespace dravik
