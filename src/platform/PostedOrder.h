// Posting that tells ThreadSanitizer a posted message is delivered after it
// was built. Qt's event queue synchronises posting and delivery internally,
// in code the sanitizer does not see; a thread that posts through
// PostOrdered / PostNewOrdered marks the message as published once it is
// complete, and the receiver calls MarkDelivered() before reading its
// fields. The marks compile to nothing in ordinary builds.
//
// Thread-safety: every function may be called from any thread.
#pragma once

#include "platform/Message.h"

#include <memory>
#include <utility>

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

// Post() with the publication mark: queues the complete message for the
// receiver's thread; false (the message freed) without a receiver.
template <typename M> bool PostOrdered(QObject* receiver, std::unique_ptr<M> message) {
    if (!receiver || !message)
        return false;
    MarkPosted();
    return Post(receiver, std::move(message));
}

// PostNew() with the publication mark; nothing is built without a receiver.
template <typename M, typename... Args> bool PostNewOrdered(QObject* receiver, Args&&... args) {
    if (!receiver)
        return false;
    return PostOrdered(receiver, std::make_unique<M>(std::forward<Args>(args)...));
}

} // namespace lumora
