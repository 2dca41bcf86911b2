// libFuzzer entry for the desktop's shared thumbnail cache: the bytes are
// the cache entry of one file (as another program may have written it),
// looked up for both sizes and as a failure record.
#include "FuzzCacheSource.h"
#include "FuzzInput.h"

#include "imaging/ThumbnailCache.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

void writeEntry(const QString& path, const std::uint8_t* data, std::size_t size) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumora;
    if (fuzz::TooLong(size))
        return 0;
    static QTemporaryDir root(QDir::tempPath() + QStringLiteral("/lumora-fuzz-cache-XXXXXX"));
    static const CThumbnailCache cache(root.path());
    static const CacheSource source = fuzz::CacheSourceOfInput();
    static const QByteArray uri = CThumbnailCache::UriForPath(source.path);
    static const bool made = [] {
        const QString folders[] = {
            QFileInfo(cache.EntryPath(CThumbnailCache::Flavor::Large, uri)).absolutePath(),
            QFileInfo(cache.FailPath(uri)).absolutePath()};
        for (const QString& folder : folders)
            QDir().mkpath(folder);
        return true;
    }();
    (void)made;

    // The large entry serves both lookups (a normal one falls back on it).
    writeEntry(cache.EntryPath(CThumbnailCache::Flavor::Large, uri), data, size);
    QSize picture;
    (void)cache.Lookup(source, CThumbnailCache::Flavor::Normal, &picture);
    (void)cache.Lookup(source, CThumbnailCache::Flavor::Large, &picture);
    writeEntry(cache.FailPath(uri), data, size);
    (void)cache.HasFailure(source);
    return 0;
}
