// The parser against the sample files and exiftool's readings of them
// (expected/*.json: exiftool -j -n -G1 -a -u -D). Every field the parser reads
// must agree; where this program deliberately reads something else, the check
// says so next to it.
#include "MiniJson.h"

#include "imaging/RawParser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

using namespace lumora;
using lumora::testing::JsonReader;
using lumora::testing::JsonValue;
namespace fs = std::filesystem;

namespace {

const fs::path kSamples = LUMORA_SHARED_SAMPLES;

int KindOf(const fs::path& path) {
    std::string ext = path.extension().string();
    for (char& c : ext) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    static const std::pair<const char*, int> kinds[] = {
        {".jpg", 0},  {".jpeg", 0},  {".cr2", 17},  {".nef", 18}, {".orf", 19},
        {".pef", 20}, {".mrw", 21},  {".erf", 22},  {".raf", 23}, {".sr2", 24},
        {".crw", 25}, {".tif", 257}, {".tiff", 257}};
    for (const auto& [e, k] : kinds) {
        if (ext == e) {
            return k;
        }
    }
    return -1;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Dump {
    JsonValue root;
    // The value of the last tag with this group:name (and id, when given).
    const JsonValue* Val(const std::string& key, std::optional<double> id = {}) const {
        const JsonValue* found = nullptr;
        for (std::size_t n = 0; n < root.keys.size(); ++n) {
            const JsonValue& v = root.values[n];
            if (root.keys[n] != key) {
                continue;
            }
            const JsonValue* tagId = v.Find("id");
            if (id && (!tagId || tagId->type != JsonValue::Type::Number || tagId->number != *id)) {
                continue;
            }
            found = v.Find("val");
        }
        return found;
    }
    const JsonValue* LastMatching(const std::regex& pattern) const {
        const JsonValue* found = nullptr;
        for (std::size_t n = 0; n < root.keys.size(); ++n) {
            if (std::regex_match(root.keys[n], pattern)) {
                found = root.values[n].Find("val");
            }
        }
        return found;
    }
};

Dump LoadDump(const fs::path& rel) {
    Dump d;
    JsonValue all;
    JsonReader reader(ReadAll(kSamples / "expected" / (rel.string() + ".json")));
    EXPECT_TRUE(reader.Parse(all)) << rel;
    if (!all.items.empty()) {
        d.root = all.items.front();
    }
    return d;
}

// A number from a dump value; lists such as "100 0" give their first number.
std::optional<double> Num(const JsonValue* v) {
    if (!v) {
        return std::nullopt;
    }
    if (v->type == JsonValue::Type::Number) {
        return v->number;
    }
    if (v->type == JsonValue::Type::String) {
        // A zero denominator: exiftool says "undef" or "inf", we keep the float.
        if (v->text == "undef") {
            return std::nan("");
        }
        if (v->text == "inf") {
            return HUGE_VAL;
        }
        char* end = nullptr;
        const double d = std::strtod(v->text.c_str(), &end);
        if (end != v->text.c_str()) {
            return d;
        }
    }
    return std::nullopt;
}

std::optional<std::string> Str(const JsonValue* v) {
    if (!v) {
        return std::nullopt;
    }
    if (v->type == JsonValue::Type::String) {
        return v->text;
    }
    std::ostringstream s;
    s << v->number;
    return s.str();
}

std::string RTrim(std::string s) {
    while (!s.empty() && s.back() == ' ') {
        s.pop_back();
    }
    return s;
}

template <typename T>
void ExpectNumber(const char* what, const std::optional<T>& ours, std::optional<double> theirs,
                  double relTolerance = 0) {
    SCOPED_TRACE(what);
    ASSERT_EQ(ours.has_value(), theirs.has_value())
        << (ours ? "we read a value exiftool did not" : "exiftool read a value we did not");
    if (!ours) {
        return;
    }
    const double o = static_cast<double>(*ours);
    if (!std::isfinite(*theirs)) {
        EXPECT_FALSE(std::isfinite(o));
    } else if (relTolerance == 0) {
        EXPECT_EQ(o, *theirs);
    } else {
        EXPECT_NEAR(o, *theirs, relTolerance * std::max(1.0, std::fabs(*theirs)));
    }
}

// Texts are kept as stored; exiftool drops trailing blanks from IFD0 texts.
void ExpectText(const char* what, const std::optional<std::string>& ours,
                const std::optional<std::string>& theirs, bool trimmed) {
    SCOPED_TRACE(what);
    ASSERT_EQ(ours.has_value(), theirs.has_value());
    if (ours) {
        EXPECT_EQ(trimmed ? RTrim(*ours) : *ours, trimmed ? RTrim(*theirs) : *theirs);
    }
}

// True when no segment before the scan is an EXIF APP1: such a JPEG has no
// metadata to read (walked here independently of the parser).
bool NoExifBeforeTheScan(const std::string& bytes) {
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    std::size_t p = 2;
    while (p + 10 <= bytes.size() && at(p) == 0xFF) {
        const unsigned code = at(p + 1);
        if (code == 0xDA || code == 0xD9) {
            return true;
        }
        if (code == 0xE1 && bytes.compare(p + 4, 6, std::string("Exif\0\0", 6)) == 0) {
            return false;
        }
        p += 2 + ((at(p + 2) << 8) | at(p + 3));
    }
    return true;
}

std::string CanonSerial(double number) {
    const auto v = static_cast<std::uint32_t>(number);
    char text[16];
    std::snprintf(text, sizeof text, "%04X%05d", static_cast<unsigned>(v >> 16),
                  static_cast<int>(v & 0xFFFF));
    return text;
}

void CompareCanon(const Dump& d, const CanonMakerNote& c) {
    const auto raw = [&](const char* what, const std::optional<std::uint16_t>& ours,
                         const char* key, double id) {
        const auto theirs = Num(d.Val(key, id));
        if (theirs) { // exiftool leaves out some values it considers unset
            SCOPED_TRACE(what);
            ASSERT_TRUE(ours.has_value());
            // Stored as unsigned 16-bit; exiftool shows some of them signed.
            EXPECT_EQ(static_cast<std::int16_t>(*ours),
                      static_cast<std::int16_t>(
                          static_cast<std::uint16_t>(static_cast<std::int64_t>(*theirs))));
        }
    };
    raw("macroMode", c.macroMode, "Canon:MacroMode", 1);
    raw("flashMode", c.flashMode, "Canon:CanonFlashMode", 4);
    raw("driveMode", c.driveMode, "Canon:ContinuousDrive", 5);
    raw("focusMode", c.focusMode, "Canon:FocusMode", 7);
    raw("imageSize", c.imageSize, "Canon:CanonImageSize", 10);
    raw("easyMode", c.easyMode, "Canon:EasyMode", 11);
    raw("meteringMode", c.meteringMode, "Canon:MeteringMode", 17);
    raw("exposureMode", c.exposureMode, "Canon:CanonExposureMode", 20);
    raw("lensType", c.lensType, "Canon:LensType", 22);
    raw("focalUnits", c.focalUnits, "Canon:FocalUnits", 25);
    raw("flashBits", c.flashBits, "Canon:FlashBits", 29);
    raw("whiteBalance", c.whiteBalance, "Canon:WhiteBalance", 7);
    raw("sequenceNumber", c.sequenceNumber, "Canon:SequenceNumber", 9);
    raw("afPoints", c.afPoints, "Canon:AFPointsInFocus", 14);
    raw("colorTemperature", c.colorTemperature, "Canon:ColorTemperature", 9);
    // Focal lengths are kept in focal units; exiftool shows millimetres.
    for (const auto& [ours, key, id] : {std::tuple{c.longFocal, "Canon:MaxFocalLength", 23},
                                        std::tuple{c.shortFocal, "Canon:MinFocalLength", 24}}) {
        if (const auto mm = Num(d.Val(key, id))) {
            ASSERT_TRUE(ours && c.focalUnits && *c.focalUnits != 0) << key;
            EXPECT_NEAR(*ours / static_cast<double>(*c.focalUnits), *mm, 1e-6) << key;
        }
    }
    // exiftool converts the flash compensation to EV; zero stays zero.
    if (const auto ev = Num(d.Val("Canon:FlashExposureComp", 15))) {
        ASSERT_TRUE(c.flashCompensation.has_value());
        EXPECT_EQ(*c.flashCompensation == 0, *ev == 0);
    }
    ExpectText("imageType", c.imageType, Str(d.Val("Canon:CanonImageType", 6)), false);
    ExpectText("firmwareVersion", c.firmwareVersion, Str(d.Val("Canon:CanonFirmwareVersion", 7)),
               false);
    ExpectNumber("fileNumber", c.fileNumber, Num(d.Val("Canon:FileNumber", 8)));
    // The serial number is shown as "%04X%05d" of its two halves, not as one number.
    const auto serial = Num(d.Val("Canon:SerialNumber", 12));
    ASSERT_EQ(c.serialNumber.has_value(), serial.has_value());
    if (serial) {
        EXPECT_EQ(*c.serialNumber, CanonSerial(*serial));
    }
}

void CompareNikon(const Dump& d, const NikonMakerNote& n) {
    const auto iso = Str(d.Val("Nikon:ISO", 2));
    if (iso) {
        unsigned first = 0, second = 0;
        ASSERT_EQ(std::sscanf(iso->c_str(), "%u %u", &first, &second), 2);
        EXPECT_EQ(n.isoValue0, first);
        EXPECT_EQ(n.isoSetting, second);
    }
    // Only the "Nikon" header with an embedded TIFF header is read: older notes
    // keep their tags under other numbers, so exiftool's ids decide what to compare.
    const std::tuple<const char*, const std::optional<std::string>*, int> texts[] = {
        {"Nikon:ColorMode", &n.colorMode, 3},
        {"Nikon:Quality", &n.quality, 4},
        {"Nikon:WhiteBalance", &n.whiteBalance, 5},
        {"Nikon:Sharpness", &n.sharpness, 6},
        {"Nikon:FocusMode", &n.focusMode, 7},
        {"Nikon:FlashSetting", &n.flashSetting, 8},
        {"Nikon:ISOSelection", &n.isoSelection, 15},
        {"Nikon:ImageAdjustment", &n.imageAdjustment, 128}};
    for (const auto& [key, ours, id] : texts) {
        if (const auto theirs = Str(d.Val(key, id))) {
            ExpectText(key, *ours, theirs, false);
        }
    }
}

// A number of a maker note: present exactly when exiftool read it.
template <typename T>
void ExpectNoteNumber(const Dump& d, const char* key, double id, const std::optional<T>& ours) {
    ExpectNumber(key, ours, Num(d.Val(key, id)));
}

void CompareSony(const Dump& d, const SonyMakerNote& n) {
    ExpectNoteNumber(d, "Sony:Quality", 0x0102, n.quality);
    ExpectNoteNumber(d, "Sony:WhiteBalance", 0x0115, n.whiteBalance);
    ExpectNoteNumber(d, "Sony:FocusMode", 0x201B, n.focusMode);
    ExpectNoteNumber(d, "Sony:LensType", 0xB027, n.lensType);
    ExpectText("creativeStyle", n.creativeStyle, Str(d.Val("Sony:CreativeStyle", 0xB020)), true);
}

void ComparePanasonic(const Dump& d, const PanasonicMakerNote& n) {
    ExpectNoteNumber(d, "Panasonic:ImageQuality", 0x0001, n.quality);
    ExpectNoteNumber(d, "Panasonic:WhiteBalance", 0x0003, n.whiteBalance);
    ExpectNoteNumber(d, "Panasonic:FocusMode", 0x0007, n.focusMode);
    // A temperature of 0 means none was set: exiftool shows the 0.
    const auto kelvin = Num(d.Val("Panasonic:ColorTempKelvin", 0x0044));
    ExpectNumber("colorTemperature", n.colorTemperature,
                 kelvin && *kelvin != 0 ? kelvin : std::nullopt);
    ExpectText("lensModel", n.lensModel, Str(d.Val("Panasonic:LensType", 0x0051)), true);
}

// The located JPEG of a stripped RAW sample is exiftool's placeholder text or a JPEG.
void ExpectEmbeddedData(const std::string& bytes, std::uint64_t pos, std::uint32_t length,
                        const char* what) {
    SCOPED_TRACE(what);
    ASSERT_LE(pos + length, bytes.size());
    const std::string head = bytes.substr(pos, 6);
    EXPECT_TRUE(head == "<Dummy" || head.substr(0, 2) == "\xFF\xD8") << "at " << pos;
}

void CompareSample(const fs::path& rel) {
    SCOPED_TRACE(rel.string());
    const fs::path path = kSamples / rel;
    const int kind = KindOf(path);
    const std::string bytes = ReadAll(path);
    CRawParser p;
    if (kind < 0) {
        // BMP, GIF, ICO, PSD are not parsed for metadata; none may look like TIFF.
        EXPECT_FALSE(p.Open(path, kRawKindTiff));
        return;
    }
    const Dump d = LoadDump(rel);
    if (!p.Open(path, kind)) {
        EXPECT_EQ(kind, kRawKindJpeg);
        EXPECT_TRUE(NoExifBeforeTheScan(bytes)) << "a JPEG with EXIF was not read";
        return;
    }
    ImageInfo i;
    ShootingInfo s;
    MakerNote note;
    p.GetImageInfo(i);
    p.GetShootingInfo(s);
    p.GetMakerNote(note);

    if (kind == kRawKindCrw) {
        // All EXIF of a .crw comes from its sidecar, which these samples lack.
        EXPECT_FALSE(i.make.has_value());
        if (const auto name = Str(d.Val("CanonRaw:ThumbnailFileName"));
            name && p.HasSidecarThumbnail()) {
            EXPECT_EQ(p.GetSidecarName(), *name);
        }
        if (p.GetPreviewLength() != 0) {
            ExpectEmbeddedData(bytes, p.GetPreviewPosition(), p.GetPreviewLength(), "preview");
        }
        return;
    }

    ExpectText("make", i.make, Str(d.Val("IFD0:Make")), true);
    ExpectText("model", i.model, Str(d.Val("IFD0:Model")), true);
    ExpectNumber("orientation", i.orientation, Num(d.Val("IFD0:Orientation")));
    ExpectText("dateTime", i.dateTime, Str(d.Val("IFD0:ModifyDate")), false);
    auto original = Str(d.Val("ExifIFD:DateTimeOriginal"));
    if (!original) {
        original = Str(d.Val("IFD0:DateTimeOriginal"));
    }
    ExpectText("shootingDateTime", i.shootingDateTime, original, false);
    ExpectNumber("compression", i.compression, Num(d.Val("IFD0:Compression")));
    // Each SubIFD's size overwrites IFD0's.
    ExpectNumber("width", i.width,
                 Num(d.LastMatching(std::regex("(IFD0|SubIFD[0-9]*):ImageWidth"))));
    ExpectNumber("height", i.height,
                 Num(d.LastMatching(std::regex("(IFD0|SubIFD[0-9]*):ImageHeight"))));

    const auto exposure = Num(d.Val("ExifIFD:ExposureTime"));
    ExpectNumber("shutterSpeed", s.shutterSpeed,
                 exposure ? std::optional(1.0 / *exposure) : std::nullopt, 1e-4);
    ExpectNumber("fNumber", s.fNumber, Num(d.Val("ExifIFD:FNumber")), 1e-5);
    ExpectNumber("exposureProgram", s.exposureProgram, Num(d.Val("ExifIFD:ExposureProgram")));
    ExpectNumber("iso", s.iso, Num(d.Val("ExifIFD:ISO")));
    ExpectText("exifVersion", s.exifVersion, Str(d.Val("ExifIFD:ExifVersion")), false);
    ExpectNumber("exposureBias", s.exposureBias, Num(d.Val("ExifIFD:ExposureCompensation")), 1e-5);
    ExpectNumber("maxApertureF", s.maxApertureF, Num(d.Val("ExifIFD:MaxApertureValue")), 1e-5);
    ExpectNumber("subjectDistance", s.subjectDistance, Num(d.Val("ExifIFD:SubjectDistance")), 1e-5);
    ExpectNumber("meteringMode", s.meteringMode, Num(d.Val("ExifIFD:MeteringMode")));
    ExpectNumber("lightSource", s.lightSource, Num(d.Val("ExifIFD:LightSource")));
    ExpectNumber("flash", s.flash, Num(d.Val("ExifIFD:Flash")));
    ExpectNumber("focalLength", s.focalLength, Num(d.Val("ExifIFD:FocalLength")), 1e-5);
    ExpectNumber("whiteBalance", s.whiteBalance, Num(d.Val("ExifIFD:WhiteBalance")));
    ExpectNumber("colorSpace", s.colorSpace, Num(d.Val("ExifIFD:ColorSpace")));
    if (kind == kRawKindNef) {
        // A .nef's pixel size is its last SubIFD's image size.
        EXPECT_EQ(s.pixelX, i.width);
        EXPECT_EQ(s.pixelY, i.height);
    } else {
        ExpectNumber("pixelX", s.pixelX, Num(d.Val("ExifIFD:ExifImageWidth")));
        ExpectNumber("pixelY", s.pixelY, Num(d.Val("ExifIFD:ExifImageHeight")));
    }

    switch (p.GetMakerNoteKind()) {
    case kMakerNoteCanon:
        EXPECT_NE(i.make->find("Canon"), std::string::npos);
        CompareCanon(d, std::get<CanonMakerNote>(note));
        break;
    case kMakerNoteNikon:
        CompareNikon(d, std::get<NikonMakerNote>(note));
        break;
    case kMakerNoteFujifilm:
        if (const auto serial = Str(d.Val("FujiFilm:InternalSerialNumber", 16))) {
            EXPECT_EQ(std::get<FujifilmMakerNote>(note).serialNumber, serial);
        }
        break;
    case kMakerNoteSony:
        CompareSony(d, std::get<SonyMakerNote>(note));
        break;
    case kMakerNotePanasonic:
        ComparePanasonic(d, std::get<PanasonicMakerNote>(note));
        break;
    default:
        // Maker notes are decoded by kind: a .raf's and other makers' are not read.
        EXPECT_TRUE(std::holds_alternative<std::monostate>(note));
    }

    // Thumbnail and preview positions.
    if (kind == kRawKindNef) {
        // Candidates: the SubIFD JPEG and the Nikon preview IFD's; the longer is the preview.
        const auto subLength = Num(d.Val("SubIFD:JpgFromRawLength"));
        const auto mnLength = Num(d.Val("PreviewIFD:PreviewImageLength"));
        ASSERT_TRUE(subLength && mnLength);
        EXPECT_EQ(p.GetPreviewLength(), std::max(*subLength, *mnLength));
        EXPECT_EQ(p.GetThumbnailLength(), *mnLength); // the shortest came from the maker note
    } else if (kind == kRawKindMrw) {
        // The Minolta note's offset is relative to the TIFF block inside the container.
        const auto start = Num(d.Val("Minolta:PreviewImageStart"));
        ASSERT_TRUE(start);
        EXPECT_EQ(p.GetPreviewPosition(), p.GetTiffBase() + *start);
        EXPECT_EQ(p.GetThumbnailPosition(), p.GetPreviewPosition());
        ExpectNumber("previewLength", std::optional(p.GetPreviewLength()),
                     Num(d.Val("Minolta:PreviewImageLength")));
    } else if (const auto thumbLength = Num(d.Val("IFD1:ThumbnailLength"))) {
        EXPECT_EQ(p.GetThumbnailLength(), *thumbLength);
        if (*thumbLength != 0) {
            EXPECT_EQ(p.GetThumbnailPosition(), *Num(d.Val("IFD1:ThumbnailOffset")));
        }
    } else {
        EXPECT_EQ(p.GetThumbnailLength(), 0u);
    }
    if (kind == kRawKindCr2) {
        EXPECT_EQ(p.GetPreviewPosition(), *Num(d.Val("IFD0:PreviewImageStart")));
        EXPECT_EQ(p.GetPreviewLength(), *Num(d.Val("IFD0:PreviewImageLength")));
    }
    if (kind != kRawKindJpeg && kind != kRawKindTiff) {
        ExpectEmbeddedData(bytes, p.GetPreviewPosition(), p.GetPreviewLength(), "preview");
        ExpectEmbeddedData(bytes, p.GetThumbnailPosition(), p.GetThumbnailLength(), "thumbnail");
    }
}

void CompareFolder(const char* folder) {
    if (!fs::is_directory(kSamples / folder)) {
        GTEST_SKIP() << "samples not found at " << kSamples;
    }
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(kSamples / folder)) {
        files.push_back(fs::relative(entry.path(), kSamples));
    }
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty());
    for (const fs::path& rel : files) {
        CompareSample(rel);
    }
}

} // namespace

TEST(RawParserSamples, CameraJpeg) {
    CompareFolder("camera-jpeg");
}
TEST(RawParserSamples, Orientation) {
    CompareFolder("orientation");
}
TEST(RawParserSamples, MakerNotes) {
    CompareFolder("makernotes");
}
TEST(RawParserSamples, Raw) {
    CompareFolder("raw");
}
TEST(RawParserSamples, Tiff) {
    CompareFolder("tiff");
}
TEST(RawParserSamples, Misc) {
    CompareFolder("misc");
}

TEST(RawParserSamples, RafReadsItsHeaderAndJpeg) {
    const fs::path path = kSamples / "raw/FujiFilm.raf";
    if (!fs::exists(path)) {
        GTEST_SKIP() << "samples not found";
    }
    CRawParser p;
    ASSERT_TRUE(p.Open(path, kRawKindRaf));
    const std::string bytes = ReadAll(path);
    const auto be32 = [&](std::size_t at) {
        return (std::uint32_t(std::uint8_t(bytes[at])) << 24) |
               (std::uint32_t(std::uint8_t(bytes[at + 1])) << 16) |
               (std::uint32_t(std::uint8_t(bytes[at + 2])) << 8) |
               std::uint32_t(std::uint8_t(bytes[at + 3]));
    };
    EXPECT_EQ(p.GetPreviewPosition(), be32(84));
    EXPECT_EQ(p.GetPreviewLength(), be32(88));
    EXPECT_EQ(p.GetPreviewLength(), 12167u); // exiftool: PreviewImage, 12167 bytes
    // The JPEG's own EXIF thumbnail lies inside the preview.
    EXPECT_EQ(p.GetThumbnailPosition(), 2704u);
    EXPECT_EQ(p.GetThumbnailLength(), 9362u);
}
