// The text watermark: the lines of the expanded text measured with the
// batch's font and placed on a canvas of their own.
#pragma once

#include "engine/overlays/watermark_font.h"
#include "engine/overlays/watermark_source.h"
#include "settings/settings.h"

#include <memory>
#include <string>

namespace dravik::watermark_parts {

// The text (placeholders already filled in) laid out in `font` with the
// padding, leading, alignment and colours of `wm`; both must outlive it.
std::unique_ptr<Source> LayOutText(const std::string& text, const WatermarkFont& font,
                                   const Settings::Watermark& wm);

} // namespace dravik::watermark_parts
