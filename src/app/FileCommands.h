// Paste of the clipboard's files into a folder: copy or move (as the
// clipboard's effect says) with the questions and the progress of
// CShellFileOperation, then the tree and the folder view learn what arrived.
//
// GUI thread only.
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>

class QWidget;

namespace lumora {

class CShellTreeCtrl;
class CThumbnailCtrl;
class IFileOperationUi;

struct PasteTarget {
    QString destination;                  // the folder selected in the tree
    QWidget* owner = nullptr;             // owner of the questions and the progress
    CShellTreeCtrl* tree = nullptr;       // gets the pasted folders (may be null)
    CThumbnailCtrl* folderView = nullptr; // gets the pasted files when it shows destination
    IFileOperationUi* ui = nullptr;       // null: message boxes over owner
};

struct PasteOutcome {
    bool ran = false; // an operation ran and succeeded
    bool moved = false;
    QStringList targets; // what exists at the destination afterwards
};

// Reads the file list and effect from the clipboard and pastes. Nothing
// happens without files, without an effect or without a destination.
PasteOutcome PasteClipboardFiles(const PasteTarget& target);

// The same with a given list and effect (1 copy, 2 move).
PasteOutcome PasteFiles(const PasteTarget& target, const QStringList& sources,
                        std::uint32_t dropEffect);

} // namespace lumora
