#include "platform/FileOperation.h"

#include "platform/DurableFile.h"
#include "platform/PathNames.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <dirent.h>
#include <string>
#include <utility>
#include <vector>

namespace lumora {

namespace {

bool isRealDir(const QString& path) {
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

bool isInside(const QString& path, const QString& folder) {
    const QString a = QFileInfo(path).canonicalFilePath();
    const QString b = QFileInfo(folder).canonicalFilePath();
    if (a.isEmpty() || b.isEmpty())
        return false;
    return a == b || a.startsWith(b == QLatin1String("/") ? b : b + QLatin1Char('/'));
}

std::string nativePath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString displayPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

QString displayName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return displayPath(slash == std::string::npos ? path : path.substr(slash + 1));
}

std::string joinNative(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The names in a folder (without "." and ".."), sorted by their bytes.
std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

struct TreeTotals {
    std::int64_t bytes = 0;
    int files = 0; // regular files and links
};

// Bytes and files under `path`, without following links.
void addTreeTotals(const std::string& path, TreeTotals& totals) {
    std::vector<std::string> pending{path};
    while (!pending.empty()) {
        const std::string current = std::move(pending.back());
        pending.pop_back();
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            for (const std::string& name : folderEntries(current))
                pending.push_back(joinNative(current, name));
        } else if (S_ISREG(st.st_mode)) {
            totals.bytes += st.st_size;
            ++totals.files;
        } else if (S_ISLNK(st.st_mode)) {
            ++totals.files;
        }
    }
}

} // namespace

namespace {

// A trash folder with files/ and info/, created private when missing. A
// link in its place is refused.
bool prepareTrash(const QString& trash) {
    for (const QString& dir :
         {trash, trash + QStringLiteral("/files"), trash + QStringLiteral("/info")}) {
        const QByteArray name = QFile::encodeName(dir);
        struct stat st;
        if (::lstat(name.constData(), &st) != 0) {
            if (::mkdir(name.constData(), 0700) != 0)
                return false;
        } else if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
            return false;
        }
    }
    return true;
}

// The mount point holding `path` (the highest parent on the same device).
QString topDirectory(const QString& path, dev_t device) {
    QString current = QFileInfo(path).absolutePath();
    for (;;) {
        if (current == QLatin1String("/"))
            return current;
        const QString parent = QFileInfo(current).absolutePath();
        struct stat st;
        if (::stat(QFile::encodeName(parent).constData(), &st) != 0 || st.st_dev != device)
            return current;
        current = parent;
    }
}

} // namespace

bool moveToTrash(const QString& rawPath) {
    const QString path = QFileInfo(rawPath).absoluteFilePath();
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return false;

    QString trash;
    QString recordedPath = path;
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    struct stat home;
    if (!dataHome.isEmpty() && QDir().mkpath(dataHome) &&
        ::stat(QFile::encodeName(dataHome).constData(), &home) == 0 && home.st_dev == st.st_dev) {
        trash = dataHome + QStringLiteral("/Trash");
    } else {
        const QString top = topDirectory(path, st.st_dev);
        trash = (top == QLatin1String("/") ? QString() : top) +
                QStringLiteral("/.Trash-%1").arg(::getuid());
        recordedPath = path.mid(top == QLatin1String("/") ? 1 : top.size() + 1);
    }
    if (!prepareTrash(trash))
        return false;

    // Reserve a free name by creating its record exclusively.
    const QString name = QFileInfo(path).fileName();
    QString candidate = name;
    QString info;
    int fd = -1;
    for (int n = 2; n < 100000; ++n) {
        info = trash + QStringLiteral("/info/") + candidate + QStringLiteral(".trashinfo");
        if (!lexists(trash + QStringLiteral("/files/") + candidate)) {
            fd = ::open(QFile::encodeName(info).constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
            if (fd >= 0)
                break;
            if (errno != EEXIST)
                return false;
        }
        candidate = name + QStringLiteral(".%1").arg(n);
    }
    if (fd < 0)
        return false;
    // The path is percent-encoded from its bytes, so a restore gives back
    // the very name (not UTF-8, with newlines, ...) the file had.
    const QByteArray record =
        "[Trash Info]\nPath=" + QFile::encodeName(recordedPath).toPercentEncoding("/") +
        "\nDeletionDate=" + QDateTime::currentDateTime().toString(Qt::ISODate).toUtf8() + "\n";
    const bool written = ::write(fd, record.constData(), static_cast<size_t>(record.size())) ==
                             static_cast<ssize_t>(record.size()) &&
                         ::fsync(fd) == 0;
    ::close(fd);
    const std::string infoFolder = QFile::encodeName(trash + QStringLiteral("/info")).toStdString();
    const QByteArray target = QFile::encodeName(trash + QStringLiteral("/files/") + candidate);
    // The record is on the disk before the file goes, so a crash never
    // leaves a trashed file without the path to restore it to.
    if (!written || !SyncFolder(infoFolder) ||
        ::renameat2(AT_FDCWD, QFile::encodeName(path).constData(), AT_FDCWD, target.constData(),
                    RENAME_NOREPLACE) != 0) {
        ::unlink(QFile::encodeName(info).constData());
        return false;
    }
    SyncFolder(FolderOfPath(target.toStdString()));
    SyncFolder(FolderOfPath(QFile::encodeName(path).toStdString()));
    return true;
}

namespace {

// After a rename: the folders that gained and lost the name, on the disk.
// errno is kept for the caller.
void syncBothFolders(const QByteArray& from, const QByteArray& to) {
    const int saved = errno;
    const std::string a = FolderOfPath(from.toStdString());
    const std::string b = FolderOfPath(to.toStdString());
    SyncFolder(b);
    if (a != b)
        SyncFolder(a);
    errno = saved;
}

} // namespace

bool renameNoReplace(const QString& from, const QString& to) {
    const QByteArray f = QFile::encodeName(from);
    const QByteArray t = QFile::encodeName(to);
    struct stat a, b;
    // A change of case only, on a file system that ignores case: same entry.
    if (::lstat(f.constData(), &a) == 0 && ::lstat(t.constData(), &b) == 0 &&
        a.st_dev == b.st_dev && a.st_ino == b.st_ino && from != to) {
        if (::rename(f.constData(), t.constData()) != 0)
            return false;
        syncBothFolders(f, t);
        return true;
    }
    if (::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0) {
        syncBothFolders(f, t);
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // The file system cannot rename without replacing: check, then rename.
    if (::lstat(t.constData(), &b) == 0) {
        errno = EEXIST;
        return false;
    }
    if (::rename(f.constData(), t.constData()) != 0)
        return false;
    syncBothFolders(f, t);
    return true;
}

QString copyNameInSameFolder(const QString& folder, const QString& name) {
    QString base = name;
    QString extension;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0 && !isRealDir(joinPath(folder, name))) {
        base = name.left(dot);
        extension = name.mid(dot);
    }
    QString candidate = base + QStringLiteral(" - コピー") + extension;
    for (int n = 2; lexists(joinPath(folder, candidate)); ++n)
        candidate = base + QStringLiteral(" - コピー (%1)").arg(n) + extension;
    return candidate;
}

FileOperationResult CShellFileOperation::rename(const QString& from, const QString& to) {
    FileOperationResult result;
    const QString source = QDir::cleanPath(from);
    const QString target = QDir::cleanPath(to);
    if (source == target) {
        result.succeeded = true;
        result.targets.append(target);
        return result;
    }
    const QString name = QFileInfo(to).fileName();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        to.endsWith(QLatin1Char('/'))) {
        ui_.reportError(QStringLiteral("「%1」という名前は使えません。").arg(name));
        return result;
    }
    if (!renameNoReplace(source, target)) {
        const int error = errno;
        if (error == EEXIST || error == ENOTEMPTY)
            ui_.reportError(QStringLiteral("「%1」の名前を変更できません。同じ名前のファイルまたは"
                                           "フォルダが既にあります。")
                                .arg(QFileInfo(source).fileName()));
        else
            ui_.reportError(QStringLiteral("「%1」の名前を変更できません。\n%2")
                                .arg(QFileInfo(source).fileName(), systemError(error)));
        return result;
    }
    result.succeeded = true;
    result.targets.append(target);
    return result;
}

FileOperationResult CShellFileOperation::remove(const QStringList& paths, bool allowUndo) {
    FileOperationResult result;
    result.succeeded = true;
    if (paths.isEmpty())
        return result;
    if (!noConfirmation_ && !ui_.confirmDelete(paths, allowUndo)) {
        result.aborted = true;
        return result;
    }
    for (const QString& path : paths) {
        if (!lexists(path))
            continue;
        if (allowUndo) {
            if (moveToTrash(path))
                continue;
            if (!lexists(path))
                continue;
            if (!ui_.confirmDeletePermanently(path)) {
                result.aborted = true;
                continue;
            }
        }
        bool removed = false;
        if (isRealDir(path))
            removed = QDir(path).removeRecursively();
        else
            removed = RemoveFileDurably(QFile::encodeName(path).toStdString()).ok();
        if (!removed) {
            ui_.reportError(QStringLiteral("「%1」を削除できません。").arg(path));
            result.succeeded = false;
            return result;
        }
    }
    return result;
}

// State of one copy or move. Paths inside it are byte strings as the kernel
// knows them, so names that are not UTF-8 (or hold newlines) inside a copied
// folder come out unchanged.
struct CShellFileOperation::Run {
    Run(IFileOperationUi& u, bool move) : ui(u), isMove(move) {}

    IFileOperationUi& ui;
    bool isMove = false;
    bool replaceAll = false;
    bool skipAllErrors = false;
    bool cancelled = false;
    bool failed = false;
    bool skipped = false;      // some item was not replaced on the user's answer
    bool errorSkipped = false; // some file failed and the user went on
    std::int64_t done = 0;
    int filesCopied = 0; // files (and links) copied so far
    int filesMoved = 0;  // of a move: files (and links) gone from their source
    QString firstRemoveError;

    // Items to remove after a move by copying, in creation order.
    std::vector<std::string> movedFiles;
    std::vector<std::string> movedFolders;

    QString verb() const { return isMove ? QStringLiteral("移動") : QStringLiteral("コピー"); }

    bool fail(const QString& message) {
        ui.reportError(message);
        failed = true;
        return false;
    }

    // A file could not be copied: the user skips it (true, go on) or stops.
    bool failFile(const QString& message) {
        if (skipAllErrors) {
            errorSkipped = true;
            return true;
        }
        switch (ui.askSkip(message)) {
        case ErrorAnswer::SkipAll:
            skipAllErrors = true;
            [[fallthrough]];
        case ErrorAnswer::Skip:
            errorSkipped = true;
            return true;
        case ErrorAnswer::Cancel:
            break;
        }
        failed = true;
        return false;
    }

    QString failureText(const std::string& source, const std::string& target,
                        const DurableResult& r) const {
        const QString reason = QString::fromStdString(DurableErrorText(r.error));
        if (r.step == DurableStep::OpenSource || r.step == DurableStep::ReadSource)
            return QStringLiteral("「%1」を読み込めません。\n%2").arg(displayPath(source), reason);
        return QStringLiteral("「%1」を%2できません。\n%3\n%2先: %4")
            .arg(displayName(source), verb(), reason, displayPath(FolderOfPath(target)));
    }

    // 1 replace, 0 skip, -1 cancel.
    int conflict(const std::string& target, const std::string& source) {
        if (replaceAll)
            return 1;
        switch (ui.askReplace(displayPath(target), displayPath(source))) {
        case ReplaceAnswer::YesToAll:
            replaceAll = true;
            return 1;
        case ReplaceAnswer::Yes:
            return 1;
        case ReplaceAnswer::No:
            skipped = true;
            return 0;
        case ReplaceAnswer::Cancel:
            break;
        }
        cancelled = true;
        return -1;
    }

    // false stops the whole operation.
    bool copyFile(const std::string& source, const std::string& target) {
        const std::int64_t before = done;
        const QString shown = displayPath(source);
        DurableCopyOptions options;
        options.progress = [&](std::int64_t bytes) {
            done = before + bytes;
            return ui.progress(done, shown);
        };
        const DurableResult r = CopyFileDurably(source, target, options);
        if (r.step == DurableStep::Cancelled) {
            done = before;
            cancelled = true;
            return false;
        }
        if (!r)
            return failFile(failureText(source, target, r));
        ++filesCopied;
        if (isMove)
            movedFiles.push_back(source);
        // A cancel now stops before the next file; this one is complete.
        if (!ui.progress(done, shown)) {
            cancelled = true;
            return false;
        }
        return true;
    }

    bool copyLink(const std::string& source, const std::string& target) {
        const DurableResult r = CopyLinkDurably(source, target, true);
        if (!r)
            return failFile(failureText(source, target, r));
        ++filesCopied;
        if (isMove)
            movedFiles.push_back(source);
        return true;
    }

    // Copies one item (file, link or folder tree) to `target`, asking before
    // replacing. Returns false to stop the whole operation.
    bool copyItem(const std::string& source, const std::string& target) {
        std::vector<std::pair<std::string, std::string>> pending{{source, target}};
        while (!pending.empty()) {
            auto [from, to] = std::move(pending.back());
            pending.pop_back();
            struct stat st;
            if (::lstat(from.c_str(), &st) != 0) {
                if (!failFile(QStringLiteral("「%1」が見つかりません。").arg(displayPath(from))))
                    return false;
                continue;
            }
            const bool fromIsDir = S_ISDIR(st.st_mode);
            struct stat existing;
            if (::lstat(to.c_str(), &existing) == 0) {
                if (fromIsDir != S_ISDIR(existing.st_mode))
                    return fail(QStringLiteral("「%1」は種類が異なるため置き換えられません。")
                                    .arg(displayPath(to)));
                const int answer = conflict(to, from);
                if (answer < 0)
                    return false;
                if (answer == 0)
                    continue;
            }
            if (S_ISLNK(st.st_mode)) {
                if (!copyLink(from, to))
                    return false;
            } else if (fromIsDir) {
                const DurableResult made = MakeFolderDurably(to, (st.st_mode & 07777) | 0700);
                if (!made) {
                    if (!failFile(QStringLiteral("フォルダ「%1」を作成できません。\n%2")
                                      .arg(displayPath(to),
                                           QString::fromStdString(DurableErrorText(made.error)))))
                        return false;
                    continue;
                }
                ::chmod(to.c_str(), (st.st_mode & 07777) | 0700);
                if (isMove)
                    movedFolders.push_back(from);
                std::vector<std::string> names = folderEntries(from);
                for (auto it = names.rbegin(); it != names.rend(); ++it)
                    pending.emplace_back(joinNative(from, *it), joinNative(to, *it));
            } else if (S_ISREG(st.st_mode)) {
                if (!copyFile(from, to))
                    return false;
            }
            // Sockets, pipes and devices are not copied.
        }
        return true;
    }

    // After a move by copying, once every copy and its folder are on the
    // disk: remove what was copied, then sync the folders that lost names;
    // folders go only when empty (a skipped file keeps its folder).
    void removeMovedSources() {
        std::vector<std::string> touched;
        auto note = [&](const std::string& folder) {
            if (std::find(touched.begin(), touched.end(), folder) == touched.end())
                touched.push_back(folder);
        };
        for (const std::string& file : movedFiles) {
            if (::unlink(file.c_str()) != 0) {
                if (firstRemoveError.isEmpty())
                    firstRemoveError = QStringLiteral("「%1」を移動元から削除できません。\n%2")
                                           .arg(displayPath(file),
                                                QString::fromStdString(DurableErrorText(errno)));
                continue; // still at its source: copied, not moved
            }
            ++filesMoved;
            note(FolderOfPath(file));
        }
        for (auto it = movedFolders.rbegin(); it != movedFolders.rend(); ++it)
            if (::rmdir(it->c_str()) == 0)
                note(FolderOfPath(*it));
        for (const std::string& folder : touched)
            SyncFolder(folder);
        movedFiles.clear();
        movedFolders.clear();
    }
};

FileOperationResult CShellFileOperation::copy(const QStringList& sources,
                                              const QString& destinationFolder) {
    return transfer(sources, destinationFolder, false);
}

FileOperationResult CShellFileOperation::move(const QStringList& sources,
                                              const QString& destinationFolder) {
    return transfer(sources, destinationFolder, true);
}

FileOperationResult CShellFileOperation::transfer(const QStringList& sources,
                                                  const QString& destinationFolder, bool isMove) {
    FileOperationResult result;
    const QString destination = QDir::cleanPath(destinationFolder);
    if (destination.isEmpty() || !QFileInfo(destination).isDir()) {
        ui_.reportError(QStringLiteral("フォルダ「%1」が見つかりません。").arg(destinationFolder));
        return result;
    }
    Run run{ui_, isMove};

    TreeTotals totals;
    for (const QString& source : sources)
        addTreeTotals(nativePath(QDir::cleanPath(source)), totals);
    ui_.beginProgress(isMove ? QStringLiteral("移動しています...")
                             : QStringLiteral("コピーしています..."),
                      totals.bytes);

    int untouched = 0; // files of sources that needed no work (a move into their own folder)
    for (const QString& rawSource : sources) {
        const QString source = QDir::cleanPath(rawSource);
        const std::string from = nativePath(source);
        const QFileInfo info(source);
        if (!lexists(source)) {
            run.fail(QStringLiteral("「%1」が見つかりません。").arg(source));
            break;
        }
        const QString name = info.fileName();
        const bool sameFolder = QFileInfo(info.absolutePath()).canonicalFilePath() ==
                                QFileInfo(destination).canonicalFilePath();
        if (isMove && sameFolder) {
            TreeTotals own;
            addTreeTotals(from, own);
            untouched += own.files;
            result.targets.append(source);
            continue;
        }
        const bool isDir = info.isDir() && !info.isSymLink();
        if (isDir && isInside(destination, source)) {
            run.fail(
                QStringLiteral("「%1」をそれ自身の中にコピーすることはできません。").arg(name));
            break;
        }
        const QString target =
            joinPath(destination, sameFolder ? copyNameInSameFolder(destination, name) : name);
        const std::string to = nativePath(target);

        // Same file system, nothing in the way: one rename moves it all, and
        // both folders are synced.
        if (isMove && !lexists(target) && renameNoReplace(source, target)) {
            SyncFolder(FolderOfPath(to));
            SyncFolder(FolderOfPath(from));
            TreeTotals moved;
            addTreeTotals(to, moved);
            run.done += moved.bytes;
            run.filesMoved += moved.files;
            run.ui.progress(run.done, source);
            result.targets.append(target);
            continue;
        }
        run.skipped = false;
        const bool goOn = run.copyItem(from, to);
        if (lexists(target))
            result.targets.append(target);
        // A move's sources go only when their whole item was copied: a
        // failure or cancel part-way leaves all of this item's sources.
        if (!goOn)
            break;
        if (isMove)
            run.removeMovedSources();
        if (run.skipped || run.errorSkipped)
            result.aborted = true;
    }
    ui_.endProgress();
    if (!run.firstRemoveError.isEmpty())
        ui_.reportError(run.firstRemoveError);
    result.succeeded = !run.failed;
    if (run.cancelled)
        result.aborted = true;
    // After a failure, a cancel or skipped errors: what was done and what
    // was not.
    if (run.failed || run.cancelled || run.errorSkipped || !run.firstRemoveError.isEmpty()) {
        const int done = isMove ? run.filesMoved : run.filesCopied;
        const int left = std::max(0, totals.files - untouched - done);
        ui_.reportOutcome(isMove
                              ? QStringLiteral("%1 個のファイルを移動しました。\n%2 "
                                               "個のファイルは移動されず、元の場所に残っています。")
                                    .arg(done)
                                    .arg(left)
                              : QStringLiteral("%1 個のファイルをコピーしました。\n%2 "
                                               "個のファイルはコピーされませんでした。")
                                    .arg(done)
                                    .arg(left));
    }
    return result;
}

} // namespace lumora
