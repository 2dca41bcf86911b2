// Adding names to a worksheet's list: duplicates by letter case and within
// one request, the view count message with the tab index, many names.
#include "engine/HeadlessThumbnailView.h"
#include "engine/ImageItemList.h"
#include "engine/ThumbnailEngine.h"
#include "engine/EngineMessages.h"

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
        view.SetViewIndex(3);
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

TEST(WorkSheetAddTest, NamesDifferingOnlyInCaseOrRepeatedAreAddedOnce) {
    TempFolder dir("wsadd");
    dir.Write("a.jpg");
    dir.Write("写真.jpg");
    Sheet sheet;
    sheet.Add({dir.File("a.jpg"), dir.File("a.jpg"), dir.File("写真.jpg")});
    ASSERT_TRUE(sheet.WaitCount(2));
    EXPECT_EQ(sheet.mainWindow.Of(WM_THUMB_VIEWCOUNT).back().tabIndex, 3); // the tab index
    // Another request with the same files in other letter case: nothing new,
    // and with select they are marked selected.
    std::string upper = dir.File("A.JPG");
    sheet.mainWindow.Clear();
    sheet.Add({upper, dir.File("写真.jpg")}, true);
    ASSERT_TRUE(sheet.WaitCount(2));
    EXPECT_EQ(sheet.list.Count(), 2);
    EXPECT_TRUE(pumpUntil([&] { return sheet.list.CountSelected() == 2; }, 5s));
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
    EXPECT_EQ(NoCaseKey("Ä.JPG"), NoCaseKey("ä.jpg"));
    EXPECT_NE(NoCaseKey("a.jpg"), NoCaseKey("b.jpg"));
}

} // namespace
} // namespace lumora
