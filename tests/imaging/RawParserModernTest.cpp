// The RAW kinds of current cameras: the shared real files against exiftool's
// readings of them, the generated files against what the generator wrote,
// the choice of embedded JPEGs, and damaged files (run under ASan + UBSan).
#include "MiniJson.h"

#include "imaging/RawParser.h"
#include "metadata/CaptionSummary.h"
#include "samples/SampleGen.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <unistd.h>

using namespace lumora;
using lumora::testing::JsonReader;
using lumora::testing::JsonValue;
namespace fs = std::filesystem;

namespace {

const fs::path kSamples = LUMORA_SHARED_SAMPLES;
constexpr int kModernKinds[] = {kRawKindArw, kRawKindSrf, kRawKindDng, kRawKindRw2, kRawKindRwl,
                                kRawKindNrw, kRawKindSrw, kRawKind3fr, kRawKindCr3};

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// exiftool -j -n -G1 -a -u -D output: the value of the last "Group:Name".
struct Dump {
    JsonValue root;
    const JsonValue* Val(const std::string& key) const {
        const JsonValue* found = nullptr;
        for (std::size_t n = 0; n < root.keys.size(); ++n) {
            if (root.keys[n] == key) {
                found = root.values[n].Find("val");
            }
        }
        return found;
    }
    double Num(const std::string& key) const {
        const JsonValue* v = Val(key);
        return v && v->type == JsonValue::Type::Number ? v->number : std::nan("");
    }
    std::string Text(const std::string& key) const {
        const JsonValue* v = Val(key);
        return v && v->type == JsonValue::Type::String ? v->text : std::string("<none>");
    }
    // The byte count of a binary tag ("(Binary data 28 bytes, ...").
    std::uint64_t BinaryLength(const std::string& key) const {
        const std::string t = Text(key);
        unsigned long long n = 0;
        return std::sscanf(t.c_str(), "(Binary data %llu", &n) == 1 ? n : 0;
    }
};

Dump LoadDump(const std::string& name) {
    std::ifstream in(kSamples / "expected" / "modern" / (name + ".json"));
    std::stringstream s;
    s << in.rdbuf();
    JsonValue all;
    JsonReader reader(s.str());
    EXPECT_TRUE(reader.Parse(all)) << name;
    Dump d;
    if (!all.items.empty()) {
        d.root = all.items.front();
    }
    return d;
}

struct Parsed {
    bool ok = false;
    ImageInfo image;
    ShootingInfo shooting;
    MakerNote note;
    int noteKind = 0;
    std::uint64_t thumbPos = 0, previewPos = 0;
    std::uint32_t thumbLength = 0, previewLength = 0;
    std::uint32_t thumbW = 0, thumbH = 0, previewW = 0, previewH = 0;
    std::uint64_t largePos = 0;
    std::uint32_t largeLength = 0, largeW = 0;
};

Parsed Parse(const std::vector<std::uint8_t>& bytes, int kind) {
    CRawParser p;
    Parsed r;
    r.ok = p.OpenMemory(bytes.data(), bytes.size(), kind) != 0;
    p.GetImageInfo(r.image);
    p.GetShootingInfo(r.shooting);
    p.GetMakerNote(r.note);
    r.noteKind = p.GetMakerNoteKind();
    r.thumbPos = p.GetThumbnailPosition();
    r.thumbLength = p.GetThumbnailLength();
    r.previewPos = p.GetPreviewPosition();
    r.previewLength = p.GetPreviewLength();
    r.thumbW = p.GetThumbnailWidth();
    r.thumbH = p.GetThumbnailHeight();
    r.previewW = p.GetPreviewWidth();
    r.previewH = p.GetPreviewHeight();
    r.largePos = p.GetLargeThumbnailPosition();
    r.largeLength = p.GetLargeThumbnailLength();
    r.largeW = p.GetLargeThumbnailWidth();
    return r;
}

// Model, shooting date, exposure time, F-number, ISO, focal length and
// orientation as exiftool read them.
void ExpectShootingAgrees(const Parsed& r, const Dump& d) {
    EXPECT_EQ(r.image.model.value_or("<none>"), d.Text("IFD0:Model"));
    EXPECT_EQ(r.image.shootingDateTime.value_or("<none>"), d.Text("ExifIFD:DateTimeOriginal"));
    ASSERT_TRUE(r.shooting.shutterSpeed.has_value());
    EXPECT_NEAR(1.0 / *r.shooting.shutterSpeed, d.Num("ExifIFD:ExposureTime"), 1e-6);
    EXPECT_NEAR(r.shooting.fNumber.value_or(0), d.Num("ExifIFD:FNumber"), 1e-5);
    EXPECT_EQ(r.shooting.iso.value_or(0), d.Num("ExifIFD:ISO"));
    EXPECT_NEAR(r.shooting.focalLength.value_or(0), d.Num("ExifIFD:FocalLength"), 1e-5);
    EXPECT_EQ(r.image.orientation.value_or(0), d.Num("IFD0:Orientation"));
}

std::vector<std::uint8_t> Shared(const std::string& name) {
    return ReadBytes(kSamples / "modern" / name);
}

} // namespace

TEST(RawParserModernShared, Cr3AgreesWithExiftool) {
    const auto bytes = Shared("exiftool-CanonRaw.cr3");
    if (bytes.empty()) {
        GTEST_SKIP() << "shared samples absent at " << kSamples;
    }
    const Dump d = LoadDump("exiftool-CanonRaw.cr3");
    const Parsed r = Parse(bytes, kRawKindCr3);
    ASSERT_TRUE(r.ok);
    ExpectShootingAgrees(r, d);
    EXPECT_EQ(r.image.make.value_or(""), d.Text("IFD0:Make"));
    EXPECT_EQ(r.image.width.value_or(0), d.Num("IFD0:ImageWidth"));
    // The viewer's picture is the first track's sample, the thumbnail THMB;
    // this file keeps only placeholders of their bytes.
    EXPECT_EQ(r.previewW, d.Num("Track1:ImageWidth"));
    EXPECT_EQ(r.previewH, d.Num("Track1:ImageHeight"));
    EXPECT_EQ(r.previewPos, d.Num("QuickTime:MediaDataOffset"));
    EXPECT_EQ(r.previewLength, d.BinaryLength("Track1:JpgFromRaw"));
    EXPECT_EQ(r.thumbW, 160u);
    EXPECT_EQ(r.thumbH, 120u);
    EXPECT_EQ(r.thumbLength, d.BinaryLength("Canon:ThumbnailImage"));
    // CMT3 holds the same Canon records as a CR2.
    ASSERT_EQ(r.noteKind, kMakerNoteCanon);
    const auto& c = std::get<CanonMakerNote>(r.note);
    EXPECT_EQ(c.imageType.value_or(""), d.Text("Canon:CanonImageType"));
    EXPECT_EQ(c.firmwareVersion.value_or(""), d.Text("Canon:CanonFirmwareVersion"));
    EXPECT_EQ(c.macroMode.value_or(0), d.Num("Canon:MacroMode"));
    EXPECT_EQ(c.exposureMode.value_or(0), d.Num("Canon:CanonExposureMode"));
    EXPECT_EQ(c.lensType.value_or(0), d.Num("Canon:LensType"));
    EXPECT_EQ(c.longFocal.value_or(0), d.Num("Canon:MaxFocalLength"));
    EXPECT_EQ(c.colorTemperature.value_or(0), d.Num("Canon:ColorTemperature"));
}

TEST(RawParserModernShared, DngAgreesWithExiftool) {
    const auto bytes = Shared("exiftool-DNG.dng");
    if (bytes.empty()) {
        GTEST_SKIP() << "shared samples absent at " << kSamples;
    }
    const Dump d = LoadDump("exiftool-DNG.dng");
    const Parsed r = Parse(bytes, kRawKindDng);
    ASSERT_TRUE(r.ok);
    ExpectShootingAgrees(r, d);
    // The raw main image (lossless JPEG, CFA) and the RGB strip of IFD0 are
    // not pictures for the JPEG decoder; the SubIFD previews are.
    EXPECT_EQ(r.previewPos, d.Num("SubIFD2:JpgFromRawStart"));
    EXPECT_EQ(r.previewLength, d.Num("SubIFD2:JpgFromRawLength"));
    EXPECT_EQ(r.previewW, d.Num("SubIFD2:ImageWidth"));
    EXPECT_EQ(r.previewH, d.Num("SubIFD2:ImageHeight"));
    EXPECT_EQ(r.thumbPos, d.Num("SubIFD1:PreviewImageStart"));
    EXPECT_EQ(r.thumbLength, d.Num("SubIFD1:PreviewImageLength"));
    EXPECT_EQ(r.thumbW, d.Num("SubIFD1:ImageWidth"));
    // The picture's size is the raw main image's.
    EXPECT_EQ(r.image.width.value_or(0), d.Num("SubIFD:ImageWidth"));
    EXPECT_EQ(r.image.height.value_or(0), d.Num("SubIFD:ImageHeight"));
}

TEST(RawParserModernShared, Rw2AgreesWithExiftool) {
    const auto bytes = Shared("exiftool-Panasonic.rw2");
    if (bytes.empty()) {
        GTEST_SKIP() << "shared samples absent at " << kSamples;
    }
    const Dump d = LoadDump("exiftool-Panasonic.rw2");
    const Parsed r = Parse(bytes, kRawKindRw2);
    ASSERT_TRUE(r.ok);
    // The EXIF block lives in the JpgFromRaw.
    ExpectShootingAgrees(r, d);
    EXPECT_EQ(r.image.make.value_or(""), d.Text("IFD0:Make"));
    EXPECT_EQ(r.previewLength, d.BinaryLength("IFD0:JpgFromRaw"));
    EXPECT_EQ(r.previewW, d.Num("File:ImageWidth"));
    EXPECT_EQ(r.previewH, d.Num("File:ImageHeight"));
    ASSERT_GT(r.previewPos, 0u);
    EXPECT_EQ(bytes[r.previewPos], 0xFF);
    EXPECT_EQ(bytes[r.previewPos + 1], 0xD8);
    // The Panasonic note of the JpgFromRaw's EXIF block.
    ASSERT_EQ(r.noteKind, kMakerNotePanasonic);
    const auto& pana = std::get<PanasonicMakerNote>(r.note);
    EXPECT_EQ(pana.quality.value_or(0), d.Num("Panasonic:ImageQuality"));
    EXPECT_EQ(pana.whiteBalance.value_or(0), d.Num("Panasonic:WhiteBalance"));
    EXPECT_EQ(pana.focusMode.value_or(0), d.Num("Panasonic:FocusMode"));
    EXPECT_FALSE(pana.colorTemperature.has_value()); // stored as 0
    // Its own kind keeps the RW2 out of the other readers and back.
    EXPECT_FALSE(Parse(bytes, kRawKindDng).ok);
    EXPECT_TRUE(Parse(bytes, kRawKindRwl).ok);
}

// ---- generated files ----

class RawParserModernGenerated : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new fs::path(fs::temp_directory_path() /
                            ("lumora-modern-raw-" + std::to_string(::getpid())));
        fs::create_directories(*dir_);
        const std::string d = dir_->string();
        written_ = new std::vector<samples::WrittenSample>{
            samples::writeArw(d, "a.arw"),       samples::writeDng(d, "b.dng"),
            samples::writeLinearDng(d, "c.dng"), samples::writeRw2(d, "d.rw2"),
            samples::writeNrw(d, "e.nrw"),       samples::writeCr3(d, "f.cr3"),
            samples::writeSrw(d, "g.srw")};
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(*dir_, ec);
        delete written_;
        delete dir_;
    }
    static std::vector<std::uint8_t> Bytes(const samples::WrittenSample& w) {
        return ReadBytes(*dir_ / w.name);
    }
    static const samples::WrittenSample& Sample(const std::string& name) {
        for (const auto& w : *written_) {
            if (w.name == name) {
                return w;
            }
        }
        throw std::runtime_error(name);
    }
    static fs::path* dir_;
    static std::vector<samples::WrittenSample>* written_;
};
fs::path* RawParserModernGenerated::dir_ = nullptr;
std::vector<samples::WrittenSample>* RawParserModernGenerated::written_ = nullptr;

TEST_F(RawParserModernGenerated, EmbeddedJpegsAndCameraValuesAreThoseWritten) {
    for (const auto& w : *written_) {
        SCOPED_TRACE(w.name + ": " + w.note);
        const auto bytes = Bytes(w);
        const Parsed r = Parse(bytes, w.kind);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.thumbPos, w.thumbnail.offset);
        EXPECT_EQ(r.thumbLength, w.thumbnail.length);
        EXPECT_EQ(r.previewPos, w.preview.offset);
        EXPECT_EQ(r.previewLength, w.preview.length);
        EXPECT_EQ(r.previewW, static_cast<std::uint32_t>(w.width));
        EXPECT_EQ(r.previewH, static_cast<std::uint32_t>(w.height));
        // Every picture handed on is a JPEG.
        ASSERT_LT(r.previewPos + 1, bytes.size());
        EXPECT_EQ(bytes[r.previewPos], 0xFF);
        EXPECT_EQ(bytes[r.previewPos + 1], 0xD8);
        EXPECT_EQ(bytes[r.thumbPos + 1], 0xD8);
        const auto& c = w.camera;
        EXPECT_EQ(r.image.make.value_or(""), c.make);
        EXPECT_EQ(r.image.model.value_or(""), c.model);
        EXPECT_EQ(r.image.shootingDateTime.value_or(""), c.dateTimeOriginal);
        EXPECT_NEAR(r.shooting.shutterSpeed.value_or(0), double(c.exposureDen) / c.exposureNum,
                    1e-3);
        EXPECT_NEAR(r.shooting.fNumber.value_or(0), double(c.fNumberNum) / c.fNumberDen, 1e-5);
        EXPECT_EQ(r.shooting.iso.value_or(0), c.iso);
        EXPECT_EQ(r.image.orientation.value_or(0), c.orientation);
        EXPECT_TRUE(r.shooting.aspectX.has_value());
    }
}

TEST_F(RawParserModernGenerated, ThumbnailIsTheSmallestPictureThatFillsTheBox) {
    const Parsed arw = Parse(Bytes(Sample("a.arw")), kRawKindArw);
    EXPECT_EQ(arw.thumbW, 160u);
    EXPECT_EQ(arw.thumbH, 120u);
    // The DNG's 256 x 171 preview, not its uncompressed IFD0 strip nor the
    // 1024 x 683 one; the raw image gives the picture's size.
    const Parsed dng = Parse(Bytes(Sample("b.dng")), kRawKindDng);
    EXPECT_EQ(dng.thumbW, 256u);
    EXPECT_EQ(dng.image.width.value_or(0), 6224u);
    // One picture serves both.
    const Parsed phone = Parse(Bytes(Sample("c.dng")), kRawKindDng);
    EXPECT_EQ(phone.thumbPos, phone.previewPos);
    EXPECT_EQ(phone.image.width.value_or(0), 4080u);
    // The CR3 shows THMB in the grid and the full-size JPEG in the viewer.
    const Parsed cr3 = Parse(Bytes(Sample("f.cr3")), kRawKindCr3);
    EXPECT_EQ(cr3.thumbW, 160u);
    EXPECT_EQ(cr3.previewW, 6000u);
    // A box larger than THMB gets PRVW; the ARW's and the DNG's next larger
    // pictures are their previews.
    EXPECT_EQ(cr3.largeW, 1620u);
    EXPECT_EQ(arw.largeW, 1616u);
    EXPECT_EQ(dng.largeW, 1024u);
    EXPECT_EQ(phone.largeLength, 0u); // one picture only
    EXPECT_EQ(cr3.noteKind, kMakerNoteCanon);
    const auto& note = std::get<CanonMakerNote>(cr3.note);
    EXPECT_EQ(note.colorTemperature.value_or(0), samples::canonCamera().canonColorTemperature);
    EXPECT_EQ(DeriveCaptionSummary(cr3.shooting, cr3.note).iso.value_or(0), 1600u);
}

namespace {

std::size_t FindText(const std::vector<std::uint8_t>& bytes, const char* text) {
    const std::size_t n = std::strlen(text);
    for (std::size_t i = 0; i + n <= bytes.size(); ++i) {
        if (std::memcmp(bytes.data() + i, text, n) == 0) {
            return i;
        }
    }
    return std::string::npos;
}

} // namespace

TEST_F(RawParserModernGenerated, Cr3FallsBackToPrvw) {
    const auto good = Bytes(Sample("f.cr3"));
    const std::size_t prvw = FindText(good, "PRVW");
    ASSERT_NE(prvw, std::string::npos);
    const std::uint64_t prvwJpeg = prvw + 4 + 16;

    // No THMB: the thumbnail comes from PRVW.
    auto noThumb = good;
    const std::size_t thmb = FindText(noThumb, "THMB");
    ASSERT_NE(thmb, std::string::npos);
    noThumb[thmb + 3] = 'X';
    const Parsed a = Parse(noThumb, kRawKindCr3);
    EXPECT_EQ(a.thumbPos, prvwJpeg);
    EXPECT_EQ(a.thumbW, 1620u);
    EXPECT_EQ(a.largeLength, 0u); // nothing between PRVW and the full-size JPEG
    EXPECT_EQ(a.previewW, 6000u);

    // A track sample outside the file: the viewer gets PRVW.
    auto lostSample = good;
    const std::size_t co64 = FindText(lostSample, "co64");
    ASSERT_NE(co64, std::string::npos);
    for (int i = 0; i < 8; ++i) {
        lostSample[co64 + 4 + 8 + i] = 0x7F;
    }
    const Parsed b = Parse(lostSample, kRawKindCr3);
    EXPECT_EQ(b.previewPos, prvwJpeg);
    EXPECT_EQ(b.largePos, prvwJpeg);
    EXPECT_EQ(b.previewW, 1620u);
    EXPECT_EQ(b.thumbW, 160u);

    // Another brand is not a CR3.
    auto otherBrand = good;
    otherBrand[8] = 'h';
    EXPECT_FALSE(Parse(otherBrand, kRawKindCr3).ok);
    // Nor is a TIFF file.
    EXPECT_FALSE(Parse(Bytes(Sample("a.arw")), kRawKindCr3).ok);
}

TEST_F(RawParserModernGenerated, HeadersAreCheckedPerKind) {
    // An RW2 needs 0x55 after "II"; the TIFF kinds need 42, and a CIFF-like
    // "II" header is not read as one.
    auto rw2 = Bytes(Sample("d.rw2"));
    EXPECT_FALSE(Parse(rw2, kRawKindArw).ok);
    rw2[2] = 0x2A;
    EXPECT_FALSE(Parse(rw2, kRawKindRw2).ok);
    auto arw = Bytes(Sample("a.arw"));
    arw[2] = 0x1A;
    EXPECT_FALSE(Parse(arw, kRawKindArw).ok);
}

// ---- damaged files ----

namespace {

void Exercise(const std::vector<std::uint8_t>& bytes, int kind) {
    const Parsed r = Parse(bytes, kind);
    if (r.image.model) {
        EXPECT_LE(r.image.model->size(), kMaxTextLength);
    }
    // Whatever is handed on lies inside the file.
    if (r.thumbLength != 0) {
        EXPECT_LE(r.thumbPos + r.thumbLength, bytes.size());
    }
    if (r.previewLength != 0 && IsModernRawKind(kind)) {
        EXPECT_LE(r.previewPos + r.previewLength, bytes.size());
    }
    if (r.largeLength != 0) {
        EXPECT_LE(r.largePos + r.largeLength, bytes.size());
    }
    (void)DeriveCaptionSummary(r.shooting, r.note);
}

std::vector<fs::path> HostileAndModernFiles() {
    std::vector<fs::path> files;
    for (const char* folder : {"hostile", "modern", "raw"}) {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(kSamples / folder, ec)) {
            if (e.is_regular_file()) {
                files.push_back(e.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

TEST(RawParserModernHostile, EverySharedFileUnderEveryNewKind) {
    const auto files = HostileAndModernFiles();
    if (files.empty()) {
        GTEST_SKIP() << "no shared samples at " << kSamples;
    }
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        const auto bytes = ReadBytes(file);
        for (const int kind : kModernKinds) {
            Exercise(bytes, kind);
        }
    }
}

TEST_F(RawParserModernGenerated, TruncatedAndDamagedFilesEndCleanly) {
    std::vector<std::pair<std::vector<std::uint8_t>, int>> seeds;
    for (const auto& w : *written_) {
        seeds.emplace_back(Bytes(w), w.kind);
    }
    for (const char* name :
         {"exiftool-CanonRaw.cr3", "exiftool-DNG.dng", "exiftool-Panasonic.rw2"}) {
        const auto bytes = Shared(name);
        if (!bytes.empty()) {
            const std::string ext = fs::path(name).extension().string();
            seeds.emplace_back(bytes, ext == ".cr3"   ? kRawKindCr3
                                      : ext == ".dng" ? kRawKindDng
                                                      : kRawKindRw2);
        }
    }
    std::mt19937 random(24);
    for (const auto& [bytes, kind] : seeds) {
        SCOPED_TRACE(kind);
        // Cut at the structure's own boundaries and at random places.
        for (std::size_t cut : {std::size_t(0), std::size_t(4), std::size_t(8), std::size_t(16),
                                std::size_t(100), std::size_t(1000), std::size_t(5000)}) {
            if (cut < bytes.size()) {
                Exercise({bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut)}, kind);
            }
        }
        for (int n = 0; n < 40; ++n) {
            const std::size_t cut = random() % bytes.size();
            Exercise({bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut)}, kind);
        }
        // Flip bytes of the first 16 KB, where the directories and boxes lie,
        // and set some to the extremes that sizes and counts can take.
        const std::size_t head = std::min<std::size_t>(bytes.size(), 16384);
        for (int n = 0; n < 60; ++n) {
            auto damaged = bytes;
            for (int k = 0; k < 8; ++k) {
                const std::size_t at = random() % head;
                damaged[at] = static_cast<std::uint8_t>(k % 3 == 0   ? 0xFF
                                                        : k % 3 == 1 ? 0x00
                                                                     : random());
            }
            Exercise(damaged, kind);
        }
    }
}

// Current Olympus and OM System bodies put a header of their own before the
// maker-note directory and count its offsets from the note's start.
TEST(RawParserModernOrf, CurrentMakerNoteHeadersFindTheirPreview) {
    using namespace lumora::samples;
    const auto preview = renderJpeg(640, 480, "OM-1", "ORF NOTE PREVIEW", 47);
    for (const std::string& magic :
         {std::string("OM SYSTEM\0\0\0II\x03\0", 16), std::string("OLYMPUS\0II\x03\0", 12)}) {
        SCOPED_TRACE(magic.substr(0, 7));
        TiffStream s(true);
        s.header("ifd0", 0x4F52); // "IIRO"
        IfdBuilder ifd0(true);
        ifd0.ascii(271, "OM Digital Solutions").ascii(272, "OM-1").offsetTo(34665, "exif");
        s.writeIfd(ifd0, "ifd0");
        IfdBuilder exif(true);
        exif.rational(33434, 1, 200).span(37500, "mn", "mnEnd");
        s.writeIfd(exif, "exif");
        s.align2();
        s.mark("mn");
        s.putText(magic);
        IfdBuilder note(true);
        note.offsetTo(0x2020, "settings", "mn");
        s.writeIfd(note, "note", "", "mn");
        IfdBuilder settings(true);
        settings.offsetTo(0x0101, "jpeg", "mn").longs(0x0102, {uint32_t(preview.size())});
        s.writeIfd(settings, "settings", "", "mn");
        s.blob("jpeg", preview);
        s.mark("mnEnd");
        s.finish();
        const Parsed r = Parse(s.bytes(), kRawKindOrf);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.noteKind, kMakerNoteOlympus);
        EXPECT_EQ(r.previewPos, s.position("jpeg"));
        EXPECT_EQ(r.previewLength, preview.size());
        EXPECT_NEAR(r.shooting.shutterSpeed.value_or(0), 200, 1e-3);
    }
}

// A JpgFromRaw beyond the limit of values read whole is still found: it is
// only located, and the EXIF block in it gives the shooting information.
TEST(RawParserModernRw2, LargeJpgFromRawIsStillThePreview) {
    using namespace lumora::samples;
    CameraJpegOptions o;
    o.width = 320;
    o.height = 240;
    o.camera.make = "Panasonic";
    o.camera.model = "DC-S5M2";
    std::vector<std::uint8_t> jpeg = makeCameraJpeg(o);
    const std::size_t pictureBytes = jpeg.size();
    jpeg.resize(CRawParser::kMaxValueBytes + 4096, 0); // padding after the EOI
    TiffStream s(true);
    s.header("ifd0", 0x55);
    IfdBuilder ifd0(true);
    ifd0.undefined(0x002E, jpeg, "jpgFromRaw").ascii(272, "DC-S5M2").shorts(274, {1});
    s.writeIfd(ifd0, "ifd0");
    s.finish();
    const Parsed r = Parse(s.bytes(), kRawKindRw2);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.previewPos, s.position("jpgFromRaw"));
    EXPECT_EQ(r.previewLength, jpeg.size());
    EXPECT_EQ(r.previewW, 320u);
    EXPECT_EQ(r.image.make.value_or(""), "Panasonic");
    EXPECT_NEAR(r.shooting.shutterSpeed.value_or(0), 250, 1e-3);
    EXPECT_GT(pictureBytes, 0u);
}

// Current bodies in the older containers: a high-efficiency NEF shows its
// JPEGs only (the full-size one in the viewer, the note's preview as the
// thumbnail), an OM System ORF its note's preview, a current RAF its JPEG.
TEST(RawParserCurrentBodies, PicturesAreThoseWritten) {
    const fs::path dir =
        fs::temp_directory_path() / ("lumora-current-bodies-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::vector<samples::WrittenSample> written = {
        samples::writeNefHighEfficiency(dir.string(), "z.nef"),
        samples::writeOrfOmSystem(dir.string(), "om.orf"),
        samples::writeRafCurrent(dir.string(), "x.raf")};
    for (const auto& w : written) {
        SCOPED_TRACE(w.name);
        const auto bytes = ReadBytes(dir / w.name);
        const Parsed r = Parse(bytes, w.kind);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.image.model.value_or(""), w.camera.model);
        EXPECT_EQ(r.image.shootingDateTime.value_or(""), w.camera.dateTimeOriginal);
        EXPECT_EQ(r.thumbPos, w.thumbnail.offset);
        EXPECT_EQ(r.thumbLength, w.thumbnail.length);
        EXPECT_EQ(r.previewPos, w.preview.offset);
        EXPECT_EQ(r.previewLength, w.preview.length);
        ASSERT_LT(r.previewPos + 1, bytes.size());
        EXPECT_EQ(bytes[r.previewPos + 1], 0xD8);
        EXPECT_EQ(bytes[r.thumbPos + 1], 0xD8);
    }
    EXPECT_EQ(Parse(ReadBytes(dir / "z.nef"), kRawKindNef).noteKind, kMakerNoteNikon);
    EXPECT_EQ(Parse(ReadBytes(dir / "om.orf"), kRawKindOrf).noteKind, kMakerNoteOlympus);
    // A .raf's note is not read, whatever the body (as for the older ones).
    EXPECT_EQ(Parse(ReadBytes(dir / "x.raf"), kRawKindRaf).noteKind, kMakerNoteNone);
    std::error_code ec;
    fs::remove_all(dir, ec);
}
