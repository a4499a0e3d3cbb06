#include "engine/colour_text.h"

namespace dravik {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

Rgba ParseColorText(const std::string& text, uint8_t alpha) {
    Rgba black{0, 0, 0, alpha};
    if (text.size() != 6)
        return black;
    int v[6];
    for (int i = 0; i < 6; ++i) {
        v[i] = HexDigit(text[static_cast<size_t>(i)]);
        if (v[i] < 0)
            return black;
    }
    return Rgba{static_cast<uint8_t>(v[0] * 16 + v[1]), static_cast<uint8_t>(v[2] * 16 + v[3]),
                static_cast<uint8_t>(v[4] * 16 + v[5]), alpha};
}

} // namespace dravik
