// Makes the seed inputs of the fuzz targets: small files of each format the
// parsers read, mostly well-formed, a few just off. Pictures, archives, the
// raw hand-over and config.ini come from the same writers the program and its
// libraries use, so the seeds follow the formats when these change.
//
// dravik_fuzz_seeds <folder> replaces <folder>/<target>/ for every target.

#include "batch/option_table.h"
#include "engine/raw_bitmap.h"
#include "settings/config_file.h"
#include "themes/image_slots.h"

#include <FreeImage.h>
#include <archive.h>
#include <archive_entry.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <jpeglib.h>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace {

using namespace dravik;
namespace fs = std::filesystem;

bool failed = false;

void Fail(const std::string& what) {
    std::fprintf(stderr, "dravik_fuzz_seeds: %s\n", what.c_str());
    failed = true;
}

class Seeds {
  public:
    explicit Seeds(fs::path root) : root_(std::move(root)) {}

    fs::path path(const std::string& target, const std::string& name) const {
        std::error_code ec;
        fs::create_directories(root_ / target, ec);
        return root_ / target / name;
    }

    void put(const std::string& target, const std::string& name, const std::string& bytes) const {
        if (bytes.empty()) {
            Fail(target + "/" + name + ": nothing to write");
            return;
        }
        std::ofstream out(path(target, name), std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out)
            Fail(target + "/" + name + ": cannot be written");
    }

  private:
    fs::path root_;
};

// --- pictures ---------------------------------------------------------------

struct Dib {
    FIBITMAP* dib;
    explicit Dib(FIBITMAP* d) : dib(d) {}
    ~Dib() {
        if (dib != nullptr)
            FreeImage_Unload(dib);
    }
    Dib(const Dib&) = delete;
    Dib& operator=(const Dib&) = delete;
};

// A picture with something in every channel: gradients across, a grey ramp
// as the palette of indexed depths.
FIBITMAP* Pattern(int w, int h, int bpp) {
    FIBITMAP* dib = bpp == 16 ? FreeImage_Allocate(w, h, 16, FI16_565_RED_MASK, FI16_565_GREEN_MASK,
                                                   FI16_565_BLUE_MASK)
                              : FreeImage_Allocate(w, h, bpp);
    if (dib == nullptr)
        return nullptr;
    if (bpp <= 8) {
        RGBQUAD* palette = FreeImage_GetPalette(dib);
        const unsigned colours = 1u << bpp;
        for (unsigned i = 0; i < colours; ++i) {
            const auto v = static_cast<BYTE>(i * 255 / (colours - 1));
            palette[i] = RGBQUAD{v, v, v, 0};
        }
    }
    for (int y = 0; y < h; ++y) {
        BYTE* line = FreeImage_GetScanLine(dib, y);
        for (int x = 0; x < w; ++x) {
            const auto r = static_cast<BYTE>(x * 255 / (w > 1 ? w - 1 : 1));
            const auto g = static_cast<BYTE>(y * 255 / (h > 1 ? h - 1 : 1));
            const auto b = static_cast<BYTE>((x + y) * 8);
            switch (bpp) {
            case 1:
                if ((x + y) % 2 != 0)
                    line[x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
                break;
            case 4:
                line[x / 2] |= static_cast<BYTE>((x % 2 == 0 ? (x + y) % 16 << 4 : (x + y) % 16));
                break;
            case 8:
                line[x] = static_cast<BYTE>(x * 16 + y);
                break;
            case 16: {
                const auto p = static_cast<WORD>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
                line[x * 2] = static_cast<BYTE>(p & 0xFF);
                line[x * 2 + 1] = static_cast<BYTE>(p >> 8);
                break;
            }
            default: {
                BYTE* p = line + x * (bpp / 8);
                p[FI_RGBA_RED] = r;
                p[FI_RGBA_GREEN] = g;
                p[FI_RGBA_BLUE] = b;
                if (bpp == 32)
                    p[FI_RGBA_ALPHA] = static_cast<BYTE>(255 - (x * 255 / (w > 1 ? w - 1 : 1)));
            }
            }
        }
    }
    return dib;
}

std::string Encode(FREE_IMAGE_FORMAT format, FIBITMAP* dib, int flags = 0) {
    if (dib == nullptr)
        return {};
    FIMEMORY* memory = FreeImage_OpenMemory();
    std::string bytes;
    if (FreeImage_SaveToMemory(format, dib, memory, flags)) {
        BYTE* data = nullptr;
        DWORD size = 0;
        if (FreeImage_AcquireMemory(memory, &data, &size))
            bytes.assign(reinterpret_cast<const char*>(data), size);
    }
    FreeImage_CloseMemory(memory);
    return bytes;
}

std::string EncodePattern(FREE_IMAGE_FORMAT format, int w, int h, int bpp, int flags = 0) {
    Dib dib(Pattern(w, h, bpp));
    return Encode(format, dib.dib, flags);
}

// Every PNG colour type and depth libpng is asked to expand.
std::vector<std::pair<std::string, std::string>> PngSeeds() {
    std::vector<std::pair<std::string, std::string>> seeds = {
        {"rgba.png", EncodePattern(FIF_PNG, 16, 12, 32)},
        {"rgb.png", EncodePattern(FIF_PNG, 12, 10, 24)},
        {"grey.png", EncodePattern(FIF_PNG, 9, 7, 8)},
        {"mono.png", EncodePattern(FIF_PNG, 13, 5, 1)},
        {"interlaced.png", EncodePattern(FIF_PNG, 19, 17, 24, PNG_INTERLACED)},
        {"large.png", EncodePattern(FIF_PNG, 130, 90, 24, PNG_Z_BEST_SPEED)},
    };
    {
        Dib dib(Pattern(10, 6, 4));
        BYTE alpha[16];
        for (int i = 0; i < 16; ++i)
            alpha[i] = static_cast<BYTE>(i * 17);
        FreeImage_SetTransparencyTable(dib.dib, alpha, 16);
        seeds.emplace_back("palette_trns.png", Encode(FIF_PNG, dib.dib));
    }
    for (auto [name, type] : {std::pair{"grey16.png", FIT_UINT16}, {"rgba16.png", FIT_RGBA16}}) {
        Dib dib(FreeImage_AllocateT(type, 6, 5));
        if (dib.dib != nullptr) {
            const unsigned line = FreeImage_GetLine(dib.dib);
            for (unsigned y = 0; y < 5; ++y) {
                BYTE* p = FreeImage_GetScanLine(dib.dib, static_cast<int>(y));
                for (unsigned i = 0; i < line; ++i)
                    p[i] = static_cast<BYTE>(i * 29 + y * 7);
            }
        }
        seeds.emplace_back(name, Encode(FIF_PNG, dib.dib));
    }
    return seeds;
}

// A CMYK JPEG as Adobe's programs write it (inverted, with the Adobe
// marker), which FreeImage cannot save.
std::string CmykJpeg(int w, int h) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(w);
    cinfo.image_height = static_cast<JDIMENSION>(h);
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 80, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(w) * 4);
    while (cinfo.next_scanline < cinfo.image_height) {
        for (int x = 0; x < w; ++x) {
            row[x * 4] = static_cast<JSAMPLE>(x * 10);
            row[x * 4 + 1] = static_cast<JSAMPLE>(cinfo.next_scanline * 10);
            row[x * 4 + 2] = 128;
            row[x * 4 + 3] = 200;
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::string bytes(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return bytes;
}

// A 24-bit BMP written by hand, for the layouts FreeImage never writes: rows
// stored top-down (negative height) and the old OS/2 header of 12 bytes.
std::string HandBmp(int w, int h, bool topDown, bool os2) {
    const uint32_t rowBytes = (static_cast<uint32_t>(w) * 3 + 3) / 4 * 4;
    const uint32_t dibSize = os2 ? 12 : 40;
    const uint32_t offset = 14 + dibSize;
    std::string b;
    auto u16 = [&b](uint32_t v) {
        b += static_cast<char>(v & 0xFF);
        b += static_cast<char>((v >> 8) & 0xFF);
    };
    auto u32 = [&u16](uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    b += "BM";
    u32(offset + rowBytes * static_cast<uint32_t>(h));
    u32(0);
    u32(offset);
    u32(dibSize);
    if (os2) {
        u16(static_cast<uint32_t>(w));
        u16(static_cast<uint32_t>(h));
        u16(1);
        u16(24);
    } else {
        u32(static_cast<uint32_t>(w));
        u32(static_cast<uint32_t>(topDown ? -h : h));
        u16(1);
        u16(24);
        u32(0);
        u32(rowBytes * static_cast<uint32_t>(h));
        u32(2835);
        u32(2835);
        u32(0);
        u32(0);
    }
    for (int y = 0; y < h; ++y) {
        std::string row(rowBytes, '\0');
        for (int x = 0; x < w; ++x) {
            row[x * 3] = static_cast<char>(x * 20);
            row[x * 3 + 1] = static_cast<char>(y * 20);
            row[x * 3 + 2] = static_cast<char>(200);
        }
        b += row;
    }
    return b;
}

// FreeImage writes RLE pixels with the image size field left at 0 and a
// wrong file size; other writers fill both in, and some readers check them.
std::string WithRleSizes(std::string bmp) {
    if (bmp.size() < 54)
        return {};
    auto put32 = [&bmp](size_t at, size_t v) {
        for (int i = 0; i < 4; ++i)
            bmp[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    const size_t offset = static_cast<uint8_t>(bmp[10]) | static_cast<uint8_t>(bmp[11]) << 8;
    put32(2, bmp.size());
    put32(34, bmp.size() - offset);
    return bmp;
}

std::vector<std::pair<std::string, std::string>> WatermarkSeeds() {
    std::vector<std::pair<std::string, std::string>> seeds = PngSeeds();
    std::vector<std::pair<std::string, std::string>> more = {
        {"rgb.jpg", EncodePattern(FIF_JPEG, 40, 30, 24, JPEG_QUALITYNORMAL)},
        {"progressive.jpg", EncodePattern(FIF_JPEG, 33, 21, 24, JPEG_PROGRESSIVE)},
        {"grey.jpg", EncodePattern(FIF_JPEG, 17, 9, 8)},
        {"wide.jpg", EncodePattern(FIF_JPEG, 150, 20, 24, JPEG_QUALITYBAD)},
        {"cmyk.jpg", CmykJpeg(16, 8)},
        {"mono.bmp", EncodePattern(FIF_BMP, 21, 7, 1)},
        {"nibbles.bmp", EncodePattern(FIF_BMP, 11, 6, 4)},
        {"indexed.bmp", EncodePattern(FIF_BMP, 15, 9, 8)},
        {"rle8.bmp", WithRleSizes(EncodePattern(FIF_BMP, 24, 8, 8, BMP_SAVE_RLE))},
        {"bitfields565.bmp", EncodePattern(FIF_BMP, 7, 5, 16)},
        {"rgb.bmp", EncodePattern(FIF_BMP, 10, 7, 24)},
        {"rgba.bmp", EncodePattern(FIF_BMP, 9, 9, 32)},
        {"topdown.bmp", HandBmp(6, 4, true, false)},
        {"os2.bmp", HandBmp(5, 3, false, true)},
    };
    seeds.insert(seeds.end(), more.begin(), more.end());
    return seeds;
}

void RawBitmapSeeds(const Seeds& seeds) {
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        Dib dib(Pattern(7 + bpp % 5, 3 + bpp % 4, bpp));
        const fs::path path = seeds.path("raw_bitmap", "depth" + std::to_string(bpp) + ".raw");
        if (!WriteRawBitmap(dib.dib, path.string()))
            Fail(path.string() + ": cannot be written");
    }
}

// --- theme archives ---------------------------------------------------------

using Entries = std::vector<std::pair<std::string, std::string>>;

std::string Zip(const Entries& entries, bool stored) {
    archive* a = archive_write_new();
    archive_write_set_format_zip(a);
    if (stored)
        archive_write_set_options(a, "zip:compression=store");
    std::vector<char> buffer(size_t{1} << 20);
    size_t used = 0;
    std::string bytes;
    if (archive_write_open_memory(a, buffer.data(), buffer.size(), &used) == ARCHIVE_OK) {
        bool ok = true;
        for (const auto& [name, data] : entries) {
            archive_entry* entry = archive_entry_new();
            archive_entry_set_pathname(entry, name.c_str());
            archive_entry_set_size(entry, static_cast<la_int64_t>(data.size()));
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_perm(entry, 0644);
            ok = ok && archive_write_header(a, entry) == ARCHIVE_OK &&
                 archive_write_data(a, data.data(), data.size()) ==
                     static_cast<la_ssize_t>(data.size());
            archive_entry_free(entry);
        }
        if (archive_write_close(a) == ARCHIVE_OK && ok)
            bytes.assign(buffer.data(), used);
    }
    archive_write_free(a);
    return bytes;
}

// A theme.cfg naming a picture for every slot, by base name (the loader
// adds the size) or, for the first button, by the entry's full name.
std::string ThemeConfig(const char* eol) {
    std::string text = std::string("[Theme]") + eol + "Name=Fuzz Seed" + eol + eol;
    text += std::string("[Buttons]") + eol;
    bool first = true;
    for (const SlotName& slot : LargeButtonSlots()) {
        text += std::string(slot.name) + "=" + (first ? "pictures/Big.PNG" : "big") + eol;
        first = false;
    }
    text += std::string(eol) + "[Icons]" + eol;
    for (const SlotName& slot : SmallIconSlots())
        text += std::string(slot.name) + "=icon" + eol;
    return text;
}

void ThemeSeeds(const Seeds& seeds) {
    const std::string config = ThemeConfig("\r\n");
    const std::string icon16 = EncodePattern(FIF_PNG, 16, 16, 32);
    const std::string icon24 = EncodePattern(FIF_PNG, 24, 24, 24);
    const Entries full = {{"theme.cfg", config},
                          {"pictures/Big.PNG", EncodePattern(FIF_PNG, 20, 16, 24)},
                          {"big_16.png", icon16},
                          {"icon_16.png", icon16},
                          {"icon_24.png", icon24}};
    seeds.put("theme_archive", "deflated.zip", Zip(full, false));
    seeds.put("theme_archive", "stored.zip", Zip(full, true));
    seeds.put("theme_archive", "config_only.zip", Zip({{"theme.cfg", config}}, false));
    seeds.put("theme_archive", "config_last.zip",
              Zip({{"icon_16.png", icon16}, {"theme.cfg", config}}, true));
    seeds.put("theme_archive", "not_a_png.zip",
              Zip({{"theme.cfg", config}, {"icon_16.png", "\x89PNG\r\n\x1a\nshort"}}, true));

    seeds.put("theme_cfg", "crlf.cfg", config);
    seeds.put("theme_cfg", "lf.cfg", ThemeConfig("\n"));
    seeds.put("theme_cfg", "loose.cfg",
              "[theme]\r\nname = \t Loose = ignored\r\nNameX=1\r\n[Icons\r\nNew\r\n[Icons]\r\n"
              "NEW=\tnew.png\t\r\nAdd=");
    seeds.put("theme_cfg", "own_lookup.cfg", std::string("Icons\0New\0[Icons]\r\nNew=x=y\r\n", 27));
    seeds.put("theme_cfg", "broken_utf8.cfg", "[Theme]\r\nName=\xC3\x28\xE2\x82\r\n\xF0\x9F\x98");
}

// --- text formats -----------------------------------------------------------

std::string JoinAtNul(std::initializer_list<std::string> parts) {
    std::string joined;
    for (const std::string& part : parts) {
        if (!joined.empty())
            joined += '\0';
        joined += part;
    }
    return joined;
}

void OptionSeeds(const Seeds& seeds) {
    // Every option of the table once, with a value where it takes one.
    std::string all;
    std::string profile = "[CLI]\r\n";
    for (const OptionSpec& option : OptionTable()) {
        const bool needsValue = option.kind != OptionKind::Switch;
        const bool separate = option.action == OptionAction::Input ||
                              option.action == OptionAction::Output ||
                              option.action == OptionAction::Conversion;
        std::string value = option.kind == OptionKind::Token ? "BICUBIC" : "7";
        if (option.action == OptionAction::Profile)
            value = "/nonexistent/profile.ini";
        all += option.name;
        if (needsValue && separate)
            all += std::string(1, '\0') + value;
        else if (needsValue)
            all += "=" + value;
        all += '\0';
        if (option.inProfile)
            profile += std::string(option.profileKey != nullptr ? option.profileKey : option.name) +
                       " = " + value + "\r\n";
    }
    seeds.put("option_scan", "every_option", all);
    seeds.put("ini_reader", "profile_every_key.ini", profile);
    seeds.put("option_scan", "short_forms",
              JoinAtNul({"-i", "in.pict", "-o", "out/", "-c", "jpg", "-d", "-q", "-p"}));
    seeds.put("option_scan", "joined_quotes",
              JoinAtNul({"--filename-mask=\"%name%", "and", "more\"", "--wm-text=\"open", "-x"}));
    seeds.put("option_scan", "typos",
              JoinAtNul({"--quality=85", "-quality", "85", "--resize-algorithm=LANCOZ",
                         "--jpg-quality=85x", "--", "-", "--=", "  --ROTATION = 90 "}));
    seeds.put("option_scan", "missing_values", JoinAtNul({"--input", "--output=", "-o", "-c"}));
}

void IniSeeds(const Seeds& seeds) {
    Settings settings;
    ApplyDefaults(settings, false, {1920, 1080, 0});
    seeds.put("ini_reader", "config_defaults.ini", ConfigText(settings));
    seeds.put("ini_reader", "config_v10.ini",
              "[General]\r\nCFG=10\r\nLanguage=Deutsch\r\n[Input]\r\nRAW Load As=1\r\n"
              "PSD Color Model=2\r\n[Output]\r\nTIFF Color Model=3\r\nJPG Quality=85\r\n"
              "[Advanced]\r\nFilename Mask=%name%\r\n");
    seeds.put("ini_reader", "profile.ini",
              "\xEF\xBB\xBF[cli]\r\n--jpg-quality = 80\r\n--ROTATION = 90\r\n"
              "--WM-IMAGE =  /w.png  \r\n--resize-algorithm =  bicubic \r\n"
              "--filename-mask = \" %filename% \"\r\n--unknown = 1\r\n");
    seeds.put("ini_reader", "latin1.ini",
              "[General]\nLanguage=Fran\xE7"
              "ais\n[Advanced]\nFilename Mask=\xE9t\xE9_%name%\n");
    seeds.put("ini_reader", "broken_utf8.ini",
              "\xEF\xBB\xBF[General]\r\nLanguage=\xC3\x28\xF0\x9F\r\nCFG=\xED\xA0\x80\r\n");
    seeds.put("ini_reader", "odd_lines.ini",
              "key before=1\r\n[  Spaced  ]\r\n = empty key\r\n[unterminated\r\nkey\r\n;note\r\n"
              "[Window]\r\nLeft=-2147483649\r\nTop=99999999999\r\nWidth=1e308\r\n[General]\r\n"
              "CFG=-5\r\nUpdate Date=x\r\n[General]\r\nCFG=19\r\n");
}

void ListSeeds(const Seeds& seeds) {
    seeds.put("list_file", "plain.lst", "a.pict\r\n  b c.pict \t\n\n/abs/d.pic");
    seeds.put("list_file", "utf8_mark.lst", "\xEF\xBB\xBF/photos/\xC3\xA9t\xC3\xA9.pict\r\n");
    auto utf16 = [](const std::u16string& text, bool big) {
        std::string bytes = big ? "\xFE\xFF" : "\xFF\xFE";
        for (char16_t unit : text) {
            const auto hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
            bytes += big ? hi : lo;
            bytes += big ? lo : hi;
        }
        return bytes;
    };
    const std::u16string text = u"a.pict\r\n\U0001D11E.pict\n\u00E9t\u00E9\n";
    seeds.put("list_file", "utf16le.lst", utf16(text, false));
    seeds.put("list_file", "utf16be.lst", utf16(text, true));
    // An unpaired high surrogate, a lone low one and an odd last byte.
    seeds.put("list_file", "utf16_broken.lst",
              utf16(std::u16string(u"x") + char16_t(0xD834) + u"y\n" + char16_t(0xDD1E), false) +
                  "z");
    seeds.put("list_file", "nul_line.lst", std::string("ok.pict\nbad\0.pict\nlast.pict\n", 27));
}

void SettingListSeeds(const Seeds& seeds) {
    seeds.put("setting_lists", "colours",
              JoinAtNul({"FFFFFF,000000, ff0000 ,nonsense,,00FF00,ffffff", "00ff00", "5"}));
    seeds.put("setting_lists", "fonts",
              JoinAtNul({"Arial, Times New Roman,,Arial ,DejaVu Sans", "Courier New", "2"}));
    seeds.put("setting_lists", "history",
              JoinAtNul({"/out/a/\t /out/B/ \t\t/out/c", "/OUT/b/", "10"}));
}

void UpdateSeeds(const Seeds& seeds) {
    seeds.put("update_answer", "newer", "HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\n311");
    seeds.put("update_answer", "padded", "HTTP/1.1 200 OK\r\n\r\n\t 310 more\r\n\r\nrest");
    seeds.put("update_answer", "not_found",
              "HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n\r\n<html></html>");
    seeds.put("update_answer", "negative", "HTTP/1.0 200 OK\r\n\r\n-12");
    seeds.put("update_answer", "headers_only", "HTTP/1.0 200 OK\r\nServer: x\r\n");
    seeds.put("update_answer", "nul",
              std::string("HTTP/1.0 200 OK\r\n\r\n3\0"
                          "11",
                          23));
    seeds.put("update_answer", "url", "http://user@[::1]:8080/path/version.txt?x#y");
}

// A version 1 picture with one unpacked 1-bit BitsRect, alone and behind the
// 512-byte preamble: the reader's fuzz target starts from both layouts, and
// the pictures the reader's own tests and the shared corpus add come next.
void PictSeeds(const Seeds& seeds) {
    const std::string rect("\0\0\0\0\0\2\0\x08", 8);
    std::string v1 = std::string("\0\0", 2) + rect + "\x11\x01" + "\x90" +
                     std::string("\0\1", 2) + rect + rect + rect + std::string("\0\0", 2) +
                     "\xAA\x55" + "\xFF";
    seeds.put("pict_reader", "v1-bitsrect.pict", v1);
    seeds.put("pict_reader", "v1-bitsrect-preamble.pict", std::string(512, '\0') + v1);
}

void InstanceRequestSeeds(const Seeds& seeds) {
    seeds.put("instance_request", "raise", "RAISE\n");
    seeds.put("instance_request", "open_paths",
              "OPEN /home/u/a b.pic\nOPEN /x/100%25 %0A\xC3\xA9.pict\nOPEN \xFF\nRAISE");
    seeds.put("instance_request", "broken_escape", "OPEN /a.pic\nOPEN %G1\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: dravik_fuzz_seeds <folder>\n");
        return 2;
    }
    const fs::path root = argv[1];
    std::error_code ec;
    for (const char* target :
         {"ini_reader", "option_scan", "list_file", "theme_cfg", "theme_archive", "theme_png",
          "update_answer", "watermark_picture", "raw_bitmap", "setting_lists", "pict_reader",
          "instance_request"})
        fs::remove_all(root / target, ec);

    const Seeds seeds(root);
    for (const auto& [name, bytes] : PngSeeds())
        seeds.put("theme_png", name, bytes);
    for (const auto& [name, bytes] : WatermarkSeeds())
        seeds.put("watermark_picture", name, bytes);
    RawBitmapSeeds(seeds);
    ThemeSeeds(seeds);
    OptionSeeds(seeds);
    IniSeeds(seeds);
    ListSeeds(seeds);
    SettingListSeeds(seeds);
    UpdateSeeds(seeds);
    PictSeeds(seeds);
    InstanceRequestSeeds(seeds);
    return failed ? 1 : 0;
}
