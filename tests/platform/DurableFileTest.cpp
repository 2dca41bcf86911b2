#include "platform/DurableFile.h"
#include "settings/SettingsStore.h"

#include "ScratchMounts.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

using namespace lumora;
using namespace lumora::testing;

namespace {

// Names the kernel takes but a careless program mangles.
std::vector<std::string> oddNames() {
    return {"\xff\xfe-not-utf8.jpg", "line\nbreak.jpg", "-rf.jpg", std::string(251, 'n') + ".jpg",
            "\xe5\x86\x99\xe7\x9c\x9f.jpg"};
}

} // namespace

TEST(DurableWrite, ReplacesWholeKeepsModeAndFollowsALink) {
    ScratchDir dir;
    const std::string ini = dir / "settings.ini";
    ASSERT_TRUE(WriteFileDurably(ini, "first\n").ok());
    EXPECT_EQ(readBytes(ini), "first\n");
    struct stat st;
    ASSERT_EQ(::stat(ini.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u) << "a new file is an ordinary document";

    ::chmod(ini.c_str(), 0600);
    ASSERT_TRUE(WriteFileDurably(ini, "second, longer\n").ok());
    EXPECT_EQ(readBytes(ini), "second, longer\n");
    ASSERT_EQ(::stat(ini.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u) << "a replaced file keeps its mode";
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"settings.ini"})
        << "no temporary file is left";

    // A settings file kept elsewhere through a link: the link stays.
    ASSERT_EQ(::mkdir((dir / "real").c_str(), 0755), 0);
    ASSERT_TRUE(writeBytes(dir / "real/lumora.ini", "old"));
    ASSERT_EQ(::symlink("real/lumora.ini", (dir / "link.ini").c_str()), 0);
    ASSERT_TRUE(WriteFileDurably(dir / "link.ini", "new").ok());
    ASSERT_EQ(::lstat((dir / "link.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(readBytes(dir / "real/lumora.ini"), "new");

    const DurableResult onFolder = WriteFileDurably(dir / "real", "x");
    EXPECT_EQ(onFolder.error, EISDIR);
    EXPECT_EQ(WriteFileDurably(std::string("a\0b", 3), "x").error, EINVAL);
    EXPECT_EQ(WriteFileDurably(dir / "gone/x.ini", "x").error, ENOENT);
}

TEST(DurableWrite, FullDiskAndReadOnlyFolderLeaveTheOldFile) {
    REQUIRE_MOUNTS();
    ScratchDir dir;
    ScratchMount disk(dir.path(), 256 * 1024);
    ASSERT_TRUE(disk.mounted());
    const std::string ini = dir / "lumora.ini";
    const std::string old = patternBytes("old", 2000);
    ASSERT_TRUE(WriteFileDurably(ini, old).ok());
    ASSERT_TRUE(disk.fillUpTo(8 * 1024));

    const DurableResult full = WriteFileDurably(ini, patternBytes("new", 64 * 1024));
    EXPECT_TRUE(full.noSpace()) << full.error;
    EXPECT_EQ(full.path, ini);
    EXPECT_EQ(readBytes(ini), old) << "the old file is intact";
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{".filler", "lumora.ini"}));
    EXPECT_FALSE(DurableErrorText(full.error).empty());

    ::unlink((dir / ".filler").c_str());
    ASSERT_TRUE(disk.setReadOnly(true));
    const DurableResult ro = WriteFileDurably(ini, "new");
    EXPECT_TRUE(ro.readOnly()) << ro.error;
    EXPECT_EQ(ro.step, DurableStep::CreateTemp);
    EXPECT_EQ(readBytes(ini), old);
    ASSERT_TRUE(disk.setReadOnly(false));
}

TEST(DurableCopy, KeepsBytesModeTimesAndNeverShowsAHalfFile) {
    ScratchDir dir;
    const std::string src = dir / "a.jpg";
    const std::string bytes = patternBytes("a", 3 * 1024 * 1024 + 17);
    ASSERT_TRUE(writeBytes(src, bytes));
    ::chmod(src.c_str(), 0640);
    const struct timeval times[2] = {{1000000000, 0}, {1000000000, 0}};
    ::utimes(src.c_str(), times);

    for (DurableTemp temp : {DurableTemp::Unnamed, DurableTemp::Named}) {
        const std::string target = dir / (temp == DurableTemp::Unnamed ? "u.jpg" : "n.jpg");
        DurableCopyOptions options;
        options.temp = temp;
        // While the copy runs, the final name does not exist yet.
        bool sawFinalName = false;
        options.progress = [&](std::int64_t) {
            sawFinalName = sawFinalName || lexistsPath(target);
            return true;
        };
        ASSERT_TRUE(CopyFileDurably(src, target, options).ok());
        EXPECT_FALSE(sawFinalName);
        EXPECT_EQ(readBytes(target), bytes);
        struct stat st;
        ASSERT_EQ(::stat(target.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0640u);
        EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
    }

    // Cancel part-way: no new file, and an old target keeps its bytes.
    DurableCopyOptions cancel;
    cancel.progress = [](std::int64_t done) { return done < 1024 * 1024; };
    EXPECT_EQ(CopyFileDurably(src, dir / "c.jpg", cancel).error, ECANCELED);
    EXPECT_FALSE(lexistsPath(dir / "c.jpg"));
    ASSERT_TRUE(writeBytes(dir / "old.jpg", "old"));
    const DurableResult cancelled = CopyFileDurably(src, dir / "old.jpg", cancel);
    EXPECT_EQ(cancelled.step, DurableStep::Cancelled);
    EXPECT_EQ(readBytes(dir / "old.jpg"), "old");

    DurableCopyOptions noReplace;
    noReplace.replace = false;
    EXPECT_EQ(CopyFileDurably(src, dir / "old.jpg", noReplace).error, EEXIST);
    EXPECT_EQ(readBytes(dir / "old.jpg"), "old");
    EXPECT_EQ(visibleNames(dir.path()),
              (std::vector<std::string>{"a.jpg", "n.jpg", "old.jpg", "u.jpg"}));
    EXPECT_EQ(namesIn(dir.path()).size(), 4u) << "no temporary file is left";

    // Onto itself: nothing happens (a copy would truncate it first).
    const DurableResult same = CopyFileDurably(src, src);
    EXPECT_TRUE(same.ok());
    EXPECT_TRUE(same.sameFile);
    EXPECT_EQ(readBytes(src), bytes);

    // A FIFO is refused without waiting for a writer.
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    EXPECT_EQ(CopyFileDurably(dir / "pipe", dir / "p2").error, EINVAL);
    EXPECT_FALSE(lexistsPath(dir / "p2"));
}

TEST(DurableMove, AcrossFileSystemsTheSourceGoesOnlyAfterTheCopy) {
    REQUIRE_MOUNTS();
    ScratchDir src, dst;
    ScratchMount other(dst.path(), 16 * 1024 * 1024);
    ASSERT_TRUE(other.mounted());

    for (const std::string& name : oddNames()) {
        SCOPED_TRACE(name);
        const std::string bytes = patternBytes(name, 40000);
        ASSERT_TRUE(writeBytes(src / name, bytes));
        // Every progress step: the source is still whole.
        DurableCopyOptions options;
        bool sourceWhole = true;
        options.progress = [&](std::int64_t) {
            sourceWhole = sourceWhole && readBytes(src / name) == bytes;
            return true;
        };
        const DurableResult r = MoveFileDurably(src / name, dst / name, options);
        ASSERT_TRUE(r.ok()) << r.error;
        EXPECT_TRUE(sourceWhole);
        EXPECT_FALSE(lexistsPath(src / name));
        EXPECT_EQ(readBytes(dst / name), bytes);
    }
    EXPECT_EQ(namesIn(dst.path()).size(), oddNames().size());

    // A link moves as a link.
    ASSERT_EQ(::symlink("-rf.jpg", (src / "link").c_str()), 0);
    ASSERT_TRUE(MoveFileDurably(src / "link", dst / "link").ok());
    char target[64] = {};
    ASSERT_GT(::readlink((dst / "link").c_str(), target, sizeof target - 1), 0);
    EXPECT_STREQ(target, "-rf.jpg");
    EXPECT_FALSE(lexistsPath(src / "link"));

    // Cancelled or refused: the source stays where it was.
    ASSERT_TRUE(writeBytes(src / "big.raw", patternBytes("big", 3 * 1024 * 1024)));
    DurableCopyOptions cancel;
    cancel.progress = [](std::int64_t) { return false; };
    EXPECT_EQ(MoveFileDurably(src / "big.raw", dst / "big.raw", cancel).error, ECANCELED);
    EXPECT_EQ(readBytes(src / "big.raw"), patternBytes("big", 3 * 1024 * 1024));
    EXPECT_FALSE(lexistsPath(dst / "big.raw"));
    ASSERT_TRUE(writeBytes(dst / "big.raw", "there"));
    DurableCopyOptions noReplace;
    noReplace.replace = false;
    EXPECT_EQ(MoveFileDurably(src / "big.raw", dst / "big.raw", noReplace).error, EEXIST);
    EXPECT_TRUE(lexistsPath(src / "big.raw"));
    EXPECT_EQ(readBytes(dst / "big.raw"), "there");
}

TEST(DurableMove, FullOrReadOnlyTargetNeverTouchesTheSource) {
    REQUIRE_MOUNTS();
    ScratchDir src, dst;
    ScratchMount other(dst.path(), 512 * 1024);
    ASSERT_TRUE(other.mounted());
    ASSERT_TRUE(other.fillUpTo(16 * 1024));
    const std::string bytes = patternBytes("photo", 200 * 1024);
    ASSERT_TRUE(writeBytes(src / "photo.jpg", bytes));

    const DurableResult full = MoveFileDurably(src / "photo.jpg", dst / "photo.jpg");
    EXPECT_TRUE(full.noSpace()) << full.error;
    EXPECT_EQ(readBytes(src / "photo.jpg"), bytes);
    EXPECT_EQ(namesIn(dst.path()), std::vector<std::string>{".filler"})
        << "no half file at the target";

    ::unlink((dst / ".filler").c_str());
    ASSERT_TRUE(other.setReadOnly(true));
    const DurableResult ro = MoveFileDurably(src / "photo.jpg", dst / "photo.jpg");
    EXPECT_EQ(ro.error, EROFS);
    EXPECT_EQ(readBytes(src / "photo.jpg"), bytes);
    ASSERT_TRUE(other.setReadOnly(false));

    // The target folder vanished.
    const DurableResult gone = MoveFileDurably(src / "photo.jpg", dst / "gone/photo.jpg");
    EXPECT_TRUE(gone.missing()) << gone.error;
    EXPECT_EQ(readBytes(src / "photo.jpg"), bytes);
}

TEST(DurableFolder, MakeRemoveAndLinksKeepOddNames) {
    ScratchDir dir;
    for (const std::string& name : oddNames()) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(MakeFolderDurably(dir / ("d" + name.substr(0, 200))).ok());
        EXPECT_TRUE(MakeFolderDurably(dir / ("d" + name.substr(0, 200))).ok())
            << "an existing folder is fine";
        ASSERT_EQ(::symlink(name.c_str(), (dir / "l").c_str()), 0);
        ASSERT_TRUE(CopyLinkDurably(dir / "l", dir / name).ok());
        std::string target(512, '\0');
        target.resize(std::size_t(::readlink((dir / name).c_str(), target.data(), target.size())));
        EXPECT_EQ(target, name);
        ASSERT_TRUE(RemoveFileDurably(dir / "l").ok());
        ASSERT_TRUE(RemoveFileDurably(dir / name).ok());
    }
    EXPECT_EQ(RemoveFileDurably(dir / "none").error, ENOENT);
    EXPECT_EQ(FolderOfPath("/a"), "/");
    EXPECT_EQ(FolderOfPath("a"), ".");
    EXPECT_EQ(FolderOfPath("/x/y/z"), "/x/y");
}

// The settings written at exit onto a full disk: the save fails and the old
// INI is left as it was, not emptied.
TEST(DurableWrite, SettingsSaveOnAFullDiskKeepsTheOldIni) {
    REQUIRE_MOUNTS();
    ScratchDir dir;
    ScratchMount disk(dir.path(), 128 * 1024);
    ASSERT_TRUE(disk.mounted());
    const std::string ini = dir / "lumora.ini";
    AppSettings settings;
    settings.ItemSpace = 17;
    ASSERT_TRUE(saveSettingsFile(QString::fromStdString(ini), settings, LiveSettingValues{}));
    const std::string old = readBytes(ini);
    ASSERT_NE(old.find("ItemSpace=17"), std::string::npos);
    ASSERT_TRUE(disk.fillUpTo(1024));

    settings.ItemSpace = 23;
    for (int i = 0; i < 400; ++i)
        settings.AppList << QStringLiteral("/usr/bin/some-long-application-name-%1").arg(i);
    EXPECT_FALSE(saveSettingsFile(QString::fromStdString(ini), settings, LiveSettingValues{}));
    EXPECT_EQ(readBytes(ini), old);
    EXPECT_EQ(visibleNames(dir.path()), std::vector<std::string>{"lumora.ini"});
    EXPECT_EQ(namesIn(dir.path()).size(), 2u) << "the filler and the INI, no temporary";
}
