#include "marks/EmbeddedXmp.h"

#include <cstring>

namespace lumora {

namespace {

constexpr std::size_t kMaxJpegSegments = 64;
constexpr std::size_t kMaxPngChunks = 256;
constexpr std::uint16_t kMaxIfdEntries = 1024;
constexpr char kJpegXmpName[] = "http://ns.adobe.com/xap/1.0/"; // then a NUL
constexpr char kPngXmpKeyword[] = "XML:com.adobe.xmp";

struct Source {
    const ByteReader& read;
    std::uint64_t size;

    bool bytes(std::uint64_t pos, void* dst, std::size_t length) const {
        if (pos > size || length > size - pos)
            return false;
        return read(pos, dst, length) == length;
    }
    bool u16(std::uint64_t pos, bool little, std::uint16_t& v) const {
        std::uint8_t b[2];
        if (!bytes(pos, b, 2))
            return false;
        v = little ? static_cast<std::uint16_t>(b[0] | b[1] << 8)
                   : static_cast<std::uint16_t>(b[0] << 8 | b[1]);
        return true;
    }
    bool u32(std::uint64_t pos, bool little, std::uint32_t& v) const {
        std::uint8_t b[4];
        if (!bytes(pos, b, 4))
            return false;
        v = little ? (std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
                      std::uint32_t(b[3]) << 24)
                   : (std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 |
                      std::uint32_t(b[2]) << 8 | std::uint32_t(b[3]));
        return true;
    }
    std::string block(std::uint64_t pos, std::uint64_t length) const {
        if (length == 0 || length > kMaxEmbeddedXmp)
            return {};
        std::string out(static_cast<std::size_t>(length), '\0');
        if (!bytes(pos, out.data(), out.size()))
            return {};
        return out;
    }
};

std::string fromJpeg(const Source& s) {
    std::uint16_t soi = 0;
    if (!s.u16(0, false, soi) || soi != 0xFFD8)
        return {};
    std::uint64_t p = 2;
    constexpr std::size_t nameLength = sizeof kJpegXmpName; // with its NUL
    for (std::size_t n = 0; n < kMaxJpegSegments && p + 4 <= s.size; ++n) {
        std::uint8_t marker[2];
        if (!s.bytes(p, marker, 2) || marker[0] != 0xFF)
            return {};
        if (marker[1] == 0xFF) {
            ++p;
            continue;
        }
        if (marker[1] == 0xDA || marker[1] == 0xD9)
            return {}; // the scan begins: no more metadata segments
        if (marker[1] == 0x01 || (marker[1] >= 0xD0 && marker[1] <= 0xD8)) {
            p += 2;
            continue;
        }
        std::uint16_t length = 0;
        if (!s.u16(p + 2, false, length) || length < 2)
            return {};
        if (marker[1] == 0xE1 && length >= 2 + nameLength) {
            char name[nameLength];
            if (s.bytes(p + 4, name, nameLength) &&
                std::memcmp(name, kJpegXmpName, nameLength) == 0)
                return s.block(p + 4 + nameLength, length - 2 - nameLength);
        }
        p += 2 + static_cast<std::uint64_t>(length);
    }
    return {};
}

std::string fromTiff(const Source& s) {
    std::uint8_t h[4];
    if (!s.bytes(0, h, 4))
        return {};
    bool little = false;
    if (h[0] == 'I' && h[1] == 'I' && h[2] == 0x2A && h[3] == 0)
        little = true;
    else if (!(h[0] == 'M' && h[1] == 'M' && h[2] == 0 && h[3] == 0x2A))
        return {};
    std::uint32_t ifd = 0;
    std::uint16_t count = 0;
    if (!s.u32(4, little, ifd) || !s.u16(ifd, little, count) || count > kMaxIfdEntries)
        return {};
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::uint64_t e = std::uint64_t(ifd) + 2 + 12ull * i;
        std::uint16_t tag = 0, type = 0;
        std::uint32_t n = 0, offset = 0;
        if (!s.u16(e, little, tag) || !s.u16(e + 2, little, type) || !s.u32(e + 4, little, n) ||
            !s.u32(e + 8, little, offset))
            return {};
        if (tag != 700)
            continue;
        if (type != 1 && type != 7 && type != 2)
            return {};
        if (n <= 4)
            return {}; // no packet fits in four bytes
        return s.block(offset, n);
    }
    return {};
}

std::string fromPng(const Source& s) {
    static const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::uint8_t head[8];
    if (!s.bytes(0, head, 8) || std::memcmp(head, signature, 8) != 0)
        return {};
    std::uint64_t p = 8;
    for (std::size_t n = 0; n < kMaxPngChunks && p + 12 <= s.size; ++n) {
        std::uint32_t length = 0;
        char type[4];
        if (!s.u32(p, false, length) || !s.bytes(p + 4, type, 4))
            return {};
        const std::uint64_t data = p + 8;
        if (length > s.size - data)
            return {};
        if (std::memcmp(type, "IEND", 4) == 0 || std::memcmp(type, "IDAT", 4) == 0)
            return {}; // editors put XMP before the pixels
        if (std::memcmp(type, "iTXt", 4) == 0 && length > sizeof kPngXmpKeyword + 4) {
            // keyword NUL, compression flag, method, language NUL, translated NUL, text
            const std::string chunk = s.block(data, length);
            if (chunk.empty())
                return {};
            if (chunk.compare(0, sizeof kPngXmpKeyword,
                              std::string(kPngXmpKeyword, sizeof kPngXmpKeyword)) == 0) {
                std::size_t q = sizeof kPngXmpKeyword;
                if (q + 2 > chunk.size() || chunk[q] != 0)
                    return {}; // compressed XMP is not read
                q += 2;
                const std::size_t language = chunk.find('\0', q);
                if (language == std::string::npos)
                    return {};
                const std::size_t translated = chunk.find('\0', language + 1);
                if (translated == std::string::npos)
                    return {};
                return chunk.substr(translated + 1);
            }
        }
        p = data + length + 4; // data and CRC
    }
    return {};
}

} // namespace

std::string FindEmbeddedXmp(const ByteReader& read, std::uint64_t size, EmbeddedFormat format) {
    const Source s{read, size};
    switch (format) {
    case EmbeddedFormat::Jpeg:
        return fromJpeg(s);
    case EmbeddedFormat::Tiff:
        return fromTiff(s);
    case EmbeddedFormat::Png:
        return fromPng(s);
    }
    return {};
}

std::string FindEmbeddedXmp(const std::uint8_t* data, std::size_t size, EmbeddedFormat format) {
    const ByteReader read = [data, size](std::uint64_t pos, void* dst, std::size_t length) {
        if (pos > size || length > size - pos)
            return std::size_t{0};
        std::memcpy(dst, data + pos, length);
        return length;
    };
    return FindEmbeddedXmp(read, size, format);
}

bool SniffEmbeddedFormat(const std::uint8_t* head, std::size_t size, EmbeddedFormat& out) {
    if (size >= 2 && head[0] == 0xFF && head[1] == 0xD8) {
        out = EmbeddedFormat::Jpeg;
        return true;
    }
    if (size >= 4 && ((head[0] == 'I' && head[1] == 'I' && head[2] == 0x2A && head[3] == 0) ||
                      (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && head[3] == 0x2A))) {
        out = EmbeddedFormat::Tiff;
        return true;
    }
    if (size >= 8 && head[0] == 0x89 && head[1] == 'P' && head[2] == 'N' && head[3] == 'G') {
        out = EmbeddedFormat::Png;
        return true;
    }
    return false;
}

} // namespace lumora
