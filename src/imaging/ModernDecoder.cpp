#include "imaging/ModernDecoder.h"

#include "imaging/ModernPicture.h"

#include <new>

namespace lumora {

DecodeOutput DecodeModernPicture(const std::string& path, ImageKind kind,
                                 const ModernDecodeOptions& options) {
    DecodeOutput out;
    picture::Request request;
    request.boxLongSide = options.boxLongSide;
    request.maxPixels = options.maxPixels > 0 ? options.maxPixels : kMaxSourcePixels;
    picture::Picture pic = ReadModernPicture(path, kind, request);
    if (pic.error == "cannot open file" || pic.error == "cannot read file")
        return out; // OpenFailed
    out.status = DecodeStatus::Failed;
    if (!pic.ok())
        return out;
    out.sourceWidth = pic.sourceWidth;
    out.sourceHeight = pic.sourceHeight;
    if (options.onSize)
        options.onSize(out.sourceWidth, out.sourceHeight);
    if (!pic.hasPixels() || (pic.channels != 3 && pic.channels != 4) ||
        static_cast<int64_t>(pic.width) * pic.height > kMaxOutputPixels)
        return out;
    DibImage image(pic.width, pic.height);
    if (image.isNull())
        return out;
    const unsigned back[3] = {(options.background >> 16) & 0xFF, (options.background >> 8) & 0xFF,
                              options.background & 0xFF}; // B, G, R
    const std::size_t rowBytes = static_cast<std::size_t>(pic.width) * pic.channels;
    for (int y = 0; y < pic.height; ++y) {
        const uint8_t* src = pic.pixels.data() + rowBytes * y;
        uint8_t* dst = image.scanLine(y);
        if (pic.channels == 3) {
            for (int x = 0; x < pic.width; ++x, src += 3, dst += 3) {
                dst[0] = src[2];
                dst[1] = src[1];
                dst[2] = src[0];
            }
        } else {
            for (int x = 0; x < pic.width; ++x, src += 4, dst += 3) {
                const unsigned a = src[3];
                dst[0] = static_cast<uint8_t>((src[2] * a + back[0] * (255 - a) + 127) / 255);
                dst[1] = static_cast<uint8_t>((src[1] * a + back[1] * (255 - a) + 127) / 255);
                dst[2] = static_cast<uint8_t>((src[0] * a + back[2] * (255 - a) + 127) / 255);
            }
        }
    }
    out.image = std::move(image);
    // The caller converts from the file's colours (ConvertDecodedColours).
    out.iccProfile = std::move(pic.iccProfile);
    out.rowsDone = out.image.height();
    out.status = DecodeStatus::Decoded;
    return out;
}

} // namespace lumora
