// Through the real main window: the thumbnail view's cursor follows its file
// through a sort (Enter then opens that file), and a load that has nothing
// to scan ends the view's busy state, which enables sorting by shooting time.
#include "app/ListContainerWnd.h"
#include "app/MainCommands.h"
#include "app/MainFrame.h"
#include "app/ViewerLink.h"
#include "thumbnails/ThumbnailCtrl.h"
#include "viewer/ViewerFrame.h"

#include "samples/SampleGen.h"

#include <QAction>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace lumora;

namespace {

constexpr int kSortByName = 32920;
constexpr int kSortByShootingTime = 36018;

// Names in one order, shooting times in another: by time c comes second.
//   a.jpg 12:00, b.jpg 10:00, c.jpg 11:00, d.jpg 13:00
QStringList writeShots(const QString& folder) {
    QDir().mkpath(folder);
    const std::pair<const char*, const char*> shots[] = {
        {"a.jpg", "2026:12:08 12:00:00"},
        {"b.jpg", "2026:12:08 10:00:00"},
        {"c.jpg", "2026:12:08 11:00:00"},
        {"d.jpg", "2026:12:08 13:00:00"},
    };
    QStringList paths;
    for (const auto& [name, time] : shots) {
        samples::CameraJpegOptions options;
        options.width = 320;
        options.height = 240;
        options.title = name;
        options.camera.dateTimeOriginal = time;
        options.camera.dateTime = time;
        const QString path = folder + QLatin1Char('/') + QLatin1String(name);
        samples::writeCameraJpeg(path.toStdString(), options);
        paths << path;
    }
    return paths;
}

QString nameAt(CThumbnailCtrl* view, int index) {
    ImageItem item;
    view->list().CopyOut(index, item, CopyPixels::None);
    return QString::fromStdString(item.fileName);
}

} // namespace

class SortAndBusyTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<CMainFrame> frame;

    void make() {
        frame = std::make_unique<CMainFrame>(dir.filePath(QStringLiteral("lumora.ini")));
        frame->create();
        frame->resize(1000, 700);
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        frame->setReadyForFolderDisplay();
    }

    CThumbnailCtrl* showFolder(const QString& path, int count) {
        frame->listContainer()->ShowFolder(path);
        CThumbnailCtrl* view = frame->listContainer()->folderView();
        if (!QTest::qWaitFor([&] { return view->Count() == count && !view->IsBusy(); }, 20000))
            return nullptr;
        return view;
    }

    bool sortEnabled() {
        frame->commands().updateStates();
        return frame->commands().action(kSortByShootingTime)->isEnabled();
    }

    // Clicks the third file, sorts by shooting time, presses Enter: the
    // viewer shows the clicked file, which now sits second.
    void sortThenEnter(CThumbnailCtrl* view) {
        QTRY_VERIFY_WITH_TIMEOUT(sortEnabled(), 20000);
        QCOMPARE(nameAt(view, 2), QStringLiteral("c.jpg"));
        view->setFocus();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->cellRectInWindow(2).center());
        QCOMPARE(view->cursor(), 2);
        frame->commands().action(kSortByShootingTime)->trigger();
        QCOMPARE(view->sortState(), 2);
        QCOMPARE(nameAt(view, 1), QStringLiteral("c.jpg"));
        QCOMPARE(view->cursor(), 1);
        // The selection stayed on the same file.
        QVERIFY(view->list().GetState(1) & kStateSelected);
        QVERIFY(!(view->list().GetState(2) & kStateSelected));

        CViewerFrame* viewer = CViewerLink::Of(frame.get())->viewer();
        QTest::keyClick(view, Qt::Key_Return);
        QTRY_VERIFY(viewer->isVisible());
        QVERIFY2(viewer->windowTitle().endsWith(QStringLiteral("/c.jpg")),
                 qPrintable(viewer->windowTitle()));
        QCOMPARE(viewer->listIndex(), 1);
        // The viewer's next steps on from there, in the new order.
        viewer->RunCommand(ID_VIEWER_NEXT);
        QTRY_VERIFY2(viewer->windowTitle().endsWith(QStringLiteral("/a.jpg")),
                     qPrintable(viewer->windowTitle()));
        viewer->close();
        QTRY_VERIFY(!viewer->isVisible());

        // Back by name: the cursor follows again.
        QCOMPARE(view->cursor(), 2);
        frame->commands().action(kSortByName)->trigger();
        QCOMPARE(nameAt(view, 0), QStringLiteral("a.jpg"));
        QCOMPARE(view->cursor(), 0);
    }

private slots:
    void cleanup() { frame.reset(); }

    void enterAfterASortOpensTheFileThatCarriesTheCursor() {
        make();
        const QString folder = dir.filePath(QStringLiteral("shots"));
        writeShots(folder);
        CThumbnailCtrl* view = showFolder(folder, 4);
        QVERIFY(view);
        sortThenEnter(view);
    }

    void aWorksheetSortKeepsTheCursorOnItsFile() {
        make();
        const QString folder = dir.filePath(QStringLiteral("sheet-shots"));
        const QStringList paths = writeShots(folder);
        CListContainerWnd* list = frame->listContainer();
        const int tab = list->CreateTab(CListContainerWnd::kWorkSheetTab);
        list->SwitchTab(tab);
        list->AddFilesTo(tab, paths, false);
        CThumbnailCtrl* view = list->currentView();
        QVERIFY(view != list->folderView());
        QTRY_COMPARE_WITH_TIMEOUT(view->Count(), 4, 20000);
        // Scanned (the worksheet is not sorted while it fills).
        list->SortCurrent(1);
        QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy() && view->list().IsScanned(3), 20000);
        sortThenEnter(view);
    }

    // Empty folders, folders of kinds without shooting information and
    // worksheets of such files end the load; sorting is offered at once.
    void aLoadThatScansNothingEndsTheBusyState() {
        make();
        const QString empty = dir.filePath(QStringLiteral("empty"));
        QDir().mkpath(empty);
        const QString odd = dir.filePath(QStringLiteral("odd"));
        QDir().mkpath(odd);
        const std::string o = odd.toStdString();
        samples::writeBmp(o, "a.bmp");
        samples::writeGif(o, "b.gif");
        samples::writeIcon(o, "c.ico", false);
        samples::writeIcon(o, "d.cur", true);
        samples::writePsd(o, "e.psd", 0, false);

        // Every kind is shown.
        frame->settings().FileType = 7;
        frame->settings().MiscKind = 0xFF;
        frame->ApplySettings(false);

        CThumbnailCtrl* view = showFolder(empty, 0);
        QVERIFY2(view, "an empty folder stays busy");
        QVERIFY(sortEnabled());

        view = showFolder(odd, 5);
        QVERIFY2(view, "a folder of files without shooting information stays busy");
        QVERIFY(sortEnabled());
        for (int i = 0; i < 5; ++i)
            QVERIFY(view->list().HasThumbnail(i));

        // A worksheet of the same files, checked again by a refresh.
        CListContainerWnd* list = frame->listContainer();
        const int tab = list->CreateTab(CListContainerWnd::kWorkSheetTab);
        list->SwitchTab(tab);
        QStringList files = QDir(odd).entryList(QDir::Files, QDir::Name);
        for (QString& f : files)
            f = odd + QLatin1Char('/') + f;
        list->AddFilesTo(tab, files, false);
        CThumbnailCtrl* sheet = list->currentView();
        QTRY_COMPARE_WITH_TIMEOUT(sheet->Count(), 5, 20000);
        sheet->Refresh();
        QVERIFY(sheet->IsBusy());
        QVERIFY(!sortEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!sheet->IsBusy(), 20000);
        QVERIFY(sortEnabled());
    }
};

QTEST_MAIN(SortAndBusyTest)
#include "SortAndBusyTest.moc"
