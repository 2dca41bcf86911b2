// The settings sheet opened by the real main window: OK saves the record to
// the settings file and applies it, rebuilding the thumbnails when a kind
// was switched on.
#include "app/ListContainerWnd.h"
#include "app/MainFrame.h"
#include "app/SettingsStore.h"
#include "settingsui/AppSettingDlg.h"
#include "settingsui/SettingPages.h"
#include "thumbnails/ThumbnailCtrl.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

using namespace lumora;

namespace {

// A one-pixel GIF.
const QByteArray kGif = QByteArray::fromHex(
    "47494638396101000100800000ff000000000021f90401000000002c00000000010001000002024401003b");

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class SettingsDialogTest : public QObject {
    Q_OBJECT
private slots:
    void gifSwitchedOnAppearsAndIsSaved();
    void cancelKeepsRecordAndFile();
};

void SettingsDialogTest::gifSwitchedOnAppearsAndIsSaved() {
    QTemporaryDir dir;
    const QString folder = dir.filePath("pictures");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(writeFile(folder + "/a.gif", kGif));
    QVERIFY(writeFile(folder + "/b.gif", kGif));
    QVERIFY(writeFile(folder + "/c.bmp", QByteArray("BM")));
    const QString ini = dir.filePath("lumora.ini");
    {
        CIniFile seed = CIniFile::fromText("[DisplaySettings]\nMiscKind=53\n"); // GIF off
        QVERIFY(seed.save(ini));
    }
    CMainFrame frame(ini);
    frame.create();
    frame.resize(900, 600);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    frame.listContainer()->ShowFolder(folder);
    CThumbnailCtrl* view = frame.listContainer()->currentView();
    QTRY_COMPARE(view->Count(), 1);

    QTimer::singleShot(100, [&frame] {
        CAppSettingDlg* dlg = frame.appSettingDlg();
        QVERIFY(dlg->isVisible());
        QCOMPARE(dlg->sheet()->currentIndex(), 0);
        auto* gif = dlg->general()->findChild<QCheckBox*>("id1020");
        QVERIFY(!gif->isChecked());
        gif->click();
        dlg->buttons()->button(QDialogButtonBox::Ok)->click();
    });
    QVERIFY(frame.OnAppSetting());
    QCOMPARE(frame.settings().MiscKind, 0x3D);
    QTRY_COMPARE(view->Count(), 3);
    CIniFile saved;
    QCOMPARE(saved.load(ini), CIniFile::LoadResult::Loaded);
    QCOMPARE(saved.readInt("DisplaySettings", "MiscKind", 0), 0x3D);
    QCOMPARE(saved.readInt("ColorSettings", "ThumbEdge", 0), 0xC0C0C0);
}

void SettingsDialogTest::cancelKeepsRecordAndFile() {
    QTemporaryDir dir;
    const QString ini = dir.filePath("lumora.ini");
    CMainFrame frame(ini);
    frame.create();
    frame.show();
    const AppSettings before = frame.settings();
    QTimer::singleShot(100, [&frame] {
        CAppSettingDlg* dlg = frame.appSettingDlg();
        dlg->general()->findChild<QCheckBox*>("id1020")->click();
        dlg->buttons()->button(QDialogButtonBox::Cancel)->click();
    });
    QVERIFY(!frame.OnAppSetting());
    QCOMPARE(frame.settings(), before);
    QVERIFY(!QFile::exists(ini));
}

QTEST_MAIN(SettingsDialogTest)
#include "SettingsDialogTest.moc"
