// Packets inside JPEG, TIFF and PNG files, and damaged containers.
#include "MarksTestSupport.h"
#include "ScratchMounts.h"

#include "marks/EmbeddedXmp.h"
#include "marks/Sidecar.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

const std::string kPacket =
    "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
    "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description rdf:about='' "
    "xmlns:xmp='http://ns.adobe.com/xap/1.0/' xmp:Rating='4' xmp:Label='Green'/>"
    "</rdf:RDF></x:xmpmeta>";

void be16(std::string& s, unsigned v) {
    s.push_back(char(v >> 8));
    s.push_back(char(v));
}
void be32(std::string& s, std::uint32_t v) {
    be16(s, v >> 16);
    be16(s, v & 0xFFFF);
}

std::string jpegWith(const std::string& packet, bool exifFirst) {
    std::string j = "\xFF\xD8";
    if (exifFirst) {
        j += "\xFF\xE1";
        be16(j, 2 + 6 + 8);
        j += std::string("Exif\0\0II*\0\x08\0\0\0", 14);
    }
    const std::string name("http://ns.adobe.com/xap/1.0/\0", 29);
    j += "\xFF\xE1";
    be16(j, unsigned(2 + name.size() + packet.size()));
    j += name + packet;
    j += "\xFF\xDA";
    return j;
}

std::string tiffWith(const std::string& packet) {
    std::string t("MM\0\x2A", 4);
    be32(t, 8);
    be16(t, 1);   // one entry
    be16(t, 700); // XMP
    be16(t, 1);   // BYTE
    be32(t, std::uint32_t(packet.size()));
    be32(t, 8 + 2 + 12 + 4); // after the directory
    be32(t, 0);
    return t + packet;
}

std::string pngWith(const std::string& packet) {
    std::string p("\x89PNG\r\n\x1A\n", 8);
    const std::string data = std::string("XML:com.adobe.xmp\0\0\0\0\0", 22) + packet;
    be32(p, std::uint32_t(data.size()));
    p += "iTXt" + data + "CRC!";
    be32(p, 0);
    p += "IEND" + std::string("CRC!");
    return p;
}

std::string find(const std::string& file, EmbeddedFormat f) {
    return FindEmbeddedXmp(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), f);
}

TEST(EmbeddedXmp, FindsThePacketInEachContainer) {
    EXPECT_EQ(find(jpegWith(kPacket, false), EmbeddedFormat::Jpeg), kPacket);
    EXPECT_EQ(find(jpegWith(kPacket, true), EmbeddedFormat::Jpeg), kPacket);
    EXPECT_EQ(find(tiffWith(kPacket), EmbeddedFormat::Tiff), kPacket);
    EXPECT_EQ(find(pngWith(kPacket), EmbeddedFormat::Png), kPacket);
    EXPECT_EQ(find(tiffWith("ab"), EmbeddedFormat::Tiff), "") << "no packet fits in the entry";
}

TEST(EmbeddedXmp, DamagedContainersGiveNothing) {
    for (const std::string& file : {jpegWith(kPacket, true), tiffWith(kPacket), pngWith(kPacket)}) {
        const EmbeddedFormat f = file[0] == '\xFF' ? EmbeddedFormat::Jpeg
                                 : file[0] == 'M'  ? EmbeddedFormat::Tiff
                                                   : EmbeddedFormat::Png;
        // Cut anywhere before the packet's end: never a read past the end,
        // and never a packet longer than what is there.
        for (std::size_t cut = 0; cut + 10 < file.size(); cut += 7) {
            const std::string got = find(file.substr(0, cut), f);
            EXPECT_TRUE(got.empty() || got.size() <= cut) << cut;
        }
    }
    // Lengths that point past the end.
    std::string t = tiffWith(kPacket);
    t[8 + 2 + 4] = '\x7F'; // count ~2 GB
    EXPECT_EQ(find(t, EmbeddedFormat::Tiff), "");
    std::string p = pngWith(kPacket);
    p[8] = '\x7F';
    EXPECT_EQ(find(p, EmbeddedFormat::Png), "");
}

TEST(EmbeddedXmp, RatingsAnEditorWroteIntoAJpegShowUp) {
    testing::ScratchDir dir;
    ASSERT_TRUE(testing::putFile(dir / "E.jpg", jpegWith(kPacket, true)));
    EXPECT_EQ(ReadImageMarks(dir / "E.jpg"), (Marks{4, false, ColorLabel::Green}));
    // A sidecar wins over the embedded packet.
    ASSERT_TRUE(WriteSidecarMarks(dir / "E.jpg", Marks{1, false, ColorLabel::None}).ok);
    EXPECT_EQ(ReadImageMarks(dir / "E.jpg").rating, 1);

    const std::string sample = testing::sampleDir() + "/xmp/immich-rating-embedded.jpg";
    if (testing::fileBytes(sample) == "<missing>")
        GTEST_SKIP() << "shared samples missing";
    EXPECT_EQ(ReadImageMarks(sample).rating, 3) << "as exiftool reads it";
}

} // namespace
} // namespace lumora
