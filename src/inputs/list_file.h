// List files: one path per line, written by the export and read by the
// import.
#pragma once

#include "inputs/input_list.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace dravik {

// Reads a list file line by line. The file may start with a UTF-8 byte-order
// mark or be UTF-16 of either byte order (with its mark); lines come out as
// UTF-8, trimmed of blanks, tabs and the CR of CR LF. Lines longer than any
// path can be, or holding a NUL byte, come out empty.
class ListFileReader {
public:
    explicit ListFileReader(const std::string& path);
    ~ListFileReader();
    ListFileReader(const ListFileReader&) = delete;
    ListFileReader& operator=(const ListFileReader&) = delete;

    bool isOpen() const { return file_ != nullptr; }
    // False at the end of the file.
    bool nextLine(std::string& line);

    // No path is longer than this.
    static constexpr size_t kMaxLine = 65536;

private:
    enum class Encoding { Utf8, Utf16Le, Utf16Be };
    bool fill();
    bool nextUtf8Byte(char& c);

    std::FILE* file_ = nullptr;
    Encoding encoding_ = Encoding::Utf8;
    std::string buffer_; // UTF-8 text not handed out yet
    size_t position_ = 0;
    std::string carry_;  // UTF-16 bytes of a unit split between two reads
    uint32_t highSurrogate_ = 0;
    bool ended_ = false;
};

// Lines of the file (a last line without a line end counts); 0 when it
// cannot be read.
size_t CountListLines(const std::string& path);

// UTF-16 code units (from `bytes`, two per unit) as UTF-8; unpaired
// surrogates become U+FFFD. `highSurrogate` carries a pending high surrogate
// from one call to the next.
std::string Utf16ToUtf8(const std::string& bytes, bool bigEndian, uint32_t& highSurrogate);

} // namespace dravik
