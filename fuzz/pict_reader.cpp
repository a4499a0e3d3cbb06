// Feeds arbitrary bytes to the PICT reader, raster and drawing opcodes alike. The reader runs
// inside the batch and the window, so any crash, hang or unbounded allocation here would take them
// down with it. Seeds: seeds/pict_reader/ holds a QuickTime picture of each codec (written by
// tests/pict/quicktime_test.cpp with DRAVIK_SEED_FOLDER set), so the codecs' decoders are fuzzed too,
// drawings wrapped in picture comments (tests/pict/comments_test.cpp, likewise), and pictures of
// text (long runs, a 255-byte font name, the extreme sizes; written by tests/pict/text_test.cpp).
#include "pict/pict_reader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    dravik::pict::PictLimits limits;
    // Small enough that a run stays fast and the sanitizers stay within
    // their memory, large enough to reach the lowering of big frames.
    limits.maxCanvasPixels = 4'000'000;
    limits.maxOperations = 200'000;
    // Tens of thousands of canvas-sized shapes fit in a few kilobytes; the
    // budget keeps one input to well under a second.
    limits.maxDrawingWork = 30'000'000;
    dravik::pict::ReadPict({data, size}, limits);
    return 0;
}
