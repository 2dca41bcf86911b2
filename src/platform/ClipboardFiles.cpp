#include "platform/ClipboardFiles.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QList>
#include <QUrl>

namespace lumora {

namespace {

QList<QUrl> localUrls(const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& path : paths) {
        if (!path.startsWith(QLatin1Char('/')))
            continue;
        urls.append(QUrl::fromLocalFile(path));
    }
    return urls;
}

// Only absolute paths of this machine: "file:name" would name a file in
// whatever folder the program runs in, and "file://host/a" a file of
// another machine (read here as "//host/a", which is "/host/a"). A path is
// taken in its clean form: "file:////a//b" names /a/b, and written back as
// it stood it would come back as a file of a machine named "a".
QStringList localPaths(const QList<QUrl>& urls) {
    QStringList paths;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        const QString host = url.host();
        if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0)
            continue;
        QUrl here = url;
        here.setHost(QString());
        const QString path = here.toLocalFile();
        // Not QDir::isAbsolutePath, which also takes ":name" (a resource
        // inside the program) for absolute.
        if (path.startsWith(QLatin1Char('/')))
            paths.append(QDir::cleanPath(path));
    }
    return paths;
}

// "copy\nfile:///a\nfile:///b" (some writers end with a newline or use CRLF).
std::optional<ClipboardFileList> readGnomeList(const QByteArray& bytes) {
    QList<QByteArray> lines = bytes.split('\n');
    for (QByteArray& line : lines)
        line = line.trimmed();
    if (lines.isEmpty())
        return std::nullopt;
    ClipboardFileList list;
    const QByteArray verb = lines.front().toLower();
    if (verb == "copy")
        list.dropEffect = DROPEFFECT_COPY;
    else if (verb == "cut")
        list.dropEffect = DROPEFFECT_MOVE;
    QList<QUrl> urls;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        urls.append(QUrl::fromEncoded(lines[i], QUrl::StrictMode));
    }
    list.paths = localPaths(urls);
    if (list.paths.isEmpty())
        return std::nullopt;
    return list;
}

} // namespace

void writeFileList(QMimeData& data, const QStringList& paths, std::uint32_t dropEffect) {
    const QList<QUrl> urls = localUrls(paths);
    data.setUrls(urls);

    QByteArray gnome = dropEffect == DROPEFFECT_MOVE ? "cut" : "copy";
    QStringList plain;
    for (const QUrl& url : urls) {
        gnome += '\n';
        gnome += url.toEncoded();
        plain.append(url.toLocalFile());
    }
    data.setData(kGnomeCopiedFilesMime, gnome);
    data.setData(kKdeCutSelectionMime, dropEffect == DROPEFFECT_MOVE ? "1" : "0");
    data.setText(plain.join(QLatin1Char('\n')));
}

std::unique_ptr<QMimeData> makeFileListMimeData(const QStringList& paths,
                                                std::uint32_t dropEffect) {
    auto data = std::make_unique<QMimeData>();
    writeFileList(*data, paths, dropEffect);
    return data;
}

bool hasFileList(const QMimeData& data) {
    return readFileList(data).has_value();
}

std::optional<ClipboardFileList> readFileList(const QMimeData& data) {
    if (data.hasFormat(kGnomeCopiedFilesMime)) {
        if (auto list = readGnomeList(data.data(kGnomeCopiedFilesMime)))
            return list;
    }
    if (!data.hasUrls())
        return std::nullopt;
    ClipboardFileList list;
    list.paths = localPaths(data.urls());
    if (list.paths.isEmpty())
        return std::nullopt;
    list.dropEffect = DROPEFFECT_COPY;
    if (data.hasFormat(kKdeCutSelectionMime) && data.data(kKdeCutSelectionMime).trimmed() == "1")
        list.dropEffect = DROPEFFECT_MOVE;
    return list;
}

bool putFilesOnClipboard(const QStringList& paths, std::uint32_t dropEffect) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return false;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    auto data = makeFileListMimeData(paths, dropEffect);
    if (!data->hasUrls() || data->urls().isEmpty())
        return false;
    clipboard->setMimeData(data.release()); // the clipboard owns it
    return true;
}

std::optional<ClipboardFileList> filesFromClipboard() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return std::nullopt;
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    if (!data)
        return std::nullopt;
    return readFileList(*data);
}

void clearClipboardIfCut(const QStringList& paths) {
    auto current = filesFromClipboard();
    if (current && current->dropEffect == DROPEFFECT_MOVE && current->paths == paths)
        QGuiApplication::clipboard()->clear();
}

} // namespace lumora
