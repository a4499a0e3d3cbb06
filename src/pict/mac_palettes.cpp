#include "pict/mac_palettes.h"

namespace dravik::pict {
namespace {

constexpr uint32_t kClut1[] = {0xFFFFFF, 0x000000};
constexpr uint32_t kClut2[] = {0xFFFFFF, 0xACACAC, 0x555555, 0x000000};
constexpr uint32_t kClut4[] = {
    0xFFFFFF, 0xFCF305, 0xFF6402, 0xDD0806, 0xF20884, 0x4600A5, 0x0000D4, 0x02ABEA,
    0x1FB714, 0x006411, 0x562C05, 0x90713A, 0xC0C0C0, 0x808080, 0x404040, 0x000000,
};

// The 256-colour table: the 6 x 6 x 6 cube of 0x33 steps from white down
// (blue changing fastest) without its black, then ramps of red, green, blue
// and grey over the levels the cube lacks, then black.
constexpr uint8_t kRampLevels[] = {0xEE, 0xDD, 0xBB, 0xAA, 0x88, 0x77, 0x55, 0x44, 0x22, 0x11};

std::vector<uint32_t> Clut8() {
    std::vector<uint32_t> t;
    for (int r = 5; r >= 0; --r)
        for (int g = 5; g >= 0; --g)
            for (int b = 5; b >= 0; --b)
                if (r + g + b > 0)
                    t.push_back(static_cast<uint32_t>(r * 0x33) << 16 |
                                static_cast<uint32_t>(g * 0x33) << 8 |
                                static_cast<uint32_t>(b * 0x33));
    for (int shift : {16, 8, 0})
        for (uint8_t level : kRampLevels)
            t.push_back(static_cast<uint32_t>(level) << shift);
    for (uint8_t level : kRampLevels)
        t.push_back(level * 0x010101u);
    t.push_back(0x000000);
    return t;
}

// Grey ramps from white to black in 2^depth steps.
std::vector<uint32_t> Greys(int depth) {
    const int n = 1 << depth;
    std::vector<uint32_t> t;
    for (int i = 0; i < n; ++i)
        t.push_back(static_cast<uint32_t>(255 - i * 255 / (n - 1)) * 0x010101u);
    return t;
}

} // namespace

std::vector<uint32_t> MacStandardPalette(int clutId) {
    switch (clutId) {
    case 1:
        return {std::begin(kClut1), std::end(kClut1)};
    case 2:
        return {std::begin(kClut2), std::end(kClut2)};
    case 4:
        return {std::begin(kClut4), std::end(kClut4)};
    case 8:
        return Clut8();
    case 33:
    case 34:
    case 36:
    case 40:
        return Greys(clutId - 32);
    default:
        return {};
    }
}

} // namespace dravik::pict
