// Helpers for the decoder tests: pictures with known pixels encoded with the
// libraries directly, scratch files, and an independent decode by djpeg.
#pragma once

#include "imaging/DibImage.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <unistd.h>

namespace lumora::test {

using PixelFn = std::function<void(int x, int y, uint8_t* rgb)>;

// A smooth, camera-like test pattern: gradients with a few hard edges.
inline void pattern(int x, int y, uint8_t* rgb) {
    rgb[0] = static_cast<uint8_t>((x * 255) / 511);
    rgb[1] = static_cast<uint8_t>((y * 7) & 0xFF);
    rgb[2] = static_cast<uint8_t>(((x / 32 + y / 32) & 1) ? 200 : 40);
}

// Encodes width x height pixels with components 1, 3 or 4 (grey, RGB, CMYK).
inline std::vector<uint8_t> encodeJpeg(int width, int height, int components,
                                       const PixelFn& fn = pattern, int quality = 90) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = static_cast<JDIMENSION>(width);
    c.image_height = static_cast<JDIMENSION>(height);
    c.input_components = components;
    c.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(static_cast<std::size_t>(width) * components);
    while (c.next_scanline < c.image_height) {
        const int y = static_cast<int>(c.next_scanline);
        for (int x = 0; x < width; ++x) {
            uint8_t px[4] = {0, 0, 0, 0};
            fn(x, y, px);
            for (int k = 0; k < components; ++k)
                row[static_cast<std::size_t>(x) * components + k] = px[k];
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&c);
    std::free(buffer);
    return out;
}

class ScratchDir {
public:
    ScratchDir() {
        std::string templ = (std::filesystem::temp_directory_path() / "lumora-dec-XXXXXX").string();
        if (::mkdtemp(templ.data()))
            path_ = templ;
    }
    ~ScratchDir() {
        std::error_code ec;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        const std::string p = file(name);
        std::FILE* f = std::fopen(p.c_str(), "wb");
        if (f) {
            if (!bytes.empty())
                std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        return p;
    }

private:
    std::filesystem::path path_;
};

inline std::vector<uint8_t> readAll(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    uint8_t buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.insert(bytes.end(), buf, buf + n);
    std::fclose(f);
    return bytes;
}

inline bool haveDjpeg() {
    return std::system("djpeg -version >/dev/null 2>&1") == 0;
}

// djpeg's BMP output is the same bottom-up BGR layout with padded rows:
// returns its pixel block (empty on failure) and the size.
inline std::vector<uint8_t> djpegBmp(const std::string& path, const std::string& scale, int& w,
                                     int& h) {
    const std::string cmd = "djpeg -bmp " +
                            (scale.empty() ? std::string() : "-scale " + scale + " ") + "'" + path +
                            "' 2>/dev/null";
    std::vector<uint8_t> bmp;
    if (std::FILE* p = ::popen(cmd.c_str(), "r")) {
        uint8_t buf[65536];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
            bmp.insert(bmp.end(), buf, buf + n);
        ::pclose(p);
    }
    if (bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M')
        return {};
    auto le32 = [&](std::size_t o) {
        return static_cast<int32_t>(bmp[o] | bmp[o + 1] << 8 | bmp[o + 2] << 16 |
                                    uint32_t(bmp[o + 3]) << 24);
    };
    const int32_t offset = le32(10);
    w = le32(18);
    h = le32(22);
    const uint16_t bpp = static_cast<uint16_t>(bmp[28] | bmp[29] << 8);
    if (bpp == 8) { // grey output: expand through the palette-free grey ramp
        const int srcStride = (w + 3) / 4 * 4;
        std::vector<uint8_t> out(static_cast<std::size_t>(dibStride(w)) * h, 0);
        for (int r = 0; r < h; ++r)
            for (int x = 0; x < w; ++x)
                for (int k = 0; k < 3; ++k)
                    out[static_cast<std::size_t>(r) * dibStride(w) + x * 3 + k] =
                        bmp[offset + static_cast<std::size_t>(r) * srcStride + x];
        return out;
    }
    return std::vector<uint8_t>(bmp.begin() + offset, bmp.end());
}

inline std::string samples() {
    return LUMORA_SHARED_SAMPLES;
}
inline bool haveSamples() {
    return std::filesystem::is_directory(samples());
}

} // namespace lumora::test
