// The video codecs QuickTime also used for still pictures, through
// libavcodec, whose decoders are the reference for them: Cinepak, Apple
// Video, Graphics, Animation, Planar RGB, yuv2, Sorenson, H.261, H.263 and
// JPEG 2000.
#include "pict/codecs/codecs.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

namespace dravik::pict {
namespace {

struct CodecName {
    const char* type;
    AVCodecID id;
};

constexpr CodecName kCodecs[] = {
    {"cvid", AV_CODEC_ID_CINEPAK}, {"rpza", AV_CODEC_ID_RPZA},     {"smc ", AV_CODEC_ID_SMC},
    {"rle ", AV_CODEC_ID_QTRLE},   {"8BPS", AV_CODEC_ID_8BPS},     {"yuv2", AV_CODEC_ID_RAWVIDEO},
    {"SVQ1", AV_CODEC_ID_SVQ1},    {"SVQ3", AV_CODEC_ID_SVQ3},     {"h261", AV_CODEC_ID_H261},
    {"h263", AV_CODEC_ID_H263},    {"jp2 ", AV_CODEC_ID_JPEG2000},
};

const AVCodec* DecoderFor(const std::string& type) {
    for (const CodecName& c : kCodecs)
        if (type == c.type)
            return avcodec_find_decoder(c.id);
    return nullptr;
}

struct ContextFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};

std::string AvError(const char* what, int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return std::string(what) + ": " + text;
}

uint8_t Clamp8(double v) {
    return static_cast<uint8_t>(std::clamp(v + 0.5, 0.0, 255.0));
}

// Any decoded frame to 8-bit RGB: palettes, 1-bit, RGB and grey formats of
// any depth, and YUV with any chroma subsampling (BT.601, limited range
// unless the frame says full).
bool ToRgb(const AVFrame& f, DecodedImage& out, std::string& why) {
    const auto fmt = static_cast<AVPixelFormat>(f.format);
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(fmt);
    if (desc == nullptr || (desc->flags & AV_PIX_FMT_FLAG_HWACCEL) != 0) {
        why = "an unknown pixel format";
        return false;
    }
    const int w = f.width, h = f.height;
    out.width = w;
    out.height = h;
    out.rgb.resize(static_cast<size_t>(w) * h * 3);
    const uint8_t* planes[4] = {f.data[0], f.data[1], f.data[2], f.data[3]};
    const int* strides = f.linesize;
    std::vector<uint16_t> c0(static_cast<size_t>(w)), c1(c0.size()), c2(c0.size());
    auto scale = [&](int comp, uint16_t v) {
        const int depth = desc->comp[comp].depth;
        return depth == 8 ? v : static_cast<uint16_t>(v * 255 / ((1 << depth) - 1));
    };
    const bool palette = (desc->flags & AV_PIX_FMT_FLAG_PAL) != 0;
    const bool rgb = (desc->flags & AV_PIX_FMT_FLAG_RGB) != 0;
    const bool grey = !palette && !rgb && desc->nb_components <= 2;
    const bool fullRange = f.color_range == AVCOL_RANGE_JPEG || fmt == AV_PIX_FMT_YUVJ420P ||
                           fmt == AV_PIX_FMT_YUVJ422P || fmt == AV_PIX_FMT_YUVJ444P;
    for (int y = 0; y < h; ++y) {
        uint8_t* o = out.rgb.data() + static_cast<size_t>(y) * w * 3;
        if (palette) {
            const auto* pal = reinterpret_cast<const uint32_t*>(f.data[1]);
            const uint8_t* row = f.data[0] + static_cast<ptrdiff_t>(y) * f.linesize[0];
            for (int x = 0; x < w; ++x, o += 3) {
                const uint32_t c = pal[row[x]];
                o[0] = static_cast<uint8_t>(c >> 16);
                o[1] = static_cast<uint8_t>(c >> 8);
                o[2] = static_cast<uint8_t>(c);
            }
            continue;
        }
        if (fmt == AV_PIX_FMT_MONOWHITE || fmt == AV_PIX_FMT_MONOBLACK) {
            av_read_image_line2(c0.data(), planes, strides, desc, 0, y, 0, w, 0, 2);
            const bool oneIsWhite = fmt == AV_PIX_FMT_MONOBLACK;
            for (int x = 0; x < w; ++x, o += 3)
                o[0] = o[1] = o[2] = (c0[static_cast<size_t>(x)] != 0) == oneIsWhite ? 255 : 0;
            continue;
        }
        if (rgb || grey) {
            av_read_image_line2(c0.data(), planes, strides, desc, 0, y, 0, w, 0, 2);
            if (rgb) {
                av_read_image_line2(c1.data(), planes, strides, desc, 0, y, 1, w, 0, 2);
                av_read_image_line2(c2.data(), planes, strides, desc, 0, y, 2, w, 0, 2);
            }
            for (size_t x = 0; x < static_cast<size_t>(w); ++x, o += 3) {
                o[0] = static_cast<uint8_t>(scale(0, c0[x]));
                o[1] = static_cast<uint8_t>(rgb ? scale(1, c1[x]) : o[0]);
                o[2] = static_cast<uint8_t>(rgb ? scale(2, c2[x]) : o[0]);
            }
            continue;
        }
        const int cy = y >> desc->log2_chroma_h;
        const int cw = AV_CEIL_RSHIFT(w, desc->log2_chroma_w);
        av_read_image_line2(c0.data(), planes, strides, desc, 0, y, 0, w, 0, 2);
        av_read_image_line2(c1.data(), planes, strides, desc, 0, cy, 1, cw, 0, 2);
        av_read_image_line2(c2.data(), planes, strides, desc, 0, cy, 2, cw, 0, 2);
        for (int x = 0; x < w; ++x, o += 3) {
            const size_t cx = static_cast<size_t>(x >> desc->log2_chroma_w);
            double Y = scale(0, c0[static_cast<size_t>(x)]);
            double U = scale(1, c1[cx]) - 128.0, V = scale(2, c2[cx]) - 128.0;
            if (!fullRange) {
                Y = (Y - 16) * 255.0 / 219.0;
                U *= 255.0 / 224.0;
                V *= 255.0 / 224.0;
            }
            o[0] = Clamp8(Y + 1.402 * V);
            o[1] = Clamp8(Y - 0.344136 * U - 0.714136 * V);
            o[2] = Clamp8(Y + 1.772 * U);
        }
    }
    return true;
}

} // namespace

bool AvcodecDecodes(const std::string& codec) {
    return DecoderFor(codec) != nullptr;
}

CodecOutcome DecodeWithAvcodec(const CodecInput& in) {
    static std::once_flag quiet;
    // The decoders' complaints reach the caller as the failure's reason.
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
    const std::string name = "'" + in.codec + "'";
    const AVCodec* decoder = DecoderFor(in.codec);
    if (decoder == nullptr)
        return CodecError("no decoder for " + name);
    std::unique_ptr<AVCodecContext, ContextFree> ctx(avcodec_alloc_context3(decoder));
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    if (!ctx || !packet || !frame)
        return CodecError(name + ": out of memory");
    ctx->width = in.width;
    ctx->height = in.height;
    ctx->coded_width = in.width;
    ctx->coded_height = in.height;
    ctx->bits_per_coded_sample = in.depth > 32 ? in.depth - 32 : in.depth;
    ctx->codec_tag = MKTAG(in.codec[0], in.codec[1], in.codec[2], in.codec[3]);
    ctx->thread_count = 1;
    ctx->max_pixels = in.maxPixels;
    if (in.codec == "yuv2")
        ctx->pix_fmt = AV_PIX_FMT_YUYV422;
    // Sorenson 3 finds its sequence header among the description's atoms.
    if (in.codec == "SVQ3" && !in.description.empty()) {
        ctx->extradata =
            static_cast<uint8_t*>(av_mallocz(in.description.size() + AV_INPUT_BUFFER_PADDING_SIZE));
        if (ctx->extradata == nullptr)
            return CodecError(name + ": out of memory");
        std::memcpy(ctx->extradata, in.description.data(), in.description.size());
        ctx->extradata_size = static_cast<int>(in.description.size());
    }
    int err = avcodec_open2(ctx.get(), decoder, nullptr);
    if (err < 0)
        return CodecError(AvError(name.c_str(), err));
    if (in.data.size() > static_cast<size_t>(INT32_MAX - AV_INPUT_BUFFER_PADDING_SIZE))
        return CodecError(name + ": the data is too large");
    if ((err = av_new_packet(packet.get(), static_cast<int>(in.data.size()))) < 0)
        return CodecError(AvError(name.c_str(), err));
    std::memcpy(packet->data, in.data.data(), in.data.size());
    packet->flags |= AV_PKT_FLAG_KEY;
    const std::vector<uint32_t> palette = PaletteFor(in);
    if (!palette.empty()) {
        auto* side = reinterpret_cast<uint32_t*>(
            av_packet_new_side_data(packet.get(), AV_PKT_DATA_PALETTE, AVPALETTE_SIZE));
        if (side == nullptr)
            return CodecError(name + ": out of memory");
        for (size_t i = 0; i < palette.size() && i < 256; ++i)
            side[i] = 0xFF000000u | palette[i];
    }
    if ((err = avcodec_send_packet(ctx.get(), packet.get())) < 0)
        return CodecError(AvError(name.c_str(), err));
    // Decoders that hold a frame back give it up at the end of the stream.
    avcodec_send_packet(ctx.get(), nullptr);
    if ((err = avcodec_receive_frame(ctx.get(), frame.get())) < 0)
        return CodecError(AvError(name.c_str(), err));
    if (frame->width <= 0 || frame->height <= 0)
        return CodecError(name + ": the decoder gave an empty frame");
    if (static_cast<int64_t>(frame->width) * frame->height > in.maxPixels)
        return CodecTooLarge(frame->width, frame->height);
    CodecOutcome out;
    std::string why;
    if (!ToRgb(*frame, out.image, why))
        return CodecError(name + ": " + why);
    out.ok = true;
    return out;
}

} // namespace dravik::pict
