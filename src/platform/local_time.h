// The settings keep times as local wall-clock seconds since 1970; the file
// system keeps real (UTC-based) seconds. These convert between the two.
#pragma once

#include <cstdint>
#include <ctime>

namespace dravik {

int32_t LocalTimestampFrom(std::time_t utc);
int32_t LocalTimestampNow();
std::time_t UtcFromLocalTimestamp(int32_t local);

} // namespace dravik
