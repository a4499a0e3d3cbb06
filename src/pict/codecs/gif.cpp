// 'gif ' through giflib, reading from the picture's bytes in memory: the
// first image of the file on its logical screen, transparent pixels and the
// screen around the image left white, the canvas's colour.
#include "pict/codecs/codecs.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace dravik::pict {
namespace {

struct Memory {
    std::span<const uint8_t> data;
    size_t pos = 0;
};

int Read(GifFileType* gif, GifByteType* buffer, int size) {
    auto* m = static_cast<Memory*>(gif->UserData);
    if (size <= 0 || m->pos >= m->data.size())
        return 0;
    const size_t n = std::min<size_t>(static_cast<size_t>(size), m->data.size() - m->pos);
    std::memcpy(buffer, m->data.data() + m->pos, n);
    m->pos += n;
    return static_cast<int>(n);
}

struct GifClose {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

std::string GifError(int code) {
    const char* text = GifErrorString(code);
    return std::string("GIF: ") + (text != nullptr ? text : "the data cannot be decoded");
}

} // namespace

CodecOutcome DecodeGif(const CodecInput& input) {
    Memory memory{input.data, 0};
    int error = 0;
    std::unique_ptr<GifFileType, GifClose> gif(DGifOpen(&memory, Read, &error));
    if (!gif)
        return CodecError(GifError(error));
    int transparent = -1;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR)
            return CodecError(GifError(gif->Error));
        if (type == TERMINATE_RECORD_TYPE)
            return CodecError("GIF: the file holds no image");
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR)
                return CodecError(GifError(gif->Error));
            // The graphic control block names the transparent colour.
            if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4)
                transparent = (block[1] & 1) != 0 ? block[4] : -1;
            while (block != nullptr)
                if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR)
                    return CodecError(GifError(gif->Error));
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE)
            continue;
        if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
            return CodecError(GifError(gif->Error));
        break;
    }
    const GifImageDesc& desc = gif->Image;
    const int screenW = gif->SWidth > 0 ? gif->SWidth : desc.Left + desc.Width;
    const int screenH = gif->SHeight > 0 ? gif->SHeight : desc.Top + desc.Height;
    if (desc.Width <= 0 || desc.Height <= 0 || screenW <= 0 || screenH <= 0)
        return CodecError("GIF: the image has no size");
    if (static_cast<int64_t>(screenW) * screenH > input.maxPixels)
        return CodecTooLarge(screenW, screenH);
    if (static_cast<int64_t>(desc.Width) * desc.Height > input.maxPixels)
        return CodecTooLarge(desc.Width, desc.Height);
    const ColorMapObject* map = desc.ColorMap != nullptr ? desc.ColorMap : gif->SColorMap;
    if (map == nullptr || map->Colors == nullptr || map->ColorCount <= 0)
        return CodecError("GIF: the image has no colour table");

    CodecOutcome out;
    out.image.width = screenW;
    out.image.height = screenH;
    out.image.rgb.assign(static_cast<size_t>(screenW) * screenH * 3, 255);
    std::vector<GifPixelType> line(static_cast<size_t>(desc.Width));
    // Interlaced rows arrive in four passes: every 8th from 0, every 8th
    // from 4, every 4th from 2, every 2nd from 1.
    const int starts[4] = {0, 4, 2, 1}, steps[4] = {8, 8, 4, 2};
    const int passes = desc.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int step = desc.Interlace ? steps[pass] : 1;
        for (int row = desc.Interlace ? starts[pass] : 0; row < desc.Height; row += step) {
            if (DGifGetLine(gif.get(), line.data(), desc.Width) == GIF_ERROR)
                return CodecError(GifError(gif->Error));
            const int y = desc.Top + row;
            if (y < 0 || y >= screenH)
                continue;
            for (int x = 0; x < desc.Width; ++x) {
                const int sx = desc.Left + x;
                const int index = line[static_cast<size_t>(x)];
                if (sx >= screenW || index == transparent || index >= map->ColorCount)
                    continue;
                const GifColorType& c = map->Colors[index];
                uint8_t* o = out.image.rgb.data() + (static_cast<size_t>(y) * screenW + sx) * 3;
                o[0] = c.Red;
                o[1] = c.Green;
                o[2] = c.Blue;
            }
        }
    }
    out.ok = true;
    return out;
}

} // namespace dravik::pict
