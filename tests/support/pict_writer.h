// Writes small PICT version 2 files (one DirectBitsRect with packed RGB
// planes), the layout Macintosh programs used for 32-bit pictures. Lets the
// tests make PICT input without any outside tool.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace dravik::test {

struct Rgb {
    uint8_t r, g, b;
};

// pixel(x, y) with y = 0 at the top; width at least 2 (narrower rows are
// stored unpacked, which this writer does not do).
std::string MakePict(int width, int height, const std::function<Rgb(int x, int y)>& pixel);

// A picture whose every pixel has one colour.
std::string MakeSolidPict(int width, int height, Rgb colour);

// True when ImageMagick's convert is on PATH.
std::string ImageMagickConvert();

} // namespace dravik::test
