// Every damaged or malicious sample decodes or fails cleanly through every
// path: the thumbnail (embedded and whole file), the preview and the mini
// preview. The sanitizer build turns any bad access into a failure.
#include "DecoderTestUtil.h"

#include "engine/ImageItemList.h"
#include "imaging/ImageLoader.h"
#include "imaging/JpegDecoder.h"
#include "imaging/PsdReader.h"
#include "imaging/ThumbnailDecoder.h"
#include "imaging/TiffDecoder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace lumora {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> filesIn(const std::string& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec))
        if (e.is_regular_file())
            files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

// A refused file gets exactly the "UNKNOWN" card and no pre-image.
void expectPlaceholderWhenRefused(const ImageItem& item, int w, int h) {
    if (item.thumb.thumbReal)
        return;
    const DibImage card = MakeUnknownPlaceholder(w, h);
    ASSERT_EQ(item.thumb.thumbBits.width(), w);
    ASSERT_EQ(item.thumb.thumbBits.height(), h);
    EXPECT_EQ(std::memcmp(item.thumb.thumbBits.bits(), card.bits(), card.byteSize()), 0);
    EXPECT_TRUE(item.thumb.preimageBits.isNull());
}

// Without a cancel test a decode ends Decoded with a picture, or Failed, or
// OpenFailed with nothing.
void expectCleanStatus(const DecodeOutput& out) {
    EXPECT_NE(out.status, DecodeStatus::Cancelled);
    if (out.status == DecodeStatus::Decoded) {
        EXPECT_FALSE(out.image.isNull());
    }
    if (out.status == DecodeStatus::OpenFailed) {
        EXPECT_TRUE(out.image.isNull());
    }
}

void exercise(const fs::path& path) {
    const ImageKind kind = kindFromExtension(path.filename().string());
    ImageItem item = ImageItem::FromPath(path.string(), kind);
    ScanItemInfo(item);
    DecodeThumbnail(item, ThumbnailBox{120, 90, true});
    EXPECT_FALSE(item.thumb.thumbBits.isNull()) << path;
    EXPECT_GT(item.thumb.thumbWidth, 0) << path;
    expectPlaceholderWhenRefused(item, 120, 90);

    // Whole-file thumbnail even when the item has an embedded one.
    ImageItem whole = item;
    whole.useEmbedded = 0;
    DecodeThumbnail(whole, ThumbnailBox{160, 120, false});
    EXPECT_FALSE(whole.thumb.thumbBits.isNull()) << path;
    expectPlaceholderWhenRefused(whole, 160, 120);

    for (int target : {0, 200}) {
        DecodeOutput out = DecodeForLoader(item, target, CancelTest{}, {});
        expectCleanStatus(out);
        if (out.status == DecodeStatus::Decoded) {
            EXPECT_FALSE(out.image.isNull()) << path;
        }
        if (!out.image.isNull()) {
            EXPECT_GT(out.image.width(), 0);
            EXPECT_EQ(out.image.byteSize(),
                      static_cast<std::size_t>(out.image.stride()) * out.image.height());
        }
    }
    // Every file read as each kind of decoder, whatever its name says.
    JpegOptions options;
    options.scaleTarget = 160;
    expectCleanStatus(CJpegDecoder::Decode(JpegSource{path.string()}, options));
    TiffOptions tiff;
    tiff.subsampleTarget = 160;
    expectCleanStatus(CTiffDecoder::Decode(path.string(), tiff));
    CPsdReader psd;
    if (psd.Open(path.string())) {
        DibImage composite;
        psd.ReadComposite(composite);
    }
}

TEST(HostileSamples, DecodeOrFailCleanly) {
    if (!test::haveSamples())
        GTEST_SKIP() << "no shared samples";
    const auto files = filesIn(test::samples() + "/hostile");
    ASSERT_FALSE(files.empty());
    for (const auto& f : files) {
        SCOPED_TRACE(f.string());
        exercise(f);
    }
}

TEST(HostileSamples, RawAndMiscSamplesDecodeOrFailCleanly) {
    if (!test::haveSamples())
        GTEST_SKIP() << "no shared samples";
    for (const char* folder : {"/raw", "/misc", "/tiff", "/modern"})
        for (const auto& f : filesIn(test::samples() + folder)) {
            SCOPED_TRACE(f.string());
            exercise(f);
        }
}

TEST(HostileSamples, DamagedRawPreviews) {
    test::ScratchDir dir;
    const std::vector<uint8_t> preview = test::encodeJpeg(400, 300, 3);
    std::vector<uint8_t> file;
    file.reserve(2048 + preview.size());
    file.resize(2048, 0x20);
    file.insert(file.end(), preview.begin(), preview.end());
    const std::string path = dir.write("d.nef", file);
    struct Case {
        uint32_t offset, length;
        bool picture;
    } cases[] = {
        {2048, static_cast<uint32_t>(preview.size()), true},              // intact
        {2048, static_cast<uint32_t>(preview.size() / 2), true},          // cut short: filled rows
        {2048 + 100, static_cast<uint32_t>(preview.size()) - 100, false}, // no start marker
        {2048, static_cast<uint32_t>(preview.size()) + 1, false},         // one byte past the end
        {0xFFFFFFF0u, 0x20, false},                                       // far outside
        {2048, 40, false},                                                // header only
    };
    for (const Case& c : cases) {
        ImageItem item = ImageItem::FromPath(path, ImageKind::Nef);
        item.previewOffset = c.offset;
        item.previewLength = c.length;
        DecodeOutput out = DecodeForLoader(item, 0, CancelTest{}, {});
        EXPECT_NE(out.status, DecodeStatus::OpenFailed) << c.offset << "+" << c.length;
        EXPECT_EQ(out.status == DecodeStatus::Decoded, c.picture) << c.offset << "+" << c.length;
        if (c.picture) {
            EXPECT_EQ(out.image.width(), 400);
            EXPECT_EQ(out.image.height(), 300);
        }
    }
}

} // namespace
} // namespace lumora
