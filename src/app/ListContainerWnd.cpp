#include "app/ListContainerWnd.h"

#include "viewer/InfoContainer.h"
#include "thumbnails/FileDropTarget.h"
#include "thumbnails/ThumbnailCtrl.h"
#include "thumbnails/ThumbnailMessages.h"
#include "thumbnails/WorkSheetTabStrip.h"

#include <QLabel>
#include <QTabBar>

namespace lumora {

CListContainerWnd::CListContainerWnd(QWidget* parent, int id, int infoDividerPos,
                                     bool showExifWindow, QObject* mainWindow)
    : QWidget(parent), id_(id), mainWindow_(mainWindow) {
    setObjectName(QStringLiteral("ListContainer"));
    setFocusPolicy(Qt::StrongFocus);
    divider_ =
        new CDivider(this, 59648, 3, showExifWindow ? infoDividerPos : 0, infoDividerPos, 200);

    auto* info = new CInfoContainer(divider_);
    infoPanel_ = info;

    tabs_ = new CWorkSheetTabStrip(this, 1020);
    tabs_->setGeometry(0, 0, 100, 20);
    tabs_->AttachDropTarget(this);
    connect(tabs_, &CWorkSheetTabStrip::tabPicked, this, &CListContainerWnd::SwitchTab);
    connect(tabs_, &CWorkSheetTabStrip::renamed, this, [this] {
        sendTitleCount();
        emit workSheetsChanged();
    });

    // The folder tab with its view, current from the start.
    CreateTab(kFolderTab, QStringLiteral("フォルダ"));
    folderView_ = views_.front();
    current_ = 0;
    needsRefresh_[0] = false;

    divider_->SetPane(0, folderView_);
    divider_->SetPane(1, info);
    divider_->SetAnchor(1);
    divider_->SetEdge();
    if (!showExifWindow)
        divider_->ShowPane(1, false);
}

CListContainerWnd::~CListContainerWnd() = default;

CThumbnailCtrl* CListContainerWnd::currentView() const {
    const int i = currentIndex();
    return i >= 0 && i < int(views_.size()) ? views_[std::size_t(i)] : nullptr;
}

int CListContainerWnd::currentIndex() const {
    return current_;
}

QTabBar* CListContainerWnd::tabStrip() const {
    return tabs_;
}

int CListContainerWnd::viewIndexOf(const CThumbnailCtrl* view) const {
    for (std::size_t i = 0; i < views_.size(); ++i)
        if (views_[i] == view)
            return int(i);
    return -1;
}

void CListContainerWnd::ShowFolder(const QString& path) {
    folderView_->LoadFolder(path);
    needsRefresh_[0] = false;
    SwitchTab(0);
}

void CListContainerWnd::ApplySettings(const AppSettings& settings, bool reload) {
    settings_ = settings;
    settingsGiven_ = true;
    // The current view redraws (and reloads when asked); the others take
    // the settings now and reload when they are next shown.
    for (std::size_t i = 0; i < views_.size(); ++i) {
        const bool current = int(i) == current_;
        views_[i]->ApplySettings(settings_, current, current && reload);
        if (!current && reload)
            needsRefresh_[i] = true;
    }
    SetInfoPaneShown(settings_.ShowExifWindow != 0);
    if (auto* info = qobject_cast<CInfoContainer*>(infoPanel_.data()))
        info->SetHistogramMode(settings_.HistogramMode);
}

void CListContainerWnd::WatchViewInfo(CThumbnailCtrl* view) {
    connect(view, &CThumbnailCtrl::infoRecordChanged, this,
            [this](std::shared_ptr<const ItemInfoRecord> record) {
                if (auto* info = qobject_cast<CInfoContainer*>(infoPanel_.data()); info && record)
                    info->ShowItem(*record);
            });
}

void CListContainerWnd::SetInfoPaneShown(bool show) {
    divider_->ShowPane(1, show);
}

void CListContainerWnd::SetInfoPanel(QWidget* panel) {
    if (!panel || panel == infoPanel_)
        return;
    QWidget* old = infoPanel_;
    const bool shown = divider_->isPaneShown(1);
    divider_->SetPane(1, panel);
    panel->setVisible(shown);
    infoPanel_ = panel;
    if (old)
        old->deleteLater();
    divider_->Layout();
}

void CListContainerWnd::resizeEvent(QResizeEvent*) {
    const int h = height() - kTabStripHeight;
    divider_->setGeometry(0, 0, width(), h > 0 ? h : 0);
    tabs_->setGeometry(0, h > 0 ? h : 0, width(), kTabStripHeight);
}

void CListContainerWnd::focusInEvent(QFocusEvent*) {
    if (CThumbnailCtrl* view = currentView())
        view->setFocus(Qt::OtherFocusReason);
}

bool CListContainerWnd::event(QEvent* e) {
    if (auto* m = MessageCast<PreimageMessage>(e)) {
        auto* info = qobject_cast<CInfoContainer*>(infoPanel_.data());
        if (info && m->preimage)
            info->SetHistogramSource(std::move(*m->preimage));
        return true;
    }
    if (MessageCast<NoPreimageMessage>(e)) {
        if (auto* info = qobject_cast<CInfoContainer*>(infoPanel_.data()))
            info->ClearHistogram();
        return true;
    }
    if (MessageCast<OpenViewerMessage>(e)) { // for the viewer window
        // The payloads are freed with the messages until their panes exist.
        return true;
    }
    // Tab counts and drops on the tab strip.
    if (workSheetEvent(e))
        return true;
    return QWidget::event(e);
}

} // namespace lumora
