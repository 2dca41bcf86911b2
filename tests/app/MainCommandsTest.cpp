// The commands through the real main window: the menu bar, the dynamic
// menus, the One Key, open-with, paste, delete, the refresh rule.
#include "app/MainCommands.h"
#include "app/AboutDlg.h"
#include "app/FileCommands.h"
#include "app/ListContainerWnd.h"
#include "app/MainFrame.h"
#include "app/OneKey.h"
#include "app/StatusTexts.h"
#include "app/TreeContainerWnd.h"
#include "app/ViewerLink.h"
#include "foldertree/ShellTreeCtrl.h"
#include "platform/ClipboardFiles.h"
#include "platform/FileOperation.h"
#include "platform/VolumeWatcher.h"
#include "thumbnails/ThumbnailCtrl.h"
#include "thumbnails/ThumbnailFileOps.h"
#include "thumbnails/ThumbnailMessages.h"
#include "viewer/ViewerFrame.h"

#include <QAbstractButton>
#include <QAction>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTabBar>
#include <QtTest>

#include <deque>

using namespace lumora;

namespace {

QString samplesDir() {
    return QStringLiteral(LUMORA_SHARED_SAMPLES "/camera-jpeg");
}

// Copies the first n sample JPEGs into dir; false when there are no samples.
bool copySamples(const QString& dir, int n) {
    const QStringList names =
        QDir(samplesDir()).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
    if (names.size() < n)
        return false;
    QDir().mkpath(dir);
    for (int i = 0; i < n; ++i)
        if (!QFile::copy(samplesDir() + QLatin1Char('/') + names[i],
                         dir + QLatin1Char('/') + names[i]))
            return false;
    return true;
}

class ScriptedUi : public IFileOperationUi {
public:
    bool deleteAnswer = true;
    std::deque<ReplaceAnswer> replaceAnswers;
    QStringList asked;
    bool confirmDelete(const QStringList& paths, bool) override {
        asked << QStringLiteral("delete:%1").arg(paths.size());
        return deleteAnswer;
    }
    bool confirmDeletePermanently(const QString&) override { return false; }
    ReplaceAnswer askReplace(const QString& target, const QString&) override {
        asked << "replace:" + QFileInfo(target).fileName();
        if (replaceAnswers.empty())
            return ReplaceAnswer::Cancel;
        const ReplaceAnswer a = replaceAnswers.front();
        replaceAnswers.pop_front();
        return a;
    }
    void reportError(const QString&) override {}
    void beginProgress(const QString&, std::int64_t) override {}
    bool progress(std::int64_t, const QString&) override { return true; }
    void endProgress() override {}
};

// Answers the next message box with `button` and remembers its text and icon.
struct BoxAnswer {
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool seen = false;
};
void answerNextBox(QMessageBox::StandardButton button, BoxAnswer* seen) {
    QTimer::singleShot(0, [button, seen] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                if (seen) {
                    seen->text = box->text();
                    seen->title = box->windowTitle();
                    seen->icon = box->icon();
                    seen->seen = true;
                }
                box->button(button) ? box->button(button)->click() : box->reject();
                return;
            }
        answerNextBox(button, seen); // not shown yet
    });
}

QStringList actionTexts(QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

} // namespace

class MainCommandsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<CMainFrame> frame;
    QStringList addedTo; // addSelectionTo calls

    void make() {
        frame = std::make_unique<CMainFrame>(dir.filePath(QStringLiteral("lumora.ini")));
        frame->create();
        frame->resize(1000, 700);
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
    }

    // Worksheet hooks standing in for the worksheets: one worksheet, the
    // default, which is tab 1.
    void plugWorksheets(int defaultTab = 1) {
        CommandHooks& h = frame->commands().hooks();
        h.worksheetNames = [] { return QStringList{QStringLiteral("ワークシート1")}; };
        h.defaultWorksheet = [defaultTab] { return defaultTab; };
        h.createWorksheet = [](const QString&) { return 1; };
        h.cycleTab = [](int) {};
        h.closeCurrentWorksheet = [] {};
        h.closeAllWorksheets = [] {};
        h.closeWorksheet = [](int) {};
        h.setDefaultWorksheet = [](int) {};
        h.addSelectionTo = [this](int t) { addedTo << QString::number(t); };
        h.clearCurrentWorksheet = [] {};
        frame->commands().updateStates();
    }

    CThumbnailCtrl* loadFolder(const QString& path, int count) {
        frame->setReadyForFolderDisplay();
        frame->listContainer()->ShowFolder(path);
        CThumbnailCtrl* view = frame->listContainer()->folderView();
        if (!QTest::qWaitFor([&] { return view->Count() == count; }, 10000))
            return nullptr;
        view->setFocus();
        QTest::qWait(50);
        return view;
    }

    // A trash of the test's own: XDG_DATA_HOME points into the temporary
    // folder until the test unsets it.
    QString useOwnTrash(const QString& name) {
        const QString dataHome = dir.filePath(name);
        QDir().mkpath(dataHome);
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));
        return dataHome;
    }

private slots:
    void cleanup() {
        frame.reset();
        addedTo.clear();
    }

    void menuBarHasItsSixMenusAndItems() {
        make();
        QMenuBar* bar = frame->menuBar();
        QStringList titles;
        for (QAction* a : bar->actions())
            titles << a->text();
        QCOMPARE(titles, (QStringList{"ファイル(&F)", "編集(&E)", "イメージ(&I)",
                                      "ワークシート(&S)", "表示(&V)", "ヘルプ(&H)"}));
        CMainCommands& c = frame->commands();
        QCOMPARE(actionTexts(c.menu(0)),
                 (QStringList{"フォルダの新規作成(&N)", "-", "削除(&D)\tDEL", "プロパティ(&P)...",
                              "-", "環境設定(&E)...", "-", "終了(&X)"}));
        QCOMPARE(actionTexts(c.menu(1)),
                 (QStringList{"切り取り(&T)\tCtrl+X", "コピー(&C)\tCtrl+C", "貼り付け(&P)\tCtrl+V",
                              "-", "すべて選択(&A)\tCtrl+A", "選択の切り替え(&S)"}));
        // The submenus filled when the menu opens sit at items 3 and 5 of
        // the image and worksheet menus and item 2 of the view menu.
        QCOMPARE(c.menu(2)->actions()[3]->text(), QStringLiteral("ワークシートへ追加(&W)"));
        QCOMPARE(c.menu(2)->actions()[5]->text(), QStringLiteral("登録済みアプリで開く(O)"));
        QCOMPARE(c.menu(2)->actions()[7]->text(), QStringLiteral("レーティング(&R)"));
        QCOMPARE(c.menu(2)->actions().back()->text(), QStringLiteral("比較表示(&C)\tC"));
        QCOMPARE(c.menu(3)->actions()[3]->text(), QStringLiteral("デフォルトワークシート"));
        QCOMPARE(c.menu(3)->actions()[5]->text(), QStringLiteral("クローズ(&D)"));
        QCOMPARE(c.menu(4)->actions()[2]->text(), QStringLiteral("サムネイルサイズ(&Z)"));
        QCOMPARE(actionTexts(c.menu(5)), (QStringList{"VELINのホームページへ(&W)...", "-",
                                                      "Lumora のバージョン情報(&A)..."}));
        // Opening a menu fills the custom size from the settings.
        c.menu(4)->popup(QPoint(10, 10));
        QCOMPARE(c.action(32995)->text(), QStringLiteral("カスタム（60x45）"));
        c.menu(4)->hide();
        // Prompt and tool tip from the string table.
        QCOMPARE(c.action(32928)->statusTip(),
                 QStringLiteral("選択されたファイルまたはフォルダを削除"));
        QCOMPARE(c.action(32928)->toolTip(), QStringLiteral("削除"));
    }

    void worksheetMenusAndPlaceholders() {
        make();
        CMainCommands& c = frame->commands();
        c.initMenus();
        QMenu* openWith = c.menu(2)->actions()[5]->menu();
        QCOMPARE(actionTexts(openWith), QStringList{"（登録してください）"});
        QVERIFY(!openWith->actions()[0]->isEnabled());
        QMenu* addTo = c.menu(2)->actions()[3]->menu();
        QCOMPARE(actionTexts(addTo), QStringList{"（なし）"});
        QVERIFY(!addTo->actions()[0]->isEnabled());
        // The view's context menu shows the same grey placeholder.
        auto context = frame->listContainer()->folderView()->buildContextMenu(-1);
        QMenu* contextApps = nullptr;
        for (QAction* a : context->actions())
            if (a->menu() && a->text() == QStringLiteral("登録済みアプリで開く(&O)"))
                contextApps = a->menu();
        QVERIFY(contextApps);
        QCOMPARE(actionTexts(contextApps), QStringList{"（登録してください）"});
        QVERIFY(!contextApps->actions()[0]->isEnabled());

        plugWorksheets();
        frame->settings().AppList = {QStringLiteral("/usr/bin/true"), QStringLiteral("/bin/echo")};
        c.initMenus();
        c.updateStates();
        QCOMPARE(actionTexts(openWith), (QStringList{"true", "echo"}));
        QCOMPARE(openWith->actions()[1]->data().toInt(), 35001);
        QCOMPARE(actionTexts(addTo), QStringList{"ワークシート1"});
        QMenu* close = c.menu(3)->actions()[5]->menu();
        QCOMPARE(actionTexts(close),
                 (QStringList{"現在のシート", "全てのシート", "-", "ワークシート1"}));
        QMenu* defaults = c.menu(3)->actions()[3]->menu();
        QCOMPARE(defaults->actions()[0]->data().toInt(), 36025);
        QVERIFY(defaults->actions()[0]->isChecked());
        // Filling again keeps the close menu's first three items only.
        c.initMenus();
        QCOMPARE(close->actions().size(), 4);
    }

    void tabKindDecidesStates() {
        make();
        plugWorksheets();
        CMainCommands& c = frame->commands();
        // Folder tab: save, export, clear and close-current grey; the file
        // kinds available.
        c.updateStates();
        for (const int id : {32910, 32795, 32794})
            QVERIFY2(!c.action(id)->isEnabled(), qPrintable(QString::number(id)));
        for (const int id : {32785, 32784, 32786, 32962})
            QVERIFY(c.action(id)->isEnabled());
        // A command sent from code while its rule disallows it does nothing.
        bool cleared = false;
        c.hooks().clearCurrentWorksheet = [&] { cleared = true; };
        QVERIFY(!c.run(32795));
        QVERIFY(!cleared);
        // A worksheet current: kinds and size limiter grey and unchecked.
        frame->listContainer()->CreateTab(CListContainerWnd::kWorkSheetTab,
                                          QStringLiteral("ワークシート1"));
        frame->listContainer()->SwitchTab(1);
        QTest::qWait(10); // the tab change updates the states
        for (const int id : {32785, 32784, 32786, 32962}) {
            QVERIFY(!c.action(id)->isEnabled());
            QVERIFY(!c.action(id)->isChecked());
        }
        QVERIFY(c.action(32794)->isEnabled());
        // The question comes first; No changes nothing.
        BoxAnswer box;
        answerNextBox(QMessageBox::No, &box);
        QVERIFY(c.run(32795));
        QVERIFY(box.seen);
        QCOMPARE(
            box.text,
            QStringLiteral(
                "「ワークシート1」 に含まれる全てのオブジェクトを除外します。\nよろしいですか？"));
        QVERIFY(!cleared);
        answerNextBox(QMessageBox::Yes, nullptr);
        QVERIFY(c.run(32795));
        QVERIFY(cleared);
    }

    void oneKeyAddsTheSelectionAndNeverReachesTheView() {
        make();
        const QString folder = dir.filePath(QStringLiteral("onekey"));
        if (!copySamples(folder, 3))
            QSKIP("samples missing");
        plugWorksheets(1);
        CThumbnailCtrl* view = loadFolder(folder, 3);
        QVERIFY(view);
        int spacesSeen = 0;
        struct Counter : QObject {
            int* n;
            explicit Counter(int* n) : n(n) {}
            bool eventFilter(QObject*, QEvent* e) override {
                if ((e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease) &&
                    static_cast<QKeyEvent*>(e)->key() == Qt::Key_Space)
                    ++*n;
                return false;
            }
        } counter(&spacesSeen);
        view->installEventFilter(&counter);

        // Nothing selected: the rule drops the command, the key is still eaten.
        QTest::keyClick(view, Qt::Key_Space);
        QVERIFY(addedTo.isEmpty());
        QCOMPARE(spacesSeen, 0);

        frame->commands().run(32903); // select all
        QCOMPARE(view->list().CountSelected(), 3);
        view->setFocus();
        const int cursor = view->cursor();
        QTest::keyClick(view, Qt::Key_Space);
        QCOMPARE(addedTo, QStringList{"-1"});
        QCOMPARE(spacesSeen, 0);
        QCOMPARE(view->cursor(), cursor + 1); // moved on as the Right key does
        // Held down: every auto-repeated press runs it again.
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QString(" "), true);
        QApplication::sendEvent(view, &repeat);
        QCOMPARE(addedTo.size(), 2);

        // On the folder tree the key is the tree's.
        frame->treeContainer()->tree()->setFocus();
        QTest::keyClick(frame->treeContainer()->tree(), Qt::Key_Space);
        QCOMPARE(addedTo.size(), 2);

        // A stored key whose scan code means no key never matches.
        frame->settings().OneKey = 0x00FF0001;
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Space);
        QCOMPARE(addedTo.size(), 2);
        QVERIFY(spacesSeen > 0);
        view->removeEventFilter(&counter);
    }

    void oneKeyMatchesThePhysicalKey() {
        // X11 reports the evdev code plus 8: 65 is the space bar.
        QKeyEvent x11Space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, 65, 0, 0);
        QVERIFY(keyEventMatchesOneKey(x11Space, 3735553));
        // Another physical key that a layout maps to a space is not it.
        QKeyEvent x11Other(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, 66, 0, 0);
        QVERIFY(!keyEventMatchesOneKey(x11Other, 3735553));
        // The extended flag tells the Up arrow (E0 48) from keypad 8 (48).
        QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, 111, 0, 0);
        QVERIFY(keyEventMatchesOneKey(up, 0x01480001));
        QVERIFY(!keyEventMatchesOneKey(up, 0x00480001));
        // Without native codes the key decides.
        QKeyEvent plain(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
        QVERIFY(keyEventMatchesOneKey(plain, 3735553));
        QVERIFY(!keyEventMatchesOneKey(plain, 0x00FF0001));
    }

    void openWithStartsTheProgramWithOneArgumentPerFile() {
        make();
        // A folder whose name a shell would split and interpret.
        const QString folder = dir.filePath(QStringLiteral("it's \"odd\" $(x) & co"));
        if (!copySamples(folder, 3))
            QSKIP("samples missing");
        const QString out = dir.filePath(QStringLiteral("args.txt"));
        const QString app = dir.filePath(QStringLiteral("record-args"));
        {
            QFile script(app);
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write(
                "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > \"$0.tmp\" && mv \"$0.tmp\" \"" +
                QFile::encodeName(out) + "\"\n");
            script.close();
            script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
        }
        frame->settings().AppList = {app};
        CThumbnailCtrl* view = loadFolder(folder, 3);
        QVERIFY(view);
        frame->commands().run(32903);
        QVERIFY(frame->commands().run(35000));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(out), 5000);
        QFile result(out);
        QVERIFY(result.open(QIODevice::ReadOnly));
        const QStringList lines =
            QString::fromUtf8(result.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QStringLiteral("3"));
        QCOMPARE(lines.mid(1), SelectedPaths(*view));
        QVERIFY(lines[1].startsWith(folder));
        QFile::remove(out);

        // Shift-double-click opens the clicked item's selection with the first one.
        const QRect cell = view->cellRectInWindow(0);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::ShiftModifier, cell.center());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(out), 5000);

        // A program that cannot start: nothing is reported.
        frame->settings().AppList = {dir.filePath(QStringLiteral("no-such-program"))};
        QVERIFY(frame->commands().run(35000)); // starts nothing, reports nothing
    }

    void pasteThatWouldReplaceAsks() {
        const QString from = dir.filePath(QStringLiteral("paste-from"));
        const QString to = dir.filePath(QStringLiteral("paste-to"));
        QDir().mkpath(from);
        QDir().mkpath(to);
        auto write = [](const QString& path, const QByteArray& bytes) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        };
        auto read = [](const QString& path) {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        write(from + "/a.jpg", "new");
        write(from + "/b.jpg", "bee");
        write(to + "/a.jpg", "old");
        ScriptedUi ui;
        ui.replaceAnswers = {ReplaceAnswer::No};
        PasteTarget target;
        target.destination = to;
        target.ui = &ui;
        PasteOutcome outcome =
            PasteFiles(target, {from + "/a.jpg", from + "/b.jpg"}, DROPEFFECT_COPY);
        QCOMPARE(ui.asked, QStringList{"replace:a.jpg"});
        QCOMPARE(read(to + "/a.jpg"), QByteArray("old")); // kept
        QCOMPARE(read(to + "/b.jpg"), QByteArray("bee"));
        QVERIFY(outcome.ran);
        ui.asked.clear();
        ui.replaceAnswers = {ReplaceAnswer::Yes};
        PasteFiles(target, {from + "/a.jpg"}, DROPEFFECT_COPY);
        QCOMPARE(ui.asked, QStringList{"replace:a.jpg"});
        QCOMPARE(read(to + "/a.jpg"), QByteArray("new"));
        // No effect, no destination: nothing runs.
        QVERIFY(!PasteFiles(target, {from + "/b.jpg"}, DROPEFFECT_NONE).ran);
        target.destination.clear();
        QVERIFY(!PasteFiles(target, {from + "/b.jpg"}, DROPEFFECT_COPY).ran);
    }

    void deleteMovesToTheTrashAndCanBeRestored() {
        make();
        const QString folder = dir.filePath(QStringLiteral("trash-me"));
        if (!copySamples(folder, 3))
            QSKIP("samples missing");
        const QString dataHome = useOwnTrash(QStringLiteral("data"));
        CThumbnailCtrl* view = loadFolder(folder, 3);
        QVERIFY(view);
        ImageItem first;
        QVERIFY(view->list().CopyOut(0, first, CopyPixels::None));
        const QString path = QString::fromStdString(first.path);
        QFile original(path);
        QVERIFY(original.open(QIODevice::ReadOnly));
        const QByteArray bytes = original.readAll();
        original.close();
        view->list().ClearAllStates();
        view->list().SetState(0, kStateCursor | kStateSelected);
        view->SetCursorIndex(0);

        ScriptedUi ui;
        ui.deleteAnswer = false; // the user declines: nothing changes
        QCOMPARE(DeleteItems(*view, frame.get(), QString(), &ui), 0);
        QVERIFY(QFileInfo::exists(path));
        QCOMPARE(view->Count(), 3);

        ui.deleteAnswer = true;
        QCOMPARE(DeleteItems(*view, frame.get(), QString(), &ui), 1);
        QVERIFY(!QFileInfo::exists(path));
        QCOMPARE(view->Count(), 2);
        QCOMPARE(view->cursor(), 0); // the next item took its place
        QVERIFY(view->list().GetState(0) & kStateSelected);
        const QString trashed = dataHome + "/Trash/files/" + QFileInfo(path).fileName();
        const QString info = dataHome + "/Trash/info/" + QFileInfo(path).fileName() + ".trashinfo";
        QVERIFY(QFileInfo::exists(trashed));
        QFile infoFile(info);
        QVERIFY(infoFile.open(QIODevice::ReadOnly));
        const QString record = QString::fromUtf8(infoFile.readAll());
        QVERIFY(record.startsWith(QStringLiteral("[Trash Info]")));
        QVERIFY2(record.contains(QStringLiteral("Path=") +
                                 QString::fromUtf8(QUrl::toPercentEncoding(path, "/"))),
                 qPrintable(record));
        // Restoring as a file manager does: back to the recorded path.
        QVERIFY(QFile::rename(trashed, path));
        QFile restored(path);
        QVERIFY(restored.open(QIODevice::ReadOnly));
        QCOMPARE(restored.readAll(), bytes);
        qunsetenv("XDG_DATA_HOME");
    }

    // One file cannot go to the trash (its record's name would be too long)
    // and the user keeps it: the files that did go leave the view at once,
    // not at the next refresh; the kept one stays.
    void aPartlyRefusedDeleteDropsTheFilesThatWent() {
        make();
        const QString folder = dir.filePath(QStringLiteral("partly"));
        if (!copySamples(folder, 3))
            QSKIP("samples missing");
        useOwnTrash(QStringLiteral("data-partly"));
        const QString kept = folder + QLatin1Char('/') + QString(246, QLatin1Char('k')) + ".jpg";
        QVERIFY(QFile::rename(folder + QLatin1Char('/') + QDir(folder).entryList(QDir::Files)[0],
                              kept));
        CThumbnailCtrl* view = loadFolder(folder, 3);
        QVERIFY(view);
        view->SelectAll();
        ScriptedUi ui; // says yes to the trash, no to deleting for good
        QCOMPARE(DeleteItems(*view, frame.get(), QString(), &ui), 1);
        QVERIFY(QFileInfo::exists(kept));
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 1);
        QCOMPARE(view->Count(), 1);
        ImageItem item;
        QVERIFY(view->list().CopyOut(0, item, CopyPixels::None));
        QCOMPARE(QString::fromStdString(item.path), kept);
        QTest::qWait(1500); // past the reload delay of a folder change
        QCOMPARE(view->Count(), 1);
        qunsetenv("XDG_DATA_HOME");
    }

    // Files pasted into the folder on show come in selected (the view had
    // no selection), and the status bar's count follows them.
    void pasteIntoTheShownFolderUpdatesTheSelectionCount() {
        make();
        const QString folder = dir.filePath(QStringLiteral("paste-count"));
        const QString source = dir.filePath(QStringLiteral("paste-count-source"));
        if (!copySamples(folder, 2) || !copySamples(source, 4))
            QSKIP("samples missing");
        QStringList extra = QDir(source).entryList(QDir::Files, QDir::Name).mid(2);
        for (QString& f : extra)
            f = source + QLatin1Char('/') + f;
        auto* tree = static_cast<CShellTreeCtrl*>(frame->treeContainer()->tree());
        frame->setReadyForFolderDisplay();
        tree->SelectByPath(folder);
        CThumbnailCtrl* view = frame->listContainer()->folderView();
        QTRY_COMPARE_WITH_TIMEOUT(view->Count(), 2, 10000);
        view->list().ClearAllStates();
        view->setFocus();
        QTest::qWait(50);
        QVERIFY(putFilesOnClipboard(extra, DROPEFFECT_COPY));
        QVERIFY(frame->commands().run(57637));
        QTRY_COMPARE_WITH_TIMEOUT(view->Count(), 4, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(view->list().CountSelected(), 2, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(frame->statusPaneText(0), selectionStatusText(2), 5000);
    }

    // Deleting the current file by the Delete key in the real view: the
    // item that moves into its place becomes current and selected, and so
    // it stays once the folder's change notification has come and gone;
    // deleting the last item makes the new last one current. The question
    // box carries the program's caption.
    void deleteKeepsTheCursorAtTheDeletedItemsPlace() {
        make();
        const QString folder = dir.filePath(QStringLiteral("delete-cursor"));
        if (!copySamples(folder, 4))
            QSKIP("samples missing");
        useOwnTrash(QStringLiteral("data-cursor"));
        CThumbnailCtrl* view = loadFolder(folder, 4);
        QVERIFY(view);
        const auto pathAt = [&](int i) {
            ImageItem item;
            return view->list().CopyOut(i, item, CopyPixels::None) ? item.path : std::string();
        };
        const auto deleteByKey = [&](int index) {
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                              view->cellRectInWindow(index).center());
            QTRY_COMPARE(view->cursor(), index);
            BoxAnswer box;
            answerNextBox(QMessageBox::Yes, &box);
            QTest::keyClick(view, Qt::Key_Delete);
            QTRY_VERIFY(box.seen);
            QCOMPARE(box.title, QStringLiteral("Lumora"));
        };
        const std::string third = pathAt(3);
        deleteByKey(2);
        QTRY_COMPARE(view->Count(), 3);
        QTest::qWait(1500); // past the reload delay of a folder change
        QCOMPARE(view->Count(), 3);
        QCOMPARE(view->cursor(), 2);
        QCOMPARE(pathAt(2), third);
        QVERIFY(view->list().GetState(2) & kStateSelected);
        QCOMPARE(view->list().CountSelected(), 1);

        deleteByKey(2); // the last item
        QTRY_COMPARE(view->Count(), 2);
        QTest::qWait(1500);
        QCOMPARE(view->cursor(), 1);
        QVERIFY(view->list().GetState(1) & kStateSelected);
        qunsetenv("XDG_DATA_HOME");
    }

    // The viewer opened from the view (Enter, double-click) and closed by
    // Esc, by its menu or by its window's close: the main window is active
    // again and the view takes the keys without a click.
    void closingTheViewerGivesTheKeysBackToTheView() {
        make();
        const QString folder = dir.filePath(QStringLiteral("viewer-focus"));
        if (!copySamples(folder, 3))
            QSKIP("samples missing");
        CThumbnailCtrl* view = loadFolder(folder, 3);
        QVERIFY(view);
        CViewerFrame* viewer = CViewerLink::Of(frame.get())->viewer();
        const std::function<void()> opens[] = {
            [&] { QTest::keyClick(view, Qt::Key_Return); },
            [&] {
                QTest::mouseDClick(view->viewport(), Qt::LeftButton, {},
                                   view->cellRectInWindow(view->cursor()).center());
            },
        };
        const std::function<void()> closes[] = {
            [&] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); },
            [&] { viewer->action(ID_VIEWER_CLOSE)->trigger(); },
            [&] { viewer->close(); },
        };
        int step = 0;
        for (const auto& open : opens) {
            for (const auto& close : closes) {
                QTRY_COMPARE(QApplication::activeWindow(), frame.get());
                view->setFocus();
                const int before = view->cursor();
                open();
                QTRY_VERIFY(viewer->isVisible());
                QTRY_COMPARE(QApplication::activeWindow(), viewer);
                close();
                QTRY_VERIFY(!viewer->isVisible());
                QTRY_COMPARE(QApplication::activeWindow(), frame.get());
                QCOMPARE(QApplication::focusWidget(), view);
                // A key the view understands moves its cursor.
                const int key = before + 1 < view->Count() ? Qt::Key_Right : Qt::Key_Left;
                QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
                QTRY_VERIFY2(view->cursor() != before, qPrintable(QString::number(step)));
                ++step;
            }
        }
    }

    void worksheetDeleteAndPasteTouchNoFile() {
        const QString folder = dir.filePath(QStringLiteral("sheet-files"));
        if (!copySamples(folder, 3))
            QSKIP("samples missing");
        CThumbnailCtrl sheet(nullptr, 1);
        QStringList files = QDir(folder).entryList(QDir::Files, QDir::Name);
        for (QString& f : files)
            f = folder + QLatin1Char('/') + f;
        // Paste into a worksheet adds whatever the effect; nothing is copied.
        QVERIFY(putFilesOnClipboard(files, DROPEFFECT_MOVE));
        QVERIFY(AddClipboardFilesToWorksheet(sheet));
        QTRY_COMPARE_WITH_TIMEOUT(sheet.Count(), 3, 10000);
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 3);
        sheet.list().SelectAll();
        BoxAnswer box;
        answerNextBox(QMessageBox::No, &box);
        QCOMPARE(DeleteItems(sheet, nullptr, QString()), 0);
        QCOMPARE(
            box.text,
            QStringLiteral("選択されたアイテムをワークシートから除去します。\nよろしいですか？"));
        QCOMPARE(sheet.Count(), 3);
        // The viewer's request for one file: that item only.
        answerNextBox(QMessageBox::Yes, nullptr);
        DeleteItemsMessage one;
        one.path = files[1].toStdString();
        QVERIFY(Send(&sheet, one));
        QVERIFY(one.result);
        QCOMPARE(sheet.Count(), 2);
        QVERIFY(!sheet.list().ContainsPath(files[1].toStdString()));
        answerNextBox(QMessageBox::Yes, nullptr);
        QCOMPARE(DeleteItems(sheet, nullptr, QString()), 1);
        QCOMPARE(sheet.Count(), 0);
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 3);
    }

    void newFolderWhereNoneCanBeMadeShowsTheStopMessage() {
        make();
        auto* tree = static_cast<CShellTreeCtrl*>(frame->treeContainer()->tree());
        tree->setCurrentItem(tree->RootNode()); // the desktop: no folder there
        tree->setFocus();
        frame->commands().updateStates();
        // The virtual node has a name but no folder.
        QVERIFY(!tree->GetSelectedPath().isEmpty());
        BoxAnswer box;
        answerNextBox(QMessageBox::Ok, &box);
        QVERIFY(frame->commands().run(32941));
        QVERIFY(box.seen);
        QCOMPARE(box.text, QStringLiteral("この位置にはフォルダは作成できません。"));
        QCOMPARE(box.icon, QMessageBox::Critical);
    }

    void editKeysOnTheTreeActOnItsFolder() {
        make();
        const QString folder = dir.filePath(QStringLiteral("tree-copy"));
        QDir().mkpath(folder);
        auto* tree = static_cast<CShellTreeCtrl*>(frame->treeContainer()->tree());
        tree->SelectByPath(folder);
        QCOMPARE(tree->GetSelectedPath(), folder);
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_X, Qt::ControlModifier);
        auto files = filesFromClipboard();
        QVERIFY(files);
        QCOMPARE(files->paths, QStringList{folder});
        QCOMPARE(files->dropEffect, DROPEFFECT_MOVE);
        QTest::keyClick(tree, Qt::Key_C, Qt::ControlModifier);
        files = filesFromClipboard();
        QVERIFY(files);
        QCOMPARE(files->dropEffect, DROPEFFECT_COPY);
        // Properties of the tree's folder, delete enabled there.
        frame->commands().updateStates();
        QVERIFY(frame->commands().action(32928)->isEnabled());
        QVERIFY(frame->commands().action(32924)->isEnabled());
    }

    void propertiesOfThreeFilesIsOneDialog() {
        make();
        const QString folder = dir.filePath(QStringLiteral("props"));
        if (!copySamples(folder, 3))
            QSKIP("samples missing");
        CThumbnailCtrl* view = loadFolder(folder, 3);
        QVERIFY(view);
        frame->commands().run(32903);
        view->setFocus();
        QVERIFY(frame->commands().run(32924));
        const auto dialogs = frame->findChildren<QDialog*>();
        int shown = 0;
        for (QDialog* d : dialogs)
            if (d->isVisible() &&
                QString::fromLatin1(d->metaObject()->className()).contains("Properties")) {
                ++shown;
                d->close();
            }
        QCOMPARE(shown, 1);
    }

    void aboutDialogAndHomePage() {
        CAboutDlg about;
        QCOMPARE(about.windowTitle(), QStringLiteral("Lumora のバージョン情報"));
        QStringList texts;
        for (QLabel* l : about.findChildren<QLabel*>())
            texts << l->text();
        QVERIFY(texts.contains(QStringLiteral("High Performance Image Viewer for Digital Camera")));
        QVERIFY(texts.contains(QStringLiteral("Lumora Version 2.60")));
        // No public page yet: the README shipped beside the program.
        const QUrl home = homePageUrl();
        QVERIFY(home.isLocalFile());
        QVERIFY2(QFileInfo(home.toLocalFile()).isFile(), qPrintable(home.toString()));
        QVERIFY(home.toLocalFile().endsWith(QStringLiteral("README.md")));
        if (qEnvironmentVariableIsSet("LUMORA_SHOT_DIR"))
            about.grab().save(qEnvironmentVariable("LUMORA_SHOT_DIR") + "/about.png");
    }

    void tabSwitchesBetweenTreeAndView() {
        make();
        QWidget* tree = frame->treeContainer()->tree();
        tree->setFocus();
        QTRY_COMPARE(frame->focusPane(), 0);
        QVERIFY(frame->commands().run(32980));
        QTRY_VERIFY(frame->focusWidget() == frame->listContainer()->folderView());
        QCOMPARE(frame->focusPane(), 1);
        QVERIFY(frame->commands().run(32980));
        QTRY_VERIFY(frame->focusWidget() == tree);
        QCOMPARE(frame->focusPane(), 0);
    }

    void twoVolumeArrivalsGiveOneRefresh() {
        make();
        auto* watcher = frame->findChild<CVolumeWatcher*>();
        QVERIFY(watcher);
        auto* tree = static_cast<CShellTreeCtrl*>(frame->treeContainer()->tree());
        QSignalSpy resets(tree->model(), &QAbstractItemModel::modelReset);
        emit watcher->volumeArrived(QStringLiteral("/media/x"));
        QTest::qWait(300);
        emit watcher->volumeArrived(QStringLiteral("/media/x"));
        QTest::qWait(500);
        QCOMPARE(resets.count(), 0); // one second after the first arrival
        QTRY_COMPARE_WITH_TIMEOUT(resets.count(), 1, 2000);
        QTest::qWait(1200);
        QCOMPARE(resets.count(), 1);
        emit watcher->volumeRemoved(QStringLiteral("/media/x")); // at once
        QCOMPARE(resets.count(), 2);
    }
};

int runMainCommandsTest(int argc, char** argv) {
    MainCommandsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainCommandsTest.moc"
