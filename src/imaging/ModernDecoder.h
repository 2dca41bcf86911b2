// HEIF, AVIF, PNG, WebP and JPEG XL pixels as a DibImage: the picture from
// its format glue (ModernPicture.h), transparent parts drawn over a
// background colour, in the bottom-up BGR layout. Never cancelled: the
// libraries decode in one call.
//
// Threads: reentrant; the loaders and the engine's workers call it
// directly. The caller owns the result.
#pragma once

#include "imaging/DecodeResult.h"
#include "imaging/ImageKind.h"

#include <cstdint>
#include <string>

namespace lumora {

struct ModernDecodeOptions {
    // 0: the full picture. Otherwise the longer side the caller will reduce
    // to: a smaller picture that still reaches it may come back (a stored
    // HEIF thumbnail, WebP's scaled decode).
    int boxLongSide = 0;
    uint32_t background = 0; // 0x00BBGGRR under transparent pixels
    int64_t maxPixels = 0;   // source pixels; 0: kMaxSourcePixels
    SizeCallback onSize;     // the picture's own size, before its pixels
};

// sourceWidth x sourceHeight are the picture's own size (as shown), the
// image may be smaller when a box was asked for.
DecodeOutput DecodeModernPicture(const std::string& path, ImageKind kind,
                                 const ModernDecodeOptions& options);

} // namespace lumora
