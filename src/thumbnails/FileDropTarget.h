// Drop-target helper: turns the drag events of one widget into the four drop
// messages sent to the window it serves, and that window's answers into drop
// actions. The window answers by setting `result` on the message. Everything
// here runs on the GUI thread. The helper is a child of the widget it
// watches and goes with it; the served window is watched through a QPointer
// and may go first.
#pragma once

#include "platform/Message.h"

#include <QMimeData>
#include <QObject>
#include <QPointer>
#include <QWidget>

namespace lumora {

// Sent by CFileDropTarget to the window it serves.
constexpr int WM_DROP_CANENTER = WM_USER + 2040; // 3064
constexpr int WM_DROP_CANDROP = WM_USER + 2041;  // 3065
constexpr int WM_DROP_LEAVE = WM_USER + 2042;    // 3066
constexpr int WM_DROP_FILES = WM_USER + 2043;    // 3067

// A drag enters: true when the window takes these files (shown as a copy).
struct DropCanEnterMessage : Message<WM_DROP_CANENTER> {
    explicit DropCanEnterMessage(const QMimeData* data) : data(data) {}
    const QMimeData* data = nullptr; // the drag's data, valid during the send
    bool result = false;
};

// A drag of files moves over the window: true when it may drop them here.
struct DropCanDropMessage : Message<WM_DROP_CANDROP> {
    explicit DropCanDropMessage(const QMimeData* data) : data(data) {}
    const QMimeData* data = nullptr;
    bool result = false;
};

// The drag left the window.
struct DropLeaveMessage : Message<WM_DROP_LEAVE> {};

// The files were dropped: true when the window took them.
struct DropFilesMessage : Message<WM_DROP_FILES> {
    explicit DropFilesMessage(const QMimeData* data) : data(data) {}
    const QMimeData* data = nullptr;
    bool result = false;
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
    // Sends m to the window; false without one.
    template <typename M> bool send(M& m);

    QPointer<QWidget> dropWidget_;
    QPointer<QObject> window_;
};

} // namespace lumora
