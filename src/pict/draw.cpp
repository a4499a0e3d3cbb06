#include "pict/draw.h"

#include "pict/lines.h"
#include "pict/modes.h"
#include "pict/paint.h"
#include "pict/quicktime.h"
#include "pict/raster.h"
#include "pict/shapes.h"
#include "pict/text_draw.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

#include <sys/mman.h>

namespace dravik::pict {
namespace {

// A picture that moves its origin thousands of times could drift beyond any
// coordinate a rectangle can hold; past this it draws nothing either way.
constexpr int kOriginLimit = 1 << 20;

// The pen and the patterns: the part of the port that shapes and lines use.
struct Pen {
    int width = 1, height = 1;
    int mode = 8; // patCopy
    Point location;
    int ovalWidth = 0, ovalHeight = 0;
    Pattern pen = Solid(), fill = Solid(), back;
    // The "same" verbs reuse these.
    Rect lastRect;
    std::vector<Point> lastPoints;
    std::optional<Region> lastRegion;

    static Pattern Solid() {
        Pattern p;
        p.bits.fill(0xFF);
        return p;
    }
};

// A white canvas of n bytes. A line down a large canvas writes to a new
// page on every row; with 4 KB pages each of those is a TLB miss, which
// costs more than the drawing. Large canvases ask for huge pages before
// their first write (a hint: without it they work as before).
void WhiteCanvas(std::vector<uint8_t>& rgb, size_t n) {
    constexpr size_t kHugePage = size_t{2} << 20;
    rgb.clear();
    rgb.reserve(n);
    if (n >= 4 * kHugePage) {
        const auto start = reinterpret_cast<uintptr_t>(rgb.data());
        const uintptr_t from = (start + kHugePage - 1) & ~(kHugePage - 1);
        const uintptr_t to = (start + n) & ~(kHugePage - 1);
        if (from < to)
            ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
    }
    rgb.assign(n, 255);
}

Rect Inset(const Rect& r, int dh, int dv) {
    return {r.top + dv, r.left + dh, r.bottom - dv, r.right - dh};
}

// Draws lines and shape verbs; notes what it could not draw as recorded.
class ShapeDrawer {
  public:
    ShapeDrawer(const RasterTarget& target, const PortState& port, DrawBudget& budget,
                std::function<void(std::string)> note)
        : target_(target), port_(port), budget_(budget), note_(std::move(note)) {}

    Pen pen;

    bool line(const LineOp& op) {
        const Point from = op.start.value_or(pen.location);
        const Point to = op.relative ? Point{from.h + op.end.h, from.v + op.end.v} : op.end;
        pen.location = to;
        const Point a = local(from), b = local(to);
        CoverageBuilder rows =
            BuilderFor(std::min(a.v, b.v), std::max(a.v, b.v) + pen.height, target_.area);
        AddLine(rows, a, b, pen.width, pen.height, target_.area);
        return paint(rows.finish(), pen.pen, penMode());
    }

    bool shape(ShapeOp op) {
        if (op.same) {
            op.rect = pen.lastRect;
            op.points = pen.lastPoints;
            op.region = pen.lastRegion;
        } else if (op.kind == ShapeOp::Polygon) {
            pen.lastPoints = op.points;
        } else if (op.kind == ShapeOp::Region) {
            pen.lastRegion = op.region;
        } else {
            pen.lastRect = op.rect;
        }
        const Rect r = op.rect.offset(-port_.originH, -port_.originV);
        const bool frame = op.verb == ShapeOp::Frame;
        if (frame && (pen.width <= 0 || pen.height <= 0))
            return false;
        const int pw = pen.width, ph = pen.height;
        Coverage c;
        switch (op.kind) {
        case ShapeOp::Rect:
            c = RectCoverage(r, target_.area);
            if (frame)
                c = Subtract(c, RectCoverage(Inset(r, pw, ph), target_.area));
            break;
        case ShapeOp::RoundRect:
            c = RoundRectCoverage(r, pen.ovalWidth, pen.ovalHeight, target_.area);
            if (frame)
                c = Subtract(c, RoundRectCoverage(Inset(r, pw, ph), pen.ovalWidth - 2 * pw,
                                                  pen.ovalHeight - 2 * ph, target_.area));
            break;
        case ShapeOp::Oval:
        case ShapeOp::Arc:
            c = OvalCoverage(r, target_.area);
            if (frame)
                c = Subtract(c, OvalCoverage(Inset(r, pw, ph), target_.area));
            if (op.kind == ShapeOp::Arc)
                c = ArcWedge(c, r, op.startAngle, op.arcAngle, budget_);
            break;
        case ShapeOp::Polygon: {
            std::vector<Point> points = op.points;
            for (Point& p : points)
                p = local(p);
            if (frame) {
                int top = INT32_MAX, bottom = INT32_MIN;
                for (const Point& p : points) {
                    top = std::min(top, p.v);
                    bottom = std::max(bottom, p.v + ph);
                }
                CoverageBuilder b = BuilderFor(top, bottom, target_.area);
                for (size_t i = 1; i < points.size() && budget_.take(1); ++i)
                    AddLine(b, points[i - 1], points[i], pw, ph, target_.area);
                c = b.finish();
            } else {
                c = PolygonCoverage(points, target_.area, budget_);
            }
            break;
        }
        case ShapeOp::Region: {
            if (!op.region)
                return false;
            const Region region = op.region->offset(-port_.originH, -port_.originV);
            if (frame) {
                const Rect wider = Inset(target_.area, -pw, -ph);
                const Coverage whole = RegionCoverage(region, wider, budget_);
                c = Subtract(whole, InsetCoverage(whole, pw, ph, budget_));
            } else {
                c = RegionCoverage(region, target_.area, budget_);
            }
            break;
        }
        }
        switch (op.verb) {
        case ShapeOp::Frame:
        case ShapeOp::Paint:
            return paint(c, pen.pen, penMode());
        case ShapeOp::Erase:
            return paint(c, pen.back, kSrcCopy);
        case ShapeOp::Invert:
            return paint(c, Pen::Solid(), kSrcXor);
        case ShapeOp::Fill:
            return paint(c, pen.fill, kSrcCopy);
        }
        return false;
    }

  private:
    Point local(Point p) const { return {p.h - port_.originH, p.v - port_.originV}; }

    // The pen mode as a source mode; the unknown ones draw as patCopy.
    int penMode() {
        const int m = pen.mode;
        if (m >= kPatternModes && m < 2 * kPatternModes)
            return m - kPatternModes;
        if (KnownMode(m))
            return m;
        note_("pen mode " + std::to_string(m) + " drawn as patCopy");
        return kSrcCopy;
    }

    bool paint(const Coverage& c, const Pattern& pattern, int mode) {
        return PaintCoverage(c, pattern, mode, port_, target_, budget_);
    }

    const RasterTarget& target_;
    const PortState& port_;
    DrawBudget& budget_;
    std::function<void(std::string)> note_;
};

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
                           const CanvasGeometry& geometry, int64_t maxWork,
                           int64_t maxImagePixels) {
    DrawOutcome out;
    out.picture.width = geometry.width;
    out.picture.height = geometry.height;
    out.picture.resolution = geometry.resolution;
    WhiteCanvas(out.picture.rgb, static_cast<size_t>(geometry.width) * geometry.height * 3);

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
    PictureProfile profile; // colour matching through the picture's own profile
    DrawBudget budget{maxWork};
    ShapeDrawer shapes(target, port, budget, note);
    Pen& pen = shapes.pen;
    TextDrawer text(target, port, budget, note);

    for (const Operation& op : parsed.operations) {
        if (const auto* clip = std::get_if<ClipOp>(&op.data)) {
            port.clip = clip->region.offset(-port.originH, -port.originV);
        } else if (const auto* origin = std::get_if<OriginOp>(&op.data)) {
            port.originH = std::clamp(port.originH + origin->dh, -kOriginLimit, kOriginLimit);
            port.originV = std::clamp(port.originV + origin->dv, -kOriginLimit, kOriginLimit);
        } else if (const auto* colour = std::get_if<ColourOp>(&op.data)) {
            if (!colour->known)
                note("an old-style colour that names no colour");
            Rgb c = colour->colour;
            if (port.colourMatch != nullptr) {
                uint8_t px[3] = {c.r, c.g, c.b};
                port.colourMatch->convert(px, 1);
                c = {px[0], px[1], px[2]};
            }
            if (colour->which == ColourOp::Fore)
                port.fore = c;
            else if (colour->which == ColourOp::Back)
                port.back = c;
            else
                port.opColour = c;
        } else if (const auto* comment = std::get_if<CommentOp>(&op.data)) {
            if (comment->dataOffset + comment->size <= bytes.size()) {
                std::vector<std::string> lines;
                profile.comment(comment->kind, bytes.subspan(comment->dataOffset, comment->size),
                                lines);
                for (std::string& line : lines)
                    note(std::move(line));
                port.colourMatch = profile.current();
            }
            text.comment(*comment, bytes);
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
                if (drawn.tooLarge) {
                    out.failure->width = qt->width;
                    out.failure->height = qt->height;
                }
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
        } else if (const auto* line = std::get_if<LineOp>(&op.data)) {
            out.drewSomething = shapes.line(*line) || out.drewSomething;
        } else if (const auto* shape = std::get_if<ShapeOp>(&op.data)) {
            out.drewSomething = shapes.shape(*shape) || out.drewSomething;
        } else if (const auto* set = std::get_if<PenOp>(&op.data)) {
            if (set->which == PenOp::Size) {
                pen.width = set->h;
                pen.height = set->v;
            } else if (set->which == PenOp::Mode) {
                pen.mode = set->h;
            } else if (set->which == PenOp::OvalSize) {
                pen.ovalWidth = set->h;
                pen.ovalHeight = set->v;
            }
        } else if (const auto* pattern = std::get_if<PatternOp>(&op.data)) {
            Pattern& p = pattern->which == PatternOp::Pen    ? pen.pen
                         : pattern->which == PatternOp::Fill ? pen.fill
                                                             : pen.back;
            p = pattern->pattern;
        } else if (const auto* run = std::get_if<TextOp>(&op.data)) {
            out.drewSomething = text.run(*run) || out.drewSomething;
        } else if (const auto* textState = std::get_if<TextStateOp>(&op.data)) {
            text.state(*textState);
        } else if (const auto* feature = std::get_if<FeatureOp>(&op.data)) {
            note(feature->feature + " not drawn");
        } else if (const auto* skip = std::get_if<SkipOp>(&op.data)) {
            if (!skip->note.empty())
                note(skip->note);
        }
        if (budget.spent()) {
            out.overBudget = true;
            break;
        }
    }
    out.textLeftOut = text.leftOut();
    return out;
}

} // namespace dravik::pict
