// Marks in sidecar files: names, new and existing sidecars, damaged ones,
// read-only folders, undo and two writers at once.
#include "MarksTestSupport.h"
#include "ScratchMounts.h"

#include "marks/Sidecar.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <set>
#include <thread>

namespace lumora {
namespace {

using testing::exiftoolXmp;
using testing::fileBytes;
using testing::putFile;
using testing::sampleDir;
using testing::ScratchDir;
using testing::ScratchMount;

TEST(SidecarNames, BothConventionsAndTheirOrder) {
    EXPECT_EQ(SidecarNamesFor("IMG_0001.CR3").stem, "IMG_0001.xmp");
    EXPECT_EQ(SidecarNamesFor("IMG_0001.CR3").full, "IMG_0001.CR3.xmp");
    EXPECT_EQ(SidecarNamesFor("a.b.jpg").stem, "a.b.xmp");
    EXPECT_EQ(SidecarNamesFor("noext").stem, "noext.xmp");
    EXPECT_EQ(SidecarNamesFor(".hidden").stem, ".hidden.xmp");

    std::set<std::string> names;
    auto exists = [&](const std::string& n) { return names.count(n) > 0; };
    EXPECT_EQ(FindSidecarName("IMG_0001.CR3", exists), "");
    names = {"IMG_0001.XMP"};
    EXPECT_EQ(FindSidecarName("IMG_0001.CR3", exists), "IMG_0001.XMP");
    names.insert("IMG_0001.CR3.xmp");
    EXPECT_EQ(FindSidecarName("IMG_0001.CR3", exists), "IMG_0001.CR3.xmp");
    EXPECT_EQ(FindSidecarName("IMG_0001.JPG", exists), "IMG_0001.XMP");
    EXPECT_EQ(FindSidecarName("img_0001.jpg", exists), "") << "names differ by case";
    EXPECT_EQ(FindSidecarName("IMG_0001.xmp", exists), "") << "a sidecar has no sidecar";
}

TEST(Sidecar, NewSidecarTakesTheSettingsNameAndExiftoolReadsIt) {
    ScratchDir dir;
    ASSERT_TRUE(putFile(dir / "IMG_0001.CR3", "raw"));
    ASSERT_TRUE(putFile(dir / "IMG_0002.CR3", "raw"));
    const Marks marks{3, false, ColorLabel::Yellow};
    SidecarWrite w = WriteSidecarMarks(dir / "IMG_0001.CR3", marks);
    ASSERT_TRUE(w.ok) << w.message;
    EXPECT_EQ(w.sidecarPath, dir / "IMG_0001.xmp");
    EXPECT_FALSE(w.before.existed);
    w = WriteSidecarMarks(dir / "IMG_0002.CR3", Marks{0, true, ColorLabel::None},
                          SidecarNaming::FullName);
    ASSERT_TRUE(w.ok) << w.message;
    EXPECT_EQ(w.sidecarPath, dir / "IMG_0002.CR3.xmp");
    EXPECT_EQ(fileBytes(dir / "IMG_0001.CR3"), "raw") << "the image is never written";

    EXPECT_EQ(ReadImageMarks(dir / "IMG_0001.CR3"), marks);
    EXPECT_TRUE(ReadImageMarks(dir / "IMG_0002.CR3").reject);
    if (!testing::haveExiftool())
        GTEST_SKIP() << "exiftool not installed";
    auto x = exiftoolXmp(dir / "IMG_0001.xmp");
    EXPECT_EQ(x["[XMP-xmp] Rating"], "3");
    EXPECT_EQ(x["[XMP-xmp] Label"], "Yellow");
    EXPECT_EQ(exiftoolXmp(dir / "IMG_0002.CR3.xmp")["[XMP-xmp] Rating"], "-1");
}

// The existing sidecar is written, whatever its name, and exiftool reads the
// same properties from it before and after but for the marks.
TEST(Sidecar, ExistingSidecarKeepsEverythingExiftoolSees) {
    const std::string samples = sampleDir() + "/xmp/";
    if (fileBytes(samples + "exiftool-develop.xmp") == "<missing>")
        GTEST_SKIP() << "shared samples missing";
    ScratchDir dir;
    int n = 0;
    for (const char* sample : {"exiftool-develop.xmp", "exiftool-rating-label.xmp",
                               "immich-iso-value-array.xmp", "immich-utf16-sidecar.xmp"}) {
        SCOPED_TRACE(sample);
        const std::string image = dir / ("P" + std::to_string(++n) + ".NEF");
        const std::string sidecar = image + ".xmp"; // the full-name convention
        ASSERT_TRUE(putFile(image, "raw"));
        ASSERT_TRUE(putFile(sidecar, fileBytes(samples + sample)));
        auto before = exiftoolXmp(sidecar);
        if (before.empty() && std::string(sample).find("utf16") != std::string::npos) {
            // exiftool does not read UTF-16 packets: compare with its reading
            // of the same packet in UTF-8 (which the rewrite produces).
            const std::string utf8 = dir / "utf8-copy.xmp";
            if (std::system(
                    ("iconv -f UTF-16 -t UTF-8 '" + sidecar + "' > '" + utf8 + "'").c_str()) == 0)
                before = exiftoolXmp(utf8);
        }
        const SidecarWrite w = WriteSidecarMarks(image, Marks{1, false, ColorLabel::Purple});
        ASSERT_TRUE(w.ok) << w.message;
        EXPECT_EQ(w.sidecarPath, sidecar);
        EXPECT_TRUE(w.before.existed);
        EXPECT_EQ(w.before.bytes, fileBytes(samples + sample));
        EXPECT_FALSE(::access((dir / ("P" + std::to_string(n) + ".xmp")).c_str(), F_OK) == 0)
            << "no second sidecar";
        if (!testing::haveExiftool())
            continue;
        auto after = exiftoolXmp(sidecar);
        EXPECT_EQ(after["[XMP-xmp] Rating"], "1");
        EXPECT_EQ(after["[XMP-xmp] Label"], "Purple");
        for (auto* map : {&before, &after})
            for (const char* key : {"[XMP-xmp] Rating", "[XMP-xmp] Label", "[XMP-x] XMPToolkit"})
                map->erase(key);
        EXPECT_EQ(before, after);
    }
}

TEST(Sidecar, DamagedSidecarIsLeftUntouchedAndTheChangeRefused) {
    ScratchDir dir;
    ASSERT_TRUE(putFile(dir / "A.JPG", "jpeg"));
    const std::string damaged = "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf="
                                "'http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Descr";
    ASSERT_TRUE(putFile(dir / "A.xmp", damaged));
    const SidecarWrite w = ChangeSidecarMarks(dir / "A.JPG", MarkChange::Rating(4), {});
    EXPECT_FALSE(w.ok);
    EXPECT_NE(w.message.find("「A.xmp」"), std::string::npos) << w.message;
    EXPECT_EQ(fileBytes(dir / "A.xmp"), damaged);
    EXPECT_FALSE(ReadSidecarMarks(dir / "A.xmp").ok);

    // A folder where the sidecar would be is refused too.
    ASSERT_EQ(::mkdir((dir / "B.xmp").c_str(), 0755), 0);
    ASSERT_TRUE(putFile(dir / "B.JPG", "jpeg"));
    EXPECT_FALSE(WriteSidecarMarks(dir / "B.JPG", Marks{2, false, ColorLabel::None}).ok);
}

TEST(Sidecar, ReadOnlyFolderGivesAMessageAndChangesNothing) {
    REQUIRE_MOUNTS();
    ScratchDir dir;
    ScratchMount mount(dir.path(), 1 << 20);
    ASSERT_TRUE(mount.mounted());
    ASSERT_TRUE(putFile(dir / "A.JPG", "jpeg"));
    ASSERT_TRUE(WriteSidecarMarks(dir / "A.JPG", Marks{2, false, ColorLabel::None}).ok);
    const std::string before = fileBytes(dir / "A.xmp");
    ASSERT_TRUE(mount.setReadOnly(true));
    const SidecarWrite w = ChangeSidecarMarks(dir / "A.JPG", MarkChange::Rating(5), {});
    EXPECT_FALSE(w.ok);
    EXPECT_NE(w.message.find("書き込み禁止"), std::string::npos) << w.message;
    ASSERT_TRUE(mount.setReadOnly(false));
    EXPECT_EQ(fileBytes(dir / "A.xmp"), before);

    // A full disk: the old sidecar stays whole.
    ASSERT_TRUE(mount.fillUpTo(0));
    const SidecarWrite full = ChangeSidecarMarks(dir / "A.JPG", MarkChange::Rating(5), {});
    EXPECT_FALSE(full.ok);
    EXPECT_EQ(fileBytes(dir / "A.xmp"), before);
}

TEST(Sidecar, UndoRestoresThePreviousState) {
    ScratchDir dir;
    ASSERT_TRUE(putFile(dir / "A.JPG", "jpeg"));
    SidecarWrite first = ChangeSidecarMarks(dir / "A.JPG", MarkChange::Rating(2), {});
    ASSERT_TRUE(first.ok) << first.message;
    const std::string afterFirst = fileBytes(dir / "A.xmp");
    SidecarWrite second = ChangeSidecarMarks(dir / "A.JPG", MarkChange::Label(ColorLabel::Red), {});
    ASSERT_TRUE(second.ok) << second.message;
    EXPECT_EQ(second.marks, (Marks{2, false, ColorLabel::Red})) << "the base is the sidecar";
    ASSERT_TRUE(RestoreSidecar(second.before).ok);
    EXPECT_EQ(fileBytes(dir / "A.xmp"), afterFirst);
    ASSERT_TRUE(RestoreSidecar(first.before).ok);
    EXPECT_NE(::access((dir / "A.xmp").c_str(), F_OK), 0) << "a new sidecar is removed again";

    // Setting what is already there writes nothing.
    ASSERT_TRUE(ChangeSidecarMarks(dir / "A.JPG", MarkChange::Rating(1), {}).ok);
    const SidecarWrite same = WriteSidecarMarks(dir / "A.JPG", Marks{1, false, ColorLabel::None});
    EXPECT_TRUE(same.ok);
    EXPECT_TRUE(same.unchanged);
}

// The viewer and the thumbnail view mark one file at the same moment: every
// change lands, none overwrites another's.
TEST(Sidecar, ConcurrentChangesAllLand) {
    ScratchDir dir;
    ASSERT_TRUE(putFile(dir / "A.JPG", "jpeg"));
    std::thread viewer([&] {
        for (int i = 0; i < 20; ++i)
            ChangeSidecarMarks(dir / "A.JPG", MarkChange::Rating(1 + i % 5), {});
    });
    std::thread view([&] {
        for (int i = 0; i < 21; ++i)
            ChangeSidecarMarks(dir / "A.JPG", MarkChange::Label(ColorLabel::Blue), {});
    });
    viewer.join();
    view.join();
    const SidecarRead r = ReadSidecarMarks(dir / "A.xmp");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.marks.rating, 5);
    EXPECT_EQ(r.marks.label, ColorLabel::Blue) << "21 toggles leave it set";
}

} // namespace
} // namespace lumora
