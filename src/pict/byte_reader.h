// Bounds-checked big-endian reads over the picture's bytes. A read past the
// end returns 0 and remembers where the data ran out, so a parser can read a
// whole record and check once.
#pragma once

#include "pict/region.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace dravik::pict {

class ByteReader {
  public:
    explicit ByteReader(std::span<const uint8_t> bytes, size_t pos = 0)
        : bytes_(bytes), pos_(pos) {}

    size_t pos() const { return pos_; }
    size_t size() const { return bytes_.size(); }
    size_t left() const { return pos_ < bytes_.size() ? bytes_.size() - pos_ : 0; }
    bool failed() const { return failed_; }
    // The first byte that could not be read.
    size_t failedAt() const { return failedAt_; }
    std::span<const uint8_t> bytes() const { return bytes_; }

    bool has(size_t n) const { return !failed_ && n <= left(); }
    bool skip(size_t n) {
        if (!has(n))
            return fail();
        pos_ += n;
        return true;
    }
    uint8_t u8() {
        if (!has(1))
            return fail(), 0;
        return bytes_[pos_++];
    }
    uint16_t u16() {
        if (!has(2))
            return fail(), 0;
        uint16_t v = static_cast<uint16_t>((bytes_[pos_] << 8) | bytes_[pos_ + 1]);
        pos_ += 2;
        return v;
    }
    int16_t s16() { return static_cast<int16_t>(u16()); }
    uint32_t u32() {
        uint32_t hi = u16();
        return (hi << 16) | u16();
    }
    // A 16.16 fixed-point number.
    double fixed() { return static_cast<int32_t>(u32()) / 65536.0; }
    std::span<const uint8_t> take(size_t n) {
        if (!has(n))
            return fail(), std::span<const uint8_t>();
        auto s = bytes_.subspan(pos_, n);
        pos_ += n;
        return s;
    }
    uint16_t peek16() const {
        if (!has(2))
            return 0;
        return static_cast<uint16_t>((bytes_[pos_] << 8) | bytes_[pos_ + 1]);
    }

  private:
    bool fail() {
        if (!failed_)
            failedAt_ = pos_;
        failed_ = true;
        return false;
    }
    std::span<const uint8_t> bytes_;
    size_t pos_ = 0;
    bool failed_ = false;
    size_t failedAt_ = 0;
};

// A QuickDraw Rect as pictures store it: top, left, bottom, right.
inline Rect ReadRect(ByteReader& r) {
    Rect rect;
    rect.top = r.s16();
    rect.left = r.s16();
    rect.bottom = r.s16();
    rect.right = r.s16();
    return rect;
}

} // namespace dravik::pict
