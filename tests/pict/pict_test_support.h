// What the PICT reader's tests share: reading a picture made by the test
// writer, looking at its pixels, and printing colours in failure messages.
#pragma once

#include "pict/pict_reader.h"

#include "support/pict_writer.h"

#include <cstdlib>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

namespace dravik::test {

inline std::ostream& operator<<(std::ostream& os, const Rgb& c) {
    return os << "(" << int(c.r) << "," << int(c.g) << "," << int(c.b) << ")";
}

inline pict::PictResult Read(const std::string& bytes, const pict::PictLimits& limits = {}) {
    return pict::ReadPict({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, limits);
}

inline Rgb At(const pict::PictPicture& p, int x, int y) {
    const size_t i = (static_cast<size_t>(y) * p.width + x) * 3;
    return {p.rgb[i], p.rgb[i + 1], p.rgb[i + 2]};
}

// The picture as rows of '#' (pixels of `colour`) and '.' (anything else),
// so that a failure shows where a pixel went wrong.
inline std::vector<std::string> Art(const pict::PictPicture& p, Rgb colour = {0, 0, 0}) {
    std::vector<std::string> rows;
    for (int y = 0; y < p.height; ++y) {
        std::string row;
        for (int x = 0; x < p.width; ++x)
            row += At(p, x, y) == colour ? '#' : '.';
        rows.push_back(row);
    }
    return rows;
}

// Pictures worth fuzzing from: with DRAVIK_SEED_FOLDER set (to
// fuzz/seeds/pict_reader), a test writes them there under `name`.
inline void KeepAsFuzzSeed(const std::string& name, const std::string& picture) {
    if (const char* folder = std::getenv("DRAVIK_SEED_FOLDER"))
        std::ofstream(std::string(folder) + "/" + name, std::ios::binary) << picture;
}

} // namespace dravik::test
