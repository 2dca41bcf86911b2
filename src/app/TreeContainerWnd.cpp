#include "app/TreeContainerWnd.h"

#include "viewer/MiniPreviewCtrl.h"

#include <QLabel>
#include <QVBoxLayout>

namespace lumora {

namespace {
// Stand-in pane until the real control takes the slot.
QWidget* placeholderPane(const QString& name, const QString& text, QColor background) {
    auto* w = new QLabel(text);
    w->setObjectName(name);
    w->setAlignment(Qt::AlignCenter);
    w->setAutoFillBackground(true);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, background);
    pal.setColor(QPalette::WindowText, QColor(150, 150, 150));
    w->setPalette(pal);
    return w;
}
} // namespace

CTreeContainerWnd::CTreeContainerWnd(QWidget* parent, int id, int miniPreviewDividerPos,
                                     bool showMiniPreview)
    : QWidget(parent), id_(id) {
    setObjectName(QStringLiteral("TreeContainer"));
    divider_ = new CHorzDivider(this, 59648, 3, miniPreviewDividerPos, miniPreviewDividerPos, 200);
    divider_->SetAnchor(1);
    tree_ =
        placeholderPane(QStringLiteral("FolderTree"), QString(), palette().color(QPalette::Base));
    auto* mini = new CMiniPreviewCtrl(divider_);
    mini->SetPaneHook([this](bool show) { divider_->ShowPane(1, show); });
    miniPreview_ = mini;
    divider_->SetPane(0, tree_);
    divider_->SetPane(1, miniPreview_);
    if (!showMiniPreview)
        divider_->ShowPane(1, false);
}

void CTreeContainerWnd::SetTree(QWidget* tree) {
    if (!tree || tree == tree_)
        return;
    QWidget* old = tree_;
    divider_->SetPane(0, tree);
    tree_ = tree;
    if (old)
        old->deleteLater();
    divider_->Layout();
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
