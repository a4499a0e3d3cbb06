#include "platform/temp_folder.h"

#include "platform/paths.h"

#include <cerrno>
#include <filesystem>
#include <stdlib.h>

namespace dravik {

std::vector<std::string> TempFolderCandidates() {
    std::vector<std::string> folders;
    std::string own = EnvironmentFolder("TMPDIR");
    if (!own.empty() && own != "/tmp/")
        folders.push_back(own);
    // A $TMPDIR that is gone or read-only must not fail every file.
    folders.emplace_back("/tmp/");
    return folders;
}

PrivateTempFolder::PrivateTempFolder() : PrivateTempFolder(TempFolderCandidates()) {}

PrivateTempFolder::PrivateTempFolder(const std::vector<std::string>& candidates) {
    for (const std::string& folder : candidates) {
        std::string pattern = WithTrailingSlash(folder) + "dravik-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern + "/";
            failedFolder_.clear();
            error_ = 0;
            return;
        }
        failedFolder_ = folder;
        error_ = errno;
    }
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
