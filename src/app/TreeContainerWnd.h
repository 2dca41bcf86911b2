// Left pane of the main window: the folder tree over the mini preview,
// separated by a stacked splitter whose lower pane keeps its height.
#pragma once

#include "controls/Divider.h"

#include <QPointer>
#include <QWidget>

namespace lumora {

class CTreeContainerWnd : public QWidget {
    Q_OBJECT
public:
    // `tree` (the folder tree) becomes the upper pane and a child of the
    // container's divider. Takes MiniPreviewDividerPos and ShowMiniPreview
    // before creation.
    CTreeContainerWnd(QWidget* parent, int id, QWidget* tree, int miniPreviewDividerPos,
                      bool showMiniPreview);

    QWidget* tree() const { return tree_; }
    // Puts the mini preview in the lower pane (the previous one is deleted).
    void SetMiniPreview(QWidget* preview);
    QWidget* miniPreview() const { return miniPreview_; }

    void SetMiniPreviewShown(bool show);
    bool miniPreviewShown() const { return divider_->isPaneShown(1); }
    // The mini preview pane's kept height, saved as MiniPreviewDividerPos.
    int miniPreviewExtent() const { return divider_->GetFixedExtent(); }
    CHorzDivider* divider() const { return divider_; }
    int id() const { return id_; }

protected:
    void resizeEvent(QResizeEvent*) override;

private:
    int id_;
    CHorzDivider* divider_;
    QPointer<QWidget> tree_;
    QPointer<QWidget> miniPreview_;
};

} // namespace lumora
