// A private folder for one run's intermediate files: made with mode 0700
// under $TMPDIR (else /tmp), removed with its content when the owner ends.
#pragma once

#include <string>

namespace dravik {

class PrivateTempFolder {
public:
    PrivateTempFolder();
    ~PrivateTempFolder();
    PrivateTempFolder(const PrivateTempFolder&) = delete;
    PrivateTempFolder& operator=(const PrivateTempFolder&) = delete;

    bool ok() const { return !path_.empty(); }
    // Ends in "/"; empty when the folder could not be made.
    const std::string& path() const { return path_; }
    // A new file name inside the folder, never handed out before.
    std::string uniquePath(const std::string& suffix);

private:
    std::string path_;
    unsigned long counter_ = 0;
};

} // namespace dravik
