#include "viewer/ViewerPicture.h"

#include "imaging/PixelMemory.h"

#include <QTransform>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

namespace lumora {

QImage NewPixelImage(int width, int height) {
    if (width <= 0 || height <= 0)
        return {};
    const qsizetype stride = qsizetype(width) * 4;
    const std::size_t size = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
    // Big levels come from blocks populated in one go: faulting a fresh
    // 24 MB copy in page by page takes as long as filling it.
    std::unique_ptr<uint8_t[]> block = AllocatePixelBlock(size);
    if (!block)
        return {};
    QImage img(
        block.get(), width, height, stride, QImage::Format_RGB32,
        [](void* p) { std::unique_ptr<uint8_t[]>(static_cast<uint8_t*>(p)); }, block.get());
    if (img.isNull())
        return {};
    block.release(); // now held by img's cleanup
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
    // The image frees the DIB when its last copy goes.
    QImage img(
        bits, w, h, stride, QImage::Format_BGR888,
        [](void* p) { std::unique_ptr<DibImage>(static_cast<DibImage*>(p)); }, owned.get());
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

QImage QuarterDib(const DibImage& dib) {
    const int sw = dib.width();
    const int sh = dib.height();
    if (dib.isNull() || sw < 4 || sh < 4)
        return {};
    const int hw = sw / 2; // the halved rows, never stored whole
    const int w = hw / 2;
    const int h = sh / 4;
    QImage out = NewPixelImage(w, h);
    if (out.isNull())
        return {};
    std::vector<uint32_t> halves(static_cast<std::size_t>(2 * hw));
    const int stride = dib.stride();
    const uint8_t* bits = dib.bits();
    for (int y = 0; y < h; ++y) {
        for (int k = 0; k < 2; ++k) {
            // Halved row 2y + k, rounded exactly as HalveDib rounds it.
            const uint8_t* a = bits + static_cast<std::size_t>(sh - 1 - 2 * (2 * y + k)) * stride;
            const uint8_t* b = a - stride;
            uint32_t* d = halves.data() + k * hw;
            for (int x = 0; x < hw; ++x, a += 6, b += 6) {
                const uint32_t blue = (a[0] + a[3] + b[0] + b[3] + 2u) >> 2;
                const uint32_t green = (a[1] + a[4] + b[1] + b[4] + 2u) >> 2;
                const uint32_t red = (a[2] + a[5] + b[2] + b[5] + 2u) >> 2;
                d[x] = (red << 16) | (green << 8) | blue;
            }
        }
        // Then halved again as HalveImage does.
        const uint32_t* r0 = halves.data();
        const uint32_t* r1 = r0 + hw;
        auto* d = reinterpret_cast<uint32_t*>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const uint32_t p0 = r0[2 * x], p1 = r0[2 * x + 1], p2 = r1[2 * x], p3 = r1[2 * x + 1];
            const uint32_t rb =
                (p0 & 0xFF00FF) + (p1 & 0xFF00FF) + (p2 & 0xFF00FF) + (p3 & 0xFF00FF) + 0x020002;
            const uint32_t g =
                (p0 & 0xFF00) + (p1 & 0xFF00) + (p2 & 0xFF00) + (p3 & 0xFF00) + 0x200;
            d[x] = 0xFF000000u | ((rb >> 2) & 0xFF00FF) | ((g >> 2) & 0xFF00);
        }
    }
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
    QImage quarter = QuarterDib(dib);
    if (quarter.isNull())
        return nullptr;
    auto p = std::make_shared<ViewerPicture>();
    const int t = ((quarterTurns % 4) + 4) % 4;
    p->turns_ = t;
    p->width_ = t % 2 ? dib.height() : dib.width();
    p->height_ = t % 2 ? dib.width() : dib.height();
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
