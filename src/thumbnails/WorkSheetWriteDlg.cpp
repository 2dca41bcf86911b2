#include "thumbnails/WorkSheetWriteDlg.h"

#include "platform/PathNames.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace lumora {

CWorkSheetWriteDlg::CWorkSheetWriteDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("WorkSheetWriteDlg"));
    setWindowTitle(QStringLiteral("ワークシート内ファイルの書き出し"));
    auto* layout = new QVBoxLayout(this);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("フォルダ："), this));
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("FolderEdit")); // 1001
    edit_->setMinimumWidth(320);
    row->addWidget(edit_, 1);
    browse_ = new QPushButton(QStringLiteral("参照(&B)..."), this); // 1002
    browse_->setObjectName(QStringLiteral("BrowseButton"));
    row->addWidget(browse_);
    layout->addLayout(row);

    auto* group = new QGroupBox(QStringLiteral("画像ファイルの書き出し方法"), this);
    auto* groupLayout = new QVBoxLayout(group);
    method0_ =
        new QRadioButton(QStringLiteral("指定したフォルダを親としてファイルをコピー"), group);
    method1_ = new QRadioButton(
        QStringLiteral("指定したフォルダにワークシート名のフォルダを作ってファイルをコピー"),
        group);
    method0_->setObjectName(QStringLiteral("Method0")); // 1003
    method1_->setObjectName(QStringLiteral("Method1")); // 1004
    method0_->setChecked(true);
    groupLayout->addWidget(method0_);
    groupLayout->addWidget(method1_);
    layout->addWidget(group);
    layout->addWidget(
        new QLabel(QStringLiteral("※指定フォルダが存在しない場合は自動作成します"), this));

    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok_->setDefault(true);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(edit_, &QLineEdit::textChanged, this, &CWorkSheetWriteDlg::updateOk);
    connect(browse_, &QPushButton::clicked, this, &CWorkSheetWriteDlg::browse);
    updateOk();
}

void CWorkSheetWriteDlg::setValues(const QString& folder, int method) {
    edit_->setText(folder);
    (method == 1 ? method1_ : method0_)->setChecked(true);
    updateOk();
}

QString CWorkSheetWriteDlg::folder() const {
    return edit_->text();
}

int CWorkSheetWriteDlg::method() const {
    return method1_->isChecked() ? 1 : 0;
}

std::optional<QString> CWorkSheetWriteDlg::ResolveFolder(const QString& text, const QString& home) {
    const QString path = expandUserPath(text, home);
    // A relative text would name a place under whatever folder the program
    // was started from, which the user cannot see here.
    if (!path.startsWith(QLatin1Char('/')))
        return std::nullopt;
    return path;
}

QString CWorkSheetWriteDlg::RelativeFolderMessage(const QString& text) {
    return QStringLiteral("「%1」 は絶対パスではありません。\n"
                          "/ で始まるフォルダを指定してください（~/ はホームフォルダです）。")
        .arg(text.trimmed());
}

void CWorkSheetWriteDlg::accept() {
    const std::optional<QString> folder = ResolveFolder(edit_->text(), QDir::homePath());
    if (!folder) {
        const QString text = RelativeFolderMessage(edit_->text());
        if (message_)
            message_(text);
        else
            QMessageBox::warning(this, QStringLiteral("Lumora"), text);
        edit_->setFocus();
        return;
    }
    edit_->setText(*folder);
    QDialog::accept();
}

void CWorkSheetWriteDlg::updateOk() {
    ok_->setEnabled(!edit_->text().isEmpty());
}

void CWorkSheetWriteDlg::browse() {
    const QString chosen = QFileDialog::getExistingDirectory(
        this, QStringLiteral("書き出し先のフォルダを指定してください。"), edit_->text(),
        QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty())
        return; // cancelled: nothing changes
    edit_->setText(chosen);
    updateOk();
}

} // namespace lumora
