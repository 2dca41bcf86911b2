#include "platform/ShellNamespace.h"

#include "platform/MountTable.h"
#include "platform/PathNames.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace lumora {

namespace {

const QString kDesktopName = QStringLiteral("デスクトップ");
const QString kComputerName = QStringLiteral("コンピュータ");

bool isStrictlyUnder(const QString& path, const QString& base) {
    if (base == QLatin1String("/"))
        return path.size() > 1 && path.startsWith(QLatin1Char('/'));
    return path.size() > base.size() && path.startsWith(base) && path[base.size()] == '/';
}

bool isUnderOrEqual(const QString& path, const QString& base) {
    return path == base || isStrictlyUnder(path, base);
}

QString cleaned(const QString& path) {
    return path.isEmpty() ? path : QDir::cleanPath(path);
}

// Sorted by name without regard to case, ties broken by case.
bool nameLess(const ShellItem& a, const ShellItem& b) {
    const int c = a.displayName.compare(b.displayName, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a.displayName < b.displayName;
}

} // namespace

ShellNamespaceConfig CShellNamespace::defaultConfig() {
    ShellNamespaceConfig config;
    config.homePath = QDir::homePath();
    config.desktopPath = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (config.desktopPath.isEmpty())
        config.desktopPath = joinPath(config.homePath, QStringLiteral("Desktop"));
    return config;
}

CShellNamespace::CShellNamespace(ShellNamespaceConfig config) : config_(std::move(config)) {
    config_.homePath = cleaned(config_.homePath);
    config_.desktopPath = cleaned(config_.desktopPath);
}

bool CShellNamespace::desktopHasOwnFolders() const {
    return !config_.desktopPath.isEmpty() && config_.desktopPath != config_.homePath &&
           QFileInfo(config_.desktopPath).isDir();
}

ShellItem CShellNamespace::root() const {
    ShellItem item;
    item.kind = ShellItemKind::Desktop;
    item.relativeId = QString::fromLatin1(kDesktopKey);
    if (QFileInfo(config_.desktopPath).isDir())
        item.path = config_.desktopPath;
    item.displayName = kDesktopName;
    item.iconIndex = kIconDesktop;
    item.hasSubfolders = true;
    item.isFileSystemAncestor = true;
    return item;
}

ShellItem CShellNamespace::computer() const {
    ShellItem item;
    item.kind = ShellItemKind::Computer;
    item.relativeId = QString::fromLatin1(kComputerKey);
    item.displayName = kComputerName;
    item.iconIndex = kIconComputer;
    item.hasSubfolders = true;
    item.isFileSystemAncestor = true;
    return item;
}

ShellItem CShellNamespace::home() const {
    ShellItem item = makeFolder(config_.homePath, config_.homePath, sharedPaths());
    item.kind = ShellItemKind::Home;
    item.iconIndex = kIconHome;
    return item;
}

QStringList CShellNamespace::sharedPaths() const {
    QStringList paths;
    QDir dir(config_.userSharesPath);
    if (config_.userSharesPath.isEmpty() || !dir.exists())
        return paths;
    const QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot);
    for (const QFileInfo& info : files) {
        if (info.size() > 64 * 1024)
            continue;
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QByteArray trimmed = line.trimmed();
            if (trimmed.startsWith("path="))
                paths.append(cleaned(QString::fromUtf8(trimmed.mid(5))));
        }
    }
    return paths;
}

ShellItem CShellNamespace::makeFolder(const QString& path, const QString& relativeId,
                                      const QStringList& shares) const {
    const QFileInfo info(path);
    ShellItem item;
    item.kind = ShellItemKind::Folder;
    item.relativeId = relativeId;
    item.path = path;
    item.displayName = path == QLatin1String("/") ? path : info.fileName();
    item.iconIndex = kIconFolder;
    item.isFileSystemAncestor = info.isDir();
    item.isLink = info.isSymLink() && item.isFileSystemAncestor;
    item.isGhosted = item.displayName.startsWith(QLatin1Char('.'));
    item.isShared = shares.contains(path);
    item.hasSubfolders = item.isFileSystemAncestor && folderHasSubfolders(path);
    return item;
}

ShellItem CShellNamespace::makeVolume(const QString& mountPoint, const QStringList& shares) const {
    ShellItem item = makeFolder(mountPoint, mountPoint, shares);
    item.kind = ShellItemKind::Volume;
    item.displayName = mountPoint;
    item.iconIndex = mountPoint == QLatin1String("/") ? kIconRootDrive : kIconDrive;
    item.isLink = false;
    item.isGhosted = false;
    return item;
}

QStringList CShellNamespace::volumes() const {
    QByteArray text;
    QFile file(config_.mountInfoPath);
    // The kernel's file reports size 0; read until the end.
    if (file.open(QIODevice::ReadOnly))
        text = file.read(4 * 1024 * 1024);
    QStringList result;
    for (const QString& point : browsableVolumes(parseMountInfo(text))) {
        if (QFileInfo(point).isDir())
            result.append(point);
    }
    return result;
}

std::vector<ShellItem> CShellNamespace::children(const ShellItem& folder) const {
    std::vector<ShellItem> items;
    const QStringList shares = sharedPaths();
    switch (folder.kind) {
    case ShellItemKind::Desktop: {
        if (QFileInfo(config_.homePath).isDir())
            items.push_back(home());
        items.push_back(computer());
        if (desktopHasOwnFolders()) {
            std::vector<ShellItem> onDesktop;
            const QFileInfoList entries =
                QDir(config_.desktopPath).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
            for (const QFileInfo& entry : entries)
                onDesktop.push_back(makeFolder(entry.filePath(), entry.filePath(), shares));
            std::sort(onDesktop.begin(), onDesktop.end(), nameLess);
            items.insert(items.end(), onDesktop.begin(), onDesktop.end());
        }
        break;
    }
    case ShellItemKind::Computer:
        for (const QString& point : volumes())
            items.push_back(makeVolume(point, shares));
        break;
    case ShellItemKind::Volume:
    case ShellItemKind::Home:
    case ShellItemKind::Folder: {
        if (folder.path.isEmpty())
            break;
        QDirIterator it(folder.path, QDir::Dirs | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            it.next();
            items.push_back(makeFolder(it.filePath(), it.fileName(), shares));
        }
        break;
    }
    }
    return items;
}

std::optional<ShellItem> CShellNamespace::folderItem(const QString& path) const {
    const QString clean = cleaned(path);
    if (clean.isEmpty() || !QFileInfo(clean).isDir())
        return std::nullopt;
    return makeFolder(clean, QFileInfo(clean).fileName(), sharedPaths());
}

std::optional<std::vector<ShellItem>> CShellNamespace::parse(const QString& text) const {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    if (trimmed == QLatin1String(kDesktopKey) || trimmed == kDesktopName)
        return std::vector<ShellItem>{root()};
    if (trimmed == QLatin1String(kComputerKey) || trimmed == kComputerName)
        return std::vector<ShellItem>{root(), computer()};
    // "~", "~/..." and local file: URLs; anything else must be absolute.
    QString target = expandUserPath(trimmed, config_.homePath);
    if (!target.startsWith(QLatin1Char('/')))
        return std::nullopt;
    target = QDir::cleanPath(target);

    // Resolve each component, exact case first.
    QString resolved = QStringLiteral("/");
    for (const QString& part : target.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        QString next = joinPath(resolved, part);
        if (!QFileInfo(next).isDir()) {
            const QStringList names = QDir(resolved).entryList(
                QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
            auto found = std::find_if(names.begin(), names.end(), [&](const QString& name) {
                return name.compare(part, Qt::CaseInsensitive) == 0;
            });
            if (found == names.end())
                return std::nullopt;
            next = joinPath(resolved, *found);
        }
        resolved = next;
    }

    const QStringList shares = sharedPaths();
    std::vector<ShellItem> chain{root()};
    auto appendBelow = [&](const QString& base) {
        QString current = base;
        const QString rest = resolved.mid(base.size());
        for (const QString& part : rest.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
            current = joinPath(current, part);
            chain.push_back(makeFolder(current, part, shares));
        }
    };

    const QString& desktop = config_.desktopPath;
    const QString& homePath = config_.homePath;
    if (desktopHasOwnFolders() && resolved == desktop)
        return chain;
    if (desktopHasOwnFolders() && isStrictlyUnder(resolved, desktop)) {
        const QString first =
            joinPath(desktop, resolved.mid(desktop.size() + 1).section(QLatin1Char('/'), 0, 0));
        chain.push_back(makeFolder(first, first, shares));
        appendBelow(first);
        return chain;
    }
    if (!homePath.isEmpty() && homePath != QLatin1String("/") &&
        isUnderOrEqual(resolved, homePath) && QFileInfo(homePath).isDir()) {
        chain.push_back(home());
        appendBelow(homePath);
        return chain;
    }
    chain.push_back(computer());
    QString volume = QStringLiteral("/");
    for (const QString& point : volumes()) {
        if (isUnderOrEqual(resolved, point) && point.size() > volume.size())
            volume = point;
    }
    chain.push_back(makeVolume(volume, shares));
    appendBelow(volume);
    return chain;
}

bool folderHasSubfolders(const QString& path) {
    QDirIterator it(path, QDir::Dirs | QDir::NoDotAndDotDot);
    return it.hasNext();
}

} // namespace lumora
