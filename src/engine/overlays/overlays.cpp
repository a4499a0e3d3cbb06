#include "engine/overlays/overlays.h"

#include <utility>

namespace dravik {

Overlays::Overlays(const Settings& settings, const AppState& state, const WatermarkFont* font)
    : settings_(settings), state_(state), watermark_(settings, font) {}

Bitmap Overlays::drawFrame(Bitmap bitmap, int width, int height) {
    return DrawFrame(std::move(bitmap), width, height, settings_, &frame_);
}

Bitmap Overlays::drawWatermark(Bitmap bitmap, int width, int height) {
    return watermark_.draw(std::move(bitmap), width, height, state_);
}

} // namespace dravik
