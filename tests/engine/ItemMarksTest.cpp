// Marks of listed items: read from the sidecars the listing names and from
// embedded XMP during the scan, kept over a scan in flight, sorted by.
#include "engine/ItemMarks.h"
#include "engine/ImageItemList.h"
#include "marks/Sidecar.h"
#include "platform/FolderWatch.h"

#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace lumora {
namespace {

using test::TempFolder;

void put(const TempFolder& dir, const std::string& name, const std::string& bytes) {
    std::FILE* f = std::fopen(dir.File(name).c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::string packet(const std::string& attributes) {
    return "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
           "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
           "rdf:about='' xmlns:xmp='http://ns.adobe.com/xap/1.0/' " +
           attributes + "/></rdf:RDF></x:xmpmeta>";
}

// A JPEG the parser reads (an EXIF APP1 with an empty first directory)
// followed by an XMP APP1.
std::string jpegWithXmp(const std::string& xmp) {
    auto be16 = [](std::string& s, std::size_t v) {
        s.push_back(char(v >> 8));
        s.push_back(char(v & 0xFF));
    };
    std::string j("\xFF\xD8\xFF\xE1", 4);
    const std::string exif("Exif\0\0II*\0\x08\0\0\0\0\0\0\0\0\0", 20);
    be16(j, 2 + exif.size());
    j += exif;
    const std::string name("http://ns.adobe.com/xap/1.0/\0", 29);
    j += "\xFF\xE1";
    be16(j, 2 + name.size() + xmp.size());
    j += name + xmp + "\xFF\xD9";
    return j;
}

Marks marksOf(ImageItemList& list, const std::string& name) {
    const int i = list.FindByName(name);
    EXPECT_GE(i, 0) << name;
    list.ScanInfoAt(i);
    ImageItem item;
    list.CopyOut(i, item, CopyPixels::None);
    EXPECT_TRUE(item.marksScanned) << name;
    return item.marks;
}

TEST(ItemMarks, ReadFromSidecarsOfBothNamesAndFromEmbeddedXmp) {
    TempFolder dir("marks");
    put(dir, "A.JPG", jpegWithXmp(packet("xmp:Rating='4' xmp:Label='Green'")));
    put(dir, "B.JPG", jpegWithXmp(packet("xmp:Rating='1'")));
    put(dir, "B.xmp", packet("xmp:Rating='2' xmp:Label='Red'"));
    dir.Write("C.CR2");
    put(dir, "C.CR2.xmp", packet("xmp:Rating='-1'"));
    dir.Write("D.bmp");
    put(dir, "D.XMP", packet("xmp:Label='Blue'"));
    dir.Write("E.JPG");
    put(dir, "F.JPG", jpegWithXmp(packet("xmp:Rating='5'")));
    put(dir, "F.xmp", "<x:xmpmeta damaged");

    ImageItemList list;
    list.EnumerateFolder(dir.Folder(), KindFilter{7, 63, 0}, {}, {});
    ASSERT_EQ(list.Count(), 6);
    EXPECT_EQ(marksOf(list, "A.JPG"), (Marks{4, false, ColorLabel::Green})) << "embedded";
    EXPECT_EQ(marksOf(list, "B.JPG"), (Marks{2, false, ColorLabel::Red})) << "sidecar wins";
    EXPECT_EQ(marksOf(list, "C.CR2"), (Marks{0, true, ColorLabel::None})) << "file.CR2.xmp";
    EXPECT_EQ(marksOf(list, "D.bmp").label, ColorLabel::Blue) << "no-EXIF kind, .XMP";
    EXPECT_TRUE(marksOf(list, "E.JPG").empty());
    EXPECT_TRUE(marksOf(list, "F.JPG").empty()) << "a damaged sidecar gives no marks";
}

TEST(ItemMarks, ItemsNoListingSawFindTheirSidecarOnDisk) {
    TempFolder dir("marks-sheet");
    dir.Write("A.NEF");
    put(dir, "A.xmp", packet("xmp:Rating='3'"));
    ImageItem item = ImageItem::FromPath(dir.File("A.NEF"), ImageKind::Nef);
    ScanItemInfo(item);
    EXPECT_EQ(item.marks.rating, 3);
    EXPECT_EQ(item.marksSidecar, "A.xmp");
}

TEST(ItemMarks, AMarkSetDuringAScanIsNotOverwrittenByIt) {
    ImageItem listed;
    listed.marks = Marks{5, false, ColorLabel::None};
    listed.marksScanned = 1; // the user's mark
    ImageItem scanned;
    scanned.marks = Marks{1, false, ColorLabel::Red};
    scanned.marksScanned = 1;
    listed.TakeScanFields(std::move(scanned));
    EXPECT_EQ(listed.marks.rating, 5);

    listed.Reset();
    EXPECT_EQ(listed.marks.rating, 5) << "a reset keeps the marks";
    EXPECT_TRUE(listed.marksScanned);

    ImageItem fresh;
    ImageItem scanned2;
    scanned2.marks = Marks{1, false, ColorLabel::Red};
    scanned2.marksScanned = 1;
    fresh.TakeScanFields(std::move(scanned2));
    EXPECT_EQ(fresh.marks.rating, 1);
}

TEST(ItemMarks, TargetsSettingAndSortingByRating) {
    ImageItemList list;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
        list.Add(ImageItem::FromPath(std::string("/x/") + name, ImageKind::Jpeg));
    auto targets = list.CollectMarkTargets(2);
    ASSERT_EQ(targets.size(), 1u) << "nothing selected: the cursor's item";
    EXPECT_EQ(targets[0].path, "/x/c.jpg");
    EXPECT_TRUE(list.CollectMarkTargets(-1).empty());
    list.SetStateBits(0, kStateSelected);
    list.SetStateBits(3, kStateSelected);
    targets = list.CollectMarkTargets(2);
    ASSERT_EQ(targets.size(), 2u);
    EXPECT_EQ(targets[1].path, "/x/d.jpg");

    ASSERT_TRUE(list.SetMarksById(list.IdAt(0), Marks{0, true, ColorLabel::None}, "/x/a.xmp"));
    ASSERT_TRUE(list.SetMarksByPath("/x/c.jpg", Marks{5, false, ColorLabel::None}, "c.xmp"));
    ASSERT_TRUE(list.SetMarksByPath("/x/d.jpg", Marks{2, false, ColorLabel::None}, "d.xmp"));
    EXPECT_FALSE(list.SetMarksByPath("/x/none.jpg", Marks{}, ""));
    list.SetSortMode(SortMode::ByRating);
    list.SortAll();
    std::vector<std::string> order;
    for (int i = 0; i < list.Count(); ++i) {
        ImageItem item;
        list.CopyOut(i, item, CopyPixels::None);
        order.push_back(item.fileName);
        if (item.fileName == "a.jpg") {
            EXPECT_EQ(item.marksSidecar, "a.xmp");
        }
    }
    EXPECT_EQ(order, (std::vector<std::string>{"c.jpg", "d.jpg", "b.jpg", "a.jpg"}));
}

// Writing a mark must not make the folder watch reload the view (which
// would move the cursor off the file being culled).
TEST(ItemMarks, TheFolderWatchIgnoresSidecarsAndTheirTemporaries) {
    EXPECT_TRUE(IsSidecarOrItsTemporary("IMG_0001.xmp"));
    EXPECT_TRUE(IsSidecarOrItsTemporary("IMG_0001.CR3.XMP"));
    EXPECT_TRUE(IsSidecarOrItsTemporary(".IMG_0001.xmp.lumora-a1B2c3"));
    EXPECT_FALSE(IsSidecarOrItsTemporary("IMG_0001.JPG"));
    EXPECT_FALSE(IsSidecarOrItsTemporary(".IMG_0001.JPG.lumora-a1B2c3"));
    EXPECT_FALSE(IsSidecarOrItsTemporary(".xmp"));
    EXPECT_FALSE(IsSidecarOrItsTemporary("."));
    EXPECT_FALSE(IsSidecarOrItsTemporary(".lumora-x"));
}

// The filter shows a subset; select-all and the paths act on it alone, and
// everything comes back in its order when the filter is lifted.
TEST(ItemMarks, FilterShowsOnlyWhatPassesAndBringsTheRestBack) {
    ImageItemList list;
    const Marks marks[] = {{1, false, ColorLabel::None},
                           {3, false, ColorLabel::Red},
                           {5, false, ColorLabel::None},
                           {0, true, ColorLabel::Red},
                           {0, false, ColorLabel::None}};
    for (int i = 0; i < 5; ++i) {
        ImageItem item = ImageItem::FromPath("/x/" + std::to_string(i) + ".jpg", ImageKind::Jpeg);
        item.marks = marks[i];
        item.marksScanned = 1;
        list.Add(std::move(item));
    }
    list.SetStateBits(0, kStateSelected | kStateCursor);
    EXPECT_EQ(list.ApplyMarkFilter(MarkFilter{3, ColorLabel::None, false}), 3);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.SelectAll(), 2);
    std::vector<std::string> paths;
    list.CollectSelected(paths, true);
    EXPECT_EQ(paths, (std::vector<std::string>{"/x/1.jpg", "/x/2.jpg"}));

    EXPECT_EQ(list.ApplyMarkFilter(MarkFilter{0, ColorLabel::Red, false}), 3)
        << "a new filter works on every item, not on what the last one left";
    EXPECT_EQ(list.ApplyMarkFilter(MarkFilter{0, ColorLabel::None, true}), 1);
    EXPECT_EQ(list.ApplyMarkFilter(MarkFilter{}), 0);
    paths.clear();
    list.CollectPaths(paths);
    EXPECT_EQ(paths, (std::vector<std::string>{"/x/0.jpg", "/x/1.jpg", "/x/2.jpg", "/x/3.jpg",
                                               "/x/4.jpg"}));
    EXPECT_EQ(list.CountSelected(), 1) << "what was hidden comes back unselected";

    const MarkFilter fiveStars{5, ColorLabel::None, false};
    list.ApplyMarkFilter(fiveStars);
    list.Clear(true);
    EXPECT_EQ(list.markFilter(), fiveStars) << "the next folder of the list is filtered alike";
    EXPECT_EQ(list.HiddenCount(), 0);
    EXPECT_EQ(list.Count(), 0);
}

// Items whose marks the scan has not read yet stay in view (they are not
// known to fail); applying the filter again after the scan decides.
TEST(ItemMarks, FilterKeepsItemsWhoseMarksAreNotReadYet) {
    ImageItemList list;
    for (int i = 0; i < 3; ++i)
        list.Add(ImageItem::FromPath("/x/" + std::to_string(i) + ".jpg", ImageKind::Jpeg));
    const MarkFilter threeStars{3, ColorLabel::None, false};
    EXPECT_EQ(list.ApplyMarkFilter(threeStars), 0);
    EXPECT_EQ(list.Count(), 3);
    ASSERT_TRUE(list.SetMarksByPath("/x/1.jpg", Marks{4, false, ColorLabel::None}, ""));
    ASSERT_TRUE(list.SetMarksByPath("/x/2.jpg", Marks{}, ""));
    EXPECT_EQ(list.ApplyMarkFilter(threeStars), 1);
    std::vector<std::string> paths;
    list.CollectPaths(paths);
    EXPECT_EQ(paths, (std::vector<std::string>{"/x/0.jpg", "/x/1.jpg"}));
}

} // namespace
} // namespace lumora
