#include "pict/text_parse.h"

#include <algorithm>

namespace dravik::pict {

std::optional<TextStateOp> ReadTextState(uint16_t opcode, std::span<const uint8_t> data) {
    ByteReader d(data);
    TextStateOp t;
    switch (opcode) {
    case 0x03:
        t.which = TextStateOp::Font;
        t.value = d.u16();
        break;
    case 0x04:
        t.which = TextStateOp::Face;
        t.value = d.u8();
        break;
    case 0x05:
        t.which = TextStateOp::Mode;
        t.value = d.u16();
        break;
    case 0x06:
        t.which = TextStateOp::SpaceExtra;
        t.amount = d.fixed();
        break;
    case 0x0D:
        t.which = TextStateOp::Size;
        t.value = d.s16();
        break;
    case 0x10:
        // Two points, numerator then denominator, each vertical first.
        t.which = TextStateOp::Ratio;
        t.ratio[1] = d.s16();
        t.ratio[0] = d.s16();
        t.ratio[3] = d.s16();
        t.ratio[2] = d.s16();
        break;
    case 0x16:
        // Color QuickDraw keeps the extra character space as 4.12 fixed point.
        t.which = TextStateOp::CharExtra;
        t.amount = d.s16() / 4096.0;
        break;
    case 0x2C: {
        t.which = TextStateOp::FontName;
        t.value = d.u16();
        const size_t length = d.u8();
        auto name = d.take(std::min(length, d.left()));
        t.name.assign(name.begin(), name.end());
        break;
    }
    case 0x2D:
        t.which = TextStateOp::LineJustify;
        t.amount = d.fixed();
        t.extra = d.fixed();
        break;
    case 0x2E:
        // outlinePreferred, preserveGlyphs, fractionalWidths, scalingDisabled
        t.which = TextStateOp::GlyphState;
        d.u8();
        d.u8();
        t.value = d.u8();
        break;
    default:
        return std::nullopt;
    }
    return t;
}

TextOp ReadTextRun(uint16_t opcode, ByteReader& r) {
    TextOp t;
    t.relative = opcode != 0x28;
    if (opcode == 0x28) {
        t.v = r.s16();
        t.h = r.s16();
    } else {
        // The offsets are unsigned: runs only ever move right and down.
        if (opcode == 0x29 || opcode == 0x2B)
            t.h = r.u8();
        if (opcode == 0x2A || opcode == 0x2B)
            t.v = r.u8();
    }
    auto text = r.take(r.u8());
    t.bytes.assign(text.begin(), text.end());
    return t;
}

} // namespace dravik::pict
