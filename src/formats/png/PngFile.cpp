#include "formats/png/PngFile.h"

#include "formats/picture/Bytes.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace lumora::png {

namespace {

using picture::Bytes;
using picture::Picture;
using picture::Request;

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t be32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           p[3];
}

// The zlib stream of an iCCP chunk inflated, at most kMaxMetadataBytes.
std::vector<std::uint8_t> inflateProfile(const std::uint8_t* in, std::size_t size) {
    std::vector<std::uint8_t> out;
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return out;
    z.next_in = const_cast<Bytef*>(in);
    z.avail_in = static_cast<uInt>(size);
    std::uint8_t chunk[16384];
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = chunk;
        z.avail_out = sizeof chunk;
        rc = inflate(&z, Z_NO_FLUSH);
        const std::size_t made = sizeof chunk - z.avail_out;
        if (out.size() + made > kMaxMetadataBytes) {
            rc = Z_MEM_ERROR;
            break;
        }
        out.insert(out.end(), chunk, chunk + made);
        if (made == 0 && rc == Z_OK && z.avail_in == 0)
            rc = Z_BUF_ERROR; // the stream ends early
    }
    inflateEnd(&z);
    if (rc != Z_STREAM_END)
        out.clear();
    return out;
}

// Walks the chunks: IHDR's size, eXIf and iCCP. False when the file is not
// a PNG at all.
bool walkChunks(const Bytes& bytes, Picture& out) {
    std::uint8_t head[8];
    if (!bytes.read(0, head, 8) || std::memcmp(head, kSignature, 8) != 0)
        return false;
    std::uint64_t pos = 8;
    for (std::size_t n = 0; n < kMaxChunks; ++n) {
        if (!bytes.read(pos, head, 8))
            break;
        const std::uint32_t length = be32(head);
        const std::uint64_t body = pos + 8;
        if (length > 0x7FFFFFFFu || body + length > bytes.size())
            break;
        const std::uint32_t type = be32(head + 4);
        if (n == 0 && type != 0x49484452u) // IHDR comes first
            return false;
        if (type == 0x49484452u && length >= 8) {
            std::uint8_t ihdr[8];
            if (!bytes.read(body, ihdr, 8))
                break;
            out.sourceWidth = static_cast<int>(std::min<std::uint32_t>(be32(ihdr), 0x7FFFFFFF));
            out.sourceHeight =
                static_cast<int>(std::min<std::uint32_t>(be32(ihdr + 4), 0x7FFFFFFF));
            std::uint8_t depth = 0;
            if (bytes.read(body + 8, &depth, 1))
                out.bitDepth = depth;
        } else if (type == 0x65584966u && out.exif.empty() && length <= kMaxMetadataBytes) {
            std::vector<std::uint8_t> block(length);
            if (bytes.read(body, block.data(), length))
                out.exif = picture::TiffStreamOf(block.data(), block.size());
        } else if (type == 0x69434350u && out.iccProfile.empty() && length >= 3 &&
                   length <= kMaxMetadataBytes) {
            // Name (1 to 79 bytes), a zero, the compression method (0), zlib data.
            std::vector<std::uint8_t> block(length);
            if (bytes.read(body, block.data(), length)) {
                const void* zero = std::memchr(block.data(), 0, std::min<std::size_t>(80, length));
                if (zero) {
                    const std::size_t at =
                        static_cast<const std::uint8_t*>(zero) - block.data() + 2;
                    if (at < length && block[at - 1] == 0)
                        out.iccProfile = inflateProfile(block.data() + at, length - at);
                }
            }
        } else if (type == 0x49454E44u) { // IEND
            break;
        }
        pos = body + length + 4; // and the CRC
    }
    return out.sourceWidth > 0 && out.sourceHeight > 0;
}

void decodePixels(png_image& image, Picture& out, const Request& request) {
    const std::int64_t limit = request.maxPixels > 0 ? request.maxPixels : picture::kMaxPixels;
    if (!picture::SizeAllowed(image.width, image.height, limit)) {
        out.error = "picture size refused";
        png_image_free(&image);
        return;
    }
    const bool alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    const int channels = alpha ? 4 : 3;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        out.error = image.message[0] ? image.message : "libpng error";
        png_image_free(&image);
        return;
    }
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.channels = channels;
    out.pixels = std::move(pixels);
}

template <typename Begin>
Picture readWith(const Bytes& bytes, const Request& request, Begin begin) {
    Picture out;
    try {
        if (!walkChunks(bytes, out)) {
            out = Picture{};
            out.error = "not a PNG file";
            return out;
        }
        const std::int64_t limit = request.maxPixels > 0 ? request.maxPixels : picture::kMaxPixels;
        if (!picture::SizeAllowed(out.sourceWidth, out.sourceHeight, limit)) {
            out.error = "picture size refused";
            return out;
        }
        if (!request.pixels)
            return out;
        png_image image;
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
        if (!begin(image)) {
            out.error = image.message[0] ? image.message : "libpng error";
            png_image_free(&image);
            return out;
        }
        if (int(image.width) != out.sourceWidth || int(image.height) != out.sourceHeight) {
            out.error = "picture size disagrees with its header";
            png_image_free(&image);
            return out;
        }
        decodePixels(image, out, request);
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
    const Bytes bytes(file.get());
    return readWith(bytes, request, [&](png_image& image) {
        std::rewind(file.get());
        return png_image_begin_read_from_stdio(&image, file.get()) != 0;
    });
}

Picture ReadMemory(const std::uint8_t* data, std::size_t size, const Request& request) {
    const Bytes bytes(data, size);
    return readWith(bytes, request, [&](png_image& image) {
        return png_image_begin_read_from_memory(&image, data, size) != 0;
    });
}

} // namespace lumora::png
