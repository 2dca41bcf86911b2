#include "viewer/PreviewCtrl.h"

#include "viewer/PreviewMessages.h"

#include "imaging/ImageLoader.h"

#include <QCursor>
#include <QFont>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace lumora {

namespace {
// How long a decode waits for its pre-image's paint at most (a hidden or
// covered window may never paint).
constexpr int kPendingLoadWaitMs = 40;
} // namespace

namespace {

const QColor kTextGrey(192, 192, 192);
const QColor kBoxGrey(64, 64, 64);

QString rotationName(int index) {
    switch (index & 3) {
    case 1:
        return QStringLiteral("右90度");
    case 2:
        return QStringLiteral("180度");
    case 3:
        return QStringLiteral("左90度");
    default:
        return QStringLiteral("0度");
    }
}

QImage thumbnailImage(const ImageItem& item) {
    const PixelBuffer& bits = item.thumb.thumbBits;
    if (bits.isNull())
        return {};
    return DibToImage(bits);
}

} // namespace

QCursor MagnifierCursor() {
    static const QCursor cursor = [] {
        QPixmap pm(32, 32);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::white, 4));
        p.drawEllipse(QPointF(12, 12), 8, 8);
        p.drawLine(QPointF(18, 18), QPointF(28, 28));
        p.setPen(QPen(Qt::black, 2));
        p.drawEllipse(QPointF(12, 12), 8, 8);
        p.drawLine(QPointF(18, 18), QPointF(28, 28));
        p.end();
        return QCursor(pm, 12, 12);
    }();
    return cursor;
}

CPreviewCtrl::CPreviewCtrl(QWidget* parent) : QAbstractScrollArea(parent), loader_(this) {
    setObjectName(QStringLiteral("PreviewCtrl"));
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAttribute(Qt::WA_NoSystemBackground);
    horizontalScrollBar()->setSingleStep(10);
    verticalScrollBar()->setSingleStep(10);
    horizontalScrollBar()->setRange(0, 0);
    verticalScrollBar()->setRange(0, 0);
    updateCursor();
}

CPreviewCtrl::~CPreviewCtrl() = default;

// ---- settings -------------------------------------------------------------------

void CPreviewCtrl::ApplySettings(const AppSettings& s) {
    magMode_ = s.MagMode;
    rotateMode_ = s.RotateMode;
    preimageSize_ = std::clamp(s.PreimageSize, 1, 16);
    showPreimage_ = s.ShowPreimage != 0;
    wheelMode_ = s.PreviewMouseWheel;
    const bool noMag = s.NoMagOnFit != 0;
    if (noMag != noMagOnFit_) {
        noMagOnFit_ = noMag;
        if (picture_ && !loading_) {
            relayout(false);
            viewport()->update();
        }
    }
    updateRotationPane();
}

void CPreviewCtrl::SetSmartRendering(bool on) {
    smartRendering_ = on;
    viewport()->update();
}

void CPreviewCtrl::SetFitMode(bool on) {
    fitMode_ = on;
    if (!loading_) {
        relayout(false);
        viewport()->update();
    }
    updateMagnificationPane();
    updateReadout(viewport()->mapFromGlobal(QCursor::pos()));
    updateCursor();
    ++viewChangeCount_;
    emit viewChanged();
}

void CPreviewCtrl::SetShowPreimage(bool on) {
    showPreimage_ = on;
}

QString CPreviewCtrl::rotationText() const {
    return rotateMode_ == 0 ? QStringLiteral("Exif連動回転") : rotationName(rotationIndex_);
}

void CPreviewCtrl::updateRotationPane() {
    emit paneText(8, rotationText());
}

QString CPreviewCtrl::magnificationText() const {
    if (!picture_)
        return {};
    const double percent = static_cast<double>(magnification_) * 100.0;
    return fitMode_ ? QString::asprintf("%.1f(%%): FIT", percent)
                    : QString::asprintf("%.1f(%%)", percent);
}

void CPreviewCtrl::updateMagnificationPane() {
    emit paneText(10, magnificationText());
    updateSizePane();
}

// ---- showing items ------------------------------------------------------------------

int CPreviewCtrl::desiredTurns() const {
    if (rotateMode_ == 1)
        return rotationIndex_;
    return AutoRotationTurns(currentItem_);
}

void CPreviewCtrl::ShowItem(const ImageItem& item, int index, int count) {
    // The shown picture stays at hand for stepping back to it.
    if (picture_ && picture_->hasFullSize() && !currentPath_.empty())
        loader_.Remember(currentPath_, picture_, sourceWidth_, sourceHeight_);
    pendingLoad_.reset();
    listIndex_ = index;
    listCount_ = count;
    currentItem_ = ImageItem{};
    currentItem_.path = item.path;
    currentItem_.fileName = item.fileName;
    currentItem_.kind = item.kind;
    currentItem_.imageInfo.orientation = item.imageInfo.orientation;
    currentItem_.caption = item.caption;
    currentPath_ = item.path;
    fullWidth_ = static_cast<int>(std::min<uint32_t>(
        item.shootingInfo.pixelX.value_or(item.imageInfo.width.value_or(0)), 1u << 30));
    fullHeight_ = static_cast<int>(std::min<uint32_t>(
        item.shootingInfo.pixelY.value_or(item.imageInfo.height.value_or(0)), 1u << 30));
    sourceWidth_ = sourceHeight_ = 0;
    toggle_.Forget();
    loupe_ = false;
    loading_ = true;
    dragging_ = false;
    emit paneText(0, QStringLiteral("画像を読み込んでいます..."));
    // A neighbour decoded ahead of time goes on screen at once, without a
    // pre-image that would show for one frame.
    if (const PrefetchedPicture* p = loader_.Find(item.path); p && p->done && p->picture) {
        waitingPrefetch_.clear();
        loader_.NewRequest();
        sourceWidth_ = p->sourceWidth;
        sourceHeight_ = p->sourceHeight;
        updateSizePane();
        installPicture(p->picture, index, count);
        return;
    }
    if (showPreimage_)
        setPreimage(item, true);
    if (loadAfterPreimage_ && preimage_ != Preimage::None && isVisible()) {
        loader_.NewRequest(); // a decode still running for the last picture is stale
        pendingLoad_ = item;
        pendingLoad_->thumb = ThumbnailBlock{}; // the loader needs no pixels
        QTimer::singleShot(kPendingLoadWaitMs, this, [this] { startPendingLoad(); });
        updateCursor();
        return;
    }
    startRequest(item);
    updateCursor();
}

void CPreviewCtrl::startPendingLoad() {
    if (!pendingLoad_)
        return;
    const ImageItem item = std::move(*pendingLoad_);
    pendingLoad_.reset();
    startRequest(item);
}

void CPreviewCtrl::startRequest(const ImageItem& item) {
    waitingPrefetch_.clear();
    const int turns = desiredTurns();
    if (const PrefetchedPicture* p = loader_.Find(item.path)) {
        if (p->done && p->picture) {
            // Decoded ahead of time: delivered like a loader's result.
            const int32_t number = loader_.NewRequest();
            Post(this,
                 std::make_unique<PictureSizeMessage>(p->sourceWidth, p->sourceHeight, number));
            auto m = std::make_unique<PictureResultMessage>();
            m->picture = p->picture;
            m->result = std::make_unique<PictureResult>();
            m->result->requestNumber = number;
            m->result->item.path = item.path;
            m->result->item.imageInfo.orientation = item.imageInfo.orientation;
            m->result->item.caption = item.caption;
            Post(this, std::move(m));
            return;
        }
        if (!p->done) {
            // Still decoding in the background: its result serves this request.
            loader_.NewRequest();
            waitingPrefetch_ = item.path;
            return;
        }
    }
    PictureRequest entry;
    entry.item = item;
    entry.item.thumb = ThumbnailBlock{}; // the loader needs no pixels
    entry.item.makerNote.reset();
    loader_.Load(entry, turns);
}

void CPreviewCtrl::Prefetch(const std::vector<ImageItem>& items) {
    std::vector<int> turns;
    for (const ImageItem& item : items)
        turns.push_back(rotateMode_ == 1 ? rotationIndex_ : AutoRotationTurns(item));
    std::vector<ImageItem> light;
    for (const ImageItem& item : items) {
        ImageItem copy;
        copy.path = item.path;
        copy.fileName = item.fileName;
        copy.kind = item.kind;
        copy.previewOffset = item.previewOffset;
        copy.previewLength = item.previewLength;
        copy.imageInfo.orientation = item.imageInfo.orientation;
        light.push_back(std::move(copy));
    }
    loader_.Prefetch(light, turns);
}

void CPreviewCtrl::Clear() {
    loader_.Cancel();
    loader_.DropPrefetched();
    waitingPrefetch_.clear();
    pendingLoad_.reset();
    picture_.reset();
    loading_ = false;
    preimage_ = Preimage::None;
    currentPath_.clear();
    layout_ = LayoutResult{};
    applyScrollBars();
    viewport()->update();
    updateCursor();
}

void CPreviewCtrl::ShowSliderPreimage(const ImageItem& item) {
    setPreimage(item, false);
}

void CPreviewCtrl::setPreimage(const ImageItem& item, bool loadingText) {
    preimageThumb_ = thumbnailImage(item);
    preimage_ = preimageThumb_.isNull() ? Preimage::NoCache : Preimage::Thumbnail;
    preimageName_ = QString::fromStdString(item.fileName);
    preimageLoadingText_ = loadingText;
    horizontalScrollBar()->setRange(0, 0);
    verticalScrollBar()->setRange(0, 0);
    viewport()->update();
}

// ---- messages -------------------------------------------------------------------------

bool CPreviewCtrl::event(QEvent* e) {
    if (auto* m = MessageCast<PictureResultMessage>(e)) {
        installResult(*m);
        return true;
    }
    if (auto* m = MessageCast<PictureLevelsMessage>(e)) {
        if (m->requestNumber == loader_.CurrentRequest() && picture_ && m->picture &&
            !m->picture->isNull()) {
            // The user may have turned the picture meanwhile.
            const int turn = picture_->quarterTurns() - m->picture->quarterTurns();
            picture_ = turn == 0 ? std::move(m->picture) : m->picture->Turned(turn);
            viewport()->update();
        }
        return true;
    }
    if (auto* m = MessageCast<PictureSizeMessage>(e)) {
        if (m->requestNumber == loader_.CurrentRequest()) {
            sourceWidth_ = m->width;
            sourceHeight_ = m->height;
            updateSizePane();
        }
        return true;
    }
    if (auto* m = MessageCast<PrefetchDoneMessage>(e)) {
        const std::string path = m->path;
        const int w = m->sourceWidth, h = m->sourceHeight;
        const bool kept = loader_.TakePrefetchResult(*m);
        if (!waitingPrefetch_.empty() && path == waitingPrefetch_ && loading_) {
            waitingPrefetch_.clear();
            const PrefetchedPicture* p = loader_.Find(path);
            if (kept && p && p->picture) {
                sourceWidth_ = w;
                sourceHeight_ = h;
                updateSizePane();
                installPicture(p->picture, listIndex_, listCount_);
            } else {
                ImageItem item = currentItem_;
                startRequest(item); // decode it on its own after all
            }
        }
        return true;
    }
    if (MessageCast<PictureNoEntryMessage>(e)) {
        emit listEmptied();
        return true;
    }
    if (auto* m = MessageCast<PreviewQueryMessage>(e)) {
        m->result = 1;
        return true;
    }
    return QAbstractScrollArea::event(e);
}

void CPreviewCtrl::installResult(PictureResultMessage& m) {
    if (!m.result || m.result->requestNumber != loader_.CurrentRequest())
        return; // stale: freed with the message
    if (m.cancelled)
        return;
    installPicture(std::move(m.picture), listIndex_, listCount_);
}

void CPreviewCtrl::installPicture(std::shared_ptr<const ViewerPicture> picture, int index,
                                  int count) {
    picture_.reset();
    if (picture && !picture->isNull()) {
        const int want = desiredTurns();
        picture_ = picture->quarterTurns() == want
                       ? std::move(picture)
                       : picture->Turned(want - picture->quarterTurns());
    }
    if (magMode_ == 0) {
        fitMode_ = true;
        emit fitModeChanged(true);
    } else if (fitMode_) {
        fitMode_ = false;
        emit fitModeChanged(false);
    }
    if (!picture_) {
        for (int pane : {1, 2, 3, 4, 5, 6, 9, 10, 11, 12})
            emit paneText(pane, QString());
    }
    emit paneText(0, QStringLiteral("画像が表示されました"));
    loading_ = false;
    preimage_ = Preimage::None;
    relayout(false);
    viewport()->update();
    updateMagnificationPane();
    updateCursor();
    emit imageDisplayed(index, count);
}

// ---- layout ------------------------------------------------------------------------------

void CPreviewCtrl::relayout(bool keepAnchor) {
    if (!picture_) {
        layout_ = LayoutResult{};
        applyScrollBars();
        return;
    }
    LayoutInput in;
    in.availableWidth = width();
    in.availableHeight = height();
    in.clientWidth = viewport()->width();
    in.clientHeight = viewport()->height();
    in.imageWidth = picture_->width();
    in.imageHeight = picture_->height();
    in.noMagOnFit = noMagOnFit_;
    in.fitMode = fitMode_;
    in.magnification = magnification_;
    layout_ = ComputeLayout(in);
    magnification_ = layout_.magnification;
    applyScrollBars();
    if (keepAnchor) {
        horizontalScrollBar()->setValue(
            AnchoredScroll(anchorImage_.x(), anchorClient_.x(), magnification_, layout_.hMax()));
        verticalScrollBar()->setValue(
            AnchoredScroll(anchorImage_.y(), anchorClient_.y(), magnification_, layout_.vMax()));
    }
}

void CPreviewCtrl::applyScrollBars() {
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    const bool fit = fitMode_ || !picture_;
    h->setPageStep(std::max(1, layout_.hPage));
    v->setPageStep(std::max(1, layout_.vPage));
    h->setRange(0, fit ? 0 : layout_.hMax());
    v->setRange(0, fit ? 0 : layout_.vMax());
}

QPoint CPreviewCtrl::scrollPosition() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CPreviewCtrl::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    if (picture_ && !loading_)
        relayout(false);
    // The scroll bars that appear or go change the client size once more.
    if (picture_ && !loading_ && !fitMode_ &&
        (layout_.hPage != viewport()->width() || layout_.vPage != viewport()->height()))
        relayout(false);
}

void CPreviewCtrl::scrollContentsBy(int, int) {
    if (scrollBatch_) {
        scrolledInBatch_ = true;
        return;
    }
    viewport()->update();
    ++viewChangeCount_;
    emit viewChanged();
}

void CPreviewCtrl::SetScrollPosition(QPoint p) {
    scrollBatch_ = true;
    scrolledInBatch_ = false;
    horizontalScrollBar()->setValue(p.x());
    verticalScrollBar()->setValue(p.y());
    scrollBatch_ = false;
    if (!scrolledInBatch_)
        return;
    viewport()->update();
    ++viewChangeCount_;
    emit viewChanged();
}

// ---- zoom and rotation --------------------------------------------------------------------

void CPreviewCtrl::RotateRight() {
    rotateBy(1);
}

void CPreviewCtrl::RotateLeft() {
    rotateBy(3);
}

void CPreviewCtrl::rotateBy(int quarterTurns) {
    rotationIndex_ = (rotationIndex_ + quarterTurns) % 4;
    if (picture_ && !loading_) {
        picture_ = picture_->Turned(quarterTurns);
        relayout(false);
        viewport()->update();
        updateMagnificationPane();
    }
    updateRotationPane();
}

void CPreviewCtrl::DeleteCurrent() {
    if (currentPath_.empty())
        return;
    emit deleteRequested(QString::fromStdString(currentPath_));
}

// ---- read-out and cursor --------------------------------------------------------------------

QString CPreviewCtrl::readoutX(QPoint p) const {
    if (!picture_ || loading_)
        return QStringLiteral("x = ---");
    const auto x = ImagePixelAt(p.x(), fitMode_ ? 0 : horizontalScrollBar()->value(),
                                layout_.offsetX, layout_.drawWidth, magnification_);
    const bool inY = ImagePixelAt(p.y(), fitMode_ ? 0 : verticalScrollBar()->value(),
                                  layout_.offsetY, layout_.drawHeight, magnification_)
                         .has_value();
    return x && inY ? QString::asprintf("x = %d", *x) : QStringLiteral("x = ---");
}

QString CPreviewCtrl::readoutY(QPoint p) const {
    if (!picture_ || loading_)
        return QStringLiteral("y = ---");
    const auto y = ImagePixelAt(p.y(), fitMode_ ? 0 : verticalScrollBar()->value(), layout_.offsetY,
                                layout_.drawHeight, magnification_);
    const bool inX = ImagePixelAt(p.x(), fitMode_ ? 0 : horizontalScrollBar()->value(),
                                  layout_.offsetX, layout_.drawWidth, magnification_)
                         .has_value();
    return y && inX ? QString::asprintf("y = %d", *y) : QStringLiteral("y = ---");
}

void CPreviewCtrl::updateReadout(QPoint p) {
    emit paneText(11, readoutX(p));
    emit paneText(12, readoutY(p));
}

void CPreviewCtrl::updateCursor() {
    if (loading_)
        viewport()->setCursor(Qt::WaitCursor);
    else if (dragging_)
        viewport()->setCursor(Qt::ClosedHandCursor);
    else if (fitMode_)
        viewport()->setCursor(MagnifierCursor());
    else
        viewport()->setCursor(Qt::OpenHandCursor);
}

// ---- input ----------------------------------------------------------------------------------

void CPreviewCtrl::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Escape:
        emit closeRequested();
        break;
    case Qt::Key_Left:
        emit previousRequested();
        break;
    case Qt::Key_Right:
        emit nextRequested();
        break;
    case Qt::Key_Up:
        RotateRight();
        break;
    case Qt::Key_Down:
        RotateLeft();
        break;
    case Qt::Key_Delete:
        DeleteCurrent();
        break;
    case Qt::Key_Plus:
        ZoomIn();
        break;
    case Qt::Key_Minus:
        ZoomOut();
        break;
    case Qt::Key_F11:
        emit fullScreenToggleRequested();
        break;
    case Qt::Key_Z:
        ToggleActualSize(std::nullopt); // from the keyboard: about the centre
        break;
    default:
        QAbstractScrollArea::keyPressEvent(e);
        return;
    }
    e->accept();
}

void CPreviewCtrl::wheelEvent(QWheelEvent* e) {
    e->accept();
    // Whole notches only: a touchpad's small deltas add up to one.
    const int notches = wheel_.add(e->angleDelta().y());
    for (int i = 0; i < std::abs(notches); ++i) {
        // A turn towards the user zooms in, or goes to the next image.
        if (wheelMode_ != 0) {
            if (notches < 0)
                emit nextRequested();
            else
                emit previousRequested();
        } else {
            ZoomStep(notches < 0 ? +1 : -1, false, e->position().toPoint());
        }
    }
}

void CPreviewCtrl::mousePressEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint(); // viewport coordinates
    if (e->button() == Qt::MiddleButton) {
        emit activated();
        ToggleActualSize(p);
        return;
    }
    if (e->button() != Qt::LeftButton)
        return;
    emit activated();
    if (slideshowRunning_ && slideshowRunning_()) {
        emit stopSlideshowRequested();
        return;
    }
    if (e->modifiers() & kLoupeModifier) {
        // 100 % around the pointer for as long as the button is held.
        if (picture_ && !loading_) {
            loupe_ = true;
            loupePoint_ = p;
            viewport()->update();
        }
        return;
    }
    dragging_ = true;
    pressPoint_ = p;
    dragPoint_ = p;
    pressScroll_ = scrollPosition();
    updateCursor();
    if (fitMode_)
        viewport()->update();
}

void CPreviewCtrl::mouseMoveEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    updateReadout(p);
    if (loupe_) {
        loupePoint_ = p;
        viewport()->update();
        return;
    }
    if (!dragging_)
        return;
    dragPoint_ = p;
    if (!fitMode_)
        SetScrollPosition(pressScroll_ + pressPoint_ - p); // repaints when it moved
    else
        viewport()->update();
}

void CPreviewCtrl::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && loupe_) {
        loupe_ = false;
        viewport()->update();
        return;
    }
    if (e->button() != Qt::LeftButton || !dragging_)
        return;
    dragging_ = false;
    updateCursor();
    viewport()->update();
}

bool CPreviewCtrl::viewportEvent(QEvent* e) {
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
    case QEvent::Wheel:
        // Positions are taken in viewport coordinates by the handlers.
        break;
    case QEvent::Leave:
        emit paneText(11, QStringLiteral("x = ---"));
        emit paneText(12, QStringLiteral("y = ---"));
        break;
    default:
        break;
    }
    return QAbstractScrollArea::viewportEvent(e);
}

// ---- drawing ----------------------------------------------------------------------------------

void CPreviewCtrl::paintEvent(QPaintEvent*) {
    ++paintCount_;
    // The pre-image is on screen with this paint: its decode may start
    // (queued, so that the other canvases of the window paint first).
    if (pendingLoad_)
        QMetaObject::invokeMethod(
            this, [this] { startPendingLoad(); }, Qt::QueuedConnection);
    QPainter p(viewport());
    if (preimage_ != Preimage::None) {
        paintPreimage(p);
        return;
    }
    if (!picture_ || loading_) {
        p.fillRect(viewport()->rect(), Qt::black);
        if (!loading_ && !currentPath_.empty())
            paintFailure(p); // a file was asked for and gave no picture
        return;
    }
    if (dragging_ && fitMode_)
        paintDragView(p);
    else
        paintPicture(p);
    if (loupe_)
        paintLoupe(p);
    else
        lastLoupe_ = QRect();
    if (activeFrame_) {
        // Four filled strips: a wide pen's stroke costs many times more, on
        // every pan step.
        const int w = viewport()->width(), h = viewport()->height(), t = 3;
        p.fillRect(0, 0, w, t, kActiveFrameColour);
        p.fillRect(0, h - t, w, t, kActiveFrameColour);
        p.fillRect(0, t, t, h - 2 * t, kActiveFrameColour);
        p.fillRect(w - t, t, t, h - 2 * t, kActiveFrameColour);
    }
}

void CPreviewCtrl::paintPicture(QPainter& p) {
    const int cw = viewport()->width();
    const int ch = viewport()->height();
    const LayoutResult& L = layout_;
    const float m = magnification_;
    // Margins.
    if (L.offsetX > 0) {
        p.fillRect(0, 0, L.offsetX, ch, Qt::black);
        p.fillRect(L.offsetX + L.drawWidth, 0, cw - L.offsetX - L.drawWidth, ch, Qt::black);
    }
    if (L.offsetY > 0) {
        p.fillRect(0, 0, cw, L.offsetY, Qt::black);
        p.fillRect(0, L.offsetY + L.drawHeight, cw, ch - L.offsetY - L.drawHeight, Qt::black);
    }
    // Destination and the full-size source rectangle it shows.
    const bool marginX = L.offsetX > 0 || fitMode_;
    const bool marginY = L.offsetY > 0 || fitMode_;
    const QPoint scroll = scrollPosition();
    const double dw = marginX ? L.drawWidth : cw;
    const double dh = marginY ? L.drawHeight : ch;
    const double sx = marginX ? 0.0 : scroll.x() / static_cast<double>(m);
    const double sy = marginY ? 0.0 : scroll.y() / static_cast<double>(m);
    double sw = dw / m;
    double sh = dh / m;
    sw = std::min(sw, picture_->width() - sx);
    sh = std::min(sh, picture_->height() - sy);
    if (sw <= 0 || sh <= 0)
        return;
    const QRectF target(L.offsetX, L.offsetY, sw * m, sh * m);
    // The smallest reduced copy that still has the resolution needed.
    const double dpr = viewport()->devicePixelRatioF();
    const int level = picture_->levelFor(static_cast<double>(m) * dpr);
    const QImage& img = picture_->level(level);
    const double kx = static_cast<double>(img.width()) / picture_->width();
    const double ky = static_cast<double>(img.height()) / picture_->height();
    const QRectF source(sx * kx, sy * ky, sw * kx, sh * ky);
    const bool smooth = smartRendering_ && m < 1.0f;
    p.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    lastLevel_ = level;
    lastSmooth_ = smooth;
    // Parts of the client the picture does not reach (the last partial
    // pixel column at high magnification) stay black.
    if (target.right() < cw || target.bottom() < ch) {
        p.fillRect(QRectF(target.right(), 0, cw - target.right(), ch), Qt::black);
        p.fillRect(QRectF(0, target.bottom(), cw, ch - target.bottom()), Qt::black);
    }
    p.drawImage(target, img, source);
}

void CPreviewCtrl::paintDragView(QPainter& p) {
    const int cw = viewport()->width();
    const int ch = viewport()->height();
    // The image pixel under the press point stays under the cursor, 1:1.
    const double m = magnification_;
    const double ix = (pressPoint_.x() - layout_.offsetX) / m;
    const double iy = (pressPoint_.y() - layout_.offsetY) / m;
    const QPoint origin(dragPoint_.x() - static_cast<int>(ix),
                        dragPoint_.y() - static_cast<int>(iy));
    const QRect placed(origin, QSize(picture_->width(), picture_->height()));
    const QRect visible = placed.intersected(QRect(0, 0, cw, ch));
    QRegion black(0, 0, cw, ch);
    black -= visible;
    for (const QRect& r : black)
        p.fillRect(r, Qt::black);
    if (visible.isEmpty())
        return;
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (picture_->hasFullSize()) {
        p.drawImage(visible.topLeft(), picture_->level(0), visible.translated(-origin));
        return;
    }
    // Until the full size arrives, the half-size level stands in for it.
    const QImage& half = picture_->level(picture_->levelFor(1.0));
    const double k = static_cast<double>(half.width()) / picture_->width();
    const QRect src = visible.translated(-origin);
    p.drawImage(QRectF(visible), half,
                QRectF(src.x() * k, src.y() * k, src.width() * k, src.height() * k));
}

void CPreviewCtrl::paintPreimage(QPainter& p) {
    const QRect client = viewport()->rect();
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize(14);
    p.setFont(font);
    const int side = preimageSize_ * 160;
    QRect box;
    if (preimage_ == Preimage::Thumbnail) {
        const int tw = preimageThumb_.width();
        const int th = preimageThumb_.height();
        int bw = side, bh = side;
        if (tw >= th)
            bh = std::max(1, side * th / std::max(1, tw));
        else
            bw = std::max(1, side * tw / std::max(1, th));
        box = QRect(client.center().x() - bw / 2, client.center().y() - bh / 2, bw, bh);
        QRegion black(client);
        black -= box;
        for (const QRect& r : black)
            p.fillRect(r, Qt::black);
        p.setRenderHint(QPainter::SmoothPixmapTransform, bw < tw);
        p.drawImage(box, preimageThumb_);
    } else {
        const int bw = side, bh = preimageSize_ * 120;
        box = QRect(client.center().x() - bw / 2, client.center().y() - bh / 2, bw, bh);
        p.fillRect(client, Qt::black);
        p.fillRect(box, kBoxGrey);
        p.setPen(kTextGrey);
        const QFontMetrics fm(font);
        const int mid = box.center().y();
        p.drawText(QRect(box.left(), mid - 10 - fm.height(), box.width(), fm.height()),
                   Qt::AlignCenter, QStringLiteral("< NO CACHE >"));
        p.drawText(QRect(box.left(), mid + 10, box.width(), fm.height()), Qt::AlignCenter,
                   preimageName_);
    }
    if (preimageLoadingText_) {
        p.setPen(kTextGrey);
        const QFontMetrics fm(font);
        p.drawText(QRect(client.left(), box.bottom() + 1, client.width(), fm.height() + 4),
                   Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("LOADING..."));
    }
}

void CPreviewCtrl::paintFailure(QPainter& p) {
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize(25);
    p.setFont(font);
    p.setPen(kTextGrey);
    const QFontMetrics fm(font);
    const QRect c = viewport()->rect();
    const int mid = c.height() / 2;
    const int half = fm.height() / 2;
    p.drawText(QRect(0, mid - 20 - half, c.width(), fm.height()), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("UNKNOWN"));
    p.drawText(QRect(0, mid + 20 - half, c.width(), fm.height()), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("IMAGE FILE"));
}

} // namespace lumora
