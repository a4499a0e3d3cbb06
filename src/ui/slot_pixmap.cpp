#include "ui/slot_pixmap.h"

#include <QImage>

namespace dravik {

QPixmap SlotPixmap(const ImageSlots& slots, int slot) {
    const RgbaImage& image = slots.at(slot);
    if (image.empty())
        return {};
    // The view borrows the slot's pixels; copy() detaches before the slot can change.
    const QImage view(image.rgba.data(), image.width, image.height, image.width * 4,
                      QImage::Format_RGBA8888);
    return QPixmap::fromImage(view.copy());
}

} // namespace dravik
