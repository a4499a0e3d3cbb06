// Draws a picture's text runs with pango and cairo: the port's text state,
// the rotation the text comments ask for, the foreground colour and the
// text mode, inside the clip region.
//
// Antialiasing follows the Macintosh's screen: text smaller than 12 pixels
// is drawn hinted and without antialiasing, as QuickDraw's bitmap fonts
// were; from 12 pixels on it is smoothed, as the System smoothed large text
// once it could.
#pragma once

#include "pict/coverage.h"
#include "pict/raster.h"
#include "pict/text_fonts.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <tuple>
#include <utility>

namespace dravik::pict {

// Below this many pixels of em size, text is drawn without antialiasing.
constexpr double kSmoothTextFrom = 12;

class TextDrawer {
  public:
    TextDrawer(const RasterTarget& target, const PortState& port, DrawBudget& budget,
               std::function<void(std::string)> note);
    ~TextDrawer();
    TextDrawer(const TextDrawer&) = delete;
    TextDrawer& operator=(const TextDrawer&) = delete;

    void state(const TextStateOp& op);
    // The text comments: TextBegin, TextEnd, TextCenter, RotateBegin,
    // RotateCenter and RotateEnd; others are passed over. Their data is read
    // from `bytes`, the picture.
    void comment(const CommentOp& op, std::span<const uint8_t> bytes);
    // True when the run put pixels on the canvas.
    bool run(const TextOp& op);
    // Some text had no font to be drawn with.
    bool leftOut() const { return leftOut_; }

  private:
    struct Rotation {
        double angle = 0;                // degrees clockwise
        int flip = 0;                    // 1 horizontal, 2 vertical
        double centreH = 0, centreV = 0; // from the run's origin
    };
    struct Pango;
    const MacFont& chooseFont(bool bold, bool italic);

    const RasterTarget& target_;
    const PortState& port_;
    DrawBudget& budget_;
    std::function<void(std::string)> note_;
    std::unique_ptr<Pango> pango_;

    int font_ = 0, face_ = 0, size_ = 0, mode_ = 1;
    double spaceExtra_ = 0, charExtra_ = 0, justifySpacing_ = 0, justifyExtra_ = 0;
    int ratio_[4] = {1, 1, 1, 1};
    bool fractional_ = false;
    std::map<int, std::string> fontNames_;
    std::map<std::tuple<int, std::string, bool, bool>, MacFont> fonts_;
    int originH_ = 0, originV_ = 0; // the last run's, in picture coordinates
    Rotation text_, rotate_;
    bool textRotated_ = false, rotated_ = false;
    // Where a rotated block turns, in picture coordinates, once its first run
    // has set it.
    std::optional<std::pair<double, double>> textPivot_, rotatePivot_;
    bool leftOut_ = false;
};

} // namespace dravik::pict
