// The mark commands through the real main window: marks on every selected
// item, undo, a failed write, and the mark filter with select-all.
#include "app/Commands.h"
#include "app/ListContainerWnd.h"
#include "app/MainCommands.h"
#include "app/MainFrame.h"
#include "marks/Sidecar.h"
#include "thumbnails/ThumbnailCtrl.h"

#include <QDir>
#include <QFile>
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
};

int runMarkCommandsTest(int argc, char** argv) {
    MarkCommandsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MarkCommandsTest.moc"
