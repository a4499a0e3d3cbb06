// The picture watermark: a PNG, JPEG or BMP file, told by its first bytes,
// of which only the part that will show is decoded.
#pragma once

#include "engine/overlays/watermark_source.h"
#include "settings/settings.h"

#include <memory>
#include <string>

namespace dravik::watermark_parts {

// The picture `wm.image` with the greyscale and opacity settings of `wm`.
// Null when the file is missing or is no PNG, JPEG or BMP picture.
std::unique_ptr<Source> OpenPicture(const Settings::Watermark& wm);

// Whether `path` decodes as a PNG, JPEG or BMP picture to its last row.
bool PictureDecodes(const std::string& path);

} // namespace dravik::watermark_parts
