// The result every picture-format glue (heif, png, webp, jxl) hands back: 8-bit
// pixels, the embedded colour profile and the EXIF block, plus the checks
// they share (size limits, alpha over a background, 16-bit to 8-bit).
//
// Plain values: the caller owns every result; the functions are reentrant
// and hold no state, so any thread may call them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lumora::picture {

// Largest picture a glue decodes: a header claiming more is refused before
// any pixel memory is allocated (the same bounds the other decoders keep).
constexpr std::int64_t kMaxPixels = 400LL * 1000 * 1000;
constexpr int kMaxSide = 65535;

// True when width x height is a picture a glue may allocate for.
constexpr bool SizeAllowed(std::int64_t width, std::int64_t height,
                           std::int64_t maxPixels = kMaxPixels) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
           width * height <= (maxPixels < kMaxPixels ? maxPixels : kMaxPixels);
}

// What a glue asks of a decode.
struct Request {
    // 0 x 0: the full picture. Otherwise a box: a glue with a scaled decode
    // (or a stored thumbnail) may hand back anything at least this large on
    // its longer side, never larger than the picture itself.
    int boxLongSide = 0;
    // A smaller bound on source pixels than kMaxPixels (0: kMaxPixels).
    std::int64_t maxPixels = 0;
    // Leave the pixels out (probe: sizes, profile and EXIF only).
    bool pixels = true;
};

struct Picture {
    int width = 0; // of pixels below (0 when none were decoded)
    int height = 0;
    int channels = 0;           // 3 (RGB) or 4 (RGBA, not premultiplied)
    int sourceWidth = 0;        // the picture's own size, as shown (after the
    int sourceHeight = 0;       // container's rotation for HEIF and JPEG XL)
    int bitDepth = 8;           // bits per sample stored in the file
    bool fromThumbnail = false; // the pixels are a stored thumbnail's
    // Turned and mirrored by the container already (HEIF irot/imir, the
    // JPEG XL orientation): the EXIF orientation must not be applied again.
    bool oriented = false;
    std::vector<std::uint8_t> pixels;     // top-down rows of width x channels bytes
    std::vector<std::uint8_t> iccProfile; // as embedded (decompressed); empty when none
    // The EXIF block as a TIFF stream ("II*\0" or "MM\0*" first); empty
    // when the file has none or the block does not start with a TIFF header.
    std::vector<std::uint8_t> exif;
    std::string error; // why the decode failed; empty on success

    bool ok() const { return error.empty() && sourceWidth > 0 && sourceHeight > 0; }
    bool hasPixels() const { return ok() && width > 0 && height > 0 && !pixels.empty(); }
};

// Keeps a block only when it starts with a TIFF header ("Exif\0\0" in front
// is dropped); otherwise empty.
std::vector<std::uint8_t> TiffStreamOf(const std::uint8_t* data, std::size_t size);

// RGB rows from a picture's pixels: RGBA is drawn over background
// (0x00RRGGBB); RGB is copied. Empty when the picture has no pixels.
std::vector<std::uint8_t> FlattenToRgb(const Picture& picture, std::uint32_t background);

// Samples of more than 8 bits brought to 8 by rounding their value range
// (a 10-bit 1023 becomes 255, not 3): n samples of `bits` significant bits.
void NarrowSamples(const std::uint16_t* in, std::size_t n, int bits, std::uint8_t* out);

} // namespace lumora::picture
