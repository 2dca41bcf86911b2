// Which profile the pictures are shown in: the one the desktop publishes
// for the monitor the main window is on (X root window property), else the
// profile file chosen on the settings page, else sRGB. The choice is
// stored with SetDisplayProfile (colour/ColourProfile.h), where the loader
// threads read it, and made again whenever the property changes, the
// window moves to another monitor or the settings change.
//
// Owner: the main window (Qt parent), GUI thread only.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace lumora {

class CDisplayIccWatch;

class CDisplayColours : public QObject {
    Q_OBJECT
public:
    // Where the chosen profile came from.
    enum class Source { Desktop, SettingsFile, Srgb };

    explicit CDisplayColours(QWidget* window);

    // The settings page's profile file (empty: none).
    void SetProfileFile(const QString& path);
    // Chooses again (also done on every change it follows).
    void Update();
    Source source() const { return source_; }
    // The monitor the window is on, counted as the desktop counts them.
    int screenIndex() const;

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // The display profile changed (its hash differs from before).
    void ProfileChanged();

private:
    void followScreen();

    QPointer<QWidget> window_;
    CDisplayIccWatch* watch_ = nullptr;
    QString file_;
    Source source_ = Source::Srgb;
    bool screenFollowed_ = false;
};

} // namespace lumora
