#include "viewer/ViewerPicture.h"

#include "imaging/PixelMemory.h"
#include "viewer/PixelPool.h"

#include <QTransform>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace lumora {

namespace {

// A pixel block a QImage owns; it goes back to the pool with the image's
// last copy.
struct PooledPixels {
    std::unique_ptr<uint8_t[]> block;
    std::size_t size = 0;
};

void givePixelsBack(void* info) {
    std::unique_ptr<PooledPixels> pixels(static_cast<PooledPixels*>(info));
    CPixelPool::Give(std::move(pixels->block), pixels->size);
}

} // namespace

QImage NewPixelImage(int width, int height) {
    if (width <= 0 || height <= 0)
        return {};
    const qsizetype stride = qsizetype(width) * 4;
    const std::size_t size = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
    // Big levels come from blocks populated in one go (or kept from an
    // earlier picture): faulting a fresh 24 MB copy in page by page takes
    // as long as filling it.
    auto pixels = std::make_unique<PooledPixels>();
    pixels->block = CPixelPool::TakeOrAllocate(size);
    pixels->size = size;
    if (!pixels->block)
        return {};
    QImage img(pixels->block.get(), width, height, stride, QImage::Format_RGB32, givePixelsBack,
               pixels.get());
    if (img.isNull())
        return {};
    pixels.release(); // now held by img's cleanup
    return img;
}

namespace {

// Rows of blue, green, red bytes into a new RGB32 image; `row(y)` gives the
// bytes of picture row y.
template <typename RowAt> QImage packedToImage(int w, int h, RowAt row) {
    QImage out = NewPixelImage(w, h);
    if (out.isNull())
        return {};
    uchar* outBits = out.bits();
    const qsizetype outStride = out.bytesPerLine();
    for (int y = 0; y < h; ++y) {
        const uint8_t* s = row(y);
        auto* d = reinterpret_cast<uint32_t*>(outBits + y * outStride);
        int x = 0;
        // Blue, green, red bytes read as a little-endian word are 0x..RRGGBB,
        // the 32-bit pixel layout: four pixels from three words. The last
        // pixels of a row go one by one.
        for (; x + 4 <= w; x += 4, s += 12) {
            uint32_t a, b, c;
            std::memcpy(&a, s, 4);
            std::memcpy(&b, s + 4, 4);
            std::memcpy(&c, s + 8, 4);
            d[x] = 0xFF000000u | (a & 0xFFFFFFu);
            d[x + 1] = 0xFF000000u | (a >> 24) | ((b & 0xFFFFu) << 8);
            d[x + 2] = 0xFF000000u | (b >> 16) | ((c & 0xFFu) << 16);
            d[x + 3] = 0xFF000000u | (c >> 8);
        }
        for (; x < w; ++x, s += 3)
            d[x] = 0xFF000000u | (uint32_t(s[2]) << 16) | (uint32_t(s[1]) << 8) | s[0];
    }
    return out;
}

} // namespace

QImage DibToImage(const DibImage& dib) {
    if (dib.isNull())
        return {};
    const int h = dib.height();
    const int stride = dib.stride();
    const uint8_t* bits = dib.bits();
    return packedToImage(
        dib.width(), h, [&](int y) { return bits + static_cast<std::size_t>(h - 1 - y) * stride; });
}

QImage AdoptDib(DibImage&& dib) {
    if (dib.isNull())
        return {};
    auto owned = std::make_unique<DibImage>(std::move(dib));
    const int w = owned->width();
    const int h = owned->height();
    const int stride = owned->stride();
    uint8_t* bits = owned->bits();
    for (int top = 0, bottom = h - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(bits + static_cast<std::size_t>(top) * stride,
                         bits + static_cast<std::size_t>(top) * stride + stride,
                         bits + static_cast<std::size_t>(bottom) * stride);
    // The image hands the DIB's block back when its last copy goes.
    QImage img(
        bits, w, h, stride, QImage::Format_BGR888,
        [](void* p) {
            std::unique_ptr<DibImage> dib(static_cast<DibImage*>(p));
            const std::size_t size = dib->byteSize();
            CPixelPool::Give(dib->release(), size);
        },
        owned.get());
    if (img.isNull())
        return {};
    owned.release(); // now held by img's cleanup
    return img;
}

namespace {

inline uint32_t pixelAt(const uchar* row, int x, bool packed24) {
    if (!packed24)
        return reinterpret_cast<const uint32_t*>(row)[x];
    const uchar* p = row + 3 * x; // blue, green, red
    return (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
}

} // namespace

QImage HalveImage(const QImage& src) {
    if (src.isNull())
        return {};
    const bool packed24 = src.format() == QImage::Format_BGR888;
    const QImage in =
        packed24 || src.format() == QImage::Format_RGB32 || src.format() == QImage::Format_ARGB32
            ? src
            : src.convertToFormat(QImage::Format_RGB32);
    const int w = std::max(1, in.width() / 2);
    const int h = std::max(1, in.height() / 2);
    QImage out = NewPixelImage(w, h);
    if (out.isNull())
        return {};
    const int sw = in.width();
    const int sh = in.height();
    if (packed24 && sw >= 2 && sh >= 2) {
        // Blue, green and red bytes summed channel by channel over the two
        // rows: no pixel words to build and take apart.
        for (int y = 0; y < h; ++y) {
            const uchar* a = in.constScanLine(2 * y);
            const uchar* b = in.constScanLine(2 * y + 1);
            auto* d = reinterpret_cast<uint32_t*>(out.scanLine(y));
            for (int x = 0; x < w; ++x, a += 6, b += 6) {
                const uint32_t blue = (a[0] + a[3] + b[0] + b[3] + 2u) >> 2;
                const uint32_t green = (a[1] + a[4] + b[1] + b[4] + 2u) >> 2;
                const uint32_t red = (a[2] + a[5] + b[2] + b[5] + 2u) >> 2;
                d[x] = 0xFF000000u | (red << 16) | (green << 8) | blue;
            }
        }
        return out;
    }
    for (int y = 0; y < h; ++y) {
        const uchar* a = in.constScanLine(std::min(2 * y, sh - 1));
        const uchar* b = in.constScanLine(std::min(2 * y + 1, sh - 1));
        auto* d = reinterpret_cast<uint32_t*>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int x0 = std::min(2 * x, sw - 1);
            const int x1 = std::min(2 * x + 1, sw - 1);
            const uint32_t p0 = pixelAt(a, x0, packed24), p1 = pixelAt(a, x1, packed24);
            const uint32_t p2 = pixelAt(b, x0, packed24), p3 = pixelAt(b, x1, packed24);
            // Red and blue in one word, green in another: four sums at once.
            const uint32_t rb =
                (p0 & 0xFF00FF) + (p1 & 0xFF00FF) + (p2 & 0xFF00FF) + (p3 & 0xFF00FF) + 0x020002;
            const uint32_t g =
                (p0 & 0xFF00) + (p1 & 0xFF00) + (p2 & 0xFF00) + (p3 & 0xFF00) + 0x200;
            d[x] = 0xFF000000u | ((rb >> 2) & 0xFF00FF) | ((g >> 2) & 0xFF00);
        }
    }
    return out;
}

QImage HalveDib(const DibImage& dib) {
    const int sw = dib.width();
    const int sh = dib.height();
    if (dib.isNull() || sw < 2 || sh < 2)
        return {};
    const int w = sw / 2;
    const int h = sh / 2;
    QImage out = NewPixelImage(w, h);
    if (out.isNull())
        return {};
    const int stride = dib.stride();
    const uint8_t* bits = dib.bits();
    for (int y = 0; y < h; ++y) {
        // Picture rows 2y and 2y + 1 are memory rows sh - 1 - 2y and sh - 2 - 2y.
        const uint8_t* a = bits + static_cast<std::size_t>(sh - 1 - 2 * y) * stride;
        const uint8_t* b = a - stride;
        auto* d = reinterpret_cast<uint32_t*>(out.scanLine(y));
        for (int x = 0; x < w; ++x, a += 6, b += 6) {
            const uint32_t blue = (a[0] + a[3] + b[0] + b[3] + 2u) >> 2;
            const uint32_t green = (a[1] + a[4] + b[1] + b[4] + 2u) >> 2;
            const uint32_t red = (a[2] + a[5] + b[2] + b[5] + 2u) >> 2;
            d[x] = 0xFF000000u | (red << 16) | (green << 8) | blue;
        }
    }
    return out;
}

namespace {

// One quarter pixel from four picture rows of twelve bytes (four pixels)
// each: each pair of rows halved as HalveDib rounds, then halved again as
// HalveImage rounds.
inline uint32_t quarterPixel(const uint8_t* r0, const uint8_t* r1, const uint8_t* r2,
                             const uint8_t* r3) {
    uint32_t out = 0xFF000000u;
    for (int c = 0; c < 3; ++c) {
        const uint32_t h0 = (r0[c] + r0[c + 3] + r1[c] + r1[c + 3] + 2u) >> 2;
        const uint32_t h1 = (r0[c + 6] + r0[c + 9] + r1[c + 6] + r1[c + 9] + 2u) >> 2;
        const uint32_t h2 = (r2[c] + r2[c + 3] + r3[c] + r3[c + 3] + 2u) >> 2;
        const uint32_t h3 = (r2[c + 6] + r2[c + 9] + r3[c + 6] + r3[c + 9] + 2u) >> 2;
        out |= ((h0 + h1 + h2 + h3 + 2u) >> 2) << (8 * c);
    }
    return out;
}

#ifdef __SSE2__
inline __m128i widenLow(__m128i v) {
    return _mm_unpacklo_epi8(v, _mm_setzero_si128());
}
inline __m128i widenHigh(__m128i v) {
    return _mm_unpackhi_epi8(v, _mm_setzero_si128());
}

// The same from sixteen bytes of each row (the last four unused), in
// 16-bit lanes; the two 16-byte halves of a row pair are bytes 0-7 and 8-15.
inline uint32_t quarterPixelSse2(const uint8_t* r0, const uint8_t* r1, const uint8_t* r2,
                                 const uint8_t* r3) {
    const __m128i two = _mm_set1_epi16(2);
    // The two halved pixels of a pair of rows: lanes 0-2 and 6-8 of
    // (sum + sum shifted by one pixel + 2) / 4.
    auto halves = [&](const uint8_t* a, const uint8_t* b, __m128i& low, __m128i& high) {
        const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
        const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
        const __m128i sumLow = _mm_add_epi16(widenLow(va), widenLow(vb));    // bytes 0-7
        const __m128i sumHigh = _mm_add_epi16(widenHigh(va), widenHigh(vb)); // bytes 8-15
        const __m128i nextLow =
            _mm_or_si128(_mm_srli_si128(sumLow, 6), _mm_slli_si128(sumHigh, 10)); // bytes 3-10
        const __m128i nextHigh = _mm_srli_si128(sumHigh, 6);                      // bytes 11-15
        low = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(sumLow, nextLow), two), 2);
        high = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(sumHigh, nextHigh), two), 2);
    };
    __m128i topLow, topHigh, bottomLow, bottomHigh;
    halves(r0, r1, topLow, topHigh);
    halves(r2, r3, bottomLow, bottomHigh);
    // The second halved pixel (lanes 6-8) moved to lanes 0-2.
    const __m128i topRight = _mm_or_si128(_mm_srli_si128(topLow, 12), _mm_slli_si128(topHigh, 4));
    const __m128i bottomRight =
        _mm_or_si128(_mm_srli_si128(bottomLow, 12), _mm_slli_si128(bottomHigh, 4));
    __m128i sum =
        _mm_add_epi16(_mm_add_epi16(topLow, topRight), _mm_add_epi16(bottomLow, bottomRight));
    sum = _mm_srli_epi16(_mm_add_epi16(sum, two), 2);
    const auto bgr = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(sum, sum)));
    return 0xFF000000u | (bgr & 0xFFFFFFu);
}
#endif

} // namespace

void QuarterDibRows(const DibPixels& dib, QImage& out, int firstRow, int endRow) {
    const int sh = dib.height;
    const int w = std::min(out.width(), dib.width / 4);
    const std::size_t stride = static_cast<std::size_t>(dib.stride);
    for (int y = firstRow; y < endRow; ++y) {
        // Picture rows 4y to 4y + 3 are memory rows sh - 1 - 4y downwards.
        const uint8_t* r0 = dib.bits + static_cast<std::size_t>(sh - 1 - 4 * y) * stride;
        const uint8_t* r1 = r0 - stride;
        const uint8_t* r2 = r1 - stride;
        const uint8_t* r3 = r2 - stride;
        auto* d = reinterpret_cast<uint32_t*>(out.scanLine(y));
        int x = 0;
#ifdef __SSE2__
        // Sixteen bytes are read where twelve are used: the last pixels of a
        // row whose padding is shorter go by the plain path.
        for (; x < w && std::size_t(12) * x + 16 <= stride; ++x)
            d[x] = quarterPixelSse2(r0 + 12 * x, r1 + 12 * x, r2 + 12 * x, r3 + 12 * x);
#endif
        for (; x < w; ++x)
            d[x] = quarterPixel(r0 + 12 * x, r1 + 12 * x, r2 + 12 * x, r3 + 12 * x);
    }
}

QImage QuarterDib(const DibImage& dib) {
    if (dib.isNull() || dib.width() < 4 || dib.height() < 4)
        return {};
    QImage out = NewPixelImage(dib.width() / 4, dib.height() / 4);
    if (out.isNull())
        return {};
    QuarterDibRows(DibPixels::Of(dib), out, 0, out.height());
    return out;
}

QImage TurnImage(const QImage& img, int quarterTurns) {
    const int t = ((quarterTurns % 4) + 4) % 4;
    if (t == 0 || img.isNull())
        return img;
    // A pure quarter turn: Qt copies it in cache-sized tiles.
    return img.transformed(QTransform().rotate(90.0 * t));
}

std::shared_ptr<const ViewerPicture> ViewerPicture::ReducedFromDib(const DibImage& dib,
                                                                   int quarterTurns, int minSide) {
    if (dib.isNull() || std::max(dib.width(), dib.height()) / 2 < std::max(1, minSide))
        return nullptr;
    QImage half = HalveDib(dib);
    if (half.isNull())
        return nullptr;
    auto p = std::make_shared<ViewerPicture>();
    const int t = ((quarterTurns % 4) + 4) % 4;
    p->turns_ = t;
    p->width_ = t % 2 ? dib.height() : dib.width();
    p->height_ = t % 2 ? dib.width() : dib.height();
    p->levels_.push_back(QImage()); // the full size follows
    p->levels_.push_back(TurnImage(half, t));
    if (p->levels_[1].isNull())
        return nullptr;
    p->buildLevels(minSide);
    return p;
}

std::shared_ptr<const ViewerPicture> ViewerPicture::QuarterFromDib(const DibImage& dib,
                                                                   int quarterTurns, int minSide) {
    if (dib.isNull() || std::max(dib.width(), dib.height()) / 4 < std::max(1, minSide))
        return nullptr;
    return FromQuarter(QuarterDib(dib), dib.width(), dib.height(), quarterTurns, minSide);
}

std::shared_ptr<const ViewerPicture> ViewerPicture::FromQuarter(QImage quarter, int fullWidth,
                                                                int fullHeight, int quarterTurns,
                                                                int minSide) {
    if (quarter.isNull() || quarter.width() != fullWidth / 4 ||
        quarter.height() != fullHeight / 4 ||
        std::max(fullWidth, fullHeight) / 4 < std::max(1, minSide))
        return nullptr;
    auto p = std::make_shared<ViewerPicture>();
    const int t = ((quarterTurns % 4) + 4) % 4;
    p->turns_ = t;
    p->width_ = t % 2 ? fullHeight : fullWidth;
    p->height_ = t % 2 ? fullWidth : fullHeight;
    p->levels_.push_back(QImage()); // the full size and the half follow
    p->levels_.push_back(QImage());
    p->levels_.push_back(TurnImage(quarter, t));
    if (p->levels_[2].isNull())
        return nullptr;
    p->buildLevels(minSide);
    return p;
}

std::shared_ptr<const ViewerPicture> ViewerPicture::WithFullSize(QImage full, QImage half) const {
    auto p = std::make_shared<ViewerPicture>(*this);
    if (!p->levels_.empty() && full.width() == width_ && full.height() == height_)
        p->levels_[0] = std::move(full);
    if (p->levels_.size() > 1 && p->levels_[1].isNull() && !half.isNull())
        p->levels_[1] = std::move(half);
    return p;
}

void ViewerPicture::buildLevels(int minSide) {
    minSide = std::max(1, minSide);
    while (std::max(levels_.back().width(), levels_.back().height()) / 2 >= minSide) {
        QImage next = HalveImage(levels_.back());
        if (next.isNull())
            break;
        levels_.push_back(std::move(next));
    }
}

std::shared_ptr<const ViewerPicture> ViewerPicture::FromDib(DibImage&& dib, int quarterTurns,
                                                            int minSide) {
    auto p = std::make_shared<ViewerPicture>();
    QImage full = AdoptDib(std::move(dib));
    if (full.isNull())
        return p;
    // Turning the full image is the costly step; the levels are then made
    // from the turned image.
    p->levels_.push_back(TurnImage(full, quarterTurns));
    p->turns_ = ((quarterTurns % 4) + 4) % 4;
    if (p->levels_[0].isNull()) {
        p->levels_.clear();
        return p;
    }
    p->width_ = p->levels_[0].width();
    p->height_ = p->levels_[0].height();
    p->buildLevels(minSide);
    return p;
}

std::shared_ptr<const ViewerPicture> ViewerPicture::FromImage(const QImage& image, int minSide) {
    auto p = std::make_shared<ViewerPicture>();
    QImage full = image.convertToFormat(QImage::Format_RGB32);
    if (full.isNull())
        return p;
    p->width_ = full.width();
    p->height_ = full.height();
    p->levels_.push_back(std::move(full));
    p->buildLevels(minSide);
    return p;
}

std::shared_ptr<const ViewerPicture> ViewerPicture::WithLevels(int minSide) const {
    auto p = std::make_shared<ViewerPicture>(*this); // the images are shared, not copied
    if (!p->levels_.empty())
        p->buildLevels(minSide);
    return p;
}

std::shared_ptr<const ViewerPicture> ViewerPicture::WithFastFullSize() const {
    auto p = std::make_shared<ViewerPicture>(*this);
    if (!p->levels_.empty() && p->levels_[0].format() != QImage::Format_RGB32) {
        const QImage& from = p->levels_[0];
        QImage fast = from.format() == QImage::Format_BGR888
                          ? packedToImage(from.width(), from.height(),
                                          [&](int y) { return from.constScanLine(y); })
                          : from.convertToFormat(QImage::Format_RGB32);
        if (!fast.isNull())
            p->levels_[0] = std::move(fast);
    }
    return p;
}

std::shared_ptr<const ViewerPicture> ViewerPicture::Turned(int quarterTurns) const {
    auto p = std::make_shared<ViewerPicture>();
    const int t = ((quarterTurns % 4) + 4) % 4;
    p->turns_ = (turns_ + t) % 4;
    p->width_ = t % 2 ? height_ : width_;
    p->height_ = t % 2 ? width_ : height_;
    for (const QImage& level : levels_)
        p->levels_.push_back(TurnImage(level, t)); // a pending (null) level stays null
    return p;
}

int ViewerPicture::levelFor(double scale) const {
    // Levels still pending are null and never chosen.
    int best = 0;
    while (best + 1 < levelCount() && levels_[static_cast<std::size_t>(best)].isNull())
        ++best;
    for (int i = best + 1; i < levelCount(); ++i) {
        const double levelScale =
            static_cast<double>(levels_[static_cast<std::size_t>(i)].width()) /
            std::max(1, width());
        if (levelScale + 1e-9 >= scale)
            best = i;
        else
            break;
    }
    return best;
}

std::size_t ViewerPicture::byteSize() const {
    std::size_t n = 0;
    for (const QImage& level : levels_)
        n += static_cast<std::size_t>(level.sizeInBytes());
    return n;
}

} // namespace lumora
