// Where a JPEG's EXIF block may stand: the first EXIF APP1 among the
// segments before the scan counts, behind JFIF, ICC profiles, XMP or tables;
// the walk reads headers only and gives up at the scan or after a bounded
// number of segments.
#include "TiffBuilder.h"

#include "imaging/RawParser.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using lumora::CRawParser;
using lumora::ImageInfo;
using lumora::testing::TiffBuilder;
using Bytes = std::vector<std::uint8_t>;

namespace {

const std::string kSamples = LUMORA_SHARED_SAMPLES;

// IFD0 with make and orientation, and a 6-byte "thumbnail" through IFD1.
Bytes PortraitTiff(const std::string& make, std::uint16_t orientation) {
    TiffBuilder b(true);
    b.Header();
    const std::uint32_t thumb = b.Raw(std::string("THUMB!"));
    const std::uint32_t exif = b.Ifd({b.Rational(33434, 1, 125)});
    const std::uint32_t ifd1 = b.Ifd({b.Long(513, {thumb}), b.Long(514, {6})});
    b.SetIfd0(
        b.Ifd({b.Ascii(271, make), b.Short(274, {orientation}), b.Long(34665, {exif})}, ifd1));
    return b.Bytes();
}

Bytes Segment(std::uint8_t marker, const Bytes& payload) {
    const std::size_t length = payload.size() + 2;
    Bytes s{0xFF, marker, std::uint8_t(length >> 8), std::uint8_t(length)};
    s.insert(s.end(), payload.begin(), payload.end());
    return s;
}

Bytes Text(const std::string& s, std::size_t padTo = 0) {
    Bytes b(s.begin(), s.end());
    if (b.size() < padTo)
        b.resize(padTo, 0x5A);
    return b;
}

Bytes ExifSegment(const Bytes& tiff) {
    Bytes payload = Text(std::string("Exif\0\0", 6));
    payload.insert(payload.end(), tiff.begin(), tiff.end());
    return Segment(0xE1, payload);
}

// SOI, the segments, then a scan header and EOI.
Bytes Jpeg(const std::vector<Bytes>& segments) {
    Bytes out{0xFF, 0xD8};
    for (const Bytes& s : segments)
        out.insert(out.end(), s.begin(), s.end());
    const Bytes sos = Segment(0xDA, Bytes(10, 0));
    out.insert(out.end(), sos.begin(), sos.end());
    out.insert(out.end(), {0x12, 0x34, 0xFF, 0xD9});
    return out;
}

struct Read {
    int ok = 0;
    ImageInfo image;
    std::uint64_t thumbPos = 0;
    std::uint64_t tiffBase = 0;
};

Read Parse(const Bytes& file) {
    CRawParser p;
    Read r;
    r.ok = p.OpenMemory(file.data(), file.size(), lumora::kRawKindJpeg);
    p.GetImageInfo(r.image);
    r.thumbPos = p.GetThumbnailPosition();
    r.tiffBase = p.GetTiffBase();
    return r;
}

const Bytes kJfif = Segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
const Bytes kIcc = Segment(0xE2, Text(std::string("ICC_PROFILE\0\1\1", 14), 1976));
const Bytes kXmp = Segment(0xE1, Text(std::string("http://ns.adobe.com/xap/1.0/\0", 29), 300));
const Bytes kTable = Segment(0xDB, Bytes(65, 1));

} // namespace

TEST(RawParserJpegSegments, ExifBehindOtherSegmentsIsRead) {
    const Bytes tiff = PortraitTiff("Phone", 6);
    const Bytes exif = ExifSegment(tiff);
    const std::vector<std::vector<Bytes>> layouts = {
        {exif},                                 // the camera's layout
        {kJfif, exif},                          // JFIF first
        {kJfif, kIcc, exif},                    // a phone's file: JFIF, ICC profile, EXIF
        {kXmp, kIcc, kTable, exif},             // XMP (also an APP1) and a table before it
        {Segment(0xE0, Bytes(60000, 7)), exif}, // a long segment is skipped by its length
    };
    for (std::size_t i = 0; i < layouts.size(); ++i) {
        SCOPED_TRACE("layout " + std::to_string(i));
        const Bytes file = Jpeg(layouts[i]);
        const Read r = Parse(file);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.image.make, "Phone");
        EXPECT_EQ(r.image.orientation, 6);
        // Positions stay absolute: the thumbnail's bytes are where it says.
        std::size_t before = 2;
        for (std::size_t k = 0; k + 1 < layouts[i].size(); ++k)
            before += layouts[i][k].size();
        EXPECT_EQ(r.tiffBase, before + 10);
        ASSERT_LT(r.thumbPos + 6, file.size());
        EXPECT_EQ(std::string(file.begin() + r.thumbPos, file.begin() + r.thumbPos + 6), "THUMB!");
    }
}

TEST(RawParserJpegSegments, TheFirstExifBlockCounts) {
    const Read r = Parse(Jpeg(
        {kIcc, ExifSegment(PortraitTiff("First", 8)), ExifSegment(PortraitTiff("Second", 3))}));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.image.make, "First");
    EXPECT_EQ(r.image.orientation, 8);
}

TEST(RawParserJpegSegments, FillBytesAndMarkersWithoutLengthArePassed) {
    Bytes fill{0xFF, 0xFF, 0xFF};
    const Bytes restart{0xFF, 0xD0};
    Bytes file = Jpeg({kJfif, fill, restart, kIcc, fill, ExifSegment(PortraitTiff("Fill", 6))});
    const Read r = Parse(file);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.image.make, "Fill");
}

TEST(RawParserJpegSegments, NoExifBeforeTheScanOrAWalkThatGoesWrongYieldsNone) {
    const Bytes exif = ExifSegment(PortraitTiff("Late", 6));
    // After the scan has begun: image data, not a header.
    Bytes afterScan = Jpeg({kJfif, kIcc});
    afterScan.insert(afterScan.end() - 2, exif.begin(), exif.end());
    EXPECT_FALSE(Parse(afterScan).ok);
    // An EXIF-looking APP2 or APP13 is no EXIF APP1.
    Bytes app2 = exif;
    app2[1] = 0xE2;
    EXPECT_FALSE(Parse(Jpeg({kJfif, app2})).ok);
    // A length below 2 or bytes that are no marker end the walk.
    EXPECT_FALSE(Parse(Jpeg({kJfif, Bytes{0xFF, 0xE2, 0x00, 0x01}, exif})).ok);
    EXPECT_FALSE(Parse(Jpeg({kJfif, Bytes{0x00, 0x00}, exif})).ok);
    // A segment whose length runs past the end of the file.
    Bytes truncated = Jpeg({kJfif});
    truncated.resize(2 + kJfif.size());
    truncated.insert(truncated.end(), {0xFF, 0xE2, 0xFF, 0xFF, 1, 2, 3});
    EXPECT_FALSE(Parse(truncated).ok);
    // The walk is bounded: behind more segments than any real file has, the
    // EXIF block is not looked for.
    std::vector<Bytes> many(CRawParser::kMaxJpegSegments, Segment(0xEF, Bytes(4, 0)));
    many.push_back(exif);
    EXPECT_FALSE(Parse(Jpeg(many)).ok);
    many.erase(many.begin());
    EXPECT_TRUE(Parse(Jpeg(many)).ok);
}

TEST(RawParserJpegSegments, SharedSampleWithExifBehindAnIccProfile) {
    const std::string path = kSamples + "/orientation/landscape_6.jpg";
    std::ifstream in(path, std::ios::binary);
    if (!in)
        GTEST_SKIP() << "samples not found at " << kSamples;
    const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const Read r = Parse(file);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.image.orientation, 6); // exiftool: IFD0:Orientation 6
}
