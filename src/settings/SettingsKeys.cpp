#include "settings/SettingsKeys.h"

#include <array>
#include <cstring>
#include <limits>

namespace lumora {

namespace {

using T = SettingKey::Type;
using R = SettingKey::OutOfRange;
using L = SettingKey::Live;

constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kColorMax = 0xFFFFFF;
// Largest caption font height, either sign, in pixels.
constexpr std::int32_t kFontHeightMax = 200;
// Largest pane size in pixels.
constexpr std::int32_t kPaneMax = 32767;

#define LUMORA_INT(f) [](AppSettings& s) { return &s.f; }, nullptr
#define LUMORA_TEXT(f) nullptr, [](AppSettings& s) { return &s.f; }

// Save order. Columns: section, key, type, load position, range, what
// happens outside it, field, live value, screen-dependent default.
const std::array kKeys{
    SettingKey{"ApplicationSettings", "AutoRotate", T::Int, 0, 0, 1, R::UseDefault,
               LUMORA_INT(AutoRotate), L::None, false},
    SettingKey{"ApplicationSettings", "AutoUpdate", T::Int, 1, 0, 1, R::UseDefault,
               LUMORA_INT(AutoUpdate), L::None, false},
    SettingKey{"ApplicationSettings", "AutoDriveDetect", T::Int, 2, 0, 1, R::UseDefault,
               LUMORA_INT(AutoDriveDetect), L::None, false},
    SettingKey{"ApplicationSettings", "SizeLimitterSize", T::Int, 3, 0, 100000, R::Clamp,
               LUMORA_INT(SizeLimitterSize), L::None, false},
    SettingKey{"DisplaySettings", "ItemSpace", T::Int, 4, 1, 50, R::Clamp, LUMORA_INT(ItemSpace),
               L::None, false},
    SettingKey{"DisplaySettings", "ImageSpace", T::Int, 5, 1, 50, R::Clamp, LUMORA_INT(ImageSpace),
               L::None, false},
    SettingKey{"DisplaySettings", "CustomThumbnailSizeHorz", T::Int, 6, 20, 200, R::Clamp,
               LUMORA_INT(CustomThumbnailSizeHorz), L::None, false},
    // The short side is the long side x 0.75: 15 for 20, 150 for 200.
    SettingKey{"DisplaySettings", "CustomThumbnailSizeVert", T::Int, 7, 15, 150, R::Clamp,
               LUMORA_INT(CustomThumbnailSizeVert), L::None, false},
    SettingKey{"DisplaySettings", "MiscKind", T::Int, 8, 0, 0x3F, R::UseDefault,
               LUMORA_INT(MiscKind), L::None, false},
    // Files written before the current RAW kinds existed have no such key:
    // the default shows them all.
    SettingKey{"DisplaySettings", "RawKind", T::Int, 57, 0, 0x7F, R::UseDefault,
               LUMORA_INT(RawKind), L::None, false},
    // Likewise for HEIF, AVIF, PNG, WebP and JPEG XL.
    SettingKey{"DisplaySettings", "PictureKind", T::Int, 58, 0, 0x1F, R::UseDefault,
               LUMORA_INT(PictureKind), L::None, false},
    SettingKey{"DisplaySettings", "KindIcon", T::Int, 9, 0, 1, R::UseDefault, LUMORA_INT(KindIcon),
               L::None, false},
    SettingKey{"DisplaySettings", "ProtectIcon", T::Int, 10, 0, 1, R::UseDefault,
               LUMORA_INT(ProtectIcon), L::None, false},
    SettingKey{"ColorSettings", "ThumbWorkspace", T::Int, 11, 0, kColorMax, R::UseDefault,
               LUMORA_INT(ThumbWorkspace), L::None, false},
    SettingKey{"ColorSettings", "CanvasNormal", T::Int, 12, 0, kColorMax, R::UseDefault,
               LUMORA_INT(CanvasNormal), L::None, false},
    SettingKey{"ColorSettings", "CanvasSelectedForeground", T::Int, 13, 0, kColorMax, R::UseDefault,
               LUMORA_INT(CanvasSelectedForeground), L::None, false},
    SettingKey{"ColorSettings", "CanvasSelectedBackground", T::Int, 14, 0, kColorMax, R::UseDefault,
               LUMORA_INT(CanvasSelectedBackground), L::None, false},
    SettingKey{"ColorSettings", "ThumbEdge", T::Int, 15, 0, kColorMax, R::UseDefault,
               LUMORA_INT(ThumbEdge), L::None, false},
    SettingKey{"ColorSettings", "CursorForeground", T::Int, 16, 0, kColorMax, R::UseDefault,
               LUMORA_INT(CursorForeground), L::None, false},
    SettingKey{"ColorSettings", "CursorBackground", T::Int, 17, 0, kColorMax, R::UseDefault,
               LUMORA_INT(CursorBackground), L::None, false},
    SettingKey{"ColorSettings", "FileName", T::Int, 18, 0, kColorMax, R::UseDefault,
               LUMORA_INT(FileName), L::None, false},
    SettingKey{"ColorSettings", "ExifInfo", T::Int, 19, 0, kColorMax, R::UseDefault,
               LUMORA_INT(ExifInfo), L::None, false},
    SettingKey{"FontSettings", "FileNameFace", T::FontFace, 20, 0, 0, R::UseDefault,
               LUMORA_TEXT(FileNameFace), L::None, false},
    SettingKey{"FontSettings", "FileNameHeight", T::Int, 21, -kFontHeightMax, kFontHeightMax,
               R::UseDefault, LUMORA_INT(FileNameHeight), L::None, true},
    SettingKey{"FontSettings", "FileNameWidth", T::Int, 22, 0, 1000, R::UseDefault,
               LUMORA_INT(FileNameWidth), L::None, false},
    SettingKey{"FontSettings", "ExifInfoFace", T::FontFace, 23, 0, 0, R::UseDefault,
               LUMORA_TEXT(ExifInfoFace), L::None, false},
    SettingKey{"FontSettings", "ExifInfoHeight", T::Int, 24, -kFontHeightMax, kFontHeightMax,
               R::UseDefault, LUMORA_INT(ExifInfoHeight), L::None, true},
    SettingKey{"FontSettings", "ExifInfoWidth", T::Int, 25, 0, 1000, R::UseDefault,
               LUMORA_INT(ExifInfoWidth), L::None, false},
    SettingKey{"PreviewSettings", "MagMode", T::Int, 26, 0, 1, R::UseDefault, LUMORA_INT(MagMode),
               L::None, false},
    SettingKey{"PreviewSettings", "RotateMode", T::Int, 27, 0, 1, R::UseDefault,
               LUMORA_INT(RotateMode), L::None, false},
    SettingKey{"PreviewSettings", "PreimageSize", T::Int, 28, 1, 5, R::Clamp,
               LUMORA_INT(PreimageSize), L::None, false},
    SettingKey{"PreviewSettings", "FullScreenToolBar", T::Int, 29, 0, 1, R::UseDefault,
               LUMORA_INT(FullScreenToolBar), L::None, false},
    SettingKey{"PreviewSettings", "NoMagOnFit", T::Int, 30, 0, 1, R::UseDefault,
               LUMORA_INT(NoMagOnFit), L::None, false},
    SettingKey{"PreviewSettings", "DisplayProfile", T::Text, 59, 0, 0, R::UseDefault,
               LUMORA_TEXT(DisplayProfile), L::None, false},
    SettingKey{"CustomSettings", "PreviewMouseWheel", T::Int, 31, 0, 1, R::UseDefault,
               LUMORA_INT(PreviewMouseWheel), L::None, false},
    SettingKey{"CustomSettings", "NoSlideShowDlg", T::Int, 32, 0, 1, R::UseDefault,
               LUMORA_INT(NoSlideShowDlg), L::None, false},
    // Key data of a key message: every bit pattern is a possible stroke.
    SettingKey{"CustomSettings", "OneKey", T::Int, 33, kIntMin, kIntMax, R::UseDefault,
               LUMORA_INT(OneKey), L::None, false},
    SettingKey{"ExternalAppSettings", "AppCount", T::AppList, 56, 0, kIntMax, R::Clamp,
               LUMORA_INT(AppCount), L::None, false},
    SettingKey{"ControlSettings", "FileType", T::Int, 34, 0, 7, R::UseDefault, LUMORA_INT(FileType),
               L::None, false},
    SettingKey{"ControlSettings", "ThumbnailSize", T::Int, 35, 0, 3, R::UseDefault,
               LUMORA_INT(ThumbnailSize), L::None, false},
    SettingKey{"ControlSettings", "SizeLimitter", T::Int, 36, 0, 1, R::UseDefault,
               LUMORA_INT(SizeLimitter), L::None, false},
    SettingKey{"ControlSettings", "ShowFileName", T::Int, 37, 0, 1, R::UseDefault,
               LUMORA_INT(ShowFileName), L::None, false},
    SettingKey{"ControlSettings", "ShowGuide", T::Int, 38, 0, 1, R::UseDefault,
               LUMORA_INT(ShowGuide), L::None, false},
    SettingKey{"ControlSettings", "ShowPreimage", T::Int, 39, 0, 1, R::UseDefault,
               LUMORA_INT(ShowPreimage), L::None, false},
    SettingKey{"ControlSettings", "HistogramMode", T::Int, 40, 0, 1, R::UseDefault,
               LUMORA_INT(HistogramMode), L::None, false},
    SettingKey{"ControlSettings", "SmartRendering", T::Int, 41, 0, 1, R::UseDefault,
               LUMORA_INT(SmartRendering), L::None, false},
    SettingKey{"ControlSettings", "FullScreen", T::Int, 42, 0, 1, R::UseDefault,
               LUMORA_INT(FullScreen), L::None, false},
    SettingKey{"ControlSettings", "MainDividerPos", T::Int, 43, 0, kPaneMax, R::Clamp,
               LUMORA_INT(MainDividerPos), L::MainDividerPos, false},
    SettingKey{"ControlSettings", "InfoDividerPos", T::Int, 44, 0, kPaneMax, R::Clamp,
               LUMORA_INT(InfoDividerPos), L::InfoDividerPos, false},
    SettingKey{"ControlSettings", "ShowExifWindow", T::Int, 45, 0, 1, R::UseDefault,
               LUMORA_INT(ShowExifWindow), L::None, false},
    SettingKey{"ControlSettings", "MiniPreviewDividerPos", T::Int, 46, 0, kPaneMax, R::Clamp,
               LUMORA_INT(MiniPreviewDividerPos), L::MiniPreviewDividerPos, false},
    SettingKey{"ControlSettings", "ShowMiniPreview", T::Int, 47, 0, 1, R::UseDefault,
               LUMORA_INT(ShowMiniPreview), L::ShowMiniPreview, false},
    SettingKey{"SlideShowSettings", "IntervalSecond", T::Int, 52, 0, 30, R::Clamp,
               LUMORA_INT(SlideShow.IntervalSecond), L::None, false},
    SettingKey{"SlideShowSettings", "FullScreen", T::Int, 48, 0, 1, R::UseDefault,
               LUMORA_INT(SlideShow.FullScreen), L::None, false},
    SettingKey{"SlideShowSettings", "NoPreImage", T::Int, 51, 0, 1, R::UseDefault,
               LUMORA_INT(SlideShow.NoPreImage), L::None, false},
    SettingKey{"SlideShowSettings", "FromHead", T::Int, 49, 0, 1, R::UseDefault,
               LUMORA_INT(SlideShow.FromHead), L::None, false},
    SettingKey{"SlideShowSettings", "AutoClose", T::Int, 50, 0, 1, R::UseDefault,
               LUMORA_INT(SlideShow.AutoClose), L::None, false},
    SettingKey{"SlideShowSettings", "PlayBGM", T::Int, 53, 0, 1, R::UseDefault,
               LUMORA_INT(SlideShow.PlayBGM), L::None, false},
    SettingKey{"SlideShowSettings", "LoopBGM", T::Int, 54, 0, 1, R::UseDefault,
               LUMORA_INT(SlideShow.LoopBGM), L::None, false},
    SettingKey{"SlideShowSettings", "BGMFileName", T::Text, 55, 0, 0, R::UseDefault,
               LUMORA_TEXT(SlideShow.BGMFileName), L::None, false},
    SettingKey{"MarkSettings", "MoveAfterMark", T::Int, 60, 0, 1, R::UseDefault,
               LUMORA_INT(MoveAfterMark), L::None, false},
    SettingKey{"MarkSettings", "SidecarName", T::Int, 61, 0, 1, R::UseDefault,
               LUMORA_INT(SidecarName), L::None, false},
};

#undef LUMORA_INT
#undef LUMORA_TEXT

} // namespace

std::int32_t SettingKey::sanitize(std::int32_t v, std::int32_t def) const {
    if (inRange(v))
        return v;
    if (outOfRange == OutOfRange::UseDefault)
        return def;
    return v < minimum ? minimum : maximum;
}

std::int32_t SettingKey::defaultInt(int screenDpiY) const {
    if (screenFontHeight)
        return defaultCaptionFontHeight(screenDpiY);
    return intField ? intOf(AppSettings()) : 0;
}

std::span<const SettingKey> settingKeys() {
    return kKeys;
}

const SettingKey* findSettingKey(const char* section, const char* key) {
    for (const SettingKey& k : kKeys)
        if (std::strcmp(k.section, section) == 0 && std::strcmp(k.key, key) == 0)
            return &k;
    return nullptr;
}

const SettingKey* findSettingKey(const AppSettings& s, const std::int32_t& field) {
    for (const SettingKey& k : kKeys)
        if (k.intField && &k.intOf(s) == &field)
            return &k;
    return nullptr;
}

void sanitizeSettings(AppSettings& s, int screenDpiY) {
    for (const SettingKey& k : kKeys) {
        if (!k.intField)
            continue;
        std::int32_t& v = *k.intField(s);
        v = k.sanitize(v, k.defaultInt(screenDpiY));
    }
}

} // namespace lumora
