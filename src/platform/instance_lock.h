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

    // False when another process holds the lock (or the lock file cannot be
    // made at all, which we treat the same way rather than run twice).
    bool acquire(const std::string& name);
    void release();
    bool held() const { return fd_ >= 0; }

    // $XDG_RUNTIME_DIR, else the temp folder, and the name with "/" made safe.
    static std::string LockPath(const std::string& name);

private:
    int fd_ = -1;
};

} // namespace dravik
