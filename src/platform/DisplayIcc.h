// The ICC profile the desktop publishes for a monitor on the X root window
// (the _ICC_PROFILE property for the first monitor, _ICC_PROFILE_1,
// _ICC_PROFILE_2 ... for the others, 8-bit data), read through Qt's own X
// connection, and followed: a change of any of these properties is
// reported by Changed(). Off X (offscreen, Wayland without X) nothing is
// published and nothing changes.
//
// Owner: the application object, on the GUI thread; every member runs
// there (Qt delivers the X events to the native event filter on that
// thread). No lock is taken.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QObject>

#include <cstdint>
#include <vector>

namespace lumora {

class CDisplayIccWatch : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    // Largest property read (a display profile is a few KiB; some carry
    // large tables).
    static constexpr uint32_t kMaxBytes = 16u << 20;
    // Monitors whose properties are followed.
    static constexpr int kMaxScreens = 8;

    explicit CDisplayIccWatch(QObject* parent = nullptr);
    ~CDisplayIccWatch() override;

    // The property name of monitor n (0 the first).
    static QByteArray AtomName(int screen);
    // The property's bytes for monitor n; empty when it is not set, when
    // it is not 8-bit data, when it is larger than kMaxBytes, or off X.
    std::vector<uint8_t> Read(int screen) const;
    // True when the program runs on X and the root window is followed.
    bool onX() const { return connection_ != nullptr; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    // One of the properties was set, changed or removed (queued after the
    // X event, so a slot may read the properties at once).
    void Changed();

private:
    void* connection_ = nullptr; // xcb_connection_t, Qt's
    uint32_t root_ = 0;
    uint32_t atoms_[kMaxScreens] = {};
    bool pending_ = false;
};

} // namespace lumora
