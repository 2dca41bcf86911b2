// The engine's decode pool: its own bounds and cancellation, and the engine
// with it: whole-file decodes on several threads, a folder change, a scroll
// and a closing view dropping queued work, and no thumbnail ever landing in
// another item's cell while the list changes under the pool.
#include "engine/ThumbnailPool.h"
#include "HeadlessThumbnailView.h"
#include "engine/ImageItemList.h"
#include "engine/ThumbnailEngine.h"

#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

namespace lumora {
namespace {

using namespace std::chrono_literals;
using test::pumpFor;
using test::pumpUntil;
using test::TempFolder;

// ---- the pool alone ----------------------------------------------------------

TEST(ThumbnailPoolTest, RunsOnSeveralThreadsNeverMoreAtOnceAndSkipsUnwantedJobs) {
    std::atomic<int> running{0}, peak{0}, ran{0};
    std::mutex idsMutex;
    std::set<std::thread::id> threads;
    CThumbnailPool pool(
        3, 4,
        [&](const ThumbnailJob&) {
            const int now = ++running;
            int seen = peak.load();
            while (now > seen && !peak.compare_exchange_weak(seen, now)) {
            }
            {
                std::lock_guard lock(idsMutex);
                threads.insert(std::this_thread::get_id());
            }
            std::this_thread::sleep_for(5ms);
            --running;
            ++ran;
        },
        [](const ThumbnailJob& job) { return job.index % 5 != 0; });
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(pool.Submit({i, i + 1, 1}));
    pool.WaitIdle({});
    EXPECT_TRUE(pool.IsIdle());
    EXPECT_EQ(ran.load(), 32); // every fifth was no longer wanted
    EXPECT_EQ(pool.JobsRun(), 32);
    EXPECT_LE(peak.load(), 3);
    EXPECT_GE(threads.size(), 2u);
    pool.Close();
    EXPECT_FALSE(pool.Submit({0, 99, 1}));
}

TEST(ThumbnailPoolTest, CancelDropsQueuedJobsAndRepeatsAreQueuedOnce) {
    std::atomic<bool> release{false};
    std::atomic<int> ran{0};
    std::mutex idsMutex;
    std::multiset<int32_t> ids;
    CThumbnailPool pool(
        1, 8,
        [&](const ThumbnailJob& job) {
            while (!release.load())
                std::this_thread::sleep_for(1ms);
            std::lock_guard lock(idsMutex);
            ids.insert(job.id);
            ++ran;
        },
        [](const ThumbnailJob&) { return true; });
    ASSERT_TRUE(pool.Submit({0, 1, 1})); // taken by the thread, waits there
    ASSERT_TRUE(pumpUntil([&] { return !pool.IsIdle(); }, 1s));
    std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(pool.Submit({0, 1, 1})); // running in this generation: not again
    ASSERT_TRUE(pool.Submit({1, 2, 1}));
    ASSERT_TRUE(pool.Submit({1, 2, 2})); // the queued one takes the newer generation
    pool.Cancel();
    ASSERT_TRUE(pool.Submit({3, 4, 2}));
    release = true;
    pool.WaitIdle({});
    std::lock_guard lock(idsMutex);
    EXPECT_EQ(ids, (std::multiset<int32_t>{1, 4}));
}

TEST(ThumbnailPoolTest, AFullQueueHoldsTheFeederUntilThereIsRoom) {
    std::atomic<bool> release{false};
    CThumbnailPool pool(
        1, 2,
        [&](const ThumbnailJob&) {
            while (!release.load())
                std::this_thread::sleep_for(1ms);
        },
        [](const ThumbnailJob&) { return true; });
    std::atomic<int> submitted{0};
    std::thread feeder([&] {
        for (int i = 0; i < 6; ++i) {
            pool.Submit({i, i + 1, 1});
            ++submitted;
        }
    });
    std::this_thread::sleep_for(100ms);
    EXPECT_LE(submitted.load(), 3); // one running, two queued
    release = true;
    feeder.join();
    pool.WaitIdle({});
    EXPECT_EQ(pool.JobsRun(), 6);
}

// ---- the engine with its pool -------------------------------------------------

// A maker that marks each thumbnail with its own file (a hash of the path in
// the pixels) after a decode-like pause, and records who made what.
// Files under holdFolder wait in the maker, once started, while hold is set.
struct MarkingMaker {
    std::chrono::milliseconds pause{0};
    std::string holdFolder;
    std::atomic<bool> hold{false};
    std::atomic<int> held{0};
    std::mutex mutex;
    std::vector<std::string> made;
    std::set<std::thread::id> threads;
    std::atomic<int> count{0};

    static uint8_t markOf(const std::string& path) {
        return static_cast<uint8_t>(std::hash<std::string>{}(path) % 251 + 1);
    }
    ThumbnailMaker maker() {
        return [this](ImageItem& item, const ThumbnailBox& box) {
            if (!holdFolder.empty() && item.path.rfind(holdFolder, 0) == 0) {
                ++held;
                while (hold.load())
                    std::this_thread::sleep_for(1ms);
            }
            std::this_thread::sleep_for(pause);
            MakePlaceholderThumbnail(item, box);
            const uint8_t mark = markOf(item.path);
            for (int y = 0; y < item.thumb.thumbBits.height(); ++y) {
                uint8_t* row = item.thumb.thumbBits.scanLine(y);
                std::fill(row, row + 3 * item.thumb.thumbBits.width(), mark);
            }
            item.thumb.thumbReal = 1;
            std::lock_guard lock(mutex);
            made.push_back(item.path);
            threads.insert(std::this_thread::get_id());
            ++count;
        };
    }
    int madeUnder(const std::string& folder) {
        std::lock_guard lock(mutex);
        int n = 0;
        for (const auto& p : made)
            n += p.rfind(folder, 0) == 0;
        return n;
    }
};

struct PoolRig {
    PoolRig(int columns, int rows, int threads, MarkingMaker& marking)
        : view(list, columns, rows), engine(&view, &list) {
        test::app();
        view.SetEngine(&engine);
        view.SetWindow(&viewWindow);
        engine.SetMainWindow(&mainWindow);
        engine.SetThumbnailMaker(marking.maker());
        engine.SetDecodeThreads(threads);
        engine.Start();
    }
    ~PoolRig() { engine.Shutdown(10000); }
    void Load(const std::string& folder) {
        view.SetBusy(true);
        engine.LoadFolder(folder);
    }
    bool WaitIdle(std::chrono::milliseconds timeout = 30s) {
        return pumpUntil([&] { return !view.IsBusy(); }, timeout);
    }
    // Every item of the list lies in folder and has its thumbnail.
    void ExpectAllMadeIn(const std::string& folder) {
        for (int i = 0; i < list.Count(); ++i) {
            ImageItem item;
            ASSERT_TRUE(list.CopyOut(i, item, CopyPixels::None));
            EXPECT_EQ(item.path.rfind(folder, 0), 0u) << item.path;
            EXPECT_TRUE(list.HasThumbnail(i)) << item.path << " at " << i;
        }
    }
    // Every item holding a thumbnail holds its own file's.
    void ExpectOwnThumbnails() {
        for (int i = 0; i < list.Count(); ++i) {
            ImageItem item;
            if (!list.CopyOut(i, item) || item.thumb.thumbBits.isNull() || !item.thumb.thumbReal)
                continue;
            EXPECT_EQ(item.thumb.thumbBits.scanLine(0)[0], MarkingMaker::markOf(item.path))
                << item.path << " at " << i;
        }
    }

    ImageItemList list;
    HeadlessThumbnailView view;
    test::RecordingReceiver mainWindow;
    test::RecordingReceiver viewWindow;
    CThumbnailEngine engine;
};

void fill(const TempFolder& dir, const std::string& prefix, int count) {
    for (int i = 0; i < count; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "%s%05d.jpg", prefix.c_str(), i);
        dir.Write(name);
    }
}

TEST(ThumbnailPoolEngineTest, WholeFileThumbnailsAreMadeOnThePoolAndDrawnInTheirCells) {
    TempFolder dir("pool-all");
    fill(dir, "p", 40);
    MarkingMaker marking;
    marking.pause = 5ms;
    PoolRig rig(8, 5, 3, marking);
    rig.Load(dir.Folder());
    ASSERT_TRUE(rig.WaitIdle());
    ASSERT_TRUE(rig.view.WaitForVisibleDrawn(5s));
    EXPECT_EQ(rig.engine.PoolJobsRun(), 40);
    EXPECT_EQ(marking.count.load(), 40);
    EXPECT_GE(marking.threads.size(), 2u);
    EXPECT_EQ(rig.view.DrawnWithThumbnail().size(), 40u);
    rig.ExpectOwnThumbnails();
}

// A folder change while both pool threads are inside decodes of folder a,
// which wait there until released: nothing else of a can start meanwhile.
struct HeldFolderChange {
    static constexpr int kThreads = 2;
    HeldFolderChange(const std::string& tag, int countA, int countB)
        : a(tag + "-a"), b(tag + "-b") {
        fill(a, "a", countA);
        fill(b, "b", countB);
        marking.holdFolder = a.Folder();
        marking.hold = true;
        rig = std::make_unique<PoolRig>(8, 5, kThreads, marking);
    }
    ~HeldFolderChange() {
        marking.hold = false; // a test that ended early must not hold the close
        rig.reset();
    }
    // Loads a, waits until its first decodes are held, then loads b.
    bool ChangeWhileHeld(std::chrono::milliseconds settle) {
        rig->Load(a.Folder());
        if (!pumpUntil([&] { return marking.held.load() == kThreads; }, 10s))
            return false;
        pumpFor(settle);
        rig->mainWindow.Clear();
        rig->Load(b.Folder());
        return true;
    }
    int EndsReported() const {
        int ends = 0;
        for (const auto& p : rig->mainWindow.Of(WM_THUMB_PROGRESS))
            ends += p.done == 100 && p.total == 100;
        return ends;
    }

    TempFolder a, b;
    MarkingMaker marking;
    std::unique_ptr<PoolRig> rig;
};

// The worker is still feeding a's jobs when b is loaded (a's queue is
// longer than the pool's): a's queued decodes are dropped, and the view is
// busy until all of b is made, though the pass that was cut short may end
// while b's items still wait in the worker's queue.
TEST(ThumbnailPoolEngineTest, AFolderChangeMidPoolDropsTheOldFoldersQueuedDecodes) {
    HeldFolderChange change("pool", 40, 40);
    change.marking.pause = 5ms;
    PoolRig& rig = *change.rig;
    ASSERT_TRUE(change.ChangeWhileHeld(0ms));
    pumpFor(50ms);
    change.marking.hold = false;
    ASSERT_TRUE(rig.WaitIdle());
    // Idle means done: every cell of b is made when the busy state ends.
    rig.ExpectAllMadeIn(change.b.Folder());
    EXPECT_EQ(change.marking.madeUnder(change.b.Folder()), 40);
    // Only what was already being decoded finished.
    EXPECT_EQ(change.marking.held.load(), HeldFolderChange::kThreads);
    EXPECT_EQ(change.marking.madeUnder(change.a.Folder()), HeldFolderChange::kThreads);
    ASSERT_TRUE(rig.view.WaitForVisibleDrawn(10s));
    rig.ExpectOwnThumbnails();
}

// All of a small folder is handed to the pool and the worker waits for it
// when the folder changes: the view stays busy while a's decodes still run,
// and the end is reported once, after b is made.
TEST(ThumbnailPoolEngineTest, AFolderChangeWhileThePoolFinishesKeepsTheViewBusy) {
    HeldFolderChange change("pool-small", 5, 30);
    PoolRig& rig = *change.rig;
    ASSERT_TRUE(change.ChangeWhileHeld(50ms)); // the rest of a waits in the pool's queue
    pumpFor(100ms);
    EXPECT_TRUE(rig.view.IsBusy());
    EXPECT_EQ(change.EndsReported(), 0);
    change.marking.hold = false;
    ASSERT_TRUE(rig.WaitIdle());
    rig.ExpectAllMadeIn(change.b.Folder());
    EXPECT_EQ(change.marking.madeUnder(change.a.Folder()), HeldFolderChange::kThreads);
    ASSERT_TRUE(pumpUntil([&] { return change.EndsReported() > 0; }, 5s));
    pumpFor(50ms);
    EXPECT_EQ(change.EndsReported(), 1);
}

TEST(ThumbnailPoolEngineTest, ScrollingAwayDropsQueuedDecodesOfHiddenCells) {
    TempFolder dir("pool-scroll");
    fill(dir, "s", 400);
    MarkingMaker marking;
    marking.pause = 30ms;
    PoolRig rig(8, 5, 2, marking);
    rig.Load(dir.Folder());
    ASSERT_TRUE(pumpUntil([&] { return marking.count.load() >= 1; }, 10s));
    rig.view.ScrollTo(25); // items 200..239
    const int beforeScroll = marking.count.load();
    ASSERT_TRUE(rig.WaitIdle());
    ASSERT_TRUE(rig.view.WaitForVisibleDrawn(10s));
    // The new screen, plus at most what was running when it scrolled.
    EXPECT_LE(marking.count.load() - beforeScroll, 40 + 2);
    for (int i = 200; i < 240; ++i)
        EXPECT_TRUE(rig.list.HasThumbnail(i)) << i;
    rig.ExpectOwnThumbnails();
}

TEST(ThumbnailPoolEngineTest, ClosingTheViewEndsThePoolAtOnce) {
    TempFolder dir("pool-close");
    fill(dir, "c", 400);
    MarkingMaker marking;
    marking.pause = 50ms;
    auto rig = std::make_unique<PoolRig>(20, 20, 2, marking);
    rig->Load(dir.Folder());
    ASSERT_TRUE(pumpUntil([&] { return marking.count.load() >= 2; }, 10s));
    const int atClose = marking.count.load();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(rig->engine.Shutdown(10000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    rig.reset();
    EXPECT_LE(marking.count.load() - atClose, 2 + 1);
}

// Folder changes, resorting adds and scrolls while the pool decodes: a
// result always goes to the item it was made for (ids checked), never into
// the cell of whatever item took its place. Also run under ThreadSanitizer.
TEST(ThumbnailPoolEngineTest, NoThumbnailEverLandsInAnotherFilesCell) {
    TempFolder a("pool-ids-a");
    fill(a, "m", 120);
    TempFolder b("pool-ids-b");
    fill(b, "k", 120);
    MarkingMaker marking;
    marking.pause = 2ms;
    PoolRig rig(6, 4, 3, marking);
    for (int round = 0; round < 6; ++round) {
        const TempFolder& dir = round % 2 ? b : a;
        rig.Load(dir.Folder());
        pumpFor(std::chrono::milliseconds(10 + 7 * round));
        // New names sort in front and move every item while jobs are queued.
        std::vector<std::string> names;
        for (int i = 0; i < 3; ++i) {
            const std::string name = "0" + std::to_string(round) + "_" + std::to_string(i) + ".jpg";
            dir.Write(name);
            names.push_back(dir.File(name));
        }
        rig.engine.AddPasted(names, dir.Folder());
        rig.view.ScrollTo(round % 3);
        pumpFor(15ms);
        rig.ExpectOwnThumbnails();
    }
    ASSERT_TRUE(rig.WaitIdle());
    ASSERT_TRUE(rig.view.WaitForVisibleDrawn(10s));
    pumpFor(50ms);
    rig.ExpectOwnThumbnails();
}

} // namespace
} // namespace lumora
