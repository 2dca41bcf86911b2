// The settings record of the main window and its slideshow options.
//
// Every field is named by its INI key; the comment gives "Section / key".
// The list container keeps a copy of the record and hands it on to the
// views, the viewer, the slideshow and the information panel whenever it
// changes. The record is a plain value: copying it copies the application
// list and the slideshow options with it.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace lumora {

// Section "SlideShowSettings".
struct SlideShowSettings {
    std::int32_t IntervalSecond = 5; // seconds per image
    std::int32_t FullScreen = 1;     // run in full screen
    std::int32_t NoPreImage = 1;     // skip the pre-image
    std::int32_t FromHead = 1;       // start at the first image
    std::int32_t AutoClose = 1;      // close the viewer at the end
    std::int32_t PlayBGM = 0;        // play background music
    std::int32_t LoopBGM = 0;        // repeat the music
    QString BGMFileName;             // path of the music file

    bool operator==(const SlideShowSettings&) const = default;
};

// Longest font face the record holds (100 units with the terminator).
constexpr int kFontFaceMaxChars = 99;

// Height of a 9-point caption font on a screen of `dpiY` vertical pixels per
// inch: the negative character height, rounded to the nearest pixel.
std::int32_t defaultCaptionFontHeight(int dpiY);

// Screen resolution assumed where no screen is known.
constexpr int kDefaultScreenDpiY = 96;

struct AppSettings {
    // Colours are 0x00BBGGRR values (red in the low byte).
    std::int32_t ItemSpace = 8;                            // DisplaySettings / ItemSpace
    std::int32_t ImageSpace = 10;                          // DisplaySettings / ImageSpace
    std::int32_t CustomThumbnailSizeHorz = 60;             // DisplaySettings
    std::int32_t CustomThumbnailSizeVert = 45;             // DisplaySettings
    std::int32_t ThumbWorkspace = 0x8C8C8C;                // ColorSettings
    std::int32_t CanvasNormal = 0x505050;                  // ColorSettings
    std::int32_t CanvasSelectedForeground = 0x3C0000;      // ColorSettings
    std::int32_t CanvasSelectedBackground = 0x282828;      // ColorSettings
    std::int32_t ThumbEdge = 0xC0C0C0;                     // ColorSettings
    std::int32_t CursorForeground = 0xFF0000;              // ColorSettings
    std::int32_t CursorBackground = 0xFF6060;              // ColorSettings
    std::int32_t FileName = 0xFFFFFF;                      // ColorSettings: file-name caption
    std::int32_t ExifInfo = 0xCDCDCD;                      // ColorSettings: shooting caption
    QString FileNameFace = QStringLiteral("MS UI Gothic"); // FontSettings
    std::int32_t FileNameHeight = defaultCaptionFontHeight(kDefaultScreenDpiY); // FontSettings
    std::int32_t FileNameWidth = 0; // FontSettings: the font's weight (0 default, 400, 700)
    QString ExifInfoFace = QStringLiteral("MS UI Gothic");                      // FontSettings
    std::int32_t ExifInfoHeight = defaultCaptionFontHeight(kDefaultScreenDpiY); // FontSettings
    std::int32_t ExifInfoWidth = 0;   // FontSettings: weight, like FileNameWidth
    std::int32_t AutoRotate = 1;      // ApplicationSettings
    std::int32_t AutoUpdate = 1;      // ApplicationSettings
    std::int32_t AutoDriveDetect = 1; // ApplicationSettings
    std::int32_t MiscKind =
        0x3D; // DisplaySettings: 0x01 PSD, 0x04 BMP, 0x08 GIF, 0x10 ICO, 0x20 CUR
    // DisplaySettings: 0x01 CR3, 0x02 ARW/SRF, 0x04 DNG, 0x08 RW2/RWL, 0x10 NRW, 0x20 SRW, 0x40 3FR
    std::int32_t RawKind = 0x7F;
    // DisplaySettings: 0x01 HEIF, 0x02 AVIF, 0x04 PNG, 0x08 WebP, 0x10 JPEG XL
    std::int32_t PictureKind = 0x1F;
    std::int32_t KindIcon = 1; // DisplaySettings
    std::int32_t ProtectIcon = 1;       // DisplaySettings
    std::int32_t MagMode = 0;           // PreviewSettings: 0 fit, 1 keep the last one
    std::int32_t RotateMode = 0;        // PreviewSettings: 0 EXIF orientation, 1 keep
    std::int32_t PreimageSize = 2;      // PreviewSettings: multiple of the thumbnail size
    std::int32_t FullScreenToolBar = 1; // PreviewSettings
    std::int32_t NoMagOnFit = 1;        // PreviewSettings
    // PreviewSettings: the monitor's ICC profile file, used when the desktop
    // publishes none (empty: sRGB).
    QString DisplayProfile;
    std::int32_t FileType = 7;          // ControlSettings: 1 JPEG, 2 RAW, 4 the MiscKind kinds
    std::int32_t ShowFileName = 1;      // ControlSettings
    std::int32_t ShowGuide = 1;         // ControlSettings
    std::int32_t ThumbnailSize = 1;     // ControlSettings: 0 160x120, 1 120x90, 2 100x75, 3 custom
    std::int32_t SizeLimitter = 0;      // ControlSettings
    std::int32_t SizeLimitterSize = 10; // ApplicationSettings: units of 1000 bytes
    std::int32_t ShowExifWindow = 1;    // ControlSettings
    std::int32_t ShowMiniPreview = 1;   // ControlSettings
    std::int32_t ShowPreimage = 1;      // ControlSettings
    std::int32_t SmartRendering = 0;    // ControlSettings
    std::int32_t FullScreen = 0;        // ControlSettings
    std::int32_t HistogramMode = 0;     // ControlSettings: 0 luminance, 1 RGB
    std::int32_t MainDividerPos = 200;  // ControlSettings
    std::int32_t InfoDividerPos = 200;  // ControlSettings
    std::int32_t MiniPreviewDividerPos = 200; // ControlSettings
    std::int32_t AppCount = 0;                // ExternalAppSettings: App%04d keys to read
    std::int32_t PreviewMouseWheel = 0;       // CustomSettings: 0 magnification, 1 next/previous
    std::int32_t NoSlideShowDlg = 0;          // CustomSettings
    QStringList AppList;              // ExternalAppSettings / App0001...: full paths, in order
    SlideShowSettings SlideShow;      // section SlideShowSettings
    std::int32_t OneKey = 0x00390001; // CustomSettings: key data of the One Key (space bar)
    std::int32_t MoveAfterMark = 0;   // MarkSettings: 1 moves the cursor on after a mark key
    std::int32_t SidecarName = 0;     // MarkSettings: new sidecars 0 IMG_0001.xmp, 1 IMG_0001.CR3.xmp

    bool operator==(const AppSettings&) const = default;
};

} // namespace lumora
