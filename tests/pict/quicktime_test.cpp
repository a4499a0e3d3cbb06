// QuickTime images inside pictures: each codec's data made here with the
// codec's own library (or by hand), wrapped in opcode 0x8200 by the test
// writer, read back and checked against the source within the codec's loss.
#include "pict/mac_palettes.h"
#include "pict/pict_reader.h"

#include "support/pict_writer.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
}
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <unistd.h>

namespace dravik {
namespace {

using pict::PictFailureKind;
using pict::PictResult;
using test::PictRect;
using test::PictWriter;
using test::QuickTimeRecord;
using test::Rgb;

PictResult Read(const std::string& bytes) {
    return pict::ReadPict({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
}

Rgb At(const pict::PictPicture& p, int x, int y) {
    const size_t i = (static_cast<size_t>(y) * p.width + x) * 3;
    return {p.rgb[i], p.rgb[i + 1], p.rgb[i + 2]};
}

// A smooth picture with edges, fair to lossy codecs yet telling of any
// misplaced row or column.
Rgb Source(int x, int y) {
    const bool box = x >= 8 && x < 24 && y >= 8 && y < 16;
    if (box)
        return {20, 40, 200};
    return {static_cast<uint8_t>(x * 6), static_cast<uint8_t>(y * 10),
            static_cast<uint8_t>(128 + (x - y) * 2)};
}
constexpr int kW = 32, kH = 24;

std::vector<uint8_t> SourceRgb() {
    std::vector<uint8_t> rgb;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const Rgb c = Source(x, y);
            rgb.insert(rgb.end(), {c.r, c.g, c.b});
        }
    return rgb;
}

std::string Jpeg(int quality) {
    jpeg_compress_struct info{};
    jpeg_error_mgr err{};
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = kW;
    info.image_height = kH;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> rgb = SourceRgb();
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = rgb.data() + info.next_scanline * kW * 3;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string out(reinterpret_cast<char*>(buffer), size);
    free(buffer);
    return out;
}

std::string Png() {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = kW;
    image.height = kH;
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb = SourceRgb();
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr);
    std::string out(size, '\0');
    png_image_write_to_memory(&image, out.data(), &size, 0, rgb.data(), 0, nullptr);
    return out;
}

std::string Tiff() {
    char path[] = "/tmp/dravik-qt-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0)
        return {};
    close(fd);
    TIFF* t = TIFFOpen(path, "w");
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, kW);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, kH);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    std::vector<uint8_t> rgb = SourceRgb();
    for (int y = 0; y < kH; ++y)
        TIFFWriteScanline(t, rgb.data() + y * kW * 3, static_cast<uint32_t>(y), 0);
    TIFFClose(t);
    std::ifstream in(path, std::ios::binary);
    std::string out((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(path);
    return out;
}

// Raw rows at 24 or 32 bits, or 16 bits 5-5-5, padded to `pad` bytes.
std::string Raw(int depth, int pad = 0) {
    std::string out;
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            const Rgb c = Source(x, y);
            if (depth == 32)
                out += '\x7F';
            if (depth == 16) {
                const int v = (c.r >> 3) << 10 | (c.g >> 3) << 5 | c.b >> 3;
                out += test::Word(v);
            } else {
                out += {static_cast<char>(c.r), static_cast<char>(c.g), static_cast<char>(c.b)};
            }
        }
        out += std::string(static_cast<size_t>(pad), '\0');
    }
    return out;
}

// The nearest colour of the Macintosh's 256-colour table, for the
// palette codecs.
int NearestIndex(Rgb c, const std::vector<uint32_t>& palette) {
    int best = 0, bestD = INT32_MAX;
    for (size_t i = 0; i < palette.size(); ++i) {
        const int dr = c.r - static_cast<int>(palette[i] >> 16 & 255);
        const int dg = c.g - static_cast<int>(palette[i] >> 8 & 255);
        const int db = c.b - static_cast<int>(palette[i] & 255);
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestD)
            bestD = d, best = static_cast<int>(i);
    }
    return best;
}

struct ContextFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

// One frame through libavcodec's encoder; empty when this build has none.
std::string Encode(AVCodecID id, AVPixelFormat format) {
    const AVCodec* codec = avcodec_find_encoder(id);
    if (codec == nullptr)
        return {};
    std::unique_ptr<AVCodecContext, ContextFree> ctx(avcodec_alloc_context3(codec));
    ctx->width = kW;
    ctx->height = kH;
    ctx->pix_fmt = format;
    ctx->time_base = {1, 25};
    ctx->thread_count = 1;
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0)
        return {};
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    frame->width = kW;
    frame->height = kH;
    frame->format = format;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return {};
    const std::vector<uint32_t> palette = pict::MacStandardPalette(8);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const Rgb c = Source(x, y);
            uint8_t* row = frame->data[0] + y * frame->linesize[0];
            if (format == AV_PIX_FMT_RGB24) {
                row[3 * x] = c.r, row[3 * x + 1] = c.g, row[3 * x + 2] = c.b;
            } else if (format == AV_PIX_FMT_RGB555) {
                const uint16_t v =
                    static_cast<uint16_t>((c.r >> 3) << 10 | (c.g >> 3) << 5 | c.b >> 3);
                std::memcpy(row + 2 * x, &v, 2);
            } else {
                row[x] = static_cast<uint8_t>(NearestIndex(c, palette));
            }
        }
    if (format == AV_PIX_FMT_PAL8)
        for (size_t i = 0; i < 256; ++i)
            reinterpret_cast<uint32_t*>(frame->data[1])[i] = 0xFF000000u | palette[i];
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    if (avcodec_send_frame(ctx.get(), frame.get()) < 0)
        return {};
    avcodec_send_frame(ctx.get(), nullptr);
    if (avcodec_receive_packet(ctx.get(), packet.get()) < 0)
        return {};
    return std::string(reinterpret_cast<char*>(packet->data), static_cast<size_t>(packet->size));
}

QuickTimeRecord Record(std::string codec, int depth, std::string data) {
    QuickTimeRecord r;
    r.codec = std::move(codec);
    r.width = kW;
    r.height = kH;
    r.depth = depth;
    r.data = std::move(data);
    return r;
}

std::string Wrap(const QuickTimeRecord& r, PictRect frame = {0, 0, kH, kW}) {
    return PictWriter(PictWriter::ExtendedV2, frame).clip(frame).quickTime(r).finish();
}

TEST(QuickTime, EveryCodecGivesItsPictureWithinItsLoss) {
    struct Case {
        const char* name;
        QuickTimeRecord record;
        double meanError; // per channel, over the picture
    };
    const Case cases[] = {
        {"jpeg", Record("jpeg", 24, Jpeg(95)), 3},
        {"png", Record("png ", 24, Png()), 0},
        {"tiff", Record("tiff", 24, Tiff()), 0},
        {"raw 24", Record("raw ", 24, Raw(24)), 0},
        {"raw 24 padded", Record("raw ", 24, Raw(24, 4)), 0},
        {"raw 32 with alpha", Record("raw ", 32, Raw(32)), 0},
        {"raw 16", Record("raw ", 16, Raw(16)), 4},
        {"cinepak", Record("cvid", 24, Encode(AV_CODEC_ID_CINEPAK, AV_PIX_FMT_RGB24)), 12},
        {"apple video", Record("rpza", 16, Encode(AV_CODEC_ID_RPZA, AV_PIX_FMT_RGB555)), 10},
        {"graphics", Record("smc ", 8, Encode(AV_CODEC_ID_SMC, AV_PIX_FMT_PAL8)), 16},
        {"animation", Record("rle ", 24, Encode(AV_CODEC_ID_QTRLE, AV_PIX_FMT_RGB24)), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.record.data.empty()) {
            std::printf("no encoder for %s in this build\n", c.name);
            continue;
        }
        const std::string picture = Wrap(c.record);
        // These pictures seed the reader's fuzz target (fuzz/seeds/pict_reader).
        if (const char* folder = std::getenv("DRAVIK_SEED_FOLDER")) {
            std::string name = std::string(folder) + "/quicktime-" + c.name + ".pict";
            std::replace(name.begin() + static_cast<ptrdiff_t>(std::strlen(folder)), name.end(),
                         ' ', '-');
            std::ofstream(name, std::ios::binary) << picture;
        }
        PictResult res = Read(picture);
        ASSERT_TRUE(res.picture) << res.failure.reason;
        ASSERT_EQ(res.picture->width, kW);
        ASSERT_EQ(res.picture->height, kH);
        double total = 0;
        int worst = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const Rgb got = At(*res.picture, x, y), want = Source(x, y);
                for (int d : {got.r - want.r, got.g - want.g, got.b - want.b}) {
                    total += std::abs(d);
                    worst = std::max(worst, std::abs(d));
                }
            }
        const double mean = total / (kW * kH * 3);
        EXPECT_LE(mean, c.meanError + 0.01) << "worst " << worst;
        if (c.meanError == 0) {
            EXPECT_EQ(worst, 0);
        }
        // The blue box must sit where it was, whatever the loss.
        const Rgb box = At(*res.picture, 16, 12);
        EXPECT_GT(box.b, 150) << int(box.r) << "," << int(box.g);
        EXPECT_LT(box.r, 80);
    }
}

// 8-bit pictures name the Macintosh's colour table instead of holding one;
// a raw 8-bit image reads its pixels through it, a table after the
// description wins.
TEST(QuickTime, PaletteImagesUseTheTableTheyName) {
    const std::vector<uint32_t> mac = pict::MacStandardPalette(8);
    ASSERT_EQ(mac.size(), 256u);
    EXPECT_EQ(mac[0], 0xFFFFFFu);
    EXPECT_EQ(mac[255], 0x000000u);
    EXPECT_EQ(mac[215], 0xEE0000u);
    std::string data;
    for (int i = 0; i < kW * kH; ++i)
        data += static_cast<char>(i % 256);
    QuickTimeRecord r = Record("raw ", 8, data);
    r.clutId = 8;
    PictResult res = Read(Wrap(r));
    ASSERT_TRUE(res.picture) << res.failure.reason;
    for (int i : {0, 5, 35, 215, 250, 255}) {
        const Rgb c = At(*res.picture, i % kW, i / kW);
        EXPECT_EQ((uint32_t{c.r} << 16 | c.g << 8 | c.b), mac[static_cast<size_t>(i)]) << i;
    }
    // Grey depth 40 runs from white to black.
    r.depth = 40;
    r.clutId = -1;
    res = Read(Wrap(r));
    ASSERT_TRUE(res.picture);
    EXPECT_EQ(At(*res.picture, 0, 0), (Rgb{255, 255, 255}));
    EXPECT_EQ(At(*res.picture, 255 % kW, 255 / kW), (Rgb{0, 0, 0}));
    // A table of its own: index 1 is green.
    r.depth = 8;
    r.clutId = 0;
    r.descriptionExtra = test::Long(0) + test::Word(0) + test::Word(1) + test::Word(0) +
                         test::Word(0xFFFF) + test::Word(0) + test::Word(0) + test::Word(1) +
                         test::Word(0) + test::Word(0xFFFF) + test::Word(0);
    res = Read(Wrap(r));
    ASSERT_TRUE(res.picture) << res.failure.reason;
    EXPECT_EQ(At(*res.picture, 0, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(At(*res.picture, 1, 0), (Rgb{0, 255, 0}));
}

TEST(QuickTime, TheMatrixMovesAndScalesTheImageInsideTheClip) {
    QuickTimeRecord r = Record("raw ", 24, Raw(24));
    r.moveX = 10;
    r.moveY = 5;
    PictResult res = Read(Wrap(r, {0, 0, 40, 50}));
    ASSERT_TRUE(res.picture) << res.failure.reason;
    EXPECT_EQ(At(*res.picture, 10, 5), Source(0, 0));
    EXPECT_EQ(At(*res.picture, 10 + 31, 5 + 23), Source(31, 23));
    EXPECT_EQ(At(*res.picture, 9, 5), (Rgb{255, 255, 255}));
    EXPECT_EQ(At(*res.picture, 10, 4), (Rgb{255, 255, 255}));

    r.moveX = r.moveY = 0;
    r.scaleX = r.scaleY = 2;
    res = Read(Wrap(r, {0, 0, 2 * kH, 2 * kW}));
    ASSERT_TRUE(res.picture);
    for (int y = 0; y < 2 * kH; y += 7)
        for (int x = 0; x < 2 * kW; x += 5)
            ASSERT_EQ(At(*res.picture, x, y), Source(x / 2, y / 2)) << x << "," << y;

    // A clip of the left half keeps the right half white.
    r.scaleX = r.scaleY = 1;
    const std::string clipped = PictWriter(PictWriter::ExtendedV2, {0, 0, kH, kW})
                                    .clip({0, 0, kH, kW / 2})
                                    .quickTime(r)
                                    .finish();
    res = Read(clipped);
    ASSERT_TRUE(res.picture);
    EXPECT_EQ(At(*res.picture, kW / 2 - 1, 3), Source(kW / 2 - 1, 3));
    EXPECT_EQ(At(*res.picture, kW / 2, 3), (Rgb{255, 255, 255}));
}

// The notice for machines without QuickTime must never show: neither the
// bytes a pen size of 0x00AE announces (text here, which this reader would
// otherwise draw) nor a bitmap drawn to the image's rectangle.
TEST(QuickTime, TheFallbackNoticeIsPassedOver) {
    const QuickTimeRecord r = Record("raw ", 24, Raw(24));
    const std::string notice = test::Word(0x0028) + test::Word(10) + test::Word(4) +
                               std::string("\x0aQuickTime ", 11) + test::Word(0x0000);
    test::RasterRecord bitmap;
    bitmap.opcode = 0x98;
    bitmap.pixMap = false;
    bitmap.pixelSize = 1;
    bitmap.bounds = {0, 0, 4, 16};
    bitmap.dst = {0, 0, kH, kW};
    bitmap.pixels.assign(64, 1);
    const PictRect frame{0, 0, kH, kW};
    const std::string pictures[] = {
        PictWriter(PictWriter::ExtendedV2, frame).quickTime(r).fallbackNotice(notice).finish(),
        PictWriter(PictWriter::ExtendedV2, frame).quickTime(r).raster(bitmap).finish(),
        PictWriter(PictWriter::ExtendedV2, frame).quickTime(r).finish(),
    };
    for (const std::string& p : pictures) {
        PictResult res = Read(p);
        ASSERT_TRUE(res.picture) << res.failure.reason;
        int wrong = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                wrong += At(*res.picture, x, y) != Source(x, y);
        EXPECT_EQ(wrong, 0);
    }
    // A bitmap elsewhere is no fallback and is drawn.
    bitmap.dst = {0, 0, 4, 16};
    PictResult res =
        Read(PictWriter(PictWriter::ExtendedV2, frame).quickTime(r).raster(bitmap).finish());
    ASSERT_TRUE(res.picture);
    EXPECT_EQ(At(*res.picture, 3, 2), (Rgb{0, 0, 0}));
    // Without a QuickTime image before it, a pen height of 0x00AE is a pen,
    // and the text after it is drawn.
    res = Read(PictWriter(PictWriter::ExtendedV2, frame).fallbackNotice(notice).finish());
    ASSERT_TRUE(res.picture) << res.failure.reason;
    int dark = 0;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < kW; ++x)
            dark += At(*res.picture, x, y).r < 128;
    EXPECT_GT(dark, 20);
}

// A codec without a decoder fails the picture with its name, and neither it
// nor a damaged image may be handed to loaders that would show the notice.
TEST(QuickTime, UndecodableImagesFailWithTheirReason) {
    QuickTimeRecord photoCd = Record("kpcd", 24, std::string(100, '\x11'));
    PictResult res = Read(Wrap(photoCd));
    ASSERT_FALSE(res.picture);
    EXPECT_EQ(res.failure.kind, PictFailureKind::UnsupportedCodec);
    EXPECT_EQ(res.failure.codec, "kpcd");
    EXPECT_EQ(res.failure.reason, "QuickTime codec 'kpcd' is not supported");
    EXPECT_TRUE(res.failure.noHandOver);

    struct Case {
        const char* name;
        std::string picture;
        PictFailureKind kind;
    };
    QuickTimeRecord longer = Record("raw ", 24, Raw(24));
    longer.dataSizeField = 1 << 30;
    QuickTimeRecord huge = Record("raw ", 24, Raw(24));
    huge.width = huge.height = 30000;
    QuickTimeRecord shortRaw = Record("raw ", 24, Raw(24).substr(0, 100));
    QuickTimeRecord badJpeg = Record("jpeg", 24, Jpeg(90).substr(0, 40));
    QuickTimeRecord badCinepak = Record("cvid", 24, std::string(30, '\xFF'));
    const Case cases[] = {
        {"data longer than the opcode", Wrap(longer), PictFailureKind::Damaged},
        {"image beyond the limits", Wrap(huge), PictFailureKind::TooLarge},
        {"raw rows missing", Wrap(shortRaw), PictFailureKind::Damaged},
        {"jpeg cut short", Wrap(badJpeg), PictFailureKind::Damaged},
        {"cinepak garbage", Wrap(badCinepak), PictFailureKind::Damaged},
        {"record cut short",
         PictWriter(PictWriter::V2, {0, 0, 4, 4}).op(0x8200, test::Long(6) + "jpeg..").finish(),
         PictFailureKind::Damaged},
    };
    for (const Case& c : cases) {
        res = Read(c.picture);
        ASSERT_FALSE(res.picture) << c.name;
        EXPECT_EQ(res.failure.kind, c.kind) << c.name << ": " << res.failure.reason;
        EXPECT_TRUE(res.failure.noHandOver) << c.name;
        EXPECT_FALSE(res.failure.reason.empty()) << c.name;
    }
}

// The images of one picture share a budget of four canvases' worth of
// pixels, so a small file repeating a large image cannot decode for ever.
TEST(QuickTime, ImagesShareAPixelBudget) {
    pict::PictLimits limits;
    limits.maxCanvasPixels = 2000; // one image: 768 pixels; the budget: 8000
    const QuickTimeRecord r = Record("raw ", 24, Raw(24));
    for (int copies : {10, 11}) {
        PictWriter w(PictWriter::ExtendedV2, {0, 0, kH, kW});
        for (int i = 0; i < copies; ++i)
            w.quickTime(r);
        const std::string bytes = w.finish();
        PictResult res =
            pict::ReadPict({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, limits);
        if (copies == 10) {
            EXPECT_TRUE(res.picture) << res.failure.reason;
        } else {
            EXPECT_EQ(res.failure.kind, PictFailureKind::TooLarge) << res.failure.reason;
        }
    }
}

std::string CorpusFile(const std::string& name) {
    std::ifstream in(std::string(DRAVIK_CORPUS_DIR) + "/" + name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Real QuickTime pictures (Apple Video and Cinepak, one of them 8-bit with
// the Macintosh palette): each gives a photograph, not the white page with
// the notice, and the 8-bit Telefunken picture matches its 24-bit twin.
TEST(QuickTime, CorpusPicturesDecode) {
    const char* names[] = {"MireRpza.pict", "RegensBurgCinepak.pict", "Telefunken Cinepak 24.pict",
                           "Telefunken Cinepak 8.pict", "ZurichCinepakBest.pict"};
    std::vector<pict::PictPicture> pictures;
    for (const char* name : names) {
        const std::string bytes = CorpusFile(name);
        if (bytes.empty())
            GTEST_SKIP() << "the shared corpus is not beside the repository";
        PictResult res = Read(bytes);
        ASSERT_TRUE(res.picture) << name << ": " << res.failure.reason;
        const pict::PictPicture& p = *res.picture;
        size_t white = 0;
        for (size_t i = 0; i < p.rgb.size(); i += 3)
            white += p.rgb[i] > 240 && p.rgb[i + 1] > 240 && p.rgb[i + 2] > 240;
        EXPECT_LT(white, p.rgb.size() / 3 / 4) << name;
        pictures.push_back(*res.picture);
    }
    const pict::PictPicture &deep = pictures[2], &palette = pictures[3];
    ASSERT_EQ(deep.rgb.size(), palette.rgb.size());
    double total = 0;
    for (size_t i = 0; i < deep.rgb.size(); ++i)
        total += std::abs(deep.rgb[i] - palette.rgb[i]);
    EXPECT_LT(total / static_cast<double>(deep.rgb.size()), 16);
}

} // namespace
} // namespace dravik
