// Cross-checks the generated files with exiftool, when it is installed: it
// must read the camera values we wrote and find the embedded JPEGs where the
// generator says they are.
#include "SampleTestSupport.h"

#include "samples/SampleGen.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <map>

using namespace lumora::samples;

namespace {

bool haveExiftool() {
    int code = 0;
    runCommand("exiftool -ver 2>/dev/null", code);
    return code == 0;
}

class ExiftoolReading : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!haveExiftool())
            return;
        dir_ = new TempDir("samplegen-exiftool");
        written_ = new std::vector<WrittenSample>(writeSampleFolder(dir_->path()));
        int code = 0;
        const std::string json =
            runCommand("cd '" + dir_->path() + "' && exiftool -j -b -n -G1 -a . 2>/dev/null", code);
        const QJsonArray all = QJsonDocument::fromJson(QByteArray::fromStdString(json)).array();
        readings_ = new std::map<std::string, QJsonObject>;
        for (const auto& v : all) {
            const QJsonObject o = v.toObject();
            std::string name = o.value("SourceFile").toString().toStdString();
            if (name.rfind("./", 0) == 0)
                name = name.substr(2);
            (*readings_)[name] = o;
        }
    }
    static void TearDownTestSuite() {
        delete readings_;
        delete written_;
        delete dir_;
        readings_ = nullptr;
        written_ = nullptr;
        dir_ = nullptr;
    }
    void SetUp() override {
        if (!dir_)
            GTEST_SKIP() << "exiftool is not installed";
    }

    // Bytes exiftool extracts for one binary tag ("Group:Tag").
    static std::vector<uint8_t> extract(const std::string& file, const std::string& tag) {
        int code = 0;
        const std::string out = runCommand(
            "exiftool -b -'" + tag + "' '" + dir_->path() + "/" + file + "' 2>/dev/null", code);
        return {out.begin(), out.end()};
    }

    // Some binary tag of the reading holds exactly the file's bytes at `where`
    // (exiftool mends a damaged SOI on extraction, so the marker is skipped).
    static ::testing::AssertionResult exiftoolFinds(const WrittenSample& w, EmbeddedJpeg where) {
        const QJsonObject& r = readings_->at(w.name);
        const std::vector<uint8_t> file = readFile(dir_->path() + "/" + w.name);
        auto same = [&](const std::vector<uint8_t>& got) {
            return got.size() == where.length &&
                   std::equal(got.begin() + 2, got.end(),
                              file.begin() + std::ptrdiff_t(where.offset + 2));
        };
        // Binary values come inline as base64 with -b ...
        for (auto it = r.begin(); it != r.end(); ++it) {
            const QString v = it.value().toString();
            if (!v.startsWith("base64:"))
                continue;
            const QByteArray raw = QByteArray::fromBase64(v.mid(7).toLatin1());
            if (same({raw.begin(), raw.end()}))
                return ::testing::AssertionSuccess();
        }
        // ... except some, which need their own extraction.
        const std::string sizeText = "(Binary data " + std::to_string(where.length) + " bytes";
        std::string tried;
        for (auto it = r.begin(); it != r.end(); ++it) {
            if (!it.value().isString() ||
                it.value().toString().toStdString().rfind(sizeText, 0) != 0)
                continue;
            const std::vector<uint8_t> got = extract(w.name, it.key().toStdString());
            tried += it.key().toStdString() + " ";
            if (same(got))
                return ::testing::AssertionSuccess();
        }
        // exiftool leaves the PSD thumbnail out of -j -b output.
        if (w.kind == kKindPsd && same(extract(w.name, "Photoshop:PhotoshopThumbnail")))
            return ::testing::AssertionSuccess();
        // Nor the RW2's JpgFromRaw.
        if (w.kind == kKindRw2 && same(extract(w.name, "IFD0:JpgFromRaw")))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "no exiftool binary tag of " << where.length
                                             << " bytes matches (tried: " << tried << ")";
    }

    // Some "...Offset"/"...Start" value equals the offset, with its length.
    static bool offsetReported(const QJsonObject& r, uint64_t offset, uint64_t length) {
        for (auto it = r.begin(); it != r.end(); ++it) {
            const QString key = it.key();
            if (!(key.endsWith("Offset") || key.endsWith("Start") || key.endsWith("StripOffsets")))
                continue;
            if (it.value().toDouble() != double(offset))
                continue;
            QString lengthKey = key;
            lengthKey.replace("ThumbnailOffset", "ThumbnailLength")
                .replace("Start", "Length")
                .replace("StripOffsets", "StripByteCounts");
            if (r.value(lengthKey).toDouble() == double(length))
                return true;
        }
        return false;
    }

    static TempDir* dir_;
    static std::vector<WrittenSample>* written_;
    static std::map<std::string, QJsonObject>* readings_;
};
TempDir* ExiftoolReading::dir_ = nullptr;
std::vector<WrittenSample>* ExiftoolReading::written_ = nullptr;
std::map<std::string, QJsonObject>* ExiftoolReading::readings_ = nullptr;

double num(const QJsonObject& r, const char* key) {
    return r.value(key).toDouble(NAN);
}

} // namespace

TEST_F(ExiftoolReading, ReadsEveryFileWithoutWarnings) {
    for (const auto& w : *written_) {
        ASSERT_TRUE(readings_->count(w.name)) << w.name;
        const QJsonObject& r = readings_->at(w.name);
        EXPECT_FALSE(r.contains("ExifTool:Warning"))
            << w.name << ": " << r.value("ExifTool:Warning").toString().toStdString();
        EXPECT_FALSE(r.contains("ExifTool:Error")) << w.name;
    }
}

TEST_F(ExiftoolReading, CameraValuesAreThoseWritten) {
    for (const auto& w : *written_) {
        if (!w.hasExif || w.kind == kKindCrw)
            continue;
        SCOPED_TRACE(w.name);
        const QJsonObject& r = readings_->at(w.name);
        const CameraInfo& c = w.camera;
        EXPECT_EQ(r.value("IFD0:Make").toString().toStdString(), c.make);
        EXPECT_EQ(r.value("IFD0:Model").toString().toStdString(), c.model);
        EXPECT_EQ(num(r, "IFD0:Orientation"), c.orientation);
        EXPECT_EQ(r.value("IFD0:ModifyDate").toString().toStdString(), c.dateTime);
        EXPECT_EQ(r.value("ExifIFD:DateTimeOriginal").toString().toStdString(), c.dateTimeOriginal);
        EXPECT_NEAR(num(r, "ExifIFD:ExposureTime"), double(c.exposureNum) / c.exposureDen, 1e-9);
        EXPECT_NEAR(num(r, "ExifIFD:FNumber"), double(c.fNumberNum) / c.fNumberDen, 1e-9);
        EXPECT_NEAR(num(r, "ExifIFD:ExposureCompensation"), double(c.biasNum) / c.biasDen, 1e-9);
        if (c.writeExposureProgram)
            EXPECT_EQ(num(r, "ExifIFD:ExposureProgram"), c.exposureProgram);
        else
            EXPECT_FALSE(r.contains("ExifIFD:ExposureProgram"));
        EXPECT_EQ(num(r, "ExifIFD:ISO"), c.iso);
        EXPECT_EQ(num(r, "ExifIFD:MeteringMode"), c.meteringMode);
        EXPECT_EQ(num(r, "ExifIFD:LightSource"), c.lightSource);
        EXPECT_EQ(num(r, "ExifIFD:Flash"), c.flash);
        EXPECT_NEAR(num(r, "ExifIFD:FocalLength"), double(c.focalNum) / c.focalDen, 1e-9);
        EXPECT_EQ(num(r, "ExifIFD:WhiteBalance"), c.whiteBalance);
        EXPECT_EQ(num(r, "ExifIFD:ColorSpace"), c.colorSpace);
        EXPECT_NEAR(num(r, "ExifIFD:MaxApertureValue"),
                    std::pow(2.0, double(c.maxApertureNum) / c.maxApertureDen * 0.5), 1e-6);
        EXPECT_EQ(r.value("ExifIFD:ExifVersion").toString().toStdString(), c.exifVersion);
        if (c.pixelX) {
            EXPECT_EQ(num(r, "ExifIFD:ExifImageWidth"), c.pixelX);
            EXPECT_EQ(num(r, "ExifIFD:ExifImageHeight"), c.pixelY);
        }
    }
}

TEST_F(ExiftoolReading, MakerNotesAreRecognised) {
    const QJsonObject& canon = readings_->at("canon-eos.jpg");
    EXPECT_EQ(num(canon, "Canon:ColorTemperature"), 5200);
    EXPECT_EQ(num(canon, "Canon:SerialNumber"), double(canonCamera().canonSerial));
    EXPECT_EQ(num(canon, "Canon:MinFocalLength"), 18);
    const QJsonObject& nikon = readings_->at("nikon-d.jpg");
    EXPECT_EQ(nikon.value("Nikon:Quality").toString(), "FINE");
    EXPECT_EQ(nikon.value("Nikon:ISO").toString(), "0 400");
    EXPECT_EQ(readings_->at("nikon-iso0.jpg").value("Nikon:ISO").toString(), "0 0");
    EXPECT_EQ(num(readings_->at("canon-no-program.jpg"), "Canon:CanonExposureMode"), 3);
    const QJsonObject& fuji = readings_->at("fujifilm-finepix.jpg");
    EXPECT_EQ(fuji.value("FujiFilm:InternalSerialNumber").toString().toStdString(),
              fujifilmCamera().fujifilmSerial);
    const QJsonObject& nef = readings_->at("nikon.nef");
    EXPECT_EQ(num(nef, "PreviewIFD:Compression"), 6);
    const QJsonObject& crw = readings_->at("crw_0042.crw");
    EXPECT_EQ(crw.value("CanonRaw:ThumbnailFileName").toString(), "crw_0042.thm");
    EXPECT_EQ(num(crw, "CanonRaw:ImageWidth"), 3072);
    const QJsonObject& thm = readings_->at("crw_0042.thm");
    EXPECT_EQ(thm.value("IFD0:Make").toString(), "Canon");

    // The notes of current bodies, as their published layouts describe them.
    const QJsonObject& arw = readings_->at("sony.arw");
    EXPECT_EQ(num(arw, "Sony:Quality"), 0);
    EXPECT_EQ(num(arw, "Sony:WhiteBalance"), 0x10);
    EXPECT_EQ(num(arw, "Sony:FocusMode"), 3);
    EXPECT_EQ(arw.value("Sony:CreativeStyle").toString(), "Standard");
    EXPECT_EQ(num(arw, "Sony:LensType"), 32849);
    EXPECT_EQ(arw.value("ExifIFD:LensModel").toString(), "FE 24-70mm F2.8 GM II");
    const QJsonObject& rw2 = readings_->at("panasonic.rw2");
    EXPECT_EQ(num(rw2, "Panasonic:ImageQuality"), 7);
    EXPECT_EQ(num(rw2, "Panasonic:WhiteBalance"), 13);
    EXPECT_EQ(num(rw2, "Panasonic:FocusMode"), 6);
    EXPECT_EQ(num(rw2, "Panasonic:ColorTempKelvin"), 5500);
    EXPECT_EQ(rw2.value("Panasonic:LensType").toString(), "LUMIX G VARIO 12-60/F3.5-5.6");
    EXPECT_EQ(rw2.value("Panasonic:LensSerialNumber").toString(), "XA1234567");
    const QJsonObject& srw = readings_->at("samsung.srw");
    EXPECT_EQ(srw.value("Samsung:FirmwareName").toString(), "GH1HPRB017");
    EXPECT_EQ(srw.value("Samsung:SerialNumber").toString(), "C0RCT5000123");
    EXPECT_EQ(num(srw, "Samsung:LensType"), 17);
    EXPECT_EQ(srw.value("Samsung:LensFirmware").toString(), "L0FW0112");
}

TEST_F(ExiftoolReading, FindsTheSameThumbnailsAndPreviews) {
    for (const auto& w : *written_) {
        SCOPED_TRACE(w.name);
        const QJsonObject& r = readings_->at(w.name);
        for (int which = 0; which < 2; ++which) {
            const EmbeddedJpeg& e = which == 0 ? w.thumbnail : w.preview;
            if (!e.length)
                continue;
            // exiftool gives no position for these, only the bytes.
            // Nor for the pictures in CR3 boxes and the RW2's JpgFromRaw.
            const bool noPosition = w.kind == kKindErf || w.kind == kKindCrw ||
                                    w.kind == kKindPsd || (w.kind == kKindRaf && which == 1) ||
                                    w.kind == kKindCr3 || w.kind == kKindRw2;
            EXPECT_TRUE(exiftoolFinds(w, e)) << "at " << e.offset << "+" << e.length;
            // Where exiftool prints positions they are absolute, except the
            // MRW maker note's, which count from the TIFF block's header.
            if (w.kind == kKindMrw) {
                const std::vector<uint8_t> f = readFile(dir_->path() + "/" + w.name);
                const uint32_t prd = uint32_t(f[12]) << 24 | f[13] << 16 | f[14] << 8 | f[15];
                EXPECT_TRUE(offsetReported(r, e.offset - (8 + 8 + prd + 8), e.length));
            } else if (!noPosition) {
                EXPECT_TRUE(offsetReported(r, e.offset, e.length))
                    << "no offset/length pair " << e.offset << "/" << e.length;
            }
        }
    }
}
