// The ini syntax shared by config.ini and profile files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dravik {

// A parsed ini file. Text is held as UTF-8: a file with the UTF-8 mark is
// taken as UTF-8 (broken sequences become U+FFFD), one without it byte by
// byte as ISO 8859-1. Groups and keys compare without ASCII case; a key is
// found only among the lines of the selected group.
class IniFile {
public:
    using Entry = std::pair<std::string, std::string>;

    // Largest file read; a bigger one counts as unreadable rather than
    // filling memory.
    static constexpr uint64_t kMaxFileSize = 256u * 1024 * 1024;

    // Nothing when the path is empty, missing, not a regular file,
    // unreadable or too large.
    static std::optional<IniFile> Open(const std::string& path);
    static IniFile Parse(std::string_view bytes);

    // Selects the first group of that name; false (and no group) when the
    // file has none.
    bool selectGroup(std::string_view name);

    std::optional<std::string> value(std::string_view key) const;
    std::string readString(std::string_view key, std::string_view fallback) const;
    int32_t readInteger(std::string_view key, int32_t fallback) const;
    double readFloat(std::string_view key, double fallback) const;

    // The selected group's key lines in file order (empty without a group).
    const std::vector<Entry>& entries() const;

private:
    struct Group {
        std::string name;
        std::vector<Entry> entries;
    };
    std::vector<Group> groups_;
    int selected_ = -1;
};

// Builds the bytes of an ini file as it is written: UTF-8 mark, CR LF.
class IniWriter {
public:
    IniWriter();
    void group(std::string_view name);
    void key(std::string_view key, std::string_view value);
    void comment();
    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
};

// Reads a whole regular file of at most maxSize bytes; nothing otherwise.
std::optional<std::string> ReadSmallFile(const std::string& path, uint64_t maxSize);

// ASCII-only comparison without case.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

} // namespace dravik
