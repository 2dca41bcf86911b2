#include "platform/ClipboardFiles.h"

#include <QUrl>
#include <gtest/gtest.h>

using namespace lumora;

namespace {

QStringList twoPaths() {
    return {"/tmp/a b/写真.jpg", "/tmp/dir%with#odd"};
}

} // namespace

TEST(ClipboardFiles, RoundTripKeepsPathsAndEffect) {
    for (std::uint32_t effect : {DROPEFFECT_COPY, DROPEFFECT_MOVE}) {
        auto data = makeFileListMimeData(twoPaths(), effect);
        auto list = readFileList(*data);
        ASSERT_TRUE(list.has_value());
        EXPECT_EQ(list->paths, twoPaths());
        EXPECT_EQ(list->dropEffect, effect);
    }
}

TEST(ClipboardFiles, WritesTheFormatsFileManagersRead) {
    auto data = makeFileListMimeData(twoPaths(), DROPEFFECT_MOVE);
    const QByteArray gnome = data->data(kGnomeCopiedFilesMime);
    EXPECT_TRUE(gnome.startsWith("cut\nfile:///tmp/a%20b/"));
    EXPECT_FALSE(gnome.endsWith('\n'));
    EXPECT_EQ(gnome.count('\n'), 2);
    EXPECT_EQ(data->data(kKdeCutSelectionMime), "1");
    const QByteArray uris = data->data(kUriListMime);
    EXPECT_TRUE(uris.contains("\r\n")) << uris.constData();
    EXPECT_EQ(data->urls().size(), 2);

    auto copy = makeFileListMimeData(twoPaths(), DROPEFFECT_COPY);
    EXPECT_TRUE(copy->data(kGnomeCopiedFilesMime).startsWith("copy\n"));
    EXPECT_EQ(copy->data(kKdeCutSelectionMime), "0");
}

TEST(ClipboardFiles, ReadsOtherProgramsLists) {
    // A GNOME-style cut with a trailing newline and CRLF line ends.
    QMimeData gnome;
    gnome.setData(kGnomeCopiedFilesMime, "cut\r\nfile:///home/u/a%20b\r\nfile:///x\r\n");
    auto list = readFileList(gnome);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->dropEffect, DROPEFFECT_MOVE);
    EXPECT_EQ(list->paths, (QStringList{"/home/u/a b", "/x"}));

    // A KDE-style cut: plain URI list plus the cut marker.
    QMimeData kde;
    kde.setData(kUriListMime, "# comment\r\nfile:///p/q\r\n");
    kde.setData(kKdeCutSelectionMime, "1");
    list = readFileList(kde);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->dropEffect, DROPEFFECT_MOVE);
    EXPECT_EQ(list->paths, QStringList{"/p/q"});

    // A bare URI list (a drag, or a copy) is a copy.
    QMimeData bare;
    bare.setUrls({QUrl::fromLocalFile("/r")});
    list = readFileList(bare);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->dropEffect, DROPEFFECT_COPY);

    // An unknown verb keeps the files with an unknown effect.
    QMimeData odd;
    odd.setData(kGnomeCopiedFilesMime, "link\nfile:///s");
    list = readFileList(odd);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->dropEffect, DROPEFFECT_NONE);
}

TEST(ClipboardFiles, NoLocalFilesMeansNoList) {
    QMimeData text;
    text.setText("/etc/passwd");
    EXPECT_FALSE(hasFileList(text));

    QMimeData remote;
    remote.setUrls({QUrl("sftp://host/a"), QUrl("https://example.org/")});
    EXPECT_FALSE(hasFileList(remote));

    QMimeData emptyGnome;
    emptyGnome.setData(kGnomeCopiedFilesMime, "copy\n");
    EXPECT_FALSE(readFileList(emptyGnome));

    // Relative paths are never written.
    auto data = makeFileListMimeData({"relative/x", ""}, DROPEFFECT_COPY);
    EXPECT_FALSE(hasFileList(*data));
}

TEST(ClipboardFiles, MixedListKeepsOnlyLocalFilesInOrder) {
    QMimeData data;
    data.setData(kGnomeCopiedFilesMime, "copy\nhttp://h/x\nfile:///b\nnot a uri\nfile:///a");
    auto list = readFileList(data);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->paths, (QStringList{"/b", "/a"}));
}

TEST(ClipboardFiles, OnlyAbsolutePathsOfThisMachineAreRead) {
    // "file:name" has a relative path: pasting it would take a file from
    // wherever the program was started. "file://host/a" is another machine's
    // file, not "/a" nor "//host/a" here; "localhost" is this machine.
    const QByteArray uris = "file:relative.jpg\r\nfile:sub/dir.jpg\r\nfile://host/a.jpg\r\n"
                            "file://localhost/tmp/b.jpg\r\nfile:///tmp/c.jpg\r\n";
    QMimeData uriList;
    uriList.setData(kUriListMime, uris);
    auto list = readFileList(uriList);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->paths, (QStringList{"/tmp/b.jpg", "/tmp/c.jpg"}));

    QMimeData gnome;
    gnome.setData(kGnomeCopiedFilesMime, "cut\nfile:x\nfile://other/y\nfile:\xcd");
    EXPECT_FALSE(readFileList(gnome));
    EXPECT_FALSE(hasFileList(gnome));
}

TEST(ClipboardFiles, PathsAreReadCleanAndWrittenBackAsTheSameList) {
    // "file:////host/x" has an empty host and the path "//host/x", which is
    // "/host/x" here; written back as it stood it would name a machine
    // "host". "file::name" looks absolute to Qt (a resource), not to us.
    const QByteArray uris = "file:////host/x.jpg\r\nfile:///tmp//a/./b.jpg\r\n"
                            "file::::name.jpg\r\nfile:///tmp/c.jpg\r\n";
    QMimeData uriList;
    uriList.setData(kUriListMime, uris);
    const auto list = readFileList(uriList);
    ASSERT_TRUE(list);
    const QStringList expected{"/host/x.jpg", "/tmp/a/b.jpg", "/tmp/c.jpg"};
    EXPECT_EQ(list->paths, expected);
    const auto written = makeFileListMimeData(list->paths, list->dropEffect);
    const auto again = readFileList(*written);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->paths, expected);
}
