// The scan's windows kept as the thread's recent bytes: the embedded
// thumbnail of the file just scanned is taken from them instead of a second
// open, only on the scanning thread and only until the next file, and a
// thumbnail read after that meets the file as it is now.
#include "DecoderTestUtil.h"

#include "engine/FileAccess.h"
#include "engine/ImageItemList.h"
#include "engine/ThumbnailEngine.h"
#include "imaging/FileBytes.h"
#include "imaging/ThumbnailDecoder.h"
#include "samples/SampleGen.h"

#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace lumora {
namespace {

using test::readAll;
using test::ScratchDir;

struct ScannedPair {
    explicit ScannedPair(const ScratchDir& dir) {
        samples::CameraJpegOptions options;
        options.camera = samples::canonCamera();
        options.withThumbnail = true;
        const auto written = samples::writeCameraJpegFolder(dir.file("cam"), 2, options);
        EXPECT_EQ(written.size(), 2u);
        for (std::size_t i = 0; i < written.size() && i < 2; ++i) {
            items[i] = ImageItem::FromPath(dir.file("cam/" + written[i].name), ImageKind::Jpeg);
        }
    }
    ImageItem items[2];
};

std::vector<uint8_t> recent(const ImageItem& item) {
    std::vector<uint8_t> out(item.thumbLength);
    if (!CFileBytes::CopyRecent(item.path, item.thumbOffset, out.size(), out.data()))
        out.clear();
    return out;
}

TEST(RecentFileBytes, TheFileJustScannedServesItsThumbnailOnThisThreadOnly) {
    ScratchDir dir;
    ScannedPair pair(dir);
    ImageItem& a = pair.items[0];
    ImageItem& b = pair.items[1];
    ScanItemInfo(a);
    ASSERT_EQ(a.exifScanned, 1);
    ASSERT_GT(a.thumbLength, 0u);

    // The same bytes the file holds there.
    const std::vector<uint8_t> file = readAll(a.path);
    ASSERT_LE(a.thumbOffset + a.thumbLength, file.size());
    const std::vector<uint8_t> expected(file.begin() + a.thumbOffset,
                                        file.begin() + a.thumbOffset + a.thumbLength);
    EXPECT_EQ(recent(a), expected);

    // Another path, a block past the bytes read, an empty block: not served.
    uint8_t byte = 0;
    EXPECT_FALSE(CFileBytes::CopyRecent(b.path, a.thumbOffset, 1, &byte));
    EXPECT_FALSE(CFileBytes::CopyRecent(a.path, file.size(), 1, &byte));
    EXPECT_FALSE(CFileBytes::CopyRecent(a.path, 0, 0, &byte));
    EXPECT_FALSE(CFileBytes::CopyRecent(a.path + "x", a.thumbOffset, 1, &byte));

    // Another thread has bytes of its own, none of this file.
    EXPECT_TRUE(std::async(std::launch::async, [&] { return recent(a); }).get().empty());

    // The next file scanned takes the place of the first.
    ScanItemInfo(b);
    ASSERT_GT(b.thumbLength, 0u);
    EXPECT_TRUE(recent(a).empty());
    EXPECT_FALSE(recent(b).empty());
}

TEST(RecentFileBytes, ThumbnailsMadeLaterReadTheFileAsItIsNow) {
    ScratchDir dir;
    ScannedPair pair(dir);
    ImageItem& a = pair.items[0];
    ImageItem& b = pair.items[1];
    const ThumbnailBox box{120, 90, true};

    // Straight after its scan the thumbnail comes from the scan's bytes.
    ScanItemInfo(a);
    ASSERT_GT(a.thumbLength, 0u);
    DecodeThumbnail(a, box);
    EXPECT_EQ(a.thumb.thumbReal, 1);

    // Cut short after the scan, with another file scanned since: the read
    // goes to the file, finds the block gone and gives the placeholder.
    ScanItemInfo(b);
    ASSERT_EQ(::truncate(a.path.c_str(), a.thumbOffset + 10), 0);
    ImageItem again = a;
    again.thumb = ThumbnailBlock{};
    DecodeThumbnail(again, box);
    EXPECT_EQ(again.thumb.thumbReal, 0);
    ASSERT_FALSE(again.thumb.thumbBits.isNull());

    // A file replaced by a FIFO after its scan is refused at once.
    ASSERT_EQ(::unlink(b.path.c_str()), 0);
    ASSERT_EQ(::mkfifo(b.path.c_str(), 0600), 0);
    ImageItem other = ImageItem::FromPath(a.path, ImageKind::Jpeg);
    ScanItemInfo(other); // the recent bytes are of another file now
    ImageItem fifo = b;
    fifo.thumb = ThumbnailBlock{};
    DecodeThumbnail(fifo, box);
    EXPECT_EQ(fifo.thumb.thumbReal, 0);
}

// The status and the read-only mark come with the scan, from its own fstat,
// and the list keeps them with the scan's other fields.
TEST(RecentFileBytes, TheScanFillsTheStatusAndTheReadOnlyMark) {
    ScratchDir dir;
    ScannedPair pair(dir);
    const std::string path = pair.items[0].path;
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);

    ImageItemList list;
    list.Add(ImageItem::FromPath(path, ImageKind::Jpeg));
    ASSERT_TRUE(list.ScanInfoAt(0));
    ImageItem out;
    ASSERT_TRUE(list.CopyOut(0, out));
    EXPECT_EQ(out.fileStatus, FileStatusOf(st));
    EXPECT_EQ(out.readOnly, UserMayWriteFile(path) ? 0 : 1);
    EXPECT_EQ(out.readOnly, ::geteuid() == 0 ? 0 : 1);

    // A file the parser does not take keeps the status it had (none).
    const std::string junk = dir.write("junk.jpg", std::vector<uint8_t>(300, 'x'));
    ImageItem failed = ImageItem::FromPath(junk, ImageKind::Jpeg);
    ScanItemInfo(failed);
    EXPECT_EQ(failed.exifScanned, 0);
    EXPECT_EQ(failed.fileStatus, FileStatus{});
}

} // namespace
} // namespace lumora
