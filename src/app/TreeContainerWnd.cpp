#include "app/TreeContainerWnd.h"

#include "viewer/MiniPreviewCtrl.h"

namespace lumora {

CTreeContainerWnd::CTreeContainerWnd(QWidget* parent, int id, QWidget* tree,
                                     int miniPreviewDividerPos, bool showMiniPreview)
    : QWidget(parent), id_(id), tree_(tree) {
    setObjectName(QStringLiteral("TreeContainer"));
    divider_ = new CHorzDivider(this, 59648, 3, miniPreviewDividerPos, miniPreviewDividerPos, 200);
    divider_->SetAnchor(1);
    auto* mini = new CMiniPreviewCtrl(divider_);
    mini->SetPaneHook([this](bool show) { divider_->ShowPane(1, show); });
    miniPreview_ = mini;
    divider_->SetPane(0, tree_);
    divider_->SetPane(1, miniPreview_);
    if (!showMiniPreview)
        divider_->ShowPane(1, false);
}

void CTreeContainerWnd::SetMiniPreview(QWidget* preview) {
    if (!preview || preview == miniPreview_)
        return;
    QWidget* old = miniPreview_;
    const bool shown = divider_->isPaneShown(1);
    divider_->SetPane(1, preview);
    preview->setVisible(shown);
    miniPreview_ = preview;
    if (old)
        old->deleteLater();
    divider_->Layout();
}

void CTreeContainerWnd::SetMiniPreviewShown(bool show) {
    if (auto* mini = qobject_cast<CMiniPreviewCtrl*>(miniPreview_.data()))
        mini->ShowPane(show); // showing decodes the last item again
    else
        divider_->ShowPane(1, show);
}

void CTreeContainerWnd::resizeEvent(QResizeEvent*) {
    divider_->setGeometry(rect());
    divider_->Layout();
}

} // namespace lumora
