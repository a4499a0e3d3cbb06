#include "update/update_check.h"

#include <climits>
#include <cstdlib>

namespace dravik {

int UpdateAnswerVersion(const std::string& text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && text[i] == '-') {
        negative = true;
        ++i;
    }
    // Accumulate towards the sign so INT_MIN itself is reachable.
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        int digit = text[i] - '0';
        value = value * 10 + (negative ? -digit : digit);
        if (value > INT_MAX)
            return INT_MAX;
        if (value < INT_MIN)
            return INT_MIN;
    }
    return static_cast<int>(value);
}

UpdateVerdict JudgeUpdateAnswer(const std::string& text, int ownVersion) {
    int version = UpdateAnswerVersion(text);
    if (version == 0)
        return UpdateVerdict::ConnectionProblem;
    return version > ownVersion ? UpdateVerdict::NewUpdate : UpdateVerdict::NoUpdate;
}

std::optional<int> UpdatePeriodDays(int32_t range) {
    switch (range) {
    case 0:
        return 1;
    case 1:
        return 7;
    case 2:
        return 30;
    case 3:
        return 90;
    case 4:
        return 180;
    case 5:
        return std::nullopt;
    default:
        // A damaged or future value falls back to the monthly check rather
        // than silencing the check or checking on every start.
        return 30;
    }
}

bool ScheduledCheckDue(int32_t range, int64_t lastCheck, int64_t now) {
    auto days = UpdatePeriodDays(range);
    if (!days)
        return false;
    const int64_t period = int64_t{*days} * 86400;
    if (lastCheck > INT64_MAX - period)
        return false;
    return now > lastCheck + period;
}

std::string UpdateFileUrl() {
    const char* fromEnvironment = std::getenv("DRAVIK_UPDATE_URL");
    if (fromEnvironment != nullptr && *fromEnvironment != '\0')
        return fromEnvironment;
    return kUpdateFileUrl;
}

} // namespace dravik
