// A private folder for one run's intermediate files: made with mode 0700
// under $TMPDIR, else (unset, missing or unwritable) under /tmp, and removed
// with its content when the owner ends.
#pragma once

#include <atomic>
#include <string>
#include <vector>

namespace dravik {

class PrivateTempFolder {
  public:
    PrivateTempFolder();
    // Tries each folder in turn (tests).
    explicit PrivateTempFolder(const std::vector<std::string>& candidates);
    ~PrivateTempFolder();
    PrivateTempFolder(const PrivateTempFolder&) = delete;
    PrivateTempFolder& operator=(const PrivateTempFolder&) = delete;

    bool ok() const { return !path_.empty(); }
    // Ends in "/"; empty when the folder could not be made.
    const std::string& path() const { return path_; }
    // When no folder could be made: the last folder tried and the errno it
    // gave.
    const std::string& failedFolder() const { return failedFolder_; }
    int error() const { return error_; }
    // A new file name inside the folder, never handed out before, also
    // when several threads ask at once.
    std::string uniquePath(const std::string& suffix);

  private:
    std::string path_;
    std::string failedFolder_;
    int error_ = 0;
    std::atomic<unsigned long> counter_{0};
};

// Where private temp folders are tried: $TMPDIR (when set), then /tmp.
std::vector<std::string> TempFolderCandidates();

} // namespace dravik
