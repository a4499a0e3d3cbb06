#include "inputs/add_inputs.h"

#include <algorithm>
#include <dirent.h>
#include <set>
#include <sys/stat.h>
#include <utility>

namespace dravik {

namespace {

struct FolderEntry {
    std::string name;
    unsigned char type;
};

std::vector<FolderEntry> ReadFolder(const std::string& folder) {
    std::vector<FolderEntry> entries;
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr)
        return entries;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            entries.push_back(FolderEntry{std::move(name), entry->d_type});
    }
    closedir(dir);
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    return entries;
}

} // namespace

std::string RelativeSubfolder(const std::string& path, const std::string& base) {
    if (path.empty() || base.empty())
        return {};
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    std::string folder = path.substr(0, slash + 1);
    if (folder.size() < base.size() || folder.compare(0, base.size(), base) != 0)
        return {};
    return folder.substr(base.size());
}

std::string LowerExtension(const std::string& path) {
    size_t slash = path.rfind('/');
    size_t start = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < start)
        return {};
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return ext;
}

bool AddInputFile(Session& session, const std::string& importBase, const std::string& path,
                  InputObserver* observer) {
    if (path.empty() || path.find('\0') != std::string::npos)
        return false;
    const std::vector<std::string>& accepted = session.acceptedExtensions;
    if (std::find(accepted.begin(), accepted.end(), LowerExtension(path)) == accepted.end())
        return false;
    if (session.inputs.contains(path))
        return false;
    struct stat st{};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0)
        return false;
    session.inputs.add(path, RelativeSubfolder(path, importBase));
    if (observer != nullptr)
        observer->rowAdded(path);
    return true;
}

FolderImport::FolderImport(Session& session, std::string importBase, std::string folder,
                           InputObserver* observer)
    : session_(session), base_(std::move(importBase)), folder_(std::move(folder)),
      observer_(observer) {
    struct stat st{};
    if (stat(folder_.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return;
    // The imported folder itself is on the walk: a link back to it from
    // below must not list its files a second time.
    onWalk_.insert({st.st_dev, st.st_ino});
    for (FolderEntry& entry : ReadFolder(folder_))
        entries_.push_back({std::move(entry.name), entry.type});
}

FolderImport::~FolderImport() = default;

size_t FolderImport::importEntry(size_t i) {
    if (i >= entries_.size())
        return 0;
    const Entry& entry = entries_[i];
    std::string path = folder_ + entry.name;
    if (isFolder(entry.type, path))
        return scan(path + "/");
    return AddInputFile(session_, base_, path, observer_) ? 1 : 0;
}

size_t FolderImport::importAll() {
    size_t added = 0;
    for (size_t i = 0; i < entries_.size(); ++i)
        added += importEntry(i);
    return added;
}

bool FolderImport::isFolder(unsigned char type, const std::string& path) {
    // Most file systems say what an entry is; only links and the rest need a
    // look at what they point to.
    if (type == DT_REG)
        return false;
    if (type == DT_DIR)
        return true;
    struct stat st{};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

size_t FolderImport::scan(const std::string& folder) {
    struct stat st{};
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return 0;
    // A folder that is being walked further up, reached again through a
    // link: following it would never end.
    std::pair<dev_t, ino_t> id{st.st_dev, st.st_ino};
    if (!onWalk_.insert(id).second)
        return 0;
    size_t added = 0;
    for (const FolderEntry& entry : ReadFolder(folder)) {
        std::string path = folder + entry.name;
        if (isFolder(entry.type, path))
            added += scan(path + "/");
        else if (AddInputFile(session_, base_, path, observer_))
            ++added;
    }
    onWalk_.erase(id);
    return added;
}

size_t ScanFolder(Session& session, const std::string& importBase, const std::string& folder,
                  InputObserver* observer) {
    return FolderImport(session, importBase, folder, observer).importAll();
}

long DeleteSelectedInputs(InputList& list, std::vector<size_t> selectedRows) {
    std::sort(selectedRows.begin(), selectedRows.end());
    selectedRows.erase(std::unique(selectedRows.begin(), selectedRows.end()), selectedRows.end());
    while (!selectedRows.empty() && selectedRows.back() >= list.size())
        selectedRows.pop_back();
    if (list.empty() || selectedRows.empty())
        return -1;
    // Each removal moves the later rows up by one.
    long position = static_cast<long>(selectedRows.back()) - static_cast<long>(selectedRows.size() - 1);
    list.removeRows(selectedRows);
    if (position == static_cast<long>(list.size()))
        --position;
    return position;
}

} // namespace dravik
