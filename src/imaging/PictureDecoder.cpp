#include "imaging/PictureDecoder.h"

#include "imaging/PixelMemory.h"
#include "imaging/SafeOpen.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QString>

#include <algorithm>

namespace lumora {

namespace {

constexpr int kMaxPictureSide = 32768;

QColor colorFromRef(uint32_t ref) {
    return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF);
}

} // namespace

DibImage DibFromQImage(const QImage& source) {
    if (source.isNull())
        return {};
    const QImage rgb = source.format() == QImage::Format_RGB888
                           ? source
                           : source.convertToFormat(QImage::Format_RGB888);
    DibImage out = MakeBlankDib(rgb.width(), rgb.height());
    if (out.isNull())
        return out;
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar* src = rgb.constScanLine(y);
        uint8_t* dst = out.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x, src += 3, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
    }
    return out;
}

QImage QImageFromDib(const DibImage& image) {
    if (image.isNull())
        return {};
    QImage out(image.width(), image.height(), QImage::Format_RGB888);
    if (out.isNull())
        return out;
    for (int y = 0; y < image.height(); ++y) {
        const uint8_t* src = image.scanLine(y);
        uchar* dst = out.scanLine(y);
        for (int x = 0; x < image.width(); ++x, src += 3, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
    }
    return out;
}

PictureOptions CPictureDecoder::ThumbnailOptions(int kind) {
    PictureOptions options;
    if (kind == 260 || kind == 261) {
        options.background = kIconKeyColor;
    } else if (kind == 259) {
        options.background = kGifBackground;
    } else {
        options.fill = false;
    }
    return options;
}

DecodeOutput CPictureDecoder::Decode(const std::string& path, const PictureOptions& options) {
    DecodeOutput out;
    UniqueFd fd = OpenRegularFile(path);
    if (!fd)
        return out; // OpenFailed, also for what is not a regular file
    QFile file;
    if (!file.open(fd.get(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return out;
    fd.release(); // the QFile closes it
    // The content decides the reader, whatever the name says.
    QImageReader reader(&file);
    out.status = DecodeStatus::Failed;
    const int64_t maxPixels = std::min(options.maxPixels, kMaxOutputPixels);
    if (maxPixels < kMaxOutputPixels) {
        // The reader's own limit, in MiB of 32-bit pixels, covers the
        // pictures whose header gives no size up front.
        reader.setAllocationLimit(static_cast<int>(std::max<int64_t>(1, (maxPixels * 4) >> 20)));
    }
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide ||
                           int64_t(size.width()) * size.height() > maxPixels))
        return out;
    QImage picture;
    if (!reader.read(&picture) || picture.isNull() ||
        int64_t(picture.width()) * picture.height() > maxPixels)
        return out;

    QImage canvas(picture.size(), QImage::Format_RGB32);
    if (canvas.isNull())
        return out;
    canvas.fill(options.fill ? colorFromRef(options.background) : QColor(0, 0, 0));
    {
        QPainter painter(&canvas);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.drawImage(0, 0, picture);
    }
    out.sourceWidth = canvas.width();
    out.sourceHeight = canvas.height();
    if (options.onSize)
        options.onSize(out.sourceWidth, out.sourceHeight);
    out.image = DibFromQImage(canvas);
    out.rowsDone = out.image.height();
    out.status = out.image.isNull() ? DecodeStatus::Failed : DecodeStatus::Decoded;
    return out;
}

} // namespace lumora
