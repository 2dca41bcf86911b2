// The settings sheet opened by the real main window: OK saves the record to
// the settings file and applies it, rebuilding the thumbnails when a kind
// was switched on.
#include "app/ListContainerWnd.h"
#include "app/MainFrame.h"
#include "app/OneKey.h"
#include "settings/SettingsStore.h"
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
    void oneKeyCapturedInTheSheetIsTheKeyTheWindowRecognises();
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

void SettingsDialogTest::oneKeyCapturedInTheSheetIsTheKeyTheWindowRecognises() {
    CAppSettingDlg dlg;
    dlg.LoadPages(AppSettings());
    dlg.beginRun();
    dlg.show();
    dlg.sheet()->setCurrentIndex(4);
    dlg.custom()->startCapture();
    // Cursor up as X11 delivers it (key code 111), then the same key again.
    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, 111, 0xff52, 0);
    QApplication::sendEvent(dlg.custom(), &up);
    const std::int32_t stored = dlg.custom()->OneKey;
    QCOMPARE(stored, 0x01480001);
    QVERIFY(keyEventMatchesOneKey(up, stored));
    // Keypad 8 (key code 80) is another key with the same scan code.
    QKeyEvent keypad8(QEvent::KeyPress, Qt::Key_8, Qt::KeypadModifier, 80, 0xffb8, 0);
    QVERIFY(!keyEventMatchesOneKey(keypad8, stored));
    QVERIFY(keyEventMatchesOneKey(keypad8, 0x00480001));
    // The default: the space bar, with or without a native code.
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, 65, 0x20, 0);
    QVERIFY(keyEventMatchesOneKey(space, AppSettings().OneKey));
    QKeyEvent bare(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
    QVERIFY(keyEventMatchesOneKey(bare, AppSettings().OneKey));
}

QTEST_MAIN(SettingsDialogTest)
#include "SettingsDialogTest.moc"
