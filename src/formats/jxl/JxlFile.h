// JPEG XL pictures through libjxl: 8-bit RGB or RGBA (more bits brought to
// 8 by libjxl), turned as the file's own orientation says; the colour
// profile and the Exif box (after its 4-byte offset; Brotli-compressed boxes
// are unpacked) alongside. The file is read into memory (at most
// picture::kMaxFileBytes).
//
// Errors: every libjxl error, a refused size or a damaged box ends up in
// Picture::error or an empty field; nothing throws.
// Threads: reentrant; each call has its own decoder and decodes on the
// calling thread. The caller owns the result; ReadMemory only reads the
// bytes during the call.
#pragma once

#include "formats/picture/Picture.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace lumora::jxl {

picture::Picture Read(const std::string& path, const picture::Request& request);
picture::Picture ReadMemory(const std::uint8_t* data, std::size_t size,
                            const picture::Request& request);

constexpr std::size_t kMaxMetadataBytes = 8u << 20;
// Decoder events handled before giving up (boxes of a hostile file).
constexpr int kMaxEvents = 10000;

} // namespace lumora::jxl
