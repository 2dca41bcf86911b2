#include "viewer/CompareView.h"

#include "viewer/PreviewCtrl.h"
#include "viewer/ZoomAnchor.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>

namespace lumora {

CCompareView::CCompareView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("CompareView"));
    grid_ = new QGridLayout(this);
    grid_->setContentsMargins(0, 0, 0, 0);
    grid_->setSpacing(2);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    for (int i = 0; i < kMaxPanes; ++i) {
        auto* c = new CPreviewCtrl(this);
        c->setObjectName(QStringLiteral("ComparePane%1").arg(i));
        c->installEventFilter(this);
        c->SetLoadAfterPreimage(true); // four pre-images on screen before four decodes
        c->hide();
        panes_[static_cast<std::size_t>(i)] = c;
        // Only the active pane leads: the others also change views on
        // their own when their scroll bars come and go.
        connect(c, &CPreviewCtrl::viewChanged, this, [this, i] {
            if (i != active_)
                return;
            follow(i);
            emit stateChanged();
        });
        // Working a pane's scroll bars makes it the active one.
        c->horizontalScrollBar()->installEventFilter(this);
        c->verticalScrollBar()->installEventFilter(this);
        connect(c, &CPreviewCtrl::imageDisplayed, this, [this, i] {
            // A picture that arrives late takes the view of the active canvas.
            if (linked_ && i != active_ && i < count_)
                follow(active_);
            if (i == active_)
                emit stateChanged();
        });
        connect(c, &CPreviewCtrl::activated, this, [this, i] { SetActivePane(i); });
        connect(c, &CPreviewCtrl::paneText, this, [this, i](int pane, const QString& text) {
            if (i == active_)
                emit paneText(pane, text);
        });
        connect(c, &CPreviewCtrl::nextRequested, this, [this, i] {
            SetActivePane(i);
            StepActive(+1);
        });
        connect(c, &CPreviewCtrl::previousRequested, this, [this, i] {
            SetActivePane(i);
            StepActive(-1);
        });
        connect(c, &CPreviewCtrl::closeRequested, this, &CCompareView::closeRequested);
        connect(c, &CPreviewCtrl::fullScreenToggleRequested, this,
                &CCompareView::fullScreenToggleRequested);
        connect(c, &CPreviewCtrl::fitModeChanged, this, [this, i] {
            if (i == active_)
                emit stateChanged();
        });
    }
}

CCompareView::~CCompareView() = default;

void CCompareView::SetItemSource(std::function<bool(int, ImageItem&)> copyItem,
                                 std::function<int()> count) {
    copyItem_ = std::move(copyItem);
    listCount_ = std::move(count);
}

void CCompareView::ApplySettings(const AppSettings& settings) {
    AppSettings s = settings;
    s.MagMode = 0; // every canvas starts fitted
    for (CPreviewCtrl* c : panes_)
        c->ApplySettings(s);
}

void CCompareView::SetSmartRendering(bool on) {
    for (CPreviewCtrl* c : panes_)
        c->SetSmartRendering(on);
}

void CCompareView::SetShowPreimage(bool on) {
    for (CPreviewCtrl* c : panes_)
        c->SetShowPreimage(on);
}

bool CCompareView::ShowItems(const std::vector<int>& indices) {
    const int n = std::min(static_cast<int>(indices.size()), kMaxPanes);
    if (n < kMinPanes)
        return false;
    const int oldCount = count_;
    count_ = n;
    for (int i = 0; i < n; ++i)
        indices_[static_cast<std::size_t>(i)] = indices[static_cast<std::size_t>(i)];
    // Canvases left over forget their pictures; a decode still running
    // for one becomes stale.
    for (int i = n; i < kMaxPanes; ++i)
        pane(i)->Clear();
    arrange();
    active_ = 0;
    for (int i = 0; i < n; ++i) {
        pane(i)->SetActiveFrame(i == active_);
        showAt(i, indices_[static_cast<std::size_t>(i)]);
    }
    if (oldCount == 0 || isVisible())
        pane(active_)->setFocus();
    announceActive();
    return true;
}

void CCompareView::Clear() {
    for (CPreviewCtrl* c : panes_) {
        c->Clear();
        c->hide();
    }
    count_ = 0;
    active_ = 0;
}

void CCompareView::arrange() {
    for (CPreviewCtrl* c : panes_) {
        grid_->removeWidget(c);
        c->hide();
    }
    for (int i = 0; i < count_; ++i) {
        // Two: left and right; three or four: a two-by-two grid.
        const int row = count_ == 2 ? 0 : i / 2;
        const int col = count_ == 2 ? i : i % 2;
        grid_->addWidget(pane(i), row, col);
        pane(i)->show();
    }
    for (int r = 0; r < 2; ++r)
        grid_->setRowStretch(r, count_ > 2 || r == 0 ? 1 : 0);
    for (int c = 0; c < 2; ++c)
        grid_->setColumnStretch(c, 1);
}

void CCompareView::showAt(int i, int index) {
    ImageItem item;
    if (!copyItem_ || !copyItem_(index, item)) {
        pane(i)->Clear();
        return;
    }
    indices_[static_cast<std::size_t>(i)] = index;
    pane(i)->ShowItem(item, index, listCount_ ? listCount_() : 0);
}

void CCompareView::SetActivePane(int i) {
    if (i < 0 || i >= count_ || i == active_)
        return;
    pane(active_)->SetActiveFrame(false);
    active_ = i;
    pane(active_)->SetActiveFrame(true);
    if (!pane(active_)->hasFocus())
        pane(active_)->setFocus(Qt::TabFocusReason);
    announceActive();
    emit stateChanged();
}

void CCompareView::NextPane(int direction) {
    if (count_ == 0)
        return;
    SetActivePane((active_ + (direction < 0 ? count_ - 1 : 1)) % count_);
}

void CCompareView::StepActive(int direction) {
    if (count_ == 0 || !listCount_)
        return;
    const int index = activeIndex() + (direction < 0 ? -1 : 1);
    if (index < 0 || index >= listCount_())
        return;
    showAt(active_, index);
    announceActive();
}

QString CCompareView::activePath() const {
    const CPreviewCtrl* c = activeCanvas();
    return c ? QString::fromStdString(c->currentPath()) : QString();
}

void CCompareView::announceActive() {
    emit activeFileChanged(activeIndex(), activePath());
}

void CCompareView::SetLinked(bool on) {
    linked_ = on;
    if (linked_)
        follow(active_);
}

void CCompareView::follow(int from) {
    if (!linked_ || following_ || from >= count_)
        return;
    CPreviewCtrl* src = pane(from);
    if (!src->HasImage() || src->loading())
        return;
    const ZoomView v = src->zoomView();
    const PicturePoint rel = RelativeCentre(src->geometryNow(), v);
    following_ = true;
    for (int i = 0; i < count_; ++i) {
        CPreviewCtrl* c = pane(i);
        if (i == from || !c->HasImage() || c->loading())
            continue;
        const ZoomView want = ViewAtRelative(c->geometryNow(), v.fit, v.magnification, rel);
        if (!(want == c->zoomView()))
            c->ApplyZoomView(want);
    }
    following_ = false;
}

bool CCompareView::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonPress) {
        for (int i = 0; i < count_; ++i)
            if (watched == pane(i)->horizontalScrollBar() ||
                watched == pane(i)->verticalScrollBar())
                SetActivePane(i);
        return QWidget::eventFilter(watched, e);
    }
    if (e->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, e);
    auto* k = static_cast<QKeyEvent*>(e);
    switch (k->key()) {
    case Qt::Key_Tab:
        NextPane(+1);
        return true;
    case Qt::Key_Backtab:
        NextPane(-1);
        return true;
    // Up and Down walk the list like Left and Right: turning one picture
    // of a comparison by accident would spoil it, and rotation stays on
    // the menu.
    case Qt::Key_Up:
        if (k->modifiers() & ~Qt::KeypadModifier)
            return QWidget::eventFilter(watched, e);
        StepActive(-1);
        return true;
    case Qt::Key_Down:
        if (k->modifiers() & ~Qt::KeypadModifier)
            return QWidget::eventFilter(watched, e);
        StepActive(+1);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (count_)
            emit singleRequested(activeIndex());
        return true;
    default:
        return QWidget::eventFilter(watched, e);
    }
}

} // namespace lumora
