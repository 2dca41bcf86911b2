// The worksheet-list file: magic line, name, entries, line ends, encodings,
// atomic saving; and the export copy.
#include "thumbnails/WorkSheetFile.h"
#include "thumbnails/WorkSheetExport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lumora;
namespace fs = std::filesystem;

namespace {

class TempDir {
public:
    TempDir() {
        std::string t = (fs::temp_directory_path() / "lumora-ws-XXXXXX").string();
        path_ = ::mkdtemp(t.data());
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

void writeBytes(const std::string& path, std::string_view bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), std::streamsize(bytes.size()));
}

std::string readBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

// "ワークシート1" in CP932.
const std::string kCp932Name = "\x83\x8f\x81\x5b\x83\x4e\x83\x56\x81\x5b\x83\x67\x31";
const std::string kUtf8Name = "ワークシート1";

} // namespace

TEST(WorkSheetFileRead, MagicLineMustMatchExactly) {
    WorkSheetList list;
    EXPECT_EQ(ParseWorkSheetList("lumora worksheetfile\r\nA\r\n", list),
              WorkSheetReadStatus::NotAWorkSheet);
    EXPECT_EQ(ParseWorkSheetList("Lumora WorkSheetFile \r\nA\r\n", list),
              WorkSheetReadStatus::NotAWorkSheet);
    EXPECT_EQ(ParseWorkSheetList("", list), WorkSheetReadStatus::NotAWorkSheet);
    EXPECT_EQ(ParseWorkSheetList("Lumora WorkSheetFile", list), WorkSheetReadStatus::Ok);
    EXPECT_EQ(list.name, "");
    EXPECT_TRUE(list.entries.empty());
}

TEST(WorkSheetFileRead, TwoLineFileGivesAnEmptyNamedWorksheet) {
    WorkSheetList list;
    ASSERT_EQ(ParseWorkSheetList("Lumora WorkSheetFile\r\nPicks\r\n", list),
              WorkSheetReadStatus::Ok);
    EXPECT_EQ(list.name, "Picks");
    EXPECT_TRUE(list.entries.empty());
}

TEST(WorkSheetFileRead, CrLfAndLfLineEndsGiveTheSameLines) {
    WorkSheetList a, b, c;
    ASSERT_EQ(ParseWorkSheetList("Lumora WorkSheetFile\r\nN\r\n/a/1.jpg\r\n/a/2.jpg\r\n", a),
              WorkSheetReadStatus::Ok);
    ASSERT_EQ(ParseWorkSheetList("Lumora WorkSheetFile\nN\n/a/1.jpg\n/a/2.jpg", b),
              WorkSheetReadStatus::Ok);
    ASSERT_EQ(ParseWorkSheetList("\xEF\xBB\xBFLumora WorkSheetFile\nN\r\n/a/1.jpg\n/a/2.jpg\n", c),
              WorkSheetReadStatus::Ok);
    for (const WorkSheetList* l : {&a, &b, &c}) {
        EXPECT_EQ(l->name, "N");
        EXPECT_EQ(l->entries, (std::vector<std::string>{"/a/1.jpg", "/a/2.jpg"}));
    }
    // A CR that does not end a line stays part of it.
    ASSERT_EQ(ParseWorkSheetList("Lumora WorkSheetFile\nN\n/a/x\ry.jpg\n", a),
              WorkSheetReadStatus::Ok);
    EXPECT_EQ(a.entries.front(), "/a/x\ry.jpg");
}

TEST(WorkSheetFileRead, Cp932LinesAreDecodedAndUtf8KeptAsIs) {
    EXPECT_EQ(DecodeWorkSheetLine(kCp932Name), kUtf8Name);
    EXPECT_EQ(DecodeWorkSheetLine(kUtf8Name), kUtf8Name);
    EXPECT_EQ(DecodeWorkSheetLine("plain"), "plain");
    // A lone lead byte at the end and an unmapped byte become U+FFFD.
    EXPECT_EQ(DecodeWorkSheetLine("a\x83"), "a\xEF\xBF\xBD");
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));         // overlong "/"
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80")); // above U+10FFFF
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x93\xB7"));

    WorkSheetList list;
    ASSERT_EQ(ParseWorkSheetList("Lumora WorkSheetFile\r\n" + kCp932Name + "\r\n/p/" + kCp932Name +
                                     ".jpg\r\n",
                                 list),
              WorkSheetReadStatus::Ok);
    EXPECT_EQ(list.name, kUtf8Name);
    EXPECT_EQ(list.entries.front(), "/p/" + kUtf8Name + ".jpg");
    EXPECT_EQ(list.rawEntries.front(), "/p/" + kCp932Name + ".jpg");
}

TEST(WorkSheetFileRead, MissingEntriesAreCountedAndNulLinesNeverMatch) {
    TempDir dir;
    writeBytes(dir.file("a.jpg"), "x");
    fs::create_directory(dir.file("sub"));
    WorkSheetList list;
    std::string text = "Lumora WorkSheetFile\nN\n" + dir.file("a.jpg") + "\n\n" +
                       dir.file("gone.jpg") + "\n" + dir.file("sub") + "\n";
    ASSERT_EQ(ParseWorkSheetList(text, list), WorkSheetReadStatus::Ok);
    ResolvedEntries r = ResolveWorkSheetEntries(list);
    EXPECT_EQ(r.existing, (std::vector<std::string>{dir.file("a.jpg"), dir.file("sub")}));
    EXPECT_TRUE(r.anyMissing);

    // "<dir>/a.jpg\0junk" must not be taken as "<dir>/a.jpg".
    std::string withNul =
        "Lumora WorkSheetFile\nN\n" + dir.file("a.jpg") + std::string(1, '\0') + "junk\n";
    ASSERT_EQ(ParseWorkSheetList(withNul, list), WorkSheetReadStatus::Ok);
    r = ResolveWorkSheetEntries(list);
    EXPECT_TRUE(r.existing.empty());
    EXPECT_TRUE(r.anyMissing);
}

TEST(WorkSheetFileRead, AFileStoredUnderItsRawBytesIsFound) {
    TempDir dir;
    const std::string raw = dir.file("\xFF\xFE.jpg"); // not UTF-8, not CP932 either
    writeBytes(raw, "x");
    WorkSheetList list;
    ASSERT_EQ(ParseWorkSheetList("Lumora WorkSheetFile\nN\n" + raw + "\n", list),
              WorkSheetReadStatus::Ok);
    const ResolvedEntries r = ResolveWorkSheetEntries(list);
    EXPECT_EQ(r.existing, std::vector<std::string>{raw});
    EXPECT_FALSE(r.anyMissing);
}

TEST(WorkSheetFileRead, UnreadableFifosDirectoriesAndMissingFilesAreNotOpened) {
    TempDir dir;
    WorkSheetList list;
    EXPECT_EQ(ReadWorkSheetList(dir.file("none.lsl"), list), WorkSheetReadStatus::CannotOpen);
    EXPECT_EQ(ReadWorkSheetList(dir.path(), list), WorkSheetReadStatus::CannotOpen);
    ASSERT_EQ(::mkfifo(dir.file("fifo.lsl").c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadWorkSheetList(dir.file("fifo.lsl"), list), WorkSheetReadStatus::CannotOpen);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(WorkSheetFileWrite, RoundTripOfJapaneseNamesWithCrLfAndNoBom) {
    TempDir dir;
    const std::string target = dir.file("シート.lsl");
    const std::vector<std::string> paths = {"/写真/2024/IMG_0001.JPG", "/photos/b.nef"};
    ASSERT_TRUE(WriteWorkSheetList(target, "選んだ写真", paths));
    const std::string bytes = readBytes(target);
    EXPECT_EQ(bytes,
              "Lumora WorkSheetFile\r\n選んだ写真\r\n/写真/2024/IMG_0001.JPG\r\n/photos/b.nef\r\n");
    WorkSheetList list;
    ASSERT_EQ(ReadWorkSheetList(target, list), WorkSheetReadStatus::Ok);
    EXPECT_EQ(list.name, "選んだ写真");
    EXPECT_EQ(list.entries, paths);

    // An empty worksheet holds only the two header lines.
    ASSERT_TRUE(WriteWorkSheetList(target, "", {}));
    EXPECT_EQ(readBytes(target), "Lumora WorkSheetFile\r\n\r\n");
}

TEST(WorkSheetFileWrite, AFailedSaveLeavesTheOldFileAndNoTemporary) {
    TempDir dir;
    const std::string target = dir.file("keep.lsl");
    ASSERT_TRUE(WriteWorkSheetList(target, "old", {"/a.jpg"}));
    const std::string before = readBytes(target);
    // A line end inside a path would corrupt the list: refused.
    EXPECT_FALSE(WriteWorkSheetList(target, "new", {"/b\n.jpg"}));
    EXPECT_EQ(readBytes(target), before);
    // An unwritable folder: nothing written, nothing reported but false.
    EXPECT_FALSE(WriteWorkSheetList(dir.file("no/such/folder/x.lsl"), "n", {}));
    int files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1);
}

TEST(WorkSheetExportNames, WorksheetNamesBecomeFolderNames) {
    EXPECT_EQ(WorkSheetFolderName("2024/05 旅行"), std::optional<std::string>("2024／05 旅行"));
    EXPECT_EQ(WorkSheetFolderName("ワークシート1"), std::optional<std::string>("ワークシート1"));
    EXPECT_FALSE(WorkSheetFolderName("."));
    EXPECT_FALSE(WorkSheetFolderName(".."));
    EXPECT_FALSE(WorkSheetFolderName(""));
    EXPECT_EQ(ExportDestination("/out", "a.jpg"), "/out/a.jpg");
    EXPECT_EQ(ExportDestination("/out/", "a.jpg"), "/out/a.jpg");
}

TEST(WorkSheetExportCopy, CopiesReplacesAndKeepsModeAndTime) {
    TempDir dir;
    writeBytes(dir.file("a.jpg"), std::string(300000, 'a'));
    ::chmod(dir.file("a.jpg").c_str(), 0640);
    fs::create_directory(dir.file("out"));
    writeBytes(dir.file("out/a.jpg"), "old");
    ASSERT_EQ(CopyFileForExport(dir.file("a.jpg"), dir.file("out/a.jpg")),
              ExportCopyResult::Copied);
    EXPECT_EQ(readBytes(dir.file("out/a.jpg")), std::string(300000, 'a'));
    struct stat s {
    }, d{};
    ::stat(dir.file("a.jpg").c_str(), &s);
    ::stat(dir.file("out/a.jpg").c_str(), &d);
    EXPECT_EQ(d.st_mode & 07777, 0640u);
    EXPECT_EQ(d.st_mtim.tv_sec, s.st_mtim.tv_sec);
    // Only the copy is left in the folder: no temporary file.
    int files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.file("out")))
        ++files;
    EXPECT_EQ(files, 1);
    // Sources that are not regular files are not copied and never block.
    ASSERT_EQ(::mkfifo(dir.file("f.jpg").c_str(), 0600), 0);
    EXPECT_EQ(CopyFileForExport(dir.file("f.jpg"), dir.file("out/f.jpg")),
              ExportCopyResult::Failed);
    EXPECT_EQ(CopyFileForExport(dir.file("missing.jpg"), dir.file("out/m.jpg")),
              ExportCopyResult::Failed);
    EXPECT_FALSE(fs::exists(dir.file("out/f.jpg")));
}

TEST(WorkSheetExportCopy, NewTargetsThroughAnUnnamedFileAndThroughTheNamedFallbackAreAlike) {
    // Unnamed is what the export uses; Named is what it falls back to where
    // the filesystem refuses unnamed files (and for targets that exist).
    for (const ExportTempFile method : {ExportTempFile::Unnamed, ExportTempFile::Named}) {
        SCOPED_TRACE(method == ExportTempFile::Unnamed ? "unnamed" : "named");
        TempDir dir;
        std::string big(3 << 20, '\0');
        for (std::size_t i = 0; i < big.size(); ++i)
            big[i] = char(i * 7 + i / 4096);
        writeBytes(dir.file("a.cr2"), big);
        writeBytes(dir.file("empty.jpg"), "");
        ::chmod(dir.file("a.cr2").c_str(), 0604);
        const struct timespec old[2] = {{1000000000, 0}, {1200000000, 123456789}};
        ::utimensat(AT_FDCWD, dir.file("a.cr2").c_str(), old, 0);
        fs::create_directory(dir.file("out"));
        ASSERT_EQ(CopyFileForExport(dir.file("a.cr2"), dir.file("out/a.cr2"), method),
                  ExportCopyResult::Copied);
        ASSERT_EQ(CopyFileForExport(dir.file("empty.jpg"), dir.file("out/empty.jpg"), method),
                  ExportCopyResult::Copied);
        EXPECT_EQ(readBytes(dir.file("out/a.cr2")), big);
        EXPECT_EQ(fs::file_size(dir.file("out/empty.jpg")), 0u);
        struct stat d {};
        ASSERT_EQ(::stat(dir.file("out/a.cr2").c_str(), &d), 0);
        EXPECT_EQ(d.st_mode & 07777, 0604u);
        EXPECT_EQ(d.st_mtim.tv_sec, 1200000000);
        EXPECT_EQ(d.st_mtim.tv_nsec, 123456789);
        EXPECT_EQ(d.st_nlink, 1u);
        // A second export replaces the first copy in place of the name.
        writeBytes(dir.file("a.cr2"), "newer");
        ASSERT_EQ(CopyFileForExport(dir.file("a.cr2"), dir.file("out/a.cr2"), method),
                  ExportCopyResult::Copied);
        EXPECT_EQ(readBytes(dir.file("out/a.cr2")), "newer");
        // Into a folder that is missing nothing is made, and nothing is left.
        EXPECT_EQ(CopyFileForExport(dir.file("a.cr2"), dir.file("gone/a.cr2"), method),
                  ExportCopyResult::Failed);
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir.file("out")))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"a.cr2", "empty.jpg"}));
        EXPECT_FALSE(fs::exists(dir.file("gone")));
    }
}

TEST(WorkSheetExportCopy, ExportIntoTheSourceFolderLeavesTheFilesIntact) {
    TempDir dir;
    writeBytes(dir.file("a.jpg"), std::string(5000, 'x'));
    EXPECT_EQ(CopyFileForExport(dir.file("a.jpg"), dir.file("a.jpg")), ExportCopyResult::SameFile);
    EXPECT_EQ(CopyFileForExport(dir.file("a.jpg"), dir.path() + "//./a.jpg"),
              ExportCopyResult::SameFile);
    ::link(dir.file("a.jpg").c_str(), dir.file("hard.jpg").c_str());
    EXPECT_EQ(CopyFileForExport(dir.file("a.jpg"), dir.file("hard.jpg")),
              ExportCopyResult::SameFile);
    EXPECT_EQ(readBytes(dir.file("a.jpg")), std::string(5000, 'x'));
}

TEST(WorkSheetExportCopy, FoldersWithEveryMissingLevelAreCreated) {
    TempDir dir;
    EXPECT_TRUE(CreateFolderAllLevels(dir.file("x/y/z")));
    EXPECT_TRUE(fs::is_directory(dir.file("x/y/z")));
    writeBytes(dir.file("plain"), "x");
    EXPECT_FALSE(CreateFolderAllLevels(dir.file("plain/sub")));
}

namespace {
// Collects the worker's messages on the thread that runs the test.
class Collector : public QObject {
public:
    std::vector<std::pair<int, int>> progress;
    std::vector<QString> files;
    std::optional<ExportDoneMessage> done;
    std::function<void()> onFile;
    bool event(QEvent* e) override {
        if (auto* m = MessageCast<ExportProgressMessage>(e)) {
            progress.emplace_back(m->started, m->total);
            return true;
        }
        if (auto* m = MessageCast<ExportFileMessage>(e)) {
            files.push_back(m->destination);
            if (onFile)
                onFile();
            return true;
        }
        if (auto* m = MessageCast<ExportDoneMessage>(e)) {
            done.emplace(m->copied, m->skipped, m->failed, m->cancelled);
            return true;
        }
        return QObject::event(e);
    }
};

int argc0 = 1;
char arg0[] = "test";
char* argv0[] = {arg0, nullptr};
QCoreApplication& app() {
    static QCoreApplication a(argc0, argv0);
    return a;
}
} // namespace

TEST(WorkSheetExportWorker, PostsProgressPerFileAndDoneAtTheEnd) {
    app();
    TempDir dir;
    fs::create_directory(dir.file("out"));
    std::vector<ExportPair> pairs;
    for (int i = 0; i < 3; ++i) {
        writeBytes(dir.file("s" + std::to_string(i) + ".jpg"), std::string(100 + i, 'q'));
        pairs.push_back({dir.file("s" + std::to_string(i) + ".jpg"),
                         dir.file("out/s" + std::to_string(i) + ".jpg")});
    }
    pairs.push_back({dir.file("s0.jpg"), dir.file("s0.jpg")}); // onto itself
    Collector c;
    CExportWorker worker(&c, pairs);
    worker.Start();
    worker.Join();
    QCoreApplication::sendPostedEvents(&c);
    ASSERT_TRUE(c.done);
    EXPECT_EQ(c.done->copied, 3);
    EXPECT_EQ(c.done->skipped, 1);
    EXPECT_FALSE(c.done->cancelled);
    EXPECT_EQ(c.progress, (std::vector<std::pair<int, int>>{{1, 4}, {2, 4}, {3, 4}, {4, 4}}));
    ASSERT_EQ(c.files.size(), 4u);
    EXPECT_EQ(c.files[1].toStdString(), dir.file("out/s1.jpg"));
    EXPECT_EQ(readBytes(dir.file("s0.jpg")), std::string(100, 'q'));
}

TEST(WorkSheetExportWorker, CancelStopsAfterTheCurrentFileAndLeavesNoPartialFile) {
    app();
    TempDir dir;
    fs::create_directory(dir.file("out"));
    std::vector<ExportPair> pairs;
    for (int i = 0; i < 200; ++i) {
        const std::string src = dir.file("s" + std::to_string(i) + ".raw");
        writeBytes(src, std::string(64 * 1024, char('a' + i % 26)));
        pairs.push_back({src, dir.file("out/s" + std::to_string(i) + ".raw")});
    }
    Collector c;
    CExportWorker worker(&c, pairs);
    worker.Start();
    // Cancel as soon as a few files are under way.
    while (!worker.Finished()) {
        int n = 0;
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.file("out")))
            ++n;
        if (n >= 3) {
            worker.Cancel();
            break;
        }
        std::this_thread::yield();
    }
    worker.Join();
    QCoreApplication::sendPostedEvents(&c);
    ASSERT_TRUE(c.done);
    // Every file in the destination is complete; none has a temporary name.
    int complete = 0;
    for (const auto& e : fs::directory_iterator(dir.file("out"))) {
        const std::string name = e.path().filename().string();
        EXPECT_NE(name.front(), '.') << name;
        EXPECT_EQ(fs::file_size(e.path()), 64u * 1024) << name;
        ++complete;
    }
    EXPECT_EQ(complete, c.done->copied);
    if (c.done->cancelled) {
        EXPECT_LT(complete, 200);
    }
}
