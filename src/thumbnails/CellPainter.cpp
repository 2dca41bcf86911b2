#include "thumbnails/CellPainter.h"

#include "settings/AppSettings.h"
#include "thumbnails/CaptionText.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace lumora {

QFont captionFont(const QString& face, int height, int weight) {
    QFont f;
    // Where the face is not installed, a proportional Japanese gothic of the
    // same build stands in, then narrow Latin faces.
    f.setFamilies({face, QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP"),
                   QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("sans-serif")});
    const int px = std::abs(height);
    // A positive height is a cell height; the character height is about 7/8 of it.
    f.setPixelSize(height < 0 ? (px > 0 ? px : 12) : (px * 7 + 4) / 8 + (px == 0 ? 12 : 0));
    if (weight > 0)
        f.setWeight(static_cast<QFont::Weight>(weight < 1 ? 1 : (weight > 1000 ? 1000 : weight)));
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

void CellStyle::apply(const AppSettings& s) {
    workspace = colorFromRef(s.ThumbWorkspace);
    canvasNormal = colorFromRef(s.CanvasNormal);
    selectedForeground = colorFromRef(s.CanvasSelectedForeground);
    selectedBackground = colorFromRef(s.CanvasSelectedBackground);
    edge = colorFromRef(s.ThumbEdge);
    cursorForeground = colorFromRef(s.CursorForeground);
    cursorBackground = colorFromRef(s.CursorBackground);
    fileNameColor = colorFromRef(s.FileName);
    exifInfoColor = colorFromRef(s.ExifInfo);
    nameFont = captionFont(s.FileNameFace, s.FileNameHeight, s.FileNameWidth);
    infoFont = captionFont(s.ExifInfoFace, s.ExifInfoHeight, s.ExifInfoWidth);
    kindFont = captionFont(QStringLiteral("MS UI Gothic"), -10, 700);
    kindIcon = s.KindIcon != 0;
    protectIcon = s.ProtectIcon != 0;
    layout.imageSpace = s.ImageSpace;
    layout.itemSpace = s.ItemSpace;
    layout.showFileName = s.ShowFileName != 0;
    layout.showGuide = s.ShowGuide != 0;
    layout.setThumbnailSize(s.ThumbnailSize, s.CustomThumbnailSizeHorz, s.CustomThumbnailSizeVert);
    layout.nameLineHeight = QFontMetrics(nameFont).height();
    layout.infoLineHeight = QFontMetrics(infoFont).height();
}

namespace {

// One centred caption line; a line wider than the cell less a 2-pixel margin
// each side is narrowed horizontally to that width, so no character is cut
// off at the cell's edges.
void drawFittedLine(QPainter& p, const QRect& box, const QString& text) {
    const auto flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine;
    const int room = box.width() - 4;
    const int width = p.fontMetrics().horizontalAdvance(text);
    if (room <= 0 || width <= room) {
        p.drawText(box, flags, text);
        return;
    }
    p.save();
    p.translate(box.left() + 2, box.top());
    p.scale(qreal(room) / width, 1.0);
    p.drawText(QRect(0, 0, width, box.height()), flags, text);
    p.restore();
}

} // namespace

QImage thumbnailImage(const ImageItem& item) {
    const DibImage& dib = item.thumb.thumbBits;
    if (dib.isNull() || dib.width() <= 0 || dib.height() <= 0 ||
        dib.byteSize() < static_cast<std::size_t>(dib.stride()) * dib.height())
        return {};
    // Bottom-up rows: the last memory row is the top picture row.
    QImage image(dib.width(), dib.height(), QImage::Format_RGB32);
    for (int y = 0; y < dib.height(); ++y) {
        const uint8_t* src = dib.scanLine(y);
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < dib.width(); ++x)
            dst[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
    }
    if (item.kind == ImageKind::Ico || item.kind == ImageKind::Cur) {
        image = image.convertToFormat(QImage::Format_ARGB32);
        const QRgb key = qRgb(0, 1, 0);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if ((line[x] | 0xFF000000u) == key)
                    line[x] = 0;
        }
    }
    return image;
}

namespace {

// The read-only mark: a small padlock on a yellow tag, 22 x 12.
void drawProtectMark(QPainter& p, int x, int y) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 70, 0), 1));
    p.setBrush(QColor(255, 214, 64));
    p.drawRoundedRect(QRectF(x + 0.5, y + 0.5, 21, 11), 2, 2);
    p.setPen(QPen(QColor(60, 60, 60), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(x + 7.5, y + 1.5, 7, 7), 0, 180 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(QRectF(x + 6.5, y + 5, 9, 5.5));
    p.restore();
}

// A five-pointed star of outer radius r centred on (0, 0).
QPainterPath starPath(qreal r) {
    QPainterPath path;
    for (int i = 0; i < 10; ++i) {
        const qreal radius = (i % 2) ? r * 0.45 : r;
        const qreal angle = -M_PI / 2 + i * M_PI / 5;
        const QPointF point(radius * std::cos(angle), radius * std::sin(angle));
        if (i == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    path.closeSubpath();
    return path;
}

// Stars and label along the bottom of the picture box, on a dark band so
// they read on any picture; the sizes follow the cell, never below 7 px.
void drawMarks(QPainter& p, const Marks& marks, const ThumbnailLayout& l) {
    if (marks.rating == 0 && marks.label == ColorLabel::None)
        return;
    const int cw = l.cellWidth();
    const int size = std::clamp(cw / 14, 7, 16);
    const int bandHeight = size + 4;
    const int bottom = l.imageSpace + l.longSide;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const int starsWidth = marks.rating * (size + 1);
    const int labelWidth = marks.label != ColorLabel::None ? size + 3 : 0;
    const int bandWidth = starsWidth + labelWidth + 6;
    const QRectF band(l.imageSpace + 1, bottom - bandHeight - 1, bandWidth, bandHeight);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 150));
    p.drawRoundedRect(band, 3, 3);
    const QPainterPath star = starPath(size / 2.0);
    p.setBrush(QColor(255, 200, 40));
    for (int i = 0; i < marks.rating; ++i)
        p.drawPath(
            star.translated(band.left() + 3 + size / 2.0 + i * (size + 1), band.center().y()));
    if (marks.label != ColorLabel::None) {
        const std::uint32_t rgb = ColorLabelRgb(marks.label);
        p.setPen(QPen(Qt::white, 1));
        p.setBrush(QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
        p.drawEllipse(QRectF(band.left() + 3 + starsWidth + 1, band.top() + 2, size, size));
    }
    p.restore();
}

// A rejected cell: dimmed, with a red cross in a circle at the top right.
void drawRejected(QPainter& p, const ThumbnailLayout& l, const QColor& background) {
    const int cw = l.cellWidth();
    const int ch = l.cellHeight();
    QColor veil = background;
    veil.setAlpha(160);
    p.fillRect(QRect(0, 0, cw, ch), veil);
    const int size = std::clamp(cw / 8, 12, 24);
    const QRectF circle(cw - size - 4, 4, size, size);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 30, 30));
    p.drawEllipse(circle);
    p.setPen(QPen(Qt::white, std::max(2.0, size / 8.0), Qt::SolidLine, Qt::RoundCap));
    const qreal inset = size * 0.3;
    p.drawLine(circle.topLeft() + QPointF(inset, inset),
               circle.bottomRight() - QPointF(inset, inset));
    p.drawLine(circle.topRight() + QPointF(-inset, inset),
               circle.bottomLeft() + QPointF(inset, -inset));
    p.restore();
}

QColor kindColor(ImageKind kind) {
    if (kind == ImageKind::Jpeg)
        return colorFromRef(0x0000C8);
    if (isRawKind(kind))
        return colorFromRef(0xC80000);
    return colorFromRef(0x640064);
}

} // namespace

QImage composeCell(const ImageItem& item, const CellStyle& style) {
    const ThumbnailLayout& l = style.layout;
    const int cw = l.cellWidth();
    const int ch = l.cellHeight();
    const qreal dpr = style.devicePixelRatio > 0 ? style.devicePixelRatio : 1.0;
    QImage cell(qRound(cw * dpr), qRound(ch * dpr), QImage::Format_ARGB32_Premultiplied);
    cell.setDevicePixelRatio(dpr);

    const bool selected = item.state & kStateSelected;
    const QColor background =
        selected ? (style.focused ? style.selectedForeground : style.selectedBackground)
                 : style.canvasNormal;
    cell.fill(background);
    QPainter p(&cell);
    p.setRenderHint(QPainter::TextAntialiasing);

    if (l.showFileName) {
        p.setFont(style.nameFont);
        p.setPen(style.fileNameColor);
        const int bottom = l.imageSpace + l.longSide + l.nameLineHeight + 4;
        const QFontMetrics fm(style.nameFont);
        const QString name =
            fm.elidedText(QString::fromStdString(item.fileName), Qt::ElideMiddle, cw - 4);
        p.drawText(QRect(0, bottom - l.nameLineHeight, cw, l.nameLineHeight),
                   Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, name);
    }
    if (l.showGuide) {
        p.setFont(style.infoFont);
        p.setPen(style.exifInfoColor);
        int y1 = l.imageSpace + l.longSide + l.infoLineHeight + 4;
        if (l.showFileName)
            y1 += l.nameLineHeight + 4;
        const int y2 = y1 + l.infoLineHeight + 2;
        drawFittedLine(p, QRect(0, y1 - l.infoLineHeight, cw, l.infoLineHeight),
                       captionLine1(item.caption));
        drawFittedLine(p, QRect(0, y2 - l.infoLineHeight, cw, l.infoLineHeight),
                       captionLine2(item.caption));
    }

    const QImage thumb = thumbnailImage(item);
    if (!thumb.isNull()) {
        const int x = l.imageSpace + (l.longSide - thumb.width()) / 2;
        const int y = l.imageSpace + (l.longSide - thumb.height()) / 2;
        p.setRenderHint(QPainter::SmoothPixmapTransform, dpr != 1.0);
        p.drawImage(QRect(x, y, thumb.width(), thumb.height()), thumb);

        if (style.kindIcon) {
            const QString label =
                QString::fromLatin1(kindLabel(item.kind).data(), int(kindLabel(item.kind).size()));
            if (!label.isEmpty()) {
                const QFontMetrics fm(style.kindFont);
                const int tw = fm.horizontalAdvance(label);
                const int th = fm.height();
                p.fillRect(QRect(1, 1, tw + 2, th + 2), kindColor(item.kind));
                p.setFont(style.kindFont);
                p.setPen(Qt::white);
                p.drawText(QRect(2, 2, tw, th), Qt::AlignLeft | Qt::AlignTop, label);
            }
        }
    }
    if (item.readOnly && style.protectIcon)
        drawProtectMark(p, cw - 22 - 1, 1);
    if (item.marks.reject)
        drawRejected(p, l, background);
    drawMarks(p, item.marks, l);

    // Frame: a 2-pixel cursor frame, else the 1-pixel edge.
    p.setBrush(Qt::NoBrush);
    if (item.state & kStateCursor) {
        QPen pen(style.focused ? style.cursorForeground : style.cursorBackground, 2);
        pen.setJoinStyle(Qt::MiterJoin);
        p.setPen(pen);
        p.drawRect(QRectF(1, 1, cw - 2, ch - 2));
    } else {
        p.setPen(QPen(style.edge, 1));
        p.drawRect(QRectF(0.5, 0.5, cw - 1, ch - 1));
    }
    p.end();
    return cell;
}

} // namespace lumora
