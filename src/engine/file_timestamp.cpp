#include "engine/file_timestamp.h"

#include "platform/local_time.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace dravik {
namespace {

bool setModificationTime(const std::string& path, const timespec& modified) {
    // UTIME_OMIT keeps the access time as it is.
    const timespec times[2] = {{0, UTIME_OMIT}, modified};
    return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

} // namespace

bool ApplyFileTimestamp(const std::string& inputPath, const std::string& outputPath,
                        const Settings& settings) {
    switch (settings.advanced.fileTimestamp) {
    case 1: {
        struct stat input {};
        if (stat(inputPath.c_str(), &input) != 0)
            return false;
        return setModificationTime(outputPath, input.st_mtim);
    }
    case 2: {
        const timespec custom{UtcFromLocalTimestamp(settings.advanced.customTimestamp), 0};
        return setModificationTime(outputPath, custom);
    }
    default:
        return true;
    }
}

} // namespace dravik
