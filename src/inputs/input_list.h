// dravik_inputs: the input list, folder scans, list files and the progress both front ends
// show. Builds on the engine and settings; never on Qt, the batch or the window.
//
// The files the next conversion will process, in the order they were added.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace dravik {

struct InputEntry {
    std::string path;      // full path, exact text
    std::string subfolder; // relative subfolder below the imported folder, may be empty
};

class InputList {
public:
    // False when the path is already listed (paths compare exactly).
    bool add(const std::string& path, const std::string& subfolder);
    bool contains(const std::string& path) const;
    bool remove(const std::string& path);
    // Removes the entries at the given positions (any order, duplicates
    // ignored) in one pass.
    void removeRows(std::vector<size_t> rows);
    void clear();
    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const std::vector<InputEntry>& entries() const { return entries_; }

private:
    std::vector<InputEntry> entries_;
    std::unordered_map<std::string, size_t> index_;
};

// Lower-case extensions the list accepts: for each primary input format,
// every extension of its group in table order ("pic", "pict", "pct").
std::vector<std::string> BuildAcceptedInputExtensions();

} // namespace dravik
