// lumora-inspect: its JSON keys and types stay stable, bad files are reported
// one line each without stopping the run, and extraction writes exact bytes.
#include "MiniJson.h"
#include "TiffBuilder.h"

#include "engine/ImageItemList.h"
#include "imaging/ImageKind.h"
#include "imaging/ImageLoader.h"
#include "imaging/PictureDecoder.h"
#include "imaging/ThumbnailDecoder.h"
#include "samples/Canvas.h"
#include "samples/SampleGen.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

using lumora::testing::JsonReader;
using lumora::testing::JsonValue;
using lumora::testing::TiffBuilder;
namespace fs = std::filesystem;

namespace {

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

ToolRun Inspect(const std::string& args, const fs::path& dir) {
    const fs::path tool = fs::path(LUMORA_BINARY_DIR) / "bin" / "lumora-inspect";
    const fs::path errFile = dir / "stderr.txt";
    const std::string command = tool.string() + " " + args + " 2>" + errFile.string();
    ToolRun r;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        return r;
    }
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        r.out.append(buffer, n);
    }
    const int status = ::pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(errFile);
    std::stringstream s;
    s << in.rdbuf();
    r.err = s.str();
    return r;
}

class InspectTool : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("lumora-inspect-test-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        // A JPEG with EXIF, a Nikon maker note and a 6-byte "thumbnail" after IFD1.
        TiffBuilder nikon(false); // the note's own header is ignored: the outer order applies
        nikon.Header();
        nikon.SetIfd0(nikon.Ifd({nikon.Short(2, {0, 0}), nikon.Ascii(4, "FINE")}));
        std::vector<std::uint8_t> note = {'N', 'i', 'k', 'o', 'n', 0, 2, 0x10, 0, 0};
        note.insert(note.end(), nikon.Bytes().begin(), nikon.Bytes().end());
        TiffBuilder b(false);
        b.Header();
        const std::uint32_t noteAt = b.Raw(note);
        const std::uint32_t exif =
            b.Ifd({b.At(37500, 7, static_cast<std::uint32_t>(note.size()), noteAt),
                   b.Rational(33434, 1, 125), b.Rational(37382, 0, 0)});
        thumbAt_ = b.Raw(std::string("THUMB!"));
        const std::uint32_t ifd1 = b.Ifd({b.Long(513, {thumbAt_}), b.Long(514, {6})});
        b.SetIfd0(b.Ifd({b.Ascii(271, "NIKON \"Q\""), b.Long(34665, {exif})}, ifd1));
        Write("good.jpg", lumora::testing::WrapInJpeg(b.Bytes()));
        Write("bad.jpg", {'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'});
        Write("other.bmp", {'B', 'M'});
    }
    void TearDown() override { fs::remove_all(dir_); }
    void Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        std::ofstream(dir_ / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }

    fs::path dir_;
    std::uint32_t thumbAt_ = 0;
};

} // namespace

TEST_F(InspectTool, JsonIsStableAndBadFilesAreReported) {
    const ToolRun r =
        Inspect("--json " + (dir_ / "bad.jpg").string() + " " + (dir_ / "good.jpg").string() + " " +
                    (dir_ / "other.bmp").string() + " " + (dir_ / "missing.nef").string(),
                dir_);
    EXPECT_EQ(r.status, 1);
    // One line per bad file, and the good one still printed.
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 3) << r.err;
    JsonValue all;
    ASSERT_TRUE(JsonReader(r.out).Parse(all)) << r.out;
    ASSERT_EQ(all.type, JsonValue::Type::Array);
    ASSERT_EQ(all.items.size(), 1u);
    const JsonValue& o = all.items[0];
    const std::vector<std::string> keys = {
        "path",      "kind",           "imageInfo", "shootingInfo", "makerNoteKind",
        "makerNote", "captionSummary", "thumbnail", "preview",      "sidecar"};
    EXPECT_EQ(o.keys, keys);
    EXPECT_EQ(o.Find("kind")->number, 0);
    EXPECT_EQ(o.Find("makerNoteKind")->number, 2);
    EXPECT_EQ(o.Find("sidecar")->type, JsonValue::Type::Null);
    const JsonValue* image = o.Find("imageInfo");
    EXPECT_EQ(image->Find("make")->text, "NIKON \"Q\"");
    EXPECT_EQ(image->Find("width")->type, JsonValue::Type::Null);
    const JsonValue* shooting = o.Find("shootingInfo");
    EXPECT_EQ(shooting->Find("shutterSpeed")->type, JsonValue::Type::Number);
    EXPECT_EQ(shooting->Find("shutterSpeed")->number, 125);
    EXPECT_EQ(shooting->Find("subjectDistance")->text, "nan"); // 0/0 stays visible, as text
    const JsonValue* note = o.Find("makerNote");
    EXPECT_EQ(note->Find("quality")->text, "FINE");
    EXPECT_EQ(note->Find("isoSetting")->number, 0);
    EXPECT_EQ(o.Find("captionSummary")->Find("iso")->number, 0);
    EXPECT_EQ(o.Find("thumbnail")->Find("offset")->number, 12 + thumbAt_);
    EXPECT_EQ(o.Find("thumbnail")->Find("length")->number, 6);
}

TEST_F(InspectTool, ExtractsTheThumbnailBytes) {
    const fs::path out = dir_ / "thumb.jpg";
    ToolRun r =
        Inspect("--extract-thumbnail " + out.string() + " " + (dir_ / "good.jpg").string(), dir_);
    EXPECT_EQ(r.status, 0) << r.err;
    std::ifstream in(out, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    EXPECT_EQ(s.str(), "THUMB!");
    // No preview in a JPEG: a message and a non-zero status.
    r = Inspect("--extract-preview " + (dir_ / "p.jpg").string() + " " +
                    (dir_ / "good.jpg").string(),
                dir_);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no embedded preview"), std::string::npos);
}

namespace {

std::vector<std::uint8_t> Encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return {bytes.begin(), bytes.end()};
}

void Be32(std::vector<std::uint8_t>& to, std::uint32_t v) {
    to.insert(to.end(), {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8),
                         std::uint8_t(v)});
}

// A 2 x 2 layered-image file with a raw composite and a JPEG thumbnail
// resource (id 1036), which is what the thumbnail is made from.
std::vector<std::uint8_t> TinyPsd(const std::vector<std::uint8_t>& jpeg) {
    std::vector<std::uint8_t> psd = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0,
                                     3,   0,   0,   0,   2, 0, 0, 0, 2, 0, 8, 0, 3};
    Be32(psd, 0); // no colour data
    std::vector<std::uint8_t> resource = {'8', 'B', 'I', 'M', 0x04, 0x0C, 0, 0};
    std::vector<std::uint8_t> data;
    for (std::uint32_t v : {1u, 40u, 30u, 120u, 3600u, static_cast<std::uint32_t>(jpeg.size())})
        Be32(data, v);
    data.insert(data.end(), {0, 24, 0, 1});
    data.insert(data.end(), jpeg.begin(), jpeg.end());
    Be32(resource, static_cast<std::uint32_t>(data.size()));
    resource.insert(resource.end(), data.begin(), data.end());
    if (resource.size() % 2)
        resource.push_back(0);
    Be32(psd, static_cast<std::uint32_t>(resource.size()));
    psd.insert(psd.end(), resource.begin(), resource.end());
    Be32(psd, 0);                  // no layers
    psd.insert(psd.end(), {0, 0}); // raw planes follow
    psd.insert(psd.end(), {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255});
    return psd;
}

// The 1 x 1 picture most GIF encoders write for a blank pixel.
const std::vector<std::uint8_t> kTinyGif = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01,
                                            0x00, 0x80, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00,
                                            0xFF, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01,
                                            0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};

QImage Png(const fs::path& path) {
    return QImage(QString::fromStdString(path.string())).convertToFormat(QImage::Format_RGB888);
}

} // namespace

// Every kind the program shows renders, with or without metadata the parser
// knows, and the renders are the engine's thumbnail and the preview's picture.
TEST_F(InspectTool, RendersEveryKindTheProgramShows) {
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(QColor(10, 200, 30));
    std::vector<std::uint8_t> ico = Encoded(picture, "ICO");
    std::vector<std::uint8_t> cur = ico;
    if (cur.size() > 2)
        cur[2] = 2; // the same directory marked as a cursor
    Write("a.bmp", Encoded(picture, "BMP"));
    Write("b.gif", kTinyGif);
    Write("c.ico", ico);
    Write("d.cur", cur);
    Write("e.psd", TinyPsd(Encoded(picture, "JPEG")));
    Write("f.jpg", Encoded(picture, "JPEG")); // no EXIF at all
    for (const char* name : {"a.bmp", "b.gif", "c.ico", "d.cur", "e.psd", "f.jpg"}) {
        SCOPED_TRACE(name);
        const fs::path file = dir_ / name;
        const fs::path thumb = dir_ / (std::string(name) + ".t.png");
        const fs::path preview = dir_ / (std::string(name) + ".p.png");
        const ToolRun r = Inspect("--render-thumbnail " + thumb.string() + " --render-preview " +
                                      preview.string() + " " + file.string(),
                                  dir_);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(r.err.empty()) << r.err;

        lumora::ImageItem item =
            lumora::ImageItem::FromPath(file.string(), lumora::kindFromExtension(name));
        lumora::ScanItemInfo(item);
        lumora::DecodeThumbnail(item, lumora::ThumbnailBox{160, 120, true});
        ASSERT_EQ(item.thumb.thumbReal, 1);
        EXPECT_EQ(Png(thumb), lumora::QImageFromDib(item.thumb.thumbBits));
        const lumora::DecodeOutput out = lumora::DecodeForLoader(item, 0, lumora::CancelTest{}, {});
        ASSERT_FALSE(out.image.isNull());
        EXPECT_EQ(Png(preview), lumora::QImageFromDib(out.image));
    }
    // --kind still forces the kind: a JPEG read as TIFF is no picture.
    const fs::path forced = dir_ / "forced.png";
    const ToolRun r = Inspect(
        "--kind 257 --render-thumbnail " + forced.string() + " " + (dir_ / "f.jpg").string(), dir_);
    EXPECT_NE(r.out.find("from the placeholder"), std::string::npos) << r.out;
    // Without a render, a picture without metadata is still reported.
    const ToolRun plain = Inspect((dir_ / "a.bmp").string(), dir_);
    EXPECT_EQ(plain.status, 1);
    EXPECT_NE(plain.err.find("unrecognised file kind"), std::string::npos);
}

// A TIFF stored turned or mirrored renders upright through the program's
// own decode and thumbnail, in every orientation, without a second turn by
// its EXIF orientation.
TEST_F(InspectTool, TiffInEveryOrientationRendersUpright) {
    namespace samples = lumora::samples;
    const samples::Canvas upright =
        samples::renderSamplePicture(300, 225, "t.tif", "TIFF UPRIGHT", 43);
    const QImage expected(upright.pixels().data(), 300, 225, 300 * 3, QImage::Format_RGB888);
    QImage uprightThumb;
    for (int o = 1; o <= 8; ++o) {
        for (bool tiled : {false, true}) {
            SCOPED_TRACE("orientation " + std::to_string(o) + (tiled ? ", tiles" : ", strips"));
            const fs::path sub = dir_ / ("o" + std::to_string(o) + (tiled ? "t" : "s"));
            fs::create_directories(sub);
            samples::writeOrientedTiff(sub.string(), "t.tif", o, tiled);
            const fs::path thumb = sub / "thumb.png", preview = sub / "preview.png";
            const ToolRun r =
                Inspect("--render-thumbnail " + thumb.string() + " --render-preview " +
                            preview.string() + " " + (sub / "t.tif").string(),
                        dir_);
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_NE(r.out.find("preview: 300x225 (picture 300x225)"), std::string::npos) << r.out;
            EXPECT_EQ(Png(preview), expected);
            const QImage t = Png(thumb);
            EXPECT_EQ(t.size(), QSize(160, 120));
            if (uprightThumb.isNull())
                uprightThumb = t;
            EXPECT_EQ(t, uprightThumb);
        }
    }
}

TEST_F(InspectTool, ZeroExposureTimeIsNull) {
    TiffBuilder b(true);
    b.Header();
    const std::uint32_t exif = b.Ifd({b.Rational(33434, 0, 1)});
    b.SetIfd0(b.Ifd({b.Ascii(271, "Maker"), b.Long(34665, {exif})}));
    Write("zero.jpg", lumora::testing::WrapInJpeg(b.Bytes()));
    const ToolRun r = Inspect("--json " + (dir_ / "zero.jpg").string(), dir_);
    EXPECT_EQ(r.status, 0) << r.err;
    JsonValue all;
    ASSERT_TRUE(JsonReader(r.out).Parse(all)) << r.out;
    ASSERT_EQ(all.items.size(), 1u);
    const JsonValue* shooting = all.items[0].Find("shootingInfo");
    EXPECT_EQ(shooting->Find("shutterSpeed")->type, JsonValue::Type::Null) << r.out;
    EXPECT_EQ(all.items[0].Find("captionSummary")->Find("shutterSpeed")->type,
              JsonValue::Type::Null);
}

TEST_F(InspectTool, CurrentRawKindsInTextJsonAndBothRenders) {
    namespace smp = lumora::samples;
    const std::vector<smp::WrittenSample> written = {
        smp::writeCr3(dir_.string(), "a.cr3"), smp::writeArw(dir_.string(), "b.ARW"),
        smp::writeDng(dir_.string(), "c.dng"), smp::writeRw2(dir_.string(), "d.rw2")};
    for (const auto& w : written) {
        SCOPED_TRACE(w.name);
        const fs::path file = dir_ / w.name;
        const fs::path thumb = dir_ / (w.name + ".t.png");
        const fs::path preview = dir_ / (w.name + ".p.png");
        const ToolRun r = Inspect("--json --render-thumbnail " + thumb.string() +
                                      " --render-preview " + preview.string() + " " +
                                      file.string(),
                                  dir_);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out.find("from the placeholder"), std::string::npos) << r.out;
        const ToolRun j = Inspect("--json " + file.string(), dir_);
        JsonValue all;
        ASSERT_TRUE(JsonReader(j.out).Parse(all)) << j.out;
        ASSERT_EQ(all.items.size(), 1u);
        const JsonValue& o = all.items.front();
        EXPECT_EQ(o.Find("kind")->number, w.kind);
        EXPECT_EQ(o.Find("imageInfo")->Find("model")->text, w.camera.model);
        EXPECT_EQ(o.Find("preview")->Find("offset")->number, double(w.preview.offset));
        EXPECT_EQ(o.Find("preview")->Find("width")->number, w.width);
        EXPECT_EQ(o.Find("thumbnail")->Find("length")->number, double(w.thumbnail.length));
        const QImage t(QString::fromStdString(thumb.string()));
        const QImage p(QString::fromStdString(preview.string()));
        EXPECT_LE(std::max(t.width(), t.height()), 160);
        EXPECT_GT(t.width(), 0);
        EXPECT_EQ(p.width(), w.width);
        EXPECT_EQ(p.height(), w.height);

        const ToolRun text = Inspect(file.string(), dir_);
        EXPECT_EQ(text.status, 0) << text.err;
        EXPECT_NE(text.out.find("preview.width: " + std::to_string(w.width)), std::string::npos)
            << text.out;
    }
}

TEST_F(InspectTool, PhoneAndWebPicturesInTextJsonAndBothRenders) {
    const fs::path modern = fs::path(LUMORA_SHARED_SAMPLES) / "modern";
    if (!fs::is_directory(modern))
        GTEST_SKIP() << "no shared samples";
    struct Case {
        const char* name;
        int kind, width, height;
        const char* model; // null: no EXIF model
    } cases[] = {{"immich-samsung-one-ui-6.heic", 263, 3000, 4000, "SM-S906U"},
                 {"immich-8bit-sRGB.avif", 264, 1617, 1080, nullptr},
                 {"immich-density_plot.png", 265, 800, 800, nullptr},
                 {"immich-denali.webp", 266, 600, 315, "Canon EOS 7D"},
                 {"immich-8bit-sRGB.jxl", 267, 1440, 1080, nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = modern / c.name;
        const fs::path thumb = dir_ / (std::string(c.name) + ".t.png");
        const fs::path preview = dir_ / (std::string(c.name) + ".p.png");
        const ToolRun r = Inspect("--render-thumbnail " + thumb.string() + " --render-preview " +
                                      preview.string() + " " + file.string(),
                                  dir_);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out.find("from the placeholder"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("imageInfo.width: " + std::to_string(c.width)), std::string::npos)
            << r.out;
        const QImage p(QString::fromStdString(preview.string()));
        EXPECT_EQ(p.width(), c.width); // upright: HEIF turned by its own rotation only
        EXPECT_EQ(p.height(), c.height);
        const QImage t(QString::fromStdString(thumb.string()));
        EXPECT_EQ(std::max(t.width(), t.height()), 160);

        const ToolRun j = Inspect("--json " + file.string(), dir_);
        EXPECT_EQ(j.status, 0) << j.err;
        JsonValue all;
        ASSERT_TRUE(JsonReader(j.out).Parse(all)) << j.out;
        ASSERT_EQ(all.items.size(), 1u);
        const JsonValue& o = all.items.front();
        EXPECT_EQ(o.Find("kind")->number, c.kind);
        EXPECT_EQ(o.Find("imageInfo")->Find("height")->number, c.height);
        const JsonValue* model = o.Find("imageInfo")->Find("model");
        if (c.model) {
            EXPECT_EQ(model->text, c.model);
        } else {
            EXPECT_EQ(model->type, JsonValue::Type::Null);
        }
        EXPECT_EQ(o.Find("thumbnail")->Find("length")->number, 0);
    }
}
