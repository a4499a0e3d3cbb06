#include "support/pict_writer.h"

#include "platform/process.h"

#include <vector>

namespace dravik::test {
namespace {

void Put16(std::string& out, int value) {
    out += static_cast<char>((value >> 8) & 0xFF);
    out += static_cast<char>(value & 0xFF);
}

void Put32(std::string& out, uint32_t value) {
    Put16(out, static_cast<int>(value >> 16));
    Put16(out, static_cast<int>(value & 0xFFFF));
}

void PutRect(std::string& out, int top, int left, int bottom, int right) {
    Put16(out, top);
    Put16(out, left);
    Put16(out, bottom);
    Put16(out, right);
}

// PackBits with literal runs only: valid, if not small.
std::string PackLiteral(const std::vector<uint8_t>& row) {
    std::string out;
    for (size_t i = 0; i < row.size(); i += 128) {
        size_t n = std::min<size_t>(128, row.size() - i);
        out += static_cast<char>(n - 1);
        out.append(reinterpret_cast<const char*>(row.data() + i), n);
    }
    return out;
}

} // namespace

std::string MakePict(int width, int height, const std::function<Rgb(int, int)>& pixel) {
    std::string out(512, '\0');
    Put16(out, 0); // picture size of version 1, unused
    PutRect(out, 0, 0, height, width);
    Put16(out, 0x0011);
    Put16(out, 0x02FF);
    Put16(out, 0x0C00); // extended version 2 header
    Put16(out, 0xFFFE);
    Put16(out, 0);
    Put32(out, 0x00480000);
    Put32(out, 0x00480000);
    PutRect(out, 0, 0, height, width);
    Put32(out, 0);
    Put16(out, 0x0001); // clip region: the whole picture
    Put16(out, 10);
    PutRect(out, 0, 0, height, width);

    const int rowBytes = width * 4;
    Put16(out, 0x009A); // DirectBitsRect
    Put32(out, 0x000000FF);
    Put16(out, rowBytes | 0x8000);
    PutRect(out, 0, 0, height, width);
    Put16(out, 0);          // pixmap version
    Put16(out, 4);          // pack type: one plane per component
    Put32(out, 0);          // pack size
    Put32(out, 0x00480000); // resolution
    Put32(out, 0x00480000);
    Put16(out, 16); // RGB direct
    Put16(out, 32); // pixel size
    Put16(out, 3);  // components
    Put16(out, 8);  // bits per component
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    PutRect(out, 0, 0, height, width); // source
    PutRect(out, 0, 0, height, width); // destination
    Put16(out, 0);                     // copy mode
    for (int y = 0; y < height; ++y) {
        std::vector<uint8_t> planes(static_cast<size_t>(width) * 3);
        for (int x = 0; x < width; ++x) {
            Rgb c = pixel(x, y);
            planes[static_cast<size_t>(x)] = c.r;
            planes[static_cast<size_t>(width + x)] = c.g;
            planes[static_cast<size_t>(2 * width + x)] = c.b;
        }
        std::string packed = PackLiteral(planes);
        if (rowBytes > 250)
            Put16(out, static_cast<int>(packed.size()));
        else
            out += static_cast<char>(packed.size());
        out += packed;
    }
    if (out.size() % 2 != 0)
        out += '\0';
    Put16(out, 0x00FF); // end of picture
    return out;
}

std::string MakeSolidPict(int width, int height, Rgb colour) {
    return MakePict(width, height, [colour](int, int) { return colour; });
}

std::string ImageMagickConvert() { return FindProgram("convert", ""); }

} // namespace dravik::test
