// Wires the viewer window to the main window: creates it hidden with the
// main window, opens it on WM_THUMB_OPENVIEWER from the list container,
// steps it through the current tab's thumbnail view, resets it when the list
// is cleared, and stores the settings it changes (SmartRendering,
// ShowPreimage, FullScreen, ViewerSettings placement).
//
// Owner: the main window (Qt child). GUI thread only.
#pragma once

#include "settings/AppSettings.h"

#include <QObject>
#include <QPointer>

namespace lumora {

class CMainFrame;
class CListContainerWnd;
class CThumbnailCtrl;
class CViewerFrame;

class CViewerLink : public QObject {
    Q_OBJECT
public:
    // Creates the hidden viewer window owned by `main`.
    explicit CViewerLink(CMainFrame* main);
    ~CViewerLink() override;

    CViewerFrame* viewer() const { return viewer_; }
    void ApplySettings(const AppSettings& settings);

    // The link of a main window (null before create()).
    static CViewerLink* Of(const QObject* main);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    CThumbnailCtrl* view() const;
    // After the viewer is hidden: activates the main window.
    void returnKeyboard();

    CMainFrame* main_;
    CViewerFrame* viewer_; // owned by the main window, lives as long as it
};

} // namespace lumora
