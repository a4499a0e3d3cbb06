#include "pict/draw.h"

#include "pict/quicktime.h"
#include "pict/raster.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace dravik::pict {
namespace {

// A picture that moves its origin thousands of times could drift beyond any
// coordinate a rectangle can hold; past this it draws nothing either way.
constexpr int kOriginLimit = 1 << 20;

} // namespace

CanvasGeometry ChooseGeometry(const PictHeader& header, int64_t maxPixels) {
    CanvasGeometry g;
    g.area = header.extended ? header.source : header.frame;
    double w = header.frame.width();
    double h = header.frame.height();
    g.resolution = 72;
    const bool native = header.extended && (header.hRes != 72 || header.vRes != 72);
    if (native) {
        w = header.source.width();
        h = header.source.height();
        g.resolution = header.hRes;
    }
    if (maxPixels > 0 && w * h > static_cast<double>(maxPixels)) {
        const double scale = std::sqrt(static_cast<double>(maxPixels) / (w * h));
        w = std::floor(w * scale);
        h = std::floor(h * scale);
        g.resolution *= scale;
    }
    g.width = std::max(1, static_cast<int>(w));
    g.height = std::max(1, static_cast<int>(h));
    return g;
}

DrawOutcome DrawOperations(const ParsedPict& parsed, std::span<const uint8_t> bytes,
                           const CanvasGeometry& geometry, int64_t maxImagePixels) {
    DrawOutcome out;
    out.picture.width = geometry.width;
    out.picture.height = geometry.height;
    out.picture.resolution = geometry.resolution;
    out.picture.rgb.assign(static_cast<size_t>(geometry.width) * geometry.height * 3, 255);

    RasterTarget target{out.picture.rgb.data(), geometry.width, geometry.height, geometry.area};
    PortState port;
    // Before any Clip opcode the whole plane is open.
    port.clip = Region::FromRect({-32768, -32768, 32767, 32767});
    auto note = [&](std::string line) {
        if (std::find(out.skipped.begin(), out.skipped.end(), line) == out.skipped.end())
            out.skipped.push_back(std::move(line));
    };
    // Where QuickTime images landed (device coordinates): a bitmap drawn to
    // the same rectangle afterwards is their fallback for machines without
    // QuickTime.
    std::vector<Rect> quickTimeRects;
    // A few bytes of JPEG can promise an image of the largest size: the
    // images of one picture share a budget, so that repeating one cannot
    // make a small file decode for minutes.
    int64_t quickTimeBudget = 4 * maxImagePixels;

    for (const Operation& op : parsed.operations) {
        if (const auto* clip = std::get_if<ClipOp>(&op.data)) {
            port.clip = clip->region.offset(-port.originH, -port.originV);
        } else if (const auto* origin = std::get_if<OriginOp>(&op.data)) {
            port.originH = std::clamp(port.originH + origin->dh, -kOriginLimit, kOriginLimit);
            port.originV = std::clamp(port.originV + origin->dv, -kOriginLimit, kOriginLimit);
        } else if (const auto* colour = std::get_if<ColourOp>(&op.data)) {
            if (!colour->known)
                note("an old-style colour that names no colour");
            if (colour->which == ColourOp::Fore)
                port.fore = colour->colour;
            else if (colour->which == ColourOp::Back)
                port.back = colour->colour;
            else
                port.opColour = colour->colour;
        } else if (const auto* qt = std::get_if<QuickTimeOp>(&op.data)) {
            QuickTimeDrawn drawn =
                DrawQuickTime(*qt, bytes, port, target, std::min(maxImagePixels, quickTimeBudget));
            quickTimeBudget -= drawn.decodedPixels;
            if (!drawn.error.empty()) {
                out.failure = PictFailure{drawn.tooLarge ? PictFailureKind::TooLarge
                                                         : PictFailureKind::Damaged,
                                          op.offset,
                                          {},
                                          drawn.error};
                out.failure->codec = qt->codec;
                out.failure->noHandOver = true;
                return out;
            }
            quickTimeRects.push_back(drawn.destination.offset(-port.originH, -port.originV));
            out.drewSomething = out.drewSomething || drawn.drewPixels;
            for (std::string& line : drawn.notes)
                note(std::move(line));
        } else if (const auto* raster = std::get_if<RasterOp>(&op.data)) {
            const Rect dst = raster->dst.offset(-port.originH, -port.originV);
            if ((op.opcode == 0x98 || op.opcode == 0x9A) &&
                std::find(quickTimeRects.begin(), quickTimeRects.end(), dst) !=
                    quickTimeRects.end())
                continue;
            RasterNotes notes = DrawRaster(*raster, bytes, port, target);
            out.drewSomething = out.drewSomething || notes.drewPixels;
            if (notes.unknownMode)
                note("transfer mode " + std::to_string(raster->mode) + " drawn as srcCopy");
        } else if (const auto* skip = std::get_if<SkipOp>(&op.data)) {
            if (!skip->note.empty())
                note(skip->note);
        }
    }
    return out;
}

} // namespace dravik::pict
