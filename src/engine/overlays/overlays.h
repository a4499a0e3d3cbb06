// dravik_engine_overlays: the frame and the text and picture watermarks drawn onto a converted
// picture with cairo, pango and fontconfig. Builds on the engine; never on Qt or the batch.
//
// The frame and watermark steps of a batch, with everything they keep from
// file to file.
#pragma once

#include "engine/convert_file.h"
#include "engine/overlays/frame.h"
#include "engine/overlays/watermark.h"
#include "engine/overlays/watermark_font.h"

namespace dravik {

class Overlays : public OverlaySteps {
  public:
    // Built once per batch. `font` is the batch's watermark font or null.
    // Both must outlive the object.
    Overlays(const Settings& settings, const WatermarkFont* font);

    // DrawFrame with the frame kept per picture size.
    Bitmap drawFrame(Bitmap bitmap, int width, int height) override;
    // The watermark, with its text layout, picture and overlay kept; the
    // text's placeholders take their values from `state`.
    Bitmap drawWatermark(Bitmap bitmap, int width, int height, const AppState& state) override;
    bool watermarkFollowsEarlierFiles(const AppState& state) override;

  private:
    const Settings& settings_;
    FrameCache frame_;
    WatermarkRenderer watermark_;
};

} // namespace dravik
