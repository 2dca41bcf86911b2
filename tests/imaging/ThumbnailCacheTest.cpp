// The shared thumbnail cache: names, freshness, foreign and damaged entries,
// permissions, failure records, and a cache that cannot be written.
#include "imaging/ThumbnailCache.h"

#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <QBuffer>

#include <sys/stat.h>
#include <utime.h>

using lumora::CacheSource;
using lumora::CacheSourceForFile;
using lumora::CThumbnailCache;
using Flavor = CThumbnailCache::Flavor;

namespace {

QImage picture(int w, int h, QColor c = QColor(200, 40, 20)) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(c);
    return image;
}

QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}

int modeOf(const QString& path) {
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
    return st.st_mode & 07777;
}

void setMtime(const QString& path, time_t when) {
    struct utimbuf times {
        when, when
    };
    ASSERT_EQ(::utime(QFile::encodeName(path).constData(), &times), 0);
}

// A PNG as another program writes it: keys in tEXt chunks placed after the
// pixels (just before IEND), with the "Software" of somebody else.
// With `international`, the keys are in iTXt chunks (UTF-8, uncompressed).
QByteArray foreignPng(const QImage& image, const QList<QPair<QByteArray, QByteArray>>& keys,
                      bool international = false) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(QImageWriter(&buffer, "png").write(image));
    auto crc = [](const QByteArray& b) {
        uint32_t c = 0xFFFFFFFFu;
        for (const char ch : b) {
            c ^= static_cast<uint8_t>(ch);
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        return c ^ 0xFFFFFFFFu;
    };
    QByteArray chunks;
    for (const auto& [key, value] : keys) {
        const QByteArray body = international ? "iTXt" + key + QByteArray("\0\0\0\0\0", 5) + value
                                              : "tEXt" + key + '\0' + value;
        auto be = [](uint32_t v) {
            QByteArray out(4, '\0');
            for (int k = 0; k < 4; ++k)
                out[k] = char(v >> (24 - 8 * k));
            return out;
        };
        chunks += be(uint32_t(body.size() - 4)) + body + be(crc(body));
    }
    png.insert(png.size() - 12, chunks);
    return png;
}

struct Fixture : ::testing::Test {
    QTemporaryDir dir;
    QString root() const { return dir.filePath("thumbnails"); }
    CacheSource source(const char* name = "photo.jpg") {
        const QString path = writeFile(dir.filePath(QString::fromUtf8(name)), "not decoded here");
        setMtime(path, 1700000000);
        return *CacheSourceForFile(path);
    }
};

} // namespace

TEST(ThumbnailCacheNames, UrisAreEscapedLikeTheDesktopsAndHashed) {
    // The example of the cache's own documentation.
    EXPECT_EQ(CThumbnailCache::EntryName("file:///home/jens/photos/me.png"),
              "c6ee772d9e49320e97ec29a7eb5b1697.png");
    EXPECT_EQ(CThumbnailCache::UriForPath("/tmp/a b/写真#1.jpg"),
              "file:///tmp/a%20b/%E5%86%99%E7%9C%9F%231.jpg");
    EXPECT_EQ(CThumbnailCache::UriForPath("/x/it's (1)+[2]%.jpg"),
              "file:///x/it's%20(1)+%5B2%5D%25.jpg");
    EXPECT_EQ(CThumbnailCache::FlavorFor(128, 96), Flavor::Normal);
    EXPECT_EQ(CThumbnailCache::FlavorFor(160, 120), Flavor::Large);
}

TEST_F(Fixture, StoredThumbnailIsFoundWhileTheFileIsUnchanged) {
    CThumbnailCache cache(root());
    const CacheSource src = source("写真 1.jpg");
    EXPECT_TRUE(cache.Lookup(src, Flavor::Large).isNull()) << "empty cache";
    ASSERT_TRUE(cache.Store(src, Flavor::Large, picture(1000, 750)));

    const QImage hit = cache.Lookup(src, Flavor::Large);
    ASSERT_FALSE(hit.isNull());
    EXPECT_EQ(hit.size(), QSize(256, 192)) << "scaled to the flavour, aspect kept";
    // A normal-size request is served from the large entry, scaled down.
    EXPECT_EQ(cache.Lookup(src, Flavor::Normal).size(), QSize(128, 96));
    // Small pictures are never enlarged.
    ASSERT_TRUE(cache.Store(src, Flavor::Normal, picture(40, 30)));
    EXPECT_EQ(cache.Lookup(src, Flavor::Normal).size(), QSize(40, 30));

    const QByteArray uri = CThumbnailCache::UriForPath(src.path);
    const QString entry = cache.EntryPath(Flavor::Large, uri);
    EXPECT_EQ(modeOf(entry), 0600);
    EXPECT_EQ(modeOf(root()), 0700);
    EXPECT_EQ(modeOf(root() + "/large"), 0700);
    QImage raw(entry);
    EXPECT_EQ(raw.text("Thumb::URI").toUtf8(), uri);
    EXPECT_EQ(raw.text("Thumb::MTime"), "1700000000");
    EXPECT_EQ(raw.text("Thumb::Size"), QString::number(src.size));
    EXPECT_TRUE(raw.text("Software").startsWith("Lumora"));
    // No temporary file is left behind.
    EXPECT_EQ(QDir(root() + "/large").entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(Fixture, ATouchedFileMakesItsEntryStale) {
    CThumbnailCache cache(root());
    CacheSource src = source();
    ASSERT_TRUE(cache.Store(src, Flavor::Normal, picture(300, 200)));
    setMtime(src.path, 1700000100);
    src = *CacheSourceForFile(src.path);
    EXPECT_TRUE(cache.Lookup(src, Flavor::Normal).isNull());
    // The other file with the same picture does not share the entry.
    const CacheSource other = source("other.jpg");
    EXPECT_TRUE(cache.Lookup(other, Flavor::Normal).isNull());
}

TEST_F(Fixture, ForeignEntriesAreUsedAndBrokenOnesIgnored) {
    CThumbnailCache cache(root());
    const CacheSource src = source();
    const QByteArray uri = CThumbnailCache::UriForPath(src.path);
    const QString entry = cache.EntryPath(Flavor::Normal, uri);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(entry).absolutePath()));

    // Another program's thumbnail with the right keys.
    writeFile(entry, foreignPng(picture(128, 85, Qt::green), {{"Thumb::URI", uri},
                                                              {"Thumb::MTime", "1700000000"},
                                                              {"Software", "another viewer"}}));
    const QImage foreign = cache.Lookup(src, Flavor::Normal);
    ASSERT_FALSE(foreign.isNull());
    EXPECT_EQ(foreign.pixelColor(5, 5), QColor(Qt::green));
    // The same keys as international text: found as well (only plain text
    // keys are compared before the pixels are decoded).
    QFile::remove(entry);
    writeFile(entry, foreignPng(picture(128, 85, Qt::blue),
                                {{"Thumb::URI", uri}, {"Thumb::MTime", "1700000000"}}, true));
    EXPECT_EQ(cache.Lookup(src, Flavor::Normal).pixelColor(5, 5), QColor(Qt::blue));

    // Wrong URI key (a hash collision or a moved cache), missing keys,
    // damaged bytes, an empty file: all ignored.
    for (int variant = 0; variant < 4; ++variant) {
        QFile::remove(entry);
        if (variant == 0) {
            writeFile(entry,
                      foreignPng(picture(64, 64), {{"Thumb::URI", "file:///somewhere/else.jpg"},
                                                   {"Thumb::MTime", "1700000000"}}));
        } else if (variant == 1) {
            writeFile(entry, foreignPng(picture(64, 64), {{"Thumb::MTime", "1700000000"}}));
        } else {
            writeFile(entry,
                      variant == 2 ? QByteArrayLiteral("\x89PNG\r\n\x1a\n garbage") : QByteArray());
        }
        EXPECT_TRUE(cache.Lookup(src, Flavor::Normal).isNull()) << "variant " << variant;
    }
}

TEST_F(Fixture, APipeInTheCacheNeverBlocks) {
    CThumbnailCache cache(root());
    const CacheSource src = source();
    const QString entry = cache.EntryPath(Flavor::Normal, CThumbnailCache::UriForPath(src.path));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(entry).absolutePath()));
    ASSERT_EQ(::mkfifo(QFile::encodeName(entry).constData(), 0600), 0);
    EXPECT_TRUE(cache.Lookup(src, Flavor::Normal).isNull());
}

TEST_F(Fixture, FailuresAreRecordedPerVersionAndGoStale) {
    CThumbnailCache cache(root());
    CacheSource src = source("broken.jpg");
    EXPECT_FALSE(cache.HasFailure(src));
    ASSERT_TRUE(cache.StoreFailure(src));
    EXPECT_TRUE(cache.HasFailure(src));
    const QString mark = cache.FailPath(CThumbnailCache::UriForPath(src.path));
    EXPECT_TRUE(mark.contains("/fail/lumora-")) << mark.toStdString();
    EXPECT_EQ(modeOf(mark), 0600);
    setMtime(src.path, 1700000500); // the file was repaired
    src = *CacheSourceForFile(src.path);
    EXPECT_FALSE(cache.HasFailure(src));
}

TEST_F(Fixture, AnUnwritableCacheOnlyCostsSpeed) {
    // The cache root lies below a regular file: no folder can be made there
    // (this holds for root as well, unlike a permission bit).
    const QString blocker = writeFile(dir.filePath("blocker"), "x");
    CThumbnailCache cache(blocker + "/thumbnails");
    const CacheSource src = source();
    EXPECT_FALSE(cache.Store(src, Flavor::Normal, picture(100, 100)));
    EXPECT_FALSE(cache.StoreFailure(src));
    EXPECT_TRUE(cache.Lookup(src, Flavor::Normal).isNull());
    EXPECT_FALSE(cache.HasFailure(src));
    // And a source that is not a regular file has no cache identity at all.
    EXPECT_FALSE(CacheSourceForFile(dir.path()).has_value());
    EXPECT_FALSE(CacheSourceForFile(dir.filePath("missing.jpg")).has_value());
}

TEST(ThumbnailCacheRoot, FollowsXdgCacheHome) {
    const QByteArray saved = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", "/var/tmp/xdg-cache");
    EXPECT_EQ(CThumbnailCache::DefaultRoot(), "/var/tmp/xdg-cache/thumbnails");
    qputenv("XDG_CACHE_HOME", "relative/ignored");
    EXPECT_TRUE(CThumbnailCache::DefaultRoot().endsWith("/.cache/thumbnails"));
    if (saved.isNull())
        qunsetenv("XDG_CACHE_HOME");
    else
        qputenv("XDG_CACHE_HOME", saved);
}

TEST_F(Fixture, AnEntryWhoseChunksRunPastItsEndIsDamage) {
    CThumbnailCache cache(root());
    const CacheSource src = source();
    const QByteArray uri = CThumbnailCache::UriForPath(src.path);
    const QString entry = cache.EntryPath(Flavor::Normal, uri);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(entry).absolutePath()));
    const QByteArray good = foreignPng(picture(100, 80, Qt::green),
                                       {{"Thumb::URI", uri}, {"Thumb::MTime", "1700000000"}});

    // Bytes after the end chunk are not the picture's business.
    writeFile(entry, good + "trailing bytes");
    EXPECT_FALSE(cache.Lookup(src, Flavor::Normal).isNull());

    // A chunk that claims nearly 2 GiB in a file of a few hundred bytes:
    // the PNG library would spend seconds skipping what is not there, on
    // the thumbnail worker, for every visit of the folder.
    QByteArray huge = good;
    huge.insert(huge.size() - 12, QByteArray::fromHex("7ffff000") + "tEXtThumb::Size");
    writeFile(entry, huge);
    EXPECT_TRUE(cache.Lookup(src, Flavor::Normal).isNull());

    // An entry cut short (a writer that died half-way) is ignored too.
    writeFile(entry, good.left(good.size() - 30));
    EXPECT_TRUE(cache.Lookup(src, Flavor::Normal).isNull());
}
