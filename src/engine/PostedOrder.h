// Posting that tells ThreadSanitizer a posted event is delivered after it
// was built. Qt's event queue synchronises posting and delivery internally
// in code the sanitizer does not see; the engine posts through PostOrdered
// (which marks the event as published once it is complete) and receivers
// call MarkDelivered() before reading what came with the event. The marks
// are empty in ordinary builds.
#pragma once

#include "platform/Messages.h"

#include <QCoreApplication>

#include <memory>

#if defined(__SANITIZE_THREAD__)
#define LUMORA_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define LUMORA_THREAD_SANITIZER 1
#endif
#endif

#ifdef LUMORA_THREAD_SANITIZER
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace lumora {

#ifdef LUMORA_THREAD_SANITIZER
inline char postedOrderToken;
inline void MarkPosted() {
    __tsan_release(&postedOrderToken);
}
inline void MarkDelivered() {
    __tsan_acquire(&postedOrderToken);
}
// The same for a thread's end and a wait for it that Qt carries out.
inline void MarkFinished(void* thread) {
    __tsan_release(thread);
}
inline void MarkJoined(void* thread) {
    __tsan_acquire(thread);
}
#else
inline void MarkPosted() {}
inline void MarkDelivered() {}
inline void MarkFinished(void*) {}
inline void MarkJoined(void*) {}
#endif

// Queues a complete event for receiver (freed at once when there is none).
inline bool PostOrdered(QObject* receiver, std::unique_ptr<QEvent> event) {
    if (!receiver)
        return false;
    MarkPosted();
    QCoreApplication::postEvent(receiver, event.release()); // Qt owns it from here
    return true;
}

inline bool PostMessageOrdered(QObject* receiver, int message, std::intptr_t wParam = 0,
                               std::intptr_t lParam = 0) {
    return receiver &&
           PostOrdered(receiver, std::make_unique<MessageEvent>(message, wParam, lParam));
}

template <typename T>
bool PostPayloadOrdered(QObject* receiver, int message, std::unique_ptr<T> payload,
                        std::intptr_t wParam = 0, std::intptr_t lParam = 0) {
    return receiver && PostOrdered(receiver, std::make_unique<PayloadEvent<T>>(
                                                 message, std::move(payload), wParam, lParam));
}

} // namespace lumora
