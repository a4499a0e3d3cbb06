#include "engine/overlays/watermark.h"

#include "engine/format_tables.h"
#include "engine/output_naming.h"
#include "engine/overlays/canvas.h"

#include <glib.h>
#include <pango/pangocairo.h>
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
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <unordered_map>
#include <vector>

namespace dravik {
namespace {

// ---------------------------------------------------------------------------
// Small geometry helpers. Settings may hold any int32, so every size and
// position is worked out in 64 bits.

struct Rect {
    int64_t x = 0, y = 0, w = 0, h = 0;
    bool empty() const { return w <= 0 || h <= 0; }
    bool contains(const Rect& o) const {
        return o.x >= x && o.y >= y && o.x + o.w <= x + w && o.y + o.h <= y + h;
    }
};

Rect Intersect(const Rect& a, const Rect& b) {
    const int64_t x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
    const int64_t x1 = std::min(a.x + a.w, b.x + b.w), y1 = std::min(a.y + a.h, b.y + b.h);
    return Rect{x0, y0, std::max<int64_t>(0, x1 - x0), std::max<int64_t>(0, y1 - y0)};
}

Rect Union(const Rect& a, const Rect& b) {
    const int64_t x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
    const int64_t x1 = std::max(a.x + a.w, b.x + b.w), y1 = std::max(a.y + a.h, b.y + b.h);
    return Rect{x0, y0, x1 - x0, y1 - y0};
}

// Fills the part of r that lies inside `limit`; cairo's fixed-point
// coordinates cannot take the far-off rectangles that extreme settings give.
void FillRect(cairo_t* cr, const Rect& r, const Rect& limit) {
    const Rect part = Intersect(r, limit);
    if (part.empty())
        return;
    cairo_rectangle(cr, static_cast<double>(part.x), static_cast<double>(part.y),
                    static_cast<double>(part.w), static_cast<double>(part.h));
    cairo_fill(cr);
}

template <typename T> struct GObjectUnref {
    void operator()(T* p) const { g_object_unref(p); }
};
template <typename T> using GObjectPtr = std::unique_ptr<T, GObjectUnref<T>>;

// ---------------------------------------------------------------------------
// Placeholders.

int32_t SavedBitDepth(const AppState& state) {
    if (!state.autoBitDepth)
        return state.outputBitDepth;
    const OutputFormat* format = FindOutputFormat(state.outputExtension);
    if (format == nullptr)
        return state.outputBitDepth;
    const std::vector<int> depths = AllowedDepths(*format);
    if (depths.empty())
        return state.outputBitDepth;
    for (int depth : depths) {
        if (depth >= state.inputBitDepth)
            return depth;
    }
    return depths.back();
}

std::string AsciiLower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// ---------------------------------------------------------------------------
// Text block: the lines of the watermark text, measured and placed inside
// the text canvas.

constexpr std::string_view kLineBreak = "%eol%";
// Lines and heights never measure below this when the text has line breaks.
constexpr int64_t kMinLineExtent = 10;
// A line is cut after this many pixels' worth of em widths: pango positions
// glyphs in 32-bit units of 1/1024 pixel, and no picture is anywhere near
// as wide, so only invisible text is lost.
constexpr double kMaxLineEms = 500'000;
// Above this em size glyphs are filled as outlines instead of being
// rasterised whole into the glyph cache, which would take megabytes each.
constexpr double kOutlineFromPixels = 256;

struct Line {
    std::string text;
    int64_t x = 0, y = 0, w = 0, h = 0;
    int64_t alignWidth = 0; // vector text aligns by its own, unhinted width
};

GObjectPtr<PangoLayout> MakeLayout(const WatermarkFont& font, bool vector) {
    GObjectPtr<PangoLayout> layout(pango_layout_new(font.context(vector)));
    pango_layout_set_font_description(layout.get(), font.description());
    pango_layout_set_attributes(layout.get(), font.attributes());
    // A line is drawn as one row whatever control characters it holds.
    pango_layout_set_single_paragraph_mode(layout.get(), TRUE);
    return layout;
}

// What a watermark is drawn from: a canvas of a fixed size whose parts can
// be painted on demand, so that only the part that will show is rasterised.
class Source {
  public:
    virtual ~Source() = default;
    virtual int64_t width() const = 0;
    virtual int64_t height() const = 0;
    // Paints the part `region` of the canvas onto cr, which is set up in
    // canvas coordinates over a transparent surface covering `region`.
    // False when drawing failed.
    virtual bool paint(cairo_t* cr, const Rect& region) = 0;
};

class TextBlock : public Source {
  public:
    TextBlock(const std::string& text, const WatermarkFont& font, const Settings::Watermark& wm);

    int64_t width() const override { return width_; }
    int64_t height() const override { return height_; }
    bool paint(cairo_t* cr, const Rect& region) override;

  private:
    void drawLine(cairo_t* cr, const Line& line) const;

    const WatermarkFont& font_;
    const Settings::Watermark& wm_;
    bool vector_ = false;
    std::vector<Line> lines_;
    int64_t width_ = 0, height_ = 0;
};

std::vector<std::string> SplitLines(const std::string& text) {
    const std::string lower = AsciiLower(text);
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t at = lower.find(kLineBreak); at != std::string::npos;
         at = lower.find(kLineBreak, start)) {
        lines.push_back(text.substr(start, at - start));
        start = at + kLineBreak.size();
    }
    lines.push_back(text.substr(start));
    return lines;
}

std::string ValidUtf8(const std::string& text) {
    gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    std::string out(valid);
    g_free(valid);
    return out;
}

TextBlock::TextBlock(const std::string& rawText, const WatermarkFont& font,
                     const Settings::Watermark& wm)
    : font_(font), wm_(wm), vector_(wm.textAntialiasing != 0) {
    const std::string text = ValidUtf8(rawText);
    std::vector<std::string> parts = SplitLines(text);
    const size_t maxChars =
        static_cast<size_t>(std::max(1.0, kMaxLineEms / std::max(1.0, font.pixelSize())));

    GObjectPtr<PangoLayout> raster = MakeLayout(font, false);
    GObjectPtr<PangoLayout> vector = vector_ ? MakeLayout(font, true) : nullptr;
    struct Measure {
        int64_t w, h, vw;
    };
    // Texts made of many equal lines (or many empty ones) measure each once.
    std::unordered_map<std::string, Measure> measured;

    lines_.reserve(parts.size());
    for (std::string& part : parts) {
        if (static_cast<size_t>(g_utf8_strlen(part.data(), static_cast<gssize>(part.size()))) >
            maxChars) {
            const char* end = g_utf8_offset_to_pointer(part.data(), static_cast<glong>(maxChars));
            part.resize(static_cast<size_t>(end - part.data()));
        }
        auto found = measured.find(part);
        if (found == measured.end()) {
            Measure m{};
            PangoRectangle logical;
            pango_layout_set_text(raster.get(), part.data(), static_cast<int>(part.size()));
            pango_layout_get_pixel_extents(raster.get(), nullptr, &logical);
            m.w = logical.width;
            m.h = logical.height;
            m.vw = m.w;
            if (vector) {
                pango_layout_set_text(vector.get(), part.data(), static_cast<int>(part.size()));
                pango_layout_get_extents(vector.get(), nullptr, &logical);
                m.vw = std::lround(static_cast<double>(logical.width) / PANGO_SCALE);
            }
            found = measured.emplace(part, m).first;
        }
        Line line;
        line.text = std::move(part);
        line.w = found->second.w;
        line.h = found->second.h;
        line.alignWidth = found->second.vw;
        lines_.push_back(std::move(line));
    }

    const int64_t padding = wm.textPadding;
    const int64_t breaks = static_cast<int64_t>(lines_.size()) - 1;
    if (breaks == 0) {
        width_ = lines_[0].w;
        height_ = lines_[0].h;
        lines_[0].x = padding;
        lines_[0].y = padding;
    } else {
        int64_t tw = kMinLineExtent, th = kMinLineExtent;
        for (const Line& line : lines_) {
            tw = std::max(tw, line.w);
            th = std::max(th, line.h);
        }
        const int64_t step = th + wm.fontLeading;
        width_ = tw;
        height_ = th + breaks * step;
        const int64_t canvasWidth = width_ + 2 * padding;
        int64_t y = padding;
        for (Line& line : lines_) {
            const int64_t lw = line.alignWidth;
            switch (wm.textAlignment) {
            case 0:
                line.x = padding;
                break;
            case 1: {
                // Halves round away from zero.
                const int64_t free = canvasWidth - lw;
                line.x = free >= 0 ? (free + 1) / 2 : -((-free + 1) / 2);
                break;
            }
            case 2:
                line.x = canvasWidth - lw - padding;
                break;
            default:
                line.x = 0;
                break;
            }
            line.y = y;
            y += step;
        }
    }
    width_ += 2 * padding;
    height_ += 2 * padding;
}

void TextBlock::drawLine(cairo_t* cr, const Line& line) const {
    GObjectPtr<PangoLayout> layout = MakeLayout(font_, vector_);
    pango_layout_set_text(layout.get(), line.text.data(), static_cast<int>(line.text.size()));
    cairo_move_to(cr, static_cast<double>(line.x), static_cast<double>(line.y));
    if (font_.pixelSize() <= kOutlineFromPixels) {
        pango_cairo_show_layout(cr, layout.get());
        return;
    }
    pango_cairo_layout_path(cr, layout.get());
    cairo_save(cr);
    if (!vector_)
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_fill(cr);
    cairo_restore(cr);
}

bool TextBlock::paint(cairo_t* cr, const Rect& region) {
    const Rect canvas{0, 0, width_, height_};
    const Rect area = Intersect(canvas, region);
    if (area.empty())
        return true;
    // Glyph ink may reach past a line's measured box (italics, accents).
    const int64_t margin = static_cast<int64_t>(std::ceil(font_.pixelSize())) * 2 + 2;
    const Rect near{area.x - margin, area.y - margin, area.w + 2 * margin, area.h + 2 * margin};
    auto visible = [&near](const Line& line) {
        return !Intersect(Rect{line.x, line.y, std::max<int64_t>(line.w, 1), line.h}, near).empty();
    };

    if (!vector_) {
        // Raster text: the canvas and every line's cell take the background
        // colour at its opacity, the glyphs the text colour at its own.
        const Rgba bg = ParseColorText(wm_.backColor, ClampOpacity(wm_.backOpacity));
        const Rgba fg = ParseColorText(wm_.fontColor, ClampOpacity(wm_.textOpacity));
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        SetSourceColor(cr, bg);
        FillRect(cr, canvas, area);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        for (const Line& line : lines_) {
            if (!visible(line))
                continue;
            SetSourceColor(cr, bg);
            FillRect(cr, Rect{line.x, line.y, line.w, line.h}, near);
            SetSourceColor(cr, fg);
            drawLine(cr, line);
        }
    } else {
        // Vector text: an opaque background and opaque antialiased text,
        // each laid on with its own constant opacity.
        Rgba bg = ParseColorText(wm_.backColor, ClampOpacity(wm_.backOpacity));
        SetSourceColor(cr, bg);
        FillRect(cr, canvas, area);
        cairo_push_group(cr);
        SetSourceColor(cr, ParseColorText(wm_.fontColor, 255));
        for (const Line& line : lines_) {
            if (visible(line))
                drawLine(cr, line);
        }
        cairo_pop_group_to_source(cr);
        cairo_paint_with_alpha(cr, ClampOpacity(wm_.textOpacity) / 255.0);
    }
    return cairo_status(cr) == CAIRO_STATUS_SUCCESS;
}

// ---------------------------------------------------------------------------
// Watermark pictures. Only the part of a picture that can show is decoded:
// a picture far larger than the photograph is cut to the photograph's size
// anyway, and decoding it whole could take gigabytes.

enum class PictureKind { Png, Jpeg, Bmp };

struct PictureInfo {
    PictureKind kind = PictureKind::Png;
    int64_t width = 0, height = 0;
    bool alpha = false; // 32 bits per pixel as loaded
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

uint32_t Le32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// Checks a BMP header before FreeImage sees the file: a sane size and, for
// uncompressed pixels, a file long enough to hold them (a truncated one
// would otherwise load with garbage rows).
bool ProbeBmp(FILE* file, int64_t fileSize, PictureInfo* info) {
    uint8_t h[54] = {};
    if (std::fread(h, 1, 26, file) != 26 || h[0] != 'B' || h[1] != 'M')
        return false;
    const uint32_t offset = Le32(h + 10);
    const uint32_t dibSize = Le32(h + 14);
    int64_t width = 0, height = 0;
    unsigned bpp = 0, compression = 0;
    if (dibSize == 12) {
        width = Le16(h + 18);
        height = Le16(h + 20);
        bpp = Le16(h + 24);
    } else if (dibSize >= 40) {
        if (std::fread(h + 26, 1, 28, file) != 28)
            return false;
        width = static_cast<int32_t>(Le32(h + 18));
        height = static_cast<int32_t>(Le32(h + 22));
        bpp = Le16(h + 28);
        compression = Le32(h + 30);
    } else {
        return false;
    }
    height = std::llabs(height); // negative heights store rows top-down
    if (width <= 0 || height == 0 || width * height > kMaxBmpPixels)
        return false;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return false;
    constexpr unsigned kRgb = 0, kBitFields = 3;
    if (compression == kRgb || compression == kBitFields) {
        const int64_t rowBytes = (width * bpp + 31) / 32 * 4;
        if (static_cast<int64_t>(offset) + rowBytes * height > fileSize)
            return false;
    }
    info->kind = PictureKind::Bmp;
    info->width = width;
    info->height = height;
    info->alpha = bpp == 32;
    return true;
}

bool ReadBmp(const std::string& path, const PictureInfo& info, const RegionSink& sink) {
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
    // Empty when the file is missing or is no PNG, JPEG or BMP picture.
    static std::unique_ptr<PictureSource> Open(const Settings::Watermark& wm) {
        std::optional<PictureInfo> info = ProbePicture(wm.image);
        if (!info)
            return nullptr;
        return std::unique_ptr<PictureSource>(new PictureSource(wm, *info));
    }

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

  private:
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

// ---------------------------------------------------------------------------
// Rotation, fitting and placing.

struct Rotation {
    double c = 1, s = 0;
    bool exact = true; // a multiple of 90 degrees: pixels map one to one
};

// The rotation for a setting; none unless strictly between 0 and 360.
std::optional<Rotation> RotationFor(int32_t degrees) {
    if (degrees <= 0 || degrees >= 360)
        return std::nullopt;
    switch (degrees) {
    case 90:
        return Rotation{0, 1, true};
    case 180:
        return Rotation{-1, 0, true};
    case 270:
        return Rotation{0, -1, true};
    default: {
        const double radians = degrees * M_PI / 180.0;
        return Rotation{std::cos(radians), std::sin(radians), false};
    }
    }
}

// The size of the rotated canvas: the bounding box of the turned rectangle.
void RotatedSize(const Rotation& r, int64_t w, int64_t h, int64_t* rw, int64_t* rh) {
    if (r.exact) {
        const bool quarter = r.c == 0;
        *rw = quarter ? h : w;
        *rh = quarter ? w : h;
        return;
    }
    const double c = std::fabs(r.c), s = std::fabs(r.s);
    *rw = static_cast<int64_t>(
        std::ceil(c * static_cast<double>(w) + s * static_cast<double>(h) - 1e-6));
    *rh = static_cast<int64_t>(
        std::ceil(s * static_cast<double>(w) + c * static_cast<double>(h) - 1e-6));
}

// Canvas coordinates to rotated-canvas coordinates: a counter-clockwise turn
// (as seen, rows running down) about the canvas centre, which lands on the
// centre of the rotated canvas.
cairo_matrix_t CanvasToRotated(const Rotation& r, int64_t w, int64_t h, int64_t rw, int64_t rh) {
    const double cx = static_cast<double>(w) / 2, cy = static_cast<double>(h) / 2;
    const double rcx = static_cast<double>(rw) / 2, rcy = static_cast<double>(rh) / 2;
    cairo_matrix_t m;
    cairo_matrix_init(&m, r.c, -r.s, r.s, r.c, rcx - r.c * cx - r.s * cy,
                      rcy + r.s * cx - r.c * cy);
    return m;
}

// The canvas part that lands in the rotated canvas's top-left fw x fh,
// with a little room for the interpolation at its edges.
Rect CanvasPartFor(const cairo_matrix_t& toRotated, int64_t fw, int64_t fh, int64_t w, int64_t h) {
    cairo_matrix_t back = toRotated;
    if (cairo_matrix_invert(&back) != CAIRO_STATUS_SUCCESS)
        return Rect{};
    double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
    const double cornersX[] = {0, static_cast<double>(fw)};
    const double cornersY[] = {0, static_cast<double>(fh)};
    for (double cxr : cornersX) {
        for (double cyr : cornersY) {
            double x = cxr, y = cyr;
            cairo_matrix_transform_point(&back, &x, &y);
            x0 = std::min(x0, x), y0 = std::min(y0, y);
            x1 = std::max(x1, x), y1 = std::max(y1, y);
        }
    }
    const int64_t left = static_cast<int64_t>(std::floor(x0)) - 2;
    const int64_t top = static_cast<int64_t>(std::floor(y0)) - 2;
    const int64_t right = static_cast<int64_t>(std::ceil(x1)) + 2;
    const int64_t bottom = static_cast<int64_t>(std::ceil(y1)) + 2;
    return Intersect(Rect{left, top, right - left, bottom - top}, Rect{0, 0, w, h});
}

// The top-left fw x fh of the (rotated) watermark as a 32-bit bitmap.
Bitmap RenderOverlay(Source& source, const std::optional<Rotation>& rotation, int64_t rw,
                     int64_t rh, int64_t fw, int64_t fh) {
    Surface target = Surface::Create(static_cast<int>(fw), static_cast<int>(fh));
    if (!target)
        return Bitmap();
    if (!rotation) {
        Context cr(target);
        if (!cr || !source.paint(cr.get(), Rect{0, 0, fw, fh}) || !cr.ok())
            return Bitmap();
        return SurfaceToBitmap(target);
    }
    const cairo_matrix_t toRotated =
        CanvasToRotated(*rotation, source.width(), source.height(), rw, rh);
    const Rect part = CanvasPartFor(toRotated, fw, fh, source.width(), source.height());
    if (!part.empty()) {
        Surface canvas = Surface::Create(static_cast<int>(part.w), static_cast<int>(part.h));
        Context pc(canvas);
        if (!pc)
            return Bitmap();
        cairo_translate(pc.get(), static_cast<double>(-part.x), static_cast<double>(-part.y));
        if (!source.paint(pc.get(), part) || !pc.ok())
            return Bitmap();
        Context tc(target);
        if (!tc)
            return Bitmap();
        cairo_set_matrix(tc.get(), &toRotated);
        cairo_set_source_surface(tc.get(), canvas.get(), static_cast<double>(part.x),
                                 static_cast<double>(part.y));
        cairo_pattern_set_filter(cairo_get_source(tc.get()),
                                 rotation->exact ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_BILINEAR);
        cairo_paint(tc.get());
        if (!tc.ok())
            return Bitmap();
    }
    return SurfaceToBitmap(target);
}

struct Anchor {
    int32_t ox = 0, oy = 0;
    uint8_t boundary = 0, position = 0;
    int32_t rotation = 0;
};

Anchor TextAnchor(const Settings::Watermark& wm) {
    return Anchor{wm.textXOffset, wm.textYOffset, wm.textBoundary, wm.textPosition,
                  wm.textRotation};
}

Anchor PictureAnchor(const Settings::Watermark& wm) {
    return Anchor{wm.imageXOffset, wm.imageYOffset, wm.imageBoundary, wm.imagePosition,
                  wm.imageRotation};
}

struct Placement {
    int64_t x = 0, y = 0, w = 0, h = 0;
};

// Cuts a w x h watermark to the available area less the offsets and places
// it. Empty when it is cut to nothing or would not lie wholly inside the
// W x H picture, in which case it is left out.
std::optional<Placement> Place(int64_t w, int64_t h, int width, int height,
                               const Settings& settings, const Anchor& a) {
    const Settings::Frame& f = settings.frame;
    const bool insideFrame = f.doFrame != 0 && a.boundary == 1;
    int64_t aw = width, ah = height;
    if (insideFrame) {
        aw -= static_cast<int64_t>(f.solidLeft) + f.solidRight;
        ah -= static_cast<int64_t>(f.solidTop) + f.solidBottom;
    }
    const int64_t ox = a.ox, oy = a.oy;
    bool cut = false;
    if (w + ox > aw) {
        w = aw - ox;
        cut = true;
    }
    if (h + oy > ah) {
        h = ah - oy;
        cut = true;
    }
    if (cut && (w <= 0 || h <= 0))
        return std::nullopt;

    // Integer division truncates toward zero, as C++'s does.
    const int64_t centreX = (aw - w) / 2, centreY = (ah - h) / 2;
    const int64_t rightX = aw - w - ox, bottomY = ah - h - oy;
    int64_t x = 0, y = 0;
    switch (a.position) {
    case 0:
        x = ox, y = oy;
        break;
    case 1:
        x = centreX, y = oy;
        break;
    case 2:
        x = rightX, y = oy;
        break;
    case 3:
        x = ox, y = centreY;
        break;
    case 4:
        x = centreX, y = centreY;
        break;
    case 5:
        x = rightX, y = centreY;
        break;
    case 6:
        x = ox, y = bottomY;
        break;
    case 7:
        x = centreX, y = bottomY;
        break;
    case 8:
        x = rightX, y = bottomY;
        break;
    default:
        break;
    }
    if (insideFrame) {
        x += f.solidLeft;
        y += f.solidTop;
    }
    if (x < 0 || y < 0 || x + w > width || y + h > height)
        return std::nullopt;
    return Placement{x, y, w, h};
}

// The watermark reaches the picture through FreeImage_Paste at alpha 255
// onto a zeroed canvas, which scales every channel by 255/256. The same
// paste onto a zeroed bitmap of the watermark's size gives the same pixels
// without a picture-sized canvas.
Bitmap AsPasted(const Bitmap& overlay) {
    if (!overlay)
        return Bitmap();
    Bitmap canvas(FreeImage_Allocate(static_cast<int>(overlay.width()),
                                     static_cast<int>(overlay.height()), 32, FI_RGBA_RED_MASK,
                                     FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK));
    if (!canvas || !FreeImage_Paste(canvas.get(), overlay.get(), 0, 0, 255))
        return Bitmap();
    return canvas;
}

} // namespace

std::string ExpandWatermarkText(const Settings& settings, const AppState& state) {
    const std::string& setting = settings.watermark.text;
    if (std::count(setting.begin(), setting.end(), '%') < 2)
        return setting;
    AppState values = state;
    values.outputBitDepth = SavedBitDepth(state);
    // One reading of the clock for the whole text, so that a text made at
    // midnight cannot mix two dates.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const std::string lower = AsciiLower(setting);
    std::string text = setting;
    for (const char* placeholder : Placeholders()) {
        if (lower.find(placeholder) != std::string::npos)
            text = ExpandPlaceholder(text, placeholder, values, &local);
    }
    return text;
}

struct WatermarkRenderer::Impl {
    const Settings& settings;
    const WatermarkFont* font;

    std::string laidOutText;
    std::unique_ptr<TextBlock> text;
    bool pictureOpened = false;
    std::unique_ptr<PictureSource> picture;

    // The finished overlay of the last file, reused while nothing it
    // depends on changes.
    struct Finished {
        bool valid = false;
        std::string text;
        int width = 0, height = 0;
        Bitmap overlay; // null: the watermark was left out
        int x = 0, y = 0;
    } last;

    Impl(const Settings& s, const WatermarkFont* f) : settings(s), font(f) {}
    Source* source(const AppState& state, std::string* key);
};

Source* WatermarkRenderer::Impl::source(const AppState& state, std::string* key) {
    const Settings::Watermark& wm = settings.watermark;
    if (wm.doWatermark == 1) {
        if (font == nullptr)
            return nullptr;
        *key = ExpandWatermarkText(settings, state);
        if (!text || *key != laidOutText) {
            text = std::make_unique<TextBlock>(*key, *font, wm);
            laidOutText = *key;
        }
        return text.get();
    }
    if (!pictureOpened) {
        picture = PictureSource::Open(wm);
        pictureOpened = true;
    }
    return picture.get();
}

WatermarkRenderer::WatermarkRenderer(const Settings& settings, const WatermarkFont* font)
    : impl_(std::make_unique<Impl>(settings, font)) {}

WatermarkRenderer::~WatermarkRenderer() = default;

Bitmap WatermarkRenderer::draw(Bitmap in, int width, int height, const AppState& state) {
    const Settings::Watermark& wm = impl_->settings.watermark;
    if (wm.doWatermark == 0 || !in)
        return in;
    bool ok = false;
    Bitmap picture = ToPicture24(std::move(in), &ok);
    if (!ok || (wm.doWatermark != 1 && wm.doWatermark != 2) || width <= 0 || height <= 0)
        return picture;

    std::string key;
    Source* source = impl_->source(state, &key);
    if (source == nullptr || source->width() <= 0 || source->height() <= 0)
        return picture;

    Impl::Finished& last = impl_->last;
    if (!last.valid || last.text != key || last.width != width || last.height != height) {
        last = Impl::Finished{};
        const Anchor anchor = wm.doWatermark == 1 ? TextAnchor(wm) : PictureAnchor(wm);
        const std::optional<Rotation> rotation = RotationFor(anchor.rotation);
        int64_t rw = source->width(), rh = source->height();
        if (rotation)
            RotatedSize(*rotation, source->width(), source->height(), &rw, &rh);
        if (const std::optional<Placement> place =
                Place(rw, rh, width, height, impl_->settings, anchor)) {
            last.overlay = AsPasted(RenderOverlay(*source, rotation, rw, rh, place->w, place->h));
            last.x = static_cast<int>(place->x);
            last.y = static_cast<int>(place->y);
        }
        last.valid = true;
        last.text = std::move(key);
        last.width = width;
        last.height = height;
    }
    if (last.overlay)
        CompositeOver(picture, last.overlay, last.x, last.y);
    return picture;
}

Bitmap DrawWatermark(Bitmap in, int width, int height, const Settings& settings,
                     const AppState& state, const WatermarkFont* font) {
    WatermarkRenderer renderer(settings, font);
    return renderer.draw(std::move(in), width, height, state);
}

} // namespace dravik
