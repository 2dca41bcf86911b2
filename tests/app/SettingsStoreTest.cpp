#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lumora;

namespace {

QStringList keysInOrder(const QByteArray& text) {
    QStringList keys;
    QString section;
    for (const QString& line : QString::fromUtf8(text).split('\n')) {
        if (line.startsWith('['))
            section = line.mid(1, line.indexOf(']') - 1);
        else if (line.contains('='))
            keys << section + "/" + line.left(line.indexOf('='));
    }
    return keys;
}

AppSettings unusualSettings() {
    AppSettings s;
    s.ItemSpace = 1;
    s.ImageSpace = 50;
    s.CustomThumbnailSizeHorz = 200;
    s.CustomThumbnailSizeVert = 123;
    s.ThumbWorkspace = 0x010203;
    s.CanvasNormal = 0x040506;
    s.CanvasSelectedForeground = 0x070809;
    s.CanvasSelectedBackground = 0x0A0B0C;
    s.ThumbEdge = 0x0D0E0F;
    s.CursorForeground = 0x101112;
    s.CursorBackground = 0x131415;
    s.FileName = 0x161718;
    s.ExifInfo = 0x191A1B;
    s.FileNameFace = "IPAGothic";
    s.FileNameHeight = -12;
    s.FileNameWidth = 700;
    s.ExifInfoFace = "ＭＳ Ｐゴシック";
    s.ExifInfoHeight = -15;
    s.ExifInfoWidth = 400;
    s.AutoRotate = 0;
    s.AutoUpdate = 0;
    s.AutoDriveDetect = 0;
    s.MiscKind = 0x01;
    s.KindIcon = 0;
    s.ProtectIcon = 0;
    s.MagMode = 1;
    s.RotateMode = 1;
    s.PreimageSize = 5;
    s.FullScreenToolBar = 0;
    s.NoMagOnFit = 0;
    s.FileType = 3;
    s.ShowFileName = 0;
    s.ShowGuide = 0;
    s.ThumbnailSize = 3;
    s.SizeLimitter = 1;
    s.SizeLimitterSize = 250;
    s.ShowExifWindow = 0;
    s.ShowMiniPreview = 0;
    s.ShowPreimage = 0;
    s.SmartRendering = 1;
    s.FullScreen = 1;
    s.HistogramMode = 1;
    s.MainDividerPos = 310;
    s.InfoDividerPos = 220;
    s.MiniPreviewDividerPos = 180;
    s.AppCount = 2;
    s.PreviewMouseWheel = 1;
    s.NoSlideShowDlg = 1;
    s.AppList = {"/usr/bin/gimp", "/opt/エディタ/bin/edit, v2"};
    s.SlideShow = {9, 0, 0, 0, 0, 1, 1, "/music/bgm 1.mp3"};
    s.OneKey = 0x011C0001;
    return s;
}

} // namespace

TEST(SettingsStore, EmptyOrMissingFileGivesEveryDefault) {
    for (const QByteArray& text : {QByteArray(), QByteArray("[ControlSettings]\n"),
                                   QByteArray("garbage without sections\n")}) {
        AppSettings loaded = unusualSettings();
        LoadSettings(CIniFile::fromText(text), loaded, 96);
        EXPECT_EQ(loaded, AppSettings());
        EXPECT_EQ(loaded.ThumbnailSize, 1); // 120x90
        EXPECT_EQ(loaded.FileType, 7);      // JPEG, RAW and the further kinds
        EXPECT_EQ(loaded.FileNameHeight, -12);
        EXPECT_EQ(loaded.OneKey, 3735553);
        EXPECT_EQ(loaded.ThumbWorkspace, 9211020);
        EXPECT_EQ(loaded.FileNameFace, "MS UI Gothic");
        EXPECT_TRUE(loaded.AppList.isEmpty());
    }
    QTemporaryDir dir;
    AppSettings loaded = unusualSettings();
    EXPECT_TRUE(loadSettingsFile(dir.filePath("none.ini"), loaded, 96));
    EXPECT_EQ(loaded, AppSettings());
}

TEST(SettingsStore, CaptionFontHeightDefaultFollowsScreenResolution) {
    EXPECT_EQ(defaultCaptionFontHeight(96), -12);
    EXPECT_EQ(defaultCaptionFontHeight(72), -9);
    EXPECT_EQ(defaultCaptionFontHeight(120), -15);
    EXPECT_EQ(defaultCaptionFontHeight(100), -13); // 12.5 rounds away from zero
    EXPECT_EQ(defaultCaptionFontHeight(144), -18);
    AppSettings loaded;
    LoadSettings(CIniFile::fromText("[FontSettings]\nExifInfoHeight=-20\n"), loaded, 144);
    EXPECT_EQ(loaded.FileNameHeight, -18);
    EXPECT_EQ(loaded.ExifInfoHeight, -20);
}

TEST(SettingsStore, EveryFieldRoundTripsIncludingNegativeFontHeights) {
    QTemporaryDir dir;
    const QString path = dir.filePath("lumora.ini");
    const AppSettings saved = unusualSettings();
    ASSERT_TRUE(saveSettingsFile(path, saved));
    AppSettings loaded;
    ASSERT_TRUE(loadSettingsFile(path, loaded, 200));
    EXPECT_EQ(loaded, saved);
    EXPECT_EQ(loaded.FileNameHeight, -12);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("FileNameHeight=-12\n"));
    EXPECT_TRUE(text.contains("CustomThumbnailSizeHorz=200\n"));
}

TEST(SettingsStore, FreshFileListsKeysInSaveOrder) {
    CIniFile ini;
    SaveSettings(ini, unusualSettings());
    const QStringList keys = keysInOrder(ini.toText());
    const QStringList expected = {"ApplicationSettings/AutoRotate",
                                  "ApplicationSettings/AutoUpdate",
                                  "ApplicationSettings/AutoDriveDetect",
                                  "ApplicationSettings/SizeLimitterSize",
                                  "DisplaySettings/ItemSpace",
                                  "DisplaySettings/ImageSpace",
                                  "DisplaySettings/CustomThumbnailSizeHorz",
                                  "DisplaySettings/CustomThumbnailSizeVert",
                                  "DisplaySettings/MiscKind",
                                  "DisplaySettings/RawKind",
                                  "DisplaySettings/PictureKind",
                                  "DisplaySettings/KindIcon",
                                  "DisplaySettings/ProtectIcon",
                                  "ColorSettings/ThumbWorkspace",
                                  "ColorSettings/CanvasNormal",
                                  "ColorSettings/CanvasSelectedForeground",
                                  "ColorSettings/CanvasSelectedBackground",
                                  "ColorSettings/ThumbEdge",
                                  "ColorSettings/CursorForeground",
                                  "ColorSettings/CursorBackground",
                                  "ColorSettings/FileName",
                                  "ColorSettings/ExifInfo",
                                  "FontSettings/FileNameFace",
                                  "FontSettings/FileNameHeight",
                                  "FontSettings/FileNameWidth",
                                  "FontSettings/ExifInfoFace",
                                  "FontSettings/ExifInfoHeight",
                                  "FontSettings/ExifInfoWidth",
                                  "PreviewSettings/MagMode",
                                  "PreviewSettings/RotateMode",
                                  "PreviewSettings/PreimageSize",
                                  "PreviewSettings/FullScreenToolBar",
                                  "PreviewSettings/NoMagOnFit",
                                  "PreviewSettings/DisplayProfile",
                                  "CustomSettings/PreviewMouseWheel",
                                  "CustomSettings/NoSlideShowDlg",
                                  "CustomSettings/OneKey",
                                  "ExternalAppSettings/AppCount",
                                  "ExternalAppSettings/App0001",
                                  "ExternalAppSettings/App0002",
                                  "ControlSettings/FileType",
                                  "ControlSettings/ThumbnailSize",
                                  "ControlSettings/SizeLimitter",
                                  "ControlSettings/ShowFileName",
                                  "ControlSettings/ShowGuide",
                                  "ControlSettings/ShowPreimage",
                                  "ControlSettings/HistogramMode",
                                  "ControlSettings/SmartRendering",
                                  "ControlSettings/FullScreen",
                                  "ControlSettings/MainDividerPos",
                                  "ControlSettings/InfoDividerPos",
                                  "ControlSettings/ShowExifWindow",
                                  "ControlSettings/MiniPreviewDividerPos",
                                  "ControlSettings/ShowMiniPreview",
                                  "SlideShowSettings/IntervalSecond",
                                  "SlideShowSettings/FullScreen",
                                  "SlideShowSettings/NoPreImage",
                                  "SlideShowSettings/FromHead",
                                  "SlideShowSettings/AutoClose",
                                  "SlideShowSettings/PlayBGM",
                                  "SlideShowSettings/LoopBGM",
                                  "SlideShowSettings/BGMFileName",
                                  "MarkSettings/MoveAfterMark",
                                  "MarkSettings/SidecarName"};
    EXPECT_EQ(keys, expected);
}

// The list is read in number order whatever the order of the lines, and
// only under the names the program writes; a count in the millions reads
// what is there, beyond 9999 as well.
TEST(SettingsStore, AppListIsReadByNumberFromTheKeysPresent) {
    const CIniFile ini = CIniFile::fromText("[ExternalAppSettings]\n"
                                            "AppCount=2000000000\n"
                                            "App10000=/bin/big\n"
                                            "app0002=/bin/second\n"
                                            "App0001=/bin/first\n"
                                            "APP0001=/bin/duplicate\n"
                                            "App3=/bin/unpadded\n"
                                            "App+004=/bin/signed\n"
                                            "App0000=/bin/zero\n");
    AppSettings loaded;
    LoadSettings(ini, loaded, 96);
    EXPECT_EQ(loaded.AppList, (QStringList{"/bin/first", "/bin/second", "/bin/big"}));
}

TEST(SettingsStore, AppCountLargerThanTheListSkipsGapsAndKeepsStaleKeys) {
    CIniFile ini = CIniFile::fromText("[ExternalAppSettings]\n"
                                      "AppCount=6\n"
                                      "App0001=/bin/a\n"
                                      "App0002=\n"
                                      "App0004=/bin/b\n"
                                      "App0005=/bin/c\n"
                                      "App0006=\n"
                                      "App0009=/bin/beyond\n");
    AppSettings loaded;
    LoadSettings(ini, loaded, 96);
    EXPECT_EQ(loaded.AppList, (QStringList{"/bin/a", "/bin/b", "/bin/c"}));
    EXPECT_EQ(loaded.AppCount, 6);

    SaveSettings(ini, loaded);
    EXPECT_EQ(ini.readString("ExternalAppSettings", "App0001", {}), "/bin/a");
    EXPECT_EQ(ini.readString("ExternalAppSettings", "App0002", {}), "/bin/b");
    EXPECT_EQ(ini.readString("ExternalAppSettings", "App0003", {}), "/bin/c");
    // Keys above the list are left as they were.
    EXPECT_EQ(ini.readString("ExternalAppSettings", "App0004", {}), "/bin/b");
    EXPECT_EQ(ini.readString("ExternalAppSettings", "App0005", {}), "/bin/c");
    EXPECT_TRUE(ini.contains("ExternalAppSettings", "App0006"));
    EXPECT_EQ(ini.readString("ExternalAppSettings", "App0009", {}), "/bin/beyond");

    // The next start sees the same list, not the stale keys as duplicates.
    AppSettings again;
    LoadSettings(ini, again, 96);
    EXPECT_EQ(again.AppList, loaded.AppList);
}

TEST(SettingsStore, HugeAppCountStaysCheap) {
    AppSettings loaded;
    LoadSettings(CIniFile::fromText("[ExternalAppSettings]\nAppCount=2147483647\n"
                                    "App0003=/bin/x\n"),
                 loaded, 96);
    EXPECT_EQ(loaded.AppList, QStringList{"/bin/x"});
}

TEST(SettingsStore, LiveValuesReplaceTheRecordWhenSaving) {
    CIniFile ini;
    AppSettings s;
    LiveSettingValues live;
    live.MainDividerPos = 333;
    live.ShowMiniPreview = 0;
    SaveSettings(ini, s, live);
    EXPECT_EQ(ini.readInt("ControlSettings", "MainDividerPos", 0), 333);
    EXPECT_EQ(ini.readInt("ControlSettings", "ShowMiniPreview", 1), 0);
    EXPECT_EQ(ini.readInt("ControlSettings", "InfoDividerPos", 0), 200);
}

TEST(SettingsStore, OverlongFontFaceIsCutToTheRecordSize) {
    AppSettings loaded;
    const QByteArray face(150, 'F');
    LoadSettings(CIniFile::fromText("[FontSettings]\nFileNameFace=" + face + "\n"), loaded, 96);
    EXPECT_EQ(loaded.FileNameFace.size(), kFontFaceMaxChars);
}

TEST(SettingsStore, UnknownKeysSurviveASave) {
    QTemporaryDir dir;
    const QString path = dir.filePath("lumora.ini");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("; my notes\n[ControlSettings]\nFileType=1\nFutureKey=abc\n[Mine]\nx=1\n");
    file.close();
    AppSettings s;
    ASSERT_TRUE(loadSettingsFile(path, s, 96));
    EXPECT_EQ(s.FileType, 1);
    s.FileType = 2;
    ASSERT_TRUE(saveSettingsFile(path, s));
    CIniFile back;
    ASSERT_EQ(back.load(path), CIniFile::LoadResult::Loaded);
    EXPECT_EQ(back.readInt("ControlSettings", "FileType", 0), 2);
    EXPECT_EQ(back.readString("ControlSettings", "FutureKey", {}), "abc");
    EXPECT_EQ(back.readInt("Mine", "x", 0), 1);
    EXPECT_TRUE(back.toText().startsWith("; my notes\n"));
}

TEST(SettingsStore, UnreadableFileIsNotOverwritten) {
    QTemporaryDir dir;
    const QString path = dir.filePath("lumora.ini");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(CIniFile::kMaxFileSize + 10));
    file.close();
    EXPECT_FALSE(saveSettingsFile(path, AppSettings()));
    EXPECT_EQ(QFileInfo(path).size(), CIniFile::kMaxFileSize + 10);
}

TEST(FrameSettings, MissingKeysTakeTheCreatedRectangleAndNormalShow) {
    const FrameSettings created{10, 20, 810, 620, 5};
    FrameSettings f = readFrameSettings(CIniFile(), created);
    EXPECT_EQ(f, (FrameSettings{10, 20, 810, 620, SW_SHOWNORMAL}));
    f = readFrameSettings(CIniFile::fromText("[FrameSettings]\nleft=-8\ncmd=3\n"), created);
    EXPECT_EQ(f, (FrameSettings{-8, 20, 810, 620, SW_SHOWMAXIMIZED}));

    CIniFile ini;
    writeFrameSettings(ini, {-1920, -5, 0, 1000, SW_SHOWMINIMIZED});
    EXPECT_EQ(readFrameSettings(ini, created), (FrameSettings{-1920, -5, 0, 1000, 2}));
}

TEST(BinPath, LastFolderRoundTripsAsAByteString) {
    CIniFile ini;
    EXPECT_FALSE(readBinPath(ini).has_value());
    writeBinPath(ini, "/home/写真/2024 夏");
    EXPECT_EQ(readBinPath(ini), QString("/home/写真/2024 夏"));
    // Two bytes per unit plus the two-byte terminator, two letters per byte.
    EXPECT_EQ(ini.value("Folder", "BinPath")->size(),
              (QString("/home/写真/2024 夏").size() + 1) * 4);
    writeBinPath(ini, "/a");
    EXPECT_EQ(ini.value("Folder", "BinPath"), QString("PCAABGAAAAAA"));

    for (const char* bad :
         {"[Folder]\nBinPath=XYZ\n", "[Folder]\nBinPath=AAAA\n", "[Folder]\nBinPath=PCA\n"})
        EXPECT_FALSE(readBinPath(CIniFile::fromText(bad)).has_value()) << bad;
}

TEST(SettingsPath, ProgramPathWithoutExtensionPlusIni) {
    EXPECT_EQ(settingsFilePathBeside("/opt/tools/viewer.exe"), "/opt/tools/viewer.ini");
    EXPECT_EQ(settingsFilePathBeside("/opt/tools/lumora"), "/opt/tools/lumora.ini");
    EXPECT_EQ(settingsFilePathBeside("/opt/v1.2/my.viewer.bin"), "/opt/v1.2/my.viewer.ini");
    EXPECT_EQ(settingsFilePathBeside("/opt/tools/.hidden"), "/opt/tools/.hidden.ini");
}

TEST(SettingsPath, RenamedProgramUsesIniOfItsNewName) {
    QTemporaryDir dir;
    const QString path = settingsFilePath(dir.filePath("photos"), {}, {});
    EXPECT_EQ(path, dir.filePath("photos.ini"));
}

TEST(SettingsPath, UnwritableProgramFolderFallsBackToTheUserConfig) {
    auto never = [](const QString&) { return false; };
    EXPECT_EQ(settingsFilePath("/usr/bin/lumora", "/xdg", "/home/u", never),
              "/xdg/lumora/lumora.ini");
    EXPECT_EQ(settingsFilePath("/usr/bin/lumora", "", "/home/u", never),
              "/home/u/.config/lumora/lumora.ini");
    EXPECT_EQ(settingsFilePath("/usr/bin/lumora", "relative/dir", "/home/u", never),
              "/home/u/.config/lumora/lumora.ini");
    // A renamed copy keeps its own file there as it does beside itself.
    EXPECT_EQ(settingsFilePath("/opt/bin/photos", "", "/home/u", never),
              "/home/u/.config/lumora/photos.ini");
    EXPECT_EQ(settingsFilePath("/opt/bin/my.viewer.bin", "/xdg", "/home/u", never),
              "/xdg/lumora/my.viewer.ini");

    // A real folder that no one can write to, even root: one under a file.
    QTemporaryDir dir;
    QFile plain(dir.filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    EXPECT_FALSE(isFolderWritable(dir.filePath("plain")));
    EXPECT_TRUE(isFolderWritable(dir.path()));
    EXPECT_EQ(settingsFilePath(dir.filePath("plain/lumora"), dir.filePath("cfg"), "/home/u"),
              dir.filePath("cfg/lumora/lumora.ini"));
    // The probe leaves nothing behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"plain"});

    // The fallback file is created on the first save.
    AppSettings s;
    s.ItemSpace = 3;
    const QString fallback = dir.filePath("cfg/lumora/lumora.ini");
    ASSERT_TRUE(saveSettingsFile(fallback, s));
    AppSettings back;
    ASSERT_TRUE(loadSettingsFile(fallback, back, 96));
    EXPECT_EQ(back.ItemSpace, 3);
}
