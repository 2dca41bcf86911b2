// Values read from a hand-edited settings file: every integer key of the
// table with zero, negative, huge and non-numeric text.
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QSet>

#include <gtest/gtest.h>

#include <limits>

using namespace lumora;

namespace {

CIniFile iniWith(const SettingKey& k, const QByteArray& value) {
    return CIniFile::fromText("[" + QByteArray(k.section) + "]\n" + QByteArray(k.key) + "=" +
                              value + "\n");
}

std::int32_t loadedValue(const SettingKey& k, const QByteArray& value) {
    AppSettings s;
    LoadSettings(iniWith(k, value), s, 96);
    return k.intOf(s);
}

} // namespace

TEST(SettingsKeys, TableHoldsEveryKeyOnceWithItsDefaultInRange) {
    QSet<QString> seen;
    QSet<int> ranks;
    for (const SettingKey& k : settingKeys()) {
        const QString name = QString::fromLatin1(k.section) + "/" + k.key;
        EXPECT_FALSE(seen.contains(name)) << name.toStdString();
        seen.insert(name);
        EXPECT_FALSE(ranks.contains(k.loadRank)) << name.toStdString();
        ranks.insert(k.loadRank);
        EXPECT_LE(k.minimum, k.maximum) << name.toStdString();
        if (k.intField) {
            EXPECT_TRUE(k.inRange(k.defaultInt(96))) << name.toStdString();
        }
        EXPECT_EQ(findSettingKey(k.section, k.key), &k);
    }
    EXPECT_EQ(seen.size(), 62);
    for (int r = 0; r < 62; ++r)
        EXPECT_TRUE(ranks.contains(r)) << r;
}

TEST(SettingsKeys, DialogRangesAreTheTableRanges) {
    const struct {
        const char* section;
        const char* key;
        int min, max;
    } dialog[] = {{"ApplicationSettings", "SizeLimitterSize", 0, 100000},
                  {"DisplaySettings", "ItemSpace", 1, 50},
                  {"DisplaySettings", "ImageSpace", 1, 50},
                  {"DisplaySettings", "CustomThumbnailSizeHorz", 20, 200},
                  {"PreviewSettings", "PreimageSize", 1, 5},
                  {"SlideShowSettings", "IntervalSecond", 0, 30}};
    for (const auto& d : dialog) {
        const SettingKey* k = findSettingKey(d.section, d.key);
        ASSERT_NE(k, nullptr) << d.key;
        EXPECT_EQ(k->minimum, d.min) << d.key;
        EXPECT_EQ(k->maximum, d.max) << d.key;
        EXPECT_EQ(k->outOfRange, SettingKey::OutOfRange::Clamp) << d.key;
    }
    AppSettings s;
    EXPECT_EQ(findSettingKey(s, s.SlideShow.FullScreen),
              findSettingKey("SlideShowSettings", "FullScreen"));
    EXPECT_EQ(findSettingKey(s, s.FullScreen), findSettingKey("ControlSettings", "FullScreen"));
}

// Every integer key with zero, negative, huge, out-of-int and non-numeric text:
// the loaded value lies in the key's range and is either the clamped value or
// the default.
TEST(SettingsKeys, EveryNumericKeyIsBroughtIntoRange) {
    const QByteArray values[] = {
        "0",   "-1", "-60", "-2147483648", "2147483647", "99999999999", "-99999999999",
        "abc", "",   "1e9", "0x10",        " 12 ",       "４２"};
    int checked = 0;
    for (const SettingKey& k : settingKeys()) {
        if (!k.intField)
            continue;
        const std::int32_t def = k.defaultInt(96);
        for (const QByteArray& text : values) {
            const std::int32_t v = loadedValue(k, text);
            SCOPED_TRACE(std::string(k.section) + "/" + k.key + "=" + text.toStdString());
            EXPECT_TRUE(k.inRange(v)) << v;
            bool ok = false;
            const long long parsed = text.trimmed().toLongLong(&ok);
            if (!ok || parsed < std::numeric_limits<std::int32_t>::min() ||
                parsed > std::numeric_limits<std::int32_t>::max()) {
                // Leading digits are taken ("1e9" reads 1, "0x10" reads 0).
                continue;
            }
            if (k.inRange(static_cast<std::int32_t>(parsed)))
                EXPECT_EQ(v, parsed);
            else if (k.outOfRange == SettingKey::OutOfRange::UseDefault)
                EXPECT_EQ(v, def);
            else
                EXPECT_EQ(v, parsed < k.minimum ? k.minimum : k.maximum);
            ++checked;
        }
    }
    EXPECT_GT(checked, 300);
}

TEST(SettingsKeys, GapsAndSizesClampBooleansAndColoursFallBack) {
    AppSettings s;
    LoadSettings(CIniFile::fromText("[DisplaySettings]\nItemSpace=0\nImageSpace=-60\n"
                                    "CustomThumbnailSizeHorz=100000\nCustomThumbnailSizeVert=0\n"
                                    "MiscKind=255\n"
                                    "[ColorSettings]\nThumbEdge=-1\nFileName=16777216\n"
                                    "[PreviewSettings]\nPreimageSize=0\n"
                                    "[ControlSettings]\nThumbnailSize=9\nShowGuide=2\n"
                                    "MainDividerPos=-5\n"
                                    "[FontSettings]\nFileNameHeight=-100000\nExifInfoWidth=5000\n"
                                    "[SlideShowSettings]\nIntervalSecond=-3\n"
                                    "[ExternalAppSettings]\nAppCount=-4\n"
                                    "[CustomSettings]\nOneKey=-1071841279\n"),
                 s, 120);
    EXPECT_EQ(s.ItemSpace, 1);
    EXPECT_EQ(s.ImageSpace, 1);
    EXPECT_EQ(s.CustomThumbnailSizeHorz, 200);
    EXPECT_EQ(s.CustomThumbnailSizeVert, 15);
    EXPECT_EQ(s.MiscKind, 0x3D);
    EXPECT_EQ(s.ThumbEdge, 0xC0C0C0);
    EXPECT_EQ(s.FileName, 0xFFFFFF);
    EXPECT_EQ(s.PreimageSize, 1);
    EXPECT_EQ(s.ThumbnailSize, 1);
    EXPECT_EQ(s.ShowGuide, 1);
    EXPECT_EQ(s.MainDividerPos, 0);
    EXPECT_EQ(s.FileNameHeight, -15); // the screen's 9-point default
    EXPECT_EQ(s.ExifInfoWidth, 0);
    EXPECT_EQ(s.SlideShow.IntervalSecond, 0);
    EXPECT_EQ(s.AppCount, 0);
    // A key-up stroke has the top bits set; it stays as captured.
    EXPECT_EQ(s.OneKey, -1071841279);

    // Saving writes the values brought into range.
    CIniFile out;
    SaveSettings(out, s);
    EXPECT_EQ(out.readInt("DisplaySettings", "ItemSpace", -9), 1);
    EXPECT_EQ(out.readInt("ExternalAppSettings", "AppCount", -9), 0);
}

TEST(SettingsKeys, SanitizeLeavesAValidRecordAlone) {
    AppSettings s;
    s.ItemSpace = 50;
    s.CustomThumbnailSizeHorz = 20;
    s.OneKey = 0x01480001;
    AppSettings copy = s;
    sanitizeSettings(copy, 96);
    EXPECT_EQ(copy, s);
    copy.ItemSpace = 0;
    copy.FullScreen = 7;
    sanitizeSettings(copy, 96);
    EXPECT_EQ(copy.ItemSpace, 1);
    EXPECT_EQ(copy.FullScreen, 0);
}
