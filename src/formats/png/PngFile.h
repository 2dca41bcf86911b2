// PNG pictures: the chunks are walked by a bounded reader of our own (size
// from IHDR, the eXIf block, the iCCP profile inflated), the pixels decoded
// by libpng's simplified reader (16-bit samples and palettes brought to 8-bit
// RGB or RGBA; gamma as libpng applies it). Animated PNG shows its default
// image.
//
// Errors: a damaged chunk ends the walk (what came before it is kept); a
// libpng error, a refused size or a short file end up in Picture::error.
// Nothing throws.
// Threads: reentrant, no shared state. The caller owns the result;
// ReadMemory only reads the bytes during the call.
#pragma once

#include "formats/picture/Picture.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace lumora::png {

picture::Picture Read(const std::string& path, const picture::Request& request);
picture::Picture ReadMemory(const std::uint8_t* data, std::size_t size,
                            const picture::Request& request);

// Chunks looked at before the walk gives up, and the largest eXIf block and
// (inflated) colour profile taken.
constexpr std::size_t kMaxChunks = 100000;
constexpr std::size_t kMaxMetadataBytes = 8u << 20;

} // namespace lumora::png
