// The preview control's zoom: steps, 100 % and the toggle at the pointer,
// the view as plain values for canvases that follow one another, the loupe
// and the size pane.
#include "viewer/PreviewCtrl.h"

#include "imaging/ImageKind.h"

#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace lumora {

bool CPreviewCtrl::CanZoomIn() const {
    return picture_ && lumora::CanZoomIn(magnification_);
}

bool CPreviewCtrl::CanZoomOut() const {
    return picture_ && lumora::CanZoomOut(magnification_);
}

void CPreviewCtrl::ZoomStep(int direction, bool centred, QPoint cursor) {
    if (!picture_)
        return;
    const QPoint client =
        centred ? QPoint(viewport()->width() / 2, viewport()->height() / 2) : cursor;
    const QPoint scroll = fitMode_ ? QPoint() : scrollPosition();
    const int ax =
        ImagePixelAt(client.x(), scroll.x(), layout_.offsetX, layout_.drawWidth, magnification_)
            .value_or(client.x() < layout_.offsetX ? 1 : picture_->width());
    const int ay =
        ImagePixelAt(client.y(), scroll.y(), layout_.offsetY, layout_.drawHeight, magnification_)
            .value_or(client.y() < layout_.offsetY ? 1 : picture_->height());
    anchorImage_ = QPoint(ax, ay);
    anchorClient_ = client;
    magnification_ = NextMagnification(magnification_, direction);
    const bool wasFit = fitMode_;
    fitMode_ = false;
    relayout(true);
    viewport()->update();
    updateMagnificationPane();
    updateCursor();
    if (wasFit)
        emit fitModeChanged(false);
    ++viewChangeCount_;
    emit viewChanged();
}

void CPreviewCtrl::ActualSize() {
    if (!picture_)
        return;
    const QPoint client(viewport()->width() / 2, viewport()->height() / 2);
    const QPoint scroll = fitMode_ ? QPoint() : scrollPosition();
    anchorImage_ = QPoint(
        ImagePixelAt(client.x(), scroll.x(), layout_.offsetX, layout_.drawWidth, magnification_)
            .value_or(picture_->width() / 2),
        ImagePixelAt(client.y(), scroll.y(), layout_.offsetY, layout_.drawHeight, magnification_)
            .value_or(picture_->height() / 2));
    anchorClient_ = client;
    magnification_ = 1.0f;
    const bool wasFit = fitMode_;
    fitMode_ = false;
    relayout(true);
    viewport()->update();
    updateMagnificationPane();
    updateCursor();
    if (wasFit)
        emit fitModeChanged(false);
    ++viewChangeCount_;
    emit viewChanged();
}

CanvasGeometry CPreviewCtrl::geometryNow() const {
    CanvasGeometry g;
    g.availableWidth = width();
    g.availableHeight = height();
    g.clientWidth = viewport()->width();
    g.clientHeight = viewport()->height();
    if (picture_) {
        g.imageWidth = picture_->width();
        g.imageHeight = picture_->height();
    }
    g.noMagOnFit = noMagOnFit_;
    return g;
}

ZoomView CPreviewCtrl::zoomView() const {
    const QPoint s = fitMode_ ? QPoint() : scrollPosition();
    return ZoomView{fitMode_, magnification_, s.x(), s.y()};
}

void CPreviewCtrl::ApplyZoomView(const ZoomView& v) {
    if (!picture_ || loading_)
        return;
    const bool fitChanged = v.fit != fitMode_;
    const bool zoomChanged = fitChanged || v.magnification != magnification_;
    fitMode_ = v.fit;
    magnification_ = v.magnification;
    // Panning alone (the common case of a follower) only scrolls.
    if (zoomChanged)
        relayout(false);
    // Both directions in one step: one repaint, one viewChanged below.
    const QPoint before = scrollPosition();
    scrollBatch_ = true;
    horizontalScrollBar()->setValue(v.scrollX);
    verticalScrollBar()->setValue(v.scrollY);
    scrollBatch_ = false;
    if (!zoomChanged && scrollPosition() == before)
        return; // already there
    viewport()->update();
    if (zoomChanged) {
        updateMagnificationPane();
        updateCursor();
    }
    if (fitChanged)
        emit fitModeChanged(fitMode_);
    ++viewChangeCount_;
    emit viewChanged();
}

void CPreviewCtrl::ToggleActualSize(std::optional<QPoint> pointer) {
    if (!picture_ || loading_)
        return;
    const QPoint c = pointer.value_or(QPoint(viewport()->width() / 2, viewport()->height() / 2));
    ApplyZoomView(toggle_.Toggle(geometryNow(), zoomView(), c.x(), c.y()));
}

// ---- loupe ------------------------------------------------------------------------------

void CPreviewCtrl::paintLoupe(QPainter& p) {
    const int cw = viewport()->width();
    const int ch = viewport()->height();
    const int side = std::clamp(std::min(cw, ch) * 3 / 5, 16, kLoupeSide);
    // The box around the pointer, kept inside the client.
    const int bx = std::clamp(loupePoint_.x() - side / 2, 0, std::max(0, cw - side));
    const int by = std::clamp(loupePoint_.y() - side / 2, 0, std::max(0, ch - side));
    const QRect box(bx, by, side, side);
    // The picture point under the pointer sits at the same place in the box
    // as the pointer does, one picture pixel to one pixel.
    const PicturePoint at = PictureAt(geometryNow(), zoomView(), loupePoint_.x(), loupePoint_.y());
    const double sx = at.x - (loupePoint_.x() - bx);
    const double sy = at.y - (loupePoint_.y() - by);
    const QRectF wanted(sx, sy, side, side);
    const QRectF shown = wanted.intersected(QRectF(0, 0, picture_->width(), picture_->height()));
    p.fillRect(box, Qt::black);
    if (!shown.isEmpty()) {
        const double dpr = viewport()->devicePixelRatioF();
        const int level = picture_->levelFor(dpr);
        const QImage& img = picture_->level(level);
        const double k = static_cast<double>(img.width()) / picture_->width();
        const QRectF target(bx + (shown.x() - sx), by + (shown.y() - sy), shown.width(),
                            shown.height());
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(target, img,
                    QRectF(shown.x() * k, shown.y() * k, shown.width() * k, shown.height() * k));
    }
    p.setPen(QPen(Qt::white, 1));
    p.drawRect(box.adjusted(0, 0, -1, -1));
    lastLoupe_ = box;
}

// ---- size pane ----------------------------------------------------------------------------

QString CPreviewCtrl::sizeText() const {
    if (sourceWidth_ <= 0 || sourceHeight_ <= 0)
        return {};
    const QString own = QString::asprintf("%d x %d", sourceWidth_, sourceHeight_);
    // A RAW file is shown from its embedded preview, whose 100 % is not the
    // sensor's: said so while looking at 100 %.
    if (!isRawKind(currentItem_.kind) || !picture_ || fitMode_ || magnification_ != 1.0f)
        return own;
    const int fw = fullWidth_, fh = fullHeight_;
    if (fw <= 0 || fh <= 0 || (fw == sourceWidth_ && fh == sourceHeight_))
        return QStringLiteral("プレビュー %1").arg(own);
    return QStringLiteral("プレビュー %1 / %2 x %3").arg(own).arg(fw).arg(fh);
}

void CPreviewCtrl::updateSizePane() {
    emit paneText(9, sizeText());
}

} // namespace lumora
