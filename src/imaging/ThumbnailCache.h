// The desktop's shared thumbnail cache (the freedesktop layout that file
// managers and image programs on Linux share):
//
//   $XDG_CACHE_HOME/thumbnails (else ~/.cache/thumbnails)
//     normal/<md5 of the file's URI>.png   at most 128 x 128
//     large/<md5>.png                      at most 256 x 256
//     fail/lumora-<version>/<md5>.png      files this program could not decode
//
// Each PNG carries the text keys Thumb::URI and Thumb::MTime (plus
// Thumb::Size and Software when we write it). A cached thumbnail is used only
// when both keys match the file as it is now; anything else in the cache
// (damaged, foreign, stale, unreadable) is ignored. Writes go to a temporary
// name in the same folder and are renamed into place, folders are made 0700
// and files 0600, and every failure only costs speed: nothing here throws or
// reports to the user.
//
// Thread-safety: CThumbnailCache holds only its root path and is immutable
// after construction, so every member may be called from any thread at once
// (the engine's worker and its decode pool do). Concurrent writers of the
// same entry race harmlessly: each renames a complete file into place.
// Never call Store() on the GUI thread: it encodes a PNG and writes a file.
#pragma once

#include <QImage>
#include <QString>

#include <cstdint>
#include <optional>

namespace lumora {

// What the cache needs to know of a source file: its absolute path, its
// modification time in whole seconds and its size in bytes.
struct CacheSource {
    QString path;
    int64_t mtime = 0;
    int64_t size = 0;
};

// The file as it is now, from one stat; nullopt when it is not a regular file.
std::optional<CacheSource> CacheSourceForFile(const QString& absolutePath);

class CThumbnailCache {
public:
    enum class Flavor { Normal, Large }; // 128 and 256 pixels

    // The cache under `root` (a "thumbnails" folder). The default is the
    // user's cache: $XDG_CACHE_HOME/thumbnails, else $HOME/.cache/thumbnails.
    explicit CThumbnailCache(QString root = DefaultRoot());

    static QString DefaultRoot();
    static int FlavorSize(Flavor flavor) { return flavor == Flavor::Large ? 256 : 128; }
    // The smallest flavour whose thumbnails fill a box of boxW x boxH.
    static Flavor FlavorFor(int boxW, int boxH);

    // The file's URI as the cache names it: "file://" and the absolute path
    // with every byte outside the unreserved characters and !$&'()*+,;=:@/
    // written as %XX (upper-case hex) of its UTF-8 form.
    static QByteArray UriForPath(const QString& absolutePath);
    // Lower-case hex MD5 of the URI plus ".png".
    static QString EntryName(const QByteArray& uri);

    const QString& root() const { return root_; }
    QString EntryPath(Flavor flavor, const QByteArray& uri) const;
    QString FailPath(const QByteArray& uri) const;

    // A fresh thumbnail of `source` in `flavor`, or a null image. A Normal
    // request also accepts a fresh Large entry (scaled down on the way).
    QImage Lookup(const CacheSource& source, Flavor flavor) const;

    // Writes `image` (scaled down to the flavour's size if larger; never
    // enlarged) as the entry of `source`. Returns false when it could not.
    bool Store(const CacheSource& source, Flavor flavor, const QImage& image) const;

    // Records that this program could not make a thumbnail of `source`, and
    // asks whether a record for the file as it is now exists.
    bool StoreFailure(const CacheSource& source) const;
    bool HasFailure(const CacheSource& source) const;

private:
    QString root_;
};

} // namespace lumora
