#include "platform/DisplayIcc.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMetaObject>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace lumora {

namespace {

struct FreeReply {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeReply>;

xcb_connection_t* qtConnection() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app)
        return nullptr;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

} // namespace

CDisplayIccWatch::CDisplayIccWatch(QObject* parent) : QObject(parent) {
    xcb_connection_t* c = qtConnection();
    if (!c || xcb_connection_has_error(c))
        return;
    const xcb_setup_t* setup = xcb_get_setup(c);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
    if (!it.rem)
        return;
    root_ = it.data->root;
    // Interning makes the names known to the server, so that a profile set
    // later by any client is reported by its atom.
    xcb_intern_atom_cookie_t cookies[kMaxScreens];
    for (int i = 0; i < kMaxScreens; ++i) {
        const QByteArray name = AtomName(i);
        cookies[i] = xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.constData());
    }
    for (int i = 0; i < kMaxScreens; ++i) {
        Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookies[i], nullptr));
        atoms_[i] = reply ? reply->atom : 0;
    }
    // Keep whatever Qt asked of the root window and add property changes.
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, root_), nullptr));
    const uint32_t mask =
        (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, root_, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    connection_ = c;
    QCoreApplication::instance()->installNativeEventFilter(this);
}

CDisplayIccWatch::~CDisplayIccWatch() {
    if (connection_ && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

QByteArray CDisplayIccWatch::AtomName(int screen) {
    if (screen <= 0)
        return QByteArrayLiteral("_ICC_PROFILE");
    return QByteArrayLiteral("_ICC_PROFILE_") + QByteArray::number(screen);
}

std::vector<uint8_t> CDisplayIccWatch::Read(int screen) const {
    std::vector<uint8_t> bytes;
    if (!connection_ || screen < 0 || screen >= kMaxScreens || atoms_[screen] == 0)
        return bytes;
    auto* c = static_cast<xcb_connection_t*>(connection_);
    // The length is asked in 32-bit units; one more than the limit tells
    // an oversized property from one that just fits.
    const xcb_get_property_cookie_t cookie = xcb_get_property(
        c, 0, root_, atoms_[screen], XCB_GET_PROPERTY_TYPE_ANY, 0, kMaxBytes / 4 + 1);
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookie, nullptr));
    if (!reply || reply->format != 8 || reply->bytes_after != 0)
        return bytes;
    const int length = xcb_get_property_value_length(reply.get());
    if (length <= 0 || static_cast<uint32_t>(length) > kMaxBytes)
        return bytes;
    const auto* p = static_cast<const uint8_t*>(xcb_get_property_value(reply.get()));
    bytes.assign(p, p + length);
    return bytes;
}

bool CDisplayIccWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (!connection_ || eventType != "xcb_generic_event_t" || !message)
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) != XCB_PROPERTY_NOTIFY)
        return false;
    const auto* notify = static_cast<const xcb_property_notify_event_t*>(message);
    if (notify->window != root_)
        return false;
    bool ours = false;
    for (uint32_t atom : atoms_)
        ours = ours || (atom != 0 && atom == notify->atom);
    // Several changes in one batch of events make one report.
    if (ours && !pending_) {
        pending_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                pending_ = false;
                emit Changed();
            },
            Qt::QueuedConnection);
    }
    return false; // Qt goes on with the event as before
}

} // namespace lumora
