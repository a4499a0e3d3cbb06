// The PNG pictures of a theme, decoded from the bytes the archive gave.

#include "themes/image_slots.h"

#include <cstdlib>

using namespace dravik;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const PngResult result = DecodePng({data, size});
    if (result.ok()) {
        const RgbaImage& image = result.image;
        if (image.empty() || image.width > kMaxPngSide || image.height > kMaxPngSide ||
            image.rgba.size() != size_t{4} * image.width * image.height)
            std::abort();
    }
    return 0;
}
