// Picture comments through the reader: the printer-only comments leave the
// QuickDraw drawing as a Macintosh screen showed it, their data is stepped
// over, and text marked as PostScript code is not taken for text.
#include "pict/pict_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace dravik {
namespace {

using test::Art;
using test::PictWriter;
using test::Read;
using test::Word;

std::string Point(int h, int v) {
    return Word(v) + Word(h);
}
std::string Short(int kind) {
    return Word(kind);
}
std::string Long(int kind, const std::string& data) {
    return Word(kind) + Word(static_cast<int>(data.size())) + data;
}

enum : uint16_t {
    kPnSize = 0x07,
    kLine = 0x20,
    kShortLineFrom = 0x23,
    kLongText = 0x28,
    kPaintRect = 0x31,
    kFramePoly = 0x70,
    kShortComment = 0xA0,
    kLongComment = 0xA1,
};

// A closed polygon drawn as lines, the way MacDraw records the QuickDraw
// rendition of its shapes.
void Outline(PictWriter& w) {
    w.op(kLine, Point(1, 1) + Point(6, 1));
    w.op(kShortLineFrom, std::string("\x00\x04", 2)); // by (0, 4)
    w.op(kShortLineFrom, std::string("\xFB\x00", 2)); // by (-5, 0)
    w.op(kShortLineFrom, std::string("\x00\xFC", 2)); // by (0, -4)
}

struct Wrapping {
    const char* name;
    std::vector<std::pair<uint16_t, std::string>> before, after;
};

class CommentsAroundDrawing : public testing::TestWithParam<Wrapping> {};

// Printer drivers act on these; QuickDraw on screen passes them over, so the
// lines between them come out exactly as they would without them.
TEST_P(CommentsAroundDrawing, LeaveTheQuickDrawRenditionAsItIs) {
    auto draw = [](const std::vector<std::pair<uint16_t, std::string>>& before,
                   const std::vector<std::pair<uint16_t, std::string>>& after,
                   const std::string& seed = {}) {
        PictWriter w(PictWriter::V2, {0, 0, 8, 8});
        for (const auto& [opcode, data] : before)
            w.op(opcode, data);
        Outline(w);
        for (const auto& [opcode, data] : after)
            w.op(opcode, data);
        w.op(kPaintRect, test::RectData({3, 3, 4, 5}));
        const std::string picture = w.finish();
        if (!seed.empty())
            test::KeepAsFuzzSeed(seed, picture);
        auto res = Read(picture);
        EXPECT_TRUE(res.picture) << res.failure.reason;
        EXPECT_FALSE(res.textLeftOut);
        return res.picture ? Art(*res.picture) : std::vector<std::string>{};
    };
    const auto plain = draw({}, {});
    EXPECT_EQ(plain, (std::vector<std::string>{"........", ".######.", ".#....#.", ".#.##.#.",
                                               ".#....#.", ".######.", "........", "........"}));
    EXPECT_EQ(draw(GetParam().before, GetParam().after,
                   std::string("drawing-comments-") + GetParam().name + ".pict"),
              plain);
}

// PostScript for the printer, with bytes that would read as opcodes (an
// OpEndPic among them) if the walk did not step over the comment's data.
const std::string kPostScript = std::string("newpath 1 1 moveto \x00\xFF\x00\x31", 23);

INSTANTIATE_TEST_SUITE_P(
    Kinds, CommentsAroundDrawing,
    testing::Values(Wrapping{"polygon",
                             {{kShortComment, Short(160)}, {kShortComment, Short(165)}},
                             {{kShortComment, Short(161)}}},
                    Wrapping{"smoothed_polygon",
                             {{kShortComment, Short(160)},
                              {kLongComment, Long(164, std::string("\x07", 1))},
                              {kShortComment, Short(163)}},
                             {{kShortComment, Short(161)}}},
                    Wrapping{"line_width",
                             {{kLongComment, Long(182, Point(1, 4))}},
                             {{kLongComment, Long(182, Point(4, 1))}}},
                    Wrapping{"postscript",
                             {{kShortComment, Short(190)}, {kLongComment, Long(192, kPostScript)}},
                             {{kShortComment, Short(191)}}},
                    Wrapping{"postscript_without_save",
                             {{kShortComment, Short(196)},
                              {kLongComment, Long(192, kPostScript)},
                              {kLongComment, Long(193, "/file")},
                              {kLongComment, Long(195, Word(0) + Word(128) + Word(0))}},
                             {{kShortComment, Short(191)}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Comments, SmoothedPolygonShowsOnlyItsQuickDrawRendition) {
    // As MacDraw records it: the control points for a PostScript printer
    // drawn through an empty clip, then PolyIgnore and the rendition.
    PictWriter w(PictWriter::V2, {0, 0, 8, 8});
    w.op(kShortComment, Short(160)).op(kLongComment, Long(164, std::string("\x05", 1)));
    w.clip({0, 0, 0, 0}).op(kLine, Point(0, 7) + Point(7, 0));
    w.clip({-32767, -32767, 32767, 32767}).op(kShortComment, Short(163));
    Outline(w);
    w.op(kShortComment, Short(161));
    auto res = Read(w.finish());
    ASSERT_TRUE(res.picture) << res.failure.reason;
    EXPECT_EQ(Art(*res.picture),
              (std::vector<std::string>{"........", ".######.", ".#....#.", ".#....#.", ".#....#.",
                                        ".######.", "........", "........"}));
}

TEST(Comments, LineWidthLeavesThePenAsItIs) {
    PictWriter w(PictWriter::V2, {0, 0, 4, 6});
    w.op(kPnSize, Point(1, 1)).op(kLongComment, Long(182, Point(1, 3)));
    w.op(kLine, Point(0, 1) + Point(5, 1));
    auto res = Read(w.finish());
    ASSERT_TRUE(res.picture) << res.failure.reason;
    EXPECT_EQ(Art(*res.picture),
              (std::vector<std::string>{"......", "######", "......", "......"}));
}

TEST(Comments, TextMarkedAsPostScriptIsNoText) {
    const std::string code = Point(4, 20) + "\x0C" + "0 0 moveto s";
    const test::PictRect frame{0, 0, 24, 80};
    auto read = [&](bool markedAsCode, bool text = true) {
        PictWriter w(PictWriter::V2, frame);
        w.op(kPaintRect, test::RectData({0, 0, 2, 2})).op(kShortComment, Short(190));
        if (markedAsCode)
            w.op(kShortComment, Short(194));
        if (text)
            w.op(kLongText, code);
        w.op(kShortComment, Short(191));
        return Read(w.finish());
    };
    const auto bare = read(false, false);
    ASSERT_TRUE(bare.picture) << bare.failure.reason;
    auto marked = read(true);
    ASSERT_TRUE(marked.picture) << marked.failure.reason;
    EXPECT_EQ(marked.picture->rgb, bare.picture->rgb);
    EXPECT_EQ(std::count(marked.skipped.begin(), marked.skipped.end(), "text not drawn"), 0);
    // Without the mark the same opcode is text, and after PostScriptEnd
    // text is text again.
    auto unmarked = read(false);
    ASSERT_TRUE(unmarked.picture) << unmarked.failure.reason;
    EXPECT_NE(unmarked.picture->rgb, bare.picture->rgb);
    PictWriter w(PictWriter::V2, frame);
    w.op(kPaintRect, test::RectData({0, 0, 2, 2}));
    w.op(kShortComment, Short(190)).op(kShortComment, Short(194)).op(kShortComment, Short(191));
    w.op(kLongText, code);
    auto after = Read(w.finish());
    ASSERT_TRUE(after.picture) << after.failure.reason;
    EXPECT_NE(after.picture->rgb, bare.picture->rgb);
}

TEST(Comments, CommentDataCutShortIsDamage) {
    PictWriter w(PictWriter::V2, {0, 0, 4, 4});
    w.op(kPaintRect, test::RectData({0, 0, 2, 2}));
    w.op(kLongComment, Word(192) + Word(400) + "newpath");
    auto res = Read(w.finish(false));
    ASSERT_FALSE(res.picture);
    EXPECT_EQ(res.failure.kind, pict::PictFailureKind::Damaged);
}

} // namespace
} // namespace dravik
