#include "platform/ShellIcons.h"

#include "platform/ShellItem.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace lumora {

namespace {

constexpr int kSize = 16;

QPixmap drawn(int index) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(90, 90, 90));
    switch (index) {
    case kIconDesktop:
        p.setBrush(QColor(70, 130, 200));
        p.drawRect(1, 2, 14, 10);
        p.setBrush(QColor(120, 120, 120));
        p.drawRect(5, 13, 6, 2);
        break;
    case kIconComputer:
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(1, 2, 14, 9);
        p.setBrush(QColor(60, 110, 180));
        p.drawRect(3, 4, 10, 5);
        p.setBrush(QColor(160, 160, 160));
        p.drawRect(4, 12, 8, 3);
        break;
    case kIconHome: {
        QPainterPath house;
        house.moveTo(8, 1);
        house.lineTo(15, 8);
        house.lineTo(13, 8);
        house.lineTo(13, 15);
        house.lineTo(3, 15);
        house.lineTo(3, 8);
        house.lineTo(1, 8);
        house.closeSubpath();
        p.setBrush(QColor(230, 190, 90));
        p.drawPath(house);
        break;
    }
    case kIconDrive:
    case kIconRootDrive:
        p.setBrush(QColor(190, 190, 190));
        p.drawRoundedRect(1, 5, 14, 7, 2, 2);
        p.setBrush(index == kIconRootDrive ? QColor(40, 160, 60) : QColor(60, 110, 180));
        p.drawEllipse(11, 7, 3, 3);
        break;
    default: {
        QPainterPath folder;
        folder.moveTo(1, 3);
        folder.lineTo(6, 3);
        folder.lineTo(7, 5);
        folder.lineTo(15, 5);
        folder.lineTo(15, 14);
        folder.lineTo(1, 14);
        folder.closeSubpath();
        p.setBrush(QColor(240, 200, 90));
        p.drawPath(folder);
        break;
    }
    }
    return pixmap;
}

const char* themeName(int index) {
    switch (index) {
    case kIconDesktop:
        return "user-desktop";
    case kIconComputer:
        return "computer";
    case kIconHome:
        return "user-home";
    case kIconDrive:
        return "drive-removable-media";
    case kIconRootDrive:
        return "drive-harddisk";
    default:
        return "folder";
    }
}

QPixmap withOverlay(QPixmap base, ShellOverlay overlay) {
    QPainter p(&base);
    p.setRenderHint(QPainter::Antialiasing);
    switch (overlay) {
    case ShellOverlay::Link:
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        p.drawRect(0, 9, 6, 6);
        p.drawLine(1, 14, 5, 10);
        p.drawLine(3, 10, 5, 10);
        p.drawLine(5, 10, 5, 12);
        break;
    case ShellOverlay::Shared:
        p.setPen(QColor(30, 60, 140));
        p.setBrush(QColor(70, 120, 220));
        p.drawEllipse(0, 9, 6, 6);
        break;
    case ShellOverlay::Ghosted: {
        QPixmap faded(base.size());
        faded.fill(Qt::transparent);
        QPainter f(&faded);
        f.setOpacity(0.45);
        f.drawPixmap(0, 0, base);
        f.end();
        return faded;
    }
    case ShellOverlay::None:
        break;
    }
    return base;
}

} // namespace

QIcon CShellIcons::icon(int index) {
    static QHash<int, QIcon> cache;
    if (index < 0 || index >= kIconCount)
        index = kIconFolder;
    auto it = cache.find(index);
    if (it != cache.end())
        return *it;
    QIcon icon = QIcon::fromTheme(QString::fromLatin1(themeName(index)));
    if (icon.isNull())
        icon = QIcon(drawn(index));
    cache.insert(index, icon);
    return icon;
}

QIcon CShellIcons::icon(int index, ShellOverlay overlay) {
    if (overlay == ShellOverlay::None)
        return icon(index);
    static QHash<int, QIcon> cache;
    const int key = index * 8 + static_cast<int>(overlay);
    auto it = cache.find(key);
    if (it != cache.end())
        return *it;
    QIcon result(withOverlay(icon(index).pixmap(kSize, kSize), overlay));
    cache.insert(key, result);
    return result;
}

} // namespace lumora
