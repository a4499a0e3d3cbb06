// The Macintosh's standard colour tables ('clut' resources 1, 2, 4 and 8 and
// the grey ramps 33, 34, 36 and 40), which QuickTime images of 8 bits and
// fewer name by ID instead of carrying a table.
#pragma once

#include <cstdint>
#include <vector>

namespace dravik::pict {

// The table with the given ID as 0xRRGGBB entries; empty for an unknown ID.
std::vector<uint32_t> MacStandardPalette(int clutId);

} // namespace dravik::pict
