#include "imaging/ThumbnailDecoder.h"

#include "imaging/DecodedColours.h"
#include "imaging/ImageTools.h"
#include "imaging/JpegDecoder.h"
#include "imaging/ModernDecoder.h"
#include "imaging/PictureDecoder.h"
#include "imaging/PsdReader.h"
#include "imaging/TiffDecoder.h"
#include "metadata/ImageInfo.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>

namespace lumora {

namespace {

constexpr int kThumbTarget = 160;
constexpr int kFitWidth = 160;
constexpr int kFitHeight = 120;
// Under transparent pixels of a thumbnail: the cell's dark grey (0x00BBGGRR).
constexpr uint32_t kThumbnailBackground = 0x323232;

int trunc(double v) {
    return static_cast<int>(v);
}

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Good-quality reduction of a rectangle of src into width x height.
DibImage reduceRect(const DibImage& src, const ThumbRect& r, int width, int height) {
    if (src.isNull() || width <= 0 || height <= 0 || r.width <= 0 || r.height <= 0)
        return {};
    DibImage out(width, height);
    // Memory rows are bottom-up: the rectangle's last row is its first in memory.
    const uint8_t* first = src.memoryRow(src.height() - r.y - r.height) + r.x * 3;
    CImageTools::ResizeArea(r.width, r.height, src.stride(), first, width, height, out.stride(),
                            out.bits());
    return out;
}

// The decoders' limit for a box: its own, or theirs when it has none.
int64_t sourceLimit(const ThumbnailBox& params) {
    return params.maxSourcePixels > 0 ? params.maxSourcePixels : kMaxSourcePixels;
}

DibImage decodeThumbJpeg(const ImageItem& item, const ThumbnailBox& params) {
    JpegOptions options;
    options.scaleTarget = kThumbTarget;
    options.maxSourcePixels = sourceLimit(params);
    options.colourTarget = SrgbProfile();
    options.exifAdobeRgb = ExifSaysAdobeRgb(item.shootingInfo);
    const int kind = kindCode(item.kind);
    if (item.thumbFromSidecar && !item.sidecarName.empty()) {
        DecodeOutput out = CJpegDecoder::Decode(
            JpegSource{folderOf(item.path) + item.sidecarName, 0, 0, kind}, options);
        return out.ok() ? std::move(out.image) : DibImage{};
    }
    if (item.thumbOffset == 0 || item.thumbLength == 0)
        return {};
    // A box larger than the thumbnail the file states takes the next larger
    // picture (a CR3's PRVW), decoded large enough for the box; the small
    // one stays the fallback.
    const uint32_t statedLong = std::max(item.thumbStatedWidth, item.thumbStatedHeight);
    const uint32_t statedShort = std::min(item.thumbStatedWidth, item.thumbStatedHeight);
    const bool boxLarger =
        statedLong != 0 && (uint32_t(std::max(0, params.longSide)) > statedLong ||
                            uint32_t(std::max(0, params.shortSide)) > statedShort);
    if (boxLarger && item.largeThumbOffset != 0 && item.largeThumbLength != 0) {
        JpegOptions large = options;
        large.scaleTarget = std::max(kThumbTarget, params.longSide);
        DecodeOutput out = CJpegDecoder::Decode(
            JpegSource{item.path, item.largeThumbOffset, item.largeThumbLength, kind}, large);
        if (out.ok())
            return std::move(out.image);
    }
    DecodeOutput out = CJpegDecoder::Decode(
        JpegSource{item.path, item.thumbOffset, item.thumbLength, kind}, options);
    return out.ok() ? std::move(out.image) : DibImage{};
}

double aspectOf(const ImageItem& item, int w, int h) {
    const auto& s = item.shootingInfo;
    double a = 0, b = 0;
    if (s.aspectX && s.aspectY && *s.aspectX && *s.aspectY) {
        a = *s.aspectX;
        b = *s.aspectY;
    } else {
        a = w;
        b = h;
    }
    if (a <= 0 || b <= 0)
        return 1.0;
    return a >= b ? a / b : b / a;
}

bool fromEmbedded(ImageItem& item, const ThumbnailBox& params) {
    DibImage decoded = decodeThumbJpeg(item, params);
    if (decoded.isNull())
        return false;
    const int W = decoded.width(), H = decoded.height();
    const int turns = params.autoRotate ? OrientationQuarterTurns(item.imageInfo.orientation) : 0;
    TurnQuarters(decoded, turns);
    const ThumbnailGeometry g = EmbeddedThumbnailGeometry(
        W, H, aspectOf(item, W, H), params.longSide, params.shortSide, turns % 2 == 1);
    DibImage thumb = reduceRect(decoded, g.source, g.destination.width, g.destination.height);
    if (thumb.isNull())
        return false;
    ThumbnailBlock& t = item.thumb;
    t.thumbBits = std::move(thumb);
    t.preimageBits = std::move(decoded);
    t.srcX = g.source.x;
    t.srcY = g.source.y;
    t.srcWidth = g.source.width;
    t.srcHeight = g.source.height;
    t.dstX = g.destination.x;
    t.dstY = g.destination.y;
    t.thumbWidth = g.destination.width;
    t.thumbHeight = g.destination.height;
    t.thumbDecoded = 1;
    t.thumbReal = 1;
    return true;
}

bool isIcon(ImageKind kind) {
    return kind == ImageKind::Ico || kind == ImageKind::Cur;
}

// Decodes the whole file reduced for a thumbnail; empty when it cannot.
DibImage decodeWhole(const ImageItem& item, const ThumbnailBox& params) {
    switch (item.kind) {
    case ImageKind::Jpeg: {
        JpegOptions options;
        options.scaleTarget = kThumbTarget;
        options.maxSourcePixels = sourceLimit(params);
        options.colourTarget = SrgbProfile();
        options.exifAdobeRgb = ExifSaysAdobeRgb(item.shootingInfo);
        DecodeOutput out = CJpegDecoder::Decode(JpegSource{item.path}, options);
        return out.ok() ? std::move(out.image) : DibImage{};
    }
    case ImageKind::Tiff: {
        TiffOptions options;
        options.subsampleTarget = kThumbTarget;
        options.maxSourcePixels = sourceLimit(params);
        DecodeOutput out = CTiffDecoder::Decode(item.path, options);
        ConvertDecodedColours(out, SrgbProfile(), {}, ExifSaysAdobeRgb(item.shootingInfo));
        return out.ok() ? std::move(out.image) : DibImage{};
    }
    case ImageKind::Psd: {
        CPsdReader reader;
        if (!reader.Open(item.path) || !reader.HasThumbnail())
            return {};
        JpegOptions options;
        options.scaleTarget = kThumbTarget;
        options.maxSourcePixels = sourceLimit(params);
        DecodeOutput out = CJpegDecoder::Decode(
            JpegSource{item.path, reader.thumbnailOffset, reader.thumbnailLength}, options);
        if (!out.ok())
            return {};
        // The longer side becomes exactly 160.
        const int w = out.image.width(), h = out.image.height();
        const int dw = w >= h ? kThumbTarget : std::max(1, kThumbTarget * w / h);
        const int dh = w >= h ? std::max(1, kThumbTarget * h / w) : kThumbTarget;
        DibImage resized(dw, dh);
        CImageTools::ResizeBilinear(w, h, out.image.stride(), out.image.bits(), dw, dh,
                                    resized.stride(), resized.bits());
        return resized;
    }
    case ImageKind::Bmp:
    case ImageKind::Gif:
    case ImageKind::Ico:
    case ImageKind::Cur: {
        PictureOptions options = CPictureDecoder::ThumbnailOptions(kindCode(item.kind));
        options.maxPixels = std::min(sourceLimit(params), kMaxOutputPixels);
        DecodeOutput out = CPictureDecoder::Decode(item.path, options);
        if (!out.ok())
            return {};
        // Pictures larger than the 160 x 120 fit are reduced to it first.
        const ThumbnailGeometry inner =
            FittedThumbnailGeometry(out.image.width(), out.image.height(), kFitWidth, kFitWidth);
        const int iw = inner.destination.width, ih = inner.destination.height;
        if (out.image.width() <= iw && out.image.height() <= ih)
            return std::move(out.image);
        return isIcon(item.kind) ? ResizeNearest(out.image, iw, ih)
                                 : CImageTools::ResizeArea(out.image, iw, ih);
    }
    case ImageKind::Heif:
    case ImageKind::Avif:
    case ImageKind::Png:
    case ImageKind::WebP:
    case ImageKind::Jxl: {
        // A stored HEIF thumbnail or WebP's scaled decode when they reach the
        // box; transparent parts show as the cell's dark grey.
        ModernDecodeOptions options;
        options.boxLongSide = kFitWidth;
        options.background = kThumbnailBackground;
        options.maxPixels = sourceLimit(params);
        DecodeOutput out = DecodeModernPicture(item.path, item.kind, options);
        if (!out.ok())
            return {};
        ConvertDecodedColours(out, SrgbProfile(), {}, ExifSaysAdobeRgb(item.shootingInfo));
        // Reduced to the 160 x 160 fit first, so the pre-image stays small.
        const ThumbnailGeometry inner =
            FittedThumbnailGeometry(out.image.width(), out.image.height(), kFitWidth, kFitWidth);
        const int iw = inner.destination.width, ih = inner.destination.height;
        if (out.image.width() <= iw && out.image.height() <= ih)
            return std::move(out.image);
        return CImageTools::ResizeArea(out.image, iw, ih);
    }
    default:
        return {};
    }
}

std::atomic<int64_t> wholeFileDecodes{0};

bool fromWholeFile(ImageItem& item, const ThumbnailBox& params) {
    wholeFileDecodes.fetch_add(1, std::memory_order_relaxed);
    DibImage picture = decodeWhole(item, params);
    if (picture.isNull())
        return false;
    // A JPEG without a thumbnail is turned like one with, and so are PNG and
    // WebP (TIFF, HEIF and JPEG XL pictures come out of their decoders
    // already upright by their own orientation).
    if (params.autoRotate && kindTurnsByExif(item.kind))
        TurnQuarters(picture, OrientationQuarterTurns(item.imageInfo.orientation));
    const ThumbnailGeometry g = FittedThumbnailGeometry(picture.width(), picture.height(),
                                                        params.longSide, params.shortSide);
    return FillFittedThumbnail(item.thumb, std::move(picture), g, item.kind);
}

} // namespace

void TurnQuarters(DibImage& image, int quarterTurns) {
    if (quarterTurns == 1)
        CImageTools::RotateRight90(image);
    else if (quarterTurns == 2)
        CImageTools::RotateHalf(image);
    else if (quarterTurns == 3)
        CImageTools::RotateLeft90(image);
}

bool FillFittedThumbnail(ThumbnailBlock& block, DibImage picture, const ThumbnailGeometry& geometry,
                         ImageKind kind) {
    const int dw = geometry.destination.width, dh = geometry.destination.height;
    DibImage thumb =
        isIcon(kind) ? ResizeNearest(picture, dw, dh) : CImageTools::ResizeArea(picture, dw, dh);
    if (thumb.isNull())
        return false;
    ThumbnailBlock t;
    t.thumbBits = std::move(thumb);
    t.srcX = 0;
    t.srcY = 0;
    t.srcWidth = picture.width();
    t.srcHeight = picture.height();
    t.preimageBits = std::move(picture);
    t.dstX = geometry.destination.x;
    t.dstY = geometry.destination.y;
    t.thumbWidth = dw;
    t.thumbHeight = dh;
    t.thumbDecoded = 1;
    t.thumbReal = 1;
    block = std::move(t);
    return true;
}

ThumbnailGeometry EmbeddedThumbnailGeometry(int W, int H, double r, int Tw, int Th,
                                            bool quarterTurned) {
    if (!(r >= 1.0))
        r = 1.0;
    ThumbnailGeometry g;
    ThumbRect& s = g.source;
    ThumbRect& d = g.destination;
    if (H < W) {
        const int rows = trunc(W / r);
        if (rows <= H) {
            s = {0, (H - rows) / 2, W, rows};
        } else {
            // The picture is narrower than the stored thumbnail: crop the
            // side bars instead of reading rows that do not exist.
            const int cols = std::min(W, trunc(H * r));
            s = {(W - cols) / 2, 0, cols, H};
        }
        d = {0, trunc((Th - Tw / r) / 2), Tw, trunc(Tw / r)};
    } else {
        const int cols = std::min(trunc(H / r), W);
        s = {(W - cols) / 2, 0, cols, H};
        d = {trunc((Th - Tw / r) / 2), 0, trunc(Tw / r), Tw};
    }
    s.width = std::max(1, s.width);
    s.height = std::max(1, s.height);
    d.width = std::max(1, d.width);
    d.height = std::max(1, d.height);
    if (quarterTurned) {
        std::swap(s.x, s.y);
        std::swap(s.width, s.height);
        std::swap(d.x, d.y);
        std::swap(d.width, d.height);
    }
    return g;
}

ThumbnailGeometry FittedThumbnailGeometry(int width, int height, int Tw, int Th) {
    ThumbnailGeometry g;
    if (width <= 0 || height <= 0)
        return g;
    const double x = static_cast<double>(width) / height;
    g.source = {0, 0, width, height};
    if (height < width)
        g.destination = {0, trunc((Th - Tw / x) / 2), Tw, std::max(1, trunc(Tw / x))};
    else
        g.destination = {trunc((Tw - Tw * x) / 2), 0, std::max(1, trunc(Tw * x)), Tw};
    return g;
}

int64_t WholeFileDecodeCount() {
    return wholeFileDecodes.load(std::memory_order_relaxed);
}

DibImage ResizeNearest(const DibImage& src, int width, int height) {
    if (src.isNull() || width <= 0 || height <= 0)
        return {};
    DibImage out(width, height);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row =
            src.scanLine(static_cast<int>(static_cast<int64_t>(y) * src.height() / height));
        uint8_t* dst = out.scanLine(y);
        for (int x = 0; x < width; ++x, dst += 3) {
            const uint8_t* p = row + static_cast<int64_t>(x) * src.width() / width * 3;
            dst[0] = p[0];
            dst[1] = p[1];
            dst[2] = p[2];
        }
    }
    return out;
}

DibImage MakeUnknownPlaceholder(int Tw, int Th) {
    static std::mutex mutex;
    static DibImage card; // 160 x 120 with its text, made once
    DibImage base;
    {
        std::lock_guard lock(mutex);
        if (card.isNull()) {
            QImage image(kFitWidth, kFitHeight, QImage::Format_RGB32);
            image.fill(QColor(50, 50, 50));
            const bool canDrawText = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
            if (canDrawText) {
                QPainter painter(&image);
                QFont font(QStringLiteral("Arial"));
                font.setPixelSize(18);
                font.setBold(true);
                painter.setFont(font);
                painter.setPen(QColor(192, 192, 192));
                const int textHeight = painter.fontMetrics().height();
                const QString lines[] = {QStringLiteral("UNKNOWN"), QStringLiteral("IMAGE FILE")};
                const int tops[] = {50, 70};
                for (int i = 0; i < 2; ++i) {
                    const int top = tops[i] - textHeight / 2;
                    painter.drawText(QRect(0, top, kFitWidth, textHeight),
                                     Qt::AlignHCenter | Qt::AlignTop, lines[i]);
                }
            }
            DibImage made = DibFromQImage(image);
            if (!canDrawText)
                base = std::move(made); // plain card; try the text again next time
            else
                card = std::move(made);
        }
        if (base.isNull())
            base = card.clone();
    }
    if (Tw == kFitWidth && Th == kFitHeight)
        return base;
    return CImageTools::ResizeArea(base, std::max(1, Tw), std::max(1, Th));
}

void DecodeThumbnail(ImageItem& item, const ThumbnailBox& params) {
    item.thumb = ThumbnailBlock{};
    bool made = false;
    try {
        if (item.useEmbedded)
            made = fromEmbedded(item, params);
        // A damaged embedded thumbnail of a JPEG still leaves the whole file.
        if (!made && (!item.useEmbedded || item.kind == ImageKind::Jpeg))
            made = fromWholeFile(item, params);
    } catch (const std::bad_alloc&) {
        made = false;
    }
    if (made)
        return;
    ThumbnailBlock block;
    block.thumbBits = MakeUnknownPlaceholder(params.longSide, params.shortSide);
    block.thumbWidth = block.thumbBits.width();
    block.thumbHeight = block.thumbBits.height();
    block.thumbDecoded = 1;
    block.thumbReal = 0;
    item.thumb = std::move(block);
}

} // namespace lumora
