// A picture parsed into typed operations, each with the byte where its
// opcode starts. Parsing checks every size against the data; drawing
// (draw.h) then needs no reading of its own beyond the pixel rows the raster
// operations point at.
#pragma once

#include "pict/pict_reader.h"
#include "pict/region.h"
#include "pict/text_ops.h"

#include <array>
#include <string>
#include <variant>

namespace dravik::pict {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// The picture's own description of itself.
struct PictHeader {
    size_t start = 0; // 0, or 512 after the preamble
    int version = 0;  // 1 or 2
    bool extended = false;
    Rect frame;  // picFrame, in 72 dpi units
    Rect source; // the extended header's source rectangle, else the frame
    double hRes = 72, vRes = 72;
};

// Opcodes that change the clip region.
struct ClipOp {
    Region region;
};
// Moves the coordinate origin by (dh, dv).
struct OriginOp {
    int dh = 0, dv = 0;
};
// Foreground, background or arithmetic-mode colour.
struct ColourOp {
    enum Which { Fore, Back, Operand } which = Fore;
    Rgb colour;
    bool known = true; // false for an old-style colour constant that names no colour
};

// A CopyBits call recorded in the picture: BitsRect, BitsRgn, PackBitsRect,
// PackBitsRgn, DirectBitsRect and DirectBitsRgn.
struct RasterOp {
    bool pixMap = false; // false: a 1-bit BitMap coloured with the port's colours
    bool packed = false; // rows are PackBits-compressed, each after its byte count
    int rowBytes = 0;
    size_t rowLength = 0; // bytes per row when the rows are not packed
    Rect bounds;
    int packType = 0; // as used: 0 is resolved to the depth's default
    int pixelSize = 1;
    int cmpCount = 1;
    double hRes = 72;
    std::vector<Rgb> colours; // colour table, indexed by pixel value (pixelSize <= 8)
    Rect src, dst;
    int mode = 0;
    std::optional<Region> mask;
    size_t dataOffset = 0; // the pixel rows in the file
    size_t dataSize = 0;
};

// A QuickTime-compressed image (CompressedQuickTime 0x8200) or an
// uncompressed one (0x8201), its sizes checked against the opcode's length.
struct QuickTimeOp {
    bool compressed = true; // 0x8200: carries a mode, a source rectangle and a mask
    // Maps image coordinates to the port's: x' = a x + c y + h, y' = b x + d y + v
    // (the perspective column is ignored).
    double a = 1, b = 0, c = 0, d = 1, h = 0, v = 0;
    Rect srcRect; // the part of the image drawn, in image pixels
    int mode = 0;
    bool matte = false;         // an alpha matte came with it (not applied)
    std::optional<Region> mask; // in port coordinates
    std::string codec;          // the four characters of the codec type
    int width = 0, height = 0;  // the image description's size
    int depth = 0;              // 1-32, or 33-40 for greys
    int clutId = -1;
    size_t descOffset = 0, descSize = 0; // the image description in the file
    size_t dataOffset = 0, dataSize = 0; // the compressed data in the file
    bool supported = false;              // a decoder for the codec is built in
};

struct Point {
    int h = 0, v = 0;
    bool operator==(const Point&) const = default;
};

// A pattern as a port holds it: 8x8 bits coloured with the foreground (1)
// and background (0) colours, or a pixel pattern's own colours.
struct Pattern {
    std::array<uint8_t, 8> bits{};
    // A pixel pattern's colours, row by row, when it has its own; a dither
    // pattern (type 2) is one colour.
    int width = 0, height = 0;
    std::vector<Rgb> pixels;
    bool operator==(const Pattern&) const = default;
};

// Sets one of the port's pens, patterns or sizes.
struct PenOp {
    enum Which { Size, Mode, OvalSize, LocationFraction } which = Size;
    int h = 0, v = 0; // a size or oval size; Mode and LocationFraction use h
};
struct PatternOp {
    enum Which { Pen, Fill, Back } which = Pen;
    Pattern pattern;
};

// Line, LineFrom, ShortLine and ShortLineFrom: from `start` (the pen
// location when absent) to `end`, or by `end` when `relative`.
struct LineOp {
    std::optional<Point> start;
    Point end;
    bool relative = false;
};

// One shape verb. The "same" opcodes leave the geometry out and reuse the
// last shape the picture drew.
struct ShapeOp {
    enum Kind { Rect, RoundRect, Oval, Arc, Polygon, Region } kind = Rect;
    enum Verb { Frame, Paint, Erase, Invert, Fill } verb = Frame;
    bool same = false;
    pict::Rect rect;                  // rect, round rect, oval, arc; a polygon's bounds
    int startAngle = 0, arcAngle = 0; // arcs, in degrees clockwise from 12 o'clock
    std::vector<Point> points;        // polygons
    std::optional<pict::Region> region;
};

struct CommentOp {
    int kind = 0;
    size_t size = 0;
    size_t dataOffset = 0; // the comment's data in the file (a long comment's)
};

// Content the reader does not draw yet; a picture holding any is answered
// "needs a feature" so that another loader gets its chance.
struct FeatureOp {
    std::string feature; // "text", "QuickTime payload", ...
};

// Parsed and sized but without effect on the picture (pen and text state,
// reserved opcodes, headers). `note` says what it was when it is worth
// telling ("reserved opcode 0x0092").
struct SkipOp {
    std::string note;
};

struct EndOp {};

using OperationData =
    std::variant<SkipOp, ClipOp, OriginOp, ColourOp, RasterOp, CommentOp, FeatureOp, EndOp, PenOp,
                 PatternOp, LineOp, ShapeOp, QuickTimeOp, TextStateOp, TextOp>;

struct Operation {
    uint16_t opcode = 0;
    size_t offset = 0; // the byte of the opcode in the file
    size_t size = 0;   // its data bytes, padding included
    OperationData data;
};

struct ParsedPict {
    PictHeader header;
    std::vector<Operation> operations;
    std::optional<PictFailure> failure; // the walk ended early: operations hold what came before
};

ParsedPict ParsePict(std::span<const uint8_t> bytes, const PictLimits& limits = {});

// The opcode's name from Inside Macintosh's table ("PackBitsRect",
// "reserved"), for tools and notes.
std::string OpcodeName(uint16_t opcode, int version);

// One line describing an operation, for pict-dump.
std::string DescribeOperation(const Operation& op, int version);

} // namespace dravik::pict
