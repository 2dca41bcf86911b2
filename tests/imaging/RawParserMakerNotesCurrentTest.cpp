// The maker notes of current bodies: Sony (plain tags read, enciphered
// blocks skipped, nothing that is not text shown as text), Panasonic (in the
// JpgFromRaw of an RW2, and in JPEGs) and Samsung (offsets from the TIFF
// header or from the note, whichever the body uses).
#include "imaging/RawParser.h"
#include "samples/SampleGen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace lumora;
using namespace lumora::samples;
namespace fs = std::filesystem;

namespace {

struct Read {
    bool ok = false;
    int kind = 0;
    MakerNote note;
};

Read ParseBytes(const std::vector<std::uint8_t>& bytes, int kind) {
    CRawParser p;
    Read r;
    r.ok = p.OpenMemory(bytes.data(), bytes.size(), kind) != 0;
    r.kind = p.GetMakerNoteKind();
    p.GetMakerNote(r.note);
    return r;
}

std::vector<std::uint8_t> WrittenBytes(WrittenSample (*write)(const std::string&,
                                                              const std::string&),
                                       const std::string& name) {
    const fs::path dir = fs::temp_directory_path() / ("lumora-notes-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    write(dir.string(), name);
    std::ifstream in(dir / name, std::ios::binary);
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                    std::istreambuf_iterator<char>()};
    std::error_code ec;
    fs::remove_all(dir, ec);
    return bytes;
}

// A TIFF file whose EXIF IFD points at the note the caller writes between
// the labels "mn" and "mnEnd".
template <typename WriteNote>
std::vector<std::uint8_t> TiffWithNote(const std::string& make, WriteNote writeNote) {
    TiffStream s(true);
    s.header();
    IfdBuilder ifd0(true);
    ifd0.ascii(271, make).ascii(272, "TEST BODY").offsetTo(34665, "exif");
    s.writeIfd(ifd0, "ifd0");
    IfdBuilder exif(true);
    exif.rational(33434, 1, 100).ascii(42036, "LENS 50mm").span(37500, "mn", "mnEnd");
    s.writeIfd(exif, "exif");
    writeNote(s);
    s.finish();
    return s.bytes();
}

} // namespace

TEST(CurrentMakerNotes, GeneratedFilesCarryTheirMakersNotes) {
    const Read arw = ParseBytes(WrittenBytes(writeArw, "a.arw"), kRawKindArw);
    ASSERT_EQ(arw.kind, kMakerNoteSony);
    const auto& sony = std::get<SonyMakerNote>(arw.note);
    EXPECT_EQ(sony.quality, 0u);
    EXPECT_EQ(sony.whiteBalance, 0x10u);
    EXPECT_EQ(sony.focusMode, 3u);
    EXPECT_EQ(sony.creativeStyle, "Standard");
    EXPECT_EQ(sony.lensType, 32849u);
    EXPECT_EQ(sony.lensModel, "FE 24-70mm F2.8 GM II");

    // The RW2's note lies in the EXIF block of its JpgFromRaw.
    const Read rw2 = ParseBytes(WrittenBytes(writeRw2, "b.rw2"), kRawKindRw2);
    ASSERT_EQ(rw2.kind, kMakerNotePanasonic);
    const auto& pana = std::get<PanasonicMakerNote>(rw2.note);
    EXPECT_EQ(pana.quality, 7u);
    EXPECT_EQ(pana.whiteBalance, 13u);
    EXPECT_EQ(pana.focusMode, 6u);
    EXPECT_EQ(pana.colorTemperature, 5500u);
    EXPECT_EQ(pana.lensModel, "LUMIX G VARIO 12-60/F3.5-5.6");
    EXPECT_EQ(pana.lensSerialNumber, "XA1234567");

    // The SRW's offsets count from the note's own start.
    const Read srw = ParseBytes(WrittenBytes(writeSrw, "c.srw"), kRawKindSrw);
    ASSERT_EQ(srw.kind, kMakerNoteSamsung);
    const auto& sam = std::get<SamsungMakerNote>(srw.note);
    EXPECT_EQ(sam.firmware, "GH1HPRB017");
    EXPECT_EQ(sam.serialNumber, "C0RCT5000123");
    EXPECT_EQ(sam.lensType, 17u);
    EXPECT_EQ(sam.lensFirmware, "L0FW0112");
    EXPECT_EQ(sam.lensModel, "Samsung NX 45mm F1.8 2D/3D");
}

TEST(CurrentMakerNotes, SonyEncipheredAndNonTextValuesAreNeverShown) {
    const auto bytes = TiffWithNote("SONY", [](TiffStream& s) {
        s.mark("mn");
        IfdBuilder note(true);
        note.undefined(0xB020, {'S', 't', 0x9F, 0xE3, 'd', 'a', 'r', 'd'}) // enciphered look
            .ascii(0x0102, "RAW")                                          // a text, not a number
            .longs(0x0115, {0x20})
            .undefined(0x9400, std::vector<std::uint8_t>(40, 'A')) // never read, even if legible
            .undefined(0x9050, std::vector<std::uint8_t>(40, 'B'))
            .longs(0xB027, {2, 3}); // two numbers: not a lens number
        s.writeIfd(note, "mnIfd");
        s.mark("mnEnd");
    });
    const Read r = ParseBytes(bytes, kRawKindArw);
    ASSERT_EQ(r.kind, kMakerNoteSony);
    const auto& sony = std::get<SonyMakerNote>(r.note);
    EXPECT_FALSE(sony.creativeStyle.has_value());
    EXPECT_FALSE(sony.quality.has_value());
    EXPECT_EQ(sony.whiteBalance, 0x20u);
    EXPECT_FALSE(sony.lensType.has_value());
    EXPECT_FALSE(sony.focusMode.has_value());
    EXPECT_EQ(sony.lensModel, "LENS 50mm");
    // The same note as a TIFF or JPEG needs its "SONY DSC" header.
    EXPECT_EQ(ParseBytes(bytes, kRawKindDng).kind, kMakerNoteNone);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(ParseBytes(bytes, kRawKindDng).note));
}

TEST(CurrentMakerNotes, SonyJpegWithItsHeader) {
    CameraJpegOptions o;
    o.camera.make = "SONY";
    o.camera.model = "ILCE-7CM2";
    o.camera.makerNote = samples::MakerNoteKind::SonyJpeg;
    o.camera.sonyQuality = 2;
    o.camera.sonyFocusMode = 6;
    const Read r = ParseBytes(makeCameraJpeg(o), kRawKindJpeg);
    ASSERT_EQ(r.kind, kMakerNoteSony);
    EXPECT_EQ(std::get<SonyMakerNote>(r.note).quality, 2u);
    EXPECT_EQ(std::get<SonyMakerNote>(r.note).focusMode, 6u);
    // A headerless note in a JPEG is another layout: not read.
    o.camera.makerNote = samples::MakerNoteKind::Sony;
    EXPECT_EQ(ParseBytes(makeCameraJpeg(o), kRawKindJpeg).kind, kMakerNoteNone);
}

TEST(CurrentMakerNotes, PanasonicValuesOutsideTheNoteAndOtherHeaders) {
    // The lens text's offset points before the note: not taken.
    const auto bytes = TiffWithNote("Panasonic", [](TiffStream& s) {
        s.blob("elsewhere", {'O', 'U', 'T', 'S', 'I', 'D', 'E', ' ', 'L', 'E', 'N', 'S', 0});
        s.align2();
        s.mark("mn");
        s.putBytes({'P', 'a', 'n', 'a', 's', 'o', 'n', 'i', 'c', 0, 0, 0});
        IfdBuilder note(true);
        TiffEntry lens;
        lens.tag = 0x0051;
        lens.type = 2;
        lens.count = 13;
        lens.refs = {"elsewhere"};
        note.raw(lens).shorts(0x0003, {2}).shorts(0x0044, {0});
        s.writeIfd(note, "mnIfd");
        s.mark("mnEnd");
    });
    const Read r = ParseBytes(bytes, kRawKindDng);
    ASSERT_EQ(r.kind, kMakerNotePanasonic);
    const auto& note = std::get<PanasonicMakerNote>(r.note);
    EXPECT_FALSE(note.lensModel.has_value());
    EXPECT_EQ(note.whiteBalance, 2u);
    EXPECT_FALSE(note.colorTemperature.has_value()); // 0: not set by temperature

    auto other = bytes;
    // The note's header is the last "Panasonic" in the file (the make comes first).
    const std::string header = "Panasonic";
    const auto at = std::find_end(other.begin(), other.end(), header.begin(), header.end());
    ASSERT_NE(at, other.end());
    *at = 'p';
    EXPECT_EQ(ParseBytes(other, kRawKindDng).kind, kMakerNoteNone);
}

TEST(CurrentMakerNotes, SamsungOffsetsFromEitherBase) {
    for (const bool fromNote : {true, false}) {
        SCOPED_TRACE(fromNote ? "from the note" : "from the TIFF header");
        const auto bytes = TiffWithNote("SAMSUNG", [&](TiffStream& s) {
            IfdBuilder note(true);
            note.undefined(0x0001, {'0', '1', '0', '0'}).ascii(0xA001, "FIRMWARE 1.7");
            s.writeIfd(note, "mn", "", fromNote ? "mn" : "");
            s.mark("mnEnd");
        });
        const Read r = ParseBytes(bytes, kRawKindSrw);
        ASSERT_EQ(r.kind, kMakerNoteSamsung);
        EXPECT_EQ(std::get<SamsungMakerNote>(r.note).firmware, "FIRMWARE 1.7");
        // Read by make from a DNG too, where the version must be there.
        EXPECT_EQ(ParseBytes(bytes, kRawKindDng).kind, kMakerNoteSamsung);
    }
    // Without the version only an SRW's note is read.
    const auto unversioned = TiffWithNote("SAMSUNG", [](TiffStream& s) {
        IfdBuilder note(true);
        note.shorts(0xA003, {5});
        s.writeIfd(note, "mn");
        s.mark("mnEnd");
    });
    EXPECT_EQ(ParseBytes(unversioned, kRawKindSrw).kind, kMakerNoteSamsung);
    EXPECT_EQ(std::get<SamsungMakerNote>(ParseBytes(unversioned, kRawKindSrw).note).lensType, 5u);
    EXPECT_EQ(ParseBytes(unversioned, kRawKindDng).kind, kMakerNoteNone);
}
