#include "metadata/InfoRows.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace lumora {

const std::array<std::string_view, kInfoGroupCount> kInfoGroups = {
    "ファイル情報", "Exif基本情報", "Exif撮影情報", "メーカーノート"};

const std::array<FixedRowLabel, kFixedRowCount> kFixedRows = {{
    {0, "ファイル名"},     {0, "ファイルサイズ"},   {1, "メーカー名"},
    {1, "モデル名"},       {1, "解像度"},           {1, "アスペクト比"},
    {1, "撮影日時"},       {1, "変更日時"},         {1, "方向"},
    {1, "Exifバージョン"}, {2, "シャッター速度"},   {2, "絞り"},
    {2, "露出補正"},       {2, "露出プログラム"},   {2, "ISO"},
    {2, "光源"},           {2, "測光方式"},         {2, "焦点距離"},
    {2, "フラッシュ"},     {2, "ホワイトバランス"}, {2, "色空間"},
    {2, "レンズ最小F値"},
}};

void FillItemInfo(ItemInfo& out, std::string_view fileName, std::int64_t fileSize,
                  const ImageInfo& imageInfo, const ShootingInfo& shootingInfo, int makerNoteKind,
                  const MakerNote* makerNote) {
    out = ItemInfo{};
    out.fileName = std::string(fileName);
    out.fileSize = fileSize;
    if (!imageInfo.make && !imageInfo.model)
        return;
    out.imageInfo = imageInfo;
    out.shootingInfo = shootingInfo;
    out.makerNoteKind = makerNoteKind;
    if (makerNote)
        out.makerNote = *makerNote;
}

std::string FormatFixed(double value, int decimals) {
    char buf[64];
    // to_chars is locale-free, unlike printf under a user locale with a
    // decimal comma; fixed notation of a huge float still fits in 64 chars.
    auto [end, ec] =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (ec != std::errc())
        return std::string(kAbsent);
    return std::string(buf, end);
}

namespace {

std::string Dec(long long v) {
    return std::to_string(v);
}

std::string Hex(unsigned v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", v);
    return buf;
}

bool ValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        int extra = 0;
        if (c < 0x80)
            extra = 0;
        else if ((c & 0xE0) == 0xC0 && c >= 0xC2)
            extra = 1;
        else if ((c & 0xF0) == 0xE0)
            extra = 2;
        else if ((c & 0xF8) == 0xF0 && c <= 0xF4)
            extra = 3;
        else
            return false;
        if (i + static_cast<std::size_t>(extra) >= s.size())
            return false;
        for (int k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

std::string TextOr(const std::optional<std::string>& v) {
    return v ? TextFromFile(*v) : std::string(kAbsent);
}

std::string FNumber(float f) {
    return "F" + FormatFixed(f, 1);
}

} // namespace

std::string TextFromFile(std::string_view bytes) {
    if (const auto zero = bytes.find('\0'); zero != std::string_view::npos)
        bytes = bytes.substr(0, zero);
    if (ValidUtf8(bytes))
        return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char ch : bytes) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out.push_back(ch);
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::string FormatFileSize(std::int64_t bytes) {
    if (bytes <= 0)
        return std::string(kAbsent);
    const std::string digits = std::to_string(bytes);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out.push_back(',');
        out.push_back(digits[i]);
    }
    return out + " bytes";
}

std::string FormatShutterSpeed(float shutterSpeed) {
    if (shutterSpeed < 1.0f)
        return FormatFixed(1.0 / static_cast<double>(shutterSpeed), 1) + " 秒";
    return "1/" + FormatFixed(shutterSpeed, 0) + " 秒";
}

std::string FormatExposureBias(float bias) {
    return (bias > 0.0f ? "+" : "") + FormatFixed(bias, 1);
}

std::string_view OrientationText(unsigned orientation) {
    switch (orientation) {
    case 1:
    case 2:
        return "左上・横";
    case 3:
    case 4:
        return "左下・横";
    case 5:
        return "左上・縦";
    case 6:
        return "右上・縦";
    case 7:
        return "右下・縦";
    case 8:
        return "左下・縦";
    default:
        return "Reserved";
    }
}

std::string_view ExposureProgramText(std::uint32_t program) {
    static constexpr std::string_view kTexts[] = {"Unknown",  "マニュアル",     "ノーマル",
                                                  "絞り優先", "シャッター優先", "Creative",
                                                  "Action",   "ポートレイト",   "風景"};
    return program < std::size(kTexts) ? kTexts[program] : "Reserved";
}

std::string_view LightSourceText(unsigned lightSource) {
    switch (lightSource) {
    case 0:
        return "不明";
    case 1:
        return "太陽光";
    case 2:
        return "蛍光灯";
    case 3:
        return "タングステン";
    case 17:
        return "標準光A";
    case 18:
        return "標準光B";
    case 19:
        return "標準光C";
    case 20:
        return "D55";
    case 21:
        return "D65";
    case 22:
        return "D75";
    case 255:
        return "その他";
    default:
        return "Reserved";
    }
}

std::string_view MeteringModeText(unsigned meteringMode) {
    switch (meteringMode) {
    case 0:
        return "不明";
    case 1:
        return "平均測光";
    case 2:
        return "中央重点測光";
    case 3:
        return "スポット測光";
    case 4:
        return "マルチスポット測光";
    case 5:
        return "分割測光";
    case 6:
        return "部分測光";
    case 255:
        return "その他";
    default:
        return "Reserved";
    }
}

std::array<std::string, kFixedRowCount> FixedRowValues(const ItemInfo& info) {
    const ImageInfo& im = info.imageInfo;
    const ShootingInfo& sh = info.shootingInfo;
    std::array<std::string, kFixedRowCount> v;
    for (auto& s : v)
        s = std::string(kAbsent);

    if (!info.fileName.empty())
        v[0] = TextFromFile(info.fileName);
    v[1] = FormatFileSize(info.fileSize);
    v[2] = TextOr(im.make);
    v[3] = TextOr(im.model);
    if (sh.pixelX && sh.pixelY)
        v[4] = Dec(*sh.pixelX) + " x " + Dec(*sh.pixelY);
    if (sh.aspectX && sh.aspectY)
        v[5] = Dec(*sh.aspectX) + " : " + Dec(*sh.aspectY);
    v[6] = TextOr(im.shootingDateTime);
    v[7] = TextOr(im.dateTime);
    if (im.orientation)
        v[8] = std::string(OrientationText(*im.orientation)) + "(" + Dec(*im.orientation) + ")";
    if (sh.exifVersion)
        v[9] = TextFromFile(std::string_view(*sh.exifVersion).substr(0, 4));
    if (sh.shutterSpeed)
        v[10] = FormatShutterSpeed(*sh.shutterSpeed);
    if (sh.fNumber)
        v[11] = FNumber(*sh.fNumber);
    if (sh.exposureBias)
        v[12] = FormatExposureBias(*sh.exposureBias);
    if (sh.exposureProgram)
        v[13] = std::string(ExposureProgramText(*sh.exposureProgram));
    if (sh.iso)
        v[14] = Dec(static_cast<std::int32_t>(*sh.iso)); // "%d"
    if (sh.lightSource)
        v[15] = std::string(LightSourceText(*sh.lightSource));
    if (sh.meteringMode)
        v[16] = std::string(MeteringModeText(*sh.meteringMode));
    if (sh.focalLength)
        v[17] = FormatFixed(*sh.focalLength, 0) + " mm";
    if (sh.flash)
        v[18] = (*sh.flash & 1) ? "ON" : "OFF";
    if (sh.whiteBalance)
        v[19] = *sh.whiteBalance == 0   ? "オート"
                : *sh.whiteBalance == 1 ? "マニュアル"
                                        : "Reserved";
    if (sh.colorSpace)
        v[20] = *sh.colorSpace == 1        ? "sRGB"
                : *sh.colorSpace == 0xFFFF ? "Uncalibrated"
                                           : "Reserved";
    if (sh.maxApertureF)
        v[21] = FNumber(*sh.maxApertureF);
    return v;
}

namespace {

std::string Pick(const std::optional<std::uint16_t>& v,
                 std::initializer_list<std::pair<unsigned, std::string_view>> table,
                 std::string_view otherwise = kAbsent) {
    if (!v)
        return std::string(kAbsent);
    for (const auto& [code, text] : table)
        if (code == *v)
            return std::string(text);
    return std::string(otherwise);
}

std::vector<InfoRow> CanonRows(const CanonMakerNote& c) {
    std::vector<InfoRow> rows;
    rows.push_back({"ドライブモード", Pick(c.driveMode, {{0, "1コマ撮影"}, {1, "連続撮影"}})});
    rows.push_back({"ホワイトバランス", Pick(c.whiteBalance,
                                             {{0, "AUTO"},
                                              {1, "太陽光"},
                                              {2, "曇"},
                                              {3, "白熱電球"},
                                              {4, "蛍光灯"},
                                              {5, "フラッシュ"},
                                              {6, "カスタム"}},
                                             "不明")});
    rows.push_back(
        {"色温度", c.colorTemperature ? Dec(*c.colorTemperature) + " K" : std::string(kAbsent)});
    rows.push_back({"フラッシュ", Pick(c.flashMode, {{0, "非発光"},
                                                     {1, "自動"},
                                                     {2, "常時発光"},
                                                     {3, "赤目防止"},
                                                     {4, "スローシンクロ"},
                                                     {5, "自動+赤目防止"},
                                                     {6, "常時発光+赤目防止"},
                                                     {16, "外部フラッシュ"}})});
    rows.push_back({"フラッシュ詳細", c.flashBits ? Hex(*c.flashBits) : std::string(kAbsent)});
    rows.push_back(
        {"フラッシュ補正", c.flashCompensation ? Hex(*c.flashCompensation) : std::string(kAbsent)});
    rows.push_back({"AFモード", Pick(c.focusMode, {{0, "ONE SHOT"},
                                                   {1, "AI SERVO"},
                                                   {2, "AI FOCUS"},
                                                   {3, "Manual"},
                                                   {4, "Single"},
                                                   {5, "連続"},
                                                   {6, "Manual"}})});
    rows.push_back(
        {"測光モード",
         Pick(c.meteringMode, {{3, "評価測光"}, {4, "部分測光"}, {5, "中央部重点平均測光"}})});
    rows.push_back({"露出プログラム", Pick(c.exposureMode, {{0, "イメージセレクト"},
                                                            {1, "プログラムAE"},
                                                            {2, "シャッター優先"},
                                                            {3, "絞り優先"},
                                                            {4, "マニュアル"},
                                                            {5, "自動震度優先"}})});
    rows.push_back({"レンズID", c.lensType ? Hex(*c.lensType) : std::string(kAbsent)});
    std::string focal(kAbsent);
    if (c.shortFocal && c.longFocal && c.focalUnits) {
        const float units = static_cast<float>(*c.focalUnits);
        focal = FormatFixed(static_cast<float>(*c.shortFocal) / units, 1) + " - " +
                FormatFixed(static_cast<float>(*c.longFocal) / units, 1) + " mm";
    }
    rows.push_back({"レンズ焦点距離", focal});
    rows.push_back({"イメージタイプ", TextOr(c.imageType)});
    rows.push_back({"ファームウエアバージョン", TextOr(c.firmwareVersion)});
    rows.push_back({"カメラシリアル", TextOr(c.serialNumber)});
    return rows;
}

std::vector<InfoRow> NikonRows(const NikonMakerNote& n) {
    std::vector<InfoRow> rows;
    std::string iso(kAbsent);
    if (n.isoSetting)
        iso = *n.isoSetting == 0 ? "AUTO" : Dec(*n.isoSetting);
    rows.push_back({"ISO設定", iso});
    rows.push_back({"カラーモード", TextOr(n.colorMode)});
    rows.push_back({"クオリティ", TextOr(n.quality)});
    rows.push_back({"ホワイトバランス", TextOr(n.whiteBalance)});
    rows.push_back({"シャープ", TextOr(n.sharpness)});
    rows.push_back({"フォーカスモード", TextOr(n.focusMode)});
    rows.push_back({"フラッシュ設定", TextOr(n.flashSetting)});
    rows.push_back({"ISO選択", TextOr(n.isoSelection)});
    rows.push_back({"画像アジャスト", TextOr(n.imageAdjustment)});
    return rows;
}

// A number by its table; a number the table lacks is "不明".
template <typename T>
std::string Known(const std::optional<T>& v,
                  std::initializer_list<std::pair<unsigned, std::string_view>> table) {
    if (!v)
        return std::string(kAbsent);
    for (const auto& [code, text] : table)
        if (code == *v)
            return std::string(text);
    return "不明";
}

std::string NumberOr(const std::optional<std::uint32_t>& v) {
    return v ? Dec(*v) : std::string(kAbsent);
}

std::vector<InfoRow> SonyRows(const SonyMakerNote& n) {
    std::vector<InfoRow> rows;
    rows.push_back({"クオリティ", Known(n.quality, {{0, "RAW"},
                                                    {1, "スーパーファイン"},
                                                    {2, "ファイン"},
                                                    {3, "スタンダード"},
                                                    {4, "エコノミー"},
                                                    {5, "エクストラファイン"},
                                                    {6, "RAW+JPEG"},
                                                    {7, "圧縮RAW"},
                                                    {8, "圧縮RAW+JPEG"},
                                                    {9, "ライト"}})});
    rows.push_back({"ホワイトバランス", Known(n.whiteBalance, {{0x00, "AUTO"},
                                                               {0x01, "色温度/カラーフィルター"},
                                                               {0x10, "太陽光"},
                                                               {0x20, "曇"},
                                                               {0x30, "日陰"},
                                                               {0x40, "白熱電球"},
                                                               {0x50, "フラッシュ"},
                                                               {0x60, "蛍光灯"},
                                                               {0x70, "カスタム"},
                                                               {0x80, "水中"}})});
    rows.push_back(
        {"フォーカスモード",
         Known(n.focusMode,
               {{0, "MF"}, {2, "AF-S"}, {3, "AF-C"}, {4, "AF-A"}, {6, "DMF"}, {7, "AF-D"}})});
    rows.push_back({"クリエイティブスタイル", TextOr(n.creativeStyle)});
    rows.push_back({"レンズID", NumberOr(n.lensType)});
    rows.push_back({"レンズ", TextOr(n.lensModel)});
    return rows;
}

std::vector<InfoRow> PanasonicRows(const PanasonicMakerNote& n) {
    std::vector<InfoRow> rows;
    rows.push_back({"クオリティ", Known(n.quality, {{1, "TIFF"},
                                                    {2, "ファイン"},
                                                    {3, "スタンダード"},
                                                    {6, "スーパーファイン"},
                                                    {7, "RAW"},
                                                    {9, "動画"},
                                                    {11, "フルHD動画"},
                                                    {12, "4K動画"}})});
    rows.push_back({"ホワイトバランス", Known(n.whiteBalance, {{1, "AUTO"},
                                                               {2, "太陽光"},
                                                               {3, "曇"},
                                                               {4, "白熱電球"},
                                                               {5, "マニュアル"},
                                                               {8, "フラッシュ"},
                                                               {10, "白黒"},
                                                               {11, "マニュアル2"},
                                                               {12, "日陰"},
                                                               {13, "色温度指定"},
                                                               {14, "マニュアル3"},
                                                               {15, "マニュアル4"}})});
    rows.push_back(
        {"色温度", n.colorTemperature ? Dec(*n.colorTemperature) + " K" : std::string(kAbsent)});
    rows.push_back({"フォーカスモード", Known(n.focusMode, {{1, "AF"},
                                                            {2, "MF"},
                                                            {4, "AF(ボタン)"},
                                                            {5, "AF(連続)"},
                                                            {6, "AF-S"},
                                                            {7, "AF-C"},
                                                            {8, "AF-F"}})});
    rows.push_back({"レンズ", TextOr(n.lensModel)});
    rows.push_back({"レンズシリアル", TextOr(n.lensSerialNumber)});
    return rows;
}

std::vector<InfoRow> SamsungRows(const SamsungMakerNote& n) {
    std::vector<InfoRow> rows;
    rows.push_back({"ファームウエアバージョン", TextOr(n.firmware)});
    rows.push_back({"カメラシリアル", TextOr(n.serialNumber)});
    rows.push_back({"レンズID", n.lensType ? Dec(*n.lensType) : std::string(kAbsent)});
    rows.push_back({"レンズファームウエア", TextOr(n.lensFirmware)});
    rows.push_back({"レンズ", TextOr(n.lensModel)});
    return rows;
}

} // namespace

std::vector<InfoRow> MakerNoteRows(const ItemInfo& info) {
    switch (info.makerNoteKind) {
    case kMakerNoteCanon:
        if (const auto* c = std::get_if<CanonMakerNote>(&info.makerNote))
            return CanonRows(*c);
        break;
    case kMakerNoteNikon:
        if (const auto* n = std::get_if<NikonMakerNote>(&info.makerNote))
            return NikonRows(*n);
        break;
    case kMakerNoteFujifilm:
        if (const auto* f = std::get_if<FujifilmMakerNote>(&info.makerNote))
            return {{"カメラ製造番号", TextOr(f->serialNumber)}};
        break;
    case kMakerNoteSony:
        if (const auto* n = std::get_if<SonyMakerNote>(&info.makerNote))
            return SonyRows(*n);
        break;
    case kMakerNotePanasonic:
        if (const auto* n = std::get_if<PanasonicMakerNote>(&info.makerNote))
            return PanasonicRows(*n);
        break;
    case kMakerNoteSamsung:
        if (const auto* n = std::get_if<SamsungMakerNote>(&info.makerNote))
            return SamsungRows(*n);
        break;
    default:
        break;
    }
    return {};
}

} // namespace lumora
