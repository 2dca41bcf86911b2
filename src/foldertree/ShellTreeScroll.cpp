// The folder tree's horizontal extent: the column is as wide as its widest
// row (a deep folder is indented far to the right), a horizontal scroll bar
// appears when that is wider than the pane, every scroll to a node brings
// its expand button, icon and name into view on both axes, and a row whose
// name the pane cuts shows the folder's full path as its tool tip.
#include "foldertree/ShellTreeCtrl.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QResizeEvent>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>

namespace lumora {

void CShellTreeCtrl::SetUpScrolling() {
    // The row's width, not the pane's, decides the column's: nothing is
    // elided, and the scroll bar reaches the end of the widest row.
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextElideMode(Qt::ElideNone);
    // A scroll the user makes is kept; a resize no longer moves the
    // selection back into view after it.
    for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()})
        connect(bar, &QAbstractSlider::actionTriggered, this,
                [this](int) { keepCurrentInView_ = false; });
}

void CShellTreeCtrl::FitColumn() {
    executeDelayedItemsLayout();
    // At least the pane's width, so that a click anywhere on a row hits it.
    header()->setMinimumSectionSize(std::max(1, viewport()->width()));
    header()->resizeSections(QHeaderView::ResizeToContents);
    updateGeometries(); // the scroll bars' ranges for the new width
}

QRect CShellTreeCtrl::NodeContentRect(const QModelIndex& index) const {
    // visualRect starts after the row's indentation; icon, text and margins
    // take the delegate's width.
    const QRect cell = visualRect(index);
    if (!cell.isValid())
        return {};
    return QRect(cell.left(), cell.top(), sizeHintForIndex(index).width(), cell.height());
}

void CShellTreeCtrl::ScrollIntoViewHorizontally(const QModelIndex& index, int from) {
    QScrollBar* bar = horizontalScrollBar();
    const QRect content = NodeContentRect(index);
    if (!content.isValid())
        return;
    // Content coordinates: viewport coordinates plus the present offset.
    const int offset = bar->value();
    const int left = std::max(0, content.left() + offset - indentation()); // with its button
    const int right = content.right() + 1 + offset;
    const int width = viewport()->width();
    int target = from;
    if (right - target > width)
        target = right - width;
    if (left < target)
        target = left; // a name wider than the pane shows its beginning
    bar->setValue(std::clamp(target, bar->minimum(), bar->maximum()));
}

void CShellTreeCtrl::scrollTo(const QModelIndex& index, ScrollHint hint) {
    // The base class scrolls vertically, but horizontally it only looks at
    // the column: once that is wider than the pane it goes back to its
    // left edge, where a deep node is out of sight.
    const int from = horizontalScrollBar()->value();
    QTreeWidget::scrollTo(index, hint);
    if (!index.isValid())
        return;
    FitColumn();
    ScrollIntoViewHorizontally(index, from);
}

void CShellTreeCtrl::ScrollNodeIntoView(QTreeWidgetItem* node) {
    if (!node)
        return;
    keepCurrentInView_ = true;
    // Not scrollToItem: it calls the base class's scrollTo past this one.
    scrollTo(indexFromItem(node));
}

void CShellTreeCtrl::resizeEvent(QResizeEvent* event) {
    QTreeWidget::resizeEvent(event);
    FitColumn();
    // A folder selected before the pane had its size (the start-up restore,
    // the command line) is brought into view at the size it gets.
    if (keepCurrentInView_ && currentItem())
        scrollTo(indexFromItem(currentItem()));
}

bool CShellTreeCtrl::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return QTreeWidget::viewportEvent(event);
    auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    QTreeWidgetItem* item = index.isValid() ? itemFromIndex(index) : nullptr;
    const QRect content = item ? NodeContentRect(index) : QRect();
    if (!item || viewport()->rect().contains(content)) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    QToolTip::showText(help->globalPos(), NodeToolTip(item), viewport(), content);
    return true;
}

QString CShellTreeCtrl::NodeToolTip(const QTreeWidgetItem* item) const {
    const QString path = NodePath(item);
    return path.isEmpty() ? item->text(0) : path;
}

} // namespace lumora
