#include "engine/ThumbnailEngine.h"
#include "HeadlessThumbnailView.h"
#include "engine/ImageItemList.h"

#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <grp.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumora {
namespace {

using namespace std::chrono_literals;
using test::pumpFor;
using test::pumpUntil;
using test::RecordingReceiver;
using test::TempFolder;

// One view with its list, engine, main window and view window stand-ins.
struct Rig {
    explicit Rig(int columns = 8, int rows = 5, ThumbnailMaker maker = {})
        : view(list, columns, rows), engine(&view, &list) {
        test::app();
        view.SetEngine(&engine);
        view.SetWindow(&viewWindow);
        engine.SetTabIndex(0);
        engine.SetMainWindow(&mainWindow);
        if (maker)
            engine.SetThumbnailMaker(std::move(maker));
        engine.Start();
    }
    ~Rig() { engine.Shutdown(10000); }

    // Loads like the view does: busy set, then the request.
    void Load(const std::string& folder) {
        view.SetBusy(true);
        engine.LoadFolder(folder);
    }
    bool WaitIdle(std::chrono::milliseconds timeout = 20s) {
        return pumpUntil([&] { return !view.IsBusy(); }, timeout);
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (int i = 0; i < list.Count(); ++i) {
            ImageItem item;
            list.CopyOut(i, item, CopyPixels::None);
            names.push_back(item.fileName);
        }
        return names;
    }

    ImageItemList list;
    HeadlessThumbnailView view;
    RecordingReceiver mainWindow;
    RecordingReceiver viewWindow;
    CThumbnailEngine engine;
};

// The add requests end by posting WM_THUMB_SETCURSOR -1 (a pass may also
// post 0 for item 0).
bool waitCursorRefresh(const RecordingReceiver& viewWindow) {
    return pumpUntil(
        [&] {
            for (const auto& p : viewWindow.Of(WM_THUMB_SETCURSOR))
                if (p.value == -1)
                    return true;
            return false;
        },
        5s);
}

void fill(const TempFolder& dir, const std::string& prefix, int count) {
    for (int i = 0; i < count; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "%s%05d.jpg", prefix.c_str(), i);
        dir.Write(name);
    }
}

TEST(ThumbnailEngineTest, LoadListsSortsScansAndDrawsTheFirstScreen) {
    TempFolder dir("load");
    fill(dir, "img", 60);
    dir.Write("a.bmp");
    Rig rig(4, 3);
    rig.Load(dir.Folder());
    ASSERT_TRUE(rig.WaitIdle());
    ASSERT_TRUE(rig.view.WaitForVisibleDrawn(5s));
    const auto names = rig.Names();
    ASSERT_EQ(names.size(), 61u);
    EXPECT_EQ(names.front(), "a.bmp"); // sorted by name across patterns
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    for (int i = 0; i < rig.list.Count(); ++i)
        EXPECT_EQ(rig.list.HasThumbnail(i), i < 12) << i; // only visible cells get thumbnails
    EXPECT_EQ(rig.view.DrawnWithThumbnail().size(), 12u);
    const auto counts = rig.view.Counts();
    EXPECT_EQ(counts.resetsWithDelete, 1);
    EXPECT_EQ(counts.watchStarts, 1);
    EXPECT_EQ(counts.emptyPlaceholders, 0);
    ASSERT_TRUE(pumpUntil([&] { return !rig.viewWindow.Of(WM_THUMB_SETCURSOR).empty(); }, 2s));
    EXPECT_EQ(rig.viewWindow.Of(WM_THUMB_SETCURSOR).front().value, 0); // cursor to item 0
    const auto phases = rig.mainWindow.Of(WM_THUMB_PHASE);
    ASSERT_GE(phases.size(), 2u);
    EXPECT_EQ(phases.front().value, 2);
    EXPECT_EQ(phases.back().value, 0);
    const auto countMessages = rig.mainWindow.Of(WM_THUMB_COUNT);
    ASSERT_FALSE(countMessages.empty());
    EXPECT_EQ(countMessages.back().value, 61);

    // Files are scanned but have no thumbnail unless shown; the placeholder
    // maker still gives every made item pixels and its file status.
    ImageItem first;
    rig.list.CopyOut(0, first);
    EXPECT_EQ(first.thumb.thumbReal, 0);
    EXPECT_EQ(first.fileStatus.size, 16);
}

TEST(ThumbnailEngineTest, ProgressStepsEveryFiftiethAndEndsWithHundredOfHundred) {
    TempFolder dir("progress");
    fill(dir, "p", 120);
    Rig rig;
    rig.Load(dir.Folder());
    ASSERT_TRUE(rig.WaitIdle());
    ASSERT_TRUE(pumpUntil(
        [&] {
            auto p = rig.mainWindow.Of(WM_THUMB_PROGRESS);
            return !p.empty() && p.back().done == 100;
        },
        5s));
    const auto progress = rig.mainWindow.Of(WM_THUMB_PROGRESS);
    ASSERT_EQ(progress.size(), 61u); // 120 / 2 steps plus the closing pair
    for (int i = 0; i < 60; ++i) {
        EXPECT_EQ(progress[i].done, 2 * (i + 1));
        EXPECT_EQ(progress[i].total, 120);
        EXPECT_EQ(progress[i].tabIndex, 0); // the view's index
    }
    EXPECT_EQ(progress.back().done, 100);
    EXPECT_EQ(progress.back().total, 100);
    EXPECT_FALSE(rig.view.IsBusy());
}

// The tab index is a value the GUI thread hands the engine; the engine's
// threads never ask the view for it. A tab that moved reports its new place.
TEST(ThumbnailEngineTest, ReportsCarryTheTabIndexTheGuiThreadSet) {
    TempFolder dir("tab");
    fill(dir, "t", 10);
    Rig rig;
    rig.engine.SetTabIndex(4);
    rig.Load(dir.Folder());
    ASSERT_TRUE(rig.WaitIdle());
    ASSERT_TRUE(pumpUntil(
        [&] {
            auto p = rig.mainWindow.Of(WM_THUMB_PROGRESS);
            return !p.empty() && p.back().done == 100;
        },
        5s));
    for (const auto& p : rig.mainWindow.Of(WM_THUMB_PROGRESS))
        EXPECT_EQ(p.tabIndex, 4);
    // The folder load reports its count for the tab label too.
    const auto loaded = rig.mainWindow.Of(WM_THUMB_VIEWCOUNT);
    ASSERT_FALSE(loaded.empty());
    EXPECT_EQ(loaded.back().value, 10);
    EXPECT_EQ(loaded.back().tabIndex, 4);

    rig.engine.SetTabIndex(2);
    rig.mainWindow.Clear();
    dir.Write("u00000.jpg");
    auto request = std::make_unique<AddFilesRequest>();
    request->paths = {dir.File("u00000.jpg")};
    rig.engine.AddFiles(std::move(request));
    ASSERT_TRUE(pumpUntil([&] { return !rig.mainWindow.Of(WM_THUMB_VIEWCOUNT).empty(); }, 5s));
    const auto viewCount = rig.mainWindow.Of(WM_THUMB_VIEWCOUNT).back();
    EXPECT_EQ(viewCount.value, 11);
    EXPECT_EQ(viewCount.tabIndex, 2);
}

TEST(ThumbnailEngineTest, EmptyFolderShowsPlaceholderAndNoCursor) {
    TempFolder dir("empty");
    dir.Write("readme.txt");
    Rig rig;
    rig.Load(dir.Folder());
    ASSERT_TRUE(pumpUntil([&] { return !rig.viewWindow.Of(WM_THUMB_NOCURSOR).empty(); }, 5s));
    EXPECT_EQ(rig.view.Counts().emptyPlaceholders, 1);
    EXPECT_EQ(rig.list.Count(), 0);
    EXPECT_TRUE(rig.viewWindow.Of(WM_THUMB_SETCURSOR).empty());
    pumpUntil([&] { return !rig.mainWindow.Of(WM_THUMB_COUNT).empty(); }, 1s);
    for (const auto& c : rig.mainWindow.Of(WM_THUMB_COUNT))
        EXPECT_EQ(c.value, 0);
    // Nothing needed a scan: the work ends all the same, without progress.
    EXPECT_TRUE(rig.WaitIdle(5s));
    pumpFor(100ms);
    EXPECT_TRUE(rig.mainWindow.Of(WM_THUMB_PROGRESS).empty());
}

TEST(ThumbnailEngineTest, SecondFolderSupersedesTheFirst) {
    TempFolder a("folderA");
    fill(a, "a", 4000);
    TempFolder b("folderB");
    fill(b, "b", 30);
    std::atomic<int> made{0};
    Rig rig(8, 5, [&](ImageItem& item, const ThumbnailBox& p) {
        ++made;
        MakePlaceholderThumbnail(item, p);
    });
    rig.Load(a.Folder());
    rig.Load(b.Folder());
    ASSERT_TRUE(rig.WaitIdle());
    ASSERT_TRUE(rig.view.WaitForVisibleDrawn(5s));
    pumpFor(50ms);
    const auto names = rig.Names();
    ASSERT_EQ(names.size(), 30u);
    for (const auto& n : names)
        EXPECT_EQ(n[0], 'b') << n;
    EXPECT_EQ(rig.view.Counts().watchStarts, 1); // only B's load finished
    for (int i = 0; i < rig.list.Count(); ++i) {
        ImageItem item;
        rig.list.CopyOut(i, item, CopyPixels::None);
        EXPECT_EQ(item.path.rfind(b.Folder(), 0), 0u);
    }
    EXPECT_LE(made.load(), 40 + 40); // never A's whole folder
}

TEST(ThumbnailEngineTest, ScrollingReleasesFarThumbnailsAndRemakesThemOnReturn) {
    TempFolder dir("scroll");
    fill(dir, "s", 200);
    Rig rig(5, 4);
    rig.Load(dir.Folder());
    ASSERT_TRUE(rig.WaitIdle());
    ASSERT_TRUE(rig.view.WaitForVisibleDrawn(5s));
    rig.view.ScrollTo(12); // three screens down
    ASSERT_TRUE(rig.view.WaitForVisibleDrawn(5s));
    EXPECT_FALSE(rig.list.HasThumbnail(0));
    EXPECT_TRUE(rig.list.HasThumbnail(60));
    rig.view.ScrollTo(0);
    ASSERT_TRUE(rig.view.WaitForVisibleDrawn(5s));
    EXPECT_TRUE(rig.list.HasThumbnail(0));
    EXPECT_FALSE(rig.list.HasThumbnail(79)); // beyond one screen from the top
    // The pixels held are bounded by three screens, not by the folder.
    const std::size_t perItem = DibImage(120, 90).byteSize();
    EXPECT_LE(rig.list.PixelBytes(), 3u * 20u * perItem);
}

TEST(ThumbnailEngineTest, AddFilesSelectsNewFilesOnlyWithoutPriorSelection) {
    TempFolder dir("add");
    for (const char* name : {"a.jpg", "b.JPG", "c.sr2", "d.txt", "e.tif", "f.jpg"})
        dir.Write(name);
    Rig rig;
    rig.list.Add(ImageItem::FromPath(dir.File("f.jpg"), ImageKind::Jpeg));

    auto request = std::make_unique<AddFilesRequest>();
    request->paths = {dir.File("a.jpg"), dir.File("b.JPG"),       dir.File("c.sr2"),
                      dir.File("d.txt"), dir.File("missing.jpg"), dir.File("e.tif")};
    request->select = true;
    request->rescan = true;
    rig.engine.AddFiles(std::move(request));
    ASSERT_TRUE(waitCursorRefresh(rig.viewWindow));
    // SR2 is not in the extension table, text files are discarded, missing paths skipped.
    EXPECT_EQ(rig.Names(), (std::vector<std::string>{"f.jpg", "a.jpg", "b.JPG", "e.tif"}));
    EXPECT_EQ(rig.list.GetState(0), 0);
    EXPECT_EQ(rig.list.GetState(1), kStateSelected | kStateCursor);
    EXPECT_EQ(rig.list.GetState(2), kStateSelected);
    EXPECT_EQ(rig.list.GetState(3), kStateSelected);
    EXPECT_EQ(rig.view.CursorIndex(), 1);

    // With a selection in place, added files stay unselected and the cursor
    // goes to the first selected item; an already listed file is not marked.
    rig.list.ClearAllStates();
    rig.list.SetStateBits(2, kStateSelected);
    rig.view.SetCursorIndex(3);
    rig.list.SetStateBits(3, kStateCursor);
    rig.viewWindow.Clear();
    dir.Write("g.psd");
    request = std::make_unique<AddFilesRequest>();
    request->paths = {dir.File("g.psd"), dir.File("F.JPG")};
    request->select = true;
    rig.engine.AddFiles(std::move(request));
    ASSERT_TRUE(waitCursorRefresh(rig.viewWindow));
    EXPECT_EQ(rig.list.Count(), 5);
    EXPECT_EQ(rig.list.GetState(4), 0);
    EXPECT_EQ(rig.list.GetState(0), 0);
    EXPECT_EQ(rig.list.GetState(3), 0); // the old cursor bit is cleared
    EXPECT_EQ(rig.list.GetState(2), kStateSelected | kStateCursor);
    EXPECT_EQ(rig.view.CursorIndex(), 2);
}

TEST(ThumbnailEngineTest, AddFilesMarksAnAlreadyListedFileWithoutSelection) {
    TempFolder dir("mark");
    dir.Write("x.jpg");
    Rig rig;
    rig.list.Add(ImageItem::FromPath(dir.File("x.jpg"), ImageKind::Jpeg));
    auto request = std::make_unique<AddFilesRequest>();
    request->paths = {dir.File("x.jpg")};
    request->select = true;
    rig.engine.AddFiles(std::move(request));
    ASSERT_TRUE(waitCursorRefresh(rig.viewWindow));
    EXPECT_EQ(rig.list.Count(), 1);
    EXPECT_EQ(rig.list.GetState(0), kStateSelected | kStateCursor);

    // Without select nothing is marked and the cursor is left alone.
    rig.list.ClearAllStates();
    rig.viewWindow.Clear();
    request = std::make_unique<AddFilesRequest>();
    request->paths = {dir.File("x.jpg")};
    rig.engine.AddFiles(std::move(request));
    ASSERT_TRUE(pumpUntil(
        [&] {
            auto p = rig.mainWindow.Of(WM_THUMB_PHASE);
            return p.size() >= 4 && p.back().value == 0;
        },
        5s));
    pumpFor(50ms);
    EXPECT_EQ(rig.list.GetState(0), 0);
    EXPECT_TRUE(rig.viewWindow.Of(WM_THUMB_SETCURSOR).empty());
}

TEST(ThumbnailEngineTest, FilesDifferingOnlyInCaseAreTwoFiles) {
    TempFolder dir("case");
    dir.Write("a.jpg");
    dir.Write("A.JPG");
    // A worksheet holding a.jpg takes A.JPG as a file of its own.
    Rig rig;
    rig.list.Add(ImageItem::FromPath(dir.File("a.jpg"), ImageKind::Jpeg));
    auto request = std::make_unique<AddFilesRequest>();
    request->paths = {dir.File("A.JPG")};
    request->select = true;
    rig.engine.AddFiles(std::move(request));
    ASSERT_TRUE(waitCursorRefresh(rig.viewWindow));
    EXPECT_EQ(rig.Names(), (std::vector<std::string>{"a.jpg", "A.JPG"}));
    EXPECT_EQ(rig.list.GetState(0), 0);
    EXPECT_EQ(rig.list.GetState(1), kStateSelected | kStateCursor);

    // Pasting A.JPG into a folder view that lists only a.jpg does not mark
    // a.jpg: the pasted file is listed on its own and only it is selected.
    TempFolder shown("case-shown");
    shown.Write("a.jpg");
    Rig folder;
    folder.Load(shown.Folder());
    ASSERT_TRUE(folder.WaitIdle());
    ASSERT_EQ(folder.Names(), (std::vector<std::string>{"a.jpg"}));
    shown.Write("A.JPG");
    folder.viewWindow.Clear();
    folder.engine.AddPasted({"/elsewhere/A.JPG"}, shown.Folder());
    ASSERT_TRUE(waitCursorRefresh(folder.viewWindow));
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"A.JPG", "a.jpg"}));
    EXPECT_EQ(folder.list.GetState(1) & kStateSelected, 0);
    EXPECT_EQ(folder.list.GetState(0) & kStateSelected, kStateSelected);
    EXPECT_EQ(folder.list.CountSelected(), 1);
}

TEST(ThumbnailEngineTest, PastedFilesFollowTheKindFiltersAndAreSorted) {
    TempFolder dir("paste");
    for (const char* name : {"m.jpg", "c.jpg", "t.tif", "b.bmp", "z.jpg"})
        dir.Write(name);
    Rig rig;
    rig.view.SetFilter(KindFilter{kFileTypeJpeg | kFileTypeMisc, kMiscBmp, 0});
    rig.Load(dir.Folder());
    ASSERT_TRUE(rig.WaitIdle());
    // The folder scan lists TIFF regardless of MiscKind.
    EXPECT_EQ(rig.Names(), (std::vector<std::string>{"b.bmp", "c.jpg", "m.jpg", "t.tif", "z.jpg"}));

    dir.Write("a.jpg");
    dir.Write("u.tif");
    rig.engine.AddPasted(
        {"/elsewhere/a.jpg", "/elsewhere/u.tif", "/elsewhere/gone.jpg", "/elsewhere/m.jpg"},
        dir.Folder());
    ASSERT_TRUE(waitCursorRefresh(rig.viewWindow));
    // The pasted TIFF asks MiscKind bit 2, which is off here.
    EXPECT_EQ(rig.Names(),
              (std::vector<std::string>{"a.jpg", "b.bmp", "c.jpg", "m.jpg", "t.tif", "z.jpg"}));
    EXPECT_EQ(rig.list.GetState(0), kStateSelected | kStateCursor);
    EXPECT_EQ(rig.list.GetState(3), kStateSelected); // the existing m.jpg is marked
    EXPECT_EQ(rig.list.CountSelected(), 2);
}

TEST(ThumbnailEngineTest, VerifyRemovesMissingFilesAndRescans) {
    TempFolder dir("verify");
    dir.Write("a.jpg");
    dir.Write("b.jpg");
    Rig rig;
    rig.list.Add(ImageItem::FromPath(dir.File("a.jpg"), ImageKind::Jpeg));
    rig.list.Add(ImageItem::FromPath(dir.File("b.jpg"), ImageKind::Jpeg));
    std::filesystem::remove(dir.File("a.jpg"));
    rig.view.SetBusy(true);
    rig.engine.VerifyWorksheet();
    ASSERT_TRUE(pumpUntil([&] { return !rig.mainWindow.Of(WM_THUMB_MISSING).empty(); }, 5s));
    EXPECT_EQ(rig.Names(), (std::vector<std::string>{"b.jpg"}));
    const auto viewCount = rig.mainWindow.Of(WM_THUMB_VIEWCOUNT);
    ASSERT_FALSE(viewCount.empty());
    EXPECT_EQ(viewCount.back().value, 1);
    EXPECT_TRUE(rig.WaitIdle());
}

TEST(ThumbnailEngineTest, ClosingABusyViewReturnsWithinTheBound) {
    TempFolder dir("close");
    fill(dir, "c", 3000);
    std::atomic<int> made{0};
    // Every cell visible and a slow thumbnail maker: the pass would take minutes.
    auto rig = std::make_unique<Rig>(100, 100, [&](ImageItem& item, const ThumbnailBox& p) {
        ++made;
        std::this_thread::sleep_for(20ms);
        MakePlaceholderThumbnail(item, p);
    });
    rig->Load(dir.Folder());
    ASSERT_TRUE(pumpUntil([&] { return made.load() > 3; }, 10s));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(rig->engine.Shutdown(10000));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, 10s);
    EXPECT_TRUE(rig->engine.IsStopped());
    EXPECT_EQ(rig->list.Count(), 0); // the engine's exit clears the list
    const int madeAtClose = made.load();
    rig.reset();
    EXPECT_LE(made.load(), madeAtClose);
}

// A read that never returns (here: a blocking open of a FIFO without a
// writer) must not hold the closing view: the wait is bounded, the engine is
// left behind, and once the read returns its thread ends without touching
// the view or the list, which are gone by then.
TEST(ThumbnailEngineTest, ClosingWhileAReadIsStuckStaysBounded) {
    test::app(); // the engine's messages need the application, also when run alone
    TempFolder dir("stuck");
    fill(dir, "s", 4);
    const std::string fifo = dir.File("stuck.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::atomic<bool> entered{false};
    std::atomic<int> returned{0};
    auto list = std::make_unique<ImageItemList>();
    auto view = std::make_unique<HeadlessThumbnailView>(*list, 4, 4);
    RecordingReceiver mainWindow, viewWindow;
    auto engine = std::make_unique<CThumbnailEngine>(view.get(), list.get());
    view->SetEngine(engine.get());
    view->SetWindow(&viewWindow);
    engine->SetMainWindow(&mainWindow);
    engine->SetThumbnailMaker([&](ImageItem& item, const ThumbnailBox& p) {
        if (!entered.exchange(true)) {
            const int fd = ::open(fifo.c_str(), O_RDONLY | O_CLOEXEC); // blocks
            if (fd >= 0)
                ::close(fd);
        }
        MakePlaceholderThumbnail(item, p);
        ++returned;
    });
    engine->Start();
    view->SetBusy(true);
    engine->LoadFolder(dir.Folder());
    ASSERT_TRUE(pumpUntil([&] { return entered.load(); }, 10s));

    // Other decode threads may finish other items before the close.
    pumpFor(100ms);
    const int madeBeforeClose = returned.load();
    CThumbnailEngine* leftBehind = engine.get();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(CThumbnailEngine::ShutdownAndRelease(std::move(engine), 300));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_EQ(engine, nullptr);
    // The owner frees its view and list as it would when closing.
    view.reset();
    list.reset();

    // Let the read return: the stuck thread ends on its own.
    const int writer = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    ::close(writer);
    EXPECT_TRUE(leftBehind->wait(QDeadlineTimer(10000)));
    EXPECT_EQ(returned.load(), madeBeforeClose + 1); // only the stuck one after stop
    std::unique_ptr<CThumbnailEngine> reclaimed(leftBehind);
}

TEST(ThumbnailEngineTest, RequestsAfterShutdownAreDroppedSafely) {
    TempFolder dir("after");
    fill(dir, "x", 5);
    Rig rig;
    ASSERT_TRUE(rig.engine.Shutdown(10000));
    rig.engine.LoadFolder(dir.Folder());
    auto request = std::make_unique<AddFilesRequest>();
    request->paths = {dir.File("x00000.jpg")};
    rig.engine.AddFiles(std::move(request));
    rig.engine.NeedThumbnail(0);
    pumpFor(50ms);
    EXPECT_EQ(rig.list.Count(), 0);
}

TEST(ThumbnailEngineTest, NeedThumbnailServesScrolledInCellsFirst) {
    TempFolder dir("need");
    fill(dir, "n", 300);
    Rig rig(5, 2);
    rig.Load(dir.Folder());
    ASSERT_TRUE(rig.WaitIdle());
    ASSERT_TRUE(rig.view.WaitForVisibleDrawn(5s));
    EXPECT_FALSE(rig.list.HasThumbnail(200));
    rig.view.ScrollTo(40); // cells 200..209: drawn without thumbnails, then asked for
    ASSERT_TRUE(rig.view.WaitForVisibleDrawn(5s));
    for (int i = 200; i < 210; ++i)
        EXPECT_TRUE(rig.list.HasThumbnail(i)) << i;
    // A request for an index that is no longer visible is dropped.
    rig.engine.NeedThumbnail(5);
    pumpFor(100ms);
    EXPECT_FALSE(rig.list.HasThumbnail(5));
}

TEST(ThumbnailEngineTest, FailedThumbnailsStillGetPixelsAndThePassGoesOn) {
    TempFolder dir("failing");
    fill(dir, "f", 12);
    std::atomic<int> calls{0};
    Rig rig(4, 3, [&](ImageItem& item, const ThumbnailBox&) {
        if (++calls % 2)
            throw std::runtime_error("decoder failure");
        item.thumb = ThumbnailBlock{}; // nothing made
    });
    rig.Load(dir.Folder());
    ASSERT_TRUE(rig.WaitIdle());
    ASSERT_TRUE(rig.view.WaitForVisibleDrawn(5s));
    for (int i = 0; i < 12; ++i) {
        ImageItem item;
        rig.list.CopyOut(i, item);
        EXPECT_TRUE(item.hasThumbnail()) << i;
        EXPECT_EQ(item.thumb.thumbReal, 0);
        EXPECT_EQ(item.thumb.thumbWidth, 120);
    }
    EXPECT_EQ(calls.load(), 12); // each made once: placeholders are not asked for again
}

// The read-only mark asks the system whether this user may write the file,
// not the owner's write bit: a file of another user that this user cannot
// write is read-only, and a privileged user may write a file without it.
TEST(UserMayWriteFileTest, TheSystemDecidesNotTheOwnersBit) {
    TempFolder dir("access");
    ::chmod(dir.Path().c_str(), 0755);
    dir.Write("mine-rw.jpg");
    dir.Write("mine-ro.jpg");
    ::chmod(dir.File("mine-rw.jpg").c_str(), 0644);
    ::chmod(dir.File("mine-ro.jpg").c_str(), 0444);
    EXPECT_FALSE(UserMayWriteFile(dir.File("missing.jpg")));
    if (::geteuid() != 0) {
        EXPECT_TRUE(UserMayWriteFile(dir.File("mine-rw.jpg")));
        EXPECT_FALSE(UserMayWriteFile(dir.File("mine-ro.jpg")));
        struct stat st;
        if (::stat("/etc/passwd", &st) == 0 && st.st_uid == 0 && (st.st_mode & S_IWUSR)) {
            EXPECT_FALSE(UserMayWriteFile("/etc/passwd")); // owner may write, we may not
        }
        return;
    }
    // As the superuser: every file here is writable, the owner's bit aside.
    EXPECT_TRUE(UserMayWriteFile(dir.File("mine-ro.jpg")));
    // As another user, in a child process: root's 0644 file is not
    // writable, a 0644 file of that user is.
    const uid_t nobody = 65534;
    dir.Write("theirs.jpg");
    ASSERT_EQ(::chown(dir.File("theirs.jpg").c_str(), nobody, nobody), 0);
    ::chmod(dir.File("theirs.jpg").c_str(), 0644);
    const std::string mine = dir.File("mine-rw.jpg");
    const std::string theirs = dir.File("theirs.jpg");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0)
            ::_exit(10);
        int code = 0;
        if (UserMayWriteFile(mine))
            code |= 1;
        if (!UserMayWriteFile(theirs))
            code |= 2;
        ::_exit(code);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 10) << "could not become another user";
    EXPECT_EQ(WEXITSTATUS(status) & 1, 0) << "root's 0644 file must not be writable";
    EXPECT_EQ(WEXITSTATUS(status) & 2, 0) << "the user's own 0644 file must be writable";
}

} // namespace
} // namespace lumora
