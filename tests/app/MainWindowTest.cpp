#include "app/ListContainerWnd.h"
#include "app/MainFrame.h"
#include "app/StatusTexts.h"
#include "app/TreeContainerWnd.h"
#include "controls/Divider.h"
#include "controls/TextProgressCtrl.h"
#include "engine/EngineMessages.h"
#include "engine/ThumbnailEngine.h"
#include "foldertree/BrowseCombo.h"
#include "foldertree/ShellTreeCtrl.h"
#include "platform/ClipboardFiles.h"
#include "thumbnails/ThumbnailCtrl.h"
#include "thumbnails/ThumbnailMessages.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QToolBar>
#include <QtTest>

using namespace lumora;

namespace {

std::vector<int> buttonsOf(QToolBar* bar) {
    std::vector<int> ids;
    for (QAction* a : bar->actions())
        ids.push_back(a->isSeparator() ? 0 : a->data().toInt());
    return ids;
}

template <typename M, typename... Args> void send(QObject* to, Args... args) {
    M m(args...);
    Send(to, m);
}

void sendProgress(QObject* to, int done, int total, int viewIndex) {
    send<ThumbProgressMessage>(to, done, total, viewIndex);
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<CMainFrame> frame;

    void make() {
        frame = std::make_unique<CMainFrame>(dir.filePath(QStringLiteral("lumora.ini")));
        frame->create();
        frame->resize(1000, 700);
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
    }

private slots:
    void cleanup() { frame.reset(); }

    void statusTexts() {
        QCOMPARE(selectionStatusText(3), QStringLiteral("3個のオブジェクトを選択"));
        QCOMPARE(*phaseStatusText(0), QString());
        QCOMPARE(*phaseStatusText(1), QStringLiteral("イメージオブジェクトをサーチしています..."));
        QCOMPARE(*phaseStatusText(3), QStringLiteral("サムネイルを生成しています..."));
        QVERIFY(!phaseStatusText(4));
        QVERIFY(!phaseStatusText(-1));
        QCOMPARE(countStatusText(-1), QStringLiteral("---個のオブジェクト"));
        QCOMPARE(countStatusText(0), QStringLiteral("0個のオブジェクト"));
        QCOMPARE(clipboardStatusText(DROPEFFECT_COPY, 2, QStringLiteral("/a/b.jpg")),
                 QStringLiteral("Copied(2)： /a/b.jpg"));
        QCOMPARE(clipboardStatusText(DROPEFFECT_MOVE, 1, QStringLiteral("x")),
                 QStringLiteral("Cut(1)： x"));
        QCOMPARE(clipboardStatusText(DROPEFFECT_COPY | DROPEFFECT_MOVE, 1, QStringLiteral("x")),
                 QStringLiteral("Copied(1)： x"));
        QCOMPARE(clipboardStatusText(0, 1, QStringLiteral("x")), QStringLiteral("Unknown(1)： x"));
    }

    void windowTreeAndBars() {
        make();
        QVERIFY(frame->findChild<QWidget*>(QStringLiteral("TreeContainer")));
        QVERIFY(frame->findChild<QWidget*>(QStringLiteral("ListContainer")));
        QVERIFY(frame->findChild<QWidget*>(QStringLiteral("ThumbnailCtrl")));
        QVERIFY(frame->findChild<QWidget*>(QStringLiteral("MiniPreviewCtrl")));
        QVERIFY(frame->findChild<QWidget*>(QStringLiteral("InfoContainer")));
        QCOMPARE(buttonsOf(frame->toolBar(170)), (std::vector<int>{32928, 0, 57635, 57634, 57637}));
        QCOMPARE(buttonsOf(frame->toolBar(161)),
                 (std::vector<int>{36021, 0, 32790, 32915, 0, 32794, 32908, 32795, 0, 32910, 32793,
                                   0, 32920, 36018}));
        QCOMPARE(buttonsOf(frame->toolBar(128)),
                 (std::vector<int>{32785, 32784, 32786, 0, 36011, 33002, 32905, 0, 37130}));
        QCOMPARE(frame->commandAction(32785)->toolTip(), QStringLiteral("JPEGを表示"));
        QCOMPARE(frame->commandAction(32905)->statusTip(),
                 QStringLiteral("ウインドウを最新の情報に更新"));
        // With the folder tab current: the file kinds can be switched, the
        // worksheet commands cannot.
        frame->updateCommandStates();
        QVERIFY(frame->commandAction(32785)->isEnabled());
        QVERIFY(frame->commandAction(32785)->isChecked());
        QVERIFY(!frame->commandAction(32795)->isEnabled());
        QVERIFY(!frame->commandAction(32910)->isEnabled());
        QCOMPARE(frame->listContainer()->tabStrip()->tabText(0), QStringLiteral("フォルダ(0)"));
    }

    void fileKindButtonTogglesTheSetting() {
        make();
        QCOMPARE(frame->settings().FileType, 7);
        frame->commandAction(32784)->trigger();
        QCOMPARE(frame->settings().FileType, 5);
        QVERIFY(!frame->commandAction(32784)->isChecked());
        frame->commandAction(32784)->trigger();
        QCOMPARE(frame->settings().FileType, 7);
        QVERIFY(frame->commandAction(32784)->isChecked());
    }

    void statusPanesFollowTheMessages() {
        make();
        send<SelCountMessage>(frame.get(), 5);
        QCOMPARE(frame->statusPaneText(0), QStringLiteral("5個のオブジェクトを選択"));
        send<SelCountMessage>(frame.get(), -1);
        QCOMPARE(frame->statusPaneText(0), QStringLiteral("5個のオブジェクトを選択"));
        send<ThumbPhaseMessage>(frame.get(), 2);
        QCOMPARE(frame->statusPaneText(0), QStringLiteral("イメージをソートしています..."));
        send<ThumbPhaseMessage>(frame.get(), 9);
        QCOMPARE(frame->statusPaneText(0), QStringLiteral("イメージをソートしています..."));
        // The end of a phase brings back the idle text with the last count.
        send<ThumbPhaseMessage>(frame.get(), 0);
        QCOMPARE(frame->statusPaneText(0), QStringLiteral("5個のオブジェクトを選択"));
        send<ThumbCountMessage>(frame.get(), -1);
        QCOMPARE(frame->statusPaneText(3), QStringLiteral("---個のオブジェクト"));
        send<ThumbCountMessage>(frame.get(), 12);
        QCOMPARE(frame->statusPaneText(3), QStringLiteral("12個のオブジェクト"));

        sendProgress(frame.get(), 3, 10, 0);
        QCOMPARE(frame->statusPaneText(1), QStringLiteral("EXIF scanning..."));
        QCOMPARE(frame->progressBar()->pos(), 3);
        QCOMPARE(frame->progressBar()->upper(), 10);
        sendProgress(frame.get(), 4, 10, 1); // another tab's view: not shown
        QCOMPARE(frame->progressBar()->pos(), 3);
        sendProgress(frame.get(), 100, 100, 0);
        QCOMPARE(frame->statusPaneText(1), QString());
        QCOMPARE(frame->progressBar()->pos(), 0);
    }

    void countPaneNeverCutsItsText() {
        make();
        auto* pane = frame->findChild<QLabel*>(QStringLiteral("StatusPane3"));
        QVERIFY(pane);
        for (int count : {428, 88888, 1234567, -1}) {
            send<ThumbCountMessage>(frame.get(), count);
            QCoreApplication::processEvents();
            const QString text = pane->text();
            // The room inside the frame and margins holds the whole text.
            const int room = pane->contentsRect().width();
            const int needed = pane->fontMetrics().horizontalAdvance(text);
            QVERIFY2(room >= needed,
                     qPrintable(QStringLiteral("%1: %2 < %3").arg(text).arg(room).arg(needed)));
            QVERIFY(pane->width() >= pane->sizeHint().width());
            QVERIFY(pane->width() >= 110);
        }
    }

    void clipboardPaneShowsFileListsOnly() {
        make();
        QClipboard* cb = QGuiApplication::clipboard();
        QVERIFY(putFilesOnClipboard(
            {QStringLiteral("/tmp/one.jpg"), QStringLiteral("/tmp/two.jpg")}, DROPEFFECT_MOVE));
        QTRY_COMPARE(frame->statusPaneText(2), QStringLiteral("Cut(2)： /tmp/one.jpg"));
        cb->setText(QStringLiteral("just text"));
        QTest::qWait(50);
        QCOMPARE(frame->statusPaneText(2), QStringLiteral("Cut(2)： /tmp/one.jpg"));
    }

    void panesKeepTheirExtentsOnResize() {
        make();
        CDivider* main = frame->mainDivider();
        QCOMPARE(main->GetPosition(), 200);
        QCOMPARE(frame->treeContainer()->width(), 200);
        const int info = frame->listContainer()->infoPanel()->width();
        QCOMPARE(info, 200);
        frame->resize(1300, 800);
        QTRY_COMPARE(frame->listContainer()->infoPanel()->width(), 200);
        QCOMPARE(frame->treeContainer()->width(), 200);
        QCOMPARE(frame->treeContainer()->miniPreview()->height(), 200);
        // The list container leaves 24 pixels for the tab strip.
        CListContainerWnd* list = frame->listContainer();
        QCOMPARE(list->divider()->height(), list->height() - 24);
        QCOMPARE(list->tabStrip()->geometry().top(), list->height() - 24);

        // Hiding the information pane gives its room to the view.
        const int viewWidth = list->folderView()->width();
        frame->settings().ShowExifWindow = 0;
        frame->ApplySettings(false);
        QCOMPARE(list->folderView()->width(), viewWidth + 203);
        frame->settings().ShowExifWindow = 1;
        frame->ApplySettings(false);
        QCOMPARE(list->infoPanel()->width(), 200);
    }

    void addressBoxLoadsTheFolder() {
        make();
        frame->setReadyForFolderDisplay();
        QTemporaryDir images;
        for (const char* name : {"b.jpg", "a.JPG", "c.txt"}) {
            QFile f(images.filePath(QString::fromLatin1(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("x");
        }
        QComboBox* box = frame->addressBox();
        box->setEditText(images.path());
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        CThumbnailCtrl* view = frame->listContainer()->folderView();
        QTRY_COMPARE(view->Count(), 2);
        QCOMPARE(frame->windowTitle(), QStringLiteral("Lumora - ") + images.path());
        QCOMPARE(frame->currentFolderPath(), images.path());
        QTRY_COMPARE(frame->statusPaneText(3), QStringLiteral("2個のオブジェクト"));
        // A path that is no folder changes nothing.
        box->setEditText(images.filePath(QStringLiteral("c.txt")));
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        QTest::qWait(50);
        QCOMPARE(frame->currentFolderPath(), images.path());
    }

    // Keys reach the address box itself, as the window system delivers them
    // (the edit field passes the focus on to the box).
    void addressBoxTakesReturnAndKeypadEnter() {
        make();
        frame->setReadyForFolderDisplay();
        QTemporaryDir images;
        const QString first = images.filePath(QStringLiteral("first"));
        QVERIFY(QDir().mkpath(first));
        auto* box = frame->findChild<CBrowseCombo*>();
        auto* tree = frame->findChild<CShellTreeCtrl*>();
        QVERIFY(box && tree);
        CThumbnailCtrl* view = frame->listContainer()->folderView();
        auto enter = [&](const QString& path, Qt::Key key, Qt::KeyboardModifiers mods) {
            box->setFocus();
            box->lineEdit()->selectAll();
            QTest::keyClicks(box, path);
            QCOMPARE(box->currentText(), path);
            QTest::keyClick(box, key, mods);
        };
        enter(first, Qt::Key_Return, {});
        QCOMPARE(tree->GetSelectedPath(), first);
        QTRY_COMPARE(QDir::cleanPath(view->folder()), first);

        // A folder made after the tree listed its parent is added and loaded.
        const QString later = images.filePath(QStringLiteral("later"));
        QVERIFY(QDir().mkpath(later));
        QFile f(later + QStringLiteral("/x.jpg"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        enter(later, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(tree->GetSelectedPath(), later);
        QTRY_COMPARE(view->Count(), 1);
        QCOMPARE(frame->windowTitle(), QStringLiteral("Lumora - ") + later);

        // The box lists the visited folders, newest first, repeats kept; a
        // prefix of a listed folder is taken as typed, not completed.
        enter(first, Qt::Key_Return, {});
        QTRY_COMPARE(QDir::cleanPath(view->folder()), first);
        QVERIFY(box->count() >= 3);
        QCOMPARE(box->itemText(0), first);
        QCOMPARE(box->itemText(1), later);
        QCOMPARE(box->itemText(2), first);
        enter(images.path(), Qt::Key_Return, {});
        QCOMPARE(tree->GetSelectedPath(), images.path());
        QCOMPARE(box->itemText(0), images.path());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
