// The settings sheet through its real widgets (offscreen).
#include "settingsui/AppSettingDlg.h"
#include "controls/IntegerEdit.h"
#include "settingsui/ColorBox.h"
#include "settingsui/SettingPages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

using namespace lumora;

namespace {

// Answers every message box that opens while it lives, recording its text.
class MessageBoxAnswerer {
public:
    explicit MessageBoxAnswerer(QMessageBox::StandardButton answer = QMessageBox::Ok)
        : answer_(answer) {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts << box->text();
                titles << box->windowTitle();
                QAbstractButton* b = box->button(answer_);
                if (b)
                    b->click();
                else
                    box->reject();
            }
        });
        timer_.start();
    }
    QStringList texts;
    QStringList titles;

private:
    QMessageBox::StandardButton answer_;
    QTimer timer_;
};

template <typename T> T* child(QWidget* root, int id) {
    return root->findChild<T*>(QStringLiteral("id%1").arg(id));
}

AppSettings sampleSettings() {
    AppSettings s;
    s.AppList = {"/usr/bin/gimp", "/usr/bin/display", "/opt/tools/edit"};
    s.AppCount = 5;
    s.FileNameHeight = -15;
    s.FileNameWidth = 0;
    s.SizeLimitter = 1;
    return s;
}

void clickOk(CAppSettingDlg& dlg) {
    dlg.buttons()->button(QDialogButtonBox::Ok)->click();
}

// A run of the sheet with `settings`, shown on screen at page `page`.
void openSheet(CAppSettingDlg& dlg, const AppSettings& settings, int page = 0) {
    dlg.LoadPages(settings);
    dlg.beginRun();
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    if (page != 0)
        dlg.sheet()->setCurrentIndex(page);
}

// OK, then the sample settings as the sheet leaves them.
AppSettings storedAfterOk(CAppSettingDlg& dlg) {
    clickOk(dlg);
    AppSettings s = sampleSettings();
    dlg.StorePages(s);
    return s;
}

} // namespace

class AppSettingDlgTest : public QObject {
    Q_OBJECT
private slots:
    void sheetHasSixPagesInOrderAndOnlyOkCancel();
    void visitingOnlyGeneralChangesNothingElse();
    void cancelDiscardsEdits();
    void gifOnRebuildsColourDoesNot();
    void currentRawKindsHaveTheirChecks();
    void pictureKindsHaveTheirChecksInTheMiscGroup();
    void longSideSetsShortSideAndZeroLeavesIt();
    void preimageZeroIsRefusedAndKeepsTheDialogOpen();
    void monitorProfileFileIsShownAndStoredTrimmed();
    void leavingAPageWithABadValueStaysOnIt();
    void colourPageSamplesAndDefaults();
    void disabledColourBoxIsCheckered();
    void capturingACursorKeyKeepsTheExtendedFlag();
    void captureTakesEscapeAndLeavingThePageEndsIt();
    void applicationListMovesRemovesAndRebuilds();
    void customSizeChangeRebuildsOnlyWhileCustomIsUsed();
    void everyPageDrawsItsControls();
    void fontChooserHasNoEffectsAndNoScript();
    void addDialogOffersExecutablesThenEveryFile();
};

void AppSettingDlgTest::sheetHasSixPagesInOrderAndOnlyOkCancel() {
    CAppSettingDlg dlg;
    QCOMPARE(dlg.windowTitle(), QStringLiteral("アプリケーションのプロパティ"));
    const QStringList titles = {"全般",       "サムネイル表示", "色・フォント",
                                "プレビュー", "カスタム",       "外部アプリ"};
    QCOMPARE(dlg.sheet()->count(), 6);
    for (int i = 0; i < 6; ++i)
        QCOMPARE(dlg.sheet()->tabText(i), titles[i]);
    QCOMPARE(dlg.buttons()->buttons().size(), 2);
    QCOMPARE(dlg.buttons()->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
    // A few of the exact texts.
    QCOMPARE(child<QCheckBox>(dlg.general(), 1020)->text(), QStringLiteral("GIFファイル(*.gif)"));
    QCOMPARE(child<QCheckBox>(dlg.display(), 1019)->text(),
             QStringLiteral("Exif情報に連動してサムネイルを自動回転させる"));
    QCOMPARE(child<QLabel>(dlg.custom(), 1059)->text(),
             QStringLiteral("登録したいキーを一つ押してください"));
    QCOMPARE(child<QPushButton>(dlg.colors(), 1033)->text(), QStringLiteral("デフォルトに戻す"));
    QCOMPARE(dlg.externalApps()->list()->headerItem()->text(1), QStringLiteral("場所"));
    QCOMPARE(dlg.externalApps()->list()->columnWidth(0), 100);
    QCOMPARE(dlg.externalApps()->list()->columnWidth(1), 240);
}

void AppSettingDlgTest::visitingOnlyGeneralChangesNothingElse() {
    CAppSettingDlg dlg;
    const AppSettings before = sampleSettings();
    openSheet(dlg, before);
    QVERIFY(dlg.general()->initialised());
    for (int i = 1; i < 6; ++i)
        QVERIFY(!dlg.page(i)->initialised());
    clickOk(dlg);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    AppSettings after = before;
    QVERIFY(!dlg.StorePages(after));
    QCOMPARE(after, before); // AppCount 5 too: the list page was never shown
}

void AppSettingDlgTest::cancelDiscardsEdits() {
    CAppSettingDlg dlg;
    const AppSettings before = sampleSettings();
    openSheet(dlg, before);
    child<QCheckBox>(dlg.general(), 1021)->click();
    dlg.buttons()->button(QDialogButtonBox::Cancel)->click();
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
}

void AppSettingDlgTest::gifOnRebuildsColourDoesNot() {
    CAppSettingDlg dlg;
    AppSettings s = sampleSettings();
    s.MiscKind = 0x01;
    openSheet(dlg, s, 2);
    dlg.colors()->colorBox(4)->setColor(QColor(1, 2, 3)); // the edge colour
    clickOk(dlg);
    AppSettings after = s;
    QVERIFY(!dlg.StorePages(after));
    QCOMPARE(after.ThumbEdge, 0x030201);
    QCOMPARE(after.FileNameHeight, -15); // fonts not chosen keep their values
    QCOMPARE(after.FileNameWidth, 0);

    // A second run of the same sheet: switch GIF on.
    openSheet(dlg, after);
    QVERIFY(dlg.general()->initialised());
    QVERIFY(!dlg.colors()->initialised());
    QVERIFY(!child<QCheckBox>(dlg.general(), 1020)->isChecked());
    child<QCheckBox>(dlg.general(), 1020)->click();
    clickOk(dlg);
    AppSettings again = after;
    QVERIFY(dlg.StorePages(again));
    QCOMPARE(again.MiscKind, 0x09);
    QCOMPARE(again.ThumbEdge, 0x030201);
}

void AppSettingDlgTest::currentRawKindsHaveTheirChecks() {
    CAppSettingDlg dlg;
    AppSettings s = sampleSettings();
    QCOMPARE(s.RawKind, 0x7F); // every current RAW kind is shown unless switched off
    s.RawKind = 0x7F & ~0x04;
    openSheet(dlg, s);
    const int ids[] = {1040, 1041, 1042, 1043, 1044, 1045, 1046};
    for (int i = 0; i < 7; ++i)
        QCOMPARE(child<QCheckBox>(dlg.general(), ids[i])->isChecked(), i != 2);
    QCOMPARE(child<QCheckBox>(dlg.general(), 1040)->text(),
             QStringLiteral("キヤノン CR3ファイル(*.cr3)"));
    auto* group = qobject_cast<QGroupBox*>(child<QCheckBox>(dlg.general(), 1042)->parentWidget());
    QVERIFY(group);
    QCOMPARE(group->title(), QStringLiteral("RAWで表示するファイル"));
    // Switching DNG back on and CR3 off is stored and rebuilds the thumbnails.
    child<QCheckBox>(dlg.general(), 1042)->click();
    child<QCheckBox>(dlg.general(), 1040)->click();
    clickOk(dlg);
    AppSettings after = s;
    QVERIFY(dlg.StorePages(after));
    QCOMPARE(after.RawKind, 0x7E);
    QCOMPARE(after.MiscKind, s.MiscKind);
    // Unchanged checks change nothing.
    openSheet(dlg, after);
    clickOk(dlg);
    AppSettings same = after;
    QVERIFY(!dlg.StorePages(same));
    QCOMPARE(same.RawKind, 0x7E);
}

void AppSettingDlgTest::pictureKindsHaveTheirChecksInTheMiscGroup() {
    CAppSettingDlg dlg;
    AppSettings s = sampleSettings();
    QCOMPARE(s.PictureKind, 0x1F); // shown unless switched off
    s.PictureKind = 0x1F & ~0x04;  // PNG off
    openSheet(dlg, s);
    const int ids[] = {1060, 1061, 1062, 1063, 1064};
    for (int i = 0; i < 5; ++i)
        QCOMPARE(child<QCheckBox>(dlg.general(), ids[i])->isChecked(), i != 2);
    QCOMPARE(child<QCheckBox>(dlg.general(), 1060)->text(),
             QStringLiteral("HEIF/HEICファイル(*.heic, *.heif, *.hif)"));
    auto* group = qobject_cast<QGroupBox*>(child<QCheckBox>(dlg.general(), 1062)->parentWidget());
    QVERIFY(group);
    QCOMPARE(group->title(), QStringLiteral("MISCで表示するファイル"));
    child<QCheckBox>(dlg.general(), 1062)->click(); // PNG back on
    child<QCheckBox>(dlg.general(), 1064)->click(); // JPEG XL off
    clickOk(dlg);
    AppSettings after = s;
    QVERIFY(dlg.StorePages(after));
    QCOMPARE(after.PictureKind, 0x0F);
    QCOMPARE(after.MiscKind, s.MiscKind);
    QCOMPARE(after.RawKind, s.RawKind);
}

void AppSettingDlgTest::longSideSetsShortSideAndZeroLeavesIt() {
    CAppSettingDlg dlg;
    AppSettings s = sampleSettings();
    openSheet(dlg, s, 1);
    auto* longSide = child<QLineEdit>(dlg.display(), 1007);
    auto* shortSide = child<QLineEdit>(dlg.display(), 1009);
    QCOMPARE(longSide->text(), QStringLiteral("60"));
    QCOMPARE(shortSide->text(), QStringLiteral("45"));
    QVERIFY(shortSide->isReadOnly());
    longSide->selectAll();
    QTest::keyClicks(longSide, "80");
    QCOMPARE(shortSide->text(), QStringLiteral("60"));
    longSide->selectAll();
    QTest::keyClicks(longSide, "0");
    QCOMPARE(shortSide->text(), QStringLiteral("60"));
    longSide->setText("199");
    QCOMPARE(shortSide->text(), QStringLiteral("149")); // truncated
    // The up-down buttons step inside 20..200.
    dlg.display()->findChild<QToolButton*>("id1024up")->click();
    QCOMPARE(longSide->text(), QStringLiteral("200"));
    dlg.display()->findChild<QToolButton*>("id1024up")->click();
    QCOMPARE(longSide->text(), QStringLiteral("200"));
    clickOk(dlg);
    s.ThumbnailSize = 3;
    QVERIFY(dlg.StorePages(s));
    QCOMPARE(s.CustomThumbnailSizeHorz, 200);
    QCOMPARE(s.CustomThumbnailSizeVert, 150);
}

void AppSettingDlgTest::preimageZeroIsRefusedAndKeepsTheDialogOpen() {
    CAppSettingDlg dlg;
    openSheet(dlg, sampleSettings(), 3);
    auto* edit = child<QLineEdit>(dlg.preview(), 1036);
    QCOMPARE(edit->text(), QStringLiteral("2"));
    edit->setText("0");
    {
        MessageBoxAnswerer answerer;
        clickOk(dlg);
        QCOMPARE(answerer.texts, QStringList{"1 から 5 までの整数を入力してください。"});
        QCOMPARE(answerer.titles, QStringList{"Lumora"});
    }
    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.sheet()->currentIndex(), 3);
    QCOMPARE(dlg.focusWidget(), edit);
    edit->setText("x5");
    {
        MessageBoxAnswerer answerer;
        clickOk(dlg);
        QCOMPARE(answerer.texts, QStringList{"整数を入力してください。"});
    }
    QVERIFY(dlg.isVisible());
    edit->setText(" 5 ");
    clickOk(dlg);
    QVERIFY(!dlg.isVisible());
    AppSettings s = sampleSettings();
    dlg.StorePages(s);
    QCOMPARE(s.PreimageSize, 5);
}

void AppSettingDlgTest::monitorProfileFileIsShownAndStoredTrimmed() {
    CAppSettingDlg dlg;
    AppSettings in = sampleSettings();
    in.DisplayProfile = QStringLiteral("/usr/share/color/icc/monitor.icc");
    openSheet(dlg, in, 3);
    auto* edit = child<QLineEdit>(dlg.preview(), 1090);
    QCOMPARE(edit->text(), in.DisplayProfile);
    QVERIFY(child<QPushButton>(dlg.preview(), 1091));
    edit->setText(QStringLiteral("  /home/a/calibrated.icm  "));
    clickOk(dlg);
    AppSettings out = sampleSettings();
    dlg.StorePages(out);
    QCOMPARE(out.DisplayProfile, QStringLiteral("/home/a/calibrated.icm"));
    // Emptied: back to the desktop's profile or sRGB.
    openSheet(dlg, out, 3);
    edit->clear();
    clickOk(dlg);
    dlg.StorePages(out);
    QVERIFY(out.DisplayProfile.isEmpty());
}

void AppSettingDlgTest::leavingAPageWithABadValueStaysOnIt() {
    CAppSettingDlg dlg;
    openSheet(dlg, sampleSettings());
    child<QLineEdit>(dlg.general(), 1013)->setText("100001");
    MessageBoxAnswerer answerer;
    dlg.sheet()->setCurrentIndex(1);
    QCOMPARE(dlg.sheet()->currentIndex(), 0);
    QCOMPARE(answerer.texts, QStringList{"0 から 100000 までの整数を入力してください。"});
    child<QLineEdit>(dlg.general(), 1013)->setText("100000");
    dlg.sheet()->setCurrentIndex(1);
    QCOMPARE(dlg.sheet()->currentIndex(), 1);
    child<QLineEdit>(dlg.display(), 1008)->setText("51");
    dlg.sheet()->setCurrentIndex(2);
    QCOMPARE(dlg.sheet()->currentIndex(), 1);
    QCOMPARE(answerer.texts.last(), QStringLiteral("1 から 50 までの整数を入力してください。"));
}

void AppSettingDlgTest::colourPageSamplesAndDefaults() {
    CAppSettingDlg dlg;
    AppSettings s = sampleSettings();
    s.CanvasNormal = 0x0000FF; // red
    s.FileName = 0x00FF00;
    openSheet(dlg, s, 2);
    QLabel* sample = dlg.colors()->fileNameSample();
    QCOMPARE(sample->text(), QStringLiteral("DSC000.JPG"));
    QCOMPARE(dlg.colors()->exifInfoSample()->text(), QStringLiteral("1/250 F2.8"));
    QCOMPARE(sample->palette().color(QPalette::Window), QColor(255, 0, 0));
    QCOMPARE(sample->palette().color(QPalette::WindowText), QColor(0, 255, 0));
    QCOMPARE(sample->font().pixelSize(), 15);

    // A new canvas colour from the chooser becomes both samples' background.
    dlg.colors()->colorBox(1)->setColor(QColor(9, 9, 9));
    emit dlg.colors()->colorBox(1)->colorChanged(QColor(9, 9, 9));
    QCOMPARE(dlg.colors()->exifInfoSample()->palette().color(QPalette::Window), QColor(9, 9, 9));

    QFont chosen = sample->font();
    chosen.setPixelSize(20);
    chosen.setWeight(QFont::Bold);
    dlg.colors()->setChosenFont(0, chosen);
    QCOMPARE(sample->font().pixelSize(), 20);

    child<QPushButton>(dlg.colors(), 1033)->click();
    QCOMPARE(sample->palette().color(QPalette::Window), QColor(80, 80, 80));
    QCOMPARE(dlg.colors()->exifInfoSample()->palette().color(QPalette::WindowText),
             QColor(205, 205, 205));
    QCOMPARE(dlg.colors()->colorBox(5)->color(), QColor(0, 0, 255)); // cursor foreground
    clickOk(dlg);
    dlg.StorePages(s);
    QCOMPARE(s.CanvasNormal, 0x505050);
    QCOMPARE(s.FileName, 0xFFFFFF);
    QCOMPARE(s.CursorForeground, 0xFF0000);
    QCOMPARE(s.FileNameFace, QStringLiteral("MS UI Gothic"));
    QCOMPARE(s.FileNameHeight, -12);
    QCOMPARE(s.FileNameWidth, 400);
    QCOMPARE(s.ExifInfoWidth, 400);
}

void AppSettingDlgTest::disabledColourBoxIsCheckered() {
    CColorBox box(1020);
    box.resize(48, 22);
    box.setColor(QColor(200, 10, 10));
    const QImage on = box.grab().toImage();
    QCOMPARE(on.pixelColor(24, 11), QColor(200, 10, 10));
    box.setEnabled(false);
    const QImage off = box.grab().toImage();
    const QColor a = off.pixelColor(10, 8);
    const QColor b = off.pixelColor(12, 8);
    QVERIFY(a != b);
    QVERIFY(a != QColor(200, 10, 10) && b != QColor(200, 10, 10));
}

void AppSettingDlgTest::capturingACursorKeyKeepsTheExtendedFlag() {
    CAppSettingDlg dlg;
    openSheet(dlg, sampleSettings(), 4);
    auto* name = child<QLineEdit>(dlg.custom(), 1007);
    auto* button = child<QPushButton>(dlg.custom(), 1058);
    auto* hint = child<QLabel>(dlg.custom(), 1059);
    QCOMPARE(name->text(), QStringLiteral("Space"));
    QVERIFY(hint->isHidden());
    button->click();
    QVERIFY(!button->isEnabled());
    QVERIFY(!hint->isHidden());
    QVERIFY(dlg.custom()->capturing());

    // The cursor-up key as X11 delivers it: key code 111 (evdev 103 + 8).
    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, 111, 0xff52, 0);
    QApplication::sendEvent(name, &up);
    QVERIFY(!dlg.custom()->capturing());
    QCOMPARE(dlg.custom()->OneKey, 0x01480001);
    QCOMPARE(name->text(), QStringLiteral("Up"));
    QVERIFY(button->isEnabled());
    QVERIFY(hint->isHidden());

    // Keys with no native code: from Qt's key (keypad 8 is not extended).
    button->click();
    QTest::keyClick(name, Qt::Key_8, Qt::KeypadModifier);
    QCOMPARE(dlg.custom()->OneKey, 0x00480001);
    QCOMPARE(name->text(), QStringLiteral("Num 8"));
    button->click();
    QTest::keyClick(name, Qt::Key_Left);
    QCOMPARE(dlg.custom()->OneKey, 0x014B0001);

    const AppSettings s = storedAfterOk(dlg);
    QCOMPARE(s.OneKey, 0x014B0001);
}

void AppSettingDlgTest::captureTakesEscapeAndLeavingThePageEndsIt() {
    CAppSettingDlg dlg;
    openSheet(dlg, sampleSettings(), 4);
    auto* name = child<QLineEdit>(dlg.custom(), 1007);
    child<QPushButton>(dlg.custom(), 1058)->click();
    QTest::keyClick(name, Qt::Key_Escape);
    QVERIFY(dlg.isVisible()); // the key went to the capture, not to Cancel
    QCOMPARE(dlg.custom()->OneKey, 0x00010001);
    QCOMPARE(name->text(), QStringLiteral("Esc"));

    child<QPushButton>(dlg.custom(), 1058)->click();
    dlg.sheet()->setCurrentIndex(0);
    QVERIFY(!dlg.custom()->capturing());
    QTest::keyClick(dlg.general(), Qt::Key_A);
    QCOMPARE(dlg.custom()->OneKey, 0x00010001);
}

void AppSettingDlgTest::applicationListMovesRemovesAndRebuilds() {
    CAppSettingDlg dlg;
    openSheet(dlg, sampleSettings(), 5);
    QTreeWidget* list = dlg.externalApps()->list();
    QCOMPARE(list->topLevelItemCount(), 3);
    QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("gimp"));
    QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("/usr/bin"));
    QVERIFY(!list->topLevelItem(0)->icon(0).isNull());

    auto* up = child<QPushButton>(dlg.externalApps(), 1039);
    auto* down = child<QPushButton>(dlg.externalApps(), 1040);
    up->click(); // nothing selected: nothing happens
    list->setCurrentItem(list->topLevelItem(0));
    up->click(); // first row up: nothing
    QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("gimp"));
    down->click();
    QCOMPARE(list->topLevelItem(1)->text(0), QStringLiteral("gimp"));
    QCOMPARE(list->currentItem()->text(0), QStringLiteral("gimp"));
    down->click();
    down->click(); // last row down: nothing
    QCOMPARE(list->topLevelItem(2)->text(0), QStringLiteral("gimp"));
    QVERIFY(list->currentItem()->isSelected());

    list->setCurrentItem(list->topLevelItem(0)); // display
    {
        MessageBoxAnswerer no(QMessageBox::No);
        child<QPushButton>(dlg.externalApps(), 1041)->click();
        QCOMPARE(no.texts, QStringList{"｢display｣を登録リストから削除します。\nよろしいですか？"});
    }
    QCOMPARE(list->topLevelItemCount(), 3);
    {
        MessageBoxAnswerer yes(QMessageBox::Yes);
        child<QPushButton>(dlg.externalApps(), 1041)->click();
    }
    QCOMPARE(list->topLevelItemCount(), 2);
    dlg.externalApps()->addApplication("/bin/sh");
    const AppSettings s = storedAfterOk(dlg);
    QCOMPARE(s.AppList, (QStringList{"/opt/tools/edit", "/usr/bin/gimp", "/bin/sh"}));
    QCOMPARE(s.AppCount, 3);
}

void AppSettingDlgTest::customSizeChangeRebuildsOnlyWhileCustomIsUsed() {
    for (int size : {1, 3}) {
        CAppSettingDlg dlg;
        AppSettings s = sampleSettings();
        s.ThumbnailSize = size;
        openSheet(dlg, s, 1);
        child<QLineEdit>(dlg.display(), 1007)->setText("100");
        clickOk(dlg);
        QCOMPARE(dlg.StorePages(s), size == 3);
        QCOMPARE(s.CustomThumbnailSizeVert, 75);
    }
    // The size limit counts only while the limiter is on.
    for (int limiter : {0, 1}) {
        CAppSettingDlg dlg;
        AppSettings s = sampleSettings();
        s.SizeLimitter = limiter;
        openSheet(dlg, s);
        child<QLineEdit>(dlg.general(), 1013)->setText("77");
        clickOk(dlg);
        QCOMPARE(dlg.StorePages(s), limiter == 1);
        QCOMPARE(s.SizeLimitterSize, 77);
    }
}

// Each page shown at the sheet's size; LUMORA_SHOT_DIR keeps the pictures.
void AppSettingDlgTest::everyPageDrawsItsControls() {
    CAppSettingDlg dlg;
    openSheet(dlg, sampleSettings());
    const QString dir = qEnvironmentVariable("LUMORA_SHOT_DIR");
    for (int i = 0; i < 6; ++i) {
        dlg.sheet()->setCurrentIndex(i);
        QCOMPARE(dlg.sheet()->currentIndex(), i);
        QVERIFY(dlg.page(i)->initialised());
        const QImage shot = dlg.grab().toImage();
        QVERIFY(!shot.isNull());
        if (!dir.isEmpty())
            shot.save(QStringLiteral("%1/settings-page%2.png").arg(dir).arg(i + 1));
    }
}

void AppSettingDlgTest::fontChooserHasNoEffectsAndNoScript() {
    CAppSettingDlg dlg;
    openSheet(dlg, sampleSettings(), 2);
    bool checked = false;
    QTimer::singleShot(100, [&] {
        auto* fd = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
        QVERIFY(fd);
        for (QCheckBox* c : fd->findChildren<QCheckBox*>())
            QVERIFY2(!c->isVisible(), qPrintable(c->text())); // underline, strike-out
        for (QComboBox* c : fd->findChildren<QComboBox*>())
            QVERIFY(!c->isVisible()); // writing system
        QFont f = fd->currentFont();
        f.setPointSize(12);
        f.setUnderline(true);
        fd->setCurrentFont(f);
        checked = true;
        fd->accept();
    });
    child<QPushButton>(dlg.colors(), 1032)->click();
    QVERIFY(checked);
    QCOMPARE(dlg.colors()->exifInfoSample()->font().pointSize(), 12);
    QVERIFY(!dlg.colors()->exifInfoSample()->font().underline());
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchY();
    const AppSettings s = storedAfterOk(dlg);
    QCOMPARE(s.ExifInfoHeight, -qRound(12 * dpi / 72.0));
    QCOMPARE(s.FileNameHeight, -15); // the other font was not touched
}

void AppSettingDlgTest::addDialogOffersExecutablesThenEveryFile() {
    QTemporaryDir dir;
    QFile tool(dir.filePath("tool"));
    QVERIFY(tool.open(QIODevice::WriteOnly));
    tool.write("#!/bin/sh\n");
    tool.close();
    QVERIFY(tool.setPermissions(tool.permissions() | QFileDevice::ExeOwner));
    QFile notes(dir.filePath("notes.txt"));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.close();

    CAppSettingDlg dlg;
    openSheet(dlg, AppSettings(), 5);
    QStringList shownFirst, shownAll, filters;
    QTimer::singleShot(100, [&] {
        auto* fd = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!fd)
            return;
        filters = fd->nameFilters();
        fd->setDirectory(dir.path());
        auto* model = fd->findChild<QFileSystemModel*>();
        QAbstractProxyModel* proxy = fd->proxyModel();
        auto names = [&] {
            QStringList out;
            if (!model || !proxy)
                return out;
            const QModelIndex root = proxy->mapFromSource(model->index(dir.path()));
            for (int r = 0; r < proxy->rowCount(root); ++r)
                out << proxy->index(r, 0, root).data().toString();
            out.sort();
            return out;
        };
        auto waitFor = [&](int n) {
            for (int i = 0; i < 100 && names().size() < n; ++i)
                QTest::qWait(20);
            return names();
        };
        shownFirst = waitFor(1);
        fd->selectNameFilter(filters.value(1));
        emit fd->filterSelected(filters.value(1));
        shownAll = waitFor(2);
        if (auto* name = fd->findChild<QLineEdit*>("fileNameEdit"))
            name->setText(QStringLiteral("tool"));
        static_cast<QDialog*>(fd)->accept();
        if (fd->isVisible())
            fd->reject();
    });
    child<QPushButton>(dlg.externalApps(), 1042)->click();
    QCOMPARE(filters, (QStringList{"実行可能ファイル (*)", "すべてのファイル(*)"}));
    QCOMPARE(shownFirst, QStringList{"tool"});
    QCOMPARE(shownAll, (QStringList{"notes.txt", "tool"}));
    QCOMPARE(dlg.externalApps()->list()->topLevelItemCount(), 1);
    QCOMPARE(dlg.externalApps()->list()->topLevelItem(0)->text(0), QStringLiteral("tool"));
}

QTEST_MAIN(AppSettingDlgTest)
#include "AppSettingDlgTest.moc"
