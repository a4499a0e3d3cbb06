// A private folder for one test, removed with everything in it.
#pragma once

#include <string>
#include <vector>

namespace dravik::test {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Ends in "/".
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + name; }
    // Writes bytes to a file below the folder and returns its path.
    std::string write(const std::string& name, const std::string& bytes) const;

  private:
    std::string path_;
};

std::string ReadFileText(const std::string& path);

// Every name in a folder, hidden ones included, sorted; none for a folder
// that cannot be read.
std::vector<std::string> NamesIn(const std::string& folder);

} // namespace dravik::test
