#include "SampleTestSupport.h"

#include "imaging/ImageTools.h"
#include "samples/Canvas.h"
#include "samples/JpegEncode.h"
#include "samples/SampleGen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

using namespace lumora::samples;
namespace fs = std::filesystem;

namespace {

uint32_t be32(const std::vector<uint8_t>& f, std::size_t at) {
    return uint32_t(f[at]) << 24 | uint32_t(f[at + 1]) << 16 | uint32_t(f[at + 2]) << 8 | f[at + 3];
}
uint16_t be16(const std::vector<uint8_t>& f, std::size_t at) {
    return uint16_t(f[at] << 8 | f[at + 1]);
}
uint32_t le32(const std::vector<uint8_t>& f, std::size_t at) {
    return uint32_t(f[at + 3]) << 24 | uint32_t(f[at + 2]) << 16 | uint32_t(f[at + 1]) << 8 | f[at];
}
uint16_t le16(const std::vector<uint8_t>& f, std::size_t at) {
    return uint16_t(f[at + 1] << 8 | f[at]);
}

// Checks that [offset, offset + length) of the file is a whole JPEG stream
// (SOI, possibly stored as 00 D8, ... EOI) and returns its frame size.
::testing::AssertionResult embeddedJpegAt(const std::vector<uint8_t>& file, EmbeddedJpeg where,
                                          int* width = nullptr, int* height = nullptr) {
    if (where.length < 4 || where.offset + where.length > file.size())
        return ::testing::AssertionFailure() << "outside the file: " << where.offset << "+"
                                             << where.length << " of " << file.size();
    std::vector<uint8_t> jpeg(file.begin() + std::ptrdiff_t(where.offset),
                              file.begin() + std::ptrdiff_t(where.offset + where.length));
    if ((jpeg[0] != 0xFF && jpeg[0] != 0x00) || jpeg[1] != 0xD8)
        return ::testing::AssertionFailure() << "no SOI at " << where.offset;
    if (jpeg[jpeg.size() - 2] != 0xFF || jpeg.back() != 0xD9)
        return ::testing::AssertionFailure() << "no EOI at the end";
    jpeg[0] = 0xFF;
    int w = 0, h = 0;
    if (!decodeJpegSize(jpeg, w, h))
        return ::testing::AssertionFailure() << "does not decode";
    if (width)
        *width = w;
    if (height)
        *height = h;
    return ::testing::AssertionSuccess();
}

class SampleFolder : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir("samplegen");
        written_ = new std::vector<WrittenSample>(writeSampleFolder(dir_->path()));
    }
    static void TearDownTestSuite() {
        delete written_;
        delete dir_;
    }
    static const WrittenSample& find(const std::string& name) {
        for (const auto& w : *written_)
            if (w.name == name)
                return w;
        throw std::runtime_error("not written: " + name);
    }
    static std::vector<uint8_t> bytes(const std::string& name) {
        return readFile(dir_->path() + "/" + name);
    }
    static TempDir* dir_;
    static std::vector<WrittenSample>* written_;
};
TempDir* SampleFolder::dir_ = nullptr;
std::vector<WrittenSample>* SampleFolder::written_ = nullptr;

} // namespace

TEST_F(SampleFolder, HasEveryKindAndEveryOrientation) {
    std::set<int> kinds, orientations;
    for (const auto& w : *written_) {
        kinds.insert(w.kind);
        EXPECT_TRUE(fs::is_regular_file(dir_->path() + "/" + w.name)) << w.name;
        EXPECT_GT(fs::file_size(dir_->path() + "/" + w.name), 100u) << w.name;
        if (w.kind == kKindJpeg && w.hasExif)
            orientations.insert(w.camera.orientation);
    }
    const std::set<int> all = {kKindJpeg, kKindCr2, kKindNef, kKindOrf, kKindPef,  kKindMrw,
                               kKindErf,  kKindRaf, kKindSr2, kKindCrw, kKindTiff, kKindBmp,
                               kKindGif,  kKindIco, kKindCur, kKindPsd, kKindCr3,  kKindArw,
                               kKindDng,  kKindRw2, kKindNrw, kKindSrw};
    EXPECT_EQ(kinds, all);
    EXPECT_EQ(orientations, (std::set<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_TRUE(fs::is_regular_file(dir_->path() + "/" + find("crw_0042.crw").sidecar));
    EXPECT_FALSE(find("no-exif.jpg").hasExif);
}

TEST_F(SampleFolder, OutputIsDeterministic) {
    TempDir again("samplegen-again");
    writeSampleFolder(again.path());
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(dir_->path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(readFile(entry.path().string()), readFile(again.path() + "/" + name)) << name;
        ++files;
    }
    EXPECT_EQ(files, written_->size() + 1); // + the .thm sidecar
}

TEST_F(SampleFolder, RecordedEmbeddedJpegsAreRealJpegs) {
    for (const auto& w : *written_) {
        const auto f = bytes(w.name);
        if (w.thumbnail.length) {
            int tw = 0, th = 0;
            EXPECT_TRUE(embeddedJpegAt(f, w.thumbnail, &tw, &th)) << w.name << " thumbnail";
            EXPECT_LE(std::max(tw, th), 640) << w.name;
        }
        if (w.preview.length) {
            EXPECT_TRUE(embeddedJpegAt(f, w.preview)) << w.name << " preview";
        }
    }
    // Kinds whose readers need an embedded JPEG have one.
    for (const char* raw : {"canon.cr2", "nikon.nef", "olympus.orf", "pentax.pef", "epson.erf",
                            "sony.sr2", "crw_0042.crw", "minolta.mrw", "fujifilm.raf"})
        EXPECT_GT(find(raw).preview.length, 0u) << raw;
    for (const char* withThumb : {"canon-eos.jpg", "nikon-d.jpg", "fujifilm-finepix.jpg",
                                  "canon.cr2", "nikon.nef", "photoshop-raw.psd"})
        EXPECT_GT(find(withThumb).thumbnail.length, 0u) << withThumb;
    EXPECT_EQ(find("no-thumbnail.jpg").thumbnail.length, 0u);
    EXPECT_EQ(find("photoshop-nothumb.psd").thumbnail.length, 0u);
}

TEST_F(SampleFolder, DamagedStartMarkersAreStoredDamaged) {
    for (const char* name : {"epson.erf", "minolta.mrw"}) {
        const auto& w = find(name);
        const auto f = bytes(name);
        EXPECT_EQ(f[w.preview.offset], 0x00) << name;
        EXPECT_EQ(f[w.preview.offset + 1], 0xD8) << name;
    }
}

TEST_F(SampleFolder, NefCandidatesFollowTheLengthRule) {
    {
        // The maker note's JPEG is the shortest of the three here.
        const auto& w = find("nikon-small-note.nef");
        const auto f = bytes("nikon-small-note.nef");
        int tw = 0, th = 0;
        ASSERT_TRUE(embeddedJpegAt(f, w.thumbnail, &tw, &th));
        EXPECT_EQ(tw, 160);
        EXPECT_LT(w.thumbnail.length, w.preview.length);
    }
    const auto& w = find("nikon.nef");
    // Three JPEGs: the maker-note one sits between the two SubIFD ones, so it
    // is the thumbnail (second shortest) and the longest is the preview.
    EXPECT_LT(w.thumbnail.length, w.preview.length);
    const auto f = bytes("nikon.nef");
    EXPECT_EQ(std::string(f.begin(), f.begin() + 4), std::string("MM\0*", 4));
    int pw = 0, ph = 0;
    ASSERT_TRUE(embeddedJpegAt(f, w.preview, &pw, &ph));
    EXPECT_EQ(pw, 1024);
}

TEST_F(SampleFolder, ContainerHeadersSitWhereReadersLook) {
    {
        const auto f = bytes("fujifilm.raf");
        const auto& w = find("fujifilm.raf");
        EXPECT_EQ(std::string(f.begin(), f.begin() + 16), "FUJIFILMCCD-RAW ");
        EXPECT_EQ(be32(f, 84), w.preview.offset);
        EXPECT_EQ(be32(f, 88), w.preview.length);
    }
    {
        const auto f = bytes("crw_0042.crw");
        const auto& w = find("crw_0042.crw");
        EXPECT_EQ(std::string(f.begin() + 6, f.begin() + 14), "HEAPCCDR");
        const uint32_t L = le32(f, 2);
        const uint32_t table = L + le32(f, f.size() - 4);
        ASSERT_LT(table + 2, f.size());
        ASSERT_EQ(le16(f, table), 3); // the root has exactly three entries
        bool sawJpeg = false, sawProps = false;
        for (int i = 0; i < 3; ++i) {
            const std::size_t e = table + 2 + 10 * i;
            if (le16(f, e) == 0x2007) {
                sawJpeg = true;
                EXPECT_EQ(L + le32(f, e + 6), w.preview.offset);
                EXPECT_EQ(le32(f, e + 2), w.preview.length);
            }
            if (le16(f, e) == 0x300A) {
                sawProps = true;
                const uint32_t start = L + le32(f, e + 6), size = le32(f, e + 2);
                const uint32_t sub = start + le32(f, start + size - 4);
                const std::string text(f.begin() + start, f.begin() + start + size);
                EXPECT_NE(text.find(w.sidecar), std::string::npos);
                EXPECT_GE(le16(f, sub), 3);
            }
        }
        EXPECT_TRUE(sawJpeg && sawProps);
    }
    {
        const auto f = bytes("minolta.mrw");
        EXPECT_EQ(std::string(f.begin(), f.begin() + 4), std::string("\0MRM", 4));
        const std::size_t end = 8 + be32(f, 4);
        bool sawTtw = false;
        for (std::size_t at = 8; at + 8 <= end; at += 8 + be32(f, at + 4))
            if (std::string(f.begin() + at, f.begin() + at + 4) == std::string("\0TTW", 4)) {
                sawTtw = true;
                EXPECT_EQ(std::string(f.begin() + at + 8, f.begin() + at + 12),
                          std::string("MM\0*", 4));
            }
        EXPECT_TRUE(sawTtw);
    }
    {
        const auto f = bytes("olympus.orf");
        EXPECT_EQ(std::string(f.begin(), f.begin() + 4), "IIRO");
        const auto c = bytes("canon.cr2");
        EXPECT_EQ(std::string(c.begin() + 8, c.begin() + 10), "CR");
    }
}

TEST_F(SampleFolder, PsdPackBitsRowsUnpackToTheWidth) {
    const auto f = bytes("photoshop-packbits.psd");
    const uint16_t channels = be16(f, 12);
    const uint32_t h = be32(f, 14), w = be32(f, 18);
    std::size_t at = 26;
    at += 4 + be32(f, at); // colour-mode data
    at += 4 + be32(f, at); // resources
    at += 4 + be32(f, at); // layers
    ASSERT_EQ(be16(f, at), 1);
    at += 2;
    std::size_t data = at + 2 * std::size_t(channels) * h;
    for (std::size_t row = 0; row < std::size_t(channels) * h; ++row) {
        const std::size_t n = be16(f, at + 2 * row);
        std::size_t out = 0, i = data;
        while (i < data + n) {
            const int8_t hdr = int8_t(f[i++]);
            if (hdr >= 0) {
                out += std::size_t(hdr) + 1;
                i += std::size_t(hdr) + 1;
            } else if (hdr != -128) {
                out += std::size_t(1 - hdr);
                ++i;
            }
        }
        ASSERT_EQ(i, data + n) << "row " << row << " overruns its byte count";
        ASSERT_EQ(out, w) << "row " << row;
        data += n;
    }
    EXPECT_EQ(data, f.size());
}

TEST_F(SampleFolder, GifDecodesToEveryPixelWithTransparentCorners) {
    const auto f = bytes("picture.gif");
    std::vector<uint8_t> indexes;
    int w = 0, h = 0;
    ASSERT_TRUE(decodeGifIndexes(f, w, h, indexes));
    ASSERT_EQ(indexes.size(), std::size_t(w) * h);
    EXPECT_EQ(indexes[0], 255);                      // top-left corner is transparent
    EXPECT_EQ(indexes[std::size_t(w) * h - 1], 255); // bottom-right too
    EXPECT_NE(indexes[std::size_t(h / 2) * w + w / 2], 255);
}

TEST(SampleCanvas, StoredOrientationsShowUprightWhenTurnedBack) {
    const Canvas upright = renderSamplePicture(60, 40, "AB", "C", 5);
    auto toDib = [](const Canvas& c) {
        lumora::DibImage d(c.width(), c.height());
        for (int y = 0; y < c.height(); ++y)
            for (int x = 0; x < c.width(); ++x) {
                const Rgb p = c.at(x, y);
                uint8_t* q = d.scanLine(y) + x * 3;
                q[0] = p.b;
                q[1] = p.g;
                q[2] = p.r;
            }
        return d;
    };
    auto mirror = [](lumora::DibImage& d) {
        for (int y = 0; y < d.height(); ++y)
            for (int x = 0; x < d.width() / 2; ++x)
                for (int k = 0; k < 3; ++k)
                    std::swap(d.scanLine(y)[x * 3 + k], d.scanLine(y)[(d.width() - 1 - x) * 3 + k]);
    };
    const lumora::DibImage want = toDib(upright);
    using lumora::CImageTools;
    for (int o = 1; o <= 8; ++o) {
        lumora::DibImage d = toDib(upright.storedForOrientation(o));
        // What a viewer does for each orientation value.
        switch (o) {
        case 2:
            mirror(d);
            break;
        case 3:
            CImageTools::RotateHalf(d);
            break;
        case 4:
            CImageTools::RotateHalf(d);
            mirror(d);
            break;
        case 5:
            CImageTools::RotateRight90(d);
            mirror(d);
            break;
        case 6:
            CImageTools::RotateRight90(d);
            break;
        case 7:
            CImageTools::RotateLeft90(d);
            mirror(d);
            break;
        case 8:
            CImageTools::RotateLeft90(d);
            break;
        default:
            break;
        }
        ASSERT_EQ(d.width(), want.width()) << o;
        ASSERT_EQ(d.height(), want.height()) << o;
        EXPECT_EQ(0, std::memcmp(d.bits(), want.bits(), want.byteSize())) << "orientation " << o;
    }
}

TEST(SampleCameraJpeg, ThumbnailPositionFollowsTheSegments) {
    for (bool jfif : {false, true}) {
        CameraJpegOptions o;
        o.width = 320;
        o.height = 240;
        o.jfifFirst = jfif;
        o.camera = canonCamera();
        WrittenSample w;
        const auto bytes = makeCameraJpeg(o, &w);
        ASSERT_TRUE(w.hasExif);
        // APP1 right after SOI, or after the JFIF APP0.
        const std::size_t app1 = jfif ? 4 + be16(bytes, 4) : 2;
        ASSERT_EQ(bytes[app1], 0xFF);
        ASSERT_EQ(bytes[app1 + 1], 0xE1);
        EXPECT_EQ(std::string(bytes.begin() + app1 + 4, bytes.begin() + app1 + 10),
                  std::string("Exif\0\0", 6));
        int tw = 0, th = 0;
        ASSERT_TRUE(embeddedJpegAt(bytes, w.thumbnail, &tw, &th));
        EXPECT_EQ(tw, 160);
        EXPECT_EQ(th, 120);
        int mw = 0, mh = 0;
        ASSERT_TRUE(decodeJpegSize(bytes, mw, mh));
        EXPECT_EQ(mw, 320);
        EXPECT_EQ(mh, 240);
    }
    CameraJpegOptions none;
    none.withExif = false;
    WrittenSample w;
    const auto plain = makeCameraJpeg(none, &w);
    EXPECT_FALSE(w.hasExif);
    EXPECT_NE(plain[3], 0xE1);
    EXPECT_EQ(w.thumbnail.length, 0u);
}

TEST(SampleCameraJpeg, OversizedExifIsRefusedNotTruncated) {
    CameraJpegOptions o;
    o.camera.model = std::string(70000, 'M'); // would not fit a 64 KB segment
    EXPECT_THROW(makeCameraJpeg(o), std::length_error);
}

TEST(SampleTiffWriter, UnresolvedLabelsAreReported) {
    TiffStream s(true);
    s.header("missing");
    EXPECT_THROW(s.finish(), std::runtime_error);
    TiffStream t(false);
    t.mark("a");
    EXPECT_THROW(t.mark("a"), std::logic_error);
}

TEST(SampleCameraJpeg, BatchFolderNamesAndTimesFollowTheIndex) {
    TempDir dir("samplegen-batch");
    CameraJpegOptions base;
    base.width = 160;
    base.height = 120;
    base.camera = canonCamera();
    const auto written = writeCameraJpegFolder(dir.path(), 61, base);
    ASSERT_EQ(written.size(), 61u);
    EXPECT_EQ(written.front().name, "img_0001.jpg");
    EXPECT_EQ(written.back().name, "img_0061.jpg");
    EXPECT_EQ(written.front().camera.dateTimeOriginal, "2024:05:17 10:00:01");
    EXPECT_EQ(written[59].camera.dateTimeOriginal, "2024:05:17 10:01:00");
    EXPECT_EQ(written.back().camera.dateTimeOriginal, "2024:05:17 10:01:01");
    int w = 0, h = 0;
    const auto bytes = readFile(dir.path() + "/img_0061.jpg");
    ASSERT_TRUE(decodeJpegSize(bytes, w, h));
    EXPECT_EQ(w, 160);
    EXPECT_TRUE(embeddedJpegAt(bytes, written.back().thumbnail));
    EXPECT_NE(readFile(dir.path() + "/img_0001.jpg"), readFile(dir.path() + "/img_0002.jpg"));
}
