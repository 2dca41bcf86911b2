// Opening what the command line or a second instance names: a worksheet
// list, a folder, or an image file (its folder is shown, the image selected
// and opened in the viewer once the folder's listing holds it).
#include "app/MainFrame.h"

#include "app/ListContainerWnd.h"
#include "app/OpenTarget.h"
#include "thumbnails/ThumbnailCtrl.h"

#include <QFileInfo>
#include <QTimer>

namespace lumora {

namespace {

// How long an image named on the command line is waited for in its folder's
// listing before the wait is given up (a folder of many thousands of files
// on a slow disk lists within this).
constexpr int kPendingImagePollMs = 50;
constexpr int kPendingImageLimitMs = 20000;

} // namespace

void CMainFrame::openPath(const QString& path) {
    if (path.isEmpty())
        return;
    switch (classifyOpenTarget(path)) {
    case OpenTarget::WorkSheetList:
        readWorkSheetListFile(path);
        return;
    case OpenTarget::Folder:
        pendingImage_.clear();
        selectByPath(QFileInfo(path).absoluteFilePath());
        return;
    case OpenTarget::Image:
        break;
    }
    const QFileInfo info(path);
    pendingImage_ = info.absoluteFilePath();
    pendingImageWaitedMs_ = 0;
    selectByPath(info.absolutePath());
    if (!pendingImageTimer_) {
        pendingImageTimer_ = new QTimer(this);
        pendingImageTimer_->setInterval(kPendingImagePollMs);
        connect(pendingImageTimer_, &QTimer::timeout, this, &CMainFrame::showPendingImage);
    }
    pendingImageTimer_->start();
}

void CMainFrame::showPendingImage() {
    pendingImageWaitedMs_ += kPendingImagePollMs;
    CThumbnailCtrl* view = listContainer_ ? listContainer_->folderView() : nullptr;
    const int index =
        view && !pendingImage_.isEmpty() ? view->list().FindByPath(pendingImage_.toStdString()) : -1;
    if (index < 0 && pendingImageWaitedMs_ < kPendingImageLimitMs && !pendingImage_.isEmpty())
        return;
    pendingImageTimer_->stop();
    pendingImage_.clear();
    if (index >= 0)
        view->GoToItem(index);
}

} // namespace lumora
