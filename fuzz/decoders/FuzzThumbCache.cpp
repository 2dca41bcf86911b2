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

#include <cstring>

namespace {

void writeEntry(const QString& path, const std::uint8_t* data, std::size_t size) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
}

// Width times height an entry's header declares, when it has one where the
// PNG library looks for it; 0 otherwise.
std::uint64_t declaredPixels(const std::uint8_t* data, std::size_t size) {
    if (size < 24 || std::memcmp(data + 12, "IHDR", 4) != 0)
        return 0;
    const auto be32 = [](const std::uint8_t* p) {
        return std::uint64_t(p[0]) << 24 | std::uint64_t(p[1]) << 16 | std::uint64_t(p[2]) << 8 |
               p[3];
    };
    return be32(data + 16) * be32(data + 20);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumora;
    if (fuzz::TooLong(size))
        return 0;
    // Entries are at most 256 x 256; what a mutated header claims beyond the
    // normal size only costs page faults for pixels that are never there
    // (the reader's own bound is tested beside the cache).
    if (declaredPixels(data, size) > 128 * 128)
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
