// Text of the information panel's rows: value formats, code tables, absent
// values and the maker-note rows of each kind.
#include "metadata/InfoRows.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace lumora;

namespace {

int RowIndex(std::string_view label) {
    for (int i = 0; i < kFixedRowCount; ++i)
        if (kFixedRows[std::size_t(i)].label == label)
            return i;
    return -1;
}

std::string Row(const ItemInfo& info, std::string_view label) {
    const int i = RowIndex(label);
    EXPECT_GE(i, 0) << label;
    return i < 0 ? std::string() : FixedRowValues(info)[std::size_t(i)];
}

ItemInfo WithShooting(ShootingInfo sh) {
    ItemInfo info;
    info.fileName = "IMG_0001.JPG";
    info.fileSize = 1234;
    info.imageInfo.make = "Canon";
    info.shootingInfo = std::move(sh);
    return info;
}

CanonMakerNote FullCanon() {
    CanonMakerNote c;
    c.driveMode = 1;
    c.whiteBalance = 2;
    c.colorTemperature = 5200;
    c.flashMode = 16;
    c.flashBits = 0x2000;
    c.flashCompensation = 0xFFF4;
    c.focusMode = 6;
    c.meteringMode = 5;
    c.exposureMode = 5;
    c.lensType = 0x95;
    c.shortFocal = 17;
    c.longFocal = 85;
    c.focalUnits = 1;
    c.imageType = "IMG:EOS 20D JPEG";
    c.firmwareVersion = "Firmware Version 2.0.3";
    c.serialNumber = "056000123";
    return c;
}

} // namespace

TEST(InfoRows, LayoutHasFourGroupsAndTwentyTwoRows) {
    EXPECT_EQ(kInfoGroups[0], "ファイル情報");
    EXPECT_EQ(kInfoGroups[3], "メーカーノート");
    int perGroup[3] = {0, 0, 0};
    for (const auto& r : kFixedRows) {
        ASSERT_GE(r.group, 0);
        ASSERT_LT(r.group, 3); // the maker-note group has no fixed rows
        ++perGroup[r.group];
    }
    EXPECT_EQ(perGroup[0], 2);
    EXPECT_EQ(perGroup[1], 8);
    EXPECT_EQ(perGroup[2], 12);
    // Groups follow each other: rows of one group are contiguous.
    EXPECT_TRUE(std::is_sorted(kFixedRows.begin(), kFixedRows.end(),
                               [](const auto& a, const auto& b) { return a.group < b.group; }));
}

TEST(InfoRows, FileWithoutExifShowsNameSizeAndDashesElsewhere) {
    // A BMP: name and size only; FillItemInfo drops whatever else the item had.
    ImageInfo im;
    im.width = 640;
    im.height = 480;
    ShootingInfo sh;
    sh.pixelX = 640;
    sh.pixelY = 480;
    sh.aspectX = 4;
    sh.aspectY = 3;
    ItemInfo info;
    FillItemInfo(info, "picture.bmp", 921654, im, sh, kMakerNoteNone, nullptr);
    const auto v = FixedRowValues(info);
    EXPECT_EQ(v[0], "picture.bmp");
    EXPECT_EQ(v[1], "921,654 bytes");
    for (int i = 2; i < kFixedRowCount; ++i)
        EXPECT_EQ(v[std::size_t(i)], "--") << kFixedRows[std::size_t(i)].label;
    EXPECT_TRUE(MakerNoteRows(info).empty());
}

TEST(InfoRows, FillCopiesEverythingWhenMakeOrModelIsPresent) {
    ImageInfo im;
    im.model = "NIKON D70";
    ShootingInfo sh;
    sh.iso = 200;
    NikonMakerNote n;
    n.quality = "FINE";
    const MakerNote note = n;
    ItemInfo info;
    FillItemInfo(info, "DSC_0001.JPG", 1000, im, sh, kMakerNoteNikon, &note);
    EXPECT_EQ(info.imageInfo, im);
    EXPECT_EQ(info.shootingInfo, sh);
    EXPECT_EQ(info.makerNoteKind, kMakerNoteNikon);
    EXPECT_EQ(std::get<NikonMakerNote>(info.makerNote), n);
    EXPECT_EQ(Row(info, "ISO"), "200");
    EXPECT_EQ(Row(info, "ファイルサイズ"), "1,000 bytes");
}

TEST(InfoRows, FileSizeGroupsDigitsByThree) {
    EXPECT_EQ(FormatFileSize(999), "999 bytes");
    EXPECT_EQ(FormatFileSize(1000), "1,000 bytes");
    EXPECT_EQ(FormatFileSize(1234567), "1,234,567 bytes");
    EXPECT_EQ(FormatFileSize(100000), "100,000 bytes");
    EXPECT_EQ(FormatFileSize(0), "--");
    EXPECT_EQ(FormatFileSize(-5), "--");
    EXPECT_EQ(FormatFileSize(INT64_MAX), "9,223,372,036,854,775,807 bytes");
    ItemInfo empty;
    EXPECT_EQ(FixedRowValues(empty)[0], "--"); // an empty name
}

TEST(InfoRows, ShutterSpeedBelowOneIsSecondsElseAFraction) {
    EXPECT_EQ(FormatShutterSpeed(0.5f), "2.0 秒");
    EXPECT_EQ(FormatShutterSpeed(250.0f), "1/250 秒");
    EXPECT_EQ(FormatShutterSpeed(1.0f), "1/1 秒");
    EXPECT_EQ(FormatShutterSpeed(0.0333333f), "30.0 秒");
    EXPECT_EQ(FormatShutterSpeed(0.0f), "inf 秒"); // a zero exposure time does not crash
}

TEST(InfoRows, ExposureBiasShowsThePlusSignOnlyAboveZero) {
    EXPECT_EQ(FormatExposureBias(0.0f), "0.0");
    EXPECT_EQ(FormatExposureBias(-0.67f), "-0.7");
    EXPECT_EQ(FormatExposureBias(0.33f), "+0.3");
    EXPECT_EQ(FormatExposureBias(2.0f), "+2.0");
}

TEST(InfoRows, FixedRowFormats) {
    ShootingInfo sh;
    sh.pixelX = 3072;
    sh.pixelY = 2048;
    sh.aspectX = 3;
    sh.aspectY = 2;
    sh.exifVersion = "0221";
    sh.shutterSpeed = 60;
    sh.fNumber = 5.6f;
    sh.exposureBias = -0.33f;
    sh.exposureProgram = 3;
    sh.iso = 400;
    sh.lightSource = 21;
    sh.meteringMode = 5;
    sh.focalLength = 17.4f;
    sh.flash = 0x19;
    sh.whiteBalance = 1;
    sh.colorSpace = 0xFFFF;
    sh.maxApertureF = 4.0f;
    ItemInfo info = WithShooting(sh);
    info.imageInfo.model = "Canon EOS 20D";
    info.imageInfo.orientation = 6;
    info.imageInfo.shootingDateTime = "2005:01:02 03:04:05";
    const auto v = FixedRowValues(info);
    const char* expected[kFixedRowCount] = {"IMG_0001.JPG",
                                            "1,234 bytes",
                                            "Canon",
                                            "Canon EOS 20D",
                                            "3072 x 2048",
                                            "3 : 2",
                                            "2005:01:02 03:04:05",
                                            "--",
                                            "右上・縦(6)",
                                            "0221",
                                            "1/60 秒",
                                            "F5.6",
                                            "-0.3",
                                            "絞り優先",
                                            "400",
                                            "D65",
                                            "分割測光",
                                            "17 mm",
                                            "ON",
                                            "マニュアル",
                                            "Uncalibrated",
                                            "F4.0"};
    for (int i = 0; i < kFixedRowCount; ++i)
        EXPECT_EQ(v[std::size_t(i)], expected[i]) << kFixedRows[std::size_t(i)].label;
}

TEST(InfoRows, PairsNeedBothValues) {
    ShootingInfo sh;
    sh.pixelX = 640;
    sh.aspectY = 3;
    ItemInfo info = WithShooting(sh);
    EXPECT_EQ(Row(info, "解像度"), "--");
    EXPECT_EQ(Row(info, "アスペクト比"), "--");
}

TEST(InfoRows, CodeTables) {
    EXPECT_EQ(OrientationText(1), "左上・横");
    EXPECT_EQ(OrientationText(4), "左下・横");
    EXPECT_EQ(OrientationText(8), "左下・縦");
    ItemInfo info = WithShooting({});
    info.imageInfo.orientation = 9;
    EXPECT_EQ(Row(info, "方向"), "Reserved(9)");
    info.imageInfo.orientation = 0;
    EXPECT_EQ(Row(info, "方向"), "Reserved(0)");

    EXPECT_EQ(ExposureProgramText(0), "Unknown");
    EXPECT_EQ(ExposureProgramText(8), "風景");
    EXPECT_EQ(ExposureProgramText(9), "Reserved");
    EXPECT_EQ(ExposureProgramText(0xFFFFFFFFu), "Reserved");
    EXPECT_EQ(LightSourceText(3), "タングステン");
    EXPECT_EQ(LightSourceText(4), "Reserved");
    EXPECT_EQ(LightSourceText(255), "その他");
    EXPECT_EQ(MeteringModeText(6), "部分測光");
    EXPECT_EQ(MeteringModeText(7), "Reserved");

    ShootingInfo sh;
    sh.flash = 0x10;
    sh.whiteBalance = 2;
    sh.colorSpace = 2;
    info = WithShooting(sh);
    EXPECT_EQ(Row(info, "フラッシュ"), "OFF");
    EXPECT_EQ(Row(info, "ホワイトバランス"), "Reserved");
    EXPECT_EQ(Row(info, "色空間"), "Reserved");
    sh.whiteBalance = 0;
    sh.colorSpace = 1;
    info = WithShooting(sh);
    EXPECT_EQ(Row(info, "ホワイトバランス"), "オート");
    EXPECT_EQ(Row(info, "色空間"), "sRGB");
}

TEST(InfoRows, TextsFromTheFileBecomeUtf8) {
    EXPECT_EQ(TextFromFile("NIKON"), "NIKON");
    EXPECT_EQ(TextFromFile("日本"), "日本");
    EXPECT_EQ(TextFromFile("caf\xE9"), "caf\xC3\xA9"); // Latin-1
    EXPECT_EQ(TextFromFile(std::string_view("ab\0cd", 5)), "ab");
    EXPECT_EQ(TextFromFile("\xE6\x97"), "\xC3\xA6\xC2\x97"); // cut UTF-8 sequence
}

TEST(InfoRows, CanonRowsInOrderWithEveryTable) {
    ItemInfo info = WithShooting({});
    info.makerNoteKind = kMakerNoteCanon;
    info.makerNote = FullCanon();
    const auto rows = MakerNoteRows(info);
    const std::vector<InfoRow> expected = {
        {"ドライブモード", "連続撮影"},
        {"ホワイトバランス", "曇"},
        {"色温度", "5200 K"},
        {"フラッシュ", "外部フラッシュ"},
        {"フラッシュ詳細", "0x2000"},
        {"フラッシュ補正", "0xFFF4"},
        {"AFモード", "Manual"},
        {"測光モード", "中央部重点平均測光"},
        {"露出プログラム", "自動震度優先"},
        {"レンズID", "0x95"},
        {"レンズ焦点距離", "17.0 - 85.0 mm"},
        {"イメージタイプ", "IMG:EOS 20D JPEG"},
        {"ファームウエアバージョン", "Firmware Version 2.0.3"},
        {"カメラシリアル", "056000123"},
    };
    EXPECT_EQ(rows, expected);
}

TEST(InfoRows, CanonUnknownCodesKeepDashesOrSayUnknown) {
    CanonMakerNote c;
    c.driveMode = 2;
    c.whiteBalance = 9;
    c.flashMode = 7;
    c.focusMode = 7;
    c.meteringMode = 1;
    c.exposureMode = 6;
    c.shortFocal = 50;
    c.longFocal = 200;
    c.focalUnits = 10;
    ItemInfo info = WithShooting({});
    info.makerNoteKind = kMakerNoteCanon;
    info.makerNote = c;
    const auto rows = MakerNoteRows(info);
    ASSERT_EQ(rows.size(), 14u);
    EXPECT_EQ(rows[0].value, "--");
    EXPECT_EQ(rows[1].value, "不明");
    EXPECT_EQ(rows[2].value, "--"); // no colour temperature
    EXPECT_EQ(rows[3].value, "--");
    EXPECT_EQ(rows[6].value, "--"); // focus modes above 6
    EXPECT_EQ(rows[7].value, "--");
    EXPECT_EQ(rows[8].value, "--");
    EXPECT_EQ(rows[10].value, "5.0 - 20.0 mm");
    EXPECT_EQ(rows[13].value, "--");
}

TEST(InfoRows, NikonRowsAndFujifilmRow) {
    NikonMakerNote n;
    n.isoSetting = 0;
    n.colorMode = "COLOR";
    n.quality = "FINE";
    n.whiteBalance = "AUTO";
    n.imageAdjustment = "AUTO";
    ItemInfo info = WithShooting({});
    info.makerNoteKind = kMakerNoteNikon;
    info.makerNote = n;
    auto rows = MakerNoteRows(info);
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_EQ(rows[0], (InfoRow{"ISO設定", "AUTO"}));
    EXPECT_EQ(rows[1], (InfoRow{"カラーモード", "COLOR"}));
    EXPECT_EQ(rows[4], (InfoRow{"シャープ", "--"}));
    EXPECT_EQ(rows[8], (InfoRow{"画像アジャスト", "AUTO"}));
    n.isoSetting = 400;
    info.makerNote = n;
    EXPECT_EQ(MakerNoteRows(info)[0].value, "400");

    FujifilmMakerNote f;
    f.serialNumber = "FC  A1234";
    info.makerNoteKind = kMakerNoteFujifilm;
    info.makerNote = f;
    rows = MakerNoteRows(info);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (InfoRow{"カメラ製造番号", "FC  A1234"}));
}

TEST(InfoRows, NoMakerNoteRowsWithoutAMatchingRecord) {
    ItemInfo info = WithShooting({});
    info.makerNoteKind = kMakerNoteOlympus;
    EXPECT_TRUE(MakerNoteRows(info).empty());
    info.makerNoteKind = kMakerNoteCanon; // kind without its record
    EXPECT_TRUE(MakerNoteRows(info).empty());
    info.makerNote = NikonMakerNote{}; // record of another kind
    EXPECT_TRUE(MakerNoteRows(info).empty());
}

TEST(InfoRows, SonyPanasonicAndSamsungRows) {
    ItemInfo info = WithShooting({});
    SonyMakerNote sony;
    sony.quality = 7;
    sony.whiteBalance = 0x30;
    sony.focusMode = 6;
    sony.lensType = 32849;
    sony.lensModel = "FE 24-70mm F2.8 GM II";
    info.makerNoteKind = kMakerNoteSony;
    info.makerNote = sony;
    auto rows = MakerNoteRows(info);
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0], (InfoRow{"クオリティ", "圧縮RAW"}));
    EXPECT_EQ(rows[1], (InfoRow{"ホワイトバランス", "日陰"}));
    EXPECT_EQ(rows[2], (InfoRow{"フォーカスモード", "DMF"}));
    EXPECT_EQ(rows[3], (InfoRow{"クリエイティブスタイル", "--"}));
    EXPECT_EQ(rows[4], (InfoRow{"レンズID", "32849"}));
    EXPECT_EQ(rows[5], (InfoRow{"レンズ", "FE 24-70mm F2.8 GM II"}));
    // Codes outside the tables are named as unknown, never as another value.
    sony.quality = 0xFFFFFFFF;
    sony.whiteBalance = 0x11;
    sony.focusMode = 1;
    info.makerNote = sony;
    rows = MakerNoteRows(info);
    EXPECT_EQ(rows[0].value, "不明");
    EXPECT_EQ(rows[1].value, "不明");
    EXPECT_EQ(rows[2].value, "不明");

    PanasonicMakerNote pana;
    pana.quality = 7;
    pana.whiteBalance = 13;
    pana.colorTemperature = 5500;
    pana.focusMode = 6;
    pana.lensModel = "LUMIX G VARIO 12-60/F3.5-5.6";
    info.makerNoteKind = kMakerNotePanasonic;
    info.makerNote = pana;
    rows = MakerNoteRows(info);
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0], (InfoRow{"クオリティ", "RAW"}));
    EXPECT_EQ(rows[1], (InfoRow{"ホワイトバランス", "色温度指定"}));
    EXPECT_EQ(rows[2], (InfoRow{"色温度", "5500 K"}));
    EXPECT_EQ(rows[3], (InfoRow{"フォーカスモード", "AF-S"}));
    EXPECT_EQ(rows[4], (InfoRow{"レンズ", "LUMIX G VARIO 12-60/F3.5-5.6"}));
    EXPECT_EQ(rows[5], (InfoRow{"レンズシリアル", "--"}));

    SamsungMakerNote sam;
    sam.firmware = "GH1HPRB017";
    sam.lensType = 17;
    info.makerNoteKind = kMakerNoteSamsung;
    info.makerNote = sam;
    rows = MakerNoteRows(info);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], (InfoRow{"ファームウエアバージョン", "GH1HPRB017"}));
    EXPECT_EQ(rows[1], (InfoRow{"カメラシリアル", "--"}));
    EXPECT_EQ(rows[2], (InfoRow{"レンズID", "17"}));
    // A Sony record under the Panasonic kind shows nothing.
    info.makerNoteKind = kMakerNotePanasonic;
    info.makerNote = sony;
    EXPECT_TRUE(MakerNoteRows(info).empty());
}
