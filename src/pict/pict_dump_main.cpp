// pict-dump [--ppm FOLDER] FILE...: prints the header and the operations of
// each picture, then what the reader makes of it; with --ppm also writes
// each drawn picture as FOLDER/<file name>.ppm.
#include "pict/operations.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

const char* KindName(dravik::pict::PictFailureKind kind) {
    using K = dravik::pict::PictFailureKind;
    switch (kind) {
    case K::NotPict:
        return "not a PICT";
    case K::Damaged:
        return "damaged";
    case K::TooLarge:
        return "too large";
    case K::NeedsFeature:
        return "needs a feature";
    case K::Empty:
        return "nothing to draw";
    case K::UnsupportedCodec:
        return "unsupported codec";
    }
    return "?";
}

} // namespace

int main(int argc, char** argv) {
    using namespace dravik::pict;
    if (argc < 2) {
        std::fprintf(stderr, "usage: pict-dump FILE...\n");
        return 2;
    }
    int status = 0;
    std::string ppmFolder;
    int first = 1;
    if (argc > 3 && std::string(argv[1]) == "--ppm") {
        ppmFolder = argv[2];
        first = 3;
    }
    for (int i = first; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "pict-dump: cannot open %s\n", argv[i]);
            status = 1;
            continue;
        }
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
        std::printf("== %s (%zu bytes)\n", argv[i], bytes.size());
        ParsedPict parsed = ParsePict(bytes);
        const PictHeader& h = parsed.header;
        if (h.version != 0)
            std::printf("version %d%s, preamble %s, frame (%d,%d,%d,%d), source (%d,%d,%d,%d), "
                        "%.2f x %.2f dpi\n",
                        h.version, h.extended ? " extended" : "", h.start ? "yes" : "no",
                        h.frame.top, h.frame.left, h.frame.bottom, h.frame.right, h.source.top,
                        h.source.left, h.source.bottom, h.source.right, h.hRes, h.vRes);
        for (const Operation& op : parsed.operations)
            std::printf("%s\n", DescribeOperation(op, h.version).c_str());
        PictResult result = ReadPict(bytes);
        if (result.picture) {
            std::printf("result: %dx%d at %.2f dpi\n", result.picture->width,
                        result.picture->height, result.picture->resolution);
            if (!ppmFolder.empty()) {
                std::string name = argv[i];
                name = name.substr(name.rfind('/') + 1);
                std::ofstream out(ppmFolder + "/" + name + ".ppm", std::ios::binary);
                out << "P6\n"
                    << result.picture->width << " " << result.picture->height << "\n255\n";
                out.write(reinterpret_cast<const char*>(result.picture->rgb.data()),
                          static_cast<std::streamsize>(result.picture->rgb.size()));
            }
        } else
            std::printf("result: %s at byte %zu: %s\n", KindName(result.failure.kind),
                        result.failure.offset, result.failure.reason.c_str());
        for (const std::string& s : result.skipped)
            std::printf("skipped: %s\n", s.c_str());
    }
    return status;
}
