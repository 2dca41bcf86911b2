// BMP, GIF, ICO and CUR through Qt's image readers: the first image of the
// file is drawn over a background colour, as a picture object would render
// it, and handed back in the bottom-up BGR layout. Never cancelled.
//
// Threads: reentrant; Qt's image readers and QImage may be used on any
// thread, so the loaders and the engine's worker call it directly. The
// caller owns the result.
#pragma once

#include "imaging/DecodeResult.h"

#include <cstdint>
#include <string>

class QImage;

namespace lumora {

// Colours are 0x00BBGGRR values.
constexpr uint32_t kRgbBlack = 0x000000;
constexpr uint32_t kIconKeyColor = 0x000100;  // RGB(0,1,0)
constexpr uint32_t kGifBackground = 0xC0C0C0; // RGB(192,192,192)

struct PictureOptions {
    uint32_t background = kRgbBlack;
    bool fill = true;    // false draws over whatever the canvas holds (black here)
    // Largest picture decoded, in pixels; a larger one fails without being
    // read. It also bounds what the image reader may allocate.
    int64_t maxPixels = kMaxOutputPixels;
    SizeCallback onSize; // called after rendering, with the pixel size
};

class CPictureDecoder {
public:
    static DecodeOutput Decode(const std::string& path, const PictureOptions& options);
    // The background a thumbnail of this kind is rendered on (260/261: the
    // transparency key, 259: light grey, others: none).
    static PictureOptions ThumbnailOptions(int kind);
};

// Conversions between QImage and the bottom-up BGR layout.
DibImage DibFromQImage(const QImage& image);
QImage QImageFromDib(const DibImage& image);

} // namespace lumora
