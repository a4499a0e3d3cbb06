// The built-in pictures, compiled in from src/themes/artwork/builtin/ at build time. No widget
// toolkit: the window decodes the PNG bytes itself, and tests can read the table without Qt.
#pragma once

#include <cstddef>
#include <span>

namespace dravik {

// One PNG file: name is the file name without ".png" ("banner", "button_Convert",
// "icon_New", ...), data its bytes, unchanged.
struct EmbeddedImage {
    const char* name;
    const unsigned char* data;
    size_t size;
};

// Every picture of the set, sorted by name, each name once.
std::span<const EmbeddedImage> BuiltinImageData();

} // namespace dravik
