// The watermark: a block of text or a picture from a file, rotated, cut to
// fit and laid over the picture at one of nine anchor positions.
#pragma once

#include "engine/bitmap.h"
#include "engine/overlays/watermark_font.h"
#include "settings/app_state.h"
#include "settings/settings.h"

#include <cstdint>
#include <memory>
#include <string>

namespace dravik {

// `Watermark/Text` with the output-naming placeholders of the file in work
// filled in. A text with fewer than two "%" is returned as it stands.
// Otherwise each placeholder the text contains (in any case) is replaced,
// in the placeholders' fixed order; literal text keeps its case. "%bpp%" is
// the depth the file will be saved with, also when that depth is chosen
// automatically from the file's input depth.
std::string ExpandWatermarkText(const Settings& settings, const AppState& state);

// True when the text watermark of the file in `state` shows the file count
// or the random number, which change with every file converted.
bool WatermarkFollowsEarlierFiles(const Settings& settings, const AppState& state);

// Draws the watermarks of one batch. It keeps what does not change from
// file to file: the laid-out text while the expanded text stays the same,
// the decoded watermark picture, and the finished overlay for the last
// picture size. The settings and the font must outlive it. Several threads
// may draw with one renderer at once.
class WatermarkRenderer {
  public:
    // `font` may be null: no text watermark is drawn then.
    WatermarkRenderer(const Settings& settings, const WatermarkFont* font);
    ~WatermarkRenderer();
    WatermarkRenderer(const WatermarkRenderer&) = delete;
    WatermarkRenderer& operator=(const WatermarkRenderer&) = delete;

    // Draws the watermark of `Watermark/...` over a W x H picture:
    // - `Do Watermark` 0: the bitmap comes back unchanged;
    // - otherwise it is converted to 24 bits, and for 1 (text) or 2 (the
    //   picture `Watermark/Image`) the watermark is rendered, rotated by the
    //   rotation setting when it lies strictly between 0 and 360 degrees
    //   (counter-clockwise, uncovered corners transparent), cut on its right
    //   and bottom to the available area less the offsets, and composited
    //   at its position. The available area is the picture, or the part
    //   inside the frame widths when the frame is on and the boundary
    //   setting is 1.
    // A watermark that cannot be rendered, is cut to nothing, or does not
    // lie wholly inside the picture at its position leaves the 24-bit
    // picture unmarked. `state` supplies the placeholder values.
    Bitmap draw(Bitmap in, int width, int height, const AppState& state);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The batch start's check of `Watermark/Image`: the path names a regular
// file of more than 0 bytes that decodes as a PNG, JPEG or BMP picture, to
// its last row. A run must not start with a picture it would leave out.
bool WatermarkImageUsable(const std::string& path);

// DrawWatermark for a single picture, without anything kept between calls.
Bitmap DrawWatermark(Bitmap in, int width, int height, const Settings& settings,
                     const AppState& state, const WatermarkFont* font);

} // namespace dravik
