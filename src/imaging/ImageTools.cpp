#include "imaging/ImageTools.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

namespace lumora {

namespace {

inline uint8_t clampToByte(float v) {
    if (v > 255.0f)
        return 255;
    if (v < 0.0f)
        return 0;
    return static_cast<uint8_t>(v); // truncation
}

inline uint8_t clampToByte(int v) {
    return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

inline std::size_t planeStride(int width, int bytesPerPixel) {
    return (static_cast<std::size_t>(width) * bytesPerPixel + 3) / 4 * 4;
}

// Shared pixel walk of SplitBgrPlanes and ConvertToYCbCrPlanes: fn(b, g, r, index).
template <typename Fn>
void forEachPixel(int width, int height, const uint8_t* pixels, int bytesPerPixel, Fn&& fn) {
    if (width <= 0 || height <= 0 || !pixels || bytesPerPixel < 3)
        return;
    const std::size_t stride = planeStride(width, bytesPerPixel);
    std::size_t out = 0;
    for (int y = 0; y < height; ++y) {
        const uint8_t* p = pixels + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < width; ++x, p += bytesPerPixel, ++out)
            fn(p[0], p[1], p[2], out);
    }
}

// Fixed-point weights of one axis of an area reduction.
constexpr int kWeightBits = 16;
constexpr uint32_t kWeightOne = 1u << kWeightBits;

// acc[v] = w * row[v] (set) or acc[v] += w * row[v], for v < n. The rows
// never overlap the sums, and the blocks of 16 let the compiler use vector
// instructions at the usual optimisation level.
template <bool kSet>
inline void weighRow(uint32_t* __restrict acc, const uint8_t* __restrict row, uint32_t w,
                     std::size_t n) {
    std::size_t v = 0;
    for (; v + 16 <= n; v += 16)
        for (std::size_t q = 0; q < 16; ++q)
            acc[v + q] = (kSet ? 0u : acc[v + q]) + w * row[v + q];
    for (; v < n; ++v)
        acc[v] = (kSet ? 0u : acc[v]) + w * row[v];
}

struct AxisSpan {
    int first = 0;       // first source index
    int count = 0;       // number of source indexes
    int weightIndex = 0; // offset into the weight table
};

// Destination pixel d covers [d * S, (d + 1) * S) and source pixel s covers
// [s * D, (s + 1) * D) in units of 1 / (S * D) of the whole axis; the weight of
// s in d is the overlap, normalised so the weights of d sum to kWeightOne.
void buildAxis(int srcSize, int dstSize, std::vector<AxisSpan>& spans,
               std::vector<uint32_t>& weights) {
    spans.resize(static_cast<std::size_t>(dstSize));
    weights.clear();
    const int64_t s = srcSize;
    const int64_t d = dstSize;
    for (int64_t i = 0; i < d; ++i) {
        const int64_t lo = i * s;
        const int64_t hi = (i + 1) * s;
        const int64_t first = lo / d;
        const int64_t last = std::min<int64_t>((hi - 1) / d, s - 1);
        AxisSpan& span = spans[static_cast<std::size_t>(i)];
        span.first = static_cast<int>(first);
        span.count = static_cast<int>(last - first + 1);
        span.weightIndex = static_cast<int>(weights.size());
        // Weights are differences of rounded cumulative coverage, so they
        // always sum to exactly kWeightOne whatever the rounding.
        int64_t covered = 0;
        uint32_t previous = 0;
        for (int64_t k = first; k <= last; ++k) {
            covered += std::min(hi, (k + 1) * d) - std::max(lo, k * d);
            const auto cumulative = static_cast<uint32_t>((covered * kWeightOne + s / 2) / s);
            weights.push_back(cumulative - previous);
            previous = cumulative;
        }
    }
}

void rotateQuarter(DibImage& image, bool clockwise) {
    if (image.isNull())
        return;
    const int w = std::abs(image.header.biWidth);
    const int h = std::abs(image.header.biHeight);
    if (h > kMaxDibWidth)
        return; // the turned rows could not be addressed
    const int srcStride = dibStride(w);
    const int newStride = dibStride(h);
    const std::size_t newSize = static_cast<std::size_t>(newStride) * static_cast<std::size_t>(w);
    // Zero-filled so the padding of the new rows is defined.
    auto block = std::make_unique<uint8_t[]>(newSize);
    const uint8_t* src = image.bits();
    uint8_t* dst = block.get();
    constexpr int kTile = 64;
    if (image.header.biBitCount == 24) {
        for (int by = 0; by < h; by += kTile) {
            const int yEnd = std::min(by + kTile, h);
            for (int bx = 0; bx < w; bx += kTile) {
                const int xEnd = std::min(bx + kTile, w);
                for (int r = by; r < yEnd; ++r) {
                    const uint8_t* s = src + static_cast<std::size_t>(r) * srcStride + bx * 3;
                    for (int c = bx; c < xEnd; ++c, s += 3) {
                        // Counter-clockwise: dest (row c, col h-1-r);
                        // clockwise: dest (row w-1-c, col r).
                        const int m = clockwise ? w - 1 - c : c;
                        const int i = clockwise ? r : h - 1 - r;
                        uint8_t* d = dst + static_cast<std::size_t>(m) * newStride + i * 3;
                        d[0] = s[0];
                        d[1] = s[1];
                        d[2] = s[2];
                    }
                }
            }
        }
    }
    BitmapInfo header = image.header;
    header.biWidth = h;
    header.biHeight = w;
    header.biSizeImage = static_cast<uint32_t>(newSize);
    image.adopt(h, w, std::move(block));
    image.header = header;
}

} // namespace

int CImageTools::SetBitmapBits24(DibImage& image, int width, int height, BitmapInfo* destHeader,
                                 const uint8_t* pixels) {
    if (width <= 0 || height <= 0 || !pixels) {
        image.reset(0, 0);
        return 0;
    }
    image.reset(width, height);
    std::memcpy(image.bits(), pixels, image.byteSize());
    if (destHeader)
        *destHeader = image.header;
    return height;
}

int CImageTools::GetBitmapBits24(const DibImage& image, BitmapInfo* destHeader,
                                 std::unique_ptr<uint8_t[]>& outPixels) {
    outPixels.reset();
    if (image.isNull())
        return 0;
    BitmapInfo header;
    header.biWidth = image.width();
    header.biHeight = image.height();
    header.biSizeImage = static_cast<uint32_t>(image.byteSize());
    try {
        outPixels = std::make_unique<uint8_t[]>(image.byteSize());
    } catch (const std::bad_alloc&) {
        return 0; // no memory: a null block and no lines
    }
    std::memcpy(outPixels.get(), image.bits(), image.byteSize());
    if (destHeader)
        *destHeader = header;
    return image.height();
}

std::size_t CImageTools::GetImageSize24(int width, int height) {
    if (width <= 0 || height <= 0)
        return 0;
    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t h = static_cast<std::size_t>(height);
    if ((w * 3) % 4 == 0)
        return w * h * 3;
    return h * ((w * 3) / 4 + 1) * 4;
}

void CImageTools::ComputeHistogram(const uint8_t* plane, std::size_t count, uint32_t table[256],
                                   uint32_t scale) {
    std::fill(table, table + 256, 0u);
    if (!plane || count == 0)
        return; // nothing counted; also keeps scale / 0 out
    for (std::size_t i = 0; i < count; ++i)
        ++table[plane[i]];
    if (scale == 0)
        return;
    const float factor = static_cast<float>(scale) / static_cast<float>(count);
    for (int v = 0; v < 256; ++v)
        table[v] = static_cast<uint32_t>(factor * static_cast<float>(table[v]));
}

void CImageTools::SplitBgrPlanes(int width, int height, const uint8_t* pixels, uint8_t* red,
                                 uint8_t* green, uint8_t* blue, int bytesPerPixel) {
    forEachPixel(width, height, pixels, bytesPerPixel,
                 [&](uint8_t b, uint8_t g, uint8_t r, std::size_t i) {
                     red[i] = r;
                     green[i] = g;
                     blue[i] = b;
                 });
}

void CImageTools::ConvertToYCbCrPlanes(int width, int height, const uint8_t* pixels, uint8_t* y,
                                       uint8_t* cb, uint8_t* cr, int bytesPerPixel) {
    forEachPixel(width, height, pixels, bytesPerPixel,
                 [&](uint8_t b8, uint8_t g8, uint8_t r8, std::size_t i) {
                     const float r = r8, g = g8, b = b8;
                     const int yv = static_cast<int>(0.587f * g + 0.299f * r + 0.114f * b);
                     const int crv = 128 - static_cast<int>(0.419f * g - 0.5f * r + 0.081f * b);
                     const int cbv = 128 - static_cast<int>(0.332f * g + 0.169f * r - 0.5f * b);
                     y[i] = clampToByte(yv);
                     cb[i] = clampToByte(cbv);
                     cr[i] = clampToByte(crv);
                 });
}

void CImageTools::ResizeBilinear(int srcWidth, int srcHeight, int srcStride, const uint8_t* src,
                                 int dstWidth, int dstHeight, int dstStride, uint8_t* dst) {
    if (srcWidth <= 0 || srcHeight <= 0 || dstWidth <= 0 || dstHeight <= 0 || !src || !dst)
        return;
    const float scaleY = static_cast<float>(dstHeight) / static_cast<float>(srcHeight);
    const float scaleX = static_cast<float>(dstWidth) / static_cast<float>(srcWidth);

    struct Column {
        int x0, x1;
        float fx;
    };
    std::vector<Column> columns(static_cast<std::size_t>(dstWidth));
    for (int j = 0; j < dstWidth; ++j) {
        const float x = static_cast<float>(j) / scaleX;
        // Clamped on both sides: rounding must never step past the last column.
        const int x0 = std::min(static_cast<int>(std::floor(x)), srcWidth - 1);
        columns[static_cast<std::size_t>(j)] = {x0, std::min(x0 + 1, srcWidth - 1),
                                                x - static_cast<float>(x0)};
    }

    uint8_t* out = dst;
    for (int i = 0; i < dstHeight; ++i, out += dstStride) {
        const float y = static_cast<float>(i) / scaleY;
        const int y0 = std::min(static_cast<int>(std::floor(y)), srcHeight - 1);
        const float fy = y - static_cast<float>(y0);
        const int y1 = std::min(y0 + 1, srcHeight - 1);
        const uint8_t* row0 = src + static_cast<std::size_t>(y0) * srcStride;
        const uint8_t* row1 = src + static_cast<std::size_t>(y1) * srcStride;
        uint8_t* d = out;
        for (const Column& c : columns) {
            const float w00 = (1 - fy) * (1 - c.fx);
            const float w01 = (1 - fy) * c.fx;
            const float w10 = fy * (1 - c.fx);
            const float w11 = fy * c.fx;
            const uint8_t* s00 = row0 + c.x0 * 3;
            const uint8_t* s01 = row0 + c.x1 * 3;
            const uint8_t* s10 = row1 + c.x0 * 3;
            const uint8_t* s11 = row1 + c.x1 * 3;
            for (int k = 0; k < 3; ++k) {
                const float v = w00 * s00[k] + w01 * s01[k] + w10 * s10[k] + w11 * s11[k];
                *d++ = clampToByte(v);
            }
        }
    }
}

void CImageTools::ResizeArea(int srcWidth, int srcHeight, int srcStride, const uint8_t* src,
                             int dstWidth, int dstHeight, int dstStride, uint8_t* dst) {
    if (srcWidth <= 0 || srcHeight <= 0 || dstWidth <= 0 || dstHeight <= 0 || !src || !dst)
        return;
    std::vector<AxisSpan> xs, ys;
    std::vector<uint32_t> xw, yw;
    buildAxis(srcWidth, dstWidth, xs, xw);
    buildAxis(srcHeight, dstHeight, ys, yw);

    const std::size_t rowValues = static_cast<std::size_t>(srcWidth) * 3;
    // Vertical sums of one destination row: at most 255 * 2^16 per value.
    // The first weighted source row sets them, the others add to them.
    std::vector<uint32_t> acc(rowValues);
    for (int i = 0; i < dstHeight; ++i) {
        const AxisSpan& ys_i = ys[static_cast<std::size_t>(i)];
        bool first = true;
        for (int k = 0; k < ys_i.count; ++k) {
            const uint32_t w = yw[static_cast<std::size_t>(ys_i.weightIndex + k)];
            if (w == 0)
                continue;
            const uint8_t* s = src + static_cast<std::size_t>(ys_i.first + k) * srcStride;
            if (first)
                weighRow<true>(acc.data(), s, w, rowValues);
            else
                weighRow<false>(acc.data(), s, w, rowValues);
            first = false;
        }
        if (first)
            std::fill(acc.begin(), acc.end(), 0u);
        uint8_t* d = dst + static_cast<std::size_t>(i) * dstStride;
        for (int j = 0; j < dstWidth; ++j) {
            const AxisSpan& xs_j = xs[static_cast<std::size_t>(j)];
            uint64_t b = 0, g = 0, r = 0;
            const uint32_t* a = acc.data() + static_cast<std::size_t>(xs_j.first) * 3;
            const uint32_t* w = xw.data() + xs_j.weightIndex;
            for (int k = 0; k < xs_j.count; ++k, a += 3) {
                b += static_cast<uint64_t>(w[k]) * a[0];
                g += static_cast<uint64_t>(w[k]) * a[1];
                r += static_cast<uint64_t>(w[k]) * a[2];
            }
            constexpr int shift = 2 * kWeightBits;
            constexpr uint64_t half = uint64_t{1} << (shift - 1);
            d[0] = static_cast<uint8_t>(std::min<uint64_t>((b + half) >> shift, 255));
            d[1] = static_cast<uint8_t>(std::min<uint64_t>((g + half) >> shift, 255));
            d[2] = static_cast<uint8_t>(std::min<uint64_t>((r + half) >> shift, 255));
            d += 3;
        }
    }
}

DibImage CImageTools::ResizeArea(const DibImage& src, int dstWidth, int dstHeight) {
    DibImage out;
    if (src.isNull() || dstWidth <= 0 || dstHeight <= 0)
        return out;
    out.reset(dstWidth, dstHeight);
    ResizeArea(src.width(), src.height(), src.stride(), src.bits(), dstWidth, dstHeight,
               out.stride(), out.bits());
    return out;
}

bool CImageTools::ResizeAreaRect(const DibImage& src, int sx, int sy, int sw, int sh, DibImage& dst,
                                 int dx, int dy, int dw, int dh) {
    auto inside = [](const DibImage& img, int x, int y, int w, int h) {
        return !img.isNull() && w > 0 && h > 0 && x >= 0 && y >= 0 && x <= img.width() - w &&
               y <= img.height() - h;
    };
    if (!inside(src, sx, sy, sw, sh) || !inside(dst, dx, dy, dw, dh))
        return false;
    // The rectangle's lowest memory row is its bottom picture row.
    const uint8_t* s = src.memoryRow(src.height() - sy - sh) + static_cast<std::size_t>(sx) * 3;
    uint8_t* d = dst.memoryRow(dst.height() - dy - dh) + static_cast<std::size_t>(dx) * 3;
    ResizeArea(sw, sh, src.stride(), s, dw, dh, dst.stride(), d);
    return true;
}

void CImageTools::RotateLeft90(DibImage& image) {
    rotateQuarter(image, false);
}

void CImageTools::RotateRight90(DibImage& image) {
    rotateQuarter(image, true);
}

void CImageTools::RotateHalf(DibImage& image) {
    rotateQuarter(image, false);
    rotateQuarter(image, false);
}

} // namespace lumora
