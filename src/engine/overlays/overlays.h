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
    // Built once per batch. `state` is read again for every file (the
    // watermark text's placeholders take the values of the file in work);
    // `font` is the batch's watermark font or null. All three must outlive
    // the object.
    Overlays(const Settings& settings, const AppState& state, const WatermarkFont* font);

    // DrawFrame with the frame kept per picture size.
    Bitmap drawFrame(Bitmap bitmap, int width, int height) override;
    // The watermark, with its text layout, picture and overlay kept.
    Bitmap drawWatermark(Bitmap bitmap, int width, int height) override;

  private:
    const Settings& settings_;
    const AppState& state_;
    FrameCache frame_;
    WatermarkRenderer watermark_;
};

} // namespace dravik
