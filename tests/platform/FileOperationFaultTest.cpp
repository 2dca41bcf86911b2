// Copies and moves against full, read-only, vanishing and second file
// systems, and names that are not UTF-8, through CShellFileOperation.
#include "platform/FileOperation.h"
#include "thumbnails/WorkSheetExport.h"

#include "ScratchMounts.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <QUrl>
#include <gtest/gtest.h>

#include <deque>
#include <functional>

using namespace lumora;
using namespace lumora::testing;

namespace {

class FaultUi : public IFileOperationUi {
public:
    std::deque<ErrorAnswer> errorAnswers; // empty: Cancel
    std::function<void(int)> onProgress;  // called with the call's number
    QStringList failures, errors, outcomes;
    int progressCalls = 0;

    bool confirmDelete(const QStringList&, bool) override { return true; }
    bool confirmDeletePermanently(const QString&) override { return false; }
    ReplaceAnswer askReplace(const QString&, const QString&) override {
        return ReplaceAnswer::Cancel;
    }
    void reportError(const QString& message) override { errors << message; }
    ErrorAnswer askSkip(const QString& message) override {
        failures << message;
        if (errorAnswers.empty())
            return ErrorAnswer::Cancel;
        const ErrorAnswer a = errorAnswers.front();
        errorAnswers.pop_front();
        return a;
    }
    void reportOutcome(const QString& message) override { outcomes << message; }
    void beginProgress(const QString&, std::int64_t) override {}
    bool progress(std::int64_t, const QString&) override {
        ++progressCalls;
        if (onProgress)
            onProgress(progressCalls);
        return true;
    }
    void endProgress() override {}
};

QString q(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

} // namespace

TEST(FileOperationFaults, CrossDeviceMoveOfAFolderKeepsEveryOddName) {
    REQUIRE_MOUNTS();
    ScratchDir src, dst;
    ScratchMount other(dst.path(), 32 * 1024 * 1024);
    ASSERT_TRUE(other.mounted());
    const std::string card = src / "DCIM";
    ASSERT_EQ(::mkdir(card.c_str(), 0755), 0);
    const std::vector<std::string> names = {"\xff\xfe-not-utf8.jpg", "line\nbreak.jpg", "-rf.jpg",
                                            std::string(251, 'n') + ".jpg", "a.jpg"};
    for (const std::string& n : names)
        ASSERT_TRUE(writeBytes(card + "/" + n, patternBytes(n, 100000)));
    ASSERT_EQ(::mkdir((card + "/\xfe sub").c_str(), 0755), 0);
    ASSERT_TRUE(writeBytes(card + "/\xfe sub/\x80.raw", "raw"));

    FaultUi ui;
    CShellFileOperation op(ui);
    const FileOperationResult r = op.move({q(card)}, q(dst.path()));
    EXPECT_TRUE(r.succeeded);
    EXPECT_FALSE(r.aborted);
    EXPECT_TRUE(ui.failures.isEmpty()) << ui.failures.join("|").toStdString();
    EXPECT_TRUE(ui.outcomes.isEmpty());
    for (const std::string& n : names)
        EXPECT_EQ(readBytes(dst / ("DCIM/" + n)), patternBytes(n, 100000)) << n;
    EXPECT_EQ(readBytes(dst / "DCIM/\xfe sub/\x80.raw"), "raw");
    EXPECT_FALSE(lexistsPath(card)) << "the moved folder is gone from the source";
}

TEST(FileOperationFaults, FullDiskNamesTheFileAndSkipsOrStopsAsAnswered) {
    REQUIRE_MOUNTS();
    for (const ErrorAnswer answer : {ErrorAnswer::Skip, ErrorAnswer::Cancel}) {
        SCOPED_TRACE(int(answer));
        ScratchDir src, dst;
        ScratchMount other(dst.path(), 1024 * 1024);
        ASSERT_TRUE(other.mounted());
        ASSERT_TRUE(other.fillUpTo(200 * 1024));
        const std::vector<std::pair<std::string, std::size_t>> files = {
            {"1.jpg", 20000}, {"2-big.raw", 600 * 1024}, {"3.jpg", 20000}};
        QStringList sources;
        for (const auto& [n, size] : files) {
            ASSERT_TRUE(writeBytes(src / n, patternBytes(n, size)));
            sources << q(src / n);
        }
        FaultUi ui;
        ui.errorAnswers = {answer};
        CShellFileOperation op(ui);
        const FileOperationResult r = op.move(sources, q(dst.path()));

        ASSERT_EQ(ui.failures.size(), 1);
        EXPECT_TRUE(ui.failures[0].contains("2-big.raw")) << ui.failures[0].toStdString();
        EXPECT_TRUE(ui.failures[0].contains(QStringLiteral("空き領域")))
            << ui.failures[0].toStdString();
        // The big one never leaves its source, and no piece of it is left.
        EXPECT_EQ(readBytes(src / "2-big.raw"), patternBytes("2-big.raw", 600 * 1024));
        EXPECT_EQ(visibleNames(dst.path()), answer == ErrorAnswer::Skip
                                                ? (std::vector<std::string>{"1.jpg", "3.jpg"})
                                                : (std::vector<std::string>{"1.jpg"}));
        for (const std::string& n : namesIn(dst.path()))
            EXPECT_TRUE(n == ".filler" || n == "1.jpg" || n == "3.jpg") << "left behind: " << n;
        EXPECT_FALSE(lexistsPath(src / "1.jpg"));
        EXPECT_EQ(readBytes(dst / "1.jpg"), patternBytes("1.jpg", 20000));
        if (answer == ErrorAnswer::Skip) {
            EXPECT_TRUE(r.succeeded);
            EXPECT_TRUE(r.aborted);
            EXPECT_FALSE(lexistsPath(src / "3.jpg"));
            ASSERT_EQ(ui.outcomes.size(), 1);
            EXPECT_TRUE(ui.outcomes[0].startsWith(QStringLiteral("2 個のファイルを移動しました")))
                << ui.outcomes[0].toStdString();
            EXPECT_TRUE(ui.outcomes[0].contains(QStringLiteral("1 個のファイルは移動されず")));
        } else {
            EXPECT_FALSE(r.succeeded);
            EXPECT_EQ(readBytes(src / "3.jpg"), patternBytes("3.jpg", 20000));
            ASSERT_EQ(ui.outcomes.size(), 1);
            EXPECT_TRUE(ui.outcomes[0].startsWith(QStringLiteral("1 個のファイルを移動しました")));
            EXPECT_TRUE(ui.outcomes[0].contains(QStringLiteral("2 個のファイルは移動されず")));
        }
    }
}

TEST(FileOperationFaults, ReadOnlyTargetStopsWithAMessageAndCopiesNothing) {
    REQUIRE_MOUNTS();
    ScratchDir src, dst;
    ScratchMount other(dst.path(), 1024 * 1024);
    ASSERT_TRUE(other.mounted());
    ASSERT_TRUE(other.setReadOnly(true));
    ASSERT_TRUE(writeBytes(src / "a.jpg", "aaaa"));
    ASSERT_TRUE(writeBytes(src / "b.jpg", "bbbb"));

    for (const bool isMove : {false, true}) {
        FaultUi ui;
        CShellFileOperation op(ui);
        const QStringList sources{q(src / "a.jpg"), q(src / "b.jpg")};
        const FileOperationResult r =
            isMove ? op.move(sources, q(dst.path())) : op.copy(sources, q(dst.path()));
        EXPECT_FALSE(r.succeeded);
        ASSERT_EQ(ui.failures.size(), 1);
        EXPECT_TRUE(ui.failures[0].contains("a.jpg"));
        EXPECT_TRUE(ui.failures[0].contains(QStringLiteral("書き込み禁止")))
            << ui.failures[0].toStdString();
        EXPECT_EQ(readBytes(src / "a.jpg"), "aaaa");
        EXPECT_EQ(readBytes(src / "b.jpg"), "bbbb");
        EXPECT_TRUE(namesIn(dst.path()).empty());
    }
}

TEST(FileOperationFaults, TargetFolderRemovedMidMoveLeavesTheRestAtTheSource) {
    REQUIRE_MOUNTS();
    ScratchDir src, dst;
    ScratchMount other(dst.path(), 16 * 1024 * 1024);
    ASSERT_TRUE(other.mounted());
    const std::string target = dst / "photos";
    ASSERT_EQ(::mkdir(target.c_str(), 0755), 0);
    QStringList sources;
    for (const char* n : {"1.jpg", "2.jpg", "3.jpg"}) {
        ASSERT_TRUE(writeBytes(src / n, patternBytes(n, 5000)));
        sources << q(src / n);
    }
    FaultUi ui;
    // After the first file is in place, the folder goes away.
    ui.onProgress = [&](int) {
        if (lexistsPath(target + "/1.jpg"))
            ::rename(target.c_str(), (dst / "elsewhere").c_str());
    };
    ui.errorAnswers = {ErrorAnswer::SkipAll};
    CShellFileOperation op(ui);
    op.move(sources, q(target));
    ASSERT_GE(ui.failures.size(), 1);
    EXPECT_TRUE(ui.failures[0].contains("2.jpg")) << ui.failures[0].toStdString();
    EXPECT_EQ(ui.failures.size(), 1) << "skip all asks once";
    EXPECT_EQ(readBytes(src / "2.jpg"), patternBytes("2.jpg", 5000));
    EXPECT_EQ(readBytes(src / "3.jpg"), patternBytes("3.jpg", 5000));
    EXPECT_EQ(readBytes(dst / "elsewhere/1.jpg"), patternBytes("1.jpg", 5000));
    EXPECT_EQ(namesIn(dst / "elsewhere"), std::vector<std::string>{"1.jpg"});
    ASSERT_EQ(ui.outcomes.size(), 1);
    EXPECT_TRUE(ui.outcomes[0].contains(QStringLiteral("2 個のファイルは移動されず")))
        << ui.outcomes[0].toStdString();
}

TEST(FileOperationFaults, OddNamesSurviveCopyRenameTrashAndRestore) {
    // HOME and XDG_DATA_HOME inside a scratch folder, so the trash is ours.
    ScratchDir homeDir;
    const QString homePath = q(homeDir.path());
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", homePath.toUtf8());
    qputenv("XDG_DATA_HOME", (homePath + "/data").toUtf8());
    ScratchDir dir;
    const std::string folder = dir / "f";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    // Names a QString can carry go at the top level; one that is not UTF-8
    // rides inside a folder.
    const std::vector<std::string> names = {"line\nbreak.jpg", "-rf.jpg",
                                            std::string(251, 'n') + ".jpg"};
    ASSERT_EQ(::mkdir((folder + "/box").c_str(), 0755), 0);
    ASSERT_TRUE(writeBytes(folder + "/box/\xff\xfe.jpg", "odd"));
    for (const std::string& n : names)
        ASSERT_TRUE(writeBytes(folder + "/" + n, patternBytes(n, 3000)));

    FaultUi ui;
    CShellFileOperation op(ui);
    // Copy into the same folder: " - コピー" names, the odd inner name kept.
    ASSERT_TRUE(op.copy({q(folder + "/box")}, q(folder)).succeeded);
    EXPECT_EQ(readBytes(folder + "/box - \xe3\x82\xb3\xe3\x83\x94\xe3\x83\xbc/\xff\xfe.jpg"),
              "odd");

    for (const std::string& n : names) {
        SCOPED_TRACE(n);
        const std::string renamed = "-renamed\n" + n.substr(0, 200);
        ASSERT_TRUE(op.rename(q(folder + "/" + n), q(folder + "/" + renamed)).succeeded);
        ASSERT_TRUE(moveToTrash(q(folder + "/" + renamed)));
        EXPECT_FALSE(lexistsPath(folder + "/" + renamed));
        // Restore the way a desktop's trash does: from the record's Path.
        const std::string trash = homeDir.path() + "/data/Trash";
        const std::string record = readBytes(trash + "/info/" + renamed + ".trashinfo");
        const std::size_t at = record.find("Path=");
        ASSERT_NE(at, std::string::npos) << record;
        const std::string encoded = record.substr(at + 5, record.find('\n', at) - at - 5);
        const std::string original =
            QByteArray::fromPercentEncoding(QByteArray::fromStdString(encoded)).toStdString();
        EXPECT_EQ(original, folder + "/" + renamed);
        ASSERT_EQ(::rename((trash + "/files/" + renamed).c_str(), original.c_str()), 0);
        ::unlink((trash + "/info/" + renamed + ".trashinfo").c_str());
        EXPECT_EQ(readBytes(folder + "/" + renamed), patternBytes(n, 3000));
    }
    // A folder holding a name that is not UTF-8 goes to the trash and back.
    ASSERT_TRUE(moveToTrash(q(folder + "/box")));
    const std::string trashed = homeDir.path() + "/data/Trash/files/box";
    EXPECT_EQ(readBytes(trashed + "/\xff\xfe.jpg"), "odd");
    qunsetenv("XDG_DATA_HOME");
    qputenv("HOME", oldHome);
}

namespace {

// Keeps the export worker's last message.
class ExportReceiver : public QObject {
public:
    bool event(QEvent* e) override {
        if (auto* m = MessageCast<ExportDoneMessage>(e)) {
            done = true;
            copied = m->copied;
            failed = m->failed;
            stopError = m->stopError;
            stopFile = m->stopFile;
            return true;
        }
        return QObject::event(e);
    }
    bool done = false;
    int copied = 0, failed = 0, stopError = 0;
    QString stopFile;
};

QCoreApplication& coreApp() {
    static int argc = 1;
    static char name[] = "fault-tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app =
        QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
    return *QCoreApplication::instance();
}

} // namespace

// An export onto a disk that fills up: the file that does not fit leaves
// nothing behind, the worker stops there (every later file would fail too)
// and says which file and why.
TEST(ExportFaults, FullDiskStopsTheExportAndSaysWhy) {
    REQUIRE_MOUNTS();
    coreApp();
    ScratchDir src, dst;
    ScratchMount other(dst.path(), 1024 * 1024);
    ASSERT_TRUE(other.mounted());
    ASSERT_TRUE(other.fillUpTo(200 * 1024));
    std::vector<ExportPair> pairs;
    for (const auto& [n, size] : std::vector<std::pair<std::string, std::size_t>>{
             {"1.jpg", 20000}, {"2-big.raw", 600 * 1024}, {"3.jpg", 20000}}) {
        ASSERT_TRUE(writeBytes(src / n, patternBytes(n, size)));
        pairs.push_back({src / n, dst / n});
    }
    ExportReceiver receiver;
    {
        CExportWorker worker(&receiver, std::move(pairs));
        worker.Start();
        worker.Join();
    }
    QCoreApplication::sendPostedEvents(&receiver);
    ASSERT_TRUE(receiver.done);
    EXPECT_EQ(receiver.copied, 1);
    EXPECT_EQ(receiver.failed, 1);
    EXPECT_EQ(receiver.stopError, ENOSPC);
    EXPECT_TRUE(receiver.stopFile.endsWith("2-big.raw"));
    EXPECT_EQ(namesIn(dst.path()), (std::vector<std::string>{".filler", "1.jpg"}));
    EXPECT_EQ(readBytes(src / "2-big.raw"), patternBytes("2-big.raw", 600 * 1024));
}
