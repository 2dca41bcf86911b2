// Drop-target helper: turns the drag events of one widget into the four drop
// messages sent to the window it serves, and that window's answers into drop
// actions. The window answers by setting `result` on the event.
#pragma once

#include "platform/Messages.h"

#include <QMimeData>
#include <QObject>
#include <QPointer>
#include <QWidget>

namespace lumora {

class DropMessageEvent : public MessageEvent {
public:
    DropMessageEvent(int message, const QMimeData* data)
        : MessageEvent(message, reinterpret_cast<std::intptr_t>(data)), data(data) {}
    const QMimeData* data;
    std::intptr_t result = 0;
};

class CFileDropTarget : public QObject {
    Q_OBJECT
public:
    // dropWidget receives the drag events; window receives the messages
    // (often the same widget, or its scroll area).
    CFileDropTarget(QWidget* dropWidget, QObject* window);

    // The window a drag started from; drops back onto it are refused.
    static void SetDragSource(QObject* window);
    static QObject* DragSource();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::intptr_t send(int message, const QMimeData* data);

    QPointer<QWidget> dropWidget_;
    QPointer<QObject> window_;
};

} // namespace lumora
