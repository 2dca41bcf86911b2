// Wires the slideshow run to the viewer window, the current thumbnail view
// and the main window's commands. The run state (CSlideShow) lives in the
// list container, the host of the thumbnail views.
//
// Owner: the main window (Qt child, created after the viewer link). GUI
// thread only.
#pragma once

#include "settings/AppSettings.h"

#include <QObject>
#include <QPointer>

namespace lumora {

class CMainFrame;
class CSlideShow;
class CThumbnailCtrl;
class CViewerFrame;

class CSlideShowLink : public QObject {
    Q_OBJECT
public:
    CSlideShowLink(CMainFrame* main, CViewerFrame* viewer);
    ~CSlideShowLink() override;

    CSlideShow* slideShow() const { return show_; }
    void ApplySettings(const AppSettings& settings);

    // The link of a main window (null when there is none).
    static CSlideShowLink* Of(const QObject* main);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    CThumbnailCtrl* view() const;

    CMainFrame* main_;
    QPointer<CViewerFrame> viewer_;
    CSlideShow* show_; // owned by the list container
};

} // namespace lumora
