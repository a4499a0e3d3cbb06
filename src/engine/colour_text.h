// Colours as the settings keep them (six hexadecimal digits), read into
// channel values for the rotation background and the overlays.
#pragma once

#include <cstdint>
#include <string>

namespace dravik {

// An 8-bit-per-channel colour with straight alpha (0 transparent).
struct Rgba {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    uint8_t a = 255;
};

// Reads a persisted colour: exactly six hexadecimal digits RRGGBB, in any
// case. Any other text is black. The alpha is the one given.
Rgba ParseColorText(const std::string& text, uint8_t alpha);

} // namespace dravik
