// File operations on a thumbnail view's items: copy and cut to the
// clipboard, delete (to the trash in a folder view, out of the list in a
// worksheet view), properties, and adding the clipboard's files to a
// worksheet.
//
// GUI thread only. The file work is synchronous; the view's own-operation
// flag is set around it so that the folder watch does not reload the view
// for changes the view made itself.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

class QObject;
class QWidget;

namespace lumora {

class CThumbnailCtrl;
class IFileOperationUi;

// Full paths of the selected items, in list order.
QStringList SelectedPaths(CThumbnailCtrl& view);

// Puts the selection on the clipboard with the effect (1 copy, 2 cut).
// false when nothing is selected or there is no clipboard.
bool CopySelectionToClipboard(CThumbnailCtrl& view, std::uint32_t dropEffect);

// Delete(owner, path): the selection (path empty) or the one file `path`.
// Worksheet view: asks, then removes the items; files are not touched.
// Folder view: moves the files to the trash (the operation's questions go
// to `ui`, or to message boxes over `owner` when ui is null) and removes
// the items whose files are gone, also when the user kept some of them.
// Returns 1 when the list changed, else 0.
int DeleteItems(CThumbnailCtrl& view, QWidget* owner, const QString& path,
                IFileOperationUi* ui = nullptr);

// Folder view: one properties dialog for the whole selection. Worksheet
// view: the properties of the cursor item.
void ShowItemProperties(CThumbnailCtrl& view, QWidget* owner);

// Worksheet view: the clipboard's files are added (rescan and select), none
// is copied or moved. false when the clipboard holds no files.
bool AddClipboardFilesToWorksheet(CThumbnailCtrl& view);

// Sets the view's own-operation flag for the scope's lifetime. At the end a
// running folder watch is replaced by a new one before the flag is cleared:
// the old watch's thread may not yet have looked at the flag for the
// operation's own changes, and would take them for foreign ones (a reload
// that loses the cursor). GUI thread.
class OwnOperationScope {
public:
    explicit OwnOperationScope(CThumbnailCtrl* view);
    ~OwnOperationScope();
    OwnOperationScope(const OwnOperationScope&) = delete;
    OwnOperationScope& operator=(const OwnOperationScope&) = delete;

private:
    CThumbnailCtrl* view_;
};

} // namespace lumora
