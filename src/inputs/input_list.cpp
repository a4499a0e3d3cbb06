#include "inputs/input_list.h"

#include "engine/format_tables.h"
#include "settings/settings.h"

#include <algorithm>

namespace dravik {

bool InputList::add(const std::string& path, const std::string& subfolder) {
    if (index_.count(path) != 0)
        return false;
    index_.emplace(path, entries_.size());
    entries_.push_back(InputEntry{path, subfolder});
    return true;
}

bool InputList::contains(const std::string& path) const { return index_.count(path) != 0; }

bool InputList::remove(const std::string& path) {
    auto it = index_.find(path);
    if (it == index_.end())
        return false;
    size_t at = it->second;
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(at));
    index_.erase(it);
    for (auto& [key, position] : index_) {
        if (position > at)
            --position;
    }
    return true;
}

void InputList::removeRows(std::vector<size_t> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.empty())
        return;
    std::vector<InputEntry> kept;
    kept.reserve(entries_.size());
    size_t next = 0;
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (next < rows.size() && rows[next] == i) {
            ++next;
            continue;
        }
        kept.push_back(std::move(entries_[i]));
    }
    entries_ = std::move(kept);
    index_.clear();
    for (size_t i = 0; i < entries_.size(); ++i)
        index_.emplace(entries_[i].path, i);
}

void InputList::clear() {
    entries_.clear();
    index_.clear();
}

std::vector<std::string> BuildAcceptedInputExtensions() {
    std::vector<std::string> result;
    for (const std::string& group : PrimaryInputFormats()) {
        for (std::string& ext : ExtensionsOfGroup(group))
            result.push_back(std::move(ext));
    }
    return result;
}

} // namespace dravik
