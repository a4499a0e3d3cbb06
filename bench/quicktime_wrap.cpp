// Wraps a JPEG file in a picture as QuickTime-compressed image data (opcode
// 0x8200), the way scanners and Picture Viewer saved photographs, for the
// QuickTime benchmark.
// Usage: dravik-bench-quicktime-wrap WIDTH HEIGHT IN.jpg OUT.pict
#include "support/pict_writer.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s WIDTH HEIGHT IN.jpg OUT.pict\n", argv[0]);
        return 2;
    }
    const int width = std::atoi(argv[1]), height = std::atoi(argv[2]);
    std::ifstream in(argv[3], std::ios::binary);
    std::string jpeg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (width <= 0 || height <= 0 || jpeg.empty()) {
        std::fprintf(stderr, "%s: no size or no data in %s\n", argv[0], argv[3]);
        return 1;
    }
    using namespace dravik::test;
    QuickTimeRecord record;
    record.codec = "jpeg";
    record.width = width;
    record.height = height;
    record.depth = 24;
    record.data = std::move(jpeg);
    const PictRect frame{0, 0, height, width};
    const std::string picture =
        PictWriter(PictWriter::ExtendedV2, frame).clip(frame).quickTime(record).finish();
    std::ofstream out(argv[4], std::ios::binary);
    out << picture;
    return out ? 0 : 1;
}
