#include "settings/ini_file.h"

#include "settings/number_text.h"
#include "platform/utf8.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dravik {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Copies valid UTF-8 and replaces every broken sequence by U+FFFD, so that
// nothing downstream meets invalid text from a hand-edited file.
std::string SanitizeUtf8(std::string_view in) {
    std::string out;
    out.reserve(in.size());
    size_t i = 0;
    while (i < in.size()) {
        unsigned char c = static_cast<unsigned char>(in[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        int length = 0;
        uint32_t cp = 0;
        uint32_t minimum = 0;
        if ((c & 0xE0) == 0xC0) {
            length = 2;
            cp = c & 0x1F;
            minimum = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3;
            cp = c & 0x0F;
            minimum = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4;
            cp = c & 0x07;
            minimum = 0x10000;
        }
        bool valid = length > 0 && i + length <= in.size();
        for (int k = 1; valid && k < length; ++k) {
            unsigned char cc = static_cast<unsigned char>(in[i + k]);
            if ((cc & 0xC0) != 0x80)
                valid = false;
            else
                cp = (cp << 6) | (cc & 0x3F);
        }
        if (valid && (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)))
            valid = false;
        if (valid) {
            out.append(in.substr(i, length));
            i += length;
        } else {
            AppendUtf8(out, 0xFFFD);
            ++i;
        }
    }
    return out;
}

std::string Latin1ToUtf8(std::string_view in) {
    std::string out;
    out.reserve(in.size());
    for (char ch : in)
        AppendUtf8(out, static_cast<unsigned char>(ch));
    return out;
}

} // namespace

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

std::optional<std::string> ReadSmallFile(const std::string& path, uint64_t maxSize) {
    if (path.empty())
        return std::nullopt;
    // O_NONBLOCK keeps a FIFO given by mistake from blocking the open; the
    // regular-file check then refuses it.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<uint64_t>(st.st_size) > maxSize) {
        ::close(fd);
        return std::nullopt;
    }
    std::string data;
    data.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < data.size()) {
        ssize_t n = ::read(fd, data.data() + got, data.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break; // the file shrank while we read it
        got += static_cast<size_t>(n);
    }
    data.resize(got);
    ::close(fd);
    return data;
}

std::optional<IniFile> IniFile::Open(const std::string& path) {
    std::optional<std::string> bytes = ReadSmallFile(path, kMaxFileSize);
    if (!bytes)
        return std::nullopt;
    return Parse(*bytes);
}

IniFile IniFile::Parse(std::string_view bytes) {
    std::string text;
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        text = SanitizeUtf8(bytes.substr(3));
    else
        text = Latin1ToUtf8(bytes);

    IniFile file;
    // Keys before the first group line belong to a group without a name.
    file.groups_.push_back(Group{});
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos)
            end = text.size();
        std::string_view line(text.data() + pos, end - pos);
        // CR LF counts as one line end.
        pos = end + ((end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ? 2 : 1);

        size_t first = 0;
        while (first < line.size() && IsBlank(line[first]))
            ++first;
        if (first == line.size())
            continue;
        if (line[first] == '[') {
            size_t close = line.find(']', first + 1);
            size_t stop = close == std::string_view::npos ? line.size() : close;
            file.groups_.push_back(Group{std::string(line.substr(first + 1, stop - first - 1)), {}});
            continue;
        }
        if (line[first] == ';')
            continue;
        std::string_view body = line.substr(first);
        size_t eq = body.find('=');
        std::string_view key = body.substr(0, eq);
        std::string_view value = eq == std::string_view::npos ? std::string_view{} : body.substr(eq + 1);
        while (!key.empty() && IsBlank(key.back()))
            key.remove_suffix(1);
        while (!value.empty() && IsBlank(value.front()))
            value.remove_prefix(1);
        file.groups_.back().entries.emplace_back(std::string(key), std::string(value));
    }
    return file;
}

bool IniFile::selectGroup(std::string_view name) {
    for (size_t i = 1; i < groups_.size(); ++i) {
        if (EqualsIgnoreCase(groups_[i].name, name)) {
            selected_ = static_cast<int>(i);
            return true;
        }
    }
    selected_ = -1;
    return false;
}

const std::vector<IniFile::Entry>& IniFile::entries() const {
    static const std::vector<Entry> none;
    return selected_ < 0 ? none : groups_[static_cast<size_t>(selected_)].entries;
}

std::optional<std::string> IniFile::value(std::string_view key) const {
    for (const Entry& e : entries()) {
        if (EqualsIgnoreCase(e.first, key))
            return e.second;
    }
    return std::nullopt;
}

std::string IniFile::readString(std::string_view key, std::string_view fallback) const {
    std::optional<std::string> v = value(key);
    return v ? *v : std::string(fallback);
}

int32_t IniFile::readInteger(std::string_view key, int32_t fallback) const {
    std::optional<std::string> v = value(key);
    return v ? ReadInteger(*v) : fallback;
}

double IniFile::readFloat(std::string_view key, double fallback) const {
    std::optional<std::string> v = value(key);
    return v ? ReadFloat(*v) : fallback;
}

IniWriter::IniWriter() : bytes_("\xEF\xBB\xBF\r\n") {}

void IniWriter::group(std::string_view name) {
    bytes_ += '[';
    bytes_ += name;
    bytes_ += "]\r\n";
}

void IniWriter::key(std::string_view key, std::string_view value) {
    bytes_ += key;
    bytes_ += " = ";
    bytes_ += value;
    bytes_ += "\r\n";
}

void IniWriter::comment() { bytes_ += "; \r\n"; }

} // namespace dravik
