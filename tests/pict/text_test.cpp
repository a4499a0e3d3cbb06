// Text runs through the reader: where the glyphs land, the faces, the
// encodings, the modes and the rotation comments, on small canvases.
#include "pict/draw.h"
#include "pict/operations.h"
#include "pict/pict_reader.h"
#include "pict/text_encoding.h"
#include "pict/text_fonts.h"

#include "support/pict_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace dravik {
namespace {

using pict::PictPicture;
using pict::PictResult;
using test::PictRect;
using test::PictWriter;
using test::Rgb;
using test::Word;

PictResult Read(const std::string& bytes) {
    return pict::ReadPict({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
}

Rgb At(const PictPicture& p, int x, int y) {
    const size_t i = (static_cast<size_t>(y) * p.width + x) * 3;
    return {p.rgb[i], p.rgb[i + 1], p.rgb[i + 2]};
}

bool Dark(Rgb c) {
    return c.r + c.g + c.b < 3 * 128;
}

// The box of the dark pixels: left, top, right, bottom (inclusive); -1s
// when there are none.
struct Ink {
    int left = -1, top = -1, right = -1, bottom = -1, count = 0;
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
};
Ink InkOf(const PictPicture& p, PictRect within = {0, 0, 32767, 32767}) {
    Ink ink;
    for (int y = std::max(0, within.top); y < std::min(p.height, within.bottom); ++y)
        for (int x = std::max(0, within.left); x < std::min(p.width, within.right); ++x) {
            if (!Dark(At(p, x, y)))
                continue;
            if (ink.count++ == 0) {
                ink.left = ink.right = x;
                ink.top = ink.bottom = y;
            }
            ink.left = std::min(ink.left, x);
            ink.right = std::max(ink.right, x);
            ink.top = std::min(ink.top, y);
            ink.bottom = std::max(ink.bottom, y);
        }
    return ink;
}

std::string Byte(int b) {
    return std::string(1, static_cast<char>(b));
}
std::string LongText(int h, int v, const std::string& text) {
    return Word(v) + Word(h) + Byte(static_cast<int>(text.size())) + text;
}
std::string Comment(int kind, const std::string& data) {
    return Word(kind) + Word(static_cast<int>(data.size())) + data;
}
// TextBegin: justification, flip, angle, line spacing, a spare byte, the
// angle as a fixed-point number.
std::string TextBegin(int angle, int flip = 0) {
    return Comment(150, Byte(1) + Byte(flip) + Word(angle) + Byte(0) + Byte(0) +
                            test::Long(static_cast<uint32_t>(angle) << 16));
}
std::string TextCenter(double dv, double dh) {
    return Comment(154, test::Long(static_cast<uint32_t>(static_cast<int32_t>(dv * 65536))) +
                            test::Long(static_cast<uint32_t>(static_cast<int32_t>(dh * 65536))));
}

enum : uint16_t {
    kTxFont = 0x03,
    kTxFace = 0x04,
    kTxMode = 0x05,
    kTxSize = 0x0D,
    kTxRatio = 0x10,
    kLongText = 0x28,
    kDHText = 0x29,
    kDVText = 0x2A,
    kDHDVText = 0x2B,
    kFontName = 0x2C,
    kLongComment = 0xA1,
};

// A picture of `frame` with the text state and runs `fill` writes.
PictPicture Draw(PictRect frame, const std::function<void(PictWriter&)>& fill,
                 PictResult* result = nullptr) {
    PictWriter w(PictWriter::V2, frame);
    fill(w);
    PictResult res = Read(w.finish());
    EXPECT_TRUE(res.picture) << res.failure.reason;
    if (result != nullptr)
        *result = res;
    return res.picture.value_or(PictPicture{});
}

// ---- placement ------------------------------------------------------------

// An "H" stands on the baseline at the run's point: nothing of it below the
// baseline, its left stem at the point, its height the font's cap height
// (0.72 em for the Helvetica stand-in).
TEST(Text, ARunStandsOnItsBaselineAtItsPoint) {
    struct Case {
        int size;
        int h, v;
    };
    for (const Case c : {Case{10, 5, 20}, Case{40, 8, 50}, Case{24, 3, 30}}) {
        SCOPED_TRACE(c.size);
        PictPicture p = Draw({0, 0, 60, 60}, [&](PictWriter& w) {
            w.op(kTxFont, Word(21))
                .op(kTxSize, Word(c.size))
                .op(kLongText, LongText(c.h, c.v, "H"));
        });
        const Ink ink = InkOf(p);
        ASSERT_GT(ink.count, 0);
        EXPECT_EQ(ink.bottom, c.v - 1);
        EXPECT_NEAR(ink.left, c.h + 0.08 * c.size, 1 + 0.05 * c.size);
        EXPECT_NEAR(ink.height(), 0.72 * c.size, 1 + 0.03 * c.size);
    }
}

// DHText, DVText and DHDVText move from the last run's point, not the pen.
TEST(Text, RelativeRunsAccumulate) {
    PictPicture p = Draw({0, 0, 100, 100}, [](PictWriter& w) {
        w.op(kTxSize, Word(9))
            .op(kLongText, LongText(10, 20, "I"))
            .op(kDHText, Byte(30) + Byte(1) + "I")
            .op(kDVText, Byte(30) + Byte(1) + "I")
            .op(kDHDVText, Byte(30) + Byte(30) + Byte(1) + "I");
    });
    const int points[][2] = {{10, 20}, {40, 20}, {40, 50}, {70, 80}};
    int total = 0;
    for (auto [h, v] : points) {
        const Ink ink = InkOf(p, {v - 12, h, v + 3, h + 8});
        EXPECT_GT(ink.count, 3) << h << "," << v;
        EXPECT_EQ(ink.bottom, v - 1) << h << "," << v;
        total += ink.count;
    }
    EXPECT_EQ(InkOf(p).count, total); // nothing anywhere else
}

// ---- faces and fonts ------------------------------------------------------

TEST(Text, FacesChangeTheGlyphs) {
    auto face = [](int bits) {
        return Draw({0, 0, 40, 120}, [bits](PictWriter& w) {
            w.op(kTxSize, Word(24)).op(kTxFace, Byte(bits)).op(kLongText, LongText(4, 30, "Hill"));
        });
    };
    const PictPicture plain = face(0), bold = face(1), italic = face(2), underline = face(4),
                      outline = face(8), shadow = face(16);
    const Ink p = InkOf(plain);
    EXPECT_GT(InkOf(bold).count, p.count * 5 / 4);
    EXPECT_NE(italic.rgb, plain.rgb);
    // The italic slant: the top of the first stem lies right of its foot.
    const Ink italicTop = InkOf(italic, {p.top, 0, p.top + 3, 14});
    const Ink italicFoot = InkOf(italic, {p.bottom - 2, 0, p.bottom + 1, 14});
    EXPECT_GT(italicTop.left, italicFoot.left);
    // Underline: a line below the baseline under the whole run.
    const Ink line = InkOf(underline, {31, 0, 36, 120});
    EXPECT_GE(line.width(), p.width() - 2);
    // Outline: the stems are hollow; shadow adds to the outline.
    const int stem = p.left + 2;
    EXPECT_TRUE(Dark(At(plain, stem, 20)));
    EXPECT_FALSE(Dark(At(outline, stem, 20)));
    EXPECT_GT(InkOf(shadow).count, InkOf(outline).count);
}

// The text state that changes the layout: extra space for spaces and for
// every character, condense and extend, and TxRatio's stretch.
TEST(Text, SpacingAndRatioChangeTheLayout) {
    auto ink = [](const std::function<void(PictWriter&)>& state) {
        return InkOf(Draw({0, 0, 60, 160}, [&](PictWriter& w) {
            w.op(kTxSize, Word(10));
            state(w);
            w.op(kLongText, LongText(4, 40, "H H H"));
        }));
    };
    const Ink plain = ink([](PictWriter&) {});
    ASSERT_GT(plain.count, 0);
    struct Case {
        const char* name;
        std::function<void(PictWriter&)> state;
        double width, height; // expected ink size
    };
    const double w = plain.width(), h = plain.height();
    const Case cases[] = {
        {"SpExtra 5", [](PictWriter& p) { p.op(0x06, test::Long(5 << 16)); }, w + 10, h},
        {"ChExtra 2", [](PictWriter& p) { p.op(0x16, Word(2 << 12)); }, w + 8, h},
        {"condense", [](PictWriter& p) { p.op(kTxFace, Byte(32)); }, w - 4, h},
        {"extend", [](PictWriter& p) { p.op(kTxFace, Byte(64)); }, w + 4, h},
        {"twice as wide",
         [](PictWriter& p) { p.op(kTxRatio, Word(1) + Word(2) + Word(1) + Word(1)); }, 2 * w, h},
        {"twice as high",
         [](PictWriter& p) { p.op(kTxRatio, Word(2) + Word(1) + Word(1) + Word(1)); }, w, 2 * h},
    };
    for (const Case& c : cases) {
        const Ink got = ink(c.state);
        EXPECT_NEAR(got.width(), c.width, 2 + c.width / 20) << c.name;
        EXPECT_NEAR(got.height(), c.height, 1 + c.height / 10) << c.name;
        EXPECT_EQ(got.bottom, 39) << c.name;
    }
}

TEST(Text, MacFontsHaveStandIns) {
    struct Case {
        int number;
        std::string name;
        std::string family;
        pict::MacEncoding encoding;
    };
    using E = pict::MacEncoding;
    const Case cases[] = {
        {0, "", "Liberation Sans", E::Roman},   // Chicago
        {3, "", "Liberation Sans", E::Roman},   // Geneva
        {21, "", "Liberation Sans", E::Roman},  // Helvetica
        {20, "", "Liberation Serif", E::Roman}, // Times
        {2, "", "Liberation Serif", E::Roman},  // New York
        {22, "", "Liberation Mono", E::Roman},  // Courier
        {4, "", "Liberation Mono", E::Roman},   // Monaco
        {300, "", "Liberation Sans", E::Roman}, // a number nobody named
        {300, "Times", "Liberation Serif", E::Roman},
        {301, "monaco", "Liberation Mono", E::Roman},
        {302, "Some Serif Face", "Liberation Serif", E::Roman},
    };
    for (const Case& c : cases) {
        const pict::MacFont font = pict::ChooseMacFont(c.number, c.name, false, false);
        EXPECT_EQ(font.family, c.family) << c.number << " " << c.name;
        EXPECT_EQ(font.encoding, c.encoding) << c.number << " " << c.name;
        EXPECT_EQ(font.script, 0);
    }
    for (int symbol : {23, 400}) {
        const pict::MacFont font =
            pict::ChooseMacFont(symbol, symbol == 23 ? "" : "Symbol", false, false);
        EXPECT_EQ(font.encoding, E::Symbol);
        EXPECT_FALSE(font.family.empty());
    }
    EXPECT_EQ(pict::ChooseMacFont(13, "", false, false).encoding, E::Dingbats);
    EXPECT_EQ(pict::ChooseMacFont(16384 + 512, "", false, false).script, 2);
}

// ---- encodings ------------------------------------------------------------

TEST(Text, MacCharacterSetsBecomeUnicode) {
    struct Case {
        std::string bytes;
        pict::MacEncoding encoding;
        std::string utf8;
    };
    using E = pict::MacEncoding;
    const Case cases[] = {
        {"\x8E\x9F\xA7\xC9\xAA", E::Roman,
         "é"
         "ü"
         "ß"
         "…"
         "™"},
        {"\x80\x8D\xCE\xD2\xD3\xDB\xF5\xFF", E::Roman,
         "Ä"
         "ç"
         "Œ"
         "“"
         "”"
         "€"
         "ı"
         "ˇ"},
        {"Plain", E::Roman, "Plain"},
        {"a\x0D\x01z", E::Roman, "az"}, // control characters draw nothing
        {"abpqW", E::Symbol,
         "α"
         "β"
         "π"
         "θ"
         "Ω"},
        {"\xB6\xD6\xA5\xE5\xF2", E::Symbol,
         "∂"
         "√"
         "∞"
         "∑"
         "∫"},
        {"\x48\x6E\xAC\x33", E::Dingbats,
         "★"
         "■"
         "①"
         "✓"},
        {"\x80", E::Symbol, "\xEF\xBF\xBD"}, // undefined in the set
    };
    for (const Case& c : cases)
        EXPECT_EQ(
            pict::MacToUtf8({reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size()},
                            c.encoding),
            c.utf8)
            << c.utf8;
}

// A run of MacRoman accented letters draws the letters, not boxes for
// missing glyphs: "é" has its accent above the x-height of a plain "e".
TEST(Text, MacRomanRunsDrawTheirLetters) {
    auto run = [](const std::string& text) {
        return InkOf(Draw({0, 0, 40, 40}, [&](PictWriter& w) {
            w.op(kTxSize, Word(20)).op(kLongText, LongText(4, 30, text));
        }));
    };
    const Ink e = run("e"), eAcute = run("\x8E");
    EXPECT_EQ(eAcute.bottom, e.bottom);
    EXPECT_LT(eAcute.top, e.top - 2);
}

// ---- modes and colours ----------------------------------------------------

TEST(Text, ModesAndColours) {
    const Rgb red{255, 0, 0}, blue{0, 0, 255}, white{255, 255, 255};
    auto draw = [&](int mode) {
        return Draw({0, 0, 30, 40}, [&](PictWriter& w) {
            w.foreColour(blue)
                .backColour(red)
                .op(kTxSize, Word(10))
                .op(kTxMode, Word(mode))
                .op(kLongText, LongText(5, 20, "HH"));
        });
    };
    const PictPicture orMode = draw(1), copyMode = draw(0), bicMode = draw(3);
    const Ink ink = InkOf(orMode);
    ASSERT_GT(ink.count, 0);
    // srcOr: glyphs in the foreground colour on what was there.
    EXPECT_EQ(At(orMode, ink.left, ink.bottom), blue);
    EXPECT_EQ(At(orMode, ink.left + 3, ink.bottom), white);
    // srcCopy: the character box takes the background colour too.
    EXPECT_EQ(At(copyMode, ink.left, ink.bottom), blue);
    EXPECT_EQ(At(copyMode, ink.left + 3, ink.bottom), red);
    EXPECT_EQ(At(copyMode, ink.left, ink.top - 1), red);
    EXPECT_EQ(At(copyMode, 2, 2), white);
    // srcBic on white: the glyphs take the background colour.
    EXPECT_EQ(At(bicMode, ink.left, ink.bottom), red);
}

TEST(Text, TheClipRegionCutsText) {
    PictPicture p = Draw({0, 0, 30, 60}, [](PictWriter& w) {
        w.clip({0, 0, 30, 20}).op(kTxSize, Word(10)).op(kLongText, LongText(4, 20, "HHHHHH"));
    });
    EXPECT_GT(InkOf(p, {0, 0, 30, 20}).count, 0);
    EXPECT_EQ(InkOf(p, {0, 20, 30, 60}).count, 0);
}

// ---- rotation -------------------------------------------------------------

TEST(Text, ATextBeginRotationStandsTheTextUp) {
    auto draw = [](int angle) {
        return InkOf(Draw({0, 0, 100, 100}, [angle](PictWriter& w) {
            w.op(kTxSize, Word(10));
            if (angle != 0)
                w.op(kLongComment, TextBegin(angle)).op(kLongComment, TextCenter(-3, 25));
            w.op(kLongText, LongText(25, 50, "HHHHHHHH"));
            if (angle != 0)
                w.op(0xA0, Word(151));            // TextEnd
            w.op(kLongText, LongText(0, 99, "")); // an empty run after it draws nothing
        }));
    };
    const Ink flat = draw(0);
    ASSERT_GT(flat.width(), 3 * flat.height());
    // Turned clockwise about the centre TextCenter gives (50, 47): tall, and
    // the middle of the ink turned with it.
    const double dx = (flat.left + flat.right + 1) / 2.0 - 50;
    const double dy = (flat.top + flat.bottom + 1) / 2.0 - 47;
    struct Turn {
        int angle;
        double x, y; // where the middle of the ink goes
    };
    for (const Turn t : {Turn{90, 50 - dy, 47 + dx}, Turn{270, 50 + dy, 47 - dx}}) {
        SCOPED_TRACE(t.angle);
        const Ink r = draw(t.angle);
        EXPECT_GT(r.height(), 3 * r.width());
        EXPECT_NEAR(r.height(), flat.width(), 2);
        EXPECT_NEAR((r.left + r.right + 1) / 2.0, t.x, 1.5);
        EXPECT_NEAR((r.top + r.bottom + 1) / 2.0, t.y, 1.5);
    }
    // After TextEnd the text is flat again.
    PictPicture after = Draw({0, 0, 100, 100}, [](PictWriter& w) {
        w.op(kTxSize, Word(10))
            .op(kLongComment, TextBegin(90))
            .op(0xA0, Word(151))
            .op(kLongText, LongText(25, 50, "HHHHHHHH"));
    });
    EXPECT_EQ(InkOf(after).width(), flat.width());
}

// ---- hostile text ---------------------------------------------------------

// Runs that go on for 100 KB, a font name of 255 bytes and the extreme
// sizes draw within their budget; the pictures seed the fuzz target.
TEST(Text, HostileTextStaysBounded) {
    std::vector<std::pair<std::string, std::string>> pictures;
    {
        PictWriter w(PictWriter::V2, {0, 0, 200, 300});
        const std::string line(255, 'W');
        for (int i = 0; i < 100 * 1024 / 256; ++i)
            w.op(i == 0 ? kLongText : kDHDVText,
                 i == 0 ? LongText(0, 10, line) : Byte(1) + Byte(1) + Byte(255) + line);
        pictures.emplace_back("text-100k-runs", w.finish());
    }
    {
        std::string name;
        for (int i = 0; i < 255; ++i)
            name += static_cast<char>(0x80 + i % 128);
        PictWriter w(PictWriter::V2, {0, 0, 50, 100});
        w.op(kFontName, Word(3 + 255) + Word(1234) + Byte(255) + name)
            .op(kTxFont, Word(1234))
            .op(kLongText, LongText(5, 30, "Named"));
        pictures.emplace_back("text-font-name-255", w.finish());
    }
    for (int size : {0, 32767, -5}) {
        PictWriter w(PictWriter::V2, {0, 0, 50, 100});
        w.op(0x31, test::RectData({0, 0, 1, 1})) // so that the picture draws something
            .op(kTxSize, Word(size))
            .op(kTxRatio, Word(0) + Word(0) + Word(0) + Word(0))
            .op(kLongText, LongText(5, 40, "Size"));
        pictures.emplace_back(
            "text-size-" + (size < 0 ? std::string("negative") : std::to_string(size)), w.finish());
    }
    for (const auto& [name, bytes] : pictures) {
        SCOPED_TRACE(name);
        if (const char* folder = std::getenv("DRAVIK_SEED_FOLDER"))
            std::ofstream(std::string(folder) + "/" + name + ".pict", std::ios::binary) << bytes;
        PictResult res = Read(bytes);
        ASSERT_TRUE(res.picture) << res.failure.reason;
        EXPECT_GT(InkOf(*res.picture).count, 0);
    }
}

TEST(Text, OtherScriptSystemsAreNotedAndDrawnAsMacRoman) {
    PictResult res;
    PictPicture p = Draw(
        {0, 0, 30, 60},
        [](PictWriter& w) { w.op(kTxFont, Word(16384)).op(kLongText, LongText(4, 20, "Kana")); },
        &res);
    EXPECT_GT(InkOf(p).count, 0);
    EXPECT_NE(std::find(res.skipped.begin(), res.skipped.end(),
                        "text of script system 1 drawn as MacRoman"),
              res.skipped.end());
}

// ---- the shared corpus ----------------------------------------------------

// The maps and diagrams drawn with and without their runs: the text adds
// pixels, and only around the runs' baselines (from an em and a half above
// to half an em below, from an em before the point to an em per character
// after it). rotated.pict clips its flat text away and shows a bitmap of it
// turned, so its text adds nothing.
TEST(Text, CorpusTextLandsAtItsRuns) {
    struct Case {
        const char* name;
        int minPixels;
    };
    const Case cases[] = {{"CarteRingstadt.pict", 2000},  {"Wahlenstadt.pict", 1000},
                          {"liste_chainee.pict", 100},    {"MacDraft.pict", 300},
                          {"LogoTigresVolants.pict", 20}, {"rotated.pict", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::ifstream in(std::string(DRAVIK_CORPUS_DIR) + "/" + c.name, std::ios::binary);
        const std::string file((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        if (file.empty())
            GTEST_SKIP() << "the shared corpus is not beside the repository";
        const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(file.data()),
                                             file.size());
        pict::ParsedPict parsed = pict::ParsePict(bytes);
        ASSERT_FALSE(parsed.failure) << parsed.failure->reason;
        const pict::CanvasGeometry g = pict::ChooseGeometry(parsed.header, 64'000'000);
        // Where each run may put pixels, in picture coordinates.
        std::vector<PictRect> boxes;
        int h = 0, v = 0, size = 12, originH = 0, originV = 0;
        for (pict::Operation& op : parsed.operations) {
            if (const auto* o = std::get_if<pict::OriginOp>(&op.data)) {
                originH += o->dh;
                originV += o->dv;
            } else if (const auto* t = std::get_if<pict::TextStateOp>(&op.data);
                       t && t->which == pict::TextStateOp::Size) {
                size = t->value > 0 ? t->value : 12;
            } else if (const auto* run = std::get_if<pict::TextOp>(&op.data)) {
                h = run->relative ? h + run->h : run->h;
                v = run->relative ? v + run->v : run->v;
                const int n = static_cast<int>(run->bytes.size());
                boxes.push_back({v - originV - size * 3 / 2, h - originH - size,
                                 v - originV + size / 2, h - originH + size * (n + 1)});
            }
        }
        ASSERT_FALSE(boxes.empty());
        const pict::DrawOutcome with = pict::DrawOperations(parsed, bytes, g);
        for (pict::Operation& op : parsed.operations)
            if (std::holds_alternative<pict::TextOp>(op.data))
                op.data = pict::SkipOp{};
        const pict::DrawOutcome without = pict::DrawOperations(parsed, bytes, g);
        EXPECT_FALSE(with.textLeftOut);
        int changed = 0, stray = 0;
        for (int y = 0; y < g.height; ++y)
            for (int x = 0; x < g.width; ++x) {
                const size_t i = (static_cast<size_t>(y) * g.width + x) * 3;
                if (std::equal(&with.picture.rgb[i], &with.picture.rgb[i] + 3,
                               &without.picture.rgb[i]))
                    continue;
                ++changed;
                const int px = g.area.left + x * g.area.width() / g.width;
                const int py = g.area.top + y * g.area.height() / g.height;
                stray += std::none_of(boxes.begin(), boxes.end(), [&](const PictRect& b) {
                    return px >= b.left && px < b.right && py >= b.top && py < b.bottom;
                });
            }
        if (c.minPixels == 0) {
            EXPECT_EQ(changed, 0);
        } else {
            EXPECT_GE(changed, c.minPixels);
        }
        EXPECT_EQ(stray, 0);
    }
}

} // namespace
} // namespace dravik
