// The mark commands through the real main window: marks on every selected
// item, undo, a failed write, and the mark filter with select-all.
#include "app/Commands.h"
#include "app/ListContainerWnd.h"
#include "app/MainCommands.h"
#include "app/MainFrame.h"
#include "app/ViewerLink.h"
#include "marks/Sidecar.h"
#include "thumbnails/ThumbnailCtrl.h"
#include "viewer/ViewerFrame.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace lumora;

namespace {

Marks marksOf(CThumbnailCtrl* view, const QString& name) {
    ImageItem item;
    view->list().CopyOut(view->list().FindByName(name.toStdString()), item, CopyPixels::None);
    return item.marks;
}

} // namespace

class MarkCommandsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<CMainFrame> frame;
    QStringList warnings;

    CThumbnailCtrl* open(const QString& folder, int count) {
        frame = std::make_unique<CMainFrame>(dir.filePath(QStringLiteral("lumora.ini")));
        frame->create();
        frame->resize(1000, 700);
        frame->show();
        if (!QTest::qWaitForWindowExposed(frame.get()))
            return nullptr;
        frame->commands().hooks().warn = [this](const QString& text) { warnings << text; };
        frame->setReadyForFolderDisplay();
        frame->listContainer()->ShowFolder(folder);
        CThumbnailCtrl* view = frame->listContainer()->folderView();
        if (!QTest::qWaitFor([&] { return view->Count() == count && !view->IsBusy(); }, 10000))
            return nullptr;
        view->setFocus();
        QTest::qWait(50);
        frame->commands().updateStates();
        return view;
    }

    QString folderOf(const QString& name, const QStringList& files) {
        const QString folder = dir.filePath(name);
        QDir().mkpath(folder);
        for (const QString& f : files) {
            QFile file(folder + "/" + f);
            file.open(QIODevice::WriteOnly);
            file.write("not really a jpeg");
        }
        return folder;
    }

private slots:
    void cleanup() {
        frame.reset();
        warnings.clear();
    }

    void markGoesToEverySelectedItemAndUndoPutsTheSidecarsBack() {
        const QString folder = folderOf("a", {"A.JPG", "B.JPG", "C.JPG"});
        CThumbnailCtrl* view = open(folder, 3);
        QVERIFY(view);
        view->list().SetStateBits(0, kStateSelected);
        view->list().SetStateBits(2, kStateSelected);
        QVERIFY(frame->commands().run(37103)); // three stars
        QCOMPARE(int(marksOf(view, "A.JPG").rating), 3);
        QCOMPARE(int(marksOf(view, "B.JPG").rating), 0);
        QCOMPARE(int(marksOf(view, "C.JPG").rating), 3);
        QVERIFY(QFile::exists(folder + "/A.xmp"));
        QVERIFY(!QFile::exists(folder + "/B.xmp"));
        QCOMPARE(int(ReadImageMarks((folder + "/C.JPG").toStdString()).rating), 3);

        QVERIFY(frame->commands().run(toInt(CommandId::LabelGreen)));
        QCOMPARE(marksOf(view, "A.JPG"), (Marks{3, false, ColorLabel::Green}));
        QVERIFY(frame->commands().enabled(toInt(CommandId::UndoMark)));
        QVERIFY(frame->commands().run(toInt(CommandId::UndoMark)));
        QCOMPARE(marksOf(view, "A.JPG"), (Marks{3, false, ColorLabel::None}));
        QVERIFY(frame->commands().run(toInt(CommandId::UndoMark)));
        QVERIFY(marksOf(view, "C.JPG").empty());
        QVERIFY2(!QFile::exists(folder + "/A.xmp"), "a sidecar the mark made is removed");
        QVERIFY(warnings.isEmpty());
    }

    void aFailedWriteNamesTheFileAndLeavesTheMarkUnset() {
        const QString folder = folderOf("b", {"A.JPG", "B.JPG"});
        QFile damaged(folder + "/A.xmp");
        damaged.open(QIODevice::WriteOnly);
        damaged.write("<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF");
        damaged.close();
        CThumbnailCtrl* view = open(folder, 2);
        QVERIFY(view);
        view->list().SelectAll();
        QVERIFY(frame->commands().run(toInt(CommandId::ToggleReject)));
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings[0].contains(QStringLiteral("「A.xmp」")), qPrintable(warnings[0]));
        QVERIFY(!marksOf(view, "A.JPG").reject);
        QVERIFY2(marksOf(view, "B.JPG").reject, "the other file is marked");
    }

    void filterDecidesWhatSelectAllTakes() {
        const QString folder = folderOf("c", {"A.JPG", "B.JPG", "C.JPG", "D.JPG"});
        CThumbnailCtrl* view = open(folder, 4);
        QVERIFY(view);
        const char* names[] = {"A.JPG", "B.JPG", "C.JPG", "D.JPG"};
        const int ratings[] = {1, 3, 5, 0};
        for (int i = 0; i < 4; ++i) {
            view->list().ClearAllStates();
            view->list().SetStateBits(view->list().FindByName(names[i]), kStateSelected);
            QVERIFY(frame->commands().run(37100 + ratings[i]));
        }
        QVERIFY(frame->commands().run(toInt(CommandId::FilterMinRating1) + 2)); // 3 and up
        QCOMPARE(view->Count(), 2);
        QVERIFY(frame->commands().state().filterMinRating == 3);
        QVERIFY(frame->commands().run(toInt(CommandId::SelectAll)));
        QCOMPARE(view->list().CountSelected(), 2);
        QVERIFY(frame->commands().run(toInt(CommandId::FilterOff)));
        QCOMPARE(view->Count(), 4);
    }

    void theToolBarDropDownHoldsTheMenusFilterEntriesAndFollowsThem() {
        const QString folder = folderOf("e", {"A.JPG", "B.JPG"});
        CThumbnailCtrl* view = open(folder, 2);
        QVERIFY(view);
        auto* button = frame->findChild<QToolButton*>(QStringLiteral("FilterButton"));
        QVERIFY(button);
        QCOMPARE(button->parentWidget(), static_cast<QWidget*>(frame->toolBar(128)));
        QVERIFY(!button->icon().isNull());
        QVERIFY(button->menu());
        QAction* three = frame->commandAction(toInt(CommandId::FilterMinRating1) + 2);
        QAction* off = frame->commandAction(toInt(CommandId::FilterOff));
        QVERIFY(button->menu()->actions().contains(three));
        QVERIFY(button->menu()->actions().contains(off));
        // The same entries, in the same order, as the menu bar's submenu.
        QMenu* viewMenu = nullptr;
        for (QMenu* m : frame->menuBar()->findChildren<QMenu*>())
            if (m->title() == QStringLiteral("絞り込み(&K)"))
                viewMenu = m;
        QVERIFY(viewMenu);
        const QList<QAction*> entries = button->menu()->actions();
        const QList<QAction*> menuEntries = viewMenu->actions();
        QCOMPARE(entries.size(), menuEntries.size());
        for (int i = 0; i < entries.size(); ++i)
            QVERIFY(entries[i]->isSeparator() ? menuEntries[i]->isSeparator()
                                              : entries[i] == menuEntries[i]);
        QVERIFY(!button->isChecked());

        view->list().SetStateBits(view->list().FindByName("A.JPG"), kStateSelected);
        QVERIFY(frame->commands().run(37103));
        three->trigger();
        QCOMPARE(view->Count(), 1);
        frame->commands().updateStates();
        QVERIFY2(button->isChecked(), "the button is down while a filter is on");
        QVERIFY(three->isChecked());
        QCOMPARE(frame->statusPaneText(3), QStringLiteral("全2個中1個のオブジェクト"));

        off->trigger();
        frame->commands().updateStates();
        QCOMPARE(view->Count(), 2);
        QVERIFY(!button->isChecked());
        QVERIFY(off->isChecked());
        QCOMPARE(frame->statusPaneText(3), QStringLiteral("2個のオブジェクト"));
    }

    void theFilterStaysWhenTheFolderIsLoadedAgainOrAnotherOpened() {
        const QString first = folderOf("f", {"A.JPG", "B.JPG", "C.JPG"});
        CThumbnailCtrl* view = open(first, 3);
        QVERIFY(view);
        view->list().SetStateBits(view->list().FindByName("B.JPG"), kStateSelected);
        QVERIFY(frame->commands().run(37104));
        QVERIFY(frame->commands().run(toInt(CommandId::FilterMinRating1) + 2));
        QCOMPARE(view->Count(), 1);

        QVERIFY(frame->commands().run(toInt(CommandId::Refresh)));
        QTest::qWait(300);
        QVERIFY(QTest::qWaitFor([&] { return !view->IsBusy() && view->Count() == 1; }, 10000));
        QTest::qWait(100);
        QCOMPARE(view->Count(), 1);
        QVERIFY(view->list().FindByName("B.JPG") >= 0);
        QCOMPARE(frame->statusPaneText(3), QStringLiteral("全3個中1個のオブジェクト"));

        // Another folder in the same tab: its sidecars are read by the scan,
        // then the kept filter decides.
        const QString second = folderOf("g", {"P.JPG", "Q.JPG", "R.JPG"});
        QFile sidecar(second + "/Q.xmp");
        QVERIFY(sidecar.open(QIODevice::WriteOnly));
        sidecar.write("<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
                      "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
                      "rdf:about='' xmlns:xmp='http://ns.adobe.com/xap/1.0/' xmp:Rating='5'/>"
                      "</rdf:RDF></x:xmpmeta>");
        sidecar.close();
        frame->listContainer()->ShowFolder(second);
        QVERIFY(QTest::qWaitFor(
            [&] {
                return !view->IsBusy() && view->list().FindByName("Q.JPG") >= 0 &&
                       view->Count() == 1;
            },
            10000));
        QTest::qWait(100);
        QCOMPARE(view->Count(), 1);
        QCOMPARE(view->list().HiddenCount(), 2);
        QCOMPARE(frame->statusPaneText(3), QStringLiteral("全3個中1個のオブジェクト"));
        frame->commands().updateStates();
        QVERIFY(frame->commandAction(toInt(CommandId::FilterMinRating1) + 2)->isChecked());
        QVERIFY(frame->commands().run(toInt(CommandId::FilterOff)));
        QCOMPARE(view->Count(), 3);
    }

    void theViewersMarksPaneFollowsMarksSetInTheMainWindowAndBack() {
        const QString folder = dir.filePath(QStringLiteral("h"));
        QDir().mkpath(folder);
        for (const char* name : {"A.jpg", "B.jpg"}) {
            QImage image(64, 48, QImage::Format_RGB32);
            image.fill(Qt::darkCyan);
            QVERIFY(image.save(folder + "/" + name, "JPG"));
        }
        CThumbnailCtrl* view = open(folder, 2);
        QVERIFY(view);
        QVERIFY(frame->commands().run(toInt(CommandId::Preview)));
        CViewerFrame* viewer = CViewerLink::Of(frame.get())->viewer();
        QVERIFY(QTest::qWaitFor([&] { return !viewer->activeFilePath().isEmpty(); }, 10000));
        const std::string shown = viewer->activeFilePath().toStdString();
        const int index = view->list().FindByPath(shown);
        QVERIFY(index >= 0);
        QVERIFY(viewer->marksText().isEmpty());

        view->list().ClearAllStates();
        view->list().SetStateBits(index, kStateSelected);
        QVERIFY(frame->commands().run(37104));
        QCOMPARE(viewer->marksText(), QString(4, QChar(0x2605)));
        QVERIFY(frame->commands().run(toInt(CommandId::UndoMark)));
        QVERIFY2(viewer->marksText().isEmpty(), "undo in the main window shows in the viewer");

        // The other file's marks leave the viewer's pane alone.
        view->list().ClearAllStates();
        view->list().SetStateBits(1 - index, kStateSelected);
        QVERIFY(frame->commands().run(toInt(CommandId::ToggleReject)));
        QVERIFY(viewer->marksText().isEmpty());

        // And back: the viewer's key shows in the view.
        QVERIFY(viewer->MarkShownFile(MarkChange::Rating(2)));
        QCOMPARE(viewer->marksText(), QString(2, QChar(0x2605)));
        ImageItem item;
        view->list().CopyOut(view->list().FindByPath(shown), item, CopyPixels::None);
        QCOMPARE(int(item.marks.rating), 2);
        viewer->close();
    }
};

int runMarkCommandsTest(int argc, char** argv) {
    MarkCommandsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MarkCommandsTest.moc"
