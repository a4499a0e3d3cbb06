// What the fuzz targets share. Most parsers under test read files by path,
// so an input reaches them as a file held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dravik::fuzz {

// A file in memory (memfd) with a path that opens it; each rewrite replaces
// its contents. Nothing touches the disk, so a long fuzz run costs no I/O.
class MemoryFile {
  public:
    explicit MemoryFile(const char* name);
    ~MemoryFile();
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    // Aborts when the file cannot be written: a target that quietly tested
    // an empty file would only pretend to fuzz.
    void rewrite(const uint8_t* data, size_t size);
    const std::string& path() const { return path_; }

  private:
    int fd_ = -1;
    std::string path_;
};

// The input split at each NUL byte (argument vectors, lookups): as many
// pieces as there are NULs plus one.
std::vector<std::string> SplitAtNul(const uint8_t* data, size_t size);

// Well-formed UTF-8: no stray or missing continuation bytes, no overlong
// forms, no surrogates, nothing past U+10FFFF.
bool IsUtf8(std::string_view text);

} // namespace dravik::fuzz
