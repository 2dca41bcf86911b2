#include "settings/IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using lumora::CIniFile;

TEST(IniFile, KeepsCommentsUnknownKeysAndOrderOnRewrite) {
    const QByteArray text = "; hand-written note\n"
                            "[Other]\n"
                            "Zeta=1\n"
                            "alpha = two, three; four\n"
                            "\n"
                            "[ControlSettings]\n"
                            "FileType=3\n"
                            "# kept\n";
    CIniFile ini = CIniFile::fromText(text);
    EXPECT_EQ(ini.readString("Other", "ALPHA", {}), "two, three; four");
    ini.writeInt("controlsettings", "FileType", 5);
    ini.writeInt("ControlSettings", "ThumbnailSize", 2);
    ini.writeInt("NewSection", "Key", -7);
    EXPECT_EQ(ini.toText(), QByteArray("; hand-written note\n"
                                       "[Other]\n"
                                       "Zeta=1\n"
                                       "alpha = two, three; four\n"
                                       "\n"
                                       "[ControlSettings]\n"
                                       "FileType=5\n"
                                       "ThumbnailSize=2\n"
                                       "# kept\n"
                                       "\n"
                                       "[NewSection]\n"
                                       "Key=-7\n"));
}

TEST(IniFile, IntegersParseSignedAndFallBackOnGarbage) {
    const CIniFile ini = CIniFile::fromText("[S]\n"
                                            "neg=-12\n"
                                            "plus=+4\n"
                                            "unit=12px\n"
                                            "empty=\n"
                                            "word=abc\n"
                                            "huge=99999999999\n"
                                            "min=-2147483648\n"
                                            "max=2147483647\n"
                                            "over=2147483648\n");
    EXPECT_EQ(ini.readInt("S", "neg", 0), -12);
    EXPECT_EQ(ini.readInt("S", "plus", 0), 4);
    EXPECT_EQ(ini.readInt("S", "unit", 0), 12);
    EXPECT_EQ(ini.readInt("S", "empty", 9), 9);
    EXPECT_EQ(ini.readInt("S", "word", 9), 9);
    EXPECT_EQ(ini.readInt("S", "huge", 9), 9);
    EXPECT_EQ(ini.readInt("S", "min", 0), INT32_MIN);
    EXPECT_EQ(ini.readInt("S", "max", 0), INT32_MAX);
    EXPECT_EQ(ini.readInt("S", "over", 9), 9);
    EXPECT_EQ(ini.readInt("S", "missing", 42), 42);
    EXPECT_EQ(ini.readInt("Nope", "neg", 42), 42);
}

TEST(IniFile, FirstOfDuplicatesWinsAndKeysBeforeAnySectionAreIgnored) {
    const CIniFile ini = CIniFile::fromText("k=0\n[S]\nk=1\nk=2\n[S]\nk=3\n");
    EXPECT_EQ(ini.readInt("S", "k", -1), 1);
    EXPECT_FALSE(ini.contains("", "k"));
}

// Names are looked up through an index; what it answers must be what a
// search of the lines in order answers, after any sequence of writes.
TEST(IniFile, LookupsAfterWritesMatchTheLinesInOrder) {
    CIniFile ini = CIniFile::fromText("[Öl]\nK=1\nk=2\n; note\n\n[öL]\nk=3\n[Other]\n");
    EXPECT_EQ(ini.readInt("öl", "K", -1), 1); // first section and first key of the name
    ini.writeInt("ÖL", "k", 7);               // rewrites that first line only
    ini.writeInt("Öl", "New", 8);             // after the last key, before the note
    ini.writeInt("Other", "a", 9);
    ini.writeInt("Fresh", "b", 10);
    ini.writeInt("fresh", "B", 11);
    EXPECT_EQ(ini.toText(), "[Öl]\nK=7\nk=2\nNew=8\n; note\n\n[öL]\nk=3\n[Other]\na=9\n\n"
                            "[Fresh]\nb=11\n");
    const CIniFile back = CIniFile::fromText(ini.toText());
    EXPECT_EQ(back.readInt("öl", "new", -1), 8);
    EXPECT_EQ(back.readInt("FRESH", "b", -1), 11);
    EXPECT_FALSE(back.contains("Missing", "b"));
}

TEST(IniFile, StringsRoundTripAndLineBreaksCannotInjectKeys) {
    CIniFile ini;
    ini.writeString("S", "path", "/home/ユーザー/写真, 2024;a=b");
    ini.writeString("S", "evil", "x\n[ControlSettings]\nFileType=0");
    const CIniFile back = CIniFile::fromText(ini.toText());
    EXPECT_EQ(back.readString("S", "path", {}), "/home/ユーザー/写真, 2024;a=b");
    EXPECT_FALSE(back.contains("ControlSettings", "FileType"));
    EXPECT_TRUE(back.readString("S", "evil", {}).startsWith("x "));
}

TEST(IniFile, CrLfAndByteOrderMarkAreRead) {
    const CIniFile ini = CIniFile::fromText("\xEF\xBB\xBF[S]\r\nk=5\r\n");
    EXPECT_EQ(ini.readInt("S", "k", 0), 5);
}

TEST(IniFile, BinaryEncodingRoundTripsAndRejectsMalformedText) {
    const QByteArray bytes("\x00\x01\x7F\x80\xFF/a", 7);
    EXPECT_EQ(CIniFile::encodeBinary(QByteArray("\x12\xAB", 2)), "CBLK");
    CIniFile ini;
    ini.writeBinary("Folder", "BinPath", bytes);
    EXPECT_EQ(ini.readBinary("Folder", "BinPath"), bytes);
    EXPECT_FALSE(CIniFile::decodeBinary("ABC").has_value()); // odd length
    EXPECT_FALSE(CIniFile::decodeBinary("AQ").has_value());  // out of range
    EXPECT_FALSE(CIniFile::decodeBinary("a0").has_value());
    EXPECT_EQ(CIniFile::decodeBinary(""), QByteArray());
}

TEST(IniFile, SaveIsAtomicAndCreatesTheFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("sub/deeper/settings.ini");
    CIniFile ini;
    EXPECT_EQ(ini.load(path), CIniFile::LoadResult::Missing);
    ini.writeInt("S", "k", 1);
    ASSERT_TRUE(ini.save(path));
    CIniFile back;
    EXPECT_EQ(back.load(path), CIniFile::LoadResult::Loaded);
    EXPECT_EQ(back.readInt("S", "k", 0), 1);
    // No temporary files are left beside the settings file.
    EXPECT_EQ(QDir(dir.filePath("sub/deeper")).entryList(QDir::Files), QStringList{"settings.ini"});
}

TEST(IniFile, OversizedFileIsRefused) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("big.ini");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(CIniFile::kMaxFileSize + 1));
    file.close();
    CIniFile ini;
    EXPECT_EQ(ini.load(path), CIniFile::LoadResult::Failed);
}
