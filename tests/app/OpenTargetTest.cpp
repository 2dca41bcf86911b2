// What a path on the command line opens: folders, images, worksheet lists by
// extension or by their first line, and files that must never be read.
#include "app/OpenTarget.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using lumora::classifyOpenTarget;
using lumora::OpenTarget;

namespace {

QString write(const QTemporaryDir& dir, const char* name, const QByteArray& bytes) {
    const QString path = dir.filePath(QString::fromUtf8(name));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}

} // namespace

TEST(OpenTarget, FoldersImagesAndLists) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_EQ(classifyOpenTarget(dir.path()), OpenTarget::Folder);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("写真 2026")));
    EXPECT_EQ(classifyOpenTarget(dir.filePath(QStringLiteral("写真 2026"))), OpenTarget::Folder);

    for (const char* name : {"a.jpg", "B.JPG", "c.nef", "d.Tif", "e.cr2"})
        EXPECT_EQ(classifyOpenTarget(write(dir, name, "\xff\xd8\xff")), OpenTarget::Image) << name;

    // A list by its extension, whatever the letter case, even before it exists.
    EXPECT_EQ(classifyOpenTarget(write(dir, "keep.lsl", "x")), OpenTarget::WorkSheetList);
    EXPECT_EQ(classifyOpenTarget(dir.filePath("KEEP.LSL")), OpenTarget::WorkSheetList);
    // A list by its exact first line, whatever the name, also with a picture's name.
    EXPECT_EQ(classifyOpenTarget(write(dir, "list.txt", "Lumora WorkSheetFile\r\nA\r\n")),
              OpenTarget::WorkSheetList);
    EXPECT_EQ(classifyOpenTarget(write(dir, "list.jpg", "Lumora WorkSheetFile\nA\n")),
              OpenTarget::WorkSheetList);
}

TEST(OpenTarget, OtherFilesGoToTheListReaderWhichReportsThem) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Not an image kind and no magic line (letter case differs, or too short):
    // read as a list as before, so the user is told the file is not one.
    EXPECT_EQ(classifyOpenTarget(write(dir, "a.txt", "lumora worksheetfile\n")),
              OpenTarget::WorkSheetList);
    EXPECT_EQ(classifyOpenTarget(write(dir, "b.txt", "Lumora Work")), OpenTarget::WorkSheetList);
    EXPECT_EQ(classifyOpenTarget(write(dir, "empty", "")), OpenTarget::WorkSheetList);
    EXPECT_EQ(classifyOpenTarget(dir.filePath("missing.jpg")), OpenTarget::WorkSheetList);
}

TEST(OpenTarget, PipesAreNeverReadFrom) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // With no writer, a blocking open of either would hang the start.
    const QByteArray fifoList = QFile::encodeName(dir.filePath("pipe.txt"));
    const QByteArray fifoImage = QFile::encodeName(dir.filePath("pipe.jpg"));
    ASSERT_EQ(::mkfifo(fifoList.constData(), 0600), 0);
    ASSERT_EQ(::mkfifo(fifoImage.constData(), 0600), 0);
    EXPECT_EQ(classifyOpenTarget(QFile::decodeName(fifoList)), OpenTarget::WorkSheetList);
    EXPECT_EQ(classifyOpenTarget(QFile::decodeName(fifoImage)), OpenTarget::Image);
}
