// The One Key: one key chosen by the user that adds the current view's
// selection to the default worksheet.
//
// The key is stored as the key data of a key message (platform/KeyData.h):
// bits 16 to 23 hold the PC (set 1) scan code, bit 24 the extended-key
// flag, so a stored value names the same physical key on every platform.
// Default 0x00390001: scan code 0x39, the space bar.
//
// COneKeyFilter is installed on the application and looks at every key
// press, key release and shortcut override addressed to a widget inside the
// list container before it is delivered, except those for a widget that
// takes typed text (the worksheet tab's rename box). A match is consumed (it
// never reaches its widget); each press, auto-repeated ones included, runs
// the command callback (which applies the command's enable rule). The
// command must not send key events of its own: the One Key may be any key.
//
// GUI thread only.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>

class QKeyEvent;

namespace lumora {

// Whether the key event is the stored key (platform/KeyData.h): by the
// physical key where the platform reports native scan codes, else by the
// key it produces. A stored scan code that names no key never matches.
bool keyEventMatchesOneKey(const QKeyEvent& event, std::int32_t keyData);

class COneKeyFilter : public QObject {
    Q_OBJECT
public:
    // keyData: the current OneKey setting; onPress: runs command 36021.
    COneKeyFilter(QWidget* container, std::function<std::int32_t()> keyData,
                  std::function<void()> onPress, QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> container_;
    std::function<std::int32_t()> keyData_;
    std::function<void()> onPress_;
};

} // namespace lumora
