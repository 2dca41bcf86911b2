// The real message boxes of a move that meets a full disk: the failed file
// is named with its reason, "スキップ(&S)" goes on with the next file, and the
// outcome tells what was moved and what was not.
#include "platform/FileOperationDialogs.h"
#include "platform/FileOperation.h"

#include "ScratchMounts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

using namespace lumora;
using namespace lumora::testing;

namespace {

struct SeenBox {
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
};

// Answers each message box as it appears: the button whose text is the next
// of `answers` (an empty text: the default), recording what it showed.
void answerBoxes(QStringList answers, QList<SeenBox>* seen) {
    QTimer::singleShot(10, [answers, seen]() mutable {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible())
                continue;
            SeenBox s{box->text(), box->icon(), {}};
            QAbstractButton* chosen = nullptr;
            const QString want = answers.isEmpty() ? QString() : answers.takeFirst();
            for (QAbstractButton* b : box->buttons()) {
                s.buttons << b->text();
                if (b->text() == want)
                    chosen = b;
            }
            seen->append(s);
            if (chosen)
                chosen->click();
            else
                box->accept();
            break;
        }
        if (seen->size() < 2)
            answerBoxes(answers, seen);
    });
}

QString q(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

} // namespace

class FileOperationDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void fullDiskAsksToSkipAndReportsTheOutcome() {
        if (!ScratchMount::available())
            QSKIP(ScratchMount::unavailableReason().c_str());
        ScratchDir src, dst;
        ScratchMount other(dst.path(), 1024 * 1024);
        QVERIFY(other.mounted());
        QVERIFY(other.fillUpTo(200 * 1024));
        QStringList sources;
        for (const auto& [n, size] : std::vector<std::pair<std::string, std::size_t>>{
                 {"1.jpg", 20000}, {"2-big.raw", 600 * 1024}, {"3.jpg", 20000}}) {
            QVERIFY(writeBytes(src / n, patternBytes(n, size)));
            sources << q(src / n);
        }
        QWidget owner;
        owner.show();
        CFileOperationDialogs dialogs(&owner);
        CShellFileOperation op(dialogs);
        QList<SeenBox> seen;
        answerBoxes({QStringLiteral("スキップ(&S)")}, &seen);
        const FileOperationResult r = op.move(sources, q(dst.path()));

        QCOMPARE(seen.size(), 2);
        QVERIFY2(seen[0].text.contains("2-big.raw"), qPrintable(seen[0].text));
        QVERIFY(seen[0].text.contains(QStringLiteral("ディスクの空き領域が不足しています。")));
        QCOMPARE(seen[0].icon, QMessageBox::Warning);
        QCOMPARE(seen[0].buttons,
                 (QStringList{QStringLiteral("スキップ(&S)"), QStringLiteral("すべてスキップ(&A)"),
                              QStringLiteral("中止")}));
        QCOMPARE(seen[1].text,
                 QStringLiteral("2 個のファイルを移動しました。\n1 "
                                "個のファイルは移動されず、元の場所に残っています。"));
        QVERIFY(r.succeeded);
        QVERIFY(r.aborted);
        QCOMPARE(visibleNames(dst.path()), (std::vector<std::string>{"1.jpg", "3.jpg"}));
        QCOMPARE(readBytes(src / "2-big.raw"), patternBytes("2-big.raw", 600 * 1024));
    }
};

QTEST_MAIN(FileOperationDialogsTest)
#include "FileOperationDialogsTest.moc"
