// Structural rules of the metadata parser, on small files built in memory.
#include "TiffBuilder.h"

#include "imaging/RawParser.h"
#include "metadata/CaptionSummary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using lumora::CanonMakerNote;
using lumora::CRawParser;
using lumora::FujifilmMakerNote;
using lumora::ImageInfo;
using lumora::MakerNote;
using lumora::NikonMakerNote;
using lumora::ShootingInfo;
using lumora::testing::TiffBuilder;
using lumora::testing::WrapInJpeg;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct Parsed {
    int ok = 0;
    ImageInfo image;
    ShootingInfo shooting;
    int makerNoteKind = 0;
    MakerNote note;
    std::uint64_t thumbPos = 0, previewPos = 0;
    std::uint32_t thumbLen = 0, previewLen = 0;
};

Parsed ParseBytes(const Bytes& bytes, int kind) {
    CRawParser p;
    Parsed r;
    r.ok = p.OpenMemory(bytes.data(), bytes.size(), kind);
    p.GetImageInfo(r.image);
    p.GetShootingInfo(r.shooting);
    r.makerNoteKind = p.GetMakerNoteKind();
    p.GetMakerNote(r.note);
    r.thumbPos = p.GetThumbnailPosition();
    r.thumbLen = p.GetThumbnailLength();
    r.previewPos = p.GetPreviewPosition();
    r.previewLen = p.GetPreviewLength();
    return r;
}

// A camera-like TIFF: IFD0 with size and names, an EXIF IFD with the exposure.
Bytes CameraTiff(bool le, const std::string& make = "Canon",
                 std::vector<TiffBuilder::Entry> extraExif = {}) {
    TiffBuilder b(le);
    b.Header();
    std::vector<TiffBuilder::Entry> exif = {
        b.Rational(33434, 1, 250),
        b.Rational(33437, 28, 10),
        b.Short(34850, {2}),
        b.Short(34855, {400}),
        b.Undefined(36864, {'0', '2', '2', '1'}),
        b.Ascii(36867, "2004:06:09 16:02:35"),
        b.Rational(37380, static_cast<std::uint32_t>(-2), 3, true),
        b.Rational(37381, 4970, 1000),
        b.Short(37383, {5}),
        b.Short(37385, {16}),
        b.Rational(37386, 55, 1),
        b.Short(40961, {1}),
        b.Long(40962, {3008}),
        b.Short(40963, {2000}),
        b.Short(41987, {1})};
    exif.insert(exif.end(), extraExif.begin(), extraExif.end());
    const std::uint32_t exifIfd = b.Ifd(exif);
    const std::uint32_t ifd0 =
        b.Ifd({b.Short(256, {3072}), b.Long(257, {2048}), b.Ascii(271, make),
               b.Ascii(272, make + " Model"), b.Short(274, {6}),
               b.Ascii(306, "2004:06:10 10:00:00"), b.Long(34665, {exifIfd})});
    b.SetIfd0(ifd0);
    return b.Bytes();
}

} // namespace

TEST(RawParserTiff, ReadsImageAndShootingFields) {
    const Parsed r = ParseBytes(CameraTiff(true), lumora::kRawKindTiff);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.image.width, 3072u);
    EXPECT_EQ(r.image.height, 2048u);
    EXPECT_EQ(r.image.make, "Canon");
    EXPECT_EQ(r.image.orientation, 6);
    EXPECT_EQ(r.image.dateTime, "2004:06:10 10:00:00");
    EXPECT_EQ(r.image.shootingDateTime, "2004:06:09 16:02:35");
    EXPECT_FALSE(r.image.compression.has_value());
    EXPECT_FLOAT_EQ(*r.shooting.shutterSpeed, 250.0f);
    EXPECT_FLOAT_EQ(*r.shooting.fNumber, 2.8f);
    EXPECT_NEAR(*r.shooting.exposureBias, -2.0 / 3.0, 1e-6);
    EXPECT_NEAR(*r.shooting.maxApertureF, 5.6, 0.01); // 2 ^ (4.97 / 2)
    EXPECT_EQ(r.shooting.exifVersion, "0221");
    EXPECT_EQ(r.shooting.iso, 400u);
    EXPECT_EQ(r.shooting.flash, 16);
    EXPECT_EQ(r.shooting.whiteBalance, 1);
    EXPECT_FALSE(r.shooting.lightSource.has_value());
    // 3008 x 2000 from the EXIF pixel size wins over the image size.
    EXPECT_EQ(r.shooting.aspectX, 188u);
    EXPECT_EQ(r.shooting.aspectY, 125u);
}

TEST(RawParserTiff, BigEndianGivesTheSameValues) {
    const Parsed le = ParseBytes(CameraTiff(true), lumora::kRawKindTiff);
    const Parsed be = ParseBytes(CameraTiff(false), lumora::kRawKindTiff);
    ASSERT_TRUE(le.ok && be.ok);
    EXPECT_EQ(le.image, be.image);
    EXPECT_EQ(le.shooting, be.shooting);
}

TEST(RawParserTiff, ExposureTimeIsKeptAsItsReciprocal) {
    TiffBuilder b;
    const Parsed r =
        ParseBytes(CameraTiff(true, "X", {b.Rational(33434, 2, 1)}), lumora::kRawKindTiff);
    // The later entry of the same tag wins; 2 s gives 0.5.
    EXPECT_FLOAT_EQ(*r.shooting.shutterSpeed, 0.5f);
}

TEST(RawParserTiff, DirectoryLimits) {
    for (const int entries : {100, 101}) {
        TiffBuilder b;
        b.Header();
        std::vector<TiffBuilder::Entry> list{b.Short(274, {3})};
        while (static_cast<int>(list.size()) < entries) {
            list.push_back(b.Short(700, {0}));
        }
        b.SetIfd0(b.Ifd(list));
        const Parsed r = ParseBytes(b.Bytes(), lumora::kRawKindTiff);
        EXPECT_EQ(r.image.orientation.has_value(), entries == 100) << entries << " entries";
    }
    // An entry with more than 2,000,000 value bytes ends its directory.
    TiffBuilder b;
    b.Header();
    b.SetIfd0(b.Ifd({b.Short(256, {10}), b.At(700, 4, 500'001, 8), b.Short(257, {20})}));
    const Parsed r = ParseBytes(b.Bytes(), lumora::kRawKindTiff);
    EXPECT_EQ(r.image.width, 10u);
    EXPECT_FALSE(r.image.height.has_value());
}

TEST(RawParserTiff, OffsetsBeyondTheFileReadAsZero) {
    TiffBuilder b;
    b.Header();
    b.SetIfd0(b.Ifd(
        {b.At(271, 2, 40, 0x7FFFFFF0), b.Long(34665, {0xFFFFFF00}), b.At(330, 4, 3, 0xFFFFFFF0)}));
    const Parsed r = ParseBytes(b.Bytes(), lumora::kRawKindTiff);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.image.make, ""); // present, zero-filled
    EXPECT_FALSE(r.shooting.fNumber.has_value());
}

TEST(RawParserTiff, LongMakeIsCutAndSafe) {
    std::string make(100'000, 'a');
    make += "NIKON";
    const Parsed r = ParseBytes(CameraTiff(true, make), lumora::kRawKindTiff);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.image.make->size(), lumora::kMaxTextLength);
    EXPECT_EQ(r.makerNoteKind, 0);
}

TEST(RawParserJpeg, App0BeforeApp1StillYieldsExif) {
    const Bytes tiff = CameraTiff(false);
    const Parsed plain = ParseBytes(WrapInJpeg(tiff), lumora::kRawKindJpeg);
    const Parsed jfif = ParseBytes(WrapInJpeg(tiff, true), lumora::kRawKindJpeg);
    ASSERT_TRUE(plain.ok && jfif.ok);
    EXPECT_EQ(jfif.image, plain.image);
    EXPECT_EQ(jfif.image.make, "Canon");
}

TEST(RawParserJpeg, OtherFirstSegmentOrMissingExifFails) {
    const Bytes tiff = CameraTiff(true);
    EXPECT_FALSE(ParseBytes(WrapInJpeg(tiff, false, 0xE2), lumora::kRawKindJpeg).ok);
    EXPECT_FALSE(ParseBytes(WrapInJpeg(tiff, true, 0xED), lumora::kRawKindJpeg).ok);
    Bytes notJpeg = WrapInJpeg(tiff);
    notJpeg[1] = 0xD9;
    EXPECT_FALSE(ParseBytes(notJpeg, lumora::kRawKindJpeg).ok);
    Bytes badMagic = WrapInJpeg(tiff);
    badMagic[7] = 'X';
    EXPECT_FALSE(ParseBytes(badMagic, lumora::kRawKindJpeg).ok);
    EXPECT_FALSE(ParseBytes({}, lumora::kRawKindJpeg).ok);
    EXPECT_FALSE(ParseBytes({0xFF}, lumora::kRawKindTiff).ok);
}

TEST(RawParserJpeg, PositionsAreAbsolute) {
    TiffBuilder b(true);
    b.Header();
    const std::uint32_t ifd1 = b.Ifd({b.Long(513, {400}), b.Long(514, {1234})});
    b.SetIfd0(b.Ifd({b.Ascii(271, "Sony")}, ifd1));
    const Parsed r = ParseBytes(WrapInJpeg(b.Bytes(), true), lumora::kRawKindJpeg);
    // SOI 2 + APP0 18 + APP1 header 10 = TIFF header at 30.
    EXPECT_EQ(r.thumbPos, 430u);
    EXPECT_EQ(r.thumbLen, 1234u);
}

TEST(RawParserCr2, StripIsPreviewAndIfd1JpegIsThumbnail) {
    TiffBuilder b(true);
    b.Header();
    std::vector<TiffBuilder::Entry> canon = {
        b.Short(1, {60, 2, 0, 0, 1, 1, 0, 4,     0,  0,  3, 1, 0, 0, 0,
                    0,  0, 5, 0, 0, 3, 0, 65535, 55, 18, 1, 0, 0, 0, 8}),
        b.Short(4, {32, 0, 0, 0, 0, 0, 0, 1, 0, 7, 0, 0, 0, 0, 12290, 65520}),
        b.Ascii(6, std::string(40, 'T')), b.Long(12, {0x075BCD15}), b.Long(8, {1000024})};
    const std::uint32_t makerNote = b.Ifd(canon);
    const std::uint32_t exif = b.Ifd({b.At(37500, 7, 600, makerNote)});
    const std::uint32_t ifd2 = b.Ifd({b.Long(273, {9999}), b.Long(279, {5})});
    const std::uint32_t ifd1 = b.Ifd({b.Long(513, {5000}), b.Long(514, {700})}, ifd2);
    b.SetIfd0(b.Ifd({b.Short(256, {1536}), b.Short(257, {1024}), b.Ascii(271, "Canon"),
                     b.Long(273, {8000}), b.Long(279, {90000}), b.Long(34665, {exif})},
                    ifd1));
    const Parsed r = ParseBytes(b.Bytes(), lumora::kRawKindCr2);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.previewPos, 8000u);
    EXPECT_EQ(r.previewLen, 90000u);
    EXPECT_EQ(r.thumbPos, 5000u);
    EXPECT_EQ(r.thumbLen, 700u);
    ASSERT_EQ(r.makerNoteKind, lumora::kMakerNoteCanon);
    const auto& c = std::get<CanonMakerNote>(r.note);
    EXPECT_EQ(c.macroMode, 2);
    EXPECT_EQ(c.driveMode, 1);
    EXPECT_EQ(c.exposureMode, 3);
    EXPECT_EQ(c.lensType, 65535);
    EXPECT_EQ(c.flashBits, 8);
    EXPECT_EQ(c.whiteBalance, 1);
    EXPECT_EQ(c.sequenceNumber, 7);
    EXPECT_EQ(c.afPoints, 12290);
    EXPECT_EQ(c.flashCompensation, 65520);
    EXPECT_EQ(c.fileNumber, 1000024u);
    EXPECT_EQ(c.imageType, std::string(31, 'T')); // cut to its 32-byte field
    EXPECT_EQ(c.serialNumber, "075B52501");       // high half in hex, low half in decimal
    EXPECT_FALSE(c.colorTemperature.has_value());
    // Without an EXIF program the caption falls back to the Canon exposure mode.
    EXPECT_EQ(lumora::DeriveCaptionSummary(r.shooting, r.note).exposureProgram, 3u);
}

namespace {

// A .nef with JPEGs of the given lengths in SubIFDs and one in the Nikon preview IFD.
Bytes Nef(const std::vector<std::uint32_t>& subIfdLengths, std::uint32_t makerNoteLength,
          std::uint16_t isoSetting = 200) {
    TiffBuilder nikon(true); // the maker note's own TIFF structure
    nikon.Header();
    const std::uint32_t preview =
        nikon.Ifd({nikon.Short(259, {6}), nikon.Long(513, {makerNoteLength ? 100u : 0u}),
                   nikon.Long(514, {makerNoteLength})});
    nikon.SetIfd0(nikon.Ifd({nikon.Short(2, {0, isoSetting}), nikon.Ascii(4, "FINE   "),
                             nikon.Ascii(128, "AUTO"), nikon.Long(17, {preview})}));
    Bytes note = {'N', 'i', 'k', 'o', 'n', 0, 2, 0x10, 0, 0};
    note.insert(note.end(), nikon.Bytes().begin(), nikon.Bytes().end());

    TiffBuilder b(true);
    b.Header();
    const std::uint32_t noteAt = b.Raw(note);
    const std::uint32_t exif =
        b.Ifd({b.At(37500, 7, static_cast<std::uint32_t>(note.size()), noteAt)});
    std::vector<std::uint32_t> subs;
    std::uint32_t width = 100;
    for (const std::uint32_t length : subIfdLengths) {
        subs.push_back(
            b.Ifd({b.Short(256, {static_cast<std::uint16_t>(width)}), b.Short(257, {50}),
                   b.Short(259, {6}), b.Long(513, {7000 + length}), b.Long(514, {length})}));
        width += 100;
    }
    std::vector<TiffBuilder::Entry> ifd0 = {b.Short(256, {160}), b.Short(257, {120}),
                                            b.Ascii(271, "NIKON CORPORATION"),
                                            b.Long(34665, {exif})};
    if (!subs.empty()) {
        ifd0.push_back(b.Long(330, subs));
    }
    b.SetIfd0(b.Ifd(ifd0));
    return b.Bytes();
}

} // namespace

TEST(RawParserNef, CandidateRule) {
    // 5,000 from a SubIFD: the second shortest is the thumbnail.
    Parsed r = ParseBytes(Nef({5000, 50000}, 900000), lumora::kRawKindNef);
    EXPECT_EQ(r.thumbLen, 50000u);
    EXPECT_EQ(r.thumbPos, 57000u);
    EXPECT_EQ(r.previewLen, 900000u);
    // The maker-note JPEG lies at the Nikon base (12 + 10 here) plus its offset.
    EXPECT_EQ(r.previewPos, 8u + 10u + 100u);
    // 5,000 from the maker note: the shortest is the thumbnail.
    r = ParseBytes(Nef({50000, 900000}, 5000), lumora::kRawKindNef);
    EXPECT_EQ(r.thumbLen, 5000u);
    EXPECT_EQ(r.previewLen, 900000u);
    // One candidate is both; none leaves both empty.
    r = ParseBytes(Nef({}, 4000), lumora::kRawKindNef);
    EXPECT_EQ(r.thumbLen, 4000u);
    EXPECT_EQ(r.previewLen, 4000u);
    r = ParseBytes(Nef({}, 0), lumora::kRawKindNef);
    EXPECT_EQ(r.thumbLen, 0u);
    EXPECT_EQ(r.previewLen, 0u);
    EXPECT_EQ(r.previewPos, 0u);
}

TEST(RawParserNef, MakerNoteAndPixelSize) {
    const Parsed r = ParseBytes(Nef({5000, 50000}, 900000, 0), lumora::kRawKindNef);
    ASSERT_EQ(r.makerNoteKind, lumora::kMakerNoteNikon);
    const auto& n = std::get<NikonMakerNote>(r.note);
    EXPECT_EQ(n.isoSetting, 0);
    EXPECT_EQ(n.quality, "FINE   ");
    EXPECT_EQ(n.imageAdjustment, "AUTO");
    EXPECT_FALSE(n.colorMode.has_value());
    // ISO setting 0 is still a present ISO in the caption.
    EXPECT_EQ(lumora::DeriveCaptionSummary(r.shooting, r.note).iso, 0u);
    // The last SubIFD's size becomes the pixel size.
    EXPECT_EQ(r.image.width, 200u);
    EXPECT_EQ(r.shooting.pixelX, 200u);
    EXPECT_EQ(r.shooting.pixelY, 50u);
    EXPECT_EQ(r.shooting.aspectX, 4u);
}

TEST(RawParserMakerNotes, FujifilmIsLittleEndianEvenInBigEndianFiles) {
    for (const bool le : {true, false}) {
        TiffBuilder fuji(true);
        fuji.Raw("FUJIFILM");
        fuji.U32(12);
        fuji.Ifd({fuji.Ascii(0x10, "FPX20582698 592D3131")});
        TiffBuilder b(le);
        b.Header();
        const std::uint32_t at = b.Raw(fuji.Bytes());
        const std::uint32_t exif = b.Ifd({b.At(37500, 7, fuji.Size(), at)});
        b.SetIfd0(b.Ifd({b.Ascii(271, "FUJIFILM"), b.Long(34665, {exif})}));
        const Parsed r = ParseBytes(WrapInJpeg(b.Bytes()), lumora::kRawKindJpeg);
        ASSERT_EQ(r.makerNoteKind, lumora::kMakerNoteFujifilm) << le;
        EXPECT_EQ(std::get<FujifilmMakerNote>(r.note).serialNumber, "FPX20582698 592D3131") << le;
    }
}

TEST(RawParserMakerNotes, OlympusEpsonAndMinoltaLocateJpegs) {
    { // .orf: "IIRO" header, Olympus note with a camera-settings sub-IFD
        TiffBuilder b(true);
        b.Raw(std::string("IIRO", 4));
        b.U32(0);
        const std::uint32_t sub = b.Ifd({b.Long(0x0101, {3000}), b.Long(0x0102, {4000})});
        const std::uint32_t note = b.Raw(std::string("OLYMPUS\0", 8));
        b.Ifd({b.Long(0x2020, {sub})});
        const std::uint32_t exif = b.Ifd({b.At(37500, 7, 100, note)});
        b.SetIfd0(b.Ifd({b.Ascii(271, "OLYMPUS IMAGING CORP."), b.Long(34665, {exif})}));
        Parsed r = ParseBytes(b.Bytes(), lumora::kRawKindOrf);
        EXPECT_EQ(r.makerNoteKind, lumora::kMakerNoteOlympus);
        EXPECT_EQ(r.previewPos, 3000u);
        EXPECT_EQ(r.previewLen, 4000u);
        EXPECT_EQ(r.thumbLen, 0u);
        // As a TIFF the preview also serves as thumbnail.
        Bytes tiff = b.Bytes();
        tiff[2] = 0x2A;
        tiff[3] = 0;
        r = ParseBytes(tiff, lumora::kRawKindTiff);
        EXPECT_EQ(r.thumbPos, 3000u);
        EXPECT_EQ(r.thumbLen, 4000u);
    }
    { // .erf: Epson note, tag 0x280 is the JPEG itself
        TiffBuilder b(true);
        b.Header();
        const std::uint32_t note = b.Raw(std::string("EPSON\0\1\0", 8));
        b.Ifd({b.At(0x0280, 7, 6000, 2222)});
        const std::uint32_t exif = b.Ifd({b.At(37500, 7, 100, note)});
        b.SetIfd0(b.Ifd({b.Ascii(271, "SEIKO EPSON CORP."), b.Long(34665, {exif})}));
        const Parsed r = ParseBytes(b.Bytes(), lumora::kRawKindErf);
        EXPECT_EQ(r.thumbPos, 2222u);
        EXPECT_EQ(r.thumbLen, 6000u);
        EXPECT_EQ(r.previewPos, 2222u);
        EXPECT_EQ(r.makerNoteKind, 0);
    }
}

TEST(RawParserContainers, MrwBlocksLeadToTheTiffBlock) {
    TiffBuilder tiff(false);
    tiff.Header();
    const std::uint32_t note = tiff.Ifd({tiff.Long(0x88, {600}), tiff.Long(0x89, {26})});
    const std::uint32_t exif =
        tiff.Ifd({tiff.At(37500, 7, 30, note), tiff.Rational(33437, 28, 10)});
    tiff.SetIfd0(tiff.Ifd({tiff.Ascii(271, "Minolta"), tiff.Long(34665, {exif})}));
    TiffBuilder mrw(false);
    mrw.Raw(std::string("\0MRM", 4));
    mrw.U32(0);
    mrw.Raw(std::string("\0PRD", 4)); // an empty block must not stall the walk
    mrw.U32(0);
    mrw.Raw(std::string("\0WBG", 4));
    mrw.U32(4);
    mrw.U32(0);
    mrw.Raw(std::string("\0TTW", 4));
    mrw.U32(tiff.Size());
    const std::uint32_t base = mrw.Raw(tiff.Bytes());
    const Parsed r = ParseBytes(mrw.Bytes(), lumora::kRawKindMrw);
    ASSERT_TRUE(r.ok);
    EXPECT_FLOAT_EQ(*r.shooting.fNumber, 2.8f);
    EXPECT_EQ(r.previewPos, base + 600u);
    EXPECT_EQ(r.thumbPos, base + 600u);
    EXPECT_EQ(r.previewLen, 26u);
    // A block length that points past the end ends the walk.
    Bytes broken = mrw.Bytes();
    broken[12 + 4] = 0xFF;
    EXPECT_TRUE(ParseBytes(broken, lumora::kRawKindMrw).ok);
    EXPECT_FALSE(ParseBytes({0, 'M', 'R', 'X'}, lumora::kRawKindMrw).ok);
}

TEST(RawParserContainers, RafHeaderPointsAtTheExifJpeg) {
    Bytes raf(200, 0);
    std::memcpy(raf.data(), "FUJIFILMCCD-RAW 0201", 20);
    TiffBuilder b(true);
    b.Header();
    const std::uint32_t ifd1 = b.Ifd({b.Long(513, {300}), b.Long(514, {77})});
    b.SetIfd0(b.Ifd({b.Ascii(271, "FUJIFILM"), b.Long(273, {5})}, ifd1));
    const Bytes jpeg = WrapInJpeg(b.Bytes());
    const std::uint32_t at = static_cast<std::uint32_t>(raf.size());
    raf.insert(raf.end(), jpeg.begin(), jpeg.end());
    const std::uint32_t len = static_cast<std::uint32_t>(jpeg.size());
    const std::uint8_t pos[8] = {0,
                                 0,
                                 0,
                                 std::uint8_t(at),
                                 std::uint8_t(len >> 24),
                                 std::uint8_t(len >> 16),
                                 std::uint8_t(len >> 8),
                                 std::uint8_t(len)};
    std::memcpy(raf.data() + 84, pos, 8);
    const Parsed r = ParseBytes(raf, lumora::kRawKindRaf);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.image.make, "FUJIFILM");
    EXPECT_EQ(r.previewPos, at); // absolute, whatever the JPEG's own strip tag says
    EXPECT_EQ(r.previewLen, len);
    EXPECT_EQ(r.thumbPos, at + 12u + 300u);
    EXPECT_EQ(r.makerNoteKind, 0);
    // The same header under another kind is no TIFF.
    EXPECT_FALSE(ParseBytes(raf, lumora::kRawKindPef).ok);
}

namespace {

// A .crw heap: header, data, subdirectory 0x300A, root directory with the given entries.
Bytes Crw(int rootEntries, const std::string& sidecar, bool withImageInfo = true) {
    TiffBuilder b(true);
    b.Raw(std::string("II", 2));
    b.U32(26); // header length
    b.Raw(std::string("HEAPCCDR", 8));
    b.Pad(26 - b.Size());
    const std::uint32_t jpeg = b.Raw(std::string("\xFF\xD8 preview \xFF\xD9", 13)) - 26;
    // Subdirectory: data first, its table, then the table's offset.
    const std::uint32_t subStart = b.Size();
    const std::uint32_t name = b.Raw(sidecar + std::string(1, '\0')) - subStart;
    const std::uint32_t info = b.Size() - subStart;
    b.U32(3072);
    b.U32(2048);
    const std::uint32_t table = b.Size() - subStart;
    b.U16(withImageInfo ? 3 : 2);
    b.U16(0x0817);
    b.U32(static_cast<std::uint32_t>(sidecar.size() + 1));
    b.U32(name);
    b.U16(0x300B); // a nested directory: skipped
    b.U32(0);
    b.U32(0);
    if (withImageInfo) {
        b.U16(0x1810);
        b.U32(8);
        b.U32(info);
    }
    b.U32(table);
    const std::uint32_t subLength = b.Size() - subStart;
    const std::uint32_t root = b.Size() - 26;
    b.U16(static_cast<std::uint16_t>(rootEntries));
    b.U16(0x2007);
    b.U32(13);
    b.U32(jpeg);
    b.U16(0x300A);
    b.U32(subLength);
    b.U32(subStart - 26);
    for (int i = 2; i < rootEntries; ++i) {
        b.U16(0x0032);
        b.U32(0);
        b.U32(0);
    }
    b.U32(root);
    return b.Bytes();
}

class TempDir {
public:
    TempDir() {
        path_ =
            std::filesystem::temp_directory_path() /
            ("lumora-rawparser-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    const std::filesystem::path& Path() const { return path_; }
    void Write(const std::string& name, const Bytes& bytes) const {
        std::ofstream(path_ / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }

private:
    static inline int counter_ = 0;
    std::filesystem::path path_;
};

} // namespace

TEST(RawParserContainers, CrwRootMustHaveThreeEntries) {
    Parsed r = ParseBytes(Crw(3, "CRW_0001.THM"), lumora::kRawKindCrw);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.previewPos, 26u);
    EXPECT_EQ(r.previewLen, 13u);
    for (const int n : {2, 4}) {
        r = ParseBytes(Crw(n, "CRW_0001.THM"), lumora::kRawKindCrw);
        EXPECT_EQ(r.previewLen, 0u) << n << " root entries";
    }
}

TEST(RawParserContainers, CrwSidecarSuppliesTheExif) {
    TempDir dir;
    dir.Write("CRW_0001.CRW", Crw(3, "CRW_0001.THM"));
    TiffBuilder b(true);
    b.Header();
    const std::uint32_t canonAt = b.Ifd(
        {b.Short(1, {42, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 4})});
    const std::uint32_t exif = b.Ifd({b.At(37500, 7, 100, canonAt), b.Rational(33437, 56, 10)});
    b.SetIfd0(
        b.Ifd({b.Ascii(271, "Canon"), b.Ascii(272, "Canon EOS 300D"), b.Long(34665, {exif})}));
    dir.Write("CRW_0001.THM", WrapInJpeg(b.Bytes(), true));

    CRawParser p;
    ASSERT_TRUE(p.Open(dir.Path() / "CRW_0001.CRW", lumora::kRawKindCrw));
    EXPECT_TRUE(p.HasSidecarThumbnail());
    EXPECT_EQ(p.GetSidecarName(), "CRW_0001.THM");
    ImageInfo image;
    ShootingInfo shooting;
    MakerNote note;
    p.GetImageInfo(image);
    p.GetShootingInfo(shooting);
    p.GetMakerNote(note);
    EXPECT_EQ(image.model, "Canon EOS 300D");
    EXPECT_FLOAT_EQ(*shooting.fNumber, 5.6f);
    EXPECT_EQ(shooting.pixelX, 3072u);
    EXPECT_EQ(shooting.aspectX, 3u);
    EXPECT_EQ(shooting.aspectY, 2u);
    ASSERT_EQ(p.GetMakerNoteKind(), lumora::kMakerNoteCanon);
    EXPECT_EQ(std::get<CanonMakerNote>(note).exposureMode, 4);
    EXPECT_EQ(p.GetThumbnailLength(), 0u);
    EXPECT_EQ(p.GetPreviewLength(), 13u);
}

TEST(RawParserContainers, CrwSidecarNameNeverLeavesTheFolder) {
    for (const std::string name : {"../escape.thm", "/etc/passwd", "a\\b.thm", ".."}) {
        CRawParser p;
        const Bytes crw = Crw(3, name);
        ASSERT_TRUE(p.OpenMemory(crw.data(), crw.size(), lumora::kRawKindCrw, "/tmp/x.crw"));
        EXPECT_FALSE(p.HasSidecarThumbnail()) << name;
    }
}

TEST(RawParserTiff, Sr2JpegTagsAndPhotoshopThumbnail) {
    TiffBuilder b(true);
    b.Header();
    b.SetIfd0(b.Ifd({b.Long(513, {1000}), b.Long(514, {2000})}));
    Parsed r = ParseBytes(b.Bytes(), lumora::kRawKindSr2);
    EXPECT_EQ(r.previewPos, 1000u);
    EXPECT_EQ(r.previewLen, 2000u);
    r = ParseBytes(b.Bytes(), lumora::kRawKindPef); // other kinds ignore them in IFD0
    EXPECT_EQ(r.previewLen, 0u);

    // Image resources: one unrelated resource, then a JPEG thumbnail resource.
    Bytes res = {'8', 'B', 'I', 'M', 0x03, 0xED, 3, 'a', 'b', 'c', 0, 0, 0, 3, 1, 2, 3, 0};
    const Bytes thumb = {'8', 'B', 'I', 'M', 0x04, 0x0C, 0, 0, 0, 0, 0, 40};
    res.insert(res.end(), thumb.begin(), thumb.end());
    Bytes header(28, 0);
    header[23] = 12; // compressed size 12
    res.insert(res.end(), header.begin(), header.end());
    res.insert(res.end(), 12, 0xAB);
    TiffBuilder t(false);
    t.Header();
    const std::uint32_t ifd = t.Ifd({t.Undefined(34377, res)});
    t.SetIfd0(ifd);
    r = ParseBytes(t.Bytes(), lumora::kRawKindTiff);
    EXPECT_EQ(r.thumbLen, 12u);
    EXPECT_EQ(r.thumbPos, ifd + 2u + 12u + 4u + 18u + 12u + 28u);
}

TEST(RawParserFile, FileAndMemoryAgree) {
    TempDir dir;
    const Bytes bytes = Nef({5000, 50000}, 900000);
    dir.Write("a.nef", bytes);
    CRawParser fromFile;
    ASSERT_TRUE(fromFile.Open(dir.Path() / "a.nef", lumora::kRawKindNef));
    const Parsed mem = ParseBytes(bytes, lumora::kRawKindNef);
    ImageInfo image;
    fromFile.GetImageInfo(image);
    EXPECT_EQ(image, mem.image);
    EXPECT_EQ(fromFile.GetPreviewPosition(), mem.previewPos);
    EXPECT_EQ(fromFile.GetThumbnailLength(), mem.thumbLen);
    EXPECT_LE(fromFile.GetReadCalls(), 2u); // the head window covers this small file
    CRawParser missing;
    EXPECT_FALSE(missing.Open(dir.Path() / "none.nef", lumora::kRawKindNef));
    EXPECT_FALSE(missing.Open(dir.Path(), lumora::kRawKindNef)); // a folder
    // A FIFO named like an image is refused at once instead of blocking the scan.
    const auto fifo = dir.Path() / "pipe.jpg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(missing.Open(fifo, lumora::kRawKindJpeg));
}
