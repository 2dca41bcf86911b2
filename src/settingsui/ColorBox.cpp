#include "settingsui/ColorBox.h"

#include <QColorDialog>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace lumora {

CColorBox::CColorBox(int id, QWidget* parent) : QPushButton(parent) {
    setObjectName(QStringLiteral("id%1").arg(id));
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, [this] { chooseColor(); });
}

void CColorBox::setColor(const QColor& c) {
    if (c == color_)
        return;
    color_ = c;
    update();
}

bool CColorBox::chooseColor() {
    const QColor chosen = QColorDialog::getColor(color_, this, QString());
    if (!chosen.isValid() || chosen == color_)
        return false;
    setColor(chosen);
    emit colorChanged(color_);
    return true;
}

void CColorBox::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.state &= ~QStyle::State_HasFocus;
    p.drawControl(QStyle::CE_PushButtonBevel, option);

    const QRect face = rect().adjusted(4, 4, -4, -4);
    if (isEnabled()) {
        p.fillRect(face, color_);
    } else {
        // Checkered: alternate 2x2 squares of the button face and its shadow.
        const QColor light = palette().color(QPalette::Button);
        const QColor dark = palette().color(QPalette::Dark);
        for (int y = face.top(); y <= face.bottom(); y += 2)
            for (int x = face.left(); x <= face.right(); x += 2) {
                const bool odd = (((x - face.left()) / 2) + ((y - face.top()) / 2)) % 2 != 0;
                p.fillRect(QRect(x, y, 2, 2).intersected(face), odd ? dark : light);
            }
    }
    p.setPen(palette().color(QPalette::Shadow));
    p.drawRect(face.adjusted(0, 0, -1, -1));
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(2, 2, -2, -2);
        p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

} // namespace lumora
