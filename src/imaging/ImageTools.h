// Stateless toolbox over 24-bit bottom-up pictures (DibImage): sizes,
// histogram counts, plane splitting, YCbCr, scaling and quarter turns.
// Every function is reentrant and works only on what it is given, so any
// thread may call any of them at once; a picture itself must not be changed
// by two threads at once.
#pragma once

#include "imaging/DibImage.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace lumora {

class CImageTools {
public:
    CImageTools() = default;
    virtual ~CImageTools() = default;

    // Copies height rows of dibStride(width) bytes from pixels into image
    // (which is re-allocated) and, when destHeader is given, copies the
    // standard header there. Returns the rows set (0 for an empty size or
    // missing pixels).
    static int SetBitmapBits24(DibImage& image, int width, int height, BitmapInfo* destHeader,
                               const uint8_t* pixels);
    // Hands out a zeroed-then-filled copy of image's pixels; the header's
    // biSizeImage is the block size. Returns the rows copied.
    static int GetBitmapBits24(const DibImage& image, BitmapInfo* destHeader,
                               std::unique_ptr<uint8_t[]>& outPixels);

    // Byte size of a 24-bit picture of width x height (stride x height).
    static std::size_t GetImageSize24(int width, int height);

    // Counts each byte value of plane[0..count) into table. When scale is not
    // 0, every count becomes trunc((scale / count) * count_v) in single
    // precision.
    static void ComputeHistogram(const uint8_t* plane, std::size_t count, uint32_t table[256],
                                 uint32_t scale);

    // Splits padded rows of bytesPerPixel-byte BGR pixels into unpadded
    // width x height planes of red, green and blue.
    static void SplitBgrPlanes(int width, int height, const uint8_t* pixels, uint8_t* red,
                               uint8_t* green, uint8_t* blue, int bytesPerPixel);
    // The same walk, storing Y, Cb and Cr.
    static void ConvertToYCbCrPlanes(int width, int height, const uint8_t* pixels, uint8_t* y,
                                     uint8_t* cb, uint8_t* cr, int bytesPerPixel);

    // Bilinear resampling of 24-bit memory rows (bottom-up stays bottom-up).
    static void ResizeBilinear(int srcWidth, int srcHeight, int srcStride, const uint8_t* src,
                               int dstWidth, int dstHeight, int dstStride, uint8_t* dst);

    // Area-averaging (box filter) resampling in fixed point: every destination
    // pixel is the mean of the source area it covers, fractional edge pixels
    // weighted by their coverage. Made for reductions (thumbnails); an
    // enlargement degenerates to nearest-with-blended-edges.
    // Sub-rectangles work too: pass pointers to their first memory row and
    // column together with the images' full strides.
    static void ResizeArea(int srcWidth, int srcHeight, int srcStride, const uint8_t* src,
                           int dstWidth, int dstHeight, int dstStride, uint8_t* dst);
    static DibImage ResizeArea(const DibImage& src, int dstWidth, int dstHeight);
    // Area-averages the rectangle (sx, sy, sw, sh) of src into the rectangle
    // (dx, dy, dw, dh) of dst, both in picture coordinates (y down from the
    // top). Returns false, writing nothing, unless both rectangles are
    // non-empty and lie inside their images.
    static bool ResizeAreaRect(const DibImage& src, int sx, int sy, int sw, int sh, DibImage& dst,
                               int dx, int dy, int dw, int dh);

    // Quarter turns in 64 x 64 tiles; the image is replaced by the turned one
    // (width and height swap, biSizeImage = new stride x new height).
    static void RotateLeft90(DibImage& image);
    static void RotateRight90(DibImage& image);
    // Half turn: two counter-clockwise quarter turns.
    static void RotateHalf(DibImage& image);
};

} // namespace lumora
