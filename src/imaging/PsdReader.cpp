#include "imaging/PsdReader.h"

#include "imaging/PixelMemory.h"
#include "imaging/SafeOpen.h"

#include "imaging/DecodeResult.h"

#include <algorithm>
#include <vector>

namespace lumora {

namespace {

bool readBytes(std::FILE* f, void* out, std::size_t n) {
    return std::fread(out, 1, n, f) == n;
}

bool readU16(std::FILE* f, uint16_t& v) {
    uint8_t b[2];
    if (!readBytes(f, b, 2))
        return false;
    v = static_cast<uint16_t>(b[0] << 8 | b[1]);
    return true;
}

bool readU32(std::FILE* f, uint32_t& v) {
    uint8_t b[4];
    if (!readBytes(f, b, 4))
        return false;
    v = uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
    return true;
}

bool seekTo(std::FILE* f, uint64_t pos) {
    return fseeko(f, static_cast<off_t>(pos), SEEK_SET) == 0;
}

uint16_t be16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}
uint32_t be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

} // namespace

bool CPsdReader::Open(const std::string& path) {
    *this = CPsdReader{};
    uint64_t size = 0;
    file_.reset(OpenRegularStream(path, &size));
    if (!file_)
        return false; // missing, unreadable or not a regular file
    std::FILE* f = file_.get();
    fileSize = size;

    uint8_t header[26];
    if (!readBytes(f, header, sizeof header))
        return false;
    // Signature and version are not checked.
    channels = be16(header + 12);
    height = be32(header + 14);
    width = be32(header + 18);
    depth = be16(header + 22);
    colorMode = be16(header + 24);

    uint64_t pos = 26;
    auto section = [&](uint64_t& offset, uint64_t& length) {
        uint32_t n = 0;
        if (!seekTo(f, pos) || !readU32(f, n))
            return false;
        offset = pos + 4;
        length = n;
        if (length > fileSize || offset > fileSize - length)
            return false;
        pos = offset + length;
        return true;
    };
    if (!section(colorModeOffset, colorModeLength) || !section(resourcesOffset, resourcesLength) ||
        !section(layersOffset, layersLength))
        return false;
    imageDataOffset = pos;
    findThumbnail();
    return true;
}

bool CPsdReader::findThumbnail() {
    std::FILE* f = file_.get();
    const uint64_t end = resourcesOffset + resourcesLength;
    uint64_t pos = resourcesOffset;
    // Each resource: signature (4), id (2), padded name, length (4), padded data.
    while (pos + 12 <= end) {
        uint8_t head[7];
        if (!seekTo(f, pos) || !readBytes(f, head, sizeof head))
            return false;
        const uint16_t id = be16(head + 4);
        const uint64_t nameBytes = (1u + head[6] + 1u) & ~1u; // length byte + name, even
        uint32_t dataLength = 0;
        const uint64_t lengthPos = pos + 6 + nameBytes;
        if (lengthPos + 4 > end || !seekTo(f, lengthPos) || !readU32(f, dataLength))
            return false;
        const uint64_t dataPos = lengthPos + 4;
        if (dataLength > end - dataPos)
            return false;
        if (id == 1039 && dataLength > 0 && dataLength <= kMaxIccBytes && iccLength == 0) {
            iccOffset = dataPos;
            iccLength = dataLength;
        }
        if ((id == 1033 || id == 1036) && dataLength >= 28) {
            // format, width, height, row bytes, total size, compressed size,
            // bits per pixel, planes; then the JPEG.
            uint8_t info[28];
            if (!seekTo(f, dataPos) || !readBytes(f, info, sizeof info))
                return false;
            const uint32_t compressed = be32(info + 20);
            if (compressed > 0 && compressed <= dataLength - 28) {
                thumbnailOffset = dataPos + 28;
                thumbnailLength = compressed;
            }
        }
        pos = dataPos + ((uint64_t(dataLength) + 1) & ~uint64_t(1));
    }
    return true;
}

std::vector<uint8_t> CPsdReader::ReadIccProfile() {
    std::vector<uint8_t> bytes;
    // The resource was checked against its section when the file was opened.
    if (!file_ || iccLength == 0 || iccOffset > fileSize || iccLength > fileSize - iccOffset)
        return bytes;
    bytes.resize(static_cast<std::size_t>(iccLength));
    if (!seekTo(file_.get(), iccOffset) || !readBytes(file_.get(), bytes.data(), bytes.size()))
        bytes.clear();
    return bytes;
}

bool CPsdReader::copyRawPlanes(DibImage& out) {
    std::FILE* f = file_.get();
    const uint64_t plane = uint64_t(width) * height;
    if (imageDataOffset + 2 > fileSize || 3 * plane > fileSize - imageDataOffset - 2)
        return true; // data past the end: pixels stay zero
    std::vector<uint8_t> row(width);
    for (int c = 0; c < 3; ++c) {
        if (!seekTo(f, imageDataOffset + 2 + plane * c))
            return true;
        for (uint32_t y = 0; y < height; ++y) {
            if (!readBytes(f, row.data(), width))
                return true;
            uint8_t* dst = out.scanLine(static_cast<int>(y)) + (2 - c); // R at byte 2
            for (uint32_t x = 0; x < width; ++x, dst += 3)
                *dst = row[x];
        }
    }
    return true;
}

bool CPsdReader::unpackRows(DibImage& out) {
    std::FILE* f = file_.get();
    // Skip the table of channels x height 16-bit row byte counts.
    const uint64_t start = imageDataOffset + 2 + uint64_t(channels) * height * 2;
    if (start > fileSize || !seekTo(f, start))
        return true;
    for (int c = 0; c < 3; ++c) {
        for (uint32_t y = 0; y < height; ++y) {
            uint8_t* dst = out.scanLine(static_cast<int>(y)) + (2 - c);
            uint32_t x = 0;
            while (x < width) {
                const int n = getc_unlocked(f);
                if (n == EOF)
                    return true; // the rest stays zero
                if (n < 128) {
                    for (int i = 0; i <= n; ++i) {
                        const int v = getc_unlocked(f);
                        if (v == EOF)
                            return true;
                        if (x < width) {
                            dst[x * 3] = static_cast<uint8_t>(v);
                            ++x;
                        }
                    }
                } else if (n > 128) {
                    const int v = getc_unlocked(f);
                    if (v == EOF)
                        return true;
                    for (int i = 0; i < 257 - n && x < width; ++i, ++x)
                        dst[x * 3] = static_cast<uint8_t>(v);
                }
                // 128 is a no-op.
            }
        }
    }
    return true;
}

bool CPsdReader::ReadComposite(DibImage& out, int64_t maxPixels) {
    out = DibImage{};
    // Two 32-bit sides multiply into 64 bits only unsigned.
    const uint64_t limit =
        static_cast<uint64_t>(std::clamp<int64_t>(maxPixels, 0, kMaxOutputPixels));
    if (!file_ || width == 0 || height == 0 || static_cast<uint64_t>(width) * height > limit)
        return false;
    // Even PackBits cannot hold more than 64 pixels of a channel per byte; a
    // larger claim is a damaged header, not a picture worth allocating.
    if (static_cast<uint64_t>(width) * height > fileSize * 64)
        return false;
    out = MakeBlankDib(static_cast<int>(width), static_cast<int>(height));
    if (out.isNull())
        return false;
    if (depth != 8 || channels < 3)
        return true;
    uint16_t compression = 0;
    if (!seekTo(file_.get(), imageDataOffset) || !readU16(file_.get(), compression))
        return true;
    if (compression == 0)
        return copyRawPlanes(out);
    if (compression == 1 && colorMode == 3)
        return unpackRows(out);
    return true;
}

} // namespace lumora
