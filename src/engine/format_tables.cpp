#include "engine/format_tables.h"

#include <algorithm>
#include <charconv>

namespace dravik {

namespace {

// Identifiers as numbered by FreeImage's FREE_IMAGE_FORMAT; repeated here so
// that users of the tables need not pull in the FreeImage header.
constexpr int32_t kFifBmp = 0;
constexpr int32_t kFifIco = 1;
constexpr int32_t kFifJpeg = 2;
constexpr int32_t kFifJng = 3;
constexpr int32_t kFifPbm = 7;
constexpr int32_t kFifPgm = 11;
constexpr int32_t kFifPng = 13;
constexpr int32_t kFifPpm = 14;
constexpr int32_t kFifTarga = 17;
constexpr int32_t kFifTiff = 18;
constexpr int32_t kFifWbmp = 19;
constexpr int32_t kFifXpm = 23;
constexpr int32_t kFifGif = 25;
constexpr int32_t kFifHdr = 26;
constexpr int32_t kFifExr = 29;
constexpr int32_t kFifJ2k = 30;
constexpr int32_t kFifJp2 = 31;
constexpr int32_t kFifPfm = 32;
constexpr int32_t kFifWebp = 35;
constexpr int32_t kFifJxr = 36;

struct OutputRow {
    const char* extension;
    int32_t fif;
    const char* description;
    const char* depths;
};

constexpr OutputRow kOutputRows[] = {
    {"bmp", kFifBmp, "Windows or OS/2 Bitmap", "1,4,8,16,24,32"},
    {"exr", kFifExr, "ILM OpenEXR", "96"},
    {"gif", kFifGif, "Graphics Interchange Format", "8"},
    {"hdr", kFifHdr, "High Dynamic Range Image", "96"},
    {"ico", kFifIco, "Windows Icon", "1,4,8,16,24,32"},
    {"j2k", kFifJ2k, "JPEG-2000 Codestream", "8,24,32,48"},
    {"jng", kFifJng, "JPEG Network Graphics", "24,32"},
    {"jp2", kFifJp2, "JPEG-2000 File Format", "8,24,32,48"},
    {"jpg", kFifJpeg, "JPEG File Format", "8,24"},
    {"jxr", kFifJxr, "JPEG XR Image Format", "1,8,16,24,32,48,96"},
    {"pbm", kFifPbm, "Portable Bitmap", "1"},
    {"pfm", kFifPfm, "Portable Floatmap", "96"},
    {"pgm", kFifPgm, "Portable Greymap", "8"},
    {"png", kFifPng, "Portable Network Graphics", "1,4,8,24,32,48"},
    {"ppm", kFifPpm, "Portable Pixelmap", "24,48"},
    {"tga", kFifTarga, "Truevision Targa", "8,16,24,32"},
    {"tiff", kFifTiff, "Tagged Image File Format", "1,4,8,24,32,48,96"},
    {"wbmp", kFifWbmp, "Wireless Bitmap", "1"},
    {"webp", kFifWebp, "Google WebP Image Format", "24,32"},
    {"xpm", kFifXpm, "X11 Pixmap Format", "24"},
};

// One run of extensions sharing a family and a description. A family's first
// run starts with the family's own extension; later runs of the same family
// (the metafile and camera RAW variants) give their extensions a description
// of their own.
struct InputRun {
    const char* group;
    const char* description;
    const char* extensions; // separated by single blanks
};

constexpr InputRun kInputRuns[] = {
    {"bmp", "Windows or OS/2 Bitmap", "bmp rle dib"},
    {"dds", "DirectDraw Surface File", "dds"},
    {"emf", "Enhanced Metafile Format", "emf emz"},
    {"gif", "GIF File", "gif"},
    {"hdr", "High Dynamic Range File", "hdr hdri"},
    {"ico", "Windows Icon", "ico"},
    {"jpg", "JPEG File", "jpg jpeg jpe jif"},
    {"pcd", "Kodak PhotoCD File", "pcd pcd1 pcds ppcd"},
    {"pcx", "ZSoft Paintbrush File", "pcx"},
    {"pic", "Macintosh PICT", "pic pict pct"},
    {"png", "Portable Network Graphics", "png"},
    {"psd", "Adobe Photoshop File", "psd"},
    {"tga", "Truevision Targa", "tga targa"},
    {"tiff", "Tagged Image File Format", "tiff tif"},
    {"wmf", "Windows Metafile Format", "wmf wmz"},
    {"wmf", "Aldus Placeable Metafile", "apm"},
    {"raw", "Camera RAW Image", "raw raw1 raw2"},
    {"raw", "Hasselblad Camera RAW Image", "3fr"},
    {"raw", "Sony Camera RAW Image", "arw sr2 srf"},
    {"raw", "Casio Camera RAW Image", "bay"},
    {"raw", "NuCore RAW Image", "bmq"},
    {"raw", "Phase One Camera RAW Image", "cap iiq eip"},
    {"raw", "Phantom RAW Image", "cine"},
    {"raw", "Canon Camera RAW Image", "cr2 crw"},
    {"raw", "Capture Shop RAW Image", "cs1"},
    {"raw", "Kodak Camera RAW Image", "dc2 dcr drf dsc k25 kc2 kdc dcs"},
    {"raw", "Adobe Digital Negative Image", "dng"},
    {"raw", "Epson Camera RAW Image", "erf"},
    {"raw", "Imacon Camera RAW Image", "fff"},
    {"raw", "Sinar RAW Image", "ia sti"},
    {"raw", "Minolta Camera RAW Image", "mdc mrw"},
    {"raw", "Mamiya Camera RAW Image", "mef mos"},
    {"raw", "Nikon Camera RAW Image", "nef nrw"},
    {"raw", "Olympus Camera RAW Image", "orf"},
    {"raw", "Pentax Camera RAW Image", "pef ptx"},
    {"raw", "Logitech Camera RAW Image", "pxn"},
    {"raw", "Apple Quicktake Camera RAW Image", "qtk"},
    {"raw", "Fuji Camera RAW Image", "raf"},
    {"raw", "Digital Foto Maker RAW Image", "rdc"},
    {"raw", "Panasonic Camera RAW Image", "rw2"},
    {"raw", "Rawzor Camera RAW Image", "rwz"},
    {"raw", "Sigma Camera RAW Image", "x3f"},
    {"raw", "ARRI RAW Image", "ari"},
    {"raw", "RED RAW Image", "r3d"},
    {"raw", "Leica Camera RAW Image", "rwl"},
};

// Splits on the separator, dropping empty pieces.
std::vector<std::string_view> splitOn(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    while (!text.empty()) {
        const size_t end = text.find(separator);
        const std::string_view piece = text.substr(0, end);
        if (!piece.empty()) {
            pieces.push_back(piece);
        }
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return pieces;
}

std::vector<InputFormat> makeInputTable() {
    std::vector<InputFormat> table;
    for (const InputRun& run : kInputRuns) {
        for (std::string_view extension : splitOn(run.extensions, ' ')) {
            table.push_back({std::string(extension), run.group, run.description});
        }
    }
    return table;
}

std::vector<OutputFormat> makeOutputTable() {
    std::vector<OutputFormat> table;
    for (const OutputRow& row : kOutputRows) {
        table.push_back({row.fif, row.extension, row.description, row.depths});
    }
    return table;
}

// Function-local statics give a one-time, thread-safe build.
const std::vector<InputFormat>& inputTable() {
    static const std::vector<InputFormat> table = makeInputTable();
    return table;
}

const std::vector<OutputFormat>& outputTable() {
    static const std::vector<OutputFormat> table = makeOutputTable();
    return table;
}

template <typename Row>
const Row* findByExtension(const std::vector<Row>& table, std::string_view extension) {
    const auto found =
        std::ranges::find_if(table, [&](const Row& row) { return row.extension == extension; });
    return found == table.end() ? nullptr : &*found;
}

} // namespace

void BuildInputFormats() {
    inputTable();
}

void BuildOutputFormats() {
    outputTable();
}

const std::vector<InputFormat>& InputFormats() {
    return inputTable();
}

const std::vector<OutputFormat>& OutputFormats() {
    return outputTable();
}

const InputFormat* FindInputFormat(std::string_view extension) {
    return findByExtension(inputTable(), extension);
}

const OutputFormat* FindOutputFormat(std::string_view extension) {
    return findByExtension(outputTable(), extension);
}

std::vector<int> AllowedDepths(const OutputFormat& format) {
    std::vector<int> depths;
    for (std::string_view piece : splitOn(format.depths, ',')) {
        int value = 0;
        const auto [end, error] = std::from_chars(piece.data(), piece.data() + piece.size(), value);
        if (error == std::errc() && end == piece.data() + piece.size()) {
            depths.push_back(value);
        }
    }
    return depths;
}

std::vector<std::string> ExtensionsOfGroup(std::string_view group) {
    std::vector<std::string> extensions;
    for (const InputFormat& row : inputTable()) {
        if (row.group == group) {
            extensions.push_back(row.extension);
        }
    }
    return extensions;
}

} // namespace dravik
