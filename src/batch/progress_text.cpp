#include "batch/progress_text.h"

#include <cstdio>
#include <vector>

namespace dravik {

std::string FormatDuration(int64_t milliseconds) {
    if (milliseconds < 1000)
        return "00:00:00";
    int64_t seconds = milliseconds / 1000;
    int64_t minutes = 0;
    int64_t hours = 0;
    int64_t days = 0;
    if (seconds >= 60) {
        minutes = seconds / 60;
        seconds %= 60;
    }
    if (minutes >= 60) {
        hours = minutes / 60;
        minutes %= 60;
    }
    if (hours >= 24) {
        days = hours / 24;
        hours %= 24;
    }
    char text[64];
    if (days >= 1)
        std::snprintf(text, sizeof text, "%lldd:%02lld:%02lld:%02lld", static_cast<long long>(days),
                      static_cast<long long>(hours), static_cast<long long>(minutes),
                      static_cast<long long>(seconds));
    else
        std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(hours),
                      static_cast<long long>(minutes), static_cast<long long>(seconds));
    return text;
}

std::string ShortenMiddle(const std::string& text, int maximum) {
    // Characters, not bytes: a name is never cut inside a UTF-8 sequence.
    std::vector<size_t> starts;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            starts.push_back(i);
    }
    if (text.empty() || maximum < 0 || starts.size() <= static_cast<size_t>(maximum))
        return text;
    size_t half = maximum > 3 ? static_cast<size_t>(maximum - 3) / 2 : 0;
    size_t headEnd = half < starts.size() ? starts[half] : text.size();
    size_t tailStart = half == 0 ? text.size() : starts[starts.size() - half];
    return text.substr(0, headEnd) + "..." + text.substr(tailStart);
}

int64_t RemainingMilliseconds(int64_t lastDurationMs, int64_t total, int64_t index) {
    if (lastDurationMs <= 0 || index > total)
        return 0;
    return lastDurationMs * (total - index + 1);
}

int64_t MeanRemainingMilliseconds(int64_t beforeMs, int64_t inWorkMs, int64_t total,
                                  int64_t index) {
    const int64_t finished = index - 1;
    if (finished <= 0 || index > total || beforeMs <= 0)
        return 0;
    const int64_t mean = beforeMs / finished;
    // The file in work is expected to take the mean too; one that runs over
    // adds nothing, the files after it still count in full.
    const int64_t current = mean > inWorkMs ? mean - inWorkMs : 0;
    return mean * (total - index) + current;
}

} // namespace dravik
