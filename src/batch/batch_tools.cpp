#include "batch/batch_tools.h"

#include <utility>

namespace dravik {

BatchTools::BatchTools(const Settings& settings, const AppState& state,
                       std::optional<WatermarkFont> font)
    : font_(std::move(font)), run_(state.programFolder),
      overlays_(settings, font_ ? &*font_ : nullptr) {
    run_.overlays = &overlays_;
}

} // namespace dravik
