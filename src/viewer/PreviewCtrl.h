// CPreviewCtrl: the viewer's image canvas. Shows one decoded picture fitted
// to the window or at one of 33 magnification steps, turned in quarter
// turns, scrolled with the scroll bars or dragged with the mouse; while a
// picture decodes it shows the item's thumbnail enlarged as the pre-image.
//
// Owner: the viewer frame (Qt parent). GUI thread only; decodes run on the
// threads of its CPictureLoader and come back as messages (PreviewMessages.h).
// It writes status panes 0 and 8 to 12 through paneText and asks its host
// for everything that is the viewer's business through signals.
//
// Drawing: each picture carries reduced copies (ViewerPicture); a repaint
// scales only the visible part of the smallest copy that still has the
// resolution the screen needs, smooth below 1:1 when smart rendering is on,
// nearest-neighbour otherwise, at the screen's device pixels.
#pragma once

#include "controls/WheelSteps.h"
#include "imaging/ImageItem.h"
#include "settings/AppSettings.h"
#include "viewer/PictureLoader.h"
#include "viewer/PreviewLayout.h"
#include "viewer/ViewerPicture.h"
#include "viewer/ZoomAnchor.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QImage>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace lumora {

struct PictureResultMessage;

class CPreviewCtrl : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int kControlId = 0xE900;
    // The loupe: held with the left button and this modifier, at most this
    // many pixels on a side.
    static constexpr Qt::KeyboardModifier kLoupeModifier = Qt::ControlModifier;
    static constexpr int kLoupeSide = 320;
    static inline const QColor kActiveFrameColour{255, 160, 0};

    explicit CPreviewCtrl(QWidget* parent = nullptr);
    ~CPreviewCtrl() override;

    // A new image to show: the pre-image at once (unless switched off), then
    // the decode (or a neighbour decoded ahead of time).
    void ShowItem(const ImageItem& item, int index, int count);
    // The pre-image of another item while the viewer's slider is dragged:
    // no "LOADING...", whatever the pre-image switch says.
    void ShowSliderPreimage(const ImageItem& item);

    void ApplySettings(const AppSettings& settings);
    void SetSmartRendering(bool on);
    bool smartRendering() const { return smartRendering_; }
    void SetFitMode(bool on);
    bool fitMode() const { return fitMode_; }
    void ZoomStep(int direction, bool centred, QPoint cursor = {});
    void ZoomIn() { ZoomStep(+1, true); }
    void ZoomOut() { ZoomStep(-1, true); }
    void ActualSize();
    // Between the current zoom and 100 %, keeping the picture point under
    // `pointer` (viewport coordinates; none: the centre) in place.
    void ToggleActualSize(std::optional<QPoint> pointer);
    // The zoom and scroll as plain values, and a view to show (ignored
    // while nothing or a pre-image is shown). Applying emits viewChanged.
    ZoomView zoomView() const;
    CanvasGeometry geometryNow() const;
    void ApplyZoomView(const ZoomView& view);
    // A frame around the canvas (the active one of several).
    void SetActiveFrame(bool on) {
        activeFrame_ = on;
        viewport()->update();
    }
    bool activeFrame() const { return activeFrame_; }
    void RotateRight();
    void RotateLeft();
    bool CanZoomIn() const;
    bool CanZoomOut() const;
    bool HasImage() const { return picture_ != nullptr; }
    void SetShowPreimage(bool on);
    // With a pre-image on screen, the decode starts once it has been painted
    // (or after a short wait when no paint comes): several canvases filled
    // at once show their pre-images before their decodes take the cores.
    void SetLoadAfterPreimage(bool on) { loadAfterPreimage_ = on; }
    // A decode waiting for the pre-image's paint.
    bool loadPending() const { return pendingLoad_.has_value(); }
    bool GetShowPreimage() const { return showPreimage_; }
    void DeleteCurrent();

    // Neighbours to decode ahead of time (the frame asks after each shown
    // image); DropPrefetched when the list changed.
    void Prefetch(const std::vector<ImageItem>& items);
    void DropPrefetched() { loader_.DropPrefetched(); }
    // Forgets the request in flight and the shown picture (list emptied):
    // the canvas is black, with no failure text.
    void Clear();

    // Host queries.
    void SetSlideshowQuery(std::function<bool()> running) {
        slideshowRunning_ = std::move(running);
    }

    // State, for the frame's command states and for tests.
    float magnification() const { return magnification_; }
    int rotationIndex() const { return rotationIndex_; }
    bool loading() const { return loading_; }
    bool dragging() const { return dragging_; }
    int32_t requestId() const { return loader_.CurrentRequest(); }
    const std::string& currentPath() const { return currentPath_; }
    const LayoutResult& layout() const { return layout_; }
    std::shared_ptr<const ViewerPicture> picture() const { return picture_; }
    const CPictureLoader& loader() const { return loader_; }
    QString rotationText() const;
    QString magnificationText() const;
    // Read-out texts for a viewport point.
    QString readoutX(QPoint p) const;
    QString readoutY(QPoint p) const;
    QPoint scrollPosition() const;
    // Scrolls in both directions at once: one repaint request and one
    // viewChanged for the pair (none when nothing moved). A position out of
    // range is clamped as the scroll bars clamp it.
    void SetScrollPosition(QPoint p);
    // viewChanged signals sent so far (followers count them in tests).
    int viewChangeCount() const { return viewChangeCount_; }
    // How the last repaint drew the picture: level used and smooth or not.
    int lastLevel() const { return lastLevel_; }
    bool lastSmooth() const { return lastSmooth_; }
    // Paint events handled so far.
    int paintCount() const { return paintCount_; }
    // The loupe while held, and where the last repaint drew it (empty: none).
    bool loupeShown() const { return loupe_; }
    QRect lastLoupeRect() const { return lastLoupe_; }
    // Status pane 9: the picture's size; for an embedded preview at 100 %
    // "プレビュー w x h / full w x full h".
    QString sizeText() const;

signals:
    void paneText(int pane, const QString& text);
    void imageDisplayed(int index, int count);
    void fitModeChanged(bool fit);
    void listEmptied();
    void closeRequested();
    void nextRequested();
    void previousRequested();
    void fullScreenToggleRequested();
    void stopSlideshowRequested();
    void deleteRequested(const QString& path);
    // The zoom, the fit or the scroll position changed (also from code).
    void viewChanged();
    // A mouse button went down on the canvas.
    void activated();

protected:
    bool event(QEvent* e) override;
    bool viewportEvent(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    enum class Preimage { None, Thumbnail, NoCache };

    void installResult(PictureResultMessage& m);
    void installPicture(std::shared_ptr<const ViewerPicture> picture, int index, int count);
    void startRequest(const ImageItem& item);
    void setPreimage(const ImageItem& item, bool loadingText);
    void relayout(bool keepAnchor);
    void applyScrollBars();
    int desiredTurns() const;
    void updateReadout(QPoint viewportPoint);
    void rotateBy(int quarterTurns); // clockwise
    void updateRotationPane();
    void updateMagnificationPane();
    void updateCursor();
    void paintPicture(QPainter& p);
    void paintDragView(QPainter& p);
    void paintPreimage(QPainter& p);
    void startPendingLoad();
    void paintFailure(QPainter& p);
    void paintLoupe(QPainter& p);
    void updateSizePane();

    CPictureLoader loader_;
    std::shared_ptr<const ViewerPicture> picture_;
    float magnification_ = 1.0f;
    bool fitMode_ = true;
    bool smartRendering_ = false;
    int rotationIndex_ = 0;
    int magMode_ = 0;
    int rotateMode_ = 0;
    int preimageSize_ = 2;
    bool showPreimage_ = true;
    int wheelMode_ = 0;
    CWheelSteps wheel_; // a zoom step or an image per whole notch
    bool noMagOnFit_ = true;
    LayoutResult layout_;
    QPoint anchorImage_;
    QPoint anchorClient_;
    bool dragging_ = false;
    QPoint pressPoint_;
    QPoint pressScroll_;
    QPoint dragPoint_;
    bool loading_ = false;
    std::string currentPath_;
    ImageItem currentItem_; // path, orientation and caption of the shown item
    int listIndex_ = 0;
    int listCount_ = 0;
    int sourceWidth_ = 0;
    int sourceHeight_ = 0;
    int fullWidth_ = 0; // the file's own size when it is shown from a preview
    int fullHeight_ = 0;
    ActualSizeToggle toggle_;
    bool loupe_ = false;
    QPoint loupePoint_;
    QRect lastLoupe_;
    bool activeFrame_ = false;
    std::string waitingPrefetch_; // request served by a neighbour still decoding
    Preimage preimage_ = Preimage::None;
    QImage preimageThumb_;
    QString preimageName_;
    bool preimageLoadingText_ = false;
    int lastLevel_ = -1;
    bool lastSmooth_ = false;
    int paintCount_ = 0;
    int viewChangeCount_ = 0;
    bool loadAfterPreimage_ = false;
    std::optional<ImageItem> pendingLoad_;
    bool scrollBatch_ = false; // inside SetScrollPosition
    bool scrolledInBatch_ = false;
    std::function<bool()> slideshowRunning_;
};

// The cursors of the canvas: magnifier (fit mode) and the hands.
QCursor MagnifierCursor();

} // namespace lumora
