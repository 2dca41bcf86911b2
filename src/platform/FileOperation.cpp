#include "platform/FileOperation.h"

#include "platform/PathNames.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QUrl>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>
#include <vector>

namespace lumora {

namespace {

constexpr qint64 kChunk = 1024 * 1024;

bool isRealDir(const QString& path) {
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

void copyTimes(const QString& source, const QString& target) {
    struct stat st;
    if (::lstat(QFile::encodeName(source).constData(), &st) != 0)
        return;
    const decltype(st.st_atim) times[2] = {st.st_atim, st.st_mtim};
    ::utimensat(AT_FDCWD, QFile::encodeName(target).constData(), times, AT_SYMLINK_NOFOLLOW);
}

bool isInside(const QString& path, const QString& folder) {
    const QString a = QFileInfo(path).canonicalFilePath();
    const QString b = QFileInfo(folder).canonicalFilePath();
    if (a.isEmpty() || b.isEmpty())
        return false;
    return a == b || a.startsWith(b == QLatin1String("/") ? b : b + QLatin1Char('/'));
}

std::int64_t treeBytes(const QString& path) {
    std::int64_t total = 0;
    std::vector<QString> pending{path};
    while (!pending.empty()) {
        const QString current = std::move(pending.back());
        pending.pop_back();
        const QFileInfo info(current);
        if (info.isSymLink())
            continue;
        if (info.isDir()) {
            const QFileInfoList entries = QDir(current).entryInfoList(
                QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
            for (const QFileInfo& entry : entries)
                pending.push_back(entry.filePath());
        } else if (info.isFile()) {
            total += info.size();
        }
    }
    return total;
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
    const QByteArray record =
        "[Trash Info]\nPath=" + QUrl::toPercentEncoding(recordedPath, "/") +
        "\nDeletionDate=" + QDateTime::currentDateTime().toString(Qt::ISODate).toUtf8() + "\n";
    const bool written = ::write(fd, record.constData(), static_cast<size_t>(record.size())) ==
                         static_cast<ssize_t>(record.size());
    ::close(fd);
    const QByteArray target = QFile::encodeName(trash + QStringLiteral("/files/") + candidate);
    if (!written || ::renameat2(AT_FDCWD, QFile::encodeName(path).constData(), AT_FDCWD,
                                target.constData(), RENAME_NOREPLACE) != 0) {
        ::unlink(QFile::encodeName(info).constData());
        return false;
    }
    return true;
}

bool renameNoReplace(const QString& from, const QString& to) {
    const QByteArray f = QFile::encodeName(from);
    const QByteArray t = QFile::encodeName(to);
    struct stat a, b;
    // A change of case only, on a file system that ignores case: same entry.
    if (::lstat(f.constData(), &a) == 0 && ::lstat(t.constData(), &b) == 0 &&
        a.st_dev == b.st_dev && a.st_ino == b.st_ino && from != to)
        return ::rename(f.constData(), t.constData()) == 0;
    if (::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // The file system cannot rename without replacing: check, then rename.
    if (::lstat(t.constData(), &b) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(f.constData(), t.constData()) == 0;
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
            removed = ::unlink(QFile::encodeName(path).constData()) == 0;
        if (!removed) {
            ui_.reportError(QStringLiteral("「%1」を削除できません。").arg(path));
            result.succeeded = false;
            return result;
        }
    }
    return result;
}

// State of one copy or move.
struct CShellFileOperation::Run {
    Run(IFileOperationUi& u, bool move) : ui(u), isMove(move) {}

    IFileOperationUi& ui;
    bool isMove = false;
    bool replaceAll = false;
    bool cancelled = false;
    bool failed = false;
    bool skipped = false; // some item was not replaced on the user's answer
    std::int64_t done = 0;
    QByteArray buffer;

    // Items to remove after a move by copying, in creation order.
    std::vector<QString> movedFiles;
    std::vector<QString> movedFolders;

    bool fail(const QString& message) {
        ui.reportError(message);
        failed = true;
        return false;
    }

    // 1 replace, 0 skip, -1 cancel.
    int conflict(const QString& target, const QString& source) {
        if (replaceAll)
            return 1;
        switch (ui.askReplace(target, source)) {
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

    bool copyFile(const QString& source, const QString& target) {
        QFile in(source);
        if (!in.open(QIODevice::ReadOnly))
            return fail(
                QStringLiteral("「%1」をコピーできません。\n%2").arg(source, in.errorString()));
        // Written under a hidden temporary name beside the target and renamed
        // over it only when complete.
        QTemporaryFile out(QFileInfo(target).absolutePath() +
                           QStringLiteral("/.lumora-copy-XXXXXX"));
        if (!out.open())
            return fail(
                QStringLiteral("「%1」を作成できません。\n%2").arg(target, out.errorString()));
        if (buffer.size() != kChunk)
            buffer.resize(kChunk);
        for (;;) {
            const qint64 n = in.read(buffer.data(), kChunk);
            if (n < 0)
                return fail(
                    QStringLiteral("「%1」を読み込めません。\n%2").arg(source, in.errorString()));
            if (n == 0)
                break;
            if (out.write(buffer.constData(), n) != n)
                return fail(
                    QStringLiteral("「%1」に書き込めません。\n%2").arg(target, out.errorString()));
            done += n;
            if (!ui.progress(done, source)) {
                cancelled = true;
                return false;
            }
        }
        if (!ui.progress(done, source)) {
            cancelled = true;
            return false;
        }
        if (!out.flush())
            return fail(
                QStringLiteral("「%1」に書き込めません。\n%2").arg(target, out.errorString()));
        out.close();
        const QString temp = out.fileName();
        QFile::setPermissions(temp, in.permissions());
        copyTimes(source, temp);
        if (::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) !=
            0)
            return fail(
                QStringLiteral("「%1」に書き込めません。\n%2").arg(target, systemError(errno)));
        out.setAutoRemove(false);
        if (isMove)
            movedFiles.push_back(source);
        return true;
    }

    bool copyLink(const QString& source, const QString& target) {
        std::vector<char> link(4096);
        const QByteArray s = QFile::encodeName(source);
        const ssize_t n = ::readlink(s.constData(), link.data(), link.size() - 1);
        if (n < 0)
            return fail(
                QStringLiteral("「%1」をコピーできません。\n%2").arg(source, systemError(errno)));
        link[static_cast<size_t>(n)] = '\0';
        // Made under a temporary name and renamed over the target, so an
        // existing target is replaced in one step.
        const QString temp = target + QStringLiteral(".lumora-link");
        const QByteArray t = QFile::encodeName(temp);
        ::unlink(t.constData());
        if (::symlink(link.data(), t.constData()) != 0 ||
            ::rename(t.constData(), QFile::encodeName(target).constData()) != 0) {
            const int error = errno;
            ::unlink(t.constData());
            return fail(
                QStringLiteral("「%1」を作成できません。\n%2").arg(target, systemError(error)));
        }
        if (isMove)
            movedFiles.push_back(source);
        return true;
    }

    // Copies one item (file, link or folder tree) to `target`, asking before
    // replacing. Returns false to stop the whole operation.
    bool copyItem(const QString& source, const QString& target) {
        std::vector<std::pair<QString, QString>> pending{{source, target}};
        while (!pending.empty()) {
            auto [from, to] = std::move(pending.back());
            pending.pop_back();
            const QFileInfo info(from);
            const bool fromIsDir = info.isDir() && !info.isSymLink();
            if (lexists(to)) {
                if (fromIsDir != isRealDir(to))
                    return fail(
                        QStringLiteral("「%1」は種類が異なるため置き換えられません。").arg(to));
                const int answer = conflict(to, from);
                if (answer < 0)
                    return false;
                if (answer == 0)
                    continue;
            }
            if (info.isSymLink()) {
                if (!copyLink(from, to))
                    return false;
            } else if (fromIsDir) {
                if (!isRealDir(to) && !QDir().mkdir(to))
                    return fail(QStringLiteral("フォルダ「%1」を作成できません。").arg(to));
                QFile::setPermissions(to, info.permissions() | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner | QFileDevice::ReadOwner);
                if (isMove)
                    movedFolders.push_back(from);
                const QFileInfoList entries = QDir(from).entryInfoList(
                    QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDir::Name | QDir::Reversed);
                for (const QFileInfo& entry : entries)
                    pending.emplace_back(entry.filePath(), joinPath(to, entry.fileName()));
            } else if (info.isFile()) {
                if (!copyFile(from, to))
                    return false;
            }
            // Sockets, pipes and devices are not copied.
        }
        return true;
    }

    // After a move by copying: remove what was copied; folders only when
    // empty (a skipped file keeps its folder).
    void removeMovedSources() {
        for (const QString& file : movedFiles)
            ::unlink(QFile::encodeName(file).constData());
        for (auto it = movedFolders.rbegin(); it != movedFolders.rend(); ++it)
            ::rmdir(QFile::encodeName(*it).constData());
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

    std::int64_t total = 0;
    for (const QString& source : sources)
        total += treeBytes(source);
    ui_.beginProgress(isMove ? QStringLiteral("移動しています...")
                             : QStringLiteral("コピーしています..."),
                      total);

    for (const QString& rawSource : sources) {
        const QString source = QDir::cleanPath(rawSource);
        const QFileInfo info(source);
        if (!lexists(source)) {
            run.fail(QStringLiteral("「%1」が見つかりません。").arg(source));
            break;
        }
        const QString name = info.fileName();
        const bool sameFolder = QFileInfo(info.absolutePath()).canonicalFilePath() ==
                                QFileInfo(destination).canonicalFilePath();
        if (isMove && sameFolder) {
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

        // Same file system, nothing in the way: one rename moves it all.
        if (isMove && !lexists(target) && renameNoReplace(source, target)) {
            run.done += treeBytes(target);
            run.ui.progress(run.done, source);
            result.targets.append(target);
            continue;
        }
        run.skipped = false;
        if (!run.copyItem(source, target))
            break;
        if (lexists(target))
            result.targets.append(target);
        if (isMove)
            run.removeMovedSources();
        if (run.skipped)
            result.aborted = true;
    }
    ui_.endProgress();
    result.succeeded = !run.failed;
    if (run.cancelled)
        result.aborted = true;
    return result;
}

} // namespace lumora
