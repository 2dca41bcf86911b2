// CMiniPreviewCtrl: the small preview under the folder tree. It decodes the
// thumbnail view's current image at about the pane's size on a loader thread
// of idle priority and shows it scaled to fit under a caption line with the
// file name.
//
// Owner: the tree container's splitter (its parent). Threads: every member
// runs on the user-interface thread; decodes run on short-lived loader
// threads that reach the control only by posted events. At most one loader
// thread of a control runs at a time: a newer item makes the running decode
// stale (it stops at its next cancellation test) and is started when that
// thread has ended, so holding an arrow key never piles up decodes.
#pragma once

#include "imaging/ImageItem.h"
#include "imaging/RequestCounter.h"

#include <QFrame>
#include <QImage>
#include <QString>

class QPainter;

#include <functional>
#include <memory>
#include <optional>

namespace lumora {

class LoaderTarget;
struct MiniImageResult;

class CMiniPreviewCtrl : public QFrame {
    Q_OBJECT
public:
    static constexpr int kCaptionHeight = 16;
    static constexpr int kMargin = 5;

    explicit CMiniPreviewCtrl(QWidget* parent = nullptr);
    ~CMiniPreviewCtrl() override; // detaches the running loader and makes it stale

    // Keeps a copy of the item; when the pane is visible, asks for a decode
    // at the longer side of the client area.
    void SetItem(ImageItem item);
    // Hiding hides the pane; showing drops the current image, shows the pane
    // and decodes the last item again. The pane itself is shown or hidden
    // through the hook (the splitter's lower pane); without one, the control.
    void ShowPane(bool show);
    void SetPaneHook(std::function<void(bool)> hook) { paneHook_ = std::move(hook); }
    // Drops the current image and caption.
    void DropImage();

    // State for tests and tools.
    bool hasImage() const { return !image_.isNull(); }
    QSize imageSize() const { return image_.size(); }
    const QImage& image() const { return image_; }
    QString caption() const { return caption_; }
    int requestId() const { return requestId_; }
    bool decoding() const { return running_; }
    const std::optional<ImageItem>& lastItem() const { return lastItem_; }
    int decodesStarted() const { return decodesStarted_; }
    // Client rectangle where the image is drawn (below the caption line).
    QRect imageRect() const;

    // The loupe: the left button held with this modifier shows the picture
    // at 100 % around the pointer, from a full-size decode made for it (the
    // pane's own image stands in until that has arrived).
    static constexpr Qt::KeyboardModifier kLoupeModifier = Qt::ControlModifier;
    static constexpr int kLoupeSide = 200;
    bool loupeShown() const { return loupe_; }
    bool hasLoupeImage() const { return !loupeImage_.isNull(); }
    QSize loupeImageSize() const { return loupeImage_.size(); }
    QRect lastLoupeRect() const { return lastLoupe_; }

    // Loader threads of all mini previews still running, the most that ran
    // at once since the last reset, and a wait for them to end.
    static int RunningDecodes();
    static int MaxRunningDecodes();
    static void ResetMaxRunningDecodes();
    static bool WaitForDecodes(int timeoutMs);
    // Runs the event loop until this control's decodes (also a pending one)
    // are done and their results installed; false on timeout. For
    // screenshots and tools.
    bool WaitUntilIdle(int timeoutMs);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void startDecode(const ImageItem& item);
    void decodeFinished(int number);
    void installResult(std::unique_ptr<MiniImageResult> result);
    void startLoupeDecode();
    void paintLoupe(QPainter& p);
    void dropLoupe();

    QImage image_;
    QString caption_;
    int requestId_ = 0;
    std::optional<ImageItem> lastItem_;
    std::function<void(bool)> paneHook_;

    // The loader object: where results go, and the shared request number.
    std::shared_ptr<LoaderTarget> target_;
    std::shared_ptr<RequestCounter> counter_;
    struct Finisher;
    std::shared_ptr<Finisher> finisher_;
    int nextNumber_ = 1;
    bool running_ = false;
    bool pending_ = false;
    int lastResultNumber_ = 0; // request number of the last result received
    int decodesStarted_ = 0;

    // The loupe's full-size picture of lastItem_, and its decode.
    struct LoupeSink;
    std::shared_ptr<LoupeSink> loupeSink_;
    std::shared_ptr<RequestCounter> loupeCounter_;
    int loupeNumber_ = 0;
    bool loupeDecoding_ = false;
    QImage loupeImage_;
    bool loupe_ = false;
    QPoint loupePoint_;
    QRect lastLoupe_;
};

} // namespace lumora
