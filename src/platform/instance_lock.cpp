#include "platform/instance_lock.h"

#include "platform/paths.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace dravik {

InstanceLock::~InstanceLock() { release(); }

std::string InstanceLock::LockPath(const std::string& name) {
    std::string folder = EnvironmentFolder("XDG_RUNTIME_DIR");
    if (folder.empty())
        folder = TempFolder();
    std::string file = name;
    for (char& c : file) {
        if (c == '/')
            c = '_';
    }
    return folder + file + ".lock";
}

bool InstanceLock::acquire(const std::string& name) {
    release();
    int fd = ::open(LockPath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void InstanceLock::release() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

} // namespace dravik
