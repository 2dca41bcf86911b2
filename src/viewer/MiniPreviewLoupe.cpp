// The mini preview's loupe: 100 % around the pointer while the left button
// is held with the modifier. The pane's own image is decoded at the pane's
// size; the loupe gets a full-size decode of the same item on a thread of
// its own, made stale when the item changes and kept while it does not.
#include "viewer/MiniPreviewCtrl.h"

#include "imaging/ImageLoader.h"
#include "imaging/ImageTools.h"
#include "imaging/PictureDecoder.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <mutex>
#include <thread>

#include <pthread.h>
#include <sched.h>

namespace lumora {

// Where a loupe decode delivers its picture; the receiver is cleared under
// the lock before the control goes.
struct CMiniPreviewCtrl::LoupeSink {
    std::mutex mutex;
    CMiniPreviewCtrl* receiver = nullptr;
};

void CMiniPreviewCtrl::dropLoupe() {
    if (loupeCounter_)
        loupeCounter_->Set(++loupeNumber_); // a running decode is stale
    if (loupeSink_) {
        std::lock_guard lock(loupeSink_->mutex);
        loupeSink_->receiver = nullptr;
    }
    loupeSink_.reset();
    loupeDecoding_ = false;
    loupeImage_ = QImage();
}

void CMiniPreviewCtrl::startLoupeDecode() {
    if (!lastItem_ || loupeDecoding_ || !loupeImage_.isNull())
        return;
    if (!loupeCounter_)
        loupeCounter_ = std::make_shared<RequestCounter>();
    const int number = ++loupeNumber_;
    loupeCounter_->Set(number);
    loupeSink_ = std::make_shared<LoupeSink>();
    loupeSink_->receiver = this;
    loupeDecoding_ = true;
    std::thread([item = *lastItem_, sink = loupeSink_, counter = loupeCounter_, number] {
        sched_param param{};
        pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
        DecodeOutput out = DecodeForLoader(item, 0, CancelTest{counter.get(), number}, {});
        if (!out.ok() || counter->Get() != number)
            return;
        DibImage picture = std::move(out.image);
        switch (AutoRotationTurns(item)) {
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
        QImage image = QImageFromDib(picture);
        std::lock_guard lock(sink->mutex);
        if (sink->receiver)
            QMetaObject::invokeMethod(
                sink->receiver,
                [r = sink->receiver, image = std::move(image), number]() mutable {
                    if (number != r->loupeNumber_)
                        return; // stale: the item changed meanwhile
                    r->loupeDecoding_ = false;
                    r->loupeImage_ = std::move(image);
                    r->update();
                },
                Qt::QueuedConnection);
    }).detach();
}

void CMiniPreviewCtrl::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && (e->modifiers() & kLoupeModifier) && hasImage() &&
        imageRect().contains(e->position().toPoint())) {
        loupe_ = true;
        loupePoint_ = e->position().toPoint();
        startLoupeDecode();
        update();
        return;
    }
    QFrame::mousePressEvent(e);
}

void CMiniPreviewCtrl::mouseMoveEvent(QMouseEvent* e) {
    if (loupe_) {
        loupePoint_ = e->position().toPoint();
        update();
        return;
    }
    QFrame::mouseMoveEvent(e);
}

void CMiniPreviewCtrl::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && loupe_) {
        loupe_ = false;
        update();
        return;
    }
    QFrame::mouseReleaseEvent(e);
}

void CMiniPreviewCtrl::paintLoupe(QPainter& p) {
    const QRect dest = imageRect();
    if (dest.isEmpty())
        return;
    const QRect client = contentsRect();
    const int side = std::min({kLoupeSide, client.width(), client.height()});
    if (side < 8)
        return;
    const QRect box(
        std::clamp(loupePoint_.x() - side / 2, client.left(), client.right() + 1 - side),
        std::clamp(loupePoint_.y() - side / 2, client.top(), client.bottom() + 1 - side), side,
        side);
    // The full-size picture once it is there, the pane's own image before.
    const QImage& src = loupeImage_.isNull() ? image_ : loupeImage_;
    const double fx = std::clamp((loupePoint_.x() - dest.left()) / double(dest.width()), 0.0, 1.0);
    const double fy = std::clamp((loupePoint_.y() - dest.top()) / double(dest.height()), 0.0, 1.0);
    const double sx = fx * src.width() - (loupePoint_.x() - box.left());
    const double sy = fy * src.height() - (loupePoint_.y() - box.top());
    const QRectF wanted(sx, sy, side, side);
    const QRectF shown = wanted.intersected(QRectF(0, 0, src.width(), src.height()));
    p.setClipRect(client);
    p.fillRect(box, Qt::black);
    if (!shown.isEmpty()) {
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(QRectF(box.left() + shown.x() - sx, box.top() + shown.y() - sy, shown.width(),
                           shown.height()),
                    src, shown);
    }
    p.setPen(QPen(Qt::white, 1));
    p.drawRect(box.adjusted(0, 0, -1, -1));
    lastLoupe_ = box;
}

} // namespace lumora
