#include "themes/image_slots.h"

#include <png.h>

#include <iterator>
#include <string>
#include <utility>

namespace dravik {
namespace {

constexpr SlotName kLargeButtons[] = {
    {"Convert", 2},
    {"InFiles", 3},
    {"InFolder", 4},
};

constexpr SlotName kSmallIcons[] = {
    {"New", 5},
    {"Add", 6},
    {"InFiles", 7},
    {"InFolder", 8},
    {"OutFolder", 9},
    {"OutFormat", 10},
    {"FavFolder", 11},
    {"ImportFiles", 12},
    {"ExportFiles", 13},
    {"Exit", 14},
    {"Copy", 15},
    {"Delete", 16},
    {"SelectAll", 17},
    {"Convert", 18},
    {"Error", 19},
    {"Preferences", 20},
    {"CustomConverter", 21},
    {"Help", 22},
    {"Email", 25},
    {"Web", 26},
    {"Updates", 27},
    {"About", 28},
};

// Derived rather than written out so the two tables cannot drift apart.
constexpr auto MakeToolbarIcons() {
    std::array<SlotName, std::size(kSmallIcons)> result{};
    for (size_t i = 0; i < result.size(); ++i)
        result[i] = {kSmallIcons[i].name, kSmallIcons[i].slot + kToolbarSlotOffset};
    return result;
}
constexpr auto kToolbarIcons = MakeToolbarIcons();

const RgbaImage kNoImage{};

// png_image keeps libpng's state in its opaque member until finish or free; freeing twice is
// harmless, so the guard may run after libpng has already cleaned up on its own.
class PngImageGuard {
  public:
    PngImageGuard() { image_.version = PNG_IMAGE_VERSION; }
    ~PngImageGuard() { png_image_free(&image_); }
    PngImageGuard(const PngImageGuard&) = delete;
    PngImageGuard& operator=(const PngImageGuard&) = delete;
    png_image* get() { return &image_; }

  private:
    png_image image_{};
};

int FindSlot(std::span<const SlotName> table, std::string_view name) {
    for (const SlotName& entry : table) {
        if (entry.name == name)
            return entry.slot;
    }
    return -1;
}

} // namespace

std::span<const SlotName> LargeButtonSlots() {
    return kLargeButtons;
}
std::span<const SlotName> SmallIconSlots() {
    return kSmallIcons;
}
std::span<const SlotName> ToolbarIconSlots() {
    return kToolbarIcons;
}

int IconPixels(int sizeIndex) {
    constexpr int kPixels[] = {16, 24, 32, 48, 64};
    if (sizeIndex < 0 || sizeIndex >= static_cast<int>(std::size(kPixels)))
        return kPixels[0];
    return kPixels[sizeIndex];
}

bool IsImageSlot(int slot) {
    return slot == kBannerSlot || (slot >= 2 && slot < kImageSlotCount);
}

const RgbaImage& ImageSlots::at(int slot) const {
    return IsImageSlot(slot) ? slots_[static_cast<size_t>(slot)] : kNoImage;
}

bool ImageSlots::set(int slot, RgbaImage image) {
    if (!IsImageSlot(slot))
        return false;
    slots_[static_cast<size_t>(slot)] = std::move(image);
    return true;
}

int ImageSlots::filledCount() const {
    int count = 0;
    for (const RgbaImage& image : slots_)
        count += image.empty() ? 0 : 1;
    return count;
}

PngResult DecodePng(std::span<const uint8_t> bytes) {
    PngResult result;
    if (bytes.empty()) {
        result.message = "no data";
        return result;
    }
    PngImageGuard guard;
    png_image* image = guard.get();
    // The simplified interface catches libpng's longjmp itself and reports through the return
    // value, which is what keeps a hostile theme from taking the program down.
    if (png_image_begin_read_from_memory(image, bytes.data(), bytes.size()) == 0) {
        result.message = image->message;
        return result;
    }
    if (image->width == 0 || image->height == 0 || image->width > kMaxPngSide ||
        image->height > kMaxPngSide) {
        result.status = PngStatus::TooLarge;
        result.message =
            "picture is " + std::to_string(image->width) + "x" + std::to_string(image->height);
        return result;
    }
    image->format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(*image));
    if (png_image_finish_read(image, nullptr, pixels.data(), 0, nullptr) == 0) {
        result.message = image->message;
        return result;
    }
    result.status = PngStatus::Ok;
    result.image.width = static_cast<int>(image->width);
    result.image.height = static_cast<int>(image->height);
    result.image.rgba = std::move(pixels);
    return result;
}

BuiltinImagesReport RegisterBuiltinImages(ImageSlots& slots, std::span<const EmbeddedImage> table) {
    constexpr std::string_view kButtonPrefix = "button_";
    constexpr std::string_view kIconPrefix = "icon_";
    BuiltinImagesReport report;
    for (const EmbeddedImage& entry : table) {
        const std::string_view name = entry.name != nullptr ? entry.name : "";
        int first = -1;
        int second = -1;
        if (name == "banner") {
            first = kBannerSlot;
        } else if (name.starts_with(kButtonPrefix)) {
            first = FindSlot(kLargeButtons, name.substr(kButtonPrefix.size()));
        } else if (name.starts_with(kIconPrefix)) {
            first = FindSlot(kSmallIcons, name.substr(kIconPrefix.size()));
            if (first >= 0)
                second = first + kToolbarSlotOffset;
        }
        if (first < 0 || entry.data == nullptr) {
            report.failed.emplace_back(name);
            continue;
        }
        PngResult decoded = DecodePng({entry.data, entry.size});
        if (!decoded.ok()) {
            report.failed.emplace_back(name);
            continue;
        }
        if (second >= 0) {
            slots.set(second, decoded.image);
            ++report.slotsFilled;
        }
        slots.set(first, std::move(decoded.image));
        ++report.slotsFilled;
    }
    return report;
}

BuiltinImagesReport RegisterBuiltinImages(ImageSlots& slots) {
    return RegisterBuiltinImages(slots, BuiltinImageData());
}

} // namespace dravik
