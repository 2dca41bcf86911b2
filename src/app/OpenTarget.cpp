#include "app/OpenTarget.h"

#include "imaging/ImageKind.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumora {

namespace {

constexpr char kListMagic[] = "Lumora WorkSheetFile";

// True when the regular file at `path` starts with the worksheet list's magic
// line. Opened non-blocking and checked with fstat first, so a FIFO or a
// device named like a file never stalls the start.
bool startsWithListMagic(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat st {};
    bool match = false;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        char head[sizeof kListMagic - 1] = {};
        ssize_t got = 0;
        while (got < static_cast<ssize_t>(sizeof head)) {
            const ssize_t n = ::read(fd, head + got, sizeof head - got);
            if (n <= 0)
                break;
            got += n;
        }
        match = got == static_cast<ssize_t>(sizeof head) &&
                std::memcmp(head, kListMagic, sizeof head) == 0;
    }
    ::close(fd);
    return match;
}

bool hasImageExtension(const QString& path) {
    const QByteArray name = QFileInfo(path).fileName().toUtf8();
    return kindFromExtension(std::string_view(name.constData(), size_t(name.size()))) !=
           ImageKind::Unknown;
}

} // namespace

OpenTarget classifyOpenTarget(const QString& path) {
    const QFileInfo info(path);
    if (info.isDir())
        return OpenTarget::Folder;
    if (info.suffix().compare(QLatin1String("lsl"), Qt::CaseInsensitive) == 0)
        return OpenTarget::WorkSheetList;
    if (startsWithListMagic(path))
        return OpenTarget::WorkSheetList;
    if (info.exists() && hasImageExtension(path))
        return OpenTarget::Image;
    return OpenTarget::WorkSheetList;
}

} // namespace lumora
