#include "platform/PathNames.h"

#include <QFile>
#include <QUrl>

#include <sys/stat.h>

namespace lumora {

QString joinPath(const QString& folder, const QString& name) {
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

QString expandUserPath(const QString& text, const QString& home) {
    QString path = text.trimmed();
    if (path.startsWith(QLatin1String("file:"))) {
        const QUrl url(path);
        if (url.isLocalFile())
            path = url.toLocalFile();
    }
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        path = home + path.mid(1);
    return path;
}

bool lexists(const QString& path) {
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

} // namespace lumora
