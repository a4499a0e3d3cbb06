// What a batch keeps from its first file to its last: the helper lookup and
// private temp folder, and the frame and watermark steps drawing with the
// batch's watermark font. The command line and the window build it the same
// way once their checks have passed.
#pragma once

#include "engine/convert_file.h"
#include "engine/overlays/overlays.h"
#include "engine/overlays/watermark_font.h"
#include "settings/app_state.h"
#include "settings/settings.h"

#include <optional>

namespace dravik {

class BatchTools {
  public:
    // `font` is the font a text watermark was checked with (empty for none).
    // `settings` and `state` must outlive the object; the run's overlays
    // point into it, hence neither copies nor moves.
    BatchTools(const Settings& settings, const AppState& state, std::optional<WatermarkFont> font);
    BatchTools(const BatchTools&) = delete;
    BatchTools& operator=(const BatchTools&) = delete;

    ConversionRun& run() { return run_; }

  private:
    std::optional<WatermarkFont> font_;
    ConversionRun run_;
    Overlays overlays_;
};

} // namespace dravik
