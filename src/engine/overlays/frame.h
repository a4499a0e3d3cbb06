// The solid frame: four bands along the picture's edges, mitred at the
// corners, drawn over the edge pixels (the picture keeps its size).
#pragma once

#include "engine/bitmap.h"
#include "settings/settings.h"

#include <memory>
#include <mutex>
#include <vector>

namespace dravik {

// The frame overlay for one picture size, kept for the files of a batch
// that share it. It holds only the rectangles along the edges that the
// frame can reach; the rest of the frame canvas is transparent and would
// leave the picture untouched anyway.
class FrameCache {
  public:
    struct Piece {
        Bitmap overlay; // 32-bit, straight alpha
        int x = 0;
        int y = 0;
    };

    using Pieces = std::vector<Piece>;

    // The pieces for a W x H picture, drawn on first use for that size.
    // Empty when drawing failed (the picture then gets no frame). Pictures
    // of a batch are framed on several threads: each keeps the pieces it
    // was given while another size replaces them here.
    std::shared_ptr<const Pieces> piecesFor(int width, int height, const Settings& settings);

  private:
    std::mutex mutex_;
    int width_ = -1;
    int height_ = -1;
    std::shared_ptr<const Pieces> pieces_;
};

// Draws the frame of `Frame/...` over the picture:
// - `Do Frame` 0: the bitmap comes back unchanged;
// - otherwise it is first converted to 24 bits; `Do Frame` other than 1
//   stops there;
// - `Do Frame` 1: the four corner boxes and the four trapezoid bands are
//   filled in the frame colours on a transparent W x H canvas, which is laid
//   over the picture with the constant alpha `Solid Opacity`.
// Drawing that fails leaves the 24-bit picture without frame. The cache is
// optional; with it, the frame is drawn once per picture size.
Bitmap DrawFrame(Bitmap in, int width, int height, const Settings& settings,
                 FrameCache* cache = nullptr);

} // namespace dravik
