// How a running batch describes its progress: durations, estimates and
// file names cut to fit.
#pragma once

#include <cstdint>
#include <string>

namespace dravik {

// "hh:mm:ss", preceded by "Nd:" from one day on; "00:00:00" below a second.
std::string FormatDuration(int64_t milliseconds);

// The text cut in its middle to `maximum` characters around "...".
std::string ShortenMiddle(const std::string& text, int maximum);

// The time still needed when every file not yet finished (the one in work
// included) takes as long as the last one did. 0 when unknown.
int64_t RemainingMilliseconds(int64_t lastDurationMs, int64_t total, int64_t index);

// The time still needed when every file not yet finished takes the mean time
// of those finished so far. `beforeMs` is the time from the start of the
// batch to the start of the file in work (number `index`), `inWorkMs` how
// long that one has been going. 0 when unknown (nothing finished yet).
int64_t MeanRemainingMilliseconds(int64_t beforeMs, int64_t inWorkMs, int64_t total, int64_t index);

} // namespace dravik
