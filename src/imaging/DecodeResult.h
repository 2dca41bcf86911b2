// Outcome of one decode of a file into a DibImage, shared by every decoder.
#pragma once

#include "colour/ColourTransform.h"
#include "imaging/DibImage.h"
#include "imaging/RequestCounter.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace lumora {

enum class DecodeStatus {
    Decoded,    // every row was produced (a truncated JPEG counts: the library fills it)
    Cancelled,  // the request went stale; image holds the rows done so far
    Failed,     // the file opened but could not be decoded; image may be partial or empty
    OpenFailed, // the file (or the embedded block) could not be read at all
};

struct DecodeOutput {
    DecodeStatus status = DecodeStatus::OpenFailed;
    DibImage image;
    int sourceWidth = 0; // the picture's own size, once its header was read
    int sourceHeight = 0;
    int rowsDone = 0;       // output rows written before the decode stopped
    uint64_t bytesRead = 0; // bytes read from the file for an embedded block
    // How the file describes its colours: the embedded ICC profile (empty
    // when none; not yet checked) and the EXIF marking of Adobe RGB.
    std::vector<uint8_t> iccProfile;
    bool exifAdobeRgb = false;
    // The pixels are already in the colours the caller asked the decoder
    // for (JpegOptions::colourTarget), so ConvertDecodedColours leaves them.
    bool inTargetColours = false;

    bool ok() const { return status == DecodeStatus::Decoded && !image.isNull(); }
};

// Called once the picture's own size is known, before any pixel is decoded.
using SizeCallback = std::function<void(int width, int height)>;

// Work that follows a decode row by row on another thread (the viewer's
// reduced copy of a picture while it is being decoded). Both calls run on
// the decoding thread; the watcher must not touch rows past the count it
// was told, and must be done with the block before the decode's output is
// destroyed.
struct RowWatch {
    // Optional: where the output block comes from (size bytes, pages
    // populated or not as asked; null when memory is short). The block
    // is freed with delete[] like any other.
    std::function<std::unique_ptr<uint8_t[]>(std::size_t size, bool populate)> allocate;
    // Once the output block exists, before the first row is written. The
    // block's pages are not populated (see AllocatePixelBlock): filling
    // them in is the watcher's job, ahead of the decoder.
    std::function<void(const DibImage& image)> onAllocated;
    // Picture rows (top-down) finished so far: every few rows and once at
    // the end.
    std::function<void(int rowsDone)> onRows;
    // Optional, asked once the header is read when the rows need a colour
    // conversion: true takes the conversion over. The watcher then converts
    // every row it was told of, on its own thread, before it reads it, and
    // sees to it that all rows the decode produced are converted before the
    // output is used (the decoder converts none). False or absent: the
    // decoder converts each band before telling of it.
    std::function<bool(const TransformPtr& conversion)> adoptConversion;
};

// Largest picture any decoder accepts, in source pixels, and largest output
// it allocates. Hostile headers claim sizes far beyond any camera.
constexpr int64_t kMaxSourcePixels = 400LL * 1000 * 1000;
constexpr int64_t kMaxOutputPixels = 160LL * 1000 * 1000;
// Largest embedded colour profile taken from a file.
constexpr uint32_t kMaxIccBytes = 16u << 20;

// DCT-style reduction for a target size T: the first d of 8, 4, 2 with
// T * d < max(width, height), else 1, so the longer side stays above T.
// T <= 0 means full size (1).
constexpr int ChooseScaleDenominator(int target, int width, int height) {
    if (target <= 0)
        return 1;
    const int64_t longer = width > height ? width : height;
    for (int d : {8, 4, 2}) {
        if (static_cast<int64_t>(target) * d < longer)
            return d;
    }
    return 1;
}

} // namespace lumora
