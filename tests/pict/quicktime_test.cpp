// QuickTime images inside pictures: each codec's data made here with the
// codec's own library (or by hand), wrapped in opcode 0x8200 by the test
// writer, read back and checked against the source within the codec's loss.
#include "pict/mac_palettes.h"
#include "pict/pict_reader.h"

#include "support/pict_writer.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/pixdesc.h>
}
#include <gif_lib.h>
#include <jpeglib.h>
#include <lcms2.h>
#include <png.h>
#include <tiffio.h>

#include <algorithm>
#include <cctype>
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

std::string Jpeg(int quality, const std::string& icc = {}) {
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
    if (!icc.empty())
        jpeg_write_icc_profile(&info, reinterpret_cast<const JOCTET*>(icc.data()),
                               static_cast<unsigned>(icc.size()));
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

std::string Tiff(const std::string& icc = {}) {
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
    if (!icc.empty())
        TIFFSetField(t, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(icc.size()), icc.data());
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

// BT.601 at video range, as the video codecs carry colour.
uint8_t Luma(Rgb c) {
    return static_cast<uint8_t>(16.5 + (65.481 * c.r + 128.553 * c.g + 24.966 * c.b) / 255);
}
uint8_t ChromaU(Rgb c) {
    return static_cast<uint8_t>(128.5 + (-37.797 * c.r - 74.203 * c.g + 112.0 * c.b) / 255);
}
uint8_t ChromaV(Rgb c) {
    return static_cast<uint8_t>(128.5 + (112.0 * c.r - 93.786 * c.g - 18.214 * c.b) / 255);
}

// One frame through libavcodec's encoder; empty when this build has none.
// The source picture is enlarged `scale` times for codecs that want a
// larger frame.
std::string Encode(AVCodecID id, AVPixelFormat format, int scale = 1) {
    const AVCodec* codec = avcodec_find_encoder(id);
    if (codec == nullptr)
        return {};
    const int w = kW * scale, h = kH * scale;
    std::unique_ptr<AVCodecContext, ContextFree> ctx(avcodec_alloc_context3(codec));
    ctx->width = w;
    ctx->height = h;
    ctx->pix_fmt = format;
    ctx->time_base = {1, 25};
    ctx->thread_count = 1;
    ctx->bit_rate = 4000000;
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0)
        return {};
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    frame->width = w;
    frame->height = h;
    frame->format = format;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return {};
    const std::vector<uint32_t> palette = pict::MacStandardPalette(8);
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb c = Source(x / scale, y / scale);
            uint8_t* row = frame->data[0] + y * frame->linesize[0];
            if (desc->nb_components == 3 && (desc->flags & AV_PIX_FMT_FLAG_RGB) == 0) {
                row[x] = Luma(c);
                const int cx = x >> desc->log2_chroma_w, cy = y >> desc->log2_chroma_h;
                frame->data[1][cy * frame->linesize[1] + cx] = ChromaU(c);
                frame->data[2][cy * frame->linesize[2] + cx] = ChromaV(c);
            } else if (format == AV_PIX_FMT_RGB24) {
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

// The pictures the tests make seed the reader's fuzz target
// (fuzz/seeds/pict_reader) when DRAVIK_SEED_FOLDER names a folder.
void SaveSeed(std::string name, const std::string& picture) {
    const char* folder = std::getenv("DRAVIK_SEED_FOLDER");
    if (folder == nullptr)
        return;
    for (char& ch : name)
        ch = std::isalnum(static_cast<unsigned char>(ch)) ? static_cast<char>(std::tolower(ch))
                                                          : '-';
    std::ofstream(std::string(folder) + "/quicktime-" + name + ".pict", std::ios::binary)
        << picture;
}

QuickTimeRecord Record(std::string codec, int depth, std::string data, int scale = 1) {
    QuickTimeRecord r;
    r.codec = std::move(codec);
    r.width = kW * scale;
    r.height = kH * scale;
    r.depth = depth;
    r.data = std::move(data);
    return r;
}

// Planar RGB ('8BPS'): a table of every row's packed length, plane by
// plane, then each plane's rows in PackBits (here literal runs only).
std::string PlanarRgb() {
    std::string lengths, rows;
    for (int plane = 0; plane < 3; ++plane)
        for (int y = 0; y < kH; ++y) {
            lengths += test::Word(kW + 1);
            rows += static_cast<char>(kW - 1);
            for (int x = 0; x < kW; ++x) {
                const Rgb c = Source(x, y);
                rows += static_cast<char>(plane == 0 ? c.r : plane == 1 ? c.g : c.b);
            }
        }
    return lengths + rows;
}

// 'yuv2': Y0 U Y1 V for each pair of pixels, the chroma signed.
std::string Yuv2() {
    std::string out;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; x += 2) {
            const Rgb a = Source(x, y), b = Source(x + 1, y);
            const Rgb mid{static_cast<uint8_t>((a.r + b.r) / 2),
                          static_cast<uint8_t>((a.g + b.g) / 2),
                          static_cast<uint8_t>((a.b + b.b) / 2)};
            out += {static_cast<char>(Luma(a)), static_cast<char>(ChromaU(mid) ^ 0x80),
                    static_cast<char>(Luma(b)), static_cast<char>(ChromaV(mid) ^ 0x80)};
        }
    return out;
}

// 'WRLE' without run-length coding: BMP rows bottom-up, B G R (or 5-5-5
// little-endian), padded to four bytes.
std::string BmpRows(int depth, int width = kW) {
    std::string out;
    for (int y = kH - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < width; ++x) {
            const Rgb c = Source(x, y);
            if (depth == 16) {
                const int v = (c.r >> 3) << 10 | (c.g >> 3) << 5 | c.b >> 3;
                row += {static_cast<char>(v & 255), static_cast<char>(v >> 8)};
            } else {
                row += {static_cast<char>(c.b), static_cast<char>(c.g), static_cast<char>(c.r)};
            }
        }
        row.resize((row.size() + 3) / 4 * 4, '\0');
        out += row;
    }
    return out;
}

std::string Wrap(const QuickTimeRecord& r, PictRect frame = {0, 0, kH, kW}) {
    return PictWriter(PictWriter::ExtendedV2, frame).clip(frame).quickTime(r).finish();
}

TEST(QuickTime, EveryCodecGivesItsPictureWithinItsLoss) {
    struct Case {
        const char* name;
        QuickTimeRecord record;
        double meanError; // per channel, over the picture
        int scale = 1;    // the source enlarged for codecs that want larger frames
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
        {"planar rgb", Record("8BPS", 24, PlanarRgb()), 0},
        {"yuv2", Record("yuv2", 24, Yuv2()), 4},
        {"bmp 24", Record("WRLE", 24, BmpRows(24)), 0},
        {"bmp 16", Record("WRLE", 16, BmpRows(16)), 4},
        {"jpeg 2000", Record("jp2 ", 24, Encode(AV_CODEC_ID_JPEG2000, AV_PIX_FMT_RGB24)), 3},
        {"sorenson", Record("SVQ1", 24, Encode(AV_CODEC_ID_SVQ1, AV_PIX_FMT_YUV410P, 2), 2), 12, 2},
        {"h263", Record("h263", 24, Encode(AV_CODEC_ID_H263, AV_PIX_FMT_YUV420P, 4), 4), 10, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.record.data.empty()) {
            std::printf("no encoder for %s in this build\n", c.name);
            continue;
        }
        const int w = kW * c.scale, h = kH * c.scale;
        const std::string picture = Wrap(c.record, {0, 0, h, w});
        SaveSeed(c.name, picture);
        PictResult res = Read(picture);
        ASSERT_TRUE(res.picture) << res.failure.reason;
        ASSERT_EQ(res.picture->width, w);
        ASSERT_EQ(res.picture->height, h);
        double total = 0;
        int worst = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const Rgb got = At(*res.picture, x, y), want = Source(x / c.scale, y / c.scale);
                for (int d : {got.r - want.r, got.g - want.g, got.b - want.b}) {
                    total += std::abs(d);
                    worst = std::max(worst, std::abs(d));
                }
            }
        const double mean = total / (w * h * 3);
        EXPECT_LE(mean, c.meanError + 0.01) << "worst " << worst;
        if (c.meanError == 0) {
            EXPECT_EQ(worst, 0);
        }
        // The blue box must sit where it was, whatever the loss.
        const Rgb box = At(*res.picture, 16 * c.scale, 12 * c.scale);
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

// Bitmap data as 'WRLE' carries it: indices in rows bottom-up, plain or in
// BMP's run-length coding (a literal stretch, then runs; the bottom row
// starts with a move that leaves three pixels unset).
int BmpIndex(int x, int y) {
    return (x / 5 + y / 3) % 16;
}
std::string BmpIndexed(int depth, bool packed) {
    std::string out;
    auto byte = [&](int v) { out += static_cast<char>(v); };
    if (packed)
        out += std::string("\0\2\3\0", 4);
    for (int y = kH - 1; y >= 0; --y) {
        int x = y == kH - 1 && packed ? 3 : 0;
        if (!packed) {
            for (; x < kW; x += 8 / depth)
                byte(depth == 8 ? BmpIndex(x, y) : BmpIndex(x, y) << 4 | BmpIndex(x + 1, y));
            continue;
        }
        byte(0), byte(5); // five pixels as they are
        const size_t before = out.size();
        for (int k = 0; k < 5; k += 8 / depth)
            byte(depth == 8 ? BmpIndex(x + k, y)
                            : BmpIndex(x + k, y) << 4 | (k < 4 ? BmpIndex(x + k + 1, y) : 0));
        if ((out.size() - before) % 2 != 0)
            byte(0);
        for (x += 5; x < kW;) {
            int n = 1;
            while (x + n < kW && BmpIndex(x + n, y) == BmpIndex(x, y))
                ++n;
            byte(n), byte(depth == 8 ? BmpIndex(x, y) : BmpIndex(x, y) * 17);
            x += n;
        }
        byte(0), byte(0);
    }
    if (packed)
        byte(0), byte(1);
    return out;
}

TEST(QuickTime, WindowsBitmapDataReadsPlainAndRunLengthRows) {
    for (int depth : {4, 8})
        for (bool packed : {false, true}) {
            SCOPED_TRACE(std::to_string(depth) + (packed ? " packed" : " plain"));
            const std::string picture = Wrap(Record("WRLE", depth, BmpIndexed(depth, packed)));
            SaveSeed("bmp " + std::to_string(depth) + (packed ? " rle" : ""), picture);
            PictResult res = Read(picture);
            ASSERT_TRUE(res.picture) << res.failure.reason;
            const std::vector<uint32_t> palette = pict::MacStandardPalette(depth);
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    const bool unset = packed && y == kH - 1 && x < 3;
                    const uint32_t c = palette[static_cast<size_t>(unset ? 0 : BmpIndex(x, y))];
                    ASSERT_EQ(At(*res.picture, x, y),
                              (Rgb{static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                   static_cast<uint8_t>(c)}))
                        << x << "," << y;
                }
        }
    // Rows of 30 pixels at 24 bits are padded from 90 to 92 bytes.
    QuickTimeRecord narrow = Record("WRLE", 24, BmpRows(24, 30));
    narrow.width = 30;
    PictResult res = Read(Wrap(narrow, {0, 0, kH, 30}));
    ASSERT_TRUE(res.picture) << res.failure.reason;
    for (int y : {0, 11, kH - 1})
        for (int x : {0, 17, 29})
            EXPECT_EQ(At(*res.picture, x, y), Source(x, y)) << x << "," << y;
    // Too few rows, where no run-length coding can be meant, fail.
    res = Read(Wrap(Record("WRLE", 24, BmpRows(24).substr(0, 500))));
    EXPECT_EQ(res.failure.kind, PictFailureKind::Damaged);
}

// A TGA file as a 'tga ' payload, with what each pixel should read as.
struct TgaCase {
    const char* name;
    int type; // 1-3 plain, 9-11 run-length: colour-mapped, true colour, grey
    int bits;
    int descriptor; // 0x20: rows top first, 0x10: columns right first
    int tolerance;  // per channel
};
std::string TgaFile(const TgaCase& c, std::vector<Rgb>& expected) {
    const std::vector<uint32_t> mac = pict::MacStandardPalette(8);
    const int kind = c.type % 8;
    const size_t bpp = static_cast<size_t>(c.bits + 7) / 8;
    std::string head(18, '\0');
    head[0] = 3; // an image ID of three bytes
    head[1] = kind == 1 ? 1 : 0;
    head[2] = static_cast<char>(c.type);
    head[5] = kind == 1 ? 0 : 0, head[6] = kind == 1 ? 1 : 0; // 256 map entries
    head[7] = kind == 1 ? 24 : 0;
    head[12] = kW, head[14] = kH;
    head[16] = static_cast<char>(c.bits);
    head[17] = static_cast<char>(c.descriptor | (c.bits == 32 ? 8 : 0));
    std::string out = head + "id!";
    if (kind == 1)
        for (uint32_t m : mac)
            out += {static_cast<char>(m), static_cast<char>(m >> 8), static_cast<char>(m >> 16)};
    expected.assign(kW * kH, Rgb{});
    std::vector<std::string> pixels;
    for (int fy = 0; fy < kH; ++fy)
        for (int fx = 0; fx < kW; ++fx) {
            const int y = (c.descriptor & 0x20) != 0 ? fy : kH - 1 - fy;
            const int x = (c.descriptor & 0x10) != 0 ? kW - 1 - fx : fx;
            Rgb s = Source(x, y);
            std::string p;
            if (kind == 1) {
                const int i = NearestIndex(s, mac);
                p += static_cast<char>(i);
                s = {static_cast<uint8_t>(mac[i] >> 16), static_cast<uint8_t>(mac[i] >> 8),
                     static_cast<uint8_t>(mac[i])};
            } else if (kind == 3) {
                const auto g = static_cast<uint8_t>((s.r + s.g + s.b) / 3);
                p += static_cast<char>(g);
                s = {g, g, g};
            } else if (c.bits == 16) {
                const int v = 0x8000 | (s.r >> 3) << 10 | (s.g >> 3) << 5 | s.b >> 3;
                p += {static_cast<char>(v), static_cast<char>(v >> 8)};
            } else {
                p += {static_cast<char>(s.b), static_cast<char>(s.g), static_cast<char>(s.r)};
                if (c.bits == 32)
                    p += '\x20'; // alpha, ignored
            }
            expected[static_cast<size_t>(y * kW + x)] = s;
            pixels.push_back(p);
        }
    if (c.type < 9) {
        for (const std::string& p : pixels)
            out += p;
        return out;
    }
    // Runs of equal pixels and stretches of others, across row ends.
    for (size_t i = 0; i < pixels.size();) {
        size_t n = 1;
        while (i + n < pixels.size() && n < 128 && pixels[i + n] == pixels[i])
            ++n;
        if (n > 1) {
            out += static_cast<char>(0x80 | (n - 1));
            out += pixels[i];
        } else {
            while (i + n < pixels.size() && n < 128 && pixels[i + n] != pixels[i + n - 1])
                ++n;
            out += static_cast<char>(n - 1);
            for (size_t k = 0; k < n; ++k)
                out += pixels[i + k];
        }
        i += n;
    }
    EXPECT_EQ(bpp, pixels[0].size());
    return out;
}

TEST(QuickTime, TgaPayloadsReadEveryLayout) {
    const TgaCase cases[] = {
        {"24-bit bottom up", 2, 24, 0, 0},
        {"32-bit run-length top down", 10, 32, 0x20, 0},
        {"16-bit right to left", 2, 16, 0x10, 7},
        {"colour-mapped run-length", 9, 8, 0x20, 0},
        {"grey", 3, 8, 0, 0},
        {"grey run-length", 11, 8, 0x30, 0},
    };
    for (const TgaCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Rgb> expected;
        const std::string file = TgaFile(c, expected);
        const std::string picture = Wrap(Record("tga ", 24, file));
        SaveSeed(std::string("tga ") + c.name, picture);
        PictResult res = Read(picture);
        ASSERT_TRUE(res.picture) << res.failure.reason;
        int worst = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const Rgb got = At(*res.picture, x, y), want = expected[y * kW + x];
                for (int d : {got.r - want.r, got.g - want.g, got.b - want.b})
                    worst = std::max(worst, std::abs(d));
            }
        EXPECT_LE(worst, c.tolerance);
        // Cut short, the file fails rather than leaving rows out.
        res = Read(Wrap(Record("tga ", 24, file.substr(0, file.size() - 7))));
        EXPECT_EQ(res.failure.kind, PictFailureKind::Damaged);
    }
}

int GifWrite(GifFileType* gif, const GifByteType* data, int size) {
    static_cast<std::string*>(gif->UserData)
        ->append(reinterpret_cast<const char*>(data), static_cast<size_t>(size));
    return size;
}

// A GIF of the source through the Macintosh palette, written with giflib:
// optionally interlaced, with a transparent colour, or an image smaller than
// its screen.
std::string Gif(bool interlaced, int transparent, int left, int top) {
    const std::vector<uint32_t> mac = pict::MacStandardPalette(8);
    std::string out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, GifWrite, &error);
    EGifSetGifVersion(gif, true);
    std::vector<GifColorType> colours;
    for (uint32_t m : mac)
        colours.push_back({static_cast<GifByteType>(m >> 16), static_cast<GifByteType>(m >> 8),
                           static_cast<GifByteType>(m)});
    ColorMapObject* map = GifMakeMapObject(256, colours.data());
    EGifPutScreenDesc(gif, kW, kH, 8, 0, map);
    GifFreeMapObject(map);
    if (transparent >= 0) {
        const GifByteType control[4] = {1, 0, 0, static_cast<GifByteType>(transparent)};
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control);
    }
    const int w = kW - left, h = kH - top;
    EGifPutImageDesc(gif, left, top, w, h, interlaced, nullptr);
    std::vector<int> order;
    for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
        for (int y = start; y < h; y += interlaced ? step : 1)
            if (interlaced || start == 0)
                order.push_back(y);
    for (int y : order) {
        std::vector<GifPixelType> line;
        for (int x = 0; x < w; ++x)
            line.push_back(static_cast<GifPixelType>(NearestIndex(Source(left + x, top + y), mac)));
        EGifPutLine(gif, line.data(), w);
    }
    EGifCloseFile(gif, &error);
    return out;
}

TEST(QuickTime, GifPayloadsKeepTheirRowsAndTransparency) {
    const std::vector<uint32_t> mac = pict::MacStandardPalette(8);
    const int boxIndex = NearestIndex(Source(16, 12), mac);
    struct Case {
        const char* name;
        bool interlaced;
        int transparent, left, top;
    };
    const Case cases[] = {
        {"plain", false, -1, 0, 0},
        {"interlaced", true, -1, 0, 0},
        {"transparent box", false, boxIndex, 0, 0},
        {"image inside its screen", true, -1, 5, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string picture =
            Wrap(Record("gif ", 8, Gif(c.interlaced, c.transparent, c.left, c.top)));
        SaveSeed(std::string("gif ") + c.name, picture);
        PictResult res = Read(picture);
        ASSERT_TRUE(res.picture) << res.failure.reason;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const int i = NearestIndex(Source(x, y), mac);
                const bool white = x < c.left || y < c.top || i == c.transparent;
                const uint32_t m = white ? 0xFFFFFFu : mac[static_cast<size_t>(i)];
                ASSERT_EQ(At(*res.picture, x, y),
                          (Rgb{static_cast<uint8_t>(m >> 16), static_cast<uint8_t>(m >> 8),
                               static_cast<uint8_t>(m)}))
                    << x << "," << y;
            }
    }
    const std::string cut = Gif(false, -1, 0, 0);
    PictResult res = Read(Wrap(Record("gif ", 8, cut.substr(0, cut.size() / 2))));
    EXPECT_EQ(res.failure.kind, PictFailureKind::Damaged);
}

// An RGB profile whose red and blue primaries are sRGB's blue and red: its
// colours come out with red and blue swapped.
std::string SwappedProfile() {
    const cmsCIExyY d65{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{{0.15, 0.06, 1.0}, {0.30, 0.60, 1.0}, {0.64, 0.33, 1.0}};
    const double srgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, srgbCurve);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&d65, &primaries, curves);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::string out(size, '\0');
    cmsSaveProfileToMem(profile, out.data(), &size);
    cmsCloseProfile(profile);
    cmsFreeToneCurve(curve);
    return out;
}

std::string SrgbProfile() {
    cmsHPROFILE profile = cmsCreate_sRGBProfile();
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::string out(size, '\0');
    cmsSaveProfileToMem(profile, out.data(), &size);
    cmsCloseProfile(profile);
    return out;
}

// The profile as ColorSync records it in a picture: comments of kind 224
// that begin, continue and end it, in pieces of at most `piece` bytes.
PictWriter& ProfileComments(PictWriter& w, const std::string& icc, size_t piece = 1000) {
    for (size_t at = 0; at < icc.size(); at += piece) {
        const std::string part = icc.substr(at, piece);
        w.op(0xA1, test::Word(224) + test::Word(static_cast<int>(part.size() + 4)) +
                       test::Long(at == 0 ? 0 : 1) + part);
    }
    return w.op(0xA1, test::Word(224) + test::Word(4) + test::Long(2));
}

TEST(QuickTime, ColourProfilesConvertToSrgb) {
    const std::string swap = SwappedProfile(), broken = "acsp" + std::string(400, 'x');
    const PictRect frame{0, 0, kH, kW};
    const QuickTimeRecord raw = Record("raw ", 24, Raw(24));
    test::RasterRecord bitmap;
    bitmap.opcode = 0x9A;
    bitmap.pixelSize = 32;
    bitmap.packType = 4;
    bitmap.bounds = frame;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const Rgb c = Source(x, y);
            bitmap.pixels.push_back(uint32_t{c.r} << 16 | c.g << 8 | c.b);
        }
    auto picture = [&](const std::string& icc, auto&& add) {
        PictWriter w(PictWriter::ExtendedV2, frame);
        w.clip(frame);
        if (!icc.empty())
            ProfileComments(w, icc, 700);
        add(w);
        return w.finish();
    };
    struct Case {
        const char* name;
        std::string picture;
        bool swapped;
        double meanError;
        bool noted = false; // a profile was ignored, and said so
    };
    const Case cases[] = {
        {"jpeg's own profile", Wrap(Record("jpeg", 24, Jpeg(95, swap))), true, 4},
        {"tiff's own profile", Wrap(Record("tiff", 24, Tiff(swap))), true, 1},
        {"picture profile, QuickTime image",
         picture(swap, [&](PictWriter& w) { w.quickTime(raw); }), true, 1},
        {"picture profile, pixel map", picture(swap, [&](PictWriter& w) { w.raster(bitmap); }),
         true, 1},
        {"the image's own profile wins",
         picture(swap,
                 [&](PictWriter& w) { w.quickTime(Record("jpeg", 24, Jpeg(95, SrgbProfile()))); }),
         false, 4},
        {"profile's use ended",
         picture(swap, [&](PictWriter& w) { w.op(0xA0, test::Word(221)).quickTime(raw); }), false,
         0},
        {"matching turned off",
         picture(swap, [&](PictWriter& w) { w.op(0xA0, test::Word(223)).raster(bitmap); }), false,
         0},
        {"profile never ended",
         PictWriter(PictWriter::ExtendedV2, frame)
             .op(0xA1, test::Word(224) + test::Word(104) + test::Long(0) + swap.substr(0, 100))
             .quickTime(raw)
             .finish(),
         false, 0},
        {"broken jpeg profile", Wrap(Record("jpeg", 24, Jpeg(95, broken))), false, 4, true},
        {"broken picture profile", picture(broken, [&](PictWriter& w) { w.quickTime(raw); }), false,
         0, true},
        {"cut picture profile",
         picture(swap.substr(0, swap.size() / 2), [&](PictWriter& w) { w.quickTime(raw); }), false,
         0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SaveSeed(std::string("colour ") + c.name, c.picture);
        PictResult res = Read(c.picture);
        ASSERT_TRUE(res.picture) << res.failure.reason;
        double total = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const Rgb s = Source(x, y), got = At(*res.picture, x, y);
                const Rgb want = c.swapped ? Rgb{s.b, s.g, s.r} : s;
                total +=
                    std::abs(got.r - want.r) + std::abs(got.g - want.g) + std::abs(got.b - want.b);
            }
        EXPECT_LE(total / (kW * kH * 3), c.meanError + 0.5);
        const bool noted = std::any_of(res.skipped.begin(), res.skipped.end(), [](const auto& s) {
            return s.find("colour profile") != std::string::npos;
        });
        EXPECT_EQ(noted, c.noted);
    }
    // Drawing colours set under the profile are matched too.
    PictResult res = Read(picture(swap, [](PictWriter& w) {
        w.foreColour({200, 30, 40}).op(0x31, test::RectData({0, 0, 4, 4}));
    }));
    ASSERT_TRUE(res.picture) << res.failure.reason;
    const Rgb painted = At(*res.picture, 1, 1);
    EXPECT_NEAR(painted.r, 40, 2);
    EXPECT_NEAR(painted.b, 200, 2);
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
