// Writes that are whole or not at all, and stay so across a crash or a power
// loss: every file the program writes (settings, worksheet lists, copies,
// moves, exports, files written beside images) goes through these functions.
//
// The discipline, the same for every function:
//  - new contents are written to a temporary file in the target's own folder
//    (a hidden name ".<name>.lumora-XXXXXX", or an unnamed O_TMPFILE file that
//    has no name at all until it is complete);
//  - the temporary file is fsync'ed, then renamed (or linked) to the final
//    name, then the folder is fsync'ed, so the new name and its contents reach
//    the disk together;
//  - on any failure or cancel the temporary file is removed and the final name
//    still holds what it held before (the old file, or nothing);
//  - a move across file systems removes its source only after the copy and
//    its folder were fsync'ed, and fsyncs the source's folder after the
//    unlink; a move on one file system is one rename plus both folders'
//    fsyncs.
//
// Paths are byte strings exactly as the kernel knows them: names that are
// not UTF-8, hold newlines, start with '-' or are 255 bytes long pass
// through unchanged. A path holding a NUL byte is refused (EINVAL).
//
// Errors: every function returns a DurableResult. `error` is the errno of
// the call that failed (0 on success), `step` says what was being done and
// `path` which file or folder it was about. The errors a caller should
// expect and tell apart:
//   ENOSPC, EDQUOT     the target's file system is full (nothing is left
//                      behind; the old target is intact)
//   EROFS, EACCES, EPERM  the target folder cannot be written
//   ENOENT, ENOTDIR    the source, or the target's folder, does not exist
//                      (or vanished during the operation)
//   EEXIST             the target exists and `replace` was off
//   EISDIR             the target is a folder
//   EINVAL             an empty path, a NUL byte in it, or a source that is
//                      not a regular file (a folder, FIFO, device, socket)
//   ECANCELED          the progress callback asked to stop
//   EIO and others     passed through from the kernel
// A copy onto its own source (same device and inode) is not an error: it
// does nothing and reports `sameFile`.
//
// Ownership: the caller owns the source and the target paths; these
// functions own the temporary file from its creation until it is renamed
// into place or removed, and never leave it behind except when the process
// dies in between (a named temporary may then remain, hidden; an unnamed one
// vanishes with the process).
//
// Threads: every function may be called from any thread; they keep no state
// and take no locks. They block on the disk (fsync), so the GUI thread calls
// them only for small files or with a progress callback that keeps it live.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace lumora {

enum class DurableStep {
    None,
    OpenSource,   // opening or reading the source's attributes
    ReadSource,   // reading its bytes
    CreateTemp,   // creating the temporary file in the target's folder
    Write,        // writing the contents (ENOSPC shows here or at SyncFile)
    SyncFile,     // fsync of the new contents
    Rename,       // renaming or linking the temporary file into place
    SyncFolder,   // fsync of a folder after a change of its entries
    RemoveSource, // unlinking the source of a move
    MakeFolder,   // creating a folder
    Cancelled,    // the progress callback returned false
};

struct DurableResult {
    int error = 0;
    DurableStep step = DurableStep::None;
    std::string path;      // the file or folder the failed call was about
    bool sameFile = false; // the target was the source itself: nothing done

    bool ok() const { return error == 0; }
    explicit operator bool() const { return ok(); }
    bool noSpace() const;  // ENOSPC or EDQUOT
    bool readOnly() const; // EROFS, EACCES or EPERM
    bool missing() const;  // ENOENT or ENOTDIR
};

// How a copy stays out of sight until it is complete.
enum class DurableTemp {
    // An unnamed file of the folder (O_TMPFILE), linked in when complete; a
    // crash leaves nothing. Used for a new target; an existing target, and a
    // file system without unnamed files, fall back to Named.
    Unnamed,
    // A hidden name in the target's folder, renamed over the target.
    Named,
};

struct DurableCopyOptions {
    bool replace = true;    // replace an existing target, else fail with EEXIST
    bool keepMode = true;   // the source's permission bits (else 0644 minus umask)
    bool keepTimes = true;  // the source's access and modification times
    bool syncFolder = true; // fsync the target's folder after the rename; a
                            // caller that copies many files into one folder
                            // may turn it off and call SyncFolder once, but
                            // must do so before it removes any source
    DurableTemp temp = DurableTemp::Named;
    // Called after each chunk with the bytes of this file copied so far;
    // false cancels (ECANCELED, nothing left at the target).
    std::function<bool(std::int64_t)> progress;
};

struct DurableWriteOptions {
    mode_t newFileMode = 0644; // mode of a new file; a replaced file keeps its own
    bool syncFolder = true;
};

// Writes `bytes` as the whole new contents of `path` (a regular file or
// none). A failure leaves the old file as it was.
DurableResult WriteFileDurably(const std::string& path, std::string_view bytes,
                               const DurableWriteOptions& options = {});

// Copies the regular file `source` to `target`. A FIFO or device is refused
// without blocking on it.
DurableResult CopyFileDurably(const std::string& source, const std::string& target,
                              const DurableCopyOptions& options = {});

// Moves the regular file or symbolic link `source` to `target`: a rename
// where both are on one file system, else a durable copy (a link is made
// anew) followed by the removal of the source. On any failure the source is
// where it was. `options.replace` off refuses an existing target (EEXIST)
// also for the rename.
DurableResult MoveFileDurably(const std::string& source, const std::string& target,
                              const DurableCopyOptions& options = {});

// Recreates the symbolic link `source` as `target` (the link itself, never
// what it points to), under a temporary name renamed into place.
DurableResult CopyLinkDurably(const std::string& source, const std::string& target,
                              bool replace = true);

// Creates the folder `path` (its parent must exist) and fsyncs the parent.
// An existing folder is not an error.
DurableResult MakeFolderDurably(const std::string& path, mode_t mode = 0755);

// fsync of a folder, so that the names created, renamed or removed in it
// are on the disk.
DurableResult SyncFolder(const std::string& folder);

// Removes a file or link and fsyncs its folder.
DurableResult RemoveFileDurably(const std::string& path);

// The folder part of `path` ("." for a bare name, "/" for "/name").
std::string FolderOfPath(const std::string& path);

// A short reason for `error` in the user's language, UTF-8, for messages
// such as "「name」をコピーできません。\n<reason>".
std::string DurableErrorText(int error);

} // namespace lumora
