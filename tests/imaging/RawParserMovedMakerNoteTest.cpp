// Canon maker notes that editing software moved without fixing their
// offsets: re-based by the shift that puts the values in place, and each
// record that still does not check out is dropped. Never a wrong value.
#include "TiffBuilder.h"

#include "imaging/RawParser.h"
#include "samples/CameraExif.h"
#include "samples/SampleGen.h"

#include <gtest/gtest.h>

using lumora::CanonMakerNote;
using lumora::CRawParser;
using lumora::MakerNote;
using lumora::testing::TiffBuilder;
using lumora::testing::WrapInJpeg;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr std::uint32_t kNoteAt = 600; // where the camera wrote the maker note

// Canon writes its arrays little-endian whatever the file's byte order.
TiffBuilder::Entry CanonArray(std::uint16_t tag, const std::vector<std::uint16_t>& values) {
    TiffBuilder::Entry e{tag, 3, static_cast<std::uint32_t>(values.size()), {}, {}};
    for (const std::uint16_t v : values) {
        e.data.push_back(static_cast<std::uint8_t>(v));
        e.data.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    return e;
}

TiffBuilder::Entry CanonLong(std::uint16_t tag, std::uint32_t v) {
    return {tag,
            4,
            1,
            {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)},
            {}};
}

std::vector<TiffBuilder::Entry> CanonEntries(const TiffBuilder& b) {
    std::vector<std::uint16_t> settings(46, 0);
    settings[0] = 92; // the array's own length in bytes
    settings[1] = 2;  // macro
    settings[2] = 100;
    settings[4] = 1; // flash
    settings[5] = 1; // drive
    settings[20] = 3;
    std::vector<std::uint16_t> shot(34, 0);
    shot[0] = 68;
    shot[7] = 5;
    shot[9] = 12;
    return {CanonArray(1, settings),      CanonArray(4, shot),   b.Ascii(6, "IMG:EOS JPEG"),
            b.Ascii(7, "Firmware 1.0.1"), CanonLong(8, 1000042), CanonLong(12, 0x12345678)};
}

// The maker-note block as the camera wrote it at kNoteAt.
Bytes CameraBlock(bool le) {
    TiffBuilder b(le);
    b.Header();
    b.Pad(kNoteAt - b.Size());
    b.Ifd(CanonEntries(b));
    b.Pad(8); // cameras leave some room after the values
    return Bytes(b.Bytes().begin() + kNoteAt, b.Bytes().end());
}

// A JPEG whose maker-note block sits `moved` bytes away from where its
// offsets say.
Bytes MovedFile(bool le, int moved, Bytes block) {
    TiffBuilder b(le);
    b.Header();
    b.Pad(static_cast<std::uint32_t>(static_cast<int>(kNoteAt) + moved) - b.Size());
    const std::uint32_t noteAt = b.Raw(block);
    const std::uint32_t exif =
        b.Ifd({b.Rational(33434, 1, 60),
               b.At(37500, 7, static_cast<std::uint32_t>(block.size()), noteAt)});
    b.SetIfd0(b.Ifd({b.Ascii(271, "Canon"), b.Ascii(272, "Canon EOS"), b.Long(34665, {exif})}));
    return WrapInJpeg(b.Bytes());
}

CanonMakerNote CanonOf(const Bytes& file, int& kind) {
    CRawParser p;
    EXPECT_TRUE(p.OpenMemory(file.data(), file.size(), lumora::kRawKindJpeg));
    kind = p.GetMakerNoteKind();
    MakerNote note;
    p.GetMakerNote(note);
    return kind == lumora::kMakerNoteCanon ? std::get<CanonMakerNote>(note) : CanonMakerNote{};
}

void ExpectCameraValues(const CanonMakerNote& c) {
    EXPECT_EQ(c.macroMode, 2);
    EXPECT_EQ(c.selfTimer, 100);
    EXPECT_EQ(c.flashMode, 1);
    EXPECT_EQ(c.driveMode, 1);
    EXPECT_EQ(c.exposureMode, 3);
    EXPECT_EQ(c.whiteBalance, 5);
    EXPECT_EQ(c.sequenceNumber, 12);
    EXPECT_EQ(c.imageType, "IMG:EOS JPEG");
    EXPECT_EQ(c.firmwareVersion, "Firmware 1.0.1");
    EXPECT_EQ(c.fileNumber, 1000042u);
}

} // namespace

TEST(CanonMovedMakerNote, InPlaceAndMovedBlocksGiveTheCameraValues) {
    for (bool le : {true, false}) {
        for (int moved : {0, 256, -256, 6}) {
            SCOPED_TRACE(std::string(le ? "II" : "MM") + " moved by " + std::to_string(moved));
            int kind = 0;
            const CanonMakerNote c = CanonOf(MovedFile(le, moved, CameraBlock(le)), kind);
            ASSERT_EQ(kind, lumora::kMakerNoteCanon);
            ExpectCameraValues(c);
        }
    }
}

TEST(CanonMovedMakerNote, FooterGivesTheOriginalOffset) {
    // Values start later than right after the directory, so only the footer
    // (byte-order mark and the block's original offset) tells the shift.
    Bytes block = CameraBlock(true);
    const std::size_t valuesAt = 2 + 12 * 6 + 4;
    block.insert(block.begin() + valuesAt, 40, 0xEE); // a gap the offsets do not know
    TiffBuilder fix(true);
    for (int i = 0; i < 4; ++i) {
        // The first four entries keep their values out of line: their
        // offsets follow the gap.
        const std::size_t field = 2 + 12 * i + 8;
        std::uint32_t v = block[field] | block[field + 1] << 8 | block[field + 2] << 16 |
                          std::uint32_t(block[field + 3]) << 24;
        const Bytes e = fix.Enc32(v + 40);
        std::copy(e.begin(), e.end(), block.begin() + static_cast<std::ptrdiff_t>(field));
    }
    const Bytes footer = {'I', 'I', '*', 0};
    block.insert(block.end(), footer.begin(), footer.end());
    const Bytes original = fix.Enc32(kNoteAt);
    block.insert(block.end(), original.begin(), original.end());
    int kind = 0;
    const CanonMakerNote c = CanonOf(MovedFile(true, 300, block), kind);
    ASSERT_EQ(kind, lumora::kMakerNoteCanon);
    ExpectCameraValues(c);
}

TEST(CanonMovedMakerNote, RecordsThatDoNotCheckOutAreDropped) {
    TiffBuilder b(true);
    b.Header();
    std::vector<std::uint16_t> junk(46);
    for (std::size_t i = 0; i < junk.size(); ++i)
        junk[i] = static_cast<std::uint16_t>(28496 + 1289 * i); // no length word
    const std::uint32_t junkAt = b.Raw(Bytes(92, 0x4D));
    const std::uint32_t noteAt = b.Ifd({
        b.Short(1, junk),             // in place, but not a settings array
        b.At(4, 3, 34, 0x7FFFFF00),   // far outside the file
        b.At(6, 2, 32, junkAt),       // before the block: not its own value
        b.Ascii(7, "Firmware 2.0.0"), // sound
        b.Long(8, {77}),              // sound, in the entry
    });
    const std::uint32_t exif = b.Ifd({b.At(37500, 7, b.Size() - noteAt + 16, noteAt)});
    b.Pad(16);
    b.SetIfd0(b.Ifd({b.Ascii(271, "Canon"), b.Long(34665, {exif})}));
    int kind = 0;
    const CanonMakerNote c = CanonOf(WrapInJpeg(b.Bytes()), kind);
    ASSERT_EQ(kind, lumora::kMakerNoteCanon);
    EXPECT_FALSE(c.macroMode.has_value());
    EXPECT_FALSE(c.flashMode.has_value());
    EXPECT_FALSE(c.selfTimer.has_value());
    EXPECT_FALSE(c.whiteBalance.has_value());
    EXPECT_FALSE(c.imageType.has_value());
    EXPECT_EQ(c.firmwareVersion, "Firmware 2.0.0");
    EXPECT_EQ(c.fileNumber, 77u);
}

// A camera file from the sample generator, re-saved by an "editor" that
// rewrites the TIFF structure it knows (IFD0 and the EXIF IFD, offsets
// fixed) but copies the maker note as an opaque block: the block lands
// `shift` bytes away from where the camera wrote it, its own offsets stale.
namespace {

namespace samples = lumora::samples;

std::uint32_t Le32(const Bytes& b, std::uint32_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}
std::uint16_t Le16(const Bytes& b, std::uint32_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
void SetLe32(Bytes& b, std::uint32_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

struct CameraFile {
    Bytes tiff;
    std::uint32_t ifd0 = 0, exif = 0;
    std::uint32_t gapAt = 0, gapEnd = 0; // bytes the camera left unused before the EXIF IFD
};

// shortBy: the camera declares its maker note that many bytes shorter than
// the values it wrote, so the last value runs past the block.
CameraFile GeneratedCanonFile(std::uint32_t shortBy) {
    samples::CameraInfo camera = samples::canonCamera();
    samples::TiffStream s(true);
    s.header();
    samples::IfdBuilder ifd0(true);
    samples::addCameraIfd0Fields(ifd0, camera);
    s.writeIfd(ifd0, "ifd0");
    s.blob("gap", Bytes(400, 0));
    samples::writeExifIfd(s, camera);
    s.finish();
    CameraFile f{s.bytes(), s.position("ifd0"), s.position("exif"), s.position("gap"),
                 s.position("gap") + 400};
    for (std::uint32_t i = 0, n = Le16(f.tiff, f.exif); i < n; ++i) {
        const std::uint32_t entry = f.exif + 2 + 12 * i;
        if (Le16(f.tiff, entry) == 37500)
            SetLe32(f.tiff, entry + 4, Le32(f.tiff, entry + 4) - shortBy);
    }
    return f;
}

Bytes Resaved(const CameraFile& f, int shift) {
    Bytes out(f.tiff.begin(), f.tiff.begin() + f.gapAt);
    out.resize(static_cast<std::size_t>(static_cast<int>(f.gapEnd) + shift), 0);
    out.insert(out.end(), f.tiff.begin() + f.gapEnd, f.tiff.end());
    // Every offset the editor knows that points past the gap moves with it.
    const auto fix = [&](std::uint32_t ifd) {
        for (std::uint32_t i = 0, n = Le16(out, ifd); i < n; ++i) {
            const std::uint32_t entry = ifd + 2 + 12 * i;
            const std::uint16_t tag = Le16(out, entry);
            const std::uint64_t size =
                CRawParser::TypeSize(Le16(out, entry + 2)) * std::uint64_t(Le32(out, entry + 4));
            const std::uint32_t value = Le32(out, entry + 8);
            if ((size > 4 || tag == 34665) && value >= f.gapEnd)
                SetLe32(out, entry + 8,
                        static_cast<std::uint32_t>(static_cast<int>(value) + shift));
        }
    };
    fix(f.ifd0);
    fix(static_cast<std::uint32_t>(static_cast<int>(f.exif) + shift));
    return WrapInJpeg(out);
}

void ExpectGeneratedValues(const CanonMakerNote& c, bool colourTemperature) {
    EXPECT_EQ(c.macroMode, 2);
    EXPECT_EQ(c.driveMode, 0);
    EXPECT_EQ(c.focusMode, 0);
    EXPECT_EQ(c.meteringMode, 3);
    EXPECT_EQ(c.exposureMode, 3);
    EXPECT_EQ(c.lensType, 1);
    EXPECT_EQ(c.longFocal, 55);
    EXPECT_EQ(c.shortFocal, 18);
    EXPECT_EQ(c.whiteBalance, 0);
    EXPECT_EQ(c.imageType, "IMG:Canon EOS 10X JPEG");
    EXPECT_EQ(c.firmwareVersion, "Firmware Version 1.0.2");
    EXPECT_EQ(c.fileNumber, 1000042u);
    EXPECT_EQ(c.serialNumber, "0A1B11325");
    if (colourTemperature)
        EXPECT_EQ(c.colorTemperature, 5200);
    else
        EXPECT_FALSE(c.colorTemperature.has_value());
}

} // namespace

TEST(CanonMovedMakerNote, GeneratedCameraFileResavedByAnEditor) {
    for (const int shift : {0, -164, 256}) {
        SCOPED_TRACE("moved by " + std::to_string(shift));
        int kind = 0;
        const CanonMakerNote c = CanonOf(Resaved(GeneratedCanonFile(0), shift), kind);
        ASSERT_EQ(kind, lumora::kMakerNoteCanon);
        ExpectGeneratedValues(c, true);
    }
}

TEST(CanonMovedMakerNote, OneRecordThatDoesNotCheckOutCostsOnlyItself) {
    // The camera declared its block 10 bytes short: the colour-temperature
    // array, written last, runs past it. Moved or not, that one record is
    // dropped and every other one is read.
    for (const int shift : {0, -164, 256}) {
        SCOPED_TRACE("moved by " + std::to_string(shift));
        int kind = 0;
        const CanonMakerNote c = CanonOf(Resaved(GeneratedCanonFile(10), shift), kind);
        ASSERT_EQ(kind, lumora::kMakerNoteCanon);
        ExpectGeneratedValues(c, false);
    }
}
