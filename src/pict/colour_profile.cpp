#include "pict/colour_profile.h"

#include <lcms2.h>

#include <algorithm>

namespace dravik::pict {
namespace {

// A profile holds at least its 128-byte header and a tag count.
constexpr size_t kLeastProfile = 132;

struct ProfileClose {
    void operator()(void* p) const { cmsCloseProfile(p); }
};
using Profile = std::unique_ptr<void, ProfileClose>;

std::string Signature(uint32_t sig) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>(sig >> shift & 0xFF);
        text += c >= 32 && c < 127 ? c : '?';
    }
    return text;
}

} // namespace

std::unique_ptr<IccToSrgb> IccToSrgb::FromProfile(std::span<const uint8_t> icc, std::string& why) {
    if (icc.size() < kLeastProfile || icc.size() > UINT32_MAX) {
        why = "a colour profile of " + std::to_string(icc.size()) + " bytes";
        return nullptr;
    }
    Profile source(cmsOpenProfileFromMem(icc.data(), static_cast<cmsUInt32Number>(icc.size())));
    if (!source) {
        why = "a colour profile that cannot be read";
        return nullptr;
    }
    const cmsColorSpaceSignature space = cmsGetColorSpace(source.get());
    if (space != cmsSigRgbData && space != cmsSigGrayData) {
        why = "a colour profile for '" + Signature(space) + "' colours, not RGB or grey";
        return nullptr;
    }
    Profile srgb(cmsCreate_sRGBProfile());
    const bool grey = space == cmsSigGrayData;
    cmsHTRANSFORM transform =
        srgb ? cmsCreateTransform(source.get(), grey ? TYPE_GRAY_8 : TYPE_RGB_8, srgb.get(),
                                  TYPE_RGB_8, INTENT_PERCEPTUAL, 0)
             : nullptr;
    if (transform == nullptr) {
        why = "a colour profile that gives no conversion to sRGB";
        return nullptr;
    }
    return std::unique_ptr<IccToSrgb>(new IccToSrgb(transform, grey));
}

IccToSrgb::~IccToSrgb() {
    cmsDeleteTransform(transform_);
}

void IccToSrgb::convert(uint8_t* rgb, size_t pixels) const {
    // In slices, so that neither the grey buffer nor lcms2's pixel count
    // grows with the image.
    constexpr size_t kSlice = 1 << 16;
    std::vector<uint8_t> grey(grey_ ? std::min(pixels, kSlice) : 0);
    for (size_t done = 0; done < pixels; done += kSlice) {
        const size_t n = std::min(kSlice, pixels - done);
        uint8_t* at = rgb + done * 3;
        if (grey_) {
            for (size_t i = 0; i < n; ++i)
                grey[i] = at[3 * i];
            cmsDoTransform(transform_, grey.data(), at, static_cast<cmsUInt32Number>(n));
        } else {
            cmsDoTransform(transform_, at, at, static_cast<cmsUInt32Number>(n));
        }
    }
}

void PictureProfile::comment(int kind, std::span<const uint8_t> data,
                             std::vector<std::string>& notes) {
    if (kind == kEndProfile) {
        profile_.reset();
        collecting_ = false;
        return;
    }
    if (kind == kEnableMatching || kind == kDisableMatching) {
        matching_ = kind == kEnableMatching;
        return;
    }
    if (kind != kProfileComment || data.size() < 4)
        return;
    // A selector leads the data: the profile begins, continues or ends; a
    // profile identifier (3) names a profile by reference, which a file
    // cannot resolve.
    const uint32_t selector =
        static_cast<uint32_t>(data[0]) << 24 | data[1] << 16 | data[2] << 8 | data[3];
    const auto piece = data.subspan(4);
    if (selector == 0) {
        pieces_.assign(piece.begin(), piece.end());
        collecting_ = true;
    } else if (selector == 1 && collecting_) {
        pieces_.insert(pieces_.end(), piece.begin(), piece.end());
    } else if (selector == 2 && collecting_) {
        collecting_ = false;
        std::string why;
        profile_ = IccToSrgb::FromProfile(pieces_, why);
        if (!profile_)
            notes.push_back("the picture's colour profile was ignored: " + why);
        pieces_.clear();
        pieces_.shrink_to_fit();
    }
}

} // namespace dravik::pict
