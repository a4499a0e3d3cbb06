// dravik_themes: the pictures the window shows: image slots, theme.cfg, theme archives and the
// built-in artwork. Never depends on Qt or the window; the window draws the slots itself.
//
// The pictures the window shows, held by number so that a theme can replace any of them without
// the widgets knowing where a picture came from. No widget toolkit here: the window turns a slot
// into its own image type when it draws.
#pragma once

#include "themes/artwork/builtin_images.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dravik {

// Straight (not premultiplied) alpha, four bytes per pixel, rows top first, no row padding.
struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;

    bool empty() const { return width <= 0 || height <= 0; }
};

// Slot 0 is the About banner, which no theme replaces. Slot 1 is unused and stays invalid.
inline constexpr int kBannerSlot = 0;
inline constexpr int kImageSlotCount = 53;
// A toolbar icon sits this far above the small icon of the same name.
inline constexpr int kToolbarSlotOffset = 24;

struct SlotName {
    std::string_view name;
    int slot;
};

// The three large buttons, group "Buttons", suffix "16".
std::span<const SlotName> LargeButtonSlots();
// The 22 small icons, group "Icons", suffix "16".
std::span<const SlotName> SmallIconSlots();
// The same names as the small icons, each kToolbarSlotOffset higher; group "Icons", suffix
// IconPixels(Interface/UI Size).
std::span<const SlotName> ToolbarIconSlots();

// Pixel size of toolbar icons for an Interface/UI Size index: 0..4 give 16, 24, 32, 48, 64.
// A hand-edited config may hold anything, so every other index falls back to the smallest.
int IconPixels(int sizeIndex);

bool IsImageSlot(int slot);

class ImageSlots {
  public:
    // An empty picture for an unfilled or invalid slot.
    const RgbaImage& at(int slot) const;
    // Replaces the picture; false (and nothing stored) for an invalid slot.
    bool set(int slot, RgbaImage image);
    // How many slots hold a picture.
    int filledCount() const;

  private:
    std::array<RgbaImage, kImageSlotCount> slots_{};
};

enum class PngStatus {
    Ok,
    Rejected, // not a PNG, damaged, or libpng refused it
    TooLarge, // wider or higher than kMaxPngSide
};

// Themes come from anywhere; a picture beyond this would only be a way to exhaust memory.
inline constexpr int kMaxPngSide = 4096;

struct PngResult {
    PngStatus status = PngStatus::Rejected;
    RgbaImage image; // filled only for Ok
    std::string message;

    bool ok() const { return status == PngStatus::Ok; }
};

// Decodes any PNG libpng reads (palette, grey, 16-bit, interlaced) into RGBA8. Never aborts on
// bad input.
PngResult DecodePng(std::span<const uint8_t> bytes);

struct BuiltinImagesReport {
    int slotsFilled = 0;
    // Table names that match no slot or do not decode.
    std::vector<std::string> failed;
};

// "banner" fills slot 0, "button_<Name>" the large button, "icon_<Name>" the small icon and the
// toolbar icon of that name: the toolbar starts with the 16 px picture until a theme brings a
// larger one.
BuiltinImagesReport RegisterBuiltinImages(ImageSlots& slots, std::span<const EmbeddedImage> table);
// The same with the program's own table, BuiltinImageData().
BuiltinImagesReport RegisterBuiltinImages(ImageSlots& slots);

} // namespace dravik
