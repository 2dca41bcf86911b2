#include "engine/FolderWatcher.h"
#include "HeadlessThumbnailView.h"
#include "engine/ThumbnailEngine.h"
#include "platform/FolderWatch.h"

#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <thread>

namespace lumora {
namespace {

using namespace std::chrono_literals;
using test::pumpFor;
using test::pumpUntil;
using test::TempFolder;

// Counts the watch's messages as they reach the watcher.
class MessageCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        MarkDelivered();
        if (MessageCast<FolderChangedMessage>(event))
            ++changed;
        if (MessageCast<RearmWatchMessage>(event))
            ++rearmed;
        return false;
    }
    int changed = 0;
    int rearmed = 0;
};

struct WatchRig {
    explicit WatchRig(const TempFolder& dir, bool autoUpdate) {
        test::app();
        watcher.installEventFilter(&counter);
        watcher.SetFolder(dir.Folder());
        watcher.SetAutoUpdate(autoUpdate);
        watcher.SetReloadHandler([this] {
            ++reloads;
            reloadAt = std::chrono::steady_clock::now();
        });
    }
    CFolderWatcher watcher;
    MessageCounter counter;
    int reloads = 0;
    std::chrono::steady_clock::time_point reloadAt;
};

TEST(FolderChangeNotificationTest, StopEventEndsTheWait) {
    TempFolder dir("stop");
    FolderChangeNotification notification;
    ASSERT_TRUE(notification.Open(dir.Folder()));
    WatchStopEvent stop;
    std::thread signaller([&] {
        std::this_thread::sleep_for(20ms);
        stop.Signal();
    });
    EXPECT_EQ(notification.Wait(stop), FolderChangeNotification::WaitResult::Stopped);
    signaller.join();
    FolderChangeNotification missing;
    EXPECT_FALSE(missing.Open(dir.File("no-such-folder")));
    dir.Write("plain.txt");
    EXPECT_FALSE(missing.Open(dir.File("plain.txt")));
}

TEST(FolderChangeNotificationTest, OnlyFileNamesInTheFolderItselfCount) {
    TempFolder dir("names");
    dir.Write("existing.jpg");
    std::filesystem::create_directory(dir.Path() / "sub");
    FolderChangeNotification notification;
    ASSERT_TRUE(notification.Open(dir.Folder()));
    WatchStopEvent stop;
    // Content, attribute and time changes, a new sub-folder and changes inside
    // it: none is reported.
    dir.Write("existing.jpg", 500);
    ::chmod(dir.File("existing.jpg").c_str(), 0600);
    std::filesystem::last_write_time(dir.File("existing.jpg"),
                                     std::filesystem::file_time_type::clock::now());
    std::filesystem::create_directory(dir.Path() / "newsub");
    std::ofstream(dir.File("sub/inner.jpg")) << "x";
    std::thread signaller([&] {
        std::this_thread::sleep_for(150ms);
        stop.Signal();
    });
    EXPECT_EQ(notification.Wait(stop), FolderChangeNotification::WaitResult::Stopped);
    signaller.join();

    // A rename is.
    std::filesystem::rename(dir.File("existing.jpg"), dir.File("renamed.jpg"));
    WatchStopEvent stop2;
    EXPECT_EQ(notification.Wait(stop2), FolderChangeNotification::WaitResult::Changed);
}

TEST(FolderWatcherTest, ForeignCreationReloadsAboutOneSecondLater) {
    TempFolder dir("auto");
    WatchRig rig(dir, true);
    rig.watcher.StartWatching();
    ASSERT_TRUE(rig.watcher.IsWatching());
    const auto created = std::chrono::steady_clock::now();
    dir.Write("new.jpg");
    ASSERT_TRUE(pumpUntil([&] { return rig.reloads > 0; }, 5s));
    const auto delay = rig.reloadAt - created;
    EXPECT_GE(delay, 900ms);
    EXPECT_LT(delay, 3s);
    EXPECT_EQ(rig.counter.changed, 1);
    EXPECT_EQ(rig.counter.rearmed, 0);
    // Without the reload's new watch the view is not watching any more.
    EXPECT_FALSE(rig.watcher.IsWatching());
    EXPECT_FALSE(rig.watcher.ReloadPending());
}

// A change made while a load reads the folder (after PrepareWatching, before
// the load's StartWatching) is reported by the watch the load starts, so the
// list catches up with the folder; a plain StartWatching sees only later
// changes.
TEST(FolderWatcherTest, ChangesWhileTheFolderIsReadAreNotLost) {
    TempFolder dir("early");
    WatchRig rig(dir, true);
    rig.watcher.PrepareWatching();
    dir.Write("during-the-load.jpg");
    rig.watcher.StartWatching();
    ASSERT_TRUE(pumpUntil([&] { return rig.reloads > 0; }, 5s));
    EXPECT_EQ(rig.counter.changed, 1);

    TempFolder other("late");
    WatchRig plain(other, true);
    other.Write("before-the-watch.jpg");
    plain.watcher.StartWatching();
    pumpFor(300ms);
    EXPECT_EQ(plain.counter.changed, 0);
    EXPECT_TRUE(plain.watcher.IsWatching());
}

// The whole road: a file that appears during a load of a large folder is
// listed once the reload it causes is done.
TEST(FolderWatcherTest, FileCreatedDuringALoadIsListedAfterTheReload) {
    TempFolder dir("during");
    for (int i = 0; i < 3000; ++i)
        dir.Write("f" + std::to_string(i) + ".jpg");
    test::app();
    ImageItemList list;
    HeadlessThumbnailView view(list, 4, 4);
    CThumbnailEngine engine(&view, &list);
    CFolderWatcher watcher;
    watcher.SetFolder(dir.Folder());
    watcher.SetReloadHandler([&] { engine.LoadFolder(dir.Folder()); });
    view.SetEngine(&engine);
    view.SetWatcher(&watcher);
    engine.Start();
    engine.LoadFolder(dir.Folder());
    // Written while the engine is reading the folder (or just after).
    dir.Write("late.jpg");
    EXPECT_TRUE(pumpUntil([&] { return list.Count() == 3001; }, 15s)) << list.Count();
    engine.Shutdown(10000);
}

TEST(FolderWatcherTest, WithoutAutoUpdateOnlyRearms) {
    TempFolder dir("manual");
    WatchRig rig(dir, false);
    rig.watcher.StartWatching();
    dir.Write("one.jpg");
    ASSERT_TRUE(pumpUntil([&] { return rig.counter.changed == 1; }, 5s));
    ASSERT_TRUE(pumpUntil([&] { return rig.watcher.IsWatching(); }, 2s));
    std::filesystem::remove(dir.File("one.jpg"));
    ASSERT_TRUE(pumpUntil([&] { return rig.counter.changed == 2; }, 5s));
    pumpFor(1300ms);
    EXPECT_EQ(rig.reloads, 0);
    EXPECT_TRUE(rig.watcher.IsWatching());
}

TEST(FolderWatcherTest, OwnOperationsNeverReload) {
    TempFolder dir("own");
    WatchRig rig(dir, true);
    rig.watcher.StartWatching();
    rig.watcher.OwnOperation().Set(1);
    dir.Write("pasted.jpg");
    ASSERT_TRUE(pumpUntil([&] { return rig.counter.rearmed == 1; }, 5s));
    std::filesystem::remove(dir.File("pasted.jpg"));
    ASSERT_TRUE(pumpUntil([&] { return rig.counter.rearmed == 2; }, 5s));
    rig.watcher.OwnOperation().Set(0);
    pumpFor(1300ms);
    EXPECT_EQ(rig.reloads, 0);
    EXPECT_EQ(rig.counter.changed, 0);
    EXPECT_TRUE(rig.watcher.IsWatching());
}

TEST(FolderWatcherTest, ContentChangesAreNotNoticed) {
    TempFolder dir("content");
    dir.Write("a.jpg", 10);
    WatchRig rig(dir, true);
    rig.watcher.StartWatching();
    dir.Write("a.jpg", 2000); // saved again under the same name
    {
        int fd = ::open(dir.File("a.jpg").c_str(), O_WRONLY | O_APPEND);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "zz", 2), 2);
        ::close(fd);
    }
    pumpFor(1300ms);
    EXPECT_EQ(rig.counter.changed, 0);
    EXPECT_EQ(rig.reloads, 0);
    EXPECT_TRUE(rig.watcher.IsWatching());
}

TEST(FolderWatcherTest, NewWatchStopsTheOldOneAndDestructionStopsTheLast) {
    TempFolder dir("restart");
    auto rig = std::make_unique<WatchRig>(dir, true);
    for (int i = 0; i < 20; ++i)
        rig->watcher.StartWatching();
    EXPECT_TRUE(rig->watcher.IsWatching());
    dir.Write("x.jpg");
    ASSERT_TRUE(pumpUntil([&] { return rig->counter.changed > 0; }, 5s));
    pumpFor(100ms);
    EXPECT_EQ(rig->counter.changed, 1); // one running watch, one report
    rig->watcher.StartWatching();
    const auto start = std::chrono::steady_clock::now();
    rig.reset(); // the view goes: its watch ends at once
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

TEST(FolderWatcherTest, UnwatchableFolderIsSimplyNotWatched) {
    WatchRig rig(TempFolder("gone"), true);
    rig.watcher.SetFolder("/nonexistent-lumora-folder/");
    rig.watcher.StartWatching();
    EXPECT_FALSE(rig.watcher.IsWatching());
    EXPECT_EQ(rig.counter.changed, 0);
}

TEST(FolderWatcherTest, ReloadAfterForeignCreationListsTheNewFile) {
    TempFolder dir("reload");
    dir.Write("a.jpg");
    test::app();
    ImageItemList list;
    HeadlessThumbnailView view(list, 4, 4);
    CThumbnailEngine engine(&view, &list);
    CFolderWatcher watcher;
    watcher.SetFolder(dir.Folder());
    watcher.SetReloadHandler([&] { engine.LoadFolder(dir.Folder()); });
    view.SetEngine(&engine);
    view.SetWatcher(&watcher);
    engine.Start();
    engine.LoadFolder(dir.Folder());
    ASSERT_TRUE(
        pumpUntil([&] { return view.Counts().watchStarts == 1 && watcher.IsWatching(); }, 5s));
    EXPECT_EQ(list.Count(), 1);
    dir.Write("b.jpg");
    ASSERT_TRUE(pumpUntil([&] { return view.Counts().watchStarts == 2 && list.Count() == 2; }, 5s));
    EXPECT_TRUE(watcher.IsWatching()); // the reload ended with a new watch
    engine.Shutdown(10000);
}

} // namespace
} // namespace lumora
