// HEIF, HEIC and AVIF pictures through libheif: the primary image (or its
// stored thumbnail when a box is asked for and one is large enough), turned
// and mirrored as the file says (irot/imir), pictures of more than 8 bits
// brought to 8, alpha kept for the caller to draw over its background; the
// colour profile (colr prof/rICC) and the Exif item (after its 4-byte
// offset) alongside.
//
// Errors: every libheif error, a refused size and a damaged Exif item end up
// in Picture::error or an empty field; nothing throws.
// Threads: reentrant; each call has its own libheif context (libheif may use
// decode threads of its own for tiled pictures). The caller owns the result;
// ReadMemory only reads the bytes during the call.
#pragma once

#include "formats/picture/Picture.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace lumora::heif {

picture::Picture Read(const std::string& path, const picture::Request& request);
picture::Picture ReadMemory(const std::uint8_t* data, std::size_t size,
                            const picture::Request& request);

// Largest Exif item and colour profile taken.
constexpr std::size_t kMaxMetadataBytes = 8u << 20;

} // namespace lumora::heif
