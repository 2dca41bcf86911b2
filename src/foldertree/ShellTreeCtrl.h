// The folder pane: a tree of the folder namespace from the desktop down,
// folders only, enumerated lazily once per node, with its own folder
// operations (rename in place, delete to the trash, new folder, cut and copy
// to the clipboard, drop of files, context menu, properties).
//
// The selected folder is reported to the main window by sending it
// TreeSelChangedMessage; getting the focus posts PaneFocusMessage.
#pragma once

#include "platform/FileOperation.h"
#include "platform/Message.h"
#include "platform/ShellContextMenu.h"
#include "platform/ShellItem.h"
#include "platform/ShellNamespace.h"

#include <QPointer>
#include <QTreeWidget>

#include <cstdint>
#include <memory>

class QMimeData;

namespace lumora {

// Sent to the main window when the selected node changes (or the selected
// folder was renamed, then with no node); the main window reads the new path
// with GetSelectedPath(). Declared here because the main window sits above
// the tree.
constexpr int WM_TREE_SELCHANGED = WM_USER + 1002; // 2026

struct TreeSelChangedMessage : Message<WM_TREE_SELCHANGED> {
    explicit TreeSelChangedMessage(QTreeWidgetItem* node) : node(node) {}
    QTreeWidgetItem* node = nullptr; // the new current node, valid during the send
};

// The record each node carries.
struct ShellItemData {
    int isRoot = 0;
    ShellItemKind kind = ShellItemKind::Folder;
    // Name inside the parent folder; the absolute path or stable name for the
    // nodes directly under the desktop and the computer node.
    QString relativeId;
    int iconIndex = kIconFolder;
    bool expandedOnce = false;
};

class CShellTreeCtrl : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int kControlId = 1001;

    explicit CShellTreeCtrl(QWidget* parent = nullptr,
                            CShellNamespace shellNamespace = CShellNamespace());
    ~CShellTreeCtrl() override;

    // Where TreeSelChangedMessage and PaneFocusMessage go (default: none).
    void SetMainWindow(QObject* mainWindow) { mainWindow_ = mainWindow; }
    // The questions of file operations (default: message boxes). Not owned.
    void SetFileOperationUi(IFileOperationUi* ui);
    const CShellNamespace& Namespace() const { return namespace_; }

    // The selected node's file-system path, or for a virtual node its text;
    // nothing (empty) without a selection. `icon` gets its icon index.
    QString GetSelectedPath(int* icon = nullptr) const;
    // Stable text naming the selected node (a path, or a virtual node's
    // stable name) for storing the last folder.
    QString GetSelectedIdList() const;
    void SelectByIdList(const QString& idList);
    void SelectByPath(const QString& path);
    void Refresh();
    // 0 when no folder can be made here, else 1.
    int NewFolder();
    void DeleteSelected();
    // 1 copy, 2 cut.
    void CopySelectedToClipboard(std::uint32_t dropEffect);
    void ShowSelectedProperties();

    // Adds nodes for `folders` (just made inside `parentPath`) where the
    // tree lists that folder's children already; gives it an expand button
    // where it does not.
    void InsertChildFolders(const QString& parentPath, const QStringList& folders);

    // Node helpers.
    QString NodePath(const QTreeWidgetItem* item) const; // empty for virtual nodes
    QString NodeKey(const QTreeWidgetItem* item) const;
    ShellItemData* NodeData(const QTreeWidgetItem* item) const;
    QTreeWidgetItem* RootNode() const { return topLevelItem(0); }
    QTreeWidgetItem* FindNodeByPath(const QString& path) const;
    QList<QTreeWidgetItem*> FindNodesByPath(const QString& path) const;
    // Removes the listed nodes of folders that no longer exist (moved away).
    void RemoveMissingFolders(const QStringList& paths);

    // Per-node operations (the context menu acts on the clicked node).
    bool RenameNode(QTreeWidgetItem* item, const QString& newText);
    void DeleteNode(QTreeWidgetItem* item);
    int NewFolderIn(QTreeWidgetItem* item);
    void CopyNodeToClipboard(QTreeWidgetItem* item, std::uint32_t dropEffect);
    bool PasteInto(QTreeWidgetItem* item);
    void ShowNodeProperties(QTreeWidgetItem* item);
    ShellMenuState MenuStateFor(QTreeWidgetItem* item) const;
    void PerformVerb(ShellVerb verb, QTreeWidgetItem* item);

    // Drop protocol: the data may enter when it carries files; moving over a
    // node highlights it; a drop copies into the highlighted node.
    bool OnDropCanEnter(const QMimeData& data) const;
    void SetDropHighlight(QTreeWidgetItem* item);
    QTreeWidgetItem* DropHighlight() const { return dropHighlight_; }
    bool OnDropFiles(const QMimeData& data);

    // Enumerates a node's children once (expansion does this).
    void EnsureEnumerated(QTreeWidgetItem* item);
    int EnumerationCount() const { return enumerations_; }

    // Scrolls vertically as the base class does, and horizontally so that
    // the node's expand button, icon and name are in view.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool viewportEvent(QEvent* event) override; // tool tips of cut names
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    class CTreeNode;
    class CLabelDelegate;

    void BuildRoot();
    // Horizontal extent (ShellTreeScroll.cpp).
    void SetUpScrolling();
    void FitColumn();
    QRect NodeContentRect(const QModelIndex& index) const; // icon and name, viewport coordinates
    void ScrollIntoViewHorizontally(const QModelIndex& index, int from);
    // Selects-and-shows: the node stays in view when the pane is resized,
    // until the user scrolls.
    void ScrollNodeIntoView(QTreeWidgetItem* node);
    QString NodeToolTip(const QTreeWidgetItem* item) const;
    void RemoveNode(QTreeWidgetItem* item);
    QTreeWidgetItem* FindFolderNode(const QString& path) const;
    static bool IsAncestor(const QTreeWidgetItem* ancestor, const QTreeWidgetItem* item);
    ShellItem NodeShellItem(const QTreeWidgetItem* item) const;
    QTreeWidgetItem* InsertNode(QTreeWidgetItem* parent, const ShellItem& shellItem, bool sorted);
    bool KeepsNamespaceOrder(const QTreeWidgetItem* item) const;
    bool IsFixedNode(const QTreeWidgetItem* item) const;
    void OnCurrentChanged(QTreeWidgetItem* current);
    void SendSelChanged(QTreeWidgetItem* node);
    QObject* MainWindow() const;
    IFileOperationUi& Ui();

    CShellNamespace namespace_;
    QPointer<QObject> mainWindow_;
    IFileOperationUi* ui_ = nullptr;
    std::unique_ptr<IFileOperationUi> ownUi_;
    QTreeWidgetItem* dropHighlight_ = nullptr;
    bool suppressSelChanged_ = false;
    bool keepCurrentInView_ = false;
    int enumerations_ = 0;
};

} // namespace lumora
