// The single-instance guard: an advisory lock on a file named after the
// title text. The kernel drops the lock when the process ends, however it
// ends, so a crash never leaves a stale guard behind.
#pragma once

#include <string>

namespace dravik {

class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // False only when another process holds the lock. The lock file goes
    // into $XDG_RUNTIME_DIR, or into the temp folder when it cannot be made
    // there (a stale or foreign runtime folder); when it can be made in
    // neither, the program runs unguarded rather than refuse every start.
    bool acquire(const std::string& name);
    void release();
    bool held() const { return fd_ >= 0; }

    // The lock file held, or the one another process holds after a refused
    // acquire; empty when running unguarded.
    const std::string& path() const { return path_; }
    // The socket the holder of path() listens on for requests of later
    // starts: the lock file's name with ".sock" for ".lock".
    std::string channelPath() const;

    // The lock file in `folder` (ending in "/"), with "/" in the name made safe.
    static std::string LockPath(const std::string& folder, const std::string& name);

  private:
    int fd_ = -1;
    std::string path_;
};

} // namespace dravik
