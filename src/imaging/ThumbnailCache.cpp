#include "imaging/ThumbnailCache.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QStandardPaths>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumora {

namespace {

constexpr char kSoftware[] = "Lumora 0.1";
constexpr char kFailFolder[] = "fail/lumora-0.1";
// A cache PNG larger than this is not ours to decode (a thumbnail is a few
// tens of kilobytes): it is ignored rather than read.
constexpr qint64 kMaxEntryBytes = 4 * 1024 * 1024;

bool unreservedOrPathChar(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return true;
    switch (c) {
    case '-':
    case '.':
    case '_':
    case '~':
    case '!':
    case '$':
    case '&':
    case '\'':
    case '(':
    case ')':
    case '*':
    case '+':
    case ',':
    case ';':
    case '=':
    case ':':
    case '@':
    case '/':
        return true;
    default:
        return false;
    }
}

// Makes every missing level of `path` with mode 0700.
bool makePrivateFolders(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    for (qsizetype i = 1; i <= native.size(); ++i) {
        if (i != native.size() && native[i] != '/')
            continue;
        const QByteArray level = native.left(i);
        if (::mkdir(level.constData(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st {};
    return ::stat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The keys of an entry as plain text chunks, read without decoding it.
struct PlainKeys {
    QByteArray uri, mtime;
    int uris = 0, mtimes = 0;
    bool otherText = false; // a compressed or international text chunk

    // Whether these are for certain the keys the PNG library will report:
    // each once, as ASCII, and no other text chunk that could repeat them.
    bool decisive() const {
        const auto ascii = [](const QByteArray& b) {
            return std::all_of(b.begin(), b.end(), [](char c) { return uchar(c) < 0x80; });
        };
        return uris == 1 && mtimes == 1 && !otherText && ascii(uri) && ascii(mtime);
    }
};

// True when the bytes are a PNG signature and chunks each of which ends
// inside the file, up to IEND or the end. A chunk that claims more bytes
// than are left is damage; the PNG library would try to skip them a piece
// at a time, which takes seconds for a length near 2 GiB. Collects the
// plain-text keys on the way.
bool pngChunksFit(const QByteArray& bytes, PlainKeys& keys) {
    static constexpr char kSignature[] = "\x89PNG\r\n\x1a\n";
    if (bytes.size() < 8 || std::memcmp(bytes.constData(), kSignature, 8) != 0)
        return false;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    qsizetype pos = 8;
    while (pos < bytes.size()) {
        if (bytes.size() - pos < 12)
            return false; // a cut-off chunk header or CRC
        const uint32_t length = uint32_t(p[pos]) << 24 | uint32_t(p[pos + 1]) << 16 |
                                uint32_t(p[pos + 2]) << 8 | p[pos + 3];
        if (length > static_cast<uint64_t>(bytes.size() - pos - 12))
            return false;
        const unsigned char* type = p + pos + 4;
        if (std::memcmp(type, "IEND", 4) == 0)
            return true;
        if (std::memcmp(type, "tEXt", 4) == 0) {
            const QByteArray text = bytes.mid(pos + 8, length);
            const qsizetype nul = text.indexOf('\0');
            const QByteArray key = nul < 0 ? text : text.left(nul);
            const QByteArray value = nul < 0 ? QByteArray() : text.mid(nul + 1);
            if (key == "Thumb::URI") {
                keys.uri = value;
                ++keys.uris;
            } else if (key == "Thumb::MTime") {
                keys.mtime = value;
                ++keys.mtimes;
            }
        } else if (std::memcmp(type, "zTXt", 4) == 0 || std::memcmp(type, "iTXt", 4) == 0) {
            keys.otherText = true;
        }
        pos += 12 + static_cast<qsizetype>(length);
    }
    return true;
}

bool matches(const CacheSource& source, const QByteArray& expectedUri, const QString& uri,
             const QString& mtime) {
    bool ok = false;
    const qlonglong value = mtime.trimmed().toLongLong(&ok);
    return ok && value == source.mtime && uri.toUtf8() == expectedUri;
}

// Reads a cache entry without trusting it: regular file, bounded size,
// non-blocking open (a FIFO planted in the cache must not stall the worker),
// chunks that fit in the file. An entry whose plain keys already show that
// it was made for another file, or for an older state of this one, is not
// decoded (a stale entry costs a read, not a decode). Empty when the entry
// is unreadable or not for `source`.
QImage readEntry(const QString& path, const CacheSource& source, const QByteArray& expectedUri,
                 QString* picture = nullptr) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return {};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 ||
        st.st_size > kMaxEntryBytes) {
        ::close(fd);
        return {};
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    // As many bytes as the entry has: a read of the largest size allowed
    // would take that much memory for each lookup.
    QByteArray bytes = file.read(st.st_size);
    PlainKeys keys;
    if (!pngChunksFit(bytes, keys))
        return {};
    if (keys.decisive() && !matches(source, expectedUri, QString::fromLatin1(keys.uri),
                                    QString::fromLatin1(keys.mtime)))
        return {};
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > 1024 || size.height() > 1024)
        return {};
    // The keys are read with the pixels (the reader's own text() splits keys
    // at their colons before that).
    QImage image = reader.read();
    if (image.isNull() || !matches(source, expectedUri, image.text(QStringLiteral("Thumb::URI")),
                                   image.text(QStringLiteral("Thumb::MTime"))))
        return {};
    if (picture)
        *picture = image.text(QStringLiteral("Lumora::Picture"));
    return image;
}

uint32_t crc32(const QByteArray& bytes) {
    static const auto table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (const char ch : bytes)
        c = table[(c ^ static_cast<uint8_t>(ch)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void appendBigEndian(QByteArray& out, uint32_t v) {
    out.append(char(v >> 24)).append(char(v >> 16)).append(char(v >> 8)).append(char(v));
}

QByteArray textChunk(const char* key, const QByteArray& value) {
    const QByteArray body = QByteArray("tEXt") + key + '\0' + value;
    QByteArray chunk;
    appendBigEndian(chunk, static_cast<uint32_t>(body.size() - 4));
    chunk += body;
    appendBigEndian(chunk, crc32(body));
    return chunk;
}

// The PNG of `image` with the cache's text keys right after the header
// chunk. Qt's writer cannot be used for the keys: it splits them at colons.
QByteArray encodeEntry(const QImage& image, const CacheSource& source, const QByteArray& uri,
                       QSize picture) {
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        // Light compression: a thumbnail is written once per file on the
        // decode threads, and the default level costs more than its decode
        // saves in bytes.
        writer.setQuality(90);
        if (!writer.write(image))
            return {};
    }
    // 8-byte signature, then IHDR: length (13), type, data, CRC.
    constexpr qsizetype kAfterHeader = 8 + 4 + 4 + 13 + 4;
    if (png.size() < kAfterHeader || png.mid(12, 4) != "IHDR")
        return {};
    QByteArray keys = textChunk("Thumb::URI", uri) +
                      textChunk("Thumb::MTime", QByteArray::number(source.mtime)) +
                      textChunk("Thumb::Size", QByteArray::number(source.size)) +
                      textChunk("Software", kSoftware);
    if (picture.isValid())
        keys += textChunk("Lumora::Picture", QByteArray::number(picture.width()) + 'x' +
                                                 QByteArray::number(picture.height()));
    png.insert(kAfterHeader, keys);
    return png;
}

// Writes `image` with the keys to a temporary file beside `target` (0600)
// and renames it into place.
bool writeEntry(const QString& target, const QImage& image, const CacheSource& source,
                const QByteArray& uri, QSize picture = {}) {
    const QString folder = QFileInfo(target).absolutePath();
    if (!makePrivateFolders(folder))
        return false;
    QByteArray tmpl = QFile::encodeName(folder + QStringLiteral("/.lumora-XXXXXX"));
    const int fd = ::mkstemp(tmpl.data()); // mode 0600
    if (fd < 0)
        return false;
    const QString tmpPath = QFile::decodeName(tmpl);
    const QByteArray png = encodeEntry(image, source, uri, picture);
    bool ok = !png.isEmpty();
    for (qsizetype done = 0; ok && done < png.size();) {
        const ssize_t n = ::write(fd, png.constData() + done, size_t(png.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += ok ? n : 0;
    }
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(tmpl.constData(), QFile::encodeName(target).constData()) == 0;
    if (!ok)
        QFile::remove(tmpPath);
    return ok;
}

} // namespace

std::optional<CacheSource> CacheSourceForFile(const QString& absolutePath) {
    struct stat st {};
    if (::stat(QFile::encodeName(absolutePath).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return CacheSource{absolutePath, static_cast<int64_t>(st.st_mtim.tv_sec),
                       static_cast<int64_t>(st.st_size)};
}

CThumbnailCache::CThumbnailCache(QString root) : root_(std::move(root)) {}

QString CThumbnailCache::DefaultRoot() {
    QString base = qEnvironmentVariable("XDG_CACHE_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.cache");
    return base + QStringLiteral("/thumbnails");
}

CThumbnailCache::Flavor CThumbnailCache::FlavorFor(int boxW, int boxH) {
    return (boxW > 128 || boxH > 128) ? Flavor::Large : Flavor::Normal;
}

QByteArray CThumbnailCache::UriForPath(const QString& absolutePath) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const QByteArray bytes = QFile::encodeName(absolutePath);
    QByteArray uri("file://");
    uri.reserve(uri.size() + bytes.size() * 3);
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (unreservedOrPathChar(c)) {
            uri.append(ch);
        } else {
            uri.append('%');
            uri.append(kHex[c >> 4]);
            uri.append(kHex[c & 15]);
        }
    }
    return uri;
}

QString CThumbnailCache::EntryName(const QByteArray& uri) {
    return QString::fromLatin1(QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex()) +
           QStringLiteral(".png");
}

QString CThumbnailCache::EntryPath(Flavor flavor, const QByteArray& uri) const {
    return root_ +
           (flavor == Flavor::Large ? QStringLiteral("/large/") : QStringLiteral("/normal/")) +
           EntryName(uri);
}

QString CThumbnailCache::FailPath(const QByteArray& uri) const {
    return root_ + QLatin1Char('/') + QLatin1String(kFailFolder) + QLatin1Char('/') +
           EntryName(uri);
}

// "WxH" with both sides in 1..65535, else an invalid size.
static QSize parsePictureSize(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('x'));
    if (parts.size() != 2)
        return {};
    bool okW = false, okH = false;
    const int w = parts[0].toInt(&okW), h = parts[1].toInt(&okH);
    if (!okW || !okH || w <= 0 || h <= 0 || w > 65535 || h > 65535)
        return {};
    return {w, h};
}

QImage CThumbnailCache::Lookup(const CacheSource& source, Flavor flavor, QSize* picture) const {
    if (picture)
        *picture = QSize();
    if (root_.isEmpty())
        return {};
    const QByteArray uri = UriForPath(source.path);
    const Flavor order[2] = {flavor, Flavor::Large};
    const int tries = flavor == Flavor::Normal ? 2 : 1;
    for (int i = 0; i < tries; ++i) {
        QString keyPicture;
        QImage image = readEntry(EntryPath(order[i], uri), source, uri, &keyPicture);
        if (image.isNull())
            continue;
        if (picture)
            *picture = parsePictureSize(keyPicture);
        const int limit = FlavorSize(flavor);
        if (image.width() > limit || image.height() > limit)
            image = image.scaled(limit, limit, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        return image;
    }
    return {};
}

bool CThumbnailCache::Store(const CacheSource& source, Flavor flavor, const QImage& image,
                            QSize picture) const {
    if (root_.isEmpty() || image.isNull())
        return false;
    const int limit = FlavorSize(flavor);
    QImage scaled = image;
    if (image.width() > limit || image.height() > limit)
        scaled = image.scaled(limit, limit, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    const QByteArray uri = UriForPath(source.path);
    return writeEntry(EntryPath(flavor, uri), scaled, source, uri,
                      picture.isValid() ? picture : image.size());
}

bool CThumbnailCache::StoreFailure(const CacheSource& source) const {
    if (root_.isEmpty())
        return false;
    QImage mark(1, 1, QImage::Format_ARGB32);
    mark.fill(Qt::transparent);
    const QByteArray uri = UriForPath(source.path);
    return writeEntry(FailPath(uri), mark, source, uri);
}

bool CThumbnailCache::HasFailure(const CacheSource& source) const {
    if (root_.isEmpty())
        return false;
    const QByteArray uri = UriForPath(source.path);
    return !readEntry(FailPath(uri), source, uri).isNull();
}

} // namespace lumora
