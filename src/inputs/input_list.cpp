#include "inputs/input_list.h"

#include "engine/format_tables.h"
#include "settings/settings.h"

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
