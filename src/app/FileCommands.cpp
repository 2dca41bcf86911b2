#include "app/FileCommands.h"

#include "foldertree/ShellTreeCtrl.h"
#include "platform/ClipboardFiles.h"
#include "platform/FileOperation.h"
#include "platform/FileOperationDialogs.h"
#include "thumbnails/ThumbnailCtrl.h"
#include "thumbnails/ThumbnailFileOps.h"

#include <QDir>
#include <QFileInfo>

#include <memory>

namespace lumora {

namespace {

bool sameFolder(const QString& a, const QString& b) {
    return !a.isEmpty() && !b.isEmpty() && QDir::cleanPath(a) == QDir::cleanPath(b);
}

} // namespace

PasteOutcome PasteClipboardFiles(const PasteTarget& target) {
    const auto files = filesFromClipboard();
    if (!files || files->paths.isEmpty())
        return {};
    return PasteFiles(target, files->paths, files->dropEffect);
}

PasteOutcome PasteFiles(const PasteTarget& target, const QStringList& sources,
                        std::uint32_t dropEffect) {
    PasteOutcome outcome;
    const bool copy = dropEffect & DROPEFFECT_COPY;
    const bool move = !copy && (dropEffect & DROPEFFECT_MOVE);
    if ((!copy && !move) || sources.isEmpty() || target.destination.isEmpty() ||
        !QFileInfo(target.destination).isDir())
        return outcome;

    std::unique_ptr<CFileOperationDialogs> dialogs;
    IFileOperationUi* ui = target.ui;
    if (!ui) {
        dialogs = std::make_unique<CFileOperationDialogs>(target.owner);
        ui = dialogs.get();
    }
    // Folders that are sources of a move are not in the tree's way yet.
    QStringList sourceFolders;
    for (const QString& s : sources)
        if (QFileInfo(s).isDir())
            sourceFolders << s;

    FileOperationResult result;
    {
        // The view that shows the destination made these changes itself.
        CThumbnailCtrl* own =
            target.folderView && sameFolder(target.folderView->folder(), target.destination)
                ? target.folderView
                : nullptr;
        OwnOperationScope scope(own);
        CShellFileOperation operation(*ui);
        result = copy ? operation.copy(sources, target.destination)
                      : operation.move(sources, target.destination);
    }
    if (!result.succeeded)
        return outcome;
    outcome.ran = true;
    outcome.moved = move;
    outcome.targets = result.targets;

    if (move && !result.aborted)
        clearClipboardIfCut(sources);
    if (target.tree) {
        if (move && !sourceFolders.isEmpty())
            target.tree->RemoveMissingFolders(sourceFolders);
        QStringList folders;
        for (const QString& t : result.targets)
            if (QFileInfo(t).isDir())
                folders << t;
        if (!folders.isEmpty())
            target.tree->InsertChildFolders(target.destination, folders);
    }
    // The hand-over: the view still showing the destination takes the files.
    if (target.folderView &&
        (!target.tree || sameFolder(target.tree->GetSelectedPath(), target.destination)) &&
        sameFolder(target.folderView->folder(), target.destination) &&
        target.folderView->engine()) {
        std::vector<std::string> pasted;
        for (const QString& t : result.targets)
            pasted.push_back(t.toStdString());
        if (!pasted.empty())
            target.folderView->engine()->AddPasted(std::move(pasted),
                                                   target.destination.toStdString());
    }
    return outcome;
}

} // namespace lumora
