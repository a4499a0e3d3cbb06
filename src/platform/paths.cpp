#include "platform/paths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace dravik {

std::string WithTrailingSlash(std::string path) {
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path;
}

std::string FileNamePart(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string StemOf(const std::string& fileName) {
    size_t dot = fileName.rfind('.');
    return dot == std::string::npos || dot == 0 ? fileName : fileName.substr(0, dot);
}

static std::string ExecutablePath() {
    char buffer[PATH_MAX + 1];
    ssize_t n = ::readlink("/proc/self/exe", buffer, PATH_MAX);
    if (n <= 0)
        return {};
    return std::string(buffer, static_cast<size_t>(n));
}

std::string ProgramFolder() {
    std::string exe = ExecutablePath();
    size_t slash = exe.rfind('/');
    if (slash == std::string::npos)
        return "./";
    return exe.substr(0, slash + 1);
}

std::string ProgramFileStem() {
    std::string name = FileNamePart(ExecutablePath());
    return name.empty() ? std::string("dravik") : StemOf(name);
}

std::string EnvironmentFolder(const char* variable) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0')
        return {};
    return WithTrailingSlash(value);
}

std::string CurrentFolder() {
    // Deep folders exceed PATH_MAX; grow the buffer until the name fits.
    std::string buffer(PATH_MAX, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20))
            return {};
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return buffer;
}

std::string TempFolder() {
    std::string folder = EnvironmentFolder("TMPDIR");
    return folder.empty() ? std::string("/tmp/") : folder;
}

} // namespace dravik
