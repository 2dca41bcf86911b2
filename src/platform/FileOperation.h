// Copy, move, rename and delete of files and folders with the questions and
// reports a user of a file manager expects. The questions go through
// IFileOperationUi, so the operation itself needs no widgets (tests answer
// them from a script; CFileOperationDialogs asks with message boxes).
//
// Safety rules (the writes go through DurableFile.h):
//  - a file is copied to a temporary name beside its target, fsync'ed,
//    renamed into place and its folder fsync'ed, so an existing file is never
//    lost by a failed or cancelled replacement and a crash never leaves a
//    truncated file under a final name;
//  - a move removes a source item (a file, or a folder with all it holds)
//    only after all of it was copied and is on the disk (or renamed in one
//    step on the same file system); a failure or cancel part-way through an
//    item leaves every source file of it in place;
//  - a file that cannot be copied (full disk, read-only or vanished target
//    folder, unreadable source) is reported by name with the reason, and the
//    user skips it or stops; after a failure, a cancel or skipped files the
//    outcome says how many files were done and how many were not;
//  - names are handled as the bytes the kernel knows inside copied folders,
//    so names that are not UTF-8 or hold newlines survive;
//  - symbolic links are copied as links and never followed, so a link loop
//    cannot make a copy endless;
//  - a rename never replaces an existing file or folder.
//
// Threads: a CShellFileOperation runs on the thread that calls it (the GUI
// thread, which its IFileOperationUi answers on) and is used by one thread
// at a time; it keeps no state between operations beyond its options.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace lumora {

enum class ReplaceAnswer { Yes, YesToAll, No, Cancel };
enum class ErrorAnswer { Skip, SkipAll, Cancel };

class IFileOperationUi {
public:
    virtual ~IFileOperationUi() = default;
    // Delete `paths`; to the trash when `toTrash`. true = go ahead.
    virtual bool confirmDelete(const QStringList& paths, bool toTrash) = 0;
    // `path` cannot go to the trash (its volume has none): delete it for good?
    virtual bool confirmDeletePermanently(const QString& path) = 0;
    // `target` exists; replace it by `source` (for folders: merge into it)?
    virtual ReplaceAnswer askReplace(const QString& target, const QString& source) = 0;
    virtual void reportError(const QString& message) = 0;
    // A file of a copy or move failed (`message` names it and the reason;
    // nothing of it was left at the target and its source is untouched):
    // skip it and go on, skip every further failure, or stop. By default
    // the failure is reported and the operation stops.
    virtual ErrorAnswer askSkip(const QString& message) {
        reportError(message);
        return ErrorAnswer::Cancel;
    }
    // After a copy or move that did not do everything (a failure, a cancel,
    // skipped files): how many files were done and how many were not.
    virtual void reportOutcome(const QString& message) { (void)message; }
    // Progress of a copy or move in bytes. progress() returns false when the
    // user cancels.
    virtual void beginProgress(const QString& title, std::int64_t totalBytes) = 0;
    virtual bool progress(std::int64_t doneBytes, const QString& currentPath) = 0;
    virtual void endProgress() = 0;
};

struct FileOperationResult {
    bool succeeded = false; // no error (a refused question is not an error)
    bool aborted = false;   // the user cancelled or declined some part
    // Top-level items that exist at the destination afterwards (copy, move,
    // rename), in source order.
    QStringList targets;
};

class CShellFileOperation {
public:
    explicit CShellFileOperation(IFileOperationUi& ui) : ui_(ui) {}

    // No confirmation before deleting (the caller asked already).
    void setNoConfirmation(bool on) { noConfirmation_ = on; }

    FileOperationResult rename(const QString& from, const QString& to);
    // allowUndo: to the trash, asking before a permanent delete where the
    // volume has no trash.
    FileOperationResult remove(const QStringList& paths, bool allowUndo);
    FileOperationResult copy(const QStringList& sources, const QString& destinationFolder);
    FileOperationResult move(const QStringList& sources, const QString& destinationFolder);

private:
    struct Run;
    FileOperationResult transfer(const QStringList& sources, const QString& destinationFolder,
                                 bool isMove);

    IFileOperationUi& ui_;
    bool noConfirmation_ = false;
};

// Moves `path` into the freedesktop trash of its volume: the user's trash
// ($XDG_DATA_HOME/Trash) on the home volume, else $topdir/.Trash-$uid, with
// the .trashinfo record. false (and nothing changed) when the volume has no
// usable trash.
bool moveToTrash(const QString& path);

// Renames without replacing; false with errno EEXIST when `to` exists.
bool renameNoReplace(const QString& from, const QString& to);

// "name - コピー.ext", "name - コピー (2).ext", ... : a free name in `folder`
// for a copy of `name` into its own folder.
QString copyNameInSameFolder(const QString& folder, const QString& name);

} // namespace lumora
