// Seeds for the readers of text and messages (settings file, hand-over
// request, clipboard file lists, mount table, worksheet list) and for the
// thumbnail cache's entries, each made by the writer its reader pairs with.
#include "SeedRecipes.h"

#include "imaging/ThumbnailCache.h"
#include "platform/ClipboardFiles.h"
#include "settings/SettingsStore.h"
#include "thumbnails/WorkSheetFile.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "../FuzzCacheSource.h"

std::vector<Seed> SettingsSeeds() {
    lumora::CIniFile ini;
    lumora::AppSettings settings;
    settings.AppCount = 2;
    lumora::SaveSettings(ini, settings);
    lumora::writeFrameSettings(ini, lumora::FrameSettings{10, 20, 810, 620, 3});
    lumora::writeBinPath(ini, QStringLiteral("/home/user/写真/2024"));
    ini.writeBinary(QStringLiteral("Extra"), QStringLiteral("Blob"), QByteArray("\x00\x01\xfe", 3));
    const QByteArray full = ini.toText();
    QByteArray crlf = full;
    crlf.replace("\n", "\r\n");
    return {
        {"full.ini", Bytes(full.begin(), full.end())},
        {"crlf-bom.ini", BytesOf("\xEF\xBB\xBF" + crlf.toStdString())},
        {"hand-edited.ini",
         BytesOf("; comment\n[DisplaySettings]\nItemSpace = 12px\nImageSpace=-99999999999\n"
                 "[displaysettings]\nItemSpace=3\n[Folder\nBinPath=ABCDEFGHIJ\n"
                 "[FrameSettings]\nleft=\"5\"\ncmd=9\n=no key\n#x=1\n")},
    };
}

std::vector<Seed> HandOverSeeds() {
    auto open = [](const std::string& path) {
        Bytes b = {'O'};
        Put32be(b, static_cast<std::uint32_t>(path.size()));
        b.insert(b.end(), path.begin(), path.end());
        return b;
    };
    Bytes nul = open("/tmp/a");
    nul[nul.size() - 2] = 0;
    Bytes trailing = open("/tmp/b.jpg");
    trailing.insert(trailing.end(), {'A', 'O', 0});
    return {{"activate", BytesOf("A")},
            {"open", open("/home/user/写真/img_0001.jpg")},
            {"open-relative", open("img_0001.jpg")},
            {"open-nul", nul},
            {"open-trailing", trailing},
            {"open-short", Bytes{'O', 0, 0, 0x10, 0, '/'}},
            {"unknown", BytesOf("X")}};
}

// The fuzz-filelist input: the four forms joined by NUL bytes, in the
// order GNOME list, URI list, KDE cut mark, plain text.
std::vector<Seed> FileListSeeds() {
    auto input = [](const QMimeData& data) {
        Bytes b;
        const char* formats[] = {lumora::kGnomeCopiedFilesMime, lumora::kUriListMime,
                                 lumora::kKdeCutSelectionMime, "text/plain"};
        for (int i = 0; i < 4; ++i) {
            if (i)
                b.push_back(0);
            const QByteArray part = data.data(QString::fromLatin1(formats[i]));
            b.insert(b.end(), part.begin(), part.end());
        }
        return b;
    };
    const QStringList paths = {QStringLiteral("/home/user/a b.jpg"),
                               QStringLiteral("/home/user/写真/c%d.nef"), QStringLiteral("/")};
    const auto copy = lumora::makeFileListMimeData(paths, lumora::DROPEFFECT_COPY);
    const auto cut = lumora::makeFileListMimeData(paths.mid(0, 1), lumora::DROPEFFECT_MOVE);
    Bytes remote = BytesOf(std::string(1, '\0') +
                           "sftp://host/x.jpg\r\nfile://host/y.jpg\r\n# comment\r\nfile:///z%2Fw.jpg\r\n");
    return {{"copy", input(*copy)}, {"cut", input(*cut)}, {"remote", remote}};
}

std::vector<Seed> MountInfoSeeds() {
    std::vector<Seed> seeds;
    QFile self(QStringLiteral("/proc/self/mountinfo"));
    if (self.open(QIODevice::ReadOnly)) {
        const QByteArray text = self.read(8192);
        seeds.push_back({"self", Bytes(text.begin(), text.end())});
    }
    seeds.push_back(
        {"crafted",
         BytesOf("36 35 98:0 /mnt1 /mnt/my\\040disk rw,noatime master:1 - ext3 /dev/root rw\n"
                 "37 35 0:5 / /media/user/USB\\134stick\\011x rw shared:2 - vfat /dev/sdb1 rw\n"
                 "38 35 0:6 / /proc rw - proc proc rw\n"
                 "39 35 0:7 / relative rw - tmpfs none rw\n"
                 "40 35 0:8 / /run/user/1000/gvfs rw - fuse.gvfsd-fuse gvfsd-fuse rw\n"
                 "41 35 0:9 / /bad\\9 rw - ext4 /dev/x rw\n")});
    return seeds;
}

std::vector<Seed> WorkSheetListSeeds() {
    const std::string made = lumora::FormatWorkSheetList(
        "Picks", {"/tmp/a.jpg", "/home/user/写真/b.nef", "/tmp/with space/c.tif"});
    return {{"made.lsl", BytesOf(made)},
            {"crlf.lsl", BytesOf("Lumora WorkSheetFile\r\nPicks\r\n/tmp/a.jpg\r\n/tmp/b.nef\r\n")},
            {"lf.lsl", BytesOf("Lumora WorkSheetFile\nPicks\n/tmp/a.jpg\n\n")},
            {"header.lsl", BytesOf("Lumora WorkSheetFile\r\n\r\n")}};
}

std::vector<Seed> ThumbCacheSeeds() {
    QTemporaryDir dir;
    if (!dir.isValid())
        return {};
    const lumora::CThumbnailCache cache(dir.path());
    const lumora::CacheSource source = lumora::fuzz::CacheSourceOfInput();
    const QByteArray uri = lumora::CThumbnailCache::UriForPath(source.path);
    std::vector<Seed> seeds;
    auto take = [&](const std::string& name, const QString& path) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray b = file.readAll();
            seeds.push_back({name, Bytes(b.begin(), b.end())});
        }
    };
    QImage image(40, 30, QImage::Format_ARGB32);
    image.fill(QColor(10, 200, 30, 128));
    if (cache.Store(source, lumora::CThumbnailCache::Flavor::Large, image, QSize(4000, 3000)))
        take("large.png", cache.EntryPath(lumora::CThumbnailCache::Flavor::Large, uri));
    QImage wide(300, 20, QImage::Format_RGB32);
    wide.fill(Qt::blue);
    if (cache.Store(source, lumora::CThumbnailCache::Flavor::Normal, wide))
        take("normal.png", cache.EntryPath(lumora::CThumbnailCache::Flavor::Normal, uri));
    if (cache.StoreFailure(source))
        take("fail.png", cache.FailPath(uri));
    lumora::CacheSource stale = source;
    stale.mtime += 1;
    if (cache.Store(stale, lumora::CThumbnailCache::Flavor::Large, image))
        take("stale.png", cache.EntryPath(lumora::CThumbnailCache::Flavor::Large, uri));
    return seeds;
}
