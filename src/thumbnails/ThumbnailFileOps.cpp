#include "thumbnails/ThumbnailFileOps.h"

#include "platform/ClipboardFiles.h"
#include "platform/FileOperation.h"
#include "platform/FileOperationDialogs.h"
#include "platform/PropertiesDialog.h"
#include "thumbnails/ThumbnailCtrl.h"
#include "thumbnails/ThumbnailMessages.h"

#include <QFileInfo>
#include <QMessageBox>

#include <memory>
#include <vector>

namespace lumora {

OwnOperationScope::OwnOperationScope(CThumbnailCtrl* view) : view_(view) {
    if (view_)
        view_->OwnOperation().Set(1);
}

OwnOperationScope::~OwnOperationScope() {
    if (!view_)
        return;
    // Joins the old watch (which still sees the flag set) and watches anew
    // from here on, so no change of this operation is left to be reported.
    if (view_->watching())
        view_->StartWatching();
    view_->OwnOperation().Set(0);
}

QStringList SelectedPaths(CThumbnailCtrl& view) {
    std::vector<std::string> paths;
    view.list().CollectSelected(paths, true);
    QStringList out;
    out.reserve(int(paths.size()));
    for (const std::string& p : paths)
        out << QString::fromStdString(p);
    return out;
}

bool CopySelectionToClipboard(CThumbnailCtrl& view, std::uint32_t dropEffect) {
    const QStringList paths = SelectedPaths(view);
    if (paths.isEmpty())
        return false;
    return putFilesOnClipboard(paths, dropEffect);
}

namespace {

// After items left the list: the item that moved into the cursor's place
// becomes current and selected, and the view is redrawn.
void afterRemoval(CThumbnailCtrl& view) {
    const int n = view.list().Count();
    int c = view.cursor();
    if (c >= n)
        c = n - 1;
    view.SetCursorIndex(c);
    if (c >= 0)
        view.list().SetStateBits(c, kStateCursor | kStateSelected);
    view.UpdateCurrentItem();
    view.LayoutScrollBars();
    view.DrawVisibleItems();
    view.PaintBackground();
    if (n == 0)
        view.DrawEmptyPlaceholder();
    // The container shows the new count on the view's tab.
    PostNew<CountChangedMessage>(view.container());
}

} // namespace

int DeleteItems(CThumbnailCtrl& view, QWidget* owner, const QString& path, IFileOperationUi* ui) {
    ImageItemList& list = view.list();
    const int selected = list.CountSelected();
    if (path.isEmpty() && selected == 0)
        return 0;
    const int before = list.Count();

    if (view.worksheetMode()) {
        const auto answer = QMessageBox::question(
            owner, QStringLiteral("Lumora"),
            QStringLiteral("選択されたアイテムをワークシートから除去します。\nよろしいですか？"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        if (answer != QMessageBox::Yes)
            return 0;
        if (path.isEmpty())
            list.RemoveSelected();
        else
            list.RemoveByPath(path.toStdString());
        if (list.Count() == before)
            return 0;
    } else {
        const QStringList sources = path.isEmpty() ? SelectedPaths(view) : QStringList{path};
        std::unique_ptr<CFileOperationDialogs> dialogs;
        if (!ui) {
            dialogs = std::make_unique<CFileOperationDialogs>(owner);
            ui = dialogs.get();
        }
        FileOperationResult result;
        {
            OwnOperationScope own(&view);
            CShellFileOperation operation(*ui);
            result = operation.remove(sources, true);
        }
        // Even when the user declined a part (a file that cannot go to the
        // trash and is kept), the files that did go leave the list: the
        // folder watch does not report what the view did itself.
        if (path.isEmpty())
            list.RemoveSelectedMissing();
        else if (!QFileInfo::exists(path))
            list.RemoveByPath(path.toStdString());
        if (list.Count() == before)
            return 0;
    }
    afterRemoval(view);
    return 1;
}

void ShowItemProperties(CThumbnailCtrl& view, QWidget* owner) {
    if (view.worksheetMode()) {
        // Items of a worksheet live in different folders: the cursor item.
        const int c = view.cursor();
        ImageItem item;
        if (c < 0 || !view.list().CopyOut(c, item, CopyPixels::None))
            return;
        CPropertiesDialog::showFor({QString::fromStdString(item.path)}, owner);
        return;
    }
    const QStringList paths = SelectedPaths(view);
    if (!paths.isEmpty())
        CPropertiesDialog::showFor(paths, owner);
}

bool AddClipboardFilesToWorksheet(CThumbnailCtrl& view) {
    const auto files = filesFromClipboard();
    if (!files || files->paths.isEmpty() || !view.engine())
        return false;
    auto request = std::make_unique<AddFilesRequest>();
    for (const QString& p : files->paths)
        request->paths.push_back(p.toStdString());
    request->rescan = true;
    request->select = true;
    view.engine()->AddFiles(std::move(request));
    return true;
}

} // namespace lumora
