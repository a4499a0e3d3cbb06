// Writes PICT files for the tests: version 1, 2 and extended 2 pictures with
// or without the 512-byte preamble, holding any opcodes, and raster records
// (BitsRect, PackBitsRect, DirectBitsRect and their region variants) built
// from plain pixel values. Lets the tests make PICT input without any
// outside tool.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dravik::test {

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};

struct PictRect {
    int top, left, bottom, right;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

// QuickDraw region data (size word, bounds, inversion points) for the
// pixels of `bounds` where inside(x, y) holds.
std::string RegionData(PictRect bounds, const std::function<bool(int x, int y)>& inside);
std::string RectRegionData(PictRect rect);

// One CopyBits record. Pixels are row-major over `bounds`: colour-table
// indices (or 0/1 for a bitmap) up to 8 bits, 0xRRGGBB for 16 and 32 bits
// (16-bit pixels keep the top 5 bits of each channel), 0xAARRGGBB with an
// alpha plane.
struct RasterRecord {
    uint16_t opcode = 0x98; // 0x90, 0x91, 0x98, 0x99, 0x9A or 0x9B
    bool pixMap = true;     // false: a 1-bit BitMap
    int pixelSize = 8;
    int packType = 0;
    int cmpCount = 3;
    int rowBytes = 0; // 0: the least even row that holds the pixels
    PictRect bounds{0, 0, 0, 0};
    PictRect src{0, 0, 0, 0}; // default: the bounds
    PictRect dst{0, 0, 0, 0}; // default: the bounds
    int mode = 0;
    std::string maskRegion;     // RegionData for the Rgn opcodes
    std::vector<Rgb> palette;   // pixelSize <= 8
    bool devicePalette = false; // entries indexed by position, value fields left 0
    std::vector<uint32_t> pixels;
};

// A QuickTime image for opcode 0x8200 (or 0x8201): the image description
// and the codec's data, drawn through a matrix of scale and translation.
struct QuickTimeRecord {
    std::string codec = "raw ";
    int width = 0, height = 0;
    int depth = 24;
    int clutId = -1;
    std::string data;
    std::string descriptionExtra; // after the description's fixed 86 bytes
    bool compressed = true;       // 0x8200, else 0x8201
    double scaleX = 1, scaleY = 1, moveX = 0, moveY = 0;
    PictRect src{0, 0, 0, 0}; // default: the whole image
    int mode = 64;
    std::string maskRegion;       // RegionData, 0x8200 only
    long long dataSizeField = -1; // what the description says; -1: the data's size
};

class PictWriter {
  public:
    enum Version { V1, V2, ExtendedV2 };
    // A picture of `frame` (72 dpi units); an extended header at another
    // resolution names `source`, the frame at that resolution.
    PictWriter(Version version, PictRect frame, bool preamble = true, double dpi = 72,
               PictRect source = {0, 0, 0, 0});

    // Any opcode with its data: a byte or a word as the version wants, the
    // pad after odd data in version 2.
    PictWriter& op(uint16_t opcode, const std::string& data = {});
    PictWriter& clip(PictRect rect);
    PictWriter& clipRegion(const std::string& regionData);
    PictWriter& origin(int dh, int dv);
    PictWriter& oldForeColour(uint32_t colour); // FgColor: 33 black, 205 red, ...
    PictWriter& oldBackColour(uint32_t colour);
    PictWriter& foreColour(Rgb c); // RGBFgCol
    PictWriter& backColour(Rgb c); // RGBBkCol
    PictWriter& opColour(Rgb c);   // OpColor
    PictWriter& raster(const RasterRecord& record);
    PictWriter& quickTime(const QuickTimeRecord& record);
    // What QuickTime writes after its image for machines without it: a pen
    // size of 0x00AE by the notice's length, then the notice's opcodes.
    PictWriter& fallbackNotice(const std::string& opcodes);
    // The picture, ended by OpEndPic unless told otherwise.
    std::string finish(bool endPicture = true);

    // The bytes of one raster record, without its opcode, for tests that
    // want to cut or corrupt them.
    std::string rasterData(const RasterRecord& record) const;

  private:
    Version version_;
    std::string out_;
    size_t start_;
};

// The data of a 0x8200/0x8201 opcode after its length word.
std::string QuickTimeData(const QuickTimeRecord& record);

// Big-endian helpers for hand-made opcode data.
std::string Word(int value);
std::string Long(uint32_t value);
std::string RectData(PictRect rect);

// A version 2 picture of one DirectBitsRect (32-bit, packed planes), the
// layout Macintosh programs used for 32-bit pictures. pixel(x, y) has y = 0
// at the top.
std::string MakePict(int width, int height, const std::function<Rgb(int x, int y)>& pixel);

// A picture whose every pixel has one colour.
std::string MakeSolidPict(int width, int height, Rgb colour);

// True when ImageMagick's convert is on PATH.
std::string ImageMagickConvert();

} // namespace dravik::test
