#include "controls/TextProgressCtrl.h"

#include <QPainter>

namespace lumora {

CTextProgressCtrl::CTextProgressCtrl(QWidget* parent, int id) : QWidget(parent), id_(id) {
    setObjectName(QStringLiteral("TextProgressCtrl"));
}

void CTextProgressCtrl::SetRange(int low, int high) {
    low_ = low;
    high_ = high;
    update();
}

void CTextProgressCtrl::SetPos(int pos) {
    if (pos_ == pos)
        return;
    pos_ = pos;
    update();
}

void CTextProgressCtrl::SetWindowText(const QString& text) {
    if (text_ == text)
        return;
    text_ = text;
    update();
}

void CTextProgressCtrl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    p.fillRect(rect(), pal.color(QPalette::Base));
    // Filled share of the range; an empty or inverted range shows nothing.
    const long long span = static_cast<long long>(high_) - low_;
    int filled = 0;
    if (span > 0) {
        long long done = static_cast<long long>(pos_) - low_;
        done = done < 0 ? 0 : (done > span ? span : done);
        filled = static_cast<int>(done * (width() - 2) / span);
    }
    const QRect chunk(1, 1, filled, height() - 2);
    p.fillRect(chunk, pal.color(QPalette::Highlight));
    p.setPen(pal.color(QPalette::Mid));
    p.drawRect(frame);
    if (!text_.isEmpty()) {
        // The text reads in the highlighted-text colour over the filled part
        // and in the normal text colour over the rest.
        p.setFont(font());
        p.setPen(pal.color(QPalette::Text));
        p.drawText(rect(), Qt::AlignCenter, text_);
        p.setClipRect(chunk);
        p.setPen(pal.color(QPalette::HighlightedText));
        p.drawText(rect(), Qt::AlignCenter, text_);
    }
}

} // namespace lumora
