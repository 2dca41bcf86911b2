#include "platform/ShellNamespace.h"
#include "platform/MountTable.h"
#include "platform/VolumeWatcher.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

using namespace lumora;

namespace {

const QByteArray kMountInfo =
    "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
    "23 22 0:5 / /proc rw - proc proc rw\n"
    "24 22 0:6 / /dev rw - devtmpfs udev rw\n"
    "25 22 0:7 / /run rw - tmpfs tmpfs rw\n"
    "26 22 8:17 / /media/u/My\\040Disk rw,nosuid shared:7 master:1 - vfat /dev/sdb1 rw\n"
    "27 22 8:2 / /home rw - ext4 /dev/sda2 rw\n"
    "28 25 8:33 / /run/media/u/CARD rw - exfat /dev/sdc1 rw\n"
    "29 22 0:40 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n"
    "30 22 7:0 / /snap/core/1 ro - squashfs /dev/loop0 ro\n"
    "31 22 8:3 / /boot rw - ext4 /dev/sda3 rw\n"
    "32 27 0:50 / /home/u/.cache/doc rw - fuse.portal portal rw\n"
    "33 22 8:4 / /home rw - ext4 /dev/sda4 rw\n"
    "garbage line\n"
    "34 22 8:5 / relative rw - ext4 /dev/sda5 rw\n"
    "35 22 8:6 / /srv/data rw - nfs4 server:/x rw\n";

void makeDirs(const QString& base, const QStringList& relative) {
    for (const QString& r : relative)
        ASSERT_TRUE(QDir().mkpath(base + "/" + r)) << qPrintable(r);
}

QStringList names(const std::vector<ShellItem>& items) {
    QStringList out;
    for (const ShellItem& item : items)
        out.append(item.displayName);
    return out;
}

struct Fixture {
    QTemporaryDir temp;
    QString home, desktop, mountInfo;
    ShellNamespaceConfig config;

    Fixture() {
        home = temp.path() + "/home";
        desktop = home + "/Desktop";
        QDir().mkpath(desktop);
        mountInfo = temp.path() + "/mountinfo";
        QFile file(mountInfo);
        file.open(QIODevice::WriteOnly);
        file.write("22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                   "23 22 0:5 / /proc rw - proc proc rw\n");
        file.write(QStringLiteral("40 22 8:9 / %1 rw - ext4 /dev/sdz rw\n")
                       .arg(temp.path() + "/vol")
                       .toUtf8());
        QDir().mkpath(temp.path() + "/vol/inside/deeper");
        config.homePath = home;
        config.desktopPath = desktop;
        config.mountInfoPath = mountInfo;
        config.userSharesPath = temp.path() + "/shares";
    }
};

} // namespace

TEST(MountTable, ParsesAndUnescapes) {
    const auto entries = parseMountInfo(kMountInfo);
    ASSERT_EQ(entries.size(), 13u); // the two malformed lines are skipped
    EXPECT_EQ(entries[4].mountPoint, "/media/u/My Disk");
    EXPECT_EQ(entries[4].fsType, "vfat");
    EXPECT_EQ(entries[4].source, "/dev/sdb1");
}

TEST(MountTable, BrowsableVolumesInMountOrderWithoutPseudoFileSystems) {
    EXPECT_EQ(browsableVolumes(parseMountInfo(kMountInfo)),
              (QStringList{"/", "/media/u/My Disk", "/home", "/run/media/u/CARD", "/srv/data"}));
    EXPECT_EQ(browsableVolumes({}), QStringList{"/"});
}

TEST(ShellNamespace, DesktopChildrenComeHomeComputerThenDesktopFoldersByName) {
    Fixture f;
    makeDirs(f.desktop, {"zeta", "Alpha", "beta", ".hidden"});
    QFile(f.desktop + "/file.txt").open(QIODevice::WriteOnly);
    CShellNamespace ns(f.config);
    const ShellItem root = ns.root();
    EXPECT_EQ(root.displayName, "デスクトップ");
    EXPECT_EQ(root.path, f.desktop);
    const auto children = ns.children(root);
    EXPECT_EQ(names(children), (QStringList{"home", "コンピュータ", "Alpha", "beta", "zeta"}));
    EXPECT_EQ(children[0].kind, ShellItemKind::Home);
    EXPECT_EQ(children[1].kind, ShellItemKind::Computer);
    EXPECT_TRUE(children[1].isVirtual());
    EXPECT_EQ(children[1].key(), "::computer");
    EXPECT_EQ(children[2].path, f.desktop + "/Alpha");
}

TEST(ShellNamespace, DesktopSameAsHomeListsNoDuplicates) {
    Fixture f;
    f.config.desktopPath = f.home;
    CShellNamespace ns(f.config);
    EXPECT_EQ(names(ns.children(ns.root())), (QStringList{"home", "コンピュータ"}));
}

TEST(ShellNamespace, ComputerListsRootThenMountedVolumes) {
    Fixture f;
    CShellNamespace ns(f.config);
    const auto volumes = ns.children(ns.computer());
    ASSERT_EQ(volumes.size(), 2u);
    EXPECT_EQ(volumes[0].path, "/");
    EXPECT_EQ(volumes[1].path, f.temp.path() + "/vol");
    EXPECT_EQ(volumes[1].kind, ShellItemKind::Volume);
    EXPECT_TRUE(volumes[1].hasSubfolders);
}

TEST(ShellNamespace, FolderAttributes) {
    Fixture f;
    makeDirs(f.home, {"a/sub", "b", "c/.onlyhidden", "shared"});
    ASSERT_EQ(::symlink("a", qPrintable(f.home + "/link")), 0);
    ASSERT_EQ(::symlink("nowhere", qPrintable(f.home + "/dangling")), 0);
    QDir().mkpath(f.config.userSharesPath);
    QFile share(f.config.userSharesPath + "/shared");
    share.open(QIODevice::WriteOnly);
    share.write(QStringLiteral("#VERSION 2\npath=%1/shared\n").arg(f.home).toUtf8());
    share.close();

    CShellNamespace ns(f.config);
    std::map<QString, ShellItem> byName;
    for (const ShellItem& item : ns.children(ns.home()))
        byName[item.displayName] = item;
    EXPECT_EQ(byName.size(), 6u); // a b c shared link Desktop; the dangling link is not a folder
    EXPECT_TRUE(byName["a"].hasSubfolders);
    EXPECT_FALSE(byName["b"].hasSubfolders);
    EXPECT_FALSE(byName["c"].hasSubfolders) << "hidden folders do not count";
    EXPECT_TRUE(byName["link"].isLink);
    EXPECT_TRUE(byName["link"].hasSubfolders);
    EXPECT_FALSE(byName["a"].isLink);
    EXPECT_TRUE(byName["shared"].isShared);
    EXPECT_FALSE(byName["a"].isShared);
    EXPECT_TRUE(byName["a"].isFileSystemAncestor);
    EXPECT_EQ(byName["a"].relativeId, "a");
    EXPECT_EQ(byName.count("dangling"), 0u);
}

TEST(ShellNamespace, UnreadableOrVanishedFolderHasNoChildren) {
    Fixture f;
    makeDirs(f.home, {"gone/x"});
    CShellNamespace ns(f.config);
    auto item = ns.folderItem(f.home + "/gone");
    ASSERT_TRUE(item);
    ASSERT_TRUE(QDir(f.home + "/gone").removeRecursively());
    EXPECT_TRUE(ns.children(*item).empty());
}

TEST(ShellNamespace, ParseBuildsTheChainFromTheRoot) {
    Fixture f;
    makeDirs(f.home, {"Pictures/2024"});
    makeDirs(f.desktop, {"work/deep"});
    CShellNamespace ns(f.config);

    auto chain = ns.parse(f.home + "/Pictures/2024/");
    ASSERT_TRUE(chain);
    ASSERT_EQ(chain->size(), 4u);
    EXPECT_EQ((*chain)[1].kind, ShellItemKind::Home);
    EXPECT_EQ((*chain)[3].path, f.home + "/Pictures/2024");
    EXPECT_EQ((*chain)[3].relativeId, "2024");

    chain = ns.parse(f.desktop + "/work/deep");
    ASSERT_TRUE(chain);
    ASSERT_EQ(chain->size(), 3u);
    EXPECT_EQ((*chain)[1].relativeId, f.desktop + "/work");

    chain = ns.parse(f.desktop);
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->size(), 1u);

    chain = ns.parse(f.temp.path() + "/vol/inside/deeper");
    ASSERT_TRUE(chain);
    ASSERT_EQ(chain->size(), 5u);
    EXPECT_EQ((*chain)[1].kind, ShellItemKind::Computer);
    EXPECT_EQ((*chain)[2].path, f.temp.path() + "/vol") << "the longest mount prefix";

    chain = ns.parse("::computer");
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->size(), 2u);
    chain = ns.parse("コンピュータ");
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->size(), 2u);

    chain = ns.parse("~/Pictures");
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->back().path, f.home + "/Pictures");
}

TEST(ShellNamespace, ParseMatchesCaseOnlyWhenTheExactNameIsMissing) {
    Fixture f;
    makeDirs(f.home, {"Photos/Trip", "photos"});
    CShellNamespace ns(f.config);
    auto chain = ns.parse(f.home + "/PHOTOS/trip");
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->back().path, f.home + "/Photos/Trip");
    chain = ns.parse(f.home + "/photos");
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->back().path, f.home + "/photos") << "an exact match wins";
}

TEST(ShellNamespace, ParseRejectsWhatIsNotAnExistingFolder) {
    Fixture f;
    QFile(f.home + "/file").open(QIODevice::WriteOnly);
    CShellNamespace ns(f.config);
    EXPECT_FALSE(ns.parse(""));
    EXPECT_FALSE(ns.parse("   "));
    EXPECT_FALSE(ns.parse("relative/path"));
    EXPECT_FALSE(ns.parse(f.home + "/missing"));
    EXPECT_FALSE(ns.parse(f.home + "/file"));
    EXPECT_FALSE(ns.parse("https://example.org/"));
}

TEST(VolumeWatcher, SignalsArrivalAndRemoval) {
    QTemporaryDir temp;
    const QString path = temp.path() + "/mountinfo";
    auto write = [&](const QByteArray& text) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    };
    write("1 0 8:1 / / rw - ext4 /dev/sda1 rw\n");
    CVolumeWatcher watcher(nullptr, path, 60000);
    QStringList arrived, removed;
    QObject::connect(&watcher, &CVolumeWatcher::volumeArrived,
                     [&](const QString& p) { arrived << p; });
    QObject::connect(&watcher, &CVolumeWatcher::volumeRemoved,
                     [&](const QString& p) { removed << p; });
    write("1 0 8:1 / / rw - ext4 /dev/sda1 rw\n2 1 8:17 / /media/usb rw - vfat /dev/sdb1 rw\n"
          "3 1 0:9 / /proc/x rw - proc p rw\n");
    watcher.checkNow();
    EXPECT_EQ(arrived, QStringList{"/media/usb"});
    EXPECT_TRUE(removed.isEmpty());
    watcher.checkNow();
    EXPECT_EQ(arrived.size(), 1) << "no change, no signal";
    write("1 0 8:1 / / rw - ext4 /dev/sda1 rw\n");
    watcher.checkNow();
    EXPECT_EQ(removed, QStringList{"/media/usb"});
}
