// The output folder history kept in File/Recent Out Folders: most recent
// first, one TAB between entries, at most Advanced/Out Folders Number of them.
#pragma once

#include "settings/settings.h"

#include <optional>
#include <string>
#include <vector>

namespace dravik {

// Puts the folder (with "/" appended when missing) in front and drops an
// older entry naming the same folder in any letter case, and whatever no
// longer fits. An empty folder leaves the history alone.
void AddOutFolderToHistory(Settings& settings, const std::string& folder);

// Entry i of the history (counting from 0), trimmed of blanks; empty when
// the history has fewer fields.
std::string OutFolderHistoryEntry(const std::string& history, int i);

// What the output folder list shows: the non-empty entries within the
// limit, and the one to select (the entry equal to the current output
// folder, else the first).
struct OutFolderListing {
    std::vector<std::string> folders;
    int selected = 0;
};

// Empty when the history is: the list is then left as it stands.
std::optional<OutFolderListing> OutFoldersToShow(const Settings& settings,
                                                 const std::string& currentOutputFolder);

} // namespace dravik
