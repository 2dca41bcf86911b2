// TIFF decoding through libtiff's RGBA interface, band by band (a strip or a
// row of tiles at a time) with cancellation, warning and error handlers off.
//
// Threads: Decode is reentrant and may run on any thread at once; the
// handlers are switched off once per process, before the first open. The
// caller owns the result.
#pragma once

#include "imaging/DecodeResult.h"

#include <cstdint>
#include <string>

namespace lumora {

struct TiffOptions {
    // Thumbnails keep every d-th pixel of every d-th row, d chosen by the
    // JPEG scale rule for this target; 0 keeps the full size.
    int subsampleTarget = 0;
    // Largest picture decoded, in source pixels; a larger one fails after
    // its size was reported.
    int64_t maxSourcePixels = kMaxSourcePixels;
    // Largest single allocation the library may make while reading the
    // file (strip and tile buffers, tag arrays); 0 leaves the library's own.
    uint64_t maxLibraryAllocation = 0;
    CancelTest cancel;
    SizeCallback onSize;
};

class CTiffDecoder {
public:
    static DecodeOutput Decode(const std::string& path, const TiffOptions& options);
};

} // namespace lumora
