#include "app/SlideShowLink.h"

#include "app/ListContainerWnd.h"
#include "app/MainCommands.h"
#include "app/MainFrame.h"
#include "thumbnails/ThumbnailCtrl.h"
#include "thumbnails/ThumbnailMessages.h"
#include "viewer/SlideShow.h"
#include "viewer/ViewerFrame.h"

#include <QTabBar>

namespace lumora {

CSlideShowLink::CSlideShowLink(CMainFrame* main, CViewerFrame* viewer)
    : QObject(main), main_(main), viewer_(viewer) {
    setObjectName(QStringLiteral("SlideShowLink"));
    CListContainerWnd* host = main_->listContainer();
    show_ = new CSlideShow(host ? static_cast<QObject*>(host) : this);

    SlideShowViewer v;
    v.isFullScreen = [this] { return viewer_ && viewer_->IsFullScreen(); };
    v.setFullScreen = [this](bool on) {
        if (viewer_)
            viewer_->SetFullScreen(on);
    };
    v.showPreimage = [this] { return viewer_ ? viewer_->GetShowPreimage() : true; };
    v.setShowPreimage = [this](bool on) {
        if (viewer_)
            viewer_->SetShowPreimage(on);
    };
    v.setFitMode = [this](bool on) {
        if (viewer_)
            viewer_->SetFitMode(on);
    };
    v.setRunningTitle = [this](bool on) {
        if (viewer_)
            viewer_->SetSlideshowRunning(on);
    };
    v.close = [this] {
        if (viewer_)
            viewer_->close(); // hides it
    };
    show_->SetViewer(std::move(v));

    SlideShowList l;
    l.currentIndex = [this] {
        CThumbnailCtrl* t = view();
        return t ? t->cursor() : -1;
    };
    l.count = [this] {
        CThumbnailCtrl* t = view();
        return t ? t->Count() : 0;
    };
    l.showCurrent = [this] {
        if (CThumbnailCtrl* t = view())
            t->OpenViewer();
    };
    l.openAt = [this](int index) {
        if (CThumbnailCtrl* t = view())
            t->GoToItem(index);
    };
    show_->SetList(std::move(l));

    if (viewer_) {
        connect(viewer_, &CViewerFrame::imageDisplayed, show_, &CSlideShow::ImageDisplayed);
        ViewerHooks hooks = viewer_->hooks();
        hooks.toggleSlideshow = [this] { show_->ToggleSlideshow(viewer_); };
        hooks.slideshowRunning = [this] { return show_->IsRunning(); };
        hooks.stopSlideshow = [this] { show_->StopSlideshow(); };
        viewer_->SetHooks(std::move(hooks));
    }
    connect(show_, &CSlideShow::optionsChanged, this,
            [this](const SlideShowSettings& o) { main_->settings().SlideShow = o; });
    connect(show_, &CSlideShow::runningChanged, this, [this] { main_->updateCommandStates(); });

    CommandHooks& commands = main_->commands().hooks();
    commands.slideShowRunning = [this] { return show_->IsRunning(); };
    commands.toggleSlideShow = [this] { show_->ToggleSlideshow(main_); };

    // A change of the shown list stops a run.
    main_->installEventFilter(this);
    if (host && host->tabStrip())
        connect(host->tabStrip(), &QTabBar::currentChanged, show_, &CSlideShow::StopSlideshow);
    ApplySettings(main_->settings());
    main_->updateCommandStates();
}

CSlideShowLink::~CSlideShowLink() = default;

CSlideShowLink* CSlideShowLink::Of(const QObject* main) {
    return main ? main->findChild<CSlideShowLink*>(QStringLiteral("SlideShowLink"),
                                                   Qt::FindDirectChildrenOnly)
                : nullptr;
}

CThumbnailCtrl* CSlideShowLink::view() const {
    CListContainerWnd* host = main_->listContainer();
    return host ? host->currentView() : nullptr;
}

void CSlideShowLink::ApplySettings(const AppSettings& settings) {
    show_->ApplySettings(settings);
}

bool CSlideShowLink::eventFilter(QObject* watched, QEvent* e) {
    if (watched == main_ && MessageCast<ListClearedMessage>(e))
        show_->StopSlideshow(); // the main window goes on to handle it too
    return QObject::eventFilter(watched, e);
}

} // namespace lumora
