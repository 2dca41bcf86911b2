// Shooting fields whose value cannot stand for what they name: a zero
// exposure time, and exposure-bias entries of the wrong type.
#include "TiffBuilder.h"

#include "imaging/RawParser.h"

#include <gtest/gtest.h>

using lumora::CRawParser;
using lumora::ShootingInfo;
using lumora::testing::TiffBuilder;
using lumora::testing::WrapInJpeg;
using Bytes = std::vector<std::uint8_t>;

namespace {

ShootingInfo ShootingOf(bool le, const std::vector<TiffBuilder::Entry>& exifEntries) {
    TiffBuilder b(le);
    b.Header();
    std::vector<TiffBuilder::Entry> entries = exifEntries;
    const std::uint32_t exif = b.Ifd(entries);
    b.SetIfd0(b.Ifd({b.Ascii(271, "Maker"), b.Long(34665, {exif})}));
    const Bytes file = WrapInJpeg(b.Bytes());
    CRawParser p;
    EXPECT_TRUE(p.OpenMemory(file.data(), file.size(), lumora::kRawKindJpeg));
    ShootingInfo s;
    p.GetShootingInfo(s);
    return s;
}

} // namespace

TEST(RawParserFieldTypes, ZeroExposureTimeIsAbsentNotInfinite) {
    TiffBuilder b(true);
    EXPECT_FALSE(ShootingOf(true, {b.Rational(33434, 0, 1)}).shutterSpeed.has_value());
    EXPECT_FALSE(ShootingOf(true, {b.Rational(33434, 0, 0)}).shutterSpeed.has_value());
    EXPECT_FLOAT_EQ(*ShootingOf(true, {b.Rational(33434, 1, 250)}).shutterSpeed, 250.0f);
}

TEST(RawParserFieldTypes, ExposureBiasIsReadByItsRealType) {
    for (bool le : {true, false}) {
        SCOPED_TRACE(le ? "II" : "MM");
        TiffBuilder b(le);
        // The rational it should be, signed.
        EXPECT_FLOAT_EQ(
            *ShootingOf(le, {b.Rational(37380, static_cast<std::uint32_t>(-2), 3, true)})
                 .exposureBias,
            -2.0f / 3.0f);
        // Four 16-bit numbers are no exposure bias.
        auto quad = b.Short(37380, {36, 0, 3, 0});
        EXPECT_FALSE(ShootingOf(le, {quad}).exposureBias.has_value());
        // Neither is text.
        EXPECT_FALSE(ShootingOf(le, {b.Ascii(37380, "+1")}).exposureBias.has_value());
        // A single signed 16-bit number is a whole EV.
        TiffBuilder::Entry sshort = b.Short(37380, {static_cast<std::uint16_t>(-1)});
        sshort.type = 8;
        EXPECT_FLOAT_EQ(*ShootingOf(le, {sshort}).exposureBias, -1.0f);
    }
}
