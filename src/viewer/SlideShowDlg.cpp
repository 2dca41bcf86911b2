#include "viewer/SlideShowDlg.h"

#include "settings/SettingsKeys.h"
#include "controls/IntegerEdit.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace lumora {

namespace {

template <typename W> W* named(W* w, int id) {
    w->setObjectName(QStringLiteral("id%1").arg(id));
    return w;
}

const SettingKey& intervalKey() {
    return *findSettingKey("SlideShowSettings", "IntervalSecond");
}

// The patterns inside the parentheses of a filter, split at blanks and ";".
QStringList patternsOf(const QString& filter) {
    const qsizetype open = filter.lastIndexOf(QLatin1Char('('));
    const qsizetype close = filter.lastIndexOf(QLatin1Char(')'));
    if (open < 0 || close < open)
        return {QStringLiteral("*")};
    QStringList patterns =
        filter.mid(open + 1, close - open - 1)
            .split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts);
    for (QString& p : patterns)
        if (p == QLatin1String("*.*"))
            p = QStringLiteral("*");
    return patterns;
}

} // namespace

QString openFileWithFilters(QWidget* parent, const QString& start, const QStringList& filters) {
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (!start.isEmpty())
        dialog.selectFile(start);
    dialog.setNameFilters(filters);
    // The dialog reads blank-separated patterns only; give its model the
    // patterns of the chosen filter whatever separates them.
    auto* model = dialog.findChild<QFileSystemModel*>();
    auto apply = [model](const QString& filter) {
        if (model)
            model->setNameFilters(patternsOf(filter));
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, apply);
    if (!filters.isEmpty())
        apply(filters.first());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

CSlideShowDlg::CSlideShowDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SlideShowDlg"));
    setWindowTitle(QStringLiteral("スライドショーの実行"));
    interval_ = new CUpDownEdit(1007, 1024);
    interval_->setRange(intervalKey().minimum, intervalKey().maximum);
    interval_->setFixedWidth(60);
    fullScreen_ = named(new QCheckBox(QStringLiteral("全画面表示で実行")), 1043);
    noPreImage_ = named(new QCheckBox(QStringLiteral("プリイメージを表示しない")), 1021);
    fromHead_ = named(new QCheckBox(QStringLiteral("ファイルリストの先頭から実行")), 1023);
    autoClose_ = named(new QCheckBox(QStringLiteral("終了時にビューアウインドウを閉じる")), 1011);
    playBgm_ = named(new QCheckBox(QStringLiteral("BGMを演奏する")), 1045);
    loopBgm_ = named(new QCheckBox(QStringLiteral("ループ再生")), 1022);
    fileName_ = named(new QLineEdit, 1009);
    browse_ = named(new QPushButton(QStringLiteral("参照(&B)...")), 1002);
    browse_->setAutoDefault(false);
    auto* run = named(new QPushButton(QStringLiteral("実行")), 1);
    auto* cancel = named(new QPushButton(QStringLiteral("キャンセル")), 2);
    run->setDefault(true);
    cancel->setAutoDefault(false);

    auto* intervalRow = new QHBoxLayout;
    intervalRow->addWidget(
        new QLabel(QStringLiteral("画像が表示されてから次を読み込むまでの時間：")));
    intervalRow->addWidget(interval_);
    intervalRow->addWidget(new QLabel(QStringLiteral("秒")));
    intervalRow->addStretch();

    auto* optionsBox = new QGroupBox(QStringLiteral("実行時に使うオプション"));
    auto* options = new QVBoxLayout(optionsBox);
    for (QCheckBox* c : {fullScreen_, noPreImage_, fromHead_, autoClose_})
        options->addWidget(c);

    auto* bgmBox = new QGroupBox(QStringLiteral("BGM"));
    auto* bgm = new QVBoxLayout(bgmBox);
    auto* checks = new QHBoxLayout;
    checks->addWidget(playBgm_);
    checks->addWidget(loopBgm_);
    checks->addStretch();
    bgm->addLayout(checks);
    bgm->addWidget(
        new QLabel(QStringLiteral("ファイル名（Windows Media Playerが演奏可能なもの）：")));
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(fileName_, 1);
    fileRow->addWidget(browse_);
    bgm->addLayout(fileRow);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(run);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(intervalRow);
    layout->addWidget(optionsBox);
    layout->addWidget(bgmBox);
    layout->addLayout(buttons);

    connect(run, &QPushButton::clicked, this, &CSlideShowDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CSlideShowDlg::reject);
    connect(playBgm_, &QCheckBox::toggled, this, &CSlideShowDlg::updateMusicControls);
    connect(browse_, &QPushButton::clicked, this, &CSlideShowDlg::browse);
}

void CSlideShowDlg::SetOptions(const SlideShowSettings& o) {
    options_ = o;
    interval_->setValue(o.IntervalSecond);
    fullScreen_->setChecked(o.FullScreen != 0);
    noPreImage_->setChecked(o.NoPreImage != 0);
    fromHead_->setChecked(o.FromHead != 0);
    autoClose_->setChecked(o.AutoClose != 0);
    playBgm_->setChecked(o.PlayBGM != 0);
    loopBgm_->setChecked(o.LoopBGM != 0);
    fileName_->setText(o.BGMFileName);
    updateMusicControls();
}

void CSlideShowDlg::updateMusicControls() {
    const bool on = playBgm_->isChecked();
    fileName_->setEnabled(on);
    browse_->setEnabled(on);
    loopBgm_->setEnabled(on);
}

QStringList CSlideShowDlg::musicFilters() {
    return {QStringLiteral("オーディオファイル(*.mp3; *.wma; *.wav; *.mid; *.ogg; *.flac; *.m4a)"),
            QStringLiteral("全てのファイル(*.*)")};
}

void CSlideShowDlg::browse() {
    const QString chosen = openFileWithFilters(this, fileName_->text(), musicFilters());
    if (!chosen.isEmpty())
        fileName_->setText(chosen);
}

void CSlideShowDlg::accept() {
    int interval = 0;
    const SettingKey& k = intervalKey();
    if (!validateInteger(interval_->edit(), k.minimum, k.maximum, interval))
        return;
    options_.IntervalSecond = interval;
    options_.FullScreen = fullScreen_->isChecked() ? 1 : 0;
    options_.NoPreImage = noPreImage_->isChecked() ? 1 : 0;
    options_.FromHead = fromHead_->isChecked() ? 1 : 0;
    options_.AutoClose = autoClose_->isChecked() ? 1 : 0;
    options_.PlayBGM = playBgm_->isChecked() ? 1 : 0;
    options_.LoopBGM = loopBgm_->isChecked() ? 1 : 0;
    options_.BGMFileName = fileName_->text();
    QDialog::accept();
}

} // namespace lumora
