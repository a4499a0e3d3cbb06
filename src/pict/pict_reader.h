// Reads a QuickDraw picture (PICT) from its bytes, in this process, and
// draws it onto an 8-bit RGB canvas. The reader parses the file into a list
// of operations first and draws them afterwards; pict/operations.h shows
// that list to tools that want it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace dravik::pict {

struct PictLimits {
    // The canvas never holds more pixels than this: a larger picture is
    // drawn at a lower resolution instead of being refused.
    int64_t maxCanvasPixels = 64'000'000;
    // No picture needs more operations than this; a file that walks past it
    // is answered "too large" rather than read for ever.
    size_t maxOperations = 4'000'000;
    // Drawing shapes costs about one unit per pixel and per span touched; a
    // picture of thousands of canvas-sized shapes is answered "too large"
    // rather than drawn for minutes.
    int64_t maxDrawingWork = 4'000'000'000;
};

// The picture as drawn: rows top first, three bytes (R, G, B) per pixel.
struct PictPicture {
    int width = 0;
    int height = 0;
    double resolution = 72.0; // dots per inch of the canvas
    std::vector<uint8_t> rgb;
};

enum class PictFailureKind {
    NotPict,          // the bytes are no QuickDraw picture
    Damaged,          // the picture breaks off or contradicts itself at `offset`
    TooLarge,         // the picture exceeds the limits
    NeedsFeature,     // the picture holds content this reader does not draw yet
    Empty,            // a well-formed picture with nothing to draw
    UnsupportedCodec, // a QuickTime payload in a codec no decoder here reads
};

struct PictFailure {
    PictFailureKind kind = PictFailureKind::NotPict;
    size_t offset = 0;      // the byte where a damaged picture went wrong
    std::string feature;    // for NeedsFeature: what is missing ("QuickTime payload")
    std::string reason;     // one line for developers and logs, in English
    std::string codec = {}; // for UnsupportedCodec and payloads that failed: the four characters
    // For TooLarge: the picture's size in pixels, when it is known.
    int width = 0, height = 0;
    // Other loaders would draw this picture's fallback notice ("QuickTime and
    // a ... decompressor are needed") in place of its image: do not hand it on.
    bool noHandOver = false;
};

struct PictResult {
    std::optional<PictPicture> picture; // set on success
    PictFailure failure;                // meaningful when picture is empty
    // Content that was passed over while drawing (reserved opcodes, unknown
    // transfer modes drawn as srcCopy, ...), one line each.
    std::vector<std::string> skipped;
    // Some of the picture's text had no installed font to be drawn with:
    // the picture came out without it.
    bool textLeftOut = false;
};

PictResult ReadPict(std::span<const uint8_t> bytes, const PictLimits& limits = {});

} // namespace dravik::pict
