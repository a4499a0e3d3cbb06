#include "pict/pict_reader.h"

#include "pict/comments.h"
#include "pict/draw.h"
#include "pict/operations.h"
#include "pict/quicktime.h"

#include <algorithm>
#include <cstdio>

namespace dravik::pict {
namespace {

std::string Hex(uint16_t opcode) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", opcode);
    return text;
}

std::string RectText(const Rect& r) {
    return "(" + std::to_string(r.top) + "," + std::to_string(r.left) + "," +
           std::to_string(r.bottom) + "," + std::to_string(r.right) + ")";
}

// Draws a parsed picture, or says why not.
PictResult DrawParsed(const ParsedPict& parsed, std::span<const uint8_t> bytes,
                      const PictLimits& limits) {
    PictResult result;
    if (parsed.failure) {
        result.failure = *parsed.failure;
        return result;
    }
    // Other loaders draw a QuickTime picture's fallback notice in place of
    // its image, so none of its failures hands it on; a codec no decoder
    // here reads fails the picture before anything is drawn.
    bool quickTime = false;
    for (const Operation& op : parsed.operations) {
        const auto* qt = std::get_if<QuickTimeOp>(&op.data);
        if (qt == nullptr)
            continue;
        quickTime = true;
        if (!qt->supported && !qt->codec.empty()) {
            result.failure = PictFailure{PictFailureKind::UnsupportedCodec,
                                         op.offset,
                                         {},
                                         "QuickTime codec '" + qt->codec + "' is not supported"};
            result.failure.codec = qt->codec;
            result.failure.noHandOver = true;
            return result;
        }
    }
    // Drawing only part of a picture would make it look worse than another
    // loader may: anything this reader lacks hands the whole file on.
    std::vector<std::string> features;
    size_t firstAt = 0;
    for (const Operation& op : parsed.operations) {
        if (const auto* f = std::get_if<FeatureOp>(&op.data)) {
            if (features.empty())
                firstAt = op.offset;
            if (std::find(features.begin(), features.end(), f->feature) == features.end())
                features.push_back(f->feature);
        }
    }
    if (!features.empty()) {
        std::string list;
        for (const std::string& f : features)
            list += (list.empty() ? "" : ", ") + f;
        result.failure = PictFailure{PictFailureKind::NeedsFeature, firstAt, features.front(),
                                     "the picture holds " + list};
        result.failure.noHandOver = quickTime;
        return result;
    }
    const CanvasGeometry geometry = ChooseGeometry(parsed.header, limits.maxCanvasPixels);
    DrawOutcome drawn =
        DrawOperations(parsed, bytes, geometry, limits.maxDrawingWork, limits.maxCanvasPixels);
    if (drawn.failure) {
        result.failure = *drawn.failure;
        return result;
    }
    result.skipped = std::move(drawn.skipped);
    if (drawn.overBudget) {
        result.failure = PictFailure{PictFailureKind::TooLarge,
                                     bytes.size(),
                                     {},
                                     "drawing the shapes costs more than the limit allows"};
        return result;
    }
    if (!drawn.drewSomething) {
        result.failure =
            PictFailure{PictFailureKind::Empty, bytes.size(), {}, "the picture draws nothing"};
        return result;
    }
    result.picture = std::move(drawn.picture);
    result.textLeftOut = drawn.textLeftOut;
    return result;
}

} // namespace

PictResult ReadPict(std::span<const uint8_t> bytes, const PictLimits& limits) {
    const ParsedPict parsed = ParsePict(bytes, limits);
    PictResult result = DrawParsed(parsed, bytes, limits);
    // A picture too large to read says how large it is, at its own
    // resolution (before any lowering to fit the canvas limit), unless an
    // image inside it has said so already.
    if (!result.picture && result.failure.kind == PictFailureKind::TooLarge &&
        result.failure.width == 0 && parsed.header.version != 0) {
        const CanvasGeometry full = ChooseGeometry(parsed.header, 0);
        result.failure.width = full.width;
        result.failure.height = full.height;
    }
    return result;
}

std::string DescribeOperation(const Operation& op, int version) {
    std::string line = std::to_string(op.offset) + " " + Hex(op.opcode) + " " +
                       OpcodeName(op.opcode, version) + " (" + std::to_string(op.size) + " bytes)";
    std::visit(
        [&](const auto& d) {
            using T = std::decay_t<decltype(d)>;
            if constexpr (std::is_same_v<T, ClipOp>) {
                line += " bounds " + RectText(d.region.bounds()) +
                        (d.region.isRectangular() ? " rectangular" : "");
            } else if constexpr (std::is_same_v<T, OriginOp>) {
                line += " dh " + std::to_string(d.dh) + " dv " + std::to_string(d.dv);
            } else if constexpr (std::is_same_v<T, ColourOp>) {
                line += " rgb " + std::to_string(d.colour.r) + "," + std::to_string(d.colour.g) +
                        "," + std::to_string(d.colour.b) + (d.known ? "" : " (unknown)");
            } else if constexpr (std::is_same_v<T, RasterOp>) {
                line += std::string(d.pixMap ? " pixmap " : " bitmap ") +
                        std::to_string(d.pixMap ? d.pixelSize : 1) + "-bit";
                if (d.pixMap)
                    line += " packType " + std::to_string(d.packType) + " cmpCount " +
                            std::to_string(d.cmpCount) + " colours " +
                            std::to_string(d.colours.size());
                line += " rowBytes " + std::to_string(d.rowBytes) +
                        (d.packed ? " packed" : " unpacked") + " bounds " + RectText(d.bounds) +
                        " src " + RectText(d.src) + " dst " + RectText(d.dst) + " mode " +
                        std::to_string(d.mode);
                if (d.mask)
                    line += " mask " + RectText(d.mask->bounds());
            } else if constexpr (std::is_same_v<T, CommentOp>) {
                const std::string name = CommentName(d.kind);
                line += " kind " + std::to_string(d.kind) + (name.empty() ? "" : " " + name) +
                        " size " + std::to_string(d.size);
            } else if constexpr (std::is_same_v<T, QuickTimeOp>) {
                line += " codec '" + d.codec + "' " + std::to_string(d.width) + "x" +
                        std::to_string(d.height) + " depth " + std::to_string(d.depth) + " clut " +
                        std::to_string(d.clutId) + " data " + std::to_string(d.dataSize) + " src " +
                        RectText(d.srcRect) + " to " + RectText(QuickTimeDestination(d)) +
                        " mode " + std::to_string(d.mode) + (d.mask ? " mask" : "") +
                        (d.matte ? " matte" : "") + (d.supported ? "" : " [not supported]");
            } else if constexpr (std::is_same_v<T, FeatureOp>) {
                line += " [needs " + d.feature + "]";
            } else if constexpr (std::is_same_v<T, PenOp>) {
                line += " " + std::to_string(d.h) + "," + std::to_string(d.v);
            } else if constexpr (std::is_same_v<T, LineOp>) {
                if (d.start)
                    line +=
                        " from " + std::to_string(d.start->h) + "," + std::to_string(d.start->v);
                line += (d.relative ? " by " : " to ") + std::to_string(d.end.h) + "," +
                        std::to_string(d.end.v);
            } else if constexpr (std::is_same_v<T, ShapeOp>) {
                if (!d.same)
                    line += " " + RectText(d.rect);
                if (d.kind == ShapeOp::Arc)
                    line += " angles " + std::to_string(d.startAngle) + "," +
                            std::to_string(d.arcAngle);
                if (!d.points.empty())
                    line += " " + std::to_string(d.points.size()) + " points";
            } else if constexpr (std::is_same_v<T, PatternOp>) {
                if (!d.pattern.pixels.empty())
                    line += " pixels " + std::to_string(d.pattern.width) + "x" +
                            std::to_string(d.pattern.height);
            } else if constexpr (std::is_same_v<T, SkipOp>) {
                if (!d.note.empty())
                    line += " [" + d.note + "]";
            }
        },
        op.data);
    return line;
}

} // namespace dravik::pict
