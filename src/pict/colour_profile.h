// Colour matching: ICC profiles that came with a picture (in its comments)
// or with one of its images, converted to sRGB through lcms2. Colours with no
// profile are taken as sRGB and left alone.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace dravik::pict {

// The conversion from one profile's colours to sRGB.
class IccToSrgb {
  public:
    // Null when the profile cannot be used; `why` then says why.
    static std::unique_ptr<IccToSrgb> FromProfile(std::span<const uint8_t> icc, std::string& why);
    ~IccToSrgb();
    IccToSrgb(const IccToSrgb&) = delete;
    IccToSrgb& operator=(const IccToSrgb&) = delete;

    // Converts 8-bit RGB pixels in place. A grey profile reads the red
    // channel, which grey images repeat in all three.
    void convert(uint8_t* rgb, size_t pixels) const;

  private:
    IccToSrgb(void* transform, bool grey) : transform_(transform), grey_(grey) {}
    void* transform_; // cmsHTRANSFORM
    bool grey_;
};

// A picture's own profile, as ColorSync recorded it in picture comments: a
// profile comment (kind 224) begins it, more of them continue it, one ends
// it; from then on the picture's colours are matched through it, until a
// comment ends the profile's use or turns matching off.
class PictureProfile {
  public:
    static constexpr int kProfileComment = 224;
    static constexpr int kEndProfile = 221;
    static constexpr int kEnableMatching = 222;
    static constexpr int kDisableMatching = 223;

    // One picture comment with its data; notes say what was passed over.
    void comment(int kind, std::span<const uint8_t> data, std::vector<std::string>& notes);
    // The conversion that applies now, or null.
    const IccToSrgb* current() const { return matching_ ? profile_.get() : nullptr; }

  private:
    std::vector<uint8_t> pieces_;
    bool collecting_ = false;
    bool matching_ = true;
    std::unique_ptr<IccToSrgb> profile_;
};

} // namespace dravik::pict
