// The command table itself: every command's enable and check rule under the
// states the window can be in, and the table's consistency with the menu
// bar, the tool bars and the accelerators.
#include "app/Commands.h"
#include "app/MainCommands.h"

#include <QKeySequence>
#include <QtTest>

#include <set>

using namespace lumora;

namespace {

constexpr unsigned kAllHooks = kNeedWorksheets | kNeedListFiles | kNeedExport |
                               kNeedSettingsDialog | kNeedSlideShow | kNeedCompare;

// The folder tab, a view with the focus and two of five items selected, one
// worksheet (the default, tab 1), files on the clipboard, one application.
CommandState folderView() {
    CommandState s;
    s.hooks = kAllHooks;
    s.focus = FocusTarget::View;
    s.worksheetCount = 1;
    s.defaultWorksheet = 1;
    s.selectedCount = 2;
    s.hasCursorItem = true;
    s.itemCount = 5;
    s.treePathEmpty = false;
    s.clipboardHasFiles = true;
    s.applicationCount = 1;
    return s;
}

// The default worksheet is current.
CommandState worksheetView() {
    CommandState s = folderView();
    s.worksheetCurrent = true;
    s.defaultWorksheetCurrent = true;
    return s;
}

// The folder tree has the focus; nothing is selected in the view.
CommandState treeFocus() {
    CommandState s = folderView();
    s.focus = FocusTarget::Tree;
    s.selectedCount = 0;
    s.hasCursorItem = false;
    return s;
}

// The address box has the focus; no worksheets, clipboard, applications,
// information pane or tree selection; the view is scanning.
CommandState otherFocus() {
    CommandState s;
    s.hooks = kAllHooks;
    s.focus = FocusTarget::Other;
    s.treePathEmpty = true;
    s.busy = true;
    s.infoPaneShown = false;
    return s;
}

// As folderView, with none of the other subsystems' hooks plugged in.
CommandState noHooks() {
    CommandState s = folderView();
    s.hooks = 0;
    return s;
}

struct Row {
    int id;
    const char* enabled; // folderView, worksheetView, treeFocus, otherFocus, noHooks
};

// clang-format off
const Row kRows[] = {
    {32941, "11101"}, {32928, "11101"}, {32924, "11101"}, {32937, "11110"}, {57665, "11111"},
    {57635, "11101"}, {57634, "11101"}, {57637, "11101"}, {32903, "11111"}, {32993, "11111"},
    {33001, "11001"}, {33002, "11000"}, {36021, "10000"}, {34000, "11000"}, {35000, "11001"},
    {32790, "11110"}, {32915, "11110"}, {36025, "11100"}, {32795, "01000"}, {32794, "01000"},
    {32908, "11100"}, {32799, "11100"}, {32910, "01000"}, {32793, "01000"}, {32920, "11111"},
    {36018, "11101"},
    {32785, "10111"}, {32784, "10111"}, {32786, "10111"},
    {32900, "11111"}, {32901, "11111"}, {32902, "11111"}, {32995, "11111"},
    {32966, "11111"}, {32967, "11111"}, {37013, "11111"}, {36015, "11111"},
    {32971, "11101"}, {32972, "11101"}, {32962, "10111"}, {36011, "11100"}, {32905, "11111"},
    {32926, "11111"}, {57664, "11111"}, {32980, "11111"}, {32982, "11110"}, {32983, "11110"},
    {57680, "00000"}, {57681, "00000"},
    // Marks go to the view with the focus; undo only after a mark.
    {37100, "11001"}, {37101, "11001"}, {37102, "11001"}, {37103, "11001"}, {37104, "11001"},
    {37105, "11001"}, {37110, "11001"}, {37111, "11001"}, {37112, "11001"}, {37113, "11001"},
    {37114, "11001"}, {37120, "11001"}, {37121, "00000"}, {37122, "11101"},
    // The mark filter of the current tab.
    {37130, "11111"}, {37131, "11111"}, {37132, "11111"}, {37133, "11111"}, {37134, "11111"},
    {37135, "11111"}, {37140, "11111"}, {37141, "11111"}, {37142, "11111"}, {37143, "11111"},
    {37144, "11111"}, {37150, "11111"},
};
// clang-format on

} // namespace

class CommandTableTest : public QObject {
    Q_OBJECT

private slots:
    void everyCommandFollowsItsEnableRule() {
        const CommandState states[] = {folderView(), worksheetView(), treeFocus(), otherFocus(),
                                       noHooks()};
        const char* names[] = {"folder view", "worksheet", "tree focus", "other focus", "no hooks"};
        std::set<int> covered;
        for (const Row& row : kRows) {
            covered.insert(row.id);
            for (int i = 0; i < 5; ++i) {
                const bool want = row.enabled[i] == '1';
                if (isCommandEnabled(row.id, states[i]) != want)
                    QFAIL(qPrintable(QStringLiteral("%1 with %2: expected %3")
                                         .arg(row.id)
                                         .arg(QString::fromLatin1(names[i]))
                                         .arg(want ? "enabled" : "disabled")));
            }
        }
        // Every command of the table has a row (a new command needs one).
        for (const CommandEntry& e : commandTable())
            QVERIFY2(covered.count(toInt(e.id)), qPrintable(QString::number(toInt(e.id))));
    }

    void rangesCoverOnlyWhatExists() {
        CommandState s = folderView();
        s.worksheetCount = 2;
        s.applicationCount = 3;
        QVERIFY(isCommandEnabled(34001, s));
        QVERIFY(!isCommandEnabled(34002, s)); // no third worksheet
        QVERIFY(isCommandEnabled(32800, s));
        QVERIFY(!isCommandEnabled(32801, s));
        QVERIFY(isCommandEnabled(35099, s));  // the handler checks the list
        QVERIFY(!isCommandEnabled(34100, s)); // outside every range
        QVERIFY(!isCommandEnabled(0, s));
        s.selectedCount = 0;
        QVERIFY(!isCommandEnabled(34000, s));
        QVERIFY(!isCommandEnabled(35000, s));
    }

    void compareTakesTwoToFourSelectedItemsInTheView() {
        CommandState s = folderView();
        const int compare = toInt(CommandId::Compare);
        for (int n : {0, 1, 5, 100}) {
            s.selectedCount = n;
            QVERIFY2(!isCommandEnabled(compare, s), qPrintable(QString::number(n)));
        }
        for (int n : {2, 3, 4}) {
            s.selectedCount = n;
            QVERIFY2(isCommandEnabled(compare, s), qPrintable(QString::number(n)));
        }
        QCOMPARE(QString::fromLatin1(findCommand(compare)->key), QStringLiteral("C"));
        QCOMPARE(commandToolTip(compare), QStringLiteral("比較表示"));
    }

    void checkMarksFollowSettingsAndTabKind() {
        CommandState s = folderView();
        s.fileType = 1 | 4;
        s.sizeLimiter = true;
        QVERIFY(isCommandChecked(32785, s));
        QVERIFY(!isCommandChecked(32784, s));
        QVERIFY(isCommandChecked(32786, s));
        QVERIFY(isCommandChecked(32962, s));
        // A worksheet greys and unchecks the file kinds and the size limiter.
        s.worksheetCurrent = true;
        for (const int id : {32785, 32784, 32786, 32962}) {
            QVERIFY(!isCommandChecked(id, s));
            QVERIFY(!isCommandEnabled(id, s));
        }
        s = folderView();
        s.thumbnailSize = 3;
        QVERIFY(isCommandChecked(32995, s));
        QVERIFY(!isCommandChecked(32901, s));
        QVERIFY(isCommandChecked(37130, s)); // no filter
        s.filterMinRating = 3;
        s.filterHideRejects = true;
        QVERIFY(isCommandChecked(37133, s));
        QVERIFY(isCommandChecked(37150, s));
        QVERIFY(!isCommandChecked(37130, s));
        QVERIFY(!isCommandChecked(37140, s));
        s.markUndoAvailable = true;
        QVERIFY(isCommandEnabled(37121, s));
        s.sortMode = 3;
        QVERIFY(isCommandChecked(37122, s));
        s.sortMode = 2;
        QVERIFY(isCommandChecked(36018, s));
        QVERIFY(!isCommandChecked(32920, s));
        s.defaultWorksheet = 2;
        QVERIFY(isCommandChecked(36026, s));
        QVERIFY(!isCommandChecked(36025, s));
        s.histogramMode = 1;
        QVERIFY(isCommandChecked(32972, s));
        QVERIFY(!isCommandChecked(32971, s));
        s.slideShowRunning = true;
        QVERIFY(isCommandChecked(36011, s));
        QVERIFY(!isCommandChecked(32905, s)); // not checkable
    }

    void tableAgreesWithMenusBarsAndKeys() {
        std::set<int> seen;
        for (const CommandEntry& e : commandTable())
            for (int i = 0; i < e.count; ++i)
                QVERIFY2(seen.insert(toInt(e.id) + i).second, "two entries share a number");
        std::function<void(std::span<const MenuNode>)> walk = [&](std::span<const MenuNode> nodes) {
            for (const MenuNode& n : nodes) {
                if (n.kind == MenuNode::Command) {
                    const CommandEntry* e = findCommand(n.command);
                    QVERIFY(e && e->menuText);
                }
                if (n.kind == MenuNode::Submenu)
                    walk(n.children);
            }
        };
        walk(menuBarLayout());
        for (const int bar : {128, 161, 170})
            for (const int id : toolBarButtons(bar))
                if (id)
                    QVERIFY2(!commandToolTip(id).isEmpty(), qPrintable(QString::number(id)));
        int keys = 0;
        for (const CommandEntry& e : commandTable())
            if (e.key) {
                QVERIFY(!QKeySequence(QString::fromLatin1(e.key)).isEmpty());
                ++keys;
            }
        QCOMPARE(keys, 10 + 12 + 1); // accelerator table 128, the mark keys 0-9, X, Ctrl+Z, and C
        QCOMPARE(commandPrompt(57634),
                 QStringLiteral("選択オブジェクトをコピーしてクリップボードﾞに保存"));
        QCOMPARE(commandToolTip(32908), QStringLiteral("全クローズ"));
    }

    void menuTextsOfTheDynamicItems() {
        QCOMPARE(CMainCommands::customSizeText(60, 45), QStringLiteral("カスタム（60x45）"));
        QCOMPARE(CMainCommands::applicationMenuNames(
                     {QStringLiteral("/usr/bin/gimp"), QStringLiteral("/opt/a b/viewer")}),
                 (QStringList{QStringLiteral("gimp"), QStringLiteral("viewer")}));
    }
};

int runCommandTableTest(int argc, char** argv) {
    CommandTableTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "CommandTableTest.moc"
