#include "pict/modes.h"

#include <algorithm>
#include <cstring>

namespace dravik::pict {
namespace {

template <typename F> void EachPixel(uint8_t* d, const uint8_t* s, int n, F f) {
    for (int i = 0; i < n; ++i, d += 3, s += 3)
        f(d, s, i);
}

uint8_t Mix(int from, int to, int amount) { // amount 0..255 of `to`
    return static_cast<uint8_t>(from + (to - from) * amount / 255);
}

} // namespace

void Transfer(int mode, uint8_t* d, const uint8_t* s, const uint8_t* ink, int n, bool pixMap,
              const PortState& port) {
    const uint8_t fg[3] = {port.fore.r, port.fore.g, port.fore.b};
    const uint8_t bg[3] = {port.back.r, port.back.g, port.back.b};
    const uint8_t op[3] = {port.opColour.r, port.opColour.g, port.opColour.b};
    const bool invert = mode >= kNotSrcCopy && mode <= kNotSrcBic;
    // How dark the source is, per channel: 255 where it is black.
    auto dark = [&](const uint8_t* sp, int i, int c) -> int {
        int v = ink != nullptr ? (ink[i] ? 255 : 0) : 255 - sp[c];
        return invert ? 255 - v : v;
    };
    switch (mode) {
    case kSrcCopy:
        std::memcpy(d, s, static_cast<size_t>(n) * 3);
        break;
    case kNotSrcCopy:
        EachPixel(d, s, n, [&](uint8_t* dp, const uint8_t* sp, int i) {
            for (int c = 0; c < 3; ++c) {
                int k = dark(sp, i, c);
                dp[c] = pixMap ? static_cast<uint8_t>(255 - k) : Mix(bg[c], fg[c], k);
            }
        });
        break;
    case kSrcOr:
    case kNotSrcOr:
        EachPixel(d, s, n, [&](uint8_t* dp, const uint8_t* sp, int i) {
            for (int c = 0; c < 3; ++c)
                dp[c] = Mix(dp[c], fg[c], dark(sp, i, c));
        });
        break;
    case kSrcBic:
    case kNotSrcBic:
        EachPixel(d, s, n, [&](uint8_t* dp, const uint8_t* sp, int i) {
            for (int c = 0; c < 3; ++c)
                dp[c] = Mix(dp[c], bg[c], dark(sp, i, c));
        });
        break;
    case kSrcXor:
    case kNotSrcXor:
        EachPixel(d, s, n, [&](uint8_t* dp, const uint8_t* sp, int i) {
            for (int c = 0; c < 3; ++c)
                dp[c] = static_cast<uint8_t>(dp[c] ^ dark(sp, i, c));
        });
        break;
    case kBlend:
        EachPixel(d, s, n, [&](uint8_t* dp, const uint8_t* sp, int) {
            for (int c = 0; c < 3; ++c)
                dp[c] = Mix(dp[c], sp[c], op[c]);
        });
        break;
    case kAddPin:
        EachPixel(d, s, n, [&](uint8_t* dp, const uint8_t* sp, int) {
            for (int c = 0; c < 3; ++c)
                dp[c] = static_cast<uint8_t>(std::min(dp[c] + sp[c], int{op[c]}));
        });
        break;
    case kAddOver:
        EachPixel(d, s, n, [&](uint8_t* dp, const uint8_t* sp, int) {
            for (int c = 0; c < 3; ++c)
                dp[c] = static_cast<uint8_t>(dp[c] + sp[c]);
        });
        break;
    case kSubPin:
        EachPixel(d, s, n, [&](uint8_t* dp, const uint8_t* sp, int) {
            for (int c = 0; c < 3; ++c)
                dp[c] = static_cast<uint8_t>(std::max(dp[c] - sp[c], int{op[c]}));
        });
        break;
    case kTransparent:
        EachPixel(d, s, n, [&](uint8_t* dp, const uint8_t* sp, int) {
            if (sp[0] != bg[0] || sp[1] != bg[1] || sp[2] != bg[2])
                std::memcpy(dp, sp, 3);
        });
        break;
    case kAddMax:
        EachPixel(d, s, n, [&](uint8_t* dp, const uint8_t* sp, int) {
            for (int c = 0; c < 3; ++c)
                dp[c] = std::max(dp[c], sp[c]);
        });
        break;
    case kSubOver:
        EachPixel(d, s, n, [&](uint8_t* dp, const uint8_t* sp, int) {
            for (int c = 0; c < 3; ++c)
                dp[c] = static_cast<uint8_t>(dp[c] - sp[c]);
        });
        break;
    case kAdMin:
        EachPixel(d, s, n, [&](uint8_t* dp, const uint8_t* sp, int) {
            for (int c = 0; c < 3; ++c)
                dp[c] = std::min(dp[c], sp[c]);
        });
        break;
    default:
        break;
    }
}

} // namespace dravik::pict
