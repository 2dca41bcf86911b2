#include "app/DisplayColours.h"

#include "colour/ColourProfile.h"
#include "platform/DisplayIcc.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace lumora {

CDisplayColours::CDisplayColours(QWidget* window)
    : QObject(window), window_(window), watch_(new CDisplayIccWatch(this)) {
    connect(watch_, &CDisplayIccWatch::Changed, this, &CDisplayColours::Update);
    // Once shown, the window knows its monitor (and can be followed to another).
    window->installEventFilter(this);
}

bool CDisplayColours::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::Show && !screenFollowed_)
        Update();
    return false;
}

void CDisplayColours::SetProfileFile(const QString& path) {
    file_ = path;
    Update();
}

int CDisplayColours::screenIndex() const {
    QScreen* screen = window_ ? window_->screen() : nullptr;
    const int index = screen ? static_cast<int>(QGuiApplication::screens().indexOf(screen)) : 0;
    return index < 0 ? 0 : index;
}

void CDisplayColours::followScreen() {
    if (screenFollowed_ || !window_ || !window_->windowHandle())
        return;
    screenFollowed_ = true;
    connect(window_->windowHandle(), &QWindow::screenChanged, this, &CDisplayColours::Update);
}

void CDisplayColours::Update() {
    followScreen();
    const uint64_t before = DisplayProfile()->hash();
    ProfilePtr chosen;
    source_ = Source::Srgb;
    const std::vector<uint8_t> published = watch_->Read(screenIndex());
    if (!published.empty() && (chosen = ColourProfile::FromBytes(published)))
        source_ = Source::Desktop;
    if (!chosen && !file_.isEmpty() && (chosen = ColourProfile::FromFile(file_.toStdString())))
        source_ = Source::SettingsFile;
    SetDisplayProfile(chosen);
    if (DisplayProfile()->hash() != before)
        emit ProfileChanged();
}

} // namespace lumora
