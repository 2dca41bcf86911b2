// In-memory JPEG encoding of sample pictures (libjpeg).
#pragma once

#include "Canvas.h"

#include <cstdint>
#include <vector>

namespace lumora::samples {

struct JpegOptions {
    int quality = 85;
    bool jfifHeader = false; // APP0 "JFIF" right after SOI
    bool grey = false;       // one component
};

// Baseline JPEG bytes (SOI ... EOI) of the canvas.
std::vector<uint8_t> encodeJpeg(const Canvas& canvas, const JpegOptions& options = {});

// Puts `segment` (a complete marker segment, FF xx length ...) right after the
// SOI, and after an APP0 JFIF segment when the stream starts with one.
std::vector<uint8_t> insertSegmentAfterSoi(const std::vector<uint8_t>& jpeg,
                                           const std::vector<uint8_t>& segment);

} // namespace lumora::samples
