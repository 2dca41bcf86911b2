#include "viewer/ViewerPicture.h"

#include <QTransform>

#include <algorithm>
#include <cstdint>

namespace lumora {

QImage DibToImage(const DibImage& dib) {
    if (dib.isNull())
        return {};
    const int w = dib.width();
    const int h = dib.height();
    QImage out(w, h, QImage::Format_RGB32);
    if (out.isNull())
        return {};
    const int stride = dib.stride();
    const uint8_t* bits = dib.bits();
    for (int y = 0; y < h; ++y) {
        const uint8_t* s = bits + static_cast<std::size_t>(h - 1 - y) * stride;
        auto* d = reinterpret_cast<uint32_t*>(out.scanLine(y));
        for (int x = 0; x < w; ++x, s += 3)
            d[x] = 0xFF000000u | (uint32_t(s[2]) << 16) | (uint32_t(s[1]) << 8) | s[0];
    }
    return out;
}

QImage HalveImage(const QImage& src) {
    const int w = std::max(1, src.width() / 2);
    const int h = std::max(1, src.height() / 2);
    QImage out(w, h, QImage::Format_RGB32);
    if (out.isNull() || src.isNull())
        return {};
    const int sw = src.width();
    const int sh = src.height();
    for (int y = 0; y < h; ++y) {
        const int y0 = std::min(2 * y, sh - 1);
        const int y1 = std::min(2 * y + 1, sh - 1);
        const auto* a = reinterpret_cast<const uint32_t*>(src.constScanLine(y0));
        const auto* b = reinterpret_cast<const uint32_t*>(src.constScanLine(y1));
        auto* d = reinterpret_cast<uint32_t*>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int x0 = std::min(2 * x, sw - 1);
            const int x1 = std::min(2 * x + 1, sw - 1);
            const uint32_t p0 = a[x0], p1 = a[x1], p2 = b[x0], p3 = b[x1];
            // Red and blue in one word, green in another: four sums at once.
            const uint32_t rb = (p0 & 0xFF00FF) + (p1 & 0xFF00FF) + (p2 & 0xFF00FF) +
                                (p3 & 0xFF00FF) + 0x020002;
            const uint32_t g = (p0 & 0xFF00) + (p1 & 0xFF00) + (p2 & 0xFF00) + (p3 & 0xFF00) + 0x200;
            d[x] = 0xFF000000u | ((rb >> 2) & 0xFF00FF) | ((g >> 2) & 0xFF00);
        }
    }
    return out;
}

namespace {

QImage turnImage(const QImage& img, int quarterTurns) {
    const int t = ((quarterTurns % 4) + 4) % 4;
    if (t == 0 || img.isNull())
        return img;
    // A pure quarter turn: Qt copies it in cache-sized tiles.
    return img.transformed(QTransform().rotate(90.0 * t));
}

} // namespace

void ViewerPicture::buildLevels(int minSide) {
    minSide = std::max(1, minSide);
    while (std::max(levels_.back().width(), levels_.back().height()) / 2 >= minSide) {
        QImage next = HalveImage(levels_.back());
        if (next.isNull())
            break;
        levels_.push_back(std::move(next));
    }
}

std::shared_ptr<const ViewerPicture> ViewerPicture::FromDib(const DibImage& dib, int quarterTurns,
                                                            int minSide) {
    auto p = std::make_shared<ViewerPicture>();
    QImage full = DibToImage(dib);
    if (full.isNull())
        return p;
    // Turning the full image is the costly step; the levels are then made
    // from the turned image.
    p->levels_.push_back(turnImage(full, quarterTurns));
    p->turns_ = ((quarterTurns % 4) + 4) % 4;
    if (p->levels_[0].isNull()) {
        p->levels_.clear();
        return p;
    }
    p->buildLevels(minSide);
    return p;
}

std::shared_ptr<const ViewerPicture> ViewerPicture::FromImage(const QImage& image, int minSide) {
    auto p = std::make_shared<ViewerPicture>();
    QImage full = image.convertToFormat(QImage::Format_RGB32);
    if (full.isNull())
        return p;
    p->levels_.push_back(std::move(full));
    p->buildLevels(minSide);
    return p;
}

std::shared_ptr<const ViewerPicture> ViewerPicture::Turned(int quarterTurns) const {
    auto p = std::make_shared<ViewerPicture>();
    const int t = ((quarterTurns % 4) + 4) % 4;
    p->turns_ = (turns_ + t) % 4;
    for (const QImage& level : levels_)
        p->levels_.push_back(turnImage(level, t));
    return p;
}

int ViewerPicture::levelFor(double scale) const {
    int best = 0;
    for (int i = 1; i < levelCount(); ++i) {
        const double levelScale = static_cast<double>(levels_[static_cast<std::size_t>(i)].width()) /
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
