// QuickDraw's drawing opcodes through the reader: pixel sets from Inside
// Macintosh's rules on small canvases, drawn as '#' (the colour looked for)
// and '.' (anything else) so that a wrong pixel shows where it is.
#include "pict/pict_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace dravik {
namespace {

using pict::PictFailureKind;
using pict::PictLimits;
using pict::PictPicture;
using pict::PictResult;
using test::Art;
using test::At;
using test::PictRect;
using test::PictWriter;
using test::Read;
using test::Rgb;
using test::Word;

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

std::string Point(int h, int v) {
    return Word(v) + Word(h);
}
std::string PenSize(int width, int height) {
    return Word(height) + Word(width);
}
std::string Polygon(const std::vector<std::pair<int, int>>& points) {
    int top = 32767, left = 32767, bottom = -32768, right = -32768;
    std::string body;
    for (auto [h, v] : points) {
        body += Point(h, v);
        top = std::min(top, v);
        left = std::min(left, h);
        bottom = std::max(bottom, v);
        right = std::max(right, h);
    }
    return Word(static_cast<int>(10 + body.size())) + test::RectData({top, left, bottom, right}) +
           body;
}
std::string Bits(uint8_t a, uint8_t b) { // a pattern of alternate rows a, b
    std::string s;
    for (int i = 0; i < 4; ++i)
        s += std::string{static_cast<char>(a), static_cast<char>(b)};
    return s;
}
std::string Rgb48(Rgb c) {
    return Word(c.r * 257) + Word(c.g * 257) + Word(c.b * 257);
}

// Opcodes by name.
enum : uint16_t {
    kPnSize = 0x07,
    kPnMode = 0x08,
    kPnPat = 0x09,
    kFillPat = 0x0A,
    kOvSize = 0x0B,
    kLine = 0x20,
    kLineFrom = 0x21,
    kShortLine = 0x22,
    kShortLineFrom = 0x23,
    kFrameRect = 0x30,
    kPaintRect = 0x31,
    kEraseRect = 0x32,
    kInvertRect = 0x33,
    kFillRect = 0x34,
    kFrameSameRect = 0x38,
    kPaintRRect = 0x41,
    kFrameOval = 0x50,
    kPaintOval = 0x51,
    kPaintArc = 0x61,
    kFramePoly = 0x70,
    kPaintPoly = 0x71,
    kPaintRgn = 0x81,
    kFillPixPat = 0x14,
};

PictPicture Draw(PictRect frame, const std::function<void(PictWriter&)>& ops,
                 std::vector<std::string>* skipped = nullptr) {
    PictWriter w(PictWriter::V2, frame);
    ops(w);
    PictResult res = Read(w.finish());
    EXPECT_TRUE(res.picture) << res.failure.reason;
    if (skipped != nullptr)
        *skipped = res.skipped;
    return res.picture ? *res.picture : PictPicture{};
}

// ---- lines -----------------------------------------------------------------

TEST(Drawing, OnePixelPenCoversBothEndsOfAHorizontalLine) {
    auto p = Draw({0, 0, 2, 12}, [](PictWriter& w) { w.op(kLine, Point(0, 0) + Point(10, 0)); });
    EXPECT_EQ(Art(p), (std::vector<std::string>{"###########.", "............"}));
}

TEST(Drawing, LineSweepsTheThreeByTwoPen) {
    auto p = Draw({0, 0, 6, 7}, [](PictWriter& w) {
        w.op(kPnSize, PenSize(3, 2)).op(kLine, Point(0, 0) + Point(3, 3));
    });
    EXPECT_EQ(Art(p), (std::vector<std::string>{"###....", "####...", ".####..", "..####.",
                                                "...###.", "......."}));
}

TEST(Drawing, LineFormsContinueFromThePenLocation) {
    // ShortLine from (1,1) by (+4,0), LineFrom to (5,4), ShortLineFrom by (-4,0).
    auto p = Draw({0, 0, 6, 7}, [](PictWriter& w) {
        w.op(kShortLine, Point(1, 1) + "\x04\x00")
            .op(kLineFrom, Point(5, 4))
            .op(kShortLineFrom, std::string("\xFC\x00", 2));
    });
    EXPECT_EQ(Art(p), (std::vector<std::string>{".......", ".#####.", ".....#.", ".....#.",
                                                ".#####.", "......."}));
}

TEST(Drawing, ShallowLinesStepOnePixelPerColumn) {
    auto p = Draw({0, 0, 3, 9}, [](PictWriter& w) { w.op(kLine, Point(0, 0) + Point(8, 2)); });
    const auto art = Art(p);
    for (int x = 0; x < 9; ++x) {
        int count = 0;
        for (int y = 0; y < 3; ++y)
            count += art[y][x] == '#';
        EXPECT_EQ(count, 1) << "column " << x;
    }
    EXPECT_EQ(art[0][0], '#');
    EXPECT_EQ(art[2][8], '#');
}

// ---- rects, ovals, arcs ----------------------------------------------------

TEST(Drawing, FramedRectKeepsTheTwoByTwoPenInside) {
    auto p = Draw({0, 0, 8, 8}, [](PictWriter& w) {
        w.op(kPnSize, PenSize(2, 2)).op(kFrameRect, test::RectData({1, 1, 7, 7}));
    });
    EXPECT_EQ(Art(p), (std::vector<std::string>{"........", ".######.", ".######.", ".##..##.",
                                                ".##..##.", ".######.", ".######.", "........"}));
}

TEST(Drawing, SameVerbsReuseTheLastRect) {
    auto p = Draw({0, 0, 4, 4}, [](PictWriter& w) {
        w.op(kEraseRect, test::RectData({1, 1, 3, 3})).op(kFrameSameRect);
    });
    EXPECT_EQ(Art(p), (std::vector<std::string>{"....", ".##.", ".##.", "...."}));
}

// Inside Macintosh defines an oval only as the shape just inside its
// rectangle and does not publish the pixel set QuickDraw's region for it
// holds. This set comes from our rule, the ellipse equation at each row's
// centre line with both ends rounded to the nearest column (symmetric, and
// touching all four sides as QuickDraw's ovals do); it pins that rule.
TEST(Drawing, OvalOfTenBySixRoundsEachRowAtItsCentre) {
    auto p = Draw({0, 0, 6, 10}, [](PictWriter& w) {
        w.op(kPaintOval, test::RectData({0, 0, 6, 10}));
    });
    EXPECT_EQ(Art(p), (std::vector<std::string>{"..######..", ".########.", "##########",
                                                "##########", ".########.", "..######.."}));
}

TEST(Drawing, FramedOvalIsTheOvalLessItsInset) {
    auto p = Draw({0, 0, 6, 10}, [](PictWriter& w) {
        w.op(kFrameOval, test::RectData({0, 0, 6, 10}));
    });
    const auto art = Art(p);
    EXPECT_EQ(art[0], "..######..");
    EXPECT_EQ(art[2], "#........#");
    EXPECT_EQ(art[5], "..######..");
}

TEST(Drawing, RoundRectCornersAreQuarterOvals) {
    auto p = Draw({0, 0, 6, 10}, [](PictWriter& w) {
        w.op(kOvSize, Point(4, 4)).op(kPaintRRect, test::RectData({0, 0, 6, 10}));
    });
    EXPECT_EQ(Art(p), (std::vector<std::string>{".########.", "##########", "##########",
                                                "##########", "##########", ".########."}));
}

// Pixels of an 8x8 circle by the sign of their centre's position: ties on
// the diagonals are the boundary and not checked.
void ExpectWedge(const PictPicture& p, const std::function<int(double nx, double ny)>& side) {
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const double nx = x + 0.5 - 4, ny = y + 0.5 - 4;
            const bool inOval = nx * nx + ny * ny <= 16;
            const int s = side(nx, ny);
            if (s == 0 || !inOval)
                continue;
            EXPECT_EQ(At(p, x, y) == kBlack, s > 0) << x << "," << y;
        }
}

TEST(Drawing, ArcsRunClockwiseFromTwelveOClock) {
    auto rightQuarter = [](double nx, double ny) {
        return nx > std::abs(ny) ? 1 : nx < std::abs(ny) ? -1 : 0;
    };
    auto arc = [](int start, int angle) {
        return Draw({0, 0, 8, 8}, [&](PictWriter& w) {
            w.op(kPaintArc, test::RectData({0, 0, 8, 8}) + Word(start) + Word(angle));
        });
    };
    ExpectWedge(arc(45, 90), rightQuarter);
    ExpectWedge(arc(135, -90), rightQuarter);
    ExpectWedge(arc(0, 90), [](double nx, double ny) { return nx > 0 && ny < 0 ? 1 : -1; });
    ExpectWedge(arc(-90, 180), [](double, double ny) { return ny < 0 ? 1 : -1; });
}

// ---- polygons and regions --------------------------------------------------

TEST(Drawing, PolygonPaintIsTheEvenOddInterior) {
    // The outer square, then the inner one back to where it began: a hole.
    auto p = Draw({0, 0, 8, 8}, [](PictWriter& w) {
        w.op(kPaintPoly,
             Polygon(
                 {{0, 0}, {8, 0}, {8, 8}, {0, 8}, {0, 0}, {2, 2}, {2, 6}, {6, 6}, {6, 2}, {2, 2}}));
    });
    EXPECT_EQ(Art(p), (std::vector<std::string>{"########", "########", "##....##", "##....##",
                                                "##....##", "##....##", "########", "########"}));
}

TEST(Drawing, PolygonOfATriangleCoversWhatItsCornersSay) {
    auto p = Draw({0, 0, 4, 4}, [](PictWriter& w) {
        w.op(kPaintPoly, Polygon({{0, 0}, {4, 0}, {0, 4}}));
    });
    EXPECT_EQ(Art(p), (std::vector<std::string>{"####", "###.", "##..", "#..."}));
}

TEST(Drawing, PolygonFrameIsThePenAlongItsEdges) {
    auto p = Draw({0, 0, 6, 6}, [](PictWriter& w) {
        w.op(kFramePoly, Polygon({{1, 1}, {4, 1}, {4, 4}, {1, 4}, {1, 1}}));
    });
    EXPECT_EQ(Art(p), (std::vector<std::string>{"......", ".####.", ".#..#.", ".#..#.", ".####.",
                                                "......"}));
}

bool Ring(int x, int y) {
    return !(x >= 2 && x < 4 && y >= 2 && y < 4);
}

TEST(Drawing, RegionWithAHolePaintsAroundIt) {
    auto p = Draw({0, 0, 6, 6}, [](PictWriter& w) {
        w.op(kPaintRgn, test::RegionData({1, 1, 5, 5}, [](int x, int y) { return Ring(x, y); }));
    });
    EXPECT_EQ(Art(p), (std::vector<std::string>{"......", ".####.", ".#..#.", ".#..#.", ".####.",
                                                "......"}));
}

TEST(Drawing, ClipRegionLimitsEveryShape) {
    auto p = Draw({0, 0, 6, 6}, [](PictWriter& w) {
        w.clipRegion(test::RegionData({1, 1, 5, 5}, [](int x, int y) { return Ring(x, y); }));
        w.op(kPaintRect, test::RectData({0, 0, 6, 6})).op(kLine, Point(0, 2) + Point(5, 2));
    });
    EXPECT_EQ(Art(p), (std::vector<std::string>{"......", ".####.", ".#..#.", ".#..#.", ".####.",
                                                "......"}));
}

TEST(Drawing, NegativeOriginAndFrameMoveShapesTogether) {
    auto framed = Draw({-10, -20, -6, -16}, [](PictWriter& w) {
        w.op(kPaintRect, test::RectData({-9, -19, -7, -17}));
    });
    EXPECT_EQ(Art(framed), (std::vector<std::string>{"....", ".##.", ".##.", "...."}));
    auto moved = Draw({0, 0, 4, 4}, [](PictWriter& w) {
        w.origin(-1, -2).op(kPaintRect, test::RectData({0, 0, 1, 2}));
    });
    EXPECT_EQ(Art(moved), (std::vector<std::string>{"....", "....", ".##.", "...."}));
}

// ---- patterns and modes ----------------------------------------------------

TEST(Drawing, PatternsAlignToTheCanvasNotToTheShape) {
    for (PictRect frame : {PictRect{0, 0, 4, 8}, PictRect{3, 5, 7, 13}}) {
        auto p = Draw(frame, [&](PictWriter& w) {
            w.op(kFillPat, Bits(0xAA, 0x55))
                .op(kFillRect,
                    test::RectData({frame.top, frame.left, frame.bottom, frame.left + 3}))
                .op(kFillRect,
                    test::RectData({frame.top, frame.left + 3, frame.bottom, frame.right}));
        });
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 8; ++x)
                EXPECT_EQ(At(p, x, y), (x + y) % 2 == 0 ? kBlack : kWhite) << x << "," << y;
    }
}

// Spans far longer than the pattern, starting and ending mid-pattern, in
// every pen mode's way of getting its colours: each pixel still takes the
// bit of its own canvas column and row.
TEST(Drawing, LongSpansRepeatThePatternExactly) {
    const uint8_t rows[8] = {0xF0, 0x0F, 0x3C, 0xC3, 0x81, 0x7E, 0x18, 0xE7};
    const std::string bits(reinterpret_cast<const char*>(rows), 8);
    for (int mode : {8, 9}) { // patCopy, patOr (onto white)
        auto p = Draw({0, 0, 12, 48}, [&](PictWriter& w) {
            w.op(kPnMode, Word(mode)).op(kPnPat, bits);
            w.op(kPaintRect, test::RectData({1, 3, 11, 45}));
        });
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 48; ++x) {
                const bool inside = y >= 1 && y < 11 && x >= 3 && x < 45;
                const bool ink = (rows[y & 7] >> (7 - (x & 7))) & 1;
                ASSERT_EQ(At(p, x, y), inside && ink ? kBlack : kWhite)
                    << "mode " << mode << " at " << x << "," << y;
            }
    }
}

struct ModeCase {
    const char* name;
    int mode;
    Rgb one, zero; // where the pattern's bit is 1, and 0
};

class PenModes : public testing::TestWithParam<ModeCase> {};

constexpr Rgb kCanvas{50, 100, 150};
constexpr Rgb kFore{200, 20, 0};
constexpr Rgb kBack{10, 220, 30};

TEST_P(PenModes, PatternOverAKnownBackground) {
    const ModeCase& c = GetParam();
    std::vector<std::string> skipped;
    auto p = Draw(
        {0, 0, 2, 8},
        [&](PictWriter& w) {
            w.foreColour(kCanvas).op(kPaintRect, test::RectData({0, 0, 2, 8}));
            w.foreColour(kFore).backColour(kBack).opColour({128, 128, 128});
            w.op(kPnMode, Word(c.mode)).op(kPnPat, Bits(0xF0, 0xF0));
            w.op(kPaintRect, test::RectData({0, 0, 2, 8}));
        },
        &skipped);
    EXPECT_EQ(At(p, 1, 1), c.one);
    EXPECT_EQ(At(p, 6, 1), c.zero);
}

constexpr Rgb kInverted{205, 155, 105};

INSTANTIATE_TEST_SUITE_P(Modes, PenModes,
                         testing::Values(ModeCase{"patCopy", 8, kFore, kBack},
                                         ModeCase{"patOr", 9, kFore, kCanvas},
                                         ModeCase{"patXor", 10, kInverted, kCanvas},
                                         ModeCase{"patBic", 11, kBack, kCanvas},
                                         ModeCase{"notPatCopy", 12, kBack, kFore},
                                         ModeCase{"notPatOr", 13, kCanvas, kFore},
                                         ModeCase{"notPatXor", 14, kCanvas, kInverted},
                                         ModeCase{"notPatBic", 15, kCanvas, kBack},
                                         ModeCase{"addMax", 37, {200, 100, 150}, {50, 220, 150}},
                                         ModeCase{"adMin", 39, {50, 20, 0}, {10, 100, 30}},
                                         ModeCase{"unknown_23_as_patCopy", 23, kFore, kBack}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Drawing, UnknownPenModeIsNoted) {
    std::vector<std::string> skipped;
    Draw(
        {0, 0, 2, 2},
        [](PictWriter& w) {
            w.op(kPnMode, Word(23)).op(kPaintRect, test::RectData({0, 0, 2, 2}));
        },
        &skipped);
    EXPECT_NE(std::find(skipped.begin(), skipped.end(), "pen mode 23 drawn as patCopy"),
              skipped.end());
}

TEST(Drawing, EraseTakesTheBackColourAndInvertFlipsEveryPixel) {
    auto p = Draw({0, 0, 1, 4}, [](PictWriter& w) {
        w.foreColour(kCanvas).op(kPaintRect, test::RectData({0, 0, 1, 4}));
        w.backColour(kBack).op(kEraseRect, test::RectData({0, 0, 1, 2}));
        w.op(kInvertRect, test::RectData({0, 1, 1, 3}));
    });
    EXPECT_EQ(At(p, 0, 0), kBack);
    EXPECT_EQ(At(p, 1, 0), (Rgb{245, 35, 225}));
    EXPECT_EQ(At(p, 2, 0), kInverted);
    EXPECT_EQ(At(p, 3, 0), kCanvas);
}

std::string PixelPattern(int type) {
    std::string d = Word(type) + Bits(0, 0);
    if (type == 2)
        return d + Rgb48({1, 2, 3});
    // A 2x2 pixel map of 8 bits, colours 0 red and 1 blue, rows unpacked.
    d += Word(0x8000 | 2) + test::RectData({0, 0, 2, 2});
    d += Word(0) + Word(0) + test::Long(0) + test::Long(72 << 16) + test::Long(72 << 16);
    d += Word(0) + Word(8) + Word(1) + Word(8) + test::Long(0) + test::Long(0) + test::Long(0);
    d += test::Long(0) + Word(0) + Word(1);
    d += Word(0) + Rgb48({255, 0, 0}) + Word(1) + Rgb48({0, 0, 255});
    return d + std::string("\x00\x01\x01\x00", 4);
}

TEST(Drawing, PixelPatternsDrawTheirOwnColours) {
    auto tiled = Draw({0, 0, 4, 4}, [](PictWriter& w) {
        w.op(kFillPixPat, PixelPattern(1)).op(kFillRect, test::RectData({0, 0, 4, 4}));
    });
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(At(tiled, x, y), (x + y) % 2 == 0 ? (Rgb{255, 0, 0}) : (Rgb{0, 0, 255}))
                << x << "," << y;
    auto dither = Draw({0, 0, 2, 2}, [](PictWriter& w) {
        w.op(kFillPixPat, PixelPattern(2)).op(kFillRect, test::RectData({0, 0, 2, 2}));
    });
    EXPECT_EQ(At(dither, 1, 1), (Rgb{1, 2, 3}));
}

// ---- text, limits ----------------------------------------------------------

TEST(Drawing, TextIsDrawnWithTheShapesAndNotNoted) {
    PictWriter w(PictWriter::V2, {0, 0, 20, 40});
    w.op(kPaintRect, test::RectData({0, 0, 2, 2})).op(0x28, Point(4, 15) + "\x02Hi");
    PictResult res = Read(w.finish());
    ASSERT_TRUE(res.picture) << res.failure.reason;
    EXPECT_EQ(At(*res.picture, 1, 1), kBlack);
    int dark = 0;
    for (int y = 2; y < 16; ++y)
        for (int x = 3; x < 30; ++x)
            dark += At(*res.picture, x, y).r < 128;
    EXPECT_GT(dark, 10);
    EXPECT_FALSE(res.textLeftOut);
    EXPECT_TRUE(res.skipped.empty()) << res.skipped.front();
}

TEST(Drawing, HostileShapesStayWithinTheBudget) {
    std::vector<std::pair<int, int>> zigzag;
    for (int i = 0; i < 100'000; ++i)
        zigzag.emplace_back(i % 2 == 0 ? 0 : 199, i % 200);
    std::string poly;
    {
        std::string body;
        for (auto [h, v] : zigzag)
            body += Point(h, v);
        // The size word cannot say more than 65535 bytes: the polygon is cut
        // there, as a real picture would have to be.
        body.resize(65535 - 10);
        poly = Word(65535) + test::RectData({0, 0, 200, 200}) + body;
    }
    std::string manyEdges =
        test::RegionData({0, 0, 60, 60}, [](int x, int y) { return (x + y) % 2 == 0; });
    PictWriter w(PictWriter::V2, {0, 0, 200, 200});
    w.op(kPaintPoly, poly).op(kFramePoly, poly);
    w.op(kPnSize, PenSize(32767, 32767)).op(kLine, Point(-32768, -32768) + Point(32767, 32767));
    w.op(kFrameRect, test::RectData({-32768, -32768, 32767, 32767}));
    const std::string picture = w.finish();
    PictResult res = Read(picture);
    ASSERT_TRUE(res.picture) << res.failure.reason;
    EXPECT_EQ(At(*res.picture, 100, 100), kBlack);

    PictLimits tight;
    tight.maxDrawingWork = 100'000;
    EXPECT_EQ(Read(picture, tight).failure.kind, PictFailureKind::TooLarge);

    // A checkerboard region swaps at every column of every row: as dense as
    // a region gets. Painted fifty times it stays exact and quick.
    PictWriter r(PictWriter::V2, {0, 0, 60, 60});
    for (int i = 0; i < 50; ++i)
        r.op(kInvertRect, test::RectData({0, 0, 60, 60})).op(kPaintRgn, manyEdges);
    PictResult region = Read(r.finish());
    ASSERT_TRUE(region.picture) << region.failure.reason;
    EXPECT_EQ(Art(*region.picture)[7].substr(0, 6), ".#.#.#");
}

} // namespace
} // namespace dravik
