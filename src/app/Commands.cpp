#include "app/Commands.h"

#include "app/MainCommands.h"

#include <iterator>

namespace lumora {

const char* const kHomePageAddress = "";

namespace {

using S = CommandState;
using M = CMainCommands;

// ---- enable rules ---------------------------------------------------------------

bool treeHasPath(const S& s, int) {
    return !s.treePathEmpty;
}
bool deleteRule(const S& s, int) {
    switch (s.focus) {
    case FocusTarget::Tree:
        return !s.treePathEmpty;
    case FocusTarget::View:
        return s.selectedCount > 0;
    default:
        return false;
    }
}
bool propertiesRule(const S& s, int) {
    switch (s.focus) {
    case FocusTarget::Tree:
        return true;
    case FocusTarget::View:
        return s.selectedCount > 0;
    default:
        return false;
    }
}
bool cutCopyRule(const S& s, int) {
    switch (s.focus) {
    case FocusTarget::Tree:
        return true;
    case FocusTarget::View:
        return s.hasView && s.selectedCount > 0;
    default:
        return false;
    }
}
bool pasteRule(const S& s, int) {
    return s.clipboardHasFiles;
}
bool hasCursorItem(const S& s, int) {
    return s.hasCursorItem;
}
bool compareRule(const S& s, int) {
    return s.focus == FocusTarget::View && s.selectedCount >= 2 && s.selectedCount <= 4;
}
bool addToDefaultRule(const S& s, int) {
    return s.worksheetCount > 0 && s.selectedCount > 0 && !s.defaultWorksheetCurrent;
}
bool addToWorksheetRule(const S& s, int id) {
    return s.selectedCount > 0 && s.worksheetCount > 0 &&
           id - toInt(CommandId::AddToWorksheet) < s.worksheetCount;
}
bool openWithRule(const S& s, int) {
    return s.selectedCount > 0 && s.applicationCount > 0;
}
bool worksheetCurrent(const S& s, int) {
    return s.worksheetCurrent;
}
bool anyWorksheet(const S& s, int) {
    return s.worksheetCount > 0;
}
bool closeWorksheetRule(const S& s, int id) {
    return id - toInt(CommandId::CloseWorksheet) < s.worksheetCount;
}
bool defaultWorksheetRule(const S& s, int id) {
    return id - toInt(CommandId::SetDefaultWorksheet) < s.worksheetCount;
}
bool notBusy(const S& s, int) {
    return !s.busy;
}
bool folderTabCurrent(const S& s, int) {
    return !s.worksheetCurrent;
}
bool infoPaneShown(const S& s, int) {
    return s.infoPaneShown;
}
bool viewHasItems(const S& s, int) {
    return s.itemCount > 0;
}

// A mark goes to the selected items, else to the cursor's item, of the
// view that has the focus.
bool markRule(const S& s, int) {
    return s.focus == FocusTarget::View && s.hasView && (s.selectedCount > 0 || s.hasCursorItem);
}
bool undoMarkRule(const S& s, int) {
    return s.markUndoAvailable;
}

// ---- check rules ----------------------------------------------------------------

int fileTypeBit(int id) {
    switch (static_cast<CommandId>(id)) {
    case CommandId::ShowJpeg:
        return 1;
    case CommandId::ShowRaw:
        return 2;
    case CommandId::ShowMisc:
        return 4;
    default:
        return 0;
    }
}
bool fileTypeChecked(const S& s, int id) {
    return !s.worksheetCurrent && (s.fileType & fileTypeBit(id)) != 0;
}
bool defaultWorksheetChecked(const S& s, int id) {
    return s.defaultWorksheet == id - toInt(CommandId::SetDefaultWorksheet) + 1;
}
bool sortByNameChecked(const S& s, int) {
    return s.sortMode == 1;
}
bool sortByTimeChecked(const S& s, int) {
    return s.sortMode == 2;
}
bool thumbnailSizeChecked(const S& s, int id) {
    switch (static_cast<CommandId>(id)) {
    case CommandId::ThumbnailSize160:
        return s.thumbnailSize == 0;
    case CommandId::ThumbnailSize120:
        return s.thumbnailSize == 1;
    case CommandId::ThumbnailSize100:
        return s.thumbnailSize == 2;
    case CommandId::ThumbnailSizeCustom:
        return s.thumbnailSize == 3;
    default:
        return false;
    }
}
bool showFileNameChecked(const S& s, int) {
    return s.showFileName;
}
bool showGuideChecked(const S& s, int) {
    return s.showGuide;
}
bool miniPreviewChecked(const S& s, int) {
    return s.miniPreviewShown;
}
bool infoWindowChecked(const S& s, int) {
    return s.infoPaneShown;
}
bool histogramChecked(const S& s, int id) {
    return s.histogramMode == (id == toInt(CommandId::HistogramRgb) ? 1 : 0);
}
bool sizeLimiterChecked(const S& s, int) {
    return !s.worksheetCurrent && s.sizeLimiter;
}
bool filterChecked(const S& s, int id) {
    if (id == toInt(CommandId::FilterOff))
        return s.filterMinRating == 0 && s.filterLabel == 0 && !s.filterHideRejects;
    if (id == toInt(CommandId::FilterHideRejects))
        return s.filterHideRejects;
    if (id >= toInt(CommandId::FilterLabelRed))
        return s.filterLabel == id - toInt(CommandId::FilterLabelRed) + 1;
    return s.filterMinRating == id - toInt(CommandId::FilterMinRating1) + 1;
}
bool sortByRatingChecked(const S& s, int) {
    return s.sortMode == 3;
}
bool slideShowChecked(const S& s, int) {
    return s.slideShowRunning;
}

constexpr int kOne = 1;
constexpr int kRange = kRangeSize;

// clang-format off
const CommandEntry kCommands[] = {
    // id, count, menu text, prompt\ntool tip, key, needs, enabled, checked, handler
    {CommandId::NewFolder, kOne, "フォルダの新規作成(&N)", "空のフォルダを新規作成\nフォルダの新規作成",
     nullptr, kNeedNothing, treeHasPath, nullptr, &M::onNewFolder},
    {CommandId::Delete, kOne, "削除(&D)\tDEL", "選択されたファイルまたはフォルダを削除\n削除",
     nullptr, kNeedNothing, deleteRule, nullptr, &M::onDelete},
    {CommandId::Properties, kOne, "プロパティ(&P)...",
     "選択されたファイルまたはフォルダのプロパティを表示\nプロパティ", nullptr, kNeedNothing,
     propertiesRule, nullptr, &M::onProperties},
    {CommandId::Settings, kOne, "環境設定(&E)...", "環境設定画面を表示\n環境設定", nullptr,
     kNeedSettingsDialog, nullptr, nullptr, &M::onSettings},
    {CommandId::Exit, kOne, "終了(&X)", "アプリケーションを終了\n終了", nullptr, kNeedNothing,
     nullptr, nullptr, &M::onExit},

    {CommandId::Cut, kOne, "切り取り(&T)\tCtrl+X", "選択範囲を切り取ってクリップボードに保存\n切り取り",
     "Ctrl+X", kNeedNothing, cutCopyRule, nullptr, &M::onCutCopy},
    {CommandId::Copy, kOne, "コピー(&C)\tCtrl+C",
     "選択オブジェクトをコピーしてクリップボードﾞに保存\nコピー", "Ctrl+C", kNeedNothing,
     cutCopyRule, nullptr, &M::onCutCopy},
    {CommandId::Paste, kOne, "貼り付け(&P)\tCtrl+V", "クリップボードの内容を貼り付け\n貼り付け",
     "Ctrl+V", kNeedNothing, pasteRule, nullptr, &M::onPaste},
    {CommandId::SelectAll, kOne, "すべて選択(&A)\tCtrl+A", "表示されているオブジェクトを全て選択\n全て選択",
     "Ctrl+A", kNeedNothing, nullptr, nullptr, &M::onSelectAll},
    {CommandId::InvertSelection, kOne, "選択の切り替え(&S)", "選択と非選択を入れ替え\n選択の切り替え",
     nullptr, kNeedNothing, nullptr, nullptr, &M::onInvertSelection},

    {CommandId::Preview, kOne, "プレビュー(&P)", nullptr, nullptr, kNeedNothing, hasCursorItem,
     nullptr, &M::onPreview},
    {CommandId::Compare, kOne, "比較表示(&C)\tC", "選択した2～4枚の画像を並べて表示\n比較表示", "C",
     kNeedCompare, compareRule, nullptr, &M::onCompare},
    // The string table has no entry for this button; its tool tip repeats the menu text.
    {CommandId::AddToDefaultWorksheet, kOne, "デフォルトワークシートへ追加(&S)\tOne Key",
     "デフォルトワークシートへ追加\nデフォルトワークシートへ追加", nullptr, kNeedWorksheets,
     addToDefaultRule, nullptr, &M::onAddToDefaultWorksheet},
    {CommandId::AddToWorksheet, kRange, nullptr, nullptr, nullptr, kNeedWorksheets,
     addToWorksheetRule, nullptr, &M::onAddToWorksheet},
    {CommandId::OpenWithApplication, kRange, nullptr, nullptr, nullptr, kNeedNothing, openWithRule,
     nullptr, &M::onOpenWithApplication},

    {CommandId::NewWorksheet, kOne, "新規作成(&N)", "ワークシートの新規作成\n新規作成", nullptr,
     kNeedWorksheets, nullptr, nullptr, &M::onNewWorksheet},
    {CommandId::ReadList, kOne, "読み込み(&L)...", "ワークシートの読み込み\n読み込み", nullptr,
     kNeedListFiles, nullptr, nullptr, &M::onReadList},
    {CommandId::SetDefaultWorksheet, kRange, nullptr, nullptr, nullptr, kNeedWorksheets,
     defaultWorksheetRule, defaultWorksheetChecked, &M::onSetDefaultWorksheet},
    {CommandId::ClearWorksheet, kOne, "シート内をすべてクリア(&C)", "現在のワークシート内をクリア\nクリア",
     nullptr, kNeedWorksheets, worksheetCurrent, nullptr, &M::onClearWorksheet},
    {CommandId::CloseCurrentWorksheet, kOne, "現在のシート", "現在のワークシートをクローズ\nクローズ",
     nullptr, kNeedWorksheets, worksheetCurrent, nullptr, &M::onCloseCurrentWorksheet},
    {CommandId::CloseAllWorksheets, kOne, "全てのシート", "すべてのワークシートをクローズ\n全クローズ",
     nullptr, kNeedWorksheets, anyWorksheet, nullptr, &M::onCloseAllWorksheets},
    {CommandId::CloseWorksheet, kRange, nullptr, nullptr, nullptr, kNeedWorksheets,
     closeWorksheetRule, nullptr, &M::onCloseWorksheet},
    {CommandId::SaveList, kOne, "ファイルリストとして保存(&S)...",
     "ワークシートをファイルリストとして保存\nファイルリストとして保存", nullptr, kNeedListFiles,
     worksheetCurrent, nullptr, &M::onSaveList},
    {CommandId::ExportWorksheet, kOne, "フォルダとして書き出す(&W)...",
     "ワークシートをファイルシステムとして保存\nファイルシステムとして保存", nullptr, kNeedExport,
     worksheetCurrent, nullptr, &M::onExportWorksheet},
    {CommandId::SortByName, kOne, "シート内を名前でソート(&O)",
     "現在のワークシート内をファイル名でソート\nファイル名でソート", nullptr, kNeedNothing, nullptr,
     sortByNameChecked, &M::onSort},
    {CommandId::SortByShootingTime, kOne, "シート内を撮影時刻でソート(&T)",
     "現在のワークシート内を撮影時刻でソート\n撮影時刻でソート", nullptr, kNeedNothing, notBusy,
     sortByTimeChecked, &M::onSort},

    {CommandId::ShowJpeg, kOne, "JPEGファイル(&J)", "JPEGファイルを表示\nJPEGを表示", nullptr,
     kNeedNothing, folderTabCurrent, fileTypeChecked, &M::onToggleFileType},
    {CommandId::ShowRaw, kOne, "RAWファイル(&R)", "RAWファイルを表示\nRAWを表示", nullptr,
     kNeedNothing, folderTabCurrent, fileTypeChecked, &M::onToggleFileType},
    {CommandId::ShowMisc, kOne, "各種ファイル(&M)", "各種ファイルを表示\n各種を表示", nullptr,
     kNeedNothing, folderTabCurrent, fileTypeChecked, &M::onToggleFileType},
    {CommandId::ThumbnailSize160, kOne, "160x120", "サムネイルのサイズを 160x120 に設定\n160x120",
     nullptr, kNeedNothing, nullptr, thumbnailSizeChecked, &M::onThumbnailSize},
    {CommandId::ThumbnailSize120, kOne, "120x90", "サムネイルのサイズを 120x90 に設定\n120x90",
     nullptr, kNeedNothing, nullptr, thumbnailSizeChecked, &M::onThumbnailSize},
    {CommandId::ThumbnailSize100, kOne, "100x75", nullptr, nullptr, kNeedNothing, nullptr,
     thumbnailSizeChecked, &M::onThumbnailSize},
    {CommandId::ThumbnailSizeCustom, kOne, "カスタム", nullptr, nullptr, kNeedNothing, nullptr,
     thumbnailSizeChecked, &M::onThumbnailSize},
    {CommandId::ShowFileName, kOne, "ファイル名を表示する(&F)", nullptr, nullptr, kNeedNothing,
     nullptr, showFileNameChecked, &M::onShowFileName},
    {CommandId::ShowGuide, kOne, "ガイド行を表示する(&G)", nullptr, nullptr, kNeedNothing, nullptr,
     showGuideChecked, &M::onShowGuide},
    {CommandId::ShowMiniPreview, kOne, "ミニプレビューを表示する(&M)", nullptr, nullptr, kNeedNothing,
     nullptr, miniPreviewChecked, &M::onShowMiniPreview},
    {CommandId::ShowInfoWindow, kOne, "情報ウインドウを表示する(I)", nullptr, nullptr, kNeedNothing,
     nullptr, infoWindowChecked, &M::onShowInfoWindow},
    {CommandId::HistogramLuminance, kOne, "Y成分を表示(&B)", nullptr, nullptr, kNeedNothing,
     infoPaneShown, histogramChecked, &M::onHistogramMode},
    {CommandId::HistogramRgb, kOne, "RGB成分を表示(&R)", nullptr, nullptr, kNeedNothing,
     infoPaneShown, histogramChecked, &M::onHistogramMode},
    {CommandId::SizeLimiter, kOne, "サイズリミッタをON(&L)",
     "指定サイズ未満のイメージは表示しない\nサイズリミッタ", nullptr, kNeedNothing, folderTabCurrent,
     sizeLimiterChecked, &M::onSizeLimiter},
    {CommandId::SlideShow, kOne, "スライドショーを実行(&S)...", "スライドショーを実行\nスライドショー",
     nullptr, kNeedSlideShow, viewHasItems, slideShowChecked, &M::onSlideShow},
    {CommandId::Refresh, kOne, "最新の情報に更新(&U)\tF5", "ウインドウを最新の情報に更新\n最新の情報に更新",
     "F5", kNeedNothing, nullptr, nullptr, &M::onRefresh},

    {CommandId::HomePage, kOne, "VELINのホームページへ(&W)...",
     "VELINのホームページをブラウザで表示\nホームページを表示", nullptr, kNeedNothing, nullptr, nullptr,
     &M::onHomePage},
    {CommandId::About, kOne, "Lumora のバージョン情報(&A)...", "バージョン、著作権を表示\nバージョン情報",
     nullptr, kNeedNothing, nullptr, nullptr, &M::onAbout},

    {CommandId::Rating0, kOne, "レーティングなし(&0)\t0", "レーティングを消去\nレーティングなし", "0",
     kNeedNothing, markRule, nullptr, &M::onMark},
    {static_cast<CommandId>(37101), kOne, "★(&1)\t1", "レーティングを★1つに設定\n★1", "1",
     kNeedNothing, markRule, nullptr, &M::onMark},
    {static_cast<CommandId>(37102), kOne, "★★(&2)\t2", "レーティングを★2つに設定\n★2", "2",
     kNeedNothing, markRule, nullptr, &M::onMark},
    {static_cast<CommandId>(37103), kOne, "★★★(&3)\t3", "レーティングを★3つに設定\n★3", "3",
     kNeedNothing, markRule, nullptr, &M::onMark},
    {static_cast<CommandId>(37104), kOne, "★★★★(&4)\t4", "レーティングを★4つに設定\n★4", "4",
     kNeedNothing, markRule, nullptr, &M::onMark},
    {static_cast<CommandId>(37105), kOne, "★★★★★(&5)\t5", "レーティングを★5つに設定\n★5", "5",
     kNeedNothing, markRule, nullptr, &M::onMark},
    {CommandId::LabelRed, kOne, "赤(&R)\t6", "赤のラベルを付ける・外す\n赤ラベル", "6",
     kNeedNothing, markRule, nullptr, &M::onMark},
    {CommandId::LabelYellow, kOne, "黄(&Y)\t7", "黄のラベルを付ける・外す\n黄ラベル", "7",
     kNeedNothing, markRule, nullptr, &M::onMark},
    {CommandId::LabelGreen, kOne, "緑(&G)\t8", "緑のラベルを付ける・外す\n緑ラベル", "8",
     kNeedNothing, markRule, nullptr, &M::onMark},
    {CommandId::LabelBlue, kOne, "青(&B)\t9", "青のラベルを付ける・外す\n青ラベル", "9",
     kNeedNothing, markRule, nullptr, &M::onMark},
    {CommandId::LabelPurple, kOne, "紫(&P)", "紫のラベルを付ける・外す\n紫ラベル", nullptr,
     kNeedNothing, markRule, nullptr, &M::onMark},
    {CommandId::ToggleReject, kOne, "不採用(&X)\tX", "不採用の印を付ける・外す\n不採用", "X",
     kNeedNothing, markRule, nullptr, &M::onMark},
    {CommandId::UndoMark, kOne, "印を元に戻す(&U)\tCtrl+Z", "最後に付けた印を元に戻す\n元に戻す",
     "Ctrl+Z", kNeedNothing, undoMarkRule, nullptr, &M::onUndoMark},
    {CommandId::SortByRating, kOne, "シート内をレーティングでソート(&R)",
     "現在のワークシート内をレーティングでソート\nレーティングでソート", nullptr, kNeedNothing,
     notBusy, sortByRatingChecked, &M::onSort},

    {CommandId::FilterOff, kOne, "すべて表示(&A)", "絞り込みを解除\nすべて表示", nullptr,
     kNeedNothing, nullptr, filterChecked, &M::onMarkFilter},
    {CommandId::FilterMinRating1, kOne, "★1以上(&1)", "★1つ以上のイメージだけを表示\n★1以上",
     nullptr, kNeedNothing, nullptr, filterChecked, &M::onMarkFilter},
    {static_cast<CommandId>(37132), kOne, "★2以上(&2)", "★2つ以上のイメージだけを表示\n★2以上",
     nullptr, kNeedNothing, nullptr, filterChecked, &M::onMarkFilter},
    {static_cast<CommandId>(37133), kOne, "★3以上(&3)", "★3つ以上のイメージだけを表示\n★3以上",
     nullptr, kNeedNothing, nullptr, filterChecked, &M::onMarkFilter},
    {static_cast<CommandId>(37134), kOne, "★4以上(&4)", "★4つ以上のイメージだけを表示\n★4以上",
     nullptr, kNeedNothing, nullptr, filterChecked, &M::onMarkFilter},
    {static_cast<CommandId>(37135), kOne, "★5(&5)", "★5つのイメージだけを表示\n★5",
     nullptr, kNeedNothing, nullptr, filterChecked, &M::onMarkFilter},
    {CommandId::FilterLabelRed, kOne, "赤ラベルのみ(&R)", "赤ラベルのイメージだけを表示\n赤のみ",
     nullptr, kNeedNothing, nullptr, filterChecked, &M::onMarkFilter},
    {static_cast<CommandId>(37141), kOne, "黄ラベルのみ(&Y)", "黄ラベルのイメージだけを表示\n黄のみ",
     nullptr, kNeedNothing, nullptr, filterChecked, &M::onMarkFilter},
    {static_cast<CommandId>(37142), kOne, "緑ラベルのみ(&G)", "緑ラベルのイメージだけを表示\n緑のみ",
     nullptr, kNeedNothing, nullptr, filterChecked, &M::onMarkFilter},
    {static_cast<CommandId>(37143), kOne, "青ラベルのみ(&B)", "青ラベルのイメージだけを表示\n青のみ",
     nullptr, kNeedNothing, nullptr, filterChecked, &M::onMarkFilter},
    {static_cast<CommandId>(37144), kOne, "紫ラベルのみ(&P)", "紫ラベルのイメージだけを表示\n紫のみ",
     nullptr, kNeedNothing, nullptr, filterChecked, &M::onMarkFilter},
    {CommandId::FilterHideRejects, kOne, "不採用を隠す(&X)", "不採用のイメージを表示しない\n不採用を隠す",
     nullptr, kNeedNothing, nullptr, filterChecked, &M::onMarkFilter},

    {CommandId::SwitchPane, kOne, nullptr, nullptr, "Tab", kNeedNothing, nullptr, nullptr,
     &M::onSwitchPane},
    {CommandId::NextTab, kOne, nullptr, nullptr, "Ctrl+PgDown", kNeedWorksheets, nullptr, nullptr,
     &M::onCycleTab},
    {CommandId::PreviousTab, kOne, nullptr, nullptr, "Ctrl+PgUp", kNeedWorksheets, nullptr, nullptr,
     &M::onCycleTab},
    {CommandId::NextPane, kOne, nullptr, nullptr, "F6", kNeedNothing, nullptr, nullptr, nullptr},
    {CommandId::PreviousPane, kOne, nullptr, nullptr, "Shift+F6", kNeedNothing, nullptr, nullptr,
     nullptr},
};

// ---- menu 128 ----------------------------------------------------------------------

using N = MenuNode;
constexpr N sep() { return {N::Separator, 0, nullptr, {}}; }
constexpr N cmd(CommandId id) { return {N::Command, toInt(id), nullptr, {}}; }
constexpr N range(CommandId id) { return {N::Range, toInt(id), nullptr, {}}; }

const N kFileMenu[] = {
    cmd(CommandId::NewFolder), sep(), cmd(CommandId::Delete), cmd(CommandId::Properties), sep(),
    cmd(CommandId::Settings), sep(), cmd(CommandId::Exit)};
const N kEditMenu[] = {
    cmd(CommandId::Cut), cmd(CommandId::Copy), cmd(CommandId::Paste), sep(),
    cmd(CommandId::SelectAll), cmd(CommandId::InvertSelection)};
const N kAddToMenu[] = {range(CommandId::AddToWorksheet)};
const N kOpenWithMenu[] = {range(CommandId::OpenWithApplication)};
// Items 3 and 5 are filled when the menu opens.
const N kRatingMenu[] = {
    cmd(CommandId::Rating0), {N::Command, 37101, nullptr, {}}, {N::Command, 37102, nullptr, {}},
    {N::Command, 37103, nullptr, {}}, {N::Command, 37104, nullptr, {}},
    {N::Command, 37105, nullptr, {}}};
const N kLabelMenu[] = {cmd(CommandId::LabelRed), cmd(CommandId::LabelYellow),
                        cmd(CommandId::LabelGreen), cmd(CommandId::LabelBlue),
                        cmd(CommandId::LabelPurple)};
const N kImageMenu[] = {
    cmd(CommandId::Preview), sep(), cmd(CommandId::AddToDefaultWorksheet),
    {N::Submenu, 0, "ワークシートへ追加(&W)", kAddToMenu}, sep(),
    {N::Submenu, 0, "登録済みアプリで開く(O)", kOpenWithMenu}, sep(),
    {N::Submenu, 0, "レーティング(&R)", kRatingMenu}, {N::Submenu, 0, "ラベル(&L)", kLabelMenu},
    cmd(CommandId::ToggleReject), cmd(CommandId::UndoMark), sep(), cmd(CommandId::Compare)};
const N kDefaultSheetMenu[] = {range(CommandId::SetDefaultWorksheet)};
const N kCloseMenu[] = {
    cmd(CommandId::CloseCurrentWorksheet), cmd(CommandId::CloseAllWorksheets), sep(),
    range(CommandId::CloseWorksheet)};
const N kSaveMenu[] = {cmd(CommandId::SaveList), cmd(CommandId::ExportWorksheet)};
// Items 3 (default) and 5 (close) are filled when the menu opens.
const N kWorksheetMenu[] = {
    cmd(CommandId::NewWorksheet), cmd(CommandId::ReadList), sep(),
    {N::Submenu, 0, "デフォルトワークシート", kDefaultSheetMenu}, cmd(CommandId::ClearWorksheet),
    {N::Submenu, 0, "クローズ(&D)", kCloseMenu}, {N::Submenu, 0, "保存(&S)", kSaveMenu}, sep(),
    cmd(CommandId::SortByName), cmd(CommandId::SortByShootingTime), cmd(CommandId::SortByRating)};
const N kFileTypeMenu[] = {cmd(CommandId::ShowJpeg), cmd(CommandId::ShowRaw),
                           cmd(CommandId::ShowMisc)};
const N kSizeMenu[] = {cmd(CommandId::ThumbnailSize160), cmd(CommandId::ThumbnailSize120),
                       cmd(CommandId::ThumbnailSize100), cmd(CommandId::ThumbnailSizeCustom)};
const N kFilterMenu[] = {
    cmd(CommandId::FilterOff), sep(), cmd(CommandId::FilterMinRating1),
    {N::Command, 37132, nullptr, {}}, {N::Command, 37133, nullptr, {}},
    {N::Command, 37134, nullptr, {}}, {N::Command, 37135, nullptr, {}}, sep(),
    cmd(CommandId::FilterLabelRed), {N::Command, 37141, nullptr, {}},
    {N::Command, 37142, nullptr, {}}, {N::Command, 37143, nullptr, {}},
    {N::Command, 37144, nullptr, {}}, sep(), cmd(CommandId::FilterHideRejects)};
const N kHistogramMenu[] = {cmd(CommandId::HistogramLuminance), cmd(CommandId::HistogramRgb)};
// Item 2 is the thumbnail size menu, whose last item shows the custom size.
const N kViewMenu[] = {
    {N::Submenu, 0, "表示するファイル(&T)", kFileTypeMenu}, sep(),
    {N::Submenu, 0, "サムネイルサイズ(&Z)", kSizeMenu}, cmd(CommandId::ShowFileName),
    cmd(CommandId::ShowGuide), sep(), cmd(CommandId::ShowMiniPreview),
    cmd(CommandId::ShowInfoWindow), {N::Submenu, 0, "ヒストグラムの表示(&H)", kHistogramMenu}, sep(),
    cmd(CommandId::SizeLimiter), sep(), cmd(CommandId::SlideShow), sep(), cmd(CommandId::Refresh),
    sep(), {N::Submenu, 0, "絞り込み(&K)", kFilterMenu}};
const N kHelpMenu[] = {cmd(CommandId::HomePage), sep(), cmd(CommandId::About)};

const N kMenuBar[] = {
    {N::Submenu, 0, "ファイル(&F)", kFileMenu},   {N::Submenu, 0, "編集(&E)", kEditMenu},
    {N::Submenu, 0, "イメージ(&I)", kImageMenu},  {N::Submenu, 0, "ワークシート(&S)", kWorksheetMenu},
    {N::Submenu, 0, "表示(&V)", kViewMenu},       {N::Submenu, 0, "ヘルプ(&H)", kHelpMenu},
};

const int kBar128[] = {32785, 32784, 32786, 0, 36011, 33002, 32905, 0, 37130};
const int kBar161[] = {36021, 0, 32790, 32915, 0, 32794, 32908, 32795, 0, 32910, 32793, 0, 32920, 36018};
const int kBar170[] = {32928, 0, 57635, 57634, 57637};
// clang-format on

QString promptPart(int number, int part) {
    const CommandEntry* e = findCommand(number);
    if (!e || !e->prompt)
        return QString();
    return QString::fromUtf8(e->prompt).section(QLatin1Char('\n'), part, part);
}

} // namespace

std::span<const CommandEntry> commandTable() {
    return kCommands;
}

const CommandEntry* findCommand(int number) {
    for (const CommandEntry& e : kCommands)
        if (e.contains(number))
            return &e;
    return nullptr;
}

bool isCommandEnabled(int number, const CommandState& state) {
    const CommandEntry* e = findCommand(number);
    if (!e || !e->handler)
        return false;
    if ((state.hooks & e->needs) != e->needs)
        return false;
    return !e->enabled || e->enabled(state, number);
}

bool isCommandChecked(int number, const CommandState& state) {
    const CommandEntry* e = findCommand(number);
    return e && e->checked && e->checked(state, number);
}

QString commandPrompt(int number) {
    return promptPart(number, 0);
}

QString commandToolTip(int number) {
    return promptPart(number, 1);
}

std::span<const MenuNode> menuBarLayout() {
    return kMenuBar;
}

std::span<const int> toolBarButtons(int barId) {
    switch (barId) {
    case 128:
        return kBar128;
    case 161:
        return kBar161;
    case 170:
        return kBar170;
    default:
        return {};
    }
}

} // namespace lumora
