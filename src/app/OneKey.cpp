#include "app/OneKey.h"

#include "platform/KeyData.h"

#include <QKeyEvent>

namespace lumora {

bool keyEventMatchesOneKey(const QKeyEvent& event, std::int32_t keyData) {
    const std::optional<keydata::KeyStroke> stroke =
        keydata::strokeFromEvent(event.nativeScanCode(), event.key(), event.modifiers());
    return stroke && keydata::keyName(keyData).size() > 0 && keydata::sameKey(keyData, *stroke);
}

COneKeyFilter::COneKeyFilter(QWidget* container, std::function<std::int32_t()> keyData,
                             std::function<void()> onPress, QObject* parent)
    : QObject(parent), container_(container), keyData_(std::move(keyData)),
      onPress_(std::move(onPress)) {
    setObjectName(QStringLiteral("OneKeyFilter"));
}

bool COneKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return false;
    if (!container_ || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget != container_ && !container_->isAncestorOf(widget))
        return false;
    // An editor that takes typed text (the tab's rename box) gets every key.
    if (widget->testAttribute(Qt::WA_InputMethodEnabled))
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!keyData_ || !keyEventMatchesOneKey(*key, keyData_()))
        return false;
    if (type == QEvent::ShortcutOverride) {
        // Keep the key from any shortcut: the press comes here next.
        event->accept();
        return true;
    }
    if (type == QEvent::KeyPress && onPress_)
        onPress_();
    return true;
}

} // namespace lumora
