// lumora-inspect: its JSON keys and types stay stable, bad files are reported
// one line each without stopping the run, and extraction writes exact bytes.
#include "MiniJson.h"
#include "TiffBuilder.h"

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
