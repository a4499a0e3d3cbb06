// Watermark pictures (PNG, JPEG, BMP) as a batch draws them: the file probed
// by its first bytes, the part that shows decoded, laid over a picture. The
// input's last byte picks the anchor, the greyscale filter and a rotation,
// so that regions away from the corner are decoded too; the decoders stop
// before trailing bytes, so this changes nothing they read.

#include "engine/overlays/watermark.h"
#include "fuzz_support.h"

#include <cstdlib>

using namespace dravik;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::MemoryFile file("watermark");
    file.rewrite(data, size);

    Settings settings;
    ApplyDefaults(settings, true, {});
    Settings::Watermark& wm = settings.watermark;
    const uint8_t last = size > 0 ? data[size - 1] : 0;
    wm.doWatermark = 2;
    wm.image = file.path();
    wm.imagePosition = static_cast<uint8_t>(last % 9);
    wm.imageGreyscale = (last & 0x10) != 0;
    wm.imageRotation = (last & 0x20) != 0 ? 30 : 0;
    wm.imageOpacity = 200;

    constexpr int kWidth = 96, kHeight = 64;
    Bitmap photo(FreeImage_Allocate(kWidth, kHeight, 24));
    if (!photo)
        std::abort();
    Bitmap out = DrawWatermark(std::move(photo), kWidth, kHeight, settings, AppState{}, nullptr);
    if (!out || out.width() != kWidth || out.height() != kHeight || out.bpp() != 24)
        std::abort();
    return 0;
}
