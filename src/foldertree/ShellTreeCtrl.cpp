#include "foldertree/ShellTreeCtrl.h"

#include "controls/PaneFocusMessage.h"
#include "platform/ClipboardFiles.h"
#include "platform/DurableFile.h"
#include "platform/FileOperationDialogs.h"
#include "platform/PathNames.h"
#include "platform/PropertiesDialog.h"
#include "platform/ShellIcons.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QStyledItemDelegate>
#include <QUrl>

namespace lumora {

namespace {

const QString kNewFolderName = QStringLiteral("新しいフォルダ");

// The order of sorted nodes: by text without regard to case, ties by case.
bool textLess(const QString& a, const QString& b) {
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

} // namespace

// A node with its record.
class CShellTreeCtrl::CTreeNode : public QTreeWidgetItem {
public:
    explicit CTreeNode(ShellItemData data) : data(std::move(data)) {}
    ShellItemData data;
};

// Label editing: the tree renames the folder itself and sets the text only
// when that worked, so the view's own acceptance of the edit is refused.
class CShellTreeCtrl::CLabelDelegate : public QStyledItemDelegate {
public:
    explicit CLabelDelegate(CShellTreeCtrl* tree) : QStyledItemDelegate(tree), tree_(tree) {}
    void setModelData(QWidget* editor, QAbstractItemModel*,
                      const QModelIndex& index) const override {
        auto* edit = qobject_cast<QLineEdit*>(editor);
        QTreeWidgetItem* item = tree_->itemFromIndex(index);
        if (edit && item)
            tree_->RenameNode(item, edit->text());
    }

private:
    CShellTreeCtrl* tree_;
};

CShellTreeCtrl::CShellTreeCtrl(QWidget* parent, CShellNamespace shellNamespace)
    : QTreeWidget(parent), namespace_(std::move(shellNamespace)) {
    setColumnCount(1);
    header()->hide();
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setItemDelegate(new CLabelDelegate(this));
    setIconSize(QSize(16, 16));
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setFrameShape(QFrame::StyledPanel);
    SetUpScrolling();
    connect(this, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* item) { EnsureEnumerated(item); });
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { OnCurrentChanged(current); });
    BuildRoot();
}

CShellTreeCtrl::~CShellTreeCtrl() = default;

void CShellTreeCtrl::SetFileOperationUi(IFileOperationUi* ui) {
    ui_ = ui;
}

IFileOperationUi& CShellTreeCtrl::Ui() {
    if (ui_)
        return *ui_;
    if (!ownUi_) {
        QWidget* owner = qobject_cast<QWidget*>(MainWindow());
        ownUi_ = std::make_unique<CFileOperationDialogs>(owner ? owner : this);
    }
    return *ownUi_;
}

QObject* CShellTreeCtrl::MainWindow() const {
    if (mainWindow_)
        return mainWindow_;
    return nullptr;
}

ShellItemData* CShellTreeCtrl::NodeData(const QTreeWidgetItem* item) const {
    auto* node = dynamic_cast<const CTreeNode*>(item);
    return node ? const_cast<ShellItemData*>(&node->data) : nullptr;
}

void CShellTreeCtrl::BuildRoot() {
    const ShellItem root = namespace_.root();
    QTreeWidgetItem* node = InsertNode(nullptr, root, false);
    NodeData(node)->isRoot = 1;
    EnsureEnumerated(node);
    node->setExpanded(true);
}

QTreeWidgetItem* CShellTreeCtrl::InsertNode(QTreeWidgetItem* parent, const ShellItem& shellItem,
                                            bool sorted) {
    ShellItemData data;
    data.kind = shellItem.kind;
    data.relativeId = shellItem.relativeId;
    data.iconIndex = shellItem.iconIndex;
    auto* node = new CTreeNode(std::move(data));
    node->setText(0, shellItem.displayName);
    node->setChildIndicatorPolicy(shellItem.hasSubfolders ? QTreeWidgetItem::ShowIndicator
                                                          : QTreeWidgetItem::DontShowIndicator);
    // Each state replaces the one before: ghosted, then link, then shared.
    ShellOverlay overlay = ShellOverlay::None;
    if (shellItem.isGhosted)
        overlay = ShellOverlay::Ghosted;
    if (shellItem.isLink)
        overlay = ShellOverlay::Link;
    if (shellItem.isShared)
        overlay = ShellOverlay::Shared;
    node->setIcon(0, CShellIcons::icon(shellItem.iconIndex, overlay));
    if (overlay == ShellOverlay::Ghosted)
        node->setForeground(0, palette().brush(QPalette::Disabled, QPalette::Text));
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled;
    if (shellItem.kind == ShellItemKind::Folder)
        flags |= Qt::ItemIsEditable;
    node->setFlags(flags);

    if (!parent) {
        addTopLevelItem(node);
        return node;
    }
    int position = parent->childCount();
    if (sorted) {
        int first = 0;
        // Under the desktop the fixed nodes stay in front of its folders.
        if (NodeData(parent)->isRoot) {
            while (first < parent->childCount() && IsFixedNode(parent->child(first)))
                ++first;
        }
        position = first;
        while (position < parent->childCount() &&
               !textLess(shellItem.displayName, parent->child(position)->text(0)))
            ++position;
    }
    parent->insertChild(position, node);
    return node;
}

bool CShellTreeCtrl::IsFixedNode(const QTreeWidgetItem* item) const {
    const ShellItemData* data = NodeData(item);
    return !data || data->kind != ShellItemKind::Folder;
}

bool CShellTreeCtrl::KeepsNamespaceOrder(const QTreeWidgetItem* item) const {
    const ShellItemData* data = NodeData(item);
    return data && (data->isRoot || data->kind == ShellItemKind::Computer);
}

ShellItem CShellTreeCtrl::NodeShellItem(const QTreeWidgetItem* item) const {
    const ShellItemData* data = NodeData(item);
    if (!data)
        return {};
    if (data->isRoot)
        return namespace_.root();
    if (data->kind == ShellItemKind::Computer)
        return namespace_.computer();
    ShellItem shellItem;
    shellItem.kind = data->kind;
    shellItem.relativeId = data->relativeId;
    shellItem.path = NodePath(item);
    shellItem.displayName = item->text(0);
    shellItem.iconIndex = data->iconIndex;
    return shellItem;
}

QString CShellTreeCtrl::NodePath(const QTreeWidgetItem* item) const {
    const ShellItemData* data = NodeData(item);
    if (!data)
        return {};
    if (data->isRoot)
        return namespace_.root().path;
    if (data->kind == ShellItemKind::Computer)
        return {};
    if (data->relativeId.startsWith(QLatin1Char('/')))
        return data->relativeId;
    const QString parentPath = NodePath(item->parent());
    if (parentPath.isEmpty())
        return {};
    return joinPath(parentPath, data->relativeId);
}

QString CShellTreeCtrl::NodeKey(const QTreeWidgetItem* item) const {
    const ShellItemData* data = NodeData(item);
    if (!data)
        return {};
    if (data->isRoot)
        return QString::fromLatin1(kDesktopKey);
    if (data->kind == ShellItemKind::Computer)
        return QString::fromLatin1(kComputerKey);
    return NodePath(item);
}

void CShellTreeCtrl::EnsureEnumerated(QTreeWidgetItem* item) {
    ShellItemData* data = NodeData(item);
    if (!data || data->expandedOnce)
        return;
    data->expandedOnce = true;
    ++enumerations_;
    const ShellItem folder = NodeShellItem(item);
    if (folder.kind != ShellItemKind::Computer && !data->isRoot && folder.path.isEmpty())
        return;
    const bool sorted = !KeepsNamespaceOrder(item);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    setUpdatesEnabled(false);
    for (const ShellItem& child : namespace_.children(folder)) {
        if (child.isFileSystemAncestor)
            InsertNode(item, child, sorted);
    }
    if (item->childCount() == 0)
        item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
}

QString CShellTreeCtrl::GetSelectedPath(int* icon) const {
    QTreeWidgetItem* item = currentItem();
    if (!item)
        return {};
    if (icon) {
        if (const ShellItemData* data = NodeData(item))
            *icon = data->iconIndex;
    }
    const QString path = NodePath(item);
    return path.isEmpty() ? item->text(0) : path;
}

QString CShellTreeCtrl::GetSelectedIdList() const {
    return NodeKey(currentItem());
}

void CShellTreeCtrl::SelectByPath(const QString& path) {
    if (path.trimmed().isEmpty())
        return;
    SelectByIdList(path);
}

void CShellTreeCtrl::SelectByIdList(const QString& idList) {
    const auto chain = namespace_.parse(idList);
    QTreeWidgetItem* node = RootNode();
    if (!chain || !node)
        return;
    for (size_t i = 1; i < chain->size(); ++i) {
        const ShellItem& step = (*chain)[i];
        EnsureEnumerated(node);
        QTreeWidgetItem* found = nullptr;
        const QString key = step.key();
        for (int c = 0; c < node->childCount() && !found; ++c) {
            if (NodeKey(node->child(c)) == key)
                found = node->child(c);
        }
        for (int c = 0; c < node->childCount() && !found; ++c) {
            if (node->child(c)->text(0).compare(step.displayName, Qt::CaseInsensitive) == 0)
                found = node->child(c);
        }
        // A folder made after the enumeration, or a hidden one asked for by
        // name: add it so that the selection can reach it.
        if (!found && !step.path.isEmpty())
            found = InsertNode(node, step, !KeepsNamespaceOrder(node));
        if (!found)
            return;
        node->setExpanded(true);
        node = found;
    }
    EnsureEnumerated(node);
    node->setExpanded(true);
    setCurrentItem(node);
    ScrollNodeIntoView(node);
}

void CShellTreeCtrl::Refresh() {
    const QString key = GetSelectedIdList();
    dropHighlight_ = nullptr;
    suppressSelChanged_ = true;
    setUpdatesEnabled(false);
    clear();
    BuildRoot();
    setUpdatesEnabled(true);
    suppressSelChanged_ = false;
    if (!key.isEmpty())
        SelectByIdList(key);
}

void CShellTreeCtrl::OnCurrentChanged(QTreeWidgetItem* current) {
    if (suppressSelChanged_)
        return;
    SendSelChanged(current);
}

void CShellTreeCtrl::SendSelChanged(QTreeWidgetItem* node) {
    TreeSelChangedMessage message(node);
    Send(MainWindow(), message);
}

bool CShellTreeCtrl::RenameNode(QTreeWidgetItem* item, const QString& newText) {
    ShellItemData* data = NodeData(item);
    if (!data || !item->parent() || data->kind != ShellItemKind::Folder)
        return false;
    if (newText == item->text(0))
        return false;
    const QString from = NodePath(item);
    if (from.isEmpty())
        return false;
    const QString to = joinPath(QFileInfo(from).absolutePath(), newText);
    CShellFileOperation operation(Ui());
    operation.setNoConfirmation(true);
    if (newText.contains(QLatin1Char('/'))) {
        Ui().reportError(QStringLiteral("フォルダ名に / は使えません。"));
        return false;
    }
    if (!operation.rename(from, to).succeeded)
        return false;
    item->setText(0, newText);
    data->relativeId = data->relativeId.startsWith(QLatin1Char('/')) ? to : newText;
    SendSelChanged(nullptr);
    return true;
}

void CShellTreeCtrl::DeleteSelected() {
    DeleteNode(currentItem());
}

void CShellTreeCtrl::DeleteNode(QTreeWidgetItem* item) {
    ShellItemData* data = NodeData(item);
    // The desktop, the home folder, the computer and its volumes stay.
    if (!data || data->kind != ShellItemKind::Folder)
        return;
    const QString path = NodePath(item);
    if (path.isEmpty())
        return;
    // The questions run an event loop in which the tree may be rebuilt.
    const QPersistentModelIndex index(indexFromItem(item));
    CShellFileOperation operation(Ui());
    operation.remove({path}, true);
    if (lexists(path))
        return;
    if (QTreeWidgetItem* still = index.isValid() ? itemFromIndex(index) : nullptr)
        RemoveNode(still);
    else
        RemoveMissingFolders({path});
}

void CShellTreeCtrl::RemoveNode(QTreeWidgetItem* item) {
    QTreeWidgetItem* parent = item->parent();
    if (dropHighlight_ && (dropHighlight_ == item || IsAncestor(item, dropHighlight_)))
        dropHighlight_ = nullptr;
    delete item;
    // A node whose last child went is listed afresh when next expanded.
    if (parent && parent->childCount() == 0) {
        parent->setExpanded(false);
        parent->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
        if (ShellItemData* parentData = NodeData(parent))
            parentData->expandedOnce = false;
    }
}

QTreeWidgetItem* CShellTreeCtrl::FindFolderNode(const QString& path) const {
    for (QTreeWidgetItem* item : FindNodesByPath(path)) {
        const ShellItemData* data = NodeData(item);
        if (data && data->kind == ShellItemKind::Folder)
            return item;
    }
    return nullptr;
}

bool CShellTreeCtrl::IsAncestor(const QTreeWidgetItem* ancestor, const QTreeWidgetItem* item) {
    for (const QTreeWidgetItem* p = item ? item->parent() : nullptr; p; p = p->parent()) {
        if (p == ancestor)
            return true;
    }
    return false;
}

void CShellTreeCtrl::RemoveMissingFolders(const QStringList& paths) {
    for (const QString& path : paths) {
        if (lexists(path))
            continue;
        // One at a time: removing a node may remove others below it.
        while (QTreeWidgetItem* item = FindFolderNode(path))
            RemoveNode(item);
    }
}

int CShellTreeCtrl::NewFolder() {
    return NewFolderIn(currentItem());
}

int CShellTreeCtrl::NewFolderIn(QTreeWidgetItem* item) {
    ShellItemData* data = NodeData(item);
    const QString folder = NodePath(item);
    if (!data || folder.isEmpty())
        return 0;
    QString name = kNewFolderName;
    for (int n = 1; lexists(joinPath(folder, name)); ++n)
        name = QStringLiteral("%1 (%2)").arg(kNewFolderName).arg(n);
    const QString path = joinPath(folder, name);
    // mkdir itself refuses a name that appeared meanwhile; the parent is
    // synced so the new folder survives a crash.
    if (!QDir().mkdir(path))
        return 1;
    SyncFolder(QFile::encodeName(folder).toStdString());

    QTreeWidgetItem* node = nullptr;
    if (!data->expandedOnce) {
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    } else if (auto shellItem = namespace_.folderItem(path)) {
        shellItem->relativeId = data->isRoot ? path : name;
        node = InsertNode(item, *shellItem, true);
    }
    if (!node) {
        EnsureEnumerated(item);
        for (int c = 0; c < item->childCount() && !node; ++c) {
            if (item->child(c)->text(0) == name)
                node = item->child(c);
        }
    }
    item->setExpanded(true);
    if (node) {
        setCurrentItem(node);
        ScrollNodeIntoView(node);
        setFocus();
        editItem(node);
    }
    return 1;
}

void CShellTreeCtrl::InsertChildFolders(const QString& parentPath, const QStringList& folders) {
    const QString cleanParent = QDir::cleanPath(parentPath);
    for (QTreeWidgetItem* parent : FindNodesByPath(cleanParent)) {
        ShellItemData* data = NodeData(parent);
        for (const QString& folder : folders) {
            const QFileInfo info(folder);
            if (!info.isDir() || info.fileName().startsWith(QLatin1Char('.')) ||
                QDir::cleanPath(info.absolutePath()) != cleanParent)
                continue;
            if (!data->expandedOnce) {
                parent->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
                continue;
            }
            bool listed = false;
            for (int c = 0; c < parent->childCount() && !listed; ++c)
                listed = NodePath(parent->child(c)) == QDir::cleanPath(folder);
            if (listed)
                continue;
            if (auto shellItem = namespace_.folderItem(folder)) {
                if (data->isRoot)
                    shellItem->relativeId = shellItem->path;
                InsertNode(parent, *shellItem, !KeepsNamespaceOrder(parent));
            }
        }
    }
}

QList<QTreeWidgetItem*> CShellTreeCtrl::FindNodesByPath(const QString& path) const {
    QList<QTreeWidgetItem*> found;
    if (path.isEmpty())
        return found;
    const QString wanted = QDir::cleanPath(path);
    // Only the nodes already listed are searched; nothing is enumerated. A
    // folder can be listed in several places (under home and under "/").
    std::vector<QTreeWidgetItem*> pending;
    if (RootNode())
        pending.push_back(RootNode());
    while (!pending.empty()) {
        QTreeWidgetItem* item = pending.back();
        pending.pop_back();
        if (NodePath(item) == wanted)
            found.append(item);
        for (int c = item->childCount() - 1; c >= 0; --c)
            pending.push_back(item->child(c));
    }
    return found;
}

QTreeWidgetItem* CShellTreeCtrl::FindNodeByPath(const QString& path) const {
    const QList<QTreeWidgetItem*> found = FindNodesByPath(path);
    return found.isEmpty() ? nullptr : found.front();
}

void CShellTreeCtrl::CopySelectedToClipboard(std::uint32_t dropEffect) {
    CopyNodeToClipboard(currentItem(), dropEffect);
}

void CShellTreeCtrl::CopyNodeToClipboard(QTreeWidgetItem* item, std::uint32_t dropEffect) {
    const QString path = NodePath(item);
    if (path.isEmpty())
        return;
    putFilesOnClipboard({path}, dropEffect);
}

bool CShellTreeCtrl::PasteInto(QTreeWidgetItem* item) {
    const QString destination = NodePath(item);
    const auto list = filesFromClipboard();
    if (destination.isEmpty() || !list)
        return false;
    CShellFileOperation operation(Ui());
    FileOperationResult result;
    if (list->dropEffect & DROPEFFECT_COPY)
        result = operation.copy(list->paths, destination);
    else if (list->dropEffect & DROPEFFECT_MOVE)
        result = operation.move(list->paths, destination);
    else
        return false;
    if (!result.succeeded)
        return false;
    if (list->dropEffect == DROPEFFECT_MOVE) {
        if (!result.aborted)
            clearClipboardIfCut(list->paths);
        RemoveMissingFolders(list->paths);
    }
    InsertChildFolders(destination, result.targets);
    return true;
}

void CShellTreeCtrl::ShowSelectedProperties() {
    ShowNodeProperties(currentItem());
}

void CShellTreeCtrl::ShowNodeProperties(QTreeWidgetItem* item) {
    const QString path = NodePath(item);
    if (!path.isEmpty())
        CPropertiesDialog::showFor({path}, this);
}

ShellMenuState CShellTreeCtrl::MenuStateFor(QTreeWidgetItem* item) const {
    ShellMenuState state;
    const ShellItemData* data = NodeData(item);
    const bool hasPath = !NodePath(item).isEmpty();
    const bool isFolder = data && data->kind == ShellItemKind::Folder;
    state.canOpen = hasPath;
    state.canNewFolder = hasPath;
    state.canRename = isFolder && hasPath;
    state.canDelete = isFolder && hasPath;
    state.canCopy = hasPath;
    state.canPaste = hasPath && filesFromClipboard().has_value();
    state.canProperties = hasPath;
    return state;
}

void CShellTreeCtrl::PerformVerb(ShellVerb verb, QTreeWidgetItem* item) {
    switch (verb) {
    case ShellVerb::Open:
        if (!NodePath(item).isEmpty())
            QDesktopServices::openUrl(QUrl::fromLocalFile(NodePath(item)));
        break;
    case ShellVerb::NewFolder:
        if (NewFolderIn(item) == 0)
            Ui().reportError(QStringLiteral("この位置にはフォルダは作成できません。"));
        break;
    case ShellVerb::Rename:
        if (item && (item->flags() & Qt::ItemIsEditable))
            editItem(item);
        break;
    case ShellVerb::Delete:
        DeleteNode(item);
        break;
    case ShellVerb::Cut:
        CopyNodeToClipboard(item, DROPEFFECT_MOVE);
        break;
    case ShellVerb::Copy:
        CopyNodeToClipboard(item, DROPEFFECT_COPY);
        break;
    case ShellVerb::Paste:
        PasteInto(item);
        break;
    case ShellVerb::Properties:
        ShowNodeProperties(item);
        break;
    case ShellVerb::None:
        break;
    }
}

bool CShellTreeCtrl::OnDropCanEnter(const QMimeData& data) const {
    return hasFileList(data);
}

void CShellTreeCtrl::SetDropHighlight(QTreeWidgetItem* item) {
    if (dropHighlight_ == item)
        return;
    if (dropHighlight_)
        dropHighlight_->setBackground(0, QBrush());
    dropHighlight_ = item;
    if (dropHighlight_)
        dropHighlight_->setBackground(0, palette().brush(QPalette::Highlight).color().lighter(160));
}

bool CShellTreeCtrl::OnDropFiles(const QMimeData& data) {
    QTreeWidgetItem* target = dropHighlight_;
    SetDropHighlight(nullptr);
    const auto list = readFileList(data);
    if (!list || !target)
        return false;
    const QString destination = NodePath(target);
    if (destination.isEmpty())
        return false;
    // Dropped files are always copied, never moved.
    CShellFileOperation operation(Ui());
    const FileOperationResult result = operation.copy(list->paths, destination);
    InsertChildFolders(destination, result.targets);
    return result.succeeded;
}

void CShellTreeCtrl::dragEnterEvent(QDragEnterEvent* event) {
    if (!event->mimeData() || !OnDropCanEnter(*event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void CShellTreeCtrl::dragMoveEvent(QDragMoveEvent* event) {
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    SetDropHighlight(item && !NodePath(item).isEmpty() ? item : nullptr);
    if (!dropHighlight_) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void CShellTreeCtrl::dragLeaveEvent(QDragLeaveEvent* event) {
    SetDropHighlight(nullptr);
    event->accept();
}

void CShellTreeCtrl::dropEvent(QDropEvent* event) {
    // Reported as a copy, so that the source never deletes its files.
    event->setDropAction(Qt::CopyAction);
    if (event->mimeData())
        OnDropFiles(*event->mimeData());
    else
        SetDropHighlight(nullptr);
    event->accept();
}

void CShellTreeCtrl::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && state() != QAbstractItemView::EditingState) {
        DeleteSelected();
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void CShellTreeCtrl::focusInEvent(QFocusEvent* event) {
    QTreeWidget::focusInEvent(event);
    PostNew<PaneFocusMessage>(MainWindow(), PaneFocusMessage::FolderTree);
}

void CShellTreeCtrl::contextMenuEvent(QContextMenuEvent* event) {
    QTreeWidgetItem* item = itemAt(event->pos());
    if (!NodeData(item))
        return;
    // The menu runs an event loop in which the tree may be rebuilt.
    const QPersistentModelIndex index(indexFromItem(item));
    const ShellVerb verb = CShellContextMenu::exec(this, event->globalPos(), MenuStateFor(item));
    if (index.isValid())
        PerformVerb(verb, itemFromIndex(index));
}

} // namespace lumora
