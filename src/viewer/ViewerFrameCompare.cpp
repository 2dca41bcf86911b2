// The viewer window's comparison of two to four pictures: the page of the
// window's stack that holds the compare view, and its wiring to the
// status bar, the title, the commands and the list.
#include "viewer/ViewerFrame.h"

#include "viewer/CompareView.h"
#include "viewer/PreviewCtrl.h"

#include <QStackedWidget>

namespace lumora {

void CViewerFrame::createCompare() {
    compare_ = new CCompareView(stack_);
    stack_->addWidget(compare_);
    compare_->SetItemSource(
        [this](int index, ImageItem& out) {
            return source_.copyItem && source_.copyItem(index, out);
        },
        [this] { return source_.count ? source_.count() : 0; });
    connect(compare_, &CCompareView::paneText, this, [this](int pane, const QString& text) {
        if (comparing())
            setPane(pane, text);
    });
    connect(compare_, &CCompareView::stateChanged, this, [this] {
        if (const CPreviewCtrl* c = compare_->activeCanvas())
            fitChecked_ = c->fitMode();
        UpdateCommandStates();
    });
    connect(compare_, &CCompareView::activeFileChanged, this,
            [this](int index, const QString& path) {
                if (!comparing())
                    return;
                ImageItem item;
                if (source_.copyItem && source_.copyItem(index, item)) {
                    setCaptionPanes(item);
                    SetMarks(item.marks);
                }
                setTitle(path);
                SetListPosition(index, source_.count ? source_.count() : 0);
                setPane(8, compare_->activeCanvas()->rotationText());
                setPane(10, compare_->activeCanvas()->magnificationText());
                setPane(9, compare_->activeCanvas()->sizeText());
                UpdateCommandStates();
                emit activeFileChanged(path);
            });
    // Enter: the active picture alone, opened through the list like any other.
    connect(compare_, &CCompareView::singleRequested, this, [this](int index) {
        endCompare();
        if (source_.openAt)
            source_.openAt(index);
    });
    connect(compare_, &CCompareView::closeRequested, this, &QWidget::close);
    connect(compare_, &CCompareView::fullScreenToggleRequested, this,
            [this] { RunCommand(ID_VIEWER_FULL_SCREEN); });
    for (int i = 0; i < CCompareView::kMaxPanes; ++i)
        connect(compare_->pane(i), &CPreviewCtrl::deleteRequested, this,
                &CViewerFrame::onDeleteRequested);
}

bool CViewerFrame::ShowCompare(const std::vector<int>& indices) {
    if (static_cast<int>(indices.size()) < CCompareView::kMinPanes)
        return false;
    // The single picture gives way: its decode is stale from here on.
    preview_->Clear();
    loadingState_ = false;
    stack_->setCurrentWidget(compare_);
    setFocusProxy(nullptr);
    showWindow();
    compare_->ShowItems(indices);
    if (CPreviewCtrl* c = compare_->activeCanvas())
        c->setFocus();
    UpdateCommandStates();
    return true;
}

void CViewerFrame::endCompare() {
    if (!comparing())
        return;
    compare_->Clear();
    stack_->setCurrentWidget(preview_);
    setFocusProxy(preview_);
    preview_->setFocus();
}

bool CViewerFrame::comparing() const {
    return stack_ && compare_ && stack_->currentWidget() == compare_;
}

CPreviewCtrl* CViewerFrame::canvas() const {
    if (comparing())
        if (CPreviewCtrl* c = compare_->activeCanvas())
            return c;
    return preview_;
}

QString CViewerFrame::activeFilePath() const {
    return QString::fromStdString(canvas()->currentPath());
}

} // namespace lumora
