// 'png ' through libpng's simplified reader.
#include "pict/codecs/codecs.h"

#include <png.h>

namespace dravik::pict {

CodecOutcome DecodePng(const CodecInput& input) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, input.data.data(), input.data.size()))
        return CodecError(std::string("PNG: ") + image.message);
    if (static_cast<int64_t>(image.width) * image.height > input.maxPixels) {
        png_image_free(&image);
        return CodecTooLarge(image.width, image.height);
    }
    // Transparent pixels are composed over white, the canvas's colour.
    image.format = PNG_FORMAT_RGB;
    const png_color white{255, 255, 255};
    CodecOutcome out;
    out.image.width = static_cast<int>(image.width);
    out.image.height = static_cast<int>(image.height);
    out.image.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, &white, out.image.rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return CodecError(std::string("PNG: ") + image.message);
    }
    out.ok = true;
    return out;
}

} // namespace dravik::pict
