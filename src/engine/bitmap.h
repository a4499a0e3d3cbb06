// The one owner of a FreeImage bitmap. Every image step takes a Bitmap by
// value and returns the one that replaces it, so the bitmap it was given is
// unloaded exactly when it is no longer needed.
#pragma once

#include <FreeImage.h>

#include <utility>

namespace dravik {

class Bitmap {
public:
    Bitmap() = default;
    explicit Bitmap(FIBITMAP* dib) : dib_(dib) {}
    ~Bitmap() { reset(); }
    Bitmap(Bitmap&& other) noexcept : dib_(std::exchange(other.dib_, nullptr)) {}
    Bitmap& operator=(Bitmap&& other) noexcept {
        if (this != &other)
            reset(std::exchange(other.dib_, nullptr));
        return *this;
    }
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    FIBITMAP* get() const { return dib_; }
    explicit operator bool() const { return dib_ != nullptr; }
    FIBITMAP* release() { return std::exchange(dib_, nullptr); }
    void reset(FIBITMAP* dib = nullptr) {
        if (dib_ != nullptr && dib_ != dib)
            FreeImage_Unload(dib_);
        dib_ = dib;
    }

    unsigned width() const { return dib_ ? FreeImage_GetWidth(dib_) : 0; }
    unsigned height() const { return dib_ ? FreeImage_GetHeight(dib_) : 0; }
    unsigned bpp() const { return dib_ ? FreeImage_GetBPP(dib_) : 0; }

private:
    FIBITMAP* dib_ = nullptr;
};

// Replaces the bitmap by the result of a FreeImage conversion that makes a
// new one (ConvertTo24Bits and the like); a failed conversion gives null.
template <typename Convert>
Bitmap Converted(Bitmap in, Convert convert) {
    if (!in)
        return in;
    return Bitmap(convert(in.get()));
}

} // namespace dravik
