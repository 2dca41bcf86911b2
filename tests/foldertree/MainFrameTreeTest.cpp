// The folder tree and the address box inside the main window: selection
// drives the title and the address box, the address box drives the tree, and
// the last folder comes back at the next start.
#include "app/MainFrame.h"
#include "foldertree/BrowseCombo.h"
#include "foldertree/ShellTreeCtrl.h"

#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

using namespace lumora;

class MainFrameTreeTest : public QObject {
    Q_OBJECT

private slots:
    void selectionSetsTitleAndAddressBoxAndComesBack() {
        QTemporaryDir temp;
        const QString folder = temp.path() + "/Pictures/day";
        QVERIFY(QDir().mkpath(folder));
        const QString ini = temp.path() + "/lumora.ini";
        {
            CMainFrame frame(ini);
            frame.create();
            auto* tree = frame.findChild<CShellTreeCtrl*>();
            auto* box = frame.findChild<CBrowseCombo*>();
            QVERIFY(tree);
            QVERIFY(box);
            box->lineEdit()->setText(folder);
            QTest::keyClick(box->lineEdit(), Qt::Key_Return);
            QCOMPARE(tree->GetSelectedPath(), folder);
            QCOMPARE(frame.windowTitle(), "Lumora - " + folder);
            QCOMPARE(box->itemText(0), folder);

            // A path that does not exist changes nothing.
            box->lineEdit()->setText(temp.path() + "/missing");
            QTest::keyClick(box->lineEdit(), Qt::Key_Return);
            QCOMPARE(tree->GetSelectedPath(), folder);
            frame.close();
        }
        {
            CMainFrame frame(ini);
            frame.create();
            auto* tree = frame.findChild<CShellTreeCtrl*>();
            QCOMPARE(tree->GetSelectedPath(), folder);
            // A virtual node is stored by its stable name.
            tree->SelectByPath(QStringLiteral("コンピュータ"));
            QCOMPARE(frame.windowTitle(), QStringLiteral("Lumora - コンピュータ"));
            frame.close();
        }
        {
            CMainFrame frame(ini);
            frame.create();
            auto* tree = frame.findChild<CShellTreeCtrl*>();
            QCOMPARE(tree->GetSelectedIdList(), QStringLiteral("::computer"));
            frame.close();
        }
    }
};

QTEST_MAIN(MainFrameTreeTest)
#include "MainFrameTreeTest.moc"
