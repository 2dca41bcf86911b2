#include "settings/SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace lumora {

namespace {

const QString kDisplay = QStringLiteral("DisplaySettings");
const QString kColor = QStringLiteral("ColorSettings");
const QString kFont = QStringLiteral("FontSettings");
const QString kApplication = QStringLiteral("ApplicationSettings");
const QString kPreview = QStringLiteral("PreviewSettings");
const QString kControl = QStringLiteral("ControlSettings");
const QString kExternal = QStringLiteral("ExternalAppSettings");
const QString kCustom = QStringLiteral("CustomSettings");
const QString kSlideShow = QStringLiteral("SlideShowSettings");
const QString kFrame = QStringLiteral("FrameSettings");
const QString kFolder = QStringLiteral("Folder");

QString appKey(int index) {
    return QStringLiteral("App%1").arg(index, 4, 10, QLatin1Char('0'));
}

QString fontFace(const CIniFile& ini, const QString& key, const QString& def) {
    // The record holds at most 99 characters; a longer face is cut.
    return ini.readString(kFont, key, def).left(kFontFaceMaxChars);
}

} // namespace

void LoadSettings(const CIniFile& ini, AppSettings& s, int screenDpiY) {
    const AppSettings d;
    s.AutoRotate = ini.readInt(kApplication, QStringLiteral("AutoRotate"), d.AutoRotate);
    s.AutoUpdate = ini.readInt(kApplication, QStringLiteral("AutoUpdate"), d.AutoUpdate);
    s.AutoDriveDetect =
        ini.readInt(kApplication, QStringLiteral("AutoDriveDetect"), d.AutoDriveDetect);
    s.SizeLimitterSize =
        ini.readInt(kApplication, QStringLiteral("SizeLimitterSize"), d.SizeLimitterSize);
    s.ItemSpace = ini.readInt(kDisplay, QStringLiteral("ItemSpace"), d.ItemSpace);
    s.ImageSpace = ini.readInt(kDisplay, QStringLiteral("ImageSpace"), d.ImageSpace);
    s.CustomThumbnailSizeHorz =
        ini.readInt(kDisplay, QStringLiteral("CustomThumbnailSizeHorz"), d.CustomThumbnailSizeHorz);
    s.CustomThumbnailSizeVert =
        ini.readInt(kDisplay, QStringLiteral("CustomThumbnailSizeVert"), d.CustomThumbnailSizeVert);
    s.MiscKind = ini.readInt(kDisplay, QStringLiteral("MiscKind"), d.MiscKind);
    s.KindIcon = ini.readInt(kDisplay, QStringLiteral("KindIcon"), d.KindIcon);
    s.ProtectIcon = ini.readInt(kDisplay, QStringLiteral("ProtectIcon"), d.ProtectIcon);

    s.ThumbWorkspace = ini.readInt(kColor, QStringLiteral("ThumbWorkspace"), d.ThumbWorkspace);
    s.CanvasNormal = ini.readInt(kColor, QStringLiteral("CanvasNormal"), d.CanvasNormal);
    s.CanvasSelectedForeground =
        ini.readInt(kColor, QStringLiteral("CanvasSelectedForeground"), d.CanvasSelectedForeground);
    s.CanvasSelectedBackground =
        ini.readInt(kColor, QStringLiteral("CanvasSelectedBackground"), d.CanvasSelectedBackground);
    s.ThumbEdge = ini.readInt(kColor, QStringLiteral("ThumbEdge"), d.ThumbEdge);
    s.CursorForeground =
        ini.readInt(kColor, QStringLiteral("CursorForeground"), d.CursorForeground);
    s.CursorBackground =
        ini.readInt(kColor, QStringLiteral("CursorBackground"), d.CursorBackground);
    s.FileName = ini.readInt(kColor, QStringLiteral("FileName"), d.FileName);
    s.ExifInfo = ini.readInt(kColor, QStringLiteral("ExifInfo"), d.ExifInfo);

    const std::int32_t fontHeight = defaultCaptionFontHeight(screenDpiY);
    s.FileNameFace = fontFace(ini, QStringLiteral("FileNameFace"), d.FileNameFace);
    s.FileNameHeight = ini.readInt(kFont, QStringLiteral("FileNameHeight"), fontHeight);
    s.FileNameWidth = ini.readInt(kFont, QStringLiteral("FileNameWidth"), d.FileNameWidth);
    s.ExifInfoFace = fontFace(ini, QStringLiteral("ExifInfoFace"), d.ExifInfoFace);
    s.ExifInfoHeight = ini.readInt(kFont, QStringLiteral("ExifInfoHeight"), fontHeight);
    s.ExifInfoWidth = ini.readInt(kFont, QStringLiteral("ExifInfoWidth"), d.ExifInfoWidth);

    s.MagMode = ini.readInt(kPreview, QStringLiteral("MagMode"), d.MagMode);
    s.RotateMode = ini.readInt(kPreview, QStringLiteral("RotateMode"), d.RotateMode);
    s.PreimageSize = ini.readInt(kPreview, QStringLiteral("PreimageSize"), d.PreimageSize);
    s.FullScreenToolBar =
        ini.readInt(kPreview, QStringLiteral("FullScreenToolBar"), d.FullScreenToolBar);
    s.NoMagOnFit = ini.readInt(kPreview, QStringLiteral("NoMagOnFit"), d.NoMagOnFit);
    s.PreviewMouseWheel =
        ini.readInt(kCustom, QStringLiteral("PreviewMouseWheel"), d.PreviewMouseWheel);
    s.NoSlideShowDlg = ini.readInt(kCustom, QStringLiteral("NoSlideShowDlg"), d.NoSlideShowDlg);
    s.OneKey = ini.readInt(kCustom, QStringLiteral("OneKey"), d.OneKey);

    s.FileType = ini.readInt(kControl, QStringLiteral("FileType"), d.FileType);
    s.ThumbnailSize = ini.readInt(kControl, QStringLiteral("ThumbnailSize"), d.ThumbnailSize);
    s.SizeLimitter = ini.readInt(kControl, QStringLiteral("SizeLimitter"), d.SizeLimitter);
    s.ShowFileName = ini.readInt(kControl, QStringLiteral("ShowFileName"), d.ShowFileName);
    s.ShowGuide = ini.readInt(kControl, QStringLiteral("ShowGuide"), d.ShowGuide);
    s.ShowPreimage = ini.readInt(kControl, QStringLiteral("ShowPreimage"), d.ShowPreimage);
    s.HistogramMode = ini.readInt(kControl, QStringLiteral("HistogramMode"), d.HistogramMode);
    s.SmartRendering = ini.readInt(kControl, QStringLiteral("SmartRendering"), d.SmartRendering);
    s.FullScreen = ini.readInt(kControl, QStringLiteral("FullScreen"), d.FullScreen);
    s.MainDividerPos = ini.readInt(kControl, QStringLiteral("MainDividerPos"), d.MainDividerPos);
    s.InfoDividerPos = ini.readInt(kControl, QStringLiteral("InfoDividerPos"), d.InfoDividerPos);
    s.ShowExifWindow = ini.readInt(kControl, QStringLiteral("ShowExifWindow"), d.ShowExifWindow);
    s.MiniPreviewDividerPos =
        ini.readInt(kControl, QStringLiteral("MiniPreviewDividerPos"), d.MiniPreviewDividerPos);
    s.ShowMiniPreview = ini.readInt(kControl, QStringLiteral("ShowMiniPreview"), d.ShowMiniPreview);

    SlideShowSettings& ss = s.SlideShow;
    const SlideShowSettings sd;
    ss.FullScreen = ini.readInt(kSlideShow, QStringLiteral("FullScreen"), sd.FullScreen);
    ss.FromHead = ini.readInt(kSlideShow, QStringLiteral("FromHead"), sd.FromHead);
    ss.AutoClose = ini.readInt(kSlideShow, QStringLiteral("AutoClose"), sd.AutoClose);
    ss.NoPreImage = ini.readInt(kSlideShow, QStringLiteral("NoPreImage"), sd.NoPreImage);
    ss.IntervalSecond =
        ini.readInt(kSlideShow, QStringLiteral("IntervalSecond"), sd.IntervalSecond);
    ss.PlayBGM = ini.readInt(kSlideShow, QStringLiteral("PlayBGM"), sd.PlayBGM);
    ss.LoopBGM = ini.readInt(kSlideShow, QStringLiteral("LoopBGM"), sd.LoopBGM);
    ss.BGMFileName = ini.readString(kSlideShow, QStringLiteral("BGMFileName"), sd.BGMFileName);

    s.AppCount = ini.readInt(kExternal, QStringLiteral("AppCount"), d.AppCount);
    s.AppList.clear();
    for (std::int32_t i = 1; i <= s.AppCount; ++i) {
        // Only keys that exist can add entries; a huge count costs one lookup
        // per existing key, not one per number.
        if (i > 9999 && !ini.contains(kExternal, appKey(i)))
            break;
        const QString path = ini.readString(kExternal, appKey(i), QString());
        if (!path.isEmpty())
            s.AppList.append(path);
    }
}

std::int32_t savedAppCount(const AppSettings& s) {
    const auto length = static_cast<std::int32_t>(s.AppList.size());
    return s.AppCount > length ? length : s.AppCount;
}

void SaveSettings(CIniFile& ini, const AppSettings& s, const LiveSettingValues& live) {
    ini.writeInt(kApplication, QStringLiteral("AutoRotate"), s.AutoRotate);
    ini.writeInt(kApplication, QStringLiteral("AutoUpdate"), s.AutoUpdate);
    ini.writeInt(kApplication, QStringLiteral("AutoDriveDetect"), s.AutoDriveDetect);
    ini.writeInt(kApplication, QStringLiteral("SizeLimitterSize"), s.SizeLimitterSize);
    ini.writeInt(kDisplay, QStringLiteral("ItemSpace"), s.ItemSpace);
    ini.writeInt(kDisplay, QStringLiteral("ImageSpace"), s.ImageSpace);
    ini.writeInt(kDisplay, QStringLiteral("CustomThumbnailSizeHorz"), s.CustomThumbnailSizeHorz);
    ini.writeInt(kDisplay, QStringLiteral("CustomThumbnailSizeVert"), s.CustomThumbnailSizeVert);
    ini.writeInt(kDisplay, QStringLiteral("MiscKind"), s.MiscKind);
    ini.writeInt(kDisplay, QStringLiteral("KindIcon"), s.KindIcon);
    ini.writeInt(kDisplay, QStringLiteral("ProtectIcon"), s.ProtectIcon);

    ini.writeInt(kColor, QStringLiteral("ThumbWorkspace"), s.ThumbWorkspace);
    ini.writeInt(kColor, QStringLiteral("CanvasNormal"), s.CanvasNormal);
    ini.writeInt(kColor, QStringLiteral("CanvasSelectedForeground"), s.CanvasSelectedForeground);
    ini.writeInt(kColor, QStringLiteral("CanvasSelectedBackground"), s.CanvasSelectedBackground);
    ini.writeInt(kColor, QStringLiteral("ThumbEdge"), s.ThumbEdge);
    ini.writeInt(kColor, QStringLiteral("CursorForeground"), s.CursorForeground);
    ini.writeInt(kColor, QStringLiteral("CursorBackground"), s.CursorBackground);
    ini.writeInt(kColor, QStringLiteral("FileName"), s.FileName);
    ini.writeInt(kColor, QStringLiteral("ExifInfo"), s.ExifInfo);

    ini.writeString(kFont, QStringLiteral("FileNameFace"), s.FileNameFace.left(kFontFaceMaxChars));
    ini.writeInt(kFont, QStringLiteral("FileNameHeight"), s.FileNameHeight);
    ini.writeInt(kFont, QStringLiteral("FileNameWidth"), s.FileNameWidth);
    ini.writeString(kFont, QStringLiteral("ExifInfoFace"), s.ExifInfoFace.left(kFontFaceMaxChars));
    ini.writeInt(kFont, QStringLiteral("ExifInfoHeight"), s.ExifInfoHeight);
    ini.writeInt(kFont, QStringLiteral("ExifInfoWidth"), s.ExifInfoWidth);

    ini.writeInt(kPreview, QStringLiteral("MagMode"), s.MagMode);
    ini.writeInt(kPreview, QStringLiteral("RotateMode"), s.RotateMode);
    ini.writeInt(kPreview, QStringLiteral("PreimageSize"), s.PreimageSize);
    ini.writeInt(kPreview, QStringLiteral("FullScreenToolBar"), s.FullScreenToolBar);
    ini.writeInt(kPreview, QStringLiteral("NoMagOnFit"), s.NoMagOnFit);
    ini.writeInt(kCustom, QStringLiteral("PreviewMouseWheel"), s.PreviewMouseWheel);
    ini.writeInt(kCustom, QStringLiteral("NoSlideShowDlg"), s.NoSlideShowDlg);
    ini.writeInt(kCustom, QStringLiteral("OneKey"), s.OneKey);

    ini.writeInt(kExternal, QStringLiteral("AppCount"), savedAppCount(s));
    for (qsizetype i = 0; i < s.AppList.size(); ++i)
        ini.writeString(kExternal, appKey(static_cast<int>(i + 1)), s.AppList[i]);

    ini.writeInt(kControl, QStringLiteral("FileType"), s.FileType);
    ini.writeInt(kControl, QStringLiteral("ThumbnailSize"), s.ThumbnailSize);
    ini.writeInt(kControl, QStringLiteral("SizeLimitter"), s.SizeLimitter);
    ini.writeInt(kControl, QStringLiteral("ShowFileName"), s.ShowFileName);
    ini.writeInt(kControl, QStringLiteral("ShowGuide"), s.ShowGuide);
    ini.writeInt(kControl, QStringLiteral("ShowPreimage"), s.ShowPreimage);
    ini.writeInt(kControl, QStringLiteral("HistogramMode"), s.HistogramMode);
    ini.writeInt(kControl, QStringLiteral("SmartRendering"), s.SmartRendering);
    ini.writeInt(kControl, QStringLiteral("FullScreen"), s.FullScreen);
    ini.writeInt(kControl, QStringLiteral("MainDividerPos"),
                 live.MainDividerPos.value_or(s.MainDividerPos));
    ini.writeInt(kControl, QStringLiteral("InfoDividerPos"),
                 live.InfoDividerPos.value_or(s.InfoDividerPos));
    ini.writeInt(kControl, QStringLiteral("ShowExifWindow"), s.ShowExifWindow);
    ini.writeInt(kControl, QStringLiteral("MiniPreviewDividerPos"),
                 live.MiniPreviewDividerPos.value_or(s.MiniPreviewDividerPos));
    ini.writeInt(kControl, QStringLiteral("ShowMiniPreview"),
                 live.ShowMiniPreview.value_or(s.ShowMiniPreview));

    const SlideShowSettings& ss = s.SlideShow;
    ini.writeInt(kSlideShow, QStringLiteral("IntervalSecond"), ss.IntervalSecond);
    ini.writeInt(kSlideShow, QStringLiteral("FullScreen"), ss.FullScreen);
    ini.writeInt(kSlideShow, QStringLiteral("NoPreImage"), ss.NoPreImage);
    ini.writeInt(kSlideShow, QStringLiteral("FromHead"), ss.FromHead);
    ini.writeInt(kSlideShow, QStringLiteral("AutoClose"), ss.AutoClose);
    ini.writeInt(kSlideShow, QStringLiteral("PlayBGM"), ss.PlayBGM);
    ini.writeInt(kSlideShow, QStringLiteral("LoopBGM"), ss.LoopBGM);
    ini.writeString(kSlideShow, QStringLiteral("BGMFileName"), ss.BGMFileName);
}

FrameSettings readFrameSettings(const CIniFile& ini, const FrameSettings& created) {
    FrameSettings f;
    f.left = ini.readInt(kFrame, QStringLiteral("left"), created.left);
    f.top = ini.readInt(kFrame, QStringLiteral("top"), created.top);
    f.right = ini.readInt(kFrame, QStringLiteral("right"), created.right);
    f.bottom = ini.readInt(kFrame, QStringLiteral("bottom"), created.bottom);
    f.cmd = ini.readInt(kFrame, QStringLiteral("cmd"), SW_SHOWNORMAL);
    return f;
}

void writeFrameSettings(CIniFile& ini, const FrameSettings& f) {
    ini.writeInt(kFrame, QStringLiteral("left"), f.left);
    ini.writeInt(kFrame, QStringLiteral("top"), f.top);
    ini.writeInt(kFrame, QStringLiteral("right"), f.right);
    ini.writeInt(kFrame, QStringLiteral("bottom"), f.bottom);
    ini.writeInt(kFrame, QStringLiteral("cmd"), f.cmd);
}

std::optional<QString> readBinPath(const CIniFile& ini) {
    const std::optional<QByteArray> bytes = ini.readBinary(kFolder, QStringLiteral("BinPath"));
    if (!bytes || bytes->size() < 2 || bytes->size() % 2 != 0)
        return std::nullopt;
    QString path;
    path.reserve(bytes->size() / 2);
    for (qsizetype i = 0; i + 1 < bytes->size(); i += 2) {
        const auto unit = static_cast<char16_t>(static_cast<unsigned char>((*bytes)[i]) |
                                                (static_cast<unsigned char>((*bytes)[i + 1]) << 8));
        if (unit == 0)
            break;
        path += QChar(unit);
    }
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

void writeBinPath(CIniFile& ini, const QString& folderPath) {
    QByteArray bytes;
    bytes.reserve((folderPath.size() + 1) * 2);
    for (const QChar c : folderPath) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    bytes.append('\0');
    bytes.append('\0');
    ini.writeBinary(kFolder, QStringLiteral("BinPath"), bytes);
}

bool updateSettingsFile(const QString& path, const std::function<void(CIniFile&)>& apply) {
    CIniFile ini;
    if (ini.load(path) == CIniFile::LoadResult::Failed)
        return false;
    apply(ini);
    return ini.save(path);
}

bool loadSettingsFile(const QString& path, AppSettings& settings, int screenDpiY) {
    CIniFile ini;
    const CIniFile::LoadResult result = ini.load(path);
    LoadSettings(ini, settings, screenDpiY);
    return result != CIniFile::LoadResult::Failed;
}

bool saveSettingsFile(const QString& path, const AppSettings& settings,
                      const LiveSettingValues& live) {
    return updateSettingsFile(path, [&](CIniFile& ini) { SaveSettings(ini, settings, live); });
}

QString settingsFilePathBeside(const QString& programPath) {
    const QFileInfo info(programPath);
    QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        name.truncate(dot);
    return QDir(info.absolutePath()).filePath(name + QStringLiteral(".ini"));
}

bool isFolderWritable(const QString& folder) {
    if (!QFileInfo(folder).isDir())
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".lumora-write-test-XXXXXX")));
    return probe.open();
}

QString settingsFilePath(const QString& programPath, const QString& xdgConfigHome,
                         const QString& home,
                         const std::function<bool(const QString&)>& folderWritable) {
    const QString beside = settingsFilePathBeside(programPath);
    const QString folder = QFileInfo(beside).absolutePath();
    const bool writable = folderWritable ? folderWritable(folder) : isFolderWritable(folder);
    if (writable)
        return beside;
    QString configHome = xdgConfigHome;
    // Relative values of XDG_CONFIG_HOME are invalid and ignored.
    if (configHome.isEmpty() || QDir::isRelativePath(configHome))
        configHome =
            QDir(home.isEmpty() ? QDir::homePath() : home).filePath(QStringLiteral(".config"));
    return QDir(configHome).filePath(QStringLiteral("lumora/lumora.ini"));
}

QString settingsFilePathForProcess(const QString& programPath) {
    return settingsFilePath(programPath, qEnvironmentVariable("XDG_CONFIG_HOME"),
                            qEnvironmentVariable("HOME"));
}

} // namespace lumora
