// A theme picture as something a widget can show.
#pragma once

#include "themes/image_slots.h"

#include <QPixmap>

namespace dravik {

// The picture of slot; a null pixmap for an empty or invalid slot.
QPixmap SlotPixmap(const ImageSlots& slots, int slot);

} // namespace dravik
