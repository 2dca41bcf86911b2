#include "viewer/ViewerIcons.h"

#include "viewer/ViewerFrame.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace lumora {

namespace {

const QColor kInk(40, 40, 40);
const QColor kBlue(40, 90, 180);

QIcon render(const std::function<void(QPainter&)>& draw) {
    QIcon icon;
    for (qreal dpr : {1.0, 2.0}) {
        QPixmap pm(QSize(21, 21) * dpr);
        pm.setDevicePixelRatio(dpr);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

void glass(QPainter& p, const QString& sign) {
    p.setPen(QPen(kInk, 1.6));
    p.setBrush(QColor(220, 235, 255));
    p.drawEllipse(QPointF(9, 9), 6, 6);
    p.drawLine(QPointF(13.5, 13.5), QPointF(19, 19));
    p.setPen(QPen(kBlue, 1.8));
    p.drawLine(QPointF(6, 9), QPointF(12, 9));
    if (sign == QLatin1String("+"))
        p.drawLine(QPointF(9, 6), QPointF(9, 12));
}

void text(QPainter& p, const QString& t, int px) {
    QFont f;
    f.setPixelSize(px);
    f.setBold(true);
    p.setFont(f);
    p.setPen(kInk);
    p.drawText(QRectF(0, 0, 21, 21), Qt::AlignCenter, t);
}

void turn(QPainter& p, bool clockwise) {
    // The anticlockwise icon is the clockwise one mirrored about x = 10.5.
    const double dir = clockwise ? 1 : -1;
    p.setPen(QPen(kBlue, 2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(4, 4, 13, 13), 90 * 16, static_cast<int>(dir * -270 * 16));
    p.setBrush(kBlue);
    QPainterPath head;
    head.moveTo(10.5, 1);
    head.lineTo(10.5 + dir * 4, 4);
    head.lineTo(10.5, 7);
    head.closeSubpath();
    p.drawPath(head);
}

void arrow(QPainter& p, bool right) {
    // The left arrow is the right one mirrored about x = 10.5.
    const auto x = [right](double v) { return right ? v : 21 - v; };
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    QPainterPath a;
    a.moveTo(x(6), 4);
    a.lineTo(x(16), 10.5);
    a.lineTo(x(6), 17);
    a.closeSubpath();
    p.drawPath(a);
}

} // namespace

QIcon viewerIcon(int id) {
    switch (id) {
    case ID_VIEWER_SMART_RENDERING:
        return render([](QPainter& p) { text(p, QStringLiteral("S"), 14); });
    case ID_VIEWER_FIT:
        return render([](QPainter& p) {
            p.setPen(QPen(kInk, 1.4));
            p.drawRect(QRectF(2.5, 4.5, 16, 12));
            p.setPen(QPen(kBlue, 1.6));
            p.drawLine(QPointF(5, 10.5), QPointF(16, 10.5));
            p.drawLine(QPointF(5, 10.5), QPointF(7.5, 8));
            p.drawLine(QPointF(5, 10.5), QPointF(7.5, 13));
            p.drawLine(QPointF(16, 10.5), QPointF(13.5, 8));
            p.drawLine(QPointF(16, 10.5), QPointF(13.5, 13));
        });
    case ID_VIEWER_ACTUAL_SIZE:
        return render([](QPainter& p) { text(p, QStringLiteral("1:1"), 9); });
    case ID_VIEWER_ZOOM_IN:
        return render([](QPainter& p) { glass(p, QStringLiteral("+")); });
    case ID_VIEWER_ZOOM_OUT:
        return render([](QPainter& p) { glass(p, QStringLiteral("-")); });
    case ID_VIEWER_ROTATE_LEFT:
        return render([](QPainter& p) { turn(p, false); });
    case ID_VIEWER_ROTATE_RIGHT:
        return render([](QPainter& p) { turn(p, true); });
    case ID_VIEWER_FULL_SCREEN:
        return render([](QPainter& p) {
            p.setPen(QPen(kInk, 1.4));
            p.setBrush(QColor(30, 30, 30));
            p.drawRect(QRectF(2.5, 3.5, 16, 14));
        });
    case ID_VIEWER_PREIMAGE:
        return render([](QPainter& p) {
            p.setPen(QPen(kInk, 1.2));
            p.setBrush(QColor(200, 200, 200));
            p.drawRect(QRectF(3.5, 5.5, 14, 10));
            text(p, QStringLiteral("P"), 9);
        });
    case ID_VIEWER_SLIDESHOW:
        return render([](QPainter& p) {
            p.setPen(QPen(kInk, 1.2));
            p.setBrush(QColor(255, 255, 255));
            p.drawRect(QRectF(2.5, 3.5, 16, 13));
            arrow(p, true);
        });
    case ID_VIEWER_COMPARE_LINK:
        return render([](QPainter& p) {
            // Two panes joined by a link.
            p.setPen(QPen(kInk, 1.2));
            p.setBrush(QColor(255, 255, 255));
            p.drawRect(QRectF(1.5, 5.5, 8, 10));
            p.drawRect(QRectF(11.5, 5.5, 8, 10));
            p.setPen(QPen(kBlue, 1.8));
            p.drawLine(QPointF(5.5, 10.5), QPointF(15.5, 10.5));
        });
    case ID_VIEWER_NEXT:
        return render([](QPainter& p) { arrow(p, true); });
    case ID_VIEWER_PREVIOUS:
        return render([](QPainter& p) { arrow(p, false); });
    default:
        return {};
    }
}

} // namespace lumora
