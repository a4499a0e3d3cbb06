// The bodies of the threads that fill the input list from a folder or a list
// file, or write it to a list file. Each reports through a ProgressState:
// the index grows per top-level entry or line, the result count receives
// what was added or written, and the keep-running flag and the pause gate
// are honoured between entries.
#pragma once

#include "inputs/add_inputs.h"
#include "inputs/progress_state.h"

#include <cstddef>
#include <string>

namespace dravik {

// Imports `folder` (ending in "/"), which is also the base of the
// subfolders.
void ImportFolderWorker(Session& session, const std::string& folder, ProgressState& progress,
                        InputObserver* observer = nullptr);

// Imports every existing path the list file names: folders as trees, files
// one by one; `importBase` gives the subfolders. A file that cannot be
// opened adds nothing.
void ImportListWorker(Session& session, const std::string& listFile,
                      const std::string& importBase, ProgressState& progress,
                      InputObserver* observer = nullptr);

// Writes the list in its order, UTF-8 with a byte-order mark and CR LF line
// ends, replacing the file only once it is complete. Counts 0 entries when
// the file cannot be written.
void ExportListWorker(const InputList& list, const std::string& listFile,
                      ProgressState& progress);

// The progress maximum of a folder import: the folder's top-level entries.
size_t FolderImportSize(const std::string& folder);

} // namespace dravik
