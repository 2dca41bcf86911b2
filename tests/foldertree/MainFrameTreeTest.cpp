// The folder tree and the address box inside the main window: selection
// drives the title and the address box, the address box drives the tree, and
// the last folder comes back at the next start.
#include "app/MainFrame.h"
#include "foldertree/BrowseCombo.h"
#include "foldertree/ShellTreeCtrl.h"

#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>

using namespace lumora;

namespace {

// Where the node's name ends, from the row's own rectangle (which starts
// after its indentation): icon, gap and text.
int nameRight(const CShellTreeCtrl& tree, QTreeWidgetItem* item) {
    const QRect row = tree.visualItemRect(item);
    return row.left() + tree.iconSize().width() +
           tree.fontMetrics().horizontalAdvance(item->text(0)) + 4;
}

bool nameFullyVisible(const CShellTreeCtrl& tree, QTreeWidgetItem* item) {
    if (!item)
        return false;
    const QRect row = tree.visualItemRect(item);
    const QRect pane = tree.viewport()->rect();
    return row.left() >= 0 && nameRight(tree, item) <= pane.width() && row.top() >= 0 &&
           row.bottom() <= pane.bottom();
}

// The folder ten levels below `root`, made on disk.
QString deepFolder(const QString& root) {
    QString path = root;
    const char* names[] = {"Pictures", "2026",  "2026-12-08", "card1",  "DCIM",
                           "100CANON", "picks", "best",       "prints", "final"};
    for (const char* name : names)
        path += QLatin1Char('/') + QLatin1String(name);
    QDir().mkpath(path);
    return path;
}

QString toolTipAt(CShellTreeCtrl& tree, QTreeWidgetItem* item) {
    QToolTip::hideText();
    const QPoint at = tree.visualItemRect(item).center();
    QHelpEvent help(QEvent::ToolTip, at, tree.viewport()->mapToGlobal(at));
    QApplication::sendEvent(tree.viewport(), &help);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

} // namespace

class MainFrameTreeTest : public QObject {
    Q_OBJECT

private slots:
    // At the default pane width a folder ten levels deep shows its name,
    // after the address box, the command line and the start-up restore;
    // rows the pane cuts tell their full path.
    void aDeepFolderShowsItsNameAtTheDefaultWidth() {
        QTemporaryDir temp;
        const QString folder = deepFolder(temp.path());
        const QString ini = temp.path() + "/lumora.ini";
        {
            CMainFrame frame(ini);
            frame.create();
            frame.resize(1000, 700);
            frame.show();
            QVERIFY(QTest::qWaitForWindowExposed(&frame));
            auto* tree = frame.findChild<CShellTreeCtrl*>();
            auto* box = frame.findChild<CBrowseCombo*>();
            QVERIFY(tree->width() <= 220); // the default pane
            box->lineEdit()->setText(folder);
            QTest::keyClick(box->lineEdit(), Qt::Key_Return);
            QTreeWidgetItem* node = tree->currentItem();
            QCOMPARE(tree->GetSelectedPath(), folder);
            QTRY_VERIFY(tree->horizontalScrollBar()->isVisible());
            QVERIFY2(nameFullyVisible(*tree, node),
                     qPrintable(QStringLiteral("row at %1, name ends at %2 of %3")
                                    .arg(tree->visualItemRect(node).left())
                                    .arg(nameRight(*tree, node))
                                    .arg(tree->viewport()->width())));
            // Nothing is elided: the column is as wide as its widest row.
            QVERIFY(tree->header()->sectionSize(0) >= nameRight(*tree, node));

            // The selected name is whole, so it needs no tool tip; a folder
            // higher up, scrolled out to the left, gives its full path.
            QCOMPARE(toolTipAt(*tree, node), QString());
            QTreeWidgetItem* upper = node;
            for (int i = 0; i < 8; ++i)
                upper = upper->parent();
            QVERIFY(tree->visualItemRect(upper).left() < 0);
            QVERIFY(!tree->NodePath(upper).isEmpty());
            QCOMPARE(toolTipAt(*tree, upper), tree->NodePath(upper));
            QTreeWidgetItem* root = tree->RootNode();

            // The user's own scroll is kept; a new selection from the
            // command line brings the folder back.
            tree->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
            QVERIFY(!nameFullyVisible(*tree, node));
            tree->setCurrentItem(root);
            frame.selectByPath(folder);
            QCOMPARE(tree->currentItem(), node);
            QVERIFY(nameFullyVisible(*tree, node));
            frame.close();
        }
        {
            // Restored at start-up, before the pane has its size.
            CMainFrame frame(ini);
            frame.create();
            auto* tree = frame.findChild<CShellTreeCtrl*>();
            QCOMPARE(tree->GetSelectedPath(), folder);
            frame.resize(1000, 700);
            frame.show();
            QVERIFY(QTest::qWaitForWindowExposed(&frame));
            QTRY_VERIFY(nameFullyVisible(*tree, tree->currentItem()));
            frame.close();
        }
    }

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
