#include "viewer/MiniPreviewCtrl.h"

#include "imaging/ImageLoader.h"
#include "imaging/ImageTools.h"
#include "imaging/PictureDecoder.h"
#include "metadata/ImageInfo.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <pthread.h>
#include <sched.h>

namespace lumora {

namespace {

std::mutex decodesMutex;
std::condition_variable decodesChanged;
int runningDecodes = 0;
int maxRunningDecodes = 0;

void decodeStarted() {
    std::lock_guard lock(decodesMutex);
    ++runningDecodes;
    maxRunningDecodes = std::max(maxRunningDecodes, runningDecodes);
}

void decodeEnded() {
    std::lock_guard lock(decodesMutex);
    --runningDecodes;
    decodesChanged.notify_all();
}

} // namespace

// Tells the control that its loader thread has ended. The receiver is
// cleared under the lock before the control is destroyed.
struct CMiniPreviewCtrl::Finisher {
    std::mutex mutex;
    CMiniPreviewCtrl* receiver = nullptr;

    void Finished(int number) {
        std::lock_guard lock(mutex);
        if (receiver)
            QMetaObject::invokeMethod(
                receiver, [r = receiver, number] { r->decodeFinished(number); },
                Qt::QueuedConnection);
    }
};

CMiniPreviewCtrl::CMiniPreviewCtrl(QWidget* parent)
    : QFrame(parent), target_(std::make_shared<LoaderTarget>(this)),
      counter_(std::make_shared<RequestCounter>()), finisher_(std::make_shared<Finisher>()) {
    setObjectName(QStringLiteral("MiniPreviewCtrl"));
    setProperty("controlId", 0xE901);
    setFrameStyle(QFrame::Panel | QFrame::Sunken); // static edge
    setLineWidth(1);
    setAttribute(Qt::WA_OpaquePaintEvent);
    finisher_->receiver = this;
}

CMiniPreviewCtrl::~CMiniPreviewCtrl() {
    dropLoupe();
    target_->Detach();
    {
        std::lock_guard lock(finisher_->mutex);
        finisher_->receiver = nullptr;
    }
    counter_->Set(nextNumber_++); // a running decode is stale from here
}

void CMiniPreviewCtrl::SetItem(ImageItem item) {
    // The loader reads path, kind, preview position and orientation; the
    // pixels of the copy are not needed and not kept.
    item.thumb.thumbBits.clear();
    item.thumb.preimageBits.clear();
    lastItem_ = std::move(item);
    dropLoupe();
    if (!isVisible())
        return; // nothing is decoded while the pane is hidden
    startDecode(*lastItem_);
}

void CMiniPreviewCtrl::startDecode(const ImageItem& item) {
    if (running_) {
        // The running decode is stale at once; the newest item starts when
        // its thread has ended.
        requestId_ = nextNumber_++;
        counter_->Set(requestId_);
        pending_ = true;
        return;
    }
    const int number = nextNumber_++;
    counter_->Set(number);
    requestId_ = number;
    auto request = std::make_unique<LoadRequest>();
    request->targetWindow = target_;
    request->requestNumber = number;
    request->entry.words[0] = 1;
    request->entry.item = item;
    const QRect client = contentsRect();
    request->targetSize = std::max(client.width(), client.height());
    request->counter = counter_;
    running_ = true;
    ++decodesStarted_;
    decodeStarted();
    std::thread([request = std::move(request), finisher = finisher_, number]() mutable {
        sched_param param{};
        pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
        RunMiniPreviewLoad(std::move(request));
        decodeEnded(); // counted as ended before the control may start the next
        finisher->Finished(number);
    }).detach();
}

void CMiniPreviewCtrl::decodeFinished(int number) {
    running_ = false;
    // A JPEG that cannot be opened posts no result at all; the pane must not
    // go on showing the previous file under the new selection.
    if (number == requestId_ && lastResultNumber_ != number)
        DropImage();
    if (!pending_)
        return;
    pending_ = false;
    if (lastItem_ && isVisible())
        startDecode(*lastItem_);
}

void CMiniPreviewCtrl::DropImage() {
    dropLoupe();
    image_ = QImage();
    caption_.clear();
    update();
}

void CMiniPreviewCtrl::ShowPane(bool show) {
    if (!show) {
        if (paneHook_)
            paneHook_(false);
        else
            hide();
        return;
    }
    DropImage();
    if (paneHook_)
        paneHook_(true);
    else
        QFrame::show();
    if (lastItem_)
        SetItem(*lastItem_);
}

void CMiniPreviewCtrl::installResult(std::unique_ptr<MiniImageResult> result) {
    if (!result)
        return;
    // A superseded result leaves the pane as it is; it is freed here.
    if (result->requestNumber != requestId_)
        return;
    lastResultNumber_ = result->requestNumber;
    image_ = QImage();
    caption_.clear();
    if (!result->image.isNull()) {
        DibImage picture = std::move(result->image);
        switch (AutoRotationTurns(result->entry.item)) {
        case 1:
            CImageTools::RotateRight90(picture);
            break;
        case 2:
            CImageTools::RotateHalf(picture);
            break;
        case 3:
            CImageTools::RotateLeft90(picture);
            break;
        default:
            break;
        }
        image_ = QImageFromDib(picture);
        caption_ = QString::fromStdString(result->entry.item.fileName);
        if (caption_.isEmpty())
            caption_ = QString::fromStdString(std::string(FileNameOf(result->entry.item.path)));
    }
    update();
}

bool CMiniPreviewCtrl::event(QEvent* e) {
    if (auto* m = MessageCast<MiniPreviewResultMessage>(e)) {
        installResult(std::move(m->result));
        return true;
    }
    if (MessageCast<LoaderSizeMessage>(e) || MessageCast<PreviewNoEntryMessage>(e))
        return true; // the mini preview needs neither
    return QFrame::event(e);
}

QRect CMiniPreviewCtrl::imageRect() const {
    const QRect client = contentsRect();
    if (image_.isNull())
        return {};
    const int areaW = client.width() - 2 * kMargin;
    const int areaH = client.height() - kCaptionHeight - 2 * kMargin;
    if (areaW <= 0 || areaH <= 0)
        return {};
    const double scale = std::min(double(areaW) / image_.width(), double(areaH) / image_.height());
    const int w = static_cast<int>(image_.width() * scale);
    const int h = static_cast<int>(image_.height() * scale);
    const int x = client.left() + (client.width() - w) / 2;
    const int below = client.height() - kCaptionHeight;
    const int y = client.top() + kCaptionHeight + (below - h) / 2;
    return QRect(x, y, w, h);
}

void CMiniPreviewCtrl::paintEvent(QPaintEvent* e) {
    QFrame::paintEvent(e); // the static edge
    QPainter p(this);
    const QRect client = contentsRect();
    p.setClipRect(client);
    if (image_.isNull()) {
        p.fillRect(client, Qt::black);
        return;
    }
    // caption line
    const QRect captionRect(client.left(), client.top(), client.width(), kCaptionHeight);
    p.fillRect(captionRect, palette().color(QPalette::Button));
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPointSize(9);
    p.setFont(font);
    p.setPen(palette().color(QPalette::ButtonText));
    p.drawText(QRect(client.left() + 5, client.top() + 2, client.width() - 5, kCaptionHeight),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, caption_);
    // black around the picture, then the picture in one stretch
    const QRect below(client.left(), client.top() + kCaptionHeight, client.width(),
                      client.height() - kCaptionHeight);
    p.fillRect(below, Qt::black);
    const QRect dest = imageRect();
    if (dest.isEmpty())
        return;
    const bool reduce = dest.width() < image_.width();
    p.setRenderHint(QPainter::SmoothPixmapTransform, reduce);
    p.drawImage(dest, image_);
    if (loupe_)
        paintLoupe(p);
    else
        lastLoupe_ = QRect();
}

bool CMiniPreviewCtrl::WaitUntilIdle(int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (running_ || pending_) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (running_)
            QThread::msleep(2);
    }
    QCoreApplication::processEvents(); // the repaint
    return true;
}

int CMiniPreviewCtrl::RunningDecodes() {
    std::lock_guard lock(decodesMutex);
    return runningDecodes;
}

int CMiniPreviewCtrl::MaxRunningDecodes() {
    std::lock_guard lock(decodesMutex);
    return maxRunningDecodes;
}

void CMiniPreviewCtrl::ResetMaxRunningDecodes() {
    std::lock_guard lock(decodesMutex);
    maxRunningDecodes = runningDecodes;
}

bool CMiniPreviewCtrl::WaitForDecodes(int timeoutMs) {
    std::unique_lock lock(decodesMutex);
    return decodesChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [] { return runningDecodes == 0; });
}

} // namespace lumora
