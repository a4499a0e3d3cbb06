#include "platform/local_time.h"

namespace dravik {

int32_t LocalTimestampFrom(std::time_t utc) {
    std::tm local{};
    if (localtime_r(&utc, &local) == nullptr)
        return static_cast<int32_t>(utc);
    return static_cast<int32_t>(utc + local.tm_gmtoff);
}

int32_t LocalTimestampNow() { return LocalTimestampFrom(std::time(nullptr)); }

std::time_t UtcFromLocalTimestamp(int32_t local) {
    // Read the local stamp as a broken-down wall-clock time and let mktime
    // find the real instant, daylight saving included.
    std::time_t asUtc = local;
    std::tm wall{};
    if (gmtime_r(&asUtc, &wall) == nullptr)
        return asUtc;
    wall.tm_isdst = -1;
    std::time_t result = mktime(&wall);
    return result == static_cast<std::time_t>(-1) ? asUtc : result;
}

} // namespace dravik
