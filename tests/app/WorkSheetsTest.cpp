// Worksheets in the real main window: tabs and their labels, the default
// worksheet when closing, reading and saving lists, drops on the tab strip,
// renaming, the One Key on every cursor key, what the viewer adds and
// deletes, and the export with its dialogs answered by the test.
#include "app/ListContainerWnd.h"
#include "app/MainFrame.h"
#include "app/TreeContainerWnd.h"
#include "app/ViewerLink.h"
#include "controls/SkipperSliderCtrl.h"
#include "platform/ClipboardFiles.h"
#include "platform/KeyData.h"
#include "platform/VolumeWatcher.h"
#include "thumbnails/FileProgressDlg.h"
#include "thumbnails/ThumbnailCtrl.h"
#include "thumbnails/WorkSheetFile.h"
#include "thumbnails/WorkSheetTabStrip.h"
#include "thumbnails/WorkSheetWriteDlg.h"
#include "viewer/PreviewCtrl.h"
#include "viewer/ViewerFrame.h"

#include "../platform/ScratchMounts.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>

using namespace lumora;

class WorkSheetsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<CMainFrame> frame;
    CListContainerWnd* lc = nullptr;
    QStringList messages; // "<icon>:<text>" of every message box
    QStringList questions;
    bool answer = true;

    void make(bool defaultWorksheet = true) {
        frame = std::make_unique<CMainFrame>(dir->filePath(QStringLiteral("lumora.ini")));
        frame->setCreateDefaultWorkSheet(defaultWorksheet);
        frame->create();
        frame->resize(1000, 700);
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        lc = frame->listContainer();
        lc->setMessageBoxHandler([this](QMessageBox::Icon icon, const QString& text) {
            messages << QStringLiteral("%1:%2").arg(int(icon)).arg(text);
        });
        frame->setDialogHandlers(
            [this](const QString& text) {
                questions << text;
                return answer;
            },
            [this](int icon, const QString& text) {
                messages << QStringLiteral("%1:%2").arg(icon).arg(text);
            });
    }
    QString file(const QString& name, const QByteArray& bytes = "x") {
        const QString path = dir->filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(bytes);
        return path;
    }
    // A small real JPEG file.
    QString jpeg(const QString& name, int seed = 0) {
        const QString path = dir->filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        QImage img(160, 120, QImage::Format_RGB32);
        img.fill(qRgb(seed * 40 % 256, 120, 200));
        img.save(path, "JPG", 90);
        return path;
    }
    // The folder view showing `folder` with n items, focused.
    CThumbnailCtrl* showFolder(const QString& folder, int n) {
        frame->setReadyForFolderDisplay();
        lc->ShowFolder(folder);
        CThumbnailCtrl* view = lc->folderView();
        if (!QTest::qWaitFor([&] { return view->Count() == n; }, 10000))
            return nullptr;
        view->setFocus();
        return view;
    }
    static void clickItem(CThumbnailCtrl* view, int index) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          view->cellRectInWindow(index).center());
    }
    static std::vector<int> selectedOf(CThumbnailCtrl* view) {
        std::vector<int> out;
        for (int i = 0; i < view->Count(); ++i)
            if (view->list().GetState(i) & kStateSelected)
                out.push_back(i);
        return out;
    }
    QString list(const QString& name, const QByteArray& body) {
        return file(name, "Lumora WorkSheetFile\r\n" + body);
    }
    QStringList labels() const {
        QStringList out;
        for (int i = 0; i < lc->tabStrip()->count(); ++i)
            out << lc->tabStrip()->tabText(i);
        return out;
    }
    QStringList pathsOf(int tab) const {
        std::vector<std::string> paths;
        lc->view(tab)->list().CollectPaths(paths);
        QStringList out;
        for (const auto& p : paths)
            out << QString::fromStdString(p);
        return out;
    }

    static bool showsPlaceholder(CThumbnailCtrl* view) {
        const QImage canvas = view->grabCanvas().convertToFormat(QImage::Format_RGB32);
        const int mid = canvas.height() / 2;
        for (int y = std::max(0, mid - 40); y < std::min(canvas.height(), mid + 40); ++y)
            for (int x = 0; x < canvas.width(); ++x)
                if ((canvas.pixel(x, y) & 0xFFFFFF) == 0xC8C8C8)
                    return true;
        return false;
    }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        messages.clear();
        questions.clear();
        answer = true;
    }
    void cleanup() {
        frame.reset();
        dir.reset();
    }

    void startUpHasTheFirstWorksheetWithTheFolderTabCurrent() {
        make(true);
        QCOMPARE(labels(), (QStringList{"フォルダ(0)", "[D]：ワークシート1(0)"}));
        QCOMPARE(lc->currentIndex(), 0);
        QCOMPARE(lc->defaultWorksheet(), 1);
        QCOMPARE(lc->currentKind(), int(CListContainerWnd::kFolderTab));
        QVERIFY(!lc->view(1)->isVisible());
        // A file on the command line: no empty worksheet.
        make(false);
        QCOMPARE(labels(), QStringList{"フォルダ(0)"});
        QCOMPARE(lc->defaultWorksheet(), 0);
    }

    void numberingContinuesAndEachViewHasItsIndex() {
        make(true);
        QCOMPARE(lc->CreateTab(CListContainerWnd::kWorkSheetTab), 2);
        QCOMPARE(lc->worksheetNames(), (QStringList{"ワークシート1", "ワークシート2"}));
        QCOMPARE(lc->defaultWorksheet(), 2); // the newest is the default
        QCOMPARE(lc->currentIndex(), 0);     // creating does not switch
        lc->CloseAllWorksheets();
        QCOMPARE(lc->worksheetCount(), 0);
        QCOMPARE(lc->defaultWorksheet(), 0);
        QVERIFY(!frame->commandEnabled(36021));
        QVERIFY(frame->runCommand(32790));
        QCOMPARE(lc->worksheetNames(), QStringList{"ワークシート3"});
        QCOMPARE(lc->view(1)->engine()->TabIndex(), 1);
        QCOMPARE(lc->view(1)->worksheetMode(), 1);
    }

    void closingMovesTheDefaultWorksheet() {
        make(true);
        lc->CreateTab(CListContainerWnd::kWorkSheetTab);
        lc->SetDefaultWorksheet(1);
        QCOMPARE(labels().mid(1), (QStringList{"[D]：ワークシート1(0)", "ワークシート2(0)"}));
        // Closing the default tab 1 while tab 2 exists: the former tab 2,
        // now tab 1, is the default.
        lc->CloseWorksheet(1);
        QCOMPARE(lc->worksheetNames(), QStringList{"ワークシート2"});
        QCOMPARE(lc->defaultWorksheet(), 1);
        QCOMPARE(labels().at(1), QStringLiteral("[D]：ワークシート2(0)"));
        QCOMPARE(lc->view(1)->engine()->TabIndex(), 1);
        // Closing the only worksheet leaves no default; One Key's command is off.
        lc->SwitchTab(1);
        QVERIFY(frame->commandEnabled(32794));
        lc->CloseCurrentWorksheet();
        QCOMPARE(lc->worksheetCount(), 0);
        QCOMPARE(lc->currentIndex(), 0);
        QCOMPARE(lc->defaultWorksheet(), 0);
        QVERIFY(!frame->commandEnabled(36021));

        // Four worksheets, default 3: closing tab 1 (before the default)
        // keeps the same worksheet as default; closing the default moves the
        // mark to the tab before it.
        for (int i = 0; i < 4; ++i)
            lc->CreateTab(CListContainerWnd::kWorkSheetTab);
        lc->SetDefaultWorksheet(3);
        lc->SwitchTab(2);
        lc->CloseWorksheet(1);
        QCOMPARE(lc->defaultWorksheet(), 2);
        QCOMPARE(lc->tabName(2), QStringLiteral("ワークシート5"));
        QCOMPARE(lc->currentIndex(), 1); // the current worksheet moved down with it
        lc->CloseWorksheet(2);
        QCOMPARE(lc->defaultWorksheet(), 1);
        QCOMPARE(labels().at(1), QStringLiteral("[D]：ワークシート4(0)"));
        QCOMPARE(lc->worksheetCount(), 2);
    }

    void switchingAndCyclingFollowTheTitle() {
        make(true);
        lc->CreateTab(CListContainerWnd::kWorkSheetTab, QStringLiteral("選んだ写真"));
        lc->SwitchTab(2);
        QCOMPARE(frame->windowTitle(), QStringLiteral("Lumora - 選んだ写真"));
        QVERIFY(lc->view(2)->isVisible());
        QVERIFY(!lc->view(0)->isVisible());
        QCOMPARE(lc->tabStrip()->currentIndex(), 2);
        lc->CycleTab(+1);
        QCOMPARE(lc->currentIndex(), 0); // wraps to the folder tab
        lc->CycleTab(-1);
        QCOMPARE(lc->currentIndex(), 2);
        lc->CycleTab(-1);
        QCOMPARE(frame->windowTitle(), QStringLiteral("Lumora - ワークシート1"));
        // Picking a tab in the strip switches as well.
        QTest::mouseClick(lc->tabStrip(), Qt::LeftButton, {}, lc->tabStrip()->tabRect(2).center());
        QCOMPARE(lc->currentIndex(), 2);
    }

    void readingListsAndTheirMessages() {
        make(false);
        const QString a = file(QStringLiteral("p/a.jpg")), b = file(QStringLiteral("p/b.nef")),
                      c = file(QStringLiteral("p/写真.jpg"));
        const QString path =
            list(QStringLiteral("picks.lsl"), ("Picks\r\n" + a + "\r\n" + b + "\r\n" + c + "\r\n" +
                                               a + "\r\n" + dir->filePath("p/gone.jpg") + "\n")
                                                  .toUtf8());
        lc->ReadList(path);
        QCOMPARE(lc->currentIndex(), 1);
        QCOMPARE(lc->GetCurrentWorksheetName(), QStringLiteral("Picks"));
        QTRY_COMPARE(lc->view(1)->Count(), 3); // the duplicate of a.jpg is not added again
        QTRY_COMPARE(labels().at(1), QStringLiteral("[D]：Picks(3)"));
        QCOMPARE(pathsOf(1), (QStringList{a, b, c}));
        // The empty worksheet's "NO IMAGE OBJECTS" is gone once items came.
        QTRY_VERIFY(!showsPlaceholder(lc->view(1)));
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].startsWith(QStringLiteral("%1:ワークシートファイルにエントリのある")
                                           .arg(int(QMessageBox::Information))));

        // The same file twice: two worksheets of the same name.
        messages.clear();
        lc->ReadList(path);
        QCOMPARE(lc->worksheetNames(), (QStringList{"Picks", "Picks"}));
        // Adding a file that is already there does not duplicate it.
        QTRY_COMPARE(lc->view(2)->Count(), 3);
        lc->AddFilesTo(2, {a, b}, false);
        QTest::qWait(200);
        QCOMPARE(lc->view(2)->Count(), 3);

        // Letter case of the magic line matters; nothing is created.
        messages.clear();
        lc->ReadList(file(QStringLiteral("bad.lsl"), "lumora worksheetfile\r\nX\r\n"));
        QCOMPARE(messages,
                 QStringList{QStringLiteral(
                                 "%1:指定されたファイルは正しいワークシートファイルではありません")
                                 .arg(int(QMessageBox::Warning))});
        QCOMPARE(lc->worksheetCount(), 2);
        // Unreadable: silence, nothing created.
        messages.clear();
        lc->ReadList(dir->filePath(QStringLiteral("none.lsl")));
        QVERIFY(messages.isEmpty());
        // Only the two header lines: an empty worksheet with that name.
        lc->ReadList(list(QStringLiteral("empty.lsl"), "空のシート\r\n"));
        QCOMPARE(lc->GetCurrentWorksheetName(), QStringLiteral("空のシート"));
        QCOMPARE(lc->view(lc->currentIndex())->Count(), 0);
        QTRY_VERIFY(showsPlaceholder(lc->view(lc->currentIndex())));
        QVERIFY(messages.isEmpty());
        // A CP932 list from a Windows system.
        lc->ReadList(
            file(QStringLiteral("sjis.lsl"),
                 "Lumora WorkSheetFile\r\n\x83\x8f\x81\x5b\x83\x4e\r\n" + a.toUtf8() + "\r\n"));
        QCOMPARE(lc->GetCurrentWorksheetName(), QStringLiteral("ワーク"));
        QTRY_COMPARE(lc->view(lc->currentIndex())->Count(), 1);
    }

    void renamedTabIsWrittenAsLineTwo() {
        make(true);
        const QString a = file(QStringLiteral("a.jpg"));
        lc->AddFilesTo(1, {a}, false);
        QTRY_COMPARE(lc->view(1)->Count(), 1);
        // Double-clicking the folder tab never opens the edit.
        CWorkSheetTabStrip* strip = lc->workSheetTabs();
        QTest::mouseDClick(strip, Qt::LeftButton, {}, strip->tabRect(0).center());
        QVERIFY(!strip->renameEdit());
        // Nor does a worksheet tab that is not current.
        QTest::mouseDClick(strip, Qt::LeftButton, {}, strip->tabRect(1).center());
        lc->SwitchTab(1);
        QTest::mouseDClick(strip, Qt::LeftButton, {}, strip->tabRect(1).center());
        QLineEdit* edit = strip->renameEdit();
        QVERIFY(edit);
        edit->setText(QStringLiteral("旅行 2024"));
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(!strip->renameEdit());
        QCOMPARE(lc->GetCurrentWorksheetName(), QStringLiteral("旅行 2024"));
        QCOMPARE(frame->windowTitle(), QStringLiteral("Lumora - 旅行 2024"));
        const QString out = dir->filePath(QStringLiteral("out.lsl"));
        QVERIFY(lc->SaveCurrentAsList(out));
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), ("Lumora WorkSheetFile\r\n旅行 2024\r\n" + a + "\r\n").toUtf8());
        // Escape drops an edit.
        strip->BeginRename(1);
        strip->renameEdit()->setText(QStringLiteral("x"));
        QTest::keyClick(strip->renameEdit(), Qt::Key_Escape);
        QCOMPARE(lc->GetCurrentWorksheetName(), QStringLiteral("旅行 2024"));
        // Nothing is saved while the folder tab is current.
        lc->SwitchTab(0);
        QVERIFY(!lc->SaveCurrentAsList(out));
    }

    void everyCursorKeyWorksAsTheOneKey() {
        make(true);
        for (int i = 0; i < 10; ++i)
            jpeg(QStringLiteral("keys/k%1.jpg").arg(i), i);
        CThumbnailCtrl* view = showFolder(dir->filePath(QStringLiteral("keys")), 10);
        QVERIFY(view);
        const Qt::Key keys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up,     Qt::Key_Down,
                                Qt::Key_Home, Qt::Key_End,   Qt::Key_PageUp, Qt::Key_PageDown};
        int item = 0;
        for (Qt::Key key : keys) {
            const auto stroke = keydata::strokeFromQtKey(key, {});
            QVERIFY(stroke);
            frame->settings().OneKey = keydata::keyData(*stroke);
            clickItem(view, item);
            QCOMPARE(view->cursor(), item);
            view->setFocus();
            // The key is the One Key: the item goes to the default
            // worksheet and the cursor steps right, whatever the key
            // itself would do in the view.
            QTest::keyClick(view, key);
            QVERIFY2(view->cursor() == item + 1,
                     qPrintable(keydata::keyName(frame->settings().OneKey)));
            QCOMPARE(selectedOf(view), std::vector<int>{item + 1});
            ++item;
            QTRY_COMPARE(lc->view(1)->Count(), item);
        }
        // The command from the menu with the Right arrow as the One Key.
        frame->settings().OneKey = keydata::keyData(*keydata::strokeFromQtKey(Qt::Key_Right, {}));
        QVERIFY(frame->runCommand(36021));
        QCOMPARE(view->cursor(), item + 1);
        QTRY_COMPARE(lc->view(1)->Count(), item + 1);
    }

    void renameBoxTakesTheOneKeyAsText() {
        make(true);
        lc->SwitchTab(1);
        CWorkSheetTabStrip* strip = lc->workSheetTabs();
        strip->BeginRename(1);
        QLineEdit* edit = strip->renameEdit();
        QVERIFY(edit);
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("a b")); // Space is the One Key
        QCOMPARE(edit->text(), QStringLiteral("a b"));
        // Another One Key: the edit's caret still moves with it.
        frame->settings().OneKey = keydata::keyData(*keydata::strokeFromQtKey(Qt::Key_Left, {}));
        QTest::keyClick(edit, Qt::Key_Left);
        QTest::keyClicks(edit, QStringLiteral("x"));
        QCOMPARE(edit->text(), QStringLiteral("a xb"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(lc->GetCurrentWorksheetName(), QStringLiteral("a xb"));
    }

    void viewerAddsTheShownImageNotTheSelection() {
        make(true);
        QStringList paths;
        for (int i = 0; i < 3; ++i)
            paths << jpeg(QStringLiteral("v/s%1.jpg").arg(i), i);
        CThumbnailCtrl* view = showFolder(dir->filePath(QStringLiteral("v")), 3);
        QVERIFY(view);
        clickItem(view, 1);
        view->SelectAll();
        QCOMPARE(view->list().CountSelected(), 3);
        view->OpenViewer();
        CViewerFrame* viewer = CViewerLink::Of(frame.get())->viewer();
        QVERIFY(viewer->isVisible());
        QCOMPARE(QString::fromStdString(viewer->preview()->currentPath()), paths[1]);
        viewer->RebuildSubmenus();
        QVERIFY(viewer->RunCommand(ID_VIEWER_ADD_TO_SHEET_FIRST));
        QTRY_COMPARE(lc->view(1)->Count(), 1);
        QTest::qWait(200); // nothing more arrives
        QCOMPARE(pathsOf(1), QStringList{paths[1]});
        viewer->close();
    }

    void deletingTheLastImageFromTheViewerEmptiesIt() {
        make(true);
        const QString a = jpeg(QStringLiteral("one/a.jpg"));
        lc->AddFilesTo(1, {a}, false);
        QTRY_COMPARE(lc->view(1)->Count(), 1);
        lc->SwitchTab(1);
        CThumbnailCtrl* view = lc->view(1);
        clickItem(view, 0);
        view->OpenViewer();
        CViewerFrame* viewer = CViewerLink::Of(frame.get())->viewer();
        QTRY_VERIFY_WITH_TIMEOUT(!viewer->loadingState(), 10000);
        QCOMPARE(viewer->windowTitle(), QStringLiteral("Lumora - %1").arg(a));
        // The removal from the worksheet is confirmed with Yes.
        QTimer yes;
        connect(&yes, &QTimer::timeout, this, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->button(QMessageBox::Yes)->click();
        });
        yes.start(20);
        QTest::keyClick(viewer->preview(), Qt::Key_Delete);
        yes.stop();
        QCOMPARE(view->Count(), 0);
        QVERIFY(!viewer->preview()->HasImage());
        QCOMPARE(viewer->windowTitle(), QStringLiteral("Lumora - ビューア"));
        QCOMPARE(viewer->paneText(0), QString());
        QVERIFY(!viewer->loadingState());
        QVERIFY(!viewer->slider()->isEnabled());
        QCOMPARE(viewer->listCount(), 0);
        // A slideshow asked for now has nothing to show and never starts.
        frame->settings().NoSlideShowDlg = 1;
        frame->ApplySettings(false);
        viewer->RunCommand(ID_VIEWER_SLIDESHOW);
        QVERIFY(!viewer->IsCommandChecked(ID_VIEWER_SLIDESHOW));
        QVERIFY(!viewer->windowTitle().contains(QStringLiteral("スライドショー")));
        viewer->close();
    }

    void dropsOnWorksheetTabsAddWithoutCopying() {
        make(true);
        lc->CreateTab(CListContainerWnd::kWorkSheetTab);
        const QString a = file(QStringLiteral("d/a.jpg")), b = file(QStringLiteral("d/b.jpg"));
        auto data = makeFileListMimeData({a, b}, DROPEFFECT_COPY);
        CWorkSheetTabStrip* strip = lc->workSheetTabs();
        const QPoint over1 = strip->tabRect(1).center();
        QDragEnterEvent enter(over1, Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QCoreApplication::sendEvent(strip, &enter);
        QDragMoveEvent move(over1, Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QCoreApplication::sendEvent(strip, &move);
        QVERIFY(move.isAccepted());
        QCOMPARE(strip->currentIndex(), 1); // shown selected while over it
        QCOMPARE(lc->currentIndex(), 0);    // but the folder tab stays current
        // Over the folder tab: no drop.
        QDragMoveEvent overFolder(strip->tabRect(0).center(), Qt::CopyAction, data.get(),
                                  Qt::LeftButton, {});
        QCoreApplication::sendEvent(strip, &overFolder);
        QVERIFY(!overFolder.isAccepted());
        QDragMoveEvent again(over1, Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QCoreApplication::sendEvent(strip, &again);
        QDropEvent drop(QPointF(over1), Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QCoreApplication::sendEvent(strip, &drop);
        QCOMPARE(strip->currentIndex(), 0);
        QTRY_COMPARE(lc->view(1)->Count(), 2);
        QCOMPARE(lc->view(2)->Count(), 0);
        QCOMPARE(QDir(dir->filePath(QStringLiteral("d"))).entryList(QDir::Files).size(), 2);
    }

    void addingTheSelectionAndClearing() {
        make(true);
        for (const char* n : {"s/1.jpg", "s/2.jpg", "s/3.jpg"})
            file(QString::fromLatin1(n));
        lc->ShowFolder(dir->filePath(QStringLiteral("s")));
        QTRY_COMPARE(lc->folderView()->Count(), 3);
        QVERIFY(!frame->commandEnabled(34000)); // no selection yet
        lc->folderView()->SelectAll();
        QVERIFY(frame->commandEnabled(34000));
        QVERIFY(!frame->commandEnabled(34001)); // there is no second worksheet
        QVERIFY(frame->runCommand(34000));
        QTRY_COMPARE(lc->view(1)->Count(), 3);
        QTRY_COMPARE(labels().at(1), QStringLiteral("[D]：ワークシート1(3)"));
        lc->SwitchTab(1);
        QVERIFY(!frame->commandEnabled(36021)); // the default itself is current
        QVERIFY(frame->commandEnabled(32795));
        lc->ClearCurrentWorksheet();
        QCOMPARE(lc->view(1)->Count(), 0);
        QCOMPARE(labels().at(1), QStringLiteral("[D]：ワークシート1(0)"));
    }

    void exportCopiesAndKeepsTheWindowUsable() {
        make(true);
        const QString a = file(QStringLiteral("src/a.jpg"), QByteArray(20000, 'a'));
        const QString b = file(QStringLiteral("src/b.jpg"), QByteArray(30000, 'b'));
        lc->AddFilesTo(1, {a, b}, false);
        QTRY_COMPARE(lc->view(1)->Count(), 2);
        lc->SwitchTab(1);

        // Several missing levels: created after the question.
        const QString target = dir->filePath(QStringLiteral("out/x/y"));
        QSignalSpy finished(frame.get(), &CMainFrame::exportFinished);
        QVERIFY(frame->startExport(target, 0));
        QVERIFY(questions.back().startsWith(target + QStringLiteral("\nは存在しないフォルダです")));
        QVERIFY(frame->exportProgress());
        QVERIFY(!lc->isEnabled());
        QVERIFY(finished.wait(10000));
        QVERIFY(lc->isEnabled());
        QVERIFY(!frame->exportRunning());
        QCOMPARE(QFileInfo(target + QStringLiteral("/a.jpg")).size(), 20000);
        QCOMPARE(QFileInfo(target + QStringLiteral("/b.jpg")).size(), 30000);

        // Into the folder the files are in: they stay intact.
        QVERIFY(frame->startExport(dir->filePath(QStringLiteral("src")), 0));
        QVERIFY(finished.wait(10000));
        QCOMPARE(QFileInfo(a).size(), 20000);

        // Method 1: a sub-folder named after the worksheet, "/" made "／".
        lc->workSheetTabs()->SetName(1, QStringLiteral("2024/05"));
        QVERIFY(frame->startExport(target, 1));
        QVERIFY(finished.wait(10000));
        QCOMPARE(QFileInfo(target + QStringLiteral("/2024／05/b.jpg")).size(), 30000);
        // The same again: the sub-folder exists, nothing is copied, the
        // progress closes and the window is usable again, with a message.
        messages.clear();
        QVERIFY(!frame->startExport(target, 1));
        QVERIFY(!frame->exportProgress());
        QVERIFY(lc->isEnabled());
        QCOMPARE(messages.size(), 1);
        // Dot names are refused before anything is shown.
        lc->workSheetTabs()->SetName(1, QStringLiteral(".."));
        messages.clear();
        QVERIFY(!frame->startExport(target, 1));
        QCOMPARE(messages.size(), 1);
        QVERIFY(!QFileInfo::exists(target + QStringLiteral("/../a.jpg")));
        // Declining to create the folder stops everything.
        answer = false;
        QVERIFY(!frame->startExport(dir->filePath(QStringLiteral("never")), 0));
        QVERIFY(!QFileInfo::exists(dir->filePath(QStringLiteral("never"))));
    }

    // An export onto a disk that fills up: the copying stops at the file
    // that does not fit, nothing of it is left, and a message names it and
    // says why.
    void exportOntoAFullDiskSaysWhichFileAndWhy() {
        if (!testing::ScratchMount::available())
            QSKIP(testing::ScratchMount::unavailableReason().c_str());
        make(true);
        const QString a = file(QStringLiteral("src/a.jpg"), QByteArray(20000, 'a'));
        const QString big = file(QStringLiteral("src/big.jpg"), QByteArray(600 * 1024, 'b'));
        const QString c = file(QStringLiteral("src/c.jpg"), QByteArray(20000, 'c'));
        lc->AddFilesTo(1, {a, big, c}, false);
        QTRY_COMPARE(lc->view(1)->Count(), 3);
        lc->SwitchTab(1);
        testing::ScratchDir out;
        testing::ScratchMount disk(out.path(), 1024 * 1024);
        QVERIFY(disk.mounted());
        QVERIFY(disk.fillUpTo(200 * 1024));

        QSignalSpy finished(frame.get(), &CMainFrame::exportFinished);
        messages.clear();
        QVERIFY(frame->startExport(QString::fromStdString(out.path()), 0));
        QVERIFY(finished.wait(10000));
        QVERIFY(lc->isEnabled());
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(QStringLiteral("big.jpg」を書き出せませんでした。")),
                 qPrintable(messages[0]));
        QVERIFY(messages[0].contains(QStringLiteral("ディスクの空き領域が不足しています。")));
        const auto names = testing::namesIn(out.path());
        QVERIFY(std::find(names.begin(), names.end(), "big.jpg") == names.end());
        QCOMPARE(testing::visibleNames(out.path()).size(), std::size_t(1)); // only a.jpg
        QCOMPARE(QFileInfo(big).size(), 600 * 1024);
    }

    // While the copy runs the whole window is disabled: its keys do nothing
    // even when it is the active window, code cannot run its commands, and
    // closing it asks first; No keeps the copy going, Yes stops it.
    void exportDisablesTheWindowAndClosingItAsksFirst() {
        make(true);
        QStringList sources;
        for (int i = 0; i < 3; ++i)
            sources << file(QStringLiteral("src/%1.jpg").arg(i), QByteArray(4000, char('a' + i)));
        lc->AddFilesTo(1, sources, false);
        QTRY_COMPARE(lc->view(1)->Count(), 3);
        lc->SwitchTab(1);
        lc->currentView()->setFocus();
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame.get()));
        auto* tree = frame->treeContainer()->tree();
        QSignalSpy treeResets(static_cast<QTreeWidget*>(tree)->model(),
                              &QAbstractItemModel::modelReset);
        const QString target = dir->filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(target));
        QSignalSpy finished(frame.get(), &CMainFrame::exportFinished);

        // The copy's end is taken in by the event loop only, so until the
        // test waits the export is running.
        QVERIFY(frame->startExport(target, 0));
        QVERIFY(frame->exportRunning());
        QVERIFY(!frame->isEnabled());
        QVERIFY(frame->exportProgress()->isEnabled());
        QVERIFY(frame->exportProgress()->cancelButton()->isEnabled());
        QCOMPARE(QApplication::activeWindow(), frame.get());
        QTest::keyClick(frame.get(), Qt::Key_F5);
        QTest::keyClick(frame.get(), Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(treeResets.count(), 0);
        QCOMPARE(lc->currentIndex(), 1);
        QVERIFY(!frame->runCommand(32982));
        QCOMPARE(lc->currentIndex(), 1);

        answer = false;
        QVERIFY(!frame->close());
        QCOMPARE(questions.size(), 1);
        QCOMPARE(
            questions.back(),
            QStringLiteral("ワークシートの書き出し中です。\n書き出しを中止して終了しますか？"));
        QVERIFY(frame->isVisible());
        QVERIFY(finished.wait(10000));
        QVERIFY(frame->isEnabled());
        for (int i = 0; i < 3; ++i)
            QCOMPARE(QFileInfo(target + QStringLiteral("/%1.jpg").arg(i)).size(), 4000);
        // Usable again: the pane that had the focus has it back, commands run.
        QCOMPARE(frame->focusWidget(), lc->currentView());
        QVERIFY(frame->runCommand(32905));
        QCOMPARE(treeResets.count(), 1);

        answer = true;
        QVERIFY(frame->startExport(target, 0));
        QVERIFY(frame->close());
        QCOMPARE(questions.size(), 2);
        QVERIFY(!frame->exportRunning());
        QVERIFY(!frame->exportProgress());
        QCOMPARE(finished.count(), 2);
        QTest::qWait(50); // the stopped copy's own message ends nothing more
        QCOMPARE(finished.count(), 2);
    }

    // The folder box reads "~" as the address box does; a relative text is
    // refused with a message and the dialog stays open, rather than naming a
    // place under the folder the program was started from.
    void exportFolderTextIsReadLikeTheAddressBox() {
        make(true);
        lc->AddFilesTo(1, {file(QStringLiteral("src/a.jpg"), QByteArray(500, 'a'))}, false);
        QTRY_COMPARE(lc->view(1)->Count(), 1);
        lc->SwitchTab(1);
        const QString home = dir->filePath(QStringLiteral("home"));
        const QString startedIn = dir->filePath(QStringLiteral("cwd"));
        QVERIFY(QDir().mkpath(home) && QDir().mkpath(startedIn));
        const QByteArray oldHome = qgetenv("HOME");
        const QString oldCwd = QDir::currentPath();
        qputenv("HOME", QFile::encodeName(home));
        QDir::setCurrent(startedIn);

        bool refusedAndKeptOpen = false;
        QTimer::singleShot(0, this, [&] {
            auto* dlg = frame->findChild<CWorkSheetWriteDlg*>();
            if (!dlg)
                return;
            dlg->folderEdit()->setText(QStringLiteral("out"));
            dlg->okButton()->click();
            refusedAndKeptOpen = dlg->isVisible() && messages.size() == 1;
            if (!dlg->isVisible())
                return;
            dlg->folderEdit()->setText(QStringLiteral("~/out"));
            dlg->okButton()->click();
        });
        QSignalSpy finished(frame.get(), &CMainFrame::exportFinished);
        QVERIFY(frame->runCommand(32793));
        const bool copied = finished.wait(10000);
        qputenv("HOME", oldHome);
        QDir::setCurrent(oldCwd);
        QVERIFY(copied);
        QVERIFY(refusedAndKeptOpen);
        QVERIFY2(messages.first().endsWith(QStringLiteral(
                     "「out」 は絶対パスではありません。\n"
                     "/ で始まるフォルダを指定してください（~/ はホームフォルダです）。")),
                 qPrintable(messages.first()));
        QCOMPARE(QFileInfo(home + QStringLiteral("/out/a.jpg")).size(), 500);
        QCOMPARE(QDir(startedIn).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{});
        QCOMPARE(frame->exportFolder(), home + QStringLiteral("/out"));
        // Called without the dialog the same rule holds.
        messages.clear();
        QVERIFY(!frame->startExport(QStringLiteral("elsewhere/x"), 0));
        QCOMPARE(messages.size(), 1);
        QVERIFY(!frame->exportProgress());
    }

    // A volume coming or going while a worksheet is current rebuilds the
    // tree but keeps the user on the worksheet, and the folder is not
    // loaded again.
    void volumeChangesKeepTheWorksheetCurrent() {
        make(true);
        file(QStringLiteral("shown/a.jpg"));
        frame->setReadyForFolderDisplay();
        frame->selectByPath(dir->filePath(QStringLiteral("shown")));
        QTRY_COMPARE(lc->folderView()->Count(), 1);
        lc->SwitchTab(1);
        // A reload would list the item afresh, unselected.
        lc->folderView()->list().SetState(0, kStateSelected);
        auto* watcher = frame->findChild<CVolumeWatcher*>();
        QVERIFY(watcher);
        auto* tree = static_cast<QTreeWidget*>(frame->treeContainer()->tree());
        QSignalSpy treeResets(tree->model(), &QAbstractItemModel::modelReset);
        emit watcher->volumeRemoved(QStringLiteral("/media/x"));
        QCOMPARE(treeResets.count(), 1);
        emit watcher->volumeArrived(QStringLiteral("/media/x"));
        QTRY_COMPARE_WITH_TIMEOUT(treeResets.count(), 2, 3000);
        QTest::qWait(300);
        QCOMPARE(lc->currentIndex(), 1);
        QCOMPARE(lc->folderView()->list().CountSelected(), 1);
        QCOMPARE(frame->currentFolderPath(), dir->filePath(QStringLiteral("shown")));
    }

    void itemsAddedToAnEmptyViewRemoveThePlaceholder() {
        CThumbnailCtrl view(nullptr, 1);
        view.resize(600, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.DrawEmptyPlaceholder();
        QVERIFY(showsPlaceholder(&view));
        view.list().Add(ImageItem::FromPath("/x/a.jpg", ImageKind::Jpeg));
        view.LayoutScrollBars();
        view.DrawVisibleItems();
        QVERIFY(!showsPlaceholder(&view));
    }

    void exportDialogKeepsItsValues() {
        CWorkSheetWriteDlg dlg;
        QVERIFY(!dlg.okButton()->isEnabled());
        dlg.folderEdit()->setText(QStringLiteral("/tmp/x"));
        QVERIFY(dlg.okButton()->isEnabled());
        dlg.setValues(QStringLiteral("/a"), 1);
        QCOMPARE(dlg.folder(), QStringLiteral("/a"));
        QCOMPARE(dlg.method(), 1);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("ワークシート内ファイルの書き出し"));
        CFileProgressDlg progress;
        progress.SetRange(4);
        progress.SetPos(2);
        progress.SetCopying(QStringLiteral("/x/y/IMG_1.CR2"));
        QCOMPARE(progress.textLine()->text(), QStringLiteral("IMG_1.CR2 をコピー中..."));
        QSignalSpy cancel(&progress, &CFileProgressDlg::cancelRequested);
        progress.cancelButton()->click();
        QCOMPARE(cancel.size(), 1);
    }
};

QTEST_MAIN(WorkSheetsTest)
#include "WorkSheetsTest.moc"
