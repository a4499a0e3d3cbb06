#include "texts/language_table.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>
#include <utility>

namespace dravik {
namespace {

// Joins key and text while sorting: it sorts below every character of a key, so the joined
// strings sort exactly as their keys do.
constexpr char kSeparator = '\x01';
constexpr std::string_view kGroupMarker = "_GROUP_";
constexpr std::string_view kEndMarker = "_END_";

// A translation is a few hundred short lines; anything far bigger is not one.
constexpr std::uintmax_t kMaxLanguageFileSize = 16u * 1024 * 1024;

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = UpperAscii(c);
    return result;
}

std::string_view View(const char* text) {
    return text != nullptr ? std::string_view(text) : std::string_view();
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// A translation file in the ini syntax of config.ini: "[Group]" lines, "Key = Value" lines and
// ";" comments; groups and keys are held upper-cased, values as written. The file is UTF-8, an
// initial byte-order mark is dropped.
class LanguageFile {
  public:
    static std::optional<LanguageFile> open(const std::string& path) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error))
            return std::nullopt;
        std::uintmax_t size = std::filesystem::file_size(path, error);
        if (error || size > kMaxLanguageFileSize)
            return std::nullopt;
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return std::nullopt;
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (in.bad())
            return std::nullopt;
        LanguageFile file;
        file.parse(bytes);
        return file;
    }

    // Only the first group of a name counts, as in every other ini file the program reads.
    bool selectGroup(std::string_view upperName) {
        for (size_t i = 0; i < groups_.size(); ++i) {
            if (groups_[i].name == upperName) {
                selected_ = static_cast<int>(i);
                return true;
            }
        }
        selected_ = -1;
        return false;
    }

    std::optional<std::string> value(std::string_view upperKey) const {
        if (selected_ < 0)
            return std::nullopt;
        for (const auto& [key, value] : groups_[selected_].entries) {
            if (key == upperKey)
                return value;
        }
        return std::nullopt;
    }

  private:
    struct Group {
        std::string name;
        std::vector<std::pair<std::string, std::string>> entries;
    };

    void parse(std::string_view text) {
        if (text.starts_with("\xEF\xBB\xBF"))
            text.remove_prefix(3);
        bool inGroup = false; // key lines before the first group line belong to no group
        size_t pos = 0;
        while (pos < text.size()) {
            size_t end = text.find_first_of("\r\n", pos);
            if (end == std::string_view::npos)
                end = text.size();
            std::string_view line = text.substr(pos, end - pos);
            pos = end + 1;
            if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n')
                ++pos;

            while (!line.empty() && IsBlank(line.front()))
                line.remove_prefix(1);
            if (line.empty() || line.front() == ';')
                continue;
            if (line.front() == '[') {
                size_t close = line.find(']');
                groups_.push_back(Group{
                    UpperAscii(line.substr(1, close == line.npos ? line.npos : close - 1)), {}});
                inGroup = true;
                continue;
            }
            if (!inGroup)
                continue;
            size_t eq = line.find('=');
            std::string_view key = line.substr(0, eq);
            std::string_view value = eq == line.npos ? std::string_view() : line.substr(eq + 1);
            while (!key.empty() && IsBlank(key.back()))
                key.remove_suffix(1);
            while (!value.empty() && IsBlank(value.front()))
                value.remove_prefix(1);
            groups_.back().entries.emplace_back(UpperAscii(key), std::string(value));
        }
    }

    std::vector<Group> groups_;
    int selected_ = -1;
};

} // namespace

LanguageTable::LanguageTable() : groups_(1), keys_(1), texts_(1) {}

bool LanguageTable::load(const std::string& languageFile) {
    return load(BuiltinTexts(), languageFile);
}

bool LanguageTable::load(std::span<const TextPair> block, const std::string& languageFile) {
    // First pass: count, so that every array is allocated once at its final size.
    int groupTotal = 0;
    int entryTotal = 0;
    for (const TextPair& pair : block) {
        std::string first = UpperAscii(View(pair.first));
        if (first == kEndMarker)
            break;
        if (first == kGroupMarker)
            ++groupTotal;
        else
            ++entryTotal;
    }
    groups_.assign(static_cast<size_t>(groupTotal) + 1, Group{});
    keys_.assign(static_cast<size_t>(entryTotal) + 1, std::string());
    texts_.assign(static_cast<size_t>(entryTotal) + 1, std::string());
    groupCount_ = groupTotal;
    entryCount_ = entryTotal;
    lastGroup_.store(0, std::memory_order_relaxed);

    // Second pass: fill. Entries are held joined to their texts until they are sorted.
    uint32_t group = 0;
    uint32_t entry = 0;
    for (const TextPair& pair : block) {
        std::string first = UpperAscii(View(pair.first));
        if (first == kEndMarker)
            break;
        if (first == kGroupMarker) {
            groups_[group].last = entry;
            ++group;
            groups_[group].name = UpperAscii(View(pair.second));
            groups_[group].first = entry + 1;
            continue;
        }
        ++entry;
        keys_[entry] = std::move(first);
        keys_[entry] += kSeparator;
        keys_[entry] += View(pair.second);
    }
    groups_[group].last = entry;

    for (size_t g = 1; g < groups_.size(); ++g) {
        Group& current = groups_[g];
        if (current.last < current.first)
            continue;
        auto begin = keys_.begin() + current.first;
        auto end = keys_.begin() + current.last + 1;
        // std::string orders by unsigned byte, which is code-unit order for UTF-8.
        std::sort(begin, end);
        unsigned char remembered = 0;
        for (uint32_t i = current.first; i <= current.last; ++i) {
            std::string& joined = keys_[i];
            size_t at = joined.find(kSeparator);
            texts_[i] = joined.substr(at + 1);
            joined.resize(at);
            unsigned char initial = joined.empty() ? 0 : static_cast<unsigned char>(joined[0]);
            // A byte from 0x80 up is only part of a UTF-8 character, not an initial of its
            // own; such keys are left out of the index and so are never found.
            if (initial != remembered && initial < 0x80) {
                current.firstLetter[initial] = i;
                remembered = initial;
            }
        }
    }

    if (!languageFile.empty())
        overlay(languageFile);
    return true;
}

void LanguageTable::overlay(const std::string& languageFile) {
    std::optional<LanguageFile> file = LanguageFile::open(languageFile);
    if (!file)
        return;
    for (size_t g = 1; g < groups_.size(); ++g) {
        const Group& current = groups_[g];
        if (current.last < current.first || !file->selectGroup(current.name))
            continue;
        for (uint32_t i = current.first; i <= current.last; ++i) {
            if (std::optional<std::string> text = file->value(keys_[i]))
                texts_[i] = std::move(*text);
        }
    }
}

int LanguageTable::findGroup(const std::string& upperName) const {
    int group = lastGroup_.load(std::memory_order_relaxed);
    if (group >= 0 && static_cast<size_t>(group) < groups_.size() &&
        groups_[group].name == upperName)
        return group;
    group = 0;
    for (size_t g = 1; g < groups_.size(); ++g) {
        if (groups_[g].name == upperName) {
            group = static_cast<int>(g);
            break;
        }
    }
    lastGroup_.store(group, std::memory_order_relaxed);
    return group;
}

std::string LanguageTable::getText(std::string_view group, std::string_view key) const {
    const std::string upperKey = UpperAscii(key);
    const int found = findGroup(UpperAscii(group));
    if (found == 0)
        return std::string(kNoStringError);
    const Group& current = groups_[found];
    const unsigned char initial = upperKey.empty() ? 0 : static_cast<unsigned char>(upperKey[0]);
    // The entries are sorted, so the search starts at the first key with the same initial and
    // ends at the first greater key.
    for (uint32_t i = current.firstLetter[initial]; i != 0 && i <= current.last; ++i) {
        const int order = upperKey.compare(keys_[i]);
        if (order == 0)
            return texts_[i];
        if (order < 0)
            break;
    }
    return std::string(kNoStringError);
}

int LanguageTable::entryCount(std::string_view group) const {
    const std::string upperName = UpperAscii(group);
    for (size_t g = 1; g < groups_.size(); ++g) {
        if (groups_[g].name == upperName)
            return groups_[g].last < groups_[g].first
                       ? 0
                       : static_cast<int>(groups_[g].last - groups_[g].first + 1);
    }
    return 0;
}

namespace {

LanguageTable& ProcessTable() {
    static LanguageTable table;
    return table;
}

// Finds "%sN%" in any case from position from on.
size_t FindPlaceholder(const std::string& text, std::string_view placeholder, size_t from) {
    for (size_t at = from; at + placeholder.size() <= text.size(); ++at) {
        bool match = true;
        for (size_t i = 0; i < placeholder.size() && match; ++i)
            match = UpperAscii(text[at + i]) == UpperAscii(placeholder[i]);
        if (match)
            return at;
    }
    return std::string::npos;
}

} // namespace

bool LoadLanguageTable(const std::string& languageFile) {
    return ProcessTable().load(languageFile);
}

std::string GetText(std::string_view group, std::string_view key) {
    return ProcessTable().getText(group, key);
}

std::string SubstituteArgs(std::string_view text, std::string_view s1, std::string_view s2,
                           std::string_view s3, std::string_view s4) {
    std::string result(text);
    if (result.empty())
        return result;
    const std::string_view values[] = {s1, s2, s3, s4};
    for (size_t n = 0; n < std::size(values); ++n) {
        const std::string_view value = values[n];
        if (value.empty())
            continue;
        const char placeholder[] = {'%', 's', static_cast<char>('1' + n), '%'};
        const std::string_view name(placeholder, sizeof placeholder);
        // Searching on after the inserted value keeps a value that holds its own placeholder
        // from being expanded again and again.
        for (size_t at = FindPlaceholder(result, name, 0); at != std::string::npos;
             at = FindPlaceholder(result, name, at + value.size()))
            result.replace(at, name.size(), value);
    }
    return result;
}

std::string FillArgs(std::string_view text, std::string_view s1, std::string_view s2,
                     std::string_view s3, std::string_view s4) {
    const std::string_view values[] = {s1, s2, s3, s4};
    std::string result;
    result.reserve(text.size());
    size_t at = 0;
    while (at < text.size()) {
        const bool placeholder = at + 4 <= text.size() && text[at] == '%' &&
                                 UpperAscii(text[at + 1]) == 'S' && text[at + 2] >= '1' &&
                                 text[at + 2] <= '4' && text[at + 3] == '%';
        if (placeholder) {
            result += values[text[at + 2] - '1'];
            at += 4;
        } else {
            result += text[at++];
        }
    }
    return result;
}

} // namespace dravik
