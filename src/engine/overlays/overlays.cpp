#include "engine/overlays/overlays.h"

#include <utility>

namespace dravik {

Overlays::Overlays(const Settings& settings, const WatermarkFont* font)
    : settings_(settings), watermark_(settings, font) {}

Bitmap Overlays::drawFrame(Bitmap bitmap, int width, int height) {
    return DrawFrame(std::move(bitmap), width, height, settings_, &frame_);
}

Bitmap Overlays::drawWatermark(Bitmap bitmap, int width, int height, const AppState& state) {
    return watermark_.draw(std::move(bitmap), width, height, state);
}

bool Overlays::watermarkFollowsEarlierFiles(const AppState& state) {
    return WatermarkFollowsEarlierFiles(settings_, state);
}

} // namespace dravik
