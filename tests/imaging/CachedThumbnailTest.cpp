// Thumbnails through the shared cache, as the engine's maker makes them:
// a second look at a file needs no decode and shows the same thumbnail;
// stale, foreign, damaged and unwritable caches; failure records; names the
// cache must escape; files with an embedded thumbnail stay out of it.
#include "imaging/CachedThumbnail.h"
#include "imaging/ThumbnailDecoder.h"
#include "samples/SampleGen.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace lumora {
namespace {

using Flavor = CThumbnailCache::Flavor;

const ThumbnailBox kBox{160, 120, true};

struct CachedFixture : ::testing::Test {
    QTemporaryDir dir;
    CThumbnailCache cache{dir.filePath("thumbnails")};

    std::string jpeg(const std::string& name, int w = 1200, int h = 800) {
        samples::CameraJpegOptions o;
        o.width = w;
        o.height = h;
        o.withThumbnail = false;
        o.title = name;
        const std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
        samples::writeCameraJpeg(path, o);
        return path;
    }
    static ImageItem itemFor(const std::string& path, bool embedded = false) {
        ImageItem item = ImageItem::FromPath(path, ImageKind::Jpeg);
        item.useEmbedded = embedded ? 1 : 0;
        return item;
    }
    // Makes the thumbnail; returns how many whole-file decodes that took.
    int64_t make(ImageItem& item, const ThumbnailBox& box = kBox) {
        const int64_t before = WholeFileDecodeCount();
        DecodeThumbnailCached(item, box, &cache);
        return WholeFileDecodeCount() - before;
    }
    QString largeEntry(const std::string& path) const {
        return cache.EntryPath(Flavor::Large,
                               CThumbnailCache::UriForPath(QString::fromStdString(path)));
    }
};

void touch(const std::string& path, time_t when) {
    struct utimbuf times {
        when, when
    };
    ASSERT_EQ(::utime(path.c_str(), &times), 0);
}

double meanDifference(const DibImage& a, const DibImage& b) {
    if (a.width() != b.width() || a.height() != b.height())
        return 1e9;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < 3 * a.width(); ++x)
            sum += std::abs(int(a.scanLine(y)[x]) - int(b.scanLine(y)[x]));
    return sum / (3.0 * a.width() * a.height());
}

TEST_F(CachedFixture, SecondLookNeedsNoDecodeAndShowsTheSameThumbnail) {
    const std::string path = jpeg("a.jpg");
    ImageItem first = itemFor(path);
    EXPECT_EQ(make(first), 1);
    ASSERT_EQ(first.thumb.thumbReal, 1);
    ASSERT_TRUE(QFile::exists(largeEntry(path)));

    ImageItem second = itemFor(path);
    EXPECT_EQ(make(second), 0);
    ASSERT_EQ(second.thumb.thumbReal, 1);
    EXPECT_EQ(second.thumb.thumbWidth, first.thumb.thumbWidth);
    EXPECT_EQ(second.thumb.thumbHeight, first.thumb.thumbHeight);
    EXPECT_EQ(second.thumb.dstX, first.thumb.dstX);
    EXPECT_EQ(second.thumb.dstY, first.thumb.dstY);
    EXPECT_LT(meanDifference(first.thumb.thumbBits, second.thumb.thumbBits), 6.0);
    EXPECT_FALSE(second.thumb.preimageBits.isNull());

    // A small box uses the normal flavour; the large entry serves it too.
    // Its rounded proportions must not shift the cell by a pixel.
    const ThumbnailBox smallBox{100, 75, true};
    ImageItem small = itemFor(path);
    EXPECT_EQ(make(small, smallBox), 0);
    ImageItem direct = itemFor(path);
    DecodeThumbnail(direct, smallBox);
    EXPECT_EQ(small.thumb.thumbWidth, direct.thumb.thumbWidth);
    EXPECT_EQ(small.thumb.thumbHeight, direct.thumb.thumbHeight);
    EXPECT_EQ(small.thumb.dstY, direct.thumb.dstY);
    EXPECT_LT(meanDifference(small.thumb.thumbBits, direct.thumb.thumbBits), 6.0);

    // The same through a normal entry of its own (a box of at most 128).
    const std::string other = jpeg("a2.jpg", 1600, 1067);
    ImageItem viaNormal = itemFor(other);
    EXPECT_EQ(make(viaNormal, ThumbnailBox{120, 90, true}), 1);
    ImageItem fromNormal = itemFor(other);
    EXPECT_EQ(make(fromNormal, ThumbnailBox{120, 90, true}), 0);
    EXPECT_EQ(fromNormal.thumb.thumbHeight, viaNormal.thumb.thumbHeight);
    EXPECT_EQ(fromNormal.thumb.dstY, viaNormal.thumb.dstY);
}

TEST_F(CachedFixture, ATouchedFileIsDecodedAgain) {
    const std::string path = jpeg("b.jpg");
    touch(path, 1700000000);
    ImageItem item = itemFor(path);
    EXPECT_EQ(make(item), 1);
    touch(path, 1700000100);
    ImageItem again = itemFor(path);
    EXPECT_EQ(make(again), 1);
    ImageItem third = itemFor(path);
    EXPECT_EQ(make(third), 0); // the fresh entry replaced the stale one
}

TEST_F(CachedFixture, AnotherProgramsThumbnailIsUsed) {
    const std::string path = jpeg("c.jpg");
    auto source = CacheSourceForFile(QString::fromStdString(path));
    ASSERT_TRUE(source);
    QImage green(256, 171, QImage::Format_ARGB32);
    green.fill(QColor(0, 200, 0, 255));
    ASSERT_TRUE(cache.Store(*source, Flavor::Large, green));
    ImageItem item = itemFor(path);
    EXPECT_EQ(make(item), 0);
    ASSERT_EQ(item.thumb.thumbReal, 1);
    const uint8_t* px = item.thumb.thumbBits.scanLine(item.thumb.thumbHeight / 2);
    EXPECT_GT(int(px[1]), 150); // green, whatever the channel order
    EXPECT_LT(int(px[0]) + int(px[2]), 60);
    EXPECT_EQ(item.thumb.thumbWidth, 160);
}

TEST_F(CachedFixture, DamagedEntriesAndTooSmallOnesAreDecodedOver) {
    const std::string path = jpeg("d.jpg");
    ImageItem item = itemFor(path);
    make(item);
    const QString entry = largeEntry(path);
    QByteArray bytes;
    {
        QFile f(entry);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        bytes = f.readAll();
    }
    {
        QFile f(entry);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes.left(bytes.size() / 2)); // cut in the middle of the pixels
    }
    ImageItem damaged = itemFor(path);
    EXPECT_EQ(make(damaged), 1);
    EXPECT_EQ(damaged.thumb.thumbReal, 1);

    // A 40-pixel picture would be enlarged into a 160-pixel cell: decoded.
    auto source = CacheSourceForFile(QString::fromStdString(path));
    QImage tiny(40, 27, QImage::Format_RGB32);
    tiny.fill(Qt::red);
    ASSERT_TRUE(cache.Store(*source, Flavor::Large, tiny));
    ImageItem small = itemFor(path);
    EXPECT_EQ(make(small), 1);
}

TEST_F(CachedFixture, AnUnwritableCacheOnlyCostsSpeedAndWrittenFilesArePrivate) {
    const std::string path = jpeg("e.jpg");
    ImageItem item = itemFor(path);
    make(item);
    const QString entry = largeEntry(path);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(entry).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600);
    ASSERT_EQ(::stat(QFile::encodeName(cache.root() + "/large").constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700);

    // A cache root that is a plain file can never be written.
    const QString blocked = dir.filePath("blocked");
    QFile(blocked).open(QIODevice::WriteOnly);
    CThumbnailCache unwritable(blocked + "/thumbnails");
    const std::string other = jpeg("f.jpg");
    for (int i = 0; i < 2; ++i) {
        ImageItem again = itemFor(other);
        const int64_t before = WholeFileDecodeCount();
        DecodeThumbnailCached(again, kBox, &unwritable);
        EXPECT_EQ(WholeFileDecodeCount() - before, 1);
        EXPECT_EQ(again.thumb.thumbReal, 1);
        EXPECT_EQ(again.thumb.thumbWidth, 160);
    }
    // Nor can a read-only one (unless we are the superuser).
    if (::geteuid() != 0) {
        QDir().mkpath(dir.filePath("ro/thumbnails"));
        ::chmod(QFile::encodeName(dir.filePath("ro/thumbnails")).constData(), 0500);
        CThumbnailCache readOnly(dir.filePath("ro/thumbnails"));
        ImageItem ro = itemFor(other);
        DecodeThumbnailCached(ro, kBox, &readOnly);
        EXPECT_EQ(ro.thumb.thumbReal, 1);
        EXPECT_TRUE(QDir(dir.filePath("ro/thumbnails")).entryList(QDir::NoDotAndDotDot).isEmpty());
        ::chmod(QFile::encodeName(dir.filePath("ro/thumbnails")).constData(), 0700);
    }
}

TEST_F(CachedFixture, AnUndecodableFileIsRecordedAndNotDecodedAgain) {
    const std::string path = dir.filePath("broken.jpg").toStdString();
    {
        QFile f(QString::fromStdString(path));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("\xFF\xD8\xFF\xE0 this is not a picture", 27));
    }
    ImageItem item = itemFor(path);
    EXPECT_EQ(make(item), 1);
    EXPECT_EQ(item.thumb.thumbReal, 0);
    EXPECT_FALSE(item.thumb.thumbBits.isNull());
    auto source = CacheSourceForFile(QString::fromStdString(path));
    ASSERT_TRUE(source);
    EXPECT_TRUE(cache.HasFailure(*source));
    EXPECT_TRUE(
        QFile::exists(cache.root() + "/fail/lumora-0.1/" +
                      CThumbnailCache::EntryName(CThumbnailCache::UriForPath(source->path))));

    ImageItem again = itemFor(path);
    EXPECT_EQ(make(again), 0);
    EXPECT_EQ(again.thumb.thumbReal, 0);
    EXPECT_EQ(again.thumb.thumbWidth, 160); // the placeholder card
}

TEST_F(CachedFixture, NamesWithSpacesAndJapaneseAreFoundAgain) {
    const std::string path = jpeg("旅行 写真 1.jpg");
    ImageItem item = itemFor(path);
    EXPECT_EQ(make(item), 1);
    const QByteArray uri = CThumbnailCache::UriForPath(QString::fromStdString(path));
    EXPECT_TRUE(uri.endsWith("/%E6%97%85%E8%A1%8C%20%E5%86%99%E7%9C%9F%201.jpg"))
        << uri.constData();
    const QString expected = cache.root() + "/large/" +
                             QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex() +
                             ".png";
    EXPECT_TRUE(QFile::exists(expected));
    ImageItem again = itemFor(path);
    EXPECT_EQ(make(again), 0);
}

TEST_F(CachedFixture, FilesWithAnEmbeddedThumbnailStayOutOfTheCache) {
    samples::CameraJpegOptions o;
    o.withThumbnail = true;
    const std::string path = dir.filePath("embedded.jpg").toStdString();
    samples::writeCameraJpeg(path, o);
    ImageItem item = itemFor(path, true);
    DecodeThumbnailCached(item, kBox, &cache);
    EXPECT_FALSE(QFile::exists(largeEntry(path)));
    EXPECT_FALSE(QDir(cache.root()).exists());
}

TEST_F(CachedFixture, WithoutAutoRotationTheUprightEntryIsTurnedBack) {
    const std::string path = jpeg("turned.jpg", 1200, 800);
    ThumbnailBox plain{160, 120, false};
    ImageItem first = itemFor(path);
    first.imageInfo.orientation = 6; // a quarter turn to the right when shown upright
    make(first, plain);
    ImageItem second = itemFor(path);
    second.imageInfo.orientation = 6;
    EXPECT_EQ(make(second, plain), 0);
    EXPECT_EQ(second.thumb.thumbWidth, first.thumb.thumbWidth);
    EXPECT_EQ(second.thumb.thumbHeight, first.thumb.thumbHeight);
    EXPECT_LT(meanDifference(first.thumb.thumbBits, second.thumb.thumbBits), 6.0);
    // The entry itself is upright: taller than wide.
    QImage stored(largeEntry(path));
    EXPECT_GT(stored.height(), stored.width());
}

} // namespace
} // namespace lumora
