// dravik_update: fetching the newest version number over a plain socket and judging it.
// Builds on platform and settings; never on Qt: the window shows what it finds.
//
// The decisions of the update check: what the fetched answer means and when
// the scheduled check is due. Showing anything is the caller's business.
#pragma once

#include "settings/product.h"

#include <cstdint>
#include <optional>
#include <string>

namespace dravik {

// The version number the answer starts with: an optional "-", then decimal
// digits; 0 when there are none. Saturates at the int range.
int UpdateAnswerVersion(const std::string& text);

enum class UpdateVerdict { ConnectionProblem, NewUpdate, NoUpdate };

// An answer without a number is taken as a failed fetch, since every real
// update file starts with one.
UpdateVerdict JudgeUpdateAnswer(const std::string& text, int ownVersion = kProgramVersion);

// Days between scheduled checks for the stored range choice; nullopt when
// the user chose never to check.
std::optional<int> UpdatePeriodDays(int32_t range);

// True when more than the period has passed since lastCheck. Both times are
// local wall-clock seconds since 1970 (see platform/local_time.h).
bool ScheduledCheckDue(int32_t range, int64_t lastCheck, int64_t now);

// $DRAVIK_UPDATE_URL when set and not empty (for testing against a server
// of one's own), else the maker's update file.
std::string UpdateFileUrl();

} // namespace dravik
