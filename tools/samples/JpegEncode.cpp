#include "JpegEncode.h"

#include <cstdio>
#include <jpeglib.h>
#include <stdexcept>

namespace lumora::samples {

std::vector<uint8_t> encodeJpeg(const Canvas& canvas, const JpegOptions& options) {
    if (canvas.width() <= 0 || canvas.height() <= 0)
        throw std::invalid_argument("empty picture");
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = static_cast<JDIMENSION>(canvas.width());
    cinfo.image_height = static_cast<JDIMENSION>(canvas.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    if (options.grey)
        jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
    cinfo.write_JFIF_header = options.jfifHeader ? TRUE : FALSE;
    jpeg_set_quality(&cinfo, options.quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const std::size_t rowBytes = static_cast<std::size_t>(canvas.width()) * 3;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(canvas.pixels().data() + cinfo.next_scanline * rowBytes);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> bytes(out, out + outSize);
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    return bytes;
}

std::vector<uint8_t> insertSegmentAfterSoi(const std::vector<uint8_t>& jpeg,
                                           const std::vector<uint8_t>& segment) {
    std::size_t at = 2;
    if (jpeg.size() > 6 && jpeg[2] == 0xFF && jpeg[3] == 0xE0)
        at = 4 + ((static_cast<std::size_t>(jpeg[4]) << 8) | jpeg[5]);
    std::vector<uint8_t> out;
    out.reserve(jpeg.size() + segment.size());
    out.insert(out.end(), jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(at));
    out.insert(out.end(), segment.begin(), segment.end());
    out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(at), jpeg.end());
    return out;
}

} // namespace lumora::samples
