// An output file made in memory and written to disk in one piece. Encoding
// can then happen on any thread, ahead of the turn in which the file is
// named and written.
#pragma once

#include "engine/bitmap.h"

#include <FreeImage.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace dravik {

// The bytes of one encoded picture; none when it could not be encoded.
class EncodedImage {
  public:
    EncodedImage() = default;
    explicit EncodedImage(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

    explicit operator bool() const { return !bytes_.empty(); }
    const uint8_t* data() const { return bytes_.data(); }
    size_t size() const { return bytes_.size(); }

  private:
    std::vector<uint8_t> bytes_;
};

// The picture encoded by the plugin `fif` with `flags`: the bytes FreeImage
// writes to a file, gaps an encoder seeks over included (as zeros, where
// FreeImage's own memory stream would leave whatever the heap held). Empty
// when the encoder refuses the picture.
EncodedImage EncodeImage(const Bitmap& bitmap, int fif, int flags);

// Writes the bytes to a fresh file beside `path` with the permission bits
// `mode` and renames it over `path`, so that a failed write never leaves
// half a file nor destroys what `path` held. On failure returns false and
// the system's reason (strerror) in `why`.
bool WriteFileAtomically(const std::string& path, const EncodedImage& bytes, unsigned mode,
                         std::string& why);

} // namespace dravik
