#include "batch/output_checks.h"

#include "engine/format_tables.h"
#include "settings/settings.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace dravik {

namespace {

bool IsDirectory(const std::string& path) {
    struct stat st{};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

bool IsAllowedBitDepth(std::string_view extension, int depth) {
    if (depth == 0)
        return true;
    const OutputFormat* format = FindOutputFormat(extension);
    if (format == nullptr)
        return false;
    std::vector<int> depths = AllowedDepths(*format);
    return std::find(depths.begin(), depths.end(), depth) != depths.end();
}

bool IsOfferedOutput(std::string_view extension) {
    const std::vector<std::string>& offered = PrimaryOutputFormats();
    return std::find(offered.begin(), offered.end(), extension) != offered.end();
}

bool EnsureOutputSubfolder(const std::string& outputFolder, const std::string& subfolder) {
    if (IsDirectory(outputFolder + subfolder))
        return true;
    std::string path = outputFolder;
    size_t start = 0;
    while (start < subfolder.size()) {
        size_t slash = subfolder.find('/', start);
        if (slash == std::string::npos)
            slash = subfolder.size();
        if (slash > start) {
            path += subfolder.substr(start, slash - start);
            path += '/';
            if (!IsDirectory(path) && mkdir(path.c_str(), 0777) != 0 && errno != EEXIST)
                return false;
        }
        start = slash + 1;
    }
    return true;
}

} // namespace dravik
