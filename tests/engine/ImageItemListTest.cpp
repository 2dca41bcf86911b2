#include "engine/ImageItemList.h"
#include "engine/LockedValues.h"

#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace lumora {
namespace {

using test::TempFolder;

std::vector<std::string> listedNames(const ImageItemList& list) {
    std::vector<std::string> names;
    for (int i = 0; i < list.Count(); ++i) {
        ImageItem item;
        list.CopyOut(i, item, CopyPixels::None);
        names.push_back(item.fileName);
    }
    return names;
}

std::vector<ImageKind> listedKinds(const ImageItemList& list) {
    std::vector<ImageKind> kinds;
    for (int i = 0; i < list.Count(); ++i) {
        ImageItem item;
        list.CopyOut(i, item, CopyPixels::None);
        kinds.push_back(item.kind);
    }
    return kinds;
}

std::vector<std::string> enumerate(const TempFolder& folder, const KindFilter& filter) {
    ImageItemList list;
    list.EnumerateFolder(folder.Folder(), filter, {}, {});
    auto names = listedNames(list);
    return names;
}

TEST(ImageKindTest, ExtensionTableIsCaseInsensitiveAndLacksSr2) {
    EXPECT_EQ(kindFromExtension("/a/b/IMG_1.JPG"), ImageKind::Jpeg);
    EXPECT_EQ(kindFromExtension("x.Tiff"), ImageKind::Tiff);
    EXPECT_EQ(kindFromExtension("x.tif"), ImageKind::Tiff);
    EXPECT_EQ(kindFromExtension("x.CRW"), ImageKind::Crw);
    EXPECT_EQ(kindFromExtension("x.jpeg"), ImageKind::Unknown);
    EXPECT_EQ(kindFromExtension("x.sr2"), ImageKind::Unknown);
    EXPECT_EQ(kindFromExtension("IMG_0001.CR3"), ImageKind::Cr3);
    EXPECT_EQ(kindFromExtension("DSC1.Arw"), ImageKind::Arw);
    EXPECT_EQ(kindFromExtension("a.srf"), ImageKind::Srf);
    EXPECT_EQ(kindFromExtension("PXL_1.dng"), ImageKind::Dng);
    EXPECT_EQ(kindFromExtension("P1.RW2"), ImageKind::Rw2);
    EXPECT_EQ(kindFromExtension("L1.rwl"), ImageKind::Rwl);
    EXPECT_EQ(kindFromExtension("D1.NRW"), ImageKind::Nrw);
    EXPECT_EQ(kindFromExtension("S1.srw"), ImageKind::Srw);
    EXPECT_EQ(kindFromExtension("H1.3FR"), ImageKind::ThreeFr);
    EXPECT_EQ(kindFromExtension("x.cr"), ImageKind::Unknown);
    EXPECT_EQ(kindFromExtension("noext"), ImageKind::Unknown);
    EXPECT_EQ(kindFromExtension("dir.jpg/file"), ImageKind::Unknown);
    EXPECT_TRUE(isRawKind(ImageKind::Sr2));
    EXPECT_TRUE(isRawKind(ImageKind::Crw));
    EXPECT_FALSE(isRawKind(ImageKind::Tiff));
    EXPECT_FALSE(isRawKind(ImageKind::Unknown));
    EXPECT_EQ(kindLabel(ImageKind::Nef), "RAW");
    EXPECT_EQ(kindLabel(ImageKind::Psd), "PSD");
}

TEST(ImageKindTest, PastedFilterAsksMiscKindForTiff) {
    KindFilter filter{kFileTypeMisc, 0, 0};
    EXPECT_FALSE(filter.allowsPasted(ImageKind::Tiff));
    EXPECT_FALSE(filter.allowsPasted(ImageKind::Jpeg));
    filter.miscKind = kMiscTiff;
    EXPECT_TRUE(filter.allowsPasted(ImageKind::Tiff));
    filter = KindFilter{kFileTypeJpeg | kFileTypeRaw, 63, 0};
    EXPECT_TRUE(filter.allowsPasted(ImageKind::Raf));
    EXPECT_FALSE(filter.allowsPasted(ImageKind::Bmp)); // MISC group off
    EXPECT_FALSE(filter.allowsPasted(ImageKind::Unknown));
}

TEST(ImageItemTest, NewAndResetItemsMarkKindsWithoutExifAsScanned) {
    ImageItem jpeg = ImageItem::FromPath("/f/a.jpg", ImageKind::Jpeg);
    EXPECT_EQ(jpeg.fileName, "a.jpg");
    EXPECT_EQ(jpeg.exifScanned, 0);
    ImageItem bmp = ImageItem::FromPath("/f/b.bmp", ImageKind::Bmp);
    EXPECT_EQ(bmp.exifScanned, 1);
    EXPECT_EQ(ImageItem::FromPath("/f/c.nef", ImageKind::Nef).exifScanned, 0);
    EXPECT_EQ(ImageItem::FromPath("/f/c.tif", ImageKind::Tiff).exifScanned, 0);

    jpeg.id = 7;
    jpeg.state = kStateSelected;
    jpeg.exifScanned = 1;
    jpeg.imageInfo.make = "Maker";
    jpeg.thumb.thumbBits = DibImage(4, 4);
    jpeg.makerNote.emplace(NikonMakerNote{});
    jpeg.Reset();
    EXPECT_EQ(jpeg.id, 7);
    EXPECT_EQ(jpeg.path, "/f/a.jpg");
    EXPECT_EQ(jpeg.fileName, "a.jpg");
    EXPECT_EQ(jpeg.kind, ImageKind::Jpeg);
    EXPECT_EQ(jpeg.state, 0);
    EXPECT_EQ(jpeg.exifScanned, 0);
    EXPECT_FALSE(jpeg.imageInfo.make);
    EXPECT_FALSE(jpeg.hasThumbnail());
    EXPECT_FALSE(jpeg.makerNote);
}

TEST(ImageItemTest, CopyIsDeep) {
    ImageItem a = ImageItem::FromPath("/f/a.jpg", ImageKind::Jpeg);
    a.thumb.thumbBits = DibImage(8, 6);
    a.thumb.thumbBits.bits()[0] = 11;
    a.thumb.preimageBits = DibImage(16, 12);
    a.imageInfo.model = "M1";
    a.makerNote.emplace(FujifilmMakerNote{std::string("SN")});
    ImageItem b = a;
    ASSERT_FALSE(b.thumb.thumbBits.isNull());
    EXPECT_NE(b.thumb.thumbBits.bits(), a.thumb.thumbBits.bits());
    EXPECT_NE(b.thumb.preimageBits.bits(), a.thumb.preimageBits.bits());
    b.thumb.thumbBits.bits()[0] = 99;
    EXPECT_EQ(a.thumb.thumbBits.bits()[0], 11);
    EXPECT_EQ(b.thumb.preimageSize(), a.thumb.preimageSize());
    ASSERT_TRUE(b.makerNote);
    EXPECT_NE(b.makerNote.get(), a.makerNote.get());
    EXPECT_EQ(std::get<FujifilmMakerNote>(*b.makerNote).serialNumber, "SN");

    // A moved-from buffer is empty, not a stale size with null pixels.
    PixelBuffer moved = std::move(a.thumb.thumbBits);
    EXPECT_TRUE(a.thumb.thumbBits.isNull());
    EXPECT_EQ(a.thumb.thumbBits.byteSize(), 0u);
    EXPECT_EQ(moved.width(), 8);
}

TEST(ImageItemListTest, AddCopyOutAndStates) {
    ImageItemList list;
    EXPECT_EQ(list.Add(ImageItem::FromPath("/f/a.jpg", ImageKind::Jpeg)), 0);
    EXPECT_EQ(list.Add(ImageItem::FromPath("/f/b.jpg", ImageKind::Jpeg)), 1);
    EXPECT_EQ(list.Count(), 2);

    ImageItem out = ImageItem::FromPath("/junk", ImageKind::Bmp);
    EXPECT_FALSE(list.CopyOut(2, out));
    EXPECT_TRUE(out.path.empty()); // a failed copy clears the buffer
    EXPECT_FALSE(list.CopyOut(-1, out));
    int count = 0;
    ASSERT_TRUE(list.CopyOutWithCount(1, out, count));
    EXPECT_EQ(out.fileName, "b.jpg");
    EXPECT_EQ(out.id, 1);
    EXPECT_EQ(count, 2);

    // Writes outside the list do nothing; reads report nothing.
    list.SetStateBits(5, kStateSelected);
    EXPECT_EQ(list.GetState(5), 0);
    EXPECT_FALSE(list.HasThumbnail(-3));

    EXPECT_EQ(list.FirstSelectedIndex(), 2); // none: equals the count
    list.SetStateBits(1, kStateSelected | kStateCursor);
    list.ClearStateBits(1, kStateCursor);
    EXPECT_EQ(list.GetState(1), kStateSelected);
    EXPECT_EQ(list.FirstSelectedIndex(), 1);
    EXPECT_EQ(list.InvertSelection(), 1);
    EXPECT_EQ(list.FirstSelectedIndex(), 0);
    EXPECT_EQ(list.SelectAll(), 2);
    EXPECT_EQ(list.CountSelected(), 2);

    std::string buffer;
    EXPECT_EQ(list.CollectSelectedPathList(buffer),
              std::string("/f/a.jpg\0/f/b.jpg\0\0", 19).size());
    EXPECT_EQ(buffer, std::string("/f/a.jpg\0/f/b.jpg\0\0", 19));
    std::vector<std::string> names;
    EXPECT_EQ(list.CollectSelected(names, false), 12u); // "a.jpg" + NUL, twice
    EXPECT_EQ(names, (std::vector<std::string>{"a.jpg", "b.jpg"}));
    list.ClearAllStates();
    EXPECT_EQ(list.CountSelected(), 0);
    EXPECT_EQ(list.CollectSelectedPathList(buffer), 1u);
}

TEST(ImageItemListTest, PathsAndNamesCompareExactlyAsTheFileSystemDoes) {
    ImageItemList list;
    list.Add(ImageItem::FromPath("/f/Été.JPG", ImageKind::Jpeg));
    list.Add(ImageItem::FromPath("/f/b.jpg", ImageKind::Jpeg));
    EXPECT_EQ(list.FindByPath("/f/Été.JPG"), 0);
    EXPECT_EQ(list.FindByPath("/F/ÉTÉ.jpg"), -1);
    EXPECT_EQ(list.FindByPath("/f/été.JPG"), -1);
    EXPECT_EQ(list.FindByName("b.jpg"), 1);
    EXPECT_EQ(list.FindByName("B.JPG"), -1);
    EXPECT_EQ(list.FindByName("b.jpg "), -1);
    EXPECT_TRUE(list.ContainsPath("/f/b.jpg"));
    EXPECT_FALSE(list.ContainsPath("/f/b.JPG"));
    EXPECT_FALSE(list.RemoveByPath("/F/B.JPG"));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_TRUE(list.RemoveByPath("/f/b.jpg"));
    EXPECT_EQ(list.Count(), 1);
    // Two files that differ only in case are both kept and found apart.
    list.Add(ImageItem::FromPath("/f/a.jpg", ImageKind::Jpeg));
    list.Add(ImageItem::FromPath("/f/A.JPG", ImageKind::Jpeg));
    EXPECT_EQ(list.FindByPath("/f/a.jpg"), 1);
    EXPECT_EQ(list.FindByPath("/f/A.JPG"), 2);
    EXPECT_EQ(list.FindByName("A.JPG"), 2);
    EXPECT_TRUE(list.RemoveByPath("/f/A.JPG"));
    EXPECT_EQ(list.FindByPath("/f/a.jpg"), 1);
}

TEST(ImageItemListTest, ThumbnailWritesOnlyReachTheSameItem) {
    ImageItemList list;
    const int32_t idA = list.Add(ImageItem::FromPath("/f/a.jpg", ImageKind::Jpeg));
    const int32_t idB = list.Add(ImageItem::FromPath("/f/b.jpg", ImageKind::Jpeg));
    ThumbnailBlock block;
    block.thumbBits = DibImage(4, 3);
    // After a sort or reload the index holds another item: nothing is written.
    EXPECT_FALSE(list.WriteThumbnailBlock(0, idB, std::move(block)));
    EXPECT_FALSE(list.HasThumbnail(0));
    ThumbnailBlock good;
    good.thumbBits = DibImage(4, 3);
    good.preimageBits = DibImage(8, 6);
    good.thumbWidth = 4;
    EXPECT_TRUE(list.WriteThumbnailBlock(0, idA, std::move(good)));
    EXPECT_TRUE(list.HasThumbnail(0));
    EXPECT_FALSE(list.WriteFileStatus(1, idA, FileStatus{}, true));
    EXPECT_TRUE(list.WriteFileStatus(1, idB, FileStatus{0100444, 5, 0, 0, 0}, true));
    ImageItem b;
    list.CopyOut(1, b);
    EXPECT_EQ(b.readOnly, 1);
    EXPECT_EQ(b.fileStatus.size, 5);

    ImageItem thumbOnly;
    ASSERT_TRUE(list.CopyOut(0, thumbOnly, CopyPixels::ThumbnailOnly));
    EXPECT_TRUE(thumbOnly.hasThumbnail());
    EXPECT_TRUE(thumbOnly.thumb.preimageBits.isNull());
    EXPECT_EQ(thumbOnly.thumb.thumbWidth, 4);
    ImageItem none;
    ASSERT_TRUE(list.CopyOut(0, none, CopyPixels::None));
    EXPECT_FALSE(none.hasThumbnail());
    // The list's own item keeps its pixels after a partial copy.
    EXPECT_TRUE(list.HasThumbnail(0));
    PreimageCopy pre;
    ASSERT_TRUE(list.CopyPreimage(0, pre));
    EXPECT_EQ(pre.width, 8);
    EXPECT_EQ(pre.size, static_cast<uint32_t>(dibStride(8) * 6));
}

TEST(ImageItemListTest, PreimageIsNotHandedOutForGifIcoCur) {
    ImageItemList list;
    for (auto [name, kind] :
         {std::pair{"a.gif", ImageKind::Gif}, std::pair{"a.ico", ImageKind::Ico},
          std::pair{"a.cur", ImageKind::Cur}, std::pair{"a.bmp", ImageKind::Bmp}}) {
        ImageItem item = ImageItem::FromPath(std::string("/f/") + name, kind);
        item.thumb.preimageBits = DibImage(2, 2);
        list.Add(std::move(item));
    }
    PreimageCopy pre;
    EXPECT_FALSE(list.CopyPreimage(0, pre));
    EXPECT_FALSE(list.CopyPreimage(1, pre));
    EXPECT_FALSE(list.CopyPreimage(2, pre));
    EXPECT_TRUE(list.CopyPreimage(3, pre));
}

TEST(ImageItemListTest, CopyInfoOnlyCarriesRecordsWithMakeOrModel) {
    ImageItemList list;
    ImageItem with = ImageItem::FromPath("/f/a.jpg", ImageKind::Jpeg);
    with.imageInfo.model = "X100";
    with.shootingInfo.iso = 200;
    with.makerNoteKind = kMakerNoteFujifilm;
    with.makerNote.emplace(FujifilmMakerNote{std::string("123")});
    list.Add(with);
    ImageItem without = ImageItem::FromPath("/f/b.jpg", ImageKind::Jpeg);
    without.shootingInfo.iso = 400;
    list.Add(without);
    ItemInfoRecord info;
    ASSERT_TRUE(list.CopyInfo(0, info));
    EXPECT_TRUE(info.hasInfo);
    EXPECT_EQ(info.shootingInfo.iso, 200u);
    EXPECT_EQ(info.makerNoteKind, kMakerNoteFujifilm);
    ASSERT_TRUE(list.CopyInfo(1, info));
    EXPECT_FALSE(info.hasInfo);
    EXPECT_EQ(info.fileName, "b.jpg");
    EXPECT_FALSE(info.shootingInfo.iso);
}

TEST(ImageItemListTest, RemoveOperationsAndClear) {
    TempFolder dir("remove");
    dir.Write("keep.jpg");
    dir.Write("sel.jpg");
    ImageItemList list;
    list.Add(ImageItem::FromPath(dir.File("keep.jpg"), ImageKind::Jpeg));
    list.Add(ImageItem::FromPath(dir.File("gone1.jpg"), ImageKind::Jpeg));
    list.Add(ImageItem::FromPath(dir.File("sel.jpg"), ImageKind::Jpeg));
    list.Add(ImageItem::FromPath(dir.File("gone2.jpg"), ImageKind::Jpeg));
    list.SetStateBits(3, kStateSelected);
    list.SetStateBits(2, kStateSelected);
    EXPECT_EQ(list.RemoveSelectedMissing(), 1); // gone2 only
    EXPECT_EQ(listedNames(list), (std::vector<std::string>{"keep.jpg", "gone1.jpg", "sel.jpg"}));
    EXPECT_EQ(list.RemoveMissing(), 1);
    EXPECT_EQ(list.RemoveSelected(), 1);
    EXPECT_EQ(listedNames(list), (std::vector<std::string>{"keep.jpg"}));
    // Ids keep counting after removals.
    EXPECT_EQ(list.Add(ImageItem::FromPath("/x.jpg", ImageKind::Jpeg)), 4);

    ImageItem scanned = ImageItem::FromPath("/y.jpg", ImageKind::Jpeg);
    scanned.exifScanned = 1;
    scanned.thumb.thumbBits = DibImage(2, 2);
    list.Add(std::move(scanned));
    list.Clear(false);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_FALSE(list.IsScanned(2));
    EXPECT_FALSE(list.HasThumbnail(2));
    EXPECT_EQ(list.IdAt(2), 5);
    list.Clear(true);
    EXPECT_EQ(list.Count(), 0);
}

TEST(ImageItemListTest, ReleaseOutsideFreesOnlyFarItems) {
    ImageItemList list;
    for (int i = 0; i < 10; ++i) {
        ImageItem item = ImageItem::FromPath("/f/" + std::to_string(i) + ".jpg", ImageKind::Jpeg);
        item.thumb.thumbBits = DibImage(10, 10);
        item.thumb.preimageBits = DibImage(20, 20);
        item.exifScanned = 1;
        list.Add(std::move(item));
    }
    const std::size_t per = DibImage(10, 10).byteSize() + DibImage(20, 20).byteSize();
    EXPECT_EQ(list.PixelBytes(), 10 * per);
    list.ReleaseOutside(3, 5, false);
    EXPECT_EQ(list.PixelBytes(), 3 * per);
    EXPECT_FALSE(list.HasThumbnail(2));
    EXPECT_TRUE(list.HasThumbnail(3));
    EXPECT_TRUE(list.HasThumbnail(5));
    EXPECT_FALSE(list.HasThumbnail(6));
    EXPECT_TRUE(list.IsScanned(0)); // only the pixels went
    list.ReleaseOutside(4, 4, true);
    EXPECT_FALSE(list.IsScanned(0));
    EXPECT_TRUE(list.IsScanned(4));
}

// ---- enumeration ----

TEST(FolderEnumerationTest, PatternsMatchExtensionsLikeTheWindowsSearch) {
    TempFolder dir("kinds");
    dir.Write("a.JPG");
    dir.Write("b.jpeg");
    dir.Write("c.tif");
    dir.Write("d.TIFF");
    dir.Write("e.txt");
    dir.Write("f.jpg.bak");
    dir.Write("g.Sr2");
    const auto names = enumerate(dir, KindFilter{7, 61, 0});
    std::set<std::string> got(names.begin(), names.end());
    EXPECT_EQ(got, (std::set<std::string>{"a.JPG", "c.tif", "d.TIFF", "g.Sr2"}));

    ImageItemList list;
    list.EnumerateFolder(dir.Folder(), KindFilter{7, 61, 0}, {}, {});
    for (int i = 0; i < list.Count(); ++i) {
        ImageItem item;
        list.CopyOut(i, item);
        EXPECT_EQ(item.path, dir.Folder() + item.fileName);
        EXPECT_EQ(item.id, i);
        if (item.fileName == "a.JPG")
            EXPECT_EQ(item.kind, ImageKind::Jpeg);
        else if (item.fileName == "g.Sr2")
            EXPECT_EQ(item.kind, ImageKind::Sr2);
        else
            EXPECT_EQ(item.kind, ImageKind::Tiff);
    }
}

TEST(FolderEnumerationTest, MiscGroupAlwaysListsTiffAndOtherKindsByMiscBits) {
    TempFolder dir("misc");
    for (const char* name :
         {"a.jpg", "b.nef", "c.tif", "d.bmp", "e.gif", "f.ico", "g.cur", "h.psd"})
        dir.Write(name);
    auto names = enumerate(dir, KindFilter{kFileTypeMisc, 0, 0});
    EXPECT_EQ(names, (std::vector<std::string>{"c.tif"}));
    names = enumerate(dir, KindFilter{kFileTypeMisc, kMiscGif | kMiscPsd, 0});
    EXPECT_EQ(names, (std::vector<std::string>{"c.tif", "e.gif", "h.psd"}));
    names = enumerate(dir, KindFilter{kFileTypeRaw, 63, 0});
    EXPECT_EQ(names, (std::vector<std::string>{"b.nef"}));
    EXPECT_TRUE(enumerate(dir, KindFilter{0, 63, 0}).empty());
}

TEST(FolderEnumerationTest, RawKindBitsChooseAmongTheCurrentRawKindsOnly) {
    TempFolder dir("rawkind");
    for (const char* name : {"a.cr2", "b.cr3", "c.arw", "d.srf", "e.dng", "f.rw2", "g.jpg"})
        dir.Write(name);
    KindFilter filter{kFileTypeRaw, 0, 0};
    filter.rawKind = kRawDng | kRawArw;
    EXPECT_EQ(enumerate(dir, filter),
              (std::vector<std::string>{"a.cr2", "c.arw", "d.srf", "e.dng"}));
    filter.rawKind = 0; // the older RAW kinds have no bit: RAW alone lists them
    EXPECT_EQ(enumerate(dir, filter), (std::vector<std::string>{"a.cr2"}));
    EXPECT_EQ(enumerate(dir, KindFilter{kFileTypeRaw, 0, 0}),
              (std::vector<std::string>{"a.cr2", "b.cr3", "c.arw", "d.srf", "e.dng", "f.rw2"}));
    filter = KindFilter{kFileTypeJpeg, 0, 0};
    EXPECT_EQ(enumerate(dir, filter), (std::vector<std::string>{"g.jpg"}));

    // Pasted files ask the same bits.
    KindFilter paste{kFileTypeRaw, 0, 0};
    paste.rawKind = kRawCr3;
    EXPECT_TRUE(paste.allowsPasted(ImageKind::Cr3));
    EXPECT_TRUE(paste.allowsPasted(ImageKind::Nef));
    EXPECT_FALSE(paste.allowsPasted(ImageKind::Rw2));
    EXPECT_FALSE(paste.allowsPasted(ImageKind::Rwl));
    paste.fileType = kFileTypeJpeg;
    EXPECT_FALSE(paste.allowsPasted(ImageKind::Cr3));
    EXPECT_EQ(rawKindBit(ImageKind::Srf), kRawArw);
    EXPECT_EQ(rawKindBit(ImageKind::Cr2), 0);
}

TEST(FolderEnumerationTest, PictureKindBitsChooseAmongThePhoneAndWebPictures) {
    TempFolder dir("picturekind");
    for (const char* name : {"a.HEIC", "b.heif", "c.hif", "d.avif", "e.PNG", "f.webp", "g.jxl",
                             "h.bmp", "i.jpg", "j.heics"})
        dir.Write(name);
    // Filters from files written before these kinds existed show them all.
    KindFilter filter{kFileTypeMisc, kMiscBmp, 0};
    EXPECT_EQ(filter.pictureKind, kPictureKindAll);
    EXPECT_EQ(enumerate(dir, filter),
              (std::vector<std::string>{"h.bmp", "a.HEIC", "b.heif", "c.hif", "d.avif", "e.PNG",
                                        "f.webp", "g.jxl"}));
    filter.pictureKind = kPictureHeif | kPictureJxl;
    EXPECT_EQ(enumerate(dir, filter),
              (std::vector<std::string>{"h.bmp", "a.HEIC", "b.heif", "c.hif", "g.jxl"}));
    // They belong to the MISC group: without it none is listed.
    filter = KindFilter{kFileTypeJpeg | kFileTypeRaw, 63, 0};
    EXPECT_EQ(enumerate(dir, filter), (std::vector<std::string>{"i.jpg"}));

    ImageItemList list;
    list.EnumerateFolder(dir.Folder(), KindFilter{kFileTypeMisc, 0, 0}, {}, {});
    const auto kinds = listedKinds(list);
    EXPECT_EQ(kinds, (std::vector<ImageKind>{ImageKind::Heif, ImageKind::Heif, ImageKind::Heif,
                                             ImageKind::Avif, ImageKind::Png, ImageKind::WebP,
                                             ImageKind::Jxl}));
    for (int i = 0; i < list.Count(); ++i) {
        ImageItem item;
        list.CopyOut(i, item, CopyPixels::None);
        EXPECT_EQ(item.exifScanned, 0) << item.fileName; // their EXIF is read like a JPEG's
    }

    KindFilter paste{kFileTypeMisc, 0, 0};
    paste.pictureKind = kPicturePng;
    EXPECT_TRUE(paste.allowsPasted(ImageKind::Png));
    EXPECT_FALSE(paste.allowsPasted(ImageKind::Heif));
    paste.fileType = kFileTypeJpeg;
    EXPECT_FALSE(paste.allowsPasted(ImageKind::Png));
}

TEST(ImageKindTest, PictureKindsHaveCodesLabelsAndTheirOwnTurning) {
    EXPECT_EQ(kindFromExtension("IMG_1.HEIC"), ImageKind::Heif);
    EXPECT_EQ(kindFromExtension("DSCF1.HIF"), ImageKind::Heif);
    EXPECT_EQ(kindFromExtension("a.Heif"), ImageKind::Heif);
    EXPECT_EQ(kindFromExtension("a.AVIF"), ImageKind::Avif);
    EXPECT_EQ(kindFromExtension("a.Png"), ImageKind::Png);
    EXPECT_EQ(kindFromExtension("a.WEBP"), ImageKind::WebP);
    EXPECT_EQ(kindFromExtension("a.jxl"), ImageKind::Jxl);
    for (ImageKind k :
         {ImageKind::Heif, ImageKind::Avif, ImageKind::Png, ImageKind::WebP, ImageKind::Jxl}) {
        EXPECT_FALSE(isRawKind(k)) << kindCode(k);
        EXPECT_TRUE(kindHasExif(k));
        EXPECT_TRUE(isModernPictureKind(k));
        EXPECT_NE(pictureKindBit(k), 0);
        EXPECT_FALSE(kindLabel(k).empty());
        for (ImageKind other :
             {ImageKind::Jpeg, ImageKind::Tiff, ImageKind::Psd, ImageKind::Cr3, ImageKind::Cur})
            EXPECT_NE(kindCode(k), kindCode(other));
    }
    EXPECT_EQ(kindLabel(ImageKind::Heif), "HEIF");
    EXPECT_EQ(kindLabel(ImageKind::WebP), "WEBP");
    // Their libraries turn HEIF and JPEG XL by the container; PNG and WebP
    // pixels are stored as shot and take the EXIF orientation like a JPEG.
    EXPECT_FALSE(kindTurnsByExif(ImageKind::Heif));
    EXPECT_FALSE(kindTurnsByExif(ImageKind::Avif));
    EXPECT_FALSE(kindTurnsByExif(ImageKind::Jxl));
    EXPECT_TRUE(kindTurnsByExif(ImageKind::Png));
    EXPECT_TRUE(kindTurnsByExif(ImageKind::WebP));
    EXPECT_TRUE(kindTurnsByExif(ImageKind::Jpeg));
    EXPECT_FALSE(kindTurnsByExif(ImageKind::Tiff));
    EXPECT_EQ(pictureKindBit(ImageKind::Jpeg), 0);
}

TEST(FolderEnumerationTest, PatternOrderDecidesListOrder) {
    TempFolder dir("order");
    // The current RAW kinds come after the older ones, before the MISC kinds;
    // the phone and web pictures come last.
    for (const char* name :
         {"zg.jxl", "zf.webp", "ze.png", "zd.avif", "zc.hif", "zb.heif", "za.HEIC", "z.psd",
          "y.cur",  "x.ico",   "w.gif",  "v.bmp",   "u.tif",  "j9.3FR",  "j8.srw",  "j7.nrw",
          "j6.RWL", "j5.rw2",  "j4.dng", "j3.srf",  "j2.arw", "j1.CR3",  "t.sr2",   "s.raf",
          "r.erf",  "q.mrw",   "p.pef",  "o.orf",   "n.nef",  "m.crw",   "l.cr2",   "k.jpg"})
        dir.Write(name);
    ImageItemList list;
    std::vector<int> counts;
    list.EnumerateFolder(dir.Folder(), KindFilter{7, 63, 0}, {},
                         [&](int count) { counts.push_back(count); });
    EXPECT_EQ(
        listedNames(list),
        (std::vector<std::string>{
            "k.jpg",  "l.cr2",   "m.crw",   "n.nef",  "o.orf",   "p.pef",  "q.mrw",   "r.erf",
            "s.raf",  "t.sr2",   "j1.CR3",  "j2.arw", "j3.srf",  "j4.dng", "j5.rw2",  "j6.RWL",
            "j7.nrw", "j8.srw",  "j9.3FR",  "u.tif",  "v.bmp",   "w.gif",  "x.ico",   "y.cur",
            "z.psd",  "za.HEIC", "zb.heif", "zc.hif", "zd.avif", "ze.png", "zf.webp", "zg.jxl"}));
    // One count after each pattern, growing by one each time here.
    ASSERT_EQ(counts.size(), 32u);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(counts[i], i + 1);
    const auto kinds = listedKinds(list);
    EXPECT_EQ(kinds[2], ImageKind::Crw);
    EXPECT_EQ(kinds[9], ImageKind::Sr2);
    const std::vector<ImageKind> modern(kinds.begin() + 10, kinds.begin() + 19);
    EXPECT_EQ(modern, (std::vector<ImageKind>{ImageKind::Cr3, ImageKind::Arw, ImageKind::Srf,
                                              ImageKind::Dng, ImageKind::Rw2, ImageKind::Rwl,
                                              ImageKind::Nrw, ImageKind::Srw, ImageKind::ThreeFr}));
    for (ImageKind k : modern) {
        EXPECT_TRUE(isRawKind(k));
        EXPECT_EQ(kindLabel(k), "RAW");
    }
    ImageItem cr3;
    list.CopyOut(10, cr3);
    EXPECT_EQ(cr3.exifScanned, 0);
    ImageItem bmp;
    list.CopyOut(20, bmp);
    EXPECT_EQ(bmp.exifScanned, 1);
    ImageItem raw;
    list.CopyOut(9, raw);
    EXPECT_EQ(raw.exifScanned, 0);
}

TEST(FolderEnumerationTest, SizeLimiterBounds) {
    TempFolder dir("size");
    dir.Write("small.jpg", 9999);
    dir.Write("exact.jpg", 10000);
    dir.Write("big.jpg", 10001);
    KindFilter filter{7, 61, KindFilter::minimumSize(true, 10)};
    EXPECT_EQ(filter.minFileSize, 10000);
    auto names = enumerate(dir, filter);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"big.jpg", "exact.jpg"}));
    filter.minFileSize = KindFilter::minimumSize(false, 10);
    EXPECT_EQ(enumerate(dir, filter).size(), 3u);
}

TEST(FolderEnumerationTest, SupersededEnumerationStopsAtTheNextMatch) {
    TempFolder dir("stop");
    for (int i = 0; i < 50; ++i)
        dir.Write("f" + std::to_string(i) + ".jpg");
    dir.Write("g.tif");
    ImageItemList list;
    int asked = 0;
    int countsSent = 0;
    const bool done = list.EnumerateFolder(
        dir.Folder(), KindFilter{7, 61, 0}, [&] { return ++asked > 10; },
        [&](int) { ++countsSent; });
    EXPECT_FALSE(done);
    EXPECT_EQ(list.Count(), 0); // nothing of a superseded listing is added
    EXPECT_EQ(countsSent, 0);
    EXPECT_EQ(asked, 11);
}

TEST(FolderEnumerationTest, MissingFolderAddsNothing) {
    ImageItemList list;
    EXPECT_TRUE(list.EnumerateFolder("/nonexistent-lumora-folder/", KindFilter{}, {}, {}));
    EXPECT_EQ(list.Count(), 0);
}

// ---- sort ----

ImageItem dated(const std::string& name, std::optional<std::string> original,
                std::optional<std::string> modified = std::nullopt) {
    ImageItem item = ImageItem::FromPath("/f/" + name, ImageKind::Jpeg);
    item.imageInfo.shootingDateTime = std::move(original);
    item.imageInfo.dateTime = std::move(modified);
    return item;
}

TEST(ItemSortTest, ByNameIsCaseSensitiveWithPrefixFirst) {
    ImageItemList list;
    for (const char* name : {"b.jpg", "a.jpg", "B.jpg", "a.jp", "_x.jpg", "A.jpg", "a.jpg2"})
        list.Add(ImageItem::FromPath(std::string("/f/") + name, ImageKind::Jpeg));
    list.SetSortMode(SortMode::ByName);
    EXPECT_TRUE(list.SortAll());
    EXPECT_EQ(listedNames(list), (std::vector<std::string>{"A.jpg", "B.jpg", "_x.jpg", "a.jp",
                                                           "a.jpg", "a.jpg2", "b.jpg"}));
}

TEST(ItemSortTest, ByShootingTimeFallsBackToNamesForMissingDatesAndEqualSeconds) {
    ImageItemList list;
    list.Add(dated("d.jpg", "2004:06:01 10:00:00"));
    list.Add(dated("c.jpg", "2004:06:01 09:59:59"));
    list.Add(dated("b.jpg", "2004:06:01 10:00:00"));               // same second as d: by name
    list.Add(dated("a.jpg", std::nullopt));                        // no date: compares by name
    list.Add(dated("e.jpg", std::nullopt, "2003:01:01 00:00:00")); // DateTime serves
    list.SetSortMode(SortMode::ByShootingTime);
    EXPECT_TRUE(list.SortAll());
    const auto names = listedNames(list);
    auto pos = [&](const std::string& n) {
        return std::find(names.begin(), names.end(), n) - names.begin();
    };
    EXPECT_LT(pos("c.jpg"), pos("d.jpg"));
    EXPECT_LT(pos("b.jpg"), pos("d.jpg"));
    EXPECT_LT(pos("c.jpg"), pos("b.jpg"));
    EXPECT_LT(pos("e.jpg"), pos("c.jpg"));

    // The item without date is compared by name with each neighbour.
    EXPECT_TRUE(ImageItemList::Less(dated("a.jpg", std::nullopt),
                                    dated("b.jpg", "2999:01:01 00:00:00"),
                                    SortMode::ByShootingTime));
    EXPECT_FALSE(ImageItemList::Less(dated("c.jpg", std::nullopt),
                                     dated("b.jpg", "1999:01:01 00:00:00"),
                                     SortMode::ByShootingTime));
    // The original date wins over DateTime.
    EXPECT_TRUE(ImageItemList::Less(dated("z.jpg", "2001:01:01 00:00:00", "2009:01:01 00:00:00"),
                                    dated("a.jpg", "2005:01:01 00:00:00"),
                                    SortMode::ByShootingTime));
}

TEST(ItemSortTest, MatchesAReferenceSortAndKeepsEveryItem) {
    std::mt19937 rng(12345);
    for (int size : {0, 1, 2, 3, 17, 1000}) {
        ImageItemList list;
        std::vector<std::string> expected;
        for (int i = 0; i < size; ++i) {
            std::string name = std::to_string(rng() % 500) + (rng() % 2 ? "a" : "B") + ".jpg";
            name += std::to_string(i); // unique names
            expected.push_back(name);
            list.Add(ImageItem::FromPath("/f/" + name, ImageKind::Jpeg));
        }
        std::sort(expected.begin(), expected.end());
        list.SetSortMode(SortMode::ByName);
        EXPECT_TRUE(list.SortAll());
        EXPECT_EQ(listedNames(list), expected) << size;
    }
    // Already sorted and reversed inputs.
    ImageItemList sorted;
    for (int i = 0; i < 3000; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "%05d.jpg", 2999 - i);
        sorted.Add(ImageItem::FromPath(std::string("/f/") + name, ImageKind::Jpeg));
    }
    sorted.SetSortMode(SortMode::ByName);
    EXPECT_TRUE(sorted.SortAll());
    EXPECT_EQ(listedNames(sorted).front(), "00000.jpg");
    EXPECT_EQ(listedNames(sorted).back(), "02999.jpg");
}

TEST(ItemSortTest, AbandonedSortLeavesAPermutation) {
    ImageItemList list;
    for (int i = 0; i < 200; ++i)
        list.Add(ImageItem::FromPath("/f/" + std::to_string((i * 7919) % 200) + ".jpg",
                                     ImageKind::Jpeg));
    list.SetSortMode(SortMode::ByName);
    LockedValue generation(5);
    EXPECT_FALSE(list.Sort(0, list.Count() - 1, &generation, 4));
    std::set<int32_t> ids;
    for (int i = 0; i < list.Count(); ++i)
        ids.insert(list.IdAt(i));
    EXPECT_EQ(ids.size(), 200u);
    EXPECT_EQ(*ids.rbegin(), 199);
    // With the expected generation it completes.
    EXPECT_TRUE(list.Sort(0, list.Count() - 1, &generation, 5));
    const auto names = listedNames(list);
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
}

TEST(LockedValuesTest, IndexQueueClearedFlag) {
    LockedIndexQueue queue;
    EXPECT_TRUE(queue.IsCleared());
    EXPECT_EQ(queue.Pop(), -1);
    queue.Push(3);
    queue.PushRange(0, 1);
    EXPECT_FALSE(queue.IsCleared());
    EXPECT_EQ(queue.Pop(), 3);
    EXPECT_EQ(queue.Pop(), 0);
    EXPECT_EQ(queue.Pop(), 1);
    EXPECT_EQ(queue.Pop(), -1);
    EXPECT_FALSE(queue.IsCleared()); // emptied by popping, not cleared
    queue.Push(9);
    queue.Clear();
    EXPECT_TRUE(queue.IsCleared());
    EXPECT_EQ(queue.Pop(), -1);
}

} // namespace
} // namespace lumora
