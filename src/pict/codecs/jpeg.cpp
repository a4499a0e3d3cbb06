// 'jpeg' (Photo - JPEG) through libjpeg-turbo.
#include "pict/codecs/codecs.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

namespace dravik::pict {
namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool tooLarge;
};

void OnError(j_common_ptr info) {
    auto* err = reinterpret_cast<ErrorManager*>(info->err);
    info->err->format_message(info, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings (a damaged stream that libjpeg mends) do not stop the decode.
void OnMessage(j_common_ptr, int) {}

// Nothing with a destructor lives across the setjmp: the buffers belong to
// the caller, and libjpeg's state is destroyed on both paths.
bool Decode(const CodecInput& in, DecodedImage& out, std::vector<uint8_t>& cmykRow,
            ErrorManager& err) {
    jpeg_decompress_struct info{};
    info.err = jpeg_std_error(&err.base);
    err.base.error_exit = OnError;
    err.base.emit_message = OnMessage;
    if (setjmp(err.jump) != 0) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, in.data.data(), static_cast<unsigned long>(in.data.size()));
    jpeg_save_markers(&info, JPEG_APP0 + 2, 0xFFFF); // where a colour profile travels
    jpeg_read_header(&info, TRUE);
    JOCTET* icc = nullptr;
    unsigned int iccSize = 0;
    if (jpeg_read_icc_profile(&info, &icc, &iccSize)) {
        out.icc.assign(icc, icc + iccSize);
        std::free(icc);
    }
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    if (static_cast<int64_t>(info.image_width) * info.image_height > in.maxPixels) {
        err.tooLarge = true;
        std::snprintf(err.message, sizeof err.message, "a JPEG of %u x %u pixels", info.image_width,
                      info.image_height);
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_start_decompress(&info);
    out.width = static_cast<int>(info.output_width);
    out.height = static_cast<int>(info.output_height);
    out.rgb.resize(static_cast<size_t>(out.width) * out.height * 3);
    cmykRow.resize(cmyk ? static_cast<size_t>(out.width) * 4 : 0);
    // Adobe writes CMYK inverted; nearly every CMYK JPEG comes from Adobe.
    const bool inverted = info.saw_Adobe_marker;
    while (info.output_scanline < info.output_height) {
        uint8_t* row = out.rgb.data() + static_cast<size_t>(info.output_scanline) * out.width * 3;
        JSAMPROW target = cmyk ? cmykRow.data() : row;
        jpeg_read_scanlines(&info, &target, 1);
        if (!cmyk)
            continue;
        for (int x = 0; x < out.width; ++x) {
            const uint8_t* p = cmykRow.data() + 4 * x;
            const int k = inverted ? p[3] : 255 - p[3];
            for (int c = 0; c < 3; ++c)
                row[3 * x + c] = static_cast<uint8_t>((inverted ? p[c] : 255 - p[c]) * k / 255);
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace

CodecOutcome DecodeJpeg(const CodecInput& input) {
    CodecOutcome out;
    ErrorManager err{};
    std::vector<uint8_t> cmykRow;
    if (!Decode(input, out.image, cmykRow, err)) {
        out = CodecError(std::string("JPEG: ") + err.message);
        out.tooLarge = err.tooLarge;
        return out;
    }
    out.ok = true;
    return out;
}

} // namespace dravik::pict
