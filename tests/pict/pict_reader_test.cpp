// The PICT reader through its public call: synthetic pictures from the test
// writer, one group per feature, with their pixels checked.
#include "pict/pict_test_support.h"

#include <gtest/gtest.h>

namespace dravik {
namespace {

using pict::PictFailureKind;
using pict::PictLimits;
using pict::PictPicture;
using pict::PictResult;
using test::At;
using test::PictRect;
using test::PictWriter;
using test::RasterRecord;
using test::Read;
using test::Rgb;

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};

uint32_t Pack(Rgb c) {
    return static_cast<uint32_t>(c.r) << 16 | c.g << 8 | c.b;
}

// A picture whose colour depends on x and y in a way any misplaced, lost
// or doubled pixel changes.
Rgb Pattern(int x, int y) {
    return {static_cast<uint8_t>(x * 37 + y * 11), static_cast<uint8_t>(x * 5 + y * 53),
            static_cast<uint8_t>((x ^ y) * 29)};
}

// The draw of `record` onto a picture the size of its bounds.
PictResult ReadOne(const RasterRecord& record, PictWriter::Version version = PictWriter::V2) {
    PictWriter w(version, record.bounds);
    return Read(w.raster(record).finish());
}

RasterRecord Direct(PictRect bounds, int pixelSize, int packType, int cmpCount = 3) {
    RasterRecord r;
    r.opcode = 0x9A;
    r.pixelSize = pixelSize;
    r.packType = packType;
    r.cmpCount = cmpCount;
    r.bounds = bounds;
    r.rowBytes = bounds.width() * (pixelSize / 8);
    for (int y = bounds.top; y < bounds.bottom; ++y)
        for (int x = bounds.left; x < bounds.right; ++x)
            r.pixels.push_back(Pack(Pattern(x, y)) | (cmpCount == 4 ? 0x7F000000u : 0));
    return r;
}

void ExpectPattern(const PictResult& r, int w, int h, int (*quantise)(int) = nullptr) {
    ASSERT_TRUE(r.picture) << r.failure.reason;
    ASSERT_EQ(r.picture->width, w);
    ASSERT_EQ(r.picture->height, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Rgb want = Pattern(x, y);
            if (quantise != nullptr)
                want = {static_cast<uint8_t>(quantise(want.r)),
                        static_cast<uint8_t>(quantise(want.g)),
                        static_cast<uint8_t>(quantise(want.b))};
            ASSERT_EQ(At(*r.picture, x, y), want) << x << "," << y;
        }
}

// 5-bit channels with their top bits copied into the low ones: 31 is 255.
int Five(int v) {
    return ((v >> 3) << 3) | (v >> 5);
}

// ---- depths and pack types ------------------------------------------------

struct DirectCase {
    const char* name;
    int pixelSize, packType, cmpCount, width;
};

class DirectPixels : public testing::TestWithParam<DirectCase> {};

TEST_P(DirectPixels, EveryPixelArrives) {
    const DirectCase& c = GetParam();
    RasterRecord r = Direct({0, 0, 5, c.width}, c.pixelSize, c.packType, c.cmpCount);
    ExpectPattern(ReadOne(r), c.width, 5, c.pixelSize == 16 ? Five : nullptr);
}

INSTANTIATE_TEST_SUITE_P(Depths, DirectPixels,
                         testing::Values(DirectCase{"rgb16_packed_words", 16, 0, 3, 40},
                                         DirectCase{"rgb16_packType3", 16, 3, 3, 40},
                                         DirectCase{"rgb16_unpacked", 16, 1, 3, 40},
                                         DirectCase{"rgb16_narrow_rows_unpacked", 16, 3, 3, 3},
                                         DirectCase{"rgb32_planes", 32, 4, 3, 40},
                                         DirectCase{"rgb32_planes_default", 32, 0, 3, 40},
                                         DirectCase{"argb32_planes_alpha_ignored", 32, 4, 4, 40},
                                         DirectCase{"rgb32_unpacked", 32, 1, 3, 40},
                                         DirectCase{"rgb32_pad_dropped", 32, 2, 3, 40},
                                         DirectCase{"rgb32_one_pixel_rows", 32, 4, 3, 1},
                                         DirectCase{"rgb32_word_counts", 32, 4, 3, 100}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PictReader, SixteenBitWhiteIsFullWhite) {
    RasterRecord r = Direct({0, 0, 2, 20}, 16, 3);
    std::fill(r.pixels.begin(), r.pixels.end(), 0xFFFFFF);
    PictResult res = ReadOne(r);
    ASSERT_TRUE(res.picture);
    EXPECT_EQ(At(*res.picture, 7, 1), kWhite);
}

struct IndexedCase {
    int depth;
    uint16_t opcode;
    bool device;
    int width;
};

class IndexedPixels : public testing::TestWithParam<IndexedCase> {};

TEST_P(IndexedPixels, ColourTableLooksUpEveryIndex) {
    const IndexedCase& c = GetParam();
    const int colours = 1 << c.depth;
    RasterRecord r;
    r.opcode = c.opcode;
    r.pixelSize = c.depth;
    r.bounds = {0, 0, 3, c.width};
    r.devicePalette = c.device;
    for (int i = 0; i < colours; ++i)
        r.palette.push_back(Pattern(i, 7));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < c.width; ++x)
            r.pixels.push_back(static_cast<uint32_t>((x + y * 3) % colours));
    PictResult res = ReadOne(r);
    ASSERT_TRUE(res.picture) << res.failure.reason;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < c.width; ++x)
            ASSERT_EQ(At(*res.picture, x, y), Pattern((x + y * 3) % colours, 7)) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(
    Depths, IndexedPixels,
    testing::Values(IndexedCase{1, 0x98, false, 70}, IndexedCase{2, 0x98, false, 33},
                    IndexedCase{4, 0x98, true, 33}, IndexedCase{8, 0x98, false, 33},
                    IndexedCase{8, 0x98, true, 5}, IndexedCase{8, 0x90, false, 33},
                    IndexedCase{4, 0x90, true, 9}));

// PackBits counts: a byte up to 250 bytes per row, a word above; the
// boundary has been got wrong before.
class PackBitsCounts : public testing::TestWithParam<int> {};

TEST_P(PackBitsCounts, RowsOfThisWidthUnpack) {
    const int rowBytes = GetParam();
    RasterRecord r;
    r.pixelSize = 8;
    r.rowBytes = rowBytes;
    r.bounds = {0, 0, 4, rowBytes};
    for (int i = 0; i < 256; ++i)
        r.palette.push_back(Pattern(i, 1));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < rowBytes; ++x)
            r.pixels.push_back(static_cast<uint32_t>(x / 3 % 2 == 0 ? (x * 7 + y) % 256 : 9));
    PictResult res = ReadOne(r);
    ASSERT_TRUE(res.picture) << res.failure.reason;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < rowBytes; ++x)
            ASSERT_EQ(At(*res.picture, x, y),
                      Pattern(static_cast<int>(r.pixels[y * rowBytes + x]), 1));
}

INSTANTIATE_TEST_SUITE_P(RowBytes, PackBitsCounts, testing::Values(6, 8, 200, 250, 251, 300));

// ---- bitmaps and colours --------------------------------------------------

RasterRecord Bitmap(PictRect bounds, uint16_t opcode = 0x98) {
    RasterRecord r;
    r.opcode = opcode;
    r.pixMap = false;
    r.bounds = bounds;
    for (int y = bounds.top; y < bounds.bottom; ++y)
        for (int x = bounds.left; x < bounds.right; ++x)
            r.pixels.push_back((x + y) % 3 == 0 ? 1 : 0);
    return r;
}

TEST(PictReader, BitmapsTakeTheForeAndBackColours) {
    struct Case {
        const char* name;
        std::function<void(PictWriter&)> colours;
        Rgb fore, back;
    };
    const Case cases[] = {
        {"defaults", [](PictWriter&) {}, kBlack, kWhite},
        {"old style",
         [](PictWriter& w) { w.oldForeColour(205).oldBackColour(409); },
         {221, 8, 6},
         {0, 0, 212}},
        {"rgb",
         [](PictWriter& w) {
             w.foreColour({10, 20, 30}).backColour({200, 210, 220});
         },
         {10, 20, 30},
         {200, 210, 220}},
    };
    for (const Case& c : cases) {
        for (PictWriter::Version v : {PictWriter::V1, PictWriter::V2}) {
            if (v == PictWriter::V1 && std::string(c.name) == "rgb")
                continue;
            for (uint16_t opcode : {0x90, 0x98}) {
                RasterRecord r = Bitmap({0, 0, 6, 80}, opcode);
                PictWriter w(v, r.bounds);
                c.colours(w);
                PictResult res = Read(w.raster(r).finish());
                ASSERT_TRUE(res.picture) << c.name;
                for (int x = 0; x < 80; ++x)
                    ASSERT_EQ(At(*res.picture, x, 2), (x + 2) % 3 == 0 ? c.fore : c.back)
                        << c.name << " version " << v << " opcode " << opcode << " x " << x;
            }
        }
    }
}

// ---- the container ----------------------------------------------------------

struct ContainerCase {
    const char* name;
    PictWriter::Version version;
    bool preamble;
    double dpi;
};

class Containers : public testing::TestWithParam<ContainerCase> {};

TEST_P(Containers, PictureLandsAtItsResolution) {
    const ContainerCase& c = GetParam();
    // The frame is at 72 dpi; the pixels at the picture's own resolution.
    const PictRect frame{0, 0, 12, 24};
    const PictRect source = c.dpi == 72 ? frame : PictRect{0, 0, 50, 100}; // 12 x 24 at 300 dpi
    RasterRecord r = c.version == PictWriter::V1 ? Bitmap(source) : Direct(source, 32, 4);
    PictWriter w(c.version, frame, c.preamble, c.dpi, source);
    PictResult res = Read(w.raster(r).finish());
    ASSERT_TRUE(res.picture) << res.failure.reason;
    EXPECT_EQ(res.picture->width, source.width());
    EXPECT_EQ(res.picture->height, source.height());
    EXPECT_DOUBLE_EQ(res.picture->resolution, c.dpi);
    if (c.version == PictWriter::V1)
        EXPECT_EQ(At(*res.picture, 3, 0), kBlack);
    else
        ExpectPattern(res, source.width(), source.height());
}

INSTANTIATE_TEST_SUITE_P(
    Versions, Containers,
    testing::Values(ContainerCase{"v1", PictWriter::V1, true, 72},
                    ContainerCase{"v1_bare", PictWriter::V1, false, 72},
                    ContainerCase{"v2", PictWriter::V2, true, 72},
                    ContainerCase{"v2_bare", PictWriter::V2, false, 72},
                    ContainerCase{"ext_v2_72dpi", PictWriter::ExtendedV2, true, 72},
                    ContainerCase{"ext_v2_300dpi", PictWriter::ExtendedV2, true, 300},
                    ContainerCase{"ext_v2_300dpi_bare", PictWriter::ExtendedV2, false, 300}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PictReader, NegativeFrameOriginPlacesStripsRelativeToTheFrame) {
    const PictRect frame{-20, -30, 10, 30};
    PictWriter w(PictWriter::V2, frame);
    w.clip({-32767, -32767, 32767, 32767}); // the common wide-open clip
    RasterRecord top = Direct({-20, -30, -5, 30}, 32, 4);
    RasterRecord bottom = Direct({-5, -30, 10, 30}, 32, 4);
    PictResult res = Read(w.raster(top).raster(bottom).finish());
    ASSERT_TRUE(res.picture) << res.failure.reason;
    ASSERT_EQ(res.picture->width, 60);
    ASSERT_EQ(res.picture->height, 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 60; ++x)
            ASSERT_EQ(At(*res.picture, x, y), Pattern(x - 30, y - 20)) << x << "," << y;
}

TEST(PictReader, OriginShiftsWhatFollows) {
    PictWriter w(PictWriter::V2, {0, 0, 10, 10});
    RasterRecord r = Direct({100, 200, 104, 204}, 32, 1);
    w.origin(200, 100);
    PictResult res = Read(w.raster(r).finish());
    ASSERT_TRUE(res.picture) << res.failure.reason;
    EXPECT_EQ(At(*res.picture, 0, 0), Pattern(200, 100));
    EXPECT_EQ(At(*res.picture, 3, 3), Pattern(203, 103));
    EXPECT_EQ(At(*res.picture, 4, 4), kWhite);
}

TEST(PictReader, CanvasStartsWhiteAndClipRegionsApply) {
    const PictRect frame{0, 0, 16, 16};
    RasterRecord r;
    r.opcode = 0x9A;
    r.pixelSize = 32;
    r.packType = 4;
    r.bounds = frame;
    r.rowBytes = 64;
    r.pixels.assign(256, Pack(kRed));
    auto diagonal = [](int x, int y) { return x >= y; };
    struct Case {
        const char* name;
        std::function<void(PictWriter&)> clip;
        std::function<bool(int, int)> drawn;
    };
    const Case cases[] = {
        {"rectangle",
         [](PictWriter& w) {
             w.clip({4, 2, 8, 12});
         },
         [](int x, int y) { return x >= 2 && x < 12 && y >= 4 && y < 8; }},
        {"region", [&](PictWriter& w) { w.clipRegion(test::RegionData(frame, diagonal)); },
         diagonal},
    };
    for (const Case& c : cases) {
        PictWriter w(PictWriter::V2, frame);
        c.clip(w);
        PictResult res = Read(w.raster(r).finish());
        ASSERT_TRUE(res.picture) << c.name;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(At(*res.picture, x, y), c.drawn(x, y) ? kRed : kWhite)
                    << c.name << " " << x << "," << y;
    }
}

TEST(PictReader, MaskRegionsOfTheRgnOpcodesApply) {
    const PictRect frame{0, 0, 12, 20};
    auto ring = [](int x, int y) {
        int dx = x - 10, dy = y - 6;
        return dx * dx + dy * dy < 30 && dx * dx + dy * dy > 6;
    };
    for (uint16_t opcode : {0x91, 0x99, 0x9B}) {
        RasterRecord r = opcode == 0x9B ? Direct(frame, 32, 4) : Bitmap(frame, opcode);
        r.opcode = opcode;
        if (opcode != 0x9B) { // an 8-bit pixmap for the packed opcode, a bitmap for BitsRgn
            r.pixMap = opcode == 0x99;
            if (r.pixMap) {
                r.pixelSize = 8;
                r.palette = {kGreen, kBlue};
            }
        }
        r.maskRegion = test::RegionData(frame, ring);
        PictResult res = ReadOne(r);
        ASSERT_TRUE(res.picture) << res.failure.reason;
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 20; ++x) {
                const Rgb got = At(*res.picture, x, y);
                if (!ring(x, y)) {
                    ASSERT_EQ(got, kWhite) << opcode << " " << x << "," << y;
                } else if (opcode == 0x9B) {
                    ASSERT_EQ(got, Pattern(x, y)) << x << "," << y;
                } else if (opcode == 0x99) {
                    ASSERT_EQ(got, (x + y) % 3 == 0 ? kBlue : kGreen) << x << "," << y;
                } else {
                    ASSERT_EQ(got, (x + y) % 3 == 0 ? kBlack : kWhite) << x << "," << y;
                }
            }
    }
}

// ---- scaling ----------------------------------------------------------------

TEST(PictReader, SourceRectangleIsScaledToTheDestination) {
    struct Case {
        PictRect src, dst;
    };
    const PictRect bounds{0, 0, 8, 8};
    const Case cases[] = {
        {{0, 0, 4, 4}, {0, 0, 8, 8}},   // doubled
        {{0, 0, 8, 8}, {0, 0, 4, 4}},   // halved
        {{2, 2, 6, 8}, {0, 0, 12, 12}}, // a part, stretched unevenly
    };
    for (const Case& c : cases) {
        RasterRecord r = Direct(bounds, 32, 4);
        r.src = c.src;
        r.dst = c.dst;
        PictWriter w(PictWriter::V2, {0, 0, 12, 12});
        PictResult res = Read(w.raster(r).finish());
        ASSERT_TRUE(res.picture);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x) {
                Rgb want = kWhite;
                if (x < c.dst.right && y < c.dst.bottom)
                    want = Pattern(c.src.left + x * c.src.width() / c.dst.width(),
                                   c.src.top + y * c.src.height() / c.dst.height());
                ASSERT_EQ(At(*res.picture, x, y), want) << x << "," << y;
            }
    }
}

TEST(PictReader, HugeFramesAreDrawnAtALowerResolution) {
    const PictRect frame{0, 0, 200, 400};
    RasterRecord r = Direct(frame, 32, 4);
    PictWriter w(PictWriter::V2, frame);
    PictLimits limits;
    limits.maxCanvasPixels = 20000;
    PictResult res = Read(w.raster(r).finish(), limits);
    ASSERT_TRUE(res.picture) << res.failure.reason;
    EXPECT_EQ(res.picture->width, 200);
    EXPECT_EQ(res.picture->height, 100);
    EXPECT_DOUBLE_EQ(res.picture->resolution, 36);
    EXPECT_EQ(At(*res.picture, 10, 20), Pattern(20, 40));
}

// ---- transfer modes -------------------------------------------------------

struct ModeCase {
    const char* name;
    int mode;
    Rgb source;   // a pixmap pixel drawn over the background
    Rgb expected; // what the canvas holds afterwards
};

constexpr Rgb kBackground{200, 100, 50};

class TransferModes : public testing::TestWithParam<ModeCase> {};

TEST_P(TransferModes, PixmapOverAKnownBackground) {
    const ModeCase& c = GetParam();
    const PictRect frame{0, 0, 2, 10};
    RasterRecord background = Direct(frame, 32, 4);
    std::fill(background.pixels.begin(), background.pixels.end(), Pack(kBackground));
    RasterRecord over = Direct(frame, 32, 4);
    std::fill(over.pixels.begin(), over.pixels.end(), Pack(c.source));
    over.mode = c.mode;
    PictWriter w(PictWriter::V2, frame);
    w.opColour({150, 150, 20}).backColour({1, 2, 3});
    PictResult res = Read(w.raster(background).raster(over).finish());
    ASSERT_TRUE(res.picture);
    const Rgb got = At(*res.picture, 5, 1);
    EXPECT_NEAR(got.r, c.expected.r, 1) << got;
    EXPECT_NEAR(got.g, c.expected.g, 1) << got;
    EXPECT_NEAR(got.b, c.expected.b, 1) << got;
}

INSTANTIATE_TEST_SUITE_P(
    Modes, TransferModes,
    testing::Values(ModeCase{"srcCopy", 0, {100, 100, 100}, {100, 100, 100}},
                    ModeCase{"ditherCopy", 64, {100, 100, 100}, {100, 100, 100}},
                    ModeCase{"srcOr_black", 1, kBlack, kBlack},
                    ModeCase{"srcOr_white", 1, kWhite, kBackground},
                    ModeCase{"srcXor_black", 2, kBlack, {55, 155, 205}},
                    ModeCase{"srcXor_white", 2, kWhite, kBackground},
                    ModeCase{"srcBic_black", 3, kBlack, {1, 2, 3}},
                    ModeCase{"notSrcCopy", 4, {100, 0, 255}, {155, 255, 0}},
                    ModeCase{"notSrcOr_white", 5, kWhite, kBlack},
                    ModeCase{"notSrcXor_white", 6, kWhite, {55, 155, 205}},
                    ModeCase{"notSrcBic_black", 7, kBlack, kBackground},
                    ModeCase{"blend", 32, {0, 200, 250}, {82, 158, 65}},
                    ModeCase{"addPin", 33, {100, 100, 100}, {150, 150, 20}},
                    ModeCase{"addOver", 34, {100, 200, 10}, {44, 44, 60}},
                    ModeCase{"subPin", 35, {150, 90, 10}, {150, 150, 40}},
                    ModeCase{"transparent_drawn", 36, {9, 9, 9}, {9, 9, 9}},
                    ModeCase{"transparent_background_colour", 36, {1, 2, 3}, kBackground},
                    ModeCase{"addMax", 37, {100, 150, 100}, {200, 150, 100}},
                    ModeCase{"subOver", 38, {210, 90, 10}, {246, 10, 40}},
                    ModeCase{"adMin", 39, {100, 150, 100}, {100, 100, 50}},
                    ModeCase{"unknown_is_srcCopy", 17, {7, 8, 9}, {7, 8, 9}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PictReader, BitmapBooleanModesPaintWithThePortColours) {
    // Ink (1) pixels at even x; the background strip is green.
    struct Case {
        int mode;
        Rgb onInk, offInk;
    };
    const Rgb fore{200, 0, 0}, back{0, 0, 200};
    const Case cases[] = {
        {0, fore, back}, {1, fore, kGreen}, {2, {255, 0, 255}, kGreen}, {3, back, kGreen},
        {4, back, fore}, {5, kGreen, fore}, {6, kGreen, {255, 0, 255}}, {7, kGreen, back},
    };
    const PictRect frame{0, 0, 1, 16};
    for (const Case& c : cases) {
        RasterRecord green = Direct(frame, 32, 1);
        std::fill(green.pixels.begin(), green.pixels.end(), Pack(kGreen));
        RasterRecord bits;
        bits.pixMap = false;
        bits.bounds = frame;
        bits.mode = c.mode;
        for (int x = 0; x < 16; ++x)
            bits.pixels.push_back(x % 2 == 0 ? 1 : 0);
        PictWriter w(PictWriter::V2, frame);
        w.raster(green).foreColour(fore).backColour(back).raster(bits);
        PictResult res = Read(w.finish());
        ASSERT_TRUE(res.picture);
        EXPECT_EQ(At(*res.picture, 4, 0), c.onInk) << "mode " << c.mode;
        EXPECT_EQ(At(*res.picture, 5, 0), c.offInk) << "mode " << c.mode;
    }
}

TEST(PictReader, UnknownModesAndReservedOpcodesAreNotedAndPassedOver) {
    RasterRecord r = Direct({0, 0, 2, 10}, 32, 4);
    r.mode = 17;
    PictWriter w(PictWriter::V2, r.bounds);
    w.op(0x0092, test::Word(3) + "abc")                        // reserved, a word of length
        .op(0x00B5)                                            // reserved, no data
        .op(0x00D0, test::Long(5) + "12345")                   // reserved, a long of length
        .op(0x0A00, std::string(20, 'x'))                      // reserved, 2 x 0x0A bytes
        .op(0x8011)                                            // reserved, no data
        .op(0x8300, test::Long(1) + "z")                       // reserved, a long of length
        .op(0x00A1, test::Word(100) + test::Word(4) + "abcd"); // a comment
    PictResult res = Read(w.raster(r).finish());
    ASSERT_TRUE(res.picture) << res.failure.reason;
    EXPECT_EQ(At(*res.picture, 4, 1), Pattern(4, 1));
    const std::vector<std::string> notes = res.skipped;
    for (const char* want :
         {"reserved opcode 0x0092", "reserved opcode 0x00B5", "reserved opcode 0x00D0",
          "reserved opcode 0x0A00", "reserved opcode 0x8011", "reserved opcode 0x8300",
          "transfer mode 17 drawn as srcCopy"})
        EXPECT_NE(std::find(notes.begin(), notes.end(), want), notes.end()) << want;
}

// ---- what the reader declines ---------------------------------------------

TEST(PictReader, FailuresSayWhatIsWrong) {
    RasterRecord strip = Direct({0, 0, 4, 10}, 32, 4);
    PictWriter good(PictWriter::V2, strip.bounds);
    const std::string picture = good.raster(strip).finish();
    struct Case {
        const char* name;
        std::string bytes;
        PictFailureKind kind;
        std::string feature;
    };
    const Case cases[] = {
        {"png", std::string("\x89PNG\r\n\x1a\n", 8) + std::string(600, '\0'),
         PictFailureKind::NotPict, ""},
        {"empty", "", PictFailureKind::NotPict, ""},
        {"cut in a strip", picture.substr(0, picture.size() - 20), PictFailureKind::Damaged, ""},
        {"polygon shorter than its bounds",
         PictWriter(PictWriter::V2, {0, 0, 4, 4})
             .raster(strip)
             .op(0x0071, test::Word(6) + test::Word(0) + test::Word(0))
             .finish(),
         PictFailureKind::Damaged, ""},
        {"text run cut short",
         PictWriter(PictWriter::V2, {0, 0, 4, 4})
             .raster(strip)
             .op(0x0028, test::Word(5) + test::Word(5) + "\x0aHi")
             .finish(),
         PictFailureKind::Damaged, ""},
        {"quicktime record cut short",
         PictWriter(PictWriter::V2, {0, 0, 4, 4})
             .op(0x8200, test::Long(6) + "jpeg..")
             .raster(strip)
             .finish(),
         PictFailureKind::Damaged, ""},
        {"nothing drawn", PictWriter(PictWriter::V2, {0, 0, 4, 4}).clip({0, 0, 4, 4}).finish(),
         PictFailureKind::Empty, ""},
    };
    for (const Case& c : cases) {
        PictResult res = Read(c.bytes);
        ASSERT_FALSE(res.picture) << c.name;
        EXPECT_EQ(res.failure.kind, c.kind) << c.name;
        EXPECT_EQ(res.failure.feature, c.feature) << c.name;
        EXPECT_FALSE(res.failure.reason.empty()) << c.name;
    }
    // A picture too large to read says how large it is.
    PictLimits few;
    few.maxOperations = 3;
    PictResult tooMany = Read(picture, few);
    EXPECT_EQ(tooMany.failure.kind, PictFailureKind::TooLarge);
    EXPECT_EQ(tooMany.failure.width, 10);
    EXPECT_EQ(tooMany.failure.height, 4);
}

TEST(PictReader, DamagedOffsetPointsAtTheBrokenOpcode) {
    RasterRecord strip = Direct({0, 0, 4, 10}, 32, 4);
    PictWriter w(PictWriter::V2, strip.bounds, false);
    const std::string head = w.finish(false);
    const std::string picture =
        PictWriter(PictWriter::V2, strip.bounds, false).raster(strip).finish();
    PictResult res = Read(picture.substr(0, picture.size() - 10));
    ASSERT_FALSE(res.picture);
    EXPECT_EQ(res.failure.kind, PictFailureKind::Damaged);
    EXPECT_EQ(res.failure.offset, head.size());
}

// A region whose every row adds one more edge would cost the square of its
// size to walk; the reader declines it instead of grinding through it.
TEST(PictReader, HostileRegionsStayCheap) {
    std::string body;
    for (int i = 0; i < 9000; ++i)
        body += test::Word(i - 20000) + test::Word(2 * i - 20000) + test::Word(0x7FFF);
    body += test::Word(0x7FFF);
    const std::string region = test::Word(static_cast<int>(10 + body.size())) +
                               test::RectData({-30000, -30000, 30000, 30000}) + body;
    RasterRecord r = Direct({0, 0, 4, 4}, 32, 1);
    PictWriter w(PictWriter::V2, r.bounds);
    for (int i = 0; i < 20; ++i)
        w.clipRegion(region).raster(r);
    PictResult res = Read(w.finish());
    ASSERT_FALSE(res.picture);
    EXPECT_EQ(res.failure.kind, PictFailureKind::Damaged);
}

// Every cut and a spread of single-bit flips of a few pictures must end in a
// picture or a failure, never a crash or a hang (the sanitizers watch).
TEST(PictReader, TruncatedAndBitFlippedPicturesFailCleanly) {
    std::vector<std::string> pictures;
    RasterRecord mask = Bitmap({0, 0, 9, 20}, 0x99);
    mask.pixMap = true;
    mask.pixelSize = 8;
    mask.palette = {kRed, kGreen};
    mask.maskRegion = test::RegionData(mask.bounds, [](int x, int y) { return x > y; });
    pictures.push_back(
        ReadOne(mask).picture ? PictWriter(PictWriter::V2, mask.bounds).raster(mask).finish() : "");
    pictures.push_back(
        PictWriter(PictWriter::V1, {0, 0, 9, 20}).raster(Bitmap({0, 0, 9, 20})).finish());
    pictures.push_back(
        PictWriter(PictWriter::ExtendedV2, {0, 0, 8, 300}, false)
            .clipRegion(test::RegionData({0, 0, 8, 300}, [](int x, int) { return x % 7 < 3; }))
            .raster(Direct({0, 0, 8, 300}, 16, 3))
            .finish());
    for (const std::string& p : pictures) {
        ASSERT_FALSE(p.empty());
        ASSERT_TRUE(Read(p).picture);
        for (size_t cut = 0; cut < p.size(); cut += cut < 600 ? 1 : 5) {
            PictResult res = Read(p.substr(0, cut));
            if (!res.picture) {
                EXPECT_FALSE(res.failure.reason.empty());
            }
        }
        for (size_t bit = 0; bit < p.size() * 8; bit += 13) {
            std::string flipped = p;
            flipped[bit / 8] = static_cast<char>(flipped[bit / 8] ^ (1 << (bit % 8)));
            PictResult res = Read(flipped);
            if (res.picture) {
                EXPECT_GT(res.picture->width, 0);
                EXPECT_EQ(res.picture->rgb.size(),
                          static_cast<size_t>(res.picture->width) * res.picture->height * 3);
            }
        }
    }
}

} // namespace
} // namespace dravik
