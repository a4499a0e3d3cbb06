// The text opcodes of a picture as parsed operations: the port's text
// state and the runs drawn with it.
#pragma once

#include <cstdint>
#include <string>

namespace dravik::pict {

// TxFont, fontName, TxFace, TxSize, TxMode, SpExtra, ChExtra, TxRatio,
// lineJustify and glyphState.
struct TextStateOp {
    enum Which {
        Font,
        FontName,
        Face,
        Size,
        Mode,
        SpaceExtra,
        CharExtra,
        Ratio,
        LineJustify,
        GlyphState
    } which = Font;
    int value = 0;     // font number, face bits, size, mode; glyphState: fractional widths
    double amount = 0; // SpExtra, ChExtra and lineJustify's inter-character spacing, in pixels
    double extra = 0;  // lineJustify's total extra space
    int ratio[4] = {1, 1, 1, 1}; // TxRatio: numerator h, v, denominator h, v
    std::string name;            // fontName's family name, MacRoman
};

// LongText (absolute), DHText, DVText and DHDVText (relative to the last
// run's origin). The position is the baseline origin.
struct TextOp {
    bool relative = false;
    int h = 0, v = 0;  // the point, or the offsets of a relative run
    std::string bytes; // the characters, in the font's own encoding
};

} // namespace dravik::pict
