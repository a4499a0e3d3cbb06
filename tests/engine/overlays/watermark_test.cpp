#include "engine/overlays/watermark.h"

#include "engine/overlays/canvas.h"
#include "engine/overlays/overlays.h"
#include "support/temp_dir.h"

#include "support/bitmaps.h"

#include <gtest/gtest.h>

// FreeImage.h and png.h both define this save flag; it is not used here.
#undef PNG_Z_DEFAULT_COMPRESSION
#include <png.h>
#include <sys/resource.h>

#include <array>
#include <bit>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>

namespace dravik {
namespace {

using test::Solid;

using test::TempDir;

// --- pictures -------------------------------------------------------------

// A picture whose pixels come from fn(x, y), y counted from the top.
Bitmap Painted(int w, int h, int bpp, const std::function<Rgba(int, int)>& fn) {
    Bitmap b = Solid(w, h, Rgba{}, bpp);
    const int step = bpp / 8;
    for (int y = 0; y < h; ++y) {
        BYTE* p = FreeImage_GetScanLine(b.get(), h - 1 - y);
        for (int x = 0; x < w; ++x, p += step) {
            const Rgba c = fn(x, y);
            p[FI_RGBA_RED] = c.r;
            p[FI_RGBA_GREEN] = c.g;
            p[FI_RGBA_BLUE] = c.b;
            if (bpp == 32)
                p[FI_RGBA_ALPHA] = c.a;
        }
    }
    return b;
}

Rgba At(const Bitmap& b, int x, int y) {
    const int step = static_cast<int>(b.bpp()) / 8;
    const BYTE* p = FreeImage_GetScanLine(b.get(), static_cast<int>(b.height()) - 1 - y) + x * step;
    return Rgba{p[FI_RGBA_RED], p[FI_RGBA_GREEN], p[FI_RGBA_BLUE], 255};
}

bool Same(Rgba a, Rgba b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

bool Near(Rgba a, Rgba b, int tolerance = 3) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

struct Box {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const Box&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Box& b) {
    return os << "(" << b.x << "," << b.y << " " << b.w << "x" << b.h << ")";
}

// The bounding box of the pixels that are no longer `background`.
Box Changed(const Bitmap& b, Rgba background) {
    int x0 = INT_MAX, y0 = INT_MAX, x1 = -1, y1 = -1;
    for (int y = 0; y < static_cast<int>(b.height()); ++y) {
        for (int x = 0; x < static_cast<int>(b.width()); ++x) {
            if (!Same(At(b, x, y), background)) {
                x0 = std::min(x0, x), y0 = std::min(y0, y);
                x1 = std::max(x1, x), y1 = std::max(y1, y);
            }
        }
    }
    return x1 < 0 ? Box{} : Box{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

bool Identical(const Bitmap& a, const Bitmap& b) {
    if (a.width() != b.width() || a.height() != b.height() || a.bpp() != b.bpp())
        return false;
    for (int y = 0; y < static_cast<int>(a.height()); ++y) {
        for (int x = 0; x < static_cast<int>(a.width()); ++x) {
            if (!Same(At(a, x, y), At(b, x, y)))
                return false;
        }
    }
    return true;
}

long PeakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

constexpr Rgba kGrey{128, 128, 128, 255};
constexpr Rgba kRed{255, 0, 0, 255};
constexpr Rgba kWhite{255, 255, 255, 255};

std::string SaveAs(const TempDir& dir, const std::string& name, const Bitmap& b,
                   FREE_IMAGE_FORMAT fif, int flags = 0) {
    const std::string path = dir.file(name);
    EXPECT_TRUE(FreeImage_Save(fif, b.get(), path.c_str(), flags));
    return path;
}

std::string Bytes(const std::string& path) {
    return test::ReadFileText(path);
}

// A huge single-colour PNG, written a row at a time.
std::string WriteHugePng(const std::string& path, int w, int h) {
    FILE* f = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        ADD_FAILURE() << "could not write " << path;
        return path;
    }
    png_init_io(png, f);
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(static_cast<size_t>(w) * 3);
    for (size_t i = 0; i < row.size(); i += 3)
        row[i] = 255; // red
    for (int y = 0; y < h; ++y)
        png_write_row(png, row.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return path;
}

// A 16- or 32-bit BMP whose pixels are laid out by bit masks, as image
// editors write one with alpha: a V4 (108) or V5 (124) header, rows from
// the bottom unless `topDown`. `masks` are red, green, blue, alpha.
std::string MaskedBmp(int w, int h, uint32_t headerSize, bool topDown, int bpp,
                      std::array<uint32_t, 4> masks,
                      const std::function<Rgba(int x, int y)>& pixel) {
    auto put32 = [](std::string& s, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            s += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    auto put16 = [](std::string& s, uint32_t v) {
        s += static_cast<char>(v & 0xFF);
        s += static_cast<char>((v >> 8) & 0xFF);
    };
    // Scales an 8-bit value into a mask's bits.
    auto field = [](uint32_t mask, unsigned value) -> uint32_t {
        if (mask == 0)
            return 0;
        const int shift = std::countr_zero(mask);
        const uint32_t max = mask >> shift;
        return ((value * max + 127) / 255) << shift;
    };
    const uint32_t rowBytes = static_cast<uint32_t>((w * bpp + 31) / 32 * 4);
    const uint32_t offset = 14 + headerSize;
    std::string out = "BM";
    put32(out, offset + rowBytes * h);
    put32(out, 0);
    put32(out, offset);
    put32(out, headerSize);
    put32(out, static_cast<uint32_t>(w));
    put32(out, static_cast<uint32_t>(topDown ? -h : h));
    put16(out, 1);
    put16(out, static_cast<uint32_t>(bpp));
    put32(out, 3); // bit fields
    put32(out, rowBytes * h);
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (uint32_t mask : masks)
        put32(out, mask);
    put32(out, 0x73524742); // "sRGB"
    out.resize(offset, '\0');
    for (int row = 0; row < h; ++row) {
        const int y = topDown ? row : h - 1 - row;
        std::string line;
        for (int x = 0; x < w; ++x) {
            const Rgba c = pixel(x, y);
            const uint32_t v = field(masks[0], c.r) | field(masks[1], c.g) | field(masks[2], c.b) |
                               field(masks[3], c.a);
            bpp == 32 ? put32(line, v) : put16(line, v);
        }
        line.resize(rowBytes, '\0');
        out += line;
    }
    return out;
}

// --- fixture --------------------------------------------------------------

class WatermarkTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        Settings s;
        ApplyDefaults(s, true, {});
        s.watermark.font = "Arial";
        s.watermark.fontSize = 14;
        font_ = new WatermarkFont(std::move(*WatermarkFont::Load(s)));
    }
    static void TearDownTestSuite() {
        delete font_;
        font_ = nullptr;
    }

    static WatermarkFont* font_;
    Settings settings;
    AppState state;
    TempDir dir;

    void SetUp() override {
        ApplyDefaults(settings, true, {});
        Settings::Watermark& wm = settings.watermark;
        wm.doWatermark = 1;
        wm.font = "Arial";
        wm.fontSize = 14;
        wm.text = "Tolvenor";
        wm.fontColor = "FFFFFF";
        wm.backColor = "0000FF";
        wm.backOpacity = 255;
        wm.textOpacity = 255;
        wm.textPadding = 5;
        state.currentInput = "/in/Holiday Photo.pict";
        state.outputExtension = "jpg";
        state.outputBitDepth = 24;
        state.fileCounter = 1;
    }

    Bitmap draw(int w, int h, Rgba c = kGrey) {
        return DrawWatermark(Solid(w, h, c), w, h, settings, state, font_);
    }

    // The measured size of one line in the batch font.
    static std::pair<int, int> Measure(const std::string& text) {
        PangoLayout* layout = pango_layout_new(font_->context(false));
        pango_layout_set_font_description(layout, font_->description());
        pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
        PangoRectangle logical;
        pango_layout_get_pixel_extents(layout, nullptr, &logical);
        g_object_unref(layout);
        return {logical.width, logical.height};
    }

    void usePicture(const std::string& path) {
        settings.watermark.doWatermark = 2;
        settings.watermark.image = path;
    }
};

WatermarkFont* WatermarkTest::font_ = nullptr;

// --- text expansion -------------------------------------------------------

TEST_F(WatermarkTest, TextWithFewerThanTwoPercentSignsStaysAsItIs) {
    settings.watermark.text = "100% %Filename";
    EXPECT_EQ(ExpandWatermarkText(settings, state), "100% %Filename");
    settings.watermark.text = "Line1%eol";
    EXPECT_EQ(ExpandWatermarkText(settings, state), "Line1%eol");
}

TEST_F(WatermarkTest, PlaceholdersExpandAndLiteralTextKeepsItsCase) {
    settings.watermark.text = "By ME: %FileName% as %Ext[U]% #%n%";
    state.fileCounter = 42;
    EXPECT_EQ(ExpandWatermarkText(settings, state), "By ME: Holiday Photo as JPG #00042");
    // Line breaks are no placeholder: they survive for the layout.
    settings.watermark.text = "%width%x%height%%EOL%Fine";
    state.resultWidth = 640;
    state.resultHeight = 480;
    EXPECT_EQ(ExpandWatermarkText(settings, state), "640x480%EOL%Fine");
}

TEST_F(WatermarkTest, BppIsTheDepthTheFileIsSavedWith) {
    settings.watermark.text = "%bpp% bits";
    state.autoBitDepth = 0;
    state.outputBitDepth = 8;
    EXPECT_EQ(ExpandWatermarkText(settings, state), "8 bits");
    // Automatic depth follows this file's input depth, not the last file's.
    state.autoBitDepth = 1;
    state.inputBitDepth = 32;
    EXPECT_EQ(ExpandWatermarkText(settings, state), "24 bits");
    state.inputBitDepth = 1;
    EXPECT_EQ(ExpandWatermarkText(settings, state), "8 bits");
}

// --- text placement -------------------------------------------------------

TEST_F(WatermarkTest, SingleLineSitsBottomRightByDefault) {
    const auto [w, h] = Measure("Tolvenor");
    Bitmap out = draw(200, 120);
    ASSERT_EQ(out.bpp(), 24u);
    // Padding 5 on each side; offsets 10 from the right and bottom.
    EXPECT_EQ(Changed(out, kGrey), (Box{200 - (w + 10) - 10, 120 - (h + 10) - 10, w + 10, h + 10}));
}

TEST_F(WatermarkTest, LineBreaksInAnyCaseMakeLines) {
    settings.watermark.text = "Line1%EOL%Line2";
    settings.watermark.textPosition = 0;
    const auto [w1, h1] = Measure("Line1");
    const auto [w2, h2] = Measure("Line2");
    const int lineH = std::max({10, h1, h2});
    Bitmap out = draw(200, 120);
    EXPECT_EQ(Changed(out, kGrey), (Box{10, 10, std::max(w1, w2) + 10, 2 * lineH + 10}));

    settings.watermark.fontLeading = 7;
    out = draw(200, 120);
    EXPECT_EQ(Changed(out, kGrey).h, 2 * lineH + 7 + 10);

    // One "%" is no line break: the text is drawn as it stands.
    settings.watermark.text = "Line1%eol";
    const auto [w, h] = Measure("Line1%eol");
    out = draw(200, 120);
    EXPECT_EQ(Changed(out, kGrey), (Box{10, 10, w + 10, h + 10}));
}

TEST_F(WatermarkTest, EmptyLinesStillMeasureTen) {
    settings.watermark.text = "%eol%";
    settings.watermark.fontSize = 1;
    settings.watermark.textPadding = 0;
    settings.watermark.textPosition = 0;
    std::optional<WatermarkFont> tiny = WatermarkFont::Load(settings);
    ASSERT_TRUE(tiny);
    Bitmap out = DrawWatermark(Solid(100, 80, kGrey), 100, 80, settings, state, &*tiny);
    EXPECT_EQ(Changed(out, kGrey), (Box{10, 10, 10, 20}));
}

TEST_F(WatermarkTest, CentrePositionIgnoresTheOffsets) {
    settings.watermark.textPosition = 4;
    settings.watermark.textXOffset = 37;
    settings.watermark.textYOffset = 11;
    const auto [w, h] = Measure("Tolvenor");
    Bitmap out = draw(201, 121);
    EXPECT_EQ(Changed(out, kGrey), (Box{(201 - w - 10) / 2, (121 - h - 10) / 2, w + 10, h + 10}));
}

TEST_F(WatermarkTest, EveryAnchorPosition) {
    settings.watermark.textXOffset = 3;
    settings.watermark.textYOffset = 4;
    const auto [tw, th] = Measure("Tolvenor");
    const int w = tw + 10, h = th + 10, W = 200, H = 120;
    const int xs[] = {3, (W - w) / 2, W - w - 3};
    const int ys[] = {4, (H - h) / 2, H - h - 4};
    for (uint8_t position = 0; position < 9; ++position) {
        settings.watermark.textPosition = position;
        EXPECT_EQ(Changed(draw(W, H), kGrey), (Box{xs[position % 3], ys[position / 3], w, h}))
            << int(position);
    }
    // An unknown position puts the watermark in the corner.
    settings.watermark.textPosition = 9;
    EXPECT_EQ(Changed(draw(W, H), kGrey), (Box{0, 0, w, h}));
}

TEST_F(WatermarkTest, FrameBoundaryMeasuresInsideTheFrame) {
    Settings::Frame& f = settings.frame;
    f.doFrame = 1;
    f.solidLeft = 7, f.solidTop = 13, f.solidRight = 3, f.solidBottom = 5;
    settings.watermark.textBoundary = 1;
    settings.watermark.textPosition = 0;
    const auto [tw, th] = Measure("Tolvenor");
    EXPECT_EQ(Changed(draw(200, 120), kGrey), (Box{7 + 10, 13 + 10, tw + 10, th + 10}));

    settings.watermark.textPosition = 8;
    EXPECT_EQ(
        Changed(draw(200, 120), kGrey),
        (Box{7 + (200 - 10) - (tw + 10) - 10, 13 + (120 - 18) - (th + 10) - 10, tw + 10, th + 10}));

    // Without the frame the boundary setting has no effect.
    f.doFrame = 0;
    settings.watermark.textPosition = 0;
    EXPECT_EQ(Changed(draw(200, 120), kGrey).x, 10);
}

TEST_F(WatermarkTest, TooWideWatermarkIsCutOnTheRight) {
    settings.watermark.text = "Tolvenor Dravik watermark text";
    settings.watermark.textPosition = 0;
    const auto [tw, th] = Measure(settings.watermark.text);
    ASSERT_GT(tw + 10, 60);
    // Cut to the picture less the offset, it starts at the offset.
    ASSERT_LE(th + 10, 40);
    EXPECT_EQ(Changed(draw(60, 50), kGrey), (Box{10, 10, 50, th + 10}));
    // On the right the cut part is placed at AW - w - ox = 0.
    settings.watermark.textPosition = 2;
    EXPECT_EQ(Changed(draw(60, 50), kGrey), (Box{0, 10, 50, th + 10}));
    // Too tall as well: cut at the bottom too.
    settings.watermark.textPosition = 0;
    EXPECT_EQ(Changed(draw(60, 20), kGrey), (Box{10, 10, 50, 10}));
}

TEST_F(WatermarkTest, WatermarkOutsideThePictureIsLeftOut) {
    for (auto [ox, oy] :
         {std::pair{-1, 10}, std::pair{10, -5}, std::pair{1'000'000, 10}, std::pair{-1'000'000, 10},
          std::pair{10, INT32_MIN}, std::pair{INT32_MAX, INT32_MAX}}) {
        settings.watermark.textPosition = 0;
        settings.watermark.textXOffset = ox;
        settings.watermark.textYOffset = oy;
        Bitmap out = draw(200, 120);
        ASSERT_EQ(out.bpp(), 24u);
        EXPECT_EQ(Changed(out, kGrey), Box{}) << ox << "," << oy;
    }
}

TEST_F(WatermarkTest, NothingWithoutFontOrWhenOff) {
    Bitmap out = DrawWatermark(Solid(100, 80, kGrey, 32), 100, 80, settings, state, nullptr);
    EXPECT_EQ(out.bpp(), 24u);
    EXPECT_EQ(Changed(out, kGrey), Box{});

    settings.watermark.doWatermark = 0;
    Bitmap eight(FreeImage_Allocate(10, 10, 8));
    FIBITMAP* before = eight.get();
    EXPECT_EQ(DrawWatermark(std::move(eight), 10, 10, settings, state, font_).get(), before);
    settings.watermark.doWatermark = 3;
    EXPECT_EQ(DrawWatermark(Solid(10, 10, kGrey, 32), 10, 10, settings, state, font_).bpp(), 24u);
}

// --- text drawing ---------------------------------------------------------

// The distinct red values inside a box.
std::set<int> RedsIn(const Bitmap& b, const Box& box) {
    std::set<int> reds;
    for (int y = box.y; y < box.y + box.h; ++y) {
        for (int x = box.x; x < box.x + box.w; ++x)
            reds.insert(At(b, x, y).r);
    }
    return reds;
}

TEST_F(WatermarkTest, RasterTextIsTwoColouredVectorTextIsSmooth) {
    settings.watermark.backColor = "000000";
    settings.watermark.text = "Rasterised";
    Bitmap raster = draw(200, 120);
    const Box box = Changed(raster, kGrey);
    ASSERT_GT(box.w, 0);
    const std::set<int> reds = RedsIn(raster, box);
    // White glyphs on black, composited at FreeImage's 254/255.
    EXPECT_EQ(reds.size(), 2u);
    EXPECT_LE(*reds.begin(), 1);
    EXPECT_GE(*reds.rbegin(), 252);

    settings.watermark.textAntialiasing = 1;
    Bitmap vector = draw(200, 120);
    EXPECT_GT(RedsIn(vector, Changed(vector, kGrey)).size(), 10u);
}

TEST_F(WatermarkTest, OpacitiesOfTextAndBackground) {
    settings.watermark.backColor = "000000";
    for (uint8_t aa : {0, 1}) {
        settings.watermark.textAntialiasing = aa;
        settings.watermark.textOpacity = 128;
        settings.watermark.backOpacity = 255;
        Bitmap out = draw(200, 120, Rgba{0, 0, 0, 255});
        const std::set<int> reds = RedsIn(out, Box{0, 0, 200, 120});
        EXPECT_NEAR(*reds.rbegin(), 128, 3) << int(aa);

        // Without background only the glyphs mark the picture.
        settings.watermark.textOpacity = 255;
        settings.watermark.backOpacity = 0;
        out = draw(200, 120);
        const Box box = Changed(out, kGrey);
        ASSERT_GT(box.w, 0);
        int touched = 0;
        for (int y = box.y; y < box.y + box.h; ++y) {
            for (int x = box.x; x < box.x + box.w; ++x)
                touched += !Same(At(out, x, y), kGrey);
        }
        EXPECT_LT(touched, box.w * box.h / 2) << int(aa);
    }
}

TEST_F(WatermarkTest, RasterLineCellsCarryTheBackgroundTwice) {
    // The canvas is filled with the background colour and each line is
    // drawn on a cell of it again, so a half-transparent background is
    // denser behind the lines than in the padding.
    settings.watermark.text = "....";
    settings.watermark.backColor = "000000";
    settings.watermark.backOpacity = 128;
    settings.watermark.textPadding = 6;
    settings.watermark.textPosition = 0;
    settings.watermark.textXOffset = settings.watermark.textYOffset = 0;
    Bitmap out = draw(200, 120, kWhite);
    EXPECT_NEAR(At(out, 2, 2).r, 127, 2);                         // padding: once
    EXPECT_NEAR(At(out, 8, 8).r, 255 * 127 / 255 * 127 / 255, 3); // line cell: twice
}

// The rows of a box in which ink (text colour) spans most of its width.
std::vector<int> LongInkRows(const Bitmap& b, const Box& box) {
    std::vector<int> rows;
    for (int y = box.y; y < box.y + box.h; ++y) {
        int ink = 0;
        for (int x = box.x; x < box.x + box.w; ++x)
            ink += At(b, x, y).r > 200;
        if (ink >= box.w * 8 / 10)
            rows.push_back(y);
    }
    return rows;
}

TEST_F(WatermarkTest, UnderlineAndStrikethroughCrossTheLine) {
    settings.watermark.text = "i i i i i i";
    settings.watermark.backColor = "000000";
    settings.watermark.textPadding = 0;
    Bitmap plain = draw(200, 120);
    const Box box = Changed(plain, kGrey);
    EXPECT_TRUE(LongInkRows(plain, box).empty());

    settings.watermark.fontEffect = kFontUnderline;
    std::optional<WatermarkFont> underlined = WatermarkFont::Load(settings);
    Bitmap under = DrawWatermark(Solid(200, 120, kGrey), 200, 120, settings, state, &*underlined);
    settings.watermark.fontEffect = kFontStrikethrough;
    std::optional<WatermarkFont> struck = WatermarkFont::Load(settings);
    Bitmap strike = DrawWatermark(Solid(200, 120, kGrey), 200, 120, settings, state, &*struck);

    const std::vector<int> underRows = LongInkRows(under, box);
    const std::vector<int> strikeRows = LongInkRows(strike, box);
    ASSERT_FALSE(underRows.empty());
    ASSERT_FALSE(strikeRows.empty());
    // The underline runs below the baseline, the strikethrough through the
    // middle of the letters.
    EXPECT_GT(underRows.front(), strikeRows.back());
    EXPECT_GT(underRows.front(), box.y + box.h / 2);
    EXPECT_LT(strikeRows.back(), box.y + box.h * 3 / 4);
}

// Leftmost and rightmost inked column within rows [y0, y1).
std::pair<int, int> InkColumns(const Bitmap& b, int y0, int y1) {
    int lo = INT_MAX, hi = -1;
    for (int y = y0; y < y1; ++y) {
        for (int x = 0; x < static_cast<int>(b.width()); ++x) {
            if (At(b, x, y).r > 200)
                lo = std::min(lo, x), hi = std::max(hi, x);
        }
    }
    return {lo, hi};
}

TEST_F(WatermarkTest, LinesAreAlignedInsideTheBlock) {
    settings.watermark.text = "WWWWWWWW%eol%ii";
    settings.watermark.backColor = "000000";
    settings.watermark.textPadding = 4;
    settings.watermark.textPosition = 0;
    settings.watermark.textXOffset = settings.watermark.textYOffset = 0;
    const auto [wideW, lineH] = Measure("WWWWWWWW");
    const int blockW = wideW + 8;
    const int shortW = Measure("ii").first;
    const int second = 4 + std::max(lineH, 10); // top of the second line

    settings.watermark.textAlignment = 0;
    auto [lo, hi] = InkColumns(draw(300, 120), second, second + lineH);
    EXPECT_LT(lo, 4 + 3);
    EXPECT_LT(hi, 4 + shortW + 1);

    settings.watermark.textAlignment = 2;
    std::tie(lo, hi) = InkColumns(draw(300, 120), second, second + lineH);
    EXPECT_GE(lo, blockW - 4 - shortW);
    EXPECT_LT(hi, blockW - 4);

    settings.watermark.textAlignment = 1;
    std::tie(lo, hi) = InkColumns(draw(300, 120), second, second + lineH);
    const int centre = (lo + hi + 1) / 2;
    EXPECT_NEAR(centre, blockW / 2, 3);
}

// --- picture watermarks ---------------------------------------------------

TEST_F(WatermarkTest, PictureWatermarkInPngJpegAndBmp) {
    const Bitmap red = Solid(30, 20, kRed);
    for (auto [name, fif] :
         {std::pair{"w.png", FIF_PNG}, std::pair{"w.jpg", FIF_JPEG}, std::pair{"w.bmp", FIF_BMP}}) {
        // The name says nothing: the content decides.
        usePicture(SaveAs(dir, std::string(name) + ".dat", red, fif,
                          fif == FIF_JPEG ? JPEG_QUALITYSUPERB : 0));
        EXPECT_TRUE(WatermarkImageUsable(settings.watermark.image)) << name;
        Bitmap out = draw(100, 80);
        EXPECT_EQ(Changed(out, kGrey), (Box{60, 50, 30, 20})) << name;
        EXPECT_TRUE(Near(At(out, 75, 60), kRed, fif == FIF_JPEG ? 6 : 4)) << name;
    }
}

TEST_F(WatermarkTest, WidePictureIsCutOnTheRight) {
    usePicture(SaveAs(dir, "wide.png",
                      Painted(300, 20, 24,
                              [](int x, int) {
                                  return x < 90 ? kRed : Rgba{0, 0, 255, 255};
                              }),
                      FIF_PNG));
    settings.watermark.imagePosition = 0;
    Bitmap out = draw(100, 80);
    EXPECT_EQ(Changed(out, kGrey), (Box{10, 10, 90, 20}));
    // What shows is the picture's left part.
    EXPECT_TRUE(Near(At(out, 99, 15), kRed, 4));
}

TEST_F(WatermarkTest, OpacityDarkensAPictureWithoutAlpha) {
    usePicture(SaveAs(dir, "white.png", Solid(20, 20, kWhite), FIF_PNG));
    settings.watermark.imageOpacity = 128;
    Bitmap out = draw(100, 80, Rgba{230, 230, 230, 255});
    // Laid on opaque black at half opacity: a grey rectangle, darker than
    // the bright picture it covers.
    EXPECT_EQ(Changed(out, Rgba{230, 230, 230, 255}), (Box{70, 50, 20, 20}));
    EXPECT_TRUE(Near(At(out, 80, 60), Rgba{128, 128, 128, 255}));
}

TEST_F(WatermarkTest, PngKeepsItsTransparentParts) {
    usePicture(SaveAs(dir, "half.png",
                      Painted(40, 20, 32,
                              [](int x, int) {
                                  if (x < 20)
                                      return kRed;
                                  return x < 30 ? Rgba{255, 0, 0, 0} : Rgba{255, 0, 0, 128};
                              }),
                      FIF_PNG));
    Bitmap out = draw(100, 80);
    // Placed at (50, 50): the opaque left half covers, the clear part does
    // not, the half-transparent part blends.
    EXPECT_TRUE(Near(At(out, 55, 60), kRed, 4));
    EXPECT_TRUE(Same(At(out, 75, 60), kGrey));
    EXPECT_TRUE(Near(At(out, 85, 60), Rgba{191, 64, 64, 255}, 3));
}

TEST_F(WatermarkTest, GreyscaleFilterKeepsAlpha) {
    usePicture(SaveAs(dir, "colour.png",
                      Painted(20, 10, 32,
                              [](int x, int) {
                                  return x < 10 ? Rgba{200, 100, 50, 255} : Rgba{0, 255, 0, 0};
                              }),
                      FIF_PNG));
    settings.watermark.imageGreyscale = 1;
    Bitmap out = draw(100, 80, kWhite);
    // (77 * 200 + 150 * 100 + 29 * 50) >> 8 = 124.
    const Rgba p = At(out, 75, 65);
    EXPECT_EQ(p.r, p.g);
    EXPECT_EQ(p.g, p.b);
    EXPECT_NEAR(p.r, 124, 2);
    EXPECT_TRUE(Same(At(out, 85, 65), kWhite));
}

TEST_F(WatermarkTest, InterlacedPngDecodesLikeAPlainOne) {
    const Bitmap pattern = Painted(37, 23, 32, [](int x, int y) {
        return Rgba{static_cast<uint8_t>(x * 7), static_cast<uint8_t>(y * 11),
                    static_cast<uint8_t>((x ^ y) * 5), static_cast<uint8_t>(255 - x - y)};
    });
    usePicture(SaveAs(dir, "plain.png", pattern, FIF_PNG));
    Bitmap plain = draw(100, 80);
    usePicture(SaveAs(dir, "adam7.png", pattern, FIF_PNG, PNG_INTERLACED));
    ASSERT_NE(Bytes(dir.file("plain.png")), Bytes(dir.file("adam7.png")));
    Bitmap interlaced = draw(100, 80);
    EXPECT_EQ(Changed(plain, kGrey), (Box{53, 47, 37, 23}));
    EXPECT_TRUE(Identical(plain, interlaced));
}

TEST_F(WatermarkTest, MaskedBmpsKeepTheirAlpha) {
    // Opaque red on the left, clear in the middle, half-transparent on the right.
    const auto half = [](int x, int) {
        if (x < 20)
            return kRed;
        return x < 30 ? Rgba{255, 0, 0, 0} : Rgba{255, 0, 0, 128};
    };
    struct Case {
        const char* name;
        uint32_t header;
        bool topDown;
        std::array<uint32_t, 4> masks;
    };
    const Case cases[] = {
        {"V5", 124, false, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}},
        {"V4", 108, false, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}},
        {"V5 top-down", 124, true, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}},
        {"V5 RGBA order", 124, false, {0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        usePicture(
            dir.write("alpha.bmp", MaskedBmp(40, 20, c.header, c.topDown, 32, c.masks, half)));
        EXPECT_TRUE(WatermarkImageUsable(settings.watermark.image));
        Bitmap out = draw(100, 80);
        EXPECT_TRUE(Near(At(out, 55, 60), kRed, 4));
        EXPECT_TRUE(Same(At(out, 75, 60), kGrey));
        EXPECT_TRUE(Near(At(out, 85, 60), Rgba{191, 64, 64, 255}, 3));
    }
}

TEST_F(WatermarkTest, MaskedBmpsWithoutAlphaAreOpaque) {
    // Top half blue, bottom half green: the row order shows.
    const auto twoBands = [](int, int y) {
        return y < 5 ? Rgba{0, 0, 255, 0} : Rgba{0, 255, 0, 0};
    };
    for (auto [bpp, masks] :
         {std::pair{16, std::array<uint32_t, 4>{0xF800, 0x07E0, 0x001F, 0}},
          std::pair{32, std::array<uint32_t, 4>{0xFF0000, 0xFF00, 0xFF, 0}},
          // an alpha mask, but every alpha 0: the channel is unused
          std::pair{32, std::array<uint32_t, 4>{0xFF0000, 0xFF00, 0xFF, 0xFF000000}}}) {
        SCOPED_TRACE(bpp);
        usePicture(dir.write("opaque.bmp", MaskedBmp(20, 10, 124, false, bpp, masks, twoBands)));
        Bitmap out = draw(100, 80);
        EXPECT_EQ(Changed(out, kGrey), (Box{70, 60, 20, 10}));
        EXPECT_TRUE(Near(At(out, 80, 62), Rgba{0, 0, 255, 255}, 4));
        EXPECT_TRUE(Near(At(out, 80, 67), Rgba{0, 255, 0, 255}, 4));
    }
}

TEST_F(WatermarkTest, PlainBmpWithEmptyAlphaBytesIsOpaque) {
    usePicture(SaveAs(dir, "x.bmp", Solid(20, 10, Rgba{255, 0, 0, 0}, 32), FIF_BMP));
    Bitmap out = draw(100, 80);
    EXPECT_TRUE(Near(At(out, 80, 65), kRed, 4));
}

TEST_F(WatermarkTest, RotationTurnsCounterClockwiseWithClearCorners) {
    usePicture(SaveAs(dir, "bar.png", Solid(40, 20, kRed), FIF_PNG));
    settings.watermark.imagePosition = 0;
    settings.watermark.imageXOffset = settings.watermark.imageYOffset = 0;
    settings.watermark.imageRotation = 30;
    Bitmap out = draw(200, 150);
    const Box box = Changed(out, kGrey);
    // The bounding box of the turned 40 x 20 rectangle is 45 x 38.
    EXPECT_GE(box.x, 0);
    EXPECT_LE(box.x + box.w, 45);
    EXPECT_LE(box.y + box.h, 38);
    EXPECT_GT(box.w, 40);
    EXPECT_TRUE(Same(At(out, 1, 1), kGrey)); // corner left clear
    EXPECT_TRUE(Same(At(out, 43, 36), kGrey));
    EXPECT_TRUE(Near(At(out, 22, 19), kRed, 4)); // centre
    // Counter-clockwise: the top corner lies right of the centre.
    EXPECT_TRUE(Near(At(out, 33, 3), kRed, 60));
    EXPECT_TRUE(Same(At(out, 11, 3), kGrey));

    settings.watermark.imageRotation = 90;
    settings.watermark.imagePosition = 8;
    settings.watermark.imageXOffset = settings.watermark.imageYOffset = 10;
    out = draw(100, 80);
    EXPECT_EQ(Changed(out, kGrey), (Box{70, 30, 20, 40}));

    for (int32_t none : {0, 360, -30}) {
        settings.watermark.imageRotation = none;
        EXPECT_EQ(Changed(draw(100, 80), kGrey), (Box{50, 50, 40, 20})) << none;
    }
    settings.watermark.imageRotation = 359;
    const Box nearly = Changed(draw(100, 80), kGrey);
    EXPECT_GE(nearly.w, 40);
    EXPECT_LE(nearly.w, 42);
}

TEST_F(WatermarkTest, RotatedTextIsTurnedToo) {
    settings.watermark.textRotation = 90;
    const auto [w, h] = Measure("Tolvenor");
    EXPECT_EQ(Changed(draw(200, 120), kGrey),
              (Box{200 - (h + 10) - 10, 120 - (w + 10) - 10, h + 10, w + 10}));
}

// --- batches --------------------------------------------------------------

TEST_F(WatermarkTest, RendererReusesOnlyWhatStaysTheSame) {
    settings.watermark.text = "File %n%";
    WatermarkRenderer renderer(settings, font_);
    for (auto [w, h, n] : {std::tuple{200, 120, 1}, std::tuple{200, 120, 1},
                           std::tuple{200, 120, 2}, std::tuple{150, 100, 2}}) {
        state.fileCounter = n;
        Bitmap cached = renderer.draw(Solid(w, h, kGrey), w, h, state);
        EXPECT_TRUE(Identical(cached, draw(w, h))) << w << " " << n;
    }
    state.fileCounter = 1;
    Bitmap first = renderer.draw(Solid(200, 120, kGrey), 200, 120, state);
    state.fileCounter = 2;
    EXPECT_FALSE(Identical(first, renderer.draw(Solid(200, 120, kGrey), 200, 120, state)));
}

TEST_F(WatermarkTest, OverlaysReadThePerFileState) {
    settings.watermark.text = "%n%";
    settings.frame.doFrame = 1;
    settings.frame.solidLeft = settings.frame.solidTop = 4;
    settings.frame.solidLeftColor = settings.frame.solidTopColor = "FF0000";
    Overlays overlays(settings, font_);
    OverlaySteps& steps = overlays;
    state.fileCounter = 7;
    Bitmap out =
        steps.drawWatermark(steps.drawFrame(Solid(200, 120, kGrey), 200, 120), 200, 120, state);
    EXPECT_TRUE(Same(At(out, 1, 60), kRed));
    const auto [w, h] = Measure("00007");
    EXPECT_FALSE(Same(At(out, 200 - 10 - w / 2, 120 - 10 - (h + 10) / 2), kGrey));
    state.fileCounter = 8;
    Bitmap next = steps.drawWatermark(Solid(200, 120, kGrey), 200, 120, state);
    Bitmap expected = DrawWatermark(Solid(200, 120, kGrey), 200, 120, settings, state, font_);
    EXPECT_TRUE(Identical(next, expected));
}

// --- hostile input --------------------------------------------------------

TEST_F(WatermarkTest, BrokenPicturesGiveNoWatermark) {
    const std::string good =
        Bytes(SaveAs(dir, "noise.png",
                     Painted(60, 40, 24,
                             [](int x, int y) {
                                 return Rgba{static_cast<uint8_t>(x * 37 + y * 11),
                                             static_cast<uint8_t>(x * y),
                                             static_cast<uint8_t>(x ^ y), 255};
                             }),
                     FIF_PNG));
    std::string badCrc = good;
    badCrc[29] ^= 0x55; // inside the IHDR chunk's CRC
    std::string badData = good;
    for (size_t i = 60; i < badData.size() - 20; i += 7)
        badData[i] = static_cast<char>(badData[i] ^ 0xA5);
    const std::string jpeg = Bytes(SaveAs(
        dir, "noise.jpg",
        Painted(60, 40, 24,
                [](int x, int y) {
                    return Rgba{static_cast<uint8_t>(x * 37), static_cast<uint8_t>(y * 5), 0, 255};
                }),
        FIF_JPEG));
    const std::string bmp = Bytes(SaveAs(dir, "noise.bmp", Solid(60, 40, kRed), FIF_BMP));
    std::string hugeBmp = bmp;
    hugeBmp[18] = hugeBmp[19] = hugeBmp[20] = 0x7F; // width claimed in the millions

    std::vector<std::pair<std::string, std::string>> cases = {
        {"empty", ""},
        {"text", "just some words, no picture at all"},
        {"png signature only", good.substr(0, 8)},
        {"png cut in its data", good.substr(0, good.size() * 6 / 10)},
        {"png bad crc", badCrc},
        {"png bad data", badData},
        {"jpeg cut in half", jpeg.substr(0, jpeg.size() / 2)},
        {"jpeg garbage", std::string("\xFF\xD8\xFF", 3) + std::string(500, '\x13')},
        {"bmp cut", bmp.substr(0, bmp.size() - 100)},
        {"bmp huge header", hugeBmp},
    };
    const std::string masked =
        MaskedBmp(20, 10, 124, false, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000},
                  [](int, int) { return kRed; });
    std::string holeyMask = masked;
    holeyMask[54] = 0x0F; // red mask 0x00FF000F: not one run of bits
    cases.insert(cases.end(), {{"masked bmp cut", masked.substr(0, masked.size() - 8)},
                               {"masked bmp with a holey mask", holeyMask},
                               {"masked bmp header only", masked.substr(0, 138)}});
    for (const auto& [name, bytes] : cases) {
        usePicture(dir.write("bad.img", bytes));
        // The batch start refuses what the renderer could not draw.
        EXPECT_FALSE(WatermarkImageUsable(settings.watermark.image)) << name;
        Bitmap out = draw(100, 80);
        ASSERT_TRUE(out) << name;
        EXPECT_EQ(out.bpp(), 24u) << name;
        EXPECT_EQ(Changed(out, kGrey), Box{}) << name;
    }
    usePicture(dir.file("missing.png"));
    EXPECT_EQ(Changed(draw(100, 80), kGrey), Box{});
    usePicture(dir.path());
    EXPECT_EQ(Changed(draw(100, 80), kGrey), Box{});
}

TEST_F(WatermarkTest, HugePictureIsDecodedOnlyWhereItShows) {
    usePicture(WriteHugePng(dir.file("huge.png"), 10000, 10000));
    settings.watermark.imagePosition = 0;
    const long before = PeakRssKb();
    const auto start = std::chrono::steady_clock::now();
    Bitmap out = draw(200, 150);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(Changed(out, kGrey), (Box{10, 10, 190, 140}));
    EXPECT_TRUE(Near(At(out, 199, 149), kRed, 4));
    // Decoding it whole would take 400 MB.
    EXPECT_LT(PeakRssKb() - before, 64 * 1024);
    EXPECT_LT(seconds, 5.0);

    // Turned, only the bounding box's top-left corner shows: clear at 45
    // degrees; at 359 the picture's top-left corner has moved right by
    // 10000 sin 1 = 174.5 pixels and its left edge leans back by one pixel
    // in 57, so only a sliver of 18 or so columns at the right shows.
    settings.watermark.imageRotation = 45;
    EXPECT_EQ(Changed(draw(200, 150), kGrey), Box{});
    settings.watermark.imageRotation = 359;
    const Box part = Changed(draw(200, 150), kGrey);
    EXPECT_EQ(part.x + part.w, 200);
    EXPECT_GE(part.w, 15);
    EXPECT_LE(part.w, 22);
    EXPECT_EQ(part.h, 140);
    EXPECT_LT(PeakRssKb() - before, 64 * 1024);
}

TEST_F(WatermarkTest, ExtremeFontSizes) {
    const long before = PeakRssKb();
    for (int32_t size : {0, -40, 5000}) {
        settings.watermark.fontSize = size;
        std::optional<WatermarkFont> font = WatermarkFont::Load(settings);
        ASSERT_TRUE(font);
        settings.watermark.textRotation = 0;
        Bitmap out = DrawWatermark(Solid(300, 200, kGrey), 300, 200, settings, state, &*font);
        const Box box = Changed(out, kGrey);
        if (size == 5000) {
            // Far larger than the picture: cut to it less the offsets.
            EXPECT_EQ(box, (Box{0, 0, 290, 190}));
        } else {
            EXPECT_GT(box.w, 10) << size;
            EXPECT_LT(box.h, 20) << size;
        }
        settings.watermark.textRotation = 359;
        out = DrawWatermark(Solid(300, 200, kGrey), 300, 200, settings, state, &*font);
        EXPECT_GT(Changed(out, kGrey).w, 10) << size;
    }
    EXPECT_LT(PeakRssKb() - before, 100 * 1024);
}

TEST_F(WatermarkTest, ExtremePaddingAndLeading) {
    settings.watermark.textPosition = 0;
    settings.watermark.textXOffset = settings.watermark.textYOffset = 0;
    const long before = PeakRssKb();

    // A vast padding: the part that shows is all background.
    settings.watermark.textPadding = 1'000'000;
    Bitmap out = draw(300, 200);
    EXPECT_EQ(Changed(out, kGrey), (Box{0, 0, 300, 200}));
    EXPECT_TRUE(Near(At(out, 150, 100), Rgba{0, 0, 255, 255}, 4));

    // Turned half way round, the top-left corner that shows is the block's
    // bottom-right one: background again. At 30 degrees it is the clear
    // corner of the turned block's bounding box.
    settings.watermark.textRotation = 180;
    EXPECT_EQ(Changed(draw(300, 200), kGrey), (Box{0, 0, 300, 200}));
    settings.watermark.textRotation = 30;
    EXPECT_EQ(Changed(draw(300, 200), kGrey), Box{});
    settings.watermark.textRotation = 0;

    settings.watermark.textPadding = -1'000'000;
    EXPECT_EQ(Changed(draw(300, 200), kGrey), Box{});
    settings.watermark.textPadding = INT32_MIN;
    EXPECT_EQ(Changed(draw(300, 200), kGrey), Box{});

    settings.watermark.textPadding = 5;
    settings.watermark.text = "one%eol%two";
    settings.watermark.fontLeading = 1'000'000;
    out = draw(300, 200);
    EXPECT_EQ(Changed(out, kGrey).h, 200);
    settings.watermark.fontLeading = -1'000'000;
    EXPECT_EQ(Changed(draw(300, 200), kGrey), Box{});
    settings.watermark.fontLeading = INT32_MAX;
    EXPECT_EQ(Changed(draw(300, 200), kGrey).h, 200);
    EXPECT_LT(PeakRssKb() - before, 64 * 1024);
}

TEST_F(WatermarkTest, FrameWiderThanThePictureLeavesNoRoom) {
    settings.frame.doFrame = 1;
    settings.frame.solidLeft = settings.frame.solidRight = 400;
    settings.watermark.textBoundary = 1;
    EXPECT_EQ(Changed(draw(300, 200), kGrey), Box{});
    settings.frame.solidLeft = settings.frame.solidRight = INT32_MAX;
    EXPECT_EQ(Changed(draw(300, 200), kGrey), Box{});
}

TEST_F(WatermarkTest, LongAndInvalidTexts) {
    const auto start = std::chrono::steady_clock::now();
    settings.watermark.text = std::string(100 * 1024, 'M');
    Bitmap out = draw(300, 200);
    const Box box = Changed(out, kGrey);
    // Cut to the picture: it starts at the left edge.
    EXPECT_EQ(box.x, 0);
    EXPECT_EQ(box.w, 290);

    std::string lines;
    while (lines.size() < 100 * 1024)
        lines += "line%EOL%";
    settings.watermark.text = lines;
    EXPECT_EQ(Changed(draw(300, 200), kGrey).h, 190);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
              20.0);

    settings.watermark.text = std::string("ok \xFF\xFE bad \xC3", 12) + std::string(1, '\0') + "x";
    EXPECT_GT(Changed(draw(300, 200), kGrey).w, 0);
    settings.watermark.text = "";
    EXPECT_GE(Changed(draw(300, 200), kGrey).w, 10); // the padding's background
}

} // namespace
} // namespace dravik
