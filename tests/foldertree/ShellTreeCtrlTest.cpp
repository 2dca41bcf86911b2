#include "TreeTestSupport.h"

#include "platform/ClipboardFiles.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QtTest>

#include <memory>
#include <unistd.h>

using namespace lumora;
using namespace lumora::test;

namespace {

struct Harness {
    TempWorld world;
    ScriptedUi ui;
    MessageLog log;
    std::unique_ptr<CShellTreeCtrl> tree;

    Harness() {}
    void make() {
        tree = std::make_unique<CShellTreeCtrl>(nullptr, CShellNamespace(world.config));
        tree->SetFileOperationUi(&ui);
        tree->SetMainWindow(&log);
    }
    QTreeWidgetItem* homeNode() const { return tree->RootNode()->child(0); }
    QTreeWidgetItem* child(QTreeWidgetItem* parent, const QString& text) const {
        tree->EnsureEnumerated(parent);
        for (int i = 0; i < parent->childCount(); ++i)
            if (parent->child(i)->text(0) == text)
                return parent->child(i);
        return nullptr;
    }
    QTreeWidgetItem* select(const QString& relative) {
        tree->SelectByPath(world.home + "/" + relative);
        return tree->currentItem();
    }
};

} // namespace

class ShellTreeCtrlTest : public QObject {
    Q_OBJECT

private slots:
    void rootListsHomeComputerAndDesktopFoldersInNamespaceOrder() {
        Harness h;
        QDir().mkpath(h.world.desktop + "/zz");
        QDir().mkpath(h.world.desktop + "/aa");
        QDir().mkpath(h.world.temp.path() + "/vol/inside");
        h.make();
        QTreeWidgetItem* root = h.tree->RootNode();
        QCOMPARE(root->text(0), QStringLiteral("デスクトップ"));
        QVERIFY(root->isExpanded());
        QCOMPARE(childTexts(root), (QStringList{"home", "コンピュータ", "aa", "zz"}));
        QTreeWidgetItem* computer = root->child(1);
        h.tree->EnsureEnumerated(computer);
        QCOMPARE(childTexts(computer), (QStringList{"/", h.world.temp.path() + "/vol"}));
        QCOMPARE(h.tree->NodePath(computer->child(1)), h.world.temp.path() + "/vol");
        QVERIFY2(h.log.messages.empty(), "building the tree selects nothing");
    }

    void expansionEnumeratesOnceAndSortsByText() {
        Harness h;
        h.world.mkdirs({"b", "A", "c/sub", "a", ".hidden"});
        h.world.writeFile(h.world.home + "/file.jpg", "x");
        h.make();
        QTreeWidgetItem* home = h.homeNode();
        const int before = h.tree->EnumerationCount();
        home->setExpanded(true);
        QCOMPARE(childTexts(home), (QStringList{"A", "a", "b", "c", "Desktop"}));
        QCOMPARE(h.tree->EnumerationCount(), before + 1);
        QCOMPARE(h.child(home, "c")->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
        QCOMPARE(h.child(home, "b")->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);

        // Collapsing and expanding again does not enumerate again.
        QDir().mkpath(h.world.home + "/later");
        home->setExpanded(false);
        home->setExpanded(true);
        QCOMPARE(h.tree->EnumerationCount(), before + 1);
        QVERIFY(!childTexts(home).contains("later"));
    }

    void selectionByTypedPathExpandsDownToIt() {
        Harness h;
        h.world.mkdirs({"Photos/2024/Trip", "photos"});
        h.make();
        h.tree->SelectByPath(h.world.home + "/Photos/2024/Trip");
        QTreeWidgetItem* current = h.tree->currentItem();
        QVERIFY(current);
        QCOMPARE(h.tree->GetSelectedPath(), h.world.home + "/Photos/2024/Trip");
        QVERIFY(current->parent()->isExpanded());
        QVERIFY(current->parent()->parent()->isExpanded());
        QCOMPARE(h.log.count(WM_TREE_SELCHANGED), 1);
        QCOMPARE(h.log.messages.back().node, current);

        // Case does not matter when only one folder fits; an exact name wins.
        h.tree->SelectByPath(h.world.home + "/PHOTOS/2024/trip/");
        QCOMPARE(h.tree->GetSelectedPath(), h.world.home + "/Photos/2024/Trip");
        h.tree->SelectByPath(h.world.home + "/photos");
        QCOMPARE(h.tree->GetSelectedPath(), h.world.home + "/photos");

        // A path that does not name a folder leaves the selection alone.
        h.log.clear();
        h.tree->SelectByPath(h.world.home + "/nothing/here");
        h.tree->SelectByPath("");
        h.tree->SelectByPath("not/absolute");
        QCOMPARE(h.tree->GetSelectedPath(), h.world.home + "/photos");
        QVERIFY(h.log.messages.empty());

        // Folders made after their parent was listed, and hidden ones asked
        // for by name, are reached too.
        QDir().mkpath(h.world.home + "/Photos/2025");
        QDir().mkpath(h.world.home + "/.config/app");
        h.tree->SelectByPath(h.world.home + "/Photos/2025");
        QCOMPARE(h.tree->GetSelectedPath(), h.world.home + "/Photos/2025");
        h.tree->SelectByPath("~/.config/app");
        QCOMPARE(h.tree->GetSelectedPath(), h.world.home + "/.config/app");
    }

    void virtualNodesReportTheirTextAndRestoreByStableName() {
        Harness h;
        h.make();
        h.tree->SelectByPath("コンピュータ");
        int icon = -1;
        QCOMPARE(h.tree->GetSelectedPath(&icon), QStringLiteral("コンピュータ"));
        QCOMPARE(icon, kIconComputer);
        const QString stored = h.tree->GetSelectedIdList();
        QCOMPARE(stored, QStringLiteral("::computer"));

        Harness other;
        other.world.config = h.world.config;
        other.make();
        other.tree->SelectByIdList(stored);
        QCOMPARE(other.tree->GetSelectedPath(), QStringLiteral("コンピュータ"));

        h.tree->SelectByPath(h.world.temp.path() + "/vol");
        QCOMPARE(h.tree->GetSelectedIdList(), h.world.temp.path() + "/vol");
        QCOMPARE(h.tree->currentItem()->parent()->text(0), QStringLiteral("コンピュータ"));
    }

    void renameToTheSameTextDoesNothing() {
        Harness h;
        h.world.mkdirs({"old/inner", "taken"});
        h.make();
        QTreeWidgetItem* node = h.select("old");
        h.tree->EnsureEnumerated(node);
        h.log.clear();
        QVERIFY(!h.tree->RenameNode(node, "old"));
        QVERIFY(h.log.messages.empty());
        QVERIFY(h.ui.errors.isEmpty());

        QVERIFY(!h.tree->RenameNode(node, "taken"));
        QCOMPARE(h.ui.errors.size(), 1);
        QCOMPARE(node->text(0), QStringLiteral("old"));
        QVERIFY(QFileInfo(h.world.home + "/old/inner").isDir());

        QVERIFY(h.tree->RenameNode(node, "新しい名前"));
        QCOMPARE(node->text(0), QStringLiteral("新しい名前"));
        QVERIFY(QFileInfo(h.world.home + "/新しい名前/inner").isDir());
        QCOMPARE(h.tree->NodePath(node->child(0)), h.world.home + "/新しい名前/inner");
        QCOMPARE(h.log.count(WM_TREE_SELCHANGED), 1);
        QVERIFY(h.log.messages.back().node == nullptr);

        // The desktop, home, computer and volumes cannot be renamed.
        QVERIFY(!h.tree->RenameNode(h.homeNode(), "x"));
        QVERIFY(!(h.homeNode()->flags() & Qt::ItemIsEditable));
    }

    void newFolderNamesCountUp() {
        Harness h;
        h.world.mkdirs({"p/新しいフォルダ", "p/新しいフォルダ (1)"});
        h.make();
        QTreeWidgetItem* p = h.select("p");
        QCOMPARE(h.tree->NewFolder(), 1);
        QVERIFY(QFileInfo(h.world.home + "/p/新しいフォルダ (2)").isDir());
        QCOMPARE(h.tree->currentItem()->text(0), QStringLiteral("新しいフォルダ (2)"));
        QCOMPARE(h.tree->currentItem()->parent(), p);
        QVERIFY(h.tree->viewport()->findChild<QLineEdit*>());
        QCOMPARE(childTexts(p),
                 (QStringList{"新しいフォルダ", "新しいフォルダ (1)", "新しいフォルダ (2)"}));
    }

    void newFolderInAnUnlistedFolderSelectsExactlyTheNewOne() {
        Harness h;
        // A name that contains the new one and sorts before it.
        h.world.mkdirs({"q/a新しいフォルダ"});
        h.make();
        QTreeWidgetItem* home = h.homeNode();
        home->setExpanded(true);
        QTreeWidgetItem* q = h.child(home, "q");
        h.tree->setCurrentItem(q);
        QCOMPARE(h.tree->NewFolder(), 1);
        QCOMPARE(h.tree->currentItem()->text(0), QStringLiteral("新しいフォルダ"));
        QVERIFY(q->isExpanded());

        // Nowhere to make one: the computer node.
        h.tree->SelectByPath("コンピュータ");
        QCOMPARE(h.tree->NewFolder(), 0);
    }

    void deletingTheLastSubfolderClearsTheButtonAndRelistsLater() {
        Harness h;
        h.world.mkdirs({"parent/only"});
        h.make();
        QTreeWidgetItem* only = h.select("parent/only");
        QTreeWidgetItem* parent = only->parent();

        h.ui.deleteAnswer = false; // cancelled confirmation: nothing changes
        h.tree->DeleteSelected();
        QCOMPARE(parent->childCount(), 1);
        QVERIFY(QFileInfo(h.world.home + "/parent/only").isDir());

        h.ui.deleteAnswer = true;
        h.tree->DeleteSelected();
        QVERIFY(!QFileInfo::exists(h.world.home + "/parent/only"));
        QVERIFY2(QFileInfo(h.world.data + "/Trash/files/only").isDir(), "in the trash");
        QCOMPARE(parent->childCount(), 0);
        QCOMPARE(parent->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
        QVERIFY(!parent->isExpanded());

        QDir().mkpath(h.world.home + "/parent/fresh");
        parent->setExpanded(true);
        QCOMPARE(childTexts(parent), QStringList{"fresh"});
    }

    void deleteKeyDeletesAndFixedNodesStay() {
        Harness h;
        h.world.mkdirs({"gone"});
        h.make();
        h.select("gone");
        QTest::keyClick(h.tree.get(), Qt::Key_Delete);
        QVERIFY(!QFileInfo::exists(h.world.home + "/gone"));
        h.tree->setCurrentItem(h.homeNode());
        h.ui.asked.clear();
        h.tree->DeleteSelected();
        QVERIFY(h.ui.asked.isEmpty());
        QVERIFY(QFileInfo(h.world.home).isDir());
    }

    void dropCopiesIntoTheHighlightedNodeAndNeverMoves() {
        Harness h;
        h.world.mkdirs({"target"});
        const QString src = h.world.temp.path() + "/src";
        h.world.writeFile(src + "/one.jpg", "1");
        h.world.writeFile(src + "/album/two.jpg", "2");
        h.make();
        QTreeWidgetItem* target = h.select("target");
        h.tree->EnsureEnumerated(target);

        auto data = makeFileListMimeData({src + "/one.jpg", src + "/album"}, DROPEFFECT_MOVE);
        QVERIFY(h.tree->OnDropCanEnter(*data));
        QVERIFY2(!h.tree->OnDropFiles(*data), "no highlighted node: nothing");
        QVERIFY(!QFileInfo::exists(h.world.home + "/target/one.jpg"));

        h.tree->SetDropHighlight(target);
        QVERIFY(h.tree->OnDropFiles(*data));
        QCOMPARE(h.tree->DropHighlight(), nullptr);
        QVERIFY(QFileInfo::exists(h.world.home + "/target/one.jpg"));
        QVERIFY(QFileInfo::exists(h.world.home + "/target/album/two.jpg"));
        QVERIFY(QFileInfo::exists(src + "/one.jpg"));
        QVERIFY(QFileInfo::exists(src + "/album/two.jpg"));
        QCOMPARE(childTexts(target), QStringList{"album"});

        // Through real drag events a proposed move is answered as a copy.
        QTreeWidgetItem* home = h.homeNode();
        h.tree->resize(300, 400);
        h.tree->show();
        const QPoint at = h.tree->visualItemRect(home).center();
        auto data2 = makeFileListMimeData({src + "/one.jpg"}, DROPEFFECT_MOVE);
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data2.get(), Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(h.tree->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, data2.get(), Qt::LeftButton,
                            Qt::NoModifier);
        QApplication::sendEvent(h.tree->viewport(), &move);
        QCOMPARE(h.tree->DropHighlight(), home);
        QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, data2.get(), Qt::LeftButton,
                        Qt::NoModifier);
        QApplication::sendEvent(h.tree->viewport(), &drop);
        QCOMPARE(drop.dropAction(), Qt::CopyAction);
        QVERIFY(QFileInfo::exists(h.world.home + "/one.jpg"));
        QVERIFY(QFileInfo::exists(src + "/one.jpg"));

        QMimeData text;
        text.setText("hello");
        QVERIFY(!h.tree->OnDropCanEnter(text));
    }

    void foldersAreAddedAndRemovedWhereverTheirParentIsListed() {
        Harness h;
        QDir().mkpath(h.world.desktop + "/d1");
        h.make();
        QTreeWidgetItem* root = h.tree->RootNode();
        QTreeWidgetItem* desktopFolder = h.child(h.homeNode(), "Desktop");
        h.tree->EnsureEnumerated(desktopFolder);
        QCOMPARE(childTexts(desktopFolder), QStringList{"d1"});

        QDir().mkpath(h.world.desktop + "/d2");
        QDir().mkpath(h.world.temp.path() + "/elsewhere");
        h.tree->InsertChildFolders(h.world.desktop,
                                   {h.world.desktop + "/d2", h.world.temp.path() + "/elsewhere"});
        QCOMPARE(childTexts(root), (QStringList{"home", "コンピュータ", "d1", "d2"}));
        QCOMPARE(childTexts(desktopFolder), (QStringList{"d1", "d2"}));
        QCOMPARE(h.tree->NodePath(root->child(3)), h.world.desktop + "/d2");
        QCOMPARE(h.tree->FindNodesByPath(h.world.desktop + "/d2").size(), 2);

        QDir(h.world.desktop + "/d2").removeRecursively();
        h.tree->RemoveMissingFolders({h.world.desktop + "/d2"});
        QCOMPARE(childTexts(root), (QStringList{"home", "コンピュータ", "d1"}));
        QCOMPARE(childTexts(desktopFolder), QStringList{"d1"});
    }

    void clipboardRoundTripWithOtherProgramsFormat() {
        Harness h;
        h.world.mkdirs({"from/x", "to"});
        h.make();
        h.select("from");
        h.tree->CopySelectedToClipboard(DROPEFFECT_MOVE);
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        QVERIFY(data);
        QCOMPARE(data->data("x-special/gnome-copied-files"),
                 QByteArray("cut\n") + QUrl::fromLocalFile(h.world.home + "/from").toEncoded());

        // Paste the cut folder into "to": it moves and the clipboard empties.
        QTreeWidgetItem* to = h.select("to");
        h.tree->EnsureEnumerated(to);
        QVERIFY(h.tree->PasteInto(to));
        QVERIFY(QFileInfo(h.world.home + "/to/from/x").isDir());
        QVERIFY(!QFileInfo::exists(h.world.home + "/from"));
        QVERIFY(!filesFromClipboard());
        QCOMPARE(childTexts(to), QStringList{"from"});
        QVERIFY(!childTexts(h.homeNode()).contains("from"));
        QCOMPARE(h.tree->FindNodeByPath(h.world.home + "/to/from"), to->child(0));

        // Another program's copy (with a trailing newline) pastes as a copy.
        const QString outside = h.world.temp.path() + "/outside.jpg";
        h.world.writeFile(outside, "o");
        auto* other = new QMimeData;
        other->setData("x-special/gnome-copied-files",
                       "copy\n" + QUrl::fromLocalFile(outside).toEncoded() + "\n");
        QGuiApplication::clipboard()->setMimeData(other);
        QVERIFY(h.tree->MenuStateFor(to).canPaste);
        QVERIFY(h.tree->PasteInto(to));
        QVERIFY(QFileInfo::exists(h.world.home + "/to/outside.jpg"));
        QVERIFY(QFileInfo::exists(outside));

        // Virtual nodes put nothing on the clipboard.
        QGuiApplication::clipboard()->clear();
        h.tree->SelectByPath("コンピュータ");
        h.tree->CopySelectedToClipboard(DROPEFFECT_COPY);
        QVERIFY(!filesFromClipboard());
    }

    void symlinkLoopsDoNotHangExpansion() {
        Harness h;
        h.world.mkdirs({"a/b"});
        QCOMPARE(::symlink("..", qPrintable(h.world.home + "/a/b/up")), 0);
        QCOMPARE(::symlink("self", qPrintable(h.world.home + "/a/self")), 0);
        h.make();
        const QString deep = h.world.home + "/a/b/up/b/up/b/up/b";
        h.tree->SelectByPath(deep);
        QCOMPARE(h.tree->GetSelectedPath(), deep);
        QTreeWidgetItem* a = h.child(h.homeNode(), "a");
        QCOMPARE(childTexts(a), QStringList{"b"}); // "a link to itself is no folder"
        QTreeWidgetItem* up = h.child(h.child(a, "b"), "up");
        QVERIFY(up);
        QVERIFY(up->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator);
        QCOMPARE(childTexts(up), QStringList{"b"});
    }

    void unreadableFolderShowsNoChildrenAndNoError() {
        Harness h;
        h.world.mkdirs({"vanishing/child"});
        h.make();
        QTreeWidgetItem* node = h.child(h.homeNode(), "vanishing");
        QCOMPARE(node->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
        QVERIFY(QDir(h.world.home + "/vanishing").removeRecursively());
        node->setExpanded(true);
        QCOMPARE(node->childCount(), 0);
        QVERIFY(h.ui.errors.isEmpty());
        QVERIFY(h.ui.asked.isEmpty());
        QCOMPARE(node->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
    }

    void refreshRebuildsAndReselects() {
        Harness h;
        h.world.mkdirs({"keep/deep", "drop"});
        h.make();
        h.select("keep/deep");
        QDir(h.world.home + "/drop").removeRecursively();
        h.log.clear();
        h.tree->Refresh();
        QCOMPARE(h.tree->GetSelectedPath(), h.world.home + "/keep/deep");
        QVERIFY(!childTexts(h.homeNode()).contains("drop"));
        QCOMPARE(h.log.count(WM_TREE_SELCHANGED), 1); // "one report, for the reselection"
    }

    void focusIsReportedToTheMainWindow() {
        Harness h;
        h.make();
        QFocusEvent focus(QEvent::FocusIn, Qt::OtherFocusReason);
        QApplication::sendEvent(h.tree.get(), &focus);
        QCoreApplication::sendPostedEvents(&h.log);
        QCOMPARE(h.log.count(WM_THUMB_FOCUS), 1);
        QCOMPARE(h.log.messages.back().pane, 0);
    }

    void contextMenuOffersOnlyWhatTheNodeAllows() {
        Harness h;
        h.world.mkdirs({"f"});
        h.make();
        QTreeWidgetItem* computer = h.tree->RootNode()->child(1);
        ShellMenuState state = h.tree->MenuStateFor(computer);
        QVERIFY(!state.canRename && !state.canDelete && !state.canCopy && !state.canNewFolder);
        state = h.tree->MenuStateFor(h.homeNode());
        QVERIFY(state.canNewFolder && state.canCopy && !state.canRename && !state.canDelete);
        QTreeWidgetItem* f = h.child(h.homeNode(), "f");
        state = h.tree->MenuStateFor(f);
        QVERIFY(state.canRename && state.canDelete && state.canProperties);

        h.tree->PerformVerb(ShellVerb::Copy, f);
        auto list = filesFromClipboard();
        QVERIFY(list);
        QCOMPARE(list->paths, QStringList{h.world.home + "/f"});
        QCOMPARE(list->dropEffect, DROPEFFECT_COPY);

        h.tree->PerformVerb(ShellVerb::NewFolder, computer);
        QCOMPARE(h.ui.errors, QStringList{"この位置にはフォルダは作成できません。"});
    }
};

QTEST_MAIN(ShellTreeCtrlTest)
#include "ShellTreeCtrlTest.moc"
