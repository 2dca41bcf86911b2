// The one table of the settings keys: section, key, the record field it
// fills, its load and save position and the range of values the program
// accepts for it. LoadSettings, SaveSettings and the settings dialog all
// work from this table; the defaults are those of the record's members
// (AppSettings.h), read through the same field accessors.
//
// Ranges: where the settings dialog edits a value, its range is the
// dialog's (ItemSpace 1..50, PreimageSize 1..5, ...); the other keys get
// the range that their users can cope with (booleans 0..1, colours
// 0..0xFFFFFF, enumerations their values). A value read from the file that
// lies outside is either clamped into the range (sizes, gaps, positions,
// seconds) or replaced by the default (booleans, enumerations, bit sets,
// colours, fonts), as the row says, so no hand-edited file can reach the
// layout or the painters with a value they cannot handle.
//
// Thread-safety: the table is immutable; any thread may read it.
#pragma once

#include "settings/AppSettings.h"

#include <QString>

#include <cstdint>
#include <span>

namespace lumora {

struct LiveSettingValues;

struct SettingKey {
    enum class Type {
        Int,      // signed decimal integer
        FontFace, // string, cut to kFontFaceMaxChars
        Text,     // string as written
        AppList,  // AppCount plus App0001... (the external application list)
    };
    enum class OutOfRange { Clamp, UseDefault };
    // Values that SaveSettings takes from the live window when it has them.
    enum class Live {
        None,
        MainDividerPos,
        InfoDividerPos,
        MiniPreviewDividerPos,
        ShowMiniPreview
    };

    const char* section;
    const char* key;
    Type type;
    int loadRank; // position in the load order (0 first); the table itself is in save order
    std::int32_t minimum;
    std::int32_t maximum;
    OutOfRange outOfRange;
    // The record's field (Int and AppList: the count; FontFace/Text: the string).
    std::int32_t* (*intField)(AppSettings&);
    QString* (*textField)(AppSettings&);
    Live live;
    // The default is the caption font height of the screen, not the record's.
    bool screenFontHeight;

    bool inRange(std::int32_t v) const { return v >= minimum && v <= maximum; }
    // `v` clamped into the range, or `def` when the row says so.
    std::int32_t sanitize(std::int32_t v, std::int32_t def) const;
    // The record's default of this row for a screen of `screenDpiY`.
    std::int32_t defaultInt(int screenDpiY) const;
    const std::int32_t& intOf(const AppSettings& s) const {
        return *intField(const_cast<AppSettings&>(s));
    }
    const QString& textOf(const AppSettings& s) const {
        return *textField(const_cast<AppSettings&>(s));
    }
};

// Every key of the record, in save order.
std::span<const SettingKey> settingKeys();
// The row of `section` / `key` (exact names), or nullptr.
const SettingKey* findSettingKey(const char* section, const char* key);
// The row of the record field `field` of `s`, or nullptr.
const SettingKey* findSettingKey(const AppSettings& s, const std::int32_t& field);

// Brings every integer of `s` into its row's range (clamped or set to the
// default), the way LoadSettings treats values read from the file.
void sanitizeSettings(AppSettings& s, int screenDpiY);

} // namespace lumora
