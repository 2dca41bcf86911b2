// Private window and thread messages, carried as posted Qt events.
//
// Every message keeps its number: the event type is WM_USER + n, so a message
// that the tables call WM_USER+2008 is QEvent::Type(3032). These numbers all
// lie inside Qt's user range (1000..65535). A heap payload travels inside the
// event as a std::unique_ptr and belongs to the receiver once delivered; when
// an event is discarded undelivered (receiver gone), the payload is freed with
// it.
#pragma once

#include "platform/Message.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QPointer>

#include <cstdint>
#include <memory>
#include <utility>

namespace lumora {

// Engine requests: view -> its engine thread.
constexpr int WM_ENGINE_LOADFOLDER = WM_USER + 1001;  // 2025
constexpr int WM_ENGINE_REQUEST_2026 = WM_USER + 1002;
constexpr int WM_ENGINE_REQUEST_2027 = WM_USER + 1003;
constexpr int WM_ENGINE_REQUEST_2028 = WM_USER + 1004;
constexpr int WM_ENGINE_REQUEST_2030 = WM_USER + 1006;
constexpr int WM_ENGINE_REQUEST_2031 = WM_USER + 1007;

constexpr int WM_TREE_SELCHANGED = WM_USER + 1002;      // 2026: folder tree -> main window
constexpr int WM_THUMB_PREIMAGE = WM_USER + 2001;       // 3025
constexpr int WM_LIST_TITLECOUNT = WM_USER + 2004;      // 3028
constexpr int WM_PREVIEW_NOP = WM_USER + 2005;          // 3029
constexpr int WM_THUMB_OPENVIEWER = WM_USER + 2006;     // 3030
constexpr int WM_THUMB_COUNT = WM_USER + 2007;          // 3031
constexpr int WM_THUMB_PHASE = WM_USER + 2008;          // 3032
constexpr int WM_THUMB_VIEWCOUNT = WM_USER + 2009;      // 3033
constexpr int WM_THUMB_COUNTCHANGED = WM_USER + 2010;   // 3034
constexpr int WM_EXPORT_2011 = WM_USER + 2011;          // 3035
constexpr int WM_EXPORT_2012 = WM_USER + 2012;          // 3036
constexpr int WM_EXPORT_2014 = WM_USER + 2014;          // 3038
constexpr int WM_THUMB_SELCOUNT = WM_USER + 2015;       // 3039
constexpr int WM_THUMB_GETCOUNT = WM_USER + 2016;       // 3040
constexpr int WM_THUMB_FOLDERCHANGED = WM_USER + 2019;  // 3043
constexpr int WM_THUMB_MISSING = WM_USER + 2020;        // 3044
constexpr int WM_PREVIEW_NOENTRY = WM_USER + 2022;      // 3046
constexpr int WM_THUMB_LISTCLEARED = WM_USER + 2023;    // 3047
constexpr int WM_THUMB_PROGRESS = WM_USER + 2024;       // 3048
constexpr int WM_VIEWER_SLIDERPREIMAGE = WM_USER + 2025; // 3049
constexpr int WM_THUMB_NOPREIMAGE = WM_USER + 2026;     // 3050
constexpr int WM_THUMB_FOCUS = WM_USER + 2027;          // 3051
constexpr int WM_THUMB_REARMWATCH = WM_USER + 2028;     // 3052
constexpr int WM_THUMB_DELETEITEMS = WM_USER + 2029;    // 3053
constexpr int WM_THUMB_OPENCURRENT = WM_USER + 2030;    // 3054
constexpr int WM_THUMB_SETCURSOR = WM_USER + 2031;      // 3055
constexpr int WM_THUMB_NOCURSOR = WM_USER + 2032;       // 3056
constexpr int WM_DROP_CANENTER = WM_USER + 2040;        // 3064
constexpr int WM_DROP_CANDROP = WM_USER + 2041;         // 3065
constexpr int WM_DROP_LEAVE = WM_USER + 2042;           // 3066
constexpr int WM_DROP_FILES = WM_USER + 2043;           // 3067
constexpr int WM_THUMB_CURRENTITEM = WM_USER + 2050;    // 3074
constexpr int WM_LOADER_SIZE = WM_USER + 3001;          // 4025
constexpr int WM_LOADER_RESULT = WM_USER + 3002;        // 4026

constexpr QEvent::Type eventType(int message) { return static_cast<QEvent::Type>(message); }

// A posted message: two integer parameters, like wParam and lParam.
class MessageEvent : public QEvent {
public:
    MessageEvent(int message, std::intptr_t wParam = 0, std::intptr_t lParam = 0)
        : QEvent(eventType(message)), wParam(wParam), lParam(lParam) {}
    int message() const { return static_cast<int>(type()); }

    std::intptr_t wParam;
    std::intptr_t lParam;
};

// A posted message that owns a heap payload. The receiver takes it with
// takePayload(); whatever it leaves is freed with the event.
template <typename T>
class PayloadEvent : public MessageEvent {
public:
    PayloadEvent(int message, std::unique_ptr<T> payload, std::intptr_t wParam = 0,
                 std::intptr_t lParam = 0)
        : MessageEvent(message, wParam, lParam), payload_(std::move(payload)) {}
    T* payload() const { return payload_.get(); }
    std::unique_ptr<T> takePayload() { return std::move(payload_); }

private:
    std::unique_ptr<T> payload_;
};

// PostMessage: queue the event for the receiver's thread. Returns false (and
// frees the event) when the receiver is gone.
inline bool postMessage(QObject* receiver, int message, std::intptr_t wParam = 0,
                        std::intptr_t lParam = 0) {
    if (!receiver)
        return false;
    QCoreApplication::postEvent(receiver, new MessageEvent(message, wParam, lParam));
    return true;
}

template <typename T>
bool postPayload(QObject* receiver, int message, std::unique_ptr<T> payload,
                 std::intptr_t wParam = 0, std::intptr_t lParam = 0) {
    if (!receiver)
        return false;
    QCoreApplication::postEvent(
        receiver, new PayloadEvent<T>(message, std::move(payload), wParam, lParam));
    return true;
}

} // namespace lumora
