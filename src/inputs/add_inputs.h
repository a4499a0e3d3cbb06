// How paths enter the input list: one file at a time, or a whole folder tree.
#pragma once

#include "inputs/session.h"

#include <cstddef>
#include <set>
#include <sys/types.h>
#include <utility>
#include <string>
#include <vector>

namespace dravik {

// Told of every change to the list, so that a window can show it. Called on
// the thread that changes the list.
class InputObserver {
public:
    virtual ~InputObserver() = default;
    virtual void rowAdded(const std::string& path) = 0;
};

// The folder of `path` below `base`, ending in "/": "/in/a/b/x.pic" against
// "/in/" gives "a/b/". Empty when either is empty or the file does not lie
// below the base. Only a leading base is removed.
std::string RelativeSubfolder(const std::string& path, const std::string& base);

// The file's extension in lower case, without the dot; "" when the last path
// element has none.
std::string LowerExtension(const std::string& path);

// Adds a regular, non-empty file whose extension is accepted and which is not
// listed yet, with its subfolder below `importBase`. True when added.
bool AddInputFile(Session& session, const std::string& importBase, const std::string& path,
                  InputObserver* observer = nullptr);

// The import of one folder tree, one entry of its top level at a time, so
// that a worker can count, report and stop between entries.
class FolderImport {
public:
    // Reads the folder's top level (names in byte order).
    FolderImport(Session& session, std::string importBase, std::string folder,
                 InputObserver* observer);
    ~FolderImport();
    FolderImport(const FolderImport&) = delete;
    FolderImport& operator=(const FolderImport&) = delete;

    size_t entryCount() const { return entries_.size(); }
    // Adds the file, or every acceptable file of the folder tree, at
    // position i of the top level. Returns the number added.
    size_t importEntry(size_t i);
    size_t importAll();

private:
    struct Entry {
        std::string name;
        unsigned char type;
    };
    static bool isFolder(unsigned char type, const std::string& path);
    size_t scan(const std::string& folder);

    Session& session_;
    std::string base_;
    std::string folder_;
    InputObserver* observer_;
    std::vector<Entry> entries_;
    std::set<std::pair<dev_t, ino_t>> onWalk_;
};

// Adds every acceptable file of `folder` (ending in "/") and of all its
// subfolders, names in byte order within each folder. A symbolic link to a
// folder already on the walk is not followed again; folders that cannot be
// read are skipped. Returns the number of files added.
size_t ScanFolder(Session& session, const std::string& importBase, const std::string& folder,
                  InputObserver* observer = nullptr);

// Removes the rows (positions in list order) and returns the row to select
// afterwards: the position of the last row removed, or the one before it
// when that was the end of the list; -1 when nothing is left or nothing was
// selected.
long DeleteSelectedInputs(InputList& list, std::vector<size_t> selectedRows);

} // namespace dravik
