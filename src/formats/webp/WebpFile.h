// WebP pictures: the RIFF chunks are walked by a bounded reader of our own
// (the EXIF and ICCP chunks), the pixels decoded by libwebp, reduced while
// decoding when a box is asked for (the result still reaches the box).
// Alpha is kept for the caller to draw over its background. An animation
// is refused (the placeholder shows), as libwebp's still decoder does.
//
// Errors: a damaged chunk ends the walk; a libwebp error or a refused size
// ends up in Picture::error. Nothing throws.
// Threads: reentrant, no shared state. The caller owns the result;
// ReadMemory only reads the bytes during the call.
#pragma once

#include "formats/picture/Picture.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace lumora::webp {

picture::Picture Read(const std::string& path, const picture::Request& request);
picture::Picture ReadMemory(const std::uint8_t* data, std::size_t size,
                            const picture::Request& request);

constexpr std::size_t kMaxChunks = 10000;
constexpr std::size_t kMaxMetadataBytes = 8u << 20;

} // namespace lumora::webp
