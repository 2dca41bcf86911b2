#include "controls/SkipperSliderCtrl.h"

#include <QFocusEvent>
#include <QPointer>
#include <QProxyStyle>
#include <QWheelEvent>

#include <algorithm>

namespace lumora {

namespace {

// A left click sets the slider to the clicked position.
class JumpStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == QStyle::SH_Slider_AbsoluteSetButtons)
            return Qt::LeftButton;
        if (hint == QStyle::SH_Slider_PageSetButtons)
            return Qt::NoButton;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

CSkipperSliderCtrl::CSkipperSliderCtrl(QWidget* parent, int id)
    : QSlider(Qt::Horizontal, parent), id_(id) {
    auto* style = new JumpStyle();
    style->setParent(this);
    setStyle(style);
    setFocusPolicy(Qt::NoFocus);
    setTracking(true);
}

void CSkipperSliderCtrl::focusInEvent(QFocusEvent* e) {
    QSlider::focusInEvent(e);
    // Give the focus back: the previous focus widget, else the window.
    QWidget* back = previousInFocusChain();
    if (QWidget* w = window(); w && w->focusProxy())
        back = w->focusProxy();
    if (back && back != this)
        back->setFocus(Qt::OtherFocusReason);
    else
        clearFocus();
}

void CSkipperSliderCtrl::wheelEvent(QWheelEvent* e) {
    e->accept();
    const int notches = wheel_.add(e->angleDelta().y());
    if (notches == 0 || !isEnabled())
        return;
    // A turn towards the user goes forward, as on the viewer's canvas.
    const int target = std::clamp(value() - notches * singleStep(), minimum(), maximum());
    if (target == value())
        return;
    setValue(target);
    emit wheelStepped(target);
}

} // namespace lumora
