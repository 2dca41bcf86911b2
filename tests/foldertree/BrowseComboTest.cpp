#include "TreeTestSupport.h"

#include "foldertree/BrowseCombo.h"
#include "platform/PropertiesDialog.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

using namespace lumora;
using namespace lumora::test;

class BrowseComboTest : public QObject {
    Q_OBJECT

private slots:
    void visitedFoldersNewestFirstWithRepeats() {
        CBrowseCombo combo;
        combo.AddPath("/a", kIconFolder);
        combo.AddPath("/b", kIconFolder);
        combo.AddPath("/a", kIconFolder);
        QCOMPARE(combo.count(), 3);
        QCOMPARE(combo.itemText(0), QStringLiteral("/a"));
        QCOMPARE(combo.itemText(1), QStringLiteral("/b"));
        QCOMPARE(combo.currentIndex(), 0);
        QCOMPARE(combo.currentText(), QStringLiteral("/a"));
    }

    void enterAndPickSelectInTheTree() {
        TempWorld world;
        world.mkdirs({"Pictures/day1"});
        CShellTreeCtrl tree(nullptr, CShellNamespace(world.config));
        CBrowseCombo combo;
        QObject::connect(&combo, &CBrowseCombo::pathEntered, &tree, &CShellTreeCtrl::SelectByPath);
        QSignalSpy spy(&combo, &CBrowseCombo::pathEntered);
        combo.AddPath(world.home, kIconHome);

        combo.lineEdit()->setText(world.home + "/Pictures/day1");
        QTest::keyClick(combo.lineEdit(), Qt::Key_Return);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(tree.GetSelectedPath(), world.home + "/Pictures/day1");

        // Enter on text equal to a listed item still asks once.
        combo.lineEdit()->setText(world.home);
        QTest::keyClick(combo.lineEdit(), Qt::Key_Return);
        QCOMPARE(spy.count(), 2);
        QCOMPARE(tree.GetSelectedPath(), world.home);

        // A path that does not exist leaves the selection as it is.
        combo.lineEdit()->setText(world.home + "/Nowhere");
        QTest::keyClick(combo.lineEdit(), Qt::Key_Return);
        QCOMPARE(tree.GetSelectedPath(), world.home);

        // Picking an item from the list.
        combo.AddPath(world.home + "/Pictures", kIconFolder);
        combo.AddPath(world.home, kIconHome);
        emit combo.activated(1);
        QCOMPARE(spy.last().at(0).toString(), world.home + "/Pictures");
        QCOMPARE(tree.GetSelectedPath(), world.home + "/Pictures");
    }

    void keysDeliveredToTheBoxItselfAskOnce() {
        // The window system gives the keys to the box (its edit field passes
        // the focus on to it), not to the edit field.
        TempWorld world;
        world.mkdirs({"Pictures/day1"});
        CShellTreeCtrl tree(nullptr, CShellNamespace(world.config));
        CBrowseCombo combo;
        QObject::connect(&combo, &CBrowseCombo::pathEntered, &tree, &CShellTreeCtrl::SelectByPath);
        QSignalSpy spy(&combo, &CBrowseCombo::pathEntered);
        combo.AddPath(world.home + "/Pictures/day1", kIconFolder);

        // Typed: a prefix of a listed folder stays as typed.
        combo.lineEdit()->clear();
        QTest::keyClicks(&combo, world.home + "/Pictures");
        QCOMPARE(combo.currentText(), world.home + "/Pictures");
        QTest::keyClick(&combo, Qt::Key_Return);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.last().at(0).toString(), world.home + "/Pictures");
        QCOMPARE(tree.GetSelectedPath(), world.home + "/Pictures");

        // Keypad Enter on text equal to a listed item: one request.
        combo.lineEdit()->setText(world.home + "/Pictures/day1");
        QTest::keyClick(&combo, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(spy.count(), 2);
        QCOMPARE(tree.GetSelectedPath(), world.home + "/Pictures/day1");
        QCOMPARE(combo.count(), 1); // entering adds nothing by itself
    }

    void propertiesTotalAFolderInTheBackground() {
        TempWorld world;
        world.writeFile(world.home + "/p/a.jpg", QByteArray(100, 'a'));
        world.writeFile(world.home + "/p/sub/b.jpg", QByteArray(30, 'b'));
        CPropertiesDialog dialog({world.home + "/p"});
        QSignalSpy done(&dialog, &CPropertiesDialog::countFinished);
        QVERIFY(done.wait(5000) || done.count() == 1);
        auto text = [&](const char* name) {
            auto* label = dialog.findChild<QLabel*>(name);
            return label ? label->text() : QString("<none>");
        };
        QCOMPARE(text("name"), QStringLiteral("p"));
        QCOMPARE(text("type"), QStringLiteral("フォルダ"));
        QCOMPARE(text("size"), QStringLiteral("130 バイト (130 バイト)"));
        QCOMPARE(text("contents"), QStringLiteral("ファイル 2、フォルダ 1"));
        QVERIFY(text("permissions").startsWith("drwx"));
        QVERIFY(!text("modified").isEmpty());

        CPropertiesDialog several({world.home + "/p/a.jpg", world.home + "/p/sub/b.jpg"});
        QSignalSpy done2(&several, &CPropertiesDialog::countFinished);
        QVERIFY(done2.wait(5000) || done2.count() == 1);
        QCOMPARE(several.findChild<QLabel*>("name")->text(), QStringLiteral("2 個の項目"));
        QCOMPARE(several.findChild<QLabel*>("location")->text(), QStringLiteral("複数のフォルダ"));
        QCOMPARE(several.findChild<QLabel*>("type")->text(), QStringLiteral("JPG ファイル"));
        QVERIFY(!several.findChild<QLabel*>("permissions"));
    }
};

QTEST_MAIN(BrowseComboTest)
#include "BrowseComboTest.moc"
