#include "resources/ToolIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <functional>

namespace lumora {

namespace {

using Draw = std::function<void(QPainter&)>;

// Renders a 16 x 16 design at 1x, 1.5x, 2x and 3x.
QIcon render(const Draw& draw, int size = 16) {
    QIcon icon;
    for (qreal scale : {1.0, 1.5, 2.0, 3.0}) {
        QPixmap pm(qRound(size * scale), qRound(size * scale));
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(pm.width() / 16.0, pm.height() / 16.0);
        draw(p);
        p.end();
        pm.setDevicePixelRatio(scale);
        icon.addPixmap(pm);
    }
    return icon;
}

const QColor kInk(60, 64, 72);
const QColor kPaper(252, 252, 250);
const QColor kSheet(236, 242, 252);
const QColor kSheetEdge(90, 120, 170);
const QColor kFolder(240, 196, 84);
const QColor kFolderEdge(170, 120, 30);
const QColor kGreen(46, 160, 67);
const QColor kRed(210, 48, 48);
const QColor kBlue(40, 110, 200);

void page(QPainter& p, QRectF r, QColor fill = kPaper, QColor edge = kInk) {
    QPainterPath path;
    const qreal fold = 3.5;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(QPen(edge, 1));
    p.setBrush(fill);
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
    p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

void sheet(QPainter& p, QRectF r) {
    p.setPen(QPen(kSheetEdge, 1));
    p.setBrush(kSheet);
    p.drawRoundedRect(r, 1, 1);
    p.setPen(QPen(kSheetEdge.lighter(130), 1));
    for (qreal y = r.top() + 3; y < r.bottom() - 1; y += 3)
        p.drawLine(QPointF(r.left() + 2.5, y), QPointF(r.right() - 2.5, y));
}

void folder(QPainter& p, QRectF r) {
    QPainterPath path;
    path.moveTo(r.left(), r.top() + 2);
    path.lineTo(r.left() + 5, r.top() + 2);
    path.lineTo(r.left() + 6.5, r.top() + 3.5);
    path.lineTo(r.right(), r.top() + 3.5);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(QPen(kFolderEdge, 1));
    p.setBrush(kFolder);
    p.drawPath(path);
    p.setBrush(kFolder.lighter(115));
    p.drawRect(QRectF(r.left(), r.top() + 5.5, r.width(), r.height() - 5.5));
}

void plusBadge(QPainter& p, QPointF c, QColor color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(c, 3.6, 3.6);
    p.setPen(QPen(Qt::white, 1.4));
    p.drawLine(QPointF(c.x() - 2, c.y()), QPointF(c.x() + 2, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - 2), QPointF(c.x(), c.y() + 2));
}

void crossBadge(QPainter& p, QPointF c, QColor color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(c, 3.6, 3.6);
    p.setPen(QPen(Qt::white, 1.4));
    p.drawLine(QPointF(c.x() - 1.6, c.y() - 1.6), QPointF(c.x() + 1.6, c.y() + 1.6));
    p.drawLine(QPointF(c.x() - 1.6, c.y() + 1.6), QPointF(c.x() + 1.6, c.y() - 1.6));
}

void label(QPainter& p, const QString& text, QColor color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRoundedRect(QRectF(0.5, 3, 15, 10), 2, 2);
    QFont f;
    f.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans"),
                   QStringLiteral("sans-serif")});
    f.setPixelSize(text.size() > 3 ? 5 : 6);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(0.5, 3, 15, 10), Qt::AlignCenter, text);
}

Draw designFor(int id) {
    switch (id) {
    case 32928: // delete
        return [](QPainter& p) {
            page(p, QRectF(2.5, 1.5, 9, 12));
            p.setPen(QPen(kRed, 2.2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(8, 8), QPointF(14, 14));
            p.drawLine(QPointF(14, 8), QPointF(8, 14));
        };
    case 57635: // cut
        return [](QPainter& p) {
            p.setPen(QPen(kInk, 1.3, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(5, 1.5), QPointF(10, 10));
            p.drawLine(QPointF(11, 1.5), QPointF(6, 10));
            p.setPen(QPen(kRed, 1.5));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(4.5, 12), 2.5, 2.5);
            p.drawEllipse(QPointF(11.5, 12), 2.5, 2.5);
        };
    case 57634: // copy
        return [](QPainter& p) {
            page(p, QRectF(1.5, 1.5, 8, 10));
            page(p, QRectF(6.5, 4.5, 8, 10), kSheet, kSheetEdge);
        };
    case 57637: // paste
        return [](QPainter& p) {
            p.setPen(QPen(QColor(120, 84, 40), 1));
            p.setBrush(QColor(196, 150, 90));
            p.drawRoundedRect(QRectF(1.5, 2.5, 10, 12), 1.2, 1.2);
            p.setBrush(QColor(150, 150, 160));
            p.drawRect(QRectF(4, 1, 5, 3));
            page(p, QRectF(6.5, 6.5, 8, 8.5), kSheet, kSheetEdge);
        };
    case 36021: // add to the default worksheet
        return [](QPainter& p) {
            sheet(p, QRectF(1.5, 1.5, 10, 12));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 190, 0));
            QPainterPath star;
            for (int i = 0; i < 10; ++i) {
                const qreal a = -M_PI / 2 + i * M_PI / 5;
                const qreal rr = i % 2 ? 1.7 : 4.0;
                const QPointF pt(11.5 + rr * std::cos(a), 11 + rr * std::sin(a));
                i ? star.lineTo(pt) : star.moveTo(pt);
            }
            star.closeSubpath();
            p.setPen(QPen(QColor(190, 120, 0), 0.8));
            p.drawPath(star);
        };
    case 32790: // new worksheet
        return [](QPainter& p) {
            sheet(p, QRectF(1.5, 1.5, 10, 12));
            plusBadge(p, QPointF(11.5, 11.5), kGreen);
        };
    case 32915: // load a worksheet list
        return [](QPainter& p) {
            folder(p, QRectF(1.5, 3.5, 12, 9.5));
            p.setPen(QPen(kGreen, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawLine(QPointF(12, 1.5), QPointF(12, 7.5));
            p.drawLine(QPointF(9.5, 5), QPointF(12, 7.5));
            p.drawLine(QPointF(14.5, 5), QPointF(12, 7.5));
        };
    case 32794: // close the current worksheet
        return [](QPainter& p) {
            sheet(p, QRectF(1.5, 1.5, 10, 12));
            crossBadge(p, QPointF(11.5, 11.5), kRed);
        };
    case 32908: // close every worksheet
        return [](QPainter& p) {
            sheet(p, QRectF(4.5, 0.5, 9, 10));
            sheet(p, QRectF(1.5, 3.5, 9, 11));
            crossBadge(p, QPointF(11.5, 11.5), kRed);
        };
    case 32795: // clear the worksheet
        return [](QPainter& p) {
            sheet(p, QRectF(1.5, 1.5, 10, 12));
            p.save();
            p.translate(11, 11);
            p.rotate(-40);
            p.setPen(QPen(QColor(160, 60, 90), 0.8));
            p.setBrush(QColor(240, 130, 160));
            p.drawRoundedRect(QRectF(-4.5, -2, 9, 4), 1, 1);
            p.setBrush(QColor(250, 250, 250));
            p.drawRect(QRectF(-4.5, -2, 3, 4));
            p.restore();
        };
    case 32910: // save as a file list
        return [](QPainter& p) {
            p.setPen(QPen(QColor(30, 60, 120), 1));
            p.setBrush(kBlue);
            p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
            p.setBrush(kPaper);
            p.drawRect(QRectF(4, 1.5, 8, 5));
            p.setBrush(QColor(200, 210, 225));
            p.drawRect(QRectF(4, 9, 8, 5.5));
            p.setPen(QPen(kBlue, 1));
            p.drawLine(QPointF(9.5, 2.5), QPointF(9.5, 5.5));
        };
    case 32793: // write out as a folder
        return [](QPainter& p) {
            folder(p, QRectF(0.5, 4.5, 11, 9.5));
            p.setPen(QPen(kBlue, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawLine(QPointF(8, 8), QPointF(14.5, 1.5));
            p.drawLine(QPointF(10.5, 1.5), QPointF(14.5, 1.5));
            p.drawLine(QPointF(14.5, 1.5), QPointF(14.5, 5.5));
        };
    case 32920: // sort by name
        return [](QPainter& p) {
            QFont f;
            f.setPixelSize(7);
            f.setBold(true);
            p.setFont(f);
            p.setPen(kInk);
            p.drawText(QRectF(0, 0, 9, 8), Qt::AlignCenter, QStringLiteral("A"));
            p.drawText(QRectF(0, 8, 9, 8), Qt::AlignCenter, QStringLiteral("Z"));
            p.setPen(QPen(kBlue, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawLine(QPointF(12.5, 2), QPointF(12.5, 14));
            p.drawLine(QPointF(10, 11.5), QPointF(12.5, 14));
            p.drawLine(QPointF(15, 11.5), QPointF(12.5, 14));
        };
    case 36018: // sort by shooting time
        return [](QPainter& p) {
            p.setPen(QPen(kInk, 1));
            p.setBrush(kPaper);
            p.drawEllipse(QPointF(6.5, 8), 5.5, 5.5);
            p.setPen(QPen(kInk, 1.2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(6.5, 8), QPointF(6.5, 4.5));
            p.drawLine(QPointF(6.5, 8), QPointF(9, 9.5));
            p.setPen(QPen(kBlue, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawLine(QPointF(13.5, 2), QPointF(13.5, 14));
            p.drawLine(QPointF(11.5, 11.5), QPointF(13.5, 14));
            p.drawLine(QPointF(15.5, 11.5), QPointF(13.5, 14));
        };
    case 32785: // JPEG files
        return [](QPainter& p) { label(p, QStringLiteral("JPG"), QColor(200, 0, 0)); };
    case 32784: // RAW files
        return [](QPainter& p) { label(p, QStringLiteral("RAW"), QColor(0, 0, 200)); };
    case 32786: // the other kinds
        return [](QPainter& p) { label(p, QStringLiteral("ETC"), QColor(100, 0, 100)); };
    case 36011: // slideshow
        return [](QPainter& p) {
            p.setPen(QPen(kInk, 1));
            p.setBrush(QColor(40, 44, 52));
            p.drawRoundedRect(QRectF(0.5, 2.5, 15, 11), 1.5, 1.5);
            p.setPen(Qt::NoPen);
            p.setBrush(kGreen.lighter(120));
            QPolygonF tri({QPointF(6, 5), QPointF(11.5, 8), QPointF(6, 11)});
            p.drawPolygon(tri);
        };
    case 32905: // refresh
        return [](QPainter& p) {
            p.setPen(QPen(kGreen, 2, Qt::SolidLine, Qt::FlatCap));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(2.5, 2.5, 11, 11), 40 * 16, 270 * 16);
            p.setPen(Qt::NoPen);
            p.setBrush(kGreen);
            QPolygonF head({QPointF(10, 0.5), QPointF(15, 4.5), QPointF(9.5, 6.5)});
            p.drawPolygon(head);
        };
    case 37130: // the mark filter: a funnel with a star
        return [](QPainter& p) {
            p.setPen(QPen(kInk, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(kSheet);
            p.drawPolygon(QPolygonF({QPointF(0.5, 1.5), QPointF(11.5, 1.5), QPointF(7.5, 7),
                                     QPointF(7.5, 13.5), QPointF(4.5, 11.5), QPointF(4.5, 7)}));
            QPolygonF star;
            for (int i = 0; i < 10; ++i) {
                const qreal r = i % 2 ? 1.6 : 3.6;
                const qreal a = -M_PI / 2 + i * M_PI / 5;
                star << QPointF(12 + r * std::cos(a), 11.5 + r * std::sin(a));
            }
            p.setPen(QPen(QColor(170, 120, 30), 0.8));
            p.setBrush(QColor(255, 196, 40));
            p.drawPolygon(star);
        };
    default:
        return {};
    }
}

} // namespace

QIcon toolIcon(int commandId) {
    const Draw d = designFor(commandId);
    return d ? render(d) : QIcon();
}

QIcon applicationIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
        // A photo print with a mountain and a sun, on a dark frame.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(50, 54, 64));
        p.drawRoundedRect(QRectF(1, 3, 30, 26), 4, 4);
        p.setBrush(QColor(120, 180, 240));
        p.drawRect(QRectF(4, 6, 24, 20));
        p.setBrush(QColor(255, 210, 80));
        p.drawEllipse(QPointF(22, 11), 3, 3);
        p.setBrush(QColor(60, 140, 80));
        p.drawPolygon(QPolygonF(
            {QPointF(4, 26), QPointF(13, 13), QPointF(19, 21), QPointF(22, 18), QPointF(28, 26)}));
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

} // namespace lumora
