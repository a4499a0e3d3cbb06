#include "engine/overlays/watermark_picture.h"

#include "engine/overlays/bmp_reader.h"
#include "engine/overlays/canvas.h"
#include "engine/overlays/watermark.h"

// FreeImage.h defines a save flag of this name that png.h defines again; the
// flag is not used here.
#undef PNG_Z_DEFAULT_COMPRESSION
#include <png.h>
#include <sys/stat.h>

#include <cstdio>
// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdlib>
#include <optional>
#include <string>

namespace dravik::watermark_parts {
namespace {

// Watermark pictures. Only the part of a picture that can show is decoded:
// a picture far larger than the photograph is cut to the photograph's size
// anyway, and decoding it whole could take gigabytes.

enum class PictureKind { Png, Jpeg, Bmp };

struct PictureInfo {
    PictureKind kind = PictureKind::Png;
    int64_t width = 0, height = 0;
    bool alpha = false; // 32 bits per pixel as loaded
    BmpHeader bmp;      // for a BMP
};

// Rows times width a decoder may work through for one region; beyond this a
// picture gives no watermark rather than minutes of decompression.
constexpr int64_t kMaxDecodePixels = 256LL * 1024 * 1024;
// libjpeg's working memory (progressive files keep all coefficients).
constexpr long kMaxJpegMemory = 64L * 1024 * 1024;
// FreeImage loads a BMP whole.
constexpr int64_t kMaxBmpPixels = 16LL * 1024 * 1024;

// Writes one straight-alpha pixel into a premultiplied cairo pixel, through
// the greyscale filter when asked.
inline uint32_t Premultiplied(unsigned r, unsigned g, unsigned b, unsigned a, bool grey) {
    if (grey)
        r = g = b = (77 * r + 150 * g + 29 * b) >> 8;
    auto mul = [a](unsigned c) { return (c * a + 127) / 255; };
    return (a << 24) | (mul(r) << 16) | (mul(g) << 8) | mul(b);
}

// The region's pixels go into `out` (region-sized, top-down rows).
struct RegionSink {
    Rect region;
    bool grey = false;
    uint8_t* data = nullptr;
    int stride = 0;

    void put(int64_t x, int64_t y, unsigned r, unsigned g, unsigned b, unsigned a) const {
        if (x < region.x || y < region.y || x >= region.x + region.w || y >= region.y + region.h)
            return;
        auto* row = reinterpret_cast<uint32_t*>(data + (y - region.y) * stride);
        row[x - region.x] = Premultiplied(r, g, b, a, grey);
    }
    // A whole decoded row of 4-byte RGBA pixels.
    void putRow(int64_t y, const uint8_t* rgba) const {
        if (y < region.y || y >= region.y + region.h)
            return;
        auto* row = reinterpret_cast<uint32_t*>(data + (y - region.y) * stride);
        const uint8_t* p = rgba + region.x * 4;
        for (int64_t i = 0; i < region.w; ++i, p += 4)
            row[i] = Premultiplied(p[0], p[1], p[2], p[3], grey);
    }
};

void PngError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void PngWarning(png_structp, png_const_charp) {}

// Reads the header, and with a sink the sink's region, of a PNG file.
// libpng reports errors by longjmp, so nothing here may own a C++ object
// across the calls into it.
bool ReadPng(FILE* file, PictureInfo* info, const RegionSink* sink) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (png == nullptr)
        return false;
    png_infop pinfo = png_create_info_struct(png);
    if (pinfo == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    png_bytep volatile row = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        std::free(row);
        png_destroy_read_struct(&png, &pinfo, nullptr);
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, pinfo);
    png_uint_32 width = 0, height = 0;
    int depth = 0, color = 0, interlace = 0;
    png_get_IHDR(png, pinfo, &width, &height, &depth, &color, &interlace, nullptr, nullptr);
    const bool hasTrns = png_get_valid(png, pinfo, PNG_INFO_tRNS) != 0;
    info->kind = PictureKind::Png;
    info->width = width;
    info->height = height;
    info->alpha = (color & PNG_COLOR_MASK_ALPHA) != 0 || hasTrns;
    if (sink == nullptr) {
        png_destroy_read_struct(&png, &pinfo, nullptr);
        return true;
    }

    // Every colour type comes out as 8-bit RGBA.
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    if (!info->alpha)
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(png, pinfo);
    if (png_get_rowbytes(png, pinfo) != static_cast<size_t>(width) * 4)
        png_longjmp(png, 1);
    const bool interlaced = interlace != PNG_INTERLACE_NONE;
    const int64_t rowsToRead =
        interlaced ? static_cast<int64_t>(height) : sink->region.y + sink->region.h;
    if (rowsToRead * static_cast<int64_t>(width) > kMaxDecodePixels)
        png_longjmp(png, 1);
    row = static_cast<png_bytep>(std::malloc(static_cast<size_t>(width) * 4));
    if (row == nullptr)
        png_longjmp(png, 1);

    if (!interlaced) {
        for (int64_t y = 0; y < rowsToRead; ++y) {
            png_read_row(png, row, nullptr);
            sink->putRow(y, row);
        }
    } else {
        // Without libpng's interlace handling each of the seven passes comes
        // as a small picture of its own; its pixels are spread to their
        // places here, so that no full-size buffer is needed.
        for (int pass = 0; pass < 7; ++pass) {
            const png_uint_32 passWidth = PNG_PASS_COLS(width, pass);
            const png_uint_32 passHeight = PNG_PASS_ROWS(height, pass);
            if (passWidth == 0 || passHeight == 0)
                continue;
            for (png_uint_32 py = 0; py < passHeight; ++py) {
                png_read_row(png, row, nullptr);
                const int64_t y = PNG_ROW_FROM_PASS_ROW(py, pass);
                if (y < sink->region.y || y >= sink->region.y + sink->region.h)
                    continue;
                for (png_uint_32 px = 0; px < passWidth; ++px) {
                    const png_bytep p = row + px * 4;
                    sink->put(PNG_COL_FROM_PASS_COL(px, pass), y, p[0], p[1], p[2], p[3]);
                }
            }
        }
    }
    std::free(row);
    png_destroy_read_struct(&png, &pinfo, nullptr);
    return true;
}

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

// libjpeg pads a truncated file with grey and calls that a warning; a
// watermark of half grey is no watermark, so it counts as an error here.
void JpegMessage(j_common_ptr cinfo, int level) {
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF)
        std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

// As ReadPng, for a JPEG file.
bool ReadJpeg(FILE* file, PictureInfo* info, const RegionSink* sink) {
    jpeg_decompress_struct cinfo{};
    JpegError err{};
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegErrorExit;
    err.mgr.emit_message = JpegMessage;
    JSAMPLE* volatile row = nullptr;
    if (setjmp(err.jump)) {
        std::free(row);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kMaxJpegMemory;
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    info->kind = PictureKind::Jpeg;
    info->width = cinfo.image_width;
    info->height = cinfo.image_height;
    info->alpha = false;
    if (sink == nullptr) {
        jpeg_destroy_decompress(&cinfo);
        return true;
    }

    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    const int64_t rowsToRead = sink->region.y + sink->region.h;
    if (rowsToRead * info->width > kMaxDecodePixels)
        JpegErrorExit(reinterpret_cast<j_common_ptr>(&cinfo));
    jpeg_start_decompress(&cinfo);
    const int components = cinfo.output_components;
    if ((components != 3 && components != 4) || cinfo.output_width != info->width)
        JpegErrorExit(reinterpret_cast<j_common_ptr>(&cinfo));
    row = static_cast<JSAMPLE*>(std::malloc(static_cast<size_t>(cinfo.output_width) * 4));
    if (row == nullptr)
        JpegErrorExit(reinterpret_cast<j_common_ptr>(&cinfo));
    // Adobe writes CMYK inverted (0 is full ink); others as ink amounts.
    const bool inverted = cinfo.saw_Adobe_marker != 0;
    while (cinfo.output_scanline < rowsToRead) {
        JSAMPROW rows[1] = {row};
        const int64_t y = cinfo.output_scanline;
        if (jpeg_read_scanlines(&cinfo, rows, 1) != 1)
            JpegErrorExit(reinterpret_cast<j_common_ptr>(&cinfo));
        if (y < sink->region.y)
            continue;
        for (int64_t x = sink->region.x; x < sink->region.x + sink->region.w; ++x) {
            const JSAMPLE* p = row + x * components;
            if (!cmyk) {
                sink->put(x, y, p[0], p[1], p[2], 255);
                continue;
            }
            unsigned c = p[0], m = p[1], ye = p[2], k = p[3];
            if (!inverted) {
                c = 255 - c, m = 255 - m, ye = 255 - ye, k = 255 - k;
            }
            sink->put(x, y, c * k / 255, m * k / 255, ye * k / 255, 255);
        }
    }
    std::free(row);
    jpeg_abort_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

struct File {
    FILE* f = nullptr;
    explicit File(const std::string& path) : f(std::fopen(path.c_str(), "rb")) {}
    ~File() {
        if (f != nullptr)
            std::fclose(f);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
};

bool ProbeBmp(FILE* file, int64_t fileSize, PictureInfo* info) {
    std::optional<BmpHeader> header = ReadBmpHeader(file, fileSize, kMaxBmpPixels);
    if (!header)
        return false;
    info->kind = PictureKind::Bmp;
    info->width = header->width;
    info->height = header->height;
    info->alpha = header->bitsPerPixel == 32;
    info->bmp = *header;
    return true;
}

bool ReadBmp(const std::string& path, const PictureInfo& info, const RegionSink& sink) {
    if (info.bmp.decodedHere) {
        File file(path);
        return file.f != nullptr &&
               ReadBmpRows(file.f, info.bmp, sink.region.y, sink.region.y + sink.region.h,
                           [&sink](int64_t y, const uint8_t* rgba) { sink.putRow(y, rgba); });
    }
    Bitmap loaded(FreeImage_Load(FIF_BMP, path.c_str(), 0));
    if (!loaded || loaded.width() != info.width || loaded.height() != info.height)
        return false;
    Bitmap rgba(FreeImage_ConvertTo32Bits(loaded.get()));
    if (!rgba)
        return false;
    const int64_t h = info.height;
    // The fourth byte of a plain 32-bit BMP is "reserved" and mostly 0;
    // only a file that uses it for something is taken to carry alpha.
    bool anyAlpha = false;
    for (int64_t y = 0; y < h && !anyAlpha; ++y) {
        const BYTE* p = FreeImage_GetScanLine(rgba.get(), static_cast<int>(y));
        for (int64_t x = 0; x < info.width; ++x, p += 4) {
            if (p[FI_RGBA_ALPHA] != 0) {
                anyAlpha = true;
                break;
            }
        }
    }
    for (int64_t y = sink.region.y; y < sink.region.y + sink.region.h; ++y) {
        const BYTE* p = FreeImage_GetScanLine(rgba.get(), static_cast<int>(h - 1 - y));
        p += sink.region.x * 4;
        for (int64_t x = sink.region.x; x < sink.region.x + sink.region.w; ++x, p += 4) {
            sink.put(x, y, p[FI_RGBA_RED], p[FI_RGBA_GREEN], p[FI_RGBA_BLUE],
                     anyAlpha ? p[FI_RGBA_ALPHA] : 255);
        }
    }
    return true;
}

// Tells the kind by the first bytes, never by the name.
std::optional<PictureKind> SniffKind(FILE* f) {
    uint8_t head[8] = {};
    const size_t n = std::fread(head, 1, sizeof head, f);
    std::rewind(f);
    if (n == 8 && png_sig_cmp(head, 0, 8) == 0)
        return PictureKind::Png;
    if (n >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF)
        return PictureKind::Jpeg;
    if (n >= 2 && head[0] == 'B' && head[1] == 'M')
        return PictureKind::Bmp;
    return std::nullopt;
}

std::optional<PictureInfo> ProbePicture(const std::string& path) {
    File file(path);
    if (file.f == nullptr)
        return std::nullopt;
    struct stat st {};
    if (::fstat(::fileno(file.f), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0)
        return std::nullopt;
    std::optional<PictureKind> kind = SniffKind(file.f);
    if (!kind)
        return std::nullopt;
    PictureInfo info;
    bool ok = false;
    switch (*kind) {
    case PictureKind::Png:
        ok = ReadPng(file.f, &info, nullptr);
        break;
    case PictureKind::Jpeg:
        ok = ReadJpeg(file.f, &info, nullptr);
        break;
    case PictureKind::Bmp:
        ok = ProbeBmp(file.f, st.st_size, &info);
        break;
    }
    if (!ok || info.width <= 0 || info.height <= 0)
        return std::nullopt;
    return info;
}

// Decodes `region` (inside the picture) into a region-sized surface; empty
// when the file no longer decodes as its header promised.
Surface DecodeRegion(const std::string& path, const PictureInfo& info, const Rect& region,
                     bool grey) {
    Surface out = Surface::Create(static_cast<int>(std::min<int64_t>(region.w, INT32_MAX)),
                                  static_cast<int>(std::min<int64_t>(region.h, INT32_MAX)));
    if (!out)
        return out;
    out.flush();
    const RegionSink sink{region, grey, out.data(), out.stride()};
    bool ok = false;
    if (info.kind == PictureKind::Bmp) {
        ok = ReadBmp(path, info, sink);
    } else {
        File file(path);
        PictureInfo seen;
        if (file.f != nullptr) {
            ok = info.kind == PictureKind::Png ? ReadPng(file.f, &seen, &sink)
                                               : ReadJpeg(file.f, &seen, &sink);
        }
        ok = ok && seen.width == info.width && seen.height == info.height;
    }
    if (!ok)
        return Surface();
    out.markDirty();
    return out;
}

class PictureSource : public Source {
  public:
    int64_t width() const override { return info_.width; }
    int64_t height() const override { return info_.height; }

    bool paint(cairo_t* cr, const Rect& region) override {
        const Rect canvas{0, 0, info_.width, info_.height};
        const Rect need = Intersect(canvas, region);
        if (need.empty())
            return true;
        if (!decode(need))
            return false;
        // A picture without alpha is laid on opaque black, so its opacity
        // darkens it rather than letting the photograph through.
        if (!info_.alpha) {
            cairo_set_source_rgb(cr, 0, 0, 0);
            FillRect(cr, canvas, need);
        }
        cairo_set_source_surface(cr, decoded_.get(), static_cast<double>(decodedRect_.x),
                                 static_cast<double>(decodedRect_.y));
        cairo_paint_with_alpha(cr, opacity_ / 255.0);
        return cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    }

    PictureSource(const Settings::Watermark& wm, const PictureInfo& info)
        : path_(wm.image), grey_(wm.imageGreyscale != 0), opacity_(ClampOpacity(wm.imageOpacity)),
          info_(info) {}

    // Keeps the decoded part across files; grows it when a later picture
    // needs more, unless that would mean decoding much more than needed.
    bool decode(const Rect& need) {
        if (broken_)
            return false;
        if (decoded_ && decodedRect_.contains(need))
            return true;
        Rect want = decoded_ ? Union(decodedRect_, need) : need;
        if (want.w * want.h > 2 * need.w * need.h)
            want = need;
        decoded_ = DecodeRegion(path_, info_, want, grey_);
        decodedRect_ = want;
        broken_ = !decoded_;
        return !broken_;
    }

    std::string path_;
    bool grey_;
    uint8_t opacity_;
    PictureInfo info_;
    Surface decoded_;
    Rect decodedRect_;
    bool broken_ = false;
};

} // namespace

std::unique_ptr<Source> OpenPicture(const Settings::Watermark& wm) {
    std::optional<PictureInfo> info = ProbePicture(wm.image);
    if (!info)
        return nullptr;
    return std::make_unique<PictureSource>(wm, *info);
}

bool PictureDecodes(const std::string& path) {
    if (path.empty())
        return false;
    const std::optional<PictureInfo> info = ProbePicture(path);
    if (!info)
        return false;
    // The decoders go through the rows in order, so decoding the last
    // pixel decodes the whole picture, while keeping only that pixel.
    const Rect last{info->width - 1, info->height - 1, 1, 1};
    return static_cast<bool>(DecodeRegion(path, *info, last, false));
}

} // namespace dravik::watermark_parts

namespace dravik {

bool WatermarkImageUsable(const std::string& path) {
    return watermark_parts::PictureDecodes(path);
}

} // namespace dravik
