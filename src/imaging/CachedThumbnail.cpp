#include "imaging/CachedThumbnail.h"

#include "imaging/ImageTools.h"
#include "imaging/PictureDecoder.h"
#include "imaging/ThumbnailDecoder.h"
#include "metadata/ImageInfo.h"

#include <QFile>

#include <algorithm>
#include <cmath>

namespace lumora {

namespace {

// Cached pictures are stored upright. A whole-file decode turns only JPEGs
// by their orientation, and only with auto-rotation on; these are the
// quarter turns from the upright picture back to what the decode shows.
int turnsFromUpright(const ImageItem& item, const ThumbnailBox& params) {
    if (params.autoRotate || !kindTurnsByExif(item.kind) || isRawKind(item.kind))
        return 0;
    return (4 - OrientationQuarterTurns(item.imageInfo.orientation)) % 4;
}

// The thumbnail block from a cached picture, fitted as fromWholeFile fits a
// decoded one. False when the picture is too small for the box.
bool fromCached(ImageItem& item, const ThumbnailBox& params, const QImage& cached, QSize recorded) {
    QImage opaque = cached;
    if (opaque.hasAlphaChannel()) {
        // Transparent parts show as the cell's dark grey, as the decoders do.
        QImage flat(opaque.size(), QImage::Format_RGB32);
        flat.fill(QColor(50, 50, 50));
        for (int y = 0; y < opaque.height(); ++y)
            for (int x = 0; x < opaque.width(); ++x) {
                const QColor c = opaque.pixelColor(x, y);
                const double a = c.alphaF();
                flat.setPixelColor(x, y,
                                   QColor(int(c.red() * a + 50 * (1 - a)),
                                          int(c.green() * a + 50 * (1 - a)),
                                          int(c.blue() * a + 50 * (1 - a))));
            }
        opaque = std::move(flat);
    }
    DibImage picture = DibFromQImage(opaque);
    if (picture.isNull())
        return false;
    const int back = turnsFromUpright(item, params);
    TurnQuarters(picture, back);
    // The picture the entry was scaled from fixes the proportions, so the
    // cell matches a decode to the pixel; a recorded size that does not fit
    // the entry (another program's, or a damaged key) is not trusted.
    int fitW = picture.width(), fitH = picture.height();
    if (recorded.isValid()) {
        if (back % 2 == 1)
            recorded.transpose();
        const double a = double(recorded.width()) / recorded.height();
        const double b = double(fitW) / fitH;
        if (std::abs(a / b - 1.0) < 0.03) {
            fitW = recorded.width();
            fitH = recorded.height();
        }
    }
    const ThumbnailGeometry g =
        FittedThumbnailGeometry(fitW, fitH, params.longSide, params.shortSide);
    const int dw = g.destination.width, dh = g.destination.height;
    // A picture smaller than the cell would be enlarged: decode instead,
    // unless the file itself is that small.
    const auto& info = item.imageInfo;
    const bool fileIsSmall = info.width && info.height &&
                             *info.width <= static_cast<uint32_t>(picture.width()) &&
                             *info.height <= static_cast<uint32_t>(picture.height());
    if ((picture.width() < dw && picture.height() < dh) && !fileIsSmall)
        return false;
    return FillFittedThumbnail(item.thumb, std::move(picture), g, item.kind);
}

void placeholder(ImageItem& item, const ThumbnailBox& params) {
    ThumbnailBlock block;
    block.thumbBits = MakeUnknownPlaceholder(params.longSide, params.shortSide);
    block.thumbWidth = block.thumbBits.width();
    block.thumbHeight = block.thumbBits.height();
    block.thumbDecoded = 1;
    block.thumbReal = 0;
    item.thumb = std::move(block);
}

// The decoded pre-image, upright and reduced to at most limit x limit for
// the cache (with the area filter the decode path uses, much cheaper than a
// smooth QImage scale); *picture receives its upright size before reduction.
QImage uprightPicture(const ImageItem& item, const ThumbnailBox& params, int limit,
                      QSize* picture) {
    const DibImage& pre = item.thumb.preimageBits;
    if (pre.isNull())
        return {};
    const int w = pre.width(), h = pre.height();
    DibImage upright;
    if (w > limit || h > limit) {
        const int dw = w >= h ? limit : std::max(1, int(std::lround(double(limit) * w / h)));
        const int dh = w >= h ? std::max(1, int(std::lround(double(limit) * h / w))) : limit;
        upright = CImageTools::ResizeArea(pre, dw, dh);
    } else {
        upright = pre.clone();
    }
    if (upright.isNull())
        return {};
    const int back = turnsFromUpright(item, params);
    TurnQuarters(upright, (4 - back) % 4);
    *picture = back % 2 == 1 ? QSize(h, w) : QSize(w, h);
    return QImageFromDib(upright);
}

} // namespace

void DecodeThumbnailCached(ImageItem& item, const ThumbnailBox& params,
                           const CThumbnailCache* cache) {
    if (!cache || item.useEmbedded) {
        DecodeThumbnail(item, params);
        return;
    }
    try {
        const std::optional<CacheSource> source =
            CacheSourceForFile(QFile::decodeName(QByteArray::fromStdString(item.path)));
        if (!source) {
            DecodeThumbnail(item, params);
            return;
        }
        const auto flavor = CThumbnailCache::FlavorFor(params.longSide, params.shortSide);
        QSize recorded;
        const QImage cached = cache->Lookup(*source, flavor, &recorded);
        if (!cached.isNull() && fromCached(item, params, cached, recorded))
            return;
        if (cache->HasFailure(*source)) {
            placeholder(item, params);
            return;
        }
        DecodeThumbnail(item, params);
        if (item.thumb.thumbReal) {
            QSize pictureSize;
            const QImage picture =
                uprightPicture(item, params, CThumbnailCache::FlavorSize(flavor), &pictureSize);
            if (!picture.isNull())
                cache->Store(*source, flavor, picture, pictureSize);
        } else {
            cache->StoreFailure(*source);
        }
    } catch (const std::exception&) {
        // The cache only costs speed: whatever went wrong, decode.
        if (item.thumb.thumbBits.isNull())
            DecodeThumbnail(item, params);
    }
}

std::function<void(ImageItem&, const ThumbnailBox&)>
CachedThumbnailMaker(std::shared_ptr<const CThumbnailCache> cache) {
    return [cache = std::move(cache)](ImageItem& item, const ThumbnailBox& params) {
        DecodeThumbnailCached(item, params, cache.get());
    };
}

} // namespace lumora
