#include "app/ListContainerWnd.h"

#include "viewer/InfoContainer.h"
#include "thumbnails/FileDropTarget.h"
#include "thumbnails/ThumbnailCtrl.h"
#include "thumbnails/ThumbnailMessages.h"

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

    tabs_ = new QTabBar(this);
    tabs_->setObjectName(QStringLiteral("TabStrip"));
    tabs_->setShape(QTabBar::RoundedSouth);
    tabs_->setDrawBase(true);
    tabs_->setExpanding(false);
    tabs_->setGeometry(0, 0, 100, 20);
    tabs_->addTab(QStringLiteral("フォルダ"));

    folderView_ = new CThumbnailCtrl(divider_, 0, 1002);
    folderView_->SetMainWindow(mainWindow);
    folderView_->SetContainer(this);
    views_.push_back(folderView_);
    folderView_->SetTabIndex(viewIndexOf(folderView_));
    WatchViewInfo(folderView_);
    tabs_->setCurrentIndex(0);

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
    return tabs_->currentIndex();
}

int CListContainerWnd::viewIndexOf(const CThumbnailCtrl* view) const {
    for (std::size_t i = 0; i < views_.size(); ++i)
        if (views_[i] == view)
            return int(i);
    return -1;
}

void CListContainerWnd::ShowFolder(const QString& path) {
    tabs_->setCurrentIndex(0);
    folderView_->LoadFolder(path);
}

void CListContainerWnd::ApplySettings(const AppSettings& settings, bool reload) {
    settings_ = settings;
    if (CThumbnailCtrl* view = currentView())
        view->ApplySettings(settings_, true, reload);
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
    if (MessageCast<OpenViewerMessage>(e) || // for the viewer window
        MessageCast<CountChangedMessage>(e)) {
        // The payloads are freed with the messages until their panes exist.
        return true;
    }
    // The container itself takes no drops (its views do).
    if (MessageCast<DropCanEnterMessage>(e) || MessageCast<DropCanDropMessage>(e) ||
        MessageCast<DropLeaveMessage>(e) || MessageCast<DropFilesMessage>(e))
        return true;
    return QWidget::event(e);
}

} // namespace lumora
