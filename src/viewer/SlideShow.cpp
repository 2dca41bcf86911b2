#include "viewer/SlideShow.h"

#include "viewer/BgmPlayer.h"
#include "viewer/SlideShowDlg.h"

#include <QApplication>
#include <QTimer>

namespace lumora {

CSlideShow::CSlideShow(QObject* parent)
    : QObject(parent), timer_(new QTimer(this)), music_(new CBgmPlayer(this)) {
    timer_->setSingleShot(true);
    // A coarse timer may fire 5 % early; each image stays the full interval.
    timer_->setTimerType(Qt::PreciseTimer);
    timer_->setObjectName(QStringLiteral("timer%1").arg(kTimerId));
    connect(timer_, &QTimer::timeout, this, &CSlideShow::onTimer);
}

CSlideShow::~CSlideShow() = default;

void CSlideShow::ApplySettings(const AppSettings& settings) {
    options_ = settings.SlideShow;
    noDialog_ = settings.NoSlideShowDlg != 0;
}

bool CSlideShow::ToggleSlideshow(QWidget* dialogParent) {
    if (running_) {
        StopSlideshow();
        return false;
    }
    if (listEmpty())
        return false; // nothing to show: no dialog, no run
    if (!noDialog_) {
        CSlideShowDlg dlg(dialogParent);
        dlg.SetOptions(options_);
        if (dlg.exec() != QDialog::Accepted)
            return false;
        options_ = dlg.Options();
        emit optionsChanged(options_);
    }
    Start();
    return running_;
}

bool CSlideShow::listEmpty() const {
    return list_.count && list_.count() <= 0;
}

void CSlideShow::Start() {
    // An empty list would give a run that no displayed image ever ends.
    if (running_ || listEmpty())
        return;
    savedFullScreen_ = viewer_.isFullScreen ? viewer_.isFullScreen() : false;
    savedShowPreimage_ = viewer_.showPreimage ? viewer_.showPreimage() : true;
    if (viewer_.setFitMode)
        viewer_.setFitMode(true);
    if (options_.FullScreen && viewer_.setFullScreen)
        viewer_.setFullScreen(true);
    if (options_.NoPreImage && viewer_.setShowPreimage)
        viewer_.setShowPreimage(false);
    if (list_.showCurrent) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        list_.showCurrent();
        QApplication::restoreOverrideCursor();
    }
    if (options_.PlayBGM) {
        // A missing or unplayable file stays silent; the run goes on.
        music_->SetLoop(options_.LoopBGM != 0);
        music_->Open(options_.BGMFileName);
        music_->PlayFromStart();
        musicPlaying_ = true;
    }
    const int current = list_.currentIndex ? list_.currentIndex() : 0;
    const int start = options_.FromHead ? 0 : (current < 0 ? 0 : current);
    lastCount_ = list_.count ? list_.count() : 0;
    running_ = true;
    if (list_.openAt)
        list_.openAt(start);
    if (viewer_.setRunningTitle)
        viewer_.setRunningTitle(true);
    emit runningChanged(true);
}

void CSlideShow::ImageDisplayed(int index, int count) {
    lastIndex_ = index;
    lastCount_ = count;
    if (!running_)
        return;
    if (index < count - 1 || options_.AutoClose) {
        // The interval counts from the moment the image is on screen. The
        // last one stays its interval too when the viewer closes after it.
        timer_->start(options_.IntervalSecond * 1000);
    } else {
        StopSlideshow(); // the run ends on the last image
    }
}

void CSlideShow::onTimer() {
    timer_->stop();
    if (!running_)
        return;
    if (lastIndex_ >= lastCount_ - 1) {
        StopSlideshow(); // the last image has had its interval
        return;
    }
    if (list_.openAt)
        list_.openAt(lastIndex_ + 1);
}

void CSlideShow::StopSlideshow() {
    if (!running_)
        return;
    timer_->stop();
    running_ = false;
    if (viewer_.setRunningTitle)
        viewer_.setRunningTitle(false);
    if (viewer_.setFullScreen && viewer_.isFullScreen && viewer_.isFullScreen() != savedFullScreen_)
        viewer_.setFullScreen(savedFullScreen_);
    if (viewer_.setShowPreimage)
        viewer_.setShowPreimage(savedShowPreimage_);
    music_->Close();
    musicPlaying_ = false;
    emit runningChanged(false);
    if (options_.AutoClose && viewer_.close)
        viewer_.close();
}

bool CSlideShow::timerActive() const {
    return timer_->isActive();
}

int CSlideShow::timerInterval() const {
    return timer_->interval();
}

} // namespace lumora
