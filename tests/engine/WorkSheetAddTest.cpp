// Adding names to a worksheet's list: duplicates within and across
// requests, the view count message with the tab index, many names.
#include "HeadlessThumbnailView.h"
#include "engine/EngineMessages.h"
#include "engine/ImageItemList.h"
#include "engine/ThumbnailEngine.h"

#include "EngineTestSupport.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

using namespace std::chrono_literals;
using test::pumpUntil;
using test::RecordingReceiver;
using test::TempFolder;

struct Sheet {
    Sheet() : view(list, 8, 5), engine(&view, &list) {
        test::app();
        view.SetEngine(&engine);
        view.SetWindow(&viewWindow);
        engine.SetTabIndex(3);
        engine.SetMainWindow(&mainWindow);
        engine.Start();
    }
    ~Sheet() { engine.Shutdown(10000); }
    void Add(std::vector<std::string> paths, bool select = false) {
        auto r = std::make_unique<AddFilesRequest>();
        r->paths = std::move(paths);
        r->rescan = true;
        r->select = select;
        engine.AddFiles(std::move(r));
    }
    bool WaitCount(int n) {
        return pumpUntil(
            [&] {
                const auto counts = mainWindow.Of(WM_THUMB_VIEWCOUNT);
                return !counts.empty() && counts.back().value == n;
            },
            10s);
    }
    ImageItemList list;
    HeadlessThumbnailView view;
    RecordingReceiver mainWindow;
    RecordingReceiver viewWindow;
    CThumbnailEngine engine;
};

TEST(WorkSheetAddTest, RepeatedNamesAreAddedOnceAndMarkedWhenSelecting) {
    TempFolder dir("wsadd");
    dir.Write("a.jpg");
    dir.Write("写真.jpg");
    Sheet sheet;
    sheet.Add({dir.File("a.jpg"), dir.File("a.jpg"), dir.File("写真.jpg")});
    ASSERT_TRUE(sheet.WaitCount(2));
    EXPECT_EQ(sheet.mainWindow.Of(WM_THUMB_VIEWCOUNT).back().tabIndex, 3); // the tab index
    // Another request with a listed file and one that does not exist (paths
    // are case-sensitive): nothing new; with select the listed one is marked.
    std::string upper = dir.File("A.JPG");
    sheet.mainWindow.Clear();
    sheet.Add({upper, dir.File("写真.jpg")}, true);
    ASSERT_TRUE(sheet.WaitCount(2));
    EXPECT_EQ(sheet.list.Count(), 2);
    EXPECT_TRUE(pumpUntil([&] { return sheet.list.CountSelected() == 1; }, 5s));
}

TEST(WorkSheetAddTest, ManyNamesEachGivenTwiceAreAddedOnce) {
    TempFolder dir("wsmany");
    std::vector<std::string> paths;
    for (int i = 0; i < 2000; ++i) {
        const std::string name = "IMG_" + std::to_string(i) + ".JPG";
        dir.Write(name, 1);
        paths.push_back(dir.File(name));
    }
    Sheet sheet;
    // Each name twice: the second half are all duplicates of the first.
    std::vector<std::string> twice = paths;
    twice.insert(twice.end(), paths.begin(), paths.end());
    sheet.Add(std::move(twice));
    ASSERT_TRUE(sheet.WaitCount(2000));
    EXPECT_EQ(sheet.list.Count(), 2000);
}

} // namespace
} // namespace lumora
