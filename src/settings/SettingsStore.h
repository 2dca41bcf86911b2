// Loading and saving the settings record, the frame placement and the last
// folder, and finding the settings file.
//
// The functions work on a CIniFile document so that one read-modify-write of
// the file can hold several steps (the exit writes BinPath, FrameSettings and
// then every setting). The *File variants read the file, apply one step and
// write it back atomically.
#pragma once

#include "settings/AppSettings.h"
#include "settings/IniFile.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace lumora {

// Values that SaveSettings takes from the live window instead of the record:
// the main divider's position, the widths/heights kept for the information
// and mini-preview panes, and whether the mini preview is shown. Any value
// left empty is taken from the record.
struct LiveSettingValues {
    std::optional<std::int32_t> MainDividerPos;
    std::optional<std::int32_t> InfoDividerPos;
    std::optional<std::int32_t> MiniPreviewDividerPos;
    std::optional<std::int32_t> ShowMiniPreview;
};

// Fills `settings` from `ini`, every key with its default. A value outside
// its key's range is clamped or replaced by the default (SettingsKeys.h), so
// a hand-edited file cannot hand the windows a value they cannot handle.
// `screenDpiY` is the screen's vertical resolution, for the default caption
// font height.
void LoadSettings(const CIniFile& ini, AppSettings& settings, int screenDpiY);

// Writes every key of `settings` in the save order of the key table. The application list goes
// under App0001 onward; keys above its length are left as they are.
void SaveSettings(CIniFile& ini, const AppSettings& settings, const LiveSettingValues& live = {});

// The count written as AppCount by SaveSettings: the list's length whenever
// the count read at load is larger. Writing back the larger count would make
// the stale keys above the list reappear on the next load as duplicates.
std::int32_t savedAppCount(const AppSettings& settings);

// Section FrameSettings: the main window's normal-position rectangle and its
// show command (1 normal, 2/6/7 minimised, 3 maximised).
struct FrameSettings {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    std::int32_t cmd = 1;

    bool operator==(const FrameSettings&) const = default;
};
constexpr std::int32_t SW_SHOWNORMAL = 1;
constexpr std::int32_t SW_SHOWMINIMIZED = 2;
constexpr std::int32_t SW_SHOWMAXIMIZED = 3;
constexpr std::int32_t SW_MINIMIZE = 6;
constexpr std::int32_t SW_SHOWMINNOACTIVE = 7;

// Missing edges default to those of `created` (the window as created); a
// missing cmd defaults to SW_SHOWNORMAL.
FrameSettings readFrameSettings(const CIniFile& ini, const FrameSettings& created);
void writeFrameSettings(CIniFile& ini, const FrameSettings& frame);

// Section Folder / BinPath: the last selected folder. On this platform the
// byte string holds the folder's path as UTF-16LE with a 2-byte terminator.
// Missing, malformed or empty values give nullopt.
std::optional<QString> readBinPath(const CIniFile& ini);
void writeBinPath(CIniFile& ini, const QString& folderPath);

// One-step file helpers: read the file, apply, write it back atomically.
// A file that exists but cannot be read is not overwritten (returns false).
bool loadSettingsFile(const QString& path, AppSettings& settings, int screenDpiY);
bool saveSettingsFile(const QString& path, const AppSettings& settings,
                      const LiveSettingValues& live = {});
bool updateSettingsFile(const QString& path, const std::function<void(CIniFile&)>& apply);

// The settings file of the program at `programPath`: the program's full path
// without its extension, plus ".ini". When the program's folder is not
// writable, the file of that name in $XDG_CONFIG_HOME/lumora (else
// ~/.config/lumora) instead: lumora.ini for "lumora", photos.ini for a copy
// named "photos". `xdgConfigHome` and `home` are the environment's
// values (empty when unset); `folderWritable` defaults to a real test that
// creates and removes a file in the folder.
QString settingsFilePathBeside(const QString& programPath);
QString settingsFilePath(const QString& programPath, const QString& xdgConfigHome,
                         const QString& home,
                         const std::function<bool(const QString&)>& folderWritable = {});
// The same for this process: its executable and environment.
QString settingsFilePathForProcess(const QString& programPath);

bool isFolderWritable(const QString& folder);

} // namespace lumora
