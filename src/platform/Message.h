// Typed private messages, carried as Qt events.
//
// A message is a small struct declared beside the code that receives it:
//
//     // engine/EngineRequests.h, received by CThumbnailEngine
//     struct LoadFolderRequest : Message<WM_USER + 1001> {   // 2025
//         QString folder;
//         int generation = 0;
//     };
//
// A message that is often built in one step declares a constructor taking
// its fields (see PostNew). Its event type is its number (WM_USER + n), so the numbers of the message
// table stay visible and every number is declared exactly once. Fields carry
// names instead of two anonymous integers; an owned heap payload is a
// std::unique_ptr field and is freed with the event when nobody takes it
// (also when the receiver is gone and Qt discards the event undelivered).
//
// A message that answers (sent, not posted) declares a `result` field; the
// sender reads it after Send() returns.
//
// Receiving, in an event() override:
//
//     if (auto* m = MessageCast<LoadFolderRequest>(e)) { load(m->folder); return true; }
//
// Thread-safety: Post() may be called from any thread; the event is delivered
// on the receiver's thread. Send() runs the handler on the calling thread and
// so may only be called on the receiver's thread. Neither keeps a reference
// to the message after it returns.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <memory>
#include <type_traits>
#include <utility>

namespace lumora {

constexpr int WM_USER = 0x0400;

// Base of every typed message: the event type is the message number.
template <int Number>
struct Message : QEvent {
    static_assert(Number >= QEvent::User && Number <= QEvent::MaxUser,
                  "message numbers must lie inside Qt's user event range");
    static constexpr int kNumber = Number;
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(Number);
    Message() : QEvent(kType) {}
};

// The message if `e` is one of type M, else nullptr. M's number identifies
// it, so two message structs must never share a number at the same receiver.
template <typename M>
M* MessageCast(QEvent* e) {
    return (e && e->type() == M::kType) ? static_cast<M*>(e) : nullptr;
}

// PostMessage: queues the message for the receiver's thread and gives its
// ownership to Qt. Returns false, freeing the message, when there is no
// receiver.
template <typename M>
bool Post(QObject* receiver, std::unique_ptr<M> message) {
    static_assert(std::is_base_of_v<QEvent, M>);
    if (!receiver || !message)
        return false;
    QCoreApplication::postEvent(receiver, message.release()); // Qt owns it from here
    return true;
}

// Builds and posts a message in one step: PostNew<CountMessage>(main, n)
// calls CountMessage's constructor with n. Nothing is built when there is
// no receiver.
template <typename M, typename... Args>
bool PostNew(QObject* receiver, Args&&... args) {
    if (!receiver)
        return false;
    return Post(receiver, std::make_unique<M>(std::forward<Args>(args)...));
}

// SendMessage: runs the receiver's handler now, on this thread, and returns
// whether it handled the message. The answer, if any, is in message.result.
template <typename M>
bool Send(QObject* receiver, M& message) {
    static_assert(std::is_base_of_v<QEvent, M>);
    if (!receiver)
        return false;
    return QCoreApplication::sendEvent(receiver, &message);
}

} // namespace lumora
