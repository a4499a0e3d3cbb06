#include "platform/instance_lock.h"

#include "platform/paths.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace dravik {

namespace {
constexpr const char kLockSuffix[] = ".lock";
constexpr const char kChannelSuffix[] = ".sock";
} // namespace

InstanceLock::~InstanceLock() { release(); }

std::string InstanceLock::LockPath(const std::string& folder, const std::string& name) {
    std::string file = name;
    for (char& c : file) {
        if (c == '/')
            c = '_';
    }
    return folder + file + kLockSuffix;
}

std::string InstanceLock::channelPath() const {
    const std::string suffix = kLockSuffix;
    if (path_.size() < suffix.size())
        return {};
    return path_.substr(0, path_.size() - suffix.size()) + kChannelSuffix;
}

bool InstanceLock::acquire(const std::string& name) {
    release();
    std::string folders[2] = {EnvironmentFolder("XDG_RUNTIME_DIR"), TempFolder()};
    for (const std::string& folder : folders) {
        if (folder.empty())
            continue;
        const std::string path = LockPath(folder, name);
        int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            continue; // not ours to write here: try the next folder
        int rc = 0;
        do {
            rc = ::flock(fd, LOCK_EX | LOCK_NB);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            const bool taken = errno == EWOULDBLOCK;
            ::close(fd);
            if (!taken)
                continue; // a file system without locks guards nothing
            path_ = path;
            return false;
        }
        fd_ = fd;
        path_ = path;
        return true;
    }
    return true;
}

void InstanceLock::release() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    path_.clear();
}

} // namespace dravik
