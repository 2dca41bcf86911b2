#include "formats/webp/WebpFile.h"

#include "formats/picture/Bytes.h"

#include <webp/decode.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace lumora::webp {

namespace {

using picture::Bytes;
using picture::Picture;
using picture::Request;

std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

std::uint32_t le24(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
}

// Walks the RIFF chunks for the canvas size (VP8X, VP8, VP8L), EXIF and
// ICCP. False when the file is not a WebP file.
bool walkChunks(const Bytes& bytes, Picture& out) {
    std::uint8_t head[12];
    if (!bytes.read(0, head, 12) || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "WEBP", 4) != 0)
        return false;
    const std::uint64_t end = std::min<std::uint64_t>(bytes.size(), 8ull + le32(head + 4));
    std::uint64_t pos = 12;
    for (std::size_t n = 0; n < kMaxChunks && pos + 8 <= end; ++n) {
        std::uint8_t chunk[8];
        if (!bytes.read(pos, chunk, 8))
            break;
        const std::uint32_t length = le32(chunk + 4);
        const std::uint64_t body = pos + 8;
        if (body + length > end)
            break;
        std::uint8_t info[10] = {};
        if (std::memcmp(chunk, "VP8X", 4) == 0 && length >= 10 && bytes.read(body, info, 10)) {
            out.sourceWidth = static_cast<int>(le24(info + 4) + 1);
            out.sourceHeight = static_cast<int>(le24(info + 7) + 1);
        } else if (std::memcmp(chunk, "VP8 ", 4) == 0 && length >= 10 && out.sourceWidth == 0 &&
                   bytes.read(body, info, 10)) {
            if (info[3] == 0x9D && info[4] == 0x01 && info[5] == 0x2A) {
                out.sourceWidth = (info[6] | (info[7] << 8)) & 0x3FFF;
                out.sourceHeight = (info[8] | (info[9] << 8)) & 0x3FFF;
            }
        } else if (std::memcmp(chunk, "VP8L", 4) == 0 && length >= 5 && out.sourceWidth == 0 &&
                   bytes.read(body, info, 5)) {
            if (info[0] == 0x2F) {
                const std::uint32_t bits = le32(info + 1);
                out.sourceWidth = static_cast<int>((bits & 0x3FFF) + 1);
                out.sourceHeight = static_cast<int>(((bits >> 14) & 0x3FFF) + 1);
            }
        } else if ((std::memcmp(chunk, "EXIF", 4) == 0 || std::memcmp(chunk, "ICCP", 4) == 0) &&
                   length <= kMaxMetadataBytes) {
            std::vector<std::uint8_t> block(length);
            if (bytes.read(body, block.data(), length)) {
                if (chunk[0] == 'E' && out.exif.empty())
                    out.exif = picture::TiffStreamOf(block.data(), block.size());
                else if (chunk[0] == 'I' && out.iccProfile.empty())
                    out.iccProfile = std::move(block);
            }
        }
        pos = body + length + (length & 1); // chunks are padded to even sizes
    }
    return out.sourceWidth > 0 && out.sourceHeight > 0;
}

void decodePixels(const std::uint8_t* data, std::size_t size, const Request& request,
                  Picture& out) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) {
        out.error = "libwebp version mismatch";
        return;
    }
    if (WebPGetFeatures(data, size, &config.input) != VP8_STATUS_OK) {
        out.error = "not a WebP bitstream";
        return;
    }
    const int w = config.input.width, h = config.input.height;
    const std::int64_t limit = request.maxPixels > 0 ? request.maxPixels : picture::kMaxPixels;
    if (!picture::SizeAllowed(w, h, limit)) {
        out.error = "picture size refused";
        return;
    }
    if (config.input.has_animation) {
        out.error = "animated WebP";
        return;
    }
    out.sourceWidth = w;
    out.sourceHeight = h;
    const bool alpha = config.input.has_alpha != 0;
    const int channels = alpha ? 4 : 3;
    int ow = w, oh = h;
    const int longer = std::max(w, h);
    if (request.boxLongSide > 0 && request.boxLongSide < longer) {
        // The decoder scales while decoding; the result still reaches the box.
        const double f = double(request.boxLongSide) / longer;
        ow = std::max(1, int(w * f + 0.999));
        oh = std::max(1, int(h * f + 0.999));
        config.options.use_scaling = 1;
        config.options.scaled_width = ow;
        config.options.scaled_height = oh;
        config.options.bypass_filtering = 1;
        config.options.no_fancy_upsampling = 1;
    }
    out.pixels.resize(static_cast<std::size_t>(ow) * oh * channels);
    config.output.colorspace = alpha ? MODE_RGBA : MODE_RGB;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = out.pixels.data();
    config.output.u.RGBA.stride = ow * channels;
    config.output.u.RGBA.size = out.pixels.size();
    const VP8StatusCode status = WebPDecode(data, size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK) {
        out.pixels.clear();
        out.error = "WebP decode failed";
        return;
    }
    out.width = ow;
    out.height = oh;
    out.channels = channels;
}

Picture readBytes(const Bytes& bytes, const std::uint8_t* data, std::size_t size,
                  const Request& request) {
    Picture out;
    try {
        if (!walkChunks(bytes, out)) {
            out = Picture{};
            out.error = "not a WebP file";
            return out;
        }
        const std::int64_t limit = request.maxPixels > 0 ? request.maxPixels : picture::kMaxPixels;
        if (!picture::SizeAllowed(out.sourceWidth, out.sourceHeight, limit)) {
            out.error = "picture size refused";
            return out;
        }
        if (!request.pixels)
            return out;
        std::vector<std::uint8_t> whole;
        if (!data) {
            if (!bytes.readAll(whole, picture::kMaxFileBytes)) {
                out.error = "file too large or unreadable";
                return out;
            }
            data = whole.data();
            size = whole.size();
        }
        decodePixels(data, size, request, out);
    } catch (const std::bad_alloc&) {
        out = Picture{};
        out.error = "out of memory";
    }
    return out;
}

} // namespace

Picture Read(const std::string& path, const Request& request) {
    picture::File file = picture::OpenRegularFile(path);
    if (!file) {
        Picture out;
        out.error = "cannot open file";
        return out;
    }
    return readBytes(Bytes(file.get()), nullptr, 0, request);
}

Picture ReadMemory(const std::uint8_t* data, std::size_t size, const Request& request) {
    return readBytes(Bytes(data, size), data, size, request);
}

} // namespace lumora::webp
