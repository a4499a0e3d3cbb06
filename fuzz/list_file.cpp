// List files as the import reads them: UTF-8 with or without its mark,
// UTF-16 of either byte order.

#include "inputs/list_file.h"
#include "fuzz_support.h"

#include <cstdlib>

using namespace dravik;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::MemoryFile file("list.txt");
    file.rewrite(data, size);
    const bool utf16 =
        size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF));
    ListFileReader reader(file.path());
    if (!reader.isOpen())
        std::abort();
    std::string line;
    while (reader.nextLine(line)) {
        if (line.size() > ListFileReader::kMaxLine || line.find('\0') != std::string::npos)
            std::abort();
        // Decoded text is always well-formed; UTF-8 files pass their bytes
        // through, as a path may be any bytes.
        if (utf16 && !fuzz::IsUtf8(line))
            std::abort();
    }
    (void)CountListLines(file.path());
    return 0;
}
