#include "platform/FileOperation.h"
#include "platform/FolderSizeCounter.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <deque>
#include <unistd.h>

using namespace lumora;

namespace {

// Answers the operation's questions from a script and records them.
class ScriptedUi : public IFileOperationUi {
public:
    bool deleteAnswer = true;
    bool permanentAnswer = false;
    std::deque<ReplaceAnswer> replaceAnswers;
    int cancelAfterProgressCalls = -1;

    QStringList asked;
    QStringList errors;
    int progressCalls = 0;
    bool progressOpen = false;

    bool confirmDelete(const QStringList& paths, bool toTrash) override {
        asked << QStringLiteral("delete:%1:%2").arg(paths.size()).arg(toTrash);
        return deleteAnswer;
    }
    bool confirmDeletePermanently(const QString& path) override {
        asked << "permanent:" + path;
        return permanentAnswer;
    }
    ReplaceAnswer askReplace(const QString& target, const QString&) override {
        asked << "replace:" + QFileInfo(target).fileName();
        if (replaceAnswers.empty())
            return ReplaceAnswer::Cancel;
        const ReplaceAnswer answer = replaceAnswers.front();
        replaceAnswers.pop_front();
        return answer;
    }
    void reportError(const QString& message) override { errors << message; }
    void beginProgress(const QString&, std::int64_t) override { progressOpen = true; }
    bool progress(std::int64_t, const QString&) override {
        ++progressCalls;
        return cancelAfterProgressCalls < 0 || progressCalls <= cancelAfterProgressCalls;
    }
    void endProgress() override { progressOpen = false; }
};

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(path);
    file.write(bytes);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList tree(const QString& root) {
    QStringList out;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        out << it.next().mid(root.size() + 1);
    out.sort();
    return out;
}

// HOME and XDG_DATA_HOME inside a temporary folder, so the trash is ours.
class TrashHome {
public:
    TrashHome() : oldHome_(qgetenv("HOME")), oldData_(qgetenv("XDG_DATA_HOME")) {
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    }
    ~TrashHome() {
        qputenv("HOME", oldHome_);
        if (oldData_.isEmpty())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", oldData_);
    }
    QString trashFiles() const { return home.path() + "/data/Trash/files"; }
    QTemporaryDir home;

private:
    QByteArray oldHome_, oldData_;
};

} // namespace

TEST(FileOperation, CopyFolderRecursivelyWithHiddenFilesLinksAndTimes) {
    QTemporaryDir temp;
    const QString src = temp.path() + "/src", dst = temp.path() + "/dst";
    writeFile(src + "/a.jpg", "AAAA");
    writeFile(src + "/sub/.hidden", "h");
    writeFile(src + "/sub/deep/b.raw", QByteArray(3 * 1024 * 1024 + 5, 'b'));
    ASSERT_EQ(::symlink("..", qPrintable(src + "/sub/loop")), 0);
    QDir().mkpath(dst);
    {
        QFile old(src + "/a.jpg");
        ASSERT_TRUE(old.open(QIODevice::ReadWrite));
        old.setFileTime(QDateTime::fromSecsSinceEpoch(1000000000),
                        QFileDevice::FileModificationTime);
    }

    ScriptedUi ui;
    CShellFileOperation op(ui);
    const auto result = op.copy({src}, dst);
    EXPECT_TRUE(result.succeeded);
    EXPECT_FALSE(result.aborted);
    EXPECT_EQ(result.targets, QStringList{dst + "/src"});
    EXPECT_EQ(tree(dst + "/src"), tree(src));
    EXPECT_EQ(readFile(dst + "/src/sub/deep/b.raw").size(), 3 * 1024 * 1024 + 5);
    EXPECT_TRUE(QFileInfo(dst + "/src/sub/loop").isSymLink()) << "links are copied, not followed";
    EXPECT_EQ(QFileInfo(dst + "/src/a.jpg").lastModified().toSecsSinceEpoch(), 1000000000);
    EXPECT_TRUE(ui.errors.isEmpty());
    EXPECT_GE(ui.progressCalls, 4);
    EXPECT_FALSE(ui.progressOpen);
    EXPECT_TRUE(QFileInfo::exists(src + "/a.jpg")) << "a copy keeps the source";
}

TEST(FileOperation, ReplaceQuestionsDecideEachConflict) {
    QTemporaryDir temp;
    const QString src = temp.path() + "/src", dst = temp.path() + "/dst";
    for (const char* name : {"1", "2", "3", "4"}) {
        writeFile(src + "/" + name, QByteArray("new") + name);
        writeFile(dst + "/" + name, QByteArray("old") + name);
    }
    ScriptedUi ui;
    ui.replaceAnswers = {ReplaceAnswer::No, ReplaceAnswer::Yes, ReplaceAnswer::YesToAll};
    CShellFileOperation op(ui);
    const auto result = op.copy({src + "/1", src + "/2", src + "/3", src + "/4"}, dst);
    EXPECT_TRUE(result.succeeded);
    EXPECT_TRUE(result.aborted) << "a file was skipped";
    EXPECT_EQ(ui.asked.size(), 3) << "yes-to-all stops the questions";
    EXPECT_EQ(readFile(dst + "/1"), "old1");
    EXPECT_EQ(readFile(dst + "/2"), "new2");
    EXPECT_EQ(readFile(dst + "/3"), "new3");
    EXPECT_EQ(readFile(dst + "/4"), "new4");
}

TEST(FileOperation, CancelMidCopyKeepsTheOldFileAndTheSource) {
    QTemporaryDir temp;
    const QString src = temp.path() + "/src", dst = temp.path() + "/dst";
    writeFile(src + "/big", QByteArray(4 * 1024 * 1024, 'n'));
    writeFile(dst + "/big", "the old contents");
    ScriptedUi ui;
    ui.replaceAnswers = {ReplaceAnswer::Yes};
    ui.cancelAfterProgressCalls = 1;
    CShellFileOperation op(ui);
    const auto result = op.move({src + "/big"}, dst);
    EXPECT_TRUE(result.aborted);
    EXPECT_EQ(readFile(dst + "/big"), "the old contents");
    EXPECT_EQ(readFile(src + "/big").size(), 4 * 1024 * 1024);
    EXPECT_EQ(tree(dst), QStringList{"big"}) << "no temporary file left behind";
}

TEST(FileOperation, FailedMoveHalfwayLosesNothing) {
    QTemporaryDir temp;
    const QString src = temp.path() + "/src", dst = temp.path() + "/dst";
    writeFile(src + "/folder/a", "a");
    writeFile(src + "/folder/b", "b");
    writeFile(dst + "/folder/a", "old a");
    // "b" cannot be created at the destination: a folder stands in its way.
    QDir().mkpath(dst + "/folder/b");
    ScriptedUi ui;
    ui.replaceAnswers = {ReplaceAnswer::YesToAll};
    CShellFileOperation op(ui);
    const auto result = op.move({src + "/folder"}, dst);
    EXPECT_FALSE(result.succeeded);
    EXPECT_EQ(ui.errors.size(), 1);
    EXPECT_EQ(readFile(src + "/folder/a"), "a") << "the source stays until all was copied";
    EXPECT_EQ(readFile(src + "/folder/b"), "b");
}

TEST(FileOperation, MoveRemovesSourcesButKeepsSkippedOnes) {
    QTemporaryDir temp;
    const QString src = temp.path() + "/src", dst = temp.path() + "/dst";
    writeFile(src + "/folder/keep", "mine");
    writeFile(src + "/folder/go", "go");
    writeFile(dst + "/folder/keep", "theirs");
    ScriptedUi ui;
    ui.replaceAnswers = {ReplaceAnswer::Yes, ReplaceAnswer::No};
    CShellFileOperation op(ui);
    const auto result = op.move({src + "/folder"}, dst);
    EXPECT_TRUE(result.succeeded);
    EXPECT_TRUE(result.aborted);
    EXPECT_EQ(readFile(dst + "/folder/go"), "go");
    EXPECT_EQ(readFile(dst + "/folder/keep"), "theirs");
    EXPECT_EQ(tree(src), (QStringList{"folder", "folder/keep"}));

    // A plain move on one file system is a rename.
    writeFile(src + "/single", "s");
    EXPECT_TRUE(op.move({src + "/single"}, dst).succeeded);
    EXPECT_FALSE(QFileInfo::exists(src + "/single"));
    EXPECT_EQ(readFile(dst + "/single"), "s");
}

TEST(FileOperation, CopyIntoItselfOrOwnFolder) {
    QTemporaryDir temp;
    const QString src = temp.path() + "/src";
    writeFile(src + "/inner/x", "x");
    writeFile(temp.path() + "/photo.jpg", "p");
    ScriptedUi ui;
    CShellFileOperation op(ui);
    auto result = op.copy({src}, src + "/inner");
    EXPECT_FALSE(result.succeeded);
    EXPECT_EQ(ui.errors.size(), 1);
    EXPECT_EQ(tree(src), (QStringList{"inner", "inner/x"}));

    result = op.copy({temp.path() + "/photo.jpg"}, temp.path());
    EXPECT_TRUE(result.succeeded);
    EXPECT_EQ(result.targets, QStringList{temp.path() + "/photo - コピー.jpg"});
    result = op.copy({temp.path() + "/photo.jpg"}, temp.path());
    EXPECT_EQ(result.targets, QStringList{temp.path() + "/photo - コピー (2).jpg"});
    EXPECT_EQ(copyNameInSameFolder(temp.path(), "src"), "src - コピー");

    // Moving into its own folder does nothing.
    result = op.move({temp.path() + "/photo.jpg"}, temp.path());
    EXPECT_TRUE(result.succeeded);
    EXPECT_EQ(readFile(temp.path() + "/photo.jpg"), "p");
}

TEST(FileOperation, RenameNeverReplaces) {
    QTemporaryDir temp;
    writeFile(temp.path() + "/a/file", "1");
    writeFile(temp.path() + "/b/file", "2");
    ScriptedUi ui;
    CShellFileOperation op(ui);
    auto result = op.rename(temp.path() + "/a", temp.path() + "/b");
    EXPECT_FALSE(result.succeeded);
    EXPECT_EQ(ui.errors.size(), 1);
    EXPECT_EQ(readFile(temp.path() + "/b/file"), "2");
    EXPECT_EQ(readFile(temp.path() + "/a/file"), "1");

    QDir().mkpath(temp.path() + "/empty");
    result = op.rename(temp.path() + "/a", temp.path() + "/empty");
    EXPECT_FALSE(result.succeeded) << "not even over an empty folder";

    result = op.rename(temp.path() + "/a", temp.path() + "/c");
    EXPECT_TRUE(result.succeeded);
    EXPECT_EQ(readFile(temp.path() + "/c/file"), "1");

    result = op.rename(temp.path() + "/c", temp.path() + "/..");
    EXPECT_FALSE(result.succeeded);
    EXPECT_TRUE(QFileInfo::exists(temp.path() + "/c/file"));
}

TEST(FileOperation, DeleteGoesToTheTrashAfterConfirmation) {
    TrashHome trashHome;
    const QString base = trashHome.home.path() + "/pics";
    writeFile(base + "/folder/x.jpg", "x");
    writeFile(base + "/y.jpg", "y");
    ScriptedUi ui;
    CShellFileOperation op(ui);

    ui.deleteAnswer = false;
    auto result = op.remove({base + "/folder", base + "/y.jpg"}, true);
    EXPECT_TRUE(result.aborted);
    EXPECT_EQ(tree(base), (QStringList{"folder", "folder/x.jpg", "y.jpg"}));

    ui.deleteAnswer = true;
    result = op.remove({base + "/folder", base + "/y.jpg"}, true);
    EXPECT_TRUE(result.succeeded);
    EXPECT_FALSE(result.aborted);
    EXPECT_TRUE(tree(base).isEmpty());
    EXPECT_EQ(readFile(trashHome.trashFiles() + "/folder/x.jpg"), "x");
    EXPECT_EQ(readFile(trashHome.trashFiles() + "/y.jpg"), "y");
    const QByteArray info = readFile(trashHome.trashFiles() + "/../info/y.jpg.trashinfo");
    EXPECT_TRUE(info.startsWith("[Trash Info]\nPath=" + QFile::encodeName(base) + "/y.jpg\n"))
        << info.constData();

    // The same name again gets a free name in the trash.
    writeFile(base + "/y.jpg", "y2");
    EXPECT_TRUE(op.remove({base + "/y.jpg"}, true).succeeded);
    EXPECT_EQ(readFile(trashHome.trashFiles() + "/y.jpg.2"), "y2");
    EXPECT_EQ(readFile(trashHome.trashFiles() + "/y.jpg"), "y");
    EXPECT_EQ(ui.asked, (QStringList{"delete:2:1", "delete:2:1", "delete:1:1"}));
    EXPECT_TRUE(tree(QDir::currentPath()).filter("y.jpg").isEmpty()) << "nothing lands beside us";
}

TEST(FileOperation, WithoutAUsableTrashAsksBeforeDeletingForGood) {
    TrashHome trashHome;
    const QString base = trashHome.home.path() + "/pics";
    writeFile(base + "/x.jpg", "x");
    // A trash that is a link to elsewhere is not used.
    QDir().mkpath(trashHome.home.path() + "/data");
    QDir().mkpath(trashHome.home.path() + "/elsewhere");
    ASSERT_EQ(::symlink(qPrintable(trashHome.home.path() + "/elsewhere"),
                        qPrintable(trashHome.home.path() + "/data/Trash")),
              0);
    ScriptedUi ui;
    CShellFileOperation op(ui);
    auto result = op.remove({base + "/x.jpg"}, true);
    EXPECT_TRUE(result.aborted);
    EXPECT_EQ(readFile(base + "/x.jpg"), "x");
    EXPECT_EQ(ui.asked, (QStringList{"delete:1:1", "permanent:" + base + "/x.jpg"}));

    ui.permanentAnswer = true;
    result = op.remove({base + "/x.jpg"}, true);
    EXPECT_TRUE(result.succeeded);
    EXPECT_FALSE(result.aborted);
    EXPECT_FALSE(QFileInfo::exists(base + "/x.jpg"));
    EXPECT_TRUE(tree(trashHome.home.path() + "/elsewhere").isEmpty());
}

TEST(FileOperation, PermanentDeleteOfALinkKeepsItsTarget) {
    QTemporaryDir temp;
    writeFile(temp.path() + "/target/keep", "k");
    ASSERT_EQ(::symlink(qPrintable(temp.path() + "/target"), qPrintable(temp.path() + "/link")), 0);
    ScriptedUi ui;
    CShellFileOperation op(ui);
    EXPECT_TRUE(op.remove({temp.path() + "/link"}, false).succeeded);
    EXPECT_FALSE(QFileInfo(temp.path() + "/link").isSymLink());
    EXPECT_EQ(readFile(temp.path() + "/target/keep"), "k");
}

TEST(FolderSizeCounter, TotalsWithoutFollowingLinks) {
    QTemporaryDir temp;
    writeFile(temp.path() + "/f/a", QByteArray(100, 'a'));
    writeFile(temp.path() + "/f/sub/b", QByteArray(20, 'b'));
    writeFile(temp.path() + "/f/sub/.c", QByteArray(3, 'c'));
    ASSERT_EQ(::symlink("..", qPrintable(temp.path() + "/f/sub/loop")), 0);
    writeFile(temp.path() + "/single", QByteArray(7, 's'));
    std::atomic<bool> stop{false};
    const FolderTotals totals =
        countFolderTotals({temp.path() + "/f", temp.path() + "/single"}, stop);
    EXPECT_EQ(totals.bytes, 130);
    EXPECT_EQ(totals.files, 5); // a, b, .c, the link, single
    EXPECT_EQ(totals.folders, 1);
}
